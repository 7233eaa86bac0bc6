// The transient time loop against closed forms and the reference simulator.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
#include "sim/analysis/time_breakpoints.h"
#include "sim/analysis/transient.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/digital/digital_network.h"
#include "sim/engine/run_control.h"

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
    EXPECT_GT(Transient.AcceptedPoints(), 20);
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

TEST(TimeBreakpoints, InsertionRules) {
    SetTickTimeBase(1.0, 0.0);
    ClearTimeBreakpoints();
    auto ticks = [] {
        std::vector<uint32_t> t;
        for (auto* b : DevicesOf<TimeBreakpoint>(kBreakpointList)) t.push_back(b->tick);
        return t;
    };
    ASSERT_EQ(AddTimeBreakpoint(0), 0);
    ASSERT_EQ(AddTimeBreakpoint(1000), 0);
    ASSERT_EQ(AddTimeBreakpoint(1010), 0);  // 10 ticks away: dropped
    ASSERT_EQ(AddTimeBreakpoint(1021), 0);  // 11 ticks away from 1010's neighbour: kept
    ASSERT_EQ(AddTimeBreakpoint(500), 0);
    ASSERT_EQ(AddTimeBreakpoint(2000000001u), 0);  // beyond twice the end: ignored
    EXPECT_EQ(ticks(), (std::vector<uint32_t>{0, 500, 1000, 1021}));
    // A digital event 3 ticks after an analog breakpoint moves onto its tick and marks it.
    ASSERT_EQ(AddTimeBreakpoint(503, 0, 0, 1, 7, 1, 3), 0);
    EXPECT_EQ(ticks(), (std::vector<uint32_t>{0, 500, 500, 1000, 1021}));
    const auto* analog = static_cast<TimeBreakpoint*>(DeviceListTable[kBreakpointList].first->next);
    EXPECT_EQ(analog->digital, 1);
    EXPECT_EQ(analog->node, 0);
    EXPECT_EQ(static_cast<TimeBreakpoint*>(analog->next)->node, 7);
    // Two events of one node and driver at one tick keep the later state.
    ASSERT_EQ(AddTimeBreakpoint(5000, 0, 0, 1, 4, 2, 1), 0);
    ASSERT_EQ(AddTimeBreakpoint(5000, 0, 0, 1, 4, 2, 0), 0);
    const TimeBreakpoint* last = static_cast<TimeBreakpoint*>(DeviceListTable[kBreakpointList].last);
    EXPECT_EQ(last->tick, 5000u);
    EXPECT_EQ(last->state, 0);
    EXPECT_EQ(DeviceListTable[kBreakpointList].count, 6);
    PopTimeBreakpoint();
    EXPECT_EQ(HeadBreakpoint()->tick, 500u);
    ClearTimeBreakpoints();
    EXPECT_EQ(HeadBreakpoint(), nullptr);
}

// A PULSE statement with only its two values: the delay and both edges default to the
// print step, the width and the period to TMAX.
TEST_F(TransientRun, PulseDefaultsFromThePrintStep) {
    SpiceSource* v = PulseSource(1, 0, {0, 1});
    v->last_given_parameter = 1;
    AddResistor(1, 0, 1e3);
    NodeCount = 1;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 1e-3;
    s.points = 101;  // print step 10 us
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_EQ(v->p[2], 10e-6);
    EXPECT_EQ(v->p[3], 10e-6);
    EXPECT_EQ(v->p[4], 10e-6);
    EXPECT_EQ(v->p[5], 1e-3);
    EXPECT_EQ(v->p[6], 1e-3 + 20e-6);  // raised to rise + width + fall
    for (double edge : {10e-6, 20e-6}) {
        const bool hit = std::any_of(sink.x.begin(), sink.x.end(), [&](double t) { return std::fabs(t - edge) < 1e-15; });
        EXPECT_TRUE(hit) << edge;
    }
}

