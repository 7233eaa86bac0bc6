#pragma once
// The analyses of the main frame's Analysis menu on the circuit of a text window: the
// first circuit window becomes the active circuit, its text is compiled, and the
// analysis window opens with its Limits dialog. Run in that window runs the analysis
// through the run cycle and draws its curves; closing the window ends the analysis.

namespace ob7 {

class CMainFrame;
class CAPDraw;
class CG2DFrame;

// Transient (17600), AC (17601) and DC (17602) of the main frame start an analysis on
// the first circuit window unless one is active; the runs' animation wait gets the
// program's message pump.
void InstallAnalysisCommands(CMainFrame& frame);
// What the animation wait of a run borrows from the program: the batch and probe states,
// the mode indicator, the message pump (its pause is the run's Pause) and the clock.
void InstallAnimateViewHooks();

// Starts analysis 0 (transient), 1 (AC) or 2 (DC) on the first circuit window. False
// when none started: no circuit window, an analysis already active, or a failed compile
// (reported).
bool StartCircuitAnalysis(int kind);
// Runs the active analysis (the window's Run). 0, 15055 after a reported failure, or
// 15056 when stopped.
int RunActiveAnalysis();
// The window and the plot view of the active analysis, or null.
CG2DFrame* ActiveAnalysisWindow();
CAPDraw* ActiveAnalysisView();
// What the Statistics list shows of the active analysis: the set-up (compile) and run
// times in seconds, the nodes of the compiled circuit, the last run's counters and the
// number of its equations.
struct AnalysisStatistics {
    double setupSeconds = 0, runSeconds = 0;
    int analogNodes = 0, digitalNodes = 0, equations = 0;
    long iterations = 0, rejectedSolutions = 0, totalSolutions = 0;
};
// False when no analysis is active.
bool ActiveAnalysisStatistics(AnalysisStatistics& out);
// Ends the active analysis: its window closes and its run data is freed. Not from inside
// the analysis window (its own close ends the analysis).
void EndCircuitAnalysis();

}  // namespace ob7
