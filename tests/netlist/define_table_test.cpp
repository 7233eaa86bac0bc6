#include "netlist/define_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_circuit.h"
#include "netlist/circuit_tables.h"
#include "report_capture.h"

using namespace ob7;

namespace {

class DefineTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobalScope(tables);
        GrowScopeTable(tables, 3);
        tables.scopes[2].scopeName = "X1";
        tables.scopes[2].parentScope = 1;
        tables.scopes[3].scopeName = "X1.X2";
        tables.scopes[3].parentScope = 2;
        tables.defines.noLibraryParams = true;
    }
    int Define(const char* text, int scope = 1) {
        return ParseDefineStatement(tables, text, scope, StatementOrigin{}, 2, kKeywordDefine);
    }
    int Func(const char* text, int scope = 1) {
        return ParseDefineStatement(tables, text, scope, StatementOrigin{}, 2, kKeywordFunc);
    }
    std::string Sub(const char* text, int scope = 1, int* code = nullptr) {
        std::string out;
        const int r = SubstituteDefines(tables, out, scope, text, false);
        if (code) *code = r;
        return out;
    }
    FakeCircuit circuit;
    NetlistCircuitTables tables{circuit};
    ReportCapture reports;
};

TEST_F(DefineTableTest, PlainDefinesReplaceNamesButNotNodeArguments) {
    ASSERT_EQ(Define(".DEFINE R1VAL 2K"), 0);
    ASSERT_EQ(Define(".define averyveryLongDefineName 47"), 0);
    EXPECT_EQ(Sub("R1VAL*2"), "2K*2");
    EXPECT_EQ(Sub("v(R1VAL)+R1VAL"), "V(R1VAL)+2K");
    // Long names are substituted like any other.
    EXPECT_EQ(Sub("AVERYVERYLONGDEFINENAME/2"), "47/2");
    ASSERT_EQ(AddDefineFormat(tables, "fc", "%gk", 2.5), 0);
    EXPECT_EQ(Sub("FC"), "2.5K");
    // Replacements are scanned again.
    ASSERT_EQ(Define(".DEFINE TWICE R1VAL*2"), 0);
    EXPECT_EQ(Sub("1+TWICE"), "1+2K*2");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(DefineTableTest, FunctionsExpandOnlyInsideBraces) {
    ASSERT_EQ(Func(".FUNC SQ(X) X*X"), 0);
    EXPECT_EQ(Sub("{SQ(3)}"), "{3*3}");
    EXPECT_EQ(Sub("SQ(3)"), "SQ(3)");
    int code = 0;
    Sub("{SQ(3,4)}", 1, &code);
    EXPECT_EQ(code, kMsgReported);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].id, 10884);
}

TEST_F(DefineTableTest, ADefineNamingAFunctionIsUsedTwice) {
    // The call the define's text opens runs past that text and shrinks: the define is
    // met again later in the line, which is no recursion.
    ASSERT_EQ(Func(".FUNC ONE(X,Y) 1"), 0);
    ASSERT_EQ(Define(".DEFINE A ONE"), 0);
    int code = -1;
    EXPECT_EQ(Sub("{A(11111,22222)+A(3,4)}", 1, &code), "{1+1}");
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(DefineTableTest, ParamOfTheCircuitIsSeenFromSubcircuitScopes) {
    ASSERT_EQ(AddDefine(tables, "RLOAD", nullptr, "1K", 1, StatementOrigin{}, 5, 1, ""), 0);
    EXPECT_EQ(FindDefineIndex(tables.defines, 0, "RLOAD"), 0);
    EXPECT_EQ(Sub("{RLOAD*2}", 3), "{1K*2}");
    ASSERT_EQ(Define(".DEFINE R 5", 3), 0);
    // X2.R in scope X1 names R of the scope X1.X2.
    EXPECT_EQ(Sub("X2.R+1", 2), "5+1");
}

TEST_F(DefineTableTest, SelfReferenceEndsWithAMessage) {
    ASSERT_EQ(Define(".DEFINE A A+1"), 0);
    ASSERT_EQ(Define(".DEFINE B C"), 0);
    ASSERT_EQ(Define(".DEFINE C B"), 0);
    ASSERT_EQ(Func(".FUNC REC(X) {REC(X)+1}"), 0);
    // Completing the scope leaves a define's use of its own name as written.
    ASSERT_EQ(CompleteScopeDefines(tables, 1), kMsgReported);
    EXPECT_EQ(tables.defines.rows[1][0].value, "A+1");
    ASSERT_FALSE(reports.reports.empty());
    EXPECT_EQ(reports.reports.back().id, 10883);

    struct Case { const char* text; int id; };
    for (const Case& c : {Case{"A*2", 10883}, Case{"B", 10883}, Case{"{REC(1)}", 10881}}) {
        reports.reports.clear();
        int code = 0;
        Sub(c.text, 1, &code);
        EXPECT_EQ(code, kMsgReported) << c.text;
        ASSERT_EQ(reports.reports.size(), 1u) << c.text;
        EXPECT_EQ(reports.reports[0].id, c.id) << c.text;
    }
}

TEST_F(DefineTableTest, ExpansionLengthIsBounded) {
    // Three short defines that expand into each other: 10000 substitutions of a 5000
    // character value would make a 50 MB line.
    std::string a = ".DEFINE A", b = ".DEFINE B";
    for (int i = 0; i < 100; ++i) {
        a += " B";
        b += " EX";
    }
    ASSERT_EQ(Define(a.c_str()), 0);
    ASSERT_EQ(Define(b.c_str()), 0);
    ASSERT_EQ(Define((".DEFINE EX " + std::string(5000, 'X')).c_str()), 0);
    int code = 0;
    const std::string out = Sub("A+1", 1, &code);
    EXPECT_EQ(code, kMsgReported);
    EXPECT_LE(out.size(), kMaxDefineExpansionLength);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].id, 10887);
    reports.reports.clear();
    EXPECT_EQ(CompleteScopeDefines(tables, 1), kMsgReported);
    ASSERT_FALSE(reports.reports.empty());
    EXPECT_EQ(reports.reports[0].id, 10887);
    // A function whose argument is used many times: the call's own text is bounded too.
    reports.reports.clear();
    std::string body = ".FUNC MANY(X)";
    for (int i = 0; i < 1000; ++i) body += " X";
    ASSERT_EQ(Func(body.c_str(), 3), 0);
    EXPECT_LE(Sub(("{MANY(" + std::string(100000, '7') + ")}").c_str(), 3, &code).size(), kMaxDefineExpansionLength);
    EXPECT_EQ(code, kMsgReported);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].id, 10887);
    // A single long value below the bound is substituted whole.
    ASSERT_EQ(Define((".DEFINE LONG " + std::string(100000, '1')).c_str(), 2), 0);
    EXPECT_EQ(Sub("LONG", 2, &code).size(), 100000u);
    EXPECT_EQ(code, 0);
}