// An SFFM given only its offset and amplitude: carrier and signal frequencies of one cycle
// over the run, no modulation, so the source is a plain sine of period TMAX.
TEST_F(TransientRun, SffmDefaultsGiveAPlainSineOverTheRun) {
    SpiceSource* v = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    v->spec_kind = kSourceSffm;
    v->p[0] = 0.5, v->p[1] = 2;
    v->last_given_parameter = 1;
    AddResistor(1, 0, 1e3);
    NodeCount = 1;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(1)}; };
    TransientSettings s;
    s.tmax = 1e-3;
    s.points = 101;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_EQ(v->p[2], 1e3);
    EXPECT_EQ(v->p[3], 0);
    EXPECT_EQ(v->p[4], 1e3);
    for (size_t i = 0; i < sink.x.size(); ++i)
        EXPECT_NEAR(sink.values[i][0], 0.5 + 2 * std::sin(2 * M_PI * 1e3 * sink.x[i]), 1e-9) << sink.x[i];
}

// Every edge of a pulse train is a point of the run, and the first step leaves the
// start at a tenth of a tenth of the way to the first edge.
TEST_F(TransientRun, PulseEdgesAreHitAndTheFirstStepIsSmall) {
    PulseSource(1, 0, {0, 1, 1e-6, 0.1e-6, 0.2e-6, 2e-6, 5e-6});
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-9);
    NodeCount = 2;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 20e-6;
    s.max_step = 10e-6;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_NEAR(sink.x[1] - sink.x[0], 0.1 * std::min(10e-6, 1e-6) * 0.1, 1e-15);
    for (double edge : {1e-6, 1.1e-6, 3.1e-6, 3.3e-6, 6e-6, 6.1e-6, 8.1e-6, 8.3e-6, 11e-6, 16e-6}) {
        const bool hit = std::any_of(sink.x.begin(), sink.x.end(), [&](double t) { return std::fabs(t - edge) < 1e-15; });
        EXPECT_TRUE(hit) << edge;
    }
    EXPECT_TRUE(std::is_sorted(sink.x.begin(), sink.x.end()));
    EXPECT_DOUBLE_EQ(sink.x.back(), 20e-6);
}

// The edges of every kind of source are points of the run, each on its own RC node: a
// pulse source's model edges, SPICE PULSE, SIN and EXP delays, PWL points with a
// repetition, and a user source's table corners where its magnitude rises.
TEST_F(TransientRun, EdgesOfEverySourceKindAreHit) {
    ModelParams* pul = Model(kModelPulse, {});
    const double edges[7] = {0, 1, 2e-6, 3e-6, 5e-6, 6e-6, 10e-6};  // V0 V1 P1..P5
    std::copy(edges, edges + 7, ModelReals(*pul));
    AddPulseSource(1, 0, pul);
    PulseSource(2, 0, {0, 1, 7.5e-6, 1e-6, 1e-6, 2e-6, 20e-6});
    SpiceSource* sine = AddSpiceSource(3, 0, kSpiceVoltageSource, 0);
    sine->spec_kind = kSourceSin;
    const double sp[] = {0, 1, 1e5, 4.25e-6, 0, 0};
    std::copy(std::begin(sp), std::end(sp), sine->p);
    SpiceSource* exp = AddSpiceSource(4, 0, kSpiceVoltageSource, 0);
    exp->spec_kind = kSourceExp;
    const double ep[] = {0, 1, 2.75e-6, 1e-6, 12.25e-6, 1e-6};
    std::copy(std::begin(ep), std::end(ep), exp->p);
    SpiceSource* pwl = AddSpiceSource(5, 0, kSpiceVoltageSource, 0);
    pwl->spec_kind = kSourcePwl;
    pwl->pwl.entries = {{kPwlPoint, 0, "0", 0},       {kPwlRepeat, 0, "", 3}, {kPwlPoint, 1.5e-6, "1", 0},
                        {kPwlPoint, 3.5e-6, "0", 0}, {kPwlEndRepeat, 0, "", 0}};
    UserSource* user = AddUserSource(6, 0);
    user->table.abscissas = {0, 9.25e-6, 13.75e-6, 20e-6};
    user->table.values = {0, 0, 0, 0, 1, 0, 2, 0};  // corners before a rise in magnitude
    for (int node = 1; node <= 6; ++node) {
        AddResistor(node, node + 6, 1e3);
        AddCapacitor(node + 6, 0, 1e-9);
    }
    NodeCount = 12;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 20e-6;
    s.max_step = 1e-6;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    const std::vector<double> expected = {
        2e-6, 3e-6, 5e-6, 6e-6, 12e-6, 13e-6, 15e-6, 16e-6,  // pulse source: edges of two periods
        7.5e-6, 8.5e-6, 10.5e-6, 11.5e-6,                    // PULSE: delay, rise, width, fall
        4.25e-6,                                             // SIN delay
        2.75e-6, 12.25e-6,                                   // EXP delays
        1.5e-6, 3.5e-6, 5e-6, 7e-6, 8.5e-6, 10.5e-6,         // PWL, three repetitions
        9.25e-6, 13.75e-6,                                   // user source corners
    };
    // Truncated ticks may land one tick (TMAX x 1e-9) before a time that has no exact tick.
    for (double edge : expected) {
        const bool hit = std::any_of(sink.x.begin(), sink.x.end(),
                                     [&](double t) { return t <= edge + 1e-18 && t > edge - 1.01 * 20e-15; });
        EXPECT_TRUE(hit) << edge;
    }
    EXPECT_TRUE(std::is_sorted(sink.x.begin(), sink.x.end()));
    EXPECT_DOUBLE_EQ(sink.x.back(), 20e-6);
}

