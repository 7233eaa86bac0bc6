// Device cards of every letter the reader knows, with their optional fields.

#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "netlist/component_def_cache.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

struct CardCase {
    const char* card;
    int type;
    size_t pins;
    const char* model;
    int valueAttr;
    const char* value;
};

class DeviceCardTest : public TextCircuitTest {};

TEST_F(DeviceCardTest, CardsOfEveryLetter) {
    const CardCase cases[] = {
        {"R1 1 2 10K", CT_RESISTOR, 2, "", ATTR_VALUE, "10K"},
        {"R2 1 2 RMOD 10K", CT_RESISTOR, 2, "RMOD", ATTR_VALUE, "10K"},
        {"R3 1 2 10K TC=0.01,0.002", CT_RESISTOR, 2, "", ATTR_VALUE, "10K TC=0.01,0.002"},
        {"R4 1 2 {RB*2}", CT_RESISTOR, 2, "", ATTR_VALUE, "{ RB*2 }"},
        {"C1 1 0 1U IC=2", CT_CAPACITOR, 2, "", ATTR_VALUE, "1U IC=2"},
        {"L1 1 0 LMOD 1M", CT_INDUCTOR, 2, "LMOD", ATTR_VALUE, "1M"},
        {"D1 1 0 DMOD 2 OFF", CT_DIODE, 2, "DMOD", ATTR_VALUE, "2 OFF"},
        {"Q1 1 2 3 QMOD", CT_NPN, 3, "QMOD", ATTR_VALUE, ""},
        {"Q2 1 2 3 4 QMOD 1.5", CT_NPN4, 4, "QMOD", ATTR_VALUE, "1.5"},
        {"Q3 1 2 3 [SUB] QMOD", CT_NPN4, 4, "QMOD", ATTR_VALUE, ""},
        {"Q4 1 2 3 QMOD", CT_NPN, 3, "QMOD", ATTR_VALUE, ""},
        {"J1 1 2 3 JMOD", CT_NJFET, 3, "JMOD", ATTR_VALUE, ""},
        {"M1 1 2 3 4 MMOD L=1U W=2U", CT_NMOS, 4, "MMOD", ATTR_VALUE, "L=1U W=2U"},
        {"Z1 1 2 3 ZMOD", CT_GAASFET, 3, "ZMOD", ATTR_VALUE, ""},
        {"B1 1 2 3 BMOD", CT_GAASFET, 3, "BMOD", ATTR_VALUE, ""},
        {"V1 1 0 DC 1 AC 1 SIN(0 1 1K)", CT_VSPICE, 2, "", ATTR_VALUE, "DC 1 AC 1 SIN (0 1 1K)"},
        {"I1 1 0 PWL(0 0 1M 1)", CT_ISPICE, 2, "", ATTR_VALUE, "PWL (0 0 1M 1)"},
        {"E1 1 0 2 3 10", 52, 2, "", ATTR_VALUE, "2 3 10"},
        {"G1 1 0 2 3 1M", 50, 2, "", ATTR_VALUE, "2 3 1M"},
        {"F1 1 0 VSENSE 2", 51, 2, "", ATTR_VALUE, "VSENSE 2"},
        {"H1 1 0 VSENSE 50", 53, 2, "", ATTR_VALUE, "VSENSE 50"},
        {"E2 1 0 VALUE = {V(2)*2}", 37, 2, "", ATTR_VALUE, "{ V (2) *2 }"},
        {"G2 1 0 VALUE {V(2)^2}", 35, 2, "", ATTR_VALUE, "{ V (2) ** 2 }"},
        {"B2 1 0 V={LOG(V(2))}", 37, 2, "", ATTR_VALUE, "{ { LN (V (2)) } }"},
        {"B3 1 0 I={V(2)}", 35, 2, "", ATTR_VALUE, "{ { V (2) } }"},
        {"S1 1 0 2 0 SMOD", CT_VSWITCH, 4, "SMOD", ATTR_VALUE, ""},
        {"W1 1 0 VSENSE WMOD", CT_ISWITCH, 2, "WMOD", ATTR_REF, "VSENSE"},
        {"T1 1 0 2 0 Z0=50 TD=1N", CT_TLINE, 4, "", ATTR_VALUE, "Z0=50 TD=1N"},
        {"T2 1 0 2 0 TMOD LEN=1", CT_TLINE, 4, "TMOD", ATTR_VALUE, "LEN=1"},
    };
    for (const CardCase& c : cases) {
        ASSERT_EQ(Read(std::string("T\n") + c.card + "\n.MODEL QMOD NPN\n"), 0) << c.card << " " << FirstReport();
        ASSERT_EQ(circuit->parts.size(), 1u) << c.card;
        const NetlistPart& p = circuit->parts[0];
        EXPECT_EQ(p.type, c.type) << c.card;
        EXPECT_EQ(p.pinNodes.size(), c.pins) << c.card;
        EXPECT_EQ(PartAttr(p, ATTR_MODEL), c.model) << c.card;
        EXPECT_EQ(PartAttr(p, c.valueAttr), c.value) << c.card;
        EXPECT_EQ(PartAttr(p, ATTR_FROMSPICE), "TRUE") << c.card;
        EXPECT_EQ(p.line, 1) << c.card;
        EXPECT_EQ(p.object.page, -1) << c.card;
    }
}

