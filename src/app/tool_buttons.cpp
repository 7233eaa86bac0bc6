#include "app/tool_buttons.h"

#include <strings.h>

#include <map>

#include "app/palette_bar.h"
#include "libraries/component_def.h"
#include "libraries/component_library.h"
#include "platform/desktop.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

namespace {
constexpr int kNo = kGroupNone, kFil = kGroupFile, kEdt = kGroupEdit, kCmp = kGroupComponent,
              kWin = kGroupWindows, kOpt = kGroupOptions, kAna = kGroupAnalysis, kBox = kGroupBox,
              kMod = kGroupMode, kVie = kGroupView, kSco = kGroupScope, kCur = kGroupCursor;
}  // namespace

// Name, command, strip (or component index), picture, flags, group.
ToolButtonInfo ToolButtonTable[kToolButtonCount] = {
    {"SELECT", 17561, 613, 0, 0x10, kMod, 0}, {"COMP", 17562, 613, 1, 0x10, kMod, 0},
    {"TEXT", 17563, 613, 2, 0x10, kMod, 0}, {"WIRE", 17564, 613, 3, 0x10, kMod, 0},
    {"WIRED", 17565, 613, 4, 0x10, kMod, 0}, {"GRAPHIC", 17584, 613, 6, 0x20, kMod, 0},
    {"LINE", 17568, 613, 7, 0, kMod, 0}, {"ELLIPSE", 17569, 613, 8, 0, kMod, 0},
    {"RECT", 17570, 613, 9, 0, kMod, 0}, {"DIAM", 17571, 613, 10, 0, kMod, 0},
    {"ARC", 17572, 613, 11, 0, kMod, 0}, {"PIE", 17575, 613, 12, 0, kMod, 0},
    {"POLYCLOS", 17586, 616, 0, 0, kMod, 0},
    {"FLAG", 17576, 613, 13, 0x20, kMod, 0}, {"META", 17585, 613, 19, 0, kMod, 0},
    {"SCALE", 17573, 613, 14, 0x10, kMod, 0}, {"CURSOR", 17574, 613, 15, 0x10, kMod, 0},
    {"MEASUREH", 17579, 613, 16, 0x10, kMod, 0}, {"MEASUREV", 17580, 613, 17, 0x10, kMod, 0},
    {"TAG", 17581, 613, 18, 0x10, kMod, 0}, {"INFO", 17578, 613, 20, 0x10, kMod, 0},
    {"HELP", 17567, 613, 21, 0x10, kMod, 0}, {"DIGTRC", 17582, 613, 22, 0, kMod, 0},
    {"DIGTRC2", 17583, 613, 23, 0, kMod, 0},
    {"TCOMP01", 14200, 0, 0, 0x18, kCmp, 0}, {"TCOMP02", 14201, 1, 1, 0x18, kCmp, 0},
    {"TCOMP03", 14202, 2, 2, 0x18, kCmp, 0}, {"TCOMP04", 14203, 3, 3, 0x28, kCmp, 0},
    {"TCOMP05", 14204, 4, 4, 0x18, kCmp, 0}, {"TCOMP06", 14205, 5, 5, 0x18, kCmp, 0},
    {"TCOMP07", 14206, 6, 6, 0x28, kCmp, 0}, {"TCOMP08", 14207, 7, 7, 0x28, kCmp, 0},
    {"TCOMP09", 14208, 8, 8, 0x18, kCmp, 0}, {"TCOMP10", 14209, 9, 9, 0x18, kCmp, 0},
    {"TCOMP11", 14210, 10, 10, 0x18, kCmp, 0}, {"TCOMP12", 14211, 11, 11, 0x28, kCmp, 0},
    {"TCOMP13", 14212, 12, 12, 0x08, kCmp, 0}, {"TCOMP14", 14213, 13, 13, 0x08, kCmp, 0},
    {"TCOMP15", 14214, 14, 14, 0x08, kCmp, 0}, {"TCOMP16", 14215, 15, 15, 0x08, kCmp, 0},
    {"TCOMP17", 14216, 16, 16, 0x08, kCmp, 0}, {"TCOMP18", 14217, 17, 17, 0x08, kCmp, 0},
    {"TCOMP19", 14218, 18, 18, 0x08, kCmp, 0}, {"TCOMP20", 14219, 19, 19, 0x08, kCmp, 0},
    {"UNDO", 57643, 600, 0, 0x18, kEdt, 0}, {"REDO", 57644, 600, 17, 0x18, kEdt, 0},
    {"CUT", 57635, 600, 1, 0x18, kEdt, 0}, {"COPY", 57634, 600, 2, 0x18, kEdt, 0},
    {"PASTE", 57637, 600, 3, 0x18, kEdt, 0}, {"CLEAR", 57632, 600, 4, 0x28, kEdt, 0},
    {"SELECTAL", 57642, 600, 5, 0x28, kEdt, 0}, {"FINDCOMP", 17308, 600, 6, 0x20, kEdt, 0},
    {"COLOR", 17450, 600, 7, 0x10, kEdt, 0}, {"FONT", 17452, 600, 8, 0x10, kEdt, 0},
    {"ATTDISP", 11500, 600, 9, 0, kEdt, 0}, {"TOFRONT", 17597, 600, 10, 0x20, kEdt, 0},
    {"TOBACK", 17598, 600, 11, 0x20, kEdt, 0}, {"PAGEADD", 12200, 600, 12, 0x20, kEdt, 0},
    {"PAGEDEL", 12201, 600, 13, 0x20, kEdt, 0}, {"FIND", 17213, 600, 14, 0x10, kEdt, 0},
    {"REPEAT", 17217, 600, 15, 0, kEdt, 0}, {"MODEL", 12913, 600, 16, 0x10, kEdt, 0},
    {"STEP", 17207, 610, 0, 0x10, kBox, 0}, {"MIRROR", 17208, 610, 1, 0x10, kBox, 0},
    {"ROTATE", 17209, 610, 2, 0x10, kBox, 0}, {"FLIPY", 17211, 610, 3, 0x10, kBox, 0},
    {"FILPX", 17210, 610, 4, 0x10, kBox, 0},
    {"NEW", 11400, 609, 4, 0x18, kFil, 0}, {"OPENFILE", 57601, 609, 0, 0x18, kFil, 0},
    {"SAVEFILE", 57603, 609, 1, 0x18, kFil, 0}, {"REVERT", 12506, 609, 2, 0x18, kFil, 0},
    {"PRINT", 57607, 609, 5, 0x18, kFil, 0}, {"PPREVIEW", 57609, 609, 6, 0x18, kFil, 0},
    {"PRTSETUP", 57606, 609, 7, 0x08, kFil, 0}, {"LBR2LIB", 18500, 609, 8, 0x10, kFil, 0},
    {"LIB2LBR", 18502, 609, 9, 0x10, kFil, 0}, {"CIR2CKT", 19600, 609, 10, 0, kFil, 0},
    {"PREF", 18410, 611, 0, 0x18, kOpt, 0}, {"GS", 18408, 611, 1, 0x18, kOpt, 0},
    {"DIGALL", 17453, 611, 2, 0, kOpt, 0},
    {"PROPERTY", 15678, 611, 3, 0x10, kEdt, 0},
    {"TILEH", 57651, 615, 0, 0x28, kWin, 0}, {"TILEV", 57652, 615, 1, 0x18, kWin, 0},
    {"CASCADE", 57650, 615, 2, 0x28, kWin, 0}, {"MAKEMAX", 17305, 615, 3, 0x18, kWin, 0},
    {"MAKEQRT", 17304, 615, 8, 0x19, kWin, 0}, {"CALC", 17330, 615, 4, 0x19, kWin, 0},
    {"ZOOMIN", 17504, 615, 6, 0x20, kWin, 0}, {"ZOOMOUT", 17505, 615, 7, 0x20, kWin, 0},
    {"GOTOFLAG", 17317, 615, 9, 0x20, kWin, 0},
    {"LIMITS", 16070, 617, 1, 0x18, kAna, 0}, {"STEPPING", 18100, 617, 3, 0x18, kAna, 0},
    {"ANIMATE", 17177, 617, 15, 0x18, kAna, 0}, {"OPTIMIZE", 18899, 617, 17, 0x18, kAna, 0},
    {"AGRAPH", 17141, 617, 0, 0x18, kAna, 0}, {"AOUTPUT", 17140, 617, 11, 0x10, kAna, 0},
    {"MCSTATIS", 17160, 617, 11, 0x10, kAna, 0}, {"VID", 5400, 617, 2, 0x19, kAna, 0},
    {"MCOP", 17145, 617, 4, 0x08, kAna, 0}, {"MCADD", 17144, 617, 9, 0x08, kAna, 0},
    {"MCDEL", 17181, 617, 10, 0x09, kAna, 0}, {"START", 16067, 617, 12, 0x10, kAna, 0},
    {"STOP", 16068, 617, 13, 0x10, kAna, 0}, {"PAUSE", 16066, 617, 14, 0x20, kAna, 0},
    {"G3DADD", 14600, 617, 7, 0x08, kAna, 0}, {"G3DDEL", 14602, 617, 8, 0x09, kAna, 0},
    {"PERFADD", 14570, 617, 5, 0x08, kAna, 0}, {"PERFDEL", 14572, 617, 6, 0x09, kAna, 0},
    {"THUMB", 24101, 617, 16, 0x18, kAna, 0},
    {"GRIDTEXT", 17402, 619, 0, 0x10, kVie, 0}, {"COMPTEXT", 17400, 619, 1, 0x10, kVie, 0},
    {"NODE", 17403, 619, 2, 0x10, kVie, 0}, {"NODEV", 17404, 619, 3, 0x10, kVie, 0},
    {"CURRENT", 219, 619, 11, 0x10, kVie, 0}, {"POWER", 220, 619, 12, 0x10, kVie, 0},
    {"CONDITIN", 222, 619, 13, 0x10, kVie, 0}, {"PIN", 17405, 619, 4, 0x10, kVie, 0},
    {"CROSS", 17408, 619, 6, 0x20, kVie, 0}, {"GRID", 17409, 619, 7, 0x10, kVie, 0},
    {"BORDER", 17406, 619, 8, 0x20, kVie, 0}, {"TITLE", 17407, 619, 9, 0x10, kVie, 0},
    {"RUBBER", 19710, 619, 10, 0x10, kVie, 0},
    {"DATAPTS", 18400, 612, 0, 0x10, kSco, 0}, {"RULER", 18401, 612, 1, 0x20, kSco, 0},
    {"PLUS", 18407, 612, 12, 0x20, kSco, 0}, {"TOKENS", 18402, 612, 2, 0x10, kSco, 0},
    {"XAXIS", 18403, 612, 3, 0x10, kSco, 0}, {"YAXIS", 18404, 612, 4, 0x10, kSco, 0},
    {"MINORLOG", 18405, 612, 5, 0x20, kSco, 0}, {"BASELINE", 18406, 612, 6, 0x20, kSco, 0},
    {"GOTOX", 17182, 612, 7, 0x10, kSco, 0}, {"GOTOY", 17183, 612, 8, 0x10, kSco, 0},
    {"GOTOPERF", 17190, 612, 9, 0x10, kSco, 0}, {"GOTOBRNC", 17194, 612, 11, 0x10, kSco, 0},
    {"HORIZCUR", 18047, 612, 10, 0x20, kSco, 0},
    {"NEXT", 18670, 614, 0, 0x10, kCur, 0}, {"NEXTIN", 18671, 614, 10, 0x10, kCur, 0},
    {"PEAK", 18672, 614, 1, 0x10, kCur, 0}, {"VALLEY", 18673, 614, 2, 0x10, kCur, 0},
    {"HIGH", 18674, 614, 3, 0x10, kCur, 0}, {"LOW", 18675, 614, 4, 0x10, kCur, 0},
    {"INFLECTN", 18676, 614, 5, 0x10, kCur, 0}, {"TOP", 18686, 614, 8, 0x10, kCur, 0},
    {"BOTTOM", 18685, 614, 9, 0x10, kCur, 0}, {"GHIGH", 18677, 614, 6, 0x10, kCur, 0},
    {"GLOW", 18678, 614, 7, 0x10, kCur, 0},
    {"SHREMOVE", 12120, 616, 13, 0, kNo, 0}, {"POLYOPEN", 17588, 616, 1, 0, kNo, 0},
    {"ROOT", 17589, 613, 1, 0, kMod, 0}, {"SHTEXT", 17592, 613, 2, 0, kMod, 0},
    {"PAN", 17590, 616, 2, 0, kNo, 0}, {"SELNEXT", 17599, 616, 3, 0, kNo, 0},
    {"DIP", 17591, 616, 4, 0, kNo, 0}, {"TRANS", 17873, 616, 5, 0, kNo, 0},
    {"SOLID", 17874, 616, 6, 0, kNo, 0}, {"SEVEN", 17593, 616, 7, 0, kNo, 0},
    {"LED", 17594, 616, 8, 0, kNo, 0}, {"SWITCH", 17595, 616, 10, 0, kNo, 0},
    {"GRIDLOCK", 12110, 616, 11, 0, kNo, 0}, {"CURRENTS", 17596, 616, 12, 0, kNo, 0},
    {"ADDCOMP", 12311, 17306, 0, 0, kNo, 0}, {"ADDGROUP", 12312, 17306, 1, 0, kNo, 0},
    {"MERGE", 12314, 17306, 2, 0, kNo, 0}, {"CMPHELP", 9, 17306, 3, 0, kNo, 0},
    {"CLRPAL", 12342, 17306, 4, 0, kNo, 0}, {"COMPIMP", 12347, 17306, 5, 0, kNo, 0},
    {"CMPXPORT", 12348, 17306, 6, 0, kNo, 0}, {"CMPREPLC", 12351, 17306, 7, 0, kNo, 0},
    {"CMPSORT", 12354, 17306, 8, 0, kNo, 0}, {"PARTLIST", 12355, 17306, 9, 0, kNo, 0},
    {"ADDWIZRD", 12310, 17306, 10, 0, kNo, 0}, {"COMPMOVE", 1324, 17306, 11, 0, kNo, 0},
};

