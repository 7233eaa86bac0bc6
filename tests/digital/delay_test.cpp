// Delay selection by transition and timing mode, inertial cancellation and the
// ambiguity rules, seen as waveforms.

#include "digital_fixture.h"
#include "sim/digital/primitive_eval.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

TEST(DelaySelection, TransitionTableSlots) {
    // Slot values 100 + slot; the typical value of each triple is slot + 1.
    int32_t delays[18];
    for (int i = 0; i < 18; ++i) delays[i] = 100 + i;
    // from \ to: 0 R F 1 X Z; -1 marks no transition (slot 0 without the mode offset).
    const int table[6][6] = {{-1, 0, -1, 0, 0, 6}, {3, -1, -1, 0, 0, 9}, {3, -1, -1, 0, 0, 6},
                             {3, -1, 3, -1, 3, 9}, {3, -1, -1, 0, -1, 9}, {12, -1, -1, 15, 12, -1}};
    for (int from = 0; from < 6; ++from)
        for (int to = 0; to < 6; ++to)
            for (int mode = 1; mode <= 3; ++mode) {
                const int slot = table[from][to];
                const int expected = slot < 0 ? 100 : 100 + slot + mode - 1;
                EXPECT_EQ(SelectTransitionDelay(from, to, mode, delays), expected)
                    << "from " << from << " to " << to << " mode " << mode;
            }
}

class Delays : public DigitalFixture {
protected:
    // A buffer with TPLH 1/2/3 ns and TPHL 4/5/6 ns in the given timing mode.
    void Buffer(int mode, const std::string& command) {
        Stim("S1", {"A"}, "1", command);
        Add(kCtBuf, "U1", {"A", "Y"}, {{"TPLHMN", 1e-9}, {"TPLHTY", 2e-9}, {"TPLHMX", 3e-9},
                                       {"TPHLMN", 4e-9}, {"TPHLTY", 5e-9}, {"TPHLMX", 6e-9}})
            .timing_mode = mode;
        ASSERT_EQ(Build(1e-6), 0);
        ASSERT_EQ(RunTo(200e-9), 0);
    }
};

TEST_F(Delays, MinimumTypicalMaximumAndAmbiguity) {
    struct Case { int mode; const char* wave; };
    const Case cases[] = {
        {1, "1@11 0@24"},
        {2, "1@12 0@25"},
        {3, "1@13 0@26"},
        // Mode 4: R at the minimum, 1 at the maximum; F at the minimum, 0 at the maximum.
        {4, "R@11 1@13 F@24 0@26"},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        waves.clear();
        Buffer(c.mode, "0 0 10ns 1 20ns 0");
        EXPECT_EQ(Wave("Y"), c.wave) << "mode " << c.mode;
        FreeDigitalNetwork();
    }
}

TEST_F(Delays, EventsAFewTicksApartShareATick) {
    // Two buffers on one input, the second slower by a few ticks (1 fs each): within ten
    // ticks its change joins the first one's tick, beyond them it keeps its own.
    struct Case { double extra; double apart; };
    const Case cases[] = {{5e-15, 0}, {8e-15, 0}, {20e-15, 20e-15}};
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        waves.clear();
        Stim("S1", {"A"}, "1", "0 0 10ns 1");
        Add(kCtBuf, "U1", {"A", "Y1"}, {{"TPLHTY", 1e-9}, {"TPHLTY", 1e-9}});
        Add(kCtBuf, "U2", {"A", "Y2"}, {{"TPLHTY", 1e-9 + c.extra}, {"TPHLTY", 1e-9 + c.extra}});
        ASSERT_EQ(Build(1e-6), 0);
        ASSERT_EQ(RunTo(100e-9), 0);
        ASSERT_EQ(waves[nodes["Y1"]].size(), 1u);
        ASSERT_EQ(waves[nodes["Y2"]].size(), 1u);
        EXPECT_NEAR(waves[nodes["Y1"]][0].time, 11e-9, 1e-16);
        EXPECT_NEAR(waves[nodes["Y2"]][0].time - waves[nodes["Y1"]][0].time, c.apart, 1.5e-15) << c.extra;
        FreeDigitalNetwork();
    }
}

TEST_F(Delays, PulsesShorterThanTheDelayAreSwallowed) {
    struct Case { const char* command; const char* wave; };
    const Case cases[] = {
        {"0 0 10ns 1 11ns 0", ""},                 // 1 ns pulse, 2 ns delay: nothing
        {"0 0 10ns 1 20ns 0", "1@12 0@25"},        // long enough: both edges
        {"0 1 10ns 0 12ns 1", ""},                 // 2 ns low pulse, 5 ns fall delay
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        waves.clear();
        Buffer(2, c.command);
        const std::string w = Wave("Y");
        // The first value settles at the operating point; only later edges are logged.
        EXPECT_EQ(w, c.wave) << c.command;
        FreeDigitalNetwork();
    }
}

