// Plot titles with the analysis macros over recorded runs.

#include <gtest/gtest.h>

#include "plots/title_macros.h"

namespace {

using namespace ob7;

TEST(TitleMacros, TemperaturesCasesAndSteppedValues) {
    RunBook runs;
    runs.records.resize(4);
    runs.runCount = 4;
    const double temperatures[] = {27, 27, 50, 50};
    const double resistances[] = {1000, 2200, 1000, 2200};
    for (int r = 0; r < 4; ++r) {
        runs.records[r].temperature = temperatures[r];
        runs.records[r].stepValues[1] = resistances[r];
        runs.records[r].caseNumber = r + 1;
    }
    StepSet steps;
    steps.variables[1].name = "R1";
    steps.variables[1].settings |= kStepBitOn;
    TitleMacroSource source;
    source.runs = &runs;
    source.steps = &steps;
    source.shownRun = 3;
    source.caseCounter = 4;

    EXPECT_EQ(ExpandAnalysisTitleMacros("Gain $Temperature $Stepping", true, source),
              "Gain Temperature=27...50 R1=1000...2200");
    // Without ranges the run shown gives the values.
    EXPECT_EQ(ExpandAnalysisTitleMacros("$Temperature $Stepping2 $StepName2", false, source),
              "Temperature=50 R1=2200 R1");
    EXPECT_EQ(ExpandAnalysisTitleMacros("$TempLow/$TempHigh $StepLow2..$StepHigh2 $Stepping1", true, source),
              "27/50 1000..2200 NA");
    // Monte Carlo cases.
    EXPECT_EQ(ExpandAnalysisTitleMacros("[$case]", false, source), "[]");
    source.monteCarlo = true;
    EXPECT_EQ(ExpandAnalysisTitleMacros("[$case] $mccase", false, source), "[Case= 4] 4");
    // Captions: several temperatures bring "$Temperature ", the case its key.
    EXPECT_EQ(BuildStepCaptionKeys(true, false, source, 4, true), "Temperature=27...50 Case= 4");
    // Without runs the macros say NA and the temperature vanishes.
    RunBook none;
    source.runs = &none;
    EXPECT_EQ(ExpandAnalysisTitleMacros("$TempLow|$Temperature|$StepName2", true, source), "NA||NA");
}

}  // namespace
