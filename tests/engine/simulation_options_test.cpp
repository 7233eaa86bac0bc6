// The option table: both default sets, limits, editability and the profile section.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "foundation/profile.h"
#include "sim/engine/integration.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class SimulationOptions : public ::testing::Test {
protected:
    void SetUp() override {
        AnalysisKind = -1;
        FillOptionDefaultTexts(1);
        ParseSimulationOptions(true);
    }
    void TearDown() override { AnalysisKind = -1; }
};

TEST_F(SimulationOptions, StandardDefaults) {
    EXPECT_EQ(Method, kTrapezoidal);
    EXPECT_EQ(WorkingMethod, kTrapezoidal);
    EXPECT_DOUBLE_EQ(Options.abstol, 1e-12);
    EXPECT_DOUBLE_EQ(Options.chgtol, 1e-14);
    EXPECT_DOUBLE_EQ(Options.defl, 100e-6);
    EXPECT_DOUBLE_EQ(Options.digdrvz, 20e3);
    EXPECT_EQ(Options.digerrlimit, 10000);
    EXPECT_DOUBLE_EQ(Options.digfreq, 10e9);
    EXPECT_DOUBLE_EQ(Options.digmntyscale, 0.4);
    EXPECT_DOUBLE_EQ(Options.gmin, 1e-12);
    EXPECT_EQ(Options.itl1, 100);
    EXPECT_EQ(Options.itl2, 50);
    EXPECT_EQ(Options.itl4, 10);
    EXPECT_DOUBLE_EQ(Options.pivrel, 1e-3);
    EXPECT_DOUBLE_EQ(Options.pivtol, 1e-13);
    EXPECT_DOUBLE_EQ(Options.reltol, 1e-3);
    EXPECT_DOUBLE_EQ(Options.tnom, 27);
    EXPECT_DOUBLE_EQ(Options.trtol, 7);
    EXPECT_DOUBLE_EQ(Options.vntol, 1e-6);
    EXPECT_EQ(Options.width, 80);
    EXPECT_EQ(Options.privateanalog, 1);
    EXPECT_EQ(Options.perform_m, 2);
    EXPECT_DOUBLE_EQ(Options.rmin, 1e-6);
    EXPECT_EQ(Options.numeric_derivative, 0);
}

TEST_F(SimulationOptions, ValuesBeforeParsingAreTheStandardSet) {
    for (const SimulationOptionRow& row : SimulationOptionTable) {
        if (row.real) EXPECT_DOUBLE_EQ(kStandardOptionValues.*row.real, Options.*row.real) << row.name;
        else EXPECT_EQ(kStandardOptionValues.*row.integer, Options.*row.integer) << row.name;
    }
}

TEST_F(SimulationOptions, PowerDefaults) {
    LoadOptionDefaultSet(2);
    ParseSimulationOptions(true);
    EXPECT_EQ(Method, kGear);
    EXPECT_EQ(WorkingMethod, kGear);
    EXPECT_DOUBLE_EQ(Options.abstol, 1e-6);
    EXPECT_DOUBLE_EQ(Options.chgtol, 1e-9);
    EXPECT_DOUBLE_EQ(Options.gmin, 1e-9);
    EXPECT_EQ(Options.itl1, 200);
    EXPECT_DOUBLE_EQ(Options.reltol, 10e-3);
    EXPECT_DOUBLE_EQ(Options.vntol, 1e-3);
    EXPECT_DOUBLE_EQ(Options.trtol, 7);  // the same in both sets
    LoadOptionDefaultSet(1);
    EXPECT_EQ(Method, kTrapezoidal);
    EXPECT_EQ(OptionTexts[FindOption("ABSTOL")], "1pA");
}

