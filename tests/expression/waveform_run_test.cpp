// Stateful operators compiled and evaluated as a run drives them through the run hooks.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "expression/compiler.h"
#include "expression/expression.h"
#include "expression/waveform_run_hooks.h"
#include "fake_circuit.h"

namespace ob7 {
namespace {

class Circuit : public test::FakeCircuit {
public:
    std::vector<long long> breakpoints;
    int AddTimeBreakpoint(long long tick) override {
        breakpoints.push_back(tick);
        return 0;
    }
};

// A plot view with graphs of compiled expressions and stored points, and one
// expression-driven device list.
class Owners : public RunExpressionOwners {
public:
    struct Graph {
        std::string text[2];
        CompiledExpression expr[2];
        std::vector<double> x, y;
    };
    std::vector<std::unique_ptr<Graph>> graphs;
    CompiledExpression device;
    bool device_list_flag = true;
    double histories[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    bool log_open = true;
    std::vector<std::string> log;

    explicit Owners(ExpressionContext* context) : context_(context) { InitCompiledExpression(&device); }
    ~Owners() override {
        for (auto& g : graphs)
            for (auto& e : g->expr) FreeExpression(&e);
        FreeExpression(&device);
    }

    Graph& AddGraph(const std::string& x, const std::string& y, int mask, int flags = kKindFlagsCurve) {
        graphs.push_back(std::make_unique<Graph>());
        Graph& g = *graphs.back();
        g.text[0] = x;
        g.text[1] = y;
        for (int a = 0; a < 2; ++a) EXPECT_EQ(Compile(g.text[a], &g.expr[a], mask, flags), 0) << g.text[a];
        return g;
    }
    int Compile(const std::string& text, CompiledExpression* e, int mask, int flags = kKindFlagsAnalog) {
        InitCompiledExpression(e);
        ExpressionCompiler c;
        InitExpressionCompiler(&c, text, e, mask, flags);
        c.context = context_;
        c.pending_mode = 1;
        return CompileExpression(&c);
    }
    // Evaluates both axes of every graph and stores the point, as the plot view does.
    void StorePoint() {
        for (auto& g : graphs) {
            ComplexValue x, y;
            EvaluateExpression(&g->expr[0], &x);
            EvaluateExpression(&g->expr[1], &y);
            g->x.push_back(x.re);
            g->y.push_back(y.re);
        }
    }

    int GraphCount() const override { return int(graphs.size()); }
    CompiledExpression* GraphExpression(int g, int axis) override { return &graphs[g]->expr[axis]; }
    std::string GraphExpressionText(int g, int axis) const override { return graphs[g]->text[axis]; }
    int PointCount(int g) const override { return int(graphs[g]->x.size()); }
    double PointValue(int g, int axis, int i) const override { return axis ? graphs[g]->y[i] : graphs[g]->x[i]; }
    void MovePoint(int g, int from, int to) override {
        graphs[g]->x[to] = graphs[g]->x[from];
        graphs[g]->y[to] = graphs[g]->y[from];
    }
    void SetPointCount(int g, int n) override {
        graphs[g]->x.resize(n);
        graphs[g]->y.resize(n);
    }
    bool ListHoldsExpressions(ExpressionDeviceList list) const override {
        return list == ExpressionDeviceList::NonlinearSources && device_list_flag;
    }
    int DeviceCount(ExpressionDeviceList list) const override { return ListHoldsExpressions(list) ? 1 : 0; }
    CompiledExpression* DeviceExpression(ExpressionDeviceList, int) override { return &device; }
    int HistoryRecordCount() const override { return 2; }
    double* HistoryFields(int i) override { return histories[i]; }
    bool AnalysisLogOpen() const override { return log_open; }
    void WriteAnalysisLog(const std::string& line) override { log.push_back(line); }
    std::string CircuitName() const override { return "AMP.CIR"; }

private:
    ExpressionContext* context_;
};

double Value(CompiledExpression& e) {
    ComplexValue v;
    EXPECT_EQ(EvaluateExpression(&e, &v), 0);
    return v.re;
}

TEST(WaveformRun, TransientHistoryResetAndAccept) {
    Circuit circuit;
    RunValues& run = circuit.run;
    run.analysis_kind = 0;
    run.tmin = 1e-3;
    run.tmax = 2e-3;
    Owners owners(&circuit);
    Owners::Graph& g = owners.AddGraph("T", "SUM(1,T)", 0x11);
    owners.AddGraph("T", "DEL(V(A))", 0x11);
    owners.AddGraph("T", "AVG(V(A))", 0x11);
    owners.AddGraph("T", "RMS(V(A))", 0x11);
    owners.AddGraph("T", "SDT(V(A))", 0x11);
    ASSERT_EQ(owners.Compile("DDT(V(A))", &owners.device, 0x1), 0);

    for (int sweep = 0; sweep < 2; ++sweep) {
        run.time = 0.0;  // whatever the last run left
        ResetExpressionStates(owners, 1);
        double previous_v = 1.0;  // DEL subtracts 1.0 right after a reset
        double integral = 0.0;
        for (int i = 0; i <= 4; ++i) {
            run.time = 1e-3 + i * 0.25e-3;
            double v = i % 2 ? 3.0 : -3.0;
            // An iteration at another value, then the accepted solution.
            circuit.v[1] = 100.0;
            owners.StorePoint();
            Value(owners.device);
            for (auto& graph : owners.graphs) {
                graph->x.pop_back();
                graph->y.pop_back();
            }
            circuit.v[1] = v;
            owners.StorePoint();
            double ddt = Value(owners.device);
            EXPECT_NEAR(g.y.back(), run.time - run.tmin, 1e-15) << i;
            EXPECT_EQ(owners.graphs[1]->y.back(), v - previous_v) << i;
            if (i == 0) {
                EXPECT_EQ(owners.graphs[2]->y.back(), 0.0);
            } else {
                integral += 0.25e-3 * 0.5 * (v + previous_v);
                // The average weights each new value over its whole step.
                EXPECT_NEAR(owners.graphs[2]->y.back(), i % 2 ? 3.0 / i : 0.0, 1e-12) << i;
                EXPECT_NEAR(owners.graphs[3]->y.back(), 3.0, 1e-12) << i;
                EXPECT_NEAR(owners.graphs[4]->y.back(), integral, 1e-15) << i;
                EXPECT_NEAR(ddt, (v - previous_v) / 0.25e-3, 1e-6) << i;
            }
            previous_v = v;
            ResetExpressionStates(owners, 0);
        }
    }
}

TEST(WaveformRun, AcPhaseUnwrapsAcrossPoints) {
    Circuit circuit;
    circuit.run.analysis_kind = 1;
    Owners owners(&circuit);
    owners.AddGraph("F", "PH(V(OUT))", 0x12);
    ResetExpressionStates(owners, 1);
    double degrees[] = {150, -160, -100, -20};
    double expected[] = {150, 200, 260, 340};
    for (int i = 0; i < 4; ++i) {
        circuit.run.point_index = i;
        circuit.run.frequency = 10.0 * (i + 1);
        double r = degrees[i] * M_PI / 180;
        circuit.ac[3] = ComplexValue{std::cos(r), std::sin(r)};
        owners.StorePoint();
        EXPECT_NEAR(owners.graphs[0]->y.back(), expected[i], 1e-9) << i;
        ResetExpressionStates(owners, 0);
    }
}

TEST(WaveformRun, BreakpointsOfStepAndImpulse) {
    Circuit circuit;
    circuit.run.analysis_kind = 0;
    circuit.run.tmin = 0.5e-3;
    circuit.run.tick_length = 1e-9;
    Owners owners(&circuit);
    owners.AddGraph("T", "V(A)*STP(1m)", 0x11);
    ASSERT_EQ(owners.Compile("IMPULSE(1k)+V(B)", &owners.device, 0x1), 0);
    ASSERT_EQ(ScheduleExpressionBreakpoints(owners), 0);
    // STP at 1 ms after the start; IMPULSE(1k): width 1 ms, edges 0.1 us.
    // The impulse's first edge (0.1 us) lies before TMIN and is left out.
    EXPECT_EQ(circuit.breakpoints, (std::vector<long long>{500000, 500100, 500200}));
    // Not in AC analysis.
    circuit.breakpoints.clear();
    circuit.run.analysis_kind = 1;
    EXPECT_EQ(ScheduleExpressionBreakpoints(owners), 0);
    EXPECT_TRUE(circuit.breakpoints.empty());
}

TEST(WaveformRun, DeviceHistoriesCleared) {
    Circuit circuit;
    Owners owners(&circuit);
    ClearDeviceHistories(owners);
    for (auto& h : owners.histories)
        for (double v : h) EXPECT_EQ(v, 0.0);
}

TEST(WaveformRun, DifferenceViolationsReported) {
    Circuit circuit;
    circuit.run.analysis_kind = 0;
    Owners owners(&circuit);
    owners.AddGraph("T", "DIFA(V(A),V(B),0.5)", 0x11);
    // Digital curve: states stored as the DIFD results; a 1 ns difference is thinned.
    Owners::Graph& d = owners.AddGraph("T", "DIFD(D(D1),D(D2),2n)", 0x11);
    for (int i = 0; i < 30; ++i) {
        circuit.run.time = i * 1e-9;
        circuit.v[1] = i < 25 ? 2.0 : 0.5;  // V(B) is 0.5: fails while V(A) is 2
        owners.StorePoint();
    }
    d.x = {0, 1e-9, 2e-9, 3e-9, 10e-9, 11e-9, 20e-9};
    d.y = {504, 504, 507, 504, 504, 507, 507};
    ReportDifferenceViolations(owners);
    // A point is dropped when the level changes less than the tolerance after it.
    EXPECT_EQ(d.x, (std::vector<double>{0, 3e-9, 11e-9, 20e-9}));
    ASSERT_EQ(owners.log.size(), 20u);  // 25 analog failures, at most 20 lines in all
    EXPECT_EQ(owners.log[1], "AMP.CIR At T = 1e-09, DIFA(V(A),V(B),0.5) generated an error.\n");
}

TEST(WaveformRun, ComplexBesselUsesTheSeries) {
    Circuit circuit;
    Owners owners(&circuit);
    CompiledExpression e;
    ASSERT_EQ(owners.Compile("J0(2*J)", &e, 0x7), 0);
    ComplexValue v;
    EXPECT_EQ(EvaluateExpression(&e, &v), 0);
    EXPECT_NEAR(v.re, 2.2795853023360673, 1e-9);  // I0(2)
    FreeExpression(&e);
    ASSERT_EQ(owners.Compile("JN(2,1.5,30)", &e, 0x7), 0);
    EXPECT_EQ(EvaluateExpression(&e, &v), 0);
    EXPECT_NEAR(v.re, jn(2, 1.5), 1e-12);
    FreeExpression(&e);
}

}  // namespace
}  // namespace ob7
