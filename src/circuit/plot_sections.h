#pragma once
// The plot-window sections ([Performance], [Performance WaveForm], [Graph 3D], [Monte
// Carlo]) between file versions. The document keeps their entries in the current (7.0)
// form: a file of an older version is converted when it is read, and the entries are
// converted to the target's form when it is written. Same version in and out gives the
// same lines.

#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

constexpr int kAllCases = -66;  // a case selector meaning every run

// "ALL" in any case is every run; anything else an integer.
int ParseCaseValue(const std::string& text);
// Every run is "All" from 7.0 and 0 before.
std::string WriteCaseValue(int value, int32_t version);

// A performance function in the split form of files before 7.0.
struct PerfFunctionKeys {
    std::string function;   // table name
    std::string expression;
    std::string boolean;
    std::vector<std::string> args;
    bool any = false;       // some split key was read
};

// Takes one split key (FUNCTION, EXPRESSION, BOOLEAN, "ARG %d"; key upper case) into
// `keys`. False when the key is not one of them.
bool ReadPerfFunctionKey(const std::string& key, const std::string& value, PerfFunctionKeys& keys);
// The 7.0 function text: name(expression, condition, arguments...). The condition is "1"
// (nothing excluded) when none was stored.
std::string PerfFunctionText(const PerfFunctionKeys& keys);
// The entry lines that store a function text in a version: "PMExpression" in 7.0, the
// split keys before ("Phase_Margin" under the name "High_X"; a name the table lacks
// stores nothing).
std::vector<std::string> WritePerfFunction(const std::string& functionText, int32_t version);

// Whether a header is one of the plot-window sections.
bool IsPlotWindowSection(const std::string& header);
// The entries of a plot-window section read from a file of `version`, in 7.0 form.
std::vector<std::string> PlotSectionToCurrent(const std::string& header, const std::vector<std::string>& lines,
                                              int32_t version);
// The 7.0-form entries of a plot-window section as a file of `version` stores them.
std::vector<std::string> PlotSectionForVersion(const std::string& header, const std::vector<std::string>& lines,
                                               int32_t version);

}  // namespace ob7
