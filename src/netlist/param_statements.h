#pragma once
// .PARAM and .FUNC statements: NAME [=] value pairs filed as defines of a scope.

#include <string>

#include "foundation/tokenizer.h"
#include "netlist/define_table.h"

namespace ob7 {

// Files the pairs of a split .PARAM statement (token 0 the keyword). '{...}' values
// become "(...)", a lone sign joins the token after it, ',' between pairs is skipped.
// 0; 11900 with *expected set ("}" or "<value>"), not reported; or 15055 (reported).
int ParseParamAssignments(NetlistCircuitTables& tables, const CStrArray& tokens, int scope, StatementOrigin origin,
                          int originKind, std::string* expected);

// A .PARAM or .FUNC statement of a library or a statement text: line feeds with their
// '+' removed, upper-cased, split and filed. 0 or 15055 (reported against the scope's
// file and the statement).
int ApplyParamStatement(NetlistCircuitTables& tables, const std::string& text, int scope, StatementOrigin origin,
                        int originKind);

}  // namespace ob7
