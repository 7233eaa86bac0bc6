// Table and Laplace table sources built from TABLE and FREQ cards: their tables with the
// repeated end entries, their table forms, the operating point through the real road, and
// the messages of malformed tables and keyword lists.

#include <gtest/gtest.h>

#include "netlist/compiler/circuit_compiler.h"
#include "netlist/compiler/compile_error_source.h"
#include "sim/devices/freq_table_source.h"
#include "sim/devices/table_source.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_fixture.h"

namespace {

class CompileTables : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        ob7::FillOptionDefaultTexts(1);
        ob7::ParseSimulationOptions(true);
    }
    void TearDown() override {
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    int Compile(const std::string& body) {
        EXPECT_EQ(Read("t\nV1 1 0 DC 0.5\nR1 1 0 1k\n" + body + "R2 2 0 1k\n.END\n", ob7::kDc), 0)
            << (reports.reports.empty() ? "" : reports.reports[0].text);
        reports.reports.clear();
        return ob7::CompileCircuit(*circuit, {}, &compiled);
    }
    double V(const char* node) { return ob7::Solution[static_cast<size_t>(Node(node))]; }
    ob7::CompileResult compiled;
};

TEST_F(CompileTables, TableRepeatsItsEndsAndGivesTheInterpolatedOutput) {
    ASSERT_EQ(Compile("E1 2 0 TABLE {V(1)} = (0,0) (1,5)\n"), 0) << FirstReport();
    ASSERT_EQ(ob7::DeviceListTable[ob7::kTableSourceList].count, 1);
    auto* s = static_cast<ob7::TableSource*>(ob7::DeviceListTable[ob7::kTableSourceList].first);
    const std::vector<std::pair<double, double>> expected = {{0, 0}, {0, 0}, {1, 5}, {1, 5}};
    EXPECT_EQ(s->points, expected);
    EXPECT_EQ(s->form, ob7::kTableE);
    EXPECT_EQ(s->a, Node("1"));
    EXPECT_EQ(s->c, Node("2"));
    ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0);
    EXPECT_NEAR(V("2"), 2.5, 1e-9);
}

TEST_F(CompileTables, BracedFormulasInTablesAreEvaluated) {
    ASSERT_EQ(Compile(".PARAM TOP=3\nG1 0 2 TABLE {V(1)} = (0, 0) (1, {2*TOP*1m})\n"), 0) << FirstReport();
    auto* s = static_cast<ob7::TableSource*>(ob7::DeviceListTable[ob7::kTableSourceList].first);
    ASSERT_EQ(s->points.size(), 4u);
    EXPECT_DOUBLE_EQ(s->points[2].second, 6e-3);
    ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0);
    EXPECT_NEAR(V("2"), 3e-3 * 1e3, 1e-9);  // 3 mA into 1k
}

TEST_F(CompileTables, MalformedTables) {
    const struct {
        const char* table;
        int code;
        const char* text;
    } cases[] = {
        {"(0,0 (1,5)", 10857, "Missing ')' in table source."},
        {"(0,0)) (1,5)", 10857, "Extra ')' in table source."},
        {"(0,0) (1,2*3)", 10868, ""},
        {"(0) (1,5)", 10833, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        EXPECT_EQ(Compile(std::string("E1 2 0 TABLE {V(1)} = ") + c.table + "\n"), ob7::kMsgReported);
        ASSERT_FALSE(reports.reports.empty());
        EXPECT_EQ(reports.reports[0].id, c.code) << reports.reports[0].text;
        if (*c.text) {
            EXPECT_NE(reports.reports[0].text.find(c.text), std::string::npos) << reports.reports[0].text;
        }
        EXPECT_EQ(ob7::ErrorSource.part, 2);  // E1
    }
}

TEST_F(CompileTables, FrequencyTableForms) {
    ASSERT_EQ(Compile("E1 2 0 FREQ {V(1)} = DB RAD (0,20,0) (1k,20,0)\n"), 0) << FirstReport();
    auto* s = static_cast<ob7::FreqTableSource*>(ob7::DeviceListTable[ob7::kLaplaceTableSourceList].first);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->value_kind, ob7::kTableDecibels);
    EXPECT_EQ(s->phase_kind, ob7::kTableRadians);
    ASSERT_EQ(s->table.size(), 4u);
    EXPECT_DOUBLE_EQ(s->table[3][0], 1e3);
    // 20 dB at DC: a gain of 10.
    ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0);
    EXPECT_NEAR(V("2"), 5.0, 1e-9);
    ob7::ClearCompiledDevices();

    // Without keywords: dB and degrees.
    ASSERT_EQ(Compile("G1 0 2 FREQ {V(1)} = (0,0,0) (1k,-3,-45)\n"), 0) << FirstReport();
    s = static_cast<ob7::FreqTableSource*>(ob7::DeviceListTable[ob7::kLaplaceTableSourceList].first);
    EXPECT_EQ(s->value_kind, ob7::kTableDecibels);
    EXPECT_EQ(s->phase_kind, ob7::kTableDegrees);
}

TEST_F(CompileTables, FrequencyTableKeywordErrors) {
    const struct {
        const char* keywords;
        int code;
    } cases[] = {{"MAG DB", 10845}, {"DEG RAD", 10846}, {"R_I DEG", 10850}, {"DB FOO", 10844}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keywords);
        ASSERT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 0 1k\nE1 2 0 FREQ {V(1)} = (0,0,0)\nR2 2 0 1k\n.END\n", ob7::kDc), 0);
        for (ob7::NetlistPart& p : circuit->parts)
            if (p.type == ob7::kFreqTableE) p.object.SetAttr(ob7::ATTR_KEYWORD, c.keywords);
        reports.reports.clear();
        EXPECT_EQ(ob7::CompileCircuit(*circuit, {}, nullptr), ob7::kMsgReported);
        EXPECT_EQ(FirstReport(), c.code);
    }
}

// A table E output is a voltage-defined branch: two in parallel make a loop.
TEST_F(CompileTables, TableVoltageOutputsCloseLoops) {
    EXPECT_EQ(Compile("E1 2 0 TABLE {V(1)} = (0,0) (1,5)\nE2 2 0 FREQ {V(1)} = (0,0,0)\n"), ob7::kMsgReported);
    EXPECT_EQ(FirstReport(), 10853);
}

}  // namespace
