// Flip-flops and latches over their input states, simulated through their clocks.

#include "digital_fixture.h"
#include "sim/digital/primitive_eval.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

const std::map<std::string, double> kFlipFlopDelays = {{"TPCLKQLHTY", 2e-9}, {"TPCLKQHLTY", 3e-9},
                                                       {"TPPCQLHTY", 1e-9}, {"TPPCQHLTY", 1e-9}};

class FlipFlops : public DigitalFixture {};

TEST_F(FlipFlops, DffSamplesDAtTheRisingClock) {
    // D held from the start in each state; the clock rises at 10 ns.
    const std::string states = "01RFXZ";
    const std::string expected = "01XXXX";
    for (size_t i = 0; i < states.size(); ++i) {
        circuit = {};
        nodes.clear();
        waves.clear();
        Stim("S1", {"PRE", "CLR", "CLK", "D"}, "1111", std::string("0 110") + states[i] + " 10ns 111" + states[i]);
        Add(kCtDff, "U1", {"PRE", "CLR", "CLK", "D", "Q", "QB"}, kFlipFlopDelays);
        ASSERT_EQ(Build(1e-6), 0);
        ASSERT_EQ(RunTo(100e-9), 0);
        EXPECT_EQ(At("Q"), expected[i]) << "D = " << states[i];
        const char qb = expected[i] == '0' ? '1' : expected[i] == '1' ? '0' : 'X';
        EXPECT_EQ(At("QB"), qb) << "D = " << states[i];
        if (states[i] == '1') {
            EXPECT_EQ(Wave("Q"), "1@12");  // TPCLKQLH after the edge
        }
        FreeDigitalNetwork();
    }
}

TEST_F(FlipFlops, JkffOverJKAndQ) {
    // J K pairs in order; the next Q for Q = 0 and for Q = 1 (the JK table, X where the
    // result depends on an X input).
    // R, F and Z count as X.
    const char* pairs[] = {"00", "01", "10", "11", "0X", "1X", "X0", "X1", "XX", "R0", "F1", "1Z"};
    const std::string next_from_0 = "00110" "1XXX" "XX1";
    const std::string next_from_1 = "1010X" "X10X" "10X";
    for (int q0 = 0; q0 < 2; ++q0) {
        for (int i = 0; i < 12; ++i) {
            circuit = {};
            nodes.clear();
            Options.diginitstate = q0;
            const std::string jk = pairs[i];
            Stim("S1", {"PRE", "CLR", "CLKB", "J", "K"}, "11111", "0 111" + jk + " 10ns 110" + jk);
            Add(kCtJkff, "U1", {"PRE", "CLR", "CLKB", "J", "K", "Q", "QB"}, kFlipFlopDelays);
            ASSERT_EQ(Build(1e-6), 0);
            ASSERT_EQ(RunTo(100e-9), 0);
            EXPECT_EQ(At("Q"), (q0 ? next_from_1 : next_from_0)[i]) << "Q=" << q0 << " JK=" << jk;
            FreeDigitalNetwork();
        }
    }
}

TEST_F(FlipFlops, PresetClearAndTheirRelease) {
    // PREB CLRB sequences: Q and QB after each step.
    Stim("S1", {"PRE", "CLR", "CLK", "D"}, "1111", "0 0100 10ns 1000 20ns 0000 30ns 1100");
    Add(kCtDff, "U1", {"PRE", "CLR", "CLK", "D", "Q", "QB"}, kFlipFlopDelays);
    ASSERT_EQ(Build(1e-6), 0);
    ASSERT_EQ(RunTo(5e-9), 0);
    EXPECT_EQ(std::string() + At("Q") + At("QB"), "10");  // preset
    ASSERT_EQ(RunTo(15e-9), 0);
    EXPECT_EQ(std::string() + At("Q") + At("QB"), "01");  // clear
    ASSERT_EQ(RunTo(25e-9), 0);
    EXPECT_EQ(std::string() + At("Q") + At("QB"), "11");  // both
    ASSERT_EQ(RunTo(40e-9), 0);
    EXPECT_EQ(std::string() + At("Q") + At("QB"), "XX");  // both released together
}