FrameButtonListType FrameButtonList;
ComponentButtonData ComponentButtons;

int FindToolButtonRow(int command) {
    for (int row = 0; row < kToolButtonCount; ++row)
        if (ToolButtonTable[row].Command == command) return row;
    return -1;
}

int FindToolButtonRowByName(const std::string& name) {
    for (int row = 0; row < kToolButtonCount; ++row)
        if (strcasecmp(ToolButtonTable[row].Name, name.c_str()) == 0) return row;
    return -1;
}

int DefaultButtonMask(int screenWidth) { return screenWidth >= 1024 ? 0x30 : 0x10; }

int DefaultButtonMask() { return DefaultButtonMask(platform::desktop::ScreenSize().cx); }

int IsButtonShownByDefault(const ToolButtonEntry& entry, int windowType, int useDefaults, int mask) {
    if (!useDefaults) return 1;
    if (entry.Row < 0 || entry.Row >= kToolButtonCount) return 0;
    const ToolButtonInfo& row = ToolButtonTable[entry.Row];
    int flags = row.Flags;
    // Zooming belongs on a text window's bar, zooming and graphics on a schematic's.
    bool zoom = row.Command == 17504 || row.Command == 17505;
    if ((windowType == 2 && zoom) || (windowType == 1 && (zoom || row.Command == 17584))) flags = 0x10;
    return (flags & mask) ? 1 : 0;
}

