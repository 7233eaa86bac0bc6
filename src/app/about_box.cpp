#include "app/about_box.h"

#include "app/tool_icons.h"
#include "foundation/profile.h"
#include "platform/draw_context.h"

namespace ob7 {

namespace {

constexpr int kPictureId = 100;
constexpr int kNameId = 101;

platform::DialogTemplate AboutTemplate() {
    using platform::ControlKind;
    platform::DialogTemplate t;
    t.id = 17804;
    t.caption = "About Ombrelic";
    t.size = {250, 86};
    t.controls = {
        {ControlKind::OwnerDrawButton, kPictureId, "", {10, 10, 42, 42}},
        {ControlKind::Static, kNameId, "", {54, 12, 244, 22}},
        {ControlKind::Static, 102, "Circuit design and simulation: schematics, netlists,", {54, 26, 244, 34}},
        {ControlKind::Static, 103, "analog and mixed-mode analyses, plots and libraries.", {54, 35, 244, 43}},
        {ControlKind::DefPushButton, 1, "&OK", {190, 64, 240, 78}},
    };
    return t;
}

}  // namespace

CAboutDlg::CAboutDlg() : CDialog2(AboutTemplate()) {}

bool CAboutDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    SetItemText(kNameId, std::string(kProductName) + " " + kProgramVersion);
    return true;
}

void CAboutDlg::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    if (item.controlId != kPictureId) return;
    const int size = std::min(item.rect.right - item.rect.left, item.rect.bottom - item.rect.top);
    std::vector<ToolIcon> icons = ReadToolIcons(ToolIconPath());
    for (const ToolIcon& icon : icons)
        if (icon.command == 17600) {  // the analysis picture is the program's mark
            platform::Image picture = DrawIconStrip({icon}, size, platform::Rgb(255, 255, 255));
            dc.FillRect(item.rect, platform::Brush::Solid(platform::Rgb(255, 255, 255)));
            dc.BitBlt({item.rect.left, item.rect.top}, picture, platform::Rect{0, 0, size, size});
        }
}

}  // namespace ob7
