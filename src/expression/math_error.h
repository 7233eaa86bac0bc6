#pragma once
// One math-error state for all numeric work. Floating-point exceptions stay masked; a
// failing math library call (through MathErrorHook), an operator's own check
// (NoteMathFault) and the floating-point status word all end here, and CheckMathError
// turns the first fault into the pending message "Floating point '%s'." and code 15060.

namespace ob7 {

enum : int {
    kMathPendingKnown = 15071,  // a fault is known by its code but not yet reported
    kFaultInvalid = 129,
    kFaultDenormal = 130,
    kFaultZeroDivide = 131,
    kFaultOverflow = 132,
    kFaultUnderflow = 133,
    kFaultStackOverflow = 137,
    kFaultTextBase = 14971,  // string-table id of a fault text: base + fault code
};

struct MathErrorState {
    int pending_code = 0;  // 0, 15071 or 15060 (or another pending message code)
    int fault_code = 0;
};

MathErrorState& MathError();

// Math library error kinds.
enum MathLibraryError : int {
    kMathDomain = 1,
    kMathSingularity = 2,
    kMathOverflow = 3,
    kMathUnderflow = 4,
    kMathTotalLoss = 5,
    kMathPartialLoss = 6,
};

// A math library function failed: leaves "%s(%g,%g) %s" (or "%s(%g) %s") as the pending
// floating-point message, sets *return_value to 1.0 and the pending code to 15060.
int MathErrorHook(int kind, const char* function, double arg1, double arg2, double* return_value);

// An operator noticed a fault itself (MOD by zero, stack overflow): the fault code is kept
// and evaluation stops at once.
void NoteMathFault(int fault_code);

int CheckFpStatus();
int CheckMathError();
int ResetMathError();

// pow() with its domain error routed through MathErrorHook (a negative base with a
// fractional exponent gives the hook's 1.0).
double CheckedPow(double a, double b);

}  // namespace ob7