void SetToolButtonDefaults(int windowType, ToolButtonEntry* entries, int count, int useDefaults,
                           const std::array<std::string, 20>* partNames, int mask) {
    for (int i = 0; i < count; ++i) {
        ToolButtonEntry& entry = entries[i];
        entry.Visible = IsButtonShownByDefault(entry, windowType, useDefaults, mask);
        if (partNames && entry.Command >= 14200 && entry.Command <= 14219 &&
            (*partNames)[entry.Command - 14200].empty())
            entry.Visible = 0;
    }
}

int BuildFrameButtonList() {
    FrameButtonList.entries.assign(kToolButtonCount, ToolButtonEntry{});
    FrameButtonList.count = 0;
    for (int row = 0; row < kToolButtonCount; ++row) {
        const ToolButtonInfo& info = ToolButtonTable[row];
        if (!(info.Flags & kToolOnFrameBar)) continue;
        ToolButtonEntry& entry = FrameButtonList.entries[FrameButtonList.count++];
        entry = {info.Command, 0, info.Group, row};
    }
    return 0;
}

namespace {

// The default lists by window type, as button keys; "|" is a separator.
const std::map<int, std::vector<const char*>>& DefaultLists() {
    static const std::map<int, std::vector<const char*>> lists = [] {
        std::map<int, std::vector<const char*>> m;
        m[1] = {"SELECT", "COMP", "TEXT", "WIRE", "WIRED", "GRAPHIC", "LINE", "ELLIPSE", "RECT", "DIAM", "ARC",
                "PIE", "FLAG", "META", "INFO", "HELP", "DIGTRC", "DIGTRC2", "|", "DIGALL", "|", "GRIDTEXT",
                "COMPTEXT", "NODE", "NODEV", "CURRENT", "POWER", "CONDITIN", "PIN", "CROSS", "GRID", "BORDER",
                "TITLE", "RUBBER", "|", "PROPERTY", "|", "STEP", "MIRROR", "ROTATE", "FLIPY", "FILPX", "|",
                "FINDCOMP", "FIND", "REPEAT", "|", "MODEL", "|", "CIR2CKT", "|", "ATTDISP", "|", "TOFRONT",
                "TOBACK", "|", "PAGEADD", "PAGEDEL", "|", "ZOOMIN", "ZOOMOUT", "|", "GOTOFLAG", "|", "COLOR",
                "FONT"};
        m[2] = {"SELECT", "INFO", "HELP", "|", "PROPERTY", "|", "FIND", "REPEAT", "|", "MODEL", "LIB2LBR",
                "|", "ZOOMIN", "ZOOMOUT", "|", "COLOR", "FONT"};
        m[3] = {"FIND", "|", "LBR2LIB"};
        m[5] = {"SELECT", "GRAPHIC", "LINE", "ELLIPSE", "RECT", "DIAM", "ARC", "PIE", "POLYCLOS", "SCALE",
                "CURSOR", "MEASUREH", "MEASUREV", "TAG", "TEXT", "|", "PROPERTY", "|", "START", "STOP", "PAUSE",
                "|", "DATAPTS", "TOKENS", "|", "RULER", "PLUS", "|", "XAXIS", "YAXIS", "MINORLOG", "|",
                "BASELINE", "HORIZCUR", "|", "GOTOX", "GOTOY", "GOTOPERF", "GOTOBRNC", "|", "NEXT", "NEXTIN",
                "PEAK", "VALLEY", "HIGH", "LOW", "INFLECTN", "GHIGH", "GLOW", "BOTTOM", "TOP", "|", "AOUTPUT",
                "|", "ZOOMIN", "ZOOMOUT", "|", "COLOR", "FONT"};
        m[6] = {"SELECT", "GRAPHIC", "LINE", "ELLIPSE", "RECT", "DIAM", "ARC", "PIE", "POLYCLOS", "TEXT", "|",
                "PROPERTY", "|", "COLOR", "FONT", "|", "MCSTATIS"};
        m[8] = {"SELECT", "GRAPHIC", "LINE", "ELLIPSE", "RECT", "DIAM", "ARC", "PIE", "POLYCLOS", "CURSOR",
                "TEXT", "|", "PROPERTY", "|", "MINORLOG", "|", "GOTOX", "GOTOY", "GOTOPERF", "|", "NEXT",
                "NEXTIN", "PEAK", "VALLEY", "HIGH", "LOW", "INFLECTN", "GHIGH", "GLOW", "|", "COLOR", "FONT"};
        m[10] = {"SELECT", "SCALE", "CURSOR", "MEASUREH", "MEASUREV", "TAG", "TEXT", "|", "PROPERTY", "|",
                 "DATAPTS", "TOKENS", "|", "RULER", "PLUS", "|", "XAXIS", "YAXIS", "MINORLOG", "|", "BASELINE",
                 "HORIZCUR", "|", "GOTOX", "GOTOY", "GOTOPERF", "|", "NEXT", "NEXTIN", "PEAK", "VALLEY", "HIGH",
                 "LOW", "INFLECTN", "GHIGH", "GLOW"};
        m[11] = m[10];
        m[11].insert(m[11].begin() + 9, "LIMITS");
        m[12] = {"PROPERTY"};
        m[19] = {"SELECT", "GRAPHIC", "LINE", "ELLIPSE", "RECT", "DIAM", "ARC", "PIE", "POLYCLOS", "SCALE",
                 "CURSOR", "MEASUREH", "MEASUREV", "TAG", "TEXT", "|", "PROPERTY", "|", "DATAPTS", "TOKENS", "|",
                 "RULER", "PLUS", "|", "XAXIS", "YAXIS", "MINORLOG", "|", "BASELINE", "HORIZCUR", "|", "GOTOX",
                 "GOTOY", "GOTOPERF", "GOTOBRNC", "|", "NEXT", "NEXTIN", "PEAK", "VALLEY", "HIGH", "LOW",
                 "INFLECTN", "GHIGH", "GLOW", "|", "ZOOMIN", "ZOOMOUT", "|", "COLOR", "FONT"};
        return m;
    }();
    return lists;
}

// The live lists and top flags, by window type.
struct MainToolBarList {
    std::vector<ToolButtonEntry> entries;
    int32_t top = 1;
};
std::map<int, MainToolBarList>& MainToolBarTable() {
    static std::map<int, MainToolBarList> table = [] {
        std::map<int, MainToolBarList> m;
        for (int type : kToolBarWindowTypes) m[type].top = (type == 3 || type == 12) ? 0 : 1;
        return m;
    }();
    return table;
}

}  // namespace

