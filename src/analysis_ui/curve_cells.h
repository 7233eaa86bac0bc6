#pragma once
// The texts of the curve grid's cells: a range cell shows the range joined with its grid
// and bold grid spacings, and a typed cell text is split back into them.

#include <string>

#include "circuit/analysis_setup.h"

namespace ob7 {

// Grid columns.
enum CurveColumn : int { kColPlotGroup = 0, kColXExpression = 1, kColYExpression = 2, kColXRange = 3, kColYRange = 4 };

// The text a cell shows for a row.
std::string CurveCellText(const CurveRowRecord& row, int column);

// Stores a cell text into the row. True when a change must be reported: the plot group
// or a range part changed (expression cells are stored without a report).
bool StoreCurveCell(CurveRowRecord& row, int column, const std::string& text);

// The text without leading and trailing blanks.
std::string TrimBlanks(const std::string& text);

}  // namespace ob7
