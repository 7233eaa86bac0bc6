#pragma once
// The netlist side of a circuit document: the parts that device cards make, their
// component definitions, the statement lines that dot commands keep, the analysis set-up
// that analysis statements describe, the node table and the two name tries, and the
// state of one netlist read (include stack and token list). The circuit document owns
// one and hands the reader its text page.

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "circuit/circuit_objects.h"
#include "foundation/tokenizer.h"
#include "libraries/component_def.h"
#include "netlist/circuit_tables.h"
#include "netlist/name_tries.h"
#include "netlist/netlist_line_source.h"
#include "netlist/netlist_text_page.h"

namespace ob7 {

// A component part made from a card (page -1) or an expanded subcircuit body.
struct NetlistPart {
    CircuitObject object;
    int type = 0;                // component type code
    int scope = 1;
    int line = 0;                // logical-line start of the card (0-based)
    std::vector<int> pinNodes;   // node numbers, in the definition's pin order
    std::string scopedName;      // upper case, set when the part is named in a trie
    bool skipParamCheck = false; // calls made by the program skip the unused-parameter check
    int openedScope = -1;        // the scope a Subckt part's expansion opened
};

// One curve of an analysis: what .PRINT and .PLOT statements make.
enum NetlistCurveBits : int { kCurveOutput = 0x20, kCurveLinearX = 0x40, kCurveLinearY = 0x80 };
struct NetlistCurveRow {
    std::string x, y, xRange, yRange;
    char group = 0;  // '1'..'9' plotted in that group; 'A'..'I' printed only; 0 none
    int options = 0;
    std::string formatX, formatY;
    int style = 0;
};

enum AnalysisKindCode : int { kTransient = 0, kAc = 1, kDc = 2 };
// Bits of the per-analysis flag words.
enum AnalysisFlagBits : int {
    kFlagOperatingPoint = 0x40, kFlagOperatingPointOnly = 0x80,
    kStepLinear = 0x1000, kStepLog = 0x2000, kStepList = 0x3000, kStepMask = 0x3000,
};

// The limit texts of the three analyses, as the limits dialogs edit them.
struct NetlistAnalysisSetup {
    struct Transient {
        std::string timeRange, maxTimeStep, numberOfPoints, temperature;
    } transient;
    struct Ac {
        std::string frequencyRange, numberOfPoints, temperature, noiseInput, noiseOutput;
    } ac;
    struct Dc {
        std::string name1, range1, name2, range2, numberOfPoints, temperature;
        int method1 = 0, method2 = 0;  // kStepLinear, kStepLog, kStepList; 0 none
    } dc;
    int flags[3] = {};
    bool temperatureList[3] = {};
    std::vector<NetlistCurveRow> rows[3];
    void ClearLimits();
};

// A statement that a dot command of a SPICE text keeps for a later pass.
struct StatementLine {
    std::string text;
    int line = 0;
    int scope = 1;
    int page = -1;
};

struct NodeEntry {
    std::string name;  // scoped
    int number = 0;
    int16_t scope = 1;
    int16_t kind = -1;  // -1 unknown, 0 analog, 1 digital
};

struct NetlistNodeTable {
    std::vector<NodeEntry> entries;
    int highest = 0;
    NameTrie trie;
    // Names the trie cannot hold: a character outside its set, or a name so long that its
    // trie path would cost one node per character.
    std::unordered_map<std::string, int> otherNames;
    std::vector<std::pair<int, int>> ties;  // node numbers that are one node (first, second)
    // The nodes the last compile made inside devices, named after their parts (scoped
    // name -> number): found by name like the circuit's own, but not among them.
    std::unordered_map<std::string, int> internal;
    bool hasGround = false;
    void Clear();
};

// Where a subcircuit call's definition was found, kept with its scope.
struct SubcktScopeInfo {
    int ownerPart = -1;
    std::string subcktName;
    size_t start = 0, end = 0;  // byte range of the definition in its text
    int startLine = 0;
    int level = 0;
    bool positioned = false;
    std::vector<std::string> nestedNames;
    std::vector<int> pinMap;
};

struct InitialConditionStatement {
    int scope = 1;
    std::string text;
};
struct NetlistInitialCondition {
    char letter = 'V';
    double value = 0;
    int digitalState = 0;
    int inductorPart = -1;
    int node1 = 0, node2 = 0;
    int kind = 1;  // 1 .IC, 2 .NODESET
};
struct TrEntry {
    double time = 0, maxStep = 0;
};

// The ".TF" request and the ".SENS" outputs.
struct TransferRequest {
    std::string inputSource;            // at most 50 characters
    std::vector<std::string> outputs;   // newest first
};

// Targets of the .OPTIONS statements: the caller maps a name to a typed value.
struct OptionTarget {
    int type = 0;  // 1 integer, 2 double, 3 boolean
    double* real = nullptr;
    int32_t* integer = nullptr;
};
class OptionTargets {
public:
    virtual ~OptionTargets() = default;
    // The global option of that upper-case name; false when there is none.
    virtual bool Find(const std::string& name, OptionTarget* target) = 0;
    int32_t method = 0;            // 0 Gear, 1 trapezoidal
    double maxTimeStep = 0;        // 0: none
    int32_t numberDigits = -1;
};

struct NetlistCircuit {
    NetlistCircuit(NetlistCircuitServices& services, NetlistTextPage& page);

