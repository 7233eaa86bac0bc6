#pragma once
// File/New: the choice of the kind of document to create (schematic, SPICE text or
// model library), remembered for the next time, and the untitled window it makes.

#include "ui/framework/dialogs.h"

namespace ob7 {

class CMDIFrame;

// The dialog's memory: its position and the radio button chosen last.
struct NewDialogMemory {
    RememberedPosition position;
    int choice = 11401;
};
extern NewDialogMemory NewDialogState;

class CNewDlg : public CDialog2 {
public:
    CNewDlg();
    bool OnInitDialog() override;
    void OnOK() override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    // The kind chosen on OK: 1 schematic, 2 text, 3 library.
    int kind = 0;
};

// Makes an untitled window of the kind under the kind's next untitled name, shown
// maximised; null when the kind's window cannot be made here.
CMDIFrame* CreateUntitledDocument(int kind);

// File/New...: the dialog, then the window.
CMDIFrame* RunFileNew();

}  // namespace ob7
