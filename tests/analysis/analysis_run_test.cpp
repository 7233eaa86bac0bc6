// The run cycle with a driver that hands over fixed points: temperatures outside, stepped
// cases inside, one run of the point store per case, each with its record.

#include "analysis/analysis_run.h"

#include <gtest/gtest.h>

#include <vector>

#include "expression/expression_context.h"
#include "foundation/report_sink.h"
#include "sim/devices/device_contract.h"
#include "sim/engine/run_control.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

// One node A whose voltage is the stepped value.
class SteppedNodeContext : public NoCircuitExpressionContext {
public:
    double a = 42;
    const RunValues& Run() const override { return ob7::Run; }
    int FindNode(std::string_view name, int) const override { return name == "A" ? 1 : name == "0" ? 0 : -1; }
    int AnalogNodeCount() const override { return 1; }
    const double* NodeVoltage(int node) const override { return node == 1 ? &a : nullptr; }
    bool IsSolutionEntry(const double* p) const override { return p == &a; }
};

class Reports : public ReportSink {
public:
    std::vector<int> ids;
    int Deliver(const ReportDelivery& r) override {
        ids.push_back(r.id);
        return 0;
    }
};

class RunCycle : public ::testing::Test {
protected:
    void SetUp() override {
        SetBatchLogSink(&reports);
        AnalysisKind = 0;
        setup.limits[3] = "27";
        CurveRowRecord row;
        row.plotGroup = '1';
        row.options = CO_LINEARX | CO_LINEARY | CO_OUTPUT;
        row.xExpression = "T";
        row.yExpression = "V(A)";
        row.xRange = row.yRange = "Auto";
        setup.rows.push_back(row);
    }
    void TearDown() override {
        SetBatchLogSink(nullptr);
        RunControl.error_shown = 0;  // run errors show once per run
    }

    void Step(int i, const char* from, const char* to, const char* step, const char* name = "R1") {
        setup.steps[i].flags = SF_ENABLED | SF_LINEAR | SF_COMPONENT;
        setup.steps[i].texts[0] = name;
        setup.steps[i].texts[1] = "Value";
        setup.steps[i].texts[2] = from;
        setup.steps[i].texts[3] = to;
        setup.steps[i].texts[4] = step;
    }
    // A run whose driver hands over `points` points at t = 0, 1, 2 ... per case.
    int RunWith(AnalysisRun& run, int points = 4) {
        run.resolveStepVariable = [this](StepVariable& v) {
            v.read = [this] { return context.a; };
            v.write = [this](double x) { context.a = x; };
            return 0;
        };
        run.solveCase = [this, points](const RunCase& c, PointSink& sink) {
            temperatures.push_back(c.temperature);
            for (int i = 0; i < points; ++i) {
                ob7::Run.time = i;
                if (int code = sink.AcceptPoint(i)) return code;
            }
            return 0;
        };
        return run.RunAnalysisCore();
    }

    AnalysisSetup setup;
    SteppedNodeContext context;
    Reports reports;
    std::vector<double> temperatures;
};

TEST_F(RunCycle, TwoTemperaturesTimesThreeSteppedCasesGiveSixRuns) {
    setup.limits[3] = "50,0";  // no step: the whole span, so 0 and 50
    Step(0, "1", "3", "1");
    AnalysisRun run(0, setup, &context);
    ASSERT_EQ(RunWith(run), 0);
    const RunBook& runs = run.plot.runs;
    ASSERT_EQ(runs.runCount, 6);
    const struct {
        int caseNumber;
        double temperature, step;
    } expected[6] = {{1, 0, 1}, {2, 0, 2}, {3, 0, 3}, {1, 50, 1}, {2, 50, 2}, {3, 50, 3}};
    for (int r = 0; r < 6; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(runs.records[r].caseNumber, expected[r].caseNumber);
        EXPECT_EQ(runs.records[r].temperature, expected[r].temperature);
        EXPECT_EQ(runs.records[r].stepValues[0], expected[r].step);
        EXPECT_EQ(runs.records[r].stepValues[1], 0.0);
        // Every run holds its own 4 points; Y is the stepped value in force while it ran.
        ASSERT_EQ(run.plot.RunPointCount(0, r), 4);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(run.plot.RunPointValue(0, r, i, kAxisX), i);
            EXPECT_EQ(run.plot.RunPointValue(0, r, i, kAxisY), expected[r].step);
        }
    }
    EXPECT_EQ(context.a, 42);  // the stepped value is back at its nominal
    EXPECT_TRUE(reports.ids.empty());
}

