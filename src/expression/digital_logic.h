#pragma once
// Digital programs: the compact form into which the formulas of the logic-expression,
// pin-delay and constraint primitives are turned, so that the digital simulator can
// evaluate them at every event without the analog evaluator and without allocating.
//
// Levels are indexes into "0RF1XZ?": 0 '0', 1 'R', 2 'F', 3 '1', 4 'X', 5 'Z', 6 '?'.
// A 16-bit digital state carries the level in its low three bits and strength bits 0x1f8.

#include <cstdint>
#include <memory>

namespace ob7 {

struct CompiledExpression;

enum DigitalLevel : uint8_t {
    kLevel0 = 0,
    kLevelRise = 1,
    kLevelFall = 2,
    kLevel1 = 3,
    kLevelX = 4,
    kLevelZ = 5,
    kLevelUnknown = 6,
};

// Opcodes a digital program holds besides the token opcodes it copies.
enum DigitalOpcode : int32_t {
    kDigConstant = 1,         // a digital constant; int value the level
    kDigDelayConstant = 8,    // a DELAY argument; double value in seconds, then ticks
    kDigNumber = 130,         // a number; int value the number (or ticks after scaling)
    kDigPin = 132,            // a pin reference; int value the pin index
    kDigPin2State = 133,
    kDigNotEqual = 95,
    kDigEqual = 96,
    kDigNot = 104,            // '~'
    kDigAnd = 105,            // '&'
    kDigXor = 106,            // '^'
    kDigOr = 107,             // '|'
    kDigComplement = 108,     // '~' on a digital value
    kDigDefault = 124,
    kDigIfThen = 141,
    kDigDelay = 512,
    kDigChanged = 513,
    kDigChangedLH = 514,
    kDigChangedHL = 515,
};

struct DigitalProgramEntry {
    int32_t opcode = 0;
    int32_t int_value = 0;       // constant, level, pin index, or delay in ticks
    double double_value = 0.0;   // a delay or number in seconds before scaling
};
static_assert(sizeof(DigitalProgramEntry) == 16, "digital program entries are 16 bytes");

struct DigitalProgram {
    int32_t count = 0;
    std::unique_ptr<DigitalProgramEntry[]> entries;
};

// Compile modes (the kind flags the primitives compile with).
enum DigitalProgramMode : int32_t {
    kModeLogicExpression = 75,
    kModeConstraint = 105,
    kModePinDelay = 128,
};

// The token list of a compiled expression as a program: 0 or 15002. A CASE becomes its
// conditions, each followed by its delay triple and IFTHEN, and the default triple with
// DEFAULT.
int BuildDigitalDelayProgram(DigitalProgram& program, const CompiledExpression& expression, int mode);

// The simulation options that turn delays into ticks.
struct DelayScaling {
    double tick_length = 1e-9;     // seconds per simulator tick
    double min_typ_factor = 0.4;   // a missing minimum is typical x this
    double typ_max_factor = 1.6;   // a missing maximum is typical x this
};

struct DelayTicks {
    int32_t min = 0;
    int32_t typ = 0;
    int32_t max = 0;
};

// Seconds to whole ticks, truncated; a quotient that is whole but for the rounding of
// decimal fractions (7e-9 / 1e-9) counts as that whole number.
int64_t SecondsToTicks(double seconds, double tick_length);

// A negative value means "not given"; the missing ones come from the given ones.
DelayTicks ResolveMinTypMax(double min, double typ, double max, const DelayScaling& scaling);
// The variant whose missing typical value is the mean of minimum and maximum.
DelayTicks ResolveMinTypMax2(double min, double typ, double max, const DelayScaling& scaling);

// Converts the delay triples and numbers of a program from seconds to ticks, once
// before a run.
void ScaleDelayProgramToTicks(DigitalProgram& program, const DelayScaling& scaling);

// A logic-expression program on the instance's pin levels: the resulting level.
uint8_t EvalLogicProgram(const uint8_t* pin_levels, const DigitalProgramEntry* entries, int count);

// Per-pin history kept by the digital simulator.
struct PinHistory {
    int32_t last_change_time = 0;  // ticks
    int32_t last_change_kind = 4;  // 1 rising, 2 falling, 4 no change
    int32_t present_time = 0;      // ticks
    int32_t present_kind = 4;      // kind of the change at the present time
};

struct PinDelayContext {
    int32_t mode = 0;  // 7: a state without strength counts as Z
    int32_t count = 0;
    const DigitalProgramEntry* entries = nullptr;
    const uint8_t* pin_levels = nullptr;
    const PinHistory* histories = nullptr;
    // The digital simulator's 16-bit NOT table, indexed by value.
    const uint16_t* not_table = nullptr;
    int32_t not_table_size = 0;
};

// A pin-delay or constraint program for the change old_state -> new_state: 0, or 15055
// for an opcode a program cannot hold. delay receives the chosen triple; result the low
// byte of the final value ('1' for an empty program).
int EvalPinDelayProgram(const PinDelayContext& context, uint16_t new_state, uint16_t old_state,
                        DelayTicks* delay, uint8_t* result);
// The same with both states X.
int EvalPinDelayState(const PinDelayContext& context, uint8_t* result);

}  // namespace ob7
