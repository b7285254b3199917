#include "MenuBinding.h"

#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <map>

namespace qtui {

void MenuBinding::Build(ui::MenuItem& mainMenu, QMenuBar* bar, const EventRunner& run) {
    Unbind();
    AddItems(mainMenu, bar, run);
    SyncAll();
}

void MenuBinding::AddItems(ui::MenuItem& parent, QWidget* menu, const EventRunner& run) {
    std::map<int, QActionGroup*> radioGroups;
    for (auto& owned : parent.Items()) {
        ui::MenuItem& item = *owned;
        QAction* action = nullptr;
        if (item.IsSeparator()) {
            action = new QAction(menu);
            action->setSeparator(true);
            menu->addAction(action);
            continue;
        }
        if (!item.Items().empty()) {
            auto* submenu = new QMenu(menu);
            submenu->setObjectName(ToQString(item.Name()));
            action = submenu->menuAction();
            menu->addAction(action);
            QObject::connect(submenu, &QMenu::aboutToShow, submenu, [this, &item, run] {
                if (item.OnClick) run([&item] { item.Click(); });
                SyncAll();
            });
            AddItems(item, submenu, run);
        } else {
            action = new QAction(menu);
            if (!item.shortcut.empty())
                action->setShortcut(QKeySequence::fromString(ToQString(item.shortcut)));
            menu->addAction(action);
            QObject::connect(action, &QAction::triggered, action, [this, &item, run] {
                run([&item] { item.Click(); });
                // Qt toggled a checkable action itself; put back what the item says.
                SyncAll();
            });
            if (item.RadioItem()) {
                QActionGroup*& group = radioGroups[item.GroupIndex()];
                if (!group) {
                    group = new QActionGroup(menu);
                    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
                }
                group->addAction(action);
            }
        }
        action->setObjectName(ToQString(item.Name()));
        actions_.emplace_back(&item, action);
        subscriptions_.push_back(
            item.Subscribe({[this, &item, action] { Sync(item, action); }, {}}));
    }
}

void MenuBinding::Sync(ui::MenuItem& item, QAction* action) {
    action->setText(ToQString(item.Caption()));
    action->setEnabled(item.Enabled());
    action->setVisible(item.Visible());
    if (!item.Items().empty()) return;
    if (item.RadioItem() || item.Checked()) action->setCheckable(true);
    action->setChecked(item.Checked());
}

void MenuBinding::SyncAll() {
    for (auto& [item, action] : actions_) Sync(*item, action);
}

void MenuBinding::Unbind() {
    subscriptions_.clear();
    actions_.clear();
}

QAction* MenuBinding::ActionFor(const std::string& itemName) const {
    for (const auto& [item, action] : actions_)
        if (item->Name() == itemName) return action;
    return nullptr;
}

}  // namespace qtui
