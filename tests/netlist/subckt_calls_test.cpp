// Subcircuit calls, the node table and the name tries, initial conditions.

#include "libraries/component_types.h"
#include "netlist/name_tries.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

class SubcktTest : public TextCircuitTest {
protected:
    const NetlistPart* ScopedPart(int scope, const std::string& name) const {
        for (const NetlistPart& p : circuit->parts)
            if (p.scope == scope && PartAttr(p, ATTR_PART) == name) return &p;
        return nullptr;
    }
};

TEST_F(SubcktTest, HeaderDefaultsAndCallOverrides) {
    ASSERT_EQ(Read("T\nX1 1 0 DIV\nX2 2 0 DIV PARAMS: RA=5K\n"
                   ".SUBCKT DIV A B PARAMS: RA=1K RB={2*RA}\nR1 A M {RA}\nR2 M B {RB}\n.ENDS DIV\n"),
              0)
        << FirstReport();
    std::string ra2, ra3;
    ASSERT_EQ(SubstituteDefines(circuit->tables, ra2, 2, "{RA}", false), 0);
    ASSERT_EQ(SubstituteDefines(circuit->tables, ra3, 3, "{RA}", false), 0);
    EXPECT_EQ(ra2, "{1K}");
    EXPECT_EQ(ra3, "{5K}");
    // Each call's inner node is its own; scoped names carry the call's name.
    EXPECT_NE(Node("M", 2), Node("M", 3));
    EXPECT_EQ(circuit->nodes.entries.size(), 9u);  // 0, 1, 2 and A, B, M of each call
    EXPECT_EQ(ScopedPart(2, "R1")->pinNodes[0], Node("1"));
    EXPECT_EQ(ScopedPart(3, "R1")->pinNodes[0], Node("2"));
}

TEST_F(SubcktTest, TextParametersAndTheirDefaults) {
    ASSERT_EQ(Read("T\nX1 1 0 SRC\nX2 1 0 SRC TEXT: SOURCE=WAVE2\n"
                   ".SUBCKT SRC A B TEXT: SOURCE=WAVE1 PARAMS: R=1K\nR1 A B {R}\n.ENDS\n"),
              0)
        << FirstReport();
    // The calls are the first two parts; each holds the header's value in force for it.
    NetlistPart& x1 = circuit->parts[0];
    NetlistPart& x2 = circuit->parts[1];
    EXPECT_EQ(PartAttrByName(x1, "$.T SOURCE"), "WAVE1");
    EXPECT_EQ(PartAttrByName(x2, "$.T SOURCE"), "WAVE2");
    EXPECT_EQ(PartAttrByName(x2, "$XT SOURCE"), "WAVE2");
    // The text parameter is a symbol of each call's scope.
    std::string s2, s3;
    ASSERT_EQ(SubstituteDefines(circuit->tables, s2, 2, "{SOURCE}", false), 0);
    ASSERT_EQ(SubstituteDefines(circuit->tables, s3, 3, "{SOURCE}", false), 0);
    EXPECT_EQ(s2, "{WAVE1}");
    EXPECT_EQ(s3, "{WAVE2}");
    // A text section the header does not declare is refused like a parameter.
    EXPECT_EQ(Read("T\nX1 1 0 SRC TEXT: OTHER=A\n.SUBCKT SRC A B TEXT: SOURCE=W\nR1 A B 1\n.ENDS\n"), kMsgReported);
    EXPECT_EQ(FirstReport(), 10930);
}

