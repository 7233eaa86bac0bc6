#include "plots/animate_options_dialog.h"

#include <cstdio>
#include <cstdlib>

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;
using Dlg = CAnimateOptionsDlg;

RememberedPosition animatePosition;

platform::DialogTemplate AnimateTemplate() {
    return platform::DialogTemplate{Dlg::kTemplate, "Animate Options", {176, 86}, {
        {ControlKind::RadioButton, Dlg::kDontWait, "Don't Wait", Rect{10, 8, 110, 18}},
        {ControlKind::RadioButton, Dlg::kWaitForKeyPress, "Wait for Key Press", Rect{10, 22, 110, 32}},
        {ControlKind::RadioButton, Dlg::kWaitForTimeDelay, "Wait for Time Delay", Rect{10, 36, 110, 46}},
        {ControlKind::Static, Dlg::kDelayLabel, "Time Delay", Rect{22, 52, 70, 62}},
        {ControlKind::Edit, Dlg::kDelayEdit, "", Rect{72, 50, 110, 62}},
        {ControlKind::DefPushButton, 1, "OK", Rect{120, 8, 168, 22}},
        {ControlKind::PushButton, 2, "Cancel", Rect{120, 26, 168, 40}},
        {ControlKind::PushButton, 9, "Help", Rect{120, 44, 168, 58}},
    }};
}

}  // namespace

CAnimateOptionsDlg::CAnimateOptionsDlg(AnimateSettings& settings, platform::Window* parent)
    : CDialog2(AnimateTemplate(), &animatePosition, parent), settings_(settings) {}

bool CAnimateOptionsDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    const int checked = settings_.mode == AnimateMode::WaitForKeyPress    ? kWaitForKeyPress
                        : settings_.mode == AnimateMode::WaitForTimeDelay ? kWaitForTimeDelay
                                                                          : kDontWait;
    CheckRadioButton(kDontWait, kWaitForTimeDelay, checked);
    char text[32];
    std::snprintf(text, sizeof text, "%g", settings_.delay_ms / 1000.0);
    SetItemText(kDelayEdit, text);
    for (int id : {kDontWait, kWaitForKeyPress, kWaitForTimeDelay})
        OnCommand(id, [this](int) { EnableDelay(); });
    EnableDelay();
    return true;
}

void CAnimateOptionsDlg::EnableDelay() {
    const bool delay = IsButtonChecked(kWaitForTimeDelay) != 0;
    EnableItem(kDelayLabel, delay);
    EnableItem(kDelayEdit, delay);
}

void CAnimateOptionsDlg::OnOK() {
    settings_.delay_ms = static_cast<int>(std::atof(ItemText(kDelayEdit).c_str()) * 1000);
    settings_.mode = IsButtonChecked(kWaitForTimeDelay)  ? AnimateMode::WaitForTimeDelay
                     : IsButtonChecked(kWaitForKeyPress) ? AnimateMode::WaitForKeyPress
                                                         : AnimateMode::DontWait;
    EndDialogSavePos(1);
}

}  // namespace ob7
