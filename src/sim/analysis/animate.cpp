#include "sim/analysis/animate.h"

#include <algorithm>

#include "foundation/string_table.h"
#include "sim/digital/digital_network.h"
#include "sim/engine/run_control.h"

namespace ob7 {

AnimateSettings Animate;
AnimateHooks AnimateView;
std::vector<DigitalState> DigitalSnapshot;

namespace {

constexpr DigitalState kSnapshotNotTaken = 0xFFFF;

int64_t Now() { return AnimateView.now_ms ? AnimateView.now_ms() : 0; }
bool QuitRequested() { return AnimateView.quit_requested && AnimateView.quit_requested(); }

void ShowModeIndicator(int id) {
    if (!AnimateView.show_mode_indicator) return;
    const char* text = FindResString(id);
    AnimateView.show_mode_indicator(text ? text : "");
}

// Pumps messages until the pause ends (or, for a time delay, the delay has passed since
// the end of the last wait) or the program is quitting.
void WaitLoop() {
    if (!AnimateView.pump_message) return;
    while (!QuitRequested()) {
        AnimateView.pump_message();
        if (AnimateView.idle) AnimateView.idle();
        if (RunControl.pause) continue;
        if (Animate.mode != AnimateMode::WaitForTimeDelay) break;
        if (Now() - Animate.last_wait_end > Animate.delay_ms) break;
    }
}

}  // namespace

void ResetDigitalSnapshot() {
    DigitalSnapshot.assign(std::max<size_t>(DigitalSnapshot.size(), 1), 0);
    DigitalSnapshot[0] = kSnapshotNotTaken;
}

void SnapshotDigitalStates() {
    const size_t n = static_cast<size_t>(DigitalNet.node_count) + 1;
    DigitalSnapshot.assign(n, 0);
    std::copy_n(DigitalNet.present.begin(), std::min(n, DigitalNet.present.size()), DigitalSnapshot.begin());
}

void AnimateWait(bool force) {
    if (AnimateView.batch && AnimateView.batch()) return;
    if (AnimateView.run_state && AnimateView.run_state() != 0) return;
    const bool breakpoint = AnimateView.watch_breakpoint && AnimateView.watch_breakpoint();
    if (Animate.mode == AnimateMode::DontWait && !breakpoint && !force) return;

    // The first point of a digital run case only records the states it starts from.
    const bool first_digital_point =
        DigitalNet.node_count > 0 && (DigitalSnapshot.empty() || DigitalSnapshot[0] == kSnapshotNotTaken);
    if (!first_digital_point) {
        const bool by_key = Animate.mode != AnimateMode::WaitForTimeDelay || force;
        ShowModeIndicator(by_key ? kMsgHitCtrlSpace : kMsgWait);
        if (AnimateView.refresh_circuit) AnimateView.refresh_circuit();
        if (Animate.mode == AnimateMode::WaitForKeyPress) RunControl.pause = 1;
        if (AnimateView.redraw_cursors) AnimateView.redraw_cursors();
        WaitLoop();
        if (Animate.mode == AnimateMode::WaitForKeyPress) RunControl.pause = 0;
        if (AnimateView.idle) AnimateView.idle();
        Animate.last_wait_end = Now();
        if (AnimateView.update_mode_indicator) AnimateView.update_mode_indicator();
    }
    SnapshotDigitalStates();
    if (QuitRequested() && AnimateView.close_plot_window) AnimateView.close_plot_window();
}

}  // namespace ob7
