// Dot commands: analysis statements into limit texts, output rows with their groups,
// the statements kept for later passes.

#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

class DotCommandTest : public TextCircuitTest {};

TEST_F(DotCommandTest, TransientStatements) {
    struct Case {
        const char* line;
        const char* points;
        const char* range;
        const char* maxStep;
        bool uic;
    } cases[] = {
        {".TRAN 1N 1U", "1001", "1U", "", false},
        {".TRAN 1N 1U 0.5U", "1001", "1U", "", false},
        {".TRAN 1N 1U 0 2N", "1001", "1U", "2N", false},
        {".TRAN 1N 1U UIC", "1001", "1U", "", true},
        {".TRAN 1N 1U 0 UIC", "1001", "1U", "", true},
        {".TRAN 1N 1U 0 2N UIC", "1001", "1U", "2N", true},
        {".TRAN 0 1U", "", "1U", "", false},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Read(std::string("T\n") + c.line + "\n", kTransient), 0) << c.line;
        const auto& tr = circuit->analysis.transient;
        EXPECT_EQ(tr.numberOfPoints, c.points) << c.line;
        EXPECT_EQ(tr.timeRange, c.range) << c.line;
        EXPECT_EQ(tr.maxTimeStep, c.maxStep) << c.line;
        EXPECT_EQ(circuit->useInitialConditions, c.uic) << c.line;
        EXPECT_EQ((circuit->analysis.flags[kTransient] & kFlagOperatingPoint) == 0, c.uic) << c.line;
    }
}

TEST_F(DotCommandTest, AcAndDcStatements) {
    struct AcCase {
        const char* line;
        const char* points;
        const char* range;
        int step;
    } ac[] = {
        {".AC DEC 10 1 1MEG", "61", "1MEG,1", kStepLog},
        {".AC OCT 10 1K 1MEG", "31", "1MEG,1K", kStepLog},  // 10 x log10(1000) + 1
        {".AC LIN 100 1 1K", "100", "1K,1", kStepLinear},  // as the reference simulator sweeps
        {".AC 20 1 1K", "21", "1K,1", kStepLog},
    };
    for (const AcCase& c : ac) {
        ASSERT_EQ(Read(std::string("T\n") + c.line + "\n", kAc), 0) << c.line;
        EXPECT_EQ(circuit->analysis.ac.numberOfPoints, c.points) << c.line;
        EXPECT_EQ(circuit->analysis.ac.frequencyRange, c.range) << c.line;
        EXPECT_EQ(circuit->analysis.flags[kAc] & kStepMask, c.step) << c.line;
    }
    struct DcCase {
        const char* line;
        const char* name;
        const char* range;
        int method;
        const char* points;
    } dc[] = {
        {".DC V1 0 5 0.1", "V1", "5,0,0.1", kStepLinear, "51"},  // both ends: the reference simulator sweeps 51
        {".DC DEC V1 1 100 5", "V1", "100,1,1.584893192461114", kStepLog, "20.8"},
        {".DC V1 LIST 1 2 5", "V1", "1,2,5", kStepList, ""},
        {".DC TEMP -40 85 5", "TEMP", "85,-40,5", kStepLinear, "26"},
        {".DC PARAM RX 1 2 0.5", "PARAM RX", "2,1,0.5", kStepLinear, "3"},
        {".DC NPN QN(BF) 50 150 10", "NPN QN(BF)", "150,50,10", kStepLinear, "11"},
    };
    for (const DcCase& c : dc) {
        ASSERT_EQ(Read(std::string("T\n") + c.line + "\n", kDc), 0) << c.line;
        EXPECT_EQ(circuit->analysis.dc.name1, c.name) << c.line;
        EXPECT_EQ(circuit->analysis.dc.range1, c.range) << c.line;
        EXPECT_EQ(circuit->analysis.dc.method1, c.method) << c.line;
        EXPECT_EQ(circuit->analysis.dc.numberOfPoints, c.points) << c.line;
        EXPECT_EQ(circuit->analysis.dc.method2, 0) << c.line;
    }
}

