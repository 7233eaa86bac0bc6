#include "plots/sensitivity_dialog.h"

#include <strings.h>

#include <algorithm>
#include <fstream>

#include "foundation/messages.h"
#include "ui/framework/dialog_templates.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;
using Dlg = CSensitivityDlg;

RememberedPosition sensitivityPosition;

platform::DialogTemplate SensitivityTemplate() {
    return platform::DialogTemplate{Dlg::kTemplate, "Sensitivity Analysis", {330, 222}, {
        {ControlKind::ReportList, Dlg::kOutputs, "", Rect{8, 6, 268, 96}},
        {ControlKind::GroupBox, -1, "Input Variable", Rect{8, 100, 100, 146}},
        {ControlKind::RadioButton, Dlg::kComponent, "Component", Rect{14, 110, 96, 120}, platform::kCtlGroup},
        {ControlKind::RadioButton, Dlg::kModel, "Model", Rect{14, 122, 96, 132}},
        {ControlKind::RadioButton, Dlg::kSymbolic, "Symbolic", Rect{14, 134, 96, 144}},
        {ControlKind::GroupBox, -1, "Parameters", Rect{8, 150, 100, 184}},
        {ControlKind::RadioButton, Dlg::kOne, "One", Rect{14, 160, 96, 170}, platform::kCtlGroup},
        {ControlKind::RadioButton, Dlg::kMultiple, "Multiple", Rect{14, 172, 96, 182}},
        {ControlKind::ListBox, Dlg::kNames, "", Rect{106, 100, 186, 214}, platform::kCtlSorted},
        {ControlKind::ListBox, Dlg::kParameter, "", Rect{190, 100, 268, 214}},
        {ControlKind::MultiListBox, Dlg::kParameters, "", Rect{190, 100, 268, 214}, platform::kCtlHidden},
        {ControlKind::PushButton, Dlg::kAllOn, "All On", Rect{276, 100, 322, 114}},
        {ControlKind::PushButton, Dlg::kDefault, "&Default", Rect{276, 118, 322, 132}},
        {ControlKind::PushButton, Dlg::kAllOff, "All Off", Rect{276, 136, 322, 150}},
        {ControlKind::DefPushButton, Dlg::kCalculate, "Calculate", Rect{276, 6, 322, 20}},
        {ControlKind::PushButton, Dlg::kClose, "&Close", Rect{276, 24, 322, 38}},
        {ControlKind::PushButton, kIdHelp, "&Help...", Rect{276, 42, 322, 56}},
    }};
}

