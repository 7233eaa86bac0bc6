#pragma once
// Animation of a running analysis: between accepted points the run can wait for a key
// press or a time delay while the circuit and the watch window show the present values.
// The Pause command and the watch window's analysis breakpoints use the same wait.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/digital/digital_state.h"

namespace ob7 {

enum class AnimateMode : int { DontWait = 0, WaitForKeyPress = 1, WaitForTimeDelay = 2 };

// The plot view's animation fields; they persist with it.
struct AnimateSettings {
    AnimateMode mode = AnimateMode::DontWait;
    int delay_ms = 0;            // "Time Delay", milliseconds
    int64_t last_wait_end = 0;   // clock milliseconds at the end of the last wait
};
extern AnimateSettings Animate;

// What the windows lend the wait; unset members are skipped. Without a message pump
// nothing could end a paused wait, so the wait then returns at once.
struct AnimateHooks {
    bool (*batch)() = nullptr;
    int (*run_state)() = nullptr;              // the plot view's run state; nonzero: no wait
    bool (*watch_breakpoint)() = nullptr;      // an enabled analysis breakpoint is true
    void (*show_mode_indicator)(const std::string& text) = nullptr;  // shows the status bar too
    void (*refresh_circuit)() = nullptr;       // schematic values or the text editor, the watch window
    void (*redraw_cursors)() = nullptr;        // skipped by the view in its cursor mode
    // Takes one queued message, Esc running the plot view's Stop; false when none.
    bool (*pump_message)() = nullptr;
    void (*idle)() = nullptr;
    int64_t (*now_ms)() = nullptr;
    bool (*quit_requested)() = nullptr;
    void (*close_plot_window)() = nullptr;
    void (*update_mode_indicator)() = nullptr;
};
extern AnimateHooks AnimateView;

enum : int {
    kMsgHitCtrlSpace = 17898,  // "Hit Ctrl+SPACE to continue."
    kMsgWait = 17888,          // "Wait"
};

// The wait between points. force: wait even in Don't Wait mode.
void AnimateWait(bool force = false);

// One state per digital node (entry 0 and the nodes 1 ... count). Entry 0 is 0xFFFF at
// the start of every run case, so that the first point only takes the snapshot.
extern std::vector<DigitalState> DigitalSnapshot;
void ResetDigitalSnapshot();
void SnapshotDigitalStates();

}  // namespace ob7
