#include "sim/devices/laplace_source.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/devices/controlled_convergence.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/freq_table_source.h"
#include "sim/devices/sampled_sources.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/newton.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

// One row per source: its impulse response and its input history, N + 2 samples each.
struct SampledSourceBuffers {
    std::vector<std::vector<double>> impulse, history;
    bool ready = false;
};
SampledSourceBuffers Buffers;

int NumberLaplaceBranches(int next) {
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList)) {
        s->branch = 0;
        if (s->form == kLaplaceG) continue;
        s->branch = next;
        next += s->form == kLaplaceH ? 2 : 1;
    }
    return next;
}

int EvaluateTransfer(LaplaceSource& s, ComplexValue* h) { return EvaluateExpression(&s.transfer, h); }

double InputOf(const LaplaceSource& s) {
    return s.form == kLaplaceF || s.form == kLaplaceH ? Solution[s.branch] : Solution[s.a] - Solution[s.b];
}

double OutputQuantity(const LaplaceSource& s) {
    switch (s.form) {
    case kLaplaceE: return Solution[s.c] - Solution[s.d];
    case kLaplaceH: return Solution[s.c] - Solution[s.d];
    default: return Solution[s.branch];
    }
}

}  // namespace

const DeviceKindHandler kLaplaceSourceKind{LoadStage::LaplaceSources, 0, SetupLaplaceSources, LoadLaplaceSources,
                                           BranchRank::LaplaceSources, NumberLaplaceBranches};
const AcKindHandler kLaplaceSourceAcKind{AcStage::LaplaceSources, 0, AcLoadLaplaceSources,
                                         AcCurrentRank::LaplaceSources, ComputeLaplaceAcCurrents};

LaplaceSource* AddLaplaceSource(int form, int a, int b, int c, int d) {
    auto* s = new LaplaceSource;
    s->form = form, s->a = a, s->b = b, s->c = c, s->d = d;
    AddDevice(kLaplaceSourceList, s);
    return s;
}

void ResetSampledSourceState() {
    Buffers.impulse.clear();
    Buffers.history.clear();
    Buffers.ready = false;
    ResetFreqTableState();
}

int ResetSampledSourceHistory(int flag) {
    if (flag) return 0;
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList)) s->op_input_dt = s->op_output = 0;
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList)) s->op_input_dt = s->op_output = 0;
    return 0;
}

int ComputeLaplaceImpulseResponses() {
    const int n = SampledSourceCount;
    const double df = 0.5 / Run.tmax;
    const double saved_frequency = Run.frequency, saved_sigma = Run.laplace_sigma;
    const double sigma = 6.5 / Run.tmax;
    Buffers.impulse.clear();
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList)) {
        std::vector<double> re(static_cast<size_t>(n), 0.0), im(static_cast<size_t>(n), 0.0);
        Run.frequency = 1e-9;
        Run.laplace_sigma = sigma;
        for (int m = 0; m <= n / 2; ++m) {
            ComplexValue h{};
            if (int error = EvaluateTransfer(*s, &h)) {
                Run.frequency = saved_frequency, Run.laplace_sigma = saved_sigma;
                return error;
            }
            re[static_cast<size_t>(m)] = h.re * n / 2;
            im[static_cast<size_t>(m)] = h.im * n / 2;
            Run.frequency += df;
        }
        Run.frequency = saved_frequency;
        std::vector<double> h = FrequencyToImpulse(re, im, df, sigma);
        Buffers.impulse.push_back(std::move(h));
    }
    Run.laplace_sigma = 0;
    return 0;
}

int SetupLaplaceSources() {
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList))
        if (int error = AllocControlledSourceEntries(s->form - kLaplaceG, s->branch, s->a, s->b, s->c, s->d))
            return error;
    return 0;
}

int LoadLaplaceSources() {
    // Without sources there is no sample interval: t / 0 would raise the invalid flag.
    if (DeviceListTable[kLaplaceSourceList].empty()) return 0;
    const bool transient = AnalysisMode == kModeTransient && !OperatingPointPhase;
    if (transient && !Buffers.ready) {
        if (int error = ComputeLaplaceImpulseResponses()) return error;
        // Before the run each input stood at its operating point.
        Buffers.history.clear();
        for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList))
            Buffers.history.emplace_back(static_cast<size_t>(SampledSourceCount) + 2, s->op_input_dt);
        Buffers.ready = true;
    }
    const int n = SampledSourceCount;
    const double dt = SampleInterval();
    const double t = Run.time;
    const double steps = dt > 0 ? t / dt : 0.0;
    const int k0 = static_cast<int>(std::floor(steps + 0.5)), j = static_cast<int>(std::floor(steps));
    const double phi = steps - j;
    size_t row = 0;
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList)) {
        const int form = s->form - kLaplaceG;
        double u = InputOf(*s);
        if (u == 0) u = 1e-9;
        double g = 1e-20, y = 0;
        if (OperatingPointPhase) {
            // Nearly DC: the gain at 1e-9 Hz without damping.
            const double saved_frequency = Run.frequency, saved_sigma = Run.laplace_sigma;
            Run.frequency = 1e-9, Run.laplace_sigma = 0;
            ComplexValue h{};
            const int error = EvaluateTransfer(*s, &h);
            Run.frequency = saved_frequency, Run.laplace_sigma = saved_sigma;
            if (error) return error;
            g = h.re;
            s->op_input_dt = u * dt;
            s->op_output = g * u;
        } else {
            if (UseInitialConditions && t == Run.tmin) s->op_output = OutputQuantity(*s);
            if (transient && Buffers.ready && j <= n / 2 && row < Buffers.impulse.size()) {
                const std::vector<double>& h = Buffers.impulse[row];
                std::vector<double>& history = Buffers.history[row];
                history[static_cast<size_t>(k0)] = u * dt;
                y = ConvolveHistory(h, history, j, phi, u * dt, s->op_input_dt, s->op_output);
            }
        }
        ++row;
        if (ControlledSourceNotConverged(form, s->output, y, u, s->input)) RecordNonConvergentDevice(s, kNcLaplace, 0);
        switch (s->form) {
        case kLaplaceE: RightHandSide[s->branch] = y; break;
        case kLaplaceH: RightHandSide[s->branch + 1] = y; break;
        default:
            RightHandSide[s->c] -= y;
            RightHandSide[s->d] += y;
            break;
        }
        StampControlledSource(form, g);
        if (s->flag_byte1) {
            const double i = s->form == kLaplaceE ? Solution[s->branch]
                             : s->form == kLaplaceH ? Solution[s->branch + 1]
                                                    : s->output;
            s->power = -(i * (Solution[s->c] - Solution[s->d]));
            Run.power_generated += s->power;
        }
    }
    return 0;
}

int AcLoadLaplaceSources() {
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList)) {
        ComplexValue h{};
        if (int error = EvaluateTransfer(*s, &h)) return error;
        if (int error = AcStampControlledSource(true, true, s->form - kLaplaceG, s->branch, s->branch + 1, s->a, s->b,
                                                s->c, s->d, h.re, h.im))
            return error;
    }
    return 0;
}

int ComputeLaplaceAcCurrents() {
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList)) {
        if (s->form != kLaplaceG && s->form != kLaplaceF) continue;
        ComplexValue h{};
        if (int error = EvaluateTransfer(*s, &h)) return error;
        const std::complex<double> gain(h.re, h.im);
        s->ac_current = gain * (s->form == kLaplaceG ? AcNodeValue(s->a) - AcNodeValue(s->b) : AcNodeValue(s->branch));
    }
    return 0;
}

}  // namespace ob7