TEST_F(SubcktTest, DigitalKeywordValuesTakeTheCallsHeaderParameters) {
    ASSERT_EQ(Read("T\nX1 1 2 3 NAND2\nX2 1 2 4 NAND2 PARAMS: MNTYMXDLY=3\n"
                   "U9 NAND(2) $G_DPWR $G_DGND 1 2 5 D0_GATE IO_STD MNTYMXDLY={MNTYMXDLY}\n"
                   ".SUBCKT NAND2 A B Y PARAMS: MNTYMXDLY=0 IO_LEVEL=1\n"
                   "U1 NAND(2) $G_DPWR $G_DGND A B Y D0_GATE IO_STD MNTYMXDLY={MNTYMXDLY}"
                   " IO_LEVEL={ IO_LEVEL * 2 }\n.ENDS\n"),
              0)
        << FirstReport();
    // The header default, the call's override, and outside a body the name as written.
    EXPECT_EQ(PartAttr(*ScopedPart(2, "U1"), ATTR_MNTYMXDLY), "(0)");
    EXPECT_EQ(PartAttr(*ScopedPart(3, "U1"), ATTR_MNTYMXDLY), "(3)");
    // Names that are tokens of their own are replaced; the group keeps its other tokens.
    EXPECT_EQ(PartAttr(*ScopedPart(3, "U1"), ATTR_IO_LEVEL), "(1*2)");
    EXPECT_EQ(Attr("U9", ATTR_MNTYMXDLY), "(MNTYMXDLY)");
}

TEST_F(SubcktTest, ACallNamingAFileFindsTheDefinitionThere) {
    // A subcircuit part whose FILE names a library file (as a schematic's part does): the
    // calling text lacks the definition, the named file holds it.
    Write("parts.lib", "* parts\n.SUBCKT LOAD A B\nR1 A B 2K\n.ENDS\n");
    page = std::make_unique<StringTextPage>(services.title, "T\nX1 1 0 LOAD\nV1 1 0 1\n");
    circuit = std::make_unique<NetlistCircuit>(services, *page);
    ASSERT_EQ(BeginNetlistRead(*circuit), 0);
    ASSERT_EQ(ReadSpiceNetlist(*circuit), 0);
    circuit->parts[0].object.SetAttr(ATTR_FILE, Path("parts.lib"));
    EXPECT_EQ(ExpandSubcktCalls(*circuit), 0) << FirstReport();
    EndNetlistRead(*circuit);
    const NetlistPart* r1 = ScopedPart(2, "R1");
    ASSERT_NE(r1, nullptr);
    EXPECT_EQ(PartAttr(*r1, ATTR_VALUE), "2K");
    EXPECT_EQ(circuit->tables.scopes[2].filePath, Path("parts.lib"));
}

TEST_F(SubcktTest, OptionalNodesAndGlobalNames) {
    const std::string defs =
        ".SUBCKT GATE IN OUT OPTIONAL: DPWR=$G_DPWR\nR1 IN OUT 1K\nR2 OUT DPWR 10K\nR3 OUT $G_X 1\n.ENDS\n";
    ASSERT_EQ(Read("T\nX1 1 2 GATE\nX2 3 4 9 GATE\nR9 $G_DPWR 0 1\nR8 $G_X 0 1\n" + defs), 0) << FirstReport();
    // Without the extra node DPWR is the global node; with it, the caller's node.
    EXPECT_EQ(ScopedPart(2, "R2")->pinNodes[1], Node("$G_DPWR"));
    EXPECT_EQ(ScopedPart(3, "R2")->pinNodes[1], Node("9"));
    // "$G_" names are one node in every scope.
    EXPECT_EQ(ScopedPart(2, "R3")->pinNodes[1], Part("R8")->pinNodes[0]);
    EXPECT_EQ(ScopedPart(3, "R3")->pinNodes[1], Part("R8")->pinNodes[0]);
}

TEST_F(SubcktTest, NestedDefinitionsAndCallsFromBodies) {
    ASSERT_EQ(Read("T\nX1 1 0 OUTER\n"
                   ".SUBCKT OUTER A B\nX5 A N INNER\nX6 N B INNER\n"
                   ".SUBCKT INNER P Q\nR1 P Q 1K\n.ENDS INNER\n.ENDS OUTER\n"),
              0)
        << FirstReport();
    // X1, X5, X6 and two inner resistors.
    EXPECT_EQ(circuit->parts.size(), 5u);
    EXPECT_EQ(circuit->tables.scopes[3].scopeName, "X1.X5");
    const NetlistPart* r5 = ScopedPart(3, "R1");
    const NetlistPart* r6 = ScopedPart(4, "R1");
    ASSERT_NE(r5, nullptr);
    ASSERT_NE(r6, nullptr);
    EXPECT_EQ(r5->pinNodes[0], Node("1"));
    EXPECT_EQ(r5->pinNodes[1], r6->pinNodes[0]);
    EXPECT_EQ(r6->pinNodes[1], 0);
    EXPECT_EQ(circuit->analogNodeCount, 2);
}

