#include "app/component_menu.h"

#include "app/recent_components.h"
#include "app/tool_buttons.h"
#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "platform/menu.h"

namespace ob7 {

namespace {

// The flag of the next item: after every 25 items (separators not counted) a new column.
int ColumnFlag(const platform::Menu& menu) {
    int items = 0;
    for (int i = 0; i < menu.Count(); ++i) items += !(menu.At(i).flags & platform::kMenuSeparator);
    return items > 0 && items % kComponentMenuColumn == 0 ? platform::kMenuBreak : 0;
}

}  // namespace

void AppendComponentGroupItems(platform::Menu& menu, const ComponentLibrary& library, const ComponentGroup& group,
                               int firstCommand) {
    bool groups = false;
    for (const ComponentGroup& child : group.children) {
        if (child.name.empty()) continue;
        AppendComponentGroupItems(menu.AppendPopup(child.name, ColumnFlag(menu)), library, child, firstCommand);
        groups = true;
    }
    bool first = true;
    for (size_t i = 0; i < library.components.size(); ++i) {
        const ComponentDef& def = *library.components[i];
        const int command = firstCommand + static_cast<int>(i);
        if (def.group != group.number || def.type == CT_SHORT || command > kLastComponentCommand) continue;
        if (first && groups) menu.AppendSeparator();
        first = false;
        const bool usable = def.type != CT_NULL && def.shape != nullptr;
        menu.Append(command, def.name, ColumnFlag(menu) | (usable ? 0 : platform::kMenuGrayed));
    }
}

void BuildComponentMenu(platform::Menu& menu) {
    menu.Clear();
    int command = kFirstComponentCommand;
    for (const ComponentLibrary& library : ComponentLibraryTable()) {
        AppendComponentGroupItems(menu, library, library.root, command);
        command += static_cast<int>(library.components.size());
    }
    if (menu.Count() > 0) menu.AppendSeparator();
    menu.Append(kCmdFindComponent, "&Find Component...\tCtrl+Shift+F");
    BuildRecentComponentMenu(menu);
}

}  // namespace ob7
