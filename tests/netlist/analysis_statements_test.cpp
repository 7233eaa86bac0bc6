// Analysis statements built from the set-up, the rewrite of a text page, and the
// text-page line operations.

#include <cmath>

#include "circuit/analysis_setup.h"
#include "netlist/analysis_statements.h"
#include "netlist/text_page_ops.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

class StatementWriterTest : public TextCircuitTest {};

TEST_F(StatementWriterTest, BuildersFromLimits) {
    ASSERT_EQ(Read("T\n"), 0);
    auto& a = circuit->analysis;
    a.transient.timeRange = "10";
    a.transient.numberOfPoints = "0";
    a.flags[kTransient] = 0;
    EXPECT_EQ(BuildTranStatement(*circuit), ".TRAN 0.2 10 0 UIC");
    a.transient.timeRange = "10m,10m";
    a.flags[kTransient] = kFlagOperatingPoint;
    EXPECT_EQ(BuildTranStatement(*circuit), ".TRAN 0 0.01 0.01 ");

    a.ac.frequencyRange = "10K,10";
    a.ac.numberOfPoints = "32";
    a.flags[kAc] = kStepLog;
    EXPECT_EQ(BuildAcStatement(*circuit), ".AC DEC 11 10 10000");
    a.ac.frequencyRange = "10K,0";
    EXPECT_EQ(BuildAcStatement(*circuit), ".AC DEC 11 0 10000");
    a.ac.frequencyRange = "10K,10";
    a.ac.numberOfPoints = "0";
    a.flags[kAc] = kStepLinear;
    EXPECT_EQ(BuildAcStatement(*circuit), ".AC LIN 51 10 10000");
    a.ac.numberOfPoints = "1E20";  // a count beyond an int is clamped, not undefined
    EXPECT_EQ(BuildAcStatement(*circuit), ".AC LIN 2147483647 10 10000");

    const struct {
        bool list;
        const char* text;
        const char* statement;
    } temps[] = {{false, "100,0,25", ".TEMP 0 25 50 75 100"}, {false, "0,100,-25", ".TEMP 0 25 50 75 100"},
                 {false, "100,0,30", ".TEMP 0 30 60 90 100"},  {true, "100,0,25", ".TEMP 100 0 25"},
                 {false, "junk", ".TEMP 27"},                  {false, "50", ".TEMP 50"},
                 {false, "50,0", ".TEMP 0 50"},                {false, "100,0,0", ".TEMP 0"}};
    for (const auto& t : temps) EXPECT_EQ(BuildTempStatement(t.list, t.text), t.statement) << t.text;

    a.dc.name1 = "V1";
    a.dc.range1 = "5,0,0.1";
    a.dc.method1 = kStepLinear;
    a.dc.method2 = 0;
    EXPECT_EQ(BuildDcStatement(*circuit), ".DC LIN V1 0 5 0.1");
    a.dc.range1 = "1,2,5";
    a.dc.method1 = kStepList;
    a.dc.name2 = "V2";
    a.dc.range2 = "5,1,0";
    a.dc.method2 = kStepLinear;
    EXPECT_EQ(BuildDcStatement(*circuit), ".DC V1 LIST 1 2 5 LIN V2 1 5 0.08");

    a.ac.noiseOutput = "C";
    a.ac.noiseInput = "vin";
    EXPECT_EQ(BuildNoiseStatement(*circuit), ".NOISE V([C]) VIN 10\n");
    a.ac.noiseOutput = "5,3";
    EXPECT_EQ(BuildNoiseStatement(*circuit), ".NOISE V(5,3) VIN 10\n");
}