bool SameText(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

std::string SensitivityReportPath(const std::string& circuitPath) {
    const size_t slash = circuitPath.find_last_of('/');
    const size_t dot = circuitPath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? circuitPath.substr(0, dot) : circuitPath;
    const bool own = hasExtension && SameText(circuitPath.substr(dot), ".SEN");
    return stem + (own ? ".OUT" : ".sen");
}

std::string SensitivityReportText(const std::vector<SensitivityChoice>& variables,
                                  const std::string (&outputs)[kSensitivityOutputs],
                                  const std::vector<SensitivityRow>& rows) {
    std::vector<SensitivityVariable> v;
    for (const SensitivityChoice& c : variables) v.push_back({c.name, c.parameter});
    std::vector<SensitivityOutput> o;
    for (const std::string& text : outputs) o.push_back({text, {}});
    return FormatSensitivityReport(v, o, rows);
}

std::vector<SensitivityChoice> AllSensitivityVariables(const SensitivityCircuitLink& link, bool all) {
    std::vector<SensitivityChoice> chosen;
    for (int32_t kind : {kSensComponent, kSensModel}) {
        for (const std::string& name : link.names(kind))
            for (const std::string& p : link.parameters(kind, name, all))
                chosen.push_back({name, p, kind | kSensVariableBits});
    }
    if (all)
        for (const std::string& name : link.names(kSensSymbolic))
            chosen.push_back({name, "Value", kSensSymbolic | kSensVariableBits});
    return chosen;
}

CSensitivityDlg::CSensitivityDlg(SensitivityCircuitLink link, platform::Window* parent)
    : CDialog2(SensitivityTemplate(), &sensitivityPosition, parent), link_(std::move(link)) {}

bool CSensitivityDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    const SensitivitySettings& s = *link_.settings;
    const int width = MapDialogRect(Rect{0, 0, 260, 8}).right / 3;
    InsertColumn(kOutputs, 0, "Output", width);
    InsertColumn(kOutputs, 1, "Sensitivity", width);
    InsertColumn(kOutputs, 2, "Sensitivity (%/%)", width);
    for (int row = 0; row < kSensitivityOutputs; ++row) {
        InsertRow(kOutputs, row, s.outputs[row]);
        SetCellEditable(kOutputs, row, 1, false);
        SetCellEditable(kOutputs, row, 2, false);
    }
    CheckRadioButton(kComponent, kSymbolic,
                     s.parameterType == kSensModel ? kModel : s.parameterType == kSensSymbolic ? kSymbolic : kComponent);
    CheckRadioButton(kOne, kMultiple, s.multiple ? kMultiple : kOne);
    for (int id : {kComponent, kModel, kSymbolic}) OnCommand(id, [this](int i) { OnParameterType(i); });
    for (int id : {kOne, kMultiple}) OnCommand(id, [this](int i) { OnOneMultiple(i); });
    OnCommand(kAllOn, [this](int) { SelectAll(true); });
    OnCommand(kDefault, [this](int) { SelectAll(false); });
    OnCommand(kAllOff, [this](int) {
        link_.settings->variables.clear();
        FillParameters();
    });
    OnCommand(kCalculate, [this](int) { OnCalculate(); });
    OnCommand(kClose, [this](int) { OnCancel(); });
    ShowItem(kParameter, !s.multiple);
    ShowItem(kParameters, s.multiple != 0);
    for (int id : {kAllOn, kDefault, kAllOff}) EnableItem(id, s.multiple != 0);
    FillNames();
    // The stored variable of the chosen kind is shown selected.
    for (const SensitivityChoice& c : s.variables)
        if (const int i = FindStringExact(kNames, c.name); (c.flags & ~kSensVariableBits) == s.parameterType && i >= 0) {
            SetCurSel(kNames, i);
            FillParameters();
            break;
        }
    return true;
}

void CSensitivityDlg::OnControlNotify(int id, platform::Notify code) {
    if (code != platform::Notify::SelChange) return;
    if (id == kNames) FillParameters();
    else if (id == kParameter || id == kParameters) SyncChosen();
}

std::string CSensitivityDlg::SelectedName() const {
    const int sel = CurSel(kNames);
    return sel < 0 ? std::string() : ItemString(kNames, sel);
}

void CSensitivityDlg::OnParameterType(int id) {
    link_.settings->parameterType = id == kModel ? kSensModel : id == kSymbolic ? kSensSymbolic : kSensComponent;
    if (link_.markModified) link_.markModified();
    FillNames();
}

void CSensitivityDlg::OnOneMultiple(int id) {
    const int32_t multiple = id == kMultiple ? 1 : 0;
    if (multiple != link_.settings->multiple && link_.markModified) link_.markModified();
    link_.settings->multiple = multiple;
    ShowItem(kParameter, !multiple);
    ShowItem(kParameters, multiple != 0);
    for (int b : {kAllOn, kDefault, kAllOff}) EnableItem(b, multiple != 0);
    FillParameters();
    if (!multiple) SyncChosen();
}

void CSensitivityDlg::FillNames() {
    ResetContent(kNames);
    if (link_.names)
        for (const std::string& name : link_.names(link_.settings->parameterType)) AddString(kNames, name);
    if (ItemCount(kNames) > 0 && CurSel(kNames) < 0) SetCurSel(kNames, 0);
    FillParameters();
}

