#include "sim/digital/pin_values.h"

namespace ob7 {

namespace {

int LevelSeen(DigitalState s) { return StrengthOf(s) == 0 ? kLvlZ : LevelOf(s); }

}  // namespace

int EdgeKind(DigitalState old_state, DigitalState new_state) {
    const int before = LevelSeen(old_state), after = LevelSeen(new_state);
    if (before == after) return 4;
    switch (after) {
    case kLvlR:
    case kLvl1: return 1;
    case kLvl0:
    case kLvlF: return 2;
    case kLvlX: return before == kLvl0 || before == kLvlR || before == kLvlF ? 1 : 2;
    default: return 3;
    }
}

void PinValues::Reset(const DigitalState* states, int count, uint32_t tick) {
    edges.assign(count, PinHistory{});
    old_states.assign(states, states + count);
    new_states = old_states;
    for (PinHistory& e : edges) {
        e.last_change_time = e.present_time = static_cast<int32_t>(tick);
        e.last_change_kind = e.present_kind = 4;
    }
}

void PinValues::Refresh(int pin, DigitalState state, uint32_t tick) {
    PinHistory& e = edges[pin];
    new_states[pin] = state;
    e.present_time = static_cast<int32_t>(tick);
    e.present_kind = EdgeKind(old_states[pin], state);
}

bool PinValues::Pending() const {
    for (size_t i = 0; i < edges.size(); ++i)
        if (old_states[i] != new_states[i] || edges[i].last_change_time != edges[i].present_time ||
            edges[i].last_change_kind != edges[i].present_kind)
            return true;
    return false;
}

void PinValues::Advance() {
    old_states = new_states;
    for (PinHistory& e : edges) {
        e.last_change_time = e.present_time;
        e.last_change_kind = e.present_kind;
    }
}

}  // namespace ob7
