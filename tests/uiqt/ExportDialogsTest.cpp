// The export settings dialog, driven by typed keys and clicks while each
// runs its own modal loop. The decisions themselves are in ExportDialogRulesTest;
// here only their wiring to the widgets.

#include "QtTestSupport.h"
#include "ui/qt/FDialogs.h"
#include "ui/qt/FExportDialogs.h"

#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

// The five resolution fields as "w h fps dar par".
QString Resolution(QWidget* d)
{
    return QStringList{EditText(d, "edit1033"), EditText(d, "edit1034"), EditText(d, "edit1035"),
                       EditText(d, "edit1036"), EditText(d, "edit1037")}
        .join(QLatin1Char(' '));
}

QString Preset(QWidget* d)
{
    auto* combo = Child<QComboBox>(d, "combo1044");
    return combo ? combo->currentText() : QStringLiteral("<missing>");
}

class ExportDialogs : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureQApplication(); }

    void SetUp() override
    {
        owner_ = std::make_unique<QWidget>();
        owner_->show();
    }

    FLocale locale_;
    std::unique_ptr<QWidget> owner_;
    FSettings settings_{FSettingsEnvironment{FString(u"/nowhere")}}; // 640 x 480, PAR 1, 25 fps
};

} // namespace

TEST_F(ExportDialogs, OpensOnTheMatchingPresetAndPresetsFillTheFields)
{
    settings_.TimeZoom = 7;
    QString opened, times, palWide;
    bool uncompressed = false;
    WhenModal([&](QWidget* d) {
        opened = Resolution(d) + QLatin1Char('|') + Preset(d);
        times = EditText(d, "edit1046") + EditText(d, "edit1047") + EditText(d, "edit1048");
        uncompressed = Child<QRadioButton>(d, "radio1049")->isChecked();
        ChooseRow(d, "combo1044", 17);
        palWide = Resolution(d) + QLatin1Char('|') + Preset(d);
        ClickButton(d, "button2");
    });
    EXPECT_EQ(ExportSettingsDialog(owner_.get(), settings_, locale_), kDialogCancel);
    EXPECT_EQ(opened, "640 480 25 4:3 1:1|Computer 4:3 - 640 x 480");
    EXPECT_EQ(times, "373");
    EXPECT_TRUE(uncompressed);
    EXPECT_EQ(palWide, "720 576 25 16:9 1.42222|PAL DVD Widescreen");
    // Cancel stores nothing.
    EXPECT_EQ(settings_.ExportWidth, 640);
}

TEST_F(ExportDialogs, TypingKeepsTheRatiosTogetherAndOkStores)
{
    QString afterSize, afterAspect, afterFullRatio, afterFps;
    WhenModal([&](QWidget* d) {
        Type(d, "edit1033", QStringLiteral("1000"));
        Type(d, "edit1034", QStringLiteral("750"));
        afterSize = EditText(d, "edit1036") + QLatin1Char('|') + Preset(d);

        Type(d, "edit1033", QStringLiteral("640"));
        Type(d, "edit1036", QStringLiteral("4:3"));
        // Held in single precision, 4:3 gives 479.99998 rows: truncated.
        afterAspect = EditText(d, "edit1034");

        Type(d, "edit1036", QStringLiteral("16:9"));
        afterFullRatio = EditText(d, "edit1034");

        ChooseRow(d, "combo1044", 3);
        Type(d, "edit1035", QStringLiteral("30"));
        afterFps = EditText(d, "edit1036") + QLatin1Char('|') + Preset(d);
        Type(d, "edit1037", QStringLiteral("8:9"));
        Type(d, "edit1047", QStringLiteral("99"));
        Click(Child<QRadioButton>(d, "radio1050"));
        ClickButton(d, "button1");
    });
    EXPECT_EQ(ExportSettingsDialog(owner_.get(), settings_, locale_), kDialogOk);
    EXPECT_EQ(afterSize, "4:3|Custom");
    EXPECT_EQ(afterAspect, "479");
    // 16:9 held in single precision is a hair above 16/9: 359.99998 rows, truncated.
    EXPECT_EQ(afterFullRatio, "359");
    // The frame rate is no part of the picture's shape: the preset stays.
    EXPECT_EQ(afterFps, "4:3|Computer 4:3 - 640 x 480");
    EXPECT_EQ(settings_.ExportWidth, 640);
    EXPECT_EQ(settings_.ExportHeight, 480);
    EXPECT_FLOAT_EQ(settings_.ExportFPS, 30.0f);
    EXPECT_FLOAT_EQ(settings_.ExportPAR, 8.0f / 9.0f);
    EXPECT_EQ(settings_.TimeZoom, 20);
    EXPECT_EQ(settings_.ExportType, 1);
}
