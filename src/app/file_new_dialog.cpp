#include "app/file_new_dialog.h"

#include "app/main_frame.h"
#include "app/tool_icons.h"
#include "circuit/views/text_window.h"
#include "platform/draw_context.h"
#include "ui/framework/io_frame.h"

namespace ob7 {

NewDialogMemory NewDialogState;

namespace {

constexpr int kSchematic = 11401, kText = 11402, kLibrary = 11403;

// Each picture beside a radio button checks it when clicked.
struct PictureRow {
    int picture, radio, icon;  // icon: the tool-bar picture drawn there
};
constexpr PictureRow kPictures[] = {{701, kSchematic, 17564}, {704, kText, 17563}, {706, kLibrary, 14203}};

platform::DialogTemplate NewTemplate() {
    using platform::ControlKind;
    platform::DialogTemplate t{11400, "New", {200, 96}, {}};
    for (int i = 0; i < 3; ++i) {
        const int y = 10 + i * 24;
        t.controls.push_back({ControlKind::OwnerDrawButton, kPictures[i].picture, "", {10, y, 30, y + 20}});
    }
    t.controls.push_back({ControlKind::RadioButton, kSchematic, "&Schematic", {38, 15, 130, 25}, platform::kCtlGroup});
    t.controls.push_back({ControlKind::RadioButton, kText, "S&PICE/Text", {38, 39, 130, 49}});
    t.controls.push_back({ControlKind::RadioButton, kLibrary, "&Library", {38, 63, 130, 73}});
    t.controls.push_back({ControlKind::DefPushButton, 1, "OK", {140, 10, 190, 24}});
    t.controls.push_back({ControlKind::PushButton, 2, "Cancel", {140, 28, 190, 42}});
    t.controls.push_back({ControlKind::PushButton, 9, "&Help...", {140, 46, 190, 60}});
    return t;
}

}  // namespace

CNewDlg::CNewDlg() : CDialog2(NewTemplate(), &NewDialogState.position) {
    for (const PictureRow& row : kPictures)
        OnCommand(row.picture, [this, radio = row.radio](int) {
            CheckRadioButton(kSchematic, kLibrary, radio);
            FocusItem(radio);
        });
}

bool CNewDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    int choice = NewDialogState.choice;
    if (choice < kSchematic || choice > kLibrary) choice = kSchematic;
    CheckRadioButton(kSchematic, kLibrary, choice);
    return true;
}

void CNewDlg::OnOK() {
    for (int id = kSchematic; id <= kLibrary; ++id)
        if (IsButtonChecked(id)) {
            NewDialogState.choice = id;
            kind = id - kSchematic + 1;
        }
    CDialog2::OnOK();
}

void CNewDlg::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    for (const PictureRow& row : kPictures) {
        if (row.picture != item.controlId) continue;
        const int size = std::min(item.rect.right - item.rect.left, item.rect.bottom - item.rect.top);
        const platform::Color paper = platform::Rgb(255, 255, 255);
        dc.FillRect(item.rect, platform::Brush::Solid(paper));
        for (const ToolIcon& icon : ReadToolIcons(ToolIconPath()))
            if (icon.command == row.icon) {
                platform::Image picture = DrawIconStrip({icon}, size, paper);
                dc.BitBlt({item.rect.left, item.rect.top}, picture, platform::Rect{0, 0, size, size});
            }
    }
}

CMDIFrame* CreateUntitledDocument(int kind) {
    const DocumentOpeners& o = Openers();
    std::function<CMDIFrame*(const std::string&)> create;
    switch (kind) {
    case 1: create = o.createCircuit; break;
    case 2: create = [](const std::string& name) -> CMDIFrame* { return CreateTextWindow(name); }; break;
    case 3: create = o.createLibrary; break;
    }
    std::string name;
    // No name is used up for a kind whose windows this program cannot make yet.
    if (!create || UntitledDocumentName(name, kind) != 0) return nullptr;
    CMDIFrame* frame = create(name);
    if (frame) frame->ShowAs(platform::ShowState::Maximized);
    return frame;
}

CMDIFrame* RunFileNew() {
    CNewDlg dialog;
    if (dialog.DoModal() != 1) return nullptr;
    return CreateUntitledDocument(dialog.kind);
}

}  // namespace ob7
