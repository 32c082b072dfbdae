// The export settings dialog driven by typed keys and clicks in its own modal loop.
// The decisions themselves are in ExportDialogRulesTest; here only their wiring.

#include "QtTestSupport.h"
#include "ui/qt/FDialogs.h"
#include "ui/qt/FExportDialogs.h"

#include <QRadioButton>

namespace {

// The five resolution fields as "w h fps dar par", and the preset.
QString Shown(QWidget* d)
{
    QStringList fields;
    for (const char* edit : {"edit1033", "edit1034", "edit1035", "edit1036", "edit1037"})
        fields << EditText(d, edit);
    auto* combo = Child<QComboBox>(d, "combo1044");
    return fields.join(QLatin1Char(' ')) + QLatin1Char('|') + (combo ? combo->currentText() : QString());
}

TEST(ExportDialogs, OpensOnItsPresetPresetsAndTypingKeepTheRatiosTogetherAndOkStores)
{
    EnsureQApplication();
    QWidget owner;
    owner.show();
    FSettings settings{FSettingsEnvironment{FString(u"/nowhere")}}; // 640 x 480, PAR 1, 25 fps
    settings.TimeZoom = 7;
    QString opened, palWide, afterSize, afterAspect, afterFps;
    WhenModal([&](QWidget* d) {
        opened = Shown(d) + QLatin1Char('|') + EditText(d, "edit1046") + EditText(d, "edit1047") +
                 EditText(d, "edit1048") + (Child<QRadioButton>(d, "radio1049")->isChecked() ? "|full" : "");
        ChooseRow(d, "combo1044", 17);
        palWide = Shown(d);
        ChooseRow(d, "combo1044", 3);

        Type(d, "edit1033", QStringLiteral("1000"));
        Type(d, "edit1034", QStringLiteral("750"));
        afterSize = Shown(d);
        Type(d, "edit1033", QStringLiteral("640"));
        Type(d, "edit1036", QStringLiteral("4:3"));
        afterAspect = EditText(d, "edit1034");
        Type(d, "edit1036", QStringLiteral("16:9"));
        afterAspect += QLatin1Char(' ') + EditText(d, "edit1034");
        ChooseRow(d, "combo1044", 3);
        Type(d, "edit1035", QStringLiteral("30"));
        afterFps = Shown(d); // the frame rate is no part of the picture's shape: the preset stays
        Type(d, "edit1037", QStringLiteral("8:9"));
        Type(d, "edit1047", QStringLiteral("99"));
        Click(Child<QRadioButton>(d, "radio1050"));
        ClickButton(d, "button1");
    });
    EXPECT_EQ(ExportSettingsDialog(&owner, settings, FLocale()), kDialogOk);
    EXPECT_EQ(opened, "640 480 25 4:3 1:1|Computer 4:3 - 640 x 480|373|full");
    EXPECT_EQ(palWide, "720 576 25 16:9 1.42222|PAL DVD Widescreen");
    EXPECT_EQ(afterSize, "1000 750 25 4:3 1:1|Custom");
    // Held in single precision, 4:3 gives 479.99998 rows and 16:9 359.99998: truncated.
    EXPECT_EQ(afterAspect, "479 359");
    EXPECT_EQ(afterFps, "640 480 30 4:3 1:1|Computer 4:3 - 640 x 480");
    EXPECT_EQ(settings.ExportWidth, 640);
    EXPECT_EQ(settings.ExportHeight, 480);
    EXPECT_FLOAT_EQ(settings.ExportFPS, 30.0f);
    EXPECT_FLOAT_EQ(settings.ExportPAR, 8.0f / 9.0f);
    EXPECT_EQ(settings.TimeZoom, 20);
    EXPECT_EQ(settings.ExportType, 1);

    // Cancel stores nothing.
    WhenModal([](QWidget* d) {
        Type(d, "edit1033", QStringLiteral("100"));
        ClickButton(d, "button2");
    });
    EXPECT_EQ(ExportSettingsDialog(&owner, settings, FLocale()), kDialogCancel);
    EXPECT_EQ(settings.ExportWidth, 640);
}

} // namespace
