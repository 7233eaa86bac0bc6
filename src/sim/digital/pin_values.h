#pragma once
// The value records of the pins of a PINDLY or CONSTRAINT part, which the edge functions
// of its expressions read (CHANGED, CHANGED_LH, CHANGED_HL): "old" is the pin as the
// previous time point left it, "new" as the present time point finds it. Within one time
// point every evaluation compares with the same old fields, however often it runs.

#include <cstdint>
#include <vector>

#include "expression/digital_logic.h"
#include "sim/digital/digital_state.h"

namespace ob7 {

struct PinValues {
    // Per pin, as the expression evaluator reads them: last_change_* the old tick and
    // edge kind, present_* the new ones.
    std::vector<PinHistory> edges;
    std::vector<DigitalState> old_states, new_states;

    // count records, old and new := the state at tick with edge kind 4.
    void Reset(const DigitalState* states, int count, uint32_t tick);
    // A pin found in state at tick: its new fields.
    void Refresh(int pin, DigitalState state, uint32_t tick);
    // True when some new field differs from its old one.
    bool Pending() const;
    // The present time point is over: old := new.
    void Advance();
};

// The edge kind of a change from old_state to new_state: 4 no change of level, 1 to R or
// 1, 2 to 0 or F, 3 to Z or ?; to X 1 from 0, R or F and 2 otherwise. An undriven pin
// counts as Z.
int EdgeKind(DigitalState old_state, DigitalState new_state);

}  // namespace ob7
