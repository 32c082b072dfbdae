// The export settings and encoder dialogs, driven by typed keys and clicks while each
// runs its own modal loop: presets, ratio edge cases, what OK stores.

#include "QtTestSupport.h"
#include "ui/qt/FDialogs.h"
#include "ui/qt/FExportDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

namespace {


// A left click near the left end of child, where a radio button has its circle.
void Click(QWidget* w, QWidget* child)
{
    const QPoint pos(std::min(8, child->width() / 2), child->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, pos, child->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(child, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, child->mapToGlobal(pos), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(child, &release);
}

template <typename T> T* Child(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

void ClickButton(QWidget* dialog, const char* name)
{
    QWidget* button = Child<QPushButton>(dialog, name);
    ASSERT_NE(button, nullptr) << name;
    Click(dialog, button);
}

// Picks a row of a drop-down list the way the keyboard does: from the row above, Down.
void ChooseRow(QWidget* dialog, const char* comboName, int row)
{
    auto* combo = Child<QComboBox>(dialog, comboName);
    ASSERT_NE(combo, nullptr) << comboName;
    ASSERT_GT(row, 0);
    combo->setCurrentIndex(row - 1);
    PressKey(combo, Qt::Key_Down);
    ASSERT_EQ(combo->currentIndex(), row);
}

// The five resolution fields as "w h fps dar par".
QString Resolution(QWidget* d)
{
    return QStringList{EditText(d, "edit1033"), EditText(d, "edit1034"), EditText(d, "edit1035"), EditText(d, "edit1036"),
                       EditText(d, "edit1037")}
        .join(QLatin1Char(' '));
}

QString Preset(QWidget* d)
{
    auto* combo = Child<QComboBox>(d, "combo1044");
    return combo ? combo->currentText() : QStringLiteral("<missing>");
}

FSettings MakeSettings()
{
    FSettingsEnvironment environment;
    environment.programDirectory = FString(u"/nowhere");
    return FSettings(environment);
}

class ExportDialogs : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureQApplication(); }

    void SetUp() override
    {
        owner_ = std::make_unique<QWidget>();
        owner_->resize(800, 600);
        owner_->show();
    }

    FLocale locale_;
    std::unique_ptr<QWidget> owner_;
};

} // namespace

TEST_F(ExportDialogs, OpensOnTheMatchingPresetAndPresetsFillTheFields)
{
    FSettings settings = MakeSettings(); // 640 x 480, PAR 1, 25 fps
    settings.TimeZoom = 7;
    QString title, opened, openedPreset, times, palWide, ntsc, custom;
    std::map<QString, QString> texts;
    bool uncompressed = false;
    int presetCount = 0;
    WhenModal([&](QWidget* d) {
        title = d->windowTitle();
        opened = Resolution(d);
        openedPreset = Preset(d);
        presetCount = Child<QComboBox>(d, "combo1044")->count();
        times = EditText(d, "edit1046") + EditText(d, "edit1047") + EditText(d, "edit1048");
        uncompressed = Child<QRadioButton>(d, "radio1049")->isChecked();
        for (const char* name : {"static1042", "static1039", "static1041", "static1059"})
            texts[QString::fromLatin1(name)] = Child<QLabel>(d, name)->text();
        texts[QStringLiteral("group1055")] = Child<QGroupBox>(d, "group1055")->title();
        texts[QStringLiteral("radio1050")] = Child<QRadioButton>(d, "radio1050")->text();

        ChooseRow(d, "combo1044", 17);
        palWide = Resolution(d) + QLatin1Char('|') + Preset(d);
        ChooseRow(d, "combo1044", 9);
        ntsc = Resolution(d) + QLatin1Char('|') + Preset(d);
        ChooseRow(d, "combo1044", 1);
        PressKey(Child<QComboBox>(d, "combo1044"), Qt::Key_Up); // "Custom" changes nothing
        custom = Resolution(d) + QLatin1Char('|') + Preset(d);
        ClickButton(d, "button2");
    });
    EXPECT_EQ(ExportSettingsDialog(owner_.get(), settings, locale_), kDialogCancel);

    EXPECT_EQ(title, "Quillo's Photo Book Export as Movie...");
    EXPECT_EQ(opened, "640 480 25 4:3 1:1");
    EXPECT_EQ(openedPreset, "Computer 4:3 - 640 x 480");
    EXPECT_EQ(presetCount, 22);
    EXPECT_EQ(times, "373");
    EXPECT_TRUE(uncompressed);
    EXPECT_EQ(texts[QStringLiteral("static1042")], "Width in Pixels");
    EXPECT_EQ(texts[QStringLiteral("static1039")], "Display Aspect Ratio");
    EXPECT_EQ(texts[QStringLiteral("static1041")], "Frames per Second");
    EXPECT_EQ(texts[QStringLiteral("static1059")], "Photo View Time in Seconds");
    EXPECT_EQ(texts[QStringLiteral("group1055")], "Resolution and FPS");
    EXPECT_EQ(texts[QStringLiteral("radio1050")], "Compressed AVI");
    // 64/45 has no numerator below 40, so it stays a number.
    EXPECT_EQ(palWide, "720 576 25 16:9 1.42222|PAL DVD Widescreen");
    EXPECT_EQ(ntsc, "720 480 29.97 4:3 8:9|NTSC DVD");
    EXPECT_EQ(custom, "320 240 25 4:3 1:1|Custom");
    // Cancel stores nothing.
    EXPECT_EQ(settings.ExportWidth, 640);
    EXPECT_FLOAT_EQ(settings.ExportFPS, 25.0f);
}

TEST_F(ExportDialogs, TypingKeepsTheRatiosTogether)
{
    FSettings settings = MakeSettings();
    QString afterSize, afterSizePreset, afterAspect, afterHalfRatio, afterFullRatio, afterFps, afterFpsPreset;
    WhenModal([&](QWidget* d) {
        Type(d, "edit1033", QStringLiteral("1000"));
        Type(d, "edit1034", QStringLiteral("750"));
        afterSize = EditText(d, "edit1036");
        afterSizePreset = Preset(d);

        Type(d, "edit1033", QStringLiteral("640"));
        Type(d, "edit1036", QStringLiteral("4:3"));
        // Held in single precision, 4:3 gives 479.99998 rows: truncated.
        afterAspect = EditText(d, "edit1034");

        Type(d, "edit1036", QStringLiteral("16"));
        Type(d, "edit1036", QStringLiteral("16:")); // half typed: parses as 0
        afterHalfRatio = EditText(d, "edit1034");
        Type(d, "edit1036", QStringLiteral("16:9"));
        afterFullRatio = EditText(d, "edit1034");

        ChooseRow(d, "combo1044", 3);
        Type(d, "edit1035", QStringLiteral("30"));
        afterFps = EditText(d, "edit1036");
        afterFpsPreset = Preset(d);
        ClickButton(d, "button1");
    });
    EXPECT_EQ(ExportSettingsDialog(owner_.get(), settings, locale_), kDialogOk);
    EXPECT_EQ(afterSize, "4:3");
    EXPECT_EQ(afterSizePreset, "Custom");
    EXPECT_EQ(afterAspect, "479");
    EXPECT_EQ(afterHalfRatio, "40"); // what "16" alone gave
    // 16:9 held in single precision is a hair above 16/9: 359.99998 rows, truncated.
    EXPECT_EQ(afterFullRatio, "359");
    // The frame rate is no part of the picture's shape: the preset stays.
    EXPECT_EQ(afterFps, "4:3");
    EXPECT_EQ(afterFpsPreset, "Computer 4:3 - 640 x 480");
    EXPECT_EQ(settings.ExportWidth, 640);
    EXPECT_EQ(settings.ExportHeight, 480);
    EXPECT_FLOAT_EQ(settings.ExportFPS, 30.0f);
}

TEST_F(ExportDialogs, OkClampsWhatIsOutOfRange)
{
    FSettings settings = MakeSettings();
    WhenModal([](QWidget* d) {
        Type(d, "edit1033", QStringLiteral("20"));
        Type(d, "edit1034", QStringLiteral("9999"));
        Type(d, "edit1035", QStringLiteral("120"));
        Type(d, "edit1037", QStringLiteral("11"));
        Type(d, "edit1046", QStringLiteral("0"));
        Type(d, "edit1047", QStringLiteral("99"));
        Type(d, "edit1048", QStringLiteral("5"));
        Click(d, Child<QRadioButton>(d, "radio1050"));
        ClickButton(d, "button1");
    });
    EXPECT_EQ(ExportSettingsDialog(owner_.get(), settings, locale_), kDialogOk);
    EXPECT_EQ(settings.ExportWidth, 64);
    EXPECT_EQ(settings.ExportHeight, 5000);
    EXPECT_FLOAT_EQ(settings.ExportFPS, 10.0f);
    EXPECT_FLOAT_EQ(settings.ExportPAR, 1.0f);
    EXPECT_EQ(settings.TimePage, 1);
    EXPECT_EQ(settings.TimeZoom, 20);
    EXPECT_EQ(settings.TimeView, 5);
    EXPECT_EQ(settings.ExportType, 1);

    // FPS 0 is replaced by 10 as well, and a ratio typed as a fraction is stored as its value.
    WhenModal([](QWidget* d) {
        Type(d, "edit1035", QStringLiteral("0"));
        Type(d, "edit1037", QStringLiteral("8:9"));
        Click(d, Child<QRadioButton>(d, "radio1049"));
        ClickButton(d, "button1");
    });
    EXPECT_EQ(ExportSettingsDialog(owner_.get(), settings, locale_), kDialogOk);
    EXPECT_FLOAT_EQ(settings.ExportFPS, 10.0f);
    EXPECT_FLOAT_EQ(settings.ExportPAR, 8.0f / 9.0f);
    EXPECT_EQ(settings.ExportType, 0);
}

TEST_F(ExportDialogs, EncoderDialogOffersTheNamesThenUncompressed)
{
    const std::vector<FString> names = {FString(u"FFV1 (FFmpeg video codec #1)"), FString(u"MPEG-4 part 2"),
                                        FString(u"Motion JPEG")};
    QString title;
    QStringList entries;
    int selected = -1;
    WhenModal([&](QWidget* d) {
        title = d->windowTitle();
        auto* list = Child<QComboBox>(d, "combo1045");
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        selected = list->currentIndex();
        ChooseRow(d, "combo1045", 2);
        ClickButton(d, "button1");
    });
    FString chosen(u"no longer installed");
    EXPECT_TRUE(EncoderDialog(owner_.get(), names, chosen));
    EXPECT_EQ(title, "Select FFmpeg Encoder Filter");
    EXPECT_EQ(entries, (QStringList{"FFV1 (FFmpeg video codec #1)", "MPEG-4 part 2", "Motion JPEG",
                                    "Full Frames (Uncompressed)"}));
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(chosen.ToUtf8(), "Motion JPEG");

    // The stored name is preselected; the uncompressed entry keeps it; Cancel changes nothing.
    WhenModal([&](QWidget* d) {
        selected = Child<QComboBox>(d, "combo1045")->currentIndex();
        ChooseRow(d, "combo1045", 3);
        ClickButton(d, "button1");
    });
    EXPECT_TRUE(EncoderDialog(owner_.get(), names, chosen));
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(chosen.ToUtf8(), "Motion JPEG");
    WhenModal([&](QWidget* d) {
        ChooseRow(d, "combo1045", 1);
        ClickButton(d, "button2");
    });
    EXPECT_FALSE(EncoderDialog(owner_.get(), names, chosen));
    EXPECT_EQ(chosen.ToUtf8(), "Motion JPEG");

    int count = 0;
    WhenModal([&](QWidget* d) {
        count = Child<QComboBox>(d, "combo1045")->count();
        PressKey(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(EncoderDialog(owner_.get(), {}, chosen));
    EXPECT_EQ(count, 1);
}
