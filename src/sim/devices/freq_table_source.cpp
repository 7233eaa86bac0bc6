#include "sim/devices/freq_table_source.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/devices/controlled_convergence.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/sampled_sources.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/newton.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

struct Buffers {
    std::vector<std::vector<double>> impulse, history;
    bool ready = false;
};
Buffers Sampled;

int NumberFreqTableBranches(int next) {
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList)) {
        s->branch = 0;
        if (s->form == kFreqTableG) continue;
        s->branch = next;
        next += s->form == kFreqTableH ? 2 : 1;
    }
    return next;
}

// The first entry from 1 on whose frequency is not below f, at most the last.
int SegmentAt(const FreqTableSource& s, double f) {
    const int last = static_cast<int>(s.table.size()) - 1;
    int j = 1;
    while (j < last && s.table[static_cast<size_t>(j)][0] < f) ++j;
    return std::min(j, last);
}

double InputOf(const FreqTableSource& s) {
    return s.form == kFreqTableF || s.form == kFreqTableH ? Solution[s.branch] : Solution[s.a] - Solution[s.b];
}

}  // namespace

const DeviceKindHandler kFreqTableSourceKind{LoadStage::FreqTableSources, 0, SetupFreqTableSources,
                                             LoadFreqTableSources, BranchRank::LaplaceTableSources,
                                             NumberFreqTableBranches};
const AcKindHandler kFreqTableSourceAcKind{AcStage::FreqTableSources, 0, AcLoadFreqTableSources,
                                           AcCurrentRank::FreqTableSources, ComputeFreqTableAcCurrents};

FreqTableSource* AddFreqTableSource(int form, int a, int b, int c, int d, std::vector<std::array<double, 3>> table) {
    auto* s = new FreqTableSource;
    s->form = form, s->a = a, s->b = b, s->c = c, s->d = d;
    s->table = std::move(table);
    AddDevice(kLaplaceTableSourceList, s);
    return s;
}

double InterpolateFreqTable(int segment, int column, double f, const FreqTableSource& s) {
    if (s.table.size() < 2) return s.table.empty() ? 0.0 : s.table[0][static_cast<size_t>(column)];
    const auto& e0 = s.table[static_cast<size_t>(segment - 1)];
    const auto& e1 = s.table[static_cast<size_t>(segment)];
    const double f0 = std::max(e0[0], 1e-20), f1 = std::max(e1[0], 1e-20);
    const double y0 = e0[static_cast<size_t>(column)];
    double y1 = e1[static_cast<size_t>(column)];
    if (column == 2 && s.value_kind != kTableRealImag && std::fabs(y1 - y0) > 180) {
        // Unwrap: the whole turns that bring the phase nearest its neighbour.
        const double turns = std::clamp(std::round((y0 - y1) / 360), -160.0, 160.0);
        y1 += 360 * turns;
    }
    double decades = std::log10(f1 / f0);
    if (std::fabs(decades) < 1e-20) decades = std::copysign(1e-20, decades == 0 ? 1.0 : decades);
    const double slope = (y1 - y0) / decades;
    return y1 + slope * std::log10(std::max(f, 1e-20) / f1);
}

void EvalFreqTableResponse(double* re, double* im, int segment, double f, const FreqTableSource& s) {
    if (s.value_kind == kTableRealImag) {
        *re = InterpolateFreqTable(segment, 1, f, s);
        *im = InterpolateFreqTable(segment, 2, f, s);
        return;
    }
    double magnitude = InterpolateFreqTable(segment, 1, f, s);
    if (s.value_kind == kTableDecibels) magnitude = std::exp(std::clamp(magnitude * 0.1151292546497023, -350.0, 350.0));
    double angle = InterpolateFreqTable(segment, 2, f, s);
    if (s.phase_kind == kTableDegrees) angle *= std::numbers::pi / 180;
    *re = magnitude * std::cos(angle);
    *im = magnitude * std::sin(angle);
}

void ResetFreqTableState() {
    Sampled.impulse.clear();
    Sampled.history.clear();
    Sampled.ready = false;
}