// diode_clipper_tran.cir: in 1, out 2, a 3, b 4; the diodes' series resistances 5, 6.
TEST_F(TransientRun, DiodeClipperMatchesReference) {
    ModelParams* dclip = Model(kModelDiode, {{"IS", 2.5e-9}, {"N", 1.75}, {"RS", 0.5}, {"CJO", 4e-12}, {"M", 0.33},
                                             {"VJ", 0.75}, {"TT", 5e-9}, {"BV", 75}, {"IBV", 5e-6}});
    SpiceSource* v1 = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    v1->spec_kind = kSourceSin;
    v1->p[1] = 5;
    v1->p[2] = 1e3;
    AddResistor(1, 2, 1e3);
    AddDiode(dclip, 2, 3, 1, 5);
    AddSpiceSource(3, 0, kSpiceVoltageSource, 2);
    AddDiode(dclip, 4, 2, 1, 6);
    AddSpiceSource(0, 4, kSpiceVoltageSource, 2);
    NodeCount = 6;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2), Solution[7]}; };
    TransientSettings s;
    s.tmax = 3e-3;
    s.max_step = 5e-6;
    s.points = 601;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    const RawReference ref = ReadRawReference("diode_clipper_tran.tran.raw");
    ASSERT_TRUE(ref.ok);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(0), ref.Real("time"), ref.Real("v(out)")), 1e-3);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(1), ref.Real("time"), ref.Real("i(v1)")), 1e-3);
}

// A half-wave rectifier into 1000 uF stiffens as the capacitor charges; it runs to the end.
TEST_F(TransientRun, RectifierWithLargeCapacitorRunsToTheEnd) {
    ModelParams* d = Model(kModelDiode, {{"IS", 1e-14}, {"RS", 0.1}, {"CJO", 10e-12}, {"TT", 10e-9}});
    SpiceSource* v1 = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    v1->spec_kind = kSourceSin;
    v1->p[1] = 10;
    v1->p[2] = 50;
    AddDiode(d, 1, 2, 1, 3);
    AddCapacitor(2, 0, 1000e-6);
    AddResistor(2, 0, 100);
    NodeCount = 3;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2)}; };
    TransientSettings s;
    s.tmax = 0.2;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_DOUBLE_EQ(sink.x.back(), 0.2);
    // The last peak: 10 V less a diode drop; then the 100 ohm * 1000 uF decay for 15 ms.
    double peak = 0;
    for (size_t i = 0; i < sink.x.size(); ++i)
        if (sink.x[i] > 0.18) peak = std::max(peak, sink.values[i][0]);
    EXPECT_GT(peak, 9.0);
    EXPECT_LT(peak, 9.5);
    EXPECT_NEAR(sink.values.back()[0], peak * std::exp(-0.015 / 0.1), 0.1);
}

