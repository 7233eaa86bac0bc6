// The animation wait between the points of a run, with a clock and a message queue of
// the test's own.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/animate.h"
#include "sim/analysis/dc_sweep.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/digital/digital_network.h"

namespace ob7 {
namespace {

// A clock that advances 10 ms per message taken, and a log of what the wait did.
struct FakeWindows {
    static inline int64_t now = 0;
    static inline int messages = 0;          // taken during the present wait
    static inline int unpause_after = 3;     // Ctrl+SPACE arrives as this message
    static inline bool breakpoint = false;
    static inline bool batch = false;
    static inline int run_state = 0;
    static inline std::vector<std::string> indicators;
    static inline std::vector<int64_t> wait_ends;
    static inline int refreshes = 0;

    static void Install() {
        now = 0;
        messages = 0;
        unpause_after = 3;
        breakpoint = batch = false;
        run_state = 0;
        indicators.clear();
        wait_ends.clear();
        refreshes = 0;
        AnimateView = {};
        AnimateView.batch = [] { return batch; };
        AnimateView.run_state = [] { return run_state; };
        AnimateView.watch_breakpoint = [] { return breakpoint; };
        AnimateView.show_mode_indicator = [](const std::string& text) {
            indicators.push_back(text);
            messages = 0;
        };
        AnimateView.refresh_circuit = [] { ++refreshes; };
        AnimateView.pump_message = [] {
            now += 10;
            if (++messages == unpause_after) RunControl.pause = 0;
            return true;
        };
        AnimateView.now_ms = [] { return now; };
        AnimateView.update_mode_indicator = [] { wait_ends.push_back(now); };
    }
};

class AnimateRun : public AnalysisCircuit {
protected:
    void SetUp() override {
        AnalysisCircuit::SetUp();
        FakeWindows::Install();
        Animate = {};
    }
    void TearDown() override {
        AnimateView = {};
        Animate = {};
        DigitalNet = {};
        DigitalSnapshot.clear();
        AnalysisCircuit::TearDown();
    }
    // An RC step over 1 ms.
    int RunRc(RecordingSink& sink) {
        SpiceSource* s = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
        s->spec_kind = kSourcePulse;
        const double p[] = {0, 1, 0, 1e-9, 1e-9, 1, 2};
        std::copy(std::begin(p), std::end(p), s->p);
        AddResistor(1, 2, 1e3);
        AddCapacitor(2, 0, 1e-7);
        NodeCount = 2;
        TransientSettings t;
        t.tmax = 1e-3;
        return RunTransientAnalysis(t, sink);
    }
};

TEST_F(AnimateRun, DontWaitRunsThrough) {
    RecordingSink sink;
    ASSERT_EQ(RunRc(sink), 0);
    EXPECT_TRUE(FakeWindows::indicators.empty());
    EXPECT_EQ(FakeWindows::now, 0);
}

// Every point waits at least the delay, measured from the end of the previous wait.
TEST_F(AnimateRun, TimeDelayWaitsBetweenPoints) {
    Animate.mode = AnimateMode::WaitForTimeDelay;
    Animate.delay_ms = 500;
    RecordingSink sink;
    ASSERT_EQ(RunRc(sink), 0);
    const auto& ends = FakeWindows::wait_ends;
    ASSERT_GE(ends.size(), 10u);
    EXPECT_GT(ends[0], 500);
    for (size_t i = 1; i < ends.size(); ++i) EXPECT_GT(ends[i] - ends[i - 1], 500) << i;
    EXPECT_EQ(FakeWindows::indicators.front(), "Wait");
    EXPECT_EQ(FakeWindows::refreshes, static_cast<int>(ends.size()));
}

// Key-press mode pauses at every point until Ctrl+SPACE clears the pause.
TEST_F(AnimateRun, KeyPressWaitsUntilThePauseIsCleared) {
    Animate.mode = AnimateMode::WaitForKeyPress;
    FakeWindows::unpause_after = 4;
    AnimateWait();
    EXPECT_EQ(FakeWindows::indicators, std::vector<std::string>{"Hit Ctrl+SPACE to continue."});
    EXPECT_EQ(FakeWindows::now, 40);
    EXPECT_EQ(RunControl.pause, 0);
    EXPECT_EQ(Animate.last_wait_end, 40);
}

// Don't Wait stops only where a watch breakpoint holds, and waits only while paused.
TEST_F(AnimateRun, BreakpointStopsDontWaitMode) {
    AnimateWait();
    EXPECT_TRUE(FakeWindows::indicators.empty());
    FakeWindows::breakpoint = true;
    AnimateWait();
    EXPECT_EQ(FakeWindows::indicators, std::vector<std::string>{"Hit Ctrl+SPACE to continue."});
    EXPECT_EQ(FakeWindows::now, 10);  // one message, not paused
    RunControl.pause = 1;
    FakeWindows::unpause_after = 5;
    AnimateWait();
    EXPECT_EQ(FakeWindows::now, 60);
    // Forced waits show the key prompt whatever the mode.
    Animate.mode = AnimateMode::WaitForTimeDelay;
    FakeWindows::breakpoint = false;
    AnimateWait(true);
    EXPECT_EQ(FakeWindows::indicators.back(), "Hit Ctrl+SPACE to continue.");
}

TEST_F(AnimateRun, NoWaitInBatchRunsOrProbeRuns) {
    Animate.mode = AnimateMode::WaitForKeyPress;
    FakeWindows::batch = true;
    AnimateWait(true);
    FakeWindows::batch = false;
    FakeWindows::run_state = 1;
    AnimateWait(true);
    EXPECT_TRUE(FakeWindows::indicators.empty());
    EXPECT_EQ(RunControl.pause, 0);
}

// The first point of a digital run case only records the node states; later points wait.
TEST_F(AnimateRun, FirstPointOfADigitalCaseOnlyTakesTheSnapshot) {
    DigitalNet.node_count = 2;
    DigitalNet.present = {0, 507, 504, 508};
    Animate.mode = AnimateMode::WaitForKeyPress;
    ResetDigitalSnapshot();
    AnimateWait();
    EXPECT_TRUE(FakeWindows::indicators.empty());
    EXPECT_EQ(DigitalSnapshot, (std::vector<DigitalState>{0, 507, 504}));
    DigitalNet.present[2] = 507;
    AnimateWait();
    EXPECT_EQ(FakeWindows::indicators.size(), 1u);
    EXPECT_EQ(DigitalSnapshot[2], 507);
}

// The DC sweep waits once per accepted point.
TEST_F(AnimateRun, DcSweepWaitsAtEveryPoint) {
    SpiceSource* v = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    AddResistor(1, 0, 1e3);
    NodeCount = 1;
    Animate.mode = AnimateMode::WaitForTimeDelay;
    Animate.delay_ms = 100;
    DcSweepSettings d;
    d.variable1.target = &v->dc_value;
    d.variable1.method = SweepMethod::Linear;
    d.variable1.to = 5;
    d.variable1.from = 0;
    d.variable1.step = 1;
    d.variable2.method = SweepMethod::None;
    RecordingSink sink;
    ASSERT_EQ(RunDcSweep(d, sink), 0);
    EXPECT_EQ(sink.x.size(), 6u);
    EXPECT_EQ(FakeWindows::wait_ends.size(), 6u);
}

}  // namespace
}  // namespace ob7
