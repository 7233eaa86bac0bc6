#include "sim/devices/independent_sources.h"

#include <algorithm>
#include <cmath>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/tline.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/noise_sources.h"

namespace ob7 {

namespace {

constexpr double kPi = 3.14159265358979323846;

template <class T>
int NumberBranches(DeviceListKind list, int next) {
    for (auto* s : DevicesOf<T>(list)) s->branch = next++;
    return next;
}
int NumberSineBranches(int next) { return NumberBranches<SineSource>(kSineSourceList, next); }
int NumberPulseBranches(int next) { return NumberBranches<PulseSource>(kPulseSourceList, next); }
int NumberUserBranches(int next) { return NumberBranches<UserSource>(kUserSourceList, next); }
int NumberSpiceBranches(int next) {
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList)) s->branch = s->IsVoltage() ? next++ : 0;
    return next;
}

template <class T>
int SetupBranches(DeviceListKind list) {
    for (auto* s : DevicesOf<T>(list))
        if (int error = AllocVoltageBranchEntries(s->branch, s->positive, s->negative)) return error;
    return 0;
}
int SetupSineSources() { return SetupBranches<SineSource>(kSineSourceList); }
int SetupPulseSources() { return SetupBranches<PulseSource>(kPulseSourceList); }
int SetupUserSources() { return SetupBranches<UserSource>(kUserSourceList); }
int SetupSpiceSources() {
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
        if (s->IsVoltage())
            if (int error = AllocVoltageBranchEntries(s->branch, s->positive, s->negative)) return error;
    return 0;
}

// Sine, pulse and user sources: a voltage branch; power from the branch current.
template <class T>
int LoadBranches(DeviceListKind list) {
    for (auto* s : DevicesOf<T>(list)) {
        StampVoltageBranch(s->branch, SourceFactor * s->value);
        if (s->flag_byte1) {
            s->power = -(Solution[s->branch] * s->value);
            Run.power_generated += s->power;
        }
    }
    return 0;
}
int LoadSineSources() { return LoadBranches<SineSource>(kSineSourceList); }
int LoadPulseSources() { return LoadBranches<PulseSource>(kPulseSourceList); }
int LoadUserSources() {
    for (auto* s : DevicesOf<UserSource>(kUserSourceList)) {
        StampVoltageBranch(s->branch, SourceFactor * s->value);
        if (s->flag_byte1) {
            s->power = -((Solution[s->positive] - Solution[s->negative]) * Solution[s->branch]);
            Run.power_generated += s->power;
        }
    }
    return 0;
}
int LoadSpiceSources() {
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList)) {
        const double value = SourceFactor * s->value;
        if (s->IsVoltage()) StampVoltageBranch(s->branch, value);
        else AddBranchCurrent(s->positive, s->negative, value);
        if (s->flag_byte1) {
            const double i = s->IsVoltage() ? Solution[s->branch] : s->value;
            s->power = -((Solution[s->positive] - Solution[s->negative]) * i);
            Run.power_generated += s->power;
        }
    }
    return 0;
}

// An SFFM frequency left at 0 runs at one cycle over the analysis.
double SffmDefault(double f) { return (f == 0 && Run.tmax > 0) ? 1 / Run.tmax : f; }

double MinimumEdge(double period) { return period != 0 ? period * 0.001 : 1e-9; }

}  // namespace

const DeviceKindHandler kSineSourceKind{LoadStage::Sources, 0, SetupSineSources, LoadSineSources,
                                        BranchRank::SineSources, NumberSineBranches};
const DeviceKindHandler kPulseSourceKind{LoadStage::Sources, 1, SetupPulseSources, LoadPulseSources,
                                         BranchRank::PulseSources, NumberPulseBranches};
const DeviceKindHandler kSpiceSourceKind{LoadStage::Sources, 2, SetupSpiceSources, LoadSpiceSources,
                                         BranchRank::SpiceVoltageSources, NumberSpiceBranches};
const DeviceKindHandler kUserSourceKind{LoadStage::Sources, 3, SetupUserSources, LoadUserSources,
                                        BranchRank::UserSources, NumberUserBranches};