TEST_F(SubcktTest, DefinitionInAnIncludeFileAndPolarityInBodies) {
    Write("amp.inc", ".SUBCKT PAIR C B E\nQ1 C B E QP\n.MODEL QP PNP\n.ENDS\n");
    ASSERT_EQ(Read("T\n.INC amp.inc\nX1 1 2 0 PAIR\n"), 0) << FirstReport();
    const NetlistPart* q = ScopedPart(2, "Q1");
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->type, CT_PNP);
    EXPECT_EQ(circuit->tables.scopes[2].filePath, Path("amp.inc"));
}

TEST_F(SubcktTest, NodeTableRules) {
    ASSERT_EQ(Read("T\nR1 [A] 0 1\nR2 A 0 1\nU3 BUF $G_DPWR $G_DGND $D_NC X DLY IO\n"
                   "U4 BUF $G_DPWR $G_DGND $D_NC Y DLY IO\n"),
              0);
    // A bracketed name is the same node; every "$D_NC" is a node of its own.
    EXPECT_EQ(Part("R1")->pinNodes[0], Part("R2")->pinNodes[0]);
    EXPECT_NE(Part("U3")->pinNodes[0], Part("U4")->pinNodes[0]);
    EXPECT_EQ(circuit->analogNodeCount, 1);
    // Names with characters outside the trie's set are still found again.
    ASSERT_EQ(Read("T\nR1 OUT<1> 0 1\nR2 OUT<1> 0 2\n"), 0);
    EXPECT_EQ(Part("R1")->pinNodes[0], Part("R2")->pinNodes[0]);

    // Analog and digital nodes are numbered from 1 each, in table order, and the digital
    // constant nodes keep their numbers.
    ASSERT_EQ(Read("T\nU1 AND(2) $G_DPWR $G_DGND $D_HI A Y DLY IO\nR2 B 0 1\n"
                   "U2 BUF $G_DPWR $G_DGND $D_LO Z DLY IO\n"),
              0)
        << FirstReport();
    EXPECT_EQ(circuit->digitalNodeCount, 5);
    EXPECT_EQ(circuit->analogNodeCount, 1);
    EXPECT_EQ(Part("U1")->pinNodes, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Part("U2")->pinNodes, (std::vector<int>{4, 5}));
    EXPECT_EQ(Part("R2")->pinNodes[0], 1);
    EXPECT_EQ(circuit->digitalHighNode, 1);
    EXPECT_EQ(circuit->digitalLowNode, 4);
    EXPECT_EQ(circuit->digitalUnknownNode, 0);
}

