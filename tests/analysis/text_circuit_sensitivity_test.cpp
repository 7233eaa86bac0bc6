// Sensitivity of text circuits: the names and parameters offered, the variables the
// circuit lacks dropped, and the results against forward differences of closed forms.

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/text_circuit_analysis.h"
#include "analysis/text_circuit_sensitivity.h"
#include "netlist/netlist_reader.h"
#include "sim/analysis/transient.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

// V1 10 V into R1 2k over R2 3k (node 2), and into a diode of model DX through 1k (node 3).
const char* const kDivider =
    "divider\n"
    "V1 1 0 10\n"
    "R1 1 2 2k\n"
    "R2 2 0 3k\n"
    "R3 1 3 1k\n"
    "D1 3 0 DX\n"
    ".MODEL DX D(IS=2e-14 RS=10)\n"
    ".END\n";

class TextCircuitSensitivityTest : public TextCircuitHome {
protected:
    void SetUp() override {
        TextCircuitHome::SetUp();
        deck_.OpenText("divider.cir", kDivider);
    }
    void TearDown() override {
        deck_.Close();
        TextCircuitHome::TearDown();
    }
    TextCircuitAnalysis deck_;
};

TEST_F(TextCircuitSensitivityTest, NamesParametersAndDroppedVariables) {
    EXPECT_EQ(TextCircuitSensitivityNames(deck_, 8), (std::vector<std::string>{"V1", "R1", "R2", "R3"}));
    EXPECT_EQ(TextCircuitSensitivityNames(deck_, 4), (std::vector<std::string>{"DX"}));
    EXPECT_TRUE(TextCircuitSensitivityNames(deck_, 0x20).empty());
    EXPECT_EQ(TextCircuitSensitivityParameters(deck_, 8, "R1", false), (std::vector<std::string>{"Value"}));
    const auto given = TextCircuitSensitivityParameters(deck_, 4, "DX", false);
    EXPECT_NE(std::find(given.begin(), given.end(), "IS"), given.end());
    EXPECT_NE(std::find(given.begin(), given.end(), "RS"), given.end());
    EXPECT_GT(TextCircuitSensitivityParameters(deck_, 4, "DX", true).size(), given.size());

    std::vector<SensitivityChoice> chosen = {{"R1", "Value", 0x19},  {"R9", "Value", 0x19},
                                             {"DX", "IS", 0x15},     {"DX", "NOSUCH", 0x15},
                                             {"DY", "IS", 0x15},     {"A", "Value", 0x31}};
    DropInvalidSensVariables(deck_, chosen);
    EXPECT_EQ(chosen, (std::vector<SensitivityChoice>{{"R1", "Value", 0x19}, {"DX", "IS", 0x15}}));
}

TEST_F(TextCircuitSensitivityTest, DividerAgainstForwardDifferences) {
    const std::string outputs[kSensitivityOutputs] = {"V(1)", "V(2)"};
    std::vector<SensitivityRow> rows;
    ASSERT_EQ(TextCircuitSensitivity(deck_, {{"R1", "Value", 0x19}, {"R2", "Value", 0x19}}, outputs, &rows), 0)
        << AllReports();
    ASSERT_EQ(rows.size(), 2u);
    auto divider = [](double r1, double r2) { return 10 * r2 / (r1 + r2); };
    // d V(2) / d R1 by the raised value (x * 1.001), as the calculation defines it.
    const double nominal = divider(2e3, 3e3);
    const double byR1 = (nominal - divider(2002, 3e3)) / (2e3 - 2002);
    const double byR2 = (nominal - divider(2e3, 3003)) / (3e3 - 3003);
    EXPECT_DOUBLE_EQ(rows[0].nominal_value, 2e3);
    EXPECT_NEAR(rows[0].cells[1].sensitivity, byR1, 1e-6 * std::fabs(byR1));
    EXPECT_NEAR(rows[0].cells[1].relative, 2e3 / nominal * byR1, 1e-6);
    EXPECT_NEAR(rows[1].cells[1].sensitivity, byR2, 1e-6 * std::fabs(byR2));
    // V(1) is held by V1: no change, which reads "0" (not "-0").
    EXPECT_EQ(rows[0].cells[0].sensitivity_text, "0");
    EXPECT_TRUE(rows[0].cells[2].sensitivity_text.empty());  // an unused output
}

TEST_F(TextCircuitSensitivityTest, ModelParameterAndFailures) {
    const std::string outputs[kSensitivityOutputs] = {"V(3)"};
    std::vector<SensitivityRow> rows;
    ASSERT_EQ(TextCircuitSensitivity(deck_, {{"DX", "IS", 0x15}, {"DX", "RS", 0x15}}, outputs, &rows), 0)
        << AllReports();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_DOUBLE_EQ(rows[0].nominal_value, 2e-14);
    // More saturation current: a lower forward voltage, about -Vt per e-fold.
    EXPECT_LT(rows[0].cells[0].sensitivity, 0);
    EXPECT_NEAR(rows[1].nominal_value, 10, 1e-9);
    EXPECT_GT(rows[1].cells[0].sensitivity, 0);  // series resistance raises V(3)

    // A variable the circuit lacks, and an output that does not compile, are reported.
    EXPECT_EQ(TextCircuitSensitivity(deck_, {{"R9", "Value", 0x19}}, outputs, &rows), 15055);
    const std::string bad[kSensitivityOutputs] = {"V(3"};
    EXPECT_NE(TextCircuitSensitivity(deck_, {{"R1", "Value", 0x19}}, bad, &rows), 0);
}

