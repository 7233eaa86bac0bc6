#include "netlist/analysis_statements.h"

#include "circuit/analysis_setup.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "netlist/netlist_reader.h"
#include "netlist/text_page_ops.h"

namespace ob7 {

namespace {

std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

double Num(const std::string& s) { return ParseNumber(s.c_str(), nullptr); }

// "first[,second]": the second is 0 when missing.
void ParseTwoNumbers(const std::string& text, double* first, double* second) {
    const size_t comma = text.find(',');
    *first = Num(text.substr(0, comma));
    *second = comma == std::string::npos ? 0.0 : Num(text.substr(comma + 1));
}

std::vector<double> ParseNumberList(const std::string& text, size_t most) {
    std::vector<double> out;
    size_t p = 0;
    while (p <= text.size() && out.size() < most) {
        const size_t comma = std::min(text.find(',', p), text.size());
        const std::string item = text.substr(p, comma - p);
        if (item.find_first_not_of(' ') == std::string::npos) break;
        int error = 0;
        const double v = ParseNumber(item.c_str(), &error);
        if (error) break;
        out.push_back(v);
        p = comma + 1;
    }
    return out;
}

std::string CollapseBlanks(std::string s) {
    std::replace(s.begin(), s.end(), ',', ' ');
    std::string out;
    for (char ch : s)
        if (!(ch == ' ' && !out.empty() && out.back() == ' ')) out += ch;
    return out;
}

std::string Upper(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

std::string BuildDcSweepText(const std::string& nameIn, const std::string& range, int method) {
    const std::string name = nameIn.empty() ? "0" : nameIn;
    if (method == kStepList) return CollapseBlanks(Fmt("%s %s LIST %s", "", name.c_str(), range.c_str()));
    std::vector<double> v = ParseNumberList(range, 3);
    v.resize(3, 0.0);
    const double stop = v[0], start = v[1];
    double step = v[2];
    if (step == 0) step = (stop - start) * 0.02;
    if (method == kStepLog && step > 0 && step != 1) step = std::log(10.0) / std::log(step);
    const char* keyword = method == kStepLog ? " DEC" : method == kStepLinear ? " LIN" : "";
    return Fmt("%s %s %g %g %g", keyword, name.c_str(), start, stop, step);
}

}  // namespace

std::string BuildTranStatement(const NetlistCircuit& c) {
    double tmax, tstart;
    ParseTwoNumbers(c.analysis.transient.timeRange, &tmax, &tstart);
    double points = EvalNumberOrExpressionNoErr(c.analysis.transient.numberOfPoints.c_str());
    if (points == 0) points = 51;
    std::string s = ".TRAN ";
    if (tmax - tstart != 0) s += Fmt("%g ", points < 11 ? tmax * 0.1 : tmax / (points - 1));
    else s += "0 ";
    s += Fmt("%g %g ", tmax, tstart);
    const double maxStep = EvalNumberOrExpressionNoErr(c.analysis.transient.maxTimeStep.c_str());
    if (maxStep > 0) s += Fmt("%g ", maxStep);
    if (!(c.analysis.flags[kTransient] & (kFlagOperatingPoint | kFlagOperatingPointOnly))) s += "UIC";
    return s;
}

std::string BuildAcStatement(const NetlistCircuit& c) {
    double fmax, fmin;
    ParseTwoNumbers(c.analysis.ac.frequencyRange, &fmax, &fmin);
    double points = Num(c.analysis.ac.numberOfPoints);
    if (points == 0) points = 51;
    const bool linear = (c.analysis.flags[kAc] & kStepMask) == kStepLinear;
    double count;
    if (fmin == 0) count = 11;
    else if (linear) count = points;
    else count = (points - 1) / std::log10(fmax / fmin);
    if (!std::isfinite(count)) count = 11;
    return Fmt(".AC %s %d %g %g", linear ? "LIN" : "DEC", ClampToInt(std::ceil(count - 1e-9)), fmin, fmax);
}

std::string BuildNoiseStatement(NetlistCircuit& c) {
    const std::string& output = c.analysis.ac.noiseOutput;
    const std::string input = Upper(c.analysis.ac.noiseInput);
    if (!output.empty() && std::isdigit(static_cast<unsigned char>(output[0])))
        return Fmt(".NOISE V(%s) %s 10\n", output.c_str(), input.c_str());
    return Fmt(".NOISE V([%s]) %s 10\n", output.c_str(), input.c_str());
}

std::string BuildDcStatement(const NetlistCircuit& c) {
    const auto& dc = c.analysis.dc;
    std::string s = ".DC" + BuildDcSweepText(dc.name1, dc.range1, dc.method1);
    if (dc.method2 != 0) s += BuildDcSweepText(dc.name2, dc.range2, dc.method2);
    return s;
}

std::string BuildTempStatement(bool list, const std::string& temperature) {
    if (list) return CollapseBlanks(".TEMP " + temperature);
    std::vector<double> v = ParseNumberList(temperature, 3);
    if (v.empty()) return ".TEMP 27";
    if (v.size() == 1) return Fmt(".TEMP %g", v[0]);
    if (v.size() == 2) return Fmt(".TEMP %g %g", v[1], v[0]);
    double high = v[0], low = v[1], step = v[2];
    if (low > high) {
        std::swap(low, high);
        step = -step;
    }
    std::string s = ".TEMP";
    std::string previous;
    // A step that does not climb would never reach the end: only the low value is written.
    if (!(step > 0)) return s + Fmt(" %g", low);
    for (int k = 0; k < 100000; ++k) {
        double value = low + k * step;
        if (value > high + step) break;
        value = std::min(value, high);
        const std::string text = Fmt(" %g", value);
        if (text == previous) break;
        s += text;
        previous = text;
    }
    return s;
}

std::string BuildAnalysisTempStatement(const NetlistCircuit& c, int kind) {
    switch (kind) {
    case kTransient: return BuildTempStatement(c.analysis.temperatureList[0], c.analysis.transient.temperature);
    case kAc: return BuildTempStatement(c.analysis.temperatureList[1], c.analysis.ac.temperature);
    case kDc: return BuildTempStatement(c.analysis.temperatureList[2], c.analysis.dc.temperature);
    default: return BuildTempStatement(false, "27");
    }
}

namespace {

std::string ItemText(NetlistCircuit& c, const std::string& y, bool substitute) {
    std::string text = y;
    if (substitute) {
        std::string out;
        if (SubstituteDefines(c.tables, out, 1, y, false) == 0) text = out;
    }
    return text;
}

bool IsNoiseName(const std::string& t) { return t == "INOISE" || t == "ONOISE"; }

// The item of one curve: noise names as "%s(%s)"; other expressions bare when they are
// leading letters and balanced parenthesis groups only, else in parentheses.
std::string BuildOutputItem(NetlistCircuit& c, const NetlistCurveRow& row, bool substitute, bool noise) {
    const std::string text = ItemText(c, row.y, substitute);
    if (noise) {
        const size_t open = text.find('(');
        const std::string name = text.substr(0, open);
        if (IsNoiseName(name) && open != std::string::npos) {
            const std::string argument = text.substr(open + 1, text.rfind(')') - open - 1);
            return substitute ? name + "(" + argument + ")" : argument + "(" + name + ")";
        }
        // A noise name applied to a function of the form F(INOISE).
        if (open != std::string::npos) {
            const std::string inner = text.substr(open + 1, text.rfind(')') - open - 1);
            if (IsNoiseName(inner)) return substitute ? inner + "(" + name + ")" : name + "(" + inner + ")";
        }
    }
    size_t p = 0;
    while (p < text.size() && std::isalpha(static_cast<unsigned char>(text[p]))) ++p;
    // An item that is one parenthesis group already stays as it is, so that a page
    // rewritten again does not gain a pair at every rewrite.
    bool bare = p > 0 || (!text.empty() && text[0] == '(');
    int depth = 0;
    for (size_t i = p; i < text.size() && bare; ++i) {
        if (text[i] == '(') ++depth;
        else if (text[i] == ')') --depth;
        if (depth < 0 || (depth == 0 && text[i] != ')')) bare = false;
    }
    if (depth != 0) bare = false;
    return bare ? text : "(" + text + ")";
}

bool IsNoiseItem(NetlistCircuit& c, const NetlistCurveRow& row, bool substitute) {
    const std::string text = Upper(ItemText(c, row.y, substitute));
    CStrArray tokens{};
    TokenizeLine(&tokens, text.c_str(), 1);
    const bool noise = IsNoiseName(tokens.Field(0)) || IsNoiseName(tokens.Field(2));
    tokens.Free();
    return noise;
}

}  // namespace

bool HasNoiseOutputItem(NetlistCircuit& c, int analysis, bool substitute) {
    if (analysis != kAc) return false;
    for (const NetlistCurveRow& row : c.analysis.rows[kAc])
        if (row.group && IsNoiseItem(c, row, substitute)) return true;
    return false;
}

std::string BuildOutputStatement(NetlistCircuit& c, int analysis, bool substitute, bool takeAll, bool print,
                                 int* continuations, char group, int width) {
    const bool noise = HasNoiseOutputItem(c, analysis, substitute);
    static const char* const kWords[] = {"TRAN ", "AC ", "DC "};
    std::string s;
    size_t lineStart = 0;
    const NetlistCurveRow* last = nullptr;
    for (const NetlistCurveRow& row : c.analysis.rows[analysis]) {
        const char g = row.group >= '0' && row.group <= '9' ? row.group : 0;
        const bool printed = row.options & kCurveOutput;
        const bool take = (g == group && (!print || takeAll || printed)) || (group == '0' && !g && print && printed);
        if (!take || row.y.empty()) continue;
        const std::string item = BuildOutputItem(c, row, substitute, noise);
        if (s.empty()) {
            s = std::string(print ? ".PRINT " : ".PLOT ") + (noise ? "NOISE " : kWords[analysis]) + item;
        } else if (s.size() - lineStart + 1 + item.size() > static_cast<size_t>(width)) {
            s += "\n+ ";
            lineStart = s.size();
            s += item;
            if (continuations) ++*continuations;
        } else {
            s += " " + item;
        }
        last = &row;
    }
    if (!print && last) {
        const std::string range = last->yRange;
        const std::string lower = Upper(range);
        if (!range.empty() && lower != "AUTO" && lower != "N/A" && !(c.analysis.flags[analysis] & 0x8000)) {
            const size_t comma = range.find(',');
            const std::string low = comma == std::string::npos ? "0" : range.substr(comma + 1);
            s += " " + low + "," + range.substr(0, comma);
        }
    }
    return s;
}

void SetNetlistAnalysis(NetlistAnalysisSetup& out, int kind, const AnalysisSetup& s) {
    if (kind < 0 || kind > 2) return;
    const std::string* l = s.limits;
    switch (kind) {
    case kTransient: out.transient = {l[0], l[1], l[2], l[3]}; break;
    case kAc: out.ac = {l[0], l[1], l[2], l[4], l[5]}; break;
    default:
        out.dc.range2 = l[0];
        out.dc.name2 = l[1];
        out.dc.range1 = l[2];
        out.dc.name1 = l[3];
        out.dc.numberOfPoints = l[4];
        out.dc.temperature = l[5];
        out.dc.method1 = s.sweep[0];
        out.dc.method2 = s.sweep[1];
        break;
    }
    out.flags[kind] = s.options;
    out.temperatureList[kind] = s.temperatureList != 0;
    std::vector<NetlistCurveRow>& rows = out.rows[kind];
    rows.clear();
    for (const CurveRowRecord& r : s.rows) {
        NetlistCurveRow row;
        row.x = r.xExpression;
        row.y = r.yExpression;
        row.xRange = r.xRange;
        row.yRange = r.yRange;
        row.group = r.plotGroup;
        row.options = r.options;
        row.formatX = r.valueFormat[0];
        row.formatY = r.valueFormat[1];
        rows.push_back(row);
    }
}

namespace {

// The statements of one analysis that the page gets, in three parts: the analysis line
// (with .NOISE), .TEMP, and the .PLOT and .PRINT lines.
struct AnalysisStatementParts {
    std::vector<std::string> part[3];
    bool operator==(const AnalysisStatementParts&) const = default;
};

AnalysisStatementParts BuildAnalysisStatementParts(NetlistCircuit& c, int kind, int width) {
    AnalysisStatementParts out;
    auto add = [&](int part, const std::string& statement) {
        if (!statement.empty()) out.part[part].push_back(statement);
    };
    if (kind == kTransient) add(0, BuildTranStatement(c));
    else if (kind == kDc) add(0, BuildDcStatement(c));
    else {
        add(0, BuildAcStatement(c));
        // The statement's own line feed would leave one more empty line in the page at
        // every rewrite; the page takes the statement as a line of its own instead.
        if (HasNoiseOutputItem(c, kAc, true)) {
            std::string noise = BuildNoiseStatement(c);
            if (!noise.empty() && noise.back() == '\n') noise.pop_back();
            add(0, noise);
        }
    }
    add(1, BuildAnalysisTempStatement(c, kind));
    for (char g = '1'; g <= '9'; ++g) add(2, BuildOutputStatement(c, kind, true, true, false, nullptr, g, width));
    for (char g = '0'; g <= '9'; ++g) add(2, BuildOutputStatement(c, kind, true, false, true, nullptr, g, width));
    return out;
}

}  // namespace

int WriteAnalysisStatements(NetlistCircuit& c, int kind, int width, const NetlistAnalysisSetup* asRead) {
    if (kind < 0 || kind > 2) return 0;
    const AnalysisStatementParts built = BuildAnalysisStatementParts(c, kind, width);
    // A part that the set-up the text was read with builds the same way did not change:
    // the text keeps its own lines ("10u" stays "10u").
    bool keep[3] = {};
    if (asRead) {
        NetlistAnalysisSetup edited = c.analysis;
        c.analysis = *asRead;
        const AnalysisStatementParts before = BuildAnalysisStatementParts(c, kind, width);
        c.analysis = std::move(edited);
        for (int p = 0; p < 3; ++p) keep[p] = before.part[p] == built.part[p];
    }
    NetlistTextPage& page = *c.page;
    const std::string text = page.Text();  // the scan reads a copy; edits follow it
    NetlistLineSource src;
    src.OpenOnText(text, page.Title());
    std::vector<int> marked;
    int endLine = -1;
    std::string line;
    CStrArray tokens{};
    bool firstLine = true;
    while (src.HasMore()) {
        if (ReadLogicalLine(src, line, kLineNoTrailingComments) == 15007) break;
        const int first = src.logicalStart, next = src.line;
        if (firstLine) {
            firstLine = false;
            continue;  // the title
        }
        if (line.empty() || line[0] != '.') continue;
        if (TokenizeLine(&tokens, line.c_str(), 1)) {
            tokens.Free();
            ReportMessage("dE", c.tables.services->ReportOwner(), 15002);
            return kMsgReported;
        }
        const std::string t0 = tokens.Field(0);
        if (t0 == ".END") {
            endLine = first;
            break;
        }
        bool match = t0 == ".TEMP";
        if (t0 == ".TRAN") match = kind == kTransient;
        else if (t0 == ".AC" || t0 == ".NOISE") match = kind == kAc;
        else if (t0 == ".DC") match = kind == kDc;
        else if (t0 == ".PLOT" || t0 == ".PRINT") match = AnalysisTypeFromName(tokens.Field(1)) == kind;
        if (!match) continue;
        if (keep[t0 == ".TEMP" ? 1 : t0 == ".PLOT" || t0 == ".PRINT" ? 2 : 0]) continue;
        for (int l = first; l < std::max(next, first + 1) && marked.size() < 200; ++l) {
            const std::string physical = GetTextPageLine(page, l);
            const size_t nb = physical.find_first_not_of(" \t");
            if (nb != std::string::npos && physical[nb] == '*') continue;
            marked.push_back(l);
        }
    }
    tokens.Free();
    for (auto it = marked.rbegin(); it != marked.rend(); ++it) {
        DeleteTextPageLine(page, *it);
        if (endLine >= 0 && *it < endLine) --endLine;
    }
    int at = endLine;
    if (at <= 0) at = GetTextPageLineCount(page) - 1;
    auto insert = [&](const std::string& statement) {
        if (statement.empty()) return;
        AppendToTextPage(page, at, statement, kAppendAsLine);
        at += 1 + static_cast<int>(std::count(statement.begin(), statement.end(), '\n'));
    };
    for (int p = 0; p < 3; ++p)
        if (!keep[p])
            for (const std::string& statement : built.part[p]) insert(statement);
    return 0;
}

}  // namespace ob7