TEST_F(StatementWriterTest, LongOutputStatementsContinue) {
    std::string text = "T\n.PLOT TRAN";
    for (int i = 0; i < 20; ++i) text += " V(NODE" + std::to_string(i) + ")";
    ASSERT_EQ(Read(text + "\n", kTransient), 0);
    int continuations = 0;
    const std::string s = BuildOutputStatement(*circuit, kTransient, true, true, false, &continuations, '1', 80);
    EXPECT_GT(continuations, 0);
    size_t start = 0;
    for (size_t nl = s.find('\n'); ; nl = s.find('\n', start)) {
        const size_t end = nl == std::string::npos ? s.size() : nl;
        EXPECT_LE(end - start, 82u);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
}

// Reads a text, rewrites its statements for the analysis and reads the result again:
// the analysis set-up is the same, and every line outside the statements is unchanged.
void ExpectSameSetUp(const NetlistAnalysisSetup& a, const NetlistAnalysisSetup& b, int kind) {
    auto num = [](const std::string& s) { return ParseNumber(s.c_str(), nullptr); };
    auto pair = [&](const std::string& s, int k) {
        const size_t comma = s.find(',');
        return num(k == 0 ? s.substr(0, comma) : comma == std::string::npos ? "0" : s.substr(comma + 1));
    };
    auto near = [](double x, double y) { return std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y)); };
    if (kind == kTransient) {
        EXPECT_TRUE(near(pair(a.transient.timeRange, 0), pair(b.transient.timeRange, 0)));
        EXPECT_TRUE(near(num(a.transient.numberOfPoints), num(b.transient.numberOfPoints)));
        EXPECT_TRUE(near(num(a.transient.maxTimeStep), num(b.transient.maxTimeStep)));
    } else if (kind == kAc) {
        EXPECT_TRUE(near(pair(a.ac.frequencyRange, 0), pair(b.ac.frequencyRange, 0)));
        EXPECT_TRUE(near(pair(a.ac.frequencyRange, 1), pair(b.ac.frequencyRange, 1)));
        EXPECT_TRUE(near(num(a.ac.numberOfPoints), num(b.ac.numberOfPoints)));
        EXPECT_EQ(a.ac.noiseOutput, b.ac.noiseOutput);
        EXPECT_EQ(a.ac.noiseInput, b.ac.noiseInput);
    } else {
        EXPECT_EQ(a.dc.name1, b.dc.name1);
        EXPECT_EQ(a.dc.method1, b.dc.method1);
        EXPECT_EQ(a.dc.name2, b.dc.name2);
        EXPECT_EQ(a.dc.method2, b.dc.method2);
        for (int k = 0; k < 2; ++k) {
            EXPECT_TRUE(near(pair(a.dc.range1, k), pair(b.dc.range1, k))) << a.dc.range1 << " / " << b.dc.range1;
            EXPECT_TRUE(near(pair(a.dc.range2, k), pair(b.dc.range2, k)));
        }
    }
    EXPECT_EQ(a.flags[kind] & (kStepMask | kFlagOperatingPoint), b.flags[kind] & (kStepMask | kFlagOperatingPoint));
    const std::string* ta[] = {&a.transient.temperature, &a.ac.temperature, &a.dc.temperature};
    const std::string* tb[] = {&b.transient.temperature, &b.ac.temperature, &b.dc.temperature};
    // No .TEMP reads as the default 27 once written.
    EXPECT_EQ(ta[kind]->empty() ? std::string("27") : *ta[kind], *tb[kind]);
    ASSERT_EQ(a.rows[kind].size(), b.rows[kind].size());
    for (size_t i = 0; i < a.rows[kind].size(); ++i) {
        EXPECT_EQ(a.rows[kind][i].y, b.rows[kind][i].y);
        EXPECT_EQ(a.rows[kind][i].group, b.rows[kind][i].group);
        EXPECT_EQ(a.rows[kind][i].options, b.rows[kind][i].options);
        EXPECT_EQ(a.rows[kind][i].yRange, b.rows[kind][i].yRange);
    }
}

TEST_F(StatementWriterTest, SetUpOfTheAnalysisWindowFeedsTheBuilders) {
    ASSERT_EQ(Read("T\nV1 1 0 1\n.END\n"), 0);
    AnalysisSetup tran;
    tran.limits[0] = "10";
    tran.limits[2] = "0";
    tran.limits[3] = "27";
    CurveRowRecord row;
    row.xExpression = "T";
    row.yExpression = "V(1)";
    row.xRange = "10,0";
    row.yRange = "5,-1";
    row.plotGroup = '1';
    tran.rows = {row};
    SetNetlistAnalysis(circuit->analysis, kTransient, tran);
    EXPECT_EQ(BuildTranStatement(*circuit), ".TRAN 0.2 10 0 UIC");
    ASSERT_EQ(circuit->analysis.rows[kTransient].size(), 1u);
    EXPECT_EQ(circuit->analysis.rows[kTransient][0].group, '1');
    EXPECT_EQ(circuit->analysis.rows[kTransient][0].yRange, "5,-1");

    AnalysisSetup ac;
    ac.limits[0] = "10K,10";
    ac.limits[1] = "32";
    SetNetlistAnalysis(circuit->analysis, kAc, ac);
    EXPECT_EQ(BuildAcStatement(*circuit), ".AC DEC 11 10 10000");

    AnalysisSetup dc;
    dc.limits[2] = "5,0,0.1";
    dc.limits[3] = "V1";
    dc.sweep[0] = kDcSweepLinear;
    SetNetlistAnalysis(circuit->analysis, kDc, dc);
    EXPECT_EQ(BuildDcStatement(*circuit), ".DC LIN V1 0 5 0.1");
    // The transient set-up is left as it was.
    EXPECT_EQ(circuit->analysis.transient.timeRange, "10");
}