// The step limits of a 1 ms run with 101 points: a maximum step of 2% of the range, the
// first step half of it; a circuit without charges steps by the print step instead.
TEST_F(TransientRun, StepLimitsFromTheTimeRange) {
    struct Case {
        bool with_capacitor;
        double max_step, first_step;
    } cases[] = {{true, 20e-6, 10e-6}, {false, 10e-6, 10e-6}};
    for (const Case& c : cases) {
        AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
        AddResistor(1, 2, 1e3);
        if (c.with_capacitor) AddCapacitor(2, 0, 1e-9);
        else AddResistor(2, 0, 1e3);
        NodeCount = 2;
        RecordingSink sink;
        TransientSettings s;
        s.tmax = 1e-3;
        s.points = 101;
        ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
        EXPECT_DOUBLE_EQ(Transient.max_step, c.max_step);
        EXPECT_DOUBLE_EQ(Transient.first_step, 10e-6);
        EXPECT_DOUBLE_EQ(Transient.print_step, 10e-6);
        for (size_t i = 1; i < sink.x.size(); ++i) EXPECT_LE(sink.x[i] - sink.x[i - 1], c.max_step * (1 + 1e-12));
        FreeSimulationState();
    }
}

// A ".TR" table: 1 us steps up to 0.2 ms, then 20 us steps up to 0.6 ms, then 5 us; an
// RC whose truncation error alone would allow longer steps keeps to each limit.
TEST_F(TransientRun, MaxStepTableLimitsTheStepByTime) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-6);
    NodeCount = 2;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 1e-3;
    s.max_step = 50e-6;
    s.max_step_table = {{0.2e-3, 1e-6}, {0.6e-3, 20e-6}, {1e-3, 5e-6}};
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    double longest[3] = {};
    for (size_t i = 1; i < sink.x.size(); ++i) {
        const double step = sink.x[i] - sink.x[i - 1], start = sink.x[i - 1];
        const int part = start < 0.2e-3 ? 0 : start < 0.6e-3 ? 1 : 2;
        longest[part] = std::max(longest[part], step);
    }
    EXPECT_LE(longest[0], 1e-6 * (1 + 1e-9));
    EXPECT_GT(longest[1], 10e-6);
    EXPECT_LE(longest[1], 20e-6 * (1 + 1e-9));
    EXPECT_LE(longest[2], 5e-6 * (1 + 1e-9));
    EXPECT_DOUBLE_EQ(sink.x.back(), 1e-3);
}

// Operating Point Only hands over the operating point twice at TMIN, and nothing else.
TEST_F(TransientRun, OperatingPointOnlyGivesTwoPointsAtTmin) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 2);
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-9);
    AddResistor(2, 0, 1e3);
    NodeCount = 2;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2)}; };
    TransientSettings s;
    s.tmax = 1e-3;
    s.tmin = 0.2e-3;
    s.operating_point_only = true;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_EQ(sink.x, (std::vector<double>{0.2e-3, 0.2e-3}));
    EXPECT_NEAR(sink.values[0][0], 1.0, 1e-12);
}

