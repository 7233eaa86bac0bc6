// Bad input: every error is the reader's message with the line it lies on, never a
// crash or a hang.

#include <string>

#include "libraries/component_types.h"
#include "netlist/compiler/circuit_compiler.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

struct ErrorCase {
    const char* name;
    std::string text;
    int id;
    int line;  // 1-based line of the "Line:" label, 0 when the report names none
};

class ReaderErrorTest : public TextCircuitTest {};

TEST_F(ReaderErrorTest, MessagesNameTheLine) {
    const ErrorCase cases[] = {
        {"too few nodes", "T\nR1 1\n", 10908, 2},
        {"unknown letter", "T\nR1 1 0 1\nA1 1 2\n", 10905, 3},
        {"unknown dot command", "T\n.FOO 1\n", 10905, 2},
        {"define is schematic-only", "T\n.DEFINE X 1\n", 10905, 2},
        {"subcircuit keyword run on", "T\n.SUBCKTX A B\n", 10905, 2},
        {"ends outside", "T\nR1 1 0 1\n.ENDS\n", 10931, 0},
        {"unterminated subcircuit", "T\nX1 1 0 AMP\n.SUBCKT AMP A B\nR1 A B 1\n", 10918, 3},
        {"recursive subcircuit", "T\nX1 1 0 LOOP\n.SUBCKT LOOP A B\nX2 A B LOOP\n.ENDS\n", 10878, 4},
        {"missing subcircuit", "T\nX1 1 0 NOWHERE\n", 10903, 2},
        {"too many nodes passed", "T\nX1 1 2 3 AMP\n.SUBCKT AMP A B\nR1 A B 1\n.ENDS\n", 10909, 0},
        {"too few nodes passed", "T\nX1 1 AMP\n.SUBCKT AMP A B\nR1 A B 1\n.ENDS\n", 10919, 0},
        {"grounded header node", "T\nX1 1 2 AMP\n.SUBCKT AMP A 0\nR1 A 0 1\n.ENDS\n", 10953, 3},
        {"undeclared call parameter",
         "T\nX1 1 0 AMP PARAMS: G=2\n.SUBCKT AMP A B PARAMS: R=1\nR1 A B {R}\n.ENDS\n", 10930, 2},
        {"duplicate call parameter",
         "T\nX1 1 0 AMP PARAMS: R=2 R=3\n.SUBCKT AMP A B PARAMS: R=1\nR1 A B {R}\n.ENDS\n", 10929, 2},
        {"call parameter that is no expression",
         "T\nX1 1 0 AMP PARAMS: R={2*}\n.SUBCKT AMP A B PARAMS: R=1\nR1 A B {R}\n.ENDS\n", 10403, 2},
        {"call without name", "T\nX1\n", 11900, 2},
        {"unknown print analysis", "T\n.PRINT FOO V(1)\n", 10917, 2},
        {"chebyshev", "T\nE1 1 0 CHEBYSHEV {V(2)} = LP 1 2 3 4\n", 10902, 2},
        {"value without brace", "T\nE1 1 0 VALUE = V(2)\n", 11900, 2},
        {"value without closing brace", "T\nG1 1 0 VALUE = { V(2)\n", 11900, 2},
        {"digital input without DGTLNET", "T\nN1 1 0 2 DIN FOO\n", 11902, 2},
        {"unbalanced bracket node", "T\nR1 [A 0 1\n", 11900, 2},
        {"second .TR", "T\n.TR 1N 1U\n.TR 1N 2U\n", 10940, 3},
        {".TR odd values", "T\n.TR 1N 1U 2N\n", 10941, 2},
        {".TR decreasing times", "T\n.TR 1N 2U 1N 1U\n", 10942, 2},
        {".TR zero step", "T\n.TR 0 1U\n", 10943, 2},
        {".TR negative time", "T\n.TR 1N -1U\n", 10944, 2},
        {"include with one quote", "T\n.INC \"x.lib\n", 15047, 2},
    };
    for (const ErrorCase& c : cases) {
        EXPECT_EQ(Read(c.text, kTransient), kMsgReported) << c.name;
        ASSERT_FALSE(reports.reports.empty()) << c.name;
        EXPECT_EQ(FirstReport(), c.id) << c.name;
        if (c.line) {
            EXPECT_EQ(ReportLine("Line:"), std::to_string(c.line)) << c.name;
        }
    }
}

TEST_F(ReaderErrorTest, DistoIsAWarningAndReadingGoesOn) {
    EXPECT_EQ(Read("T\n.PRINT DISTO HD2\nR1 1 0 1\n", kTransient), 0);
    EXPECT_EQ(FirstReport(), 10911);
    EXPECT_NE(Part("R1"), nullptr);
}