// The operating-point voltage of a node of a deck, solved on its own: the reference the
// forward differences are taken from.
double NodeVoltage(const std::string& text, const char* node) {
    TextCircuitAnalysis deck;
    deck.OpenText("reference.cir", text);
    double v = NAN;
    deck.WithCompiledCircuit(0, [&] {
        if (int code = RunOperatingPointOnly(27.0)) return code;
        v = Solution[FindNodeByName(*deck.Circuit(), node, 1)];
        return 0;
    });
    return v;
}

// A transistor stage whose model holds resistances and reciprocal parameters.
std::string Stage(const char* model) {
    return std::string("stage\nV1 1 0 10\nRL 1 2 2k\nRB 1 3 200k\nQ1 2 3 5 QX\nRX 5 0 100\n.MODEL QX NPN(") + model +
           ")\n.END\n";
}

// Resistances and the parameters the model keeps as reciprocals (RE, RC, VAF, IKF) vary
// as the user gave them: nominal values in ohms, volts and amperes, results per unit of
// them, equal to the forward difference of two separately solved decks.
TEST_F(TextCircuitSensitivityTest, ReciprocalModelParametersAgainstSeparateDecks) {
    const char* nominal = "IS=1e-15 BF=100 VAF=50 IKF=0.01 RE=5 RC=20";
    struct Case { const char* parameter; double value; const char* raised; } cases[] = {
        {"RE", 5, "IS=1e-15 BF=100 VAF=50 IKF=0.01 RE=5.005 RC=20"},
        {"RC", 20, "IS=1e-15 BF=100 VAF=50 IKF=0.01 RE=5 RC=20.02"},
        {"VAF", 50, "IS=1e-15 BF=100 VAF=50.05 IKF=0.01 RE=5 RC=20"},
        {"IKF", 0.01, "IS=1e-15 BF=100 VAF=50 IKF=0.01001 RE=5 RC=20"},
        {"BF", 100, "IS=1e-15 BF=100.1 VAF=50 IKF=0.01 RE=5 RC=20"},
    };
    std::vector<SensitivityChoice> chosen;
    for (const Case& c : cases) chosen.push_back({"QX", c.parameter, 0x15});
    deck_.OpenText("stage.cir", Stage(nominal));
    const std::string outputs[kSensitivityOutputs] = {"V(2)"};
    std::vector<SensitivityRow> rows;
    ASSERT_EQ(TextCircuitSensitivity(deck_, chosen, outputs, &rows), 0) << AllReports();
    ASSERT_EQ(rows.size(), std::size(cases));
    const double v0 = NodeVoltage(Stage(nominal), "2");
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(cases[i].parameter);
        const double x = cases[i].value;
        const double expected = (v0 - NodeVoltage(Stage(cases[i].raised), "2")) / (x - x * 1.001);
        EXPECT_NEAR(rows[i].nominal_value, x, 1e-12 * x);
        EXPECT_NE(expected, 0);
        EXPECT_NEAR(rows[i].cells[0].sensitivity, expected, 1e-4 * std::fabs(expected));
    }
}

// Two .PARAM symbols as input variables (one defined through a function): each value is applied by compiling the circuit
// again, and a part's value varied after them still reaches the new circuit.
TEST_F(TextCircuitSensitivityTest, SymbolicVariablesCompileTheCircuitAgain) {
    deck_.OpenText("symbols.cir",
                   "symbols\nV1 1 0 10\nR1 1 2 {RA}\nR2 2 0 {RB}\nR3 2 0 6k\n.PARAM RA=2k RB={TWICE(1.5k)}\n"
                   ".FUNC TWICE(X) {X*2}\n.END\n");
    EXPECT_EQ(TextCircuitSensitivityNames(deck_, 0x20), (std::vector<std::string>{"RA", "RB"}));
    EXPECT_EQ(TextCircuitSensitivityParameters(deck_, 0x20, "RA", true), (std::vector<std::string>{"Value"}));
    std::vector<SensitivityChoice> chosen = {{"RA", "Value", 0x31}, {"TWICE", "Value", 0x31}, {"RB", "Value", 0x31},
                                             {"R3", "Value", 0x19}, {"RZ", "Value", 0x31}};
    DropInvalidSensVariables(deck_, chosen);
    ASSERT_EQ(chosen, (std::vector<SensitivityChoice>{{"RA", "Value", 0x31}, {"RB", "Value", 0x31}, {"R3", "Value", 0x19}}));

    const std::string outputs[kSensitivityOutputs] = {"V(2)"};
    std::vector<SensitivityRow> rows;
    ASSERT_EQ(TextCircuitSensitivity(deck_, chosen, outputs, &rows), 0) << AllReports();
    ASSERT_EQ(rows.size(), 3u);
    // V(2) = 10 * Rp / (RA + Rp), Rp = RB || R3.
    auto v2 = [](double ra, double rb, double r3) {
        const double rp = rb * r3 / (rb + r3);
        return 10 * rp / (ra + rp);
    };
    const double v0 = v2(2e3, 3e3, 6e3);
    const double expected[] = {(v0 - v2(2002, 3e3, 6e3)) / -2.0, (v0 - v2(2e3, 3003, 6e3)) / -3.0,
                               (v0 - v2(2e3, 3e3, 6006)) / -6.0};
    const double values[] = {2e3, 3e3, 6e3};
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(rows[i].nominal_value, values[i]);
        EXPECT_NEAR(rows[i].cells[0].sensitivity, expected[i], 1e-6 * std::fabs(expected[i])) << i;
    }
    // The circuit is left at the nominal values.
    EXPECT_NEAR(Solution[FindNodeByName(*deck_.Circuit(), "2", 1)], v0, 1e-9);
}

}  // namespace
}  // namespace ob7
