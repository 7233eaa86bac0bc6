// The AC analysis: frequency stepping, the small-signal stamps of the devices against
// closed forms and the reference simulator, and the noise mode.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/dc_sweep.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/resistor.h"
#include "sim/engine/run_control.h"

namespace ob7 {
namespace {

class AcRun : public AnalysisCircuit {
protected:
    SpiceSource* AcSource(int p, int n, double dc, double magnitude, double phase = 0) {
        SpiceSource* s = AddSpiceSource(p, n, kSpiceVoltageSource, dc);
        s->ac_magnitude = magnitude;
        s->ac_phase = phase;
        return s;
    }
};

::testing::AssertionResult ComplexNear(std::complex<double> ours, std::complex<double> ref, double rel, double abs) {
    const double tol = rel * std::abs(ref) + abs;
    if (std::abs(ours - ref) <= tol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ours << " vs " << ref << " (tolerance " << tol << ")";
}

TEST_F(AcRun, NoiseCurvesExcludeOtherCurves) {
    constexpr uint32_t kF = 0x2000, kNoise = 0x8000, kV1 = 0x4;
    struct Case {
        std::vector<std::pair<uint32_t, uint32_t>> curves;
        int noise, reports;
    } cases[] = {
        {{{kF, kNoise}}, 1, 0},
        {{{kF, kNoise | kF}}, 1, 0},
        {{{kF, kNoise}, {kF, kV1}}, 1, 1},
        {{{kF, kV1}, {kF, kNoise}}, 1, 1},
        {{{kF, kV1}, {kF, kV1}}, 0, 0},
        {{{kF, kNoise | kV1}}, 1, 1},
    };
    for (const Case& c : cases) {
        int reports = -1;
        EXPECT_EQ(CheckNoiseCurves(c.curves, &reports), c.noise);
        EXPECT_EQ(reports, c.reports);
    }
    EXPECT_EQ(reported.ids, (std::vector<int>{13575, 13575, 13575}));
}

// The frequencies each stepping method gives, and the limit errors.
TEST_F(AcRun, FrequencySteppingByMethod) {
    struct Case {
        const char* range;
        AcStepMethod method;
        int points;
        int result;
        std::vector<double> expected;
    } cases[] = {
        {"1e6", AcStepMethod::Log, 50, 0, {1e6}},
        {"1e8,1e6", AcStepMethod::Log, 5, 0, {1e6, 3.1622776601683795e6, 1e7, 3.1622776601683795e7, 1e8}},
        {"1e8,0", AcStepMethod::Log, 5, 15055, {}},
        {"1e8,0", AcStepMethod::Linear, 5, 0, {0, 2.5e7, 5e7, 7.5e7, 1e8}},
        {"1e6,1e8", AcStepMethod::Log, 5, 15055, {}},
        {"1e30,1", AcStepMethod::Log, 5, 15055, {}},
        {"5k,1k,2k", AcStepMethod::List, 5, 0, {1e3, 2e3, 5e3}},
        {"100,10", AcStepMethod::Linear, 3, 0, {10, 32.5, 55, 77.5, 100}},
    };
    for (const Case& c : cases) {
        AcSource(1, 0, 0, 1);
        AddResistor(1, 0, 1e3);
        NodeCount = 1;
        RecordingSink sink;
        AcSettings s;
        s.frequency_range = c.range;
        s.method = c.method;
        s.points = c.points;
        EXPECT_EQ(RunAcAnalysis(s, sink), c.result) << c.range;
        ASSERT_EQ(sink.x.size(), c.expected.size()) << c.range;
        for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_NEAR(sink.x[i], c.expected[i], 1e-9 * c.expected.back()) << c.range;
        FreeSimulationState();
    }
}

// 1 kohm and 1 uF: H = 1 / (1 + j w R C), magnitude and phase within 1e-9.
TEST_F(AcRun, RcLowPassMagnitudeAndPhase) {
    AcSource(1, 0, 0, 1);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-6);
    NodeCount = 2;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{std::abs(Vac(2)), std::arg(Vac(2))}; };
    AcSettings s;
    s.frequency_range = "1e6,1";
    s.points = 61;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    ASSERT_EQ(sink.x.size(), 61u);
    for (size_t i = 0; i < sink.x.size(); ++i) {
        const std::complex<double> h = 1.0 / std::complex<double>(1, 2 * std::numbers::pi * sink.x[i] * 1e-3);
        EXPECT_NEAR(sink.values[i][0], std::abs(h), 1e-9);
        EXPECT_NEAR(sink.values[i][1], std::arg(h), 1e-9);
    }
}

// rlc_bandpass_ac.cir against the reference: V(out) and the inductor current.
TEST_F(AcRun, RlcBandPassMatchesReference) {
    AcSource(1, 0, 0, 1);          // in
    AddResistor(1, 2, 50);         // a
    AddInductor(2, 3, 10e-6);      // b
    AddCapacitor(3, 4, 1e-9);      // out
    AddResistor(4, 0, 1e3);
    NodeCount = 4;
    RecordingSink sink;
    std::vector<std::complex<double>> out, il;
    sink.probe = [&] {
        out.push_back(Vac(4));
        il.push_back(Vac(NodeCount + 1));
        return std::vector<double>{};
    };
    AcSettings s;
    s.frequency_range = "100MEG,100k";
    s.points = 151;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    const RawReference ref = ReadRawReference("rlc_bandpass_ac.ac.raw");
    ASSERT_TRUE(ref.ok);
    ASSERT_EQ(out.size(), ref.points.size());
    const auto ref_f = ref.Complex("frequency");
    const auto ref_out = ref.Complex("v(out)");
    const auto ref_il = ref.Complex("i(l1)");
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_NEAR(sink.x[i], ref_f[i].real(), 1e-9 * ref_f[i].real());
        EXPECT_TRUE(ComplexNear(out[i], ref_out[i], 1e-6, 1e-9)) << sink.x[i];
        EXPECT_TRUE(ComplexNear(il[i], ref_il[i], 1e-6, 1e-9)) << sink.x[i];
    }
}

