#include "sim/digital/timing_checks.h"

#include <cstdarg>
#include <cstdio>

#include "sim/digital/digital_network.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

std::string DigitalWarningText;
int DigitalWarningCount = 0;

namespace {

void Write(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    DigitalWarningText += buffer;
}

double Seconds(uint32_t ticks) { return ticks * DigitalRun.tick_length; }

// The parameter of a check slot in ticks by the primitive's timing mode (mode 4 checks
// against the maximum, the strictest demand).
int32_t Parameter(int primitive, int slot) {
    const Primitive& p = DigitalNet.prims[primitive];
    const std::vector<int32_t>& delays = DigitalNet.info[primitive].delays;
    const int mode = p.timing_mode == 4 ? 3 : p.timing_mode < 1 ? 1 : p.timing_mode;
    const size_t at = static_cast<size_t>(slot + mode - 1);
    return at < delays.size() ? delays[at] : 0;
}

// Starts a warning block; false when it may not be written.
bool BeginWarning() {
    if (!WarningsAllowed()) return false;
    ++DigitalWarningCount;
    Write("\nDigital Warning\n");
    return true;
}

void DeviceLine(int primitive) {
    const std::string& part = DigitalNet.info[primitive].part;
    if (!part.empty()) Write("Device %s\n", part.c_str());
}

// "Preb" -> "preb" for the latch texts.
std::string Lower(const char* s) {
    std::string t = s;
    for (char& c : t) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return t;
}

}  // namespace

bool WarningsAllowed() {
    if (Options.nooutmsg) return false;
    // The count is tested before it is raised: a limit of n lets n + 1 warnings through.
    return !(Options.digerrlimit != 0 && DigitalWarningCount > Options.digerrlimit);
}

bool TimingChecksActive() {
    return DigitalRun.recording && DigitalRun.transient && DigitalRun.solution_count > 0;
}

int CheckFlipFlopTiming(int primitive, const TimingCheck& c) {
    const int32_t required = Parameter(primitive, c.slot);
    if (required == 0 || c.reference == 0) return 0;
    const uint32_t measured = c.now - c.reference;
    if (static_cast<int64_t>(measured) >= required) return 0;
    if (!BeginWarning()) return 1;
    const double t = Seconds(c.now), req = Seconds(required), meas = Seconds(measured);
    switch (c.slot) {
    case kEffTwpcl:
        Write("%s width violation at t=%g\n", c.input, t);
        DeviceLine(primitive);
        Write("Required %s width is %g\n", c.input, req);
        Write("Measured %s width is %g\n", c.input, meas);
        break;
    case kEffTwclkl:
        Write("Minimum clock width low violation at t=%g\n", t);
        DeviceLine(primitive);
        Write("Required minimum clock low width is %g\n", req);
        Write("Measured minimum clock low width is %g\n", meas);
        break;
    case kEffTwclkh:
        Write("Minimum clock width high violation at t=%g\n", t);
        DeviceLine(primitive);
        Write("Required minimum clock high width is %g\n", req);
        Write("Measured minimum clock high width is %g\n", meas);
        break;
    case kEffTsudclk:
        Write("%s setup time violation at t=%g\n", c.input, t);
        DeviceLine(primitive);
        Write("%s changed at %g\n", c.input, Seconds(c.reference));
        Write("Required %s setup time is %g\n", c.input, req);
        Write("Measured %s setup time is %g\n", c.input, meas);
        break;
    case kEffTsupcclkh:
        Write("%s setup violation at t=%g\n", c.input, t);
        DeviceLine(primitive);
        Write("Required %s setup is %g\n", c.input, req);
        Write("Measured %s setup is %g\n", c.input, meas);
        break;
    default:  // hold
        Write("%s hold violation at t=%g\n", c.input, t);
        DeviceLine(primitive);
        Write("Clock changed at %g\n", Seconds(c.reference));
        Write("%s changed at %g\n", c.input, Seconds(c.other));
        Write("Required %s hold time is %g\n", c.input, req);
        Write("Measured %s hold time is %g\n", c.input, meas);
        break;
    }
    return 1;
}

int CheckLatchTiming(int primitive, const TimingCheck& c) {
    const int32_t required = Parameter(primitive, c.slot);
    if (required == 0 || c.reference == 0) return 0;
    const uint32_t measured = c.now - c.reference;
    if (static_cast<int64_t>(measured) >= required) return 0;
    if (!BeginWarning()) return 1;
    const double t = Seconds(c.now), req = Seconds(required), meas = Seconds(measured);
    const std::string lower = Lower(c.input);
    switch (c.slot) {
    case kGffTwpcl:
        Write("%s width violation at t=%g\n", c.input, t);
        DeviceLine(primitive);
        Write("Required %s width is %g\n", lower.c_str(), req);
        Write("Measured %s width is %g\n", lower.c_str(), meas);
        break;
    case kGffTwgh:
        Write("Gate width violation at t=%g\n", t);
        DeviceLine(primitive);
        Write("Required gate width is %g\n", req);
        Write("Measured gate width is %g\n", meas);
        break;
    case kGffTsudg:
        Write("Data setup time violation at t=%g\n", t);
        DeviceLine(primitive);
        Write("Required data setup time is %g\n", req);
        Write("Measured data setup time is %g\n", meas);
        break;
    case kGffTsupcgh:
        Write("%s setup violation at t=%g\n", c.input, t);
        DeviceLine(primitive);
        Write("Required %s setup is %g\n", lower.c_str(), req);
        Write("Measured %s setup is %g\n", lower.c_str(), meas);
        break;
    default:  // hold
        Write("Data hold violation at t=%g\n", t);
        DeviceLine(primitive);
        Write("Clock changed at %g\n", Seconds(c.reference));
        Write("%s changed at %g\n", c.input, Seconds(c.other));
        Write("Required data hold time is %g\n", req);
        Write("Measured data hold time is %g\n", meas);
        break;
    }
    return 1;
}

bool WriteAtoDHazard(const std::string& part, const std::string& node, double volts, double time) {
    if (!BeginWarning()) return false;
    Write("Input voltage hazard on ATOD interface device ");
    Write("%s.\n", part.c_str());
    Write("Analog input node %s is at %3.3e volts at T=%3.3e\n", node.c_str(), volts, time);
    return true;
}

bool ReportDigitalWarningCount(const TimedNotice& show) {
    if (!show) return false;
    const std::string text = DigitalWarningNotice(false);
    if (text.empty()) return false;
    show(text);
    return true;
}

std::string DigitalWarningNotice(bool batch_mode) {
    if (DigitalWarningCount <= 0 || Options.nooutmsg || batch_mode) return {};
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%d digital warning message%s.\nSee Numeric Output window.",
                  DigitalWarningCount, DigitalWarningCount == 1 ? "" : "s");
    return buffer;
}

}  // namespace ob7