TEST_F(StatementWriterTest, RewrittenStatementsReadBackToTheSameSetUp) {
    const struct {
        const char* text;
        int kind;
    } cases[] = {
        {"T\nR1 1 0 1K\n.TRAN 10N 20U 0 5N\n.PRINT TRAN V(1) I(R1)\n.END\n", kTransient},
        {"T\nR1 1 0 1K\n.TRAN 1N 1U UIC\n.PLOT TRAN V(1) 0 5\n.PRINT TRAN V(2)\nR2 2 0 1\n.END\n", kTransient},
        {"T\nR1 1 0 1K\n.AC DEC 20 1K 1G\n.PRINT AC VDB(1) VP(1)\n.END\n", kAc},
        {"T\nR1 1 0 1K\n.AC LIN 100 1 1K\n.END\n", kAc},
        {"T\nV1 1 0 1\nR1 1 0 1K\n.NOISE V(1) V1 10\n.AC DEC 10 10 10MEG\n.PRINT NOISE ONOISE INOISE\n.END\n", kAc},
        {"T\nV1 1 0 1\nV2 2 0 1\n.DC V1 0 5 0.1 V2 1 3 1\n.PRINT DC I(V1)\n.END\n", kDc},
        {"T\nV1 1 0 1\n.DC V1 LIST 1 2 5\n.TEMP 0 27 85\n.PRINT DC V(1)\n.END\n", kDc},
        {"T\nR1 1 0 1\n.TRAN 1N 1U\n.TEMP 50\n.PLOT TRAN V(1) (V(1)*2) -1 1\n.END\n", kTransient},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Read(c.text, c.kind), 0) << c.text << FirstReport();
        const NetlistAnalysisSetup first = circuit->analysis;
        ASSERT_EQ(WriteAnalysisStatements(*circuit, c.kind), 0);
        const std::string written = page->Text();
        SCOPED_TRACE(written);
        ASSERT_EQ(Read(written, c.kind), 0) << FirstReport();
        ExpectSameSetUp(first, circuit->analysis, c.kind);
        // A second rewrite of the rewritten page changes nothing.
        ASSERT_EQ(WriteAnalysisStatements(*circuit, c.kind), 0);
        EXPECT_EQ(page->Text(), written);
    }
}

TEST_F(StatementWriterTest, RewriteKeepsEveryOtherLineByteForByte) {
    const std::string text =
        "Title line\r\n"
        "* a comment\r\n"
        "R1 1 0 1k ; load\r\n"
        ".tran 1n 1u\r\n"
        ".print tran v(1)\r\n"
        "* inside the print\r\n"
        "+ v(2)\r\n"
        ".ac dec 10 1 1k\r\n"
        "C1 1 0 1p\r\n"
        ".end\r\n"
        "after the end\r\n";
    ASSERT_EQ(Read(text, kTransient), 0) << FirstReport();
    ASSERT_EQ(WriteAnalysisStatements(*circuit, kTransient), 0);
    const std::string expected =
        "Title line\r\n"
        "* a comment\r\n"
        "R1 1 0 1k ; load\r\n"
        "* inside the print\r\n"
        ".ac dec 10 1 1k\r\n"
        "C1 1 0 1p\r\n"
        ".TRAN 1e-09 1e-06 0 \r\n"
        ".TEMP 27\r\n"
        ".PLOT TRAN V(1) V(2)\r\n"
        ".PRINT TRAN V(1) V(2)\r\n"
        ".end\r\n"
        "after the end\r\n";
    EXPECT_EQ(page->Text(), expected);
}

