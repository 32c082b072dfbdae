// The real dialogs, driven the way a user would: typed keys and mouse clicks sent
// to the widgets while each dialog runs its own modal loop.

#include "QtTestSupport.h"
#include "ui/DialogRules.h"
#include "ui/qt/FDialogs.h"

#include <QColorDialog>
#include <QElapsedTimer>
#include <QLabel>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

FSettings MakeSettings()
{
    FSettingsEnvironment environment;
    environment.programDirectory = FString(u"/nowhere");
    FSettings settings(environment);
    settings.TimePage = 3;
    settings.TimeZoom = 4;
    settings.TimeView = 6;
    return settings;
}

class Dialogs : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureQApplication(); }

    void SetUp() override
    {
        owner_ = std::make_unique<QWidget>();
        owner_->resize(800, 600);
        owner_->setWindowTitle(QStringLiteral("Quillo's Photo Book"));
        owner_->show();
    }

    FLocale locale_;
    std::unique_ptr<QWidget> owner_;
};

TEST_F(Dialogs, SpeedDialogShowsTheSettingsAndTakesOnlyDigits)
{
    FSettings settings = MakeSettings();
    QString shown, labels, typed;
    WhenModal([&](QWidget* dialog) {
        shown = dialog->windowTitle();
        for (const char* name : {"edit1060", "edit1061", "edit1062"})
            shown += QLatin1Char('|') + EditText(dialog, name);
        for (const char* name : {"static1063", "static1064", "static1065"})
            if (auto* label = Child<QLabel>(dialog, name))
                labels += label->text() + QLatin1Char('|');
        Type(dialog, "edit1060", QStringLiteral("1a2-"));
        typed = EditText(dialog, "edit1060");
        Type(dialog, "edit1061", QString());
        Type(dialog, "edit1062", QStringLiteral("000000019")); // the 9 lies past the seventh character
        ClickButton(dialog, "button1");
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings, locale_), kDialogOk);
    EXPECT_EQ(shown, "Set Animation Speed...|3|4|6");
    EXPECT_EQ(labels, "Page turning Speed in Seconds|Zoom Speed in Seconds|Photo View Time in Seconds|");
    EXPECT_EQ(typed, "12");
    EXPECT_EQ(settings.TimePage, 12);
    EXPECT_EQ(settings.TimeZoom, 1);
    EXPECT_EQ(settings.TimeView, 1);
}

TEST_F(Dialogs, SpeedDialogCancelAndEscapeChangeNothing)
{
    FSettings settings = MakeSettings();
    WhenModal([](QWidget* dialog) {
        Type(dialog, "edit1060", QStringLiteral("9"));
        ClickButton(dialog, "button2");
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings, locale_), kDialogCancel);
    WhenModal([](QWidget* dialog) {
        Type(dialog, "edit1062", QStringLiteral("9"));
        PressKey(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings, locale_), kDialogCancel);
    EXPECT_EQ(settings.TimePage, 3);
    EXPECT_EQ(settings.TimeView, 6);
}

TEST_F(Dialogs, AboutBoxClosesOnALeftClickAnywhereOnOkAndOnEscape)
{
    QSize client;
    QRect button;
    bool openAfterRightClick = false;
    WhenModal([&](QWidget* dialog) {
        client = dialog->size();
        if (auto* ok = Child<QPushButton>(dialog, "button1"))
            button = ok->geometry();
        ClickAt(dialog, QPoint(120, 200), Qt::RightButton);
        openAfterRightClick = dialog->isVisible();
        ClickAt(dialog, QPoint(120, 200));
    });
    QElapsedTimer clock;
    clock.start();
    AboutDialog(owner_.get(), locale_);
    WhenModal([](QWidget* dialog) { ClickButton(dialog, "button1"); });
    AboutDialog(owner_.get(), locale_);
    WhenModal([](QWidget* dialog) { PressKey(dialog, Qt::Key_Escape); });
    AboutDialog(owner_.get(), locale_);
    EXPECT_LT(clock.elapsed(), 4000); // closed each time, not by the safety net
    EXPECT_TRUE(openAfterRightClick);
    EXPECT_EQ(client, QSize(640, 480));
    EXPECT_EQ(button.top(), 420);
    EXPECT_EQ(button.left(), 320 - button.width() / 2);
}

// Counts pixels of exactly the version line's grey inside a rectangle.
int GreyPixels(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0x787878)
                ++n;
    return n;
}

