#pragma once
// Data cursors: the left (0) and right (1) cursor of each curve sit on a stored point
// or between two points of one run. The searches behind the arrow keys and the cursor
// functions, and the placing of a cursor on every curve of its group.

#include "plots/graph_record.h"

namespace ob7 {

// RunFirst of the cursor's run plus its offset.
int CursorPointIndex(const PlotData& data, int curve, int cursor);
// Puts the cursor on the run that holds index. The run, or -1 when none holds it.
int SetCursorRun(PlotData& data, int curve, int cursor, int index);

// The next point from index a for a cursor step (kind: 18670 next point, 18672 peak,
// 18673 valley, 18674 high, 18675 low, 18676 inflection, 18677 global high, 18678 global
// low; direction 760..763 or 0). -1 when a lies in no run.
int FindNextCursorPoint(PlotData& data, int a, int direction, int curve, int kind);

// The curve's Y at X within the run that holds start: the index of the point at or
// before X and the Y interpolated between it and the next point (on the axes' scales).
int CurveValueAtX(PlotData& data, int curve, double x, int start, double* y);

// Where the curve's column (0 X, 1 Y) crosses value in run r, searching from offset o and
// wrapping: the point index (-1 none) and the X there.
int FindValueCrossing(PlotData& data, int curve, double value, int column, int offset, int run, double* xOut);

// Sets cursor c of curve g to point n (at X *value when given) and carries it to every
// curve of g's group (of the view with alignAll). Returns the last index computed.
int PlaceCursor(PlotData& data, int g, int c, int n, const double* value, bool alignAll);
// Left cursor on each group's first curve's first plotted point, right cursor on the
// last point of the first run.
void PlaceAllCursors(PlotData& data);

}  // namespace ob7
