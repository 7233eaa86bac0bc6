#pragma once
// Numbers as the user types and reads them: engineering suffixes (4K7, 10MEG, 2.2u,
// 1.5NS), integer clamps, ordinals, and the beep and key poll of long operations.

#include <cstdint>
#include <string>

namespace ob7 {

struct EngineeringStep {
    double factor;
    const char* upper;  // milli M, mega MEG
    const char* lower;  // milli m, mega M
};
// F P N U M (unity: a blank) K MEG G T, indexed 0 to 9.
extern const EngineeringStep EngineeringSuffixTable[10];

// Set by ParseNumber when C or c follows a number (a count of clock periods).
extern int NumberClockFlag;

// FormatNumber flags.
enum NumberFormatFlags : int {
    kNumLowerCase = 0x1,     // lower-case suffixes (m milli, M mega)
    kNumPadZeros = 0x4,      // exactly `digits` decimals
    kNumLeadingBlank = 0x8,
    kNumTidyExponent = 0x10, // TidyExponentSign on the result
    kNumNoScaling = 0x20,
};
// A buffer of this size holds every FormatNumber result.
enum { kNumberTextSize = 64 };

// Magnitudes below this are written unscaled (1e-18; the fitting program sets 1e-15).
extern double EngineeringScaleFloor;

// The suffix of the engineering step of value; *multiplier = 1 / factor.
const char* EngineeringScale(double* multiplier, int flags, double value);
// Writes *value: style 'E'/'e' "%1.*E", 'G'/'g' "%.*G", any other the engineering
// form rounded to `digits` decimals (-1: 6 significant digits, no rounding) with its
// suffix (unscaled engineering numbers end with the unity blank). Returns text.
char* FormatNumber(char* text, const double* value, int digits, int style, int flags);
std::string FormatNumberText(double value, int digits, int style, int flags);

char* TidyExponentSign(char* text);  // E+05 -> E5, E-05 -> E-5
char* TidyExponent(char* text);      // TidyExponentSign twice, then a 0 after E
char* TrimNumberText(char* text);    // 0.50 -> .5, 007 -> 7, keeps the exponent part

// Reads a number with an engineering suffix and optional unit letters. *error (may be
// null) becomes 1 when the text is not a clean number; the value is then still the best
// reading (0 when nothing was read or the magnitude is out of range).
double ParseNumber(const char* text, int* error);
int32_t ParseInt(const char* text);
int32_t ClampToInt(double value);
uint32_t ClampToUInt(double value);

// A number, else the text compiled and evaluated as an expression by the installed
// evaluator. *code becomes 0 or a message code (15060 with a pending message for a
// compile error); the value is 0 on any error. A null text gives 0, code unchanged.
double EvalNumberOrExpression(const char* text, int* code);
double EvalNumberOrExpressionNoErr(const char* text);
// Analysis mask 0x40; *flag = 1 when the expression depends on variables.
int EvalNumberOrExpressionFlag(const char* text, double* value, int* flag);

// The expression language installs this at start-up. Returns 0 or a message code;
// *dependsOnVariables may be null.
using NumericExpressionEvaluator = int (*)(const char* text, int analysisMask, int kindFlags,
                                          double* value, int* dependsOnVariables);
void SetNumericExpressionEvaluator(NumericExpressionEvaluator evaluator);

char* IntToText(char* buffer, int value);
// 1st, 2nd, 3rd, 4th, 11th ...; 0 gives "none". The buffer holds 16 characters.
char* IntToOrdinal(char* buffer, int value);

// The default beep when the preference "Sound" is on.
void BeepIfEnabled();
// The virtual-key code of a key pressed since the last poll, or 0; never blocks.
int PollKey();
enum { kKeyEscape = 27, kKeyPause = 19 };

}  // namespace ob7
