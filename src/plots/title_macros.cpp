#include "plots/title_macros.h"

#include <algorithm>
#include <cstdio>
#include <strings.h>

#include "foundation/numbers.h"
#include "ui/framework/title_block.h"

namespace ob7 {

namespace {

std::string Temperature(double t) {
    std::string s = FormatNumberText(t, 17, 0, kNumLowerCase);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

const RunRecord* Shown(const TitleMacroSource& s) {
    if (!s.runs || s.runs->runCount == 0) return nullptr;
    int r = std::clamp(s.shownRun, 0, s.runs->runCount - 1);
    return &s.runs->records[r];
}

}  // namespace

std::string ExpandAnalysisTitleMacros(const std::string& input, bool showRanges, const TitleMacroSource& s) {
    std::string text = input;
    const RunRecord* shown = Shown(s);
    int runCount = s.runs ? s.runs->runCount : 0;
    // Temperatures.
    if (runCount > 0 && !s.dcSweepsTemperature) {
        double low = 1e300, high = -1e300;
        for (int r = 0; r < runCount; ++r) {
            low = std::min(low, s.runs->records[r].temperature);
            high = std::max(high, s.runs->records[r].temperature);
        }
        std::string lo = Temperature(low), hi = Temperature(high);
        std::string current = Temperature(s.runActive ? s.currentTemperature : shown->temperature);
        ReplaceTextMacro(text, "$TempLow", lo);
        ReplaceTextMacro(text, "$TempHigh", hi);
        ReplaceTextMacro(text, "$TempCurrent", current);
        ReplaceTextMacro(text, "$Temperature",
                         showRanges && low != high ? "Temperature=" + lo + "..." + hi : "Temperature=" + current);
    } else {
        ReplaceTextMacro(text, "$TempLow", "NA");
        ReplaceTextMacro(text, "$TempHigh", "NA");
        ReplaceTextMacro(text, "$TempCurrent", "NA");
        ReplaceTextMacro(text, "$Temperature", "");
    }
    // The Monte Carlo case.
    int caseNumber = showRanges || s.runActive || !shown ? s.caseCounter : shown->caseNumber;
    std::string caseText = std::to_string(caseNumber);
    ReplaceTextMacro(text, "$mccase", caseText);
    ReplaceTextMacro(text, "$case", s.monteCarlo ? "Case= " + caseText : "");
    // Stepped values, from the highest-numbered variable down.
    std::string list;
    for (int n = kStepVariables; n >= 1; --n) {
        std::string name = "NA", low = "NA", high = "NA", current = "NA", both;
        const StepVariable* v = s.steps ? &s.steps->variables[n - 1] : nullptr;
        if (v && s.analysisActive && (v->settings & kStepBitOn) && runCount > 0) {
            name = FormatStepVariableName(*v, false);
            int lowRun = 0, highRun = 0;
            for (int r = 1; r < runCount; ++r) {
                double value = s.runs->records[r].stepValues[n - 1];
                if (value < s.runs->records[lowRun].stepValues[n - 1]) lowRun = r;
                if (value > s.runs->records[highRun].stepValues[n - 1]) highRun = r;
            }
            low = FormatStepValue(*v, n - 1, s.runs->records[lowRun]);
            high = FormatStepValue(*v, n - 1, s.runs->records[highRun]);
            if (s.runActive) {
                char buffer[40];
                std::snprintf(buffer, sizeof buffer, "%g", v->current);
                current = buffer;
            } else {
                current = FormatStepValue(*v, n - 1, *shown);
            }
            both = showRanges && strcasecmp(low.c_str(), high.c_str()) != 0 ? name + "=" + low + "..." + high
                                                                            : name + "=" + current;
            list = list.empty() ? both : list + " " + both;
        } else {
            both = "NA";
        }
        std::string k = std::to_string(n);
        ReplaceTextMacro(text, "$StepLow" + k, low);
        ReplaceTextMacro(text, "$StepHigh" + k, high);
        ReplaceTextMacro(text, "$StepCurrent" + k, current);
        ReplaceTextMacro(text, "$StepName" + k, name);
        ReplaceTextMacro(text, "$Stepping" + k, both);
    }
    ReplaceTextMacro(text, "$Stepping", list);
    if (!s.circuitFile.empty()) ExpandFileMacros(text, s.circuitFile);
    return text;
}

std::string BuildStepCaptionKeys(bool showRanges, bool force, const TitleMacroSource& s, int caseNumber,
                                 bool stepping) {
    std::string keys;
    int runCount = s.runs ? s.runs->runCount : 0;
    if (runCount > 0 && !s.dcSweepsTemperature) {
        bool several = false;
        for (int r = 1; r < runCount; ++r) several = several || s.runs->records[r].temperature != s.runs->records[0].temperature;
        if (several || force) keys += "$Temperature ";
    }
    if (caseNumber > 1 || !showRanges) {
        if (s.monteCarlo) keys += "$case";
        else if (stepping) keys += "$Stepping";
    }
    return ExpandAnalysisTitleMacros(keys, showRanges, s);
}

}  // namespace ob7
