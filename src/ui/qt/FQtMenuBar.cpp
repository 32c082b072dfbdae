#include "ui/qt/FQtMenuBar.h"
#include "ui/qt/QtText.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

// "&" marks a mnemonic in Qt menus; locale texts mean it literally. The model's
// text already carries the key after a tab, which Qt shows in the shortcut column.
QString MenuLabel(const FString& text)
{
    QString label = ToQString(MenuText(text));
    label.replace(QLatin1Char('&'), QLatin1String("&&"));
    return label;
}

} // namespace

FQtMenuBar::FQtMenuBar(QMenuBar& bar, std::function<void(int)> onCommand, std::function<void(bool)> onMenuShown)
    : bar_(bar), onCommand_(std::move(onCommand)), onMenuShown_(std::move(onMenuShown))
{
    for (const FMenu& menu : MainMenu()) {
        QMenu* top = bar_.addMenu(QString());
        topMenus_.push_back(top);
        AddItems(*top, menu.items);
    }
}

void FQtMenuBar::AddItems(QMenu& menu, const std::vector<FMenuItem>& items)
{
    connect(&menu, &QMenu::aboutToShow, this, [this] { onMenuShown_(true); });
    connect(&menu, &QMenu::aboutToHide, this, [this] { onMenuShown_(false); });
    for (const FMenuItem& item : items) {
        switch (item.kind) {
        case FMenuItemKind::Separator: menu.addSeparator(); break;
        case FMenuItemKind::Submenu: {
            QMenu* sub = menu.addMenu(QString());
            if (item.textNumber == 2 || !recentMenu_)
                recentMenu_ = sub;
            AddItems(*sub, item.items);
            break;
        }
        case FMenuItemKind::Command: {
            QAction* action = menu.addAction(QString());
            action->setCheckable(item.checkable);
            const int command = item.command;
            connect(action, &QAction::triggered, this, [this, command] { onCommand_(command); });
            actions_[command] = action;
            break;
        }
        }
    }
}

QAction* FQtMenuBar::Action(int command) const
{
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void FQtMenuBar::Apply(const FMenuState& state)
{
    for (size_t i = 0; i < topMenus_.size() && i < state.menuTexts.size(); ++i)
        topMenus_[i]->setTitle(MenuLabel(state.menuTexts[i]));
    if (recentMenu_)
        recentMenu_->setTitle(MenuLabel(state.recentFoldersText));
    for (const FMenuItemState& item : state.items) {
        QAction* action = Action(item.command);
        if (!action)
            continue;
        action->setText(MenuLabel(item.text));
        action->setChecked(item.checked);
        action->setEnabled(item.enabled);
    }
}