TEST_F(SubcktTest, InitialConditionsResolve) {
    ASSERT_EQ(Read("T\nR1 1 0 1\nL1 1 2 1M\nR2 2 0 1\n.IC V(1)=2 I(L1)=1M\n.NODESET V(1)=5 V(2)=1\n.IC V(1)=3\n"), 0);
    ASSERT_EQ(ResolveInitialConditions(*circuit), 0) << FirstReport();
    const auto& ics = circuit->initialConditions;
    ASSERT_EQ(ics.size(), 3u);
    EXPECT_EQ(ics[0].letter, 'V');
    EXPECT_DOUBLE_EQ(ics[0].value, 3);  // the second .IC replaced the first; the node set did not
    EXPECT_EQ(ics[0].kind, 1);
    EXPECT_EQ(ics[1].letter, 'I');
    EXPECT_DOUBLE_EQ(ics[1].value, 1e-3);
    EXPECT_EQ(ics[2].node1, Node("2"));
    EXPECT_EQ(ics[2].kind, 2);
    EXPECT_TRUE(circuit->nodeSetsPresent);

    // A capacitor's IC= adds its own entry without any .IC statement.
    ASSERT_EQ(Read("T\nC1 1 2 1U IC=2\nL1 2 0 1M IC=5M\nR1 1 0 1\n"), 0);
    ASSERT_EQ(ResolveInitialConditions(*circuit), 0);
    ASSERT_EQ(circuit->initialConditions.size(), 2u);
    EXPECT_EQ(circuit->initialConditions[0].letter, 'V');
    EXPECT_DOUBLE_EQ(circuit->initialConditions[0].value, 2);
    EXPECT_EQ(circuit->initialConditions[0].node2, Node("2"));
    EXPECT_EQ(circuit->initialConditions[0].kind, 0);
    EXPECT_EQ(circuit->initialConditions[1].letter, 'I');
    EXPECT_DOUBLE_EQ(circuit->initialConditions[1].value, 5e-3);
    EXPECT_TRUE(circuit->initialConditionsPresent);

    struct Case {
        const char* statement;
        int id;
    } bad[] = {{".IC V(9)=1", 10924}, {".IC I(R1)=1", 10926}, {".IC V(1)=X", 10927},
               {".IC V 1", 11900},    {".IC V(1)=1 JUNK", 11903}, {".IC D(1)=Q", 10925}};
    for (const Case& c : bad) {
        ASSERT_EQ(Read(std::string("T\nR1 1 0 1\n") + c.statement + "\n"), 0);
        EXPECT_EQ(ResolveInitialConditions(*circuit), kMsgReported) << c.statement;
        EXPECT_EQ(FirstReport(), c.id) << c.statement;
    }
}

TEST(NameTries, SharedPathsAndRules) {
    NameTrie trie;
    trie.Insert("R1", 1);
    trie.Insert("R10", 10);
    EXPECT_EQ(trie.Lookup("R1"), 1);
    EXPECT_EQ(trie.Lookup("R10"), 10);
    EXPECT_EQ(trie.Lookup("R"), -1);
    EXPECT_EQ(trie.Lookup("r1"), -1);  // callers upper-case names first
    EXPECT_EQ(trie.Lookup("R 1"), -1);
    EXPECT_EQ(trie.InnerNodeCount(), 2);
    trie.Clear();
    EXPECT_EQ(trie.Lookup("R1"), -1);
    EXPECT_EQ(trie.InnerNodeCount(), 0);

    EXPECT_EQ(HasIllegalNameChar("R$1+", false), 0);
    EXPECT_EQ(HasIllegalNameChar("R.1", false), 1);
    EXPECT_EQ(HasIllegalNameChar("R.1", true), 0);
    EXPECT_EQ(HasIllegalNameChar("", false), 1);
    EXPECT_EQ(IsIllegalIdentifier("_A1"), 0);
    EXPECT_EQ(IsIllegalIdentifier("1A"), 1);
    EXPECT_EQ(IsIllegalIdentifier("A-1"), 1);
}

// A part's texts are substituted in the part's own scope; names carry the call's scope.
TEST_F(SubcktTest, PartTextsInThePartsScope) {
    ASSERT_EQ(Read("T\nX1 1 0 DIV\nX2 2 0 DIV PARAMS: RA=5K\nr9 1 0 1\n.FUNC SQ(X) {X*X}\n"
                   ".SUBCKT DIV A B PARAMS: RA=1K\nR1 A B {RA}\n.ENDS DIV\n"),
              0)
        << FirstReport();
    const NetlistPart* inner = ScopedPart(3, "R1");
    ASSERT_NE(inner, nullptr);
    int error = -1;
    EXPECT_EQ(GetPartTextExpanded(circuit->tables, *inner, ATTR_VALUE, &error), "{ 5K }");
    EXPECT_EQ(error, 0);
    EXPECT_EQ(GetPartText(*circuit, *ScopedPart(2, "R1"), ATTR_VALUE, &error), "{ 1K }");
    EXPECT_EQ(GetPartText(*circuit, *inner, ATTR_MODEL, &error), "");  // no such attribute
    EXPECT_EQ(error, 0);
    EXPECT_EQ(GetScopedPartName(circuit->tables, *inner), "X2.R1");
    const NetlistPart* outer = ScopedPart(1, "R9");
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(GetScopedPartName(circuit->tables, *outer), "R9");
    NetlistPart bad = *outer;
    bad.object.SetAttr(ATTR_PART, "r9a");
    EXPECT_EQ(GetPartNameUpper(bad), "R9A");
    // A substitution that fails is returned, reported once.
    bad.object.SetAttr(ATTR_VALUE, "{SQ(3,4)}");
    reports.reports.clear();
    GetPartText(*circuit, bad, ATTR_VALUE, &error);
    EXPECT_EQ(error, kMsgReported);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].id, 10884);
    bad.object.attrs.clear();
    EXPECT_EQ(GetScopedPartName(circuit->tables, bad), "");
}