TEST_F(Delays, AmbiguityHazardGivesTheFinalLevelAtTheMaximum) {
    // Mode 4: the output is still ambiguous (F since 14 ns) when the input returns to 1 at
    // 15 ns: the pending 0 is dropped and the 1 comes at the maximum TPLH.
    Buffer(4, "0 1 10ns 0 15ns 1");
    EXPECT_EQ(Wave("Y"), "F@14 1@18");
    FreeDigitalNetwork();
    // Back to 1 before the F appears: the whole excursion is swallowed.
    circuit = {};
    nodes.clear();
    waves.clear();
    Buffer(4, "0 1 10ns 0 12ns 1");
    EXPECT_EQ(Wave("Y"), "");
}

TEST_F(Delays, ZeroDelayChainSettlesAndARingFailsToConverge) {
    Stim("S1", {"A"}, "1", "0 0 10ns 1");
    Add(kCtInv, "U1", {"A", "B"});
    Add(kCtInv, "U2", {"B", "C"});
    Add(kCtInv, "U3", {"C", "D"});
    ASSERT_EQ(Build(1e-6), 0);
    ASSERT_EQ(RunTo(20e-9), 0);
    EXPECT_EQ(Wave("D"), "0@10");
    FreeDigitalNetwork();

    circuit = {};
    nodes.clear();
    // A NAND ring oscillator without delay, enabled at 10 ns.
    Stim("S2", {"EN"}, "1", "0 0 10ns 1");
    Add(kCtNand, "U1", {"EN", "R3", "R1"});
    Add(kCtInv, "U2", {"R1", "R2"});
    Add(kCtInv, "U3", {"R2", "R3"});
    ASSERT_EQ(Build(1e-6), 0);
    EXPECT_EQ(RunTo(20e-9), kMsgDigitalNoConvergence);
}

TEST_F(Delays, DriversResolveByStrength) {
    // Two tri-state buffers on one node; DIGOVRDRV 3.
    // Strengths from the drive resistances: 2 ohm 61, 50 and 80 ohm 34, 200 ohm 27.
    struct Case { double drv1, drv2, overdrive; const char* a1; const char* a2; char y; };
    const Case cases[] = {
        {50, 50, 3, "1", "0", 'X'},    // equal strengths, different levels
        {50, 50, 3, "1", "1", '1'},    // same level
        {2, 50, 3, "0", "1", '0'},     // the stronger wins
        {50, 80, 3, "0", "1", 'X'},    // equal after the truncation to whole steps
        {50, 200, 7, "0", "1", 'X'},   // 27 is exactly DIGOVRDRV below 34
        {50, 200, 6, "0", "1", '0'},   // one more unit weaker: the strongest level
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        Options.digovrdrv = c.overdrive;
        Stim("S1", {"A1", "A2", "EN"}, "111", std::string("0 ") + c.a1 + c.a2 + "1");
        Add(kCtBuf3, "U1", {"A1", "EN", "Y"}).io.drvh = c.drv1;
        circuit.parts.back().io.drvl = c.drv1;
        Add(kCtBuf3, "U2", {"A2", "EN", "Y"}).io.drvh = c.drv2;
        circuit.parts.back().io.drvl = c.drv2;
        ASSERT_EQ(Build(1e-6), 0);
        ASSERT_EQ(RunTo(10e-9), 0);
        EXPECT_EQ(At("Y"), c.y) << c.drv1 << " " << c.drv2 << " " << c.a1 << c.a2;
        FreeDigitalNetwork();
    }
    EXPECT_EQ(DriveStrength(80, 2, 20e3), 34);
    EXPECT_EQ(DriveStrength(200, 2, 20e3), 27);
}

TEST_F(Delays, RollBackRestoresTheEventsOfARejectedStep) {
    // Apply the events of 10 ns, then reject that time point.
    Stim("S1", {"A"}, "1", "0 0 10ns 1 20ns 0");
    Add(kCtBuf, "U1", {"A", "Y"}, {{"TPLHTY", 2e-9}, {"TPHLTY", 5e-9}});
    ASSERT_EQ(Build(1e-6), 0);
    ASSERT_EQ(RunTo(5e-9), 0);
    uint32_t tick;
    ASSERT_TRUE(NextDigitalEventTick(&tick));
    EXPECT_EQ(tick, DigitalTimeTick(10e-9));
    const size_t queued = DigitalRun.queue.Size();
    ASSERT_EQ(ApplyDigitalEventsAt(tick), 0);
    EXPECT_EQ(At("A"), '1');
    ASSERT_EQ(RollBackDigitalChanges(), 0);
    ClearDigitalChangeQueue();
    EXPECT_EQ(At("A"), '0');
    EXPECT_EQ(DigitalRun.queue.Size(), queued);
    ASSERT_TRUE(NextDigitalEventTick(&tick));
    EXPECT_EQ(tick, DigitalTimeTick(10e-9));
    ASSERT_EQ(RunTo(40e-9), 0);
    EXPECT_EQ(Wave("Y"), "1@12 0@25");
}

}  // namespace
