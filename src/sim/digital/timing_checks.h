#pragma once
// Timing checks of flip-flops and latches, and the digital warnings they write into the
// numeric output of the analysis.

#include <cstdint>
#include <functional>
#include <string>

namespace ob7 {

// The warnings of the present case, for the numeric output of the run (which takes
// them at the end of each case); a new case and a new network start it empty.
extern std::string DigitalWarningText;
extern int DigitalWarningCount;

// False when NOOUTMSG is set or DIGERRLIMIT is not 0 and the count exceeds it.
bool WarningsAllowed();
// Checks run while recording, in a transient, once the run has a solution.
bool TimingChecksActive();

// The check slots of an edge flip-flop (UEFF) and a latch (UGFF) timing model.
enum : int {
    kEffTwpcl = 6, kEffTwclkl = 15, kEffTwclkh = 18, kEffTsudclk = 21, kEffTsupcclkh = 24, kEffThdclk = 27,
    kGffTwpcl = 6, kGffTwgh = 21, kGffTsudg = 24, kGffTsupcgh = 27, kGffThdg = 30,
};

// What a check measured.
struct TimingCheck {
    int slot;             // first slot of the parameter's triple
    uint32_t now;         // tick of the event being evaluated
    uint32_t reference;   // the recorded tick it is measured against
    const char* input;    // "D input", "J input", "Preb input", ...
    uint32_t other = 0;   // hold checks: the data change tick
};

// 1 for a violation (written when allowed), else 0. A parameter of 0 never fails.
int CheckFlipFlopTiming(int primitive, const TimingCheck& check);
int CheckLatchTiming(int primitive, const TimingCheck& check);

// The warning of an A-to-D input between every band; false when it may not be written.
bool WriteAtoDHazard(const std::string& part, const std::string& node, double volts, double time);

// The timed notice of a finished run: "" when nothing is to be shown.
std::string DigitalWarningNotice(bool batch_mode);
// Puts a text up as a timed notice. The analysis window gives one; batch runs, probe
// runs and demo playback give none, and show nothing.
using TimedNotice = std::function<void(const std::string& text)>;
// After a run: the count of the warnings of its last case as a timed notice, when there
// were any and NOOUTMSG is 0. True when one was shown.
bool ReportDigitalWarningCount(const TimedNotice& show);

// Message id of the notice.
inline constexpr int kMsgDigitalWarnings = 13260;

}  // namespace ob7
