#include "netlist/circuit_tables.h"

#include "expression/compiler.h"
#include "expression/operator_table.h"
#include "netlist/netlist_report.h"

namespace ob7 {

bool NetlistTranslateMode = false;

NetlistCircuitTables::NetlistCircuitTables(NetlistCircuitServices& circuit) : services(&circuit) {
    // Model values, defines and tolerances are numbers or expressions.
    InstallNumericExpressionEvaluator();
}

void NetlistCircuitTables::Clear(int bits) {
    if (bits & kClearLibraries) {
        libraries[0].clear();
        libraries[1].clear();
    }
    if (bits & kClearDefines) defines.Clear();
    if (bits & kClearModels) {
        models.clear();
        for (auto& list : modelValues) list.clear();
        warnings.clear();
    }
}

std::string ScopeFileName(const NetlistCircuitTables& tables, int scope) {
    if (scope >= 0 && scope < static_cast<int>(tables.scopes.size())) return tables.scopes[scope].filePath;
    return tables.services->Title();
}

bool IsReservedName(const std::string& name, bool allRows) { return IsKnownFunctionChar(name, allRows); }

}  // namespace ob7
