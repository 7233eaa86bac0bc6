#include "netlist/component_def_cache.h"

#include "libraries/component_def.h"
#include "libraries/component_library.h"

#include <algorithm>
#include <array>

namespace ob7 {

namespace {

// Newest first. Only library definitions enter: a circuit's own definitions die with the
// circuit and must never be handed to another one.
constexpr size_t kCacheSize = 10;
std::array<ComponentDef*, kCacheSize> cache{};

void MoveToFront(ComponentDef* def) {
    auto at = std::find(cache.begin(), cache.end(), def);
    if (at == cache.end()) at = cache.end() - 1;
    std::move_backward(cache.begin(), at, at + 1);
    cache[0] = def;
}

}  // namespace

ComponentDef* FindComponentDefGlobal(int type) {
    if (type == 0) {
        ClearComponentDefCache();
        return nullptr;
    }
    for (ComponentDef* d : cache)
        if (d && d->type == type) return d;
    ComponentDef* found = FindComponentByType(type);
    if (found) MoveToFront(found);
    return found;
}

void ClearComponentDefCache() { cache.fill(nullptr); }

}  // namespace ob7
