#include "netlist/define_table.h"

#include <strings.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "expression/operator_table.h"
#include "foundation/char_classes.h"
#include "foundation/numbers.h"
#include "foundation/paths.h"
#include "netlist/circuit_tables.h"
#include "netlist/netlist_messages.h"
#include "netlist/netlist_report.h"

namespace ob7 {

namespace {

bool slashSeparates = true;

bool IsSeparator(char c) {
    if (c == '/') return slashSeparates;
    return std::strchr(" ,=()[]<>{}^~*+-'!|&", c) != nullptr || HasClass(c, kCcWhite);
}
bool IsIdentStart(char c) { return HasClass(c, kCcIdentStart) && c != 0; }
bool IsIdentChar(char c) { return HasClass(c, kCcIdentChar) && c != 0; }

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = ToUpperMap(c);
    return out;
}

// CR and LF become blanks; runs of blanks become one.
std::string Collapse(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += c;
    }
    return out;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Position of the ')' that closes the '(' at open, or npos.
size_t MatchingParen(const std::string& text, size_t open) {
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (text[i] == '(') ++depth;
        else if (text[i] == ')' && --depth == 0) return i;
    }
    return std::string::npos;
}

// Splits at commas outside ( ) and { }.
std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> parts;
    int depth = 0;
    std::string current;
    for (char c : text) {
        if (c == '(' || c == '{') ++depth;
        else if (c == ')' || c == '}') --depth;
        if (c == ',' && depth == 0) {
            parts.push_back(Trim(current));
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(Trim(current));
    return parts;
}

// Skips white space; for text lines also a line feed followed by '+'.
size_t SkipDefineBlanks(const std::string& text, size_t p, int originKind) {
    const bool lines = originKind == 2 || originKind == 4 || originKind == 5 || NetlistTranslateMode;
    while (p < text.size() && HasClass(text[p], kCcWhite)) {
        if (lines && text[p] == '\n') {
            size_t q = p + 1;
            while (q < text.size() && (text[q] == ' ' || text[q] == '\t')) ++q;
            if (q < text.size() && text[q] == '+') {
                p = q + 1;
                continue;
            }
        }
        ++p;
    }
    return p;
}

bool Exporting(const NetlistCircuitTables& tables) { return NetlistTranslateMode || tables.services->Exporting(); }

int ReportDefineError(const NetlistCircuitTables& tables, const DefineEntry& entry, int useScope,
                      const std::string& text, int code) {
    void* owner = tables.services->ReportOwner();
    const std::string from = ScopeFileName(tables, entry.scope);
    if (entry.scope == useScope || entry.globalFunction) {
        ReportMessage("dMMME", owner, "Define:", entry.displayName.c_str(), "File:", from.c_str(), "Expanding:",
                      text.c_str(), code);
    } else {
        const std::string used = ScopeFileName(tables, useScope);
        ReportMessage("dMMMME", owner, "Define:", entry.displayName.c_str(), "Taken From:", from.c_str(),
                      "Expanding:", text.c_str(), "Used in File:", used.c_str(), code);
    }
    return kMsgReported;
}

class Substitution {
public:
    Substitution(NetlistCircuitTables& tables, int scope, const DefineEntry* hidden)
        : tables_(tables), table_(tables.defines), scope_(scope), hidden_(hidden) {}

    int Run(std::string& out, const std::string& text, bool braces);

private:
    const DefineEntry* FindInRow(int row, const char* token, size_t length, int level) const;
    const DefineEntry* FindForToken(const std::string& token, int level, int scope) const;
    const DefineEntry* Find(const std::string& token, int level) const;
    int ExpandCall(const DefineEntry& e, const std::string& text, size_t at, size_t nameLength,
                   std::string* replacement, size_t* replacedLength);

    NetlistCircuitTables& tables_;
    DefineTable& table_;
    int scope_;
    const DefineEntry* hidden_;
};

const DefineEntry* Substitution::FindInRow(int row, const char* token, size_t length, int level) const {
    if (row < 0 || row >= static_cast<int>(table_.rows.size())) return nullptr;
    for (const DefineEntry& e : table_.rows[row]) {
        if (&e == hidden_ || e.name.size() != length || std::memcmp(e.name.data(), token, length) != 0) continue;
        if (e.braceMode && (level <= 0 || Exporting(tables_))) continue;
        return &e;
    }
    return nullptr;
}

const DefineEntry* Substitution::FindForToken(const std::string& token, int level, int scope) const {
    const size_t dot = token.rfind('.');
    if (dot == std::string::npos) return FindInRow(scope, token.data(), token.size(), level);
    // "X2.R" inside scope X1 names R of the scope X1.X2.
    const std::string scoped = MakeScopedName(tables_, token, scope);
    const size_t cut = scoped.rfind('.');
    const std::string prefix = scoped.substr(0, cut);
    for (size_t s = 0; s < tables_.scopes.size(); ++s) {
        const std::string& name = tables_.scopes[s].scopeName;
        if (name.size() >= prefix.size() && strncasecmp(name.c_str(), prefix.c_str(), prefix.size()) == 0)
            return FindInRow(static_cast<int>(s), scoped.c_str() + cut + 1, scoped.size() - cut - 1, level);
    }
    return nullptr;
}

const DefineEntry* Substitution::Find(const std::string& token, int level) const {
    if (const DefineEntry* e = FindForToken(token, level, scope_)) return e;
    const auto& scopes = tables_.scopes;
    if (scope_ > 1 && scope_ < static_cast<int>(scopes.size())) {
        for (const std::string& p : scopes[scope_].ownerParams)
            if (p == token) return nullptr;  // a macro parameter of the part: left for the expansion
    }
    if (scope_ != 0) {
        if (const DefineEntry* e = FindForToken(token, level, 0)) return e;
    }
    if (scope_ > 1 && scope_ < static_cast<int>(scopes.size())) {
        const ScopeEntry& s = scopes[scope_];
        const int parent = s.parentScope;
        if (s.kind == kScopeText && parent >= 0 && parent < static_cast<int>(scopes.size()) &&
            scopes[parent].kind == kScopeSchematic && strcasecmp(s.filePath.c_str(), scopes[parent].filePath.c_str()) == 0)
            return FindForToken(token, level, parent);
    }
    return nullptr;
}

int Substitution::ExpandCall(const DefineEntry& e, const std::string& text, size_t at, size_t nameLength,
                             std::string* replacement, size_t* replacedLength) {
    size_t p = at + nameLength;
    while (p < text.size() && text[p] == ' ') ++p;
    if (p >= text.size() || text[p] != '(') return ReportDefineError(tables_, e, scope_, text, 10880);
    const size_t close = MatchingParen(text, p);
    if (close == std::string::npos) {
        // The text of 11900 takes an argument; report it through the scope form.
        ReportMessage("dMMME", tables_.services->ReportOwner(), "Define:", e.displayName.c_str(), "File:",
                      ScopeFileName(tables_, e.scope).c_str(), "Expanding:", text.c_str(), kMsgExpecting, ")");
        return kMsgReported;
    }
    std::vector<std::string> args = SplitArguments(text.substr(p + 1, close - p - 1));
    if (args.size() == 1 && args[0].empty()) args.clear();
    if (args.size() != e.args.size()) return ReportDefineError(tables_, e, scope_, text, 10884);
    std::string out;
    const std::string& body = e.value;
    for (size_t i = 0; i < body.size();) {
        if (!IsIdentChar(body[i])) {
            out += body[i++];
            continue;
        }
        size_t end = i;
        while (end < body.size() && IsIdentChar(body[end])) ++end;
        const std::string word = body.substr(i, end - i);
        size_t k = 0;
        while (k < e.args.size() && e.args[k] != word) ++k;
        out += k < e.args.size() ? args[k] : word;
        // Long arguments used many times make a long text before it is put in place.
        if (out.size() > kMaxDefineExpansionLength) return ReportDefineError(tables_, e, scope_, text, 10887);
        i = end;
    }
    *replacement = std::move(out);
    *replacedLength = close + 1 - at;
    return 0;
}

int LoadLibraryParams(NetlistCircuitTables& tables) {
    if (tables.defines.noLibraryParams || !tables.services->IsActiveCircuit()) return 0;
    if (tables.scopes.size() < 2 || tables.scopes[0].libraryParamsLoaded) return 0;
    // Marked first: the statements loaded here pass through substitution themselves.
    tables.scopes[0].libraryParamsLoaded = true;
    tables.scopes[1].libraryParamsLoaded = true;
    int error = 0;
    FindModelOrSubckt(tables, 0, std::string(), kLoadParams, &error);
    return error;
}

// Symbols inside { } may be .PARAM statements of the libraries: those are loaded before
// any look-up, so that the define rows do not move while entries of them are in use.
int LoadLibraryParamsFor(NetlistCircuitTables& tables, const std::string& text, bool braces) {
    if (!braces && text.find('{') == std::string::npos) return 0;
    return LoadLibraryParams(tables);
}

int Substitution::Run(std::string& out, const std::string& text, bool braces) {
    out = Upper(text);
    if (!NetlistTranslateMode) out = Collapse(out);
    if (table_.Total() == 0 && out.find('{') == std::string::npos) return 0;
    if (int r = LoadLibraryParamsFor(tables_, out, braces)) return r;
    if (out.empty()) return 0;
    if (!IsIdentStart(out[0])) {
        bool any = false;
        for (char c : out) any = any || IsSeparator(c);
        if (!any) return 0;
    }
    // Each replacement is rescanned; a plain define met again inside its own replacement
    // is a recursion, which ends here rather than after the substitution limit.
    struct Region {
        const DefineEntry* entry;
        size_t end;
    };
    std::vector<Region> regions;
    int level = braces ? 1 : 0;
    int count = 0;
    size_t p = 0;
    while (p < out.size()) {
        while (!regions.empty() && regions.back().end <= p) regions.pop_back();
        const char c = out[p];
        if (c == '{' || c == '}') {
            if (!braces) level += c == '{' ? 1 : -1;
            ++p;
            continue;
        }
        if (IsSeparator(c)) {
            ++p;
            continue;
        }
        size_t end = p;
        while (end < out.size() && !IsSeparator(out[end])) ++end;
        if (!IsIdentStart(c)) {
            p = end;
            continue;
        }
        const std::string token = out.substr(p, end - p);
        if (table_.bracesOnly && level <= 0) {
            p = end;
            continue;
        }
        size_t next = end;
        while (next < out.size() && out[next] == ' ') ++next;
        if (next < out.size() && out[next] == '(' && IsCircuitVariableFunction(token)) {
            const size_t close = MatchingParen(out, next);
            p = close == std::string::npos ? out.size() : close + 1;
            continue;
        }
        const DefineEntry* found = Find(token, level);
        if (!found) {
            p = end;
            continue;
        }
        const_cast<DefineEntry*>(found)->used = true;
        if (!found->functionLike)
            for (const Region& r : regions)
                if (r.entry == found) return ReportDefineError(tables_, *found, scope_, text, 10883);
        if (++count > kMaxDefineSubstitutions) return ReportDefineError(tables_, *found, scope_, text, 10881);
        std::string replacement;
        size_t replaced = token.size();
        if (found->functionLike) {
            if (int r = ExpandCall(*found, out, p, token.size(), &replacement, &replaced)) return r;
        } else {
            replacement = found->value;
        }
        // The count alone lets a few short defines that expand into each other grow a
        // line to gigabytes; the length is bounded too.
        if (out.size() - replaced + replacement.size() > kMaxDefineExpansionLength)
            return ReportDefineError(tables_, *found, scope_, text, 10887);
        out.replace(p, replaced, replacement);
        // Every open region holds p. One that ends inside the replaced text (a call that
        // runs past a define's text) ends with the replacement; the others move.
        for (Region& r : regions)
            r.end = r.end <= p + replaced ? p + replacement.size() : r.end - replaced + replacement.size();
        regions.push_back({found, p + replacement.size()});
    }
    return 0;
}

std::string RowKeyword(int keyword) { return keyword == kKeywordFunc ? ".FUNC" : ".DEFINE"; }

int ParseDefineTolerance(NetlistCircuitTables& tables, DefineEntry& e, const std::string& message) {
    const std::string& text = e.toleranceText;
    const size_t eq = text.find('=');
    if (eq == std::string::npos) return ReportInScope(tables, e.scope, message, kMsgExpecting, "=");
    bool lot = false;
    uint8_t distribution = 0;
    char digits[12];
    const std::string keyword = text.substr(0, eq);
    const char* rest = ParseToleranceKeyword(keyword.c_str(), &lot, nullptr, &distribution, digits);
    if (!lot) return ReportInScope(tables, e.scope, message, 19891);
    if (*rest) return ReportInScope(tables, e.scope, message, kMsgExtraText, rest);
    std::string value = Trim(text.substr(eq + 1));
    if (size_t blank = value.find(' '); blank != std::string::npos)
        return ReportInScope(tables, e.scope, message, kMsgExtraText, Trim(value.substr(blank)).c_str());
    std::string nominalText;
    if (int r = SubstituteDefines(tables, nominalText, e.scope, e.rawValue, false)) return r;
    int code = 0;
    const double nominal = EvalNumberOrExpression(nominalText.c_str(), &code);
    if (code && !value.empty() && value.back() == '%') return ReportInScope(tables, e.scope, message, 19892);
    if (int r = SetModelTolerance(e.tolerance, code ? 0.0 : nominal, value.c_str(), true, digits, distribution)) {
        const std::string file = ScopeFileName(tables, e.scope);
        ReportMessage("dMMME", tables.services->ReportOwner(), "File:", file.c_str(), "Define:",
                      e.displayName.c_str(), "Lot #:", digits, r, "Lot");
        return kMsgReported;
    }
    return 0;
}

}  // namespace