TEST_F(DotCommandTest, PrintAndPlotRowsWithTheirGroups) {
    // A .PRINT and a .PLOT of the same analysis: only the plotted rows keep groups.
    ASSERT_EQ(Read("T\n.PRINT TRAN V(1) V(2)\n.PLOT TRAN V(3) (0,5)\n", kTransient), 0);
    auto& rows = circuit->analysis.rows[kTransient];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].group, 0);
    EXPECT_EQ(rows[1].group, 0);
    EXPECT_EQ(rows[2].group, '2');
    EXPECT_EQ(rows[2].yRange, "5,0");
    EXPECT_TRUE(rows[0].options & kCurveOutput);
    // Two identical statements give one row; statements of other analyses none.
    ASSERT_EQ(Read("T\n.PRINT TRAN V(1)\n.PRINT TRAN V(1)\n.PRINT AC V(1)\n", kTransient), 0);
    ASSERT_EQ(circuit->analysis.rows[kTransient].size(), 1u);
    EXPECT_EQ(circuit->analysis.rows[kTransient][0].group, '1');
    // Bracketed nodes, currents and the SPICE suffix forms.
    ASSERT_EQ(Read("T\n.PRINT AC VR([A]) IM(R1) VP(3,4) V(5) VI(A)\n", kAc), 0);
    const auto& ac = circuit->analysis.rows[kAc];
    ASSERT_EQ(ac.size(), 5u);
    EXPECT_EQ(ac[0].y, "RE(V(A))");
    EXPECT_EQ(ac[1].y, "MAG(I(R1))");
    EXPECT_EQ(ac[2].y, "PH(V(3,4))");
    EXPECT_EQ(ac[3].y, "V(5)");
    EXPECT_EQ(ac[4].y, "IM(V(A))");
    // No statement at all: three default rows for the analysis.
    ASSERT_EQ(Read("T\nR1 1 0 1\n", kDc), 0);
    ASSERT_EQ(circuit->analysis.rows[kDc].size(), 3u);
    EXPECT_EQ(circuit->analysis.rows[kDc][0].group, '1');
}

TEST_F(DotCommandTest, OperatingPointOnlyAndTemperature) {
    ASSERT_EQ(Read("T\n.OP\n.AC DEC 10 1 1K\n.TEMP 0 27 100\n", kTransient), 0);
    EXPECT_TRUE(circuit->analysis.flags[kTransient] & kFlagOperatingPointOnly);
    EXPECT_EQ(circuit->analysis.transient.temperature, "0,27,100");
    EXPECT_EQ(circuit->analysis.ac.temperature, "0,27,100");
    ASSERT_EQ(Read("T\n.OP\n.TRAN 1N 1U\n", kTransient), 0);
    EXPECT_FALSE(circuit->analysis.flags[kTransient] & kFlagOperatingPointOnly);
}

TEST_F(DotCommandTest, KeptStatementsAndRequests) {
    ASSERT_EQ(Read("T\n.OPTIONS RELTOL=1E-4\n.PARAM A=2 B={A*3}\n.FUNC TWICE(X) {X*2}\n"
                   ".IC V(1)=2\n.NODESET V(2)=1\n.SENS 1 2 3 4 5 6 7 8 9 10 11\n.LOADOP\n.TR 1N 1U 2N 2U\n"
                   "R1 1 0 1\nR2 2 0 1\n.PROBE\n.WIDTH OUT=80\n.FOUR 1K V(1)\n"),
              0)
        << FirstReport();
    ASSERT_GE(circuit->statements.size(), 3u);
    EXPECT_EQ(circuit->statements[0].text, ".OPTIONS RELTOL=1E-4");
    EXPECT_EQ(circuit->statements[0].line, 1);
    std::string b;
    ASSERT_EQ(SubstituteDefines(circuit->tables, b, 1, "{B}", false), 0);
    EXPECT_NE(b.find("2*3"), std::string::npos) << b;
    bool func = false;
    for (const auto& row : circuit->tables.defines.rows)
        for (const DefineEntry& d : row) func = func || (d.name == "TWICE" && d.functionLike);
    EXPECT_TRUE(func);
    ASSERT_EQ(circuit->icStatements.size(), 2u);
    EXPECT_EQ(circuit->sensOutputs[9], "10");
    EXPECT_TRUE(circuit->loadOperatingPoint);
    ASSERT_EQ(circuit->trTable.size(), 2u);
    EXPECT_DOUBLE_EQ(circuit->trTable[1].time, 2e-6);
    EXPECT_DOUBLE_EQ(circuit->trTable[1].maxStep, 2e-9);
}

