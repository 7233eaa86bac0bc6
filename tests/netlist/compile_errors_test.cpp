// The compiler's errors: each stops the compile with its message, names the part that
// shows the fault, records the card's line as the place, and leaves no devices behind.

#include <gtest/gtest.h>

#include "netlist/compiler/circuit_compiler.h"
#include "netlist/compiler/compile_error_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "text_circuit_fixture.h"

namespace {

class CompileErrors : public TextCircuitTest {
protected:
    void TearDown() override {
        ob7::ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    std::string PartNamed() const { return ReportLine("Part:"); }
};

struct ErrorCase {
    const char* what;
    const char* deck;
    int code;
    const char* part;  // named in the message and recorded as the place; "" none
    int line;          // 0-based line of the place, -1 none
    ob7::CompileSettings settings;
};

TEST_F(CompileErrors, EachErrorNamesItsPartAndPlace) {
    ob7::CompileSettings strict;
    strict.floatingNodesCheck = true;
    const ErrorCase cases[] = {
        {"capacitor-coupled node", "t\nV1 1 0 DC 1\nR1 1 0 1k\nC1 1 2 1u\nR2 2 3 1k\nC2 3 0 1u\n.END\n", 10863, "R2", 4, {}},
        // The first part in list order that touches the node is named.
        {"one floating node", "t\nV1 1 0 DC 1\nC1 1 2 1u\nR2 2 2 1k\n.END\n", 10856, "C1", 2, {}},
        {"parallel voltage sources", "t\nV1 1 0 DC 1\nR1 1 0 1k\nV2 1 0 DC 2\n.END\n", 10853, "V2", 3, {}},
        // Inductors are numbered before the sources: the source closes the loop.
        {"inductor across a source", "t\nV1 1 0 DC 1\nL1 1 0 1m\n.END\n", 10853, "V1", 1, {}},
        {"missing model", "t\nV1 1 0 DC 1\nR1 1 2 1k\nD1 2 0 NOSUCH\n.END\n", 10834, "D1", 3, {}},
        {"value that does not compile", "t\nV1 1 0 DC 1\nR1 1 0 {2*(3+}\n.END\n", 0, "R1", 2, {}},
        {"resistor with TC but no =", "t\nV1 1 0 DC 1\nR1 1 0 {10k} TC 1\n.END\n", 11901, "R1", 2, {}},
        {"IC on a resistor", "t\nV1 1 0 DC 1\nR1 1 0 10k IC=2\n.END\n", 10847, "R1", 2, {}},
        {"no ground", "t\nV1 1 2 DC 1\nR1 1 2 1k\n.END\n", 10838, "", -1, {}},
        {"one connection (strict)", "t\nV1 1 0 DC 1\nR1 1 0 1k\nR2 1 5 1k\n.END\n", 10842, "R2", 3, strict},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Read(c.deck, ob7::kDc), 0);
        reports.reports.clear();
        EXPECT_EQ(ob7::CompileCircuit(*circuit, c.settings, nullptr), ob7::kMsgReported);
        ASSERT_FALSE(reports.reports.empty());
        if (c.code) {
            EXPECT_EQ(reports.reports[0].id, c.code) << reports.reports[0].text;
        }
        if (*c.part) {
            EXPECT_NE(reports.reports[0].text.find(c.part), std::string::npos) << reports.reports[0].text;
            EXPECT_EQ(ob7::ErrorSource.state, 3);
            ASSERT_GE(ob7::ErrorSource.part, 0);
            EXPECT_EQ(ob7::PartAttr(circuit->parts[ob7::ErrorSource.part], ob7::ATTR_PART), c.part);
            EXPECT_EQ(ob7::ErrorSource.line, c.line);
        }
        // A failed compile leaves nothing behind.
        EXPECT_TRUE(ob7::DeviceListTable[ob7::kResistorList].empty());
        EXPECT_TRUE(ob7::DeviceListTable[ob7::kSpiceSourceList].empty());
    }
}

TEST_F(CompileErrors, ACircuitWithoutNodesNeedsNoGround) {
    ASSERT_EQ(Read("t\n.END\n", ob7::kDc), 0);
    ob7::CompileResult compiled;
    EXPECT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0);
    EXPECT_EQ(compiled.nodeCount, 0);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(CompileErrors, InitialConditionsReachTheEngine) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 2 1k\nL1 2 0 1m\nC1 2 0 1u\n.IC V(2)=0.5 I(L1)=2m\n.NODESET V(1)=1\n.END\n",
                   ob7::kDc),
              0);
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, nullptr), 0) << (reports.reports.empty() ? "" : reports.reports[0].text);
    ASSERT_EQ(ob7::InitialConditionTable.size(), 3u);
    EXPECT_TRUE(ob7::HasInitialConditions && ob7::HasNodeSets);
    bool voltage = false, current = false, nodeset = false;
    for (const ob7::InitialCondition& ic : ob7::InitialConditionTable) {
        if (ic.letter == 'V' && ic.statement == 1) voltage = ic.node1 == Node("2") && ic.value == 0.5;
        if (ic.letter == 'I') current = ic.inductor_number == 1 && ic.value == 2e-3;
        if (ic.statement == 2) nodeset = ic.node1 == Node("1") && ic.value == 1;
    }
    EXPECT_TRUE(voltage && current && nodeset);
    ob7::ClearCompiledDevices();
    EXPECT_TRUE(ob7::InitialConditionTable.empty());
}