std::vector<int> DefaultToolBarCommands(int windowType) {
    std::vector<int> commands;
    auto it = DefaultLists().find(windowType);
    if (it == DefaultLists().end()) return commands;
    for (const char* name : it->second) {
        int row = name[0] == '|' ? -1 : FindToolButtonRowByName(name);
        commands.push_back(row < 0 ? 0 : ToolButtonTable[row].Command);
    }
    return commands;
}

void SetDefaultToolBarButtons(int mask) {
    for (int type : kToolBarWindowTypes) {
        MainToolBarList& list = MainToolBarTable()[type];
        list.entries.clear();
        for (int command : DefaultToolBarCommands(type)) {
            int row = command ? FindToolButtonRow(command) : -1;
            ToolButtonEntry entry{command, 0, row < 0 ? -1 : ToolButtonTable[row].Group, row};
            entry.Visible = IsButtonShownByDefault(entry, type, 1, mask);
            list.entries.push_back(entry);
        }
    }
}

void SetDefaultToolBarButtons() { SetDefaultToolBarButtons(DefaultButtonMask()); }

int32_t* GetMainToolBarTable(int windowType, ToolButtonEntry** entries, int* count) {
    auto it = MainToolBarTable().find(windowType);
    if (it == MainToolBarTable().end()) return nullptr;
    if (it->second.entries.empty()) SetDefaultToolBarButtons();
    if (entries) *entries = it->second.entries.data();
    if (count) *count = static_cast<int>(it->second.entries.size());
    return &it->second.top;
}

