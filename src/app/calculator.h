#pragma once
// The calculator's evaluation: a formula of the expression language evaluated to a
// number in the calculator's format, or differentiated by a variable, and the recent
// list of formulas kept in the settings profile.

#include <string>

#include "foundation/recent_list.h"

namespace ob7 {

class Profile;

// The last ten formulas with their derivative variables.
CRecentList& CalculatorHistory();
int SerializeCalculatorHistory(Profile& profile);

// "CalculatorFormat": digits and style of results (default "16e").
extern std::string CalculatorFormat;

// The value (or, with a variable, the derivative) of a formula as text. 0, or the
// message code whose text is in `out`.
int EvaluateCalculatorText(const std::string& formula, const std::string* variable, std::string& out);

}  // namespace ob7
