#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/curve_rows.h"
#include "app/calculator.h"
#include "app/display_fonts.h"
#include "app/settings_profile.h"
#include "plots/plot_view.h"
#include "sim/engine/simulation_options.h"
#include "foundation/paths.h"
#include "foundation/recent_list.h"
#include "libraries/component_library.h"
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
        OptionTexts[0] = "7";
        LoadProfile();
        EXPECT_EQ(OptionTexts[0], SimulationOptionTable[0].standard_default);
        EXPECT_DOUBLE_EQ(Options.reltol, 1e-3);
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
    EXPECT_DOUBLE_EQ(Options.reltol, 0.002);
    EXPECT_DOUBLE_EQ(Options.abstol, 1e-12);
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
    // The simulation options come back with the others of their section.
    EXPECT_NE(text.find("RELTOL=0.002\n"), std::string::npos);
    EXPECT_NE(text.find("ABSTOL=1p\n"), std::string::npos);
    EXPECT_NE(text.find("METHOD=TRAP\n"), std::string::npos);
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
        // The older sequential layout ending before its simulation options: defaults.
        {"5.30,/data\n", 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Write(c.text);
        LoadProfile();
        EXPECT_EQ(Preferences.autoSaveMin, c.autoSaveMin);
    }
}

namespace {

// A 5.3 profile: data folder, 36 option texts (ABSTOL first, RELTOL 25th, WIDTH 31st), two
// number formats and an integer, two font records, the option bits, header and footer,
// one window entry, the status-bar switch and three recent files.
std::string OldLayoutProfile(const char* first, int optionTexts) {
    std::string text = std::string(first) + "\n/old/data\n36\n";
    for (int i = 0; i < optionTexts; ++i)
        text += i == 0 ? "2p\n" : i == 24 ? "2m\n" : i == 30 ? "5000\n" : "\n";
    if (optionTexts < 36) return text;
    return text + "4.2g\n5e\n1\n2\n12,0,0,1,Arial\n-11,1,0,2,Courier New\n581\n2\nOld header\nOld footer\n"
                  "1\n1,2,3,4\n0\n3\n/x/a.cir\n/x/b.cir\n/x/c.cir\n";
}

}  // namespace

TEST_F(ProfileFixture, OldSequentialLayoutIsRead) {
    for (const char* first : {"5.3", "5.30"}) {
        SCOPED_TRACE(first);
        Write(OldLayoutProfile(first, 36));
        LoadProfile();
        EXPECT_EQ(GetDefaultPath(kDataPath), "/old/data");
        EXPECT_EQ(OptionTexts[0], "2p");
        EXPECT_DOUBLE_EQ(Options.abstol, 2e-12);
        EXPECT_DOUBLE_EQ(Options.reltol, 2e-3);
        EXPECT_EQ(OptionTexts[30], "1000");  // clamped to its maximum
        EXPECT_EQ(OptionTexts[1], ".01pC");  // empty texts take their defaults
        // 581 = 0x245: bit 0x4 turns the quit question on and is cleared; 0x4000 is added.
        EXPECT_EQ(Preferences.operationalOptions, 0x4241);
        EXPECT_EQ(Preferences.quitWarning, 1);
        EXPECT_EQ(PrinterSettings.header, "Old header");
        EXPECT_EQ(PrinterSettings.footer, "Old footer");
        EXPECT_EQ(Preferences.statusBar, 0);
        ASSERT_EQ(FileMru().Count(), 8);
        EXPECT_EQ(FileMru().Name(0), "/x/a.cir");
        EXPECT_EQ(FileMru().Name(2), "/x/c.cir");
        EXPECT_EQ(FileMru().Name(3), "");
    }
    // The next save writes the sectioned layout.
    ASSERT_EQ(SaveProfile(), 0);
    const std::string text = Read();
    EXPECT_EQ(text.rfind("[Main]\n", 0), 0u);
    EXPECT_NE(text.find("RELTOL=2m\n"), std::string::npos);
    EXPECT_NE(text.find("FILE_3=/x/c.cir\n"), std::string::npos);
}

