#pragma once
// The report forms of the netlist tables: a message about a statement of a scope names the
// scope's file and the statement; every form returns 15055 (the message was shown).

#include <string>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "netlist/circuit_tables.h"

namespace ob7 {

// The file of a scope, or the circuit's title when the scope table does not have it.
std::string ScopeFileName(const NetlistCircuitTables& tables, int scope);

template <class... Args>
int ReportInScope(const NetlistCircuitTables& tables, int scope, const std::string& text, int code,
                  Args... args) {
    const std::string file = ScopeFileName(tables, scope);
    ReportMessage("dMtE", tables.services->ReportOwner(), "File:", file.c_str(), text.c_str(), code, args...);
    return kMsgReported;
}

// Whether the expression language reserves the name: with allRows every row of its
// operator table counts, else only its symbols, keywords and operators.
bool IsReservedName(const std::string& name, bool allRows);

}  // namespace ob7
