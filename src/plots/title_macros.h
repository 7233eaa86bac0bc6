#pragma once
// The analysis macros of plot titles and captions: temperatures, the Monte Carlo case and
// the stepped values of the runs a plot holds ("$Temperature", "$TempLow", "$case",
// "$Stepping", "$StepName3" ...), then the file macros of the circuit's name.

#include <string>

#include "analysis/runs.h"
#include "analysis/stepping.h"

namespace ob7 {

// What the macros read of the analysis and its runs.
struct TitleMacroSource {
    const RunBook* runs = nullptr;
    int shownRun = 0;            // the run the view shows (its cursor's run)
    bool runActive = false;      // live values during a run
    double currentTemperature = 27;
    int caseCounter = 1;         // the live case number
    bool monteCarlo = false;
    bool analysisActive = true;
    bool dcSweepsTemperature = false;
    const StepSet* steps = nullptr;
    std::string circuitFile;     // for the file macros
};

std::string ExpandAnalysisTitleMacros(const std::string& text, bool showRanges, const TitleMacroSource& source);

// A caption of the runs' keys: "$Temperature " when more than one temperature was run (or
// force), then "$case" (Monte Carlo) or "$Stepping" (stepping) when the case number
// exceeds 1 or ranges are not shown; expanded. analysisKind 2 adds "$DCSource2" when a
// second sweep variable is in use.
std::string BuildStepCaptionKeys(bool showRanges, bool force, const TitleMacroSource& source, int caseNumber,
                                 bool stepping);

}  // namespace ob7
