// The transfer function of text circuits: the source found by name, the output compiled
// against the circuit, the fields as the dialog shows them.

#include <gtest/gtest.h>

#include "analysis/text_circuit_analysis.h"
#include "analysis/text_circuit_sensitivity.h"
#include "analysis/text_circuit_transfer.h"
#include "sim/engine/newton.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

// V1 10 V into 2k over 3k (node 2), I1 1 mA into node 3 across 1k, a battery-like V2
// holding node 4 at 5 V.
const char* const kDivider =
    "divider\n"
    "V1 1 0 10\n"
    "R1 1 2 2k\n"
    "R2 2 0 3k\n"
    "I1 0 3 1m\n"
    "R3 3 0 1k\n"
    "V2 4 0 5\n"
    ".END\n";

class TextCircuitTransfer : public TextCircuitHome {
protected:
    void SetUp() override {
        TextCircuitHome::SetUp();
        deck_.OpenText("divider.cir", kDivider);
    }
    void TearDown() override {
        deck_.Close();
        TextCircuitHome::TearDown();
    }
    TfResult Run(const std::string& output, const std::string& source, int expectedCode = 0) {
        TfResult r;
        EXPECT_EQ(TextCircuitTransferFunction(deck_, output, source, &r), expectedCode) << AllReports();
        return r;
    }
    TextCircuitAnalysis deck_;
};

TEST_F(TextCircuitTransfer, DividerAndCurrentSource) {
    EXPECT_EQ(TextCircuitSourceNames(deck_), (std::vector<std::string>{"V1", "I1", "V2"}));
    TfResult r = Run("V(2)", "V1");
    EXPECT_NEAR(r.transfer_function, 0.6, 1e-9);
    EXPECT_NEAR(r.input_impedance, 5e3, 1e-3);
    EXPECT_NEAR(r.output_impedance, 1.2e3, 1e-3);
    EXPECT_EQ(r.transfer_function_text, "0.6");
    // A current source into 1k: transfer and input impedance 1000.
    r = Run("v(3)", "i1");
    EXPECT_NEAR(r.transfer_function, 1e3, 1e-6);
    EXPECT_NEAR(r.input_impedance, 1e3, 1e-6);
    // Held by an ideal source: output impedance 0. Not V() or I(): N/A.
    EXPECT_EQ(Run("V(4)", "V1").output_impedance_text, "0");
    r = Run("V(2)*2", "V1");
    EXPECT_NEAR(r.transfer_function, 1.2, 1e-9);
    EXPECT_EQ(r.output_impedance_text, "N/A");
    // A resistor is no source.
    r = Run("V(2)", "R1");
    EXPECT_EQ(r.transfer_function_text, "Bad source.");
    EXPECT_EQ(r.input_impedance_text, "");
}

// The transfer-function and sensitivity compiles are small-signal requests: no voltage-loop
// or DC-path check. Node 5 between two capacitors fails the DC-path check of a run; here
// the compile passes and the operating point itself reports the singular matrix.
TEST_F(TextCircuitHome, TransferAndSensitivityCompilesSkipTheLoopChecks) {
    auto hasReport = [this](const char* text) {
        for (const std::string& r : reports)
            if (r.find(text) != std::string::npos) return true;
        return false;
    };
    TextCircuitAnalysis deck;
    deck.OpenText((home / "floating.cir").string(),
                  "floating\nV1 1 0 10\nR1 1 2 2k\nR2 2 0 3k\nC1 2 5 1u\nC2 5 0 1u\n.END\n");
    EXPECT_EQ(deck.Compile(0), kMsgReported);
    EXPECT_TRUE(hasReport("Node 5 has no DC path to ground."));

    reports.clear();
    TfResult r;
    EXPECT_EQ(TextCircuitTransferFunction(deck, "V(2)", "V1", &r), kMsgMatrixSingular);
    EXPECT_EQ(r.transfer_function_text, "Matrix is singular.");
    reports.clear();
    const std::string outputs[kSensitivityOutputs] = {"V(2)"};
    std::vector<SensitivityRow> rows;
    EXPECT_NE(TextCircuitSensitivity(deck, {{"R1", "Value", 0x19}}, outputs, &rows), kMsgReported);
    EXPECT_FALSE(hasReport("DC path")) << AllReports();
    EXPECT_EQ(TextCircuitSensitivityNames(deck, 8), (std::vector<std::string>{"V1", "R1", "R2", "C1", "C2"}));
    deck.Close();
}

}  // namespace
}  // namespace ob7
