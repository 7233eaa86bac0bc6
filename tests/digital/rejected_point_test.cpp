// Pin value records (the edges the CHANGED functions read) and what a rejected analog
// time point must leave as it found it: node states, timing-check histories, pin value
// records and the warnings written.

#include <functional>

#include "digital_fixture.h"
#include "sim/digital/timing_checks.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class PinRecords : public DigitalFixture {
protected:
    void SetUp() override {
        DigitalFixture::SetUp();
        DigitalWarningText.clear();
        DigitalWarningCount = 0;
    }
    // Like RunTo, but every time point is applied, rejected and applied again.
    int RunRejectingEveryPoint(double t) {
        const uint32_t end = DigitalTimeTick(t);
        uint32_t tick;
        while (NextDigitalEventTick(&tick) && tick <= end) {
            if (int e = ApplyDigitalEventsAt(tick)) return e;
            if (int e = RollBackDigitalChanges()) return e;
            ClearDigitalChangeQueue();
            if (int e = ApplyDigitalEventsAt(tick)) return e;
            for (const DigitalTransition& tr : DigitalRun.transitions)
                waves[tr.node].push_back({DigitalTickTime(tr.tick), DigitalStateChar(tr.state)});
            ClearDigitalChangeQueue();
            ++DigitalRun.solution_count;
        }
        return 0;
    }
    // A and B drive Y and Z through a pin-delay part enabled by EN.
    void PinDelay(const std::string& stim, const std::string& text) {
        Stim("S1", {"A", "B", "EN"}, "111", stim);
        auto& p = Add(kCtPinDly, "P1", {"A", "B", "EN", "Y", "Z"});
        p.input_count = 3;
        p.output_count = 2;
        p.attributes["PINDELAY"] = text;
    }
    void Constraint(const std::string& stim, const std::string& text) {
        Stim("S1", {"CLK", "D"}, "11", stim);
        Add(kCtConstraint, "C1", {"CLK", "D"}).attributes["CONSTRAINT"] = text;
    }
};

// Y follows A, 1 ns when B changed less than 10 ns before the previous time point
// that evaluated the part, else 5 ns; Z follows B, 2 ns when A changes at the same time
// point, else 6 ns.
const char* kEdgeDelays =
    "PINDLY: Y = { CASE(CHANGED(B, 10ns), DELAY(1ns,1ns,1ns), DELAY(5ns,5ns,5ns)) } "
    "Z = { CASE(CHANGED(A, 0), DELAY(2ns,2ns,2ns), DELAY(6ns,6ns,6ns)) }";
const char* kEdgeStimulus = "0 001 10ns 011 15ns 111 30ns 101 40ns 001 50ns 111";

TEST_F(PinRecords, ChangedReadsTheEdgesOfThePreviousTimePoint) {
    PinDelay(kEdgeStimulus, kEdgeDelays);
    ASSERT_EQ(Build(1e-6), 0) << LastDigitalSetupError.text;
    ASSERT_EQ(RunTo(1e-6), 0);
    // 15 ns: B rose at the 10 ns point, 5 ns before. 40 ns: B fell at the 30 ns point,
    // exactly 10 ns before, which is not less. 50 ns: the 40 ns point left B unchanged.
    EXPECT_EQ(Wave("Y"), "1@16 0@45 1@55");
    // 10 and 30 ns: A had changed earlier, not at that point; 50 ns: A rises with B.
    EXPECT_EQ(Wave("Z"), "1@16 0@36 1@52");
}

TEST_F(PinRecords, ConstraintConditionOnAnEdge) {
    // D rises at 10 ns; the clock edge at 12 ns finds it risen 2 ns before; at 30 ns the
    // previous point (12 ns) left D unchanged. The 5 ns point runs before the run's first
    // solution, when checks are not yet made.
    Constraint("0 00 5ns 10 10ns 01 12ns 11 30ns 10", "GENERAL: WHEN = { CHANGED(D, 5ns) } MESSAGE = \"late D\"");
    ASSERT_EQ(Build(1e-6), 0) << LastDigitalSetupError.text;
    ASSERT_EQ(RunTo(1e-6), 0);
    EXPECT_EQ(DigitalWarningText, "\nDigital Warning\nGeneral violation at t=1.2e-08\nDevice C1\nlate D\n\n");
    EXPECT_EQ(DigitalWarningCount, 1);
}

TEST_F(PinRecords, ARejectedPointLeavesNothingBehind) {
    struct Case {
        const char* name;
        std::function<void()> build;
        const char* node;
        const char* wave;
        const char* text;
    };
    const Case cases[] = {
        {"pin delays by edge", [this] { PinDelay(kEdgeStimulus, kEdgeDelays); }, "Y", "1@16 0@45 1@55", ""},
        {"flip-flop setup",
         [this] {
             circuit.hi_node = Node("$D_HI");
             Stim("S1", {"CLK", "D"}, "11", "0 00 48ns 01 50ns 11 70ns 01");
             Add(kCtDff, "U1", {"$D_HI", "$D_HI", "CLK", "D", "Q", "QB"},
                 {{"TPCLKQLHTY", 1e-9}, {"TPCLKQHLTY", 1e-9}, {"TSUDCLKTY", 5e-9}});
         },
         "Q", "1@51",
         "\nDigital Warning\nD input setup time violation at t=5e-08\nDevice U1\nD input changed at 4.8e-08\n"
         "Required D input setup time is 5e-09\nMeasured D input setup time is 2e-09\n"},
        // The clock edge must be seen again when the point is redone.
        {"constraint setup",
         [this] { Constraint("0 00 48ns 01 50ns 11", "SETUP_HOLD: CLOCK LH = CLK DATA(1) = D SETUPTIME = 5ns"); },
         "CLK", "0@0 1@50",
         "Setup time violation at t=5e-08\nDevice C1\nMinimum setup time is 5e-09\n"
         "Node D, measured setup time was 2e-09\n\n"},
        {"constraint general",
         [this] { Constraint("0 00 10ns 10 20ns 11", "GENERAL: WHEN = { CLK & D } MESSAGE = \"both high\""); },
         "D", "0@0 1@20", "\nDigital Warning\nGeneral violation at t=2e-08\nDevice C1\nboth high\n\n"},
        // The period since the last like edge is measured from the accepted one.
        {"constraint frequency",
         [this] { Constraint("0 00 REPEAT 3 TIMES +5ns 10 +5ns 00 ENDREPEAT", "FREQ: NODE = CLK MAXFREQ = 50MEG"); },
         "CLK", "0@0 1@5 0@10 1@15 0@20 1@25 0@30",
         "Maximum frequency violation at t=1.5e-08\nDevice C1\nMinimum period is 2e-08\n"
         "Node CLK, measured period was 1e-08\n\n"},
    };
    for (const Case& c : cases) {
        for (bool reject : {false, true}) {
            circuit = {};
            nodes.clear();
            waves.clear();
            DigitalWarningText.clear();
            DigitalWarningCount = 0;
            c.build();
            ASSERT_EQ(Build(1e-6), 0) << c.name;
            ASSERT_EQ(reject ? RunRejectingEveryPoint(1e-6) : RunTo(1e-6), 0) << c.name;
            EXPECT_EQ(Wave(c.node), c.wave) << c.name << (reject ? ", rejected" : "");
            EXPECT_EQ(DigitalWarningText, c.text) << c.name << (reject ? ", rejected" : "");
            EXPECT_EQ(DigitalWarningCount, *c.text ? 1 : 0) << c.name << (reject ? ", rejected" : "");
            FreeDigitalNetwork();
        }
    }
}

}  // namespace
