// Dot commands of a SPICE text: analysis statements fill the analysis set-up; model,
// library, include, parameter and option statements go to their tables.

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "expression/operator_table.h"
#include "foundation/numbers.h"
#include "foundation/paths.h"
#include "netlist/library_index.h"
#include "netlist/model_statements.h"
#include "netlist/model_types.h"
#include "netlist/netlist_messages.h"
#include "netlist/netlist_read_internal.h"
#include "netlist/param_statements.h"

namespace ob7 {

namespace {

std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

double Number(const std::string& text) { return ParseNumber(text.c_str(), nullptr); }

bool BeginsWithLetter(const std::string& t) { return !t.empty() && std::isalpha(static_cast<unsigned char>(t[0])); }

using Handler = int (*)(NetlistCircuit& c, const std::string& line);

struct DotCommand {
    DotCommandInfo info;
    Handler handler;
};

int HandleDotModel(NetlistCircuit& c, const std::string& line) {
    const bool included = c.includes.depth > 0;
    const std::string file = included ? CurrentReadFile(c) : ScopeFileName(c.tables, c.currentScope);
    const uint32_t origin = c.tables.scopes[c.currentScope].kind == kScopeSchematic ? kOriginCircuitText
                                                                                    : kOriginTextFile;
    const int code = AddModelStatement(c.tables, line.c_str(), c.currentScope,
                                       StatementOrigin{nullptr, CurrentReadLine(c)}, origin, included, file);
    if (code) MarkErrorLine(c, CurrentReadFile(c), CurrentReadLine(c));
    return code ? kMsgReported : 0;
}

int HandleDotLib(NetlistCircuit& c, const std::string& line) {
    std::string name;
    if (c.Token(1)[0]) {
        if (int code = ParseIncludeFileName(name, line)) return ReportReadError(c, code, line.c_str());
    }
    int index = 0;
    const int code = AddLibraryReference(c.tables, name, 0, &index, false);
    if (code && code != kMsgReported) return ReportReadError(c, code, name.c_str());
    return code;
}

StatementLine& AddStatementLine(NetlistCircuit& c, const std::string& line) {
    StatementLine s;
    s.text = line;
    s.line = CurrentReadLine(c);
    s.scope = c.currentScope;
    c.statements.push_back(std::move(s));
    return c.statements.back();
}

int HandleDotOptions(NetlistCircuit& c, const std::string& line) {
    AddStatementLine(c, line);
    return 0;
}

int HandleDotParam(NetlistCircuit& c, const std::string& line) {
    const StatementLine s = AddStatementLine(c, line);
    std::string expected;
    const int code =
        ParseParamAssignments(c.tables, c.tokens, s.scope, StatementOrigin{nullptr, s.line}, 5, &expected);
    return code == kMsgExpecting ? ReportReadError(c, kMsgExpecting, expected.c_str()) : code;
}

int HandleDotFunc(NetlistCircuit& c, const std::string& line) {
    const StatementLine s = AddStatementLine(c, line);
    return ParseDefineStatement(c.tables, line.c_str(), c.currentScope, StatementOrigin{nullptr, s.line}, 5,
                                kKeywordFunc)
               ? kMsgReported
               : 0;
}

int HandleDotOp(NetlistCircuit& c, const std::string&) {
    c.opSeen = true;
    return 0;
}

int HandleDotLoadop(NetlistCircuit& c, const std::string&) {
    c.loadOperatingPoint = true;
    return 0;
}

int HandleDotIcNodeset(NetlistCircuit& c, const std::string& line) {
    c.icStatements.push_back({c.currentScope, line});
    return 0;
}

int HandleDotTran(NetlistCircuit& c, const std::string&) {
    if (c.runRecompile) return 0;
    c.tranSeen = true;
    auto& tr = c.analysis.transient;
    const double step = Number(c.Token(1));
    if (step != 0) tr.numberOfPoints = Fmt("%g", Number(c.Token(2)) / step + 1);
    tr.timeRange = c.Token(2);
    const std::string t3 = c.Token(3), t4 = c.Token(4);
    if (!t4.empty() && t4 != "UIC") tr.maxTimeStep = t4;
    const int optional = (!t3.empty() && t3 != "UIC") + (!t4.empty() && t4 != "UIC");
    if (c.Token(3 + optional) == "UIC") {
        c.useInitialConditions = true;
        c.analysis.flags[kTransient] &= ~(kFlagOperatingPoint | kFlagOperatingPointOnly);
    }
    return 0;
}

int HandleDotAc(NetlistCircuit& c, const std::string&) {
    if (c.runRecompile) return 0;
    int i = 1;
    const std::string kind = c.Token(1);
    const bool keyword = kind == "DEC" || kind == "OCT" || kind == "LIN";
    if (keyword) ++i;
    const bool log = kind != "LIN";
    int& flags = c.analysis.flags[kAc];
    flags = (flags & ~kStepMask) | (log ? kStepLog : kStepLinear);
    const double n = Number(c.Token(i));
    const std::string start = c.Token(i + 1), stop = c.Token(i + 2);
    const double fstart = Number(start), fstop = Number(stop);
    auto& ac = c.analysis.ac;
    if (kind == "DEC" || kind == "OCT") {
        if (fstart != 0 && fstop / fstart > 0) ac.numberOfPoints = Fmt("%g", n * std::log10(fstop / fstart) + 1);
    } else {
        // LIN counts the frequencies themselves, both ends included.
        ac.numberOfPoints = Fmt("%g", kind == "LIN" ? n : n + 1);
    }
    ac.frequencyRange = stop;
    if (!start.empty()) ac.frequencyRange += "," + start;
    return 0;
}

int HandleDotNoise(NetlistCircuit& c, const std::string&) {
    if (c.runRecompile) return 0;
    if (c.Token(1)[0] != 'V' || c.Token(2) != "(") return 0;
    std::string output;
    int i = 3;
    for (; c.Token(i)[0] && c.Token(i) != ")"; ++i) output += c.Token(i);
    if (output.size() >= 2 && output.front() == '[' && output.back() == ']') output = output.substr(1, output.size() - 2);
    c.analysis.ac.noiseOutput = output;
    std::string input = c.Token(i + 1);
    if (c.Token(i + 2) == "(") input = c.Token(i + 3);
    c.analysis.ac.noiseInput = input;
    return 0;
}

std::string JoinCommaList(const NetlistCircuit& c, int index) {
    std::string out;
    for (;; ++index) {
        const std::string t = c.Token(index);
        if (t.empty() || BeginsWithLetter(t)) break;
        if (t == ",") continue;
        if (!out.empty()) out += ',';
        out += t;
    }
    return out;
}

int ParseDcSweep(NetlistCircuit& c, int* index, bool first) {
    int i = *index;
    int method = kStepLinear;
    std::string stepKind;
    if (c.Token(i) == "DEC" || c.Token(i) == "OCT") {
        method = kStepLog;
        stepKind = c.Token(i++);
    } else if (c.Token(i) == "LIN") {
        ++i;
    }
    std::vector<std::string> nameTokens;
    if (c.Token(i) == "PARAM") {
        nameTokens = {c.Token(i), c.Token(i + 1)};
        i += 2;
    } else if (FindModelType(c.Token(i).c_str()) >= 0 && c.Token(i + 1)[0]) {
        nameTokens = {c.Token(i), c.Token(i + 1)};
        i += 2;
        if (c.Token(i) == "(") {
            nameTokens.push_back(c.Token(i));
            nameTokens.push_back(c.Token(i + 1));
            nameTokens.push_back(c.Token(i + 2));
            i += 3;
        }
    } else {
        nameTokens = {c.Token(i++)};
    }
    std::string name;
    bool paren = false;
    for (const std::string& t : nameTokens) {
        if (t == "(") paren = true;
        if (!name.empty() && !paren) name += ' ';
        name += t;
    }
    auto& dc = c.analysis.dc;
    std::string range;
    if (c.Token(i) == "LIST") {
        method = kStepList;
        range = JoinCommaList(c, i + 1);
        for (++i; c.Token(i)[0] && !BeginsWithLetter(c.Token(i)); ++i) {}
    } else {
        const std::string start = c.Token(i), stop = c.Token(i + 1), step = c.Token(i + 2);
        i += 3;
        range = stop;
        if (!start.empty()) range += "," + start;
        const double s = Number(step);
        if (stepKind == "DEC") range += Fmt(",%.16g", std::pow(10.0, 1.0 / s));
        else if (stepKind == "OCT") range += Fmt(",%.16g", std::pow(2.0, 1.0 / s));
        else range += "," + step;
        // Both ends are swept: 0 to 2 in steps of 0.25 is 9 points.
        if (first && s != 0) dc.numberOfPoints = Fmt("%g", (Number(stop) - Number(start)) / s + 1);
    }
    if (first) {
        dc.name1 = name;
        dc.range1 = range;
        dc.method1 = method;
    } else {
        dc.name2 = name;
        dc.range2 = range;
        dc.method2 = method;
    }
    *index = i;
    return 0;
}

int HandleDotDc(NetlistCircuit& c, const std::string&) {
    if (c.runRecompile) return 0;
    int i = 1;
    ParseDcSweep(c, &i, true);
    if (c.Token(i)[0]) ParseDcSweep(c, &i, false);
    return 0;
}

int HandleDotTemp(NetlistCircuit& c, const std::string&) {
    const std::string list = JoinCommaList(c, 1);
    c.analysis.transient.temperature = list;
    c.analysis.ac.temperature = list;
    c.analysis.dc.temperature = list;
    for (bool& b : c.analysis.temperatureList) b = true;
    return 0;
}

std::string Trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

int HandleDotTf(NetlistCircuit& c, const std::string& line) {
    const std::string text = Trimmed(line.substr(std::min<size_t>(line.size(), 3)));
    const size_t blank = text.rfind(' ');
    std::string output = text;
    if (blank != std::string::npos) {
        c.transfer.inputSource = text.substr(blank + 1, 50);
        output = Trimmed(text.substr(0, blank));
    }
    c.transfer.outputs.insert(c.transfer.outputs.begin(), output);
    return 0;
}

int HandleDotSens(NetlistCircuit& c, const std::string& line) {
    const std::string text = line.substr(std::min<size_t>(line.size(), 5));
    size_t p = 0;
    while ((p = text.find_first_not_of(' ', p)) != std::string::npos) {
        const size_t e = std::min(text.find(' ', p), text.size());
        for (std::string& slot : c.sensOutputs)
            if (slot.empty()) {
                slot = text.substr(p, e - p);
                break;
            }
        p = e;
    }
    return 0;
}

// One .PRINT/.PLOT output item from token `i` into `out`; the index after it.
int PrintItemToExpression(NetlistCircuit& c, std::string& out, int i) {
    out.clear();
    const std::string first = c.Token(i);
    if ((first == "INOISE" || first == "ONOISE") && c.Token(i + 1) == "(" && c.Token(i + 3) == ")") {
        out = c.Token(i + 2) + "(" + first + ")";
        return i + 4;
    }
    int depth = 0;
    bool inImport = false;
    std::vector<std::string> item;
    for (;;) {
        std::string t = c.Token(i);
        if (t.empty()) break;
        // A SPICE output variable with a suffix: VDB(2) becomes DB(V(2)).
        if (!inImport && depth == 0 && (t[0] == 'V' || t[0] == 'I') && t.size() > 1 && t != "IG" &&
            c.Token(i + 1) == "(") {
            std::string suffix = t.size() > 2 && t.compare(t.size() - 2, 2, "DB") == 0 ? "DB" : t.substr(t.size() - 1);
            const char* function = suffix == "R"    ? "RE"
                                   : suffix == "I"  ? "IM"
                                   : suffix == "M"  ? "MAG"
                                   : suffix == "P"  ? "PH"
                                   : suffix == "G"  ? "GD"
                                   : suffix == "DB" ? "DB"
                                                    : nullptr;
            int close = i + 2;
            while (c.Token(close)[0] && c.Token(close) != ")") ++close;
            const bool shaped = c.Token(close) == ")" && close - i <= 8;
            if (function && shaped && t.size() - suffix.size() == 1) {
                item.push_back(std::string(function) + "(" + t.substr(0, 1));
                for (int k = i + 1; k <= close; ++k)
                    if (c.Token(k) != "[" && c.Token(k) != "]") item.push_back(c.Token(k));
                item.push_back(")");
                i = close + 1;
                break;
            }
        }
        if (t == "IMPORT") inImport = true;
        item.push_back(t);
        ++i;
        if (t == "(") ++depth;
        else if (t == ")" && --depth <= 0) {
            depth = 0;
            inImport = false;
            break;
        }
        if (depth == 0 && !IsTableSymbolName(t)) break;
    }
    for (const std::string& t : item)
        if (t != "[" && t != "]") out += t;
    return i;
}

bool IsNumberToken(const std::string& t) {
    int error = 0;
    ParseNumber(t.c_str(), &error);
    return !t.empty() && !error && (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '.' || t[0] == '-' || t[0] == '+');
}

int HandleDotPrint(NetlistCircuit& c, const std::string&) {
    if (c.runRecompile) return 0;
    const std::string kindName = c.Token(1);
    if (kindName == "DISTO") {
        MarkErrorLine(c, CurrentReadFile(c), CurrentReadLine(c));
        ReportMessage("dMME", c.tables.services->ReportOwner(), "File:", CurrentReadFile(c).c_str(), "Line:",
                      std::to_string(CurrentReadLine(c) + 1).c_str(), 10911);
        return 0;
    }
    const int kind = AnalysisTypeFromName(kindName);
    if (kind < 0) return ReportReadError(c, 10917, kindName.c_str());
    if (kind != c.analysisKind) return 0;
    const bool plot = c.Token(0) == ".PLOT";
    auto& rows = c.analysis.rows[kind];
    const int n = std::min(c.printStatements, 8);
    std::vector<size_t> made;
    for (int i = 2; c.Token(i)[0];) {
        if (c.Token(i) == ",") {
            ++i;
            continue;
        }
        // .PLOT limits ending the statement: "lo hi", "lo,hi" or "(lo,hi)".
        if (plot && !made.empty()) {
            int k = i;
            const bool paren = c.Token(k) == "(";
            if (paren) ++k;
            const std::string lo = c.Token(k);
            int h = k + 1;
            if (c.Token(h) == ",") ++h;
            const std::string hi = c.Token(h);
            int end = h + 1;
            if (paren && c.Token(end) == ")") ++end;
            if (IsNumberToken(lo) && IsNumberToken(hi) && c.Token(end).empty()) {
                for (size_t r : made) rows[r].yRange = hi + "," + lo;
                break;
            }
        }
        std::string expression;
        const int next = PrintItemToExpression(c, expression, i);
        i = next > i ? next : i + 1;
        NetlistCurveRow row;
        if (kind != kAc) row.options |= kCurveLinearX | kCurveLinearY;
        row.style = static_cast<int>(rows.size());
        row.y = expression;
        if (plot) {
            row.group = static_cast<char>('1' + n);
        } else {
            row.group = static_cast<char>('A' + n);
            row.options |= kCurveOutput;
        }
        rows.push_back(std::move(row));
        ++c.curveRowsMade[kind];
        if (made.size() < 80) made.push_back(rows.size() - 1);
    }
    ++c.printStatements;
    return 0;
}

int HandleDotIncludeLine(NetlistCircuit& c, const std::string& line) { return HandleDotInclude(c, line); }

int ParseTrTable(NetlistCircuit& c, const std::string&) {
    if (!c.trTable.empty()) return ReportReadError(c, 10940);
    std::vector<std::string> values;
    for (int i = 1; c.Token(i)[0]; ++i)
        if (c.Token(i) != ",") values.push_back(c.Token(i));
    if (values.empty()) return ReportReadError(c, 10941);
    double previous = 0;
    for (size_t k = 0; k < values.size(); k += 2) {
        if (k + 1 >= values.size()) return ReportReadError(c, 10941);
        int code = 0;
        const double step = EvalNumberOrExpression(values[k].c_str(), &code);
        if (code) return ReportReadError(c, code, values[k].c_str());
        const double time = EvalNumberOrExpression(values[k + 1].c_str(), &code);
        if (code) return ReportReadError(c, code, values[k + 1].c_str());
        if (time < 0) return ReportReadError(c, 10944);
        if (!c.trTable.empty() && time < previous) return ReportReadError(c, 10942);
        if (!(step > 0)) return ReportReadError(c, 10943);
        c.trTable.push_back({time, step});
        previous = time;
    }
    return 0;
}

int Accept(NetlistCircuit&, const std::string&) { return 0; }

const DotCommand kDotCommands[kDotCommandCount] = {
    {{"MODEL", 7000, 7}, HandleDotModel},
    {{"DC", 7001, 2}, HandleDotDc},
    {{"OP", 7002, 2}, HandleDotOp},
    {{"TF", 7023, 2}, HandleDotTf},
    {{"NODESET", 7003, 7}, HandleDotIcNodeset},
    {{"SENS", 7027, 2}, HandleDotSens},
    {{"PROBE", 0, 2}, Accept},
    {{"INC", 7016, 7}, HandleDotIncludeLine},
    {{"INCLUDE", 7016, 7}, HandleDotIncludeLine},
    {{"LIB", 7015, 3}, HandleDotLib},
    {{"LIBRARY", 7015, 3}, HandleDotLib},
    {{"AC", 7004, 2}, HandleDotAc},
    {{"NOISE", 7005, 2}, HandleDotNoise},
    {{"DISTO", 0, 2}, Accept},
    {{"TRAN", 7006, 2}, HandleDotTran},
    {{"IC", 7007, 7}, HandleDotIcNodeset},
    {{"FOUR", 0, 2}, Accept},
    {{"PRINT", 7008, 2}, HandleDotPrint},
    {{"WIDTH", 0, 2}, Accept},
    {{"PLOT", 7014, 2}, HandleDotPrint},
    {{"OPTIONS", 7009, 3}, HandleDotOptions},
    {{"SKIP_L_LOOP", 0, 1}, nullptr},
    {{"TEMP", 7013, 2}, HandleDotTemp},
    {{"END", 7010, 2}, Accept},
    {{"SUBCKT", 7011, 3}, nullptr},
    {{"ENDS", 7012, 3}, nullptr},
    {{"MACRO", 7017, 1}, nullptr},
    {{"DEFINE", 7020, 1}, nullptr},
    {{"OPT", 7009, 3}, HandleDotOptions},
    {{"PARAMETERS", 7021, 1}, nullptr},
    {{"PARAM", 7018, 7}, HandleDotParam},
    {{"FUNC", 7029, 7}, HandleDotFunc},
    {{"LOADOP", 7022, 3}, HandleDotLoadop},
    {{"TR", 7028, 3}, ParseTrTable},
    {{"TIE", 7024, 1}, nullptr},
    {{"HELP", 7025, 1}, nullptr},
};

}  // namespace

const DotCommandInfo* DotCommandAt(int index) {
    return index >= 0 && index < kDotCommandCount ? &kDotCommands[index].info : nullptr;
}

const DotCommandInfo* FindDotCommand(const std::string& name) {
    for (const DotCommand& d : kDotCommands)
        if (name == d.info.name) return &d.info;
    return nullptr;
}

int AnalysisTypeFromName(const std::string& name) {
    std::string n = name;
    for (char& ch : n) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (n == "DC") return 2;
    if (n == "AC" || n == "NOISE") return 1;
    if (n == "TRAN") return 0;
    return -1;
}

int DispatchDotCommand(NetlistCircuit& c, const std::string& line) {
    const std::string t0 = c.Token(0);
    const std::string name = t0.size() > 1 ? t0.substr(1) : std::string();
    for (const DotCommand& d : kDotCommands) {
        if (!(d.info.flags & 2) || name != d.info.name) continue;
        // Handlers without a record of their own (SUBCKT, ENDS) accept the line.
        if (!d.handler) return 0;
        if (c.currentScope != 1 && !(d.info.flags & 4)) return 0;
        const int code = d.handler(c, line);
        if (code == kMsgReported) MarkErrorLine(c, CurrentReadFile(c), CurrentReadLine(c));
        return code;
    }
    MarkErrorLine(c, CurrentReadFile(c), CurrentReadLine(c));
    ReportMessage("dMMtE", c.tables.services->ReportOwner(), "File:", CurrentReadFile(c).c_str(), "Line:",
                  std::to_string(CurrentReadLine(c) + 1).c_str(), t0.c_str(), 10905);
    return kMsgReported;
}

int HandleDotInclude(NetlistCircuit& c, const std::string& line) {
    std::string name;
    if (int code = ParseIncludeFileName(name, line)) return ReportReadError(c, code, line.c_str());
    if (c.includes.depth >= kMaxIncludeDepth) return ReportReadError(c, 10907);
    // A relative name is found beside the including file first, then along the library
    // folders; names are compared without regard to case (the line was upper-cased).
    std::string path;
    if (!name.empty() && name[0] != '/') {
        const std::string including = CurrentReadFile(c);
        const size_t slash = including.rfind('/');
        if (slash != std::string::npos) path = FindExistingPathNoCase(including.substr(0, slash + 1) + name);
    }
    if (path.empty()) path = FindExistingPathNoCase(name);
    if (path.empty()) {
        path = name;
        if (ResolveFilePath(path, kLibraryPath) == 0) path = FindExistingPathNoCase(path);
        if (path.empty()) path = name;
    }
    NetlistLineSource& entry = c.includes.entries[c.includes.depth + 1];
    if (int code = entry.OpenFile(path)) return ReportReadError(c, code, name.c_str());
    ++c.includes.depth;
    return 0;
}

}  // namespace ob7

