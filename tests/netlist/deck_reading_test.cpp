// Every comparison deck reads without a message into the parts, nodes, models and
// analysis set-up it describes.

#include <fstream>
#include <sstream>

#include "libraries/component_types.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

std::string DeckText(const std::string& name) {
    std::ifstream in(std::string(OB7_NETLIST_TEST_DATA) + "/decks/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct DeckCase {
    const char* file;
    int analysis;
    size_t parts;      // parts of the main text and of expanded bodies
    int analogNodes;
    size_t models;
};

class DeckTest : public TextCircuitTest, public ::testing::WithParamInterface<DeckCase> {};

TEST_P(DeckTest, ReadsWithoutMessage) {
    const DeckCase& d = GetParam();
    const std::string text = DeckText(d.file);
    ASSERT_FALSE(text.empty()) << d.file;
    ASSERT_EQ(Read(text, d.analysis), 0) << d.file << " report " << FirstReport();
    EXPECT_TRUE(reports.reports.empty()) << d.file;
    EXPECT_EQ(circuit->parts.size(), d.parts) << d.file;
    EXPECT_EQ(circuit->analogNodeCount, d.analogNodes) << d.file;
    EXPECT_EQ(circuit->tables.models.size(), d.models) << d.file;
    EXPECT_EQ(circuit->digitalNodeCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Decks, DeckTest,
    ::testing::Values(DeckCase{"bjt_diffpair.cir", kDc, 9, 6, 2}, DeckCase{"cmos_nand_tran.cir", kTransient, 8, 5, 2},
                      DeckCase{"controlled_sources.cir", kDc, 14, 8, 0},
                      DeckCase{"coupled_inductors_tran.cir", kTransient, 7, 3, 0},
                      DeckCase{"diode_clipper_tran.cir", kTransient, 6, 4, 1},
                      DeckCase{"divider_op.cir", -1, 6, 3, 0}, DeckCase{"jfet_bias_op.cir", kAc, 10, 6, 1},
                      DeckCase{"mos3_family_dc.cir", kDc, 3, 2, 1}, DeckCase{"noise_amp.cir", kAc, 10, 6, 1},
                      DeckCase{"rc_step_tran.cir", kTransient, 3, 2, 0},
                      DeckCase{"rlc_bandpass_ac.cir", kAc, 5, 4, 0},
                      // 2 calls + RLOAD + VIN, and 3 parts from each of the two bodies.
                      DeckCase{"subckt_params.cir", kAc, 10, 5, 0},
                      DeckCase{"tline_reflections.cir", kTransient, 4, 3, 0}),
    [](const ::testing::TestParamInfo<DeckCase>& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

}  // namespace

namespace {

class DeckContentTest : public TextCircuitTest {
protected:
    void ReadDeck(const char* file, int analysis) {
        ASSERT_EQ(Read(DeckText(file), analysis), 0) << FirstReport();
    }
};

TEST_F(DeckContentTest, BipolarPairTakesPolarityFromModelsAndDcSweep) {
    ReadDeck("bjt_diffpair.cir", kDc);
    EXPECT_EQ(Part("Q1")->type, CT_NPN);
    EXPECT_EQ(Part("Q3")->type, CT_PNP);
    EXPECT_EQ(Attr("Q4", ATTR_MODEL), "QP");
    EXPECT_EQ(Attr("RT", ATTR_VALUE), "11.3K");
    EXPECT_EQ(Attr("VIN", ATTR_VALUE), "DC 0 AC 1");
    const auto& dc = circuit->analysis.dc;
    EXPECT_EQ(dc.name1, "VIN");
    EXPECT_EQ(dc.range1, "0.1,-0.1,2M");
    EXPECT_EQ(dc.method1, kStepLinear);
    EXPECT_EQ(dc.numberOfPoints, "101");
    ASSERT_EQ(circuit->analysis.rows[kDc].size(), 1u);
    EXPECT_EQ(circuit->analysis.rows[kDc][0].y, "V(C2)");
    // Only .PRINT statements: the printed curve is plotted as well.
    EXPECT_EQ(circuit->analysis.rows[kDc][0].group, '1');
    EXPECT_TRUE(circuit->analysis.rows[kDc][0].options & kCurveOutput);
    // Pins carry the renumbered nodes: Q2's base is ground, emitters share node E.
    EXPECT_EQ(Part("Q2")->pinNodes[1], 0);
    EXPECT_EQ(Part("Q1")->pinNodes[2], Part("Q2")->pinNodes[2]);
    EXPECT_EQ(Part("Q1")->pinNodes[2], Node("E"));
}

TEST_F(DeckContentTest, AcOutputsBecomeFunctionsOfVoltages) {
    ReadDeck("rlc_bandpass_ac.cir", kAc);
    const auto& ac = circuit->analysis.ac;
    EXPECT_EQ(ac.frequencyRange, "100MEG,100K");
    EXPECT_EQ(ac.numberOfPoints, "151");
    EXPECT_EQ(circuit->analysis.flags[kAc] & kStepMask, kStepLog);
    const auto& rows = circuit->analysis.rows[kAc];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].y, "MAG(V(OUT))");
    EXPECT_EQ(rows[1].y, "PH(V(OUT))");
    EXPECT_EQ(rows[2].y, "DB(V(OUT))");
    for (const NetlistCurveRow& r : rows) EXPECT_EQ(r.options & (kCurveLinearX | kCurveLinearY), kCurveLinearY);
}

TEST_F(DeckContentTest, NoiseStatementNamesOutputAndInput) {
    ReadDeck("noise_amp.cir", kAc);
    EXPECT_EQ(circuit->analysis.ac.noiseOutput, "C");
    EXPECT_EQ(circuit->analysis.ac.noiseInput, "VIN");
    const auto& rows = circuit->analysis.rows[kAc];
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].y, "ONOISE");
    EXPECT_EQ(rows[1].y, "INOISE");
}