TEST_F(TransientRun, EscStopsTheRunWithThePointsSoFar) {
    PulseSource(1, 0, {0, 1, 0, 1e-9, 1e-9, 1, 2});
    AddResistor(1, 2, 1e3);
    AddCapacitor(2, 0, 1e-6);
    NodeCount = 2;
    RecordingSink sink;
    sink.after_point = [](int count) {
        if (count == 10) RunControl.pending_key = 27;
        return 0;
    };
    TransientSettings s;
    s.tmax = 5e-3;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 15056);
    EXPECT_EQ(sink.x.size(), 10u);
}

TEST_F(TransientRun, BadInputEndsWithTheMessage) {
    // An illegal time range.
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 0, 1e3);
    NodeCount = 1;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 1;
    s.tmin = 1;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 15055);
    EXPECT_EQ(reported.ids, std::vector<int>{13545});
    EXPECT_TRUE(sink.x.empty());

    // A start time above 0 with digital nodes.
    reported.ids.clear();
    DigitalNet.node_count = 1;
    s.tmin = 0.5;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 15055);
    DigitalNet = {};
    EXPECT_EQ(reported.ids, std::vector<int>{13540});
    EXPECT_TRUE(sink.x.empty());
}

// 10,000,000 steps or more ask first; anything but Yes ends the run quietly. The
// operating point alone does not ask.
TEST_F(TransientRun, ManyStepsAskFirst) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 0, 1e3);
    NodeCount = 1;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 1;
    s.max_step = 1e-7;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_EQ(reported.ids, std::vector<int>{13546});
    EXPECT_TRUE(sink.x.empty());
    reported.ids.clear();
    s.operating_point_only = true;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_TRUE(reported.ids.empty());
    EXPECT_EQ(sink.x.size(), 2u);
}

TEST_F(TransientRun, SingularMatrixIsReturnedUnreported) {
    // Two ideal sources in parallel at different values.
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddSpiceSource(1, 0, kSpiceVoltageSource, 2);
    AddResistor(1, 0, 1e3);
    NodeCount = 1;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 1e-3;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 15051);
    EXPECT_TRUE(sink.x.empty());
}

TEST_F(TransientRun, OperatingPointThatDoesNotConvergeIsReported) {
    // A diode forward-biased by a 1 V source through nothing but 1 uohm, and one Newton
    // iteration allowed: neither Newton nor source stepping gets there.
    ModelParams* d = Model(kModelDiode, {{"IS", 1e-14}});
    AddSpiceSource(1, 0, kSpiceVoltageSource, 5);
    AddResistor(1, 2, 1e-6);
    AddDiode(d, 2, 0);
    NodeCount = 2;
    Options.itl1 = 2;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 1e-3;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 15055);
    ASSERT_FALSE(reported.ids.empty());
    EXPECT_EQ(reported.ids.back(), 14190);
}

// With Convergence Assist the failed operating point is tried again with ITL1 = 500,
// which is enough, and the run goes on.
TEST_F(TransientRun, ConvergenceAssistRetriesWithMoreIterations) {
    ModelParams* d = Model(kModelDiode, {{"IS", 1e-14}});
    AddSpiceSource(1, 0, kSpiceVoltageSource, 5);
    AddResistor(1, 2, 1e-6);
    AddDiode(d, 2, 0);
    NodeCount = 2;
    Options.itl1 = 2;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 1e-3;
    s.convergence_assist = true;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_EQ(Options.itl1, 500);
    EXPECT_EQ(Transient.assist_level, 1);
    EXPECT_TRUE(reported.ids.empty());
    EXPECT_DOUBLE_EQ(sink.x.back(), 1e-3);
}

