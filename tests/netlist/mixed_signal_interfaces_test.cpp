// Mixed nodes of a text circuit: digital pins moved to "$ATOD"/"$DTOA" nodes and joined to
// the analog node by the interface subcircuits of the part's I/O model.

#include <tuple>
#include <vector>

#include "libraries/component_types.h"
#include "netlist/mixed_signal_interfaces.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

const char* kModels =
    ".MODEL DLY UGATE\n"
    ".MODEL IO_STD UIO (INLD=2p OUTLD=3p DRVH=96.4 DRVL=104 ATOD2=\"ATOD_STD\" DTOA2=\"DTOA_STD\"\n"
    "+ ATOD1=\"ATOD_L1\" ATOD3=\"ATOD_L3\" DIGPOWER=\"DIGIFPWR\")\n"
    ".SUBCKT ATOD_STD A D DPWR DGND PARAMS: CAPACITANCE=0 DRVH=0 DRVL=0\n"
    "C1 A DGND {CAPACITANCE}\n"
    ".ENDS\n"
    ".SUBCKT ATOD_L1 A D DPWR DGND PARAMS: CAPACITANCE=0 DRVH=0 DRVL=0\n"
    "C1 A DGND {CAPACITANCE}\n"
    ".ENDS\n"
    ".SUBCKT ATOD_L3 A D DPWR DGND PARAMS: CAPACITANCE=0 DRVH=0 DRVL=0\n"
    "C1 A DGND {CAPACITANCE}\n"
    ".ENDS\n"
    ".SUBCKT DTOA_STD D A DPWR DGND PARAMS: CAPACITANCE=0 DRVH=0 DRVL=0\n"
    "R1 A DGND {DRVH}\n"
    ".ENDS\n"
    ".SUBCKT DIGIFPWR GND\n"
    "R1 GND 0 1\n"
    ".ENDS\n";

class MixedSignalTest : public TextCircuitTest {
protected:
    std::vector<const NetlistPart*> Calls(const std::string& name) const {
        std::vector<const NetlistPart*> out;
        for (const NetlistPart& p : circuit->parts)
            if (p.type == CT_SUBCKT && PartAttr(p, ATTR_NAME) == name) out.push_back(&p);
        return out;
    }
    int DigitalNode(const std::string& name) {
        for (const NodeEntry& e : circuit->nodes.entries)
            if (e.name == name) return e.kind == 1 ? e.number : -1;
        return -2;
    }
    int AnalogNode(const std::string& name) {
        for (const NodeEntry& e : circuit->nodes.entries)
            if (e.name == name) return e.kind == 0 ? e.number : -1;
        return -2;
    }
};

TEST_F(MixedSignalTest, GateBetweenAnalogNodesGetsBothInterfaces) {
    const std::string deck = std::string("T\nV1 IN 0 5\nR1 IN 0 1K\n"
                                         "U1 INV $G_DPWR $G_DGND IN OUT DLY IO_STD\n"
                                         "U2 BUF $G_DPWR $G_DGND IN OUT2 DLY IO_STD\n"
                                         "R2 OUT 0 1K\n") +
                             kModels;
    ASSERT_EQ(Read(deck), 0) << FirstReport();
    // Both gate inputs share one new digital node and one A-to-D call.
    const int in = AnalogNode("IN"), inD = DigitalNode("IN$ATOD"), out = AnalogNode("OUT"),
              outD = DigitalNode("OUT$DTOA");
    ASSERT_GT(in, 0);
    ASSERT_GT(inD, 0);
    ASSERT_GT(out, 0);
    ASSERT_GT(outD, 0);
    EXPECT_EQ(Part("U1")->pinNodes, (std::vector<int>{inD, outD}));
    EXPECT_EQ(Part("U2")->pinNodes[0], inD);
    EXPECT_GT(DigitalNode("OUT2"), 0);  // digital only: no interface
    EXPECT_EQ(Calls("DTOA_STD").size() + Calls("ATOD_STD").size(), 2u);

    const auto atod = Calls("ATOD_STD");
    ASSERT_EQ(atod.size(), 1u);
    EXPECT_EQ(atod[0]->pinNodes[0], in);
    EXPECT_EQ(atod[0]->pinNodes[1], inD);
    EXPECT_EQ(PartAttr(*atod[0], ATTR_PARAMS), "CAPACITANCE=2e-12 DRVH=96.4 DRVL=104");
    EXPECT_EQ(PartAttr(*atod[0], ATTR_FILE), services.title);
    const auto dtoa = Calls("DTOA_STD");
    ASSERT_EQ(dtoa.size(), 1u);
    EXPECT_EQ(dtoa[0]->pinNodes[0], outD);
    EXPECT_EQ(dtoa[0]->pinNodes[1], out);
    EXPECT_EQ(PartAttr(*dtoa[0], ATTR_PARAMS), "CAPACITANCE=3e-12 DRVH=96.4 DRVL=104");
    // Power and ground of the calls are the part's supply nodes.
    EXPECT_EQ(atod[0]->pinNodes[2], FindNodeByName(*circuit, "$G_DPWR", 1));
    EXPECT_EQ(atod[0]->pinNodes[3], FindNodeByName(*circuit, "$G_DGND", 1));

    // The output part knows it drives a D-to-A interface; the input-only part does not.
    const AttrNode* isDtoA = const_cast<NetlistPart*>(Part("U1"))->object.FindAttrByName(" ISDTOA ");
    ASSERT_NE(isDtoA, nullptr);
    EXPECT_EQ(isDtoA->value, "TRUE");
    EXPECT_EQ(const_cast<NetlistPart*>(Part("U2"))->object.FindAttrByName(" ISDTOA "), nullptr);

    // One supply call, and the interface bodies were expanded.
    const auto power = Calls("DIGIFPWR");
    ASSERT_EQ(power.size(), 1u);
    EXPECT_EQ(power[0]->pinNodes[0], 0);
    EXPECT_GE(atod[0]->openedScope, 0);
    EXPECT_GE(power[0]->openedScope, 0);
}