// A 1 kohm resistor alone at the noise output, 27 C: 4.07e-9 V/sqrt(Hz) at every
// frequency; fed by a 1 A AC current source, whose input noise is then 4.07e-12 A/sqrt(Hz).
TEST_F(AcRun, ResistorOutputNoise) {
    SpiceSource* in = AddSpiceSource(0, 1, 11, 0);
    in->ac_magnitude = 1;
    AddResistor(1, 0, 1e3)->kind = 1;
    NodeCount = 1;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{OutputNoise(), InputNoise()}; };
    AcSettings s;
    s.frequency_range = "1e3,1";
    s.points = 7;
    s.noise = true;
    s.noise_output_plus = 1;
    s.noise_input_plus = 0;
    s.noise_input_minus = 1;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    ASSERT_EQ(sink.x.size(), 7u);
    const double expected = std::sqrt(4 * 1.3806226e-23 * 300.15 * 1e3);
    for (const auto& v : sink.values) {
        EXPECT_NEAR(v[0], 4.07e-9, 0.005e-9);
        EXPECT_NEAR(v[0], expected, 1e-9 * expected);
        EXPECT_NEAR(v[1], expected / 1e3, 1e-9 * expected / 1e3);
    }
}

// Input noise refers the output noise to the named input source alone: a second source
// carrying AC into the same output does not add to the gain. V1 -1k- out -1k- V2, both AC 1:
// the gain from V1 is 1/2, so the input noise is twice the output noise of 500 ohms.
TEST_F(AcRun, InputNoiseUsesTheNamedSourceOnly) {
    AcSource(1, 0, 0, 1);
    AddResistor(1, 2, 1e3)->kind = 1;
    AddResistor(2, 3, 1e3)->kind = 1;
    AcSource(3, 0, 0, 1);
    NodeCount = 3;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{OutputNoise(), InputNoise()}; };
    AcSettings s;
    s.frequency_range = "1e3,1";
    s.points = 3;
    s.noise = true;
    s.noise_output_plus = 2;
    s.noise_input_plus = 1;
    s.noise_input_minus = 0;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    const double output = std::sqrt(4 * 1.3806226e-23 * 300.15 * 500);
    for (const auto& v : sink.values) {
        EXPECT_NEAR(v[0], output, 1e-9 * output);
        EXPECT_NEAR(v[1], 2 * output, 2e-9 * output);
    }
}

