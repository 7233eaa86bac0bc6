// Device expressions through the real road: a text circuit read, compiled and solved.
// Behavioural sources against ngspice 39 operating points of the same deck, Laplace
// sources against their DC gain, formula-valued parts folded or kept, and the errors
// of formulas that do not compile or do not suit a Laplace source.

#include <gtest/gtest.h>

#include <cmath>

#include "netlist/compiler/circuit_compiler.h"
#include "netlist/compiler/compile_error_source.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/point_sink.h"
#include "sim/devices/independent_sources.h"
#include "sim/engine/ac_load.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/function_source.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/resistor.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_fixture.h"

namespace {

class DeviceExpressions : public TextCircuitTest {
protected:
    void TearDown() override {
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
        ob7::Options.numeric_derivative = 0;
        TextCircuitTest::TearDown();
    }
    std::string FirstText() const { return reports.reports.empty() ? std::string() : reports.reports[0].text; }
    // Reads, compiles and solves the operating point; false (with the reason) on failure.
    ::testing::AssertionResult Solve(const std::string& deck, int analysis = ob7::kTransient) {
        if (Read(deck, analysis)) return ::testing::AssertionFailure() << "read: " << FirstText();
        if (ob7::CompileCircuit(*circuit, {}, &compiled)) return ::testing::AssertionFailure() << FirstText();
        ob7::Run.analysis_kind = analysis;
        if (ob7::SolveCompiledOperatingPoint(compiled)) return ::testing::AssertionFailure() << "op: " << FirstText();
        return ::testing::AssertionSuccess();
    }
    double V(const char* node) { return ob7::Solution[static_cast<size_t>(Node(node))]; }
    template <class T>
    T* First(int list) {
        return static_cast<T*>(ob7::DeviceListTable[list].first);
    }
    ob7::CompileResult compiled;
};

// ngspice 39, the same deck (B, G VALUE and E VALUE sources), `op` with numdgt=12.
const char* const kBehaviouralDeck =
    "behavioural sources\n"
    "V1 1 0 DC 2\nV2 2 0 DC 3\nR1 1 0 1k\nR2 2 0 1k\n"
    "B1 3 0 V = V(1)*V(2)\nR3 3 0 1k\n"
    "G1 0 4 VALUE={V(1)*V(1)*1m}\nR4 4 0 1k\n"
    "E1 5 0 VALUE={I(V1)*1k+V(2)}\nR5 5 0 1k\n"
    "B2 6 0 I = V(6)*V(6)*V(6)*1m - 2m\nR6 6 0 1k\n"
    "I7 0 7 DC 1m\nR7 7 0 {2k*(1+0.5)}\n"
    ".END\n";

TEST_F(DeviceExpressions, BehaviouralSourcesMatchNgspice) {
    const struct {
        const char* node;
        double volts;
    } reference[] = {{"3", 6.0}, {"4", 4.0}, {"5", 1.0}, {"6", 1.000000000219}, {"7", 3.0}};
    // Symbolic derivatives, then the numeric ones: the same solution.
    for (int numeric : {0, 1}) {
        SCOPED_TRACE(numeric ? "numeric derivatives" : "symbolic derivatives");
        ob7::Options.numeric_derivative = numeric;
        ASSERT_TRUE(Solve(kBehaviouralDeck));
        for (const auto& r : reference) EXPECT_NEAR(V(r.node), r.volts, 1e-9) << r.node;
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
    }
}

TEST_F(DeviceExpressions, FunctionSourceVariablesAreTheEquationsItReads) {
    // V(3)*V(4): two variables, equations 3 and 4 in that order; with numeric
    // derivatives only the indexes.
    const char* deck = "t\nV1 3 0 DC 2\nV2 4 0 DC 3\nR1 1 0 1k\nR2 2 0 1k\nB1 2 0 I = V(4)*V(3)\n.END\n";
    for (int numeric : {0, 1}) {
        ob7::Options.numeric_derivative = numeric;
        ASSERT_EQ(Read(deck, ob7::kTransient), 0);
        ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
        auto* s = First<ob7::FunctionSource>(ob7::kFunctionSourceList);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->variables.size(), 2u);
        EXPECT_EQ(s->variables[0].equation, Node("3"));
        EXPECT_EQ(s->variables[1].equation, Node("4"));
        for (const auto& v : s->variables) EXPECT_EQ(v.derivative != nullptr, numeric == 0);
        EXPECT_EQ(ob7::DeviceListTable[ob7::kFunctionSourceList].non_constant_expression, 1);
        ob7::ClearCompiledDevices();
    }
}

