#include "netlist/model_statement_text.h"

#include <cstring>
#include <vector>

#include "netlist/circuit_tables.h"
#include "netlist/model_library.h"
#include "netlist/model_text.h"

namespace ob7 {

std::string GetModelStatementText(const NetlistCircuitTables& tables, const ModelLibrary* library, int t, int index,
                                  const std::string& name, bool wrap, std::string* source, std::string* memo,
                                  const char* const* overrides) {
    int found = FindModelInScope(tables, t, 1, name);
    if (found < 0 && t == kModelLpnp) found = FindModelInScope(tables, kModelPnp, 1, name);
    const ModelTypeInfo& row = ModelTypeRow(t);
    const int width = tables.services->TextWidth();
    if (found >= 0) {
        const ModelStatement& st = tables.models[found];
        std::string text = ".MODEL " + st.name + " ";
        if (!st.akoName.empty()) text += "AKO:" + st.akoName + " ";
        text += row.typeName;
        text += " ";
        // The parameter list in parentheses, closed right after its last character.
        std::string params = st.paramText;
        const size_t last = params.find_last_not_of(" \t\r\n");
        params = last == std::string::npos ? std::string() : params.substr(0, last + 1);
        text += "(" + params + ")";
        if (source) *source = st.sourceName;
        if (memo) *memo = st.memo;
        return text;
    }
    const int options = wrap ? kModelTextContinuation : 0;
    if (library && index >= 0) {
        if (const LibraryModel* m = library->FindNth(t, index)) {
            std::vector<ModelValueSlot> values(row.paramCount);
            // A type without parameters (UBGT) has no value array at all.
            if (row.paramCount > 0) std::memcpy(values.data(), m->values, sizeof(double) * row.paramCount);
            if (memo && m->memo[0]) *memo = m->memo;
            return FormatModelStatement(t, options, values.data(), row.paramCount, name.c_str(), nullptr, overrides,
                                        width);
        }
    }
    std::vector<ModelValueSlot> values(row.valueCount);
    for (int i = 0; i < row.valueCount; ++i) values[i] = row.params[i].defaultValue;
    return FormatModelStatement(t, options, values.data(), row.valueCount, name.c_str(), nullptr, overrides, width);
}

}  // namespace ob7
