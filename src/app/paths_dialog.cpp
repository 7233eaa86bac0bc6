#include "app/paths_dialog.h"

#include "foundation/messages.h"
#include "foundation/paths.h"

namespace ob7 {

namespace {

struct PathField {
    int id;
    int kind;
    const char* label;
};
constexpr PathField kFields[3] = {
    {11108, kDataPath,
     "Data (*.cir,*.txt,*.doc,*.stm,*.usr,*.jed,*.sen,*.?mc,*.top,*.tno,*.ano,*.dno,*.tsa,*.asa,*.dsa,*.net)"},
    {11109, kLibraryPath, "Model library and include files (*.lib,*.lbr,*.mac,*.res,*.ind,*.cap)"},
    {11111, kDataPath2, "Picture (*.bmp,*.wmf,*.emf)"},
};

RememberedPosition PathsPosition;

platform::DialogTemplate PathsTemplate() {
    using platform::ControlKind;
    platform::DialogTemplate t{11100, "Path", {380, 118}, {}};
    for (int i = 0; i < 3; ++i) {
        const int y = 8 + i * 30;
        t.controls.push_back({ControlKind::Static, 0, kFields[i].label, {8, y, 372, y + 9}});
        t.controls.push_back({ControlKind::Edit, kFields[i].id, "", {8, y + 11, 372, y + 23}});
    }
    t.controls.push_back({ControlKind::DefPushButton, 1, "OK", {212, 98, 262, 112}});
    t.controls.push_back({ControlKind::PushButton, 2, "Cancel", {267, 98, 317, 112}});
    t.controls.push_back({ControlKind::PushButton, 9, "&Help...", {322, 98, 372, 112}});
    return t;
}

}  // namespace

CPathsDlg::CPathsDlg() : CDialog2(PathsTemplate(), &PathsPosition) {}

bool CPathsDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    for (const PathField& field : kFields) SetItemText(field.id, GetDefaultPath(field.kind));
    return true;
}

void CPathsDlg::OnOK() {
    // Every field is checked, so each bad one is reported; the focus ends on the last.
    bool bad = false;
    for (const PathField& field : kFields) {
        std::string missing;
        if (FindMissingPathEntry(ItemText(field.id), missing) == 0) {
            ReportMessage("PF", this, "Bad path '%s'.", missing.c_str());
            FocusItem(field.id);
            bad = true;
        }
    }
    if (bad) return;
    for (const PathField& field : kFields) SetDefaultPath(field.kind, ItemText(field.id));
    CDialog2::OnOK();
}

int RunPathsDialog() {
    CPathsDlg dialog;
    return dialog.DoModal() == 1 ? 1 : 0;
}

}  // namespace ob7