void InstallToolBarTables() {
    SetToolBarTableSource([](int drawType, std::vector<int>& commands, bool& top) {
        ToolButtonEntry* entries = nullptr;
        int count = 0;
        int32_t* flag = GetMainToolBarTable(drawType, &entries, &count);
        if (!flag) return false;
        commands.clear();
        for (int i = 0; i < count; ++i) commands.push_back(entries[i].Command);
        top = *flag != 0;
        return true;
    });
}

void SetToolBarDefaults() {
    static const char* const kNames[20] = {"Ground", "Resistor", "Capacitor", "Inductor", "Diode", "NPN",
                                           "NMOS", "Opamp", "Inverter", "Battery", "Pulse Source",
                                           "Sine Source", "", "", "", "", "", "", "", ""};
    // Line pictures of the default parts, top row first, bit 0 the leftmost column.
    static const int32_t kGlyphs[12][15] = {
        {0, 0x100, 0x100, 0x100, 0x100, 0x100, 0x100, 0xFE0, 0, 0x7C0, 0, 0x380, 0, 0x100, 0},
        {0, 0, 0, 0, 0, 0x0888, 0x1554, 0xE223, 0x1554, 0x0888, 0, 0, 0, 0, 0},
        {0, 0, 0x120, 0x120, 0x120, 0x120, 0x120, 0xFF3F, 0x120, 0x120, 0x120, 0x120, 0x120, 0, 0},
        {0, 0, 0, 0, 0, 0x3BB8, 0x4444, 0x4444, 0x4444, 0xC446, 0, 0, 0, 0, 0},
        {0, 0, 0, 0x0C0, 0x1C0, 0x3C0, 0x7C0, 0xFFFF, 0x7C0, 0x3C0, 0x1C0, 0x0C0, 0, 0, 0},
        {0x400, 0x400, 0x220, 0x120, 0x0A0, 0x060, 0x020, 0x03F, 0x020, 0x060, 0x0A0, 0x120, 0x320, 0x600, 0x400},
        {0x400, 0x400, 0x7C0, 0x040, 0x048, 0x044, 0x05F, 0x004, 0x04F, 0x040, 0x7C0, 0x400, 0x400, 0, 0},
        {0, 0x006, 0x01E, 0x062, 0x01A2, 0x0627, 0x1802, 0x7802, 0x1802, 0x0627, 0x01A2, 0x062, 0x01E, 0x006, 0},
        {0, 0, 0x006, 0x01A, 0x062, 0x182, 0x602, 0xF9FF, 0x602, 0x182, 0x062, 0x01A, 0x006, 0, 0},
        {0, 0x100, 0x100, 0x100, 0xFFE, 0, 0x7C0, 0, 0xFFE, 0, 0x7C0, 0, 0x100, 0x100, 0x100},
        {0x100, 0x100, 0x7C0, 0x820, 0x1010, 0x1F90, 0x1290, 0x1290, 0x13F0, 0x1010, 0x820, 0x7C0, 0x100, 0x100, 0},
        {0x100, 0x100, 0x7C0, 0x820, 0x1010, 0x1030, 0x1050, 0x1290, 0x1410, 0x1810, 0x820, 0x7C0, 0x100, 0x100, 0},
    };
    SetDefaultPaletteNames();
    for (int k = 0; k < 20; ++k) {
        ComponentButtons.partNames[k] = kNames[k];
        ComponentButtons.glyphs[k].fill(0);
        if (k < 12)
            for (int j = 0; j < 15; ++j) ComponentButtons.glyphs[k][j] = kGlyphs[k][j];
    }
}