TEST_F(DeviceCardTest, LaplaceInputOnTwoNodesConnectsTheControllingPins) {
    ASSERT_EQ(Read("T\nE1 1 0 LAPLACE {V(2,3)} = {1/(1+S)}\nR2 2 0 1\nR3 3 0 1\n"), 0) << FirstReport();
    const NetlistPart* e = Part("E1");
    EXPECT_EQ(e->type, 33);
    EXPECT_EQ(Attr("E1", ATTR_EXPRESSION), "V(2,3)");
    EXPECT_EQ(Attr("E1", ATTR_LAPLACE), "{ 1/ (1+S) }");
    ASSERT_EQ(e->pinNodes.size(), 4u);
    EXPECT_EQ(e->pinNodes[2], Node("2"));
    EXPECT_EQ(e->pinNodes[3], Node("3"));
    EXPECT_EQ(circuit->parts.size(), 3u);
}

TEST_F(DeviceCardTest, OtherInputExpressionsGetAnAuxiliarySource) {
    ASSERT_EQ(Read("T\nG1 1 0 FREQ {V(2)*I(V1)} = DB RAD (0,0,0) (1K,-3,-45)\nV1 2 0 1\n"), 0) << FirstReport();
    const NetlistPart* aux = Part("E_$$G1$$");
    ASSERT_NE(aux, nullptr);
    EXPECT_EQ(aux->type, 37);
    EXPECT_EQ(PartAttr(*aux, ATTR_VALUE), "{V(2)*I(V1)}");
    EXPECT_EQ(aux->pinNodes[0], Part("G1")->pinNodes[2]);
    EXPECT_GT(aux->pinNodes[0], 0);
    EXPECT_EQ(aux->pinNodes[1], 0);
    EXPECT_EQ(Attr("G1", ATTR_KEYWORD), "DB RAD ");
    EXPECT_EQ(Part("G1")->type, 43);
}

TEST_F(DeviceCardTest, CouplingWithModelAndDigitalInterfaces) {
    ASSERT_EQ(Read("T\nK1 L1 L2 L3 0.99 KCORE\nN1 1 0 2 DINMOD DGTLNET = D1 IOMOD IS = 1\n"
                   "O1 3 0 DOMOD DGTLNET = D2 IOMOD2\n"),
              0)
        << FirstReport();
    EXPECT_EQ(Attr("K1", ATTR_INDUCTORS), "L1 L2 L3");
    EXPECT_EQ(Attr("K1", ATTR_COUPLING), "0.99");
    EXPECT_EQ(Attr("K1", ATTR_MODEL), "KCORE");
    EXPECT_EQ(Attr("N1", ATTR_MODEL), "DINMOD");
    EXPECT_EQ(Attr("N1", ATTR_IO_MODEL), "IOMOD");
    EXPECT_EQ(Attr("N1", ATTR_IS), "1");
    EXPECT_EQ(Part("N1")->pinNodes.size(), 4u);
    EXPECT_EQ(Attr("O1", ATTR_IO_MODEL), "IOMOD2");
    // The digital pins make digital nodes; the analog ones analog nodes.
    EXPECT_EQ(circuit->digitalNodeCount, 2);
    EXPECT_EQ(circuit->analogNodeCount, 3);
}

TEST_F(DeviceCardTest, DefinitionsAreSharedByTypeAndNamedPerRead) {
    ASSERT_EQ(Read("T\nR1 1 0 1\nR2 1 0 2\nC1 1 0 1P\nX1 1 0 S\nX2 1 0 S\n.SUBCKT S A B\nR1 A B 1\n.ENDS\n"), 0);
    EXPECT_EQ(Part("R1")->object.def, Part("R2")->object.def);
    EXPECT_EQ(Part("R1")->object.def->name, "R1$");
    EXPECT_EQ(Part("C1")->object.def->name, "C2$");
    EXPECT_NE(Part("X1")->object.def, Part("X2")->object.def);
    // A second read counts its definitions from 1 again.
    ASSERT_EQ(Read("T\nC1 1 0 1P\n"), 0);
    EXPECT_EQ(Part("C1")->object.def->name, "C1$");
}

