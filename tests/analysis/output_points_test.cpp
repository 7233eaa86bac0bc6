// Output points: curve expressions evaluated, clamped and stored at each accepted point.

#include "analysis/output_points.h"

#include <gtest/gtest.h>

#include <cmath>

#include "expression/expression_context.h"
#include "sim/engine/run_helpers.h"
#include "foundation/report_sink.h"
#include "sim/engine/run_control.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class NodeContext : public NoCircuitExpressionContext {
public:
    double a = 0;
    const RunValues& Run() const override { return ob7::Run; }
    int FindNode(std::string_view name, int) const override { return name == "A" ? 1 : name == "0" ? 0 : -1; }
    int AnalogNodeCount() const override { return 1; }
    const double* NodeVoltage(int node) const override { return node == 1 ? &a : nullptr; }
    bool IsSolutionEntry(const double* p) const override { return p == &a; }
};

class Quiet : public ReportSink {
public:
    std::vector<int> ids;
    int Deliver(const ReportDelivery& r) override {
        ids.push_back(r.id);
        return 0;
    }
};

CurveRowRecord Row(const char* x, const char* y, int options, char group = '1') {
    CurveRowRecord r;
    r.xExpression = x;
    r.yExpression = y;
    r.options = options;
    r.plotGroup = group;
    r.xRange = r.yRange = "Auto";
    return r;
}

class OutputPoints : public ::testing::Test {
protected:
    void SetUp() override {
        SetBatchLogSink(&quiet);
        AnalysisKind = 0;
        ob7::Run.analysis_kind = 0;  // curves compile for a transient
        plot.context = &context;
    }
    void TearDown() override {
        SetBatchLogSink(nullptr);
        RunControl.error_shown = 0;  // run errors show once per run
    }
    // Hands over points at t = 0 .. n-1 with V(A) = values[i] in one run.
    void Points(const std::vector<double>& values) {
        plot.ResetPointStore();
        plot.BeginRun({});
        for (size_t i = 0; i < values.size(); ++i) {
            ob7::Run.time = static_cast<double>(i);
            context.a = values[i];
            ASSERT_EQ(plot.EvaluateRunPoint(), 0);
            plot.StoreRunPoint(ob7::Run.time);
        }
        plot.PlotNewPoints();
    }
    NodeContext context;
    AnalysisPlot plot;
    Quiet quiet;
};

TEST_F(OutputPoints, PlottedCurvesComeFirstThenListedOnes) {
    std::vector<CurveRowRecord> rows = {Row("T", "V(A)", CO_OUTPUT | CO_LINEARX | CO_LINEARY, ' '),
                                        Row("T", "2*V(A)", CO_LINEARX | CO_LINEARY, '2')};
    ASSERT_EQ(plot.BuildGraphs(rows, true, 1), 0);
    ASSERT_EQ(plot.curves.size(), 2u);
    EXPECT_EQ(plot.curves[0].row, 1);
    EXPECT_EQ(plot.curves[0].flags, kCurvePlotted);
    EXPECT_EQ(plot.curves[0].plotGroup, 2);
    EXPECT_EQ(plot.curves[1].row, 0);
    EXPECT_EQ(plot.curves[1].flags, kCurveListed);
    // X exactly T on a linear transient axis shares the sweep column.
    EXPECT_EQ(plot.storeCurves[0].columns[0], 0);
    Points({1, 2, 3});
    EXPECT_EQ(plot.RunPointValue(0, 0, 2, kAxisY), 6);
    EXPECT_EQ(plot.RunPointValue(1, 0, 2, kAxisY), 3);
    EXPECT_EQ(plot.RunPointValue(1, 0, 2, kAxisX), 2);
}

TEST_F(OutputPoints, ValuesAreClampedAndLogAxesFloored) {
    std::vector<CurveRowRecord> rows = {Row("T", "V(A)", CO_LINEARX), Row("T", "V(A)*1e60", CO_LINEARX | CO_LINEARY),
                                        Row("T", "-V(A)*1e60", CO_LINEARX | CO_LINEARY)};
    ASSERT_EQ(plot.BuildGraphs(rows, true, 1), 0);
    Points({0, 1});
    EXPECT_EQ(plot.RunPointValue(0, 0, 0, kAxisY), kLogAxisFloor);  // log Y of 0: no gap
    EXPECT_EQ(plot.RunPointValue(0, 0, 1, kAxisY), 1);
    EXPECT_EQ(plot.RunPointValue(1, 0, 1, kAxisY), kPlotClamp);
    EXPECT_EQ(plot.RunPointValue(2, 0, 1, kAxisY), -kPlotClamp);
}