int DefineTable::Total() const {
    int n = 0;
    for (const auto& row : rows) n += static_cast<int>(row.size());
    return n;
}

void DefineTable::EnsureRows(int row) {
    if (row >= static_cast<int>(rows.size())) rows.resize(row + 1);
}

void SetExpressionSeparators(bool on) { slashSeparates = on; }

void GrowScopeTable(NetlistCircuitTables& tables, int lastIndex) {
    if (lastIndex >= static_cast<int>(tables.scopes.size())) tables.scopes.resize(lastIndex + 1);
    tables.defines.EnsureRows(lastIndex);
}

void InitGlobalScope(NetlistCircuitTables& tables) {
    GrowScopeTable(tables, 1);
    ScopeEntry& global = tables.scopes[0];
    global.kind = kScopeText;
    global.filePath = JoinProgramFolder("OMBR.INC");
    global.scopeName = "'OMBRINC'";
    global.title.clear();
    global.document = nullptr;
    ScopeEntry& circuit = tables.scopes[1];
    circuit.kind = tables.services->IsSchematic() ? kScopeSchematic : kScopeText;
    circuit.filePath = tables.services->Title();
    const std::string name = GetFileNameAndExtension(circuit.filePath);
    circuit.title = name.substr(0, name.find('.'));
    circuit.scopeName.clear();
}

