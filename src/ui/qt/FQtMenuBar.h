#pragma once
// The main menu on a Qt menu bar: built once from the menu model, then refreshed
// with texts, check marks and recent folders whenever they change.

#include "ui/FMenuModel.h"

#include <QObject>

#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;

class FQtMenuBar : public QObject
{
public:
    // onCommand receives the command id of a chosen item; onMenuShown(true/false)
    // tells when a menu opens and closes.
    FQtMenuBar(QMenuBar& bar, std::function<void(int)> onCommand, std::function<void(bool)> onMenuShown);

    void Apply(const FMenuState& state);
    QAction* Action(int command) const;

private:
    void AddItems(QMenu& menu, const std::vector<FMenuItem>& items);

    QMenuBar& bar_;
    std::function<void(int)> onCommand_;
    std::function<void(bool)> onMenuShown_;
    std::vector<QMenu*> topMenus_;
    QMenu* recentMenu_ = nullptr;
    std::map<int, QAction*> actions_;
};
