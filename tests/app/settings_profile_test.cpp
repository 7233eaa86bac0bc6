#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings_profile.h"
#include "foundation/paths.h"
#include "foundation/recent_list.h"
#include "platform/qt_app.h"
#include "profile_fixture.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/title_block.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

struct ProfileFixture : ProfileInFolder {
    ProfileFixture() : ProfileInFolder("ob7_profile_") {}
};

}  // namespace

TEST_F(ProfileFixture, MissingOrEmptyFileGivesTheDefaults) {
    for (bool empty : {false, true}) {
        if (empty) Write("");
        Preferences.autoSaveMin = 99;
        Preferences.quitWarning = 0;
        LoadProfile();
        EXPECT_EQ(Preferences.autoSaveMin, 10);
        EXPECT_EQ(Preferences.quitWarning, 1);
        EXPECT_EQ(Preferences.operationalOptions, 0xC241);
        EXPECT_EQ(Preferences.warningTime, 3.0);
        EXPECT_EQ(Preferences.statusBar, 1);
        EXPECT_EQ(Preferences.placement.length, 0u);
        EXPECT_EQ(PrinterSettings.orientation, 2);
        EXPECT_EQ(PrinterSettings.footer, "$|Page $Page");
        EXPECT_EQ(PrinterSettings.header, "$<$user\\n$company");
    }
}

TEST_F(ProfileFixture, RoundTripKeepsSettingsAndSectionsOfOtherOwners) {
    Write("[Main]\nFileType=OMBR.DAT\nVersion=7.00\nScreen=1280,800\n"
          "[Global Settings]\nRELTOL=0.002\nABSTOL=1p\n"
          "[Preferences]\nAutoSaveMin=25\nQuit Warning=No\nG2D Grid Weight=3\n"
          "[Some Future Section]\nX=1\n"
          "[Last Loaded Files]\nFILE_1=/tmp/a.cir\n");
    LoadProfile();
    EXPECT_EQ(Preferences.autoSaveMin, 25);
    EXPECT_EQ(Preferences.quitWarning, 0);
    ASSERT_GE(FileMru().Count(), 1);
    EXPECT_EQ(FileMru().Name(0), "/tmp/a.cir");
    Preferences.placement.length = 44;
    Preferences.placement.showCommand = 1;
    Preferences.placement.normal = platform::Rect{10, 20, 810, 620};
    ASSERT_EQ(SaveProfile(), 0);
    EXPECT_FALSE(fs::exists(ProfileFile.path + ".tmp"));

    const std::string text = Read();
    // Sections in table order; those of owners not in the program come back unchanged.
    size_t main = text.find("[Main]"), global = text.find("[Global Settings]"),
           prefs = text.find("[Preferences]"), tip = text.find("[Tip]");
    ASSERT_NE(main, std::string::npos);
    EXPECT_LT(main, global);
    EXPECT_LT(global, prefs);
    EXPECT_LT(prefs, tip);
    EXPECT_NE(text.find("RELTOL=0.002\nABSTOL=1p\n"), std::string::npos);
    EXPECT_NE(text.find("G2D Grid Weight=3"), std::string::npos);
    EXPECT_NE(text.find("FileType=OMBR.DAT"), std::string::npos);
    EXPECT_NE(text.find("Screen=1280,800"), std::string::npos);
    EXPECT_EQ(text.find("Some Future Section"), std::string::npos);  // unknown: skipped

    Preferences = FramePreferences{};
    LoadProfile();
    EXPECT_EQ(Preferences.autoSaveMin, 25);
    EXPECT_EQ(Preferences.placement.length, 44u);
    EXPECT_EQ(Preferences.placement.normal.right, 810);
    ASSERT_EQ(SaveProfile(), 0);
    EXPECT_EQ(Read(), text);  // a second round trip changes nothing
}

