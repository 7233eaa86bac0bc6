#pragma once
// Brings the points of an analysis run into a plot view while the run goes: the view's
// curves are made from the run's plotted curves when the first point arrives, every
// stored point is copied across and drawn as a new segment, a single transient run
// rescales past a quarter and past half of its time, and the percentage done is
// reported. At the end whatever is still missing is copied and the view auto-scales
// and repaints.

#include <chrono>
#include <functional>
#include <vector>

#include "plots/graph_record.h"

namespace ob7 {

class AnalysisPlot;
class AnalysisRun;
class CAPDraw;
struct AnalysisSetup;

// The sweep of an analysis as its limit texts give it: transient stop and start times,
// AC stop and start frequencies, the first DC sweep variable with its final and initial
// values. Texts that do not read leave zeros.
SweepRanges SweepRangesFromSetup(int kind, const AnalysisSetup& setup);

// The view's curves from the plot's plotted curves, with the ranges, colours, groups
// and formats of their rows; "Auto" axes are marked to scale themselves. The curves hold
// no points yet. Returns the plot's curve of each view curve.
std::vector<int> BuildViewGraphs(CAPDraw& view, const AnalysisPlot& plot, const AnalysisSetup& setup, int kind);

class RunPlotFeed {
public:
    RunPlotFeed(CAPDraw& view, const AnalysisSetup& setup, int kind);
    RunPlotFeed(const RunPlotFeed&) = delete;
    RunPlotFeed& operator=(const RunPlotFeed&) = delete;

    // Follows the run from its next stored point on (sets its pointStored hook).
    void Attach(AnalysisRun& run);
    // Called at every stored point: the points stored since the last drawing are copied
    // and drawn together (at most every 20 ms within a run; a new run at once).
    void Update(AnalysisPlot& plot);
    // Copies the points stored so far and draws them when the view has a window. Only
    // points that every plotted curve has are taken during a run.
    void Flush(AnalysisPlot& plot);
    // The run ended: the rest of every run is copied, then the view auto-scales, places
    // its cursors and repaints.
    void Finish(AnalysisPlot& plot);

    // The percentage of the whole run done (all runs together), called when it grows.
    std::function<void(int percent)> progress;

private:
    void Prepare(AnalysisPlot& plot);
    void CopyPoints(AnalysisPlot& plot, int run, int upTo);
    double SweepFraction(double x) const;

    CAPDraw& view_;
    const AnalysisSetup& setup_;
    int kind_;
    bool logSweep_ = false;
    bool prepared_ = false;
    int viewRuns_ = 0;     // runs opened in the view
    int copied_ = 0;       // points of the view's last run copied
    int lastPercent_ = -1;
    // New points wait at most this long before they are drawn together.
    static constexpr int kDrawIntervalMs = 20;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::vector<int> shown_;  // the run's curve of each view curve
};

}  // namespace ob7
