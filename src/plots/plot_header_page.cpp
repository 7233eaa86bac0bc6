#include "plots/plot_header_page.h"

#include "plots/plot_properties.h"
#include "plots/plot_view.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;

constexpr int kHeaderTemplate = 15690;
constexpr int kTextIds[3] = {kHeadLeft, kHeadCenter, kHeadRight};
// The named delimiters and their buttons; any other character is "Other".
constexpr struct { int id; char c; } kNamed[] = {
    {kHeadTab, '\t'}, {kHeadSemicolon, ';'}, {kHeadComma, ','}, {kHeadSpace, ' '}};

platform::DialogTemplate HeaderPageTemplate() {
    return platform::DialogTemplate{kHeaderTemplate, "Header", {320, 190}, {
        {ControlKind::Static, 100, "Left", Rect{8, 8, 100, 18}},
        {ControlKind::MultiLineEdit, kHeadLeft, "", Rect{8, 20, 104, 80}},
        {ControlKind::Static, 101, "Center", Rect{112, 8, 204, 18}},
        {ControlKind::MultiLineEdit, kHeadCenter, "", Rect{112, 20, 208, 80}},
        {ControlKind::Static, 102, "Right", Rect{216, 8, 308, 18}},
        {ControlKind::MultiLineEdit, kHeadRight, "", Rect{216, 20, 312, 80}},
        {ControlKind::GroupBox, 103, "Delimiter", Rect{8, 90, 312, 150}},
        {ControlKind::RadioButton, kHeadTab, "Tab", Rect{16, 104, 90, 116}, platform::kCtlGroup},
        {ControlKind::RadioButton, kHeadSemicolon, "Semicolon", Rect{16, 120, 90, 132}},
        {ControlKind::RadioButton, kHeadComma, "Comma", Rect{112, 104, 190, 116}},
        {ControlKind::RadioButton, kHeadSpace, "Space", Rect{112, 120, 190, 132}},
        {ControlKind::RadioButton, kHeadOther, "Other", Rect{216, 104, 262, 116}},
        {ControlKind::Edit, kHeadOtherChar, "", Rect{266, 103, 286, 117}},
    }};
}

}  // namespace

CG2DNumOutPage::CG2DNumOutPage(CG2DPropSheet& sheet) : CPropertyPage2(HeaderPageTemplate()), sheet_(sheet) {}

bool CG2DNumOutPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    const CAPDraw& view = sheet_.view;
    openedHeader_ = view.numericOutputHeader;
    openedDelimiter_ = view.numericOutputDelimiter;
    loading_ = true;
    for (int i = 0; i < 3; ++i) SetItemText(kTextIds[i], HeaderTextToControl(openedHeader_.texts[i]));
    SetEditLimit(kHeadOtherChar, 1);
    int checked = kHeadOther;
    for (const auto& n : kNamed)
        if (n.c == openedDelimiter_) checked = n.id;
    if (checked == kHeadOther) SetItemText(kHeadOtherChar, std::string(1, openedDelimiter_));
    CheckRadioButton(kHeadTab, kHeadOther, checked);
    loading_ = false;
    return true;
}

char CG2DNumOutPage::ChosenDelimiter() const {
    for (const auto& n : kNamed)
        if (IsButtonChecked(n.id)) return n.c;
    const std::string other = ItemText(kHeadOtherChar);
    return other.empty() ? ' ' : other[0];
}

void CG2DNumOutPage::OnControlNotify(int id, platform::Notify code) {
    using platform::Notify;
    if (loading_) return;
    const bool button = code == Notify::Clicked && id >= kHeadTab && id <= kHeadOther;
    if (id == kHeadOtherChar && code == Notify::Changed) {
        // Typing a character chooses Other.
        CheckRadioButton(kHeadTab, kHeadOther, kHeadOther);
    } else if (!button) {
        if (code == Notify::Changed) SetModified(true);
        return CPropertyPage2::OnControlNotify(id, code);
    }
    sheet_.view.numericOutputDelimiter = ChosenDelimiter();
    SetModified(true);
}

bool CG2DNumOutPage::ApplyPage() {
    for (int i = 0; i < 3; ++i) sheet_.view.numericOutputHeader.texts[i] = HeaderTextFromControl(ItemText(kTextIds[i]));
    sheet_.view.numericOutputDelimiter = ChosenDelimiter();
    return true;
}

void CG2DNumOutPage::ResetPage() {
    if (sheet_.state == 1) return;
    sheet_.view.numericOutputHeader = openedHeader_;
    sheet_.view.numericOutputDelimiter = openedDelimiter_;
}

}  // namespace ob7