TEST_F(ProfileFixture, HeaderRulesAndReadingOrder) {
    struct Case {
        const char* text;
        int autoSaveMin;
    };
    const Case cases[] = {
        // "[main]" in lower case is matched.
        {"[main]\nFileType=OMBR.DAT\n[Preferences]\nAutoSaveMin=7\n", 7},
        // Without FileType=OMBR.DAT every setting falls back to its default.
        {"[Main]\nVersion=7.00\n[Preferences]\nAutoSaveMin=7\n", 10},
        {"[Main]\nFileType=OTHER\n[Preferences]\nAutoSaveMin=7\n", 10},
        // A section placed twice is read twice; the later values win.
        {"[Main]\nFileType=OMBR.DAT\n[Preferences]\nAutoSaveMin=7\n[Preferences]\nAutoSaveMin=8\n", 8},
        // The older sequential layout is not read: defaults.
        {"5.30,/data\n", 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Write(c.text);
        LoadProfile();
        EXPECT_EQ(Preferences.autoSaveMin, c.autoSaveMin);
    }
}

TEST_F(ProfileFixture, ChangedScreenDropsTheSavedPlacement) {
    const char* text = "[Main]\nFileType=OMBR.DAT\nScreen=%d,%d\n[Preferences]\n"
                       "Main Window Placement=0,1,0,0,0,0,10,10,500,400\n";
    for (auto [w, h, kept] : {std::tuple{1280, 800, true}, std::tuple{1024, 768, false}}) {
        char buffer[256];
        std::snprintf(buffer, sizeof buffer, text, w, h);
        Write(buffer);
        LoadProfile();
        EXPECT_EQ(Preferences.placement.length != 0, kept) << w << "x" << h;
    }
}

TEST_F(ProfileFixture, NothingIsWrittenAfterAFatalStart) {
    ProfileFile.fatalStartup = true;
    EXPECT_EQ(SaveProfile(), 0);
    EXPECT_FALSE(fs::exists(ProfileFile.path));
    ProfileFile.fatalStartup = false;
}

TEST_F(ProfileFixture, FrameworkProfileNames) {
    setenv("OB7_HOME", dir.c_str(), 1);
    GetModuleFolder();
    std::ofstream(dir / "OB7DEMO.INI") << "[Other]\nUserName=no\n[Ombrelic]\nUserName=Ada\nCompanyName=Lab\n";
    LoadProfile();
    EXPECT_EQ(ProfileFile.userName, "Ada");
    EXPECT_EQ(ProfileFile.companyName, "Lab");
    EXPECT_TRUE(WriteFrameworkProfileString("Ombrelic", "BarState", "0A0B"));
    EXPECT_EQ(ReadFrameworkProfileString("Ombrelic", "BarState"), "0A0B");
    EXPECT_EQ(ReadFrameworkProfileString("Ombrelic", "UserName"), "Ada");
    EXPECT_EQ(ReadFrameworkProfileString("Other", "UserName"), "no");
}

TEST_F(ProfileFixture, SavesFollowLinksAndRefuseReadOnlyFiles) {
    // A linked profile: the target gets the settings, the link stays a link.
    const fs::path target = dir / "real.dat";
    std::ofstream(target) << "";
    const std::string link = ProfileFile.path;
    fs::create_symlink(target, link);
    ASSERT_EQ(SaveProfile(), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_GT(fs::file_size(target), 0u);

    // A read-only profile is refused and left as it was.
    fs::remove(link);
    Write("keep");
    fs::permissions(ProfileFile.path, fs::perms::owner_read, fs::perm_options::replace);
    EXPECT_NE(SaveProfile(), 0);
    EXPECT_EQ(Read(), "keep");
    fs::permissions(ProfileFile.path, fs::perms::owner_all, fs::perm_options::replace);
}

// Older profiles kept the two questions as option bits; grids below 2 become 2; the
// colour dialog's custom colours and the plot formats come back exactly.
TEST_F(ProfileFixture, PreferenceRulesAfterReading) {
    Write("[Main]\nFileType=OMBR.DAT\nVersion=7.00\nScreen=1280,800\n"
          "[Preferences]\nOperational Options=49735\nQuit Warning=No\nFile Warning=No\nNumber of Grids=1\n"
          "CUSTOM_COLOR_3=1193046\nG2D ScaleFormatY=6E\nG3D ValueFormatZ=4G\nPFM Static Grids=True\n");
    LoadProfile();
    EXPECT_EQ(Preferences.quitWarning, 1);
    EXPECT_EQ(Preferences.fileWarning, 1);
    EXPECT_EQ(Preferences.operationalOptions, 49729);  // bits 1 and 2 cleared
    EXPECT_EQ(Preferences.numberOfGrids, 2);
    EXPECT_EQ(Preferences.customColours[3], 1193046u);
    EXPECT_STREQ(PlotFormats.scale[0][1].text, "6E");
    EXPECT_STREQ(PlotFormats.value[2][2].text, "4G");
    EXPECT_EQ(PlotFormats.staticGrids[1], 1);
    ASSERT_EQ(SaveProfile(), 0);
    const std::string text = Read();
    for (const char* line : {"Quit Warning=Yes\n", "CUSTOM_COLOR_3=1193046\n", "G2D ScaleFormatY=6E\n",
                             "PFM Static Grids=True\n", "Number of Grids=2\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}
