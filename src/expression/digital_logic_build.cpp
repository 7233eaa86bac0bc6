// Turning a compiled token list into a digital program.

#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "expression/digital_logic.h"
#include "expression/expression.h"
#include "foundation/message_codes.h"

namespace ob7 {

namespace {

// A number as a whole int32, held at the ends of the range (a time of seconds may be
// far beyond it).
int32_t ClampToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

DigitalProgramEntry EntryOf(const ExpressionToken& t, int mode) {
    DigitalProgramEntry e;
    switch (t.opcode) {
    case kOpDigitalConst:
        e.opcode = kDigConstant;
        e.int_value = t.value.index;
        break;
    case kOpConstant:
        // The seconds are kept in every mode, so that a CHANGED time of a constraint
        // scales to ticks like a pin-delay number does.
        e.opcode = kDigNumber;
        e.double_value = t.value.number;
        if (mode != kModePinDelay) e.int_value = ClampToInt32(t.value.number);
        break;
    case kOpDelayConstant:
        e.opcode = kDigDelayConstant;
        e.double_value = t.value.number;
        break;
    case kOpArgument:
    case kOpArgument2State:
        e.opcode = t.opcode;
        e.int_value = t.value.index;
        break;
    default: e.opcode = t.opcode; break;
    }
    return e;
}

}  // namespace

int BuildDigitalDelayProgram(DigitalProgram& program, const CompiledExpression& expression, int mode) {
    const std::vector<ExpressionToken>& tokens = expression.tokens;
    const int count = static_cast<int>(tokens.size());
    std::unique_ptr<DigitalProgramEntry[]> entries(new (std::nothrow) DigitalProgramEntry[count > 0 ? count : 1]);
    if (!entries) return kMsgInsufficientMemory;
    for (int k = 0; k < count; ++k) entries[k] = EntryOf(tokens[k], mode);
    program.count = count;
    program.entries = std::move(entries);
    return 0;
}

}  // namespace ob7
