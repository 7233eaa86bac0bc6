// The lossless line and the JFET through the drivers, against the reference simulator.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
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

// jfet_bias_op.cir's operating point: a self-biased N-channel JFET with source and drain
// resistances (the coupling capacitors carry no current).
TEST_F(LineAndJfetRun, JfetBiasMatchesReference) {
    enum { vdd = 1, d = 2, g = 3, in = 4, out = 5, s = 6, di = 7, si = 8 };
    AddSpiceSource(vdd, 0, kSpiceVoltageSource, 15);
    AddSpiceSource(in, 0, kSpiceVoltageSource, 0);
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

}  // namespace
}  // namespace ob7