TEST_F(DeviceExpressions, ConstantFormulasFoldAndVaryingOnesStay) {
    const struct {
        const char* card;
        int list;
        double value;     // the folded value; NaN when the formula stays
    } cases[] = {
        {"R1 1 0 {2k}", ob7::kResistorList, 2000},
        {"R1 1 0 {1k*(1+0.5)}", ob7::kResistorList, 1500},
        {"R1 1 0 {1k*(1+TIME)}", ob7::kResistorList, NAN},
        {"C1 1 0 {1u*(2+TIME)}", ob7::kCapacitorList, NAN},
        {"C1 1 0 {sqrt(4)*1n}", ob7::kCapacitorList, 2e-9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.card);
        ASSERT_EQ(Read(std::string("t\nV1 1 0 DC 1\nR9 1 0 1k\n") + c.card + "\n.END\n", ob7::kTransient), 0);
        ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
        const bool varies = std::isnan(c.value);
        EXPECT_EQ(ob7::DeviceListTable[c.list].non_constant_expression, varies ? 1 : 0);
        if (c.list == ob7::kResistorList) {
            auto* r = static_cast<ob7::Resistor*>(ob7::DeviceListTable[c.list].last);
            EXPECT_EQ(r->value_expression.tokens.empty(), !varies);
            if (!varies) { EXPECT_DOUBLE_EQ(r->working_value, c.value); }
        } else {
            auto* cap = static_cast<ob7::Capacitor*>(ob7::DeviceListTable[c.list].last);
            EXPECT_EQ(cap->value_expression.tokens.empty(), !varies);
            if (!varies) { EXPECT_DOUBLE_EQ(cap->working_value, c.value); }
        }
        ob7::ClearCompiledDevices();
    }
    // A kept formula is evaluated by the load: 1k at TIME 0 makes a 1:1 divider.
    ASSERT_TRUE(Solve("t\nV1 1 0 DC 1\nR1 1 2 1k\nR2 2 0 {1k*(1+TIME)}\n.END\n"));
    EXPECT_NEAR(V("2"), 0.5, 1e-12);
}

// Formulas of TIME and of node voltages evaluated at every accepted time point of a
// transient run, against their closed forms: V(2) = sin^2(2 pi 1k t) + 1000 t from a
// behavioural voltage, V(3) = 1 mA times the resistor 1k (1 + 1000 t), V(4) the integral
// of the sine (1 - cos(2 pi 1k t)) / (2 pi 1k) and V(5) its derivative (scaled by 1e-3)
// 2 pi cos(2 pi 1k t).
TEST_F(DeviceExpressions, TimeFormulasFollowTheirClosedForms) {
    ASSERT_EQ(Read("t\nV1 1 0 SIN(0 1 1k)\nR1 1 0 1k\nB1 2 0 V = V(1)*V(1) + TIME*1k\nR2 2 0 1k\n"
                   "I3 0 3 DC 1m\nR3 3 0 {1k*(1+TIME*1k)}\nB4 4 0 V = SDT(V(1))\nR4 4 0 1k\n"
                   "B5 5 0 I = -DDT (V(1))*1u\nR5 5 0 1k\n.END\n",
                   ob7::kTransient),
              0);
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
    struct Recorder : ob7::PointSink {
        int n2 = 0, n3 = 0, n4 = 0, n5 = 0;
        double worst2 = 0, worst3 = 0, worst4 = 0, worst5 = 0;
        int points = 0;
        int AcceptPoint(double t) override {
            const double pi = 3.14159265358979323846, s = std::sin(2 * pi * 1e3 * t);
            worst2 = std::max(worst2, std::fabs(ob7::Solution[n2] - (s * s + 1e3 * t)));
            worst3 = std::max(worst3, std::fabs(ob7::Solution[n3] - (1 + 1e3 * t)));
            const double integral = (1 - std::cos(2 * pi * 1e3 * t)) / (2 * pi * 1e3);
            worst4 = std::max(worst4, std::fabs(ob7::Solution[n4] - integral));
            if (t > 0) worst5 = std::max(worst5, std::fabs(ob7::Solution[n5] - 2 * pi * std::cos(2 * pi * 1e3 * t)));
            ++points;
            return 0;
        }
    } sink;
    sink.n2 = Node("2"), sink.n3 = Node("3"), sink.n4 = Node("4"), sink.n5 = Node("5");
    ob7::TransientSettings s;
    s.tmax = 2e-3;
    s.max_step = 10e-6;
    ASSERT_EQ(ob7::RunTransientAnalysis(s, sink), 0) << FirstText();
    EXPECT_GT(sink.points, 100);
    EXPECT_LT(sink.worst2, 1e-6);
    EXPECT_LT(sink.worst3, 1e-6);
    // The running integral and the derivative, each within 0.25 % of its peak.
    EXPECT_LT(sink.worst4, 8e-7);
    EXPECT_LT(sink.worst5, 0.0157);
}

