// Newton iteration and the operating point with its fall-backs, on small circuits of
// the test devices.

#include <cmath>

#include "engine/engine_fixture.h"
#include "sim/engine/newton.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/operating_point.h"
#include "sim/engine/run_accounting.h"

namespace ob7 {
namespace {

using namespace testdev;

// Principal branch of Lambert W of x = e^ln_x: Newton on w e^w = x for small x, on
// w + ln w = ln x for large x (where x itself would overflow).
double LambertW(double ln_x) {
    if (ln_x < 2) {
        const double x = std::exp(ln_x);
        double w = std::log1p(x);
        for (int i = 0; i < 50; ++i) w -= (w * std::exp(w) - x) / (std::exp(w) * (w + 1));
        return w;
    }
    const double l = ln_x;
    double w = l - std::log(l);
    for (int i = 0; i < 50; ++i) w -= (w + std::log(w) - l) / (1 + 1 / w);
    return w;
}

// Diode voltage of a source vs through r into a diode (is, nvt), in closed form.
double DiodeVoltage(double vs, double r, double is, double nvt) {
    const double ln_x = std::log(is * r / nvt) + (vs + is * r) / nvt;
    const double i = nvt / r * LambertW(ln_x) - is;
    return vs - i * r;
}

// The prompts of source stepping, without the iteration prompts of Newton.
std::vector<std::string> SteppingPrompts() {
    std::vector<std::string> prompts;
    for (const std::string& p : CapturedPrompts)
        if (p.rfind("Calculating", 0) != 0) prompts.push_back(p);
    return prompts;
}

// Node 1: the source; node 2: the diode's anode.
Diode* BuildDiodeCircuit(double vs, double r, bool limit) {
    AddSource(kVoltageSource, 1, 0, vs);
    AddConductance(1, 2, 1 / r);
    Diode* d = AddDiode(2, 0, 1e-14, 0.025852);
    d->limit = limit;
    return d;
}

TEST_F(EngineCircuit, DiodeAndResistorMatchLambertW) {
    // Newton stops within RELTOL of the current; tight tolerances show the exact point.
    OptionTexts[FindOption("RELTOL")] = "1n";
    OptionTexts[FindOption("VNTOL")] = "1p";
    OptionTexts[FindOption("ABSTOL")] = "1e-18";
    ParseSimulationOptions(true);
    for (double vs : {1.0, 0.5, 5.0, 20.0}) {
        BuildDiodeCircuit(vs, 1000, true);
        ASSERT_EQ(Prepare(2), 0);
        EXPECT_EQ(EquationCount, 3);
        ASSERT_EQ(SolveOperatingPoint(nullptr, true, nullptr), 0);
        EXPECT_NEAR(Solution[2], DiodeVoltage(vs, 1000, 1e-14, 0.025852), 1e-9) << "vs=" << vs;
        EXPECT_DOUBLE_EQ(Solution[1], vs);
        EXPECT_TRUE(NonConvergence.entries.empty());
        FreeSimulationState();
    }
}

TEST_F(EngineCircuit, RunAccountingTimesLoadFactorAndSolveOnlyWhenEnabled) {
    for (bool enabled : {false, true}) {
        RunAccounting.enabled = enabled;
        ResetRunAccounting();
        BuildDiodeCircuit(5.0, 1000, true);
        ASSERT_EQ(Prepare(2), 0);
        ASSERT_EQ(SolveOperatingPoint(nullptr, true, nullptr), 0);
        EXPECT_EQ(RunAccounting.load_seconds > 0, enabled);
        EXPECT_EQ(RunAccounting.factor_seconds > 0, enabled);
        EXPECT_EQ(RunAccounting.solve_seconds > 0, enabled);
        EXPECT_EQ(RunAccounting.truncation_seconds, 0);  // no time steps in an operating point
        FreeSimulationState();
    }
    RunAccounting.enabled = false;
}

TEST_F(EngineCircuit, LinearPointTakesThreeIterations) {
    AddSource(kCurrentSource, 0, 1, 1e-3);
    AddConductance(1, 0, 1e-3);
    ASSERT_EQ(Prepare(1), 0);
    ASSERT_EQ(NewtonSolve(nullptr, Options.itl1, Options.gmin), 0);
    EXPECT_EQ(IterationCount, 3);
    EXPECT_DOUBLE_EQ(Solution[1], 1.0);
    EXPECT_EQ(CapturedPrompts.back(), "Calculating operating point, iteration 2");
}

TEST_F(EngineCircuit, UnlimitedDiodeConvergesThroughSourceStepping) {
    BuildDiodeCircuit(5.0, 1000, false);
    ASSERT_EQ(Prepare(2), 0);
    ASSERT_EQ(SolveOperatingPoint(nullptr, false, nullptr), 0);
    ASSERT_FALSE(SteppingPrompts().empty());
    EXPECT_EQ(SteppingPrompts()[0], "   Lowering sources to 3.125%.");
    EXPECT_EQ(SteppingPrompts().back(), "Raising sources to 100%.");
    EXPECT_EQ(SourceFactor, 1.0);
    EXPECT_EQ(InitMode, kInitJunction);
    EXPECT_NEAR(Solution[2], DiodeVoltage(5.0, 1000, 1e-14, 0.025852), 1e-9);
}

std::vector<double> CallFactors(const Probe& p) {
    std::vector<double> factors;
    for (const Probe::Call& c : p.calls) factors.push_back(c.factor);
    return factors;
}

// A probe on a 1 mA source: 1 V at node 1 when nothing else is added.
Probe* BuildProbeCircuit() {
    AddSource(kCurrentSource, 0, 1, 1e-3);
    return AddProbe(1, 1e-3);
}

TEST_F(EngineCircuit, SourceSteppingLowersThenRaisesByDoubling) {
    Probe* p = BuildProbeCircuit();
    ASSERT_EQ(Prepare(1), 0);
    p->moving = [p] { return p->calls.size() == 1; };  // only the full-source attempt fails
    ASSERT_EQ(SolveOperatingPoint(nullptr, true, nullptr), 0);
    EXPECT_EQ(CallFactors(*p), (std::vector<double>{1, 1. / 32, 1. / 16, 1. / 8, 1. / 4, 1. / 2, 1, 1}));
    EXPECT_EQ(SteppingPrompts(), (std::vector<std::string>{
                                   "   Lowering sources to 3.125%.", "Raising sources to 6.25%.",
                                   "Raising sources to 12.5%.", "Raising sources to 25%.",
                                   "Raising sources to 50%.", "Raising sources to 100%."}));
    EXPECT_GT(TotalIterations, 100);
}

TEST_F(EngineCircuit, GminSteppingFollowsFailedSourceStepping) {
    Probe* p = BuildProbeCircuit();
    ASSERT_EQ(Prepare(1), 0);
    // Newton fails above 30 % of the sources unless a conductance helps.
    p->moving = [] { return SourceFactor > 0.3 && !GminSteppingActive; };
    ASSERT_EQ(SolveOperatingPoint(nullptr, true, nullptr), 0);
    EXPECT_FALSE(GminSteppingActive);

    // Lowering to 1/32, raising by doubling to 50 %, then 13 retreats with the root of
    // the multiplier: the last one leaves 2^(1/8192), not above 1.0001.
    ASSERT_GE(p->calls.size(), 7u);
    EXPECT_EQ(SteppingPrompts()[0], "   Lowering sources to 3.125%.");
    EXPECT_EQ(SteppingPrompts()[4], "Raising sources to 50%.");
    EXPECT_EQ(SteppingPrompts()[5], "Raising sources to 35.3553%.");
    EXPECT_EQ(SteppingPrompts()[6], "Raising sources to 29.7302%.");
    int failed_raisings = 0;
    for (size_t i = 1; i + 7 < p->calls.size(); ++i)
        if (p->calls[i].factor > 0.3) ++failed_raisings;
    EXPECT_EQ(failed_raisings, 13);

    // GMIN stepping: six solves from GMIN x 1e10 down by 100 to GMIN, then none added.
    const std::vector<double> expected_gmin = {1e-2, 1e-4, 1e-6, 1e-8, 1e-10, 1e-12, 0};
    const size_t first = p->calls.size() - expected_gmin.size();
    for (size_t k = 0; k < expected_gmin.size(); ++k) {
        const Probe::Call& c = p->calls[first + k];
        EXPECT_TRUE(c.gmin_stepping);
        EXPECT_EQ(c.factor, 1.0);
        const double added = 1e-3 / c.v_after_first_solve - 1e-3;
        EXPECT_NEAR(added, expected_gmin[k], expected_gmin[k] * 1e-3 + 1e-15) << "solve " << k;
    }
    EXPECT_FALSE(p->calls[first - 1].gmin_stepping);
    EXPECT_NEAR(Solution[1], 1.0, 1e-12);
}

TEST_F(EngineCircuit, GminSteppingRunsOnlyWithThePreference) {
    Probe* p = BuildProbeCircuit();
    ASSERT_EQ(Prepare(1), 0);
    p->moving = [] { return SourceFactor > 0.3 && !GminSteppingActive; };
    EXPECT_EQ(SolveOperatingPoint(nullptr, false, nullptr), kMsgIterationLimit);
    EXPECT_EQ(IterationLimitReached, 1);
    for (const Probe::Call& c : p->calls) EXPECT_FALSE(c.gmin_stepping);
    // The solution is the last good point of the raising, below 30 % of 1 V.
    EXPECT_LT(Solution[1], 0.3);
    EXPECT_GT(Solution[1], 0.29);
}

TEST_F(EngineCircuit, SecondGminPassUsesRatioTen) {
    Probe* p = BuildProbeCircuit();
    ASSERT_EQ(Prepare(1), 0);
    p->moving = [p] { return p->calls.size() == 1; };  // the first pass fails at once
    ASSERT_EQ(GminSteppingSolve(nullptr, nullptr), 0);
    ASSERT_EQ(p->calls.size(), 1u + 12u);
    double g = 1e-2;
    for (size_t k = 1; k <= 11; ++k, g /= 10)
        EXPECT_NEAR(1e-3 / p->calls[k].v_after_first_solve - 1e-3, g, g * 1e-3) << k;
    EXPECT_NEAR(1e-3 / p->calls[12].v_after_first_solve - 1e-3, 0, 1e-15);
}

TEST_F(EngineCircuit, NonConvergenceListKeepsTheFirstTwentyOfTheLastIteration) {
    AddSource(kCurrentSource, 0, 1, 1e-3);
    std::vector<Probe*> probes;
    for (int i = 0; i < 25; ++i) probes.push_back(AddProbe(1, 1e-4));
    ASSERT_EQ(Prepare(1), 0);
    for (Probe* p : probes) p->moving = [] { return true; };
    ob7::Run.time = 2.5e-6;
    EXPECT_EQ(NewtonSolve(nullptr, 4, Options.gmin), kMsgIterationLimit);
    EXPECT_EQ(IterationCount, 4);
    ASSERT_EQ(NonConvergence.entries.size(), 20u);
    EXPECT_EQ(NonConvergence.entries[0].device, probes[0]);
    EXPECT_EQ(NonConvergence.entries[19].device, probes[19]);
    EXPECT_EQ(NonConvergence.failure_time, 2.5e-6);

    NonConvergencePartName = [](const void*) { return std::string("X1.T7"); };
    for (Probe* p : probes) p->owning_part = p;
    const std::vector<std::string> lines = NonConvergenceReport(true);
    NonConvergencePartName = nullptr;
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "At Time= 2.5e-06 the following devices failed to converge.\n");
    EXPECT_EQ(lines[1], "Table X1.T7\n");
    EXPECT_EQ(NonConvergenceReport(false).size(), 20u);  // the log gets no header
}

TEST_F(EngineCircuit, NonConvergenceReportNamesDevicesAndNodes) {
    // A diode without limiting, far from its solution after five iterations.
    Diode* d = BuildDiodeCircuit(5.0, 1000, false);
    ASSERT_EQ(Prepare(2), 0);
    EXPECT_EQ(NewtonSolve(nullptr, 5, Options.gmin), kMsgIterationLimit);
    ASSERT_EQ(NonConvergence.entries.size(), 1u);
    EXPECT_EQ(NonConvergence.entries[0].device, d);
    EXPECT_EQ(NonConvergence.entries[0].kind, 7);
    char expected[128];
    std::snprintf(expected, sizeof expected, "Diode  failed cdhat=%3.6e id=%3.6e\n",
                  NonConvergence.entries[0].value, d->id);
    EXPECT_EQ(NonConvergenceReport(false)[0], expected);

    NonConvergence.entries.clear();
    IterationCount = 5;
    RecordNonConvergentNode(2, 0.75);
    EXPECT_EQ(NonConvergenceReport(false)[0], "Failed On node 2 7.500000e-01\n");
}

TEST_F(EngineCircuit, EmptyFloatingAndLoopCircuitsEndWithAMessage) {
    // No nodes: nothing to solve, no matrix.
    ASSERT_EQ(Prepare(0), 0);
    EXPECT_EQ(CurrentMatrix, nullptr);
    EXPECT_EQ(SolveOperatingPoint(nullptr, true, nullptr), 0);
    FreeSimulationState();

    // Nodes 2 and 3 float: joined to each other, fed by a current source, no path home.
    AddSource(kCurrentSource, 0, 1, 1e-3);
    AddConductance(1, 0, 1e-3);
    AddSource(kCurrentSource, 0, 2, 1e-3);
    AddConductance(2, 3, 1e-3);
    ASSERT_EQ(Prepare(3), 0);
    EXPECT_EQ(SolveOperatingPoint(nullptr, false, nullptr), kMsgMatrixSingular);
    // Entered after a singular matrix, source stepping does not lower.
    ASSERT_FALSE(SteppingPrompts().empty());
    EXPECT_EQ(SteppingPrompts()[0], "Raising sources to 12.5%.");
    EXPECT_EQ(SourceFactor, 1.0);
    FreeSimulationState();

    // Two voltage sources in parallel.
    AddSource(kVoltageSource, 1, 0, 1.0);
    AddSource(kVoltageSource, 1, 0, 2.0);
    AddConductance(1, 0, 1e-3);
    ASSERT_EQ(Prepare(1), 0);
    EXPECT_EQ(SolveOperatingPoint(nullptr, true, nullptr), kMsgMatrixSingular);
    EXPECT_FALSE(GminSteppingActive);
}

// Junction loads may reuse their kept linearisation during a solve unless it starts at a
// predicted point, or, past the operating point, the solve before settled in one iteration.
TEST_F(EngineCircuit, BypassIsAllowedByHowTheSolveStarts) {
    BuildProbeCircuit();
    ASSERT_EQ(Prepare(1), 0);
    struct Case {
        int operating_point, init_mode, previous_iterations, allowed;
    };
    const Case cases[] = {
        {1, kInitJunction, 0, 1}, {1, kInitFloat, 1, 1}, {1, kInitPredict, 5, 0},
        {0, kInitPredict, 5, 0},  {0, kInitFloat, 1, 0}, {0, kInitFloat, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "op " << c.operating_point << " mode " << c.init_mode << " previous "
                                        << c.previous_iterations);
        OperatingPointPhase = c.operating_point;
        AnalysisMode = c.operating_point ? kModeDc : kModeTransient;
        InitMode = c.init_mode;
        IterationCount = c.previous_iterations;
        BypassAllowed = !c.allowed;
        ASSERT_EQ(NewtonSolve(nullptr, 50, Options.gmin), 0);
        EXPECT_EQ(BypassAllowed, c.allowed);
    }
    // The last time point settled in one iteration: the next one does not bypass.
    ASSERT_EQ(IterationCount, 1);
    InitMode = kInitFloat;
    ASSERT_EQ(NewtonSolve(nullptr, 50, Options.gmin), 0);
    EXPECT_EQ(BypassAllowed, 0);
}

TEST_F(EngineCircuit, EscapeStopsTheIteration) {
    BuildProbeCircuit()->moving = [] { return true; };
    ASSERT_EQ(Prepare(1), 0);
    RunControl.abort = 1;
    EXPECT_EQ(NewtonSolve(nullptr, 100, Options.gmin), 15056);
    EXPECT_EQ(IterationCount, 0);
}

int digital_calls = 0;

TEST_F(EngineCircuit, DigitalChangesSolveTheAnalogSideAgain) {
    AddSource(kCurrentSource, 0, 1, 1e-3);
    AddConductance(1, 0, 1e-3);
    ASSERT_EQ(Prepare(1), 0);
    OperatingPointPhase = 0;
    AnalysisMode = kModeTransient;
    WorkingMethod = kTrapezoidal;
    IntegrationOrder = 1;
    ob7::Run.time = 5e-6;
    LastAcceptedTime = 4e-6;
    StepHistory[0] = 2e-6;
    digital_calls = 0;
    Digital.apply_events_now = [](bool* changed) {
        *changed = ++digital_calls == 1;
        return 0;
    };
    DigitalPhase = 1;
    EXPECT_EQ(NewtonSolve(nullptr, 10, 0), 0);
    EXPECT_EQ(digital_calls, 1);
    EXPECT_EQ(DigitalPhase, 2);
    EXPECT_DOUBLE_EQ(StepHistory[0], 1e-6);  // cut back to the digital event
    EXPECT_NEAR(Ag0, 1e6, 1e-6);
    EXPECT_DOUBLE_EQ(Solution[1], 1.0);      // solved again after the hand-over

    // A failed analog solve at the operating point keeps its failure; the digital side
    // does not run on it.
    FreeSimulationState();
    BuildProbeCircuit()->moving = [] { return true; };
    ASSERT_EQ(Prepare(1), 0);
    OperatingPointPhase = 1;
    AnalysisMode = kModeDc;
    DigitalPhase = 1;
    digital_calls = 0;
    EXPECT_EQ(NewtonSolve(nullptr, 5, 0), kMsgIterationLimit);
    EXPECT_EQ(digital_calls, 0);
    Digital = {};
    DigitalPhase = 0;
}

TEST_F(EngineCircuit, WithoutAnalogNodesOnlyTheDigitalSideSettles) {
    ASSERT_EQ(Prepare(0), 0);
    NoAnalogNodes = 1;
    DigitalSettle = 1;
    digital_calls = 0;
    Digital.settle_states = [] {
        ++digital_calls;
        return 0;
    };
    EXPECT_EQ(NewtonSolve(nullptr, 10, 0), 0);
    EXPECT_EQ(digital_calls, 1);
    RunControl.abort = 1;
    EXPECT_EQ(NewtonSolve(nullptr, 10, 0), 15056);
    Digital = {};
    NoAnalogNodes = DigitalSettle = 0;
}

TEST_F(EngineCircuit, NominalValuesAreKeptByEachKind) {
    Conductance* r = AddConductance(1, 0, 2e-3);
    SaveNominalRLCValues();
    EXPECT_EQ(r->nominal, 2e-3);
}

}  // namespace
}  // namespace ob7
