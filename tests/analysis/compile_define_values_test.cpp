// A compile leaves every define's value evaluated: the values a run's later compiles
// keep for the defines the case does not vary.

#include <gtest/gtest.h>

#include "analysis/text_circuit_analysis.h"
#include "netlist/define_table.h"
#include "netlist/netlist_circuit.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

class CompileDefineValues : public TextCircuitHome {
protected:
    void TearDown() override {
        deck_.Close();
        TextCircuitHome::TearDown();
    }
    int Compile(const std::string& params) {
        deck_.OpenText((home / "defines.cir").string(),
                       "defines\n" + params + "V1 1 0 {A}\nR1 1 0 1K\n.OP\n.END\n");
        return deck_.Compile(0);
    }
    double Evaluated(const char* name) {
        const DefineEntry* e = FindDefineByName(deck_.Circuit()->tables.defines, name);
        return e ? e->evaluated : -1;
    }
    TextCircuitAnalysis deck_;
};

TEST_F(CompileDefineValues, EveryDefineIsEvaluated) {
    ASSERT_EQ(Compile(".PARAM A=2 B={A*3+1}\n.PARAM C={(B-A)/2}\n.FUNC TWICE(X) X*A\n"), 0) << AllReports();
    EXPECT_DOUBLE_EQ(Evaluated("A"), 2);
    EXPECT_DOUBLE_EQ(Evaluated("B"), 7);
    EXPECT_DOUBLE_EQ(Evaluated("C"), 2.5);
}

// A run's compile again: the varied symbol takes the case's value, every other define the
// value of the first compile.
TEST_F(CompileDefineValues, ARunsRecompileTakesTheCasesValues) {
    deck_.OpenText((home / "defines.cir").string(),
                   "defines\n.PARAM A=2 B={A*3+1}\nV1 1 0 {B}\nR1 1 0 1K\n.OP\n.END\n");
    const int code = deck_.WithCompiledCircuit(0, [this] {
        EXPECT_DOUBLE_EQ(Evaluated("B"), 7);
        if (int c = deck_.CompileWithDefines(0, {{"A", 5}})) return c;
        EXPECT_DOUBLE_EQ(Evaluated("A"), 5);
        EXPECT_DOUBLE_EQ(Evaluated("B"), 7);
        return 0;
    });
    EXPECT_EQ(code, 0) << AllReports();
}

}  // namespace
}  // namespace ob7
