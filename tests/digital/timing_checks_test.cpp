// Timing checks of flip-flops and latches, their warning lines and the warning limits.

#include "digital_fixture.h"
#include "sim/digital/timing_checks.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class TimingChecks : public DigitalFixture {
protected:
    void SetUp() override {
        DigitalFixture::SetUp();
        DigitalWarningText.clear();
    }
    // A D flip-flop with TSUDCLK 5 ns, THDCLK 3 ns, TWCLKH 10 ns, driven by the command.
    void Dff(const std::string& command, const std::map<std::string, double>& extra = {}) {
        circuit.hi_node = Node("$D_HI");
        Stim("S1", {"CLK", "D"}, "11", command);
        std::map<std::string, double> d = {{"TPCLKQLHTY", 1e-9}, {"TPCLKQHLTY", 1e-9}, {"TSUDCLKTY", 5e-9},
                                           {"THDCLKTY", 3e-9}, {"TWCLKHTY", 10e-9}};
        for (const auto& [k, v] : extra) d[k] = v;
        Add(kCtDff, "U1", {"$D_HI", "$D_HI", "CLK", "D", "Q", "QB"}, d);
        ASSERT_EQ(Build(1e-6), 0);
        ASSERT_EQ(RunTo(1e-6), 0);
    }
};

TEST_F(TimingChecks, SetupHoldAndWidthWarnings) {
    struct Case { const char* command; const char* text; };
    const Case cases[] = {
        {"0 00 48ns 01 50ns 11 70ns 01",
         "\nDigital Warning\nD input setup time violation at t=5e-08\nDevice U1\nD input changed at 4.8e-08\n"
         "Required D input setup time is 5e-09\nMeasured D input setup time is 2e-09\n"},
        {"0 00 50ns 10 51ns 11 70ns 01",
         "\nDigital Warning\nD input hold violation at t=5.1e-08\nDevice U1\nClock changed at 5e-08\n"
         "D input changed at 5.1e-08\nRequired D input hold time is 3e-09\nMeasured D input hold time is 1e-09\n"},
        {"0 00 50ns 10 55ns 00",
         "\nDigital Warning\nMinimum clock width high violation at t=5.5e-08\nDevice U1\n"
         "Required minimum clock high width is 1e-08\nMeasured minimum clock high width is 5e-09\n"},
        // Intervals equal to the parameters are no violations.
        {"0 00 45ns 01 50ns 11 53ns 10 60ns 00", ""},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        DigitalWarningText.clear();
        Dff(c.command);
        EXPECT_EQ(DigitalWarningText, c.text) << c.command;
        FreeDigitalNetwork();
    }
}

TEST_F(TimingChecks, AZeroParameterNeverFails) {
    Dff("0 00 49ns 01 50ns 11 70ns 01", {{"TSUDCLKTY", 0}});
    EXPECT_EQ(DigitalWarningText, "");
}

TEST_F(TimingChecks, WarningLimitLetsOneMoreThrough) {
    // Four setup violations, 2 ns each before a clock edge at 50, 150, 250 and 350 ns.
    const std::string command = "0 00 48ns 01 50ns 11 100ns 01 148ns 00 150ns 10 200ns 00 248ns 01 250ns 11 "
                                "300ns 01 348ns 00 350ns 10";
    struct Case { int limit; int nooutmsg; int written; const char* notice; };
    const Case cases[] = {
        {2, 0, 3, "3 digital warning messages.\nSee Numeric Output window."},
        {0, 0, 4, "4 digital warning messages.\nSee Numeric Output window."},  // 0: no limit
        {10, 1, 0, ""},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        DigitalWarningText.clear();
        Options.digerrlimit = c.limit;
        Options.nooutmsg = c.nooutmsg;
        Dff(command);
        int blocks = 0;
        for (size_t at = 0; (at = DigitalWarningText.find("Digital Warning", at)) != std::string::npos; ++at) ++blocks;
        EXPECT_EQ(blocks, c.written) << c.limit;
        EXPECT_EQ(DigitalWarningNotice(false), c.notice) << c.limit;
        EXPECT_EQ(DigitalWarningNotice(true), "");  // batch mode shows nothing
        FreeDigitalNetwork();
    }
    Options.digerrlimit = 1;
    Options.nooutmsg = 0;
    DigitalWarningCount = 1;
    EXPECT_EQ(DigitalWarningNotice(false), "1 digital warning message.\nSee Numeric Output window.");
}

TEST_F(TimingChecks, LatchGateWidthAndDataSetup) {
    circuit.hi_node = Node("$D_HI");
    Stim("S1", {"G", "D"}, "11", "0 00 20ns 10 24ns 11 25ns 01");
    Add(kCtDltch, "U2", {"$D_HI", "$D_HI", "G", "D", "Q", "QB"},
        {{"TPDQLHTY", 1e-9}, {"TPDQHLTY", 1e-9}, {"TWGHTY", 10e-9}, {"TSUDGTY", 3e-9}});
    ASSERT_EQ(Build(1e-6), 0);
    ASSERT_EQ(RunTo(100e-9), 0);
    EXPECT_EQ(DigitalWarningText,
              "\nDigital Warning\nGate width violation at t=2.5e-08\nDevice U2\nRequired gate width is 1e-08\n"
              "Measured gate width is 5e-09\n"
              "\nDigital Warning\nData setup time violation at t=2.5e-08\nDevice U2\n"
              "Required data setup time is 3e-09\nMeasured data setup time is 1e-09\n");
}

}  // namespace
