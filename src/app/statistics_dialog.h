#pragma once
// Help/Statistics (Alt+Z): the program's version, build date and installed memory in a
// list, with Close; the component count of the active circuit or the top schematic;
// while an analysis is active also its times, nodes, data points per curve, the parts
// of each component type and the simulator's counters.

#include <string>
#include <vector>

#include "ui/framework/dialogs.h"

namespace ob7 {

struct CircuitDocument;

// The lines the list shows.
std::vector<std::string> StatisticsLines();

// "Components = %d": the parts whose type is not 0 and is counted as a component (ground,
// ties, jumpers and shorts are not). With byType, then "%s = %d" for every such type
// that has parts: its definition name and the number of its parts, in type order.
std::vector<std::string> ComponentCountLines(const CircuitDocument& doc, bool byType);

class CStatisticsDlg : public CDialog2 {
public:
    CStatisticsDlg();
    bool OnInitDialog() override;
};

}  // namespace ob7