// The current-mode pass: the capacitor's current equals the resistor's (jwC V(2) = (V(1) -
// V(2)) / R), and a transistor's four terminal currents sum to nothing.
TEST_F(AcRun, CurrentModeFollowsKirchhoff) {
    ModelParams* qn = Model(kModelNpn, {{"IS", 1e-16}, {"BF", 100}, {"RB", 100}, {"RC", 10}, {"RE", 1},
                                        {"CJE", 1e-12}, {"CJC", 1e-12}, {"CJS", 1e-12}, {"TF", 1e-9}});
    AcSource(1, 0, 0, 1);
    AddResistor(1, 2, 1e3);
    Capacitor* c = AddCapacitor(2, 0, 1e-9);
    AcSource(3, 0, 5, 0);
    AddResistor(3, 4, 1e3);
    AddResistor(1, 5, 10e3);
    AcSource(6, 0, 0.75, 0);
    AddResistor(6, 5, 10e3);
    Bjt* q = AddBjt(qn, 4, 5, 0, 7);
    q->collector_i = 8, q->base_i = 9, q->emitter_i = 10;
    AcSource(7, 0, -1, 0);
    NodeCount = 10;
    DeviceMarkUnion = 1;
    RecordingSink sink;
    sink.probe = [&] {
        const std::complex<double> ir = (Vac(1) - Vac(2)) / 1e3;
        const std::complex<double> sum = q->ac_currents[0] + q->ac_currents[1] + q->ac_currents[2] + q->ac_currents[3];
        return std::vector<double>{std::abs(c->ac_current - ir) / std::abs(ir), std::abs(sum) / std::abs(q->ac_currents[0])};
    };
    AcSettings s;
    s.frequency_range = "1e9,1e3";
    s.points = 13;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    DeviceMarkUnion = 0;
    for (const auto& v : sink.values) {
        EXPECT_LT(v[0], 1e-12);
        EXPECT_LT(v[1], 1e-9);
    }
}

// "Auto" stepping follows the curve on its graph: fine steps across a resonance, the step
// doubled where the curve is flat.
TEST_F(AcRun, AutoStepsFollowTheCurve) {
    AcSource(1, 0, 0, 1);
    AddResistor(1, 2, 10);
    AddInductor(2, 3, 1e-3);
    AddCapacitor(3, 0, 1e-6);  // resonance at 5.03 kHz, Q = 3.2
    NodeCount = 3;
    // A linear frequency axis of 1000 pixels up to 20 kHz; |V(3)| over 300 pixels.
    struct GraphSink : RecordingSink {
        bool CurvePixels(double* x, double* y, double* height) override {
            *x = AcFrequencies.f / 20e3 * 1000;
            *y = std::abs(AcNodeValue(3)) / 4 * 300;
            *height = 300;
            return !this->x.empty();
        }
    } sink;
    AcSettings s;
    s.frequency_range = "20k,100";
    s.method = AcStepMethod::Auto;
    s.max_change_percent = 2;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    ASSERT_GT(sink.x.size(), 20u);
    EXPECT_DOUBLE_EQ(sink.x.back(), 20e3);
    double near_peak = 1e30, far = 0;
    for (size_t i = 1; i < sink.x.size(); ++i) {
        const double step = sink.x[i] - sink.x[i - 1];
        if (std::fabs(sink.x[i] - 5033) < 300) near_peak = std::min(near_peak, step);
        if (sink.x[i] > 15e3) far = std::max(far, step);
    }
    EXPECT_LT(near_peak * 4, far);
    EXPECT_TRUE(std::is_sorted(sink.x.begin(), sink.x.end()));
}

