// Node voltages, device quantities, model parameters and run values through the circuit
// seam, with a small fake circuit.

#include <gtest/gtest.h>

#include "expression_test_util.h"
#include "fake_circuit.h"

namespace ob7::test {
namespace {

double Value(const char* text, FakeCircuit& circuit) {
    Outcome o = CompileAndRun(text, &circuit);
    EXPECT_EQ(o.compile, 0) << text << ": " << o.message;
    EXPECT_EQ(o.evaluate, 0) << text << ": " << o.message;
    return o.value.re;
}

TEST(CircuitQuantities, NodesPartsAndPinsReadTheCircuit) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    EXPECT_DOUBLE_EQ(Value("V(A)", circuit), 2.0);
    EXPECT_DOUBLE_EQ(Value("v(a,b)", circuit), Value("V(A)-V(B)", circuit));
    EXPECT_DOUBLE_EQ(Value("2*V(A,B)", circuit), 3.0);  // the pair stays one operand
    EXPECT_DOUBLE_EQ(Value("V(0)", circuit), 0.0);
    EXPECT_DOUBLE_EQ(Value("V(R1)", circuit), 1.5);
    EXPECT_DOUBLE_EQ(Value("I(R1)", circuit), 1.5e-3);
    EXPECT_DOUBLE_EQ(Value("I(A,B)", circuit), 1.5e-3);
    EXPECT_DOUBLE_EQ(Value("I(B,A)", circuit), -1.5e-3);
    EXPECT_DOUBLE_EQ(Value("I(B,0)", circuit), 0.25);   // C1 from B to ground
    EXPECT_DOUBLE_EQ(Value("I(0,B)", circuit), -0.25);
    EXPECT_DOUBLE_EQ(Value("VBE(Q1)", circuit), 2.0);
    EXPECT_DOUBLE_EQ(Value("VCE(Q1)", circuit), 5.0);
    EXPECT_DOUBLE_EQ(Value("IC(Q1)", circuit), 0.01);
    EXPECT_DOUBLE_EQ(Value("R(R1)", circuit), 1000.0);
    EXPECT_DOUBLE_EQ(Value("L(L1)", circuit), 1e-3);
    EXPECT_DOUBLE_EQ(Value("PD(R1)", circuit), 3.0);
    EXPECT_NEAR(Value("B(L1)", circuit), 3.0 * 0.012566370614359173, 1e-15);
    EXPECT_NEAR(Value("H(L1)", circuit), 3.0 * 0.012566370614359171, 1e-15);
    EXPECT_DOUBLE_EQ(Value("Q1.BF*2", circuit), 200.0);
    EXPECT_DOUBLE_EQ(Value("Q1.RS", circuit), 0.25);  // stored as its reciprocal

    // The values are read at evaluation time, not copied at compile time.
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "V(A)*T", &e, 0x1, 2048);
    c.context = &circuit;
    ASSERT_EQ(CompileExpression(&c), 0);
    EXPECT_EQ(e.unit, 0x1);
    circuit.v[1] = 3.0;
    circuit.run.time = 2.0;
    ComplexValue v;
    ASSERT_EQ(EvaluateExpression(&e, &v), 0);
    EXPECT_DOUBLE_EQ(v.re, 6.0);
    FreeExpression(&e);
}

TEST(CircuitQuantities, WrongNamesAndPartsAreCompileErrors) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    const struct {
        const char* text;
        int id;
    } cases[] = {
        {"V(Q1)", 10416},       // a transistor's voltage needs its pins named
        {"VBE(R1)", 10416},
        {"I(NOPE)", 10412},
        {"I(A,OUT)", 10413},    // no device between them
        {"V(NOPE,A)", 10408},
        {"V((A))", 10418},
        {"B(R1)", 10416},
        {"Q1.NOPE", 10402},
        // an empty node or part argument is a missing operand, never node -1
        {"V(,)", 10403},
        {"V(,A)", 10403},
        {"V(A,)", 10403},
        {"I(,)", 10403},
        {"I(R1,)", 10403},
    };
    for (const auto& c : cases) EXPECT_EQ(CompileAndRun(c.text, &circuit).error_id, c.id) << c.text;
    EXPECT_EQ(CompileAndRun("I(NOPE)", &circuit).message, "Can't find label 'NOPE' in I(...)");
}

TEST(CircuitQuantities, AcAnalysisReadsTheComplexSolution) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 1;
    circuit.run.frequency = 1.0 / 6.283185307179586;
    Outcome o = CompileAndRun("V(A)*S", &circuit, 0x2);
    ASSERT_EQ(o.compile, 0) << o.message;
    EXPECT_NEAR(o.value.re, -1.0, 1e-12);  // (1+j) * j
    EXPECT_NEAR(o.value.im, 1.0, 1e-12);
    o = CompileAndRun("MAG(V(OUT))+ONOISE/2E-9", &circuit, 0x2);
    EXPECT_NEAR(o.value.re, 3.0, 1e-12);
}

TEST(CircuitQuantities, RunTimeFunctionsFollowTheRun) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "STP(1m)+IMPULSE(1K)", &e, 0x1, 2048);
    c.context = &circuit;
    ASSERT_EQ(CompileExpression(&c), 0);
    EXPECT_TRUE(e.flags & 0x8000000);
    const struct {
        double t, expected;
    } points[] = {{-1.0, 0.0}, {0.5e-7, 500.0}, {0.5e-3, 1000.0}, {1e-3, 1001.0}, {2e-3, 1.0}};
    for (const auto& p : points) {
        circuit.run.time = p.t;
        ComplexValue v;
        ASSERT_EQ(EvaluateExpression(&e, &v), 0);
        EXPECT_NEAR(v.re, p.expected, 1e-9) << p.t;
    }
    circuit.run.analysis_kind = 1;  // outside transient both are 0
    ComplexValue v;
    EvaluateExpression(&e, &v);
    EXPECT_EQ(v.re, 0.0);
    FreeExpression(&e);
}

TEST(CircuitQuantities, RandomValuesAreDrawnAndRedrawn) {
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "RND", &e, 0x8, 2048);
    ASSERT_EQ(CompileExpression(&c), 0);
    EXPECT_EQ(e.uses_random, 1);
    bool changed = false;
    double first = e.tokens[0].value.number;
    for (int i = 0; i < 20 && !changed; ++i) {
        RedrawRandomTokens(&e);
        double v = e.tokens[0].value.number;
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1.0);
        changed = v != first;
    }
    EXPECT_TRUE(changed);
    FreeExpression(&e);
}

TEST(CircuitQuantities, DeviceReferencesAskTheEngineToKeepValues) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "I(R1)+PD(R1)+PDT", &e, 0x1, 2048);
    c.context = &circuit;
    c.device_references = 2;
    ASSERT_EQ(CompileExpression(&c), 0);
    ASSERT_EQ(circuit.marks.size(), 2u);
    EXPECT_EQ(circuit.marks[0], std::make_pair(0, 2));
    EXPECT_EQ(circuit.marks[1], std::make_pair(1, 2));
    EXPECT_EQ(circuit.power_requests, 1);
    FreeExpression(&e);
}

}  // namespace
}  // namespace ob7::test
