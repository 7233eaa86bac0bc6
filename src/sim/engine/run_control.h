#pragma once
// Key and abort state of a running analysis, and the prompt line it writes to.

#include <string>

namespace ob7 {

struct RunControlFlags {
    int pending_key = 0;      // 27 once Esc was pressed; cleared when a run starts
    int abort = 0;
    int poll_counter = 0;
    int error_shown = 0;      // a run error has been shown in this run
    int run_in_progress = 0;
    int pause = 0;
};
extern RunControlFlags RunControl;

// What the analysis views lend the key polling; unset members are skipped.
struct RunViewHooks {
    int (*run_state)() = nullptr;             // 3: the view reads no keys now
    void (*pause)() = nullptr;                // Ctrl+S
    // P: inverts the view's plot toggle and redraws; false when it cannot now (an
    // attribute change is in progress), so the P stays pending.
    bool (*toggle_plot)(void* plot_window) = nullptr;
    bool (*dynamic_dc_mode)() = nullptr;
    // The prompt pane of the main frame; unset when no status bar is shown.
    void (*show_prompt)(const std::string& text) = nullptr;
    void (*update_mode_indicator)() = nullptr;

    // Run errors.
    void* (*main_frame)() = nullptr;
    bool (*is_characteristic_plot)() = nullptr;   // a view of draw type 11
    int (*limits_dialog_state)() = nullptr;       // 0 or 1: the dialog may be opened
    void (*restore_stepping_backup)() = nullptr;
    void* (*open_limits_dialog)() = nullptr;      // opens it for the analysis; its window
    void (*focus_field)(void* dialog, int field_kind, int index, int column) = nullptr;
    void (*clear_run_flag)() = nullptr;
};
extern RunViewHooks RunView;

// Looks for a key on every n-th call only; handles Ctrl+S, Esc and P as the run keys.
// Returns the pending key (27 for Esc), 0 when none.
int PollRunKeys(void* plot_window, int n);

// Writes a text into the main frame's prompt pane when a status bar is shown.
void ShowPrompt(const std::string& text);

}  // namespace ob7
