// Opamp parts compiled from their OPA model at each level: the elements each level
// adds, an inverting amplifier against ngspice (the one-stage opamp written as a G
// source and its output resistor) and against its closed-loop gain, and the errors.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>
#include <string>

#include "libraries/component_types.h"
#include "netlist/compiler/circuit_compiler.h"
#include "netlist/compiler/compile_error_source.h"
#include "netlist/netlist_read_internal.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/point_sink.h"
#include "sim/engine/ac_load.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/opamp.h"
#include "sim/devices/opamp_macro.h"
#include "sim/devices/resistor.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_fixture.h"

namespace {

// An inverting amplifier of gain -10 around the opamp X1, on +-15 V supplies.
std::string InvertingAmplifier(const std::string& model, double vin = 0.1) {
    return "inverting amplifier\nVIN in 0 DC " + std::to_string(vin) +
           "\nVP vp 0 DC 15\nVN vn 0 DC -15\nR1 in m 1k\nR2 m out 10k\nRL out 0 10k\n.MODEL OPA1 OPA (" + model +
           ")\n.END\n";
}

class OpampBuilder : public TextCircuitTest {
protected:
    void TearDown() override {
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    // Reads the deck and adds the opamp part X1 (plus, minus, VEE, output, VCC).
    void ReadWithOpamp(const std::string& deck, const char* modelName = "OPA1") {
        ASSERT_EQ(Read(deck, ob7::kDc), 0) << FirstText();
        ob7::NetlistPart x;
        x.type = ob7::CT_OPAMP;
        x.line = 3;
        x.object.page = -1;
        x.object.def = ob7::FindOrMakeComponentDef(*circuit, ob7::CT_OPAMP);
        x.object.SetAttr(ob7::ATTR_PART, "X1");
        x.object.SetAttr(ob7::ATTR_MODEL, modelName);
        x.pinNodes = {0, Node("m"), Node("vn"), Node("out"), Node("vp")};
        circuit->parts.push_back(std::move(x));
        reports.reports.clear();
    }
    std::string FirstText() const { return reports.reports.empty() ? std::string() : reports.reports[0].text; }
    double V(const char* node) { return ob7::Solution[static_cast<size_t>(Node(node))]; }
    int Count(int list) const { return ob7::DeviceListTable[list].count; }
    ob7::Opamp* Opamp() const { return static_cast<ob7::Opamp*>(ob7::DeviceListTable[ob7::kOpampList].first); }
    ob7::CompileResult compiled;
};

TEST_F(OpampBuilder, LevelOneAndTwoElements) {
    // Defaults: A 200000, ROUTAC 75, ROUTDC 125, GBW 1e6, PM 60.
    ReadWithOpamp(InvertingAmplifier("LEVEL=1"));
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
    const int circuitNodes = compiled.circuitNodes;
    EXPECT_EQ(compiled.nodeCount, circuitNodes);  // no node of its own
    ASSERT_NE(Opamp(), nullptr);
    EXPECT_DOUBLE_EQ(Opamp()->gm, 1000);
    ASSERT_NE(Opamp()->stage_resistors[0], nullptr);
    EXPECT_DOUBLE_EQ(Opamp()->stage_resistors[0]->working_value, 200);
    EXPECT_EQ(Opamp()->stage_resistors[0]->a, Node("out"));
    EXPECT_EQ(Count(ob7::kCapacitorList), 0);
    ob7::ClearCompiledDevices();

    ReadWithOpamp(InvertingAmplifier("LEVEL=2"));
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
    EXPECT_EQ(compiled.nodeCount, circuitNodes + 2);
    ob7::Opamp* o = Opamp();
    EXPECT_EQ(o->s1, circuitNodes + 1);
    EXPECT_EQ(o->s2, circuitNodes + 2);
    EXPECT_NEAR(o->gm, 0.29240177, 1e-8);
    ASSERT_TRUE(o->c1 && o->c2);
    EXPECT_NEAR(o->c1->working_value, 1.5915494e-4, 1e-11);
    EXPECT_NEAR(o->c2->working_value, 4.5944605e-10, 1e-17);
    for (ob7::Resistor* r : o->stage_resistors) {
        ASSERT_NE(r, nullptr);
        EXPECT_DOUBLE_EQ(r->working_value, 200);
    }
    EXPECT_EQ(Count(ob7::kResistorList), 3 + 3);
}

TEST_F(OpampBuilder, InvertingAmplifierMatchesNgspice) {
    // ngspice 39: G1 0 out 0 m 1000, RO out 0 200, the same feedback and load; op with
    // numdgt=12. Level 2's three stages have the same DC gain.
    const double out = -9.99942803266e-01, m = 5.199703096953e-06;
    for (const char* level : {"LEVEL=1", "LEVEL=2"}) {
        SCOPED_TRACE(level);
        ReadWithOpamp(InvertingAmplifier(level));
        ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
        ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0) << FirstText();
        EXPECT_NEAR(V("out"), out, 1e-9);
        EXPECT_NEAR(V("m"), m, 1e-12);
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
    }
}

// Level 2 open loop, driven at the plus input: A / ((1 + j f/f1)(1 + j f/f2)) with the
// poles f1 = GBW/A and f2 = GBW/tan(pi - atan(A) - PM pi/180), magnitude and phase.
TEST_F(OpampBuilder, LevelTwoOpenLoopPoles) {
    ReadWithOpamp("open loop\nVIN in 0 DC 0\nRIN in 0 1k\nVP vp 0 DC 15\nVN vn 0 DC -15\nRM m 0 1k\nRO out 0 1e12\n"
                  ".MODEL OPA1 OPA (LEVEL=2 A=1e5 GBW=2e6 PM=45)\n.END\n");
    ob7::NetlistPart& x = circuit->parts.back();
    x.pinNodes[0] = Node("in");
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
    for (auto* d = ob7::DeviceListTable[ob7::kSpiceSourceList].first; d; d = d->next) {
        auto* v = static_cast<ob7::SpiceSource*>(d);
        if (v->positive == Node("in")) v->ac_magnitude = 1;
    }
    struct Recorder : ob7::PointSink {
        int out = 0;
        std::vector<double> f;
        std::vector<std::complex<double>> h;
        int AcceptPoint(double x) override {
            f.push_back(x);
            h.push_back(ob7::AcNodeValue(out));
            return 0;
        }
    } sink;
    sink.out = Node("out");
    ob7::FillOptionDefaultTexts(1);
    ob7::ParseSimulationOptions(true);
    ob7::AcSettings s;
    s.frequency_range = "1e7,0.1";
    s.circuit_changed = true;
    s.points = 41;
    ASSERT_EQ(ob7::RunAcAnalysis(s, sink), 0) << FirstText();
    ASSERT_EQ(sink.f.size(), 41u);
    const double pi = 3.14159265358979323846, a = 1e5, gbw = 2e6;
    const double f1 = gbw / a, f2 = gbw / std::tan(pi - std::atan(a) - 45 * pi / 180);
    for (size_t i = 0; i < sink.f.size(); ++i) {
        const std::complex<double> j(0, 1);
        const std::complex<double> expected = a / ((1.0 + j * sink.f[i] / f1) * (1.0 + j * sink.f[i] / f2));
        EXPECT_NEAR(std::abs(sink.h[i]) / std::abs(expected), 1, 1e-6) << sink.f[i];
        EXPECT_NEAR(std::arg(sink.h[i] / expected), 0, 1e-6) << sink.f[i];
    }
}

TEST_F(OpampBuilder, LevelThreeMacroModel) {
    for (int type : {1, 2, 3}) {
        SCOPED_TRACE(type);
        double out[2] = {};
        for (int k = 0; k < 2; ++k) {
            ReadWithOpamp(InvertingAmplifier("LEVEL=3 TYPE=" + std::to_string(type), 0.1 * (k + 1)));
            ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << FirstText();
            EXPECT_EQ(compiled.nodeCount, compiled.circuitNodes + 15);
            EXPECT_EQ(Count(ob7::kSpiceSourceList), 3 + 7);
            EXPECT_EQ(Count(ob7::kPolySourceList) + Count(ob7::kLinearDependentSourceList), 5);
            EXPECT_EQ(Count(ob7::kCapacitorList), 3);
            EXPECT_EQ(Count(ob7::kResistorList), 3 + 9);
            EXPECT_EQ(Count(ob7::kDiodeList), 5);
            EXPECT_EQ(Count(ob7::kBjtList) + Count(ob7::kJfetList), 2);
            ASSERT_NE(Opamp()->macro, nullptr);
            // The tail current source runs to VEE for NPN inputs, to VCC otherwise, and
            // the collector resistors hang from the matching rail.
            EXPECT_EQ(Opamp()->macro->iee->negative, Node(type == 1 ? "vn" : "vp"));
            EXPECT_EQ(Opamp()->macro->rc1->a, Node(type == 1 ? "vp" : "vn"));
            ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0) << FirstText();
            out[k] = V("out");
            ob7::FreeSimulationState();
            ob7::ClearCompiledDevices();
        }
        // The closed-loop gain -R2/R1, whatever the offsets.
        EXPECT_NEAR((out[1] - out[0]) / 0.1, -10.0, 1e-3);
    }
}

TEST_F(OpampBuilder, Errors) {
    const struct {
        const char* what;
        const char* model;
        const char* modelName;
        int code;
    } cases[] = {
        {"missing model", "LEVEL=1", "NOSUCH", 10834},
        {"input type", "LEVEL=3 TYPE=4", "OPA1", 15059},
        {"slew rate too small for the bandwidth", "LEVEL=3 TYPE=1 SRP=1 SRN=1", "OPA1", 15017},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReadWithOpamp(InvertingAmplifier(c.model), c.modelName);
        EXPECT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), ob7::kMsgReported);
        ASSERT_EQ(reports.reports.size(), 1u) << FirstText();
        EXPECT_EQ(reports.reports[0].id, c.code) << FirstText();
        EXPECT_NE(FirstText().find("X1"), std::string::npos) << FirstText();
        ASSERT_GE(ob7::ErrorSource.part, 0);
        EXPECT_EQ(ob7::PartAttr(circuit->parts[ob7::ErrorSource.part], ob7::ATTR_PART), "X1");
        EXPECT_TRUE(ob7::DeviceListTable[ob7::kOpampList].empty());
    }
}

}  // namespace
