// Independent sources: every waveform at a table of times, their breakpoints, the PWL
// tables with repetitions, the user-source tables, and the stamps with source stepping.

#include <gtest/gtest.h>

#include <cmath>

#include "devices/device_checks.h"
#include "foundation/message_codes.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/engine/newton.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct TimeValue {
    double time, value;
};

TEST(SourceWaveforms, PulseTable) {
    // VZERO 0, VONE 5, rise 1..2, high to 4, fall to 5, period 10.
    const TimeValue table[] = {{0, 0}, {1, 0}, {1.5, 2.5}, {2, 5}, {3, 5}, {4.5, 2.5}, {6, 0}, {11.5, 2.5}, {23, 5}};
    for (const TimeValue& tv : table)
        EXPECT_NEAR(PulseValue(tv.time, 0, 5, 1, 2, 4, 5, 10), tv.value, 1e-12) << "t=" << tv.time;
    // Without a period the pulse stays at VZERO; at time 0 it is VZERO even when P1 < 0.
    EXPECT_EQ(PulseValue(3, 1, 5, 1, 2, 4, 5, 0), 1);
    EXPECT_EQ(PulseValue(0, 1, 5, -1, 2, 4, 5, 10), 1);
    EXPECT_NEAR(PulseValue(1, 1, 5, -1, 2, 4, 5, 10), 1 + 4 * 2 / 3.0, 1e-12);  // rising since -1
}

TEST(SourceWaveforms, SineAndSffmTables) {
    // Undamped 1 kHz, delay 2 ms: the offset until the delay.
    const TimeValue sine[] = {{0, 1}, {1e-3, 1}, {2e-3, 1}, {2.25e-3, 3}, {2.75e-3, -1}};
    for (const TimeValue& tv : sine)
        EXPECT_NEAR(SineValue(tv.time, 2, 1, 1e3, 2, 0, 1e30, 2e-3, 0, 0, 0), tv.value, 1e-9) << "t=" << tv.time;
    // Damped: 1/THETA as the damping time.
    EXPECT_NEAR(SineValue(0.25e-3, 2, 0, 1e3, 1, 1e-3, 1e30, 0, 0, 0, 0), std::exp(-0.25), 1e-12);
    // SFFM: offset + VA sin(2 pi FC t + MDI sin(2 pi FS t)).
    const double t = 0.3e-3;
    EXPECT_NEAR(SineValue(t, 5, 0.5, 1e3, 2, 0, 1e30, 0, 0, 3, 100),
                0.5 + 2 * std::sin(2 * kPi * 1e3 * t + 3 * std::sin(2 * kPi * 100 * t)), 1e-12);
}

TEST(SourceWaveforms, ExponentialTable) {
    // 0 -> 1 from 1 s with tau 1, back from 3 s with tau 2.
    auto rise = [](double t) { return 1 - std::exp(-(t - 1)); };
    const TimeValue table[] = {{0, 0}, {1, 0}, {2, rise(2)}, {3, rise(3)},
                               {5, rise(5) - (1 - std::exp(-1.0))}};
    for (const TimeValue& tv : table)
        EXPECT_NEAR(ExpValue(tv.time, 0, 1, 1, 1, 3, 2), tv.value, 1e-12) << "t=" << tv.time;
    EXPECT_EQ(ExpValue(2, 0, 1, 1, 0, 3, 2), 1);  // no TAU1: a step
}

PwlSpec Pwl(std::initializer_list<PwlEntry> entries) {
    PwlSpec spec;
    spec.entries = entries;
    return spec;
}
PwlEntry Point(double t, const char* v) { return {kPwlPoint, t, v, 0}; }
PwlEntry Repeat(int count) { return {kPwlRepeat, 0, "", count}; }
PwlEntry EndRepeat() { return {kPwlEndRepeat, 0, "", 0}; }

