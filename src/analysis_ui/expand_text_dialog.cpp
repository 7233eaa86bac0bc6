#include "analysis_ui/expand_text_dialog.h"

#include <algorithm>

namespace ob7 {

namespace {

constexpr int kText = 101;

platform::DialogTemplate ExpandTemplate(const std::string& caption) {
    using platform::ControlKind;
    using platform::Rect;
    return platform::DialogTemplate{3103, caption, {300, 96}, {
        {ControlKind::MultiLineEdit, kText, "", Rect{6, 6, 294, 70}},
        {ControlKind::DefPushButton, 1, "OK", Rect{186, 76, 236, 90}},
        {ControlKind::PushButton, 2, "Cancel", Rect{244, 76, 294, 90}},
    }};
}

}  // namespace

CExpandTextDlg::CExpandTextDlg(std::string caption, std::string shown, platform::Window* parent)
    : CDialog2(ExpandTemplate(caption), nullptr, parent), text(std::move(shown)) {}

bool CExpandTextDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    SetItemText(kText, text);
    FocusItem(kText);
    return false;
}

void CExpandTextDlg::OnOK() {
    text = ItemText(kText);
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    CDialog2::OnOK();
}

void CExpandTextDlg::OnControlRightClick(int id) {
    if (id != kText || !expressionSource) return CDialog2::OnControlRightClick(id);
    ExpressionMenu expression;
    platform::Menu menu;
    expression.Build(menu, *expressionSource, false);
    const ExpressionMenu::Choice choice =
        expression.Choose(TrackPopupMenu(menu, platform::Window::CursorPos()), ItemText(kText), x, this);
    if (choice.action == ExpressionMenu::Action::ReplaceSelection) ReplaceEditSel(kText, choice.text);
    else if (choice.action == ExpressionMenu::Action::SetText) SetItemText(kText, choice.text);
}

}  // namespace ob7
