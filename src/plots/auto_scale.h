#pragma once
// Auto-scaling: axes whose range text is "Auto", the Auto Scale command and the end of
// each run turn the data extremes into nice ranges with simple grid steps; swept axes
// take the sweep range instead.

#include "plots/graph_record.h"

namespace ob7 {

// Finds a range of N divisions of a simple step that holds [low, high] with one
// division of headroom. 0, or -1 when no step fits (the outputs are then untouched).
int NiceScale(int divisions, double* highOut, double high, double low, double* lowOut, double* step);

// Gives the sweep range when the axis is swept by the analysis.
bool AxisSweepRange(PlotData& data, int curve, int axis);
// Marks the axis auto-scaled and gives it the sweep range or a placeholder range.
void AutoScaleAxis(PlotData& data, int curve, int axis);
// Recomputes a curve's data extremes from its stored points (and the visible extremes).
void UpdateDataExtremes(PlotData& data, int curve);
// Puts the data extremes into the marked axes.
void ApplyDataExtremes(PlotData& data);
// Unifies the ranges of each group over the axes first..last (0 X, 1 Y).
void UnifyGroupRanges(PlotData& data, int firstAxis, int lastAxis);
// Nice ranges for every marked axis. True when a range changed.
bool ComputeNiceRanges(PlotData& data, bool rescale);
// Which curves draw a Y scale column.
void DecideYScaleOwners(PlotData& data);
// Saves every axis' current range as its limit scales.
void SaveLimitScales(GraphRecord& g);

}  // namespace ob7
