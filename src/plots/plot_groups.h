#pragma once
// Plot groups: curves with the same group number share a pane, panes are laid out in
// group order, and the curves of one pane must agree on chart kind, axis kinds and X.

#include <string>
#include <vector>

#include "plots/graph_record.h"

namespace ob7 {

// Closes the gaps in the group numbers of the plotted curves (1, 3, 7 become 1, 2, 3)
// and numbers the curves within their groups.
void RenumberPlotGroups(PlotData& data);
// 0 when a group's curves are all analog, 1 all digital, 2 mixed.
void UpdateGroupDigitalStatus(PlotData& data);

struct GroupCheckFailure {
    int code = 0;    // 0 when the groups agree; 13804, 13802 or 13807
    int curve = -1;  // the offending curve
};
// Checks that the curves of each group agree with the group's first curve: chart kind,
// log/linear flags, then the X expression (one text per curve, compared token by token).
GroupCheckFailure CheckPlotGroups(const PlotData& data, const std::vector<std::string>& xExpressions);

}  // namespace ob7
