#include "expression/derivative.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "expression/compiler.h"
#include "expression/expression.h"

namespace ob7 {
namespace {

std::string Derivative(const std::string& text, std::string variable = "X") {
    std::string result;
    EXPECT_EQ(DifferentiateText(text, &variable, &result, nullptr), 0) << text;
    return result;
}

TEST(Derivative, PrintedResults) {
    struct Case {
        const char* text;
        const char* variable;
        const char* expected;
    } cases[] = {
        {"3*X", "X", "3"},
        {"X*X", "X", "X+X"},
        {"sin(x)", "x", "COS(X)"},
        {"X^3", "X", "3*X^2"},
        {"X**3", "X", "3*X**2"},
        {"X/X", "X", "0"},
        {"5+0*X", "X", "0"},
        {"Y", "X", "0"},               // another variable
        {"IF(X,X,0)", "X", "X!=0"},    // the 0 branch and the relation's derivative drop out
        {"EXP(2*X)", "X", "EXP(2*X)*2"},
        {"X*Y", "Y", "X"},
        {"", "X", ""},
    };
    for (const Case& c : cases) {
        if (!*c.text) continue;
        EXPECT_EQ(Derivative(c.text, c.variable), c.expected) << c.text;
    }
}

TEST(Derivative, ReasonsForNoDerivative) {
    EXPECT_EQ(Derivative("TABLE(X,1,2,3,4)"), "Can't find the derivative of TABLE.");
    EXPECT_EQ(Derivative("3+4", ""), "Can't find a valid differentition variable.");
    EXPECT_EQ(Derivative("X*2", "X+1"), "'X+1' is not a valid differentition variable.");
    // With no name given the first variable of the text is taken.
    std::string variable, result;
    EXPECT_EQ(DifferentiateText("B*B*A", &variable, &result, nullptr), 0);
    EXPECT_EQ(variable, "B");
    EXPECT_EQ(result, "(B+B)*A");
    // A text that does not compile returns the compile error.
    variable = "X";
    EXPECT_NE(DifferentiateText("SIN(X", &variable, &result, nullptr), 0);
}

// Compiles text with X as a local variable, differentiates with respect to X and checks
// the derivative against a central difference at several points.
class FiniteDifference {
public:
    explicit FiniteDifference(const std::string& text) : text_(text) {
        locals_.values = values_;
        locals_.capacity = 4;
        locals_.names = {"X"};
        locals_.kinds = {0x800};
        InitCompiledExpression(&f_);
        InitCompiledExpression(&d_);
        ExpressionCompiler c;
        InitExpressionCompiler(&c, text_, &f_, 8, 2048);
        c.pending_mode = 1;
        SetCompilerLocals(&c, &locals_);
        ok_ = CompileExpression(&c) == 0 && DifferentiateExpression(f_, &d_, &values_[0]) == 0 && !d_.tokens.empty();
    }
    ~FiniteDifference() {
        FreeExpression(&f_);
        FreeExpression(&d_);
    }
    bool ok() const { return ok_; }

