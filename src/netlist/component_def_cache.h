#pragma once
// The component definitions of loaded component libraries, found by type code, with a
// small cache of the most recently found ones.

namespace ob7 {

struct ComponentDef;

// The first definition of that type code in the cache, else in the loaded libraries in
// load order (it then enters the cache); null when none. Type code 0 empties the cache and
// finds nothing.
ComponentDef* FindComponentDefGlobal(int type);
// Empties the cache. Every netlist read does this, and so must whoever unloads a library.
void ClearComponentDefCache();

}  // namespace ob7
