// The builders of the parts that schematics place (batteries, current and analog state
// sources, pulse and sine sources, linear and z-domain controlled sources, switches,
// samples and holds, transformers), given as parts of a read circuit; the value texts of
// SPICE sources; the area and single-node rules of the semiconductors.

#include <gtest/gtest.h>

#include <map>

#include "libraries/component_types.h"
#include "netlist/compiler/circuit_compiler.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/switch.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_fixture.h"

namespace {

using namespace ob7;

class CompileMoreParts : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        FillOptionDefaultTexts(1);
        ParseSimulationOptions(true);
    }
    void TearDown() override {
        FreeSimulationState();
        ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    // A part the way a schematic hands it over: pins as node names of the read text.
    void AddPart(int type, const std::string& name, const std::vector<std::string>& pins,
                 const std::map<int, std::string>& attributes) {
        NetlistPart& part = circuit->parts.emplace_back();
        part.type = type;
        part.object.page = -1;
        part.object.SetAttr(ATTR_PART, name);
        for (const auto& [id, text] : attributes) part.object.SetAttr(id, text);
        for (const std::string& pin : pins) part.pinNodes.push_back(pin == "0" ? 0 : Node(pin));
    }
    int Compile() {
        reports.reports.clear();
        return CompileCircuit(*circuit, {}, &compiled);
    }
    double V(const char* node) { return Solution[static_cast<size_t>(Node(node))]; }
    template <class T>
    T* First(int list) {
        return static_cast<T*>(DeviceListTable[list].first);
    }
    CompileResult compiled;
};

TEST_F(CompileMoreParts, BatteryCurrentSourceAndAnalogState) {
    ASSERT_EQ(Read("t\nR1 1 2 1k\nR2 2 3 1k\nR3 3 0 1k\n.END\n", kDc), 0);
    AddPart(CT_BATTERY, "B1", {"1", "0"}, {{ATTR_VALUE, "5"}});
    AddPart(CT_ISOURCE, "I1", {"0", "3"}, {{ATTR_VALUE, "1m"}});
    ASSERT_EQ(Compile(), 0) << FirstReport();
    ASSERT_EQ(DeviceListTable[kSpiceSourceList].count, 2);
    auto* battery = First<SpiceSource>(kSpiceSourceList);
    EXPECT_TRUE(battery->IsVoltage());
    EXPECT_EQ(battery->dc_value, 5);
    EXPECT_FALSE(static_cast<SpiceSource*>(battery->next)->IsVoltage());
    ASSERT_EQ(SolveCompiledOperatingPoint(compiled), 0);
    // By superposition: 5/3 V from the battery, 1 mA into 2k || 1k from the source.
    EXPECT_NEAR(V("3"), 5.0 / 3 + 2.0 / 3, 1e-9);
    FreeSimulationState();
    ClearCompiledDevices();

    // An analog state source drives its one pin from ground and counts as a ground.
    ASSERT_EQ(Read("t\nR1 1 2 1k\nR2 2 1 1k\n.END\n", kDc), 0);
    AddPart(CT_ANALOG_STATE, "S1", {"1"}, {{ATTR_VALUE, "2"}});
    ASSERT_EQ(Compile(), 0) << FirstReport();
    ASSERT_EQ(SolveCompiledOperatingPoint(compiled), 0);
    EXPECT_NEAR(V("2"), 2, 1e-9);
}

struct SourceTextCase {
    const char* value;
    int code;
};