TEST_F(SubcktTest, PartsFoundByScopedName) {
    ASSERT_EQ(Read("T\nR1 1 0 1\nX1 1 0 S\n.SUBCKT S A B\nR1 A B 2\n.ENDS\n"), 0);
    // Before the trie is filled the object list is walked.
    EXPECT_EQ(FindPartByName(*circuit, "r1", 1), 0);
    const int inner = FindPartByName(*circuit, "X1.R1", -1);
    ASSERT_GE(inner, 0);
    EXPECT_EQ(circuit->parts[inner].scope, 2);
    InsertPartNames(*circuit);
    EXPECT_EQ(FindPartByName(*circuit, "R1", 2), inner);
    EXPECT_EQ(FindPartByName(*circuit, "X1.R1", -1), inner);
    EXPECT_EQ(FindPartByName(*circuit, "R7", 1), -1);
}

}  // namespace

namespace {

TEST_F(SubcktTest, PartNameChecks) {
    ASSERT_EQ(Read("T\nR1 1 0 1\n1R 1 0 2\n"), kMsgReported);  // a card must begin with a letter
    ASSERT_EQ(Read("T\nR1 1 0 1\nR2 1 0 2\n"), 0);
    InsertPartNames(*circuit);
    const struct {
        const char* name;
        int flags;
        int part;
        int result;
        int id;
    } cases[] = {
        {"R1", 0x1A2, 1, 1, 10898},     // duplicate of a part
        {"R1", 0x28, -1, 0, 0},         // no duplicate check
        {"R9", 0x1A2, 1, 0, 0},         // good
        {"1R", 0x1A2, 1, 1, 10900},     // a netlist part lies on no page: no question
        {"R.1", 0x28, -1, 1, 10897},
        {"R.1", 0x68, -1, 0, 0},        // '.' allowed
        {"PI", 0x28, -1, 1, 10889},     // reserved, not the duplicate message
        {"R1", 0x2A, -1, 1, 10896},     // duplicate of a text line's name
        {"R$1+", 0x08, -1, 0, 0},
        {"A B", 0x08, -1, 1, 0},        // silent without 0x20
    };
    for (const auto& c : cases) {
        reports.reports.clear();
        bool rename = false;
        EXPECT_EQ(CheckPartName(*circuit, c.name, 1, c.flags, c.part, true, &rename) != 0, c.result != 0)
            << c.name << " " << c.flags;
        EXPECT_EQ(FirstReport(), c.id) << c.name << " " << c.flags;
        EXPECT_FALSE(rename);
    }
}

}  // namespace

namespace {

TEST_F(SubcktTest, PolarityFromALibraryModel) {
    Write("BJT.LIB", ".MODEL QLIB PNP(BF=50)\n.MODEL MLIB PMOS(VTO=-1)\n");
    ASSERT_EQ(Read("T\n.LIB BJT.LIB\nQ1 1 2 3 QLIB\nM1 1 2 3 3 MLIB\nQ2 1 2 3 4 QLIB\n"), 0) << FirstReport();
    EXPECT_EQ(Part("Q1")->type, CT_PNP);
    EXPECT_EQ(Part("M1")->type, CT_PMOS);
    EXPECT_EQ(Part("Q2")->type, CT_PNP4);
    EXPECT_EQ(circuit->tables.models.size(), 2u);
}

}  // namespace
