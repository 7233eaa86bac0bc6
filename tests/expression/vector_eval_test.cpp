// Vector evaluation: the collect pass stores every pushed value per point, a replay
// stops at the first vector operator and names it.

#include <gtest/gtest.h>

#include "expression/vector_eval.h"
#include "expression_test_util.h"
#include "fake_circuit.h"

namespace ob7::test {
namespace {

TEST(VectorEval, CollectStoresOperandsAndReplayStopsAtTheOperator) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    VectorEvalContext vc;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "MAG(FFT(V(A)))+1", &e, 0x11, 2048);
    c.context = &circuit;
    c.vector_context = &vc;
    ASSERT_EQ(CompileExpression(&c), 0);
    ASSERT_TRUE(e.flags & 0x20000);
    EXPECT_EQ(e.tokens[2].opcode, 60);  // MAG over a vector operator takes its vector form
    EXPECT_EQ(e.stateful_depth, 1);
    EXPECT_EQ(vc.operand_array_count, 2);  // V(A) and 1

    ComplexValue v;
    for (int p = 0; p < 3; ++p) {
        circuit.v[1] = p + 1.0;
        ASSERT_EQ(EvaluateExpression(&e, &v, &vc), 0);
        EXPECT_EQ(v.re, 0.0);
    }
    EXPECT_EQ(vc.collect_point, 3);
    EXPECT_EQ(vc.At(0, 2).re, 3.0);
    EXPECT_EQ(vc.At(1, 0).re, 1.0);

    vc.replay = 1;
    vc.replay_point = 1;
    ASSERT_EQ(EvaluateExpression(&e, &v, &vc), 0);
    EXPECT_EQ(vc.vector_opcode, 48);
    EXPECT_EQ(vc.value_count, 0);
    EXPECT_EQ(v.re, 3.0);  // the stack as the replay left it, read this time at V(A) = 3

    // Without a vector context the operators do nothing.
    Outcome o = CompileAndRun("MAG(FFT(V(A)))+1", &circuit, 0x11);
    EXPECT_EQ(o.value.re, 4.0);
    FreeExpression(&e);
}

TEST(VectorEval, TheEngineCanSkipAndDropPoints) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    circuit.run.skip_first_vector_point = 1;
    VectorEvalContext vc;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "FFT(V(A))", &e, 0x11, 2048);
    c.context = &circuit;
    c.vector_context = &vc;
    ASSERT_EQ(CompileExpression(&c), 0);
    ComplexValue v;
    EvaluateExpression(&e, &v, &vc);
    EXPECT_EQ(vc.collect_point, 2);
    circuit.run.keep_vector_point = 0;
    EvaluateExpression(&e, &v, &vc);
    EXPECT_EQ(vc.collect_point, 2);
    vc.setup_error = 15055;  // the DSP set-up refused: the evaluation fails with it
    EXPECT_EQ(EvaluateExpression(&e, &v, &vc), 15055);
    FreeExpression(&e);
}

}  // namespace
}  // namespace ob7::test
