#pragma once
// Help/Statistics (Alt+Z): the program's version, build date and installed memory in a
// list, with Close; while an analysis is active also its times, nodes, data points per
// curve and the simulator's counters.

#include <string>
#include <vector>

#include "ui/framework/dialogs.h"

namespace ob7 {

// The lines the list shows.
std::vector<std::string> StatisticsLines();

class CStatisticsDlg : public CDialog2 {
public:
    CStatisticsDlg();
    bool OnInitDialog() override;
};

}  // namespace ob7
