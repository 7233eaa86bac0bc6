#pragma once
// Stimulus programs: the timed values with which STIM, FSTIM, DIGITAL SWITCH and DIGITAL
// STATE parts drive their pins, and their expansion into digital events before a case.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/digital/digital_setup.h"

namespace ob7 {

enum StimulusFlags : uint32_t {
    kStimRelative = 1, kStimAbsolute = 2, kStimGoto = 4, kStimUntilLe = 8, kStimUntilLt = 0x10,
    kStimUntilGt = 0x20, kStimUntilGe = 0x40, kStimDecr = 0x80, kStimIncr = 0x100, kStimRepeat = 0x200,
    kStimEndRepeat = 0x400,
};

struct StimulusCommand {
    uint32_t flags = 0;
    int index = -1;          // GOTO: the label's command; REPEAT/ENDREPEAT: the partner
    double time = 0;         // seconds
    double reached = 0;      // absolute time reached on the last pass
    std::string value;       // one character per pin
    long long count = 0;     // TIMES n, -1 FOREVER
    long long counter = 0;
};

struct StimulusProgram {
    int primitive = 0;
    std::string format;
    int width = 0;
    std::vector<StimulusCommand> commands;
    std::vector<int> pin_map;   // bit position driving each pin
    bool is_switch = false, switch_closed = false;
};
extern std::vector<StimulusProgram> StimulusProgramTable;

// Sum of the format digits ('1', '3', '4'); -1 for any other character.
int StimulusFormatWidth(const std::string& format);
// Expands value characters by the format digits ('1'/'B' copy, '3'/'O' octal, '4'/'X' hex).
std::string ExpandRadixDigits(const std::string& digits, const std::string& formats, bool one_format);

// Compiles one program into the table: 0 or 15055 after a reported error.
int ParseStimulus(const DigitalPartDesc& part, int primitive, const std::string& command,
                  const std::string& format, const std::string& file = "", int line = 0);
// Expands every program over the run into events; tmin/tmax of the run, operating point
// or not. 0 or 15055.
int ScheduleStimulusEventsFor(double tmin, double tmax, bool operating_point);
void FreeDigitalStimulusData();
// The random source of '?' values (replaceable by tests).
extern uint32_t StimulusRandomSeed;

}  // namespace ob7
