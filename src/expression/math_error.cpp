#include "expression/math_error.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/string_table.h"

namespace ob7 {

namespace {

MathErrorState g_state;

const char* const kLibraryErrorTexts[] = {
    "",
    "Domain error",
    "Argument singularity",
    "Overflow range error",
    "Underflow range error",
    "Total loss of significance",
    "Partial loss of significance",
};

constexpr int kFaultFlags = FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID;

}  // namespace

MathErrorState& MathError() { return g_state; }

int MathErrorHook(int kind, const char* function, double arg1, double arg2, double* return_value) {
    const char* what = (kind >= 1 && kind <= 6) ? kLibraryErrorTexts[kind] : "";
    char text[128];
    if (!std::strcmp(function, "atan2") || !std::strcmp(function, "fmod") || !std::strcmp(function, "pow"))
        std::snprintf(text, sizeof text, "%s(%g,%g) %s", function, arg1, arg2, what);
    else
        std::snprintf(text, sizeof text, "%s(%g) %s", function, arg1, what);
    text[50] = '\0';  // the text is limited to 50 characters
    SetPendingMessage(kMsgFloatingPoint, text);
    if (return_value) *return_value = 1.0;
    g_state.pending_code = kMsgPending;
    return 1;
}

void NoteMathFault(int fault_code) {
    g_state.fault_code = fault_code;
    g_state.pending_code = kMathPendingKnown;
}

int CheckFpStatus() {
    if (g_state.pending_code) return 0;
    int flags = std::fetestexcept(kFaultFlags);
    if (!flags) return 0;
    int code = (flags & FE_DIVBYZERO)  ? kFaultZeroDivide
               : (flags & FE_OVERFLOW) ? kFaultOverflow
               : (flags & FE_UNDERFLOW) ? kFaultUnderflow
                                        : kFaultInvalid;
    g_state.fault_code = code;
    g_state.pending_code = kMathPendingKnown;
    return code;
}

int CheckMathError() {
    if (!g_state.pending_code) CheckFpStatus();
    int code = g_state.pending_code;
    if (code != kMathPendingKnown) {
        g_state.pending_code = 0;
        return code;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    char text[100] = "math error";
    int fault = g_state.fault_code;
    if (fault >= 129 && fault <= 139) {
        char loaded[100];
        if (LoadResString(loaded, kFaultTextBase + fault, sizeof loaded) > 0) std::strcpy(text, loaded);
    }
    SetPendingMessage(kMsgFloatingPoint, text);
    ResetMathError();
    return kMsgPending;
}

int ResetMathError() {
    std::feclearexcept(FE_ALL_EXCEPT);
    g_state.pending_code = 0;
    g_state.fault_code = 0;
    return 0;
}

double CheckedPow(double a, double b) {
    if (a < 0.0 && std::trunc(b) != b) {
        double result = 0.0;
        MathErrorHook(kMathDomain, "pow", a, b, &result);
        return result;
    }
    return std::pow(a, b);
}

}  // namespace ob7
