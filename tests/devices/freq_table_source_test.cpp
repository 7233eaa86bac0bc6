// Frequency-table sources: interpolation per decade with the phase unwrapped, the table's
// value in AC, and an RC low-pass given as a table following the RC circuit in a
// transient.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "devices/device_checks.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/freq_table_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sampled_sources.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using FreqTableSources = DeviceCircuit;

TEST(FreqTableInterpolation, PhaseJumpGoesThrough180) {
    FreqTableSource s;
    s.table = {{100, 2, 179}, {1000, 2, -179}};
    double re = 0, im = 0;
    EvalFreqTableResponse(&re, &im, 1, std::sqrt(1e5), s);  // half a decade up
    EXPECT_NEAR(re, -2, 1e-12);
    EXPECT_NEAR(im, 0, 1e-12);
    // Magnitude in dB: 20 dB is 10 times.
    s.value_kind = kTableDecibels;
    s.table = {{1, 20, 0}, {10, 0, 0}};
    EvalFreqTableResponse(&re, &im, 1, 1, s);
    EXPECT_NEAR(re, 10, 1e-9);
    EvalFreqTableResponse(&re, &im, 1, std::sqrt(10.0), s);
    EXPECT_NEAR(re, std::sqrt(10.0), 1e-9);
}

// The low-pass 1 / (1 + j f / 159.15 Hz) tabled every tenth of a decade from 0.01 Hz to
// 1 MHz in dB and degrees.
std::vector<std::array<double, 3>> LowPassTable() {
    std::vector<std::array<double, 3>> table;
    for (int k = -20; k <= 60; ++k) {
        const double f = std::pow(10.0, k / 10.0);
        const std::complex<double> h = 1.0 / std::complex<double>(1, 2 * std::numbers::pi * f * 1e-3);
        table.push_back({f, 20 * std::log10(std::abs(h)), std::arg(h) * 180 / std::numbers::pi});
    }
    return table;
}

TEST_F(FreqTableSources, LowPassTableFollowsTheRcCircuit) {
    SpiceSource* step = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    step->spec_kind = kSourcePulse;
    const double p[7] = {0.5, 1.5, 1e-3, 1e-6, 1e-6, 1, 2};
    std::copy(p, p + 7, step->p);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-6);
    FreqTableSource* s = AddFreqTableSource(kFreqTableE, 1, 0, 3, 0, LowPassTable());
    s->value_kind = kTableDecibels;
    AddResistor(3, 0, 1e3);
    ob7::Run.tmin = 0, ob7::Run.tmax = 8e-3;
    SampledSourceCount = 4096;
    ResetFreqTableState();
    ASSERT_EQ(Prepare(3), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(3), 0.5, 1e-4);  // the gain of the lowest entry
    const double h = 2 * 8e-3 / 4096;
    ASSERT_EQ(BeginTransient(h), 0);
    double worst = 0;
    while (ob7::Run.time < 6e-3) {
        ASSERT_EQ(Step(h), 0) << ob7::Run.time;
        worst = std::max(worst, std::fabs(V(3) - V(2)));
    }
    EXPECT_LT(worst, 0.01);
    ResetFreqTableState();
}

}  // namespace
}  // namespace ob7