    NetlistTextPage* page;
    NetlistCircuitTables tables;
    std::deque<NetlistPart> parts;
    std::deque<ComponentDef> defs;  // the definitions made for cards
    std::unordered_map<int, ComponentDef*> sharedDefs;  // by type: the one definition cards share
    std::vector<StatementLine> statements;
    NetlistAnalysisSetup analysis;
    int analysisKind = -1;          // the analysis being prepared, -1 none
    bool runRecompile = false;
    bool polarityFlag = false;
    bool exporting = false;
    std::array<std::string, 10> sensOutputs;
    TransferRequest transfer;
    NetlistNodeTable nodes;
    NameTrie partTrie;
    std::vector<SubcktScopeInfo> scopeInfo;  // one per scope table row
    // The scopes whose definition range is known, by subcircuit name (first found first).
    std::unordered_map<std::string, std::vector<int>> positionedScopes;
    std::vector<InitialConditionStatement> icStatements;
    std::vector<NetlistInitialCondition> initialConditions;
    bool nodeSetsPresent = false, initialConditionsPresent = false;
    std::vector<TrEntry> trTable;
    bool useInitialConditions = false;
    bool loadOperatingPoint = false;
    int analogNodeCount = 0, digitalNodeCount = 0;
    // The digital numbers of the constant nodes "$D_HI", "$D_LO" and "$D_X"; 0 when unused.
    int digitalHighNode = 0, digitalLowNode = 0, digitalUnknownNode = 0;

    // The state of one netlist read.
    IncludeStack includes;
    CStrArray tokens{};
    int currentPart = -1;  // the part the line being read creates
    bool tranSeen = false, opSeen = false;
    int curveRowsMade[3] = {};
    int printStatements = 0;
    int defCounter = 1;
    int currentScope = 1;
    // Shows a progress text in the status bar while a long text is read; called with an
    // empty text at the end of the read to put the saved prompt back. May be empty.
    std::function<void(const std::string&)> statusPrompt;
    // Where the current compile error lies.
    std::string errorFile;
    int errorLine = -1;
    size_t errorPosition = std::string::npos;

    ~NetlistCircuit();
    NetlistCircuit(const NetlistCircuit&) = delete;
    NetlistCircuit& operator=(const NetlistCircuit&) = delete;

    // Frees every part, definition, node and statement of the last read.
    void ClearCompiled();
    std::string Token(int i) const { return tokens.Field(i); }
};

// The value of a part's attribute by id, empty when absent.
std::string PartAttr(const NetlistPart& part, int id);
std::string PartAttrByName(NetlistPart& part, const std::string& name);
// A part's attribute text with the defines substituted in the part's scope (upper case);
// empty for an empty attribute. *error receives 0, or the substitution's code (reported).
std::string GetPartTextExpanded(NetlistCircuitTables& tables, const NetlistPart& part, int id, int* error);
// The same with the circuit's own tables.
std::string GetPartText(NetlistCircuit& c, const NetlistPart& part, int id, int* error);
// The PART text upper-cased; empty when the part has none.
std::string GetPartNameUpper(const NetlistPart& part);
// The PART text scoped by MakeScopedName in the part's scope; empty when there is none.
std::string GetScopedPartName(const NetlistCircuitTables& tables, const NetlistPart& part);

}  // namespace ob7
