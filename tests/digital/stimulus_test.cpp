// Stimulus programs: the statement language, its errors and the expansion into events.

#include "digital_fixture.h"
#include "sim/digital/stimulus_file.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class Stimulus : public DigitalFixture {
protected:
    // Builds one STIM part on pins P0.. and runs it to tmax; returns the set-up result.
    int RunStim(int pins, const std::string& format, const std::string& command, double tmax = 1e-6) {
        std::vector<std::string> names;
        for (int i = 0; i < pins; ++i) names.push_back("P" + std::to_string(i));
        Stim("S1", names, format, command);
        if (int e = Build(tmax)) return e;
        return RunTo(tmax);
    }
};

TEST_F(Stimulus, StatementErrors) {
    struct Case { int pins; const char* format; const char* command; int code; };
    const Case cases[] = {
        {1, "", "0 1", 13200},
        {1, "2", "0 1", 13190},
        {36, "444444444", "0 000000000", 13193},
        {2, "1", "0 1", 13181},
        {1, "1", "+", 13202},
        {1, "1", "0", 13185},
        {1, "1", "0 1 10ns GOTO NOWHERE 2 TIMES", 13183},
        {1, "1", "LABEL=L 10ns GOTO L 2 TIMES", 13182},
        {1, "1", "0 1 LABEL=L 10ns 0 20ns GOTO L 2", 13204},
        {1, "1", "0 1 LABEL=L 10ns 0 20ns GOTO L UNTIL EQ 1", 13184},
        {1, "1", "0 1 LABEL=L 10ns 0 20ns GOTO L", 13186},
        {1, "1", "0 0 10ns INCR 1", 13201},
        {1, "1", "0 2", 13192},
        {2, "11", "0 1", 13192},
        {2, "44", "0 1", 13181},
        {8, "44", "0 A", 13192},
        {1, "1", "0 G", 11903},
        {1, "1", "REPEAT", 13196},
        {1, "1", "REPEAT ONCE", 13197},
        {1, "1", "0 1 ENDREPEAT", 13198},
        {1, "1", "REPEAT 2 TIMES +1ns 1", 13199},
        {1, "1", "REPEAT 2 TIMES LABEL=L +1ns 1 ENDREPEAT", 13206},
        {1, "1", "LABEL", 13203},
        {1, "1", "0 1 1C 0", 13207},
        {1, "1", "0 1 BOGUS", 11903},
        {1, "1", "0 1 5ns 0 5ns 1", 13194},  // equal absolute times
        {1, "1", "0 1 +-5ns 0", 13194},      // before the start
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        capture.reports.clear();
        EXPECT_EQ(RunStim(c.pins, c.format, c.command), kMsgDigitalSetupFailed) << c.command;
        EXPECT_EQ(LastDigitalSetupError.code, c.code) << c.command;
        EXPECT_EQ(capture.reports.size(), 1u) << c.command;
        FreeDigitalNetwork();
    }
    // Repeated relative steps of +0 are allowed.
    circuit = {};
    nodes.clear();
    EXPECT_EQ(RunStim(1, "1", "0 1 +0ns 0 +0ns 1 +5ns 0"), 0);
}

