#pragma once
// The Component pop-up of the main menu, built from the loaded component libraries each
// time it opens: each library's groups as sub-menus and its top-level components, then
// "Find Component" and the recent components.

namespace platform {
class Menu;
}

namespace ob7 {

struct ComponentLibrary;
struct ComponentGroup;

constexpr int kCmdFindComponent = 17308;
// Items per column of a component menu.
constexpr int kComponentMenuColumn = 25;

// Empties the pop-up and fills it again.
void BuildComponentMenu(platform::Menu& menu);

// Appends the named sub-groups of a group as sub-menus (filled the same way), then,
// after a separator when there were any, the library's components of that group other
// than shorts, each as its component command (32000 + its running index over the
// libraries). Every 25 items begin a new column; components without a type or a shape
// are greyed. `firstCommand` is the command of the library's first component.
void AppendComponentGroupItems(platform::Menu& menu, const ComponentLibrary& library, const ComponentGroup& group,
                               int firstCommand);

}  // namespace ob7
