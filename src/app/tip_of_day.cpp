#include "app/tip_of_day.h"

#include "platform/draw_context.h"

namespace ob7 {

namespace {

constexpr int kPanel = 6504, kNext = 6501, kShow = 6502, kPrevious = 6503, kClose = 8;
constexpr int kBodyHeight = -13;  // the system font's character height

platform::DialogTemplate TipTemplate() {
    using platform::ControlKind;
    platform::DialogTemplate t{6500, "Tip of the Day", {270, 150}, {}};
    t.controls.push_back({ControlKind::OwnerDrawButton, kPanel, "", {7, 7, 263, 122}});
    t.controls.push_back({ControlKind::CheckBox, kShow, "&Show tips at startup", {7, 131, 100, 143}});
    t.controls.push_back({ControlKind::PushButton, kPrevious, "&Previous  Tip", {103, 129, 155, 143}});
    t.controls.push_back({ControlKind::PushButton, kNext, "&Next Tip", {158, 129, 210, 143}});
    t.controls.push_back({ControlKind::DefPushButton, kClose, "&Close", {213, 129, 263, 143}});
    return t;
}

}  // namespace

CTipDlg::CTipDlg(int show) : CDialog2(TipTemplate()), showAtStartup(show) {
    OnCommand(kNext, [this](int) { Step(1); });
    OnCommand(kPrevious, [this](int) { Step(-1); });
    OnCommand(kClose, [this](int) {
        ++Tip.index;
        TakeCheckBox();
        EndDialogSavePos(1);
    });
}

bool CTipDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    CheckButton(kShow, showAtStartup ? 1 : 0);
    text = LoadTipText();
    InvalidateItem(kPanel);
    FocusItem(kClose);
    return false;
}

void CTipDlg::Step(int delta) {
    Tip.index += delta;
    text = LoadTipText();
    InvalidateItem(kPanel);
}

void CTipDlg::TakeCheckBox() { showAtStartup = IsButtonChecked(kShow); }

void CTipDlg::OnCancel() {
    TakeCheckBox();
    CDialog2::OnCancel();
}

void CTipDlg::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    if (item.controlId != kPanel) return;
    platform::Rect r = item.rect;
    dc.FillRect(r, platform::Brush::Solid(platform::Rgb(0, 0, 0)));
    dc.FillRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, platform::Brush::Solid(platform::Rgb(255, 255, 255)));
    if (!text) return;
    r = {r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
    const size_t newline = text->find('\n');
    dc.SetBkOpaque(false);
    dc.SetTextColor(platform::Rgb(0, 0, 0));
    platform::Font heading;
    heading.face = "Arial";
    heading.weight = 700;
    heading.height = kBodyHeight * 13 / 10;
    dc.SetFont(heading);
    const int used = dc.DrawText(text->substr(0, newline), r, platform::kDtWordBreak | platform::kDtNoPrefix);
    if (newline == std::string::npos) return;
    r.top += used;
    platform::Font body;
    body.face = "Arial";
    body.height = kBodyHeight;
    dc.SetFont(body);
    dc.DrawText(text->substr(newline), r, platform::kDtWordBreak | platform::kDtNoPrefix);
}

void RunTipOfTheDay() {
    CTipDlg dialog(Tip.show);
    dialog.DoModal();
    Tip.show = dialog.showAtStartup;
}

}  // namespace ob7
