#pragma once
// Symbols of a circuit: .DEFINE, .PARAM and .FUNC entries filed by scope, the scope table
// that names the scopes, and the substitution that replaces symbols in value texts.
// Scope 0 is the global include file, scope 1 the circuit, 2 and up each expanded
// macro, subcircuit or include file.

#include <string>
#include <vector>

#include "netlist/model_tolerance.h"

namespace ob7 {

struct NetlistCircuitTables;

// Where a statement was written: a text record of the circuit (origin kinds 1, 5, 6) or a
// line number (kinds 2 and 4); kind -1 is made by the program, kind 3 a binary library.
struct StatementOrigin {
    const void* record = nullptr;
    int line = -1;
};

enum ScopeKind : int { kScopeSchematic = 22, kScopeText = 49 };

struct ScopeEntry {
    int kind = kScopeText;
    std::string filePath;
    std::string title;      // file name without folder and extension
    std::string scopeName;  // "'OMBRINC'" for scope 0, empty for scope 1, else a part path
    int parentScope = -1;   // the scope of the part whose expansion opened this one
    // The macro parameters of that part (its "$Param " attributes); they stay unreplaced.
    std::vector<std::string> ownerParams;
    bool libraryParamsLoaded = false;
    void* document = nullptr;
    bool refreshed = false;
};

struct DefineEntry {
    std::string name;         // upper case
    std::string key;          // MakeScopedName of the name
    std::string value;        // upper case, blanks collapsed; substituted once its scope is complete
    std::vector<std::string> args;
    bool emptyCall = false;   // written with "()"
    bool functionLike = false;
    std::string displayName;  // name and argument list as written
    int scope = 0;
    bool globalFunction = false;  // a .PARAM or .FUNC of the circuit, filed in row 0
    StatementOrigin origin;
    int originKind = -1;
    int braceMode = 0;        // 1: substituted only inside { }
    bool macroParam = false;
    bool used = false;
    std::string toleranceText;
    ModelTolerance tolerance;
    double evaluated = 0.0;
    std::string rawValue;
};

struct DefineTable {
    std::vector<std::vector<DefineEntry>> rows;
    bool bracesOnly = false;       // only symbols inside { } are substituted
    bool noLibraryParams = false;  // the .PARAM statements of libraries are not loaded

    int Total() const;
    void Clear() { rows.clear(); }
    void EnsureRows(int row);
};

// Keyword indexes of ParseDefineStatement.
enum DefineKeyword : int { kKeywordDefine = 3, kKeywordFunc = 14 };

// Makes scope 0 (the global include file "OMBR.INC" of the program folder) and scope 1
// (the circuit).
void InitGlobalScope(NetlistCircuitTables& tables);
// Grows the scope table (and the define rows) to lastIndex + 1 entries.
void GrowScopeTable(NetlistCircuitTables& tables, int lastIndex);

// "'OMBRINC'.NAME" for scope 0, NAME for scope 1 or below 0, "<scope name>.NAME" else;
// upper case.
std::string MakeScopedName(const NetlistCircuitTables& tables, const std::string& name, int scope);

// Parses ".DEFINE [{LOT=..}] NAME[(args)] value" (kKeywordDefine) or ".FUNC NAME(args)
// value" (kKeywordFunc) and files the entry. A text without the keyword adds nothing.
// 0 or 15055 (reported).
int ParseDefineStatement(NetlistCircuitTables& tables, const char* text, int scope, StatementOrigin origin,
                         int originKind, int keyword);
// Files one entry; `args` is the parenthesised argument text without its parentheses or
// null. 0 or 15055 (reported).
int AddDefine(NetlistCircuitTables& tables, const std::string& name, const char* args, const std::string& value,
              int row, StatementOrigin origin, int originKind, int braceMode, const std::string& toleranceText);
// AddDefine in scope 1 with no origin, the value formatted (at most 999 characters) and
// upper-cased.
int AddDefineFormat(NetlistCircuitTables& tables, const std::string& name, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// 0, or 10889 (reserved; the name becomes the pending text) or 10886 (illegal character).
int CheckDefineName(const std::string& name, bool functionLike);

// After a scope is read: parses the tolerances of its defines and substitutes their
// values. 0 or 15055 (reported).
int CompleteScopeDefines(NetlistCircuitTables& tables, int scope);
// Evaluates every entry that is not function-like into `evaluated`.
void EvaluateDefineValues(NetlistCircuitTables& tables);

// Replaces the symbols of `text` in scope `scope` (upper-casing it first); `braces`
// treats the whole text as inside { }. 0 or 15055 (reported).
int SubstituteDefines(NetlistCircuitTables& tables, std::string& out, int scope, const std::string& text,
                      bool braces);

// Index of the entry of that name in the row (case-insensitive), or -1.
int FindDefineIndex(const DefineTable& table, int row, const std::string& name);
// The first entry of any row whose key equals the name (case-insensitive), skipping
// function-like entries; null when none.
const DefineEntry* FindDefineByName(const DefineTable& table, const std::string& name);

// Whether '/' separates define tokens (on by default; digital names may contain '/').
void SetExpressionSeparators(bool slashSeparates);

// Limits of one substitution.
inline constexpr int kMaxDefineSubstitutions = 10000;
inline constexpr size_t kMaxDefineExpansionLength = 256 * 1024;

}  // namespace ob7