TEST_F(CompileMoreParts, SourceValueTexts) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 5 AC 1 0 SIN(0 1 1k)\nR1 1 0 1k\n.END\n", kDc), 0);
    ASSERT_EQ(Compile(), 0) << FirstReport();
    auto* s = First<SpiceSource>(kSpiceSourceList);
    EXPECT_EQ(s->dc_value, 5);
    EXPECT_EQ(s->ac_magnitude, 1);
    EXPECT_EQ(s->ac_phase, 0);
    EXPECT_EQ(s->spec_kind, kSourceSin);
    EXPECT_EQ(s->p[2], 1000);
    EXPECT_EQ(s->last_given_parameter, 2);  // the run fills the rest with defaults
    ClearCompiledDevices();

    ASSERT_EQ(Read("t\nV1 1 0 PWL TIME_SCALE_FACTOR=2 VALUE_SCALE_FACTOR=3 REPEAT FOR 3 (0,0) (1m,{1+1}) "
                   "ENDREPEAT REPEAT FOREVER 0 1 1m 0 ENDREPEAT\nR1 1 0 1k\n.END\n",
                   kDc),
              0);
    ASSERT_EQ(Compile(), 0) << FirstReport();
    s = First<SpiceSource>(kSpiceSourceList);
    EXPECT_EQ(s->pwl.time_scale, 2);
    EXPECT_EQ(s->pwl.value_scale, 3);
    const std::vector<int> types = {kPwlRepeat, kPwlPoint, kPwlPoint, kPwlEndRepeat,
                                    kPwlRepeat, kPwlPoint, kPwlPoint, kPwlEndRepeat};
    ASSERT_EQ(s->pwl.entries.size(), types.size());
    for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(s->pwl.entries[i].type, types[i]) << i;
    EXPECT_EQ(s->pwl.entries[0].count, 3);
    EXPECT_EQ(s->pwl.entries[2].time, 1e-3);
    EXPECT_EQ(s->pwl.entries[2].value_text, "2");
    EXPECT_EQ(s->pwl.entries[4].count, -1);
    ClearCompiledDevices();

    // Parameters in braces; a formula that evaluates is a value too.
    ASSERT_EQ(Read("t\n.PARAM VCC=7\nV1 1 0 {VCC} AC 2/2\nR1 1 0 1k\n.END\n", kDc), 0);
    ASSERT_EQ(Compile(), 0) << FirstReport();
    EXPECT_EQ(First<SpiceSource>(kSpiceSourceList)->dc_value, 7);
    EXPECT_EQ(First<SpiceSource>(kSpiceSourceList)->ac_magnitude, 1);
    ClearCompiledDevices();

    const SourceTextCase errors[] = {
        {"DC 1 DC 2", 10839},
        {"1 2", 10839},
        {"PULSE(1)", 10622},
        {"DC 1 FOO", 11903},
        {"SIN(0 1 1k) PULSE(0 1)", 11903},
        {"PWL REPEAT FOR 2 ENDREPEAT", 10632},
        {"PWL 0 0 ENDREPEAT", 10626},
        {"PWL REPEAT FOR 2 0 0", 10627},
        {"PWL REPEAT 0 0 ENDREPEAT", 10625},
        {"PWL REPEAT FOR X 0 0 ENDREPEAT", 10624},
        {"PWL TIME_SCALE_FACTOR 0 0 0", 10633},
        {"PWL VALUE_SCALE_FACTOR", 10630},
        {"PWL 0 0 1m", 10621},
        {"PWL 0 0 XYZ 1", 10635},
        {"PWL FILE X.TXT", 10628},
        {"AC", 11901},
    };
    for (const auto& c : errors) {
        SCOPED_TRACE(c.value);
        ASSERT_EQ(Read(std::string("t\nV1 1 0 ") + c.value + "\nR1 1 0 1k\n.END\n", kDc), 0);
        EXPECT_EQ(Compile(), kMsgReported);
        EXPECT_EQ(FirstReport(), c.code) << (reports.reports.empty() ? "" : reports.reports[0].text);
    }
}

TEST_F(CompileMoreParts, PulseAndSineSourcesTakeTheirModels) {
    ASSERT_EQ(Read("t\nR1 1 0 1k\nR2 2 0 1k\nR3 3 0 1k\n.MODEL P PUL(VONE=3)\n.MODEL S0 SIN(RS=0)\n"
                   ".MODEL S1 SIN(RS=50)\n.END\n",
                   kDc),
              0);
    AddPart(CT_PULSE, "P1", {"1", "0"}, {{ATTR_MODEL, "P"}});
    AddPart(CT_SINE, "S0", {"2", "0"}, {{ATTR_MODEL, "S0"}});
    AddPart(CT_SINE, "S1", {"3", "0"}, {{ATTR_MODEL, "S1"}});
    ASSERT_EQ(Compile(), 0) << FirstReport();
    ASSERT_EQ(DeviceListTable[kPulseSourceList].count, 1);
    EXPECT_EQ(First<PulseSource>(kPulseSourceList)->model->Real(kPulVone), 3);
    ASSERT_EQ(DeviceListTable[kSineSourceList].count, 2);
    auto* direct = First<SineSource>(kSineSourceList);
    auto* behind = static_cast<SineSource*>(direct->next);
    EXPECT_EQ(direct->positive, Node("2"));
    // RS 50: the source drives a new node behind a 50 ohm resistor from its first pin.
    EXPECT_GT(behind->positive, compiled.circuitNodes);
    int series = 0;
    for (auto* r : DevicesOf<Resistor>(kResistorList))
        if (r->base_value == 50 && r->a == Node("3") && r->b == behind->positive) ++series;
    EXPECT_EQ(series, 1);
    EXPECT_EQ(DeviceListTable[kResistorList].count, 4);
    ClearCompiledDevices();

    ASSERT_EQ(Read("t\nR1 1 0 1k\n.END\n", kDc), 0);
    AddPart(CT_PULSE, "P1", {"1", "0"}, {{ATTR_MODEL, "NOSUCH"}});
    EXPECT_EQ(Compile(), kMsgReported);
    EXPECT_EQ(FirstReport(), 10834);
}

