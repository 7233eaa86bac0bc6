#pragma once
// The vocabulary of the expression language: every function, operator, variable,
// constant and predefined symbol, with what it takes, where it may appear and the opcode
// it compiles to. The compiler looks names up here and the evaluator dispatches on the
// opcodes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "expression/run_values.h"

namespace ob7 {

// ArgumentSyntax bits.
enum : int32_t {
    kSynPin = 0x1,
    kSynNumbers = 0x4,
    kSynNode = 0x100,
    kSynPart = 0x400,
    kSynAnalog = 0x800,
    kSynQuantity = 0x1000,
    kSynOperator = 0x4000,
    kSynConstant = 0x8000,
    kSynRunTime = 0x10000,
    kSynVariable = 0x20000,
    kSynPerformance = 0x80000,
    kSynRawNumber = 0x100000,
    kSynTakesArguments = 0x180de9,
};

// ExpressionKind bits.
enum : int32_t {
    kKind2State = 0x20,
    kKind5State = 0x40,
    kKindPinDly = 0x80,
    kKindTrn = 0x200,
    kKindAnalog = 0x800,
    kKindBin = 0x4000,
    kKindOct = 0x8000,
    kKindDec = 0x10000,
    kKindHex = 0x20000,
    kKindDif = 0x40000,
    kKindNamedMask = 0x7ce0,
};

// AnalysisMask bits.
enum : int32_t {
    kMaskTransient = 0x1,
    kMaskAc = 0x2,
    kMaskDc = 0x4,
    kMaskNumericField = 0x8,
    kMaskPlot = 0x10,
    kMaskPerformance = 0x20,
    kMaskNumericField2 = 0x40,
};

// ExpressionFlags bits (the high half of a row's result flags).
enum : int32_t {
    kFlagDigitalResult = 0x10000,
    kFlagVector = 0x20000,
    kFlagStateful = 0x80000,
    kFlagDigitalConstants = 0x100000,
    kFlagImport = 0x1000000,
    kFlagDifference = 0x2000000,
    kFlagStp = 0x8000000,
    kFlagImpulse = 0x10000000,
    kFlagPerformance = 0x20000000,
    kFlagKeepsUnit = 0x40000000,
};

// Device-kind bits of the component types; bit 0x10000 marks a digital function.
enum : int32_t {
    kDevResistor = 0x1,
    kDevCapacitor = 0x2,
    kDevInductor = 0x4,
    kDevDiode = 0x8,
    kDevBipolar = 0x10,
    kDevMosfet = 0x20,
    kDevGaAsFet = 0x40,
    kDevJfet = 0x80,
    kDevPulse = 0x100,
    kDevOpAmp = 0x200,
    kDevSine = 0x400,
    kDevSpiceSource = 0x800,
    kDevUserSource = 0x1000,
    kDevTransmissionLine = 0x2000,
    kDevDependent = 0x4000,
    kDevTwoTerminal = 0x8000,
    kDevDigitalFunction = 0x10000,
    kDevBattery = 0x20000,
};

struct OperatorRow {
    const char* name;
    int16_t min_args;
    int16_t max_args;
    int16_t cls;       // 14 function, 15 plain name, 2..13 operator binding level
    int16_t opcode;
    int16_t analysis;  // AnalysisMask
    int32_t syntax;    // ArgumentSyntax
    int32_t kinds;     // ExpressionKind
    int32_t result_flags;  // low 16 bits: unit; high bits: ExpressionFlags
    int32_t device_mask;
    double value;
    RunVariable variable;
};

// The whole table; the last ten rows are the predefined symbols.
const OperatorRow* OperatorTableRows();
int OperatorTableSize();

// Stores e = exp(1) in the E row; the compiler calls it before its first compilation.
void InitPredefinedSymbols();

// Index of the first row whose name starts with c (upper case), or the table size.
int FirstRowForLetter(unsigned char c);

inline bool RowTakesArguments(const OperatorRow& row) { return (row.syntax & kSynTakesArguments) != 0; }

// Lookups by name (case-insensitive) or opcode.
bool IsFunctionName(std::string_view name);
// The functions whose argument is a node or part name (V, I, ... D, BIN ...): their
// arguments are left alone by .DEFINE substitution.
bool IsCircuitVariableFunction(std::string_view name);
const char* OperatorNameByOpcode(int opcode);
const char* VariableNameByPointer(const RunValues& run, const double* p);
int MaxArgsByOpcode(int opcode);
bool MinArgsByOpcodeNonZero(int opcode);
bool IsOperatorOpcode(int opcode);
int FunctionDeviceMask(std::string_view name);
bool IsTableSymbolName(std::string_view name);
int FunctionMinArgsByName(std::string_view name);
bool IsDeviceQuantityName(std::string_view name);
bool StartsWithFunctionName(std::string_view text);
bool IsKnownFunctionChar(std::string_view text, bool all_rows);
// "%s(%s)" of every row with arguments that starts with letter and applies to the part's
// device-kind bits; in AC analysis a wrapper (MAG, DB ...) wraps each once more. out may
// be null to count only. Returns the count.
int ListDeviceFunctionNames(int32_t device_kind, std::string_view part, char letter, const char* wrapper,
                            bool ac_analysis, std::vector<std::string>* out);

}  // namespace ob7
