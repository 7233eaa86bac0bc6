// The run option of text circuits, as a batch command line asks for it: a Save run writes
// the simulation data file beside the circuit, a Retrieve run replays it instead of
// solving (the deck changed in between, the replayed curves are still the saved ones).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/text_circuit_analysis.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

std::string RcDeck(const char* r) {
    return std::string("rc\nV1 1 0 AC 1 PULSE(0 1 0 1N 1N 1 2)\nR1 1 2 ") + r +
           "\nC1 2 0 1N\n.TRAN 0.1U 5U\n.AC DEC 5 1K 1MEG\n.PLOT TRAN V(2)\n.PLOT AC VM(2)\n.END\n";
}

class TextCircuitDataFile : public TextCircuitHome {
protected:
    // The points (x, y) of the first curve of a run of the deck.
    // mode: the command line's request (2 /S, 1 /R, 8 neither).
    std::vector<std::pair<double, double>> Run(const char* r, int kind, int mode) {
        TextCircuitAnalysis deck;
        deck.OpenText((home / "rc.cir").string(), RcDeck(r));
        deck.commandLineDataMode = mode;
        std::vector<std::pair<double, double>> points;
        EXPECT_EQ(deck.RunAnalysis(kind), 0) << AllReports();
        if (AnalysisRun* run = deck.LastRun())
            for (int i = 0; i < run->plot.RunPointCount(0, 0); ++i)
                points.push_back({run->plot.RunPointValue(0, 0, i, kAxisX), run->plot.RunPointValue(0, 0, i, kAxisY)});
        return points;
    }
};

TEST_F(TextCircuitDataFile, RetrieveReplaysWhatSaveWrote) {
    for (int kind : {0, 1}) {
        SCOPED_TRACE(kind);
        const auto saved = Run("1K", kind, 2);
        ASSERT_GT(saved.size(), 10u);
        EXPECT_TRUE(std::filesystem::exists(SimulationDataFileName((home / "rc.cir").string(), kind, false)));
        // Another resistor solves to other values; the retrieved run shows the saved ones.
        EXPECT_NE(Run("2K", kind, 8), saved);
        EXPECT_EQ(Run("2K", kind, 1), saved);
    }
    // A file of another circuit (one equation more) is obsolete: reported, and the run
    // saves a new one, which the next Retrieve takes.
    const char* larger = "1K\nR9 2 3 1K\nR8 3 0 1MEG";
    const auto solved = Run(larger, 0, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("Obsolete data file"), std::string::npos) << reports[0];
    EXPECT_EQ(Run(larger, 0, 1), solved);
    EXPECT_EQ(reports.size(), 1u);
}

}  // namespace
}  // namespace ob7
