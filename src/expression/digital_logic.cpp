#include "expression/digital_logic.h"

#include <cmath>
#include <cstdint>
#include <new>

#include "expression/evaluator.h"
#include "expression/expression.h"
#include "foundation/message_codes.h"

namespace ob7 {

namespace {

// Deep enough for any program the compiler can emit (its own postfix stack holds 150).
constexpr int kMaxDepth = 256;

int32_t ClampedTicks(double seconds, double tick_length) {
    int64_t t = SecondsToTicks(seconds, tick_length);
    return static_cast<int32_t>(t > INT32_MAX ? INT32_MAX : t < INT32_MIN ? INT32_MIN : t);
}

int32_t Ticks(double seconds, double tick_length) { return ClampedTicks(seconds < 0.0 ? 0.0 : seconds, tick_length); }

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

// The evaluator's digital tables, on bare levels.
uint8_t LevelNot(uint8_t a) { return DigitalNot(a | kFullStrength) & 7; }
uint8_t LevelAnd(uint8_t a, uint8_t b) { return DigitalAnd(a | kFullStrength, b | kFullStrength) & 7; }
uint8_t LevelOr(uint8_t a, uint8_t b) { return DigitalOr(a | kFullStrength, b | kFullStrength) & 7; }
uint8_t LevelXor(uint8_t a, uint8_t b) { return DigitalXor(a | kFullStrength, b | kFullStrength) & 7; }

int LevelOfState(uint16_t state, int mode) {
    if (mode == 7 && (state & 0x1f8) == 0) return kLevelZ;
    return state & 7;
}

}  // namespace

int64_t SecondsToTicks(double seconds, double tick_length) {
    double q = seconds / tick_length;
    // Beyond any run's length; keeps the conversion defined.
    if (!(std::fabs(q) < 9e18)) return q < 0 ? INT64_MIN : INT64_MAX;
    double r = std::nearbyint(q);
    if (std::fabs(q - r) <= 1e-9 * std::fmax(1.0, std::fabs(r))) return static_cast<int64_t>(r);
    return static_cast<int64_t>(q);
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
            e[i].int_value = ClampedTicks(e[i].double_value, scaling.tick_length);
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
            stack[top] = LevelNot(stack[top]);
            break;
        case kDigAnd:
        case kDigXor:
        case kDigOr: {
            if (top < 1) return kLevelX;
            uint8_t a = stack[top - 1], b = stack[top];
            --top;
            stack[top] = e.opcode == kDigAnd ? LevelAnd(a, b) : e.opcode == kDigXor ? LevelXor(a, b) : LevelOr(a, b);
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