TEST(SourceWaveforms, PwlRepeatsAndValues) {
    PwlSpec three = Pwl({Repeat(3), Point(0, "0"), Point(1, "1"), EndRepeat()});
    ASSERT_EQ(BuildPwlTables(three, 100, false), 0);
    EXPECT_EQ(three.times, (std::vector<double>{0, 1, 1, 2, 2, 3}));
    bool ascending = true;
    // Points at the same time give the mean; in between the line.
    EXPECT_EQ(PwlTableValue(three, 1, &ascending), 0.5);
    EXPECT_EQ(PwlTableValue(three, 1.25, &ascending), 0.25);
    EXPECT_EQ(PwlTableValue(three, -1, &ascending), 0);
    EXPECT_EQ(PwlTableValue(three, 9, &ascending), 1);

    // FOREVER grows until a point passes the stop time, and keeps that point.
    PwlSpec forever = Pwl({Point(0, "0"), Repeat(-1), Point(0.5, "1"), Point(1, "0"), EndRepeat()});
    ASSERT_EQ(BuildPwlTables(forever, 2.2, false), 0);
    EXPECT_EQ(forever.times.back(), 2.5);
    EXPECT_GT(forever.times.back(), 2.2);

    // A FOREVER body that adds no time ends instead of growing without end.
    PwlSpec stuck = Pwl({Point(1, "1"), Repeat(-1), Point(0, "2"), EndRepeat()});
    ASSERT_EQ(BuildPwlTables(stuck, 10, false), 0);
    EXPECT_LE(stuck.times.size(), 3u);
    PwlSpec empty_body = Pwl({Repeat(-1), EndRepeat()});
    ASSERT_EQ(BuildPwlTables(empty_body, 10, false), 0);
    EXPECT_TRUE(empty_body.times.empty());

    // The plot's limit: three loop-backs at most.
    PwlSpec plotted = Pwl({Repeat(-1), Point(0, "0"), Point(1, "1"), EndRepeat()});
    ASSERT_EQ(BuildPwlTables(plotted, 1e9, true), 0);
    EXPECT_EQ(plotted.times.size(), 6u);

    // Scale factors, values as expressions.
    PwlSpec scaled = Pwl({Point(1, "2*3"), Point(2, "1")});
    scaled.time_scale = 1e-3, scaled.value_scale = 2;
    ASSERT_EQ(BuildPwlTables(scaled, 1, false), 0);
    EXPECT_EQ(scaled.times, (std::vector<double>{1e-3, 2e-3}));
    EXPECT_EQ(scaled.values, (std::vector<double>{12, 2}));

    // Times falling back are refused.
    PwlSpec back = Pwl({Point(2, "1"), Point(1, "0")});
    ASSERT_EQ(BuildPwlTables(back, 10, false), 0);
    EXPECT_EQ(PwlTableValue(back, 3, &ascending), 0);
    EXPECT_FALSE(ascending);
}

TEST(SourceWaveforms, UserSourceTable) {
    PointTable table;
    table.abscissas = {1, 2, 2, 4};
    table.values = {10, 1, 20, 2, 30, 3, 50, 5};
    struct Case {
        double x, re, im;
    } cases[] = {{0, 10, 1}, {1, 10, 1}, {1.5, 15, 1.5}, {2, 20, 2}, {3, 40, 4}, {5, 50, 5}};
    for (const Case& c : cases) {
        double pair[2];
        LookupPointTable(table, c.x, pair);
        EXPECT_EQ(pair[0], c.re) << "x=" << c.x;
        EXPECT_EQ(pair[1], c.im) << "x=" << c.x;
    }
    // A start position past the abscissa still finds its interval.
    table.start = 3;
    double pair[2];
    LookupPointTable(table, 1.5, pair);
    EXPECT_EQ(pair[0], 15);
}

using SourceCircuit = DeviceCircuit;