std::string MakeScopedName(const NetlistCircuitTables& tables, const std::string& name, int scope) {
    std::string out;
    if (scope == 0) out = "'OMBRINC'." + name;
    else if (scope == 1 || scope < 0 || scope >= static_cast<int>(tables.scopes.size())) out = name;
    else out = tables.scopes[scope].scopeName + "." + name;
    return Upper(out);
}

int CheckDefineName(const std::string& name, bool functionLike) {
    const std::string upper = Upper(name);
    if (upper != "PI" && IsReservedName(upper, functionLike)) {
        SetPendingMessageText(upper.c_str());
        return 10889;
    }
    bool ok = !upper.empty() && IsIdentStart(upper[0]);
    for (char c : upper) ok = ok && IsIdentChar(c);
    if (!ok) {
        SetPendingMessageText(upper.c_str());
        return 10886;
    }
    return 0;
}

int AddDefine(NetlistCircuitTables& tables, const std::string& rawName, const char* args, const std::string& value,
              int row, StatementOrigin origin, int originKind, int braceMode, const std::string& toleranceText) {
    const std::string name = Upper(rawName);
    const bool global = braceMode && row == 1;
    if (global) row = 0;
    DefineEntry e;
    e.name = name;
    e.key = MakeScopedName(tables, name, global ? 1 : row);
    e.value = value;
    e.rawValue = value;
    if (tables.services->RunInProgress()) {
        std::string current;
        if (tables.services->RunCaseDefineValue(name, row, &current)) e.value = current;
    }
    const bool functionLike = args != nullptr;
    if (!((originKind == 4 || originKind == 5) && braceMode == 0)) {
        if (int r = CheckDefineName(name, functionLike)) return ReportInScope(tables, row, name, r, name.c_str());
    }
    tables.defines.EnsureRows(row);
    auto& entries = tables.defines.rows[row];
    if (!(braceMode && (originKind == 4 || originKind == 5)) && FindDefineIndex(tables.defines, row, name) >= 0) {
        if (!tables.services->PreparingQuietly()) ReportInScope(tables, row, name, 10885, name.c_str());
        return kMsgReported;
    }
    e.scope = row;
    e.globalFunction = global;
    e.origin = origin;
    e.originKind = originKind;
    e.braceMode = braceMode;
    e.toleranceText = toleranceText;
    e.functionLike = functionLike;
    e.displayName = name;
    if (functionLike) {
        std::vector<std::string> list = SplitArguments(Upper(args));
        if (list.size() == 1 && list[0].empty()) list.clear();
        for (const std::string& a : list)
            if (int r = CheckDefineName(a, false)) return ReportInScope(tables, row, name, r, a.c_str());
        e.args = std::move(list);
        e.emptyCall = e.args.empty();
        e.displayName = name + "(" + Upper(args) + ")";
    }
    e.value = Collapse(e.value);
    entries.push_back(std::move(e));
    return 0;
}

