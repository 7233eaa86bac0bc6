#include "netlist/model_statement_text.h"

#include <cstring>
#include <vector>

#include "netlist/circuit_tables.h"
#include "netlist/model_library.h"
#include "netlist/model_text.h"

namespace ob7 {

std::string ModelParamsInParens(const ModelStatement& st) {
    // The ")" goes after the last character that is neither blank nor comment: placed
    // after a trailing "; note" it would be part of the note when the text is read back.
    const std::string& params = st.paramText;
    const bool comments = StatementKeepsComments(st.originKind);
    size_t end = 0;
    for (size_t p = SkipStatementBlanks(params, 0, comments); p < params.size();
         p = SkipStatementBlanks(params, p + 1, comments))
        end = p + 1;
    const size_t rest = params.find_last_not_of(" \t\r\n");
    const std::string tail = rest == std::string::npos || rest < end ? std::string() : params.substr(end, rest + 1 - end);
    return "(" + params.substr(0, end) + ")" + tail;
}

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
        text += ModelParamsInParens(st);
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
