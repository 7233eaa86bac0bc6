#include "app/settings_profile.h"

#include "app/calculator.h"
#include "app/display_fonts.h"
#include "app/main_frame.h"
#include "app/palette_bar.h"
#include "app/profile_old_layout.h"
#include "app/tip_file.h"
#include "app/tool_bar_profile.h"
#include "app/tool_buttons.h"
#include "analysis/curve_rows.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/paths.h"
#include "foundation/recent_list.h"
#include "foundation/textfile.h"
#include "foundation/time_stamp.h"
#include "libraries/component_library.h"
#include "sim/engine/simulation_options.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/title_block.h"

namespace ob7 {

FramePreferences Preferences;
PlotDefaults PlotFormats;
ProfileState ProfileFile;

const char* const kProfileSectionNames[27] = {
    "Main", "Global Settings", "Preferences", "Optimizer Settings", "Palettes", "Printer",
    "Tool Windows", "Component Palette", "Main Toolbar", "Cir Default ToolBar", "Txt Default ToolBar",
    "LBR Default ToolBar", "G2D Default ToolBar", "G3D Default ToolBar", "PFM Default ToolBar",
    "MCL Default ToolBar", "Tool Bitmaps", "Last Loaded Files", "Last Used Components",
    "Last Used Calculator Expressions", "Last Used Schematic Search Text",
    "Last Used Text Area Search Text", "Last Used Text Area Replace Text", "Component Files",
    "Shape Files", "Probe", "Tip"};

namespace {

constexpr int32_t kProfileVersion = 0x70000;
constexpr int32_t kOldLayoutVersion = 0x5001E;
constexpr int kMsgBadSection = 15055;

std::string UpperName(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Keeps the entries of a section whose owner is not in the program, so that the next
// write gives them back unchanged.
int KeepSection(Profile& profile) {
    auto& lines = ProfileFile.keptSections[UpperName(profile.section)];
    if (profile.mode == 1) {
        for (const std::string& line : lines) profile.Printf("%s\n", line.c_str());
        return profile.error;
    }
    lines.clear();
    std::string entry;
    while (profile.NextEntry(entry)) lines.push_back(entry);
    return 0;
}

int SerializeMainSection(Profile& profile) {
    if (profile.mode == 1) {
        profile.WriteFileHeader("OMBR.DAT", kProfileVersion);
        profile.WriteString("OMBRDATA", GetDefaultPath(kDataPath).c_str());
        profile.WriteString("ModelLibPath", GetDefaultPath(kLibraryPath).c_str());
        profile.WriteString("PicturePath", GetDefaultPath(kDataPath2).c_str());
        profile.Printf("Screen=%d,%d\n", ProfileFile.screenWidth, ProfileFile.screenHeight);
        return profile.error;
    }
    bool typeSeen = false;
    std::string entry, key, value;
    while (profile.NextEntry(entry)) {
        SplitKeyValue(entry.c_str(), key, value);
        if (key == "FILETYPE") typeSeen = strcasecmp(value.c_str(), "OMBR.DAT") == 0;
        else if (key == "SCREEN") {
            int w = 0, h = 0;
            std::sscanf(value.c_str(), "%d,%d", &w, &h);
            ProfileFile.screenChanged = w != ProfileFile.screenWidth || h != ProfileFile.screenHeight;
        } else if (key == "VERSION") profile.fileVersion = ParseVersion(value.c_str());
        else if (key == "OMBRDATA") SetDefaultPath(kDataPath, value);
        else if (key == "MODELLIBPATH") SetDefaultPath(kLibraryPath, value);
        else if (key == "PICTUREPATH") SetDefaultPath(kDataPath2, value);
    }
    return typeSeen ? profile.error : kMsgBadSection;
}

// The calculator keeps its format as text; the table reads and writes it through this.
NumberFormatSpec CalculatorFormatSpec;

// The preference key table: every row by its key and type, in the order written.
std::vector<ProfileValueRow> PreferenceRows() {
    FramePreferences& p = Preferences;
    PlotDefaults& g = PlotFormats;
    std::vector<ProfileValueRow> rows = {
        {"Main Window Placement", &p.placement, kValuePlacement},
        {"Operational Options", &p.operationalOptions, kValueInt},
        {"Quit Warning", &p.quitWarning, kValueYesNo},
        {"File Warning", &p.fileWarning, kValueYesNo},
        {"Component Cursor", &p.componentCursor, kValueYesNo},
        {"AutoSave", &p.autoSave, kValueYesNo},
        {"AutoSaveEvery", &p.autoSaveEvery, kValueYesNo},
        {"AutoSaveMin", &p.autoSaveMin, kValueInt},
        {"Warning Time", &p.warningTime, kValueDouble},
        {"Add DC Path To Ground", &p.addDCPath, kValueYesNo},
        {"Check DC Path To Ground", &p.checkDCPath, kValueYesNo},
        {"Select Wavefrom Color", &p.selectWaveformColor, kValueYesNo},
        {"Gmin Stepping", &p.gminStepping, kValueYesNo},
        {"Convergance Asset", &p.convergenceAssist, kValueYesNo},
        {"Show Slider", &p.showSlider, kValueYesNo},
        {"Block Select Flag", &p.blockSelect, kValueYesNo},
        {"Automatically Add Opamp Power Supplies", &p.addOpampSupplies, kValueYesNo},
        {"Analysis Progress Bar", &p.progressBar, kValueYesNo},
        {"Analysis On Top", &p.analysisOnTop, kValueYesNo},
        {"G2D Same Y Scales", &g.sameYScales[0], kValueYesNo},
        {"PFM Same Y Scales", &g.sameYScales[1], kValueYesNo},
        {"Status Bar", &p.statusBar, kValueYesNo},
        {"Status Bar Show Time", &p.statusBarShowTime, kValueYesNo},
        {"Status Bar Track", &p.statusBarTrack, kValueYesNo},
        {"ATT Status Bar", &p.attStatusBar, kValueYesNo},
        {"TagFormat", &p.tagFormat, kValueNumberFormat},
        {"Number of Grids", &p.numberOfGrids, kValueInt},
        {"NodeVoltageFormat", &p.nodeVoltageFormat, kValueNumberFormat},
        {"OperatingPointFormat", &p.operatingPointFormat, kValueNumberFormat},
        {"OptimizeFormat", &p.optimizeFormat, kValueNumberFormat},
        {"WatchFormat", &p.watchFormat, kValueNumberFormat},
        {"Opamp Power Warning", &p.opampPowerWarning, kValueYesNo},
        {"Add DC Path To Ground Warning", &p.addDCPathWarning, kValueYesNo},
        {"Excessive Time Range Warning", &p.excessiveTimeRangeWarning, kValueYesNo},
        {"Excessive Data Points Warning", &p.excessiveDataPointsWarning, kValueYesNo},
        {"G2D ScaleFormatX", &g.scale[0][0], kValueNumberFormat},
        {"G2D ScaleFormatY", &g.scale[0][1], kValueNumberFormat},
        {"G2D ValueFormatX", &g.value[0][0], kValueNumberFormat},
        {"G2D ValueFormatY", &g.value[0][1], kValueNumberFormat},
        {"G2D Slope Calculation", &g.slope[0], kValueScale},
        {"G2D Grid Weight", &PlotGrids.weight[0], kValueWidth},
        {"G2D Grid Pattern", &PlotGrids.pattern[0], kValuePattern},
        {"G2D Static Grids", &g.staticGrids[0], kValueTrueFalse},
        {"PFM ScaleFormatX", &g.scale[1][0], kValueNumberFormat},
        {"PFM ScaleFormatY", &g.scale[1][1], kValueNumberFormat},
        {"PFM ValueFormatX", &g.value[1][0], kValueNumberFormat},
        {"PFM ValueFormatY", &g.value[1][1], kValueNumberFormat},
        {"PFM Grid Weight", &PlotGrids.weight[1], kValueWidth},
        {"PFM Grid Pattern", &PlotGrids.pattern[1], kValuePattern},
        {"PFM Static Grids", &g.staticGrids[1], kValueTrueFalse},
        {"G3D ScaleFormatX", &g.scale[2][0], kValueNumberFormat},
        {"G3D ScaleFormatY", &g.scale[2][1], kValueNumberFormat},
        {"G3D ScaleFormatZ", &g.scale[2][2], kValueNumberFormat},
        {"G3D ValueFormatX", &g.value[2][0], kValueNumberFormat},
        {"G3D ValueFormatY", &g.value[2][1], kValueNumberFormat},
        {"G3D ValueFormatZ", &g.value[2][2], kValueNumberFormat},
        {"G3D Slope Calculation", &g.slope[1], kValueScale},
        {"PathDelayFormat", &p.pathDelayFormat, kValueNumberFormat},
        {"CalculatorFormat", &CalculatorFormatSpec, kValueNumberFormat},
        {"FormulaFormat", &p.formulaFormat, kValueNumberFormat},
        {"NodeRecalc", &p.nodeRecalc, kValueInt},
        {"AlignZ", &p.alignZ, kValueYesNo},
        {"Align Cursors", &p.alignCursors, kValueYesNo},
        {"Default Attributes", nullptr, kValueComment},
    };
    for (int i = 0; i < kDisplayFontCount; ++i) rows.push_back({kDisplayFontNames[i], &DisplayFontTable[i], kValueFont});
    static const std::array<std::string, kDefaultCurveStyleCount> waveformKeys = [] {
        std::array<std::string, kDefaultCurveStyleCount> keys;
        for (int i = 0; i < kDefaultCurveStyleCount; ++i)
            keys[i] = std::string(i < 10 ? "G2D" : "PFM") + " Waveform " + std::to_string(i % 10 + 1);
        return keys;
    }();
    for (int i = 0; i < kDefaultCurveStyleCount; ++i)
        rows.push_back({waveformKeys[i].c_str(), &DefaultCurveStyles[i], kValueLineStyle});
    return rows;
}

const char* const kPatchColourNames[6] = {"Clear", "Spectrum", "Gray", "Blue", "Red", "Green"};

// Keys of the section that are not rows of the table: the custom colours, the 3-D
// colour scheme and the single keys of older profiles. False for any other key.
bool ReadOtherPreference(const std::string& key, const std::string& value) {
    static const char kCustom[] = "CUSTOM_COLOR_";
    if (strncasecmp(key.c_str(), kCustom, sizeof kCustom - 1) == 0) {
        const std::string digits = key.substr(sizeof kCustom - 1);
        if (digits.empty() || digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return false;
        const int n = std::stoi(digits);
        if (n > 15) return false;
        Preferences.customColours[n] = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
        return true;
    }
    if (strcasecmp(key.c_str(), "G3D PatchColor") == 0) {
        for (int i = 0; i < 6; ++i)
            if (strcasecmp(value.c_str(), kPatchColourNames[i]) == 0) PlotFormats.patchColour = i;
        return true;
    }
    if (strcasecmp(key.c_str(), "Same Y Scales") == 0) {
        PlotFormats.sameYScales[0] = PlotFormats.sameYScales[1] = IsYes(value.c_str());
        return true;
    }
    const bool scale = strcasecmp(key.c_str(), "ScaleFormat") == 0;
    if (scale || strcasecmp(key.c_str(), "ValueFormat") == 0) {
        // Every format of its kind: X and Y of 2-D and performance plots, X, Y and Z of 3-D.
        auto& formats = scale ? PlotFormats.scale : PlotFormats.value;
        for (int kind = 0; kind < 3; ++kind)
            for (int axis = 0; axis < (kind == 2 ? 3 : 2); ++axis) formats[kind][axis].Set(value.c_str());
        return true;
    }
    return false;
}

}  // namespace

void TakeQuestionOptionBits() {
    if (Preferences.operationalOptions & 0x4) Preferences.quitWarning = 1;
    if (Preferences.operationalOptions & 0x2) Preferences.fileWarning = 1;
    Preferences.operationalOptions &= ~0x6;
}

void PassPlotFormatsOn() {
    for (int axis = 0; axis < 2; ++axis) {
        CurveNumberFormats.scale[axis] = PlotFormats.scale[0][axis].text;
        CurveNumberFormats.value[axis] = PlotFormats.value[0][axis].text;
    }
    for (int n = 0; n < kCurveStyleCount; ++n) {
        const LineStyleSetting& from = DefaultCurveStyles[n];
        CurveStyle& to = CurveStyleDefaults[n];
        to.lineColour = from.lineColor;
        to.textColour = from.textColor;
        to.lineWidth = from.width;
        to.pattern = from.pattern;
        to.rainbow = from.rainbow;
    }
    InstallPlotStyleDefaults();
}

namespace {

int SerializePreferences(Profile& profile) {
    CalculatorFormatSpec.Set(CalculatorFormat.c_str());
    std::vector<ProfileValueRow> rows = PreferenceRows();
    const int count = static_cast<int>(rows.size());
    if (profile.mode == 1) {
        // No placement yet: the row is left out rather than written empty.
        const int first = Preferences.placement.length == 0 ? 1 : 0;
        profile.WriteTypedValues(rows.data() + first, count - first);
        profile.WriteString("G3D PatchColor", kPatchColourNames[PlotFormats.patchColour]);
        for (int i = 0; i < 16; ++i)
            profile.Printf("CUSTOM_COLOR_%d=%u\n", i, static_cast<unsigned>(Preferences.customColours[i]));
        if (Preferences.numberOfGrids < 2) Preferences.numberOfGrids = 2;
        return profile.error;
    }
    std::string entry, key, value;
    while (profile.NextEntry(entry)) {
        SplitKeyValue(entry.c_str(), key, value);
        if (!profile.ReadTypedValue(rows.data(), count, key.c_str(), value.c_str())) ReadOtherPreference(key, value);
    }
    CalculatorFormat = CalculatorFormatSpec.text;
    TakeQuestionOptionBits();
    if (Preferences.numberOfGrids < 2) Preferences.numberOfGrids = 2;
    PassPlotFormatsOn();
    return 0;
}

// The simulation options: one key per option and the integration method.
int SerializeGlobalSettings(Profile& profile) {
    if (profile.mode == 1) WriteGlobalSettingsSection(profile);
    else ReadGlobalSettingsSection(profile);
    return profile.mode == 1 ? profile.error : 0;
}

// The colours of the program palette, then the component palettes' names.
int SerializePalettes(Profile& profile) {
    if (profile.mode == 1) {
        WritePaletteSection(profile);
        return SerializePaletteNames(profile);
    }
    ReadPaletteSection(profile, [](const std::string& key, const std::string& value) { ReadPaletteNameKey(key, value); });
    return 0;
}

int SerializePrinter(Profile& profile) {
    if (profile.mode == 1) return WritePrinterSection(profile);
    ReadPrinterSection(profile);
    return 0;
}

// The section rows: the program's own sections by their owner, the others kept.
void BuildRows(ProfileSectionRow (&rows)[27]) {
    for (int i = 0; i < 27; ++i) rows[i] = {kProfileSectionNames[i], KeepSection};
    rows[0].callback = SerializeMainSection;
    rows[1].callback = SerializeGlobalSettings;
    rows[2].callback = SerializePreferences;
    rows[4].callback = SerializePalettes;
    rows[5].callback = SerializePrinter;
    rows[7].callback = SkipComponentPaletteSection;
    for (int i = 8; i <= 15; ++i) rows[i].callback = SerializeToolBarSection;
    rows[16].callback = SerializeToolBitmaps;
    rows[17].callback = SerializeFileMru;
    rows[18].callback = SerializeRecentComponents;
    rows[19].callback = SerializeCalculatorHistory;
    // The library file lists are read over: start-up registers the shipped libraries.
    rows[23].callback = LibraryFilesSection;
    rows[24].callback = ShapeFilesSection;
    rows[26].callback = SerializeTipSection;
}

int ProfileSectionTable(Profile& profile, bool writing) {
    ProfileSectionRow rows[27];
    BuildRows(rows);
    profile.fileVersion = kProfileVersion;
    int result;
    if (writing) {
        result = ProcessSections(profile, rows, 27, true);
    } else {
        std::string first;
        long start = profile.Tell();
        profile.ReadField(first);
        first = first.substr(0, 100);
        if (first == "5.3" || first == "5.30") {
            profile.fileVersion = kOldLayoutVersion;
            result = ReadOldProfileLayout(profile);
        } else {
            profile.Seek(start);
            result = ProcessSections(profile, rows, 27, false);
            if (ProfileFile.screenChanged) Preferences.placement.length = 0;
        }
    }
    profile.Close();
    return result;
}

}  // namespace

int ProcessSections(Profile& profile, ProfileSectionRow* rows, int count, bool writing) {
    if (writing) {
        for (int i = 0; i < count; ++i) {
            profile.WriteSection(rows[i].name);
            profile.section = std::string("[") + rows[i].name + "]";
            if (int code = rows[i].callback(profile)) return code;
        }
        return 0;
    }
    for (int i = 0; i < count; ++i) rows[i].letter = static_cast<char>(std::toupper(static_cast<unsigned char>(rows[i].name[0])));
    std::string entry;
    if (profile.section.empty()) {
        while (profile.NextEntry(entry)) {}
        if (profile.section.empty()) return 0;
    }
    double lastProgress = GetSeconds();
    long length = -1;
    while (!profile.section.empty()) {
        // A long read shows how far it got every two seconds; closing the stream clears it.
        if (GetSeconds() - lastProgress > 2.0) {
            lastProgress = GetSeconds();
            if (length < 0) length = FileSizeByName(profile.fileName.c_str());
            const long position = profile.Tell();
            profile.progressFlag = 1;
            char text[400];
            std::snprintf(text, sizeof text, "Loading File %s percent %d%% done.", profile.fileName.c_str(),
                          length > 0 ? static_cast<int>(position * 100 / length) : 0);
            if (MainFrame) MainFrame->SetPromptText(text);
        }
        const std::string header = profile.section;
        ProfileSectionRow* match = nullptr;
        char letter = header.size() > 1 ? static_cast<char>(std::toupper(static_cast<unsigned char>(header[1]))) : 0;
        for (int i = 0; i < count && !match; ++i)
            if (rows[i].letter == letter && strcasecmp(("[" + std::string(rows[i].name) + "]").c_str(), header.c_str()) == 0)
                match = &rows[i];
        if (match) {
            if (int code = match->callback(profile)) return code;
        } else {
            while (profile.NextEntry(entry)) {}
        }
        if (profile.error) break;
    }
    return 0;
}

void SetProfileDefaults(bool withFolders) {
    if (withFolders) SetDefaultFolders();
    FillOptionDefaultTexts(1);
    ParseSimulationOptions(true);
    Preferences = FramePreferences{};
    PlotFormats = PlotDefaults{};
    CalculatorFormat = "16e";
    SetDefaultDisplayFonts();
    PassPlotFormatsOn();
    Tip = TipSettings{};
    ProfileFile.keptSections.clear();
    PrinterSettings.orientation = 2;
    PrinterSettings.footer = "$|Page $Page";
    PrinterSettings.header = "$<$user\\n$company";
    SetDefaultTitleBlock();
    SetToolBarDefaults();
    ClearRecentComponents();
    if (FrameButtonList.count == 0) BuildFrameButtonList();
    SetToolButtonDefaults(-1, FrameButtonList.entries.data(), FrameButtonList.count, 1, &ComponentButtons.partNames,
                          DefaultButtonMask(ProfileFile.screenWidth));
}

std::string FrameworkProfilePath() { return GetModuleFolder() + "/OB7DEMO.INI"; }

std::string ReadFrameworkProfileString(const char* section, const char* key) {
    std::ifstream in(FrameworkProfilePath());
    std::string line, current;
    const std::string wanted = std::string("[") + section + "]";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') { current = line; continue; }
        if (strcasecmp(current.c_str(), wanted.c_str()) != 0) continue;
        std::string k, v;
        SplitKeyValue(line.c_str(), k, v);
        if (strcasecmp(k.c_str(), key) == 0) return v;
    }
    return {};
}

bool WriteFrameworkProfileString(const char* section, const char* key, const std::string& value) {
    std::vector<std::string> lines;
    {
        std::ifstream in(FrameworkProfilePath());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    const std::string wanted = std::string("[") + section + "]";
    std::string current;
    int sectionEnd = -1;
    bool done = false;
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        if (!lines[i].empty() && lines[i][0] == '[') {
            if (strcasecmp(current.c_str(), wanted.c_str()) == 0) break;
            current = lines[i];
            if (strcasecmp(current.c_str(), wanted.c_str()) == 0) sectionEnd = static_cast<int>(i) + 1;
            continue;
        }
        if (strcasecmp(current.c_str(), wanted.c_str()) != 0) continue;
        sectionEnd = static_cast<int>(i) + 1;
        std::string k, v;
        SplitKeyValue(lines[i].c_str(), k, v);
        if (strcasecmp(k.c_str(), key) == 0) {
            lines[i] = std::string(key) + "=" + value;
            done = true;
        }
    }
    if (!done) {
        if (sectionEnd < 0) {
            lines.push_back(wanted);
            sectionEnd = static_cast<int>(lines.size());
        }
        lines.insert(lines.begin() + sectionEnd, std::string(key) + "=" + value);
    }
    // A linked profile keeps its link; a read-only one is left as it is.
    const std::string path = SaveTargetPath(FrameworkProfilePath());
    if (IsReadOnlyFile(path)) return false;
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const std::string& line : lines) out << line << "\n";
        if (!out) return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return !ec;
}

void LoadProfile() {
    Profile profile;
    SetProfileDefaults(true);
    ProfileFile.userName = ReadFrameworkProfileString("Ombrelic", "UserName").substr(0, 255);
    ProfileFile.companyName = ReadFrameworkProfileString("Ombrelic", "CompanyName").substr(0, 255);
    Macros.user = ProfileFile.userName;
    Macros.company = ProfileFile.companyName;
    if (ProfileFile.path.empty() || profile.OpenRead(ProfileFile.path.c_str()) != 0) {
        SetProfileDefaults(true);
        return;
    }
    if (ProfileSectionTable(profile, false) != 0) SetProfileDefaults(true);
}

int SaveProfile() {
    if (ProfileFile.fatalStartup || ProfileFile.path.empty()) return 0;
    const std::string target = SaveTargetPath(ProfileFile.path);
    if (IsReadOnlyFile(target)) return 16000 + EACCES;
    const std::string temp = target + ".tmp";
    Profile profile;
    if (int code = profile.OpenWrite(temp.c_str())) return code;
    ProfileSectionTable(profile, true);
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    return ec ? 16000 + ec.value() : 0;
}

}  // namespace ob7
