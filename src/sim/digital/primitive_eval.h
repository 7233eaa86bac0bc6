#pragma once
// The logic of the digital primitives on the seven levels and the choice of the delay
// with which each new output value is scheduled.

#include <cstdint>

#include "sim/digital/digital_state.h"

namespace ob7 {

// Slots of the gate delay triples.
enum : int { kTplh = 0, kTphl = 3, kTplz = 6, kTphz = 9, kTpzl = 12, kTpzh = 15 };

// Levels of the two-input AND, NAND, OR, NOR, XOR and NXOR gates (kinds 0 to 5) by
// the class of each input: its level, plus 8 when nothing drives it (AND and OR read it
// as X; XOR reads the level). By table: on a large circuit the gate kinds and the input
// levels are random, and a switch and a loop on them mispredict on nearly every
// evaluation.
struct TwoInputGateTable {
    int8_t level[6][16][16];
};
extern const TwoInputGateTable kTwoInputGates;

// The level of a two-input gate of that kind on two input nodes (a pin <= 0 reads as an
// undriven X), `present` holding the node states.
inline int TwoInputGateLevel(int kind, const int32_t* pins, const DigitalState* present) {
    auto input_class = [present](int node) {
        if (node <= 0) return kLvlX | 8;
        const DigitalState s = present[node];
        return LevelOf(s) | (StrengthOf(s) == 0 ? 8 : 0);
    };
    return kTwoInputGates.level[kind][input_class(pins[0])][input_class(pins[1])];
}

// The new state of output `output` (1 = last output pin) of a gate-like primitive, with
// the strengths to drive it; *out_node may be changed (pin-delay outputs).
DigitalState EvaluateGate(int primitive, int output, uint32_t tick, int* out_node, int* low, int* high);
// The new state of a flip-flop or latch output; *path: -1 no change, 1 operating point,
// 2 preset, 3 clear, 4 clock or gate, other values the data path.
DigitalState EvaluateFlipFlop(int changed_node, int primitive, int output, int* path, uint32_t tick,
                              int* low, int* high);

// Gate delay for an output change from level `from` to `to`; strength-0 ends count as Z
// for tri-state gates. mode 1..3 picks minimum, typical or maximum.
// In line: every scheduled gate change asks it.
inline int32_t SelectTransitionDelay(int from, int to, int mode, const int32_t* delays) {
    static constexpr int kSlot[6][6] = {
        {-1, 0, -1, 0, 0, 6},  {3, -1, -1, 0, 0, 9},   {3, -1, -1, 0, 0, 6},
        {3, -1, 3, -1, 3, 9},  {3, -1, -1, 0, -1, 9},  {12, -1, -1, 15, 12, -1}};
    if (from > 5) from = kLvlX;
    if (to > 5) to = kLvlX;
    const int slot = kSlot[from][to];
    if (slot < 0) return delays[0];
    if (mode < 1) mode = 1;
    if (mode > 3) mode = 3;
    return delays[slot + mode - 1];
}

// Delay selections: each schedules the value and returns the tick used.
uint32_t ScheduleGateOutput(uint32_t tick, int low, int high, int node, int primitive, DigitalState value,
                            bool changed);
uint32_t ScheduleFlipFlopOutput(uint32_t tick, int low, int high, int node, int primitive, DigitalState value,
                                int path, bool changed);
// The same with the driver's output slot on the node already known (-1: none).
uint32_t ScheduleGateOutputInSlot(int slot, uint32_t tick, int low, int high, int node, int primitive,
                                  DigitalState value, bool changed);
uint32_t ScheduleFlipFlopOutputInSlot(int slot, uint32_t tick, int low, int high, int node, int primitive,
                                      DigitalState value, int path, bool changed);
// Mode-4 hazard: the driver's pending events on the node are disabled.
void AmbiguityHazard(int node, int primitive);

// Fills the JK table (J, K, Q in {0, 1, X}).
void BuildJkTable(int table[3][3][3]);

}  // namespace ob7
