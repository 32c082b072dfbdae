// The real dialogs, driven the way a user would: typed keys and mouse clicks sent
// to the widgets while each dialog runs its own modal loop.

#include "QtTestSupport.h"
#include "ui/DialogRules.h"
#include "ui/qt/FDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {


// A press and release at pos of w, delivered to the child under the pointer.
void Click(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    QWidget* target = w->childAt(pos) ? w->childAt(pos) : w;
    const QPointF local = target->mapFrom(w, pos);
    const QPointF global = w->mapToGlobal(QPointF(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void ClickButton(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    Click(dialog, button->geometry().center());
}

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

TEST_F(Dialogs, SpeedDialogStoresClampedValuesOnOk)
{
    FSettings settings = MakeSettings();
    QString shownPage, shownZoom, shownView, title, labels, okText, cancelText;
    WhenModal([&](QWidget* dialog) {
        shownPage = EditText(dialog, "edit1060");
        shownZoom = EditText(dialog, "edit1061");
        shownView = EditText(dialog, "edit1062");
        title = dialog->windowTitle();
        for (const char* name : {"static1063", "static1064", "static1065"})
            if (auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name)))
                labels += label->text() + QLatin1Char('|');
        okText = dialog->findChild<QPushButton*>(QStringLiteral("button1"))->text();
        cancelText = dialog->findChild<QPushButton*>(QStringLiteral("button2"))->text();
        Type(dialog, "edit1060", QStringLiteral("0"));
        Type(dialog, "edit1061", QStringLiteral("5"));
        Type(dialog, "edit1062", QStringLiteral("99"));
        ClickButton(dialog, "button1");
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings, locale_), kDialogOk);
    EXPECT_EQ(settings.TimePage, 1);
    EXPECT_EQ(settings.TimeZoom, 5);
    EXPECT_EQ(settings.TimeView, 20);

    EXPECT_EQ(shownPage, "3");
    EXPECT_EQ(shownZoom, "4");
    EXPECT_EQ(shownView, "6");
    EXPECT_EQ(title, "Set Animation Speed...");
    EXPECT_EQ(labels, "Page turning Speed in Seconds|Zoom Speed in Seconds|Photo View Time in Seconds|");
    EXPECT_EQ(okText, "OK");
    EXPECT_EQ(cancelText, "Cancel");
}

TEST_F(Dialogs, SpeedDialogTakesOnlyDigitsAndReadsEmptyAsOne)
{
    FSettings settings = MakeSettings();
    QString typed;
    WhenModal([&](QWidget* dialog) {
        Type(dialog, "edit1060", QStringLiteral("1a2-"));
        typed = EditText(dialog, "edit1060");
        Type(dialog, "edit1061", QString());
        Type(dialog, "edit1062", QStringLiteral("000000019")); // the 9 lies past the seventh character
        ClickButton(dialog, "button1");
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings, locale_), kDialogOk);
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
        Type(dialog, "edit1061", QStringLiteral("9"));
        ClickButton(dialog, "button2");
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings, locale_), kDialogCancel);
    WhenModal([](QWidget* dialog) {
        Type(dialog, "edit1062", QStringLiteral("9"));
        PressKey(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings, locale_), kDialogCancel);
    EXPECT_EQ(settings.TimePage, 3);
    EXPECT_EQ(settings.TimeZoom, 4);
    EXPECT_EQ(settings.TimeView, 6);
}

TEST_F(Dialogs, AboutBoxClosesOnALeftClickAnywhere)
{
    QSize client;
    QRect button;
    QString title;
    bool openAfterRightClick = false;
    WhenModal([&](QWidget* dialog) {
        client = dialog->size();
        title = dialog->windowTitle();
        if (auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("button1")))
            button = ok->geometry();
        Click(dialog, QPoint(120, 200), Qt::RightButton);
        openAfterRightClick = dialog->isVisible();
        Click(dialog, QPoint(120, 200));
    });
    QElapsedTimer clock;
    clock.start();
    AboutDialog(owner_.get(), locale_);
    EXPECT_LT(clock.elapsed(), 4000); // closed by the click, not by the safety net
    EXPECT_TRUE(openAfterRightClick);
    EXPECT_EQ(client, QSize(640, 480));
    EXPECT_EQ(title, "Quillo's Photo Book");
    EXPECT_EQ(button.top(), 420);
    EXPECT_EQ(button.left(), 320 - button.width() / 2);
}

TEST_F(Dialogs, AboutBoxClosesOnOkAndEscape)
{
    WhenModal([](QWidget* dialog) { ClickButton(dialog, "button1"); });
    QElapsedTimer clock;
    clock.start();
    AboutDialog(owner_.get(), locale_);
    WhenModal([](QWidget* dialog) { PressKey(dialog, Qt::Key_Escape); });
    AboutDialog(owner_.get(), locale_);
    EXPECT_LT(clock.elapsed(), 4000);
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
        Click(dialog, QPoint(10, 10));
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
    EXPECT_EQ(r, 10);
    EXPECT_EQ(g, 20);
    EXPECT_EQ(b, 30);

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
    EXPECT_EQ(r, 10);
    EXPECT_EQ(g, 20);
    EXPECT_EQ(b, 30);
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

TEST_F(OpenDocumentTest, OpensTheGuideAndMinimisesTheBook)
{
    std::filesystem::remove(log_);
    OpenDocument(owner_.get(), FString(u"/opt/Quillo/media/WWW/QuilloPhotoBookManual.html"));
    EXPECT_TRUE(owner_->isMinimized());
    const std::string opened = WaitForLog();
    EXPECT_NE(opened.find("/opt/Quillo/media/WWW/QuilloPhotoBookManual.html"), std::string::npos) << opened;
}

TEST_F(OpenDocumentTest, IgnoresEverythingButWebPages)
{
    std::filesystem::remove(log_);
    OpenDocument(owner_.get(), FString(u"/tmp/readme.pdf"));
    OpenDocument(owner_.get(), FString());
    OpenDocument(nullptr, FString(u"/tmp/script.sh"));
    EXPECT_FALSE(owner_->isMinimized());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(std::filesystem::exists(log_));
}

} // namespace