TEST_F(ReaderErrorTest, IncludeFiles) {
    Write("models.inc", ".MODEL DX D(IS=1E-14)\nR2 2 0 1K\n.END\nR3 3 0 1K\n");
    EXPECT_EQ(Read("T\n.INC models.inc\nR1 1 2 1K\n.END\nR9 9 0 1\n"), 0) << FirstReport();
    // .END in the include ends only the include; .END of the netlist ends the read.
    EXPECT_NE(Part("R1"), nullptr);
    EXPECT_NE(Part("R2"), nullptr);
    EXPECT_EQ(Part("R3"), nullptr);
    EXPECT_EQ(Part("R9"), nullptr);
    ASSERT_EQ(circuit->tables.models.size(), 1u);
    EXPECT_TRUE(circuit->tables.models[0].included);
    EXPECT_EQ(circuit->tables.models[0].sourceName, Path("models.inc"));

    // An include file without a line end at its end still delivers its last line.
    Write("last.inc", "R5 5 0 1");
    EXPECT_EQ(Read("T\n.INCLUDE \"last.inc\"\nR6 6 0 1\n"), 0);
    EXPECT_NE(Part("R5"), nullptr);
    EXPECT_NE(Part("R6"), nullptr);

    // Missing file: the open's error with the line of the statement.
    EXPECT_EQ(Read("T\nR1 1 0 1\n.INC nowhere.inc\n"), kMsgReported);
    EXPECT_NE(FirstReport(), 0);
    EXPECT_EQ(ReportLine("Line:"), "3");

    // An include of itself nests until the depth limit refuses it.
    Write("self.inc", "R1 1 0 1\n.INC self.inc\n");
    EXPECT_EQ(Read("T\n.INC self.inc\n"), kMsgReported);
    EXPECT_EQ(FirstReport(), 10907);
}

TEST_F(ReaderErrorTest, LibrariesNamingEachOtherAreSearchedOnce) {
    // A library that names a second one, which names the first again: the search ends
    // and finds the model of the second.
    Write("a.lib", ".LIB \"" + Path("b.lib") + "\"\n.MODEL QA NPN(BF=50)\n");
    Write("b.lib", ".LIB \"" + Path("a.lib") + "\"\n.MODEL QB PNP(BF=80)\n");
    ASSERT_EQ(Read("T\n.LIB \"" + Path("a.lib") + "\"\nQ1 1 2 0 QB\nQ2 1 2 0 QA\n"), 0) << FirstReport();
    EXPECT_EQ(Part("Q1")->type, CT_PNP);
    EXPECT_EQ(Part("Q2")->type, CT_NPN);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(ReaderErrorTest, FourteenNestedIncludesAreAccepted) {
    for (int i = 1; i <= 15; ++i)
        Write("n" + std::to_string(i) + ".inc",
              "R" + std::to_string(i) + " " + std::to_string(i) + " 0 1\n.INC n" + std::to_string(i + 1) + ".inc\n");
    Write("n15.inc", "R15 15 0 1\n");
    EXPECT_EQ(Read("T\n.INC n1.inc\n"), kMsgReported);
    EXPECT_EQ(FirstReport(), 10907);
    Write("n14.inc", "R14 14 0 1\n");
    EXPECT_EQ(Read("T\n.INC n1.inc\n"), 0) << FirstReport();
    EXPECT_NE(Part("R14"), nullptr);
}

TEST_F(ReaderErrorTest, HostileTextsEndWithoutCrash) {
    std::string binary = "\x7f" "ELF\x02\x01\x01";
    for (int i = 0; i < 4000; ++i) binary += static_cast<char>((i * 7919) & 0xff);
    EXPECT_EQ(Read(binary), kMsgReported);
    EXPECT_EQ(FirstReport(), 10905);

    // A node name of 10,000 characters is one node, found again by its name.
    const std::string longName(10000, 'N');
    EXPECT_EQ(Read("T\nR1 " + longName + " 0 1K\nR2 " + longName + " 0 2K\n"), 0);
    EXPECT_EQ(Part("R1")->pinNodes[0], Part("R2")->pinNodes[0]);
    EXPECT_EQ(circuit->analogNodeCount, 1);

    // Numbers out of range or malformed stay value texts for the builders; the
    // analysis statements read them without failing.
    EXPECT_EQ(Read("T\nR1 1 0 1E999\nR2 1 0 1..2\n.TRAN 1..2 1E999\n", kTransient), 0);
    EXPECT_EQ(Attr("R1", ATTR_VALUE), "1E999");
    EXPECT_EQ(Attr("R2", ATTR_VALUE), "1..2");
    // The compile reports such a value against its card and line.
    for (const char* value : {"1E999", "1..2"}) {
        SCOPED_TRACE(value);
        ASSERT_EQ(Read(std::string("T\nV1 1 0 DC 1\nR1 1 0 ") + value + "\n", kTransient), 0);
        EXPECT_EQ(CompileCircuit(*circuit, CompileSettings{}, nullptr), kMsgReported);
        EXPECT_EQ(ReportLine("Part:"), "R1");
        EXPECT_EQ(ReportLine("Line:"), "3");
        ClearCompiledDevices();
    }
}

}  // namespace