void IndexComponentButtons() {
    ComponentButtons.listIndex.fill(-1);
    for (int i = 0; i < FrameButtonList.count; ++i) {
        int command = FrameButtonList.entries[i].Command;
        if (command >= 14200 && command <= 14219) ComponentButtons.listIndex[command - 14200] = i;
    }
}

int MapComponentButtonCommand(int command) {
    if (command < 14200 || command > 14219) return command;
    return ToolButtonTable[24 + command - 14200].ComponentCommand;
}

int ResolvePaletteParts() {
    for (int k = 0; k < 20; ++k) ToolButtonTable[24 + k].ComponentCommand = 0;
    int resolved = 0;
    for (int k = 0; k < 20; ++k) {
        const std::string& name = ComponentButtons.partNames[k];
        if (name.empty()) continue;
        int command = 32000;
        bool found = false;
        for (const ComponentLibrary& library : ComponentLibraryTable()) {
            for (const auto& def : library.components) {
                if (strcasecmp(def->name.c_str(), name.c_str()) == 0) {
                    ToolButtonTable[24 + k].ComponentCommand = command;
                    found = true;
                    ++resolved;
                    break;
                }
                ++command;
            }
            if (found) break;
        }
    }
    for (int i = 0; i < FrameButtonList.count; ++i) {
        ToolButtonEntry& entry = FrameButtonList.entries[i];
        if (entry.Command >= 14200 && entry.Command <= 14219 && !MapComponentButtonCommand(entry.Command))
            entry.Visible = 0;
    }
    return resolved;
}

ComponentDef* ComponentOfCommand(int command) {
    int index = command - kFirstComponentCommand;
    if (index < 0) return nullptr;
    for (const ComponentLibrary& library : ComponentLibraryTable()) {
        if (index < static_cast<int>(library.components.size())) return library.components[index].get();
        index -= static_cast<int>(library.components.size());
    }
    return nullptr;
}

int FindComponentButton(const std::string& partName) {
    for (int k = 0; k < 20; ++k) {
        int i = ComponentButtons.listIndex[k];
        if (i >= 0 && i < FrameButtonList.count && FrameButtonList.entries[i].Visible &&
            strcasecmp(ComponentButtons.partNames[k].c_str(), partName.c_str()) == 0)
            return 14200 + k;
    }
    return -1;
}

}  // namespace ob7