// Without an operating point the first step may take ITL1 iterations. A diode switched on
// from zero needs more than 3 at any step, so with ITL1 = 3 the first step fails; it is
// cut by 8 and retried as the second step, under ITL4, and the run goes on.
TEST_F(TransientRun, FirstStepRetriedAfterItsLimitCountsAsTheSecond) {
    ModelParams* d = Model(kModelDiode, {{"IS", 1e-14}});
    AddSpiceSource(1, 0, kSpiceVoltageSource, 5);
    AddResistor(1, 2, 1e3);
    AddDiode(d, 2, 0);
    AddResistor(1, 3, 1e3);
    AddCapacitor(3, 0, 1e-9);
    NodeCount = 3;
    Options.itl1 = 3;
    Options.itl4 = 50;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2), V(3)}; };
    TransientSettings s;
    s.tmax = 10e-6;
    s.max_step = 0.1e-6;
    s.operating_point = false;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_TRUE(reported.ids.empty());
    EXPECT_EQ(Transient.rejected, 1);
    // The first point is the retried step: the approach's 0.1 x 0.1 x 0.1 us, cut by 8.
    ASSERT_FALSE(sink.x.empty());
    EXPECT_NEAR(sink.x[0], 1e-9 / 8, 1e-21);
    EXPECT_EQ(Transient.steps, static_cast<int>(sink.x.size()) + 1);
    EXPECT_NEAR(sink.values.back()[0], 0.69, 0.05);
    EXPECT_NEAR(sink.values.back()[1], 5 * (1 - std::exp(-10e-6 / 1e-6)), 1e-3);
}

// With UIC the run starts without an operating point, but its time points still integrate
// the junction charges: a diode's and a transistor's junction capacitances, each charged
// through 100 kohm by a 0.3 V step at 1 us, follow the same curve as without UIC.
TEST_F(TransientRun, JunctionChargesIntegrateWithInitialConditions) {
    double at_2us[2][2] = {};
    for (int uic : {0, 1}) {
        ModelParams* d = Model(kModelDiode, {{"IS", 1e-16}, {"CJO", 10e-12}});
        ModelParams* q = Model(kModelNpn, {{"IS", 1e-16}, {"CJE", 10e-12}, {"CJC", 5e-12}});
        PulseSource(1, 0, {0, 0.3, 1e-6, 1e-9, 1e-9, 1, 2});
        AddResistor(1, 2, 100e3);
        AddDiode(d, 2, 0);
        AddResistor(1, 3, 100e3);
        AddBjt(q, 0, 3, 0);
        NodeCount = 3;
        UseInitialConditions = uic;
        RecordingSink sink;
        sink.probe = [] { return std::vector<double>{V(2), V(3)}; };
        TransientSettings s;
        s.tmax = 3e-6;
        s.max_step = 10e-9;
        s.operating_point = uic == 0;
        ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
        const size_t i = std::lower_bound(sink.x.begin(), sink.x.end(), 2e-6) - sink.x.begin();
        ASSERT_LT(i, sink.x.size());
        for (int k = 0; k < 2; ++k) at_2us[uic][k] = sink.values[i][k];
        FreeSimulationState();
        ClearCircuitModels();
    }
    for (int k = 0; k < 2; ++k) {
        EXPECT_LT(at_2us[0][k], 0.25) << k;  // still charging 1 us after the edge
        EXPECT_NEAR(at_2us[1][k], at_2us[0][k], 2e-3) << k;
    }
}

TEST_F(TransientRun, TimeStepTooSmallIsReported) {
    // One Newton iteration a step never settles the diode, so every step is cut by 8
    // until it falls below the minimum step.
    ModelParams* d = Model(kModelDiode, {{"IS", 1e-14}, {"CJO", 1e-12}});
    SpiceSource* v = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    v->spec_kind = kSourceSin;
    v->p[1] = 5;
    v->p[2] = 1e3;
    AddResistor(1, 2, 1e3);
    AddDiode(d, 2, 0);
    NodeCount = 2;
    Options.itl4 = 1;
    RecordingSink sink;
    TransientSettings s;
    s.tmax = 1e-3;
    EXPECT_EQ(RunTransientAnalysis(s, sink), 15055);
    EXPECT_EQ(reported.ids, std::vector<int>{13542});
    EXPECT_FALSE(sink.x.empty());  // the operating point was handed over
}

}  // namespace
}  // namespace ob7
