#pragma once
// .MODEL statements of a circuit: the parsed header (name, AKO base, type, LEVEL) and the
// parameter text, kept in the circuit's list, and the look-ups by scope and library.

#include <cstdint>
#include <string>
#include <vector>

#include "netlist/define_table.h"

namespace ob7 {

struct ModelParams;

enum ModelOriginKind : uint32_t {
    kOriginPartText = 1,     // a statement line of a part or macro text
    kOriginCircuitText = 2,  // a line of the circuit's own text
    kOriginBinaryLibrary = 3,
    kOriginTextFile = 4,     // a line of an include file or text library
    kOriginPartTextLines = 5,
};

// Statements read from text lines (kinds 2, 4, 5) keep their ';' comments, '*' comment
// lines and '+' continuation marks.
inline bool StatementKeepsComments(uint32_t kind) { return kind == 2 || kind == 4 || kind == 5; }
// Skips blanks from `p`; with `comments` also ';' comments, '*' comment lines and '+'
// continuation marks.
size_t SkipStatementBlanks(const std::string& s, size_t p, bool comments);

struct ModelStatement {
    std::string name;           // upper case
    int16_t modelType = 0;
    int16_t effectiveType = 0;  // NMOS/PMOS: the row chosen by LEVEL; 0 otherwise
    std::string paramText;      // after the type, without the list's parentheses
    std::string instanceText;   // set by the netlist export
    int16_t scope = 1;
    StatementOrigin origin;
    std::string sourceName;     // file or window title it came from
    uint32_t originKind = kOriginCircuitText;
    std::string akoName;        // empty: no AKO base
    bool resolving = false;     // set while resolved: AKO cycles
    int akoIndex = -1;
    ModelParams* akoValues = nullptr;
    std::vector<uint8_t> given; // one per parameter of the type, set by the parameter parse
    bool written = false;
    std::string memo;           // memo of a library model
    bool included = false;
};

// Parses one ".MODEL name [AKO:base] TYPE [(]params[)]" statement and appends it. A text
// that is not a .MODEL statement adds nothing. 0 or 15055 (reported; list unchanged).
int AddModelStatement(NetlistCircuitTables& tables, const char* text, int scope, StatementOrigin origin,
                      uint32_t originKind, bool included, const std::string& sourceName);

struct ModelHeader {
    std::string name, ako, type;  // each at most 89 characters
};
// Splits the text after the keyword; returns the position of the parameter text.
const char* SplitModelHeader(const char* text, ModelHeader& header);

// The effective type of an NMOS/PMOS statement: LEVEL 4, 5, 8 choose their rows.
int ParseModelLevel(const char* paramText, int modelType);

// The model type named by the word after the first blank of "name TYPE ...", or -1.
int ModelTypeOfStatement(const char* text);

// The statement of that kind and name in the scope or its parents, or -1.
int FindModelInScope(const NetlistCircuitTables& tables, int kind, int scope, const std::string& name);
// FindModelInScope, then the libraries (which add the statement they find); PNP and LPNP
// find each other's statements in the circuit. *error receives a library error.
int FindModelStatement(NetlistCircuitTables& tables, int kind, int scope, const std::string& name, int* error);

// Attribute ids of the model names of a part.
enum PartModelAttribute : int { kAttrModel = 3, kAttrTimingModel = 6, kAttrIoModel = 7 };

// The model statement of a part: `attributeText` (the part's attribute `attributeId`) is
// substituted in the part's scope and looked up as a model of `partModelType` (the I/O
// model attribute looks for UIO). Not found: reported against the part, -1.
int LookUpPartModel(NetlistCircuitTables& tables, const void* part, int scope, int partModelType, int attributeId,
                    const std::string& attributeText);

// The given flag of a parameter in the statement behind the values; 0 without one.
bool IsModelParamGiven(const NetlistCircuitTables& tables, const ModelParams& values, int param);

}  // namespace ob7