// With the set-up the page was read with, parts that build the same keep the user's text;
// a changed part is rewritten.
TEST_F(StatementWriterTest, UnchangedPartsKeepTheTypedText) {
    const std::string text = "T\r\nR1 1 0 1k\r\n.tran 10u 10m\r\n.print tran v(1)\r\n.end\r\n";
    ASSERT_EQ(Read(text, kTransient), 0) << FirstReport();
    const NetlistAnalysisSetup asRead = circuit->analysis;
    ASSERT_EQ(WriteAnalysisStatements(*circuit, kTransient, 80, &asRead), 0);
    EXPECT_EQ(page->Text(), text);
    // A new curve rewrites the output lines only.
    circuit->analysis.rows[kTransient].push_back(circuit->analysis.rows[kTransient].front());
    circuit->analysis.rows[kTransient].back().y = "V(2)";
    ASSERT_EQ(WriteAnalysisStatements(*circuit, kTransient, 80, &asRead), 0);
    EXPECT_NE(page->Text().find(".tran 10u 10m\r\n"), std::string::npos) << page->Text();
    EXPECT_EQ(page->Text().find(".print tran v(1)"), std::string::npos) << page->Text();
    EXPECT_NE(page->Text().find("V(2)"), std::string::npos) << page->Text();
    // A changed time range rewrites the analysis line.
    circuit->analysis.transient.timeRange = "20m";
    ASSERT_EQ(WriteAnalysisStatements(*circuit, kTransient, 80, &asRead), 0);
    EXPECT_EQ(page->Text().find(".tran 10u 10m"), std::string::npos) << page->Text();
    EXPECT_NE(page->Text().find(".TRAN "), std::string::npos) << page->Text();
}

TEST_F(StatementWriterTest, PageWithoutEndGetsStatementsBeforeItsLastLine) {
    ASSERT_EQ(Read("T\nR1 1 0 1\n.TRAN 1N 1U\nR2 1 0 2", kTransient), 0);
    ASSERT_EQ(WriteAnalysisStatements(*circuit, kTransient), 0);
    EXPECT_EQ(page->Text(), "T\nR1 1 0 1\n.TRAN 1e-09 1e-06 0 \r\n.TEMP 27\r\nR2 1 0 2");
}

TEST(TextPageOps, LineOperations) {
    StringTextPage page("p", "A\r\nB\nC");
    EXPECT_EQ(GetTextPageLineCount(page), 3);
    EXPECT_EQ(GetTextPageLine(page, 0), "A");
    EXPECT_EQ(GetTextPageLine(page, 2), "C");
    DeleteTextPageLine(page, 1);
    EXPECT_EQ(page.Text(), "A\r\nC");
    AppendToTextPage(page, 1, "X\nY", kAppendAsLine);
    EXPECT_EQ(page.Text(), "A\r\nX\r\nY\r\nC");
    // Past the last line: at the end, without a line break before the text.
    AppendToTextPage(page, 10, "Z", 0);
    EXPECT_EQ(page.Text(), "A\r\nX\r\nY\r\nCZ");
    EXPECT_EQ(ToCrLf("a\nb\r\nc"), "a\r\nb\r\nc");

    StringTextPage spice("s", "T\nR1 1 0 1\n.ENDS\n.end\n* after\n");
    EXPECT_EQ(FindEndLine(spice), 3);
    StringTextPage none("s", "T\nR1 1 0 1\n.ends");
    EXPECT_EQ(FindEndLine(none), 2);

    const char* text = "  ; c\n  * line\n+ X";
    const char* p = text;
    EXPECT_EQ(SkipBlanks(&p, false), 2);
    EXPECT_EQ(*p, ';');
    p = text;
    SkipBlanks(&p, true);
    EXPECT_EQ(*p, 'X');
}

TEST(TextPageOps, HelpContexts) {
    EXPECT_EQ(DotCommandHelpContext(".tran 1u 10m", false, true), 7006);
    EXPECT_EQ(DotCommandHelpContext(".tran 1u 10m", true, true), 0);
    EXPECT_EQ(DotCommandHelpContext(".PROBE", false, true), 0);
    EXPECT_EQ(DotCommandHelpContext(".include x", false, true), 7016);
    EXPECT_EQ(DotCommandHelpContext(".tr 1n 1u", false, true), 7028);
    EXPECT_EQ(DotCommandHelpContext("  Q1 3 2 0 MOD", false, true), 6006);
    EXPECT_EQ(DotCommandHelpContext("R1 1 0 1", false, false), 0);
    EXPECT_EQ(DotCommandHelpContext(".define X 1", true, true), 7020);
}

}  // namespace