TEST_F(DeckContentTest, NestedDcSweepAndTemperatureList) {
    ReadDeck("mos3_family_dc.cir", kDc);
    const auto& dc = circuit->analysis.dc;
    EXPECT_EQ(dc.name1, "VD");
    EXPECT_EQ(dc.range1, "5,0,0.05");
    EXPECT_EQ(dc.name2, "VG");
    EXPECT_EQ(dc.range2, "5,1,1");
    EXPECT_EQ(dc.method2, kStepLinear);
    EXPECT_EQ(dc.temperature, "27,85");
    EXPECT_TRUE(circuit->analysis.temperatureList[kDc]);
    EXPECT_EQ(Attr("M1", ATTR_VALUE), "L=1U W=10U");
    EXPECT_EQ(circuit->tables.models[0].name, "NMOS3");
}

TEST_F(DeckContentTest, TransientPointsAndOperatingPoint) {
    ReadDeck("cmos_nand_tran.cir", kTransient);
    const auto& tr = circuit->analysis.transient;
    EXPECT_EQ(tr.timeRange, "160N");
    EXPECT_EQ(tr.numberOfPoints, "1601");
    EXPECT_TRUE(circuit->analysis.flags[kTransient] & kFlagOperatingPoint);
    EXPECT_EQ(Part("MP1")->type, CT_PMOS);
    EXPECT_EQ(Part("MN1")->type, CT_NMOS);
    EXPECT_EQ(Attr("VA", ATTR_VALUE), "PULSE (0 5 5N 1N 1N 20N 50N)");
}

TEST_F(DeckContentTest, DividerKeepsTransferAndSensitivityRequests) {
    ReadDeck("divider_op.cir", -1);
    EXPECT_EQ(circuit->transfer.inputSource, "VIN");
    ASSERT_EQ(circuit->transfer.outputs.size(), 1u);
    EXPECT_EQ(circuit->transfer.outputs[0], "V(OUT)");
    EXPECT_EQ(circuit->sensOutputs[0], "V(OUT)");
    EXPECT_EQ(Part("I1")->type, CT_ISPICE);
}

TEST_F(DeckContentTest, CouplingLineAndControlledSources) {
    ReadDeck("coupled_inductors_tran.cir", kTransient);
    EXPECT_EQ(Attr("K1", ATTR_INDUCTORS), "L1 L2");
    EXPECT_EQ(Attr("K1", ATTR_COUPLING), "0.95");
    EXPECT_TRUE(Part("K1")->pinNodes.empty());
    ReadDeck("tline_reflections.cir", kTransient);
    EXPECT_EQ(Attr("T1", ATTR_MODEL), "");
    EXPECT_EQ(Attr("T1", ATTR_VALUE), "Z0=50 TD=3N");
    EXPECT_EQ(Part("T1")->pinNodes.size(), 4u);
    ReadDeck("controlled_sources.cir", kDc);
    EXPECT_EQ(Part("E1")->type, 52);
    EXPECT_EQ(Attr("E1", ATTR_VALUE), "A B 2.5");
    EXPECT_EQ(Part("F1")->type, 51);
    EXPECT_EQ(Attr("F1", ATTR_VALUE), "VSENSE 3");
    EXPECT_EQ(Part("H1")->type, 53);
    EXPECT_EQ(Attr("E2", ATTR_VALUE), "POLY (2) A 0 B 0 0.5 1 2 0.1 0.2 0.3");
}

TEST_F(DeckContentTest, SubcircuitCallsOpenScopesWithTheirParameters) {
    ReadDeck("subckt_params.cir", kAc);
    // Each call's inner node is its own; pins join the callers' nodes.
    const int n1 = Node("N", 2), n2 = Node("N", 3);
    EXPECT_GT(n1, 0);
    EXPECT_GT(n2, 0);
    EXPECT_NE(n1, n2);
    const NetlistPart* r1 = nullptr;
    for (const NetlistPart& p : circuit->parts)
        if (p.scope == 2 && PartAttr(p, ATTR_PART) == "R1") r1 = &p;
    ASSERT_NE(r1, nullptr);
    EXPECT_EQ(r1->pinNodes[0], Node("IN"));
    EXPECT_EQ(r1->pinNodes[1], n1);
    EXPECT_EQ(PartAttr(*r1, ATTR_VALUE), "{ RIN }");
    EXPECT_EQ(circuit->tables.scopes[2].scopeName, "X1");
    // The call's values replace the header defaults in the call's scope.
    std::string rf1, rf2;
    ASSERT_EQ(SubstituteDefines(circuit->tables, rf1, 2, "{RF}", false), 0);
    ASSERT_EQ(SubstituteDefines(circuit->tables, rf2, 3, "{RF}", false), 0);
    EXPECT_NE(rf1.find("1K*4"), std::string::npos) << rf1;
    EXPECT_NE(rf2.find("2K"), std::string::npos) << rf2;
}

}  // namespace