TEST_F(Stimulus, ProgramsPlayTheirWaveforms) {
    struct Case { int pins; const char* format; const char* command; const char* node; const char* wave; };
    const Case cases[] = {
        // The tick-0 values come first at full strength, then again at the part's own
        // drive strength, which the log shows as a change at 0.
        {1, "1", "0 1", "P0", "1@0"},
        {1, "1", "0 0 10ns 1 +5ns 0 30ns Z", "P0", "0@0 1@10 0@15 Z@30"},
        // REPEAT 2 TIMES of relative steps.
        {1, "1", "0 0 REPEAT 2 TIMES +10ns 1 +10ns 0 ENDREPEAT", "P0", "0@0 1@10 0@20 1@30 0@40"},
        // GOTO n TIMES runs the block n more times; the loop restarts at the GOTO's time.
        {1, "1", "0 0 LABEL=L +10ns 1 +10ns 0 +10ns GOTO L 2 TIMES", "P0", "0@0 1@10 0@20 1@30 0@40 1@50 0@60"},
        // Absolute times inside a GOTO loop repeat shifted by the loop length.
        {1, "1", "0 0 LABEL=L 10ns 1 20ns 0 30ns GOTO L 1 TIMES", "P0", "0@0 1@10 0@20 1@30 0@40"},
        // INCR on four pins wraps from 1111 to 0000: the last pin is the least significant.
        {4, "4", "0 E +10ns INCR BY 1 +10ns INCR BY 1", "P0", "1@0 0@20"},
        {4, "4", "0 E +10ns INCR BY 1 +10ns INCR BY 1", "P3", "0@0 1@10 0@20"},
        // GOTO UNTIL: count up until the value is greater than 2.
        {2, "11", "0 00 LABEL=L +10ns INCR BY 01 +10ns GOTO L UNTIL GT 10", "P0", "0@0 1@20"},
        {2, "11", "0 00 LABEL=L +10ns INCR BY 01 +10ns GOTO L UNTIL GT 10", "P1", "0@0 1@10 0@20 1@30"},
        // Two hexadecimal digits drive eight pins; XX sets all of them to X.
        {8, "44", "0 00 10ns A5 20ns XX", "P0", "0@0 1@10 X@20"},
        {8, "44", "0 00 10ns A5 20ns XX", "P1", "0@0 X@20"},
        {8, "44", "0 00 10ns A5 20ns XX", "P7", "0@0 1@10 X@20"},
        // Clock cycles count in TIMESTEP.
        {1, "1", "0 0 3C 1", "P0", "0@0 1@30"},
        // A REPEAT FOREVER ends when the time passes the end of the run.
        {1, "1", "0 0 REPEAT FOREVER +400ns 1 +400ns 0 ENDREPEAT", "P0", "0@0 1@400 0@800"},
        // A loop pass that adds no time ends the program instead of running forever.
        {1, "1", "0 0 REPEAT FOREVER +0ns 1 ENDREPEAT 10ns 0", "P0", "1@0"},
        // An endless loop of femtosecond passes that change nothing ends after its first idle
        // pass, instead of a hundred million steps that fail the set-up.
        {1, "1", "0 0 REPEAT FOREVER +4FS 1 ENDREPEAT", "P0", "0@0 1@4e-06"},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        waves.clear();
        std::vector<std::string> names;
        for (int i = 0; i < c.pins; ++i) names.push_back("P" + std::to_string(i));
        Stim("S1", names, c.format, c.command).attributes["TIMESTEP"] = "10ns";
        ASSERT_EQ(Build(1e-6), 0) << c.command;
        ASSERT_EQ(RunTo(1e-6), 0) << c.command;
        EXPECT_EQ(Wave(c.node), c.wave) << c.command << " on " << c.node;
        FreeDigitalNetwork();
    }
}

TEST_F(Stimulus, RandomValuesDrawEveryBit) {
    // RND on eight pins, many times: every pin takes both levels.
    std::string command = "0 00";
    for (int i = 1; i <= 40; ++i) command += " +10ns RND";
    std::vector<std::string> names;
    for (int i = 0; i < 8; ++i) names.push_back("P" + std::to_string(i));
    Stim("S1", names, "44", command);
    ASSERT_EQ(Build(1e-6), 0);
    ASSERT_EQ(RunTo(1e-6), 0);
    for (const std::string& n : names) {
        const std::string w = Wave(n);
        EXPECT_NE(w.find('1'), std::string::npos) << n;
        EXPECT_NE(w.find('0'), std::string::npos) << n;
    }
}

TEST_F(Stimulus, SwitchAndStateParts) {
    Add(kCtDigitalSwitch, "SW1", {"A"}).switch_closed = true;
    Add(kCtDigitalSwitch, "SW2", {"B"});
    Add(kCtDigitalState, "ST1", {"C"}).attributes["VALUE"] = "X";
    ASSERT_EQ(Build(1e-6), 0);
    EXPECT_EQ(At("A"), '1');
    EXPECT_EQ(At("B"), '0');
    EXPECT_EQ(At("C"), 'X');
}

}  // namespace
