#pragma once
// The program-wide states the framework's update handlers and questions read. The
// application shell and the analysis code keep them current; the framework only reads
// them (and the tests set them).

namespace ob7 {

struct ShellState {
    int analysisKind = -1;        // -1 none, 0 transient, 1 AC, 2 DC
    bool runInProgress = false;   // a run of the active analysis is going on
    bool runPaused = false;
    bool dynamicDC = false;       // the main frame's Dynamic DC switch
    bool digitalPathDialogOpen = false;
    bool demoPlaying = false;
    int batchMode = 0;            // 0 interactive; 1, 2 or 8 during a batch run
    bool fileWarning = true;      // preference "File Warning": ask before closing modified documents
    bool printBackground = false; // preference "Print Background"
    bool blockSelect = false;     // display preference "Block Select"
    const void* activeCircuitView = nullptr;  // the view of the active circuit, if any
    bool activeViewProbeMode = false;         // the active analysis view is in probe mode
};

extern ShellState Shell;

// A run is going on and not paused: the state that disables most commands.
inline bool RunActive() { return Shell.runInProgress && !Shell.runPaused; }

}  // namespace ob7
