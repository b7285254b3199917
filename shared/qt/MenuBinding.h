#pragma once
// Builds a menu bar from a form's main menu and keeps it in step: "-" items become separators,
// items with sub-items become menus (whose own handler runs as they open), others actions.
// A check mark shows once an item has been checked; radio items of one group among siblings
// show as radio marks. The marks always follow the items' state, never Qt's own toggling,
// so a handler decides whether a click checks its item.
// Made by FormView from Form::MainMenu; a program only fills the menu items.
#include <QAction>
#include <QMenuBar>
#include <utility>
#include <vector>

#include "Controls.h"
#include "QtSupport.h"

namespace qtui {

class MenuBinding {
public:
    MenuBinding() = default;
    ~MenuBinding() { Unbind(); }
    MenuBinding(const MenuBinding&) = delete;
    MenuBinding& operator=(const MenuBinding&) = delete;

    void Build(ui::MenuItem& mainMenu, QMenuBar* bar, const EventRunner& run);
    // Copies every item's caption, enabled state and check mark to its action.
    void SyncAll();
    void Unbind();

    QAction* ActionFor(const std::string& itemName) const;

private:
    void AddItems(ui::MenuItem& parent, QWidget* menu, const EventRunner& run);
    void Sync(ui::MenuItem& item, QAction* action);

    std::vector<std::pair<ui::MenuItem*, QAction*>> actions_;
    std::vector<ui::Subscription> subscriptions_;
};

}  // namespace qtui
