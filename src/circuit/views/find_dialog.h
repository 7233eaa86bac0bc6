#pragma once
// Find, Repeat Last Find and Replace in the text area of a circuit view, with the Search
// and Replace dialogs, and the showing of a recorded hit (FindResult) in its view.

#include "circuit/text_find.h"
#include "circuit/views/cct_draw.h"
#include "ui/framework/dialogs.h"

#include <string>

namespace ob7 {

enum FindCommand : int { kCmdFind = 17213, kCmdRepeatFindKey = 17216, kCmdRepeatFind = 17217, kCmdReplace = 17218 };
enum FindDialogId : int {
    kSearchTemplate = 17214, kReplaceTemplate = 17218, kIdWholeWord = 5706, kIdFindNext = 5730,
    kIdReplaceOne = 5731, kIdReplaceAll = 5732, kIdCloseFind = 23, kIdFindStatus = 1318,
};

// The Search (17214) and Replace (17218) dialogs.
class CFindDlg : public CDialog2 {
public:
    CFindDlg(CCTDraw& view, bool replace);
    bool OnInitDialog() override;
    void OnOK() override;
    void OnControlNotify(int id, platform::Notify code) override;

private:
    void TakeTexts();
    void FillCombos();
    CCTDraw& view_;
    bool replace_;
};

// The search of a text area from its selection: the next match is selected; with a
// replacement a selected match is replaced first (the editor records the change).
int FindNextInText(CCTDraw& view, const std::string& search, const std::string* replacement, bool reportNotFound);
// Every match replaced in one "Replace All" undo step; the count.
int ReplaceAllInText(CCTDraw& view, const std::string& search, const std::string& replacement);

// Find (showDialog) and Repeat Last Find.
void FindInText(CCTDraw& view, bool showDialog);
// Replace: the Replace dialog until it is closed.
void ReplaceInText(CCTDraw& view);

// Selects the logical netlist line around a line of the text area.
void SelectLogicalLine(CCTDraw& view, int line);

// Shows the hit recorded in FindResult in its view (a text position: its logical line, or
// the caret at a character) and clears the record. False when the view is gone.
bool GoToFindResult();

}  // namespace ob7