TEST_F(CompileMoreParts, LinearAndZDomainControlledSources) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 0.5\nR1 1 0 1k\nR2 2 0 1k\nR3 3 0 1k\n.END\n", kDc), 0);
    AddPart(28, "E1", {"2", "0", "1", "0"}, {{ATTR_VALUE, "4"}});
    // z = exp(s/f) is 1 at DC: 0.5*Z/(2-Z) has the DC gain 0.5.
    AddPart(133, "Z1", {"3", "0", "1", "0"}, {{ATTR_ZEXP, "0.5*Z/(2-Z)"}, {ATTR_CLOCK_FREQUENCY, "1MEG"}});
    ASSERT_EQ(Compile(), 0) << FirstReport();
    ASSERT_EQ(DeviceListTable[kLinearDependentSourceList].count, 1);
    EXPECT_EQ(First<DependentSource>(kLinearDependentSourceList)->form, kFormE);
    EXPECT_EQ(First<LaplaceSource>(kLaplaceSourceList)->form, kLaplaceE);
    ASSERT_EQ(SolveCompiledOperatingPoint(compiled), 0);
    EXPECT_NEAR(V("2"), 2.0, 1e-9);
    EXPECT_NEAR(V("3"), 0.25, 1e-9);
    FreeSimulationState();
    ClearCompiledDevices();

    ASSERT_EQ(Read("t\nV1 1 0 DC 0.5\nR1 1 0 1k\nR3 3 0 1k\n.END\n", kDc), 0);
    AddPart(133, "Z1", {"3", "0", "1", "0"}, {{ATTR_ZEXP, "1/(1-Z)"}});
    EXPECT_EQ(Compile(), kMsgReported);
    EXPECT_EQ(FirstReport(), 10893);
}

TEST_F(CompileMoreParts, SwitchValues) {
    const struct {
        const char* value;
        int code;
        int control;
        double a, b;
    } cases[] = {
        {"V,1,2", 0, kSwitchByVoltage, 1, 2},
        {"T,1m", 0, kSwitchByTime, 1e-3, 1e30},
        {"V,1,1", 10835, 0, 0, 0},
        {"X,1,2", 10835, 0, 0, 0},
        {"I,1,2", 10835, 0, 0, 0},  // no inductor across the control pins
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        ASSERT_EQ(Read("t\nV1 3 0 DC 1\nR1 1 0 1k\nR2 1 2 1k\nR3 2 0 1k\nR4 3 0 1k\n.END\n", kDc), 0);
        AddPart(CT_SWITCH, "SW1", {"1", "2", "3", "0"}, {{ATTR_VALUE, c.value}});
        EXPECT_EQ(Compile(), c.code ? kMsgReported : 0);
        if (c.code) {
            EXPECT_EQ(FirstReport(), c.code);
            continue;
        }
        auto* s = First<SwitchComponent>(kSwitchList);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->control, c.control);
        EXPECT_EQ(s->threshold_a, c.a);
        EXPECT_EQ(s->threshold_b, c.b);
        EXPECT_DOUBLE_EQ(s->g_on, 1000);  // RON 0.001
        EXPECT_DOUBLE_EQ(s->g_off, 1e-9);  // ROFF 1e9
        EXPECT_EQ(s->ref2, Node("3"));
        ClearCompiledDevices();
    }
    // A current switch follows the inductor across its control pins.
    ASSERT_EQ(Read("t\nV1 3 0 DC 1\nR1 1 0 1k\nR2 1 2 1k\nR3 2 0 1k\nL1 3 4 1u\nR4 4 0 1k\n.END\n", kDc), 0);
    AddPart(CT_SWITCH, "SW1", {"1", "2", "3", "4"}, {{ATTR_VALUE, "I,1m,2m,1,1G"}});
    ASSERT_EQ(Compile(), 0) << FirstReport();
    auto* s = First<SwitchComponent>(kSwitchList);
    EXPECT_EQ(s->inductor, DeviceListTable[kInductorList].first);
    EXPECT_DOUBLE_EQ(s->g_on, 1);
}

