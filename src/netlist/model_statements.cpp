#include "netlist/model_statements.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "foundation/char_classes.h"
#include "netlist/circuit_tables.h"
#include "netlist/model_text.h"
#include "netlist/netlist_messages.h"
#include "netlist/netlist_report.h"

namespace ob7 {

namespace {

constexpr int kMsgNoNameOrType = 11859;
constexpr int kMsgReserved = 10889;
constexpr int kMsgBadModelType = 11855;
constexpr int kMsgDuplicate = 10896;

bool IsWhite(char c) { return c && HasClass(c, kCcWhite); }

bool StartsWithModelKeyword(const char* text) {
    if (strncasecmp(text, ".MODEL", 6) != 0) return false;
    const char next = text[6];
    return next == 0 || IsWhite(next);
}

std::string Collapse(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r' || c == '\n') c = ' ';
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += c;
    }
    return out;
}

int SameKind(int kind) {
    if (kind == kModelNmos4 || kind == kModelNmos5 || kind == kModelNmos8) return kModelNmos;
    if (kind == kModelPmos4 || kind == kModelPmos5 || kind == kModelPmos8) return kModelPmos;
    return kind;
}

}  // namespace

size_t SkipStatementBlanks(const std::string& s, size_t p, bool comments) {
    for (;;) {
        const size_t start = p;
        while (p < s.size() && IsWhite(s[p])) {
            if (comments && s[p] == '\n') {
                size_t q = p + 1;
                while (q < s.size() && (s[q] == ' ' || s[q] == '\t')) ++q;
                if (q < s.size() && s[q] == '*') {
                    p = s.find('\n', q);
                    if (p == std::string::npos) p = s.size();
                    continue;
                }
                if (q < s.size() && s[q] == '+') {
                    p = q + 1;
                    continue;
                }
            }
            ++p;
        }
        if (comments && p < s.size() && s[p] == ';') {
            p = s.find('\n', p);
            if (p == std::string::npos) p = s.size();
        }
        if (p == start) return p;
    }
}

const char* SplitModelHeader(const char* text, ModelHeader& h) {
    h = ModelHeader{};
    const char* p = text;
    while (IsWhite(*p)) ++p;
    while (*p && HasClass(*p, kCcNameChar)) h.name += *p++;
    while (IsWhite(*p)) ++p;
    if (std::strncmp(p, "AKO", 3) == 0) {
        const char* q = p + 3;
        while (IsWhite(*q)) ++q;
        if (*q == ':') {
            ++q;
            while (IsWhite(*q)) ++q;
            while (*q && HasClass(*q, kCcNameChar)) h.ako += *q++;
            while (IsWhite(*q)) ++q;
            p = q;
        }
    }
    while (*p && !IsWhite(*p) && *p != '(') h.type += *p++;
    while (IsWhite(*p) && *p != '\n') ++p;
    return p;
}

int ParseModelLevel(const char* text, int t) {
    const char* p = text;
    while ((p = std::strstr(p, "LEVEL")) != nullptr) {
        const bool word = (p == text || !HasClass(p[-1], kCcIdentChar)) && !HasClass(p[5], kCcIdentChar);
        p += 5;
        if (word) break;
    }
    if (!p) return t;
    while (*p == ' ' || *p == '\t' || *p == '=') ++p;
    const int level = std::atoi(p);
    const bool n = t == kModelNmos;
    switch (level) {
    case 4: return n ? kModelNmos4 : kModelPmos4;
    case 5: return n ? kModelNmos5 : kModelPmos5;
    case 8: return n ? kModelNmos8 : kModelPmos8;
    default: return t;
    }
}

int ModelTypeOfStatement(const char* text) {
    const std::string head(text, strnlen(text, 49));
    const size_t blank = head.find(' ');
    if (blank == std::string::npos) return -1;
    size_t start = head.find_first_not_of(' ', blank);
    if (start == std::string::npos) return -1;
    size_t end = head.find_first_of(" (\t\r\n", start);
    return FindModelType(head.substr(start, end - start).c_str());
}