// While the cases run, the device loads are told that a stepped value is stepped (they
// then leave it alone); before and after the run nothing is.
TEST_F(RunCycle, SteppedTargetsAreKnownToTheDeviceLoadsDuringTheRun) {
    Step(0, "1", "2", "1");
    AnalysisRun run(0, setup, &context);
    std::vector<bool> during;
    run.resolveStepVariable = [this](StepVariable& v) {
        v.target = &context.a;
        v.read = [this] { return context.a; };
        v.write = [this](double x) { context.a = x; };
        return 0;
    };
    run.solveCase = [&](const RunCase&, PointSink& sink) {
        during.push_back(IsStepped(&context.a));
        during.push_back(IsStepped(&ob7::Run.time));
        return sink.AcceptPoint(0);
    };
    EXPECT_FALSE(IsStepped(&context.a));
    ASSERT_EQ(run.RunAnalysisCore(), 0);
    EXPECT_EQ(during, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(IsStepped(&context.a));
}

TEST_F(RunCycle, NestedVariablesChangeTheHighestFastest) {
    Step(0, "1", "2", "1");
    Step(1, "10", "30", "10", "C1");
    double second = 0;
    AnalysisRun run(0, setup, &context);
    RunWith(run);  // fills the hooks; then variable 1 steps a target of its own
    run.resolveStepVariable = [&](StepVariable& v) {
        double* target = v.name == "R1" ? &context.a : &second;
        v.read = [target] { return *target; };
        v.write = [target](double x) { *target = x; };
        return 0;
    };
    ASSERT_EQ(run.RunAnalysisCore(), 0);
    ASSERT_EQ(run.plot.runs.runCount, 6);
    const double v0[6] = {1, 1, 1, 2, 2, 2}, v1[6] = {10, 20, 30, 10, 20, 30};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(run.plot.runs.records[r].stepValues[0], v0[r]) << r;
        EXPECT_EQ(run.plot.runs.records[r].stepValues[1], v1[r]) << r;
    }
}