TEST_F(SourceCircuit, SpiceSourcesByKindAndAnalysis) {
    SpiceSource* sin = AddSpiceSource(1, 0, kSpiceVoltageSource, 7);
    sin->spec_kind = kSourceSin;
    const double p[7] = {1, 2, 1e3, 2e-3, 0, 90};
    std::copy(p, p + 7, sin->p);
    double v = 0;
    AnalysisKind = 0;
    EXPECT_EQ(SpiceSourceValue(sin, 1e-3, &v), 0);
    EXPECT_EQ(v, 1);  // VO before the delay in a transient
    EXPECT_EQ(SpiceSourceValue(sin, 2e-3, &v), 0);
    EXPECT_NEAR(v, 3, 1e-12);  // phase 90 degrees
    AnalysisKind = 2;
    EXPECT_EQ(SpiceSourceValue(sin, 1e-3, &v), 0);
    EXPECT_EQ(v, 7);  // the DC value outside a transient

    SpiceSource* pwl = AddSpiceSource(2, 0, kSpiceVoltageSource, 0);
    pwl->spec_kind = kSourcePwl;
    pwl->pwl = Pwl({Point(1, "1"), Point(0.5, "0")});
    ASSERT_EQ(BuildPwlTables(pwl->pwl, 10, false), 0);
    EXPECT_EQ(SpiceSourceValue(pwl, 2, &v), kMsgReported);

    // An SFFM without its frequencies runs at one cycle over the analysis.
    SpiceSource* sffm = AddSpiceSource(3, 0, kSpiceVoltageSource, 0);
    sffm->spec_kind = kSourceSffm;
    const double q[7] = {0, 1, 0, 0, 0};
    std::copy(q, q + 7, sffm->p);
    AnalysisKind = 0;
    ob7::Run.tmax = 1e-3;
    EXPECT_EQ(SpiceSourceValue(sffm, 0.25e-3, &v), 0);
    EXPECT_NEAR(v, 1, 1e-12);
    EXPECT_NEAR(GetSourceMaxTimeStep(), 0.1e-3, 1e-15);
}

TEST_F(SourceCircuit, Breakpoints) {
    auto pul = MakeModelParams(kModelPulse);
    const double edges[7] = {0, 1, 1, 2, 4, 5, 10};
    std::copy(edges, edges + 7, ModelReals(*pul));
    PulseSource* pulse = AddPulseSource(1, 0, pul.get());
    EXPECT_EQ(PulseSourceBreakpoints(*pulse, 16), (std::vector<double>{1, 2, 4, 5, 11, 12, 14, 15}));
    ModelReals(*pul)[kPulP5] = 0;
    EXPECT_TRUE(PulseSourceBreakpoints(*pulse, 16).empty());

    SpiceSource* spulse = AddSpiceSource(2, 0, kSpiceVoltageSource, 0);
    spulse->spec_kind = kSourcePulse;
    const double p[7] = {0, 1, 1, 1, 1, 2, 3};  // period below rise + width + fall
    std::copy(p, p + 7, spulse->p);
    EXPECT_EQ(SpiceSourceBreakpoints(*spulse, 0, 9), (std::vector<double>{1, 2, 4, 5, 5, 6, 8, 9, 9}));
    EXPECT_EQ(spulse->p[6], 4);

    // A period tiny against the run gives the edges of the first million periods only,
    // and one too small to advance the time at all ends as well.
    const double tiny[7] = {0, 1, 1, 1e-9, 1e-9, 1e-9, 4e-9};
    std::copy(tiny, tiny + 7, spulse->p);
    const std::vector<double> many = SpiceSourceBreakpoints(*spulse, 0, 10);
    EXPECT_EQ(many.size(), 1u + 4u * kMaxPulseBreakpointPeriods);
    EXPECT_NEAR(many.back(), 1 + 4e-9 * kMaxPulseBreakpointPeriods, 1e-12);
    const double stuck[7] = {0, 1, 1, 0, 0, 1e-300, 1e-300};
    std::copy(stuck, stuck + 7, spulse->p);
    EXPECT_EQ(SpiceSourceBreakpoints(*spulse, 0, 10).size(), 1u + 4u * kMaxPulseBreakpointPeriods);
    const double modelTiny[7] = {0, 1, 0, 1e-9, 2e-9, 3e-9, 4e-9};
    std::copy(modelTiny, modelTiny + 7, ModelReals(*pul));
    EXPECT_EQ(PulseSourceBreakpoints(*pulse, 10).size(), 4u * kMaxPulseBreakpointPeriods);

    SpiceSource* exp = AddSpiceSource(3, 0, kSpiceVoltageSource, 0);
    exp->spec_kind = kSourceExp;
    const double e[7] = {0, 1, 1, 1, 3, 2};
    std::copy(e, e + 7, exp->p);
    EXPECT_EQ(SpiceSourceBreakpoints(*exp, 0.5, 9), (std::vector<double>{1.5, 3.5}));

    SpiceSource* pwl = AddSpiceSource(4, 0, kSpiceVoltageSource, 0);
    pwl->spec_kind = kSourcePwl;
    pwl->pwl = Pwl({Repeat(3), Point(0, "0"), Point(1, "1"), EndRepeat()});
    EXPECT_EQ(SpiceSourceBreakpoints(*pwl, 0.5, 2.5), (std::vector<double>{1, 1, 2, 2}));
    pwl->pwl = Pwl({Point(1, "1"), Repeat(-1), Point(0, "2"), EndRepeat()});
    EXPECT_EQ(SpiceSourceBreakpoints(*pwl, 0, 10).size(), 3u);  // ends, though no time passes

    UserSource* user = AddUserSource(5, 0);
    user->table.abscissas = {0, 1, 2, 3};
    user->table.values = {1, 0, 2, 0, 2, 0, 1, 0};  // rises, stays, falls
    EXPECT_EQ(UserSourceBreakpoints(*user, 0.5), (std::vector<double>{0.5, 3.5}));
}

