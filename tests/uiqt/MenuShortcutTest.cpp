// The View and Light menus on a real Qt menu bar: each item names its key once,
// in the shortcut column (after the tab), as the menu draws it.

#include "../base/TestFiles.h"
#include "QtTestSupport.h"
#include "base/FCommandIds.h"
#include "ui/FMenuModel.h"
#include "ui/qt/FQtMenuBar.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

// What a menu shows for an item: its text, and the action's own shortcut only when
// the text names none (Qt draws the part after a tab as the shortcut).
QString Shown(const QAction* action)
{
    QString text = action->text();
    if (!text.contains(QLatin1Char('\t')) && !action->shortcut().isEmpty())
        text += QLatin1Char('\t') + action->shortcut().toString(QKeySequence::NativeText);
    return text;
}

TEST(MenuShortcuts, ViewAndLightItemsShowTheirKeyOnce)
{
    EnsureQApplication();
    QMainWindow window;
    FQtMenuBar menus(
        *window.menuBar(), [](int) {}, [](bool) {});
    FLocale locale;
    menus.Apply(BuildMenuState(locale, FSettings({FString(u"/prog"), 1024, 768})));
    window.show();

    const std::pair<int, const char*> kItems[] = {
        {kCmdViewFront, "Front\tF1"},
        {kCmdViewTop, "Top\tF2"},
        {kCmdViewLeft, "Left\tF3"},
        {kCmdViewRight, "Right\tF4"},
        {kCmdViewPhotoTopLeft, "Photo Top Left\tF5"},
        {kCmdViewPhotoBottomLeft, "Photo Bottom Left\tF6"},
        {kCmdViewPhotoTopRight, "Photo Top Right\tF7"},
        {kCmdViewPhotoBottomRight, "Photo Bottom Right\tF8"},
        {kCmdLightLeft, "Left\t1"},
        {kCmdLightRight, "Right\t2"},
        {kCmdLightTop, "Top\t3"},
        {kCmdLightFront, "Front\t4"},
    };
    for (const auto& [command, expected] : kItems) {
        const QAction* action = menus.Action(command);
        ASSERT_NE(action, nullptr) << command;
        EXPECT_EQ(Shown(action).toStdString(), expected);
    }
    // No item of the whole bar names a key twice.
    for (const QAction* top : window.menuBar()->actions())
        for (const QAction* action : top->menu()->actions())
            EXPECT_LE(Shown(action).count(QLatin1Char('\t')), 1) << Shown(action).toStdString();
}

} // namespace
