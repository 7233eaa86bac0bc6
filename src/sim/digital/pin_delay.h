#pragma once
// PINDLY parts: each input passed to its paired output with a delay chosen by a delay
// expression, optionally as tri-state outputs under an enable pin, with the checks of a
// CONSTRAINT part beside them.

#include <cstdint>
#include <string>
#include <vector>

#include "expression/digital_logic.h"
#include "sim/digital/constraint.h"
#include "sim/digital/digital_state.h"

namespace ob7 {

struct PinDelayRecord {
    int primitive = 0;
    int pairs = 0;                      // input k drives output k
    int inputs = 0;                     // inputs, reference and enable pins
    std::vector<std::string> names;     // the pins, then temporaries
    std::vector<uint8_t> levels;
    struct Output {
        DelayTicks delay;
        DigitalState value = 0;
        uint8_t low = 0, high = 0;
    };
    std::vector<Output> outputs;        // what each output drives now
    struct Item {
        int kind = 0;                   // kCheckBoolean, or 6 PINDLY, 7 TRISTATE
        DigitalProgram program;
        int target = -1;                // BOOLEAN
        std::vector<int> outputs;       // PINDLY, TRISTATE: output numbers from 0
        int enable = -1;                // TRISTATE: the enable pin
        int polarity = 1;               // 1 HI, 2 LO
    };
    std::vector<Item> items;
    // The SETUP_HOLD, WIDTH, FREQ and GENERAL sections; its pin value records are the
    // part's, one for every name.
    ConstraintRecord checks;
    uint32_t kept = 0;                  // the undo generation its outputs were kept in
};
extern std::vector<PinDelayRecord> PinDelayRecords;

// Parses the PINDELAY text: 0 or 15055 after a reported error.
int ParsePinDelay(const DigitalPartDesc& part, const std::string& text, int primitive);
// Before a case: pin value records from the present states, checks re-armed.
void InitPinDelayDevices();
// Per time point: every pin value record's old fields := its new fields.
void AdvancePinDelays();
// The new level of output `output` (1 = the last output pin) with its strengths.
int EvaluatePinDelay(int changed_node, int primitive, int output, uint32_t tick, int* low, int* high);
// The drive strength of a pin-delay output on its node.
int PinDelayOutputStrength(int primitive, int node, DigitalState value);
// Schedules an output with its own three delays.
uint32_t SchedulePinDelayOutput(uint32_t tick, int low, int high, int node, int primitive, DigitalState value,
                                bool changed);

}  // namespace ob7
