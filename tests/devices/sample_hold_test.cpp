// Sample-and-hold sources: a ramp sampled every millisecond holds its value between
// samples; a clock that stays 0 keeps the held value; breakpoints bracket each sample.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "devices/device_checks.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/time_breakpoints.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using SampleHolds = DeviceCircuit;

ExpressionToken Read(const double* p) {
    ExpressionToken t;
    t.opcode = kOpRealPointer;
    t.pushes = 1;
    t.value.real = p;
    return t;
}

// A ramp of 1 V per ms on node 1 (a 10 ms pulse edge), sampled every 1 ms onto node 2.
TEST_F(SampleHolds, PeriodicSamplesHoldBetweenInstants) {
    SpiceSource* ramp = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    ramp->spec_kind = kSourcePulse;
    const double p[7] = {0, 10, 0, 10e-3, 1e-3, 1, 2};
    std::copy(p, p + 7, ramp->p);
    SampleHold* s = AddSampleHold(2, 0, 1e-3);
    AddResistor(2, 0, 1e3);
    ob7::Run.tmin = 0, ob7::Run.tmax = 10e-3;
    ASSERT_EQ(Prepare(2), 0);
    s->input.tokens = {Read(&Solution[1])};
    s->input.run = &ob7::Run;
    InitSampleHolds(1);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_EQ(V(2), 0);
    const double h = 0.1e-3;
    ASSERT_EQ(BeginTransient(h), 0);
    SaveSampleHoldStates();
    while (ob7::Run.time < 5.05e-3) {
        ASSERT_EQ(Step(h), 0) << ob7::Run.time;
        SaveSampleHoldStates();
        // The first time point samples too (0.1 V), then every whole millisecond.
        const double last_sample = std::max(std::floor(ob7::Run.time / 1e-3 + 1e-6) * 1e-3, h);
        EXPECT_NEAR(V(2), last_sample * 1e3, 1e-9) << ob7::Run.time;
    }
    // A rejected step returns to the held value of the last accepted point.
    s->held = 99;
    RestoreSampleHoldStates();
    EXPECT_NEAR(s->held, 5, 1e-9);
}

TEST_F(SampleHolds, ClockAtZeroKeepsTheValue) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 3);
    SampleHold* s = AddSampleHold(2, 0, 0);
    AddResistor(2, 0, 1e3);
    ASSERT_EQ(Prepare(2), 0);
    static double clock = 0;
    s->input.tokens = {Read(&Solution[1])};
    s->input.run = &ob7::Run;
    s->clock.tokens = {Read(&clock)};
    s->clock.run = &ob7::Run;
    s->held = 1.25;
    clock = 0;
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(2), 1.25, 1e-12);
    clock = 1;
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(2), 3, 1e-12);
}

TEST_F(SampleHolds, BreakpointsBracketEverySample) {
    AddSampleHold(1, 0, 1e-3);
    AddResistor(1, 0, 1);
    ob7::Run.tmin = 0, ob7::Run.tmax = 3e-3, ob7::Run.tick_length = 1e-12;
    ASSERT_EQ(Prepare(1), 0);
    static std::vector<double> times;
    times.clear();
    RequestTimeBreakpoint = [](double t) {
        times.push_back(t);
        return 0;
    };
    ASSERT_EQ(AddSampleHoldBreakpoints(), 0);
    RequestTimeBreakpoint = nullptr;
    ASSERT_EQ(times.size(), 6u);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_NEAR(times[2 * n - 1], n * 1e-3, 1e-12);
        EXPECT_LT(times[2 * n - 2], n * 1e-3);
        EXPECT_NEAR(times[2 * n - 2], n * 1e-3 - 10 * Options.reltol * 1e-3, 1e-12);
    }
}

}  // namespace
}  // namespace ob7