TEST_F(Dialogs, AboutBoxDrawsTheVersionLineRightAlignedUnderTheTitle)
{
    QImage shown;
    WhenModal([&](QWidget* dialog) {
        shown = dialog->grab().toImage();
        ClickAt(dialog, QPoint(10, 10));
    });
    AboutDialog(owner_.get(), locale_);
    ASSERT_EQ(shown.size(), QSize(640, 480));
    // The text's ink lies at the right end of its line and nowhere else.
    EXPECT_GT(GreyPixels(shown, QRect(480, 210, 145, 22)), 20);
    EXPECT_EQ(GreyPixels(shown, QRect(626, 200, 14, 40)), 0);
    EXPECT_EQ(GreyPixels(shown, QRect(0, 0, 640, 205)), 0);
    // The picture itself is not blank.
    EXPECT_NE(shown.pixel(190, 250), shown.pixel(600, 30));
    EXPECT_EQ(AboutPicture().size(), QSize(640, 480));
}

TEST_F(Dialogs, ChooseColourReturnsTheAcceptedColour)
{
    FCustomColours::Process().Reset();
    QColorDialog::setCustomColor(0, QColor(1, 2, 3)); // what Qt may have restored from its own settings
    QColor initial;
    bool customWhite = true;
    WhenModal([&](QWidget* dialog) {
        auto* chooser = qobject_cast<QColorDialog*>(dialog);
        ASSERT_NE(chooser, nullptr);
        initial = chooser->currentColor();
        for (int i = 0; i < kCustomColourCount; ++i)
            customWhite = customWhite && QColorDialog::customColor(i) == QColor(Qt::white);
        QColorDialog::setCustomColor(5, QColor(0x12, 0x34, 0x56));
        chooser->setCurrentColor(QColor(10, 20, 30));
        chooser->accept();
    });
    int r = 200, g = 100, b = 50;
    EXPECT_TRUE(ChooseColour(owner_.get(), r, g, b));
    EXPECT_EQ(initial, QColor(200, 100, 50));
    EXPECT_TRUE(customWhite);
    EXPECT_EQ((std::array{r, g, b}), (std::array{10, 20, 30}));

    // Cancelled: the values stay; the custom colour set in the dialog is kept.
    QColor customSeen;
    WhenModal([&](QWidget* dialog) {
        customSeen = QColorDialog::customColor(5);
        auto* chooser = qobject_cast<QColorDialog*>(dialog);
        chooser->setCurrentColor(QColor(250, 250, 250));
        chooser->reject();
    });
    EXPECT_FALSE(ChooseColour(owner_.get(), r, g, b));
    EXPECT_EQ(customSeen, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(FCustomColours::Process().Get(5), 0x123456u);
    EXPECT_EQ((std::array{r, g, b}), (std::array{10, 20, 30}));
    FCustomColours::Process().Reset();
}

// The desktop's opener is replaced by a script that records what it was asked to open.
class OpenDocumentTest : public Dialogs
{
protected:
    static void SetUpTestSuite()
    {
        Dialogs::SetUpTestSuite();
        bin_ = std::filesystem::temp_directory_path() / ("uiqt_opener_" + std::to_string(::getpid()));
        std::filesystem::create_directories(bin_);
        log_ = bin_ / "opened.txt";
        {
            std::ofstream script(bin_ / "xdg-open");
            script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log_.string() << "'\n";
        }
        std::filesystem::permissions(bin_ / "xdg-open", std::filesystem::perms::owner_all);
        const std::string path = bin_.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
        ::setenv("PATH", path.c_str(), 1);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(bin_); }

    static std::string WaitForLog()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            std::ifstream in(log_);
            std::string line;
            if (std::getline(in, line))
                return line;
        }
        return {};
    }

    static inline std::filesystem::path bin_;
    static inline std::filesystem::path log_;
};

TEST_F(OpenDocumentTest, OpensOnlyWebPagesAndMinimisesTheBook)
{
    std::filesystem::remove(log_);
    OpenDocument(owner_.get(), FString(u"/tmp/readme.pdf"));
    OpenDocument(owner_.get(), FString());
    OpenDocument(nullptr, FString(u"/tmp/script.sh"));
    EXPECT_FALSE(owner_->isMinimized());
    OpenDocument(owner_.get(), FString(u"/opt/Quillo/media/WWW/QuilloPhotoBookManual.html"));
    EXPECT_TRUE(owner_->isMinimized());
    // Only the page was handed on: the first line the opener wrote names it.
    const std::string opened = WaitForLog();
    EXPECT_NE(opened.find("/opt/Quillo/media/WWW/QuilloPhotoBookManual.html"), std::string::npos) << opened;
}

} // namespace