// An input that grew a line to hundreds of megabytes while fuzzing: a selector byte, then
// .DEFINE statements separated by NUL bytes, filed in scopes 1, 2, 3 in turn.
TEST_F(DefineTableTest, FuzzedDefinesThatExpandIntoEachOther) {
    const char* data = std::getenv("OB7_TEST_DATA");
    ASSERT_TRUE(data && *data);
    std::ifstream in(std::string(data) + "/fuzz/define_blowup.bin", std::ios::binary);
    const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(input.size(), 1u);
    std::vector<std::string> pieces;
    size_t start = 1;
    for (size_t end; (end = input.find('\0', start)) != std::string::npos; start = end + 1)
        pieces.push_back(input.substr(start, end - start));
    pieces.push_back(input.substr(start));
    int n = 0;
    for (const std::string& p : pieces) Define(p.c_str(), 1 + n++ % 3);
    for (int scope = 0; scope < 4; ++scope) CompleteScopeDefines(tables, scope);
    bool tooLong = false;
    for (const auto& r : reports.reports) tooLong = tooLong || r.id == 10887;
    EXPECT_TRUE(tooLong);
    for (const auto& row : tables.defines.rows)
        for (const DefineEntry& e : row) EXPECT_LE(e.value.size(), kMaxDefineExpansionLength) << e.name;
}

TEST_F(DefineTableTest, StatementErrorsAndReservedNames) {
    struct Case { const char* text; int keyword; int id; };
    const Case cases[] = {
        {".DEFINE {LOT=5% R 1", kKeywordDefine, 10890},
        {".DEFINE 1A 5", kKeywordDefine, 19893},
        {".DEFINE ", kKeywordDefine, 10882},
        {".FUNC G(X X", kKeywordFunc, 11900},
        {".DEFINE TEMP 5", kKeywordDefine, 10889},
        {".FUNC SIN(X) X", kKeywordFunc, 10889},
        {".FUNC H(TIME) TIME", kKeywordFunc, 10889},
    };
    for (const Case& c : cases) {
        reports.reports.clear();
        EXPECT_EQ(ParseDefineStatement(tables, c.text, 1, StatementOrigin{}, 2, c.keyword), kMsgReported) << c.text;
        ASSERT_EQ(reports.reports.size(), 1u) << c.text;
        EXPECT_EQ(reports.reports[0].id, c.id) << c.text;
    }
    reports.reports.clear();
    EXPECT_EQ(Define(".DEFINE PI 3.14"), 0);
    EXPECT_EQ(Define(".DEFINE SIN 2"), 0);
    EXPECT_EQ(Define(".DEFINE SIN 3"), kMsgReported);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].id, 10885);
    // The same name in another scope is another define.
    EXPECT_EQ(Define(".DEFINE SIN 3", 2), 0);
}

TEST_F(DefineTableTest, LotToleranceOfADefine) {
    ASSERT_EQ(Define(".DEFINE {LOT/3/UNIFORM=10%} RV 1K"), 0);
    ASSERT_EQ(CompleteScopeDefines(tables, 1), 0);
    const ModelTolerance& t = tables.defines.rows[1][0].tolerance;
    EXPECT_DOUBLE_EQ(t.lot, 100.0);
    EXPECT_EQ(t.lotSet, 3);
    EXPECT_EQ(t.lotDistribution, kDistUniform);
    EvaluateDefineValues(tables);
    EXPECT_DOUBLE_EQ(tables.defines.rows[1][0].evaluated, 1000.0);

    ASSERT_EQ(Define(".DEFINE {DEV=10%} RW 1K", 2), 0);
    EXPECT_EQ(CompleteScopeDefines(tables, 2), kMsgReported);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].id, 19891);
}

}  // namespace