int AddModelStatement(NetlistCircuitTables& tables, const char* cText, int scope, StatementOrigin origin,
                      uint32_t kind, bool included, const std::string& sourceName) {
    if (!cText || !StartsWithModelKeyword(cText)) return 0;
    const bool comments = StatementKeepsComments(kind);
    std::string s = cText;
    for (char& c : s) c = ToUpperMap(c);
    if ((ModelAttributeDialogOpen && !NetlistTranslateMode) || (NetlistTranslateMode && kind == kOriginPartText))
        s = Collapse(s);

    ModelStatement st;
    st.scope = static_cast<int16_t>(scope);
    st.origin = origin;
    st.originKind = kind;
    st.included = included;
    st.sourceName = sourceName;

    ModelHeader h;
    const char* after = SplitModelHeader(s.c_str() + 6, h);
    if (h.name.empty() || h.type.empty()) return ReportInScope(tables, scope, s, kMsgNoNameOrType);
    if (IsReservedName(h.name, false)) return ReportInScope(tables, scope, s, kMsgReserved, h.name.c_str());
    const int type = FindModelType(h.type.c_str());
    if (type < 0) return ReportInScope(tables, scope, s, kMsgBadModelType, h.type.c_str());
    for (const ModelStatement& m : tables.models)
        if (m.modelType == type && m.scope == scope && m.name == h.name)
            return ReportInScope(tables, scope, s, kMsgDuplicate);

    st.modelType = static_cast<int16_t>(type);
    size_t p = SkipStatementBlanks(s, after - s.c_str(), comments);
    const bool parenthesised = p < s.size() && s[p] == '(';
    if (parenthesised) ++p;
    const size_t start = p;
    int depth = 0;
    bool closed = false;
    while (p < s.size()) {
        char& c = s[p];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (parenthesised && depth == 0 && !closed) {
                c = ' ';
                closed = true;
            } else {
                --depth;
            }
        } else if (c == ',' && depth == 0) {
            c = ' ';
        }
        p = SkipStatementBlanks(s, p + 1, comments);
    }
    if (parenthesised && !closed) return ReportInScope(tables, scope, s, kMsgExpecting, ")");

    st.akoIndex = -1;
    st.akoName = h.ako;
    st.name = h.name;
    st.paramText = s.substr(start);
    if (type == kModelNmos || type == kModelPmos) st.effectiveType = static_cast<int16_t>(ParseModelLevel(st.paramText.c_str(), type));
    tables.models.push_back(std::move(st));
    return 0;
}

int FindModelInScope(const NetlistCircuitTables& tables, int kind, int scope, const std::string& name) {
    kind = SameKind(kind);
    // Each step moves to an enclosing scope; the bound guards a damaged parent chain.
    for (size_t guard = 0; guard <= tables.scopes.size() + 1; ++guard) {
        for (size_t i = 0; i < tables.models.size(); ++i) {
            const ModelStatement& m = tables.models[i];
            if (m.modelType == kind && m.scope == scope && m.name == name) return static_cast<int>(i);
        }
        if (scope <= 0) return -1;
        if (scope == 1) {
            scope = 0;
            continue;
        }
        const int parent = scope < static_cast<int>(tables.scopes.size()) ? tables.scopes[scope].parentScope : 1;
        scope = parent >= 0 && parent != scope ? parent : 1;
    }
    return -1;
}

int FindModelStatement(NetlistCircuitTables& tables, int kind, int scope, const std::string& name, int* error) {
    if (error) *error = 0;
    if (name.empty()) return -1;
    int found = FindModelInScope(tables, kind, scope, name);
    if (found >= 0) return found;
    int e = 0;
    found = static_cast<int>(FindModelOrSubckt(tables, kind, name, kFindModel, &e));
    if (e) {
        if (error) *error = e;
        return -1;
    }
    if (found >= 0) return found;
    if (kind != kModelPnp && kind != kModelLpnp) return -1;
    found = FindModelInScope(tables, kind == kModelPnp ? kModelLpnp : kModelPnp, scope, name);
    if (found >= 0) return found;
    found = static_cast<int>(FindModelOrSubckt(tables, kModelPnp, name, kFindModel, &e));
    if (e) {
        if (error) *error = e;
        return -1;
    }
    return found;
}

int LookUpPartModel(NetlistCircuitTables& tables, const void* part, int scope, int partModelType, int attributeId,
                    const std::string& attributeText) {
    std::string name;
    if (SubstituteDefines(tables, name, scope, attributeText, false)) return -1;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    const int kind = attributeId == kAttrIoModel ? kModelUio : partModelType;
    int error = 0;
    const int found = FindModelStatement(tables, kind, scope, name, &error);
    if (found >= 0 || error) return found;
    ReportMessage("dNE", tables.services->ReportOwner(), part, kind == kModelUio ? 10852 : 10834, name.c_str());
    return -1;
}

bool IsModelParamGiven(const NetlistCircuitTables& tables, const ModelParams& values, int param) {
    if (values.statement < 0 || values.statement >= static_cast<int>(tables.models.size())) return false;
    const auto& given = tables.models[values.statement].given;
    return param >= 0 && param < static_cast<int>(given.size()) && given[param];
}

}  // namespace ob7
