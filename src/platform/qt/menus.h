#pragma once
// Native menus built from the menu model, and the update pass over a model.

#include <QMenu>

#include <functional>

#include "platform/command.h"
#include "platform/menu.h"

namespace platform {

// Runs the update handlers of target's command chain over the items of menu
// (not its sub-menus): enabled, checked and text follow the handlers; a command item
// nobody handles is greyed.
void UpdateMenuModel(CommandTarget& target, Menu& menu);

// Fills a native menu from the model. Sub-menus are filled when they open, after
// beforeShow (may be null) and the update pass; onChosen gets the command of a
// triggered item, onHover the id of a highlighted one (may be null).
void FillNativeMenu(QMenu& native, Menu& model, CommandTarget& target, std::function<void(int)> onChosen,
                    std::function<void(int)> onHover, std::function<void(Menu&, int)> beforeShow = nullptr);

}  // namespace platform
