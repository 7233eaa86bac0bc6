#pragma once
// Fillers of menus and combo boxes from the lower layers' tables: the scale names, a
// recent-item list, and the function menus of the expression language.

#include <string>
#include <vector>

namespace platform {
class Dialog;
class Menu;
}

namespace ob7 {

class CRecentList;

// Adds "Normal", "dB/Octave" and "dB/Decade".
void FillComboWithScaleNames(platform::Dialog& dialog, int id);
// Empties the combo box, adds every used name in list order and selects the first.
void FillComboFromRecentList(const CRecentList& list, platform::Dialog& dialog, int id);

// A part of the active circuit as the function menus offer it.
struct FunctionMenuPart {
    std::string name;
    int deviceKinds = 0;  // device-kind bits of its type
};

// Mode 3: every operator row valid for the analysis mask, "&" doubled, a column break
// every 9 items. Modes 1 (menu) and 2 (list box) the rows of one opcode family: rows
// with arguments once per part whose kinds meet the row's device mask ("%s(%s)" within
// 95 characters), others by name, a break every 10. Mode 0 counts. Ids run from
// idBase. Returns the number of entries.
int BuildFunctionMenu(platform::Menu* menu, platform::Dialog* listDialog, int listId, int idBase, int mode,
                      int opcode, int analysisMask, const std::vector<FunctionMenuPart>& parts);

}  // namespace ob7
