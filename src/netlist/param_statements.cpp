#include "netlist/param_statements.h"

#include <cctype>

#include "foundation/message_codes.h"
#include "netlist/netlist_messages.h"
#include "netlist/netlist_report.h"

namespace ob7 {

int ParseParamAssignments(NetlistCircuitTables& tables, const CStrArray& tokens, int scope, StatementOrigin origin,
                          int originKind, std::string* expected) {
    auto token = [&](int i) { return std::string(tokens.Field(i)); };
    for (int i = 1; !token(i).empty();) {
        if (token(i) == ",") {
            ++i;
            continue;
        }
        const std::string name = token(i++);
        if (token(i) == "=") ++i;
        std::string value = token(i);
        if (value.empty()) {
            *expected = "<value>";
            return kMsgExpecting;
        }
        if (value == "{") {
            int depth = 0;
            value.clear();
            for (;; ++i) {
                const std::string t = token(i);
                if (t.empty()) {
                    *expected = "}";
                    return kMsgExpecting;
                }
                if (t == "{") {
                    if (depth++ == 0) continue;
                } else if (t == "}" && --depth == 0) {
                    ++i;
                    break;
                }
                value += t;
            }
            value = "(" + value + ")";
        } else {
            ++i;
            if ((value == "+" || value == "-") && !token(i).empty()) value += token(i++);
        }
        if (AddDefine(tables, name, nullptr, value, scope, origin, originKind, 1, std::string())) return kMsgReported;
    }
    return 0;
}

int ApplyParamStatement(NetlistCircuitTables& tables, const std::string& textIn, int scope, StatementOrigin origin,
                        int originKind) {
    std::string text;
    for (size_t i = 0; i < textIn.size(); ++i) {
        const char ch = textIn[i];
        if (ch == '\n') {
            if (i + 1 < textIn.size() && textIn[i + 1] == '+') ++i;
            continue;
        }
        text += ch == '\r' ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    CStrArray tokens{};
    int code = tokens.Split(text.c_str(), 0);
    if (!code) {
        if (std::string(tokens.Field(0)) == ".FUNC") {
            code = ParseDefineStatement(tables, text.c_str(), scope, origin, originKind, kKeywordFunc) ? kMsgReported : 0;
        } else {
            std::string expected;
            code = ParseParamAssignments(tables, tokens, scope, origin, originKind, &expected);
            if (code == kMsgExpecting) code = ReportInScope(tables, scope, text, kMsgExpecting, expected.c_str());
        }
    }
    tokens.Free();
    return code;
}

}  // namespace ob7