TEST_F(FlipFlops, DChangingWhileTheClockRisesIsAmbiguous) {
    // The clock rises slowly: it sits at R from 10 ns; D goes 0 -> 1 at 11 ns.
    Stim("S1", {"PRE", "CLR", "CLK", "D"}, "1111", "0 1100 10ns 11R0 11ns 11R1 20ns 1111");
    Add(kCtDff, "U1", {"PRE", "CLR", "CLK", "D", "Q", "QB"}, kFlipFlopDelays);
    ASSERT_EQ(Build(1e-6), 0);
    ASSERT_EQ(RunTo(30e-9), 0);
    // R after TPCLKQLH, then 1 from the clock reaching 1 at 20 ns.
    EXPECT_EQ(Wave("Q"), "R@13 1@22");
}

TEST_F(FlipFlops, LatchesFollowWhileTheGateIsOpenAndHoldAfter) {
    Stim("S1", {"PRE", "CLR", "G", "D", "S", "R"}, "111111",
         "0 111010 10ns 111110 20ns 110110 30ns 110010 40ns 111001 50ns 111000 60ns 111011");
    Add(kCtDltch, "U1", {"PRE", "CLR", "G", "D", "Q", "QB"}, {{"TPDQLHTY", 1e-9}, {"TPDQHLTY", 1e-9},
                                                               {"TPGQLHTY", 1e-9}, {"TPGQHLTY", 1e-9}});
    Add(kCtSrff, "U2", {"PRE", "CLR", "G", "S", "R", "Q2", "QB2"}, {{"TPDQLHTY", 1e-9}, {"TPDQHLTY", 1e-9},
                                                                    {"TPGQLHTY", 1e-9}, {"TPGQHLTY", 1e-9}});
    ASSERT_EQ(Build(1e-6), 0);
    struct Step { double t; const char* q; const char* q2; };
    // D latch: follows D while G = 1, holds after G falls. SR latch: set, hold, reset, hold, both.
    const Step steps[] = {{5e-9, "01", "10"}, {15e-9, "10", "10"}, {25e-9, "10", "10"}, {35e-9, "10", "10"},
                          {45e-9, "01", "01"}, {55e-9, "01", "01"}, {65e-9, "01", "11"}};
    for (const Step& s : steps) {
        ASSERT_EQ(RunTo(s.t), 0);
        EXPECT_EQ(std::string() + At("Q") + At("QB"), s.q) << s.t;
        EXPECT_EQ(std::string() + At("Q2") + At("QB2"), s.q2) << s.t;
    }
}

}  // namespace

