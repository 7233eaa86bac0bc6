// Run-time faults: every route ends in one message, the failing expression evaluates to
// 1.0, and faults that are part of the language (x/0) are not faults.

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <string>

#include "expression/math_error.h"
#include "expression_test_util.h"
#include "fake_circuit.h"

namespace ob7::test {
namespace {

TEST(RuntimeErrors, FaultsBecomeTheFloatingPointMessage) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    circuit.v[1] = -8.0;  // V(A)
    const struct {
        const char* text;
        const char* message;  // null: no fault
        double value;
    } cases[] = {
        {"V(A)/0", nullptr, -8e50},            // a real division by zero is 1e50 times the dividend
        {"V(A)/(0*J)", nullptr, -8e50},
        {"V(A)/3", nullptr, -8.0 / 3.0},        // inexact alone is no fault
        {"V(A)**(1/3)", nullptr, 0.0},          // negative base, fractional exponent
        {"V(A) MOD 0", "Floating point 'invalid operation'.", 1.0},
        {"V(A)*1E19 & 1", "Floating point 'invalid operation'.", 1.0},  // no 64-bit integer
        {"~(V(A)*1E19)", "Floating point 'invalid operation'.", 1.0},
        {"V(A)*1E18 | 1", nullptr, -8e18},
        {"PWR(V(A),0.5)", "Floating point 'pow(-8,0.5) Domain error'.", 1.0},
        {"V(A)*1E200*1E200", "Floating point 'overflow'.", 1.0},
        {"V(A)*1E-200*1E-200", "Floating point 'underflow'.", 1.0},
    };
    for (const auto& c : cases) {
        Outcome o = CompileAndRun(c.text, &circuit);
        ASSERT_EQ(o.compile, 0) << c.text << ": " << o.message;
        EXPECT_EQ(o.evaluate, c.message ? 15060 : 0) << c.text << ": " << o.message;
        if (c.message) {
            EXPECT_EQ(o.message, c.message) << c.text;
        }
        EXPECT_DOUBLE_EQ(o.value.re, c.value) << c.text;
        EXPECT_EQ(o.value.im, 0.0) << c.text;
    }
}

TEST(RuntimeErrors, NaNOperandsAreInvalidOperations) {
    // MIN, MAX, IF and FACT meet a NaN as the comparisons do, rather than turning it into
    // an ordinary number.
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    circuit.v[1] = std::nan("");  // V(A)
    for (const char* text : {"V(A)<1", "MAX(V(A),1)", "MIN(1,V(A))", "IF(V(A),1,2)", "FACT(V(A))"}) {
        Outcome o = CompileAndRun(text, &circuit);
        ASSERT_EQ(o.compile, 0) << text << ": " << o.message;
        EXPECT_EQ(o.evaluate, 15060) << text;
        EXPECT_EQ(o.message, "Floating point 'invalid operation'.") << text;
        EXPECT_EQ(o.value.re, 1.0) << text;
    }
}

TEST(RuntimeErrors, ConstantFoldsEqualTheEvaluator) {
    // A formula means the same whether its operand is a constant (folded while compiling)
    // or a node voltage of that value.
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    for (const char* function : {"LOG", "LOG10", "SQRT", "EXP"}) {
        for (double x : {-100.0, -1.0, 0.0, 1e-60, 2.0}) {
            circuit.v[1] = x;
            char constant[64], node[64];
            std::snprintf(constant, sizeof constant, "%s(%.17g)", function, x);
            std::snprintf(node, sizeof node, "%s(V(A))", function);
            Outcome folded = CompileAndRun(constant, &circuit);
            Outcome evaluated = CompileAndRun(node, &circuit);
            EXPECT_EQ(folded.compile, evaluated.evaluate) << constant;
            EXPECT_EQ(folded.value.re, evaluated.value.re) << constant;
            EXPECT_EQ(folded.value.im, evaluated.value.im) << constant;
        }
    }
}

TEST(RuntimeErrors, ConstantFaultsAreFoundWhileFolding) {
    Outcome o = CompileAndRun("1+1/0");
    EXPECT_EQ(o.compile, 15060);
    EXPECT_EQ(o.message, "Floating point 'division by zero'.");
}

TEST(RuntimeErrors, TheFirstFaultIsReportedOnce) {
    ResetMathError();
    NoteMathFault(kFaultZeroDivide);
    std::feraiseexcept(FE_OVERFLOW);
    EXPECT_EQ(CheckMathError(), 15060);
    EXPECT_EQ(TakePendingMessage(), "Floating point 'division by zero'.");
    EXPECT_EQ(CheckMathError(), 0);

    NoteMathFault(139);  // a fault without a text
    EXPECT_EQ(CheckMathError(), 15060);
    EXPECT_EQ(TakePendingMessage(), "Floating point 'math error'.");

    double r = 0.0;
    MathErrorHook(kMathDomain, "log", -1.0, 0.0, &r);
    EXPECT_EQ(r, 1.0);
    EXPECT_EQ(CheckMathError(), 15060);
    EXPECT_EQ(TakePendingMessage(), "Floating point 'log(-1) Domain error'.");
}

TEST(RuntimeErrors, AnOpcodeTheEvaluatorCannotRunStopsWithAMessage) {
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "2", &e, 0x8, 2048);
    ASSERT_EQ(CompileExpression(&c), 0);
    ExpressionToken bad;
    bad.opcode = 999;
    bad.value.index = 1;
    e.tokens.push_back(bad);
    ComplexValue v;
    EXPECT_EQ(EvaluateExpression(&e, &v), 15060);
    EXPECT_EQ(TakePendingMessage(), "Missing or invalid expression.");
    EXPECT_EQ(v.re, 1.0);
    FreeExpression(&e);
}

TEST(RuntimeErrors, EvaluationStackOverflowIsAFault) {
    // The outer TABLE holds ~100 entries while the SERIES term pushes another 1002.
    std::string inner = "TABLE(0";
    for (int i = 0; i < 1000; ++i) inner += ",1";
    inner += ")";
    std::string outer = "TABLE(0";
    for (int i = 0; i < 99; ++i) outer += ",1";
    outer += ",SERIES(N,1,1," + inner + "))";
    Outcome o = CompileAndRun(outer, nullptr, 0xf);
    ASSERT_EQ(o.compile, 0) << o.message;
    EXPECT_EQ(o.evaluate, 15060);
    EXPECT_EQ(o.message, "Floating point 'stack overflow'.");
    EXPECT_EQ(o.value.re, 1.0);
    // The stack is whole again afterwards.
    EXPECT_EQ(CompileAndRun("1+2").value.re, 3.0);
}

}  // namespace
}  // namespace ob7::test