int AddDefineFormat(NetlistCircuitTables& tables, const std::string& name, const char* format, ...) {
    char buffer[1000];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return AddDefine(tables, name, nullptr, Upper(buffer), 1, StatementOrigin{}, -1, 0, std::string());
}

int ParseDefineStatement(NetlistCircuitTables& tables, const char* cText, int scope, StatementOrigin origin,
                         int originKind, int keyword) {
    const std::string text = cText ? cText : "";
    const std::string kw = RowKeyword(keyword);
    if (strncasecmp(text.c_str(), kw.c_str(), kw.size()) != 0) return 0;
    if (text.size() > kw.size() && !HasClass(text[kw.size()], kCcWhite) && text[kw.size()] != '{') return 0;
    size_t p = SkipDefineBlanks(text, kw.size(), originKind);
    std::string tolerance;
    if (p < text.size() && text[p] == '{') {
        const size_t close = text.find('}', p);
        if (close == std::string::npos) return ReportInScope(tables, scope, text, 10890);
        tolerance = Upper(text.substr(p + 1, close - p - 1));
        p = SkipDefineBlanks(text, close + 1, originKind);
    }
    if (p >= text.size()) return ReportInScope(tables, scope, text, 10882);
    if (!IsIdentStart(text[p])) return ReportInScope(tables, scope, text, 19893);
    size_t end = p;
    while (end < text.size() && IsIdentChar(text[end])) ++end;
    const std::string name = text.substr(p, end - p);
    std::string args;
    bool hasArgs = false;
    if (end < text.size() && text[end] == '(') {
        const size_t close = MatchingParen(text, end);
        if (close == std::string::npos) return ReportInScope(tables, scope, text, kMsgExpecting, ")");
        args = text.substr(end + 1, close - end - 1);
        hasArgs = true;
        end = close + 1;
    }
    p = SkipDefineBlanks(text, end, originKind);
    std::string value = Upper(text.substr(std::min(p, text.size())));
    if (NetlistTranslateMode && !value.empty() && value.back() == '\n') value.pop_back();
    if (!NetlistTranslateMode) value = Trim(value);
    return AddDefine(tables, name, hasArgs ? args.c_str() : nullptr, value, scope, origin, originKind,
                     keyword == kKeywordFunc ? 1 : 0, tolerance);
}

