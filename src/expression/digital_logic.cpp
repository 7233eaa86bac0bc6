#include "expression/digital_logic.h"

#include <cmath>
#include <new>

#include "expression/expression.h"
#include "foundation/message_codes.h"

namespace ob7 {

namespace {

constexpr uint8_t X = kLevelX;

// Rows are the first operand, columns the second, both 0 R F 1 X Z ? and an unnamed
// eighth. Columns ? and eighth give X, except in rows ? and eighth, which are all 0.
constexpr uint8_t kAnd[8][8] = {
    {0, 0, 0, 0, 0, X, X, X},
    {0, 1, 1, 1, X, X, X, X},
    {0, 1, 2, 2, X, X, X, X},
    {0, 1, 2, 3, X, X, X, X},
    {0, X, X, X, X, X, X, X},
    {X, X, X, X, X, X, X, X},
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr uint8_t kOr[8][8] = {
    {0, 1, 2, 3, X, X, X, X},
    {1, 1, 2, 3, X, X, X, X},
    {2, 2, 2, 3, X, X, X, X},
    {3, 3, 3, 3, 3, X, X, X},
    {X, X, X, 3, X, X, X, X},
    {X, X, X, X, X, X, X, X},
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr uint8_t kXor[8][8] = {
    {0, 2, 1, 3, X, X, X, X},
    {2, X, 1, 1, X, X, X, X},
    {1, 1, X, 2, X, X, X, X},
    {3, 1, 2, 0, X, X, X, X},
    {X, X, X, X, X, X, X, X},
    {X, X, X, X, X, X, X, X},
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr uint8_t kNot[8] = {3, 2, 1, 0, X, X, X, 0};

// Deep enough for any program the compiler can emit (its own postfix stack holds 150).
constexpr int kMaxDepth = 256;

// Seconds to whole ticks, truncated. A quotient that is a whole number but for the
// rounding of decimal fractions (7e-9 / 1e-9 = 6.999...) counts as that whole number.
int32_t TruncatedTicks(double seconds, double tick_length) {
    double q = seconds / tick_length;
    double r = std::nearbyint(q);
    if (std::fabs(q - r) <= 1e-9 * std::fmax(1.0, std::fabs(r))) return static_cast<int32_t>(r);
    return static_cast<int32_t>(q);
}

int32_t Ticks(double seconds, double tick_length) {
    if (seconds < 0.0) seconds = 0.0;
    return TruncatedTicks(seconds, tick_length);
}

// A transition opcode is 0x100 plus a bit for the old level (0x10 L, 0x20 H, 0x40 Z,
// 0x80 any) and a bit for the new level (1 L, 2 H, 4 Z, 8 any).
bool IsTransitionOpcode(int32_t op) { return op > 0x100 && op < 0x200; }

bool LevelMatches(int bits, int level) {
    return ((bits & 1) && level == kLevel0) || ((bits & 2) && level == kLevel1) ||
           ((bits & 4) && level == kLevelZ) || (bits & 8);
}

bool ChangedTest(const PinHistory& h, int32_t ticks, int32_t opcode) {
    int32_t kind = ticks != 0 ? h.last_change_kind : h.present_kind;
    if (ticks != 0 && !(h.present_time - h.last_change_time < ticks)) return false;
    switch (opcode) {
    case kDigChangedLH: return kind == 1;
    case kDigChangedHL: return kind == 2;
    default: return kind != 4;
    }
}

int LevelOfState(uint16_t state, int mode) {
    if (mode == 7 && (state & 0x1f8) == 0) return kLevelZ;
    return state & 7;
}

}  // namespace

uint8_t DigitalLevelNot(uint8_t a) { return kNot[a & 7]; }
uint8_t DigitalLevelAnd(uint8_t a, uint8_t b) { return kAnd[a & 7][b & 7]; }
uint8_t DigitalLevelOr(uint8_t a, uint8_t b) { return kOr[a & 7][b & 7]; }
uint8_t DigitalLevelXor(uint8_t a, uint8_t b) { return kXor[a & 7][b & 7]; }

int BuildDigitalDelayProgram(DigitalProgram& program, const CompiledExpression& expression, int mode) {
    int count = static_cast<int>(expression.tokens.size());
    std::unique_ptr<DigitalProgramEntry[]> entries(new (std::nothrow) DigitalProgramEntry[count > 0 ? count : 1]);
    if (!entries) return kMsgInsufficientMemory;
    for (int i = 0; i < count; ++i) {
        const ExpressionToken& t = expression.tokens[i];
        DigitalProgramEntry& e = entries[i];
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
            if (mode != kModePinDelay) e.int_value = static_cast<int32_t>(t.value.number);
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
    }
    program.count = count;
    program.entries = std::move(entries);
    return 0;
}

DelayTicks ResolveMinTypMax(double min, double typ, double max, const DelayScaling& s) {
    if (typ >= 0.0) {
        if (min < 0.0) min = typ * s.min_typ_factor;
        if (max < 0.0) max = typ * s.typ_max_factor;
    } else if (min < 0.0) {
        if (s.typ_max_factor != 0.0 && max >= 0.0) typ = max / s.typ_max_factor;
        min = typ * s.min_typ_factor;
    } else if (max >= 0.0) {
        typ = (min + max) / 2.0;
    } else {
        if (s.min_typ_factor != 0.0) typ = min / s.min_typ_factor;
        max = typ * s.typ_max_factor;
    }
    return DelayTicks{Ticks(min, s.tick_length), Ticks(typ, s.tick_length), Ticks(max, s.tick_length)};
}

DelayTicks ResolveMinTypMax2(double min, double typ, double max, const DelayScaling& s) {
    if (min < 0.0) min = 0.0;
    if (max < 0.0) max = typ > 0.0 ? typ : min;
    if (typ < 0.0) typ = (min + max) / 2.0;
    return DelayTicks{Ticks(min, s.tick_length), Ticks(typ, s.tick_length), Ticks(max, s.tick_length)};
}

void ScaleDelayProgramToTicks(DigitalProgram& program, const DelayScaling& scaling) {
    DigitalProgramEntry* e = program.entries.get();
    for (int i = 0; i < program.count; ++i) {
        if (e[i].opcode == kDigDelayConstant) {
            // A triple whose last values are missing counts them as not given.
            double typ = i + 1 < program.count ? e[i + 1].double_value : -1.0;
            double max = i + 2 < program.count ? e[i + 2].double_value : -1.0;
            DelayTicks t = ResolveMinTypMax(e[i].double_value, typ, max, scaling);
            e[i].int_value = t.min;
            if (i + 1 < program.count) e[i + 1].int_value = t.typ;
            if (i + 2 < program.count) e[i + 2].int_value = t.max;
            i += 2;
        } else if (e[i].opcode == kDigNumber) {
            e[i].int_value = TruncatedTicks(e[i].double_value, scaling.tick_length);
        }
    }
}

uint8_t EvalLogicProgram(const uint8_t* pin_levels, const DigitalProgramEntry* entries, int count) {
    uint8_t stack[kMaxDepth];
    int top = -1;
    for (int i = 0; i < count; ++i) {
        const DigitalProgramEntry& e = entries[i];
        switch (e.opcode) {
        case kDigConstant:
        case kDigNumber:
        case kDigPin:
        case kDigPin2State:
            if (top + 1 >= kMaxDepth) return kLevelX;
            stack[++top] = static_cast<uint8_t>(e.opcode == kDigPin || e.opcode == kDigPin2State
                                                    ? pin_levels[e.int_value]
                                                    : e.int_value);
            break;
        case kDigNot:
            if (top < 0) return kLevelX;
            stack[top] = DigitalLevelNot(stack[top]);
            break;
        case kDigAnd:
        case kDigXor:
        case kDigOr: {
            if (top < 1) return kLevelX;
            uint8_t a = stack[top - 1], b = stack[top];
            --top;
            stack[top] = e.opcode == kDigAnd   ? DigitalLevelAnd(a, b)
                         : e.opcode == kDigXor ? DigitalLevelXor(a, b)
                                               : DigitalLevelOr(a, b);
            break;
        }
        default: break;
        }
    }
    return top >= 0 ? stack[top] : static_cast<uint8_t>(kLevelX);
}

int EvalPinDelayProgram(const PinDelayContext& c, uint16_t new_state, uint16_t old_state,
                        DelayTicks* delay, uint8_t* result) {
    if (c.count <= 0) {
        *result = '1';
        return 0;
    }
    int g = LevelOfState(old_state, c.mode);
    int l = LevelOfState(new_state, c.mode);
    // An unknown level on one side counts as the opposite of the other side's edge.
    if (g == kLevelX) {
        if (l == kLevel0) g = kLevel1;
        else if (l == kLevel1) g = kLevel0;
    } else if (l == kLevelX) {
        if (g == kLevel0) l = kLevel1;
        else if (g == kLevel1) l = kLevel0;
    }

    int32_t stack[kMaxDepth];
    int32_t pin_of[kMaxDepth];  // the pin a pushed value was read from, or -1
    int top = -1;
    auto push = [&](int32_t v, int32_t pin) {
        if (top + 1 >= kMaxDepth) return false;
        ++top;
        stack[top] = v;
        pin_of[top] = pin;
        return true;
    };
    auto take_delay = [&](int at) {
        if (delay) *delay = DelayTicks{stack[at], stack[at + 1], stack[at + 2]};
    };
    auto finish = [&](int code) {
        *result = top >= 0 ? static_cast<uint8_t>(stack[top] & 0xff) : '1';
        return code;
    };

    for (int i = 0; i < c.count; ++i) {
        const DigitalProgramEntry& e = c.entries[i];
        int32_t op = e.opcode;
        if (op == kDigConstant || op == kDigDelayConstant || op == kDigNumber) {
            if (!push(e.int_value, -1)) return finish(kMsgReported);
        } else if (op == kDigPin || op == kDigPin2State) {
            if (!push(c.pin_levels[e.int_value], e.int_value)) return finish(kMsgReported);
        } else if (IsTransitionOpcode(op)) {
            bool t = LevelMatches((op >> 4) & 0xf, g) && LevelMatches(op & 0xf, l);
            if (!push(t ? 1 : 0, -1)) return finish(kMsgReported);
        } else if (op == kDigNot || op == kDigComplement) {
            if (top < 0) return finish(kMsgReported);
            if (op == kDigNot) {
                stack[top] = ~stack[top];
            } else if (c.not_table && stack[top] >= 0 && stack[top] < c.not_table_size) {
                stack[top] = c.not_table[stack[top]];
            }
            pin_of[top] = -1;
        } else if (op == kDigEqual || op == kDigNotEqual || op == kDigAnd || op == kDigXor ||
                   op == kDigOr) {
            if (top < 1) return finish(kMsgReported);
            int32_t a = stack[top - 1], b = stack[top];
            --top;
            switch (op) {
            case kDigEqual: stack[top] = a == b; break;
            case kDigNotEqual: stack[top] = a != b; break;
            case kDigAnd: stack[top] = a & b; break;
            case kDigXor: stack[top] = a ^ b; break;
            default: stack[top] = a | b; break;
            }
            pin_of[top] = -1;
        } else if (op == kDigChanged || op == kDigChangedLH || op == kDigChangedHL) {
            if (top < 1) return finish(kMsgReported);
            int32_t ticks = stack[top];
            int32_t pin = pin_of[top - 1];
            --top;
            stack[top] = pin >= 0 && c.histories && ChangedTest(c.histories[pin], ticks, op);
            pin_of[top] = -1;
        } else if (op == kDigDelay) {
            if (top < 2) return finish(kMsgReported);
            take_delay(top - 2);
            top -= 3;
        } else if (op == kDigIfThen) {
            if (top < 3) return finish(kMsgReported);
            // Conditions are 0/1 values combined bitwise, so the low bit is the truth.
            if (stack[top - 3] & 1) {
                take_delay(top - 2);
                top -= 4;
                return finish(0);
            }
            top -= 4;
        } else if (op == kDigDefault) {
            if (top < 2) return finish(kMsgReported);
            take_delay(top - 2);
            top -= 3;
            return finish(0);
        } else {
            return finish(kMsgReported);
        }
    }
    return finish(0);
}

int EvalPinDelayState(const PinDelayContext& context, uint8_t* result) {
    return EvalPinDelayProgram(context, kLevelX, kLevelX, nullptr, result);
}

}  // namespace ob7
