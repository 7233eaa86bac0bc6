#pragma once
// The model type table: one row for every device model the system knows (its type name
// as written in .MODEL statements, class, parameter table and the counts that size
// every array of model values). Read-only once built.

#include <cstdint>

namespace ob7 {

// A model parameter slot that holds this value was not given.
constexpr double ParamNotGiven = 1.232343e18;

constexpr int ModelTypeCount = 39;

// Model type indexes that code refers to by name.
enum ModelTypeRowIndex {
    kModelOpamp = 0, kModelDiode = 1, kModelNpn = 2, kModelNmos = 3, kModelNjf = 4,
    kModelPulse = 5, kModelSin = 6, kModelTrn = 7, kModelCore = 8, kModelGasfet = 9,
    kModelVSwitch = 10, kModelISwitch = 11, kModelCap = 12, kModelInd = 13, kModelRes = 14,
    kModelPnp = 15, kModelPmos = 16, kModelPjf = 17, kModelDOutput = 18, kModelDInput = 19,
    kModelUadc = 20, kModelUdac = 21, kModelUgate = 22, kModelUtgate = 23, kModelUeff = 24,
    kModelUgff = 25, kModelUdly = 26, kModelUpld = 27, kModelUrom = 28, kModelUram = 29,
    kModelUbgt = 30, kModelUio = 31, kModelNmos4 = 32, kModelPmos4 = 33, kModelNmos5 = 34,
    kModelPmos5 = 35, kModelNmos8 = 36, kModelPmos8 = 37, kModelLpnp = 38,
};

// One 8-byte model value: a double (kind 1), a state character in the first byte
// (kind 2) or a text (kind 3).
union ModelValueSlot {
    double real;
    char state[8];
    const char* text;
};

enum ModelParamKind : uint8_t { kParamReal = 1, kParamState = 2, kParamText = 3 };

// Flag bits of ModelParamInfo::flags.
enum : uint8_t {
    kParamFlagListed = 0x01,     // written into model statement text when given
    kParamFlagSpice2 = 0x02,     // exists in SPICE 2G
    kParamFlagPSpice = 0x04,     // exists in the PSpice dialect
    kParamFlagSpice3 = 0x08,     // exists in SPICE3
    kParamFlagAlways = 0x10,     // always written into model statement text
    kParamFlagResistive = 0x20,  // sensitivity varies it through its reciprocal
};

struct ModelParamInfo {
    const char* name;      // upper case
    ModelValueSlot defaultValue;
    uint8_t kind;          // ModelParamKind
    char check;            // '+', 'G', '1', '3', 'L', 'D', 'A'; anything else checks nothing
    uint8_t flags;
    uint8_t group;
};

struct ModelTypeInfo {
    int paramCount;        // named parameters
    int valueCount;        // parsed, defaulted, checked and looked up by name
    int storedCount;       // 8-byte slots of a model value record (derived slots unnamed)
    int componentType;     // component type code of the primary part kind
    const ModelParamInfo* params;
    int tMeasured;         // index of T_MEASURED (T_ABS, T_REL_GLOBAL, T_REL_LOCAL follow); 0 none
    const char* typeName;
    int typeClass;         // 0 analog, 1 digital primitive, 2 digital interface
    int firstHelpId;       // help text id of parameter 0; parameter i has id + i
    int defaultOff;        // digital timing values start at -1.0
};

// Builds the table on first use; calling it at start-up only makes the cost happen there.
void InitModelTypeDefaults();

// The row of model type t (0 <= t < ModelTypeCount).
const ModelTypeInfo& ModelTypeRow(int t);

// Index of the first row whose type name equals name exactly ("R" is RES), else -1.
int FindModelType(const char* name);

// Index of the named parameter in type t's table (case-insensitive, with the aliases of
// older dialects), else -1.
int FindModelParam(int t, const char* name);

// String-table id of the display name of model type t, 0 when it has none.
int ModelTypeDisplayNameId(int t);

}  // namespace ob7