SineSource* AddSineSource(int positive, int negative, ModelParams* model) {
    auto* s = new SineSource;
    s->positive = positive, s->negative = negative, s->model = model;
    AddDevice(kSineSourceList, s);
    return s;
}
PulseSource* AddPulseSource(int positive, int negative, ModelParams* model) {
    auto* s = new PulseSource;
    s->positive = positive, s->negative = negative, s->model = model;
    AddDevice(kPulseSourceList, s);
    return s;
}
SpiceSource* AddSpiceSource(int positive, int negative, int type, double dc_value) {
    auto* s = new SpiceSource;
    s->positive = positive, s->negative = negative, s->type = type;
    s->dc_value = s->value = dc_value;
    AddDevice(kSpiceSourceList, s);
    return s;
}
UserSource* AddUserSource(int positive, int negative) {
    auto* s = new UserSource;
    s->positive = positive, s->negative = negative;
    AddDevice(kUserSourceList, s);
    return s;
}

int SpiceSourceValue(SpiceSource* s, double time, double* value) {
    const double* p = s->p;
    const double b = AnalysisKind == 0 ? p[0] : s->dc_value;
    switch (s->spec_kind) {
    case kSourceDc:
        *value = s->dc_value;
        return 0;
    case kSourcePulse:
        *value = PulseValue(time - p[2], b, p[1], 0, p[3], p[3] + p[5], p[3] + p[5] + p[4], p[6]);
        return 0;
    case kSourceSin:
        *value = SineValue(time, 2, b, p[2], p[1], p[4] == 0 ? 0 : 1 / p[4], 1e30, p[3], p[5] * kPi / 180, 0, 0);
        return 0;
    case kSourceExp:
        *value = ExpValue(time, b, p[1], p[2], p[3], p[4], p[5]);
        return 0;
    case kSourcePwl: {
        bool ascending = true;
        const double v = PwlTableValue(s->pwl, time, &ascending);
        if (!ascending) {
            ReportMessage("EN", kMsgTimeNotAscending, s->owning_part);
            *value = 0;
            return kMsgReported;
        }
        *value = v;
        return 0;
    }
    case kSourceSffm:
        *value = SineValue(time, 5, b, SffmDefault(p[2]), p[1], 0, 1e30, 0, 0, p[3], SffmDefault(p[4]));
        return 0;
    default:
        return 0;
    }
}

void LookupUserSourceValue(UserSource* s, double pair[2]) {
    const double x = AnalysisKind == 0 ? Run.time : AnalysisKind == 1 ? Run.frequency : Run.dc_input;
    LookupPointTable(s->table, x, pair);
}

int EvaluateSources() {
    const double t = Run.time;
    for (auto* s : DevicesOf<SineSource>(kSineSourceList)) {
        const double* m = ModelReals(*s->model);
        s->value = SineValue(t, 2, m[kSinDc], m[kSinF], m[kSinA], m[kSinTau], m[kSinRp], 0, m[kSinPh], 0, 0);
    }
    for (auto* s : DevicesOf<PulseSource>(kPulseSourceList)) {
        const double* m = ModelReals(*s->model);
        s->value = PulseValue(t, m[kPulVzero], m[kPulVone], m[kPulP1], m[kPulP2], m[kPulP3], m[kPulP4], m[kPulP5]);
    }
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
        if (int error = SpiceSourceValue(s, t, &s->value)) return error;
    for (auto* s : DevicesOf<UserSource>(kUserSourceList)) {
        double pair[2];
        LookupUserSourceValue(s, pair);
        s->value = pair[0];
    }
    EvaluateTLineSources();
    return 0;
}

int PreparePwlSources() {
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
        if (s->spec_kind == kSourcePwl)
            if (int error = BuildPwlTables(s->pwl, Run.tmax, false)) return error;
    return 0;
}