// A loaded component library lends its definitions to card parts; types it lacks get one
// made for the circuit.
class LibraryDefinitionTest : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        ComponentLibrary& lib = ComponentLibraryTable().emplace_back();
        resistor = AddDef(lib, CT_RESISTOR, "Resistor", 2);
        dff = AddDef(lib, CT_DFF, "DFF", 6);
        AddDef(lib, CT_CAPACITOR, "Bent capacitor", 3);  // does not fit a capacitor card
    }
    void TearDown() override {
        FreeComponentLibraries();
        ClearComponentDefCache();
        TextCircuitTest::TearDown();
    }
    static ComponentDef* AddDef(ComponentLibrary& lib, int type, const char* name, int pins) {
        ComponentDef* d = lib.Add();
        d->type = type;
        d->name = name;
        SetPinCount(*d, pins);
        return d;
    }
    ComponentDef* resistor = nullptr;
    ComponentDef* dff = nullptr;
};

TEST_F(LibraryDefinitionTest, CardPartsTakeTheLibrarysDefinition) {
    ASSERT_EQ(Read("T\nR1 1 0 1\nR2 1 0 2\nC1 1 0 1P\nL1 1 0 1U\n"
                   "U1 DFF(1) $G_DPWR $G_DGND P C CL D Q QB DM IO\n"),
              0);
    EXPECT_EQ(Part("R1")->object.def, resistor);
    EXPECT_EQ(Part("R2")->object.def, resistor);
    EXPECT_EQ(Part("U1")->object.def, dff);
    // The library's capacitor has the wrong pin count: the circuit makes its own.
    EXPECT_EQ(Part("C1")->object.def->name, "C1$");
    EXPECT_EQ(Part("L1")->object.def->name, "L2$");
    EXPECT_EQ(resistor->PinCount(), 2);
}

TEST_F(LibraryDefinitionTest, CacheKeepsTheTenNewestUntilCleared) {
    ComponentLibrary& lib = ComponentLibraryTable().back();
    // Takes the definitions out of the library's list: only the cache can still find them.
    std::vector<std::unique_ptr<ComponentDef>> taken;
    auto takeAll = [&] {
        for (auto& d : lib.components) taken.push_back(std::move(d));
        lib.components.clear();
    };
    EXPECT_EQ(FindComponentDefGlobal(CT_RESISTOR), resistor);
    EXPECT_EQ(FindComponentDefGlobal(CT_NPN), nullptr);
    takeAll();
    EXPECT_EQ(FindComponentDefGlobal(CT_RESISTOR), resistor);
    EXPECT_EQ(FindComponentDefGlobal(0), nullptr);
    EXPECT_EQ(FindComponentDefGlobal(CT_RESISTOR), nullptr);

    // Eleven types found in turn: the first is pushed out, a hit does not reorder.
    std::vector<ComponentDef*> made;
    for (int t = 1; t <= 11; ++t) made.push_back(AddDef(lib, 200 + t, "X", 0));
    EXPECT_EQ(FindComponentDefGlobal(201), made[0]);
    for (int t = 2; t <= 11; ++t) EXPECT_EQ(FindComponentDefGlobal(200 + t), made[t - 1]);
    takeAll();
    EXPECT_EQ(FindComponentDefGlobal(201), nullptr);
    for (int t = 2; t <= 11; ++t) EXPECT_EQ(FindComponentDefGlobal(200 + t), made[t - 1]);
}

TEST_F(DeviceCardTest, TitleLineIsNeverACard) {
    ASSERT_EQ(Read("R1 1 0 1\nR2 1 0 2\n"), 0);
    EXPECT_EQ(Part("R1"), nullptr);
    EXPECT_NE(Part("R2"), nullptr);
    ASSERT_EQ(Read("title only"), 0);
    EXPECT_TRUE(circuit->parts.empty());
}

}  // namespace