namespace ob7 {

namespace {

int ReportStatement(NetlistCircuit& c, const InitialConditionStatement& s, int code, const char* a = nullptr,
                    const char* label = nullptr, const char* value = nullptr) {
    const std::string file = ScopeFileName(c.tables, s.scope);
    if (label)
        ReportMessage("dMtE", c.tables.services->ReportOwner(), label, value, s.text.c_str(), code, a);
    else
        ReportMessage("dMtE", c.tables.services->ReportOwner(), "File:", file.c_str(), s.text.c_str(), code, a);
    return kMsgReported;
}

// The state index of a digital state letter ('0', '1', 'X', 'R', 'F', 'Z'), or -1.
int DigitalStateLetter(const std::string& text) {
    std::string t = text;
    if (!t.empty() && t[0] == '\'') t.erase(0, 1);
    if (t.empty()) return -1;
    const char* states = "01XRFZ";
    const char* p = std::strchr(states, std::toupper(static_cast<unsigned char>(t[0])));
    return p && (t.size() == 1 || t[1] == '\'') ? static_cast<int>(p - states) : -1;
}

}  // namespace

int ResolveInitialConditions(NetlistCircuit& c) {
    CStrArray tokens{};
    int result = 0;
    for (const InitialConditionStatement& s : c.icStatements) {
        if ((result = TokenizeLine(&tokens, s.text.c_str(), 1)) != 0) break;
        const bool nodeset = std::string(tokens.Field(0)) == ".NODESET";
        const int kind = nodeset ? 2 : 1;
        (nodeset ? c.nodeSetsPresent : c.initialConditionsPresent) = true;
        int i = 1;
        bool reported = false;
        for (;;) {
            const std::string letter = tokens.Field(i);
            if (letter != "V" && letter != "I" && letter != "D") break;
            if (std::string(tokens.Field(i + 1)) != "(") {
                reported = true;
                result = ReportStatement(c, s, 11900, "(");
                break;
            }
            i += 2;
            NetlistInitialCondition ic;
            ic.letter = letter[0];
            ic.kind = kind;
            if (ic.letter == 'I') {
                const int part = FindPartByName(c, tokens.Field(i), s.scope);
                if (part < 0 || c.parts[part].type != 3 /* Inductor */) {
                    reported = true;
                    result = ReportStatement(c, s, 10926);
                    break;
                }
                ic.inductorPart = part;
                ic.node1 = c.parts[part].pinNodes.size() > 0 ? c.parts[part].pinNodes[0] : 0;
                ic.node2 = c.parts[part].pinNodes.size() > 1 ? c.parts[part].pinNodes[1] : 0;
                ++i;
            } else {
                int* slots[2] = {&ic.node1, &ic.node2};
                for (int k = 0; k < (ic.letter == 'V' ? 2 : 1); ++k) {
                    if (k == 1) {
                        if (std::string(tokens.Field(i)) != ",") break;
                        ++i;
                    }
                    const std::string name = tokens.Field(i++);
                    const int node = FindNodeByName(c, name, s.scope);
                    if (node < 0) {
                        reported = true;
                        result = ReportStatement(c, s, 10924, nullptr, "Node:", name.c_str());
                        break;
                    }
                    *slots[k] = node;
                }
                if (reported) break;
            }
            if (std::string(tokens.Field(i)) != ")") {
                reported = true;
                result = ReportStatement(c, s, 11900, ")");
                break;
            }
            ++i;
            if (std::string(tokens.Field(i)) == "=") ++i;
            const std::string value = tokens.Field(i++);
            if (ic.letter == 'D') {
                ic.digitalState = DigitalStateLetter(value);
                if (ic.digitalState < 0) {
                    reported = true;
                    result = ReportStatement(c, s, 10925, value.empty() ? "nothing" : value.c_str());
                    break;
                }
            } else {
                int code = 0;
                ic.value = value.empty() ? 0 : EvalNumberOrExpression(value.c_str(), &code);
                if (code || value.empty()) {
                    reported = true;
                    result = ReportStatement(c, s, 10927, value.empty() ? "nothing" : value.c_str());
                    break;
                }
            }
            // An entry of the same item is replaced, except that a node set never
            // replaces an initial condition.
            bool skip = false;
            for (NetlistInitialCondition& e : c.initialConditions) {
                const bool same = e.letter == ic.letter &&
                                  (ic.letter == 'I' ? e.inductorPart == ic.inductorPart
                                                    : e.node1 == ic.node1 && e.node2 == ic.node2);
                if (!same) continue;
                if (kind == 2 && e.kind == 1) skip = true;
                else e = ic;
                skip = true;
                break;
            }
            if (!skip) c.initialConditions.push_back(ic);
        }
        if (!reported && tokens.Field(i)[0]) {
            result = ReportStatement(c, s, 11903, s.text.c_str());
            reported = true;
        }
        if (reported) break;
    }
    tokens.Free();
    // Capacitors and inductors whose value gives IC= add their own entries, also after
    // a failure; these are not merged with the statements' entries.
    for (size_t k = 0; k < c.parts.size(); ++k) {
        const NetlistPart& p = c.parts[k];
        if ((p.type != 3 && p.type != 4) || p.pinNodes.size() < 2) continue;  // Inductor, Capacitor
        const std::string value = PartAttr(p, 2);
        size_t at = value.find("IC=");
        while (at != std::string::npos && at > 0 && value[at - 1] != ' ') at = value.find("IC=", at + 1);
        if (at == std::string::npos) continue;
        const size_t start = at + 3;
        const std::string text = value.substr(start, value.find(' ', start) - start);
        int code = 0;
        NetlistInitialCondition ic;
        ic.letter = p.type == 4 ? 'V' : 'I';
        ic.kind = 0;
        ic.value = EvalNumberOrExpression(text.c_str(), &code);
        if (code) continue;
        ic.node1 = p.pinNodes[0];
        ic.node2 = p.pinNodes[1];
        if (p.type == 3) ic.inductorPart = static_cast<int>(k);
        c.initialConditions.push_back(ic);
        c.initialConditionsPresent = true;
    }
    return result;
}

}  // namespace ob7
