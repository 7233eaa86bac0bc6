// The whole road of a text circuit: read, compile into the device lists, solve the
// operating point, against ngspice's operating points of the same decks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "netlist/compiler/circuit_compiler.h"
#include "netlist/netlist_reader.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "expression/math_error.h"
#include "text_circuit_fixture.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The node voltages of an ASCII raw file of one point, by lower-case node name.
std::map<std::string, double> ReferenceVoltages(const std::string& path) {
    std::istringstream in(ReadFile(path));
    std::string line;
    std::vector<std::string> names;
    bool inVariables = false, inValues = false;
    std::map<std::string, double> out;
    size_t k = 0;
    while (std::getline(in, line)) {
        if (line.rfind("Variables:", 0) == 0) {
            inVariables = true;
            continue;
        }
        if (line.rfind("Values:", 0) == 0) {
            inVariables = false, inValues = true;
            continue;
        }
        std::istringstream fields(line);
        if (inVariables) {
            std::string index, name;
            fields >> index >> name;
            names.push_back(name);
        } else if (inValues && k < names.size()) {
            std::string a, b;
            fields >> a;
            double v = 0;
            if (fields >> b) v = std::stod(b);
            else v = std::stod(a);
            if (names[k].rfind("v(", 0) == 0) out[names[k].substr(2, names[k].size() - 3)] = v;
            ++k;
        }
    }
    return out;
}

class CompiledDeck : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        ob7::ResetMathError();
        ob7::FillOptionDefaultTexts(1);
        ob7::ParseSimulationOptions(true);
    }
    void TearDown() override {
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    int ReadDeck(const std::string& deck) {
        return Read(ReadFile(std::string(OB7_NETLIST_TEST_DATA) + "/decks/" + deck + ".cir"), ob7::kDc);
    }
    double V(const std::string& node) {
        const int n = Node(node);
        return n > 0 ? ob7::Solution[n] : 0.0;
    }
};

struct DeckCase {
    const char* deck;
    double relative;  // agreement asked for
    double absolute = 1e-9;
};

TEST_F(CompiledDeck, OperatingPointsMatchTheReference) {
    const DeckCase cases[] = {
        {"divider_op", 1e-12},  // linear: exact up to rounding, 1e-9 absolute
        {"controlled_sources", 1e-12},
        {"subckt_params", 1e-12},
        {"jfet_bias_op", 1e-6},
        // Both programs stop Newton at their tolerances (RELTOL 1e-3 on the junction
        // currents): the bias agrees to some 20 uV.
        {"bjt_diffpair", 1e-5, 5e-5},
    };
    for (const DeckCase& c : cases) {
        SCOPED_TRACE(c.deck);
        ASSERT_EQ(ReadDeck(c.deck), 0);
        ob7::CompileResult compiled;
        ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0) << (reports.reports.empty() ? "" : reports.reports[0].text);
        ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0) << (reports.reports.empty() ? "" : reports.reports[0].text);
        const auto reference = ReferenceVoltages(std::string(OB7_NETLIST_TEST_DATA) + "/ref/" + c.deck + ".op.raw");
        ASSERT_FALSE(reference.empty());
        for (const auto& [node, v] : reference) {
            if (node.find('#') != std::string::npos || node.find('$') != std::string::npos) continue;  // internal
            EXPECT_NEAR(V(node), v, c.absolute + c.relative * std::fabs(v)) << node;
        }
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
    }
}

}  // namespace

namespace {

// Resistor values and controlled-source coefficients, in list order.
std::vector<double> DeviceValues() {
    std::vector<double> out;
    for (auto* r : ob7::DevicesOf<ob7::Resistor>(ob7::kResistorList)) out.push_back(r->base_value);
    for (auto* p : ob7::DevicesOf<ob7::PolySource>(ob7::kPolySourceList))
        for (double c : p->coefficients) out.push_back(c);
    return out;
}

TEST_F(CompiledDeck, SubcircuitCallsCompileToTheHandExpandedDevices) {
    const char* called =
        "t\n.PARAM RBASE=1k GAIN=4\nVIN in 0 DC 1\n"
        "X1 in o1 AMP PARAMS: RIN={RBASE} RF={RBASE*GAIN}\nX2 o1 o2 AMP PARAMS: RIN=2k RF=2k\n"
        "RLOAD o2 0 10k\n.SUBCKT AMP inp outp PARAMS: RIN=1k RF=1k\nR1 inp n {RIN}\nR2 n outp {RF}\n"
        "E1 outp 0 0 n 1e5\n.ENDS AMP\n.END\n";
    const char* expanded =
        "t\nVIN in 0 DC 1\nR1A in n1 1k\nR2A n1 o1 4k\nE1A o1 0 0 n1 1e5\n"
        "R1B o1 n2 2k\nR2B n2 o2 2k\nE1B o2 0 0 n2 1e5\nRLOAD o2 0 10k\n.END\n";
    std::vector<double> values[2], voltages[2];
    const char* decks[2] = {called, expanded};
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(Read(decks[k], ob7::kDc), 0);
        ob7::CompileResult compiled;
        ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0);
        EXPECT_EQ(compiled.nodeCount, 5);
        values[k] = DeviceValues();
        ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0);
        for (const char* node : {"in", "o1", "o2"}) voltages[k].push_back(V(node));
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
    }
    std::sort(values[0].begin(), values[0].end());
    std::sort(values[1].begin(), values[1].end());
    EXPECT_EQ(values[0], values[1]);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(voltages[0][i], voltages[1][i], 1e-12);
}

}  // namespace