TEST_F(CompileMoreParts, SampleAndHoldNeedsASampleExpressionOrAPeriod) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 0 1k\nR2 2 0 1k\n.END\n", kTransient), 0);
    AddPart(CT_SAMPLE_AND_HOLD, "SH1", {"2", "0"}, {{ATTR_INPUT_EXPR, "V(1)"}, {ATTR_PERIOD, "1u"}});
    ASSERT_EQ(Compile(), 0) << FirstReport();
    auto* s = First<SampleHold>(kSampleHoldList);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->period, 1e-6);
    EXPECT_TRUE(s->clock.tokens.empty());
    EXPECT_FALSE(s->input.tokens.empty());
    EXPECT_EQ(DeviceListTable[kSampleHoldList].non_constant_expression, 1);
    ClearCompiledDevices();

    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 0 1k\nR2 2 0 1k\n.END\n", kTransient), 0);
    AddPart(CT_SAMPLE_AND_HOLD, "SH1", {"2", "0"}, {{ATTR_INPUT_EXPR, "V(1)"}});
    EXPECT_EQ(Compile(), kMsgReported);
    EXPECT_EQ(FirstReport(), 10864);
}

TEST_F(CompileMoreParts, TransformerWindingsAndCoupling) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 2 1\nR2 3 0 1k\n.END\n", kDc), 0);
    AddPart(CT_TRANSFORMER, "T1", {"3", "0", "2", "0"}, {{ATTR_VALUE, "1m,4m,0.99"}});
    ASSERT_EQ(Compile(), 0) << FirstReport();
    ASSERT_EQ(DeviceListTable[kInductorList].count, 2);
    auto* coupling = First<Coupling>(kCouplingList);
    ASSERT_TRUE(coupling);
    EXPECT_EQ(coupling->value, 0.99);
    EXPECT_EQ(coupling->first->value, 1e-3);
    EXPECT_EQ(coupling->first->a, Node("2"));
    EXPECT_EQ(coupling->second->value, 4e-3);
    EXPECT_EQ(coupling->second->a, Node("3"));
    int bridges = 0;
    for (auto* r : DevicesOf<Resistor>(kResistorList))
        if (r->base_value == 1e12 && r->a == Node("2") && r->b == Node("3")) ++bridges;
    EXPECT_EQ(bridges, 1);
    ClearCompiledDevices();

    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 2 1\nR2 3 0 1k\n.END\n", kDc), 0);
    AddPart(CT_TRANSFORMER, "T1", {"3", "0", "2", "0"}, {{ATTR_VALUE, "1m,4m"}});
    EXPECT_EQ(Compile(), kMsgReported);
    EXPECT_EQ(FirstReport(), 15040);
}

TEST_F(CompileMoreParts, CurrentSwitchFindsABattery) {
    ASSERT_EQ(Read("t\nR1 1 0 1k\nW1 2 0 B1 SW\nR2 2 0 1k\n.MODEL SW ISWITCH\n.END\n", kDc), 0);
    AddPart(CT_BATTERY, "B1", {"1", "0"}, {{ATTR_VALUE, "1"}});
    ASSERT_EQ(Compile(), 0) << FirstReport();
}

TEST_F(CompileMoreParts, SemiconductorAreaAndSingleNodeDiodes) {
    for (const char* card : {"D1 1 2 DX 0", "D1 1 2 DX -1", "Q1 1 2 0 QX 0", "J1 1 2 0 JX -2"}) {
        SCOPED_TRACE(card);
        ASSERT_EQ(Read(std::string("t\nV1 1 0 DC 1\nR1 1 2 1k\nR2 2 0 1k\n") + card +
                           "\n.MODEL DX D\n.MODEL QX NPN\n.MODEL JX NJF\n.END\n",
                       kDc),
                  0);
        EXPECT_EQ(Compile(), kMsgReported);
        EXPECT_EQ(FirstReport(), 10840);
    }
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 0 1k\nD1 1 1 DX\n.MODEL DX D\n.END\n", kDc), 0);
    ASSERT_EQ(Compile(), 0) << FirstReport();
    EXPECT_EQ(DeviceListTable[kDiodeList].count, 0);
}

}  // namespace

