#include "netlist/poly_source.h"

#include <cctype>
#include <cstring>

#include "circuit/attribute_ids.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "libraries/component_types.h"
#include "netlist/netlist_reader.h"

namespace ob7 {

namespace {

constexpr int kMaxCoefficients = 100;

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '(' || c == ')'; }

void SkipSeparators(const std::string& t, size_t& p) {
    while (p < t.size() && IsSeparator(t[p])) ++p;
}

bool IsNodeChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("$%*+-/_", c) != nullptr;
}

std::string ReadName(const std::string& t, size_t& p) {
    SkipSeparators(t, p);
    const size_t start = p;
    while (p < t.size() && IsNodeChar(t[p])) ++p;
    std::string name = t.substr(start, p - start);
    SkipSeparators(t, p);
    return name;
}

int Report(NetlistCircuit& c, const NetlistPart& part, int code, const char* text = nullptr) {
    const std::string name = PartAttr(part, ATTR_PART);
    ReportMessage("dME", c.tables.services->ReportOwner(), "Part:", name.c_str(), code, text);
    return kMsgReported;
}

// The next value token: a signed number with exponent, or a balanced (...) or {...} group.
std::string NextValueToken(const std::string& t, size_t& p) {
    const size_t start = p;
    if (p < t.size() && (t[p] == '{' || t[p] == '(')) {
        const char open = t[p], close = open == '{' ? '}' : ')';
        int depth = 0;
        for (; p < t.size(); ++p) {
            if (t[p] == open) ++depth;
            else if (t[p] == close && --depth == 0) {
                ++p;
                break;
            }
        }
        return t.substr(start, p - start);
    }
    while (p < t.size() && t[p] != ' ' && t[p] != '\t' && t[p] != ',' && t[p] != ')') ++p;
    return t.substr(start, p - start);
}

// Optional '+', optional '-', digits and points, an optional exponent, then only letters,
// digits or '_' (a scale suffix or unit).
bool IsPlainNumber(const std::string& s) {
    size_t i = 0;
    if (i < s.size() && s[i] == '+') ++i;
    if (i < s.size() && s[i] == '-') ++i;
    const size_t digits = i;
    while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
    if (i == digits) return false;
    if (i < s.size() && s[i] == 'E') {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            i = j;
            while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        }
    }
    for (; i < s.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(s[i])) && s[i] != '_') return false;
    return true;
}

}  // namespace

int BuildPolySource(NetlistCircuit& c, int partIndex, const std::string& valueIn, PolySourceRecord& r) {
    const NetlistPart& part = c.parts[partIndex];
    r = PolySourceRecord();
    r.part = partIndex;
    r.scope = part.scope;
    r.componentType = part.type;
    r.outPlus = part.pinNodes.size() > 0 ? part.pinNodes[0] : 0;
    r.outMinus = part.pinNodes.size() > 1 ? part.pinNodes[1] : 0;
    std::string t = valueIn;
    const size_t a = t.find_first_not_of(" \t");
    t = a == std::string::npos ? std::string() : t.substr(a, t.find_last_not_of(" \t") - a + 1);
    size_t p = 0;
    int n = 1;
    if (t.compare(0, 4, "POLY") == 0) {
        p = 4;
        SkipSeparators(t, p);
        const size_t digits = p;
        long value = 0;
        while (p < t.size() && std::isdigit(static_cast<unsigned char>(t[p])) && value < 1000) value = value * 10 + (t[p++] - '0');
        const bool ended = p == t.size() || t[p] == ' ' || t[p] == ')' || t[p] == ',';
        if (p == digits || !ended || value < 1 || value > 99) return Report(c, part, 10792);
        n = static_cast<int>(value);
    }
    SkipSeparators(t, p);
    r.dimension = n;
    const bool sources = part.type == kPolyFIofI || part.type == kPolyHVofI;
    r.nodes.assign(static_cast<size_t>(n) + 1, {0, 0});
    r.sources.assign(static_cast<size_t>(n) + 1, std::string());
    for (int i = 1; i <= n; ++i) {
        if (sources) {
            const std::string name = ReadName(t, p);
            if (name.empty() || name[0] != 'V') return Report(c, part, 10794);
            r.sources[i] = name;
            continue;
        }
        const std::string plus = ReadName(t, p);
        const std::string minus = ReadName(t, p);
        if (plus.empty() || minus.empty()) return Report(c, part, 10793);
        const int np = FindNodeByName(c, plus, part.scope);
        const int nm = FindNodeByName(c, minus, part.scope);
        if (np < 0) return Report(c, part, 10791, plus.c_str());
        if (nm < 0) return Report(c, part, 10791, minus.c_str());
        r.nodes[i] = {np, nm};
    }
    std::vector<double> values;
    for (;;) {
        while (p < t.size() && (t[p] == ' ' || t[p] == '\t')) ++p;
        if (p < t.size() && t[p] == ',') {
            ++p;
            while (p < t.size() && (t[p] == ' ' || t[p] == '\t')) ++p;
        }
        if (p >= t.size()) break;
        if (t[p] == ')') {
            ++p;
            break;
        }
        if (t.compare(p, 2, "IC") == 0) break;
        std::string token = NextValueToken(t, p);
        if (token.empty()) break;
        if (token[0] != '{' && !IsPlainNumber(token)) return Report(c, part, 10798);
        if (static_cast<int>(values.size()) >= kMaxCoefficients) return Report(c, part, 10795);
        int code = 0;
        const std::string text = token[0] == '{' ? token.substr(1, token.size() - (token.back() == '}' ? 2 : 1)) : token;
        const double v = EvalNumberOrExpression(text.c_str(), &code);
        if (code) return Report(c, part, code, token.c_str());
        values.push_back(v);
    }
    r.coefficients.assign(values.size() + 2, 0.0);
    if (values.size() == 1) {
        r.coefficients[2] = values[0];
        r.count = 2;
    } else {
        for (size_t k = 0; k < values.size(); ++k) r.coefficients[k + 1] = values[k];
        r.count = static_cast<int>(values.size());
    }
    SkipSeparators(t, p);
    if (p < t.size()) return Report(c, part, 11903, t.substr(p).c_str());
    return 0;
}

int ResolvePolyControlSources(NetlistCircuit& c, std::vector<PolySourceRecord>& records) {
    for (PolySourceRecord& r : records) {
        if (r.componentType != kPolyFIofI && r.componentType != kPolyHVofI) continue;
        r.sourceParts.assign(r.sources.size(), -1);
        for (size_t i = 1; i < r.sources.size(); ++i) {
            const int found = FindPartByName(c, r.sources[i], r.scope);
            if (found < 0 || (c.parts[found].type != CT_VSPICE && c.parts[found].type != CT_ISPICE))
                return Report(c, c.parts[r.part], 10799, r.sources[i].c_str());
            r.sourceParts[i] = found;
        }
    }
    return 0;
}

}  // namespace ob7
