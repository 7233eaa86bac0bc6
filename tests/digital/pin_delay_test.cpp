// PINDLY parts: delays by expression, tri-state outputs, their checks and text errors.

#include "digital_fixture.h"
#include "sim/digital/timing_checks.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class PinDelays : public DigitalFixture {
protected:
    void SetUp() override {
        DigitalFixture::SetUp();
        DigitalWarningText.clear();
    }
    // Inputs A, B and the enable EN; A drives Y and B drives Z.
    int Run(const std::string& stim, const std::string& text) {
        Stim("S1", {"A", "B", "EN"}, "111", stim);
        auto& p = Add(kCtPinDly, "P1", {"A", "B", "EN", "Y", "Z"});
        p.input_count = 3;
        p.output_count = 2;
        p.attributes["PINDELAY"] = text;
        if (int e = Build(1e-6)) return e;
        return RunTo(1e-6);
    }
};

TEST_F(PinDelays, DelaysByExpression) {
    struct Case { const char* text; const char* y; const char* z; };
    const Case cases[] = {
        // The typical delay; the outputs start settled at the operating point.
        {"PINDLY: Y Z = { DELAY(1ns, 2ns, 3ns) }", "1@12 0@32", "1@22"},
        // Rising outputs take the first delay, every other change the second.
        {"PINDLY: Y = { CASE(TRN_LH, DELAY(1ns,2ns,3ns), DELAY(4ns,5ns,6ns)) } Z = { DELAY(7ns,7ns,7ns) }",
         "1@12 0@35", "1@27"},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        waves.clear();
        ASSERT_EQ(Run("0 000 10ns 100 20ns 110 30ns 010", c.text), 0) << LastDigitalSetupError.text;
        EXPECT_EQ(Wave("Y"), c.y) << c.text;
        EXPECT_EQ(Wave("Z"), c.z) << c.text;
        FreeDigitalNetwork();
    }
}

TEST_F(PinDelays, TriStateOutputsFollowTheEnable) {
    // ENABLE LO: driving while EN is 0, Z (strength 0) while it is 1.
    ASSERT_EQ(Run("0 110 10ns 111 20ns 110", "TRISTATE: ENABLE LO = EN Y Z = { DELAY(1ns,1ns,1ns) }"), 0);
    EXPECT_EQ(Wave("Y"), "Z@11 1@21");
    EXPECT_EQ(Wave("Z"), "Z@11 1@21");
}

TEST_F(PinDelays, ChecksAreGroupedAsInAConstraint) {
    // The MESSAGE belongs to the GENERAL check with its WHEN: reported only while A and B
    // are both 1 (from 20 ns to 30 ns, at the two evaluations there).
    ASSERT_EQ(Run("0 000 10ns 100 20ns 110 25ns 111 30ns 010",
                  "PINDLY: Y Z = { DELAY(1ns,1ns,1ns) } GENERAL: WHEN = { A & B } MESSAGE = \"both high\""),
              0);
    EXPECT_EQ(DigitalWarningText,
              "\nDigital Warning\nGeneral violation at t=2e-08\nDevice P1\nboth high\n\n"
              "\nDigital Warning\nGeneral violation at t=2.5e-08\nDevice P1\nboth high\n\n");
}

TEST_F(PinDelays, TextErrors) {
    struct Case { const char* text; int code; };
    const Case cases[] = {
        {"Y = { DELAY(1ns,1ns,1ns) }", 13229},
        {"PINDLY: A = { DELAY(1ns,1ns,1ns) }", 13223},
        {"PINDLY: Y+ = { DELAY(1ns,1ns,1ns) }", 13245},
        {"TRISTATE: Y = { DELAY(1ns,1ns,1ns) }", 13228},
        {"TRISTATE: ENABLE HI = Q Y = { DELAY(1ns,1ns,1ns) }", 13233},
        {"TRISTATE: ENABLE HI = E+N Y = { DELAY(1ns,1ns,1ns) }", 13244},
        {"PINDLY: Y = DELAY(1ns,1ns,1ns)", 13225},
        {"BOOLEAN: A = { B }", 13222},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        EXPECT_EQ(Run("0 000", c.text), kMsgDigitalSetupFailed) << c.text;
        EXPECT_EQ(LastDigitalSetupError.code, c.code) << c.text;
        FreeDigitalNetwork();
    }
}

}  // namespace
