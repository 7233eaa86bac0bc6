// Table sources (a piecewise-linear output of their input) and Laplace table sources (a
// transfer function given by frequency, magnitude and phase): G, F, E and H forms with the
// output on pins 1 and 2 and the control on pins 3 and 4. Their tables are texts of
// bracketed tuples whose values are numbers or braced formulas.

#include <array>
#include <cctype>
#include <sstream>

#include "circuit/attribute_ids.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "sim/devices/freq_table_source.h"
#include "sim/devices/table_source.h"

namespace ob7 {

namespace {

char ClosingOf(char open) { return open == '(' ? ')' : '}'; }

bool IsSignPlace(const std::string& t, size_t i) {
    if (i == 0 || t[i - 1] == ' ' || t[i - 1] == ',') return true;
    // An exponent sign: after an E that follows a digit or a point.
    return i >= 2 && (t[i - 1] == 'E' || t[i - 1] == 'e') &&
           (std::isdigit(static_cast<unsigned char>(t[i - 2])) || t[i - 2] == '.');
}

int DefinedText(CompileContext& cc, int part, int attribute, std::string* out) {
    const NetlistPart& p = cc.Part(part);
    if (SubstituteDefines(cc.c.tables, *out, p.scope, PartAttr(p, attribute), false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    return 0;
}

}  // namespace

// The brackets must nest; outside braces only numbers, names and separators may stand,
// and the parentheses of the tuples become blanks.
int CheckTableText(CompileContext& cc, int part, std::string& text) {
    std::string open;
    for (char ch : text) {
        if (ch == '(' || ch == '{') {
            open += ch;
        } else if (ch == ')' || ch == '}') {
            if (open.empty()) return ReportCompileError(cc, part, 10857, "Extra", ch);
            if (ClosingOf(open.back()) != ch) return ReportCompileError(cc, part, 10857, "Missing", ClosingOf(open.back()));
            open.pop_back();
        }
    }
    if (!open.empty()) return ReportCompileError(cc, part, 10857, "Missing", ClosingOf(open.back()));
    int braces = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char& ch = text[i];
        if (ch == '{') ++braces;
        if (ch == '}') --braces;
        if (braces > 0 || ch == '}') continue;
        if (ch == '(' || ch == ')' || ch == '\t') ch = ' ';
        const bool plain = std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == ' ' || ch == ',' ||
                           ch == '.';
        if (!plain && !((ch == '+' || ch == '-') && IsSignPlace(text, i))) return ReportCompileError(cc, part, 10868);
    }
    return 0;
}

// One tuple of n values from pos, separated by commas (blanks may stand around them).
// Values are evaluated when out is given. Returns the position after the tuple, or npos
// after a reported error (*code set).
size_t ReadTableTuple(CompileContext& cc, int part, const std::string& text, size_t pos, double* out, int n,
                      int* code) {
    auto syntax = [&] {
        *code = ReportCompileError(cc, part, 10833);
        return std::string::npos;
    };
    for (int k = 0; k < n; ++k) {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        const size_t start = pos;
        int braces = 0;
        for (; pos < text.size(); ++pos) {
            const char ch = text[pos];
            if (ch == '{') ++braces;
            if (ch == '}') --braces;
            if (braces == 0 && (ch == ',' || ch == ' ')) break;
        }
        const std::string value = text.substr(start, pos - start);
        if (value.empty()) return syntax();
        if (out && (*code = EvalPartValue(cc, part, value, &out[k]))) return std::string::npos;
        if (k == n - 1) break;
        while (pos < text.size() && text[pos] == ' ') ++pos;
        if (pos >= text.size() || text[pos] != ',') return syntax();
        ++pos;
    }
    return pos;
}

namespace {

// Every tuple of the text, with the first and the last repeated at the two ends.
template <size_t N>
int ReadTable(CompileContext& cc, int part, std::string text, std::vector<std::array<double, N>>* table) {
    if (int code = CheckTableText(cc, part, text)) return code;
    size_t pos = 0;
    auto more = [&] {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        return pos < text.size();
    };
    while (more()) {
        std::array<double, N> entry{};
        int code = 0;
        pos = ReadTableTuple(cc, part, text, pos, entry.data(), static_cast<int>(N), &code);
        if (code) return code;
        table->push_back(entry);
    }
    if (table->empty()) return ReportCompileError(cc, part, 10833);
    table->insert(table->begin(), table->front());
    table->push_back(table->back());
    return 0;
}

}  // namespace

int BuildTableSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    std::string text;
    if (int code = DefinedText(cc, part, ATTR_TABLE, &text)) return code;
    std::vector<std::array<double, 2>> table;
    if (int code = ReadTable(cc, part, text, &table)) return code;
    std::vector<std::pair<double, double>> points;
    for (const auto& e : table) points.emplace_back(e[0], e[1]);
    TableSource* s = AddTableSource(p.type, p.pinNodes[2], p.pinNodes[3], p.pinNodes[0], p.pinNodes[1],
                                    std::move(points));
    AttachDeviceToPart(cc, part, s);
    return 0;
}

int BuildLaplaceTableSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    std::string keywords;
    if (int code = DefinedText(cc, part, ATTR_KEYWORD, &keywords)) return code;
    int magnitude = -1, phase = -1;
    std::istringstream words(keywords);
    for (std::string w; words >> w;) {
        for (char& ch : w) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        const int kind = w == "MAG" ? kTableMagnitude : w == "DB" ? kTableDecibels : w == "R_I" ? kTableRealImag
                         : w == "DEG" ? kTableDegrees : w == "RAD" ? kTableRadians : -1;
        if (kind < 0) return ReportCompileError(cc, part, 10844, w.c_str());
        const bool isPhase = kind == kTableDegrees || kind == kTableRadians;
        int& slot = isPhase ? phase : magnitude;
        if (slot >= 0) return ReportCompileError(cc, part, isPhase ? 10846 : 10845);
        slot = kind;
    }
    if (magnitude == kTableRealImag && phase >= 0) return ReportCompileError(cc, part, 10850);
    std::string text;
    if (int code = DefinedText(cc, part, ATTR_FREQ, &text)) return code;
    std::vector<std::array<double, 3>> table;
    if (int code = ReadTable(cc, part, text, &table)) return code;
    FreqTableSource* s = AddFreqTableSource(p.type, p.pinNodes[2], p.pinNodes[3], p.pinNodes[0], p.pinNodes[1],
                                            std::move(table));
    s->value_kind = magnitude >= 0 ? magnitude : kTableDecibels;
    s->phase_kind = phase >= 0 ? phase : kTableDegrees;
    AttachDeviceToPart(cc, part, s);
    return 0;
}

}  // namespace ob7
