// The one-call services around the compiler: analysis-time expressions, numeric fields,
// reported errors and the function-name lists.

#include <gtest/gtest.h>

#include "expression/operator_table.h"
#include "expression_test_util.h"
#include "fake_circuit.h"
#include "foundation/numbers.h"
#include "foundation/report_sink.h"

namespace ob7::test {
namespace {

TEST(CompileServices, AnalysisExpressionsRefuseRunValues) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    CompiledExpression e;
    InitCompiledExpression(&e);
    EXPECT_EQ(CompileAnalysisExpression(&e, "TMAX/ 10", &circuit, nullptr), 0);
    EXPECT_EQ(CompileAnalysisExpression(&e, "V(A)*2", &circuit, nullptr), 15055);
    EXPECT_EQ(CompileAnalysisExpression(&e, "T+1", &circuit, nullptr), 15055);
    EXPECT_EQ(CompileAnalysisExpressionPlain(&e, "V(A)*2", &circuit, nullptr), 0);
    FreeExpression(&e);
}

TEST(CompileServices, AFailedSubstitutionIsShownOnce) {
    // The define table shows its own errors (15055); any other failure is memory.
    struct FailingDefines : FakeCircuit {
        int code = 0;
        int SubstituteDefines(std::string_view, int, std::string*) const override { return code; }
    };
    struct Capture : ReportSink {
        std::vector<int> ids;
        int Deliver(const ReportDelivery& r) override {
            ids.push_back(r.id);
            return 0;
        }
    } capture;
    SetBatchLogSink(&capture);
    FailingDefines circuit;
    circuit.run.analysis_kind = 0;
    CompiledExpression e;
    InitCompiledExpression(&e);
    circuit.code = 15055;
    EXPECT_EQ(CompileAnalysisExpression(&e, "1+1", &circuit, nullptr), 15055);
    EXPECT_TRUE(capture.ids.empty());
    circuit.code = 15002;
    EXPECT_EQ(CompileAnalysisExpression(&e, "1+1", &circuit, nullptr), 15055);
    EXPECT_EQ(capture.ids, std::vector<int>{15002});
    SetBatchLogSink(nullptr);
    FreeExpression(&e);
}

TEST(CompileServices, NumericFieldsEvaluateExpressions) {
    int code = -1;
    EXPECT_DOUBLE_EQ(EvalNumberOrExpression("2*PI", &code), 2 * 3.141592653589793);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(EvalNumberOrExpression("4K7", &code), 4700.0);
    EXPECT_EQ(EvalNumberOrExpression("2*NOPE", &code), 0.0);
    EXPECT_EQ(code, 15060);
    EXPECT_EQ(TakePendingMessage(), "Unknown identifier 'NOPE' in '2*NOPE'.");
    // A sign or point alone is neither a number nor an expression.
    for (const char* text : {"-", "+", ".", "-e5"}) {
        code = 0;
        EvalNumberOrExpression(text, &code);
        EXPECT_NE(code, 0) << text;
        ClearPendingMessage();
    }
}

TEST(CompileServices, ShownErrorsReturnReportedAndStopTheRun) {
    FakeCircuit circuit;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "1+", &e, 0x7, 2048);
    c.context = &circuit;
    c.stop_run_on_error = 1;
    EXPECT_EQ(CompileExpression(&c), 15055);
    EXPECT_EQ(c.error_id, 10403);
    EXPECT_EQ(circuit.stopped_runs, 1);
    FreeExpression(&e);
}

TEST(CompileServices, WhatAnExpressionDependsOn) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "V(A)*T+S+SERIES(K,1,2,F*K)", &e, 0x7, 2048);
    c.context = &circuit;
    ASSERT_EQ(CompileExpression(&c), 0);
    EXPECT_EQ(AnalysisVariableMask(e), 0x800 | 0x1000 | 0x2000);
    FreeExpression(&e);
    EXPECT_TRUE(IsCircuitVariableFunction("vbe"));
    EXPECT_TRUE(IsCircuitVariableFunction("BIN"));
    EXPECT_FALSE(IsCircuitVariableFunction("SIN"));
}

TEST(CompileServices, DeviceFunctionNamesForAPart) {
    std::vector<std::string> names;
    EXPECT_EQ(ListDeviceFunctionNames(kDevBipolar, "Q1", 'i', nullptr, false, &names), 4);
    EXPECT_EQ(names[0], "IB(Q1)");
    names.clear();
    ListDeviceFunctionNames(kDevResistor | kDevTwoTerminal, "R1", 'V', "MAG", true, &names);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "MAG(V(R1))");
}

}  // namespace
}  // namespace ob7::test