    double Value(CompiledExpression* e, double x) {
        values_[0] = x;
        ComplexValue v;
        EvaluateExpression(e, &v);
        return v.re;
    }
    double Exact(double x) { return Value(&d_, x); }
    double Numeric(double x) {
        const double h = 1e-6 * std::fmax(1.0, std::fabs(x));
        return (Value(&f_, x + h) - Value(&f_, x - h)) / (2 * h);
    }

private:
    std::string text_;
    double values_[4] = {};
    LocalNameSet locals_;
    CompiledExpression f_, d_;
    bool ok_ = false;
};

TEST(Derivative, MatchesFiniteDifferences) {
    const char* formulas[] = {
        "3*X+2", "X*X*X-4*X", "X^3", "X**2.5", "2**X", "X**X", "PWR(X,3)", "1/(1+X*X)", "(X+1)/(X-3)",
        "SQRT(X)", "LN(X)", "LOG(X)", "EXP(-X*X)", "ABS(X-0.5)", "-X", "X MOD 2",
        "SIN(2*X)", "COS(X)", "TAN(X)", "COT(X)", "SEC(X)", "CSC(X)",
        "ASIN(X/2)", "ACOS(X/2)", "ATAN(X)", "ACOT(X)", "ASEC(X+2)", "ACSC(X+2)",
        "SINH(X)", "COSH(X)", "TANH(X)", "COTH(X)", "SECH(X)", "CSCH(X)",
        "ASINH(X)", "ACOSH(X+2)", "ATANH(X/2)", "ACOTH(X+2)", "ASECH(X/2)", "ACSCH(X)",
        "MIN(X,1-X)", "MAX(X*X,0.3)", "IF(X-0.5,X*X,3*X)", "LIMIT(3*X,0.5,2)", "ATAN2(X,2)", "ATAN2(1+X*X,X)",
        "SIN(X)*EXP(X)/(2+COS(X))", "(X>0.5)*X",
    };
    for (const char* text : formulas) {
        FiniteDifference fd(text);
        ASSERT_TRUE(fd.ok()) << text;
        for (double x : {0.3, 0.7, 1.3}) {
            double exact = fd.Exact(x), numeric = fd.Numeric(x);
            EXPECT_NEAR(exact, numeric, 1e-5 * std::fmax(1.0, std::fabs(numeric))) << text << " at " << x;
        }
    }
}

TEST(Derivative, LongSumsAndTooDeepTrees) {
    std::string sum = "X";
    for (int i = 1; i < 500; ++i) sum += "+X";
    FiniteDifference fd(sum);
    ASSERT_TRUE(fd.ok());
    EXPECT_NEAR(fd.Exact(0.5), 500.0, 1e-9);
    // A left-deep sum beyond the workspace's depth is refused, not a crash.
    for (int i = 500; i < 5000; ++i) sum += "+X";
    double x = 0;
    LocalNameSet locals;
    locals.values = &x;
    locals.capacity = 1;
    locals.names = {"X"};
    locals.kinds = {0x800};
    CompiledExpression f, d;
    InitCompiledExpression(&f);
    InitCompiledExpression(&d);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, sum, &f, 8, 2048);
    SetCompilerLocals(&c, &locals);
    ASSERT_EQ(CompileExpression(&c), 0);
    EXPECT_EQ(DifferentiateExpression(f, &d, &x), 15002);
    EXPECT_TRUE(d.tokens.empty());
    FreeExpression(&f);
    // Nested LIMITs copy their operand five times a level: the node budget stops them.
    std::string nested = "X";
    for (int i = 0; i < 15; ++i) nested = "LIMIT(" + nested + ",0,1)";
    InitExpressionCompiler(&c, nested, &f, 8, 2048);
    SetCompilerLocals(&c, &locals);
    ASSERT_EQ(CompileExpression(&c), 0);
    EXPECT_EQ(DifferentiateExpression(f, &d, &x), 15002);
    FreeExpression(&f);
    FreeExpression(&d);
}

TEST(Derivative, StatefulOperatorKeepsItsOperandsAndSlots) {
    // d/dX X*DEL(X) = DEL(X) + X*0: the DEL copy carries its operand and fresh slots.
    double x = 0;
    LocalNameSet locals;
    locals.values = &x;
    locals.capacity = 1;
    locals.names = {"X"};
    locals.kinds = {0x800};
    CompiledExpression f, d;
    InitCompiledExpression(&f);
    InitCompiledExpression(&d);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "X*DEL(X)", &f, 1, 2048);
    SetCompilerLocals(&c, &locals);
    ASSERT_EQ(CompileExpression(&c), 0);
    ASSERT_EQ(DifferentiateExpression(f, &d, &x), 0);
    ASSERT_EQ(d.tokens.size(), 4u);  // X, two slots, DEL
    d.ResetState(1);
    x = 3.0;
    ComplexValue v;
    EXPECT_EQ(EvaluateExpression(&d, &v), 0);
    EXPECT_EQ(v.re, 2.0);  // 3 - 1.0 right after a reset
    FreeExpression(&f);
    FreeExpression(&d);
}

TEST(Derivative, NonDifferentiableLeavesResultUntouched) {
    double values[2] = {};
    LocalNameSet locals;
    locals.values = values;
    locals.capacity = 2;
    locals.names = {"X"};
    locals.kinds = {0x800};
    CompiledExpression f, d;
    InitCompiledExpression(&f);
    InitCompiledExpression(&d);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "J0(X)+X", &f, 8, 2048);
    SetCompilerLocals(&c, &locals);
    ASSERT_EQ(CompileExpression(&c), 0);
    ASSERT_NE(FindNonDifferentiable(f), nullptr);
    EXPECT_EQ(std::string(FindNonDifferentiable(f)), "J0");
    EXPECT_EQ(DifferentiateExpression(f, &d, &values[0]), 0);
    EXPECT_TRUE(d.tokens.empty());
    const double* variable = nullptr;
    EXPECT_EQ(SingleVariableOf(f, &variable), 4);
    FreeExpression(&f);
    FreeExpression(&d);
}

}  // namespace
}  // namespace ob7