namespace {

// "R1 1 2 2K RM" puts the model name where the value belongs: the compile exchanges them.
TEST_F(CompileMoreParts, SpiceValueThatNamesAModelChangesPlaces) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 2 2K RM\nR2 2 0 1K\n.MODEL RM RES(R=0.5)\n.END\n", kDc), 0);
    ASSERT_EQ(Compile(), 0) << FirstReport();
    EXPECT_EQ(Attr("R1", ATTR_MODEL), "RM");
    EXPECT_EQ(Attr("R1", ATTR_VALUE), "2K");
    auto* r = First<Resistor>(kResistorList);
    ASSERT_TRUE(r->model);
    ASSERT_EQ(SolveCompiledOperatingPoint(compiled), 0);
    EXPECT_NEAR(V("2"), 0.5, 1e-9);  // 2k scaled by R=0.5 against 1k
}

// A part of a schematic with fewer pins than its kind needs is named, not read past.
TEST_F(CompileMoreParts, TooFewPinsNameThePart) {
    for (int type : {int(CT_SWITCH), int(CT_TRANSFORMER), int(CT_SINE), int(CT_S_PORT), 28, 41}) {
        SCOPED_TRACE(type);
        ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 0 1k\n.END\n", kDc), 0);
        AddPart(type, "X9", {"1"}, {{ATTR_VALUE, "1"}});
        EXPECT_EQ(Compile(), kMsgReported);
        ASSERT_FALSE(reports.reports.empty());
        EXPECT_NE(reports.reports[0].text.find("X9"), std::string::npos) << reports.reports[0].text;
    }
}

}  // namespace

namespace {

// A MOSFET whose model has RD and RS reaches its intrinsic drain and source through
// internal nodes. ngspice 39, the same deck, `op`: v(2) = 4.527923, v(4) = 4.720765e-3.
TEST_F(CompileMoreParts, MosfetSeriesResistancesGetInternalNodes) {
    ASSERT_EQ(Read("mos rd rs\nVDD 1 0 5\nRL 1 2 1k\nVG 3 0 2\nM1 2 3 4 0 NM L=1u W=10u\nRB 4 0 10\n"
                   ".MODEL NM NMOS(LEVEL=1 VTO=1 KP=1e-4 RD=100 RS=50)\n.END\n",
                   kDc),
              0);
    ASSERT_EQ(Compile(), 0) << FirstReport();
    EXPECT_EQ(compiled.nodeCount, compiled.circuitNodes + 2);
    ASSERT_EQ(SolveCompiledOperatingPoint(compiled), 0);
    // Both programs stop Newton at RELTOL 1e-3 on the drain current; without RS the
    // current would be 5% higher (4.9506e-3 V across RB).
    EXPECT_NEAR(V("4"), 4.720765e-3, 1e-3 * 4.720765e-3);
    EXPECT_NEAR(V("2"), 4.527923, 1e-3 * (5 - 4.527923));
}

// A level-8 MOSFET with NQSMOD=1 gets the node of its charge deficit; at the operating
// point the deficit is zero and the drain is that of the quasi-static device.
TEST_F(CompileMoreParts, NonQuasiStaticMosfetGetsAChargeNode) {
    double drain[2] = {};
    for (int nqsmod = 0; nqsmod < 2; ++nqsmod) {
        const std::string deck = "nqs\nVDD 1 0 1.8\nRL 1 2 2k\nVG 3 0 0.8\nM1 2 3 0 0 NM L=2u W=10u\n"
                                 ".MODEL NM NMOS(LEVEL=8 TOX=4.1e-9 NQSMOD=" +
                                 std::to_string(nqsmod) + ")\n.END\n";
        ASSERT_EQ(Read(deck, kDc), 0);
        ASSERT_EQ(Compile(), 0) << FirstReport();
        EXPECT_EQ(compiled.nodeCount, compiled.circuitNodes + nqsmod);
        ASSERT_EQ(SolveCompiledOperatingPoint(compiled), 0);
        drain[nqsmod] = V("2");
    }
    EXPECT_NEAR(drain[1], drain[0], 1e-9);
    EXPECT_LT(drain[0], 1.7);
}

}  // namespace

namespace {

TEST_F(CompileMoreParts, PartsWithoutNamesAreRefused) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 0 1k\n.END\n", kDc), 0);
    AddPart(CT_RESISTOR, "", {"1", "0"}, {{ATTR_VALUE, "1k"}});
    EXPECT_EQ(Compile(), kMsgReported);
    EXPECT_EQ(FirstReport(), 10841);
}

