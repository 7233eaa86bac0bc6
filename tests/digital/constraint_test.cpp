// CONSTRAINT parts: setup and hold, widths, frequencies and general checks, with their
// warning lines and error limits, and the errors of their text.

#include "digital_fixture.h"
#include "sim/digital/timing_checks.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class Constraints : public DigitalFixture {
protected:
    void SetUp() override {
        DigitalFixture::SetUp();
        DigitalWarningText.clear();
    }
    int Run(const std::string& stim, const std::string& constraint) {
        Stim("S1", {"CLK", "D"}, "11", stim);
        Add(kCtConstraint, "C1", {"CLK", "D"}).attributes["CONSTRAINT"] = constraint;
        if (int e = Build(1e-6)) return e;
        return RunTo(1e-6);
    }
};

TEST_F(Constraints, WarningLines) {
    struct Case { const char* stim; const char* constraint; const char* text; };
    const Case cases[] = {
        {"0 00 48ns 01 50ns 11", "SETUP_HOLD: CLOCK LH = CLK DATA(1) = D SETUPTIME = 5ns",
         "Setup time violation at t=5e-08\nDevice C1\nMinimum setup time is 5e-09\n"
         "Node D, measured setup time was 2e-09\n\n"},
        {"0 00 40ns 01 50ns 11 51ns 10", "SETUP_HOLD: CLOCK LH = CLK DATA(1) = D HOLDTIME = 3ns",
         "*Hold time violation at t=5.1e-08\nDevice C1\nMinimum hold time is 3e-09\n"
         "Node D, measured hold time was 1e-09\n\n"},
        // A falling clock edge is the active one for HL.
        {"0 10 48ns 11 50ns 01", "SETUP_HOLD: CLOCK HL = CLK DATA(1) = D SETUPTIME_HI = 4ns",
         "Setup time high violation at t=5e-08\nDevice C1\nMinimum setup time high is 4e-09\n"
         "Node D, measured setup time was 2e-09\n\n"},
        {"0 00 50ns 10 55ns 00", "WIDTH: NODE = CLK MIN_HI = 10ns",
         "Width high violation at t=5.5e-08\nDevice C1\nMinimum high width is 1e-08\n"
         "Node CLK, measured width was 5e-09\n\n"},
        // The X in between neither tests nor records: the low pulse runs from 10 to 30 ns.
        {"0 00 5ns 10 10ns 00 20ns X0 30ns 10", "WIDTH: NODE = CLK MIN_LO = 25ns",
         "Width low violation at t=3e-08\nDevice C1\nMinimum low width is 2.5e-08\n"
         "Node CLK, measured width was 2e-08\n\n"},
        // A 10 ns period against 50 MHz: reported once, then disarmed.
        {"0 00 REPEAT 5 TIMES +5ns 10 +5ns 00 ENDREPEAT", "FREQ: NODE = CLK MAXFREQ = 50MEG",
         "Maximum frequency violation at t=1.5e-08\nDevice C1\nMinimum period is 2e-08\n"
         "Node CLK, measured period was 1e-08\n\n"},
        {"0 00 10ns 10 20ns 00 300ns 10", "FREQ: NODE = CLK MINFREQ = 10MEG",
         "Minimum frequency violation at t=3e-07\nDevice C1\nMaximum period is 1e-07\n"
         "Node CLK, measured period was 2.9e-07\n\n"},
        {"0 00", "FREQ: NODE = CLK MINFREQ = 10MEG MAXFREQ = 1G", ""},  // never toggles
        {"0 00 10ns 10 20ns 11", "GENERAL: WHEN = { CLK & D } MESSAGE = \"both high\"",
         "\nDigital Warning\nGeneral violation at t=2e-08\nDevice C1\nboth high\n\n"},
        // A BOOLEAN result feeds a later WHEN.
        {"0 00 10ns 10 20ns 11", "BOOLEAN: B = { CLK ^ D } GENERAL: WHEN = { B }",
         "\nDigital Warning\nGeneral violation at t=1e-08\nDevice C1\n\n"},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        DigitalWarningText.clear();
        ASSERT_EQ(Run(c.stim, c.constraint), 0) << c.constraint << ": " << LastDigitalSetupError.text;
        EXPECT_EQ(DigitalWarningText, c.text) << c.constraint;
        FreeDigitalNetwork();
    }
}

TEST_F(Constraints, ErrorLimitStopsTheCheckAfterOneMore) {
    const std::string stim = "0 00 REPEAT 6 TIMES +5ns 10 +5ns 00 ENDREPEAT";
    struct Case { const char* limit; int reports; };
    const Case cases[] = {{" ERRORLIMIT = 1", 2}, {" ERRORLIMIT = 0", 6}, {"", 6}};
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        DigitalWarningText.clear();
        ASSERT_EQ(Run(stim, std::string("WIDTH: NODE = CLK MIN_HI = 8ns") + c.limit), 0);
        int reports = 0;
        for (size_t at = 0; (at = DigitalWarningText.find("Width high", at)) != std::string::npos; ++at) ++reports;
        EXPECT_EQ(reports, c.reports) << c.limit;
        EXPECT_EQ(DigitalWarningCount, c.reports);
        FreeDigitalNetwork();
    }
}

TEST_F(Constraints, AddsANodeOfItsOwn) {
    Stim("S1", {"CLK", "D"}, "11", "0 00");
    Add(kCtConstraint, "C1", {"CLK", "D"}).attributes["CONSTRAINT"] = "GENERAL: WHEN = { CLK }";
    ASSERT_EQ(Build(1e-6), 0);
    EXPECT_EQ(DigitalNet.node_count, 3);
}

TEST_F(Constraints, TextErrors) {
    struct Case { const char* text; int code; };
    const Case cases[] = {
        {"NODE = CLK", 13230},
        {"WIDTH: NODE = CLK BOGUS = 1", 13227},
        {"WIDTH: NODE = Q", 13231},
        {"WIDTH: NODE = C+K", 13246},
        {"SETUP_HOLD: CLOCK LH = CLK DATA(2) = D", 11902},
        {"SETUP_HOLD: CLOCK LH = CLK DATA(0) = D", 13232},
        {"SETUP_HOLD: CLOCK LH = CLK DATA(1) = D*", 13247},
        {"SETUP_HOLD: CLOCK UP = CLK", 11902},
        {"BOOLEAN: CLK = { D }", 13222},
        {"BOOLEAN: B%1 = { D }", 13248},
        {"GENERAL: MESSAGE = \"open", 11902},
        {"WIDTH: NODE CLK", 11902},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        EXPECT_EQ(Run("0 00", c.text), kMsgDigitalSetupFailed) << c.text;
        EXPECT_EQ(LastDigitalSetupError.code, c.code) << c.text;
        FreeDigitalNetwork();
    }
}

}  // namespace
