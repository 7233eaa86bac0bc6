#include "expression/waveform_operators.h"

#include <gtest/gtest.h>

#include <cmath>

#include "expression/run_values.h"
#include "expression/waveform_noise.h"

namespace ob7 {
namespace {

// One operator occurrence with its private slots, driven the way a run drives it:
// Step() for every computed point, Accept() for accepted ones, Reset() before a sweep.
struct Occurrence {
    int opcode;
    ComplexValue slot[6];
    ComplexValue* ptr[6];
    explicit Occurrence(int op) : opcode(op) {
        for (int i = 0; i < 6; ++i) ptr[i] = &slot[i];
    }
    ComplexValue Step(const RunValues& run, ComplexValue a, ComplexValue b = {}, ComplexValue c = {}) {
        ComplexValue args[3] = {a, b, c};
        bool handled = false;
        ComplexValue r = StepWaveformOperator(opcode, args, ptr, run, WaveformMode{0, 0}, &handled);
        EXPECT_TRUE(handled);
        return r;
    }
    void Reset(const RunValues& run, int code, ComplexValue a = {}, ComplexValue b = {}, ComplexValue c = {}) {
        ComplexValue args[3] = {a, b, c};
        StepWaveformOperator(opcode, args, ptr, run, WaveformMode{1, code});
    }
};

ComplexValue R(double x) { return ComplexValue{x, 0.0}; }
ComplexValue Polar(double degrees) {
    double r = degrees * M_PI / 180.0;
    return ComplexValue{std::cos(r), std::sin(r)};
}

TEST(WaveformOperators, SlotCountsMatchTheOperators) {
    EXPECT_EQ(WaveformSlotCount(kOpPhase), 2);
    EXPECT_EQ(WaveformSlotCount(kOpDifference), 2);
    EXPECT_EQ(WaveformSlotCount(kOpGroupDelay), 5);
    EXPECT_EQ(WaveformSlotCount(kOpSum), 6);
    EXPECT_EQ(WaveformSlotCount(kOpRms), 3);
    EXPECT_EQ(WaveformSlotCount(kOpAverage), 3);
    EXPECT_EQ(WaveformSlotCount(100), 0);
    ComplexValue arg{};
    bool handled = true;
    RunValues run;
    StepWaveformOperator(100, &arg, nullptr, run, {}, &handled);
    EXPECT_FALSE(handled);
}

TEST(WaveformOperators, UnwrapPhase) {
    // First point: no unwrapping.
    EXPECT_NEAR(UnwrapPhaseDegrees(Polar(-170), 170, false), -170, 1e-9);
    // A jump of more than 180 degrees is removed by a multiple of 360.
    EXPECT_NEAR(UnwrapPhaseDegrees(Polar(-170), 170, true), 190, 1e-9);
    EXPECT_NEAR(UnwrapPhaseDegrees(Polar(170), -900, true), -910, 1e-9);
    // Within 180 degrees nothing moves.
    EXPECT_NEAR(UnwrapPhaseDegrees(Polar(100), -60, true), 100, 1e-9);
    // Beyond 57600 degrees the best shift of the 160 steps is kept.
    EXPECT_NEAR(UnwrapPhaseDegrees(Polar(0), 100000, true), 57600, 1e-9);
}

TEST(WaveformOperators, PhaseKeepsHistoryAcrossAcceptedPoints) {
    RunValues run;
    run.analysis_kind = 1;
    Occurrence ph(kOpPhase);
    ph.Reset(run, 1);
    double phases[] = {170, -170, -150, -100};  // wraps at the second and last points
    double expected[] = {170, 190, 210, 260};
    for (int i = 0; i < 4; ++i) {
        run.point_index = i;
        // A rejected evaluation in between must not disturb the history.
        ph.Step(run, Polar(phases[i] + 90));
        EXPECT_NEAR(ph.Step(run, Polar(phases[i])).re, expected[i], 1e-9) << i;
        ph.Reset(run, 0);
    }
}

TEST(WaveformOperators, DifferenceSubtractsAcceptedPoint) {
    RunValues run;
    Occurrence del(kOpDifference);
    del.Reset(run, 1);
    // Right after a reset the previous value is 1.0.
    ComplexValue d = del.Step(run, ComplexValue{5, 2});
    EXPECT_EQ(d.re, 4);
    EXPECT_EQ(d.im, 2);
    del.Reset(run, 0);  // accept 5+2j
    del.Step(run, R(100));  // a rejected step
    d = del.Step(run, R(7));
    EXPECT_EQ(d.re, 2);
    EXPECT_EQ(d.im, -2);
    // Reset mode passes the argument through and leaves no tentative trace.
    del.Reset(run, 1, R(3));
    EXPECT_EQ(del.Step(run, R(3)).re, 2);
}

TEST(WaveformOperators, SumIntegratesByTrapezoids) {
    RunValues run;
    run.analysis_kind = 0;
    run.tmin = 1.0;
    run.tmax = 2.0;
    Occurrence sum(kOpSum);
    run.time = 0.0;  // stale time of the previous run
    sum.Reset(run, 1, R(1), R(run.time), R(run.tmin));
    for (double t : {1.0, 1.25, 1.5, 2.0}) {
        run.time = t;
        sum.Step(run, R(50), R(t), R(run.tmin));  // an iteration with another value
        double v = sum.Step(run, R(1), R(t), R(run.tmin)).re;
        EXPECT_NEAR(v, t - run.tmin, 1e-12) << t;
        sum.Reset(run, 0, R(1), R(t), R(run.tmin));
    }
    // A ramp integrates to t^2/2 exactly with trapezoids.
    Occurrence ramp(kOpSum);
    ramp.Reset(run, 1, R(0), R(0), R(0));
    double v = 0;
    for (double t = 0; t <= 1.0001; t += 0.25) {
        v = ramp.Step(run, R(t), R(t), R(0)).re;
        ramp.Reset(run, 0, R(t), R(t), R(0));
    }
    EXPECT_NEAR(v, 0.5, 1e-12);
    // Before var passes start the sum stays 0.
    Occurrence late(kOpSum);
    late.Reset(run, 1, R(1), R(0), R(5));
    EXPECT_EQ(late.Step(run, R(1), R(3), R(5)).re, 0);
}

TEST(WaveformOperators, AverageAndRmsRunFromStart) {
    RunValues run;
    run.analysis_kind = 0;
    run.tmin = 0;
    run.tmax = 1;
    Occurrence avg(kOpAverage), rms(kOpRms);
    avg.Reset(run, 1, R(0), R(0));
    rms.Reset(run, 1, R(0), R(0));
    for (int i = 0; i <= 4; ++i) {
        run.time = 0.25 * i;
        double a = avg.Step(run, R(3), R(0)).re;
        // A square wave between 1 and -1 has RMS 1.
        double r = rms.Step(run, R(i % 2 ? 1 : -1), R(0)).re;
        if (i == 0) {
            EXPECT_EQ(a, 0);
            EXPECT_EQ(r, 0);
        } else {
            EXPECT_NEAR(a, 3, 1e-12) << i;
            EXPECT_NEAR(r, 1, 1e-12) << i;
        }
        avg.Reset(run, 0, R(3), R(0));
        rms.Reset(run, 0, R(0), R(0));
    }
    // A decreasing sweep is past its start below it.
    run.analysis_kind = 2;
    run.dc_start = 5;
    run.dc_end = 0;
    run.dc_input = 4;
    EXPECT_TRUE(IsPastStart(run, 5));
    EXPECT_FALSE(IsPastStart(run, 3));
}

TEST(WaveformOperators, GroupDelayOfAPureDelay) {
    const double tau = 1e-3;
    RunValues run;
    run.analysis_kind = 1;
    Occurrence gd(kOpGroupDelay);
    gd.Reset(run, 1);
    // Two equal frequencies give 1e-50.
    run.point_index = 0;
    run.frequency = run.prev_frequency = 10;
    EXPECT_EQ(gd.Step(run, R(1)).re, 1e-50);
    gd.Reset(run, 0);
    double f = 10;
    for (int i = 1; i < 12; ++i) {
        run.point_index = i;
        run.prev_frequency2 = run.prev_frequency;
        run.prev_frequency = f;
        f += 100;
        run.frequency = f;
        double v = gd.Step(run, Polar(-360 * f * tau)).re;
        if (i >= 2) {
            EXPECT_NEAR(v, tau, 1e-12) << i;
        }
        gd.Reset(run, 0);
    }
}

TEST(WaveformOperators, GroupDelaySpikeIsExtrapolated) {
    RunValues run;
    run.analysis_kind = 1;
    Occurrence gd(kOpGroupDelay);
    gd.Reset(run, 1);
    // Accepted history: delay S4 = 2e-3, the one before S5 = 1e-3, phase 0.
    gd.slot[1] = R(0);
    gd.slot[3] = R(2e-3);
    gd.slot[4] = R(1e-3);
    run.point_index = 5;
    run.prev_frequency2 = 80;
    run.prev_frequency = 90;
    run.frequency = 100;
    // A phase step of -100 degrees over 10 Hz alone would mean a delay of 27.8 ms.
    EXPECT_NEAR(gd.Step(run, Polar(-100)).re, 2e-3 + 10 * (1e-3) / 10, 1e-12);
    // Without the spike the delay is the phase slope.
    run.point_index = 2;
    EXPECT_NEAR(gd.Step(run, Polar(-100)).re, 100.0 / 360 / 10, 1e-12);
}

TEST(WaveformOperators, BesselSeriesMatchTheLibrary) {
    for (double x : {0.3, 1.0, 2.5}) {
        EXPECT_NEAR(BesselJSeries(0, R(x), 10).re, j0(x), 1e-9) << x;
        EXPECT_NEAR(BesselJSeries(1, R(x), 10).re, j1(x), 1e-9) << x;
        EXPECT_NEAR(BesselJSeries(3, R(x), 20).re, jn(3, x), 1e-9) << x;
        EXPECT_NEAR(BesselYSeries(0, R(x), 20).re, y0(x), 1e-4) << x;
        EXPECT_NEAR(BesselYSeries(1, R(x), 20).re, y1(x), 1e-4) << x;
        EXPECT_NEAR(BesselYSeries(2, R(x), 20).re, yn(2, x), 1e-3) << x;
    }
    // J0 of an imaginary argument is the modified Bessel function I0.
    ComplexValue i0 = BesselJSeries(0, ComplexValue{0, 1}, 30);
    EXPECT_NEAR(i0.re, 1.2660658777520082, 1e-12);
    EXPECT_NEAR(i0.im, 0, 1e-15);
    EXPECT_EQ(HarmonicNumber(0), 0);
    EXPECT_NEAR(HarmonicNumber(4), 25.0 / 12, 1e-15);
}

TEST(WaveformNoise, OutputAndInputReferred) {
    NoiseSourceTransfer sources[2] = {{{3, 0}, {0, 0}, 1.0}, {{0, 2}, {0, -2}, 1.0}};
    ComplexValue in_a[1] = {{4, 1}};
    ComplexValue in_b[1] = {{1, -1}};  // differences (3, 0)
    AcNoiseView noise{2, sources, 1, in_a, in_b, 2.0};
    EXPECT_NEAR(NoiseValue(noise, false), 5.0, 1e-12);  // sqrt(9 + 16)
    EXPECT_NEAR(NoiseValue(noise, true), 5.0 / 1.5, 1e-12);
    AcNoiseView empty;
    EXPECT_EQ(NoiseValue(empty, false), 1e-50);
    EXPECT_EQ(NoiseValue(empty, true), 1e-50 / 1e-30);
}

}  // namespace
}  // namespace ob7
