// The Laplace source, the sample-and-hold and the magnetic core through the drivers: the
// Laplace low-pass 1 / (1 + S RC) against the RC circuit it describes, the sampling
// instants as breakpoints of the time loop, and the core's B-H loop.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/freq_table_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/magnetic_core.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/sampled_sources.h"

namespace ob7 {
namespace {

constexpr double kTau = 1e-3;

ExpressionToken Token(int16_t opcode, double number = 0, int16_t pushes = 0) {
    ExpressionToken t;
    t.opcode = opcode;
    t.pushes = pushes;
    t.value.number = number;
    return t;
}

ExpressionToken Read(const double* p) {
    ExpressionToken t;
    t.opcode = kOpRealPointer;
    t.pushes = 1;
    t.value.real = p;
    return t;
}

class SampledAndCoreRun : public AnalysisCircuit {
protected:
    // Node 1 drives R = 1k, C = 1 uF (node 2) and the Laplace E source 1 / (1 + S RC)
    // (node 3, loaded by 1k).
    SpiceSource* BuildLowPassPair() {
        SpiceSource* in = AddSpiceSource(1, 0, kSpiceVoltageSource, 0.5);
        AddResistor(1, 2, 1e3);
        AddCapacitor(2, 0, 1e-6);
        LaplaceSource* s = AddLaplaceSource(kLaplaceE, 1, 0, 3, 0);
        AddResistor(3, 0, 1e3);
        constexpr int16_t kS = 29, kMultiply = 100, kAdd = 102, kDivide = 101;
        s->transfer.tokens = {Token(kOpConstant, 1, 1), Token(kOpConstant, 1, 1), Token(kS, 0, 1),
                              Token(kOpConstant, kTau, 1), Token(kMultiply), Token(kAdd), Token(kDivide)};
        s->transfer.run = &ob7::Run;
        NodeCount = 3;
        return in;
    }
};

TEST_F(SampledAndCoreRun, LaplaceLowPassEqualsRcInAc) {
    SpiceSource* in = BuildLowPassPair();
    in->ac_magnitude = 1;
    RecordingSink sink;
    sink.probe = [] {
        const std::complex<double> rc = Vac(2), laplace = Vac(3);
        return std::vector<double>{rc.real(), rc.imag(), laplace.real(), laplace.imag()};
    };
    AcSettings s;
    s.frequency_range = "1e5,1";
    s.points = 26;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    ASSERT_EQ(sink.x.size(), 26u);
    for (size_t i = 0; i < sink.x.size(); ++i) {
        SCOPED_TRACE(sink.x[i]);
        const std::complex<double> expected = 1.0 / std::complex<double>(1, 2 * std::numbers::pi * sink.x[i] * kTau);
        const std::vector<double>& v = sink.values[i];
        EXPECT_LT(std::abs(std::complex<double>(v[0], v[1]) - expected), 1e-9 * std::abs(expected));
        EXPECT_LT(std::abs(std::complex<double>(v[2], v[3]) - expected), 1e-9 * std::abs(expected));
    }
}

// A frequency-table E source holding the low-pass's magnitude and phase at every decade
// from 100 Hz to 1 MHz gives exactly those values at these frequencies in the AC sweep.
TEST_F(SampledAndCoreRun, FrequencyTableGivesItsEntriesInAc) {
    SpiceSource* in = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    in->ac_magnitude = 1;
    std::vector<std::array<double, 3>> table;
    for (double f : {1e2, 1e3, 1e4, 1e5, 1e6}) {
        const std::complex<double> h = 1.0 / std::complex<double>(1, 2 * std::numbers::pi * f * kTau);
        table.push_back({f, std::abs(h), std::arg(h) * 180 / std::numbers::pi});
    }
    AddFreqTableSource(kFreqTableE, 1, 0, 2, 0, table);
    AddResistor(2, 0, 1e3);
    NodeCount = 2;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{Vac(2).real(), Vac(2).imag()}; };
    AcSettings s;
    s.frequency_range = "1e6,1e2";
    s.points = 5;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    ASSERT_EQ(sink.x.size(), 5u);
    for (size_t i = 0; i < sink.x.size(); ++i) {
        SCOPED_TRACE(sink.x[i]);
        const std::complex<double> expected = 1.0 / std::complex<double>(1, 2 * std::numbers::pi * sink.x[i] * kTau);
        EXPECT_LT(std::abs(std::complex<double>(sink.values[i][0], sink.values[i][1]) - expected),
                  1e-9 * std::abs(expected));
    }
}

// A step from 0.5 V to 1.5 V at 1 ms: the Laplace output follows the capacitor through
// the convolution of its impulse response, lagging by less than one sample interval
// 2 TMAX / N (N from RELTOL and the maximum step).
TEST_F(SampledAndCoreRun, LaplaceLowPassEqualsRcInTransient) {
    const struct {
        double max_step;
        int samples;
    } cases[] = {{0, 512}, {1e-6, 8192}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.max_step);
        SpiceSource* in = BuildLowPassPair();
        in->spec_kind = kSourcePulse;
        const double p[7] = {0.5, 1.5, 1e-3, 1e-6, 1e-6, 1, 2};
        std::copy(p, p + 7, in->p);
        RecordingSink sink;
        sink.probe = [] { return std::vector<double>{V(2), V(3)}; };
        TransientSettings s;
        s.tmax = 8e-3;
        s.max_step = c.max_step;
        ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
        EXPECT_EQ(SampledSourceCount, c.samples);
        EXPECT_DOUBLE_EQ(sink.x.back(), 8e-3);
        double worst_rc = 0, worst_laplace = 0;
        for (size_t i = 0; i < sink.x.size(); ++i) {
            const double t = sink.x[i] - 1e-3 - 1e-6;
            const double expected = t > 0 ? 1.5 - std::exp(-t / kTau) : 0.5;
            worst_rc = std::max(worst_rc, std::fabs(sink.values[i][0] - expected));
            worst_laplace = std::max(worst_laplace, std::fabs(sink.values[i][1] - sink.values[i][0]));
        }
        EXPECT_LT(worst_rc, 1e-3);
        // The RC output's change over one sample interval after the step.
        EXPECT_LT(worst_laplace, 2 * 8e-3 / c.samples / kTau);
        FreeSimulationState();
    }
}

