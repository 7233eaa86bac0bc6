#pragma once
// The settings profile "ombr.dat" in the program folder: the table of its 27 sections
// with the owner of each, the generic section dispatcher, the [Main] section, the
// defaults that stand when the file is missing or bad, and the two names read from
// the framework profile "OB7DEMO.INI". Sections whose owners are not part of the
// program yet are kept as read and written back unchanged.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "foundation/font_record.h"
#include "foundation/number_format.h"
#include "foundation/profile.h"

namespace ob7 {

// One row of a section table: the section's name and the callback that reads or writes
// its entries on the stream (0 or a message code).
struct ProfileSectionRow {
    const char* name;
    int (*callback)(Profile& profile);
    int adjust = 0;
    char letter = 0;  // upper-cased first letter, filled in when reading
};

// Writes every row's section in order, or reads the file section by section into the
// matching rows (names compared ignoring case; unknown sections skipped). 0 or the first
// non-zero code of a callback.
int ProcessSections(Profile& profile, ProfileSectionRow* rows, int count, bool writing);

// The names of the 27 sections, in the order they are written.
extern const char* const kProfileSectionNames[27];

// The settings the main frame keeps in the "Preferences" section.
struct FramePreferences {
    WindowPlacement placement;      // "Main Window Placement"; length 0: none
    int operationalOptions = 0xC241;
    int quitWarning = 1;
    int fileWarning = 1;
    int componentCursor = 1;
    int autoSave = 0;               // save modified documents before a run
    int autoSaveEvery = 0;
    int autoSaveMin = 10;
    double warningTime = 3.0;
    int analysisOnTop = 1;
    int statusBar = 1;
    int statusBarShowTime = 0;
    int statusBarTrack = 1;
    int attStatusBar = 1;
    int opampPowerWarning = 1;
    int addDCPathWarning = 1;
    int excessiveTimeRangeWarning = 1;
    int excessiveDataPointsWarning = 1;
    int addDCPath = 0;               // "Add DC Path To Ground"
    int checkDCPath = 1;             // "Check DC Path To Ground"
    int selectWaveformColor = 1;     // "Select Wavefrom Color"
    int gminStepping = 1;
    int convergenceAssist = 1;       // "Convergance Asset"
    int showSlider = 0;
    int blockSelect = 1;             // "Block Select Flag"
    int addOpampSupplies = 1;        // "Automatically Add Opamp Power Supplies"
    int progressBar = 0;             // "Analysis Progress Bar"
    int numberOfGrids = 5;           // grids of auto scaling, 2 to 100
    int nodeRecalc = 1000000;        // objects above which nodes are not renumbered on edits
    int alignZ = 1;
    int alignCursors = 0;
    // Number formats of the Format page and of the default plot properties.
    NumberFormatSpec tagFormat, nodeVoltageFormat, operatingPointFormat, optimizeFormat, watchFormat,
        pathDelayFormat, formulaFormat;
    std::array<uint32_t, 16> customColours{};  // "CUSTOM_COLOR_0" to 15: the colour dialog's
};
extern FramePreferences Preferences;

// The number formats and switches that new plots take ("G2D", "PFM" and "G3D" keys of
// the Preferences section).
struct PlotDefaults {
    NumberFormatSpec scale[3][3];  // [2-D, performance, 3-D][X, Y, Z]
    NumberFormatSpec value[3][3];
    int sameYScales[2] = {1, 1};   // 2-D, performance
    int staticGrids[2] = {0, 0};
    int slope[2] = {0, 0};         // 2-D, 3-D: index into the scale names
    int patchColour = 1;           // "G3D PatchColor": Clear, Spectrum, Gray, Blue, Red, Green
};
extern PlotDefaults PlotFormats;
// Older profiles kept the quit and file questions as option bits 0x4 and 0x2: a set bit
// turns its question on and is cleared.
void TakeQuestionOptionBits();
// New 2-D plots' curves take the 2-D formats.
void PassPlotFormatsOn();

struct ProfileState {
    std::string path;               // program folder + "/ombr.dat"
    std::string userName, companyName;  // from "OB7DEMO.INI", section "Ombrelic"
    int screenChanged = 0;
    int screenWidth = 0, screenHeight = 0;  // the current screen, written to [Main]
    bool fatalStartup = false;      // nothing is written after a fatal start-up error
    // Sections of owners not in the program, kept verbatim.
    std::map<std::string, std::vector<std::string>> keptSections;
};
extern ProfileState ProfileFile;

// Sets every profile-kept setting to its default; the default folders when asked.
void SetProfileDefaults(bool withFolders);
// Defaults, then the file: a missing file keeps the defaults; a bad one resets them.
void LoadProfile();
// Writes the whole file through a temporary file and a rename. 0 or the error.
int SaveProfile();

// The framework profile "OB7DEMO.INI" in the program folder.
std::string FrameworkProfilePath();
std::string ReadFrameworkProfileString(const char* section, const char* key);
// Replaces (or adds) one key of a section, written safely.
bool WriteFrameworkProfileString(const char* section, const char* key, const std::string& value);

}  // namespace ob7
