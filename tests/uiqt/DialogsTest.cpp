// The real dialogs, driven by typed keys and clicks in their own modal loops. What
// the fields' texts mean is in DialogRulesTest; here the widgets' part.

#include "QtTestSupport.h"
#include "ui/DialogRules.h"
#include "ui/qt/FDialogs.h"

#include <QColorDialog>

#include <array>

namespace {

struct Dialogs : testing::Test
{
    static void SetUpTestSuite() { EnsureQApplication(); }
    Dialogs() { owner_.show(); }

    FLocale locale_;
    QWidget owner_;
    FSettings settings_{FSettingsEnvironment{FString(u"/nowhere")}}; // 3, 3, 3 seconds
};

TEST_F(Dialogs, SpeedDialogTakesOnlyDigitsAndCancelChangesNothing)
{
    settings_.TimeZoom = 4;
    QString shown, typed;
    WhenModal([&](QWidget* dialog) {
        shown = EditText(dialog, "edit1061");
        Type(dialog, "edit1060", QStringLiteral("1a2-"));
        typed = EditText(dialog, "edit1060");
        Type(dialog, "edit1062", QStringLiteral("21"));
        ClickButton(dialog, "button1");
    });
    EXPECT_EQ(SpeedDialog(&owner_, settings_, locale_), kDialogOk);
    EXPECT_EQ(shown, "4");
    EXPECT_EQ(typed, "12");
    EXPECT_EQ((std::array{settings_.TimePage, settings_.TimeZoom, settings_.TimeView}), (std::array{12, 4, 20}));

    WhenModal([](QWidget* dialog) {
        Type(dialog, "edit1060", QStringLiteral("9"));
        ClickButton(dialog, "button2");
    });
    EXPECT_EQ(SpeedDialog(&owner_, settings_, locale_), kDialogCancel);
    EXPECT_EQ(settings_.TimePage, 12);
}

TEST_F(Dialogs, ChooseColourReturnsTheAcceptedColour)
{
    FCustomColours::Process().Reset();
    QColor initial;
    WhenModal<QColorDialog>([&](QColorDialog* chooser) {
        initial = chooser->currentColor();
        QColorDialog::setCustomColor(5, QColor(0x12, 0x34, 0x56));
        chooser->setCurrentColor(QColor(10, 20, 30));
        chooser->accept();
    });
    int r = 200, g = 100, b = 50;
    EXPECT_TRUE(ChooseColour(&owner_, r, g, b));
    EXPECT_EQ(initial, QColor(200, 100, 50));

    // Cancelled: the accepted values stay; the custom colour set in the dialog is kept.
    WhenModal<QColorDialog>([&](QColorDialog* chooser) {
        chooser->setCurrentColor(QColor(250, 250, 250));
        chooser->reject();
    });
    EXPECT_FALSE(ChooseColour(&owner_, r, g, b));
    EXPECT_EQ(FCustomColours::Process().Get(5), 0x123456u);
    EXPECT_EQ((std::array{r, g, b}), (std::array{10, 20, 30}));
    FCustomColours::Process().Reset();
}

} // namespace
