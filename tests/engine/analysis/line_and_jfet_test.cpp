// The lossless line and the JFET through the drivers, against the reference simulator.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/jfet.h"
#include "sim/devices/resistor.h"
#include "sim/devices/tline.h"

namespace ob7 {
namespace {

class LineAndJfetRun : public AnalysisCircuit {};

// tline_reflections.cir: a 1 V pulse through 25 ohm into a 50 ohm, 3 ns line that ends in
// 200 ohm; the reflections bounce between both mismatched ends.
TEST_F(LineAndJfetRun, LineReflectionsMatchReference) {
    SpiceSource* v1 = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    v1->spec_kind = kSourcePulse;
    const double p[7] = {0, 1, 1e-9, 0.1e-9, 0.1e-9, 5e-9, 40e-9};
    std::copy(p, p + 7, v1->p);
    AddResistor(1, 2, 25);
    TLine* line = AddTLine(Model(kModelTrn, {{"ZO", 50}, {"TD", 3e-9}}), 2, 0, 3, 0, 4, 5);
    AddResistor(3, 0, 200);
    NodeCount = 5;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2), V(3)}; };
    TransientSettings s;
    s.tmax = 40e-9;
    s.points = 801;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_DOUBLE_EQ(sink.x.back(), 40e-9);
    // The histories are the run's own.
    EXPECT_TRUE(line->history.empty());
    const RawReference ref = ReadRawReference("tline_reflections.tran.raw");
    ASSERT_TRUE(ref.ok);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(0), ref.Real("time"), ref.Real("v(a)")), 1e-3);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(1), ref.Real("time"), ref.Real("v(b)")), 1e-3);
}

// jfet_bias_op.cir: a self-biased N-channel JFET amplifier with source and drain
// resistances, its input and load coupled through capacitors.
class JfetAmplifier : public LineAndJfetRun {
protected:
    enum { vdd = 1, d, g, in, out, s, di, si };
    SpiceSource* Build() {
        AddSpiceSource(vdd, 0, kSpiceVoltageSource, 15);
        SpiceSource* vin = AddSpiceSource(in, 0, kSpiceVoltageSource, 0);
        vin->ac_magnitude = 1;
        AddCapacitor(in, g, 1e-6);
        AddResistor(g, 0, 1e6);
        ModelParams* jn = Model(kModelNjf, {{"VTO", -2.5}, {"BETA", 1.5e-3}, {"LAMBDA", 0.015}, {"RD", 5}, {"RS", 5},
                                            {"IS", 1e-14}, {"CGS", 4e-12}, {"CGD", 2e-12}, {"PB", 0.8}});
        AddJfet(jn, d, g, s, 1, di, si);
        AddResistor(s, 0, 680);
        AddCapacitor(s, 0, 100e-6);
        AddResistor(vdd, d, 3.3e3);
        AddCapacitor(d, out, 1e-6);
        AddResistor(out, 0, 10e3);
        NodeCount = 8;
        return vin;
    }
};

TEST_F(JfetAmplifier, OperatingPointMatchesReference) {
    Build();
    ASSERT_EQ(RunOperatingPointOnly(27), 0);
    const RawReference ref = ReadRawReference("jfet_bias_op.op.raw");
    ASSERT_TRUE(ref.ok);
    const struct {
        const char* name;
        int node;
    } probes[] = {{"v(d)", d}, {"v(g)", g}, {"v(s)", s}, {"v(out)", out}};
    for (const auto& probe : probes) {
        SCOPED_TRACE(probe.name);
        const double expected = ref.Real(probe.name)[0];
        EXPECT_NEAR(V(probe.node), expected, 1e-6 * std::fabs(expected) + 1e-9);
    }
}

// .AC DEC 20 10 10MEG: the gain through both coupling capacitors and the bypassed source.
// Expected deviation: the small-signal values are those of the last load of the Newton
// iteration, whose junction voltages may still differ from the converged solution by the
// iteration's tolerance; here the gate-source voltage by 7e-5 V, which moves gm, and so
// the gain at every frequency, by 6e-5 relative. The reference's gain is that of the
// square law linearised at its own operating point to 3e-11. Hence 1e-4, not 1e-6.
TEST_F(JfetAmplifier, AcMatchesReference) {
    Build();
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{Vac(out).real(), Vac(out).imag()}; };
    AcSettings settings;
    settings.frequency_range = "1e7,10";
    settings.points = 121;
    ASSERT_EQ(RunAcAnalysis(settings, sink), 0);
    const RawReference ref = ReadRawReference("jfet_bias_op.ac.raw");
    ASSERT_TRUE(ref.ok);
    const std::vector<std::complex<double>> expected = ref.Complex("v(out)");
    ASSERT_EQ(sink.x.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(sink.x[i]);
        const std::complex<double> ours(sink.values[i][0], sink.values[i][1]);
        EXPECT_LE(std::abs(ours - expected[i]), 1e-4 * std::abs(expected[i]) + 1e-9);
    }
}

// .TRAN 10u 3m with the 50 mV, 1 kHz input.
TEST_F(JfetAmplifier, TransientMatchesReference) {
    SpiceSource* vin = Build();
    vin->spec_kind = kSourceSin;
    vin->p[1] = 50e-3, vin->p[2] = 1e3;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(out)}; };
    TransientSettings settings;
    settings.tmax = 3e-3;
    settings.points = 301;
    settings.max_step = 10e-6;  // the reference run's step
    ASSERT_EQ(RunTransientAnalysis(settings, sink), 0);
    const RawReference ref = ReadRawReference("jfet_bias_op.tran.raw");
    ASSERT_TRUE(ref.ok);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(0), ref.Real("time"), ref.Real("v(out)")), 1e-3);
}

}  // namespace
}  // namespace ob7
