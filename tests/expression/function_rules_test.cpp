// Function rules of the compiler: rewrites, defaults, sub-expressions, derivatives and
// the CASE structure of pin-delay programs.

#include <gtest/gtest.h>

#include <vector>

#include "expression_test_util.h"
#include "fake_circuit.h"

namespace ob7::test {
namespace {

std::vector<int> Opcodes(const char* text, int mask, int kind_flags, ExpressionContext* context = nullptr) {
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, text, &e, mask, kind_flags);
    c.context = context;
    c.pending_mode = 1;
    std::vector<int> ops;
    if (CompileExpression(&c)) {
        ADD_FAILURE() << text << ": " << TakePendingMessage();
        return ops;
    }
    for (const ExpressionToken& t : e.tokens) ops.push_back(t.opcode);
    FreeExpression(&e);
    return ops;
}

TEST(FunctionRules, DefaultsAndRewritesAreInserted) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    // JN(2,x) is JN(2,x,-10); TABLE and BIN get their counts.
    EXPECT_EQ(Opcodes("JN(2,V(A))", 0x7, 2048, &circuit), (std::vector<int>{7, 4, 7, 570}));
    EXPECT_EQ(Opcodes("TABLE(V(A),1,2)", 0x7, 2048, &circuit), (std::vector<int>{4, 7, 7, 7, 162}));
    EXPECT_EQ(Opcodes("BIN(D1,D2)", 0x1, kKindFlagsWithBusFunctions, &circuit),
              (std::vector<int>{3, 3, 7, 121}));
    // SDT(x) is SUM(x, T, TMIN) with its six slots; DDT(x) is DEL(x)/DEL(T).
    EXPECT_EQ(Opcodes("SDT(V(A))", 0x11, 2048, &circuit), (std::vector<int>{4, 4, 4, 10, 10, 10, 10, 10, 10, 43}));
    EXPECT_EQ(Opcodes("DDT(V(A))", 0x11, 2048, &circuit), (std::vector<int>{4, 10, 10, 44, 4, 10, 10, 44, 101}));
    // SUM(x, T) starts at TMIN; SUM(x, V(B)) at 0.
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "SUM(V(A),T)+SUM(V(A),V(B))", &e, 0x1, 2048);
    c.context = &circuit;
    ASSERT_EQ(CompileExpression(&c), 0);
    EXPECT_EQ(e.tokens[2].value.real, &circuit.run.tmin);
    EXPECT_EQ(e.tokens[12].opcode, 7);
    EXPECT_EQ(e.tokens[12].value.number, 0.0);
    EXPECT_TRUE(e.flags & 0x80000);
    FreeExpression(&e);
}

TEST(FunctionRules, EnergyTotalsNeedAnAnalysis) {
    FakeCircuit circuit;
    EXPECT_EQ(CompileAndRun("EGT", &circuit, 0x9).error_id, 807);
    circuit.run.analysis_kind = 0;
    EXPECT_EQ(Opcodes("EGT", 0x1, 2048, &circuit), (std::vector<int>{4, 4, 4, 10, 10, 10, 10, 10, 10, 43}));
    // A part's energy integrates its power the same way.
    EXPECT_EQ(Opcodes("ED(R1)", 0x1, 2048, &circuit), (std::vector<int>{4, 4, 4, 10, 10, 10, 10, 10, 10, 43}));
}

TEST(FunctionRules, DerivativesAreCompiledIn) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    circuit.run.time = 3.0;
    Outcome o = CompileAndRun("DER(T*T+2*T,T)", &circuit, 0x1);
    ASSERT_EQ(o.compile, 0) << o.message;
    EXPECT_DOUBLE_EQ(o.value.re, 8.0);
    EXPECT_EQ(CompileAndRun("DER(T*T,2*T)", &circuit, 0x1).error_id, 10437);
    // A derivative of a derivative cannot be formed: an error, never a silent 0.
    EXPECT_EQ(CompileAndRun("DER(DER(T*T,T),T)", &circuit, 0x1).error_id, 10424);
    // Each DER compiles its function one level deeper; the pool has four.
    EXPECT_EQ(CompileAndRun("DER(DER(DER(DER(T*T*T*T,T),T),T),T)", &circuit, 0x1).error_id, 10409);
}

TEST(FunctionRules, SeriesSumsItsTermAndCannotNest) {
    EXPECT_DOUBLE_EQ(CompileAndRun("SERIES(K,0,3,2**K)").value.re, 15.0);
    EXPECT_EQ(CompileAndRun("SERIES(K,0,3,SERIES(L,1,2,L))").error_id, 10434);
    EXPECT_EQ(CompileAndRun("SERIES(SIN,0,3,1)").error_id, 10433);
}