TEST_F(ProfileFixture, OldLayoutEndsAtAnErrorInTheSimulationOptions) {
    // The file ends inside the option texts: the read fails and every setting is reset.
    Write(OldLayoutProfile("5.30", 30));
    LoadProfile();
    EXPECT_EQ(OptionTexts[0], "1pA");
    EXPECT_DOUBLE_EQ(Options.reltol, 1e-3);
    EXPECT_NE(GetDefaultPath(kDataPath), "/old/data");
    // A file ending after them keeps what was read; the rest keep their defaults.
    Write(OldLayoutProfile("5.30", 36).substr(0, OldLayoutProfile("5.30", 36).find("2\n12,0")));
    LoadProfile();
    EXPECT_DOUBLE_EQ(Options.reltol, 2e-3);
    EXPECT_EQ(Preferences.operationalOptions, 0xC241);
    EXPECT_EQ(PrinterSettings.footer, "$|Page $Page");
    // "5.31" is no old version: read as sections, which it has none of.
    Write(OldLayoutProfile("5.31", 36));
    LoadProfile();
    EXPECT_DOUBLE_EQ(Options.reltol, 1e-3);
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

// The display items and curve styles start as the table of defaults gives them.
TEST_F(ProfileFixture, DisplayItemsAndCurveStylesDefaults) {
    LoadProfile();
    const int h = DefaultFontSize;
    const int courier = FontFaceIndex("Courier New"), arial = FontFaceIndex("Arial");
    struct Case {
        int slot;
        const char* name;
        int colour, height, face;
    };
    for (const Case& c : {Case{0, "Status Bar Text", 0, h, arial}, Case{1, "Circuit Background", 15, h, arial},
                          Case{4, "Block Select", 41, h, arial}, Case{8, "Node Number", 13, h * 6 / 8, arial},
                          Case{9, "Pin", 9, h * 2 / 3, arial}, Case{11, "Grid Text", 1, h * 7 / 8, arial},
                          Case{12, "Circuit Text Area", 4, h, courier}, Case{19, "CIR Power", 9, h * 6 / 8, arial},
                          Case{25, "Digital Z", 8, h, arial}, Case{26, "Analysis Window Background", 15, h, arial},
                          Case{39, "Analysis Baseline Color", 12, h, arial}, Case{40, "MC Window Background", 7, h, arial},
                          Case{58, "3D Wire Grid Color", 0, h, arial}, Case{60, "Text Text", 4, h, courier},
                          Case{62, "PFM Window Background", 15, h, arial}, Case{71, "PFM Baseline Color", 12, h, arial}}) {
        EXPECT_STREQ(kDisplayFontNames[c.slot], c.name);
        EXPECT_EQ(DisplayFontTable[c.slot].color, c.colour) << c.name;
        EXPECT_EQ(DisplayFontTable[c.slot].height, c.height) << c.name;
        EXPECT_EQ(DisplayFontTable[c.slot].face, c.face) << c.name;
    }
    const int colours[10] = {12, 9, 2, 13, 0, 12, 9, 2, 13, 0};
    for (int n = 0; n < 20; ++n) {
        EXPECT_EQ(DefaultCurveStyles[n].lineColor, colours[n % 10]);
        EXPECT_EQ(DefaultCurveStyles[n].textColor, colours[n % 10]);
        EXPECT_EQ(DefaultCurveStyles[n].width, 1);
        EXPECT_EQ(DefaultCurveStyles[n].pattern, 0);
    }
    EXPECT_EQ(PlotGrids.weight[0], 1);
    EXPECT_EQ(PlotGrids.pattern[1], 2);
    EXPECT_EQ(PlotFormats.patchColour, 1);  // "Spectrum"
}

// The Preferences section: the 156 rows of the key table in order, then the 3-D scheme
// and the custom colours; fonts, curve styles, the scheme and the older single keys read.
TEST_F(ProfileFixture, PreferenceKeyTableWrittenAndRead) {
    Write("[Main]\nFileType=OMBR.DAT\nVersion=7.00\nScreen=1280,800\n"
          "[Preferences]\nNode Number=Height=20,FStyle=4,Color=3,Name=Courier New\n"
          "G2D Waveform 2=Line=5,Text=6,LineWidth=3\nPFM Waveform 10=Line=7,Text=7,LinePattern=Dash\n"
          "G2D Grid Weight=4\nG3D PatchColor=Blue\nG3D PatchColor=Mauve\nCUSTOM_COLOR_16=5\n"
          "Same Y Scales=No\nScaleFormat=5E\nValueFormat=7\nCalculatorFormat=9G\n");
    LoadProfile();
    EXPECT_EQ(DisplayFontTable[8].height, 20);
    EXPECT_EQ(DisplayFontTable[8].style, 4);
    EXPECT_EQ(DisplayFontTable[8].color, 3);
    EXPECT_STREQ(FaceName(DisplayFontTable[8].face), "Courier New");
    EXPECT_EQ(DefaultCurveStyle(1).lineColour, 5);  // new curves take the setting
    EXPECT_EQ(DefaultCurveStyle(1).textColour, 6);
    EXPECT_EQ(DefaultCurveStyle(1).lineWidth, 3);
    EXPECT_EQ(DefaultCurveStyles[19].lineColor, 7);
    EXPECT_EQ(PlotGrids.weight[0], 4);
    EXPECT_EQ(PlotFormats.patchColour, 3);  // a name not in the list keeps "Blue"
    EXPECT_EQ(PlotFormats.sameYScales[0], 0);
    EXPECT_EQ(PlotFormats.sameYScales[1], 0);
    for (int kind = 0; kind < 3; ++kind)
        for (int axis = 0; axis < (kind == 2 ? 3 : 2); ++axis) {
            EXPECT_STREQ(PlotFormats.scale[kind][axis].text, "5E");
            EXPECT_STREQ(PlotFormats.value[kind][axis].text, "7");
        }
    EXPECT_EQ(CalculatorFormat, "9G");

    Preferences.placement.length = 44;
    ASSERT_EQ(SaveProfile(), 0);
    const std::string text = Read();
    const size_t begin = text.find("[Preferences]\n") + 14, end = text.find("\n[", begin);
    std::vector<std::string> lines;
    std::istringstream section(text.substr(begin, end - begin));
    for (std::string line; std::getline(section, line);)
        if (!line.empty()) lines.push_back(line);
    ASSERT_EQ(lines.size(), 156u + 1 + 16);
    EXPECT_EQ(lines[0].rfind("Main Window Placement=", 0), 0u);
    EXPECT_EQ(lines[40], "G2D Grid Weight=4");
    EXPECT_EQ(lines[58], "CalculatorFormat=9G");
    EXPECT_EQ(lines[63], ";Default Attributes");
    EXPECT_EQ(lines[64].rfind("Status Bar Text=", 0), 0u);
    EXPECT_EQ(lines[72], "Node Number=Height=20,FStyle=4,Color=3,Name=Courier New");
    EXPECT_EQ(lines[135].rfind("PFM Baseline Color=", 0), 0u);
    EXPECT_EQ(lines[137], "G2D Waveform 2=Line=5,Text=6,LineWidth=3");
    EXPECT_EQ(lines[155].rfind("PFM Waveform 10=", 0), 0u);
    EXPECT_EQ(lines[156], "G3D PatchColor=Blue");
    EXPECT_EQ(lines[157], "CUSTOM_COLOR_0=0");
    EXPECT_EQ(lines[172], "CUSTOM_COLOR_15=0");
}

// A new plot view takes its colours, fonts and grid from the display items of the 2-D
// plots, as loaded from the profile.
TEST_F(ProfileFixture, NewPlotViewTakesTheDisplayItems) {
    TestApp();
    LoadProfile();
    {
        const CAPDraw view;
        struct Case {
            const char* item;
            int colour, expected;
        };
        for (const Case& c : {Case{"General Text", view.colours.text, 12}, Case{"Grid", view.colours.grid, 8},
                              Case{"Graph Background", view.colours.graphBackground, 15},
                              Case{"Baseline Color", view.colours.baseline, 12},
                              Case{"Window Background", view.colours.windowBackground, 15},
                              Case{"Select", view.selectionColour, 9}, Case{"Select Box", view.colours.selectBox, 4},
                              Case{"Initial Object", view.objects.defaultFont.color, 4},
                              Case{"Tracker", view.tagFrameColour, 0}, Case{"Tracker back", view.tagFillColour, 11},
                              Case{"Select Color Primary", view.colours.cursorBranch[0], 7},
                              Case{"Select Color Secondary", view.colours.cursorBranch[1], 9},
                              Case{"Data Point Labels", view.pointLabelFont.color, 0},
                              Case{"Data Point Labels back", view.pointLabelBackground, 11},
                              Case{"Grid width", view.colours.gridWidth, 1},
                              Case{"Grid pattern", view.colours.gridPattern, 2}})
            EXPECT_EQ(c.colour, c.expected) << c.item;
        EXPECT_EQ(view.objects.defaultFont.height, DefaultFontSize);
    }
    Write("[Main]\nFileType=OMBR.DAT\nVersion=7.00\nScreen=1280,800\n"
          "[Preferences]\nAnalysis Text=Height=20,FStyle=0,Color=3,Name=Courier New\n"
          "G2D Data Point Labels Color Back=Height=10,FStyle=0,Color=6,Name=Arial\nG2D Grid Weight=4\n");
    LoadProfile();
    const CAPDraw view;
    EXPECT_EQ(view.colours.text, 3);
    EXPECT_EQ(view.labelFont.face, "Courier New");
    EXPECT_EQ(view.pointLabelBackground, 6);
    EXPECT_EQ(view.colours.gridWidth, 4);
    EXPECT_EQ(view.colours.grid, 8);
}

TEST_F(ProfileFixture, LastUsedComponentsSection) {
    Write("[Main]\nFileType=OMBR.DAT\n[Last Used Components]\nMax=10\nCOMPONENT_1=Resistor\nCOMPONENT_3=NPN\n");
    LoadProfile();
    ASSERT_EQ(RecentComponentCount(), 10);
    EXPECT_EQ(RecentComponentName(0), "Resistor");
    EXPECT_EQ(RecentComponentName(1), "");
    EXPECT_EQ(RecentComponentName(2), "NPN");
    ASSERT_EQ(SaveProfile(), 0);
    EXPECT_NE(Read().find("[Last Used Components]\nMax=10\nCOMPONENT_1=Resistor\nCOMPONENT_3=NPN\n\n"
                          "[Last Used Calculator Expressions]"),
              std::string::npos);
    // The defaults empty the list.
    Write("[Main]\nFileType=OMBR.DAT\n");
    LoadProfile();
    for (int i = 0; i < RecentComponentCount(); ++i) EXPECT_EQ(RecentComponentName(i), "");
}
