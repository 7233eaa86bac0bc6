// Couplings and lossless lines as the compiler builds them from K and T cards.

#include <gtest/gtest.h>

#include "netlist/compiler/circuit_compiler.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/magnetic_core.h"
#include "sim/devices/switch.h"
#include "sim/devices/resistor.h"
#include "sim/devices/tline.h"
#include "sim/engine/device_lists.h"
#include "text_circuit_fixture.h"

namespace {

class CompileParts : public TextCircuitTest {
protected:
    void TearDown() override {
        ob7::ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    // Reads and compiles; returns the compile's code (the read must succeed).
    int Compile(const std::string& body) {
        EXPECT_EQ(Read("t\nV1 1 0 DC 1\nR1 1 2 1\n" + body + ".END\n", ob7::kDc), 0);
        reports.reports.clear();
        return ob7::CompileCircuit(*circuit, {}, nullptr);
    }
    std::string Name(const ob7::Inductor* l) const {
        return ob7::PartAttr(*static_cast<const ob7::NetlistPart*>(l->owning_part), ob7::ATTR_PART);
    }
};

TEST_F(CompileParts, ThreeInductorsGiveThreeCouplingsInNameOrder) {
    ASSERT_EQ(Compile("L1 2 0 1m\nL2 3 0 1m\nL3 4 0 1m\nR3 3 0 1\nR4 4 0 1\nK1 L1 L2 L3 0.9\n"), 0);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (auto* c : ob7::DevicesOf<ob7::Coupling>(ob7::kCouplingList)) {
        pairs.emplace_back(Name(c->first), Name(c->second));
        EXPECT_DOUBLE_EQ(c->value, 0.9);
    }
    const std::vector<std::pair<std::string, std::string>> expected = {{"L1", "L2"}, {"L1", "L3"}, {"L2", "L3"}};
    EXPECT_EQ(pairs, expected);
    // One 1/GMIN resistor between the first nodes of each pair.
    int bridges = 0;
    for (auto* r : ob7::DevicesOf<ob7::Resistor>(ob7::kResistorList))
        if (r->base_value == 1e12) ++bridges;
    EXPECT_EQ(bridges, 3);
}

TEST_F(CompileParts, CouplingErrors) {
    const struct {
        const char* body;
        int code;
    } cases[] = {
        {"L1 2 0 1m\nL2 3 0 1m\nR3 3 0 1\nK1 L1 L2 0.9\nK2 L2 L1 0.5\n", 10810},  // already coupled
        {"L1 2 0 1m\nK1 L1 0.9\n", 10808},                                   // one inductor, no core
        {"L1 2 0 1m\nK1 L1 LX 0.9\n", 10802},                                // no such inductor
        {"L1 2 0 1m\nL2 3 0 1m\nR3 3 0 1\nK1 L1 L1 0.9\n", 10803},           // named twice
        // K parts sharing a winding on different cores
        {"L1 2 0 10\nL2 3 0 20\nL3 4 0 30\nK1 L1 L2 0.9 CX\nK2 L2 L3 0.9 CY\n.MODEL CX CORE\n.MODEL CY CORE\n",
         10809},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(Compile(c.body), ob7::kMsgReported);
        ASSERT_FALSE(reports.reports.empty());
        EXPECT_EQ(reports.reports[0].id, c.code) << reports.reports[0].text;
    }
}

// Two lines of one model with their own delays: each keeps its own, and the model's
// statement is not changed by either.
TEST_F(CompileParts, LinesSharingAModelKeepTheirOwnValues) {
    ASSERT_EQ(Compile("T1 2 0 3 0 TL TD=1n\nT2 3 0 4 0 TL TD=2n\nR4 4 0 50\n.MODEL TL TRN(Z0=50 TD=5n)\n"
                      "T3 4 0 5 0 TL\nR5 5 0 50\n"),
              0)
        << (reports.reports.empty() ? "" : reports.reports[0].text);
    std::vector<double> delays;
    for (auto* l : ob7::DevicesOf<ob7::TLine>(ob7::kLosslessLineList)) delays.push_back(l->td);
    EXPECT_EQ(delays, (std::vector<double>{1e-9, 2e-9, 5e-9}));
}

TEST_F(CompileParts, CoreWindingsTakeTheirValuesAsTurns) {
    ASSERT_EQ(Compile("L1 2 0 20\nL2 3 0 40\nR3 3 0 1\nK1 L1 L2 1 KC\n.MODEL KC CORE(AREA=1 PATH=10)\n"), 0)
        << (reports.reports.empty() ? "" : reports.reports[0].text);
    EXPECT_EQ(ob7::DeviceListTable[ob7::kMagneticCoreList].count, 1);
    auto* l1 = static_cast<ob7::Inductor*>(ob7::DeviceListTable[ob7::kInductorList].first);
    auto* l2 = static_cast<ob7::Inductor*>(l1->next);
    ASSERT_TRUE(l1->core && l1->core == l2->core);
    EXPECT_DOUBLE_EQ(l1->turns, 20);
    EXPECT_DOUBLE_EQ(l2->turns, 40);
    // A winding of less than one turn.
    EXPECT_EQ(Compile("L1 2 0 0.5\nK1 L1 1 KC\n.MODEL KC CORE(AREA=1 PATH=10)\n"), ob7::kMsgReported);
    ASSERT_FALSE(reports.reports.empty());
    EXPECT_EQ(reports.reports[0].id, 10848);
}

TEST_F(CompileParts, LosslessLineDelays) {
    const struct {
        const char* value;
        double td;  // 0: the error below
        int code;
    } cases[] = {
        {"Z0=50 TD=1n", 1e-9, 0},
        {"ZO=50 TD=1n", 1e-9, 0},  // the letter O
        {"Z0=50 F=1MEG NL=0.25", 0.25e-6, 0},
        {"Z0=50 F=1MEG NL=0", 0, 10867},
        {"Z0=50 TD=1e-17", 0, 10892},
        {"TD=1n", 0, 10859},
        {"Z0=50 F=1MEG", 0, 10867},  // NL only from the model's defaults
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const int code = Compile(std::string("T1 2 0 3 0 ") + c.value + "\nR3 3 0 50\n");
        if (c.code) {
            EXPECT_EQ(code, ob7::kMsgReported);
            ASSERT_FALSE(reports.reports.empty());
            EXPECT_EQ(reports.reports[0].id, c.code);
            continue;
        }
        ASSERT_EQ(code, 0) << (reports.reports.empty() ? "" : reports.reports[0].text);
        auto* line = static_cast<ob7::TLine*>(ob7::DeviceListTable[ob7::kLosslessLineList].first);
        ASSERT_TRUE(line);
        EXPECT_DOUBLE_EQ(line->td, c.td);
        EXPECT_EQ(line->p1p, Node("2"));
        EXPECT_EQ(line->p2p, Node("3"));
        EXPECT_GT(line->n1, 3);
        EXPECT_GT(line->n2, line->n1);
    }
}

}  // namespace

namespace {

TEST_F(CompileParts, LossyLinesTakeTheModelAndTheirOwnValues) {
    const struct {
        const char* cards;
        double r, c, len;
    } cases[] = {
        {"T1 2 0 3 0 LRC\n.MODEL LRC TRN(R=100 C=100p LEN=1)\n", 100, 100e-12, 1},
        {"T1 2 0 3 0 LRC LEN=3 R=5\n.MODEL LRC TRN(R=100 C=100p LEN=1)\n", 5, 100e-12, 3},
        {"T1 2 0 3 0 LEN=2 R=0.1 C=1p\n", 0.1, 1e-12, 2},  // no model
        {"T1 2 0 3 0 LRC 3 R=5\n.MODEL LRC TRN(R=100 C=100p LEN=1)\n", 5, 100e-12, 3},  // a bare length
        // A first word that begins a keyword is no length: LE stays a word the template
        // does not take (a warning), the length is the model's.
        {"T1 2 0 3 0 LRC LE=3\n.MODEL LRC TRN(R=100 C=100p LEN=1)\n", 100, 100e-12, 1},
        // Both spellings of Z0 make a lossy line even beside TD; TD is left over.
        {"T1 2 0 3 0 LRC LEN=2 TD=1n Z0=50 ZO=50\n.MODEL LRC TRN(R=100 C=100p LEN=1)\n", 100, 100e-12, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cards);
        ASSERT_EQ(Compile(std::string(c.cards) + "R3 3 0 50\n"), 0)
            << (reports.reports.empty() ? "" : reports.reports[0].text);
        EXPECT_EQ(ob7::DeviceListTable[ob7::kLosslessLineList].count, 0);
        auto* line = static_cast<ob7::LossyLine*>(ob7::DeviceListTable[ob7::kLossyLineList].first);
        ASSERT_TRUE(line);
        const double* x = ob7::ModelReals(*line->model);
        EXPECT_DOUBLE_EQ(x[ob7::kLossyR], c.r);
        EXPECT_DOUBLE_EQ(x[ob7::kLossyC], c.c);
        EXPECT_DOUBLE_EQ(x[ob7::kLossyLen], c.len);
        EXPECT_EQ(x[21], 0);
        EXPECT_EQ(line->p1, Node("2"));
        EXPECT_EQ(line->p2, Node("3"));
        EXPECT_EQ(line->model->statement < 0, std::string(c.cards).find(".MODEL") == std::string::npos);
    }
    ASSERT_FALSE(reports.reports.empty());  // the last case: TD is extra text
    EXPECT_EQ(reports.reports[0].id, 11904);
}

// Stepping writes into every record of a model; before each run the lines' own values
// are written again, and a delay from F and NL follows the stepped values.
TEST_F(CompileParts, LineValuesAreAppliedAgainBeforeARun) {
    ASSERT_EQ(Compile("T1 2 0 3 0 TF F=1MEG\nT2 3 0 4 0 TF TD=2n\nR4 4 0 50\nT3 4 0 5 0 LRC LEN=3\nR5 5 0 50\n"
                      ".MODEL TF TRN(Z0=50 NL=0.5)\n.MODEL LRC TRN(R=100 C=100p LEN=1)\n"),
              0)
        << (reports.reports.empty() ? "" : reports.reports[0].text);
    std::vector<ob7::TLine*> lines;
    for (auto* l : ob7::DevicesOf<ob7::TLine>(ob7::kLosslessLineList)) lines.push_back(l);
    ASSERT_EQ(lines.size(), 2u);
    auto* lossy = static_cast<ob7::LossyLine*>(ob7::DeviceListTable[ob7::kLossyLineList].first);
    ASSERT_TRUE(lossy);
    EXPECT_DOUBLE_EQ(lines[0]->td, 0.5e-6);
    // Every line has a record of its own, listed for stepping under the model's name.
    EXPECT_NE(lines[0]->model, lines[1]->model);
    EXPECT_EQ(lines[0]->model->scopedName, "TF");
    int listed = 0;
    for (ob7::ModelParams* m : ob7::CircuitModels[ob7::kModelTrn]) listed += m == lines[0]->model || m == lossy->model;
    EXPECT_EQ(listed, 2);

    const int nl = ob7::FindModelParam(ob7::kModelTrn, "NL"), td = ob7::FindModelParam(ob7::kModelTrn, "TD");
    const int len = ob7::FindModelParam(ob7::kModelTrn, "LEN"), r = ob7::FindModelParam(ob7::kModelTrn, "R");
    ob7::ModelReals(*lines[0]->model)[nl] = 0.25;  // stepped NL
    ob7::ModelReals(*lines[1]->model)[td] = 7e-9;  // stepped TD: the line's own TD=2n wins
    ob7::ModelReals(*lossy->model)[len] = 9;       // stepped LEN: the line's own 3 wins
    ob7::ModelReals(*lossy->model)[r] = 40;        // stepped R: the line gives none
    ASSERT_EQ(ob7::ApplyTransmissionLineValues(*circuit), 0);
    EXPECT_DOUBLE_EQ(lines[0]->td, 0.25e-6);
    EXPECT_DOUBLE_EQ(lines[1]->td, 2e-9);
    EXPECT_DOUBLE_EQ(ob7::ModelReals(*lossy->model)[len], 3);
    EXPECT_DOUBLE_EQ(ob7::ModelReals(*lossy->model)[r], 40);

    // A stepped NL of 0 leaves no delay: the NL/TL message, naming the line.
    ob7::ModelReals(*lines[0]->model)[nl] = 0;
    EXPECT_EQ(ob7::ApplyTransmissionLineValues(*circuit), ob7::kMsgReported);
    ASSERT_FALSE(reports.reports.empty());
    EXPECT_EQ(reports.reports.back().id, 10867);
}

TEST_F(CompileParts, ALossyLineIsADcPathFromPortToPort) {
    // Node 3 reaches ground only through the lines' series resistances.
    ASSERT_EQ(Compile("T1 2 0 3 0 LRC\nT2 3 0 4 0 LRC\nR4 4 0 50\n.MODEL LRC TRN(R=100 C=100p LEN=1)\n"), 0)
        << (reports.reports.empty() ? "" : reports.reports[0].text);
    EXPECT_EQ(ob7::DeviceListTable[ob7::kLossyLineList].count, 2);
}

TEST_F(CompileParts, SwitchesFindTheirModelsAndControllingSources) {
    ASSERT_EQ(Compile("S1 2 0 1 0 SW\nW1 3 0 V1 CS\nR3 3 0 1\n.MODEL SW VSWITCH(RON=1 ROFF=1MEG VON=1 VOFF=0)\n"
                      ".MODEL CS ISWITCH(ION=1m IOFF=0)\n"),
              0)
        << (reports.reports.empty() ? "" : reports.reports[0].text);
    auto* s = static_cast<ob7::VSwitch*>(ob7::DeviceListTable[ob7::kVSwitchList].first);
    ASSERT_TRUE(s && s->model);
    EXPECT_EQ(s->cp, Node("1"));
    auto* w = static_cast<ob7::ISwitch*>(ob7::DeviceListTable[ob7::kISwitchList].first);
    auto* v1 = static_cast<ob7::SpiceSource*>(ob7::DeviceListTable[ob7::kSpiceSourceList].first);
    ASSERT_TRUE(w && v1);
    EXPECT_EQ(w->control_branch, &v1->branch);
}

TEST_F(CompileParts, CurrentSwitchNeedsAVoltageSource) {
    EXPECT_EQ(Compile("W1 3 0 R1 CS\nR3 3 0 1\n.MODEL CS ISWITCH(ION=1m IOFF=0)\n"), ob7::kMsgReported);
    ASSERT_FALSE(reports.reports.empty());
    EXPECT_EQ(reports.reports[0].id, 10799);
    EXPECT_NE(reports.reports[0].text.find("W1"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(CompileParts, KPartsSharingAWindingOnOneCore) {
    ASSERT_EQ(Compile("L1 2 0 10\nL2 3 0 20\nL3 4 0 30\nK1 L1 L2 0.9 CX\nK2 L2 L3 0.9 CX\n.MODEL CX CORE\n"), 0)
        << (reports.reports.empty() ? "" : reports.reports[0].text);
    EXPECT_EQ(ob7::DeviceListTable[ob7::kMagneticCoreList].count, 1);
    EXPECT_EQ(ob7::DeviceListTable[ob7::kCouplingList].count, 2);
}

}  // namespace