TEST_F(CompileErrors, SourceValueTexts) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 2 AC 1 SIN(0 50m 1k)\nV2 2 0 PULSE(0 5 1n 2n 3n 4n 20n)\n"
                   "V3 3 0 PWL(0 0 1u 2.5e-7 2u 5)\nI1 0 4 3m\nR1 1 2 1\nR2 2 3 1\nR3 3 4 1\n.END\n",
                   ob7::kDc),
              0);
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, nullptr), 0) << (reports.reports.empty() ? "" : reports.reports[0].text);
    std::vector<ob7::SpiceSource*> s;
    for (auto* x : ob7::DevicesOf<ob7::SpiceSource>(ob7::kSpiceSourceList)) s.push_back(x);
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0]->spec_kind, ob7::kSourceSin);
    EXPECT_DOUBLE_EQ(s[0]->dc_value, 2);
    EXPECT_DOUBLE_EQ(s[0]->p[1], 50e-3);
    EXPECT_DOUBLE_EQ(s[0]->p[2], 1e3);
    EXPECT_EQ(s[1]->spec_kind, ob7::kSourcePulse);
    const double pulse[7] = {0, 5, 1e-9, 2e-9, 3e-9, 4e-9, 20e-9};
    for (int k = 0; k < 7; ++k) EXPECT_DOUBLE_EQ(s[1]->p[k], pulse[k]) << k;
    EXPECT_EQ(s[2]->spec_kind, ob7::kSourcePwl);
    ASSERT_EQ(s[2]->pwl.entries.size(), 3u);
    EXPECT_DOUBLE_EQ(s[2]->pwl.entries[1].time, 1e-6);
    EXPECT_DOUBLE_EQ(std::stod(s[2]->pwl.entries[1].value_text), 2.5e-7);
    EXPECT_FALSE(s[3]->IsVoltage());
    EXPECT_DOUBLE_EQ(s[3]->dc_value, 3e-3);
}

TEST_F(CompileErrors, SkippedInductorLoopsPass) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nL1 1 0 1m\n.END\n", ob7::kDc), 0);
    ob7::CompileSettings settings;
    settings.skipInductorLoops = true;
    EXPECT_EQ(ob7::CompileCircuit(*circuit, settings, nullptr), 0);
}

TEST_F(CompileErrors, AddDcPathPutsOneGminResistorPerFloatingNodeAndWarns) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nC1 1 2 1u\nR2 2 3 1k\n.END\n", ob7::kDc), 0);
    ob7::CompileSettings settings;
    settings.addDcPath = true;
    ASSERT_EQ(ob7::CompileCircuit(*circuit, settings, nullptr), 0);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].id, 10862);
    int added = 0;
    for (auto* r : ob7::DevicesOf<ob7::Resistor>(ob7::kResistorList))
        if (r->a == 0) {
            ++added;
            EXPECT_DOUBLE_EQ(r->base_value, 1e12);
        }
    EXPECT_EQ(added, 2);

    // Through the preference: the warning carries the "Don't warn me anymore." box, and
    // once that is ticked (the preference 0) the resistors still come, silently.
    int warn = 1;
    settings.addDcPathWarning = &warn;
    reports.reports.clear();
    ASSERT_EQ(ob7::CompileCircuit(*circuit, settings, nullptr), 0);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_TRUE(reports.reports[0].checkBox);
    warn = 0;
    reports.reports.clear();
    ASSERT_EQ(ob7::CompileCircuit(*circuit, settings, nullptr), 0);
    EXPECT_TRUE(reports.reports.empty());
    added = 0;
    for (auto* r : ob7::DevicesOf<ob7::Resistor>(ob7::kResistorList)) added += r->a == 0;
    EXPECT_EQ(added, 2);
}

TEST_F(CompileErrors, ResistorTemperatureCoefficientsAndCapacitorInitialCondition) {
    ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 0 10k TC=1m,2u\nC1 1 0 1u IC=2\n.END\n", ob7::kDc), 0);
    ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, nullptr), 0);
    auto* r = static_cast<ob7::Resistor*>(ob7::DeviceListTable[ob7::kResistorList].first);
    ASSERT_TRUE(r);
    EXPECT_DOUBLE_EQ(r->base_value, 1e4);
    EXPECT_DOUBLE_EQ(r->tc1, 1e-3);
    EXPECT_DOUBLE_EQ(r->tc2, 2e-6);
    EXPECT_TRUE(r->tc1_given && r->tc2_given);
}

}  // namespace
