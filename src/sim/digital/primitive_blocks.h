#pragma once
// The primitive records, their pins and their output slots. Each primitive's record, pins
// and slots lie together in one block of one buffer, so that an evaluation (and the
// application of an event of its driver) meets one or two cache lines instead of one in
// each of three arrays: on a large circuit those misses bound the event rate.
//
// Pins and slots are addressed by handles in 4-byte words from the start of the buffer:
// `Primitive::pin_begin` is the handle of its first pin, `Primitive::slot_end` the handle
// just after its last output slot (see `SlotOfOutput`).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "sim/digital/digital_state.h"

namespace ob7 {

// What an evaluation reads of a primitive.
struct Primitive {
    int16_t type = 0;             // DigitalComponentType
    int8_t model_type = -1;       // DigitalModelType
    int8_t timing_mode = 2;
    int32_t slot_end = 0;         // handle after its output slots
    int32_t pin_begin = 0;        // handle of its pins: inputs, then outputs
    int16_t pin_count = 0, outputs = 0;
    int16_t group_size = 0;       // AO/OA: inputs per group
    uint8_t low = 0, high = 0;            // present strengths
    uint8_t default_low = 0, default_high = 0;
    bool acts_at_once = true;     // some output change may come without delay
    bool has_checks = false;      // flip-flops and latches: some timing check parameter is not 0
    int32_t record = -1;          // index into the kind's record vector
    int32_t gate_delays[6] = {};  // TPLH and TPHL triples in ticks (gates and PLAs)
};

// One output pin of a primitive.
struct OutputSlotState {
    DigitalState present = kStateX63, pending = kStateX63;
    uint32_t pending_tick = 0;
    uint32_t load_rise = 0, load_fall = 0;  // loading delays in ticks
    uint32_t last_tick = 0;      // no event of the slot's driver lies beyond it
    int32_t queued = 0;          // live queued events of the slot's driver
    uint32_t event_index = 0;    // place of the event at the pending tick
};

inline constexpr int kSlotWords = sizeof(OutputSlotState) / 4;
static_assert(sizeof(Primitive) % 4 == 0 && sizeof(OutputSlotState) % 4 == 0, "blocks are built of 4-byte words");

// The slot of output `out` of a primitive (1: the last output pin).
inline int SlotOfOutput(const Primitive& p, int out) { return p.slot_end - out * kSlotWords; }

class PrimitiveBlocks {
public:
    // Appends a primitive (numbered from 0) with its pins and `outputs` fresh slots; its
    // pin_begin and slot_end are set here.
    int Add(Primitive p, const std::vector<int>& pins, int outputs) {
        const size_t words = sizeof(Primitive) / 4 + pins.size() + static_cast<size_t>(outputs) * kSlotWords;
        const size_t at = used_;
        Reserve(at + words);
        used_ = at + words;
        p.outputs = static_cast<int16_t>(outputs);
        p.pin_count = static_cast<int16_t>(pins.size());
        p.pin_begin = static_cast<int32_t>(at + sizeof(Primitive) / 4);
        p.slot_end = static_cast<int32_t>(at + words);
        new (Word(at)) Primitive(p);
        for (size_t i = 0; i < pins.size(); ++i) new (Word(p.pin_begin + i)) int32_t(pins[i]);
        for (int k = 0; k < outputs; ++k) new (Word(p.pin_begin + pins.size() + k * kSlotWords)) OutputSlotState{};
        block_.push_back(static_cast<uint32_t>(at));
        return static_cast<int>(block_.size()) - 1;
    }
    size_t size() const { return block_.size(); }
    Primitive& operator[](size_t i) { return *std::launder(reinterpret_cast<Primitive*>(Word(block_[i]))); }
    const Primitive& operator[](size_t i) const {
        return *std::launder(reinterpret_cast<const Primitive*>(Word(block_[i])));
    }
    int32_t* Pins(size_t handle) { return std::launder(reinterpret_cast<int32_t*>(Word(handle))); }
    OutputSlotState& Slot(size_t handle) { return *std::launder(reinterpret_cast<OutputSlotState*>(Word(handle))); }
    const int32_t* Pins(size_t handle) const { return std::launder(reinterpret_cast<const int32_t*>(Word(handle))); }
    const OutputSlotState& Slot(size_t handle) const {
        return *std::launder(reinterpret_cast<const OutputSlotState*>(Word(handle)));
    }
    // Asks for a primitive's block ahead of its use (record, pins and the first slots).
    void Prefetch(size_t i) const {
        const std::byte* b = Word(block_[i]);
        __builtin_prefetch(b);
        __builtin_prefetch(b + 64);
    }

private:
    struct alignas(64) Line {
        std::byte bytes[64];
    };
    std::byte* Word(size_t handle) { return reinterpret_cast<std::byte*>(lines_.data()) + 4 * handle; }
    const std::byte* Word(size_t handle) const { return reinterpret_cast<const std::byte*>(lines_.data()) + 4 * handle; }
    void Reserve(size_t words) {
        const size_t lines = (4 * words + 63) / 64;
        if (lines > lines_.size()) lines_.resize(std::max(lines, 2 * lines_.size()));
    }

    std::vector<Line> lines_;
    std::vector<uint32_t> block_;  // primitive -> handle of its block
    size_t used_ = 0;              // words in use
};

}  // namespace ob7
