#pragma once
// The fixed table of tool buttons that every tool bar of the program takes its buttons
// from, the button list of the main frame's six tool bars, the default button lists of
// the drawing windows' own tool bars, and which buttons are shown by default.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

// Button groups; 0 to 5 are also the indexes of the frame tool bars.
enum ToolButtonGroup : int {
    kGroupNone = -1, kGroupFile = 0, kGroupEdit, kGroupComponent, kGroupWindows, kGroupOptions,
    kGroupAnalysis, kGroupBox, kGroupMode, kGroupView, kGroupScope, kGroupCursor
};
constexpr int kFrameToolBarCount = 6;

// Flags of a table row.
enum ToolButtonFlags : int32_t {
    kToolSeparatorAfter = 0x01,  // a separator follows the button on its frame tool bar
    kToolOnFrameBar = 0x08,
    kToolShownByDefault = 0x10,
    kToolShownOnWideScreen = 0x20,
};

struct ToolButtonInfo {
    const char* Name;     // key of the button in the profile
    int32_t Command;
    int32_t BitmapId;     // picture strip; for the component buttons their index 0..19
    int32_t Image;        // picture within the strip
    int32_t Flags;
    int32_t Group;
    int32_t ComponentCommand;  // filled at run time for the component buttons
};

constexpr int kToolButtonCount = 172;
extern ToolButtonInfo ToolButtonTable[kToolButtonCount];

// One button of a concrete tool bar; Command 0 is a separator.
struct ToolButtonEntry {
    int32_t Command = 0;
    int32_t Visible = 0;
    int32_t Group = -1;
    int32_t Row = -1;
};

// The row of a command, -1 when no row has it (a separator among them).
int FindToolButtonRow(int command);
// The row of a button key (ignoring case), -1 when none.
int FindToolButtonRowByName(const std::string& name);

// A screen is wide from 1024 pixels on; the mask of default-visibility flags for it.
int DefaultButtonMask(int screenWidth);
int DefaultButtonMask();  // of the current screen
// Whether an entry is shown by default on a bar of the window type (-1: the frame bars).
int IsButtonShownByDefault(const ToolButtonEntry& entry, int windowType, int useDefaults, int mask);
// Sets every entry's Visible by default; with part names, component buttons bound to
// nothing are hidden.
void SetToolButtonDefaults(int windowType, ToolButtonEntry* entries, int count, int useDefaults,
                           const std::array<std::string, 20>* partNames, int mask);

// The main frame's button list: one entry per row on a frame tool bar, in table order.
struct FrameButtonListType {
    std::vector<ToolButtonEntry> entries;  // room for every row
    int count = 0;
};
extern FrameButtonListType FrameButtonList;
// Fills the list from the table, every entry not visible. 0 or 15002.
int BuildFrameButtonList();

// The window types with their own tool bar, in the order their defaults are set.
constexpr std::array<int, 10> kToolBarWindowTypes = {1, 2, 3, 5, 8, 6, 19, 10, 11, 12};
// The default command list of a window type (0: a separator); empty for a type without a bar.
std::vector<int> DefaultToolBarCommands(int windowType);
// Refills every window type's list from its default list and the screen's mask; the
// top flags are kept.
void SetDefaultToolBarButtons(int mask);
void SetDefaultToolBarButtons();
// A window type's list and its top flag; null for a type without a bar.
int32_t* GetMainToolBarTable(int windowType, ToolButtonEntry** entries, int* count);
// Hands the window types' lists to the drawing windows, which take theirs when created.
void InstallToolBarTables();

// The component buttons: their part names and glyphs (15 rows, low 16 bits, bit 0 left).
struct ComponentButtonData {
    std::array<std::string, 20> partNames;
    std::array<std::array<int32_t, 15>, 20> glyphs{};
    std::array<int, 20> listIndex{};  // position in FrameButtonList
};
extern ComponentButtonData ComponentButtons;
// The default glyphs and part names.
void SetToolBarDefaults();
// Records where each component button lies in FrameButtonList.
void IndexComponentButtons();
// Binds the component buttons to the components of the loaded libraries by part name
// (numbered from 32000 as the component menu is); buttons left unbound are hidden.
// The count bound.
int ResolvePaletteParts();
// The command of the visible component button bound to a part name, -1 when none.
int FindComponentButton(const std::string& partName);
// For a component button its resolved component command; other commands unchanged.
int MapComponentButtonCommand(int command);
// The component of a component command (32000 + its running index over the loaded
// libraries), null when there is none.
struct ComponentDef;
ComponentDef* ComponentOfCommand(int command);
constexpr int kFirstComponentCommand = 32000, kLastComponentCommand = 32000 + 4095;

}  // namespace ob7