int CompleteScopeDefines(NetlistCircuitTables& tables, int scope) {
    if (scope < 0 || scope >= static_cast<int>(tables.defines.rows.size())) return 0;
    for (const DefineEntry& e : tables.defines.rows[scope])
        if (int r = LoadLibraryParamsFor(tables, e.value + e.rawValue, false)) return r;
    auto& row = tables.defines.rows[scope];
    for (size_t i = 0; i < row.size(); ++i) {
        DefineEntry& e = row[i];
        if (e.toleranceText.empty()) continue;
        const std::string message = ".define {" + e.toleranceText + "} " + e.displayName + " " + e.rawValue;
        if (int r = ParseDefineTolerance(tables, e, message)) return r;
    }
    if (Exporting(tables)) return 0;
    for (size_t i = 0; i < row.size(); ++i) {
        DefineEntry& e = row[i];
        if (e.functionLike) continue;
        std::string out;
        Substitution s(tables, scope, &e);
        if (int r = s.Run(out, e.value, false)) return r;
        e.value = std::move(out);
    }
    return 0;
}

void EvaluateDefineValues(NetlistCircuitTables& tables) {
    const bool running = tables.services->RunInProgress();
    for (const auto& row : tables.defines.rows)
        for (const DefineEntry& e : row)
            if (LoadLibraryParamsFor(tables, e.value, false)) return;
    for (size_t r = 0; r < tables.defines.rows.size(); ++r) {
        for (DefineEntry& e : tables.defines.rows[r]) {
            if (running) {
                double v;
                if (tables.services->RunCaseDefineNumber(e.name, static_cast<int>(r), &v)) e.evaluated = v;
                continue;
            }
            if (e.functionLike) continue;
            std::string text;
            // A value is an expression: symbols of .PARAM count in it as inside braces.
            if (SubstituteDefines(tables, text, e.scope, e.value, true)) continue;
            int code = 0;
            e.evaluated = EvalNumberOrExpression(text.c_str(), &code);
        }
    }
}

int SubstituteDefines(NetlistCircuitTables& tables, std::string& out, int scope, const std::string& text,
                      bool braces) {
    Substitution s(tables, scope, nullptr);
    return s.Run(out, text, braces);
}

int FindDefineIndex(const DefineTable& table, int row, const std::string& name) {
    if (row < 0 || row >= static_cast<int>(table.rows.size())) return -1;
    const auto& entries = table.rows[row];
    for (size_t i = 0; i < entries.size(); ++i)
        if (strcasecmp(entries[i].name.c_str(), name.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

const DefineEntry* FindDefineByName(const DefineTable& table, const std::string& name) {
    for (const auto& row : table.rows)
        for (const DefineEntry& e : row)
            if (!e.functionLike && strcasecmp(e.key.c_str(), name.c_str()) == 0) return &e;
    return nullptr;
}

}  // namespace ob7
