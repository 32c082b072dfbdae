// The real dialogs, driven the way a user would: typed keys and mouse clicks sent
// to the widgets while each dialog runs its own modal loop.

#include "QtTestSupport.h"
#include "ui/DialogRules.h"
#include "ui/qt/FDialogs.h"

#include <QColorDialog>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <array>

namespace {

class Dialogs : public ::testing::Test
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
        Type(dialog, "edit1061", QString());
        Type(dialog, "edit1062", QStringLiteral("000000019")); // the 9 lies past the seventh character
        ClickButton(dialog, "button1");
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings_, locale_), kDialogOk);
    EXPECT_EQ(shown, "4");
    EXPECT_EQ(typed, "12");
    EXPECT_EQ(settings_.TimePage, 12);
    EXPECT_EQ(settings_.TimeZoom, 1);
    EXPECT_EQ(settings_.TimeView, 1);

    WhenModal([](QWidget* dialog) {
        Type(dialog, "edit1060", QStringLiteral("9"));
        ClickButton(dialog, "button2");
    });
    EXPECT_EQ(SpeedDialog(owner_.get(), settings_, locale_), kDialogCancel);
    EXPECT_EQ(settings_.TimePage, 12);
}

TEST_F(Dialogs, AboutBoxClosesOnALeftClickAnywhereAndOnEscape)
{
    bool openAfterRightClick = false;
    WhenModal([&](QWidget* dialog) {
        ClickAt(dialog, QPoint(120, 200), Qt::RightButton);
        openAfterRightClick = dialog->isVisible();
        ClickAt(dialog, QPoint(120, 200));
    });
    QElapsedTimer clock;
    clock.start();
    AboutDialog(owner_.get(), locale_);
    WhenModal([](QWidget* dialog) { PressKey(dialog, Qt::Key_Escape); });
    AboutDialog(owner_.get(), locale_);
    EXPECT_LT(clock.elapsed(), 4000); // closed each time, not by the safety net
    EXPECT_TRUE(openAfterRightClick);
}

TEST_F(Dialogs, ChooseColourReturnsTheAcceptedColour)
{
    FCustomColours::Process().Reset();
    QColor initial;
    WhenModal([&](QWidget* dialog) {
        auto* chooser = qobject_cast<QColorDialog*>(dialog);
        ASSERT_NE(chooser, nullptr);
        initial = chooser->currentColor();
        QColorDialog::setCustomColor(5, QColor(0x12, 0x34, 0x56));
        chooser->setCurrentColor(QColor(10, 20, 30));
        chooser->accept();
    });
    int r = 200, g = 100, b = 50;
    EXPECT_TRUE(ChooseColour(owner_.get(), r, g, b));
    EXPECT_EQ(initial, QColor(200, 100, 50));
    EXPECT_EQ((std::array{r, g, b}), (std::array{10, 20, 30}));

    // Cancelled: the values stay; the custom colour set in the dialog is kept.
    WhenModal([&](QWidget* dialog) {
        auto* chooser = qobject_cast<QColorDialog*>(dialog);
        chooser->setCurrentColor(QColor(250, 250, 250));
        chooser->reject();
    });
    EXPECT_FALSE(ChooseColour(owner_.get(), r, g, b));
    EXPECT_EQ(FCustomColours::Process().Get(5), 0x123456u);
    EXPECT_EQ((std::array{r, g, b}), (std::array{10, 20, 30}));
    FCustomColours::Process().Reset();
}

} // namespace
