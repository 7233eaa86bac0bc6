#pragma once
// Small services shared while an analysis is prepared and while it runs: comma lists
// of numbers, digital curve values, run prompts and run errors.

#include <cstdint>
#include <string>
#include <vector>

#include "expression/expression.h"

namespace ob7 {

inline constexpr int kMsgMissingParameter = 15040;  // "%EMissing parameter."

// --- Number lists ------------------------------------------------------------------------
// Cuts the text at its first comma outside parentheses; returns the rest (the
// terminating NUL when there is none).
char* SplitAtTopLevelComma(char* text);

// "a, b": each a number or an expression. b is 0 when missing or when a fails.
// Returns 0 or the evaluation error.
int ParseTwoNumbers(const char* text, double* a, double* b);

// The first n items (at most 10) go into NumberList, cleared first. An item that does not
// evaluate ends the list with its error. The strict variant refuses an empty item or
// fewer than n items with 15040; the other leaves empty slots at 0.
inline constexpr int kNumberListSize = 10;
extern double NumberList[kNumberListSize];
int ParseNumberList(const char* text, int n);
int ParseNumberListOpt(const char* text, int n);

// Every non-empty item of the text, in order. *error is 0 or the evaluation error, and
// the result is then empty.
std::vector<double> ParseNumberArray(const char* text, int* error);

// --- Digital curve values --------------------------------------------------------------
enum : uint32_t {
    kRadixHex = 0x200000,
    kRadixOctal = 0x400000,
    kRadixBinary = 0x800000,
    kRadixDecimal = 0x4000000,
};
// The state letter of a digital state: "0RF1XZ?" by the low three bits when any strength
// bit (0x1F8) is set, else Z; or, with a radix flag, the value in that radix.
std::string FormatDigitalValue(uint32_t curve_flags, uint32_t value, int bit_width);
// Binary and octal and hexadecimal are zero-padded to the bit width; decimal is not.
// Of several flags the last of binary, octal, decimal, hexadecimal wins.
std::string FormatDigitalValueRadix(uint32_t radix_flags, uint32_t value, int bit_width);
// Index 0 to 6 of the character (any case) in "0RF1XZ?", or -1.
int DigitalStateIndex(char c);

// The analysis bit of a command: 0x10000 for 18406, else 1 << (command mod 32).
uint32_t AnalysisMaskBit(int command);

// --- Run cases --------------------------------------------------------------------------
// The temperature sweep of a run: Run.temp holds the present case's temperature, which
// grows by the step up to the end.
struct TemperatureSweep {
    double step = 0.0;
    double end = 27.0;
};
extern TemperatureSweep RunTemperatureSweep;
// The temperatures of one analysis kind as its analysis view keeps them: a list, and the
// index of the list value the next case takes.
struct TemperatureCases {
    bool is_list = false;
    std::vector<double> values;
    size_t next = 0;
};
// Restarts the stepping of the current analysis (its case counter, and every enabled step
// variable from its first value); installed by the stepping code. Unset: no stepping.
extern void (*RestartSteppingCases)();
// At the start of each run case: the next list value, or the present temperature plus
// the step limited to the end, becomes Run.temp; then the stepping restarts. The caller
// runs no more cases than the list holds.
void NextTemperatureCase(TemperatureCases& cases);

// --- Compiled expressions ---------------------------------------------------------------
// Whether two compiled expressions have the same tokens: the same count, and each pair
// with equal opcodes and equal value bytes.
bool EqualShortLists(const CompiledExpression& a, const CompiledExpression& b);
// The width of the widest bus operand (the bit count of a BIN, OCT, DEC or HEX call) of a
// compiled expression; 0 when it has none.
int MaxCoreIndex(const CompiledExpression& e);

// --- Prompts and run errors -----------------------------------------------------------
// Shows "Running Transient Analysis.", "Running AC Analysis." or "Running DC Analysis."
// for the current analysis in the prompt pane.
void ShowRunningPrompt();

// Reports a run error once per run: in Dynamic DC mode to the main frame, otherwise at
// the Analysis Limits dialog opened for it (field kind 1: limit text field `index`;
// 2: curve table row `index` at `column`, the first when -1). Later reports of the same
// run only set the error-shown flag again.
void ReportRunError(int field_kind, int index, int column, const char* text, int message);
void ReportRunError2(int field_kind, int index, int column, const char* text, int message,
                     const char* arg1, const char* arg2, const char* arg3);
void ReportOutOfMemoryDuringRun();

}  // namespace ob7
