#include "platform/command.h"

namespace platform {

void CommandTarget::OnCommandRange(int first, int last, Handler handler) {
    handlers_.push_back({first, last, std::move(handler)});
}

void CommandTarget::OnUpdateRange(int first, int last, UpdateHandler handler) {
    updates_.push_back({first, last, std::move(handler)});
}

bool CommandTarget::RouteCommand(int id) {
    if (CommandTarget* first = CommandDelegate(); first && first->RouteCommand(id)) return true;
    for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
        if (id >= it->first && id <= it->last) {
            Handler fn = it->fn;  // the handler may change the map
            fn(id);
            return true;
        }
    }
    return false;
}

bool CommandTarget::RunUpdateHandler(CommandUI& ui) {
    if (CommandTarget* first = CommandDelegate(); first && first->RunUpdateHandler(ui)) return true;
    for (auto it = updates_.rbegin(); it != updates_.rend(); ++it) {
        if (ui.Id() >= it->first && ui.Id() <= it->last) {
            ui.Enable(true);  // an update handler starts from enabled and may disable
            UpdateHandler fn = it->fn;
            fn(ui);
            return true;
        }
    }
    return false;
}

bool CommandTarget::HasHandler(int id) {
    if (CommandTarget* first = CommandDelegate(); first && first->HasHandler(id)) return true;
    for (const auto& h : handlers_)
        if (id >= h.first && id <= h.last) return true;
    return false;
}

bool CommandTarget::RouteUpdate(CommandUI& ui) {
    if (RunUpdateHandler(ui)) return true;
    if (!HasHandler(ui.Id())) return false;
    ui.Enable(true);
    return true;
}

bool CommandTarget::ExecuteCommand(int id) {
    CommandUI ui(id);
    if (!RouteUpdate(ui) || !ui.Enabled()) return false;
    return RouteCommand(id);
}

}  // namespace platform