int ComputeFreqTableImpulseResponses() {
    const int n = SampledSourceCount;
    const double df = 0.5 / Run.tmax;
    Sampled.impulse.clear();
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList)) {
        std::vector<double> re(static_cast<size_t>(n), 0.0), im(static_cast<size_t>(n), 0.0);
        for (int m = 0; m <= n / 2; ++m) {
            const double f = 1e-9 + m * df;
            double hr = 0, hi = 0;
            EvalFreqTableResponse(&hr, &hi, SegmentAt(*s, f), f, *s);
            re[static_cast<size_t>(m)] = hr * n / 2;
            im[static_cast<size_t>(m)] = hi * n / 2;
        }
        Sampled.impulse.push_back(FrequencyToImpulse(re, im, df, 0));
    }
    return 0;
}

int SetupFreqTableSources() {
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList))
        if (int error = AllocControlledSourceEntries(s->form - kFreqTableG, s->branch, s->a, s->b, s->c, s->d))
            return error;
    return 0;
}

int LoadFreqTableSources() {
    // Without sources there is no sample interval: t / 0 would raise the invalid flag.
    if (DeviceListTable[kLaplaceTableSourceList].empty()) return 0;
    const bool transient = AnalysisMode == kModeTransient && !OperatingPointPhase;
    if (transient && !Sampled.ready) {
        if (int error = ComputeFreqTableImpulseResponses()) return error;
        // Before the run each input stood at its operating point.
        Sampled.history.clear();
        for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList))
            Sampled.history.emplace_back(static_cast<size_t>(SampledSourceCount) + 2, s->op_input_dt);
        Sampled.ready = true;
    }
    const int n = SampledSourceCount;
    const double dt = SampleInterval(), t = Run.time;
    const double steps = dt > 0 ? t / dt : 0.0;
    const int k0 = static_cast<int>(std::floor(steps + 0.5)), j = static_cast<int>(std::floor(steps));
    const double phi = steps - j;
    size_t row = 0;
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList)) {
        const int form = s->form - kFreqTableG;
        double u = InputOf(*s);
        if (u == 0) u = 1e-9;
        double g = 1e-20, y = 0;
        if (OperatingPointPhase) {
            double hi = 0;
            EvalFreqTableResponse(&g, &hi, 1, 1e-20, *s);
            s->op_input_dt = u * dt;
            s->op_output = g * u;
        } else {
            if (UseInitialConditions && t == Run.tmin)
                s->op_output = s->form == kFreqTableE || s->form == kFreqTableH ? Solution[s->c] - Solution[s->d]
                                                                                : Solution[s->branch];
            if (transient && Sampled.ready && j <= n / 2 && row < Sampled.impulse.size()) {
                std::vector<double>& history = Sampled.history[row];
                history[static_cast<size_t>(k0)] = u * dt;
                y = ConvolveHistory(Sampled.impulse[row], history, j, phi, u * dt, s->op_input_dt, s->op_output);
            }
        }
        ++row;
        if (ControlledSourceNotConverged(form, s->output, y, u, s->input)) RecordNonConvergentDevice(s, kNcFreqTable, 0);
        switch (s->form) {
        case kFreqTableE: RightHandSide[s->branch] = y; break;
        case kFreqTableH: RightHandSide[s->branch + 1] = y; break;
        default:
            RightHandSide[s->c] -= y;
            RightHandSide[s->d] += y;
            break;
        }
        StampControlledSource(form, g);
        if (s->flag_byte1) {
            const double i = s->form == kFreqTableE ? Solution[s->branch]
                             : s->form == kFreqTableH ? Solution[s->branch + 1]
                                                      : s->output;
            s->power = -(i * (Solution[s->c] - Solution[s->d]));
            Run.power_generated += s->power;
        }
    }
    return 0;
}

namespace {

std::complex<double> AcGain(const FreqTableSource& s) {
    double re = 0, im = 0;
    EvalFreqTableResponse(&re, &im, SegmentAt(s, AcFrequency), AcFrequency, s);
    return {re, im};
}

}  // namespace

int AcLoadFreqTableSources() {
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList)) {
        const std::complex<double> h = AcGain(*s);
        if (int error = AcStampControlledSource(true, true, s->form - kFreqTableG, s->branch, s->branch + 1, s->a, s->b,
                                                s->c, s->d, h.real(), h.imag()))
            return error;
    }
    return 0;
}

int ComputeFreqTableAcCurrents() {
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList)) {
        if (s->form != kFreqTableG && s->form != kFreqTableF) continue;
        s->ac_current =
            AcGain(*s) * (s->form == kFreqTableG ? AcNodeValue(s->a) - AcNodeValue(s->b) : AcNodeValue(s->branch));
    }
    return 0;
}

}  // namespace ob7