TEST_F(OutputPoints, FrequencyTypedAsXOfATransientPlotsAgainstTime) {
    std::vector<CurveRowRecord> rows = {Row("f", "V(A)", CO_LINEARX | CO_LINEARY)};
    ASSERT_EQ(plot.BuildGraphs(rows, true, 1), 0);
    EXPECT_EQ(plot.curves[0].mark[kAxisX], 'F');
    ob7::Run.frequency = 1234;
    Points({5, 6, 7});
    EXPECT_EQ(plot.RunPointValue(0, 0, 2, kAxisX), 2);  // the time, not 1234
}

TEST_F(OutputPoints, EveryFifthPointIsKeptAndTheLastPendingOneAtTheCaseEnd) {
    std::vector<CurveRowRecord> rows = {Row("T", "V(A)", CO_LINEARX | CO_LINEARY)};
    plot.plotEveryN = 5;
    ASSERT_EQ(plot.BuildGraphs(rows, true, 1), 0);
    Points({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    std::vector<double> kept;
    for (int i = 0; i < plot.RunPointCount(0, 0); ++i) kept.push_back(plot.RunPointValue(0, 0, i, kAxisY));
    EXPECT_EQ(kept, (std::vector<double>{0, 5, 10, 12}));
}

TEST_F(OutputPoints, SetUpErrorsAreReported) {
    const struct {
        CurveRowRecord row;
        int code;
    } cases[] = {
        {Row("T", "V(A)", CO_LINEARX | CO_LINEARY, '0'), kMsgNoExpressionToPlot},
        {[] { auto r = Row("T", "V(A)", CO_LINEARX); r.yRange = "5,-1"; return r; }(), kMsgIllegalRange},
        {[] { auto r = Row("T", "V(A)", CO_LINEARX | CO_LINEARY); r.yRange = "2,2"; return r; }(), kMsgIllegalRange},
    };
    for (const auto& c : cases) {
        std::vector<CurveRowRecord> rows = {c.row};
        quiet.ids.clear();
        RunControl.error_shown = 0;
        EXPECT_EQ(plot.BuildGraphs(rows, true, 1), c.code);
        ASSERT_FALSE(quiet.ids.empty());
        EXPECT_EQ(quiet.ids[0], c.code);
    }
    // With "auto-scale ranges" set, an unreadable range auto-scales instead.
    plot.analysisFlags = 1 << 15;
    std::vector<CurveRowRecord> rows = {cases[1].row};
    EXPECT_EQ(plot.BuildGraphs(rows, true, 1), 0);
    EXPECT_TRUE(plot.curves[0].autoScale[kAxisY]);
}

// A HEX or BIN curve is a bus: its radix and bit width go with it to the plot.
class BusContext : public NodeContext {
public:
    uint16_t states[2] = {507, 504};  // digital nodes count on their own: 2 and 3 of 3
    int FindNode(std::string_view name, int scope) const override {
        if (name == "Q0") return 2;
        if (name == "Q1") return 3;
        return NodeContext::FindNode(name, scope);
    }
    int DigitalNodeCount() const override { return 3; }
    const uint16_t* DigitalNodeState(int node) const override {
        return node == 2 ? &states[0] : node == 3 ? &states[1] : nullptr;
    }
};

TEST_F(OutputPoints, BusCurvesKeepTheirRadixAndWidth) {
    BusContext bus;
    plot.context = &bus;
    std::vector<CurveRowRecord> rows = {Row("T", "HEX(Q0,Q1)", CO_LINEARX | CO_LINEARY),
                                        Row("T", "BIN(Q0,Q1,Q0)", CO_LINEARX | CO_LINEARY),
                                        Row("T", "D(Q0)", CO_LINEARX | CO_LINEARY)};
    ASSERT_EQ(plot.BuildGraphs(rows, true, 1), 0) << (quiet.ids.empty() ? 0 : quiet.ids.back());
    ASSERT_EQ(plot.curves.size(), 3u);
    EXPECT_TRUE(plot.curves[0].digital);
    EXPECT_EQ(plot.curves[0].busRadix, kRadixHex);
    EXPECT_EQ(plot.curves[0].busWidth, 2);
    EXPECT_EQ(plot.curves[1].busRadix, kRadixBinary);
    EXPECT_EQ(plot.curves[1].busWidth, 3);
    EXPECT_TRUE(plot.curves[2].digital);
    EXPECT_EQ(plot.curves[2].busRadix, 0);
    plot.context = &context;
}

}  // namespace
}  // namespace ob7
