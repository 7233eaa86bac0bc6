#pragma once
// Independent sources, evaluated at the present time before each solve and stamped as
// voltage branches or current injections: sine sources (list 18), pulse sources
// (list 34), SPICE sources with a DC value and a time function (list 5) and user sources
// driven by a point table (list 13).

#include <complex>
#include <vector>

#include "sim/devices/source_waveforms.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;
struct ModelParams;

enum SinModelSlot : int { kSinF, kSinA, kSinDc, kSinPh, kSinRs, kSinRp, kSinTau };
enum PulModelSlot : int { kPulVzero, kPulVone, kPulP1, kPulP2, kPulP3, kPulP4, kPulP5 };

inline constexpr int kSpiceVoltageSource = 30;  // source type; any other is a current source
enum SpiceSourceKind : int { kSourceDc, kSourcePulse, kSourceSin, kSourceExp, kSourcePwl, kSourceSffm };

inline constexpr int kMsgTimeNotAscending = 13194;  // "%ETime must be in ascending order."
inline constexpr int kMsgPulseOrder = 11851;  // "...The requirement that P5>=P4>=P3>=P2>=P1 is violated."

struct SineSource : DeviceInstance {
    int positive = 0, negative = 0, branch = 0;
    ModelParams* model = nullptr;  // SIN
    double value = 0;
    double power = 0;
};

struct PulseSource : DeviceInstance {
    int positive = 0, negative = 0, branch = 0;
    ModelParams* model = nullptr;  // PUL
    double value = 0;
    double power = 0;
};

struct SpiceSource : DeviceInstance {
    int positive = 0, negative = 0, branch = 0;
    int type = kSpiceVoltageSource;
    int spec_kind = kSourceDc;
    double value = 0;     // present value
    double dc_value = 0;
    double power = 0;
    double p[7] = {};     // PULSE V1 V2 TD TR TF PW PER, SIN VO VA FREQ TD THETA PHASE,
                          // EXP V1 V2 TD1 TAU1 TD2 TAU2, SFFM VO VA FC MDI FS
    PwlSpec pwl;
    int last_given_parameter = 6;  // p[] beyond it were not given (the run fills defaults)
    double ac_magnitude = 0;  // AC excitation
    double ac_phase = 0;      // degrees
    std::complex<double> ac_current;  // a current source's AC current
    bool IsVoltage() const { return type == kSpiceVoltageSource; }
};

struct UserSource : DeviceInstance {
    int positive = 0, negative = 0, branch = 0;
    double value = 0;
    PointTable table;
    std::complex<double> ac_value;  // the table's pair at the last AC frequency
    double power = 0;
};

SineSource* AddSineSource(int positive, int negative, ModelParams* model);
PulseSource* AddPulseSource(int positive, int negative, ModelParams* model);
SpiceSource* AddSpiceSource(int positive, int negative, int type, double dc_value);
UserSource* AddUserSource(int positive, int negative);

// Present values of every source at the present time (run values). 0 or 15055.
int EvaluateSources();
// The value of one SPICE source at a time (base value by the kind of analysis).
int SpiceSourceValue(SpiceSource* source, double time, double* value);
// At transient start: the tables of every PWL source up to the stop time. 0 or 15002.
int PreparePwlSources();
// The largest step the periodic sources allow (1e30 without any).
double GetSourceMaxTimeStep();
// Model pass: PUL models get a minimum rise and fall and their times checked (0 or
// 15055); SPICE pulses get a minimum TR and TF.
int PreparePulseModels(double t);
int PrepareSpicePulses(double t);
// The SPICE pulse parameters of a PUL model (V1 V2 TD TR TF PW PER).
void InitPulseShape(double pulse[7], const double* pul);
// The user source's pair at the abscissa of the present analysis.
void LookupUserSourceValue(UserSource* source, double pair[2]);

// Breakpoints: the times (seconds, from the run's start TMIN) at which a source has an
// edge the time step must land on, up to the stop time TMAX. The run's collection turns
// them into ticks. Delays of SIN and EXP sources and user-source points count from TMIN,
// the edges of pulses and PWL points are absolute.
// Pulses give the edges of their first kMaxPulseBreakpointPeriods periods at most: a
// period tiny against the run would otherwise ask for gigabytes of edges (the run warns
// about such a pulse before it collects them).
inline constexpr int kMaxPulseBreakpointPeriods = 1000000;
std::vector<double> PulseSourceBreakpoints(const PulseSource& source, double tmax);
// A SPICE PULSE's period is first raised to at least rise + width + fall.
std::vector<double> SpiceSourceBreakpoints(SpiceSource& source, double tmin, double tmax);
std::vector<double> UserSourceBreakpoints(const UserSource& source, double tmin);
// AC stamps: sine and pulse sources excite their branch with 1 + j0, user sources with
// their table's pair at the present frequency, SPICE sources with their AC magnitude and
// phase (a current source injects it from positive to negative through the source).

extern const DeviceKindHandler kSineSourceKind;
extern const DeviceKindHandler kPulseSourceKind;
extern const DeviceKindHandler kSpiceSourceKind;
extern const DeviceKindHandler kUserSourceKind;
extern const AcKindHandler kSineSourceAcKind;
extern const AcKindHandler kPulseSourceAcKind;
extern const AcKindHandler kUserSourceAcKind;
extern const AcKindHandler kSpiceSourceAcKind;

}  // namespace ob7