// In an AC analysis FREQ is the small-signal formula of a resistor or capacitor.
TEST_F(CompileMoreParts, FrequencyFormulasInTheSmallSignalAnalysis) {
    for (int kind : {kAc, kDc}) {
        SCOPED_TRACE(kind);
        ASSERT_EQ(Read("t\nV1 1 0 DC 2 AC 1\nR1 1 0 1k\n.END\n", kind), 0);
        AddPart(CT_RESISTOR, "R9", {"1", "0"}, {{ATTR_VALUE, "1k"}, {ATTR_FREQ, "1k*(1+F/1MEG)"}});
        ASSERT_EQ(Compile(), 0) << FirstReport();
        const Resistor* r9 = nullptr;
        for (auto* r : DevicesOf<Resistor>(kResistorList)) r9 = r;
        ASSERT_TRUE(r9);
        EXPECT_EQ(r9->ac_value_expression.tokens.empty(), kind != kAc);
        EXPECT_EQ(r9->base_value, 1000);
        ClearCompiledDevices();
    }
}

}  // namespace

namespace {

// More than 1000 parts: "Processing component %d of %d %d%%" about a hundred times, never
// twice in a row, and an empty prompt at the end.
TEST_F(CompileMoreParts, LargeCircuitsShowTheirProgress) {
    std::string text = "t\nV1 N0 0 DC 1\n";
    for (int i = 0; i < 1200; ++i)
        text += "R" + std::to_string(i) + " N" + std::to_string(i) + " N" + std::to_string(i + 1) + " 1\n";
    text += "RL N1200 0 1\n.END\n";
    ASSERT_EQ(Read(text, kDc), 0);
    std::vector<std::string> prompts;
    circuit->statusPrompt = [&](const std::string& t) { prompts.push_back(t); };
    ASSERT_EQ(Compile(), 0) << FirstReport();
    size_t last = 0;
    while (last < prompts.size() && prompts[last].rfind("Processing component", 0) == 0) ++last;
    ASSERT_LT(last, prompts.size());
    EXPECT_EQ(prompts.front(), "Processing component 12 of 1202 0%");
    EXPECT_EQ(prompts[last - 1], "Processing component 1200 of 1202 99%");
    EXPECT_EQ(prompts[last], "");  // the walk's prompt is emptied
    EXPECT_GE(last, 95u);
    EXPECT_LE(last, 101u);
    for (size_t i = 1; i < last; ++i) EXPECT_NE(prompts[i], prompts[i - 1]);
}

}  // namespace

namespace {

// Each long step shows its prompt and puts the saved one back, also after an error.
TEST_F(CompileMoreParts, StepPromptsArePutBack) {
    for (const char* deck : {"t\nV1 1 0 DC 1\nR1 1 0 1k\n.END\n", "t\nV1 1 0 DC 1\nV2 1 0 DC 2\nR1 1 0 1k\n.END\n"}) {
        SCOPED_TRACE(deck);
        ASSERT_EQ(Read(deck, kDc), 0);
        std::vector<std::string> prompts;
        circuit->statusPrompt = [&](const std::string& t) { prompts.push_back(t); };
        Compile();
        const std::vector<std::string> expected = {"Processing digital components.", "", "Processing device expressions.", "",
                                                   "Checking for voltage loops.", ""};
        EXPECT_EQ(prompts, expected);
        ClearCompiledDevices();
    }
}

}  // namespace

namespace {

TEST_F(CompileMoreParts, ZeroAcMagnitudesWarnOnceWhenAsked) {
    const struct {
        const char* source;
        bool warn;
        int reports;
    } cases[] = {{"V1 1 0 DC 1 AC 0", true, 1}, {"V1 1 0 DC 1 AC 1", true, 0}, {"V1 1 0 DC 1", false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        ASSERT_EQ(Read(std::string("t\n") + c.source + "\nR1 1 0 1k\n.END\n", kAc), 0);
        CompileSettings settings;
        settings.warnZeroAcSources = c.warn;
        reports.reports.clear();
        ASSERT_EQ(CompileCircuit(*circuit, settings, nullptr), 0);
        ASSERT_EQ(static_cast<int>(reports.reports.size()), c.reports);
        if (c.reports) {
            EXPECT_EQ(reports.reports[0].id, 11891);
        }
        ClearCompiledDevices();
    }
}

}  // namespace

namespace {

// Internal nodes behind series resistances carry the part's name and a suffix, so that
// formulas can read them.
TEST_F(CompileMoreParts, InternalNodesAreNamedAfterTheirParts) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 2 100\nD1 2 0 DX\n.MODEL DX D(RS=10)\n"
                   "B2 3 0 V = V(D1_PSIDE)\nR3 3 0 1k\n.END\n",
                   kDc),
              0);
    ASSERT_EQ(Compile(), 0) << FirstReport();
    auto* d = First<Diode>(kDiodeList);
    ASSERT_GT(d->internal_anode, compiled.circuitNodes);
    ASSERT_EQ(SolveCompiledOperatingPoint(compiled), 0);
    EXPECT_NEAR(V("3"), Solution[static_cast<size_t>(d->internal_anode)], 1e-9);
    EXPECT_LT(V("3"), V("2"));  // the drop across RS
    // The node table knows it (curves read it by name), apart from the circuit's nodes.
    EXPECT_EQ(Node("D1_PSIDE"), d->internal_anode);
}

