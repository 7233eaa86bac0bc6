// .OPTIONS statements: applied after the read, the global and circuit statements in pass
// 1 and those of subcircuit bodies in pass 0 (where only MAXTIMESTEP counts).

#include <algorithm>
#include <cctype>
#include <cstring>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "netlist/netlist_reader.h"
#include "netlist/netlist_report.h"

namespace ob7 {

namespace {

const char* const kIgnoredOptionNames[] = {"ACCT", "LIST", "OPTS", "ITL5", "CPTIME", "LIMPTS"};

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int ReportOption(NetlistCircuit& c, const StatementLine& s, int code, const char* a, const char* b = nullptr,
                 const char* rest = nullptr) {
    c.errorFile = ScopeFileName(c.tables, s.scope);
    c.errorLine = s.line;
    const std::string line = std::to_string(s.line + 1);
    if (rest)
        ReportMessage("dMMME", c.tables.services->ReportOwner(), "File:", c.errorFile.c_str(), "Line:", line.c_str(),
                      "Value:", rest, code, a);
    else
        ReportMessage("dMME", c.tables.services->ReportOwner(), "File:", c.errorFile.c_str(), "Line:", line.c_str(),
                      code, a, b);
    return kMsgReported;
}

}  // namespace

int ApplyOptionsStatements(NetlistCircuit& c, OptionTargets& targets, int pass) {
    if (pass == 1) targets.numberDigits = -1;
    const bool textDocument = !c.tables.services->IsSchematic();
    for (const StatementLine& s : c.statements) {
        const bool passScope = s.scope == 0 || s.scope == 1;
        if (passScope != (pass == 1)) continue;
        const std::string& text = s.text;
        size_t keywordEnd = 0;
        while (keywordEnd < text.size() && !IsWhite(text[keywordEnd])) ++keywordEnd;
        std::string keyword = text.substr(0, keywordEnd);
        for (char& ch : keyword) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (keyword != ".OPTIONS" && keyword != ".OPT") continue;
        std::string body;
        if (SubstituteDefines(c.tables, body, s.scope, text.substr(keywordEnd), false)) return kMsgReported;
        for (char& ch : body) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        size_t p = 0;
        for (;;) {
            while (p < body.size() && (IsWhite(body[p]) || body[p] == '=')) ++p;
            if (p >= body.size()) break;
            const size_t nameStart = p;
            while (p < body.size() && !IsWhite(body[p]) && body[p] != '=') ++p;
            const std::string name = body.substr(nameStart, p - nameStart);
            OptionTarget target;
            bool found = false, isMethod = false, isMax = false;
            if (pass == 1 && targets.Find(name, &target)) found = true;
            else if (name == "MAXTIMESTEP") found = isMax = true, target.type = 2;
            else if (pass == 1 && textDocument && name == "NUMDGT") found = true, target = {1, nullptr, &targets.numberDigits};
            else if (pass == 1 && name == "METHOD") found = isMethod = true;
            size_t q = p;
            while (q < body.size() && IsWhite(body[q])) ++q;
            const bool hasEquals = q < body.size() && body[q] == '=';
            if (!found) {
                bool ignored = false;
                for (const char* n : kIgnoredOptionNames) ignored = ignored || name == n;
                if (!ignored) {
                    CompileWarning w;
                    w.text = name;
                    w.kind = kWarningUnknownOption;
                    c.tables.warnings.push_back(w);
                }
                if (hasEquals) {
                    p = q + 1;
                    while (p < body.size() && IsWhite(body[p])) ++p;
                    while (p < body.size() && !IsWhite(body[p])) ++p;
                }
                continue;
            }
            if (!isMethod && target.type == 3) {
                if (target.integer) *target.integer = 1;
                continue;
            }
            if (!hasEquals) return ReportOption(c, s, 11901, "=", name.c_str());
            p = q + 1;
            while (p < body.size() && IsWhite(body[p])) ++p;
            if (p >= body.size()) return ReportOption(c, s, 11896, name.c_str());
            const char first = body[p];
            if (!isMethod && !std::isdigit(static_cast<unsigned char>(first)) && first != '+' && first != '-' &&
                first != '.')
                return ReportOption(c, s, 11897, name.c_str(), nullptr, body.substr(p).c_str());
            const size_t valueStart = p;
            while (p < body.size() && !IsWhite(body[p])) ++p;
            const std::string value = body.substr(valueStart, p - valueStart);
            if (isMethod) {
                if (value == "GEAR") targets.method = 0;
                else if (value == "TRAP") targets.method = 1;
                else return ReportOption(c, s, 11895, value.c_str());
            } else if (isMax) {
                const double v = ParseNumber(value.c_str(), nullptr);
                if (v > 0 && (targets.maxTimeStep == 0 || v < targets.maxTimeStep)) targets.maxTimeStep = v;
            } else if (target.type == 2) {
                if (target.real) *target.real = ParseNumber(value.c_str(), nullptr);
            } else if (target.integer) {
                *target.integer = ParseInt(value.c_str());
            }
        }
    }
    return 0;
}

}  // namespace ob7

#include "netlist/text_page_ops.h"

namespace ob7 {

namespace {

// Replaces the value after NAME (followed by white space or '=') in an upper-case
// statement; false when the name is not there.
bool ReplaceOptionValue(std::string& line, const std::string& name, const std::string& value) {
    for (size_t p = line.find(name); p != std::string::npos; p = line.find(name, p + 1)) {
        const bool startsWord = p == 0 || IsWhite(line[p - 1]);
        const size_t after = p + name.size();
        if (!startsWord || (after < line.size() && !IsWhite(line[after]) && line[after] != '=')) continue;
        size_t v = after;
        while (v < line.size() && (IsWhite(line[v]) || line[v] == '=')) ++v;
        size_t e = v;
        while (e < line.size() && !IsWhite(line[e])) ++e;
        line = line.substr(0, v) + value + line.substr(e);
        return true;
    }
    return false;
}

}  // namespace

void WriteOptionsStatement(NetlistCircuit& c, const std::string& nameIn, const std::string& value) {
    std::string name = nameIn;
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    NetlistTextPage& page = *c.page;
    bool replaced = false;
    // Each rewrite changes the text after the line it replaced: read again from there.
    int fromLine = 1;
    for (bool again = true; again;) {
        again = false;
        const std::string text = page.Text();
        NetlistLineSource src;
        src.OpenOnText(text, page.Title(), TextPageLineStart(page, fromLine), std::string::npos, fromLine);
        std::string line;
        while (src.HasMore()) {
            if (ReadLogicalLine(src, line, kLineNoTrailingComments) == 15007) break;
            const int first = src.logicalStart, next = std::max(src.line, src.logicalStart + 1);
            const bool options = line.rfind(".OPTIONS", 0) == 0 || line.rfind(".OPT ", 0) == 0;
            if (!options || !ReplaceOptionValue(line, name, value)) continue;
            const size_t begin = TextPageLineStart(page, first);
            const size_t end = TextPageLineStart(page, next);
            page.Replace(begin, end, line + "\r\n");
            replaced = true;
            fromLine = first + 1;
            again = true;
            break;
        }
    }
    if (!replaced) AppendToTextPage(page, FindEndLine(page), ".OPTIONS " + name + "=" + value, kAppendAsLine);
}

}  // namespace ob7
