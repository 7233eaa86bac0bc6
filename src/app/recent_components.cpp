#include "app/recent_components.h"

#include <cstdio>

#include "app/main_frame.h"
#include "libraries/component_def.h"
#include "libraries/component_library.h"
#include "platform/menu.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

namespace {

bool IsRecentItem(const platform::Menu::Item& item) {
    return !item.popup && item.id >= kFirstRecentComponent && item.id <= kLastRecentComponent;
}

}  // namespace

void BuildRecentComponentMenu(platform::Menu& menu) {
    int first = -1;
    for (int i = menu.Count() - 1; i >= 0; --i) {
        if (!IsRecentItem(menu.At(i))) continue;
        menu.Remove(i);
        first = i;
    }
    // The items always follow the separator this build put in front of them.
    if (first > 0 && (menu.At(first - 1).flags & platform::kMenuSeparator)) menu.Remove(first - 1);
    int shown = 0;
    for (int i = 0; i < RecentComponentCount() && kFirstRecentComponent + i <= kLastRecentComponent; ++i) {
        const std::string& name = RecentComponentName(i);
        if (name.empty()) continue;
        if (shown == 0) menu.AppendSeparator();
        ++shown;
        char number[8];
        std::snprintf(number, sizeof number, "&%d ", shown % 10);
        menu.Append(kFirstRecentComponent + i, number + name);
    }
}

void OnRecentComponentCommand(int id) {
    if (!OnRecentComponent(id - kFirstRecentComponent)) return;
    CMDIFrame* frame = FindCircuitWindow();
    if (frame && frame->kind == kDrawSchematic && frame->draw) frame->draw->SetMode(kModeComponent);
}

std::string RecentComponentText(int id) {
    const int i = id - kFirstRecentComponent;
    if (i < 0 || i >= RecentComponentCount() || RecentComponentName(i).empty()) return {};
    const std::string& name = RecentComponentName(i);
    const ComponentDef* def = FindComponentByName(name, nullptr, true);
    return def ? GetPartDisplayName(def) : name;
}

}  // namespace ob7