// A part named like a node gets one warning naming it (the first of several); while a run
// compiles again, none.
TEST_F(CompileMoreParts, PartAndNodeOfTheSameNameAreWarnedAboutOnce) {
    const char* deck = "t\nV1 R1 0 DC 1\nR1 R1 V1 1k\nR2 V1 0 1k\n.END\n";
    for (bool run : {false, true}) {
        services.runInProgress = run;
        ASSERT_EQ(Read(deck, kDc), 0);
        ASSERT_EQ(Compile(), 0) << FirstReport();
        if (run) {
            EXPECT_TRUE(reports.reports.empty());
        } else {
            ASSERT_EQ(reports.reports.size(), 1u);
            EXPECT_NE(reports.reports[0].text.find("Part and node have the same name."), std::string::npos);
            EXPECT_EQ(ReportLine("Part:"), "V1");
        }
        ClearCompiledDevices();
    }
}

// A name the circuit has already is not taken: the internal node gets "_1". Compiled
// again, the circuit keeps its node count and the internal node its name.
TEST_F(CompileMoreParts, InternalNodeNamesAvoidTheCircuitsNames) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 D1_PSIDE 100\nD1 D1_PSIDE 0 DX\n.MODEL DX D(RS=10)\n.END\n", kDc), 0);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(Compile(), 0) << FirstReport();
        auto* d = First<Diode>(kDiodeList);
        EXPECT_EQ(compiled.circuitNodes, 2) << pass;
        EXPECT_EQ(d->anode, Node("D1_PSIDE")) << pass;
        EXPECT_EQ(d->internal_anode, Node("D1_PSIDE_1")) << pass;
        EXPECT_EQ(Node("D1_PSIDE_2"), -1) << pass;
        ClearCompiledDevices();
    }
}

}  // namespace

#include <array>
#include <complex>

#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/point_sink.h"
#include "sim/engine/ac_load.h"

namespace {

// Function sources with a FREQ formula: in the AC analysis the formula, evaluated on AC
// quantities (V1 is 2 V at DC and 1 V in AC), stands for the source; each FREQ gain is a
// known multiple of its VALUE's, so each AC voltage follows from the operating point's.
TEST_F(CompileMoreParts, FunctionSourcesTakeTheirFrequencyFormulaInTheSmallSignalAnalysis) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 2 AC 1\nR1 1 0 1k\nR2 2 0 1k\nR3 3 0 1k\nR4 4 0 1k\n.END\n", kAc), 0);
    AddPart(35, "G9", {"0", "2"}, {{ATTR_VALUE, "V(1)*1m"}, {ATTR_FREQ, "V(1)*1m*(1+F/1MEG)"}});  // NFI
    AddPart(37, "E9", {"3", "0"}, {{ATTR_VALUE, "2*V(1)"}, {ATTR_FREQ, "3*V(2)"}});               // NFV
    AddPart(35, "G8", {"0", "4"}, {{ATTR_VALUE, "I(V1)"}, {ATTR_FREQ, "2*I(V1)"}});           // a branch
    ASSERT_EQ(Compile(), 0) << FirstReport();
    struct Recorder : PointSink {
        int n2 = 0, n3 = 0, n4 = 0;
        std::vector<std::array<std::complex<double>, 3>> v;
        std::vector<double> op, f;
        int AcceptPoint(double x) override {
            f.push_back(x);
            v.push_back({AcNodeValue(n2), AcNodeValue(n3), AcNodeValue(n4)});
            op = {Solution[static_cast<size_t>(n2)], Solution[static_cast<size_t>(n4)]};
            return 0;
        }
    } sink;
    sink.n2 = Node("2"), sink.n3 = Node("3"), sink.n4 = Node("4");
    AcSettings settings;
    settings.frequency_range = "3MEG,1MEG";
    settings.points = 2;
    settings.method = AcStepMethod::Linear;
    settings.circuit_changed = true;
    ASSERT_EQ(RunAcAnalysis(settings, sink), 0) << FirstReport();
    ASSERT_GE(sink.v.size(), 2u);
    ASSERT_NEAR(std::fabs(sink.op[0]), 2, 1e-9);
    ASSERT_NEAR(std::fabs(sink.op[1]), 2, 1e-9);
    for (size_t i = 0; i < sink.v.size(); ++i) {
        SCOPED_TRACE(sink.f[i]);
        EXPECT_NEAR(std::abs(sink.v[i][0] - (1 + sink.f[i] / 1e6) * sink.op[0] / 2), 0, 1e-6);
        EXPECT_NEAR(std::abs(sink.v[i][1] - 3.0 * sink.v[i][0]), 0, 1e-6);
        EXPECT_NEAR(std::abs(sink.v[i][2] - sink.op[1]), 0, 1e-6);
    }
}

}  // namespace