TEST_F(SimulationOptions, ValuesAreClampedAndTextsRewritten) {
    struct Case {
        const char* name;
        const char* text;
        const char* rewritten;
    };
    for (const Case c : {Case{"RELTOL", "0", "1e-50"}, Case{"WIDTH", "5000", "1000"}, Case{"TRTOL", "0.5", "1"},
                         Case{"DIGIOLVL", "-3", "1"}, Case{"ITL1", "", "100"}, Case{"GMIN", "1n", "1n"},
                         Case{"DIGMNTYSCALE", "2", "1"}}) {
        OptionTexts[FindOption(c.name)] = c.text;
        ParseSimulationOptions(true);
        EXPECT_EQ(OptionTexts[FindOption(c.name)], c.rewritten) << c.name;
    }
    EXPECT_DOUBLE_EQ(Options.reltol, 1e-50);
    EXPECT_EQ(Options.width, 1000);
    EXPECT_DOUBLE_EQ(Options.trtol, 1);
    EXPECT_EQ(Options.digiolvl, 1);
    EXPECT_EQ(Options.itl1, 100);
    EXPECT_DOUBLE_EQ(Options.gmin, 1e-9);
}

TEST_F(SimulationOptions, OnlyChangeableRowsAreEditableDuringAnAnalysis) {
    AnalysisKind = 0;
    for (const char* name : {"ABSTOL", "RELTOL", "ITL1", "ITL4", "TRTOL", "WIDTH", "PERFORM_M"})
        EXPECT_TRUE(IsOptionEditable(FindOption(name))) << name;
    for (const char* name : {"GMIN", "DIGFREQ", "DIGIOLVL", "PRIVATEANALOG", "RMIN", "NUMERIC_DERIVATIVE"})
        EXPECT_FALSE(IsOptionEditable(FindOption(name))) << name;
    EXPECT_TRUE(IsOptionEditable(kGearControl));
    EXPECT_FALSE(IsOptionEditable(5618));  // GMIN by its control
    EXPECT_TRUE(IsOptionEditable(5627));   // RELTOL by its control

    // Parsing the editable rows only leaves GMIN's text and value alone.
    OptionTexts[FindOption("GMIN")] = "1n";
    OptionTexts[FindOption("RELTOL")] = "2m";
    ParseSimulationOptions(false);
    EXPECT_DOUBLE_EQ(Options.gmin, 1e-12);
    EXPECT_DOUBLE_EQ(Options.reltol, 2e-3);
    AnalysisKind = -1;
    EXPECT_TRUE(IsOptionEditable(FindOption("GMIN")));
}

TEST_F(SimulationOptions, ProfileSectionRoundTrip) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("ob7_options_" + std::to_string(::getpid()) + ".ini")).string();
    OptionTexts[FindOption("RELTOL")] = "5m";
    OptionTexts[FindOption("WIDTH")] = "132";
    Method = kGear;
    {
        Profile out;
        ASSERT_EQ(out.OpenWrite(path.c_str()), 0);
        out.Printf("[Global Settings]\n");
        WriteGlobalSettingsSection(out);
        out.Printf("[Other]\nRELTOL=9\n");
        ASSERT_EQ(out.Close(), 0);
    }
    FillOptionDefaultTexts(1);
    ParseSimulationOptions(true);
    ASSERT_EQ(Method, kTrapezoidal);
    {
        Profile in;
        ASSERT_EQ(in.OpenRead(path.c_str()), 0);
        std::string line;
        in.NextEntry(line);  // the section line
        ReadGlobalSettingsSection(in);
        in.Close();
    }
    std::remove(path.c_str());
    EXPECT_EQ(OptionTexts[FindOption("RELTOL")], "5m");
    EXPECT_DOUBLE_EQ(Options.reltol, 5e-3);
    EXPECT_EQ(Options.width, 132);
    EXPECT_EQ(Method, kGear);
    EXPECT_EQ(WorkingMethod, kGear);
}

TEST_F(SimulationOptions, MethodReadsGearOnlyFromGear) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("ob7_method_" + std::to_string(::getpid()) + ".ini")).string();
    for (const auto& [text, method] : {std::pair{"gear", kGear}, {"Trap", kTrapezoidal}, {"anything", kTrapezoidal}}) {
        {
            Profile out;
            ASSERT_EQ(out.OpenWrite(path.c_str()), 0);
            out.Printf("abstol=1n\nMETHOD=%s\nUNKNOWN=3\n", text);
            ASSERT_EQ(out.Close(), 0);
        }
        Profile in;
        ASSERT_EQ(in.OpenRead(path.c_str()), 0);
        ReadGlobalSettingsSection(in);
        in.Close();
        EXPECT_EQ(Method, method) << text;
        EXPECT_DOUBLE_EQ(Options.abstol, 1e-9);  // keys match in any case
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace ob7