double GetSourceMaxTimeStep() {
    double step = 1e30;
    auto limit = [&step](double f) {
        if (f != 0) step = std::min(step, 0.1 / std::fabs(f));
    };
    for (auto* s : DevicesOf<SineSource>(kSineSourceList)) limit(s->model->Real(kSinF));
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList)) {
        if (s->spec_kind == kSourceSin) limit(s->p[2]);
        if (s->spec_kind == kSourceSffm) limit(SffmDefault(s->p[2])), limit(SffmDefault(s->p[4]));
    }
    return step;
}

int PreparePulseModels(double) {
    for (ModelParams* m : CircuitModels[kModelPulse]) {
        double* v = ModelReals(*m);
        const double a = MinimumEdge(v[kPulP5]);
        if (v[kPulP1] == v[kPulP2] && v[kPulP2] + a <= v[kPulP3]) v[kPulP2] += a;
        if (v[kPulP3] == v[kPulP4] && v[kPulP3] - a >= v[kPulP2]) v[kPulP3] -= a;
        // The model's own time check: times within 1e-14 relative count as equal; with
        // a negative P2 or P4 only P1 <= P3 <= P5 is required.
        auto at = [&v](int k) -> double& { return v[kPulP1 + k]; };
        bool ok;
        if (at(1) >= 0 && at(3) >= 0) {
            for (int k = 1; k <= 4; ++k)
                if (std::fabs(at(k) - at(k - 1)) < 1e-14 * std::max(std::fabs(at(k - 1)), std::fabs(at(k))))
                    at(k) = at(k - 1);
            ok = at(0) <= at(1) && at(1) <= at(2) && at(2) <= at(3) && at(3) <= at(4);
        } else {
            ok = at(0) <= at(2) && at(2) <= at(4);
        }
        if (!ok) {
            ReportMessage("E", kMsgPulseOrder);
            return kMsgReported;
        }
    }
    return 0;
}

int PrepareSpicePulses(double) {
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList)) {
        if (s->spec_kind != kSourcePulse) continue;
        const double a = MinimumEdge(s->p[6]);
        if (s->p[3] == 0) s->p[3] = a;
        if (s->p[4] == 0) s->p[4] = a;
    }
    return 0;
}

void InitPulseShape(double pulse[7], const double* pul) {
    pulse[0] = pul[kPulVzero];
    pulse[1] = pul[kPulVone];
    pulse[2] = pul[kPulP1];
    pulse[3] = pul[kPulP2] - pul[kPulP1];
    pulse[4] = pul[kPulP4] - pul[kPulP3];
    pulse[5] = pul[kPulP3] - pul[kPulP2];
    pulse[6] = pul[kPulP5];
}

std::vector<double> PulseSourceBreakpoints(const PulseSource& source, double tmax) {
    std::vector<double> times;
    const double* m = ModelReals(*source.model);
    const double period = m[kPulP5];
    if (!(period > 0)) return times;
    for (int k = 0; k < kMaxPulseBreakpointPeriods; ++k) {
        const double s = k * period;
        if (s > tmax) break;
        for (int i = kPulP1; i <= kPulP4; ++i) {
            if (s + m[i] > tmax) return times;
            times.push_back(s + m[i]);
        }
    }
    return times;
}

std::vector<double> SpiceSourceBreakpoints(SpiceSource& source, double tmin, double tmax) {
    std::vector<double> times;
    double* p = source.p;
    switch (source.spec_kind) {
    case kSourcePulse: {
        const double delay = p[2], rise = p[3], fall = p[4], width = p[5];
        p[6] = std::max(p[6], rise + width + fall);
        const double period = p[6];
        times.push_back(delay);
        if (!(period > 0)) break;
        for (int k = 0; k < kMaxPulseBreakpointPeriods; ++k) {
            const double s = delay + k * period;
            if (s > tmax) break;
            for (double t : {s + rise, s + rise + width, s + rise + width + fall, s + period}) {
                if (t > tmax) return times;
                times.push_back(t);
            }
        }
        break;
    }
    case kSourceSin:
        times.push_back(tmin + p[3]);
        break;
    case kSourceExp:
        times.push_back(tmin + p[2]);
        times.push_back(tmin + p[4]);
        break;
    case kSourcePwl: {
        const double h = source.pwl.time_scale;
        if (h == 0) break;
        WalkPwlEntries(source.pwl, 0, [&](const PwlEntry&, double time) {
            const double t = h * time;
            if (t > tmax) return false;
            if (t >= tmin) times.push_back(t);
            return true;
        });
        break;
    }
    default:
        break;
    }
    return times;
}