// A second run with nothing changed reuses the operating point and the AC matrix; a
// temperature 0.002 degrees away, the noise mode or a changed circuit solve it again.
TEST_F(AcRun, OperatingPointIsReusedWhileNothingChanged) {
    ModelParams* d = Model(kModelDiode, {{"IS", 1e-14}, {"CJO", 1e-12}});
    AcSource(1, 0, 1, 1);
    AddResistor(1, 2, 1e3)->kind = 1;
    AddDiode(d, 2, 0);
    NodeCount = 2;
    ResetAcAnalysisState();
    struct Case {
        double temperature;
        bool noise, changed, solves;
    } cases[] = {
        {27, false, false, true},  {27, false, false, false}, {27.0005, false, false, false},
        {27.002, false, false, true}, {27.002, true, false, true}, {27.002, true, false, false},
        {27.002, true, true, true},
    };
    std::vector<double> first;
    for (const Case& c : cases) {
        RecordingSink sink;
        sink.probe = [] { return std::vector<double>{std::abs(Vac(2))}; };
        AcSettings s;
        s.frequency_range = "1e6,1e3";
        s.points = 7;
        s.temperature = c.temperature;
        s.noise = c.noise;
        s.noise_output_plus = 2;
        s.noise_input_plus = 1;
        s.circuit_changed = c.changed;
        TotalIterations = 0;
        ASSERT_EQ(RunAcAnalysis(s, sink), 0);
        EXPECT_EQ(TotalIterations > 0, c.solves) << c.temperature << " " << c.noise << " " << c.changed;
        if (first.empty()) first = sink.Column(0);
        if (c.temperature == 27 && !c.noise) {
            EXPECT_EQ(sink.Column(0), first);
        }
    }
}

// A resistor with an AC value expression (one reading a double, as the compiler makes
// for a parameter) takes that value in the AC load, and the driver iterates the load and
// solve until the solution settles: the divider of 1k and 3k gives 3/4, while the
// operating point saw the resistor's own 1k.
TEST_F(AcRun, AcValueExpressionIsIterated) {
    static double r_ac = 3e3;
    AcSource(1, 0, 1, 1);
    AddResistor(1, 2, 1e3);
    Resistor* r = AddResistor(2, 0, 1e3);
    ExpressionToken token;
    token.opcode = kOpRealPointer;
    token.pushes = 1;
    token.value.real = &r_ac;
    r->ac_value_expression.tokens = {token};
    NodeCount = 2;
    RecordingSink sink;
    double dc = 0;
    sink.probe = [&] {
        dc = V(2);
        return std::vector<double>{std::abs(Vac(2))};
    };
    AcSettings s;
    s.frequency_range = "1e3,10";
    s.points = 5;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    EXPECT_NEAR(dc, 0.5, 1e-9);
    for (const auto& v : sink.values) EXPECT_NEAR(v[0], 0.75, 1e-12);
    EXPECT_EQ(r->effective_resistance, 3e3);
}

// Esc during AC and DC runs: 15056, the points so far handed over, no hang.
TEST_F(AcRun, EscStopsAcAndDcRuns) {
    SpiceSource* v = AcSource(1, 0, 0, 1);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-9);
    NodeCount = 2;
    RecordingSink sink;
    sink.after_point = [](int count) {
        if (count == 5) RunControl.pending_key = 27;
        return 0;
    };
    AcSettings ac;
    ac.frequency_range = "1e9,1";
    ac.points = 100;
    EXPECT_EQ(RunAcAnalysis(ac, sink), 15056);
    EXPECT_EQ(sink.x.size(), 5u);
    sink.x.clear();
    DcSweepSettings dc;
    dc.variable1 = {&v->dc_value, false, SweepMethod::Linear, 10, 0, 0.01, {}};
    dc.variable2.method = SweepMethod::None;
    EXPECT_EQ(RunDcSweep(dc, sink), 15056);
    EXPECT_EQ(sink.x.size(), 5u);
}

}  // namespace
}  // namespace ob7