TEST_F(SourceCircuit, StampsScaleWithTheSourceFactor) {
    SpiceSource* v = AddSpiceSource(1, 0, kSpiceVoltageSource, 2);
    AddResistor(1, 0, 1e3);
    SpiceSource* i = AddSpiceSource(0, 2, 0, 1e-3);  // current from ground into node 2
    AddResistor(2, 0, 1e3);
    v->flag_byte1 = 1;
    ASSERT_EQ(Prepare(2), 0);
    SourceFactor = 0.5;
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_NEAR(V(1), 1, 1e-12);
    EXPECT_NEAR(V(2), 0.5, 1e-12);
    EXPECT_NEAR(v->power, 1e-3, 1e-12);  // 1 V driving 1 mA
    (void)i;
    // Every branch source walks its entries.
    EXPECT_TRUE(LoadWalksSetUp(kSpiceSourceKind, Solution));
}

// Every list evaluated at one time and driven through the engine onto its own node.
TEST_F(SourceCircuit, EvaluateAndLoadEveryList) {
    auto sin = MakeModelParams(kModelSin);
    const double sv[7] = {1e3, 2, 0.5, 0, 0, 0, 0};  // F A DC PH RS RP TAU
    std::copy(sv, sv + 7, ModelReals(*sin));
    auto pul = MakeModelParams(kModelPulse);
    const double pv[7] = {0, 1, 0, 1e-3, 2e-3, 3e-3, 4e-3};
    std::copy(pv, pv + 7, ModelReals(*pul));
    AddSineSource(1, 0, sin.get());
    AddPulseSource(2, 0, pul.get());
    SpiceSource* exp = AddSpiceSource(3, 0, kSpiceVoltageSource, 0);
    exp->spec_kind = kSourceExp;
    const double e[7] = {0, 1, 0, 1e-3, 1, 1};
    std::copy(e, e + 7, exp->p);
    UserSource* user = AddUserSource(4, 0);
    user->table.abscissas = {0, 1e-3};
    user->table.values = {0, 0, 2, 0};
    for (int node = 1; node <= 4; ++node) AddResistor(node, 0, 1e3);
    ASSERT_EQ(Prepare(4), 0);
    ob7::Run.time = 0.25e-3;
    ASSERT_EQ(EvaluateSources(), 0);
    ASSERT_EQ(NewtonSolve(nullptr, 20, 0), 0);
    EXPECT_NEAR(V(1), 2.5, 1e-12);   // 0.5 + 2 sin(pi / 2)
    EXPECT_NEAR(V(2), 0.25, 1e-12);  // a quarter up the rise
    EXPECT_NEAR(V(3), 1 - std::exp(-0.25), 1e-12);
    EXPECT_NEAR(V(4), 0.5, 1e-12);
    EXPECT_NEAR(GetSourceMaxTimeStep(), 1e-4, 1e-18);
}

TEST_F(SourceCircuit, PulseModelPreparation) {
    auto pul = MakeModelParams(kModelPulse);
    const double edges[7] = {0, 1, 1, 1, 4, 4, 10};
    std::copy(edges, edges + 7, ModelReals(*pul));
    CircuitModels[kModelPulse] = {pul.get()};
    EXPECT_EQ(PreparePulseModels(27), 0);
    EXPECT_NEAR(pul->Real(kPulP2), 1.01, 1e-15);
    EXPECT_NEAR(pul->Real(kPulP3), 3.99, 1e-15);
    ModelReals(*pul)[kPulP4] = 3;  // falls before it rises
    EXPECT_EQ(PreparePulseModels(27), kMsgReported);
    ClearCircuitModels();
}

}  // namespace
}  // namespace ob7
