// RND values are redrawn per case in the graphs and in the source lists that use them.

#include <gtest/gtest.h>

#include <cstdlib>

#include "expression/random_tokens.h"
#include "expression/waveform_run_hooks.h"
#include "expression_test_util.h"

namespace ob7::test {
namespace {

// One graph (Y uses RND) and one resistor expression with RND.
class Owners final : public RunExpressionOwners {
public:
    CompiledExpression graph[2];
    CompiledExpression resistor;
    Owners() {
        for (CompiledExpression* e : {&graph[0], &graph[1], &resistor}) InitCompiledExpression(e);
        Compile(&graph[0], "1");
        Compile(&graph[1], "RND");
        Compile(&resistor, "1K*(1+RND)");
    }
    ~Owners() override {
        for (CompiledExpression* e : {&graph[0], &graph[1], &resistor}) FreeExpression(e);
    }
    static void Compile(CompiledExpression* e, const char* text) {
        ExpressionCompiler c;
        InitExpressionCompiler(&c, text, e, 0x8, 2048);
        ASSERT_EQ(CompileExpression(&c), 0);
    }
    int GraphCount() const override { return 1; }
    CompiledExpression* GraphExpression(int, int axis) override { return &graph[axis]; }
    std::string GraphExpressionText(int, int) const override { return ""; }
    int PointCount(int) const override { return 0; }
    double PointValue(int, int, int) const override { return 0.0; }
    void MovePoint(int, int, int) override {}
    void SetPointCount(int, int) override {}
    bool ListHoldsExpressions(ExpressionDeviceList list) const override {
        return list == ExpressionDeviceList::Resistors;
    }
    int DeviceCount(ExpressionDeviceList list) const override { return list == ExpressionDeviceList::Resistors; }
    CompiledExpression* DeviceExpression(ExpressionDeviceList, int) override { return &resistor; }
    int HistoryRecordCount() const override { return 0; }
    double* HistoryFields(int) override { return nullptr; }
    bool AnalysisLogOpen() const override { return false; }
    void WriteAnalysisLog(const std::string&) override {}
    std::string CircuitName() const override { return ""; }
};

double RandomOf(const CompiledExpression& e) {
    for (const ExpressionToken& t : e.tokens)
        if (t.opcode == 79) return t.value.number;
    return -1.0;
}

TEST(RandomTokens, EachCaseDrawsNewValues) {
    Owners owners;
    std::srand(1);
    const int mask = UpdateRandomTokenFlags(owners);
    EXPECT_EQ(mask, 1 << int(ExpressionDeviceList::Resistors));
    double graph_value = RandomOf(owners.graph[1]);
    double resistor_value = RandomOf(owners.resistor);
    bool graph_changed = false, resistor_changed = false;
    for (int i = 0; i < 10; ++i) {
        RedrawAllRandomTokens(owners, mask);
        graph_changed |= RandomOf(owners.graph[1]) != graph_value;
        resistor_changed |= RandomOf(owners.resistor) != resistor_value;
    }
    EXPECT_TRUE(graph_changed);
    EXPECT_TRUE(resistor_changed);
    // Without its list bit, the resistor keeps its value.
    resistor_value = RandomOf(owners.resistor);
    RedrawAllRandomTokens(owners, 0);
    EXPECT_EQ(RandomOf(owners.resistor), resistor_value);
}

}  // namespace
}  // namespace ob7::test