namespace {

// The input states in table order; Z is an undriven input.
const char kStates[] = "0RF1XZ";
DigitalState InputState(char letter) {
    return letter == 'Z' ? MakeState(kLvlZ, 0) : MakeState(DigitalLevelOfLetter(letter), 30);
}

// Flip-flops and latches evaluated at the operating point over the states of two of
// their inputs, the others held; each cell is Q and QB.
class FlipFlopTruth : public DigitalFixture {
protected:
    std::vector<std::string> Table(int type, const std::vector<std::string>& pins, const std::string& row_pin,
                                   const std::string& column_pin, const std::map<std::string, char>& held,
                                   int initial_state) {
        circuit = {};
        nodes.clear();
        Options.diginitstate = initial_state;
        Add(type, "U1", pins);
        EXPECT_EQ(SetupDigitalPrimitives(circuit), 0);
        EXPECT_EQ(ResetDigitalCase(true), 0);
        std::vector<std::string> rows;
        for (char a : std::string(kStates)) {
            std::string row;
            for (char b : std::string(kStates)) {
                for (const auto& [pin, letter] : held) DigitalNet.present[nodes[pin]] = InputState(letter);
                DigitalNet.present[nodes[row_pin]] = InputState(a);
                DigitalNet.present[nodes[column_pin]] = InputState(b);
                int path = 0, low = 0, high = 0;
                const DigitalState q = EvaluateFlipFlop(nodes[row_pin], 1, 1, &path, 0, &low, &high);
                const DigitalState qb = EvaluateFlipFlop(nodes[row_pin], 1, 2, &path, 0, &low, &high);
                row += std::string(row.empty() ? "" : " ") + DigitalStateChar(q) + DigitalStateChar(qb);
            }
            rows.push_back(row);
        }
        FreeDigitalNetwork();
        return rows;
    }
};

TEST_F(FlipFlopTruth, PresetAndClearOverEveryState) {
    // Rows PREB, columns CLRB, each 0 R F 1 X Z; Q starts at 1. Active low is 0 or F;
    // preset wins and drives QB to 1 as well when clear is active too.
    const std::vector<std::string> expected = {
        "11 10 11 10 10 10", "01 10 01 10 10 10", "11 10 11 10 10 10",
        "01 10 01 10 10 10", "01 10 01 10 10 10", "01 10 01 10 10 10",
    };
    EXPECT_EQ(Table(kCtDff, {"PRE", "CLR", "CLK", "D", "Q", "QB"}, "PRE", "CLR", {{"CLK", '0'}, {"D", '0'}}, 1),
              expected);
    EXPECT_EQ(Table(kCtJkff, {"PRE", "CLR", "CLK", "J", "K", "Q", "QB"}, "PRE", "CLR",
                    {{"CLK", '1'}, {"J", '0'}, {"K", '0'}}, 1),
              expected);
}

TEST_F(FlipFlopTruth, SrLatchOverSetAndReset) {
    // Gate open, PREB and CLRB inactive; rows S, columns R. From Q = 0: S alone sets, a
    // moving S gives a moving Q, X gives X; an undriven input is ignored by the NAND
    // network and so counts as 1.
    const std::vector<std::string> from0 = Table(kCtSrff, {"PRE", "CLR", "G", "S", "R", "Q", "QB"}, "S", "R",
                                                 {{"PRE", '1'}, {"CLR", '1'}, {"G", '1'}}, 0);
    EXPECT_EQ(from0[0], "01 01 01 01 01 01");  // S = 0: Q stays 0
    EXPECT_EQ(from0[1].substr(0, 2), "RF");
    EXPECT_EQ(from0[2].substr(0, 2), "FR");
    // S = 1: set; a reset moving, unknown or active as well leaves QB moving, X or 1.
    EXPECT_EQ(from0[3], "10 1R 1F 11 1X 11");
    EXPECT_EQ(from0[4].substr(0, 2), "XX");
    EXPECT_EQ(from0[5].substr(0, 2), "10");
    // From Q = 1, column S = 0: R resets; a moving R gives a moving Q.
    const std::vector<std::string> from1 = Table(kCtSrff, {"PRE", "CLR", "G", "S", "R", "Q", "QB"}, "S", "R",
                                                 {{"PRE", '1'}, {"CLR", '1'}, {"G", '1'}}, 1);
    EXPECT_EQ(from1[0], "10 FR RF 01 XX 01");
}

TEST_F(FlipFlopTruth, DLatchOverDataAndGate) {
    // Rows D, columns GATE; from Q = 0. An open gate passes D, a closed one holds; a
    // moving gate or D gives a moving Q, an unknown one X.
    const std::vector<std::string> rows = Table(kCtDltch, {"PRE", "CLR", "G", "D", "Q", "QB"}, "D", "G",
                                                {{"PRE", '1'}, {"CLR", '1'}}, 0);
    EXPECT_EQ(rows[0].substr(0, 2), "01");            // D = 0, gate closed: holds 0
    EXPECT_EQ(rows[0].substr(9, 2), "01");            // D = 0, gate open: 0
    EXPECT_EQ(rows[3], "01 RF FR 10 XX 10");          // D = 1 over the gate states
    EXPECT_EQ(rows[4].substr(9, 2), "XX");            // D = X, gate open
    EXPECT_EQ(rows[1].substr(9, 2), "RF");            // D = R, gate open: Q rises
}

}  // namespace