// Compiled for AC, a formula reads the operating point and is linearised there: with
// V(o) = 1, 3 V(o)^2 has the small-signal gain 6, and 1/(1+S/1k) its pole at 1 kHz.
TEST_F(DeviceExpressions, FormulasInTheSmallSignalAnalysis) {
    ASSERT_EQ(Read("t\nVIN in 0 DC 2\nR1 in o 1k\nR2 o 0 1k\nB1 p 0 V = 3*V(o)*V(o)\nRP p 0 1k\n"
                   "E2 q 0 LAPLACE {V(o)} = {1/(1+S/6.283185307179586k)}\nRQ q 0 1k\n.END\n",
                   ob7::kAc),
              0);
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
    static_cast<ob7::SpiceSource*>(ob7::DeviceListTable[ob7::kSpiceSourceList].first)->ac_magnitude = 1;
    struct Recorder : ob7::PointSink {
        int p = 0, q = 0;
        std::vector<double> f;
        std::vector<std::complex<double>> vp, vq;
        int AcceptPoint(double x) override {
            f.push_back(x);
            vp.push_back(ob7::AcNodeValue(p));
            vq.push_back(ob7::AcNodeValue(q));
            return 0;
        }
    } sink;
    sink.p = Node("p"), sink.q = Node("q");
    ob7::FillOptionDefaultTexts(1);
    ob7::ParseSimulationOptions(true);
    ob7::AcSettings s;
    s.frequency_range = "1e5,10";
    s.points = 5;
    s.circuit_changed = true;
    ASSERT_EQ(ob7::RunAcAnalysis(s, sink), 0) << FirstText();
    ASSERT_EQ(sink.f.size(), 5u);
    for (size_t i = 0; i < sink.f.size(); ++i) {
        SCOPED_TRACE(sink.f[i]);
        // 6 times V(o) = 0.5; differentiated numerically at the operating point.
        EXPECT_NEAR(std::abs(sink.vp[i] - 3.0), 0, 3e-5);
        const std::complex<double> h = 0.5 / (1.0 + std::complex<double>(0, sink.f[i] / 1e3));
        EXPECT_NEAR(std::abs(sink.vq[i] - h), 0, 1e-4 * std::abs(h));
    }
}

TEST_F(DeviceExpressions, LaplaceSourceGainAtDc) {
    // 10/(1+S) at DC: ten times the control voltage.
    ASSERT_TRUE(Solve("t\nV1 1 0 DC 0.3\nR1 1 0 1k\nE1 2 0 LAPLACE {V(1)} = {10/(1+S)}\nR2 2 0 1k\n"
                      "G1 0 3 LAPLACE {V(1)} = {1m/(1+S/1k)}\nR3 3 0 1k\n.END\n"));
    EXPECT_NEAR(V("2"), 3.0, 1e-6);
    EXPECT_NEAR(V("3"), 0.3, 1e-6);
    EXPECT_EQ(ob7::DeviceListTable[ob7::kLaplaceSourceList].count, 2);
}

TEST_F(DeviceExpressions, FormulasThatCannotStandStopTheCompile) {
    const struct {
        const char* what;
        const char* card;
        int code;  // 0: the expression compiler's own message
        const char* part;
    } cases[] = {
        {"does not compile", "B1 2 0 V = V(1)*(2+", 0, "B1"},
        {"unknown node", "B1 2 0 V = V(NOSUCH)*2", 0, "B1"},
        {"Laplace without S", "E1 2 0 LAPLACE {V(1)} = {5}", 10869, "E1"},
        {"Laplace mixing S with a node", "E1 2 0 LAPLACE {V(1)} = {1/(1+S*V(1))}", 10870, "E1"},
        {"resistor formula", "R2 2 0 {1k*(1+}", 0, "R2"},
        {"SDT without its argument", "B1 2 0 V = 2*SDT", 11900, "B1"},
        {"DDT not closed", "B1 2 0 V = DDT(V(1)", 11900, "B1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The part at fault is on line 3; a good formula after it is not compiled.
        const std::string deck = std::string("t\nV1 1 0 DC 1\nR1 1 0 1k\n") + c.card +
                                 "\nR3 2 0 1k\nB9 4 0 V = V(1)*2\nR4 4 0 1k\n.END\n";
        ASSERT_EQ(Read(deck, ob7::kTransient), 0);
        EXPECT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), ob7::kMsgReported);
        ASSERT_EQ(reports.reports.size(), 1u);
        if (c.code) {
            EXPECT_EQ(reports.reports[0].id, c.code);
        }
        EXPECT_NE(FirstText().find(c.part), std::string::npos) << FirstText();
        EXPECT_EQ(ob7::ErrorSource.line, 3);
        ASSERT_GE(ob7::ErrorSource.part, 0);
        EXPECT_EQ(ob7::PartAttr(circuit->parts[ob7::ErrorSource.part], ob7::ATTR_PART), c.part);
        EXPECT_TRUE(ob7::DeviceListTable[ob7::kFunctionSourceList].empty());
    }
}

}  // namespace

namespace {

// The nodes that stand for SDT and DDT take a suffix when the circuit already has a node
// of their name, so that a formula naming that node still reads the circuit's own.
TEST_F(DeviceExpressions, IntegralNodesKeepClearOfCircuitNodes) {
    ASSERT_TRUE(Solve("t\nV1 1 0 DC 1\nR1 1 0 1k\nV6 B4_OUT 0 DC 3\nR6 B4_OUT 0 1k\n"
                      "B4 4 0 V = SDT(V(1)) + DDT(V(1))\nR4 4 0 1k\nB7 7 0 V = V(B4_OUT)\nR7 7 0 1k\n.END\n"));
    EXPECT_NEAR(V("7"), 3.0, 1e-9);
}

}  // namespace