TEST(FunctionRules, CaseBuildsConditionAndDelayTriples) {
    EXPECT_EQ(Opcodes("CASE(TRN_LH, DELAY(1n,2n,3n), DELAY(4n,5n,6n))", 0x1, kKindFlagsPinDelay),
              (std::vector<int>{274, 8, 8, 8, 141, 8, 8, 8, 124}));
    EXPECT_EQ(Opcodes("CASE(TRN_LH, DELAY(1n,2n,3n), TRN_HL, DELAY(4n,5n,6n), DELAY(7n,8n,-1))", 0x1,
                      kKindFlagsPinDelay),
              (std::vector<int>{274, 8, 8, 8, 141, 289, 8, 8, 8, 141, 8, 8, 8, 124}));
    EXPECT_EQ(CompileAndRun("CASE(TRN_LH, DELAY(1n,2n,3n), CASE(TRN_HL, DELAY(1,1,1), DELAY(1,1,1)))", nullptr, 0x1,
                            kKindFlagsPinDelay)
                  .error_id,
              10423);
    // Without the default delay the CASE says so.
    Outcome o = CompileAndRun("CASE(TRN_LH, DELAY(1n,2n,3n))", nullptr, 0x1, kKindFlagsPinDelay);
    EXPECT_EQ(o.error_id, 10419);
    EXPECT_EQ(o.message, "Not enough parameters found in function 'CASE'.");
    // A transition in the default position is refused.
    EXPECT_EQ(CompileAndRun("CASE(TRN_LH, DELAY(1n,2n,3n), TRN_HL)", nullptr, 0x1, kKindFlagsPinDelay).error_id,
              10422);
}

TEST(FunctionRules, PerformanceFunctionsReadPlottedCurves) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    // The largest V(A) where V(B) is high: points 1, 2 and 4 give 3, 2 and 4.
    Outcome o = CompileAndRun("HIGH(V(A), V(B)>0.5)*2", &circuit, 0x21);
    ASSERT_EQ(o.compile, 0) << o.message;
    EXPECT_EQ(o.evaluate, 0) << o.message;
    EXPECT_DOUBLE_EQ(o.value.re, 8.0);
    EXPECT_EQ(CompileAndRun("HIGH(V(A)+1, 1)", &circuit, 0x21).error_id, 10435);
    EXPECT_EQ(CompileAndRun("PHASE_MARGIN(V(A))", &circuit, 0x21).error_id, 10438);
    EXPECT_EQ(CompileAndRun("PHASE_MARGIN(V(B))", &circuit, 0x21).compile, 0);
}

TEST(FunctionRules, DelayValuesAreComputedAtCompileTime) {
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "CASE(TRN_LH, DELAY(2*3n, 2N, -1), DELAY(1n,1n,1n))", &e, 0x1, kKindFlagsPinDelay);
    ASSERT_EQ(CompileExpression(&c), 0);
    ASSERT_GE(e.tokens.size(), 4u);
    EXPECT_DOUBLE_EQ(e.tokens[1].value.number, 6e-9);
    EXPECT_DOUBLE_EQ(e.tokens[2].value.number, 2e-9);
    EXPECT_DOUBLE_EQ(e.tokens[3].value.number, -1.0);
    FreeExpression(&e);
}

}  // namespace
}  // namespace ob7::test

namespace ob7::test {
namespace {

TEST(FunctionRules, LocalNamesAndImports) {
    // Locals with values compile into references; unknown names become new locals.
    double values[4] = {2.0, 0.0, 0.0, 0.0};
    LocalNameSet locals;
    locals.names = {"X"};
    locals.kinds = {kKindAnalog};
    locals.values = values;
    locals.capacity = 4;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "X*Y+1", &e, 0x8, 2048);
    SetCompilerLocals(&c, &locals);
    ASSERT_EQ(CompileExpression(&c), 0);
    ASSERT_EQ(locals.names.size(), 2u);
    EXPECT_EQ(locals.names[1], "Y");
    values[1] = 5.0;
    ComplexValue v;
    ASSERT_EQ(EvaluateExpression(&e, &v), 0);
    EXPECT_EQ(v.re, 11.0);

    // Pins of a logic primitive compile into argument references.
    LocalNameSet pins;
    pins.names = {"IN1", "IN2"};
    pins.kinds = {0x41, 0x41};
    InitExpressionCompiler(&c, "IN1 & ~IN2", &e, 0x1, kKindFlagsLogic);
    SetCompilerLocals(&c, &pins);
    ASSERT_EQ(CompileExpression(&c), 0);
    ASSERT_EQ(e.tokens.size(), 4u);
    EXPECT_EQ(e.tokens[0].opcode, kOpArgument);
    EXPECT_EQ(e.tokens[1].value.index, 1);

    // IMPORT reads the caller's import value.
    ComplexValue imported{0.5, -0.5};
    InitExpressionCompiler(&c, "IMPORT*2", &e, 0x11, 2048);
    c.import_specs = {&imported};
    ASSERT_EQ(CompileExpression(&c), 0);
    EXPECT_EQ(c.import_count, 1);
    ASSERT_EQ(EvaluateExpression(&e, &v), 0);
    EXPECT_EQ(v.re, 1.0);
    EXPECT_EQ(v.im, -1.0);
    InitExpressionCompiler(&c, "IMPORT+IMPORT", &e, 0x11, 2048);
    c.import_specs = {&imported};
    c.pending_mode = 1;
    EXPECT_EQ(CompileExpression(&c), 15060);
    EXPECT_EQ(c.error_id, 10435);
    TakePendingMessage();
    FreeExpression(&e);
}

}  // namespace
}  // namespace ob7::test
