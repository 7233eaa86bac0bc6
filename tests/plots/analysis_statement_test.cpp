// The .TF and .SENS statements written back into a circuit text.

#include <gtest/gtest.h>

#include "plots/analysis_statement.h"

namespace {

using namespace ob7;

TEST(AnalysisStatement, StatementTexts) {
    TransferFunctionSettings tf;
    EXPECT_EQ(TfStatementText(tf), "");
    tf.outputs = {"V(OUT)", "V(A)"};
    tf.inputSource = "V1";
    EXPECT_EQ(TfStatementText(tf), ".TF V(OUT) V1");
    std::string outputs[kSensitivityOutputs] = {"V(OUT)", "", "I(R1)"};
    EXPECT_EQ(SensStatementText(outputs), ".sens V(OUT)  I(R1)       ");
}

TEST(AnalysisStatement, ReplacesOutsideSubcircuitsKeepingComments) {
    struct Case {
        const char* name;
        AnalysisStatement kind;
        std::string text, statement, expected;
    };
    const Case cases[] = {
        {"first replaced, later removed, subcircuit kept", AnalysisStatement::Tf,
         "title\nR1 1 0 1k\n.tf v(1) V1\n.SUBCKT X A B\n.TF v(a) v2\n.ENDS\n.Tf V(2)\n+ V1\n.end\n", ".TF V(OUT) V1",
         "title\nR1 1 0 1k\n.TF V(OUT) V1\n.SUBCKT X A B\n.TF v(a) v2\n.ENDS\n.end\n"},
        {"continuation with a comment inside", AnalysisStatement::Sens,
         "t\r\n.SENS V(1)\r\n* outputs\r\n+ V(2)\r\nR1 1 0 1\r\n", ".sens V(3)",
         "t\r\n.sens V(3)\r\n* outputs\r\nR1 1 0 1\r\n"},
        {"none: before .END", AnalysisStatement::Sens, "t\nR1 1 0 1\n.END\n.SENS V(9)\n", ".sens V(1)",
         "t\nR1 1 0 1\n.sens V(1)\n.END\n.SENS V(9)\n"},
        {"none and no .END: appended", AnalysisStatement::Tf, "t\nR1 1 0 1", ".TF V(1) V1", "t\nR1 1 0 1\n.TF V(1) V1"},
        {"empty statement only removes; .ENDS counts as .END only exactly", AnalysisStatement::Tf,
         "t\n.TF V(1) V1\n.ENDSX\n", "", "t\n.ENDSX\n"},
        {".SENSE is another statement", AnalysisStatement::Sens, "t\n.SENSE x\n", ".sens a", "t\n.SENSE x\n.sens a\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceAnalysisStatement(c.text, c.kind, c.statement), c.expected) << c.name;
}

}  // namespace