// The same step through a frequency-table E source holding the low-pass at 20 points a
// decade: its convolution follows the capacitor as the Laplace source's does.
TEST_F(SampledAndCoreRun, FrequencyTableLowPassEqualsRcInTransient) {
    SpiceSource* in = AddSpiceSource(1, 0, kSpiceVoltageSource, 0.5);
    in->spec_kind = kSourcePulse;
    const double p[7] = {0.5, 1.5, 1e-3, 1e-6, 1e-6, 1, 2};
    std::copy(p, p + 7, in->p);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-6);
    std::vector<std::array<double, 3>> table;
    for (int k = 0; k <= 160; ++k) {
        const double f = std::pow(10.0, -1 + k / 20.0);
        const std::complex<double> h = 1.0 / std::complex<double>(1, 2 * std::numbers::pi * f * kTau);
        table.push_back({f, std::abs(h), std::arg(h) * 180 / std::numbers::pi});
    }
    AddFreqTableSource(kFreqTableE, 1, 0, 3, 0, table);
    AddResistor(3, 0, 1e3);
    NodeCount = 3;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2), V(3)}; };
    TransientSettings s;
    s.tmax = 8e-3;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    double worst = 0;
    for (const auto& v : sink.values) worst = std::max(worst, std::fabs(v[1] - v[0]));
    EXPECT_LT(worst, 2 * 8e-3 / SampledSourceCount / kTau);
}

// A ramp of 1 V per ms sampled every millisecond: the time loop lands on every sampling
// instant and the output holds the ramp's value of the last instant.
TEST_F(SampledAndCoreRun, SampleHoldInstantsAreBreakpoints) {
    SpiceSource* ramp = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    ramp->spec_kind = kSourcePulse;
    const double p[7] = {0, 10, 0, 10e-3, 1e-3, 1, 2};
    std::copy(p, p + 7, ramp->p);
    AddResistor(1, 0, 1e3);
    SampleHold* hold = AddSampleHold(2, 0, 1e-3);
    hold->input.tokens = {Read(&ramp->value)};
    hold->input.run = &ob7::Run;
    AddResistor(2, 0, 1e3);
    NodeCount = 2;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2)}; };
    TransientSettings s;
    s.tmax = 10e-3;
    s.points = 11;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    const double tick = 10e-3 * 1e-9;
    for (int n = 1; n <= 10; ++n) {
        SCOPED_TRACE(n);
        const double instant = n * 1e-3;
        const auto hit = std::find_if(sink.x.begin(), sink.x.end(),
                                      [&](double x) { return std::fabs(x - instant) < 1e-3 * tick; });
        ASSERT_NE(hit, sink.x.end());
        EXPECT_NEAR(sink.values[static_cast<size_t>(hit - sink.x.begin())][0], n, 1e-9);
        // So does the instant just before, where the previous sample still holds.
        const double before = instant - 10 * Options.reltol * 1e-3;
        EXPECT_TRUE(std::any_of(sink.x.begin(), sink.x.end(), [&](double x) { return std::fabs(x - before) < tick; }));
    }
    for (size_t i = 0; i < sink.x.size(); ++i)
        if (sink.x[i] >= 1e-3) {
            EXPECT_NEAR(sink.values[i][0], std::floor(sink.x[i] / 1e-3 + 1e-6), 1e-9) << sink.x[i];
        }
}