// Both parameter lists show the selected name's parameters, the chosen ones selected.
void CSensitivityDlg::FillParameters() {
    const SensitivitySettings& s = *link_.settings;
    const std::string name = SelectedName();
    ResetContent(kParameter);
    ResetContent(kParameters);
    if (name.empty() || !link_.parameters) return;
    for (const std::string& p : link_.parameters(s.parameterType, name, true)) {
        const int i = AddString(kParameter, p);
        AddString(kParameters, p);
        const bool chosen = std::any_of(s.variables.begin(), s.variables.end(), [&](const SensitivityChoice& c) {
            return SameText(c.name, name) && SameText(c.parameter, p) && (c.flags & ~kSensVariableBits) == s.parameterType;
        });
        if (chosen) {
            SetSel(kParameters, i, true);
            SetCurSel(kParameter, i);
        }
    }
}

void CSensitivityDlg::SyncChosen() {
    SensitivitySettings& s = *link_.settings;
    const std::string name = SelectedName();
    if (name.empty()) return;
    const int list = ParameterList();
    std::vector<int> selected = s.multiple ? SelectedItems(list) : std::vector<int>{};
    if (!s.multiple) {
        s.variables.clear();
        if (CurSel(list) >= 0) selected.push_back(CurSel(list));
    }
    const int32_t flags = s.parameterType | kSensVariableBits;
    for (int i = 0; i < ItemCount(list); ++i) {
        const std::string p = ItemString(list, i);
        auto same = [&](const SensitivityChoice& c) {
            return SameText(c.name, name) && SameText(c.parameter, p) && c.flags == flags;
        };
        const bool on = std::find(selected.begin(), selected.end(), i) != selected.end();
        const bool present = std::any_of(s.variables.begin(), s.variables.end(), same);
        if (on && !present) s.variables.push_back({name, p, flags});
        if (!on) std::erase_if(s.variables, same);
    }
}

void CSensitivityDlg::SelectAll(bool all) {
    link_.settings->variables = AllSensitivityVariables(link_, all);
    FillParameters();
}

void CSensitivityDlg::ReadOutputs() {
    for (int row = 0; row < kSensitivityOutputs; ++row) link_.settings->outputs[row] = CellText(kOutputs, row, 0);
}

void CSensitivityDlg::OnCancel() {
    if (calculating_) return;
    ReadOutputs();
    EndDialogSavePos(2);
    if (link_.updateStatement) link_.updateStatement(AnalysisStatement::Sens, SensStatementText(link_.settings->outputs));
}

void CSensitivityDlg::OnCalculate() {
    if (calculating_) return;
    SensitivitySettings& s = *link_.settings;
    if (s.variables.empty()) {
        ReportMessage("E", kMsgNeedInputVariable);
        FocusItem(kNames);
        return;
    }
    ReadOutputs();
    if (std::all_of(std::begin(s.outputs), std::end(s.outputs), [](const std::string& o) { return o.empty(); })) {
        ReportMessage("E", kMsgNeedOutputExpression);
        FocusItem(kOutputs);
        return;
    }
    calculating_ = true;
    std::vector<SensitivityRow> rows;
    if (link_.calculate) link_.calculate(s.variables, s.outputs, &rows);
    if (link_.markModified) link_.markModified();
    calculating_ = false;
    if (s.multiple) {
        const std::string path = SensitivityReportPath(link_.circuitPath);
        std::ofstream(path, std::ios::binary) << SensitivityReportText(s.variables, s.outputs, rows);
        EndDialogSavePos(4);
        if (link_.openReport) link_.openReport(path);
        return;
    }
    for (int row = 0; row < kSensitivityOutputs; ++row) {
        const SensitivityCell* cell = !rows.empty() && row < static_cast<int>(rows[0].cells.size()) ? &rows[0].cells[row] : nullptr;
        SetCellText(kOutputs, row, 1, cell ? cell->sensitivity_text : std::string());
        SetCellText(kOutputs, row, 2, cell ? cell->relative_text : std::string());
    }
}

}  // namespace ob7
