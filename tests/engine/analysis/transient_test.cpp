// The transient time loop against closed forms and the reference simulator.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
#include "sim/analysis/time_breakpoints.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"

namespace ob7 {
namespace {

class TransientRun : public AnalysisCircuit {};

SpiceSource* PulseSource(int p, int n, std::initializer_list<double> values) {
    SpiceSource* s = AddSpiceSource(p, n, kSpiceVoltageSource, 0);
    s->spec_kind = kSourcePulse;
    std::copy(values.begin(), values.end(), s->p);
    return s;
}

// rc_step_tran.cir: a 1k / 1n low-pass on a 5 V pulse train, 20 us, maximum step 10 ns.
TEST_F(TransientRun, RcPulseTrainMatchesReference) {
    PulseSource(1, 0, {0, 5, 0, 10e-9, 10e-9, 2e-6, 5e-6});
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-9);
    NodeCount = 2;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2), Solution[3]}; };
    TransientSettings s;
    s.tmax = 20e-6;
    s.max_step = 10e-9;
    s.points = 2001;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_DOUBLE_EQ(sink.x.back(), 20e-6);
    const RawReference ref = ReadRawReference("rc_step_tran.tran.raw");
    ASSERT_TRUE(ref.ok);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(0), ref.Real("time"), ref.Real("v(out)")), 1e-3);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(1), ref.Real("time"), ref.Real("i(v1)")), 1e-3);
}

// A 1 V step into R C = 1 ms: 1 - exp(-t / RC) within 1e-3, with the default step.
TEST_F(TransientRun, RcStepFollowsTheClosedForm) {
    PulseSource(1, 0, {0, 1, 0, 1e-9, 1e-9, 1, 2});
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-6);
    NodeCount = 2;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2)}; };
    TransientSettings s;
    s.tmax = 5e-3;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    double worst = 0;
    for (size_t i = 0; i < sink.x.size(); ++i) {
        const double t = sink.x[i] - 1e-9;
        const double expected = t > 0 ? 1 - std::exp(-t / 1e-3) : 0;
        worst = std::max(worst, std::fabs(sink.values[i][0] - expected));
    }
    EXPECT_LT(worst, 1e-3);
    EXPECT_GT(Transient.accepted, 20);
}

}  // namespace
}  // namespace ob7
