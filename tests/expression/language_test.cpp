// The language as a whole: precedence, associativity, the operator table on complex
// values, and compile errors with their positions.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "expression/complex_math.h"
#include "expression/operator_table.h"
#include "expression_test_util.h"
#include "fake_circuit.h"

namespace ob7::test {
namespace {

constexpr double kPi = 3.141592653589793;

struct ValueCase {
    const char* text;
    double re;
    double im;
};

TEST(Language, OperatorsFunctionsAndSymbolsEvaluate) {
    const ValueCase cases[] = {
        // precedence and associativity
        {"-2**2", -4, 0}, {"2**-3", 0.125, 0}, {"2**3**2", 64, 0}, {"1+2*3", 7, 0}, {"(1+2)*3", 9, 0},
        {"10-4-3", 3, 0}, {"2*3+4*5", 26, 0}, {"--3", 3, 0}, {"-(2+3)", -5, 0}, {"1+1==2", 1, 0},
        {"1<2 AND 2<1", 0, 0}, {"1 OR 0 AND 0", 1, 0}, {"NOT 0", 1, 0}, {"1 XOR 1", 0, 0},
        {"1 NAND 1", 0, 0}, {"0 NOR 0", 1, 0}, {"2<>3", 1, 0}, {"2!=2", 0, 0}, {"3>=3", 1, 0}, {"3<=2", 0, 0},
        {"7 MOD 3", 1, 0}, {"7 DIV 2", 3, 0}, {"5&3", 1, 0}, {"5|3", 7, 0}, {"~0", -1, 0}, {"2^3", 8, 0},
        {"{1+1}*2", 4, 0}, {"pow(2,10)", 1024, 0},
        // numbers with suffixes
        {"4K7", 4700, 0}, {"1MEG", 1e6, 0}, {"10uF", 1e-5, 0}, {"1.5E-3", 1.5e-3, 0}, {"2m", 2e-3, 0},
        // functions
        {"IF(1,2,3)", 2, 0}, {"IF(0,2,3)", 3, 0}, {"LIMIT(5,3,1)", 3, 0}, {"LIMIT(-5,1,3)", 1, 0},
        {"TABLE(2.5,1,10,2,20,3,30)", 25, 0}, {"TABLE(9,1,10,2,20,3,30)", 30, 0}, {"TABLE(0,3,30,1,10)", 10, 0},
        {"MIN(3,2)", 2, 0}, {"MAX(3,2)", 3, 0}, {"ABS(-3)", 3, 0}, {"DB(10)", 20, 0}, {"SGN(-2)", -1, 0},
        {"SQRT(16)", 4, 0}, {"EXP(1)", std::exp(1.0), 0}, {"LN(E)", 1, 0}, {"LOG(1000)", 3, 0},
        {"LOG10(0.01)", -2, 0}, {"FACT(5)", 120, 0}, {"FACT(1E10)", Factorial(170), 0}, {"ATAN2(1,1)", kPi / 4, 0}, {"ATN(1)", kPi / 4, 0},
        {"PWR(-2,2)", 4, 0}, {"PWRS(-2,2)", -4, 0}, {"SIN(PI/2)", 1, 0}, {"COS(0)", 1, 0},
        {"TAN(PI/4)", 1, 0}, {"SEC(0)", 1, 0}, {"COT(0)", 1e50, 0}, {"CSC(0)", 1e50, 0}, {"SINH(0)", 0, 0},
        {"COSH(1000)", std::cosh(500.0), 0}, {"TANH(0)", 0, 0}, {"ASINH(0)", 0, 0}, {"ACOSH(1)", 0, 0},
        {"ATANH(1)", 0.5 * std::log(1e-50), 0}, {"ACOS(1)", 0, 0}, {"J0(0)", 1, 0}, {"J1(0)", 0, 0},
        {"JN(2,0)", 0, 0}, {"Y0(1)", ::y0(1.0), 0}, {"SERIES(N,1,4,N*N)", 30, 0},
        // a start beyond the int range is an empty sum, not a run from the lowest int
        {"SERIES(N,1E20,2,N)", 0, 0},
        // the start is bounded as the end is: 10,000,001 terms, not two thousand million
        {"SERIES(N,-1E20,0,1)", 10000001, 0},
        // complex values
        {"J*J", -1, 0}, {"SQRT(-4)", 2, 0}, {"SQRT(-4*(1+0*J)+1E-100*J)", 0, 2}, {"LN(-1)", 0, kPi}, {"(1+J)*(1-J)", 2, 0}, {"1/J", 0, -1},
        {"RE(3+4*J)", 3, 0}, {"IM(3+4*J)", 4, 0}, {"MAG(3+4*J)", 5, 0}, {"ABS(3+4*J)", 5, 0},
        {"EXP(J*PI)", -1, 0}, {"(3+4*J)>4", 1, 0}, {"ASIN(2)", kPi / 2, -1.3169578969248166},
        // predefined symbols
        {"E", std::exp(1.0), 0}, {"PI", kPi, 0}, {"_AC", 1, 0}, {"_DC", 2, 0}, {"_TRANSIENT", 0, 0},
        {"_DYNAMICDC", 3, 0}, {"_TF", 4, 0}, {"_SENS", 5, 0}, {"TRUE", 1, 0}, {"FALSE", 0, 0},
        // lower case is the same language
        {"sin(pi/2)+max(1,2)", 3, 0},
    };
    for (const ValueCase& c : cases) {
        Outcome o = CompileAndRun(c.text);
        ASSERT_EQ(o.compile, 0) << c.text << ": " << o.message;
        ASSERT_EQ(o.evaluate, 0) << c.text << ": " << o.message;
        EXPECT_NEAR(o.value.re, c.re, 1e-9 * std::max(1.0, std::fabs(c.re))) << c.text;
        EXPECT_NEAR(o.value.im, c.im, 1e-9 * std::max(1.0, std::fabs(c.im))) << c.text;
    }
}

TEST(Language, RealAndComplexPathsKeepTheirEdgeValues) {
    EXPECT_EQ(CompileAndRun("SQRT(4)").value.im, 0.0);
    EXPECT_EQ(CompileAndRun("ASIN(0.5)").value.im, 0.0);
    EXPECT_EQ(CompileAndRun("FACT(200)").value.re, CompileAndRun("FACT(170)").value.re);
    EXPECT_EQ(CompileAndRun("SINH(-1000)").value.re, CompileAndRun("SINH(-500)").value.re);
    // A negative base with a fractional exponent is 0, a whole exponent goes through.
    EXPECT_EQ(CompileAndRun("(-8)**(1/3)").value.re, 0.0);
    EXPECT_EQ(CompileAndRun("(-2)**3").value.re, -8.0);
}

struct ErrorCase {
    const char* text;
    int id;
    int position;  // -1: any
};

TEST(Language, BadInputGivesTheMessageAndWhereItStopped) {
    static const std::string digits400 = "1" + std::string(399, '0');
    static const std::string digits400k = digits400 + "K";
    const ErrorCase cases[] = {
        {digits400.c_str(), 10404, 0},  // beyond a double without an exponent
        {digits400k.c_str(), 10404, 0},
        {".", 10404, 0},
        {"1+.", 10404, 2},
        {"", 10410, 0},
        {"1E300", 10404, 0},
        {"1.2.3+1", 10404, 0},
        {"1E", 10404, 0},
        {"FOO+1", 10402, 0},
        {"2+BAR", 10402, 2},
        {"1 2", 10407, 2},
        {"1+", 10403, -1},
        {"*2", 10403, 0},
        {"(1+2", 10406, -1},
        {"1+2)", 10405, 3},
        {"()", 10403, 1},
        {"IF(1,2)", 10419, 6},
        {"IF(1,2,3,4)", 10420, 8},
        {"MAX()", 10419, 4},
        {"SIN 1", 10417, 0},
        {"TABLE(1,1,2,3)", 10430, 13},
        {"SERIES(1,1,2,3)", 10433, 7},
        {"1,2", 10407, 1},
        {"'1", 10402, 0},
        {"1+[2]", 10402, 2},
    };
    for (const ErrorCase& c : cases) {
        Outcome o = CompileAndRun(c.text);
        EXPECT_EQ(o.compile, 15060) << c.text;
        EXPECT_EQ(o.error_id, c.id) << c.text << ": " << o.message;
        if (c.position >= 0) EXPECT_EQ(o.position, c.position) << c.text;
        EXPECT_FALSE(o.message.empty()) << c.text;
    }
    EXPECT_EQ(CompileAndRun("FOO+1").message, "Unknown identifier 'FOO' in 'FOO+1'.");
    EXPECT_EQ(CompileAndRun("IF(1,2)").message, "Not enough parameters found in function 'IF'.");
}

TEST(Language, HugeAndDeeplyNestedTextsFailCleanly) {
    // A 100,000-character formula compiles and evaluates.
    std::string sum = "1";
    while (sum.size() < 100000) sum += "+1";
    Outcome o = CompileAndRun(sum);
    ASSERT_EQ(o.compile, 0) << o.message;
    EXPECT_EQ(o.value.re, double(sum.size() / 2 + 1));

    // Parentheses nested past the postfix stack.
    std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
    o = CompileAndRun(deep);
    EXPECT_EQ(o.error_id, 10431);

    // Right-nested operators pile up on the postfix stack too.
    std::string right;
    for (int i = 0; i < 200; ++i) right += "2**(";
    right += "1" + std::string(200, ')');
    EXPECT_EQ(CompileAndRun(right).error_id, 10431);

    // A 20th nested function.
    std::string calls;
    for (int i = 0; i < 25; ++i) calls += "SIN(";
    calls += "1" + std::string(25, ')');
    o = CompileAndRun(calls);
    EXPECT_EQ(o.error_id, 10409);

    // Garbage of every byte value never crashes the compiler.
    std::string junk;
    for (int i = 1; i < 256; ++i) junk += char(i);
    EXPECT_NE(CompileAndRun(junk).compile, 0);
    EXPECT_NE(CompileAndRun(std::string(3000, '-')).compile, 0);
    EXPECT_NE(CompileAndRun(std::string(3000, ',')).compile, 0);
}

TEST(Language, RowsAreRefusedOutsideTheirContexts) {
    FakeCircuit circuit;
    // A numeric field cannot read the time.
    EXPECT_EQ(CompileAndRun("T", &circuit, kMaskNumericField).error_id, 10432);
    // A performance function in a curve expression.
    circuit.run.analysis_kind = 0;
    EXPECT_EQ(CompileAndRun("RISE_TIME(V(A),1,0,1,1)", &circuit, 0x11).error_id, 10428);
    // Limit-only operators outside the limits.
    EXPECT_EQ(CompileAndRun("DDT(V(A))", &circuit, 0x2).error_id, 10425);
    // TRUE is also a 2-state word; PI is analog only.
    EXPECT_EQ(CompileAndRun("TRUE", &circuit, 0x7, kKindFlagsConstraint).compile, 0);
    EXPECT_EQ(CompileAndRun("PI", &circuit, 0x7, kKindFlagsConstraint).error_id, 10436);
    Outcome o = CompileAndRun("'1 == '0", &circuit, 0x7, 0x860);
    EXPECT_EQ(o.compile, 0) << o.message;
    EXPECT_EQ(o.value.re, 0.0);
    // A digital constant may only be compared or complemented.
    EXPECT_EQ(CompileAndRun("TRUE == '1", &circuit, 0x7, 0x860).error_id, 10424);
    // Analog and 5-state mixed.
    EXPECT_EQ(CompileAndRun("D(D1)+PI", &circuit, 0x7, 2112).error_id, 10429);
}

TEST(Language, ConstantsFoldAtCompileTime) {
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "2*PI*1MEG+EXP(0)", &e, 0x7, 2048);
    ASSERT_EQ(CompileExpression(&c), 0);
    ASSERT_EQ(e.tokens.size(), 1u);
    EXPECT_DOUBLE_EQ(e.tokens[0].value.number, 2 * kPi * 1e6 + 1);
    FreeExpression(&e);
    FreeExpression(&e);  // harmless twice
}

TEST(Language, SignsSimplify) {
    std::string s = "  1 - - 2 +-+ 3   *  4  ";
    SimplifySigns(s);
    EXPECT_EQ(s, "1 + 2 - 3 * 4");
}

TEST(Language, TableLookups) {
    EXPECT_TRUE(IsFunctionName("bin"));
    EXPECT_FALSE(IsFunctionName("SIN"));
    EXPECT_STREQ(OperatorNameByOpcode(110), "-");
    EXPECT_STREQ(OperatorNameByOpcode(75), "LOG");
    EXPECT_EQ(MaxArgsByOpcode(162), 1001);
    EXPECT_TRUE(IsOperatorOpcode(68));
    EXPECT_EQ(FunctionDeviceMask("VBE"), 0x10);
    EXPECT_EQ(FunctionMinArgsByName("RISE_TIME"), 5);
    EXPECT_TRUE(IsDeviceQuantityName("IC"));
    EXPECT_TRUE(StartsWithFunctionName("SIN(X)"));
    EXPECT_FALSE(StartsWithFunctionName("1SIN"));
    EXPECT_TRUE(IsKnownFunctionChar("TEMP", false));
    EXPECT_FALSE(IsKnownFunctionChar("SIN", false));
    EXPECT_TRUE(IsKnownFunctionChar("SIN", true));
    EXPECT_TRUE(IsTableSymbolName("IMPORT"));
}

}  // namespace
}  // namespace ob7::test