std::vector<double> UserSourceBreakpoints(const UserSource& source, double tmin) {
    std::vector<double> times;
    const auto& a = source.table.abscissas;
    const auto& v = source.table.values;
    const size_t n = a.size();
    for (size_t i = 0; i < n; ++i) {
        bool wanted = i == 0 || i + 1 == n;
        if (!wanted) {
            const double here = std::fabs(v[2 * i]), after = std::fabs(v[2 * (i + 1)]);
            wanted = (after - here) / std::max({here, after, 1e-50}) > 1e-5;
        }
        if (wanted) times.push_back(tmin + a[i]);
    }
    return times;
}

// --- AC -------------------------------------------------------------------------------------
namespace {
int AcLoadSineSources() {
    for (auto* s : DevicesOf<SineSource>(kSineSourceList)) {
        NoteNoiseInputSource(s->positive, s->negative, s->branch, true, 1.0);
        if (int error = AcStampVoltageSource(s->branch, s->positive, s->negative, 1.0, 0.0)) return error;
    }
    return 0;
}

int AcLoadPulseSources() {
    for (auto* s : DevicesOf<PulseSource>(kPulseSourceList)) {
        NoteNoiseInputSource(s->positive, s->negative, s->branch, true, 1.0);
        if (int error = AcStampVoltageSource(s->branch, s->positive, s->negative, 1.0, 0.0)) return error;
    }
    return 0;
}

// The point table's complex pair at the present frequency.
int AcLoadUserSources() {
    for (auto* s : DevicesOf<UserSource>(kUserSourceList)) {
        double pair[2] = {0, 0};
        LookupUserSourceValue(s, pair);
        s->ac_value = {pair[0], pair[1]};
        NoteNoiseInputSource(s->positive, s->negative, s->branch, true, s->ac_value);
        if (int error = AcStampVoltageSource(s->branch, s->positive, s->negative, pair[0], pair[1])) return error;
    }
    return 0;
}

// Magnitude and phase (degrees); the noise input source's magnitude is kept for the
// input noise.
int AcLoadSpiceSources() {
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList)) {
        const double phase = s->ac_phase * 0.017453292519943295;
        const std::complex<double> x = s->ac_magnitude * std::complex<double>(std::cos(phase), std::sin(phase));
        if (s->positive == Noise.input_plus && s->negative == Noise.input_minus) Noise.input_magnitude = s->ac_magnitude;
        NoteNoiseInputSource(s->positive, s->negative, s->branch, s->IsVoltage(), x);
        if (s->IsVoltage()) {
            if (int error = AcStampVoltageSource(s->branch, s->positive, s->negative, x.real(), x.imag())) return error;
        } else {
            AcAddExcitation(s->positive, -x.real(), -x.imag());
            AcAddExcitation(s->negative, x.real(), x.imag());
        }
    }
    return 0;
}

int ComputeSpiceSourceAcCurrents() {
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList)) {
        if (s->IsVoltage()) continue;
        const double phase = s->ac_phase * 0.017453292519943295;
        s->ac_current = s->ac_magnitude * std::complex<double>(std::cos(phase), std::sin(phase));
    }
    return 0;
}
}  // namespace

const AcKindHandler kSineSourceAcKind{AcStage::IndependentSources, 0, AcLoadSineSources};
const AcKindHandler kPulseSourceAcKind{AcStage::IndependentSources, 1, AcLoadPulseSources};
const AcKindHandler kUserSourceAcKind{AcStage::IndependentSources, 2, AcLoadUserSources};
const AcKindHandler kSpiceSourceAcKind{AcStage::IndependentSources, 3, AcLoadSpiceSources,
                                       AcCurrentRank::IndependentSources, ComputeSpiceSourceAcCurrents};

}  // namespace ob7