namespace {

// Every reference deck compiles to the devices its cards describe: one record a card in
// the list of its kind, and the node count of its netlist plus one internal node for
// every series resistance of a semiconductor model.
struct DeckDevices {
    const char* deck;
    std::vector<std::pair<ob7::DeviceListKind, int>> counts;
    int nodes;
};

TEST_F(CompiledDeck, EveryDeckCompilesToItsDevices) {
    using namespace ob7;
    const DeckDevices cases[] = {
        {"divider_op", {{kResistorList, 4}, {kSpiceSourceList, 2}}, 3},
        {"rc_step_tran", {{kResistorList, 1}, {kCapacitorList, 1}, {kSpiceSourceList, 1}}, 2},
        {"rlc_bandpass_ac", {{kResistorList, 2}, {kCapacitorList, 1}, {kInductorList, 1}, {kSpiceSourceList, 1}}, 4},
        // RS=0.5: an internal anode node for each diode.
        {"diode_clipper_tran", {{kDiodeList, 2}, {kResistorList, 1}, {kSpiceSourceList, 3}}, 6},
        {"bjt_diffpair", {{kBjtList, 4}, {kResistorList, 2}, {kSpiceSourceList, 3}}, 0},
        {"cmos_nand_tran", {{kMosfetList, 4}}, 0},
        {"mos3_family_dc", {{kMosfetList, 1}}, 0},
        {"jfet_bias_op", {{kJfetList, 1}, {kCapacitorList, 3}, {kResistorList, 4}, {kSpiceSourceList, 2}}, 0},
        {"controlled_sources", {{kPolySourceList, 5}, {kSpiceSourceList, 3}, {kResistorList, 6}}, 0},
        {"subckt_params", {{kPolySourceList, 2}, {kResistorList, 5}, {kSpiceSourceList, 1}}, 5},
        // The coupling adds a 1/GMIN resistor between the windings.
        {"coupled_inductors_tran", {{kInductorList, 2}, {kCouplingList, 1}, {kResistorList, 3}}, 3},
        // Two internal nodes behind the line's ports.
        {"tline_reflections", {{kLosslessLineList, 1}, {kResistorList, 2}}, 5},
        {"noise_amp", {{kBjtList, 1}}, 0},
    };
    for (const DeckDevices& c : cases) {
        SCOPED_TRACE(c.deck);
        ASSERT_EQ(ReadDeck(c.deck), 0);
        reports.reports.clear();
        CompileResult compiled;
        ASSERT_EQ(CompileCircuit(*circuit, {}, &compiled), 0)
            << (reports.reports.empty() ? "" : reports.reports[0].text);
        for (auto [list, count] : c.counts) EXPECT_EQ(DeviceListTable[list].count, count) << "list " << list;
        if (c.nodes) {
            EXPECT_EQ(compiled.nodeCount, c.nodes);
        }
        ClearCompiledDevices();
    }
}

}  // namespace

namespace {

// The points of an ASCII raw file: one map of variable name to value per point.
std::vector<std::map<std::string, double>> ReferencePoints(const std::string& path) {
    std::istringstream in(ReadFile(path));
    std::string line;
    std::vector<std::string> names;
    std::vector<std::map<std::string, double>> points;
    bool inVariables = false, inValues = false;
    size_t k = 0;
    while (std::getline(in, line)) {
        if (line.rfind("Variables:", 0) == 0) {
            inVariables = true;
            continue;
        }
        if (line.rfind("Values:", 0) == 0) {
            inVariables = false, inValues = true;
            continue;
        }
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string w; fields >> w;) words.push_back(w);
        if (words.empty()) continue;
        if (inVariables) {
            names.push_back(words[1]);
        } else if (inValues) {
            if (words.size() == 2) points.emplace_back(), k = 0;
            if (!points.empty() && k < names.size()) points.back()[names[k++]] = std::stod(words.back());
        }
    }
    return points;
}

// Points of a DC sweep as operating points: the swept sources set to the point's values,
// the operating point solved, the source current compared. The points lie in the linear
// region, where the level-3 equations of both programs agree; in saturation they differ
// on purpose (the device model's own tests carry that difference).
TEST_F(CompiledDeck, MosfetOperatingPointsMatchTheSweepPoints) {
    const auto points = ReferencePoints(std::string(OB7_NETLIST_TEST_DATA) + "/ref/mos3_family_dc.dc.t27.raw");
    ASSERT_EQ(points.size(), 505u);
    for (size_t index : {1u, 103u, 210u, 230u, 320u, 410u}) {
        const auto& p = points[index];
        SCOPED_TRACE(testing::Message() << "VD " << p.at("v(d)") << " VG " << p.at("v(g)"));
        ASSERT_EQ(ReadDeck("mos3_family_dc"), 0);
        ob7::CompileResult compiled;
        ASSERT_EQ(ob7::CompileCircuit(*circuit, {}, &compiled), 0);
        ob7::SpiceSource* vd = nullptr;
        for (auto* s : ob7::DevicesOf<ob7::SpiceSource>(ob7::kSpiceSourceList)) {
            const bool drain = s->positive == Node("d");
            s->dc_value = s->value = drain ? p.at("v(d)") : p.at("v(g)");
            if (drain) vd = s;
        }
        ASSERT_TRUE(vd);
        ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0);
        const double i = ob7::Solution[vd->branch], ref = p.at("i(vd)");
        EXPECT_NEAR(i, ref, 1e-12 + 1e-6 * std::fabs(ref));
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
    }
}

}  // namespace