#include "devices/bsim1_cards.h"
#include "devices/bsim2_cards.h"

namespace {

// Levels 4 and 5 take their series resistances from their own tables (RD, RS, and RSH
// times the squares of the text) through internal nodes: the operating point equals that
// of the same transistor without them and with the resistors drawn outside.
TEST_F(CompileMoreParts, MosfetLevels4And5ReachTheirSeriesResistancesThroughInternalNodes) {
    const struct {
        std::initializer_list<std::pair<const char*, double>> card;
        const char* resistances;  // model text
        const char* squares;      // instance text
    } cases[] = {
        {bsim1_cards::kNmosCard, "RD=100 RS=50", ""},
        {bsim1_cards::kNmosCard, "RSH=50", "NRD=2 NRS=1"},
        {bsim2_cards::kNmosCard, "RD=100 RS=50", ""},
    };
    for (const auto& c : cases) {
        std::string card;
        for (auto [name, value] : c.card) card += std::string(" ") + name + "=" + std::to_string(value);
        SCOPED_TRACE(card + " " + c.resistances);
        const std::string head = "mos\nVDD 1 0 5\nRL 1 2 20k\nVG 3 0 3\n";
        double drain[2] = {0, 0}, source[2] = {0, 0};
        for (int outside = 0; outside < 2; ++outside) {
            const std::string deck =
                outside ? head + "RDX 2 5 100\nRSX 6 0 50\nM1 5 3 6 0 NB L=2u W=10u\n.MODEL NB NMOS(" + card + ")\n.END\n"
                        : head + "M1 2 3 0 0 NB L=2u W=10u " + c.squares + "\n.MODEL NB NMOS(" + card + " " +
                              c.resistances + ")\n.END\n";
            ASSERT_EQ(Read(deck, kDc), 0);
            ASSERT_EQ(Compile(), 0) << FirstReport();
            EXPECT_EQ(compiled.nodeCount, compiled.circuitNodes + (outside ? 0 : 2));
            ASSERT_EQ(SolveCompiledOperatingPoint(compiled), 0) << FirstReport();
            drain[outside] = V("2");
            source[outside] = outside ? V("6") : Solution[static_cast<size_t>(compiled.circuitNodes + 2)];
            FreeSimulationState();
            ClearCompiledDevices();
        }
        EXPECT_GT(source[1], 1e-3);  // the transistor conducts
        EXPECT_NEAR(drain[0], drain[1], 1e-4);
        EXPECT_NEAR(source[0], source[1], 1e-5);
    }
}

}  // namespace

namespace {

// A function source with a FREQ formula carries an AC signal: no zero-magnitude warning.
TEST_F(CompileMoreParts, AFrequencyFormulaCountsAsAnAcSignal) {
    for (bool freq : {false, true}) {
        SCOPED_TRACE(freq);
        ASSERT_EQ(Read("t\nV1 1 0 DC 1 AC 0\nR1 1 0 1k\nR2 2 0 1k\n.END\n", kAc), 0);
        std::map<int, std::string> attributes{{ATTR_VALUE, "V(1)*1m"}};
        if (freq) attributes[ATTR_FREQ] = "1m";
        AddPart(35, "G9", {"0", "2"}, attributes);
        CompileSettings settings;
        settings.warnZeroAcSources = true;
        reports.reports.clear();
        ASSERT_EQ(CompileCircuit(*circuit, settings, nullptr), 0) << FirstReport();
        EXPECT_EQ(reports.reports.size(), freq ? 0u : 1u);
        ClearCompiledDevices();
    }
}

}  // namespace