// 100 turns on a 10 cm core carry a 10 A, 1 kHz sine (the field swings by +-10 kA/m).
class CoreLoop : public SampledAndCoreRun {
protected:
    CoreState* Build(double k) {
        ModelParams* model =
            Model(kModelCore, {{"AREA", 1}, {"PATH", 10}, {"MS", 1.6e6}, {"A", 1000}, {"K", k}, {"C", 0.1}});
        SpiceSource* drive = AddSpiceSource(0, 1, 11, 0);  // a current source
        drive->spec_kind = kSourceSin;
        drive->p[1] = 10, drive->p[2] = 1e3;
        // A coupling that names the core makes its inductors windings: a second winding of
        // 50 turns stays open through 1 Mohm.
        Inductor* primary = AddInductor(1, 0, 1e-3);
        Inductor* secondary = AddInductor(2, 0, 1e-3);
        AddResistor(1, 0, 1e6);
        AddResistor(2, 0, 1e6);
        CoreState* core = AddCore(model);
        MakeWinding(primary, core, 100);
        MakeWinding(secondary, core, 50);
        AddCoupling(primary, secondary, 1);
        NodeCount = 2;
        return core;
    }
    // H and M of the core at every accepted point of a 2.5 ms run.
    void RunCycles(CoreState* core) {
        sink.probe = [core] { return std::vector<double>{core->h, core->m}; };
        TransientSettings s;
        s.tmax = 2.5e-3;
        s.max_step = 2e-6;
        s.points = 251;
        ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
        ASSERT_GT(sink.x.size(), 1200u);
    }
    RecordingSink sink;
};

// Without pinning the core follows its anhysteretic curve at every accepted point.
TEST_F(CoreLoop, WithoutPinningFollowsTheAnhystereticCurve) {
    CoreState* core = Build(0);
    RunCycles(core);
    double hmax = 0;
    for (size_t i = 0; i < sink.x.size(); ++i) {
        hmax = std::max(hmax, sink.values[i][0]);
        const double h = sink.values[i][0], m = sink.values[i][1];
        EXPECT_NEAR(m, 1.6e6 * h / (std::fabs(h) + 1000), 1e-6 * 1.6e6) << sink.x[i];
    }
    EXPECT_NEAR(hmax, 1e4, 5);
}

// With pinning the second cycle (from peak to peak) is an open loop: symmetric remanence, a coercive field
// of the order of K, and a positive loss H dB around it.
TEST_F(CoreLoop, WithPinningTracesAnOpenLoop) {
    const double k = 2000;
    CoreState* core = Build(k);
    RunCycles(core);
    std::vector<double> hs, ms;
    for (size_t i = 0; i < sink.x.size(); ++i)
        if (sink.x[i] >= 1.25e-3 && sink.x[i] <= 2.25e-3) hs.push_back(sink.values[i][0]), ms.push_back(sink.values[i][1]);
    const double hmax = *std::max_element(hs.begin(), hs.end());
    const double mmax = *std::max_element(ms.begin(), ms.end());
    EXPECT_NEAR(hmax, 1e4, 5);
    EXPECT_LT(mmax, 1.6e6 * hmax / (hmax + 1000));
    EXPECT_NEAR(*std::min_element(ms.begin(), ms.end()), -mmax, 0.02 * mmax);
    double rem_down = 0, rem_up = 0, hc_down = 0, area = 0;
    for (size_t i = 1; i < hs.size(); ++i) {
        if (hs[i - 1] > 0 && hs[i] <= 0) rem_down = ms[i];
        if (hs[i - 1] < 0 && hs[i] >= 0) rem_up = ms[i];
        if (ms[i - 1] > 0 && ms[i] <= 0) hc_down = hs[i];
        area += 0.5 * (hs[i] + hs[i - 1]) * kMu0 * ((hs[i] + ms[i]) - (hs[i - 1] + ms[i - 1]));
    }
    EXPECT_GT(rem_down, 0.2 * 1.6e6);
    EXPECT_NEAR(rem_up, -rem_down, 0.05 * rem_down);
    EXPECT_LT(hc_down, -0.5 * k);
    EXPECT_GT(hc_down, -3 * k);
    EXPECT_GT(area, 0);
}

}  // namespace
}  // namespace ob7