namespace {

class DigitalCardTest : public TextCircuitTest {};

TEST_F(DigitalCardTest, GatesAndGateArrays) {
    ASSERT_EQ(Read("T\nU1 AND(2) $G_DPWR $G_DGND A B Y DLY IO_STD MNTYMXDLY=2\n"), 0) << FirstReport();
    ASSERT_EQ(circuit->parts.size(), 1u);
    const NetlistPart* u = Part("U1");
    EXPECT_EQ(u->type, CT_AND);
    EXPECT_EQ(u->pinNodes.size(), 3u);
    EXPECT_EQ(Attr("U1", ATTR_POWER_NODE), "$G_DPWR");
    EXPECT_EQ(Attr("U1", ATTR_GROUND_NODE), "$G_DGND");
    EXPECT_EQ(Attr("U1", ATTR_TIMING_MODEL), "DLY");
    EXPECT_EQ(Attr("U1", ATTR_IO_MODEL), "IO_STD");
    EXPECT_EQ(Attr("U1", ATTR_MNTYMXDLY), "2");
    EXPECT_EQ(Attr("U1", ATTR_FROMSPICE), "");
    EXPECT_EQ(circuit->digitalNodeCount, 3);
    EXPECT_EQ(circuit->analogNodeCount, 0);

    // Two inputs and four gates: twelve nodes, four parts sharing one definition.
    ASSERT_EQ(Read("T\nU2 ANDA(2,4) P G A1 B1 A2 B2 A3 B3 A4 B4 Y1 Y2 Y3 Y4 DLY IO\n"), 0) << FirstReport();
    ASSERT_EQ(circuit->parts.size(), 4u);
    const char* names[] = {"U2", "U2__1", "U2__2", "U2__3"};
    for (int g = 0; g < 4; ++g) {
        const NetlistPart* p = Part(names[g]);
        ASSERT_NE(p, nullptr) << names[g];
        EXPECT_EQ(p->object.def, Part("U2")->object.def);
        EXPECT_EQ(p->type, CT_AND);
        const std::string k = std::to_string(g + 1);
        EXPECT_EQ(p->pinNodes[0], Node("A" + k));
        EXPECT_EQ(p->pinNodes[1], Node("B" + k));
        EXPECT_EQ(p->pinNodes[2], Node("Y" + k));
        EXPECT_EQ(PartAttr(*p, ATTR_TIMING_MODEL), "DLY");
    }
}

TEST_F(DigitalCardTest, FlipFlopsExpressionsAndStimuli) {
    ASSERT_EQ(Read("T\nU1 DFF(2) P G PRE CLR CLK D1 D2 Q1 Q2 QB1 QB2 DLY IO\n"), 0) << FirstReport();
    ASSERT_EQ(circuit->parts.size(), 2u);
    EXPECT_EQ(Part("U1")->pinNodes[0], Part("U1__1")->pinNodes[0]);
    EXPECT_EQ(Part("U1")->pinNodes[3], Node("D1"));
    EXPECT_EQ(Part("U1__1")->pinNodes[3], Node("D2"));
    EXPECT_EQ(Part("U1__1")->pinNodes[4], Node("Q2"));

    ASSERT_EQ(Read("T\nU3 LOGICEXP(2,1) P G A B Y D0 IO LOGIC: Y = {A & B}\n"), 0) << FirstReport();
    EXPECT_EQ(Part("U3")->type, CT_LOGICEXP);
    EXPECT_EQ(Part("U3")->pinNodes.size(), 3u);
    EXPECT_EQ(Part("U3")->object.def->pins[2].text[0], 'o');
    EXPECT_FALSE(Attr("U3", ATTR_LOGIC).empty());

    ASSERT_EQ(Read("T\nU4 STIM(1,1) P G OUT IO TIMESTEP=10NS 0S 0 10NS 1\n"), 0) << FirstReport();
    EXPECT_EQ(Attr("U4", ATTR_TIMESTEP), "10NS");
    EXPECT_EQ(Attr("U4", ATTR_FORMAT), "1");
    EXPECT_EQ(Attr("U4", ATTR_COMMAND), "0S 0 10NS 1");
}

TEST_F(DigitalCardTest, Errors) {
    const struct {
        const char* card;
        int id;
    } cases[] = {
        {"U1 FROB P G A Y D IO", 10910},      {"U1 AND 2 P G A B Y D IO", 11900},
        {"U1 AND(X) P G A B Y D IO", 10922}, {"U1 ANDA(2 4) P G A B Y D IO", 11900},
        {"U1 AND(2 P G A B Y D IO", 11900},  {"U1 BUFA(0) P G D IO", 10913},
        {"U1 AND(2) P G A B", 10908},        {"U1 LOGICEXP(1,1) P G 0 Y D IO", 10923},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Read(std::string("T\n") + c.card + "\n"), kMsgReported) << c.card;
        EXPECT_EQ(FirstReport(), c.id) << c.card;
    }
}

}  // namespace