TEST_F(RunCycle, TemperatureFieldGivesItsPasses) {
    const struct {
        const char* text;
        bool list;
        std::vector<double> passes;
    } cases[] = {
        {"27", false, {27}},
        {"100,0,50", false, {0, 50, 100}},
        {"100,0", false, {0, 100}},
        {"0,100", false, {100}},  // high below low: raised to low
        {"100,0,30", false, {0, 30, 60, 90, 100}},
        {"85, -40, 27", true, {85, -40, 27}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        setup.limits[3] = c.text;
        setup.temperatureList = c.list;
        temperatures.clear();
        AnalysisRun run(0, setup, &context);
        ASSERT_EQ(RunWith(run), 0);
        EXPECT_EQ(temperatures, c.passes);
        EXPECT_EQ(run.plot.runs.runCount, static_cast<int>(c.passes.size()));
    }
}

TEST_F(RunCycle, TemperatureOutOfRangeStopsATransientRun) {
    setup.limits[3] = "2e4";
    AnalysisRun run(0, setup, &context);
    EXPECT_EQ(RunWith(run), kMsgRunStopped);
    EXPECT_TRUE(temperatures.empty());
    ASSERT_FALSE(reports.ids.empty());
    EXPECT_EQ(reports.ids[0], kMsgRunIllegalTemperature);
}

TEST_F(RunCycle, UserStopKeepsWhatWasComputed) {
    Step(0, "1", "3", "1");
    AnalysisRun run(0, setup, &context);
    int polls = 0;
    run.pollAbort = [&] { return ++polls == 6; };  // Esc during the second case
    EXPECT_EQ(RunWith(run), kMsgRunStoppedByUser);
    ASSERT_EQ(run.plot.runs.runCount, 2);
    EXPECT_EQ(run.plot.RunPointCount(0, 0), 4);
    EXPECT_EQ(run.plot.RunPointCount(0, 1), 2);
    EXPECT_EQ(temperatures.size(), 2u);
    EXPECT_TRUE(reports.ids.empty());  // the user's stop is silent
    EXPECT_EQ(context.a, 42);
}

TEST_F(RunCycle, MonteCarloBesideSteppingIsSwitchedOffWithAWarning) {
    Step(0, "1", "3", "1");
    setup.monteCarloFlags = kMcOn | kMcGauss;
    setup.monteCarloRuns = "5";
    AnalysisRun run(0, setup, &context);
    EXPECT_EQ(RunWith(run), kMsgRunStopped);
    ASSERT_FALSE(reports.ids.empty());
    EXPECT_EQ(reports.ids[0], 15004);
    EXPECT_EQ(setup.monteCarloFlags & kMcOn, 0);
    EXPECT_TRUE(temperatures.empty());
    // The next run steps as asked.
    AnalysisRun again(0, setup, &context);
    EXPECT_EQ(RunWith(again), 0);
    EXPECT_EQ(again.plot.runs.runCount, 3);
}

TEST_F(RunCycle, NoPlottedRowStopsBeforeAnySimulation) {
    setup.rows[0].plotGroup = '0';  // '0' counts as not plotted
    AnalysisRun run(0, setup, &context);
    EXPECT_EQ(RunWith(run), kMsgRunStopped);
    EXPECT_TRUE(temperatures.empty());
    ASSERT_FALSE(reports.ids.empty());
    EXPECT_EQ(reports.ids[0], kMsgNoExpressionToPlot);
}

TEST_F(RunCycle, DriverFailureIsReportedOnceAndBecomes15055) {
    AnalysisRun run(0, setup, &context);
    run.solveCase = [](const RunCase&, PointSink& sink) {
        sink.AcceptPoint(0);
        return 13542;  // "Internal time step too small"
    };
    EXPECT_EQ(run.RunAnalysisCore(), kMsgRunStopped);
    ASSERT_EQ(reports.ids.size(), 1u);
    EXPECT_EQ(reports.ids[0], 13542);
    EXPECT_EQ(run.plot.RunPointCount(0, 0), 1);  // what was gathered stays
}

// "Auto Scale Ranges" (bit 15 of the run options) makes a range that cannot be read
// auto-scale instead of stopping the run, and marks a readable one auto-scaled too.
TEST_F(RunCycle, AutoScaleRangesOptionReachesTheCurveRanges) {
    setup.rows[0].xRange = "5,0";
    setup.rows[0].yRange = "1,1";  // high = low: an illegal range
    {
        AnalysisRun run(0, setup, &context);
        EXPECT_EQ(RunWith(run), kMsgRunStopped);
        ASSERT_FALSE(reports.ids.empty());
        EXPECT_EQ(reports.ids[0], kMsgIllegalRange);
    }
    reports.ids.clear();
    RunControl.error_shown = 0;
    setup.options |= 0x8000;
    AnalysisRun run(0, setup, &context);
    EXPECT_EQ(RunWith(run), 0);
    EXPECT_TRUE(reports.ids.empty());
    ASSERT_EQ(run.plot.curves.size(), 1u);
    const AnalysisCurve& c = run.plot.curves[0];
    EXPECT_TRUE(c.autoScale[kAxisX]);
    EXPECT_TRUE(c.autoScale[kAxisY]);
    EXPECT_EQ(c.rangeHigh[kAxisX], 5);  // the readable range is still kept
    EXPECT_EQ(run.plot.RunPointCount(0, 0), 4);
}

}  // namespace
}  // namespace ob7
