// A SPICE deck with digital primitives through the program's road: read with its
// .OPTIONS, compiled (interfaces from the shipped library, digital parts set up), run as
// a transient, and its .PRINT curve kept by the run.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "analysis/text_circuit_analysis.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

class MixedDeckRun : public TextCircuitHome {
protected:
    void TearDown() override {
        deck_.Close();
        TextCircuitHome::TearDown();
    }
    TextCircuitAnalysis deck_;
};

// A ramp into an inverter into a 1 kohm load (the default interfaces: 1 above 2 V, 0
// below 0.8 V; the output pulled to 5 V through 10 ohm for 1, to ground for 0, 200 ohm
// each way for X). DIGIOLVL=4 picks the level-4 interfaces, which the I/O model names
// as two resistors only: 1 kohm to the supply.
TEST_F(MixedDeckRun, TransientOfAMixedDeck) {
    const std::string body =
        "V1 IN 0 PULSE(0 5 0 1U 1U 5U 20U)\n"
        "U1 INV $G_DPWR $G_DGND IN OUT DLY IOM\n"
        "R1 OUT 0 1K\n"
        ".MODEL DLY UGATE (TPLHTY=10N TPHLTY=20N)\n"
        ".MODEL IOM UIO (DTOA4=\"PULLHIGH\")\n"
        ".SUBCKT PULLHIGH D A DPWR DGND PARAMS: CAPACITANCE=0 DRVH=0 DRVL=0\n"
        "RUP A DPWR 1K\n"
        ".ENDS\n"
        ".TRAN 10N 8U 0 1N\n"
        ".PRINT TRAN V(OUT)\n"
        ".END\n";
    const double one = 5.0 * 500 / 510, zero = 5.0 * (1000.0 / 101) / (1000 + 1000.0 / 101);
    const struct {
        const char* options;
        double at3us, at8us;  // V(OUT) while the input is high, and after it fell
    } cases[] = {{"", zero, one}, {".OPTIONS DIGIOLVL=4\n", 2.5, 2.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        deck_.OpenText((home / "mixed.cir").string(), std::string("Mixed inverter\n") + c.options + body);
        ASSERT_EQ(deck_.RunAnalysis(kTransient), 0) << AllReports();
        AnalysisPlot& plot = deck_.LastRun()->plot;
        ASSERT_EQ(plot.curves.size(), 1u);
        ASSERT_EQ(plot.curves[0].text[kAxisY], "V(OUT)");
        auto at = [&plot](double t) {
            for (int i = 0; i < plot.RunPointCount(0, 0); ++i)
                if (plot.RunPointValue(0, 0, i, -1) >= t) return plot.RunPointValue(0, 0, i, kAxisY);
            return plot.RunPointValue(0, 0, plot.RunPointCount(0, 0) - 1, kAxisY);
        };
        EXPECT_NEAR(at(3e-6), c.at3us, 1e-6);
        EXPECT_NEAR(at(8e-6), c.at8us, 1e-6);
        deck_.Close();
    }
}

// Two inverters behind a 5 V source: IN$ATOD reads 1 (above 2 V), MID is 0, OUT$DTOA is
// 1 and drives OUT high. Digital nodes are numbered apart from analog ones; both
// sections list all of theirs. Names are 8 wide here, so a cell takes 8 + 8 of the width.
TEST_F(MixedDeckRun, OperatingPointListsTheDigitalStates) {
    const std::string voltages =
        "Node         Voltage  Node         Voltage  Node         Voltage \n"
        "IN            5.000   OUT           4.902   $G_DPWR       5.000  \n"
        "$G_DGND       0.000  \n";
    const struct {
        const char* options;
        std::string section;
    } cases[] = {
        {"",
         std::string(23, ' ') + "DC Operating Point Digital States\n"
                                "Node     StateNode     StateNode     State\n"
                                "MID      0    IN$ATOD  1    OUT$DTOA 1    \n"},
        // Two cells a line: the third starts a line of its own, which is ended.
        {".OPTIONS WIDTH=40\n",
         std::string(3, ' ') + "DC Operating Point Digital States\n"
                               "Node     StateNode     State\n"
                               "MID      0    IN$ATOD  1    \n"
                               "OUT$DTOA 1    \n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        deck_.OpenText((home / "states.cir").string(), std::string("Two inverters\n") + c.options +
                                                           "V1 IN 0 5\n"
                                                           "U1 INV $G_DPWR $G_DGND IN MID DLY IOM\n"
                                                           "U2 INV $G_DPWR $G_DGND MID OUT DLY IOM\n"
                                                           "R1 OUT 0 1K\n"
                                                           ".MODEL DLY UGATE (TPLHTY=10N TPHLTY=20N)\n"
                                                           ".MODEL IOM UIO\n"
                                                           ".TRAN 10N 100N 0 1N\n"
                                                           ".PRINT TRAN V(OUT)\n"
                                                           ".END\n");
        ASSERT_EQ(deck_.RunAnalysis(kTransient), 0) << AllReports();
        deck_.Close();
        std::ifstream in(home / "states.TNO");
        std::stringstream s;
        s << in.rdbuf();
        const std::string text = s.str();
        const size_t title = text.find("DC Operating Point Digital States");
        ASSERT_NE(title, std::string::npos) << text;
        const size_t start = text.rfind('\n', title) + 1;
        EXPECT_EQ(text.substr(start, text.find("\n\n", start) + 1 - start), c.section) << text;
        if (!*c.options) EXPECT_NE(text.find(voltages), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace ob7