// The part's IO_LEVEL, else the DIGIOLVL option of the main circuit (2 by default).
TEST_F(MixedSignalTest, IoLevelChoosesTheSubcircuit) {
    ASSERT_EQ(Read(std::string("T\nR1 IN 0 1K\nU1 BUF $G_DPWR $G_DGND IN OUT DLY IO_STD IO_LEVEL=1\n") + kModels), 0)
        << FirstReport();
    EXPECT_EQ(Calls("ATOD_L1").size(), 1u);
    EXPECT_TRUE(Calls("ATOD_STD").empty());

    struct IoLevelOption : OptionTargets {
        int32_t level = 2;
        bool Find(const std::string& name, OptionTarget* target) override {
            if (name != "DIGIOLVL") return false;
            *target = {1, nullptr, &level};
            return true;
        }
    };
    const std::string deck = std::string("T\nR1 IN 0 1K\nU1 BUF $G_DPWR $G_DGND IN OUT DLY IO_STD\n") + kModels;
    for (const auto& [options, level, subckt] :
         std::vector<std::tuple<std::string, int, std::string>>{{"", 2, "ATOD_STD"},
                                                                {".OPTIONS DIGIOLVL=3\n", 3, "ATOD_L3"},
                                                                {".OPTIONS DIGIOLVL=1\n", 1, "ATOD_L1"}}) {
        page = std::make_unique<StringTextPage>(services.title, deck + options);
        circuit = std::make_unique<NetlistCircuit>(services, *page);
        IoLevelOption targets;
        ASSERT_EQ(ReadTextCircuit(*circuit, &targets), 0) << options << FirstReport();
        EXPECT_EQ(targets.level, level);
        EXPECT_EQ(Calls(subckt).size(), 1u) << options;
    }
}

TEST_F(MixedSignalTest, PurelyDigitalDeckHasNoInterface) {
    ASSERT_EQ(Read(std::string("T\nU1 INV $G_DPWR $G_DGND A B DLY IO_STD\n"
                               "U2 INV $G_DPWR $G_DGND B A DLY IO_STD\n") +
                   kModels),
              0)
        << FirstReport();
    EXPECT_TRUE(Calls("ATOD_STD").empty());
    EXPECT_TRUE(Calls("DTOA_STD").empty());
    EXPECT_TRUE(Calls("DIGIFPWR").empty());
    EXPECT_EQ(Part("U1")->pinNodes, (std::vector<int>{DigitalNode("A"), DigitalNode("B")}));
}

TEST_F(MixedSignalTest, DigitalConstantOnAnalogNodeIsAnError) {
    EXPECT_NE(Read(std::string("T\nR1 $D_HI 0 1K\n") + kModels), 0);
    EXPECT_EQ(FirstReport(), 10912);
}

TEST_F(MixedSignalTest, MissingIoModelIsReported) {
    EXPECT_NE(Read("T\nR1 IN 0 1K\nU1 BUF $G_DPWR $G_DGND IN OUT DLY NOSUCH\n.MODEL DLY UGATE\n"), 0);
    EXPECT_EQ(FirstReport(), 10852);
}

TEST(HasParamKey, NeedsSeparatorsOnBothSides) {
    EXPECT_EQ(HasParamKey("PARAMS: DRVH=1", "DRVH"), 1);
    EXPECT_EQ(HasParamKey(" CAPACITANCE ;", "CAPACITANCE"), 1);
    EXPECT_EQ(HasParamKey("PARAMS:DRVL=2", "DRVL"), 1);
    EXPECT_EQ(HasParamKey(" XDRVH=1", "DRVH"), 0);
    EXPECT_EQ(HasParamKey(" DRVHX=1", "DRVH"), 0);
    EXPECT_EQ(HasParamKey(" DRVH", "DRVH"), 0);
    EXPECT_EQ(HasParamKey("DRVH=1", "DRVH"), 0);
}

}  // namespace