TEST_F(DotCommandTest, RecompileLeavesEditedLimitsAlone) {
    page = std::make_unique<StringTextPage>(services.title, "T\n.TRAN 1N 1U\n.TEMP 50\n");
    circuit = std::make_unique<NetlistCircuit>(services, *page);
    circuit->analysisKind = kTransient;
    circuit->runRecompile = true;
    circuit->analysis.transient.timeRange = "5U";
    ASSERT_EQ(ReadTextCircuit(*circuit), 0);
    EXPECT_EQ(circuit->analysis.transient.timeRange, "5U");
    EXPECT_EQ(circuit->analysis.transient.temperature, "50");
}

}  // namespace

namespace {

TEST_F(DotCommandTest, TemperatureDefaultAndNumberDigits) {
    ASSERT_EQ(Read("T\n.PRINT TRAN V(1)\n", kTransient), 0);
    DefaultAnalysisTemperature(*circuit, 27);
    EXPECT_EQ(circuit->analysis.transient.temperature, "27");
    ApplyNumberDigits(*circuit, 6);
    EXPECT_EQ(circuit->analysis.rows[kTransient][0].formatY, "6e");
    ASSERT_EQ(Read("T\n.TEMP 85\n.PRINT TRAN V(1)\n", kTransient), 0);
    DefaultAnalysisTemperature(*circuit, 27);
    EXPECT_EQ(circuit->analysis.transient.temperature, "85");
    ApplyNumberDigits(*circuit, -1);
    EXPECT_EQ(circuit->analysis.rows[kTransient][0].formatY, "");
}

}  // namespace

#include "netlist/param_statements.h"

namespace {

TEST_F(DotCommandTest, ParamStatementsOfLibrariesAndTexts) {
    ASSERT_EQ(Read("T\n"), 0);
    auto& t = circuit->tables;
    ASSERT_EQ(ApplyParamStatement(t, ".param a=1\n+ b={a*2}, c = - 3", 1, {}, 4), 0) << FirstReport();
    std::string out;
    ASSERT_EQ(SubstituteDefines(t, out, 1, "{B+C}", false), 0);
    EXPECT_EQ(out, "{(1*2)+-3}");
    ASSERT_EQ(ApplyParamStatement(t, ".FUNC SQ(X) {X*X}", 1, {}, 4), 0);
    bool func = false;
    for (const auto& row : t.defines.rows)
        for (const DefineEntry& d : row) func = func || (d.name == "SQ" && d.functionLike);
    EXPECT_TRUE(func);
    for (const char* bad : {".PARAM X=", ".PARAM X={1"}) {
        reports.reports.clear();
        EXPECT_EQ(ApplyParamStatement(t, bad, 1, {}, 4), kMsgReported) << bad;
        EXPECT_EQ(FirstReport(), 11900) << bad;
    }
}

}  // namespace

namespace {

TEST_F(DotCommandTest, ProgressOfLongTexts) {
    std::string text = "T\n";
    for (int i = 0; i < 2000; ++i) text += "R" + std::to_string(i) + " 1 0 1\n";
    std::vector<std::string> shown;
    page = std::make_unique<StringTextPage>(services.title, text);
    circuit = std::make_unique<NetlistCircuit>(services, *page);
    circuit->statusPrompt = [&](const std::string& s) { shown.push_back(s); };
    ASSERT_EQ(ReadTextCircuit(*circuit), 0);
    ASSERT_GE(shown.size(), 90u);
    EXPECT_LE(shown.size(), 102u);
    EXPECT_EQ(shown[0], "Processing SPICE Line 20 of 2002 (1%)");
    EXPECT_EQ(shown.back(), "");  // the saved prompt goes back
    // Short texts show nothing.
    shown.clear();
    page = std::make_unique<StringTextPage>(services.title, "T\nR1 1 0 1\n");
    circuit = std::make_unique<NetlistCircuit>(services, *page);
    circuit->statusPrompt = [&](const std::string& s) { shown.push_back(s); };
    ASSERT_EQ(ReadTextCircuit(*circuit), 0);
    EXPECT_TRUE(shown.empty());
}

}  // namespace
