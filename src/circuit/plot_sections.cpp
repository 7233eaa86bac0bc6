#include "circuit/plot_sections.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "circuit/circuit_document.h"
#include "circuit/file_values.h"

namespace ob7 {

using file_values::Trim;
using file_values::Upper;

namespace {

struct PerfFunctionRow {
    const char* name;
    int levels;  // numeric arguments after the curve and the condition
};

// The performance functions in table order; the condition is not counted for
// "Phase_Margin", which takes the curve only.
constexpr std::array<PerfFunctionRow, 22> kPerfFunctions = {{
    {"Rise_Time", 3}, {"Fall_Time", 3}, {"Peak_X", 1}, {"Peak_Y", 1}, {"Valley_X", 1}, {"Valley_Y", 1},
    {"Peak_Valley", 1}, {"Period", 1}, {"Frequency", 1}, {"Width", 2}, {"High_X", 0}, {"High_Y", 0},
    {"Low_X", 0}, {"Low_Y", 0}, {"X_Level", 2}, {"Y_Level", 2}, {"X_Delta", 3}, {"Y_Delta", 3},
    {"X_Range", 3}, {"Y_Range", 3}, {"Slope", 2}, {"Phase_Margin", 0},
}};
constexpr int kPhaseMargin = 21;
constexpr int kHighX = 10;

int FindPerfFunction(const std::string& name)
{
    static const struct {
        const char* alias;
        int row;
    } kOldNames[] = {{"Peak", 3}, {"Valley", 5}, {"High", 11}, {"Low", 13}};
    for (size_t i = 0; i < kPerfFunctions.size(); ++i)
        if (strcasecmp(name.c_str(), kPerfFunctions[i].name) == 0)
            return static_cast<int>(i);
    for (const auto& old : kOldNames)
        if (strcasecmp(name.c_str(), old.alias) == 0)
            return old.row;
    return -1;
}

// "name(a, b(c, d), e)": the name and the top-level arguments. False without parentheses.
bool SplitCall(const std::string& text, std::string& name, std::vector<std::string>& args)
{
    const size_t open = text.find('(');
    const size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    name = Trim(text.substr(0, open));
    args.clear();
    int depth = 0;
    size_t start = open + 1;
    for (size_t i = open + 1; i < close; ++i) {
        if (text[i] == '(')
            ++depth;
        else if (text[i] == ')')
            --depth;
        else if (text[i] == ',' && depth == 0) {
            args.push_back(Trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    args.push_back(Trim(text.substr(start, close - start)));
    return true;
}

struct Entry {
    std::string key;  // upper case
    std::string value;
};

Entry SplitEntry(const std::string& line)
{
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
        return {Upper(Trim(line)), std::string()};
    return {Upper(Trim(line.substr(0, eq))), Trim(line.substr(eq + 1))};
}

bool IsCaseKey(const std::string& key, int* level)
{
    *level = -1;
    if (key == "TEMPCASE" || key == "MCCASE")
        return true;
    return std::sscanf(key.c_str(), "STEPPINGCASE %d", level) == 1;
}

bool InList(const std::string& key, std::initializer_list<const char*> keys)
{
    for (const char* k : keys)
        if (key == k)
            return true;
    return false;
}

// Keys a version before 7.0 (or before 6.0) does not have, by section.
bool KeyInVersion(const std::string& header, const std::string& key, int32_t version)
{
    const std::string section = Upper(header);
    if (version < kCircuitVersion60 && InList(key, {"SELECT COLOR", "SELECT BOX COLOR"}))
        return false;
    if (section == "PERFORMANCE") {
        if (version < kCircuitVersion70 && InList(key, {"GRID WEIGHT", "GRID PATTERN", "TRACKER FOREGROUND",
                                                        "TRACKER BACKGROUND", "BASELINE COLOR", "STATIC GRIDS",
                                                        "PLUSMARK"}))
            return false;
        if (version < kCircuitVersion60 &&
            InList(key, {"TRACKER INTERCEPT", "TRACKER MOUSE", "TRACKER CURSOR", "HORIZONTAL CURSOR"}))
            return false;
    } else if (section == "PERFORMANCE WAVEFORM") {
        if (version < kCircuitVersion70 &&
            InList(key, {"ALIASID", "RANGE GRID X", "RANGE GRID Y", "RANGE BOLD X", "RANGE BOLD Y", "LINEARX",
                         "LINEARY"}))
            return false;
        if (version < kCircuitVersion60 && InList(key, {"PATTERN", "TEXT COLOR"}))
            return false;
    } else if (section == "GRAPH 3D") {
        // The plotted expression is a 7.0 key; before, "Expression" is the function's.
        if (version < kCircuitVersion70 && key == "EXPRESSION")
            return false;
        if (version < kCircuitVersion60 && key == "SLOPE CALCULATION")
            return false;
    }
    return true;
}

}  // namespace

int ParseCaseValue(const std::string& text)
{
    if (strcasecmp(Trim(text).c_str(), "ALL") == 0)
        return kAllCases;
    return static_cast<int>(file_values::ToLong(text));
}

std::string WriteCaseValue(int value, int32_t version)
{
    if (value == kAllCases)
        return version >= kCircuitVersion70 ? "All" : "0";
    return std::to_string(value);
}

bool ReadPerfFunctionKey(const std::string& key, const std::string& value, PerfFunctionKeys& keys)
{
    int arg = -1;
    if (key == "FUNCTION")
        keys.function = value;
    else if (key == "EXPRESSION")
        keys.expression = value;
    else if (key == "BOOLEAN")
        keys.boolean = value;
    else if (std::sscanf(key.c_str(), "ARG %d", &arg) == 1 && arg >= 0 && arg <= 2) {
        if (keys.args.size() <= static_cast<size_t>(arg))
            keys.args.resize(arg + 1);
        keys.args[arg] = value;
    } else
        return false;
    keys.any = true;
    return true;
}

std::string PerfFunctionText(const PerfFunctionKeys& keys)
{
    const int row = FindPerfFunction(keys.function);
    const std::string name = row >= 0 ? kPerfFunctions[row].name : keys.function;
    std::string text = name + "(" + keys.expression;
    if (row != kPhaseMargin) {
        text += "," + (keys.boolean.empty() ? std::string("1") : keys.boolean);
        const size_t levels = row >= 0 ? kPerfFunctions[row].levels : keys.args.size();
        for (size_t i = 0; i < levels; ++i)
            text += "," + (i < keys.args.size() ? keys.args[i] : std::string());
    }
    return text + ")";
}

std::vector<std::string> WritePerfFunction(const std::string& functionText, int32_t version)
{
    if (version >= kCircuitVersion70)
        return {"PMExpression=" + functionText};
    std::string name;
    std::vector<std::string> args;
    const int row = SplitCall(functionText, name, args) ? FindPerfFunction(name) : -1;
    if (row < 0)
        return {};
    // Files before 7.0 know no "Phase_Margin".
    std::vector<std::string> lines{std::string("Function=") + kPerfFunctions[row == kPhaseMargin ? kHighX : row].name,
                                   "Expression=" + args[0]};
    if (args.size() > 1 && !args[1].empty())
        lines.push_back("Boolean=" + args[1]);
    for (int i = 0; i < kPerfFunctions[row].levels && static_cast<size_t>(i) + 2 < args.size(); ++i)
        lines.push_back("Arg " + std::to_string(i) + "=" + args[i + 2]);
    return lines;
}

bool IsPlotWindowSection(const std::string& header)
{
    const std::string section = Upper(header);
    return section == "PERFORMANCE" || section == "PERFORMANCE WAVEFORM" || section == "GRAPH 3D" ||
           section == "MONTE CARLO";
}

std::vector<std::string> PlotSectionToCurrent(const std::string& header, const std::vector<std::string>& lines,
                                              int32_t version)
{
    if (version >= kCircuitVersion70)
        return lines;
    const bool curve = Upper(header) == "PERFORMANCE WAVEFORM";
    std::vector<std::string> out;
    PerfFunctionKeys keys;
    size_t functionAt = 0;
    for (const std::string& line : lines) {
        const Entry e = SplitEntry(line);
        int level = 0;
        if (ReadPerfFunctionKey(e.key, e.value, keys)) {
            if (functionAt == 0)
                functionAt = out.size() + 1;  // one past, so 0 means none yet
            continue;
        }
        if (IsCaseKey(e.key, &level) && ParseCaseValue(e.value) == 0)
            out.push_back(line.substr(0, line.find('=') + 1) + "All");  // 0 was every run
        else if (curve && version < kCircuitVersion60 && e.key == "COLOR") {
            out.push_back("Line Color=" + e.value);
            out.push_back("Text Color=" + e.value);
        } else
            out.push_back(line);
    }
    if (keys.any)
        out.insert(out.begin() + (functionAt - 1), "PMExpression=" + PerfFunctionText(keys));
    return out;
}

std::vector<std::string> PlotSectionForVersion(const std::string& header, const std::vector<std::string>& lines,
                                               int32_t version)
{
    if (version >= kCircuitVersion70)
        return lines;
    const bool curve = Upper(header) == "PERFORMANCE WAVEFORM";
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const Entry e = SplitEntry(line);
        int level = 0;
        if (e.key == "PMEXPRESSION") {
            for (std::string& split : WritePerfFunction(e.value, version))
                out.push_back(std::move(split));
        } else if (IsCaseKey(e.key, &level)) {
            if (level < 10)  // ten stepping levels before 7.0
                out.push_back(line.substr(0, line.find('=') + 1) + WriteCaseValue(ParseCaseValue(e.value), version));
        } else if (curve && version < kCircuitVersion60 && e.key == "LINE COLOR")
            out.push_back("Color=" + e.value);
        else if (KeyInVersion(header, e.key, version))
            out.push_back(line);
    }
    return out;
}

}  // namespace ob7
