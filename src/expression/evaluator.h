#pragma once
// The evaluator's stack, as the operator steps see it. An operator of n arguments finds
// them in args[0] .. args[n-1] (hidden state slots last, each entry's slot pointing into
// its token) and leaves its result in args[0]; the evaluator drops the rest.

#include <cstdint>

#include "expression/complex_value.h"

namespace ob7 {

struct CompiledExpression;

struct EvalEntry {
    int32_t tag = 0;             // 1 when the value is a digital state
    ComplexValue value;
    ComplexValue* slot = nullptr;  // opcode 10: the token's private state
    const void* ref = nullptr;     // opcode 9: a device record; 553: a sub-expression
};

constexpr int kEvalStackSize = 1050;  // entry 0 is never pushed

// The SERIES index of the innermost running SERIES sum.
int CurrentSeriesIndex();

// True when the value lies in the signed 32-bit range and equals its integer part.
bool IsIntegerValue(double x);

// The digital tables on levels 0..7 (0 R F 1 X Z ? and an eighth); a state word without
// strength bits counts as X. Results carry full strength (level | 0x1f8).
uint16_t DigitalNot(uint16_t state);
uint16_t DigitalAnd(uint16_t a, uint16_t b);
uint16_t DigitalOr(uint16_t a, uint16_t b);
uint16_t DigitalXor(uint16_t a, uint16_t b);
int DigitalLevel(uint16_t state);
constexpr uint16_t kFullStrength = 0x1f8;

}  // namespace ob7
