#include "sim/devices/switch.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

const DeviceKindHandler kVSwitchKind{LoadStage::VSwitches, 0, SetupVSwitches, LoadVSwitches};
const DeviceKindHandler kISwitchKind{LoadStage::ISwitches, 0, SetupISwitches, LoadISwitches};
const DeviceKindHandler kSwitchComponentKind{LoadStage::Switches, 0, SetupSwitches, LoadSwitches};
const AcKindHandler kSwitchAcKind{AcStage::Switches, 0, AcLoadSwitches, AcCurrentRank::None, nullptr, NoiseRank::Switches,
                                  AddSwitchNoiseSources};

VSwitch* AddVSwitch(ModelParams* model, int a, int b, int cp, int cn) {
    auto* s = new VSwitch;
    s->model = model, s->a = a, s->b = b, s->cp = cp, s->cn = cn;
    AddDevice(kVSwitchList, s);
    return s;
}

ISwitch* AddISwitch(ModelParams* model, int a, int b, const int* control_branch) {
    auto* s = new ISwitch;
    s->model = model, s->a = a, s->b = b, s->control_branch = control_branch;
    AddDevice(kISwitchList, s);
    return s;
}

SwitchComponent* AddSwitchComponent(int control, int a, int b, double threshold_a, double threshold_b, double g_on,
                                    double g_off) {
    auto* s = new SwitchComponent;
    s->control = control, s->a = a, s->b = b;
    s->threshold_a = threshold_a, s->threshold_b = threshold_b, s->g_on = g_on, s->g_off = g_off;
    AddDevice(kSwitchList, s);
    return s;
}

double SwitchResistance(double ron, double roff, double on, double off, double x, int* state) {
    if ((on < off && x <= on) || (on > off && x >= on)) {
        *state = kSwitchOn;
        return ron;
    }
    if ((on < off && x >= off) || (on > off && x <= off)) {
        *state = kSwitchOff;
        return roff;
    }
    // Equal controls leave no transition: a step, on from the control up.
    const double d = on - off;
    if (d == 0) {
        *state = x >= on ? kSwitchOn : kSwitchOff;
        return x >= on ? ron : roff;
    }
    // Between the two controls ln R follows a cubic that meets ln RON and ln ROFF with
    // zero slope.
    *state = kSwitchTransition;
    const double lr = std::log(ron / roff), lm = std::log(std::sqrt(ron * roff));
    const double y = x - (on + off) / 2;
    const double log_r = lm + 3 * lr * y / (2 * d) - 2 * lr * y * y * y / (d * d * d);
    return std::exp(std::clamp(log_r, -350.0, 350.0));
}

namespace {

// A state change since the last load: Newton must go on.
void CheckStateChange(const DeviceInstance* s, int state, int& previous) {
    if (state == previous) return;
    RecordNonConvergentDevice(s, kNcSwitch, 0);
    ++NonConvergedCount;
    previous = state;
}

template <typename Record>
void StampSwitch(Record* s, double g) {
    StampConductance(g);
    if (s->flag_byte0 || s->flag_byte1) {
        const double v = Solution[s->a] - Solution[s->b];
        s->current = v * g;
        s->power = s->current * v;
    }
}

template <typename Record>
int SetupList(DeviceListKind list) {
    for (auto* s : DevicesOf<Record>(list))
        if (int error = AllocConductanceEntries(s->a, s->b)) return error;
    return 0;
}

template <typename Record>
void LoadControlled(Record* s, double x) {
    const double* m = ModelReals(*s->model);
    int state = 0;
    // A resistance below RMIN would put an infinite conductance into the matrix.
    const double rmin = std::max(Options.rmin, 1e-30);
    s->resistance = SwitchResistance(std::max(m[kSwRon], rmin), std::max(m[kSwRoff], rmin), m[kSwOn], m[kSwOff], x,
                                     &state);
    s->state = state;
    CheckStateChange(s, state, s->previous_state);
    StampSwitch(s, 1 / s->resistance);
}

}  // namespace

int SetupVSwitches() { return SetupList<VSwitch>(kVSwitchList); }
int SetupISwitches() { return SetupList<ISwitch>(kISwitchList); }
int SetupSwitches() { return SetupList<SwitchComponent>(kSwitchList); }

int LoadVSwitches() {
    for (auto* s : DevicesOf<VSwitch>(kVSwitchList)) LoadControlled(s, Solution[s->cp] - Solution[s->cn]);
    return 0;
}

int LoadISwitches() {
    for (auto* s : DevicesOf<ISwitch>(kISwitchList))
        LoadControlled(s, s->control_branch ? Solution[*s->control_branch] : 0.0);
    return 0;
}

int LoadSwitches() {
    for (auto* s : DevicesOf<SwitchComponent>(kSwitchList)) {
        double x = 0;
        switch (s->control) {
        case kSwitchByTime: x = Run.time; break;
        case kSwitchByVoltage: x = Solution[s->ref2] - Solution[s->ref1]; break;
        case kSwitchByCurrent: x = s->inductor ? Solution[NodeCount + s->inductor->InductorNumber()] : 0.0; break;
        default: break;
        }
        const double lo = s->threshold_a, hi = s->threshold_b;
        const bool on = (lo < hi && lo <= x && x <= hi) || (lo > hi && (x <= hi || x >= lo));
        const int state = on ? kSwitchOn : kSwitchOff;
        const double g = on ? s->g_on : s->g_off;
        s->state = state;
        CheckStateChange(s, state, s->previous_state);
        s->resistance = 1 / g;
        StampSwitch(s, g);
    }
    return 0;
}

namespace {

// Every switch in the small-signal order: components, then S, then W switches.
template <typename Visit>
int ForEachSwitch(Visit visit) {
    for (auto* s : DevicesOf<SwitchComponent>(kSwitchList))
        if (int error = visit(s->a, s->b, s->resistance)) return error;
    for (auto* s : DevicesOf<VSwitch>(kVSwitchList))
        if (int error = visit(s->a, s->b, s->resistance)) return error;
    for (auto* s : DevicesOf<ISwitch>(kISwitchList))
        if (int error = visit(s->a, s->b, s->resistance)) return error;
    return 0;
}

}  // namespace

int AcLoadSwitches() {
    return ForEachSwitch([](int a, int b, double r) { return AcStampConductance(a, b, 1 / r); });
}

int AddSwitchNoiseSources(double) {
    const double t = std::sqrt(4 * kNoiseBoltzmann * DeviceTemperatureKelvin);
    return ForEachSwitch([t](int a, int b, double r) {
        AddNoiseSource(a, b, t * std::sqrt(1 / r));
        return 0;
    });
}

}  // namespace ob7
