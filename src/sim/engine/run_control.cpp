#include "sim/engine/run_control.h"

#include <cctype>

#include "foundation/numbers.h"

namespace ob7 {

RunControlFlags RunControl;
RunViewHooks RunView;

int PollRunKeys(void* plot_window, int n) {
    if (n < 1) n = 1;
    RunControl.poll_counter = (RunControl.poll_counter + 1) % n;
    const bool dynamic_dc = RunView.dynamic_dc_mode && RunView.dynamic_dc_mode();
    if (RunControl.poll_counter != 0 || dynamic_dc || RunControl.pending_key) return RunControl.pending_key;
    if (RunView.run_state && RunView.run_state() == 3) return RunControl.pending_key;

    const int key = std::toupper(PollKey());
    if (key == kKeyPause) {
        if (RunView.pause) RunView.pause();
    } else if (key == kKeyEscape) {
        RunControl.abort = 1;
        RunControl.pending_key = key;
    } else if (key == 'P') {
        const bool toggled = plot_window && RunView.toggle_plot && RunView.toggle_plot(plot_window);
        if (!toggled) RunControl.pending_key = key;
    }
    return RunControl.pending_key;
}

void ShowPrompt(const std::string& text) {
    if (RunView.show_prompt) RunView.show_prompt(text);
}

}  // namespace ob7
