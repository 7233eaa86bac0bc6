#include "analysis_ui/dsp_parameters_dialog.h"

#include "foundation/string_table.h"
#include "plots/analysis_window.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;

constexpr int kTextLimit = 19;
constexpr int kMsgUpperTime = 10151;  // then lower time, upper and lower frequency

platform::DialogTemplate DspParametersTemplate() {
    platform::DialogTemplate t{kCmdDspParameters, "DSP Parameters", {220, 100}, {}};
    auto& c = t.controls;
    c.push_back({ControlKind::Static, kDspUpperLabel, "", Rect{8, 10, 92, 20}});
    c.push_back({ControlKind::Edit, kDspUpper, "", Rect{96, 8, 156, 20}});
    c.push_back({ControlKind::Static, kDspLowerLabel, "", Rect{8, 26, 92, 36}});
    c.push_back({ControlKind::Edit, kDspLower, "", Rect{96, 24, 156, 36}});
    c.push_back({ControlKind::Static, kDspPointsLabel, "Number of Points", Rect{8, 42, 92, 52}});
    c.push_back({ControlKind::Edit, kDspPoints, "", Rect{96, 40, 156, 52}});
    c.push_back({ControlKind::GroupBox, 0, "Status", Rect{164, 4, 212, 52}});
    c.push_back({ControlKind::RadioButton, kDspOn, "On", Rect{170, 18, 208, 28}, platform::kCtlGroup});
    c.push_back({ControlKind::RadioButton, kDspOff, "Off", Rect{170, 32, 208, 42}});
    c.push_back({ControlKind::DefPushButton, 1, "OK", Rect{56, 70, 106, 84}});
    c.push_back({ControlKind::PushButton, 2, "Cancel", Rect{114, 70, 164, 84}});
    return t;
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

CDspParametersDlg::CDspParametersDlg(DspSettings& settings, int kind, std::string rangeText, platform::Window* parent)
    : CDialog2(DspParametersTemplate(), nullptr, parent), settings_(settings), kind_(kind == 1 ? 1 : 0),
      range_(std::move(rangeText)) {}

bool CDspParametersDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    const int labels = kMsgUpperTime + 2 * kind_;
    SetItemText(kDspUpperLabel, LoadMessageTextTemp(labels));
    SetItemText(kDspLowerLabel, LoadMessageTextTemp(labels + 1));
    // Empty limits start from the analysis' range ("upper,lower"); the points from 1024.
    const auto comma = range_.find(',');
    std::string upper = settings_.max[kind_], lower = settings_.min[kind_], points = settings_.points[kind_];
    if (upper.empty()) upper = Trimmed(range_.substr(0, comma));
    if (lower.empty() && comma != std::string::npos) lower = Trimmed(range_.substr(comma + 1));
    if (points.empty()) points = "1024";
    for (int id : {kDspUpper, kDspLower, kDspPoints}) SetEditLimit(id, kTextLimit);
    SetItemText(kDspUpper, upper.substr(0, kTextLimit));
    SetItemText(kDspLower, lower.substr(0, kTextLimit));
    SetItemText(kDspPoints, points.substr(0, kTextLimit));
    // The AC window starts at 0.
    if (kind_ == 1) {
        SetItemText(kDspLower, "");
        EnableItem(kDspLower, false);
    }
    CheckRadioButton(kDspOn, kDspOff, settings_.status[kind_] ? kDspOn : kDspOff);
    return true;
}

void CDspParametersDlg::OnOK() {
    settings_.max[kind_] = Trimmed(ItemText(kDspUpper));
    settings_.min[kind_] = Trimmed(ItemText(kDspLower));
    settings_.points[kind_] = Trimmed(ItemText(kDspPoints));
    settings_.status[kind_] = IsButtonChecked(kDspOn) ? 1 : 0;
    if (documentChanged) documentChanged();
    CDialog2::OnOK();
}

int ShowDspParameters(DspSettings& settings, int kind, const std::string& rangeText,
                      std::function<void()> documentChanged) {
    if (kind != 0 && kind != 1) return -1;
    CDspParametersDlg dialog(settings, kind, rangeText);
    dialog.documentChanged = std::move(documentChanged);
    return dialog.DoModal();
}

void ConnectDspParameters(CG2DFrame& frame, std::function<DspSettings*()> settingsOf,
                          std::function<std::string()> rangeOf, std::function<void()> documentChanged) {
    frame.openDspParameters = [settingsOf = std::move(settingsOf), rangeOf = std::move(rangeOf),
                               documentChanged = std::move(documentChanged)](int kind) {
        DspSettings* settings = settingsOf ? settingsOf() : nullptr;
        if (!settings) return -1;
        return ShowDspParameters(*settings, kind, rangeOf ? rangeOf() : std::string{}, documentChanged);
    };
}

}  // namespace ob7
