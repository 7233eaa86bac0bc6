#pragma once
// The shell's side of the recent-components list (commands 17350 to 17359): its items
// at the end of the Component pop-up, the command that makes one current, and the
// status-bar prompt of an item.

#include <string>

namespace platform {
class Menu;
}

namespace ob7 {

constexpr int kFirstRecentComponent = 17350, kLastRecentComponent = 17359;

// Removes the items an earlier build added (and the separator in front of them), then
// appends a separator and "&%d %s" for every used entry (numbers 1 to 9, then 0).
void BuildRecentComponentMenu(platform::Menu& menu);

// Makes the entry of the command current when its component still exists; the first
// circuit window, when it is a schematic, then goes into Component mode.
void OnRecentComponentCommand(int id);

// The prompt of a command of the list: the component's name and memo ("name:memo"), the
// name alone when no loaded library has it, nothing for an empty entry.
std::string RecentComponentText(int id);

}  // namespace ob7
