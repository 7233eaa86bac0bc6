#include "platform/accelerator.h"

#include <map>

namespace platform {

int AcceleratorTable::Translate(const KeyEvent& event) const {
    for (const Accelerator& a : entries_)
        if (a.key == event.key && a.modifiers == event.modifiers) return a.command;
    return 0;
}

namespace {
std::map<int, AcceleratorTable>& Registry() {
    static std::map<int, AcceleratorTable> tables;
    return tables;
}
}  // namespace

void RegisterAccelerators(AcceleratorTable table) {
    int id = table.Id();
    Registry()[id] = std::move(table);
}

const AcceleratorTable* FindAccelerators(int id) {
    auto it = Registry().find(id);
    return it == Registry().end() ? nullptr : &it->second;
}

}  // namespace platform
