#include "netlist/views/refresh_models_dialog.h"

#include "foundation/string_table.h"
#include "netlist/circuit_services.h"

namespace ob7 {

using platform::ControlKind;
using platform::DialogTemplate;
using platform::Rect;

namespace {

RememberedPosition refreshPosition;

DialogTemplate RefreshModelsTemplate() {
    return DialogTemplate{kRefreshModelsTemplate, "Refresh Models", {186, 98}, {
        {ControlKind::GroupBox, 100, "Type", Rect{7, 5, 91, 50}},
        {ControlKind::CheckBox, kIdRefreshModelStatements, "Model Statements", Rect{13, 18, 88, 29}},
        {ControlKind::CheckBox, kIdRefreshSubcircuits, "Subcircuits ", Rect{13, 33, 88, 44}},
        {ControlKind::GroupBox, 101, "Action", Rect{96, 5, 179, 50}},
        {ControlKind::RadioButton, kIdRefreshAdd, "Add", Rect{102, 18, 175, 29}, platform::kCtlGroup},
        {ControlKind::RadioButton, kIdRefreshUpdate, "Update", Rect{102, 33, 175, 44}},
        {ControlKind::DefPushButton, 1, "OK", Rect{21, 56, 71, 70}},
        {ControlKind::PushButton, 2, "Cancel", Rect{75, 56, 125, 70}},
        {ControlKind::PushButton, 9, "&Help...", Rect{129, 56, 179, 70}},
        {ControlKind::Static, kIdRefreshPrompt, "", Rect{7, 75, 179, 94}},
    }};
}

}  // namespace

CRefreshModelsDlg::CRefreshModelsDlg(RefreshChoice& choice, platform::Window* parent)
    : CDialog2(RefreshModelsTemplate(), &refreshPosition, parent), choice_(choice) {}

bool CRefreshModelsDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    CheckButton(kIdRefreshModelStatements, choice_.modelStatements ? 1 : 0);
    CheckButton(kIdRefreshSubcircuits, choice_.subcircuits ? 1 : 0);
    CheckRadioButton(kIdRefreshAdd, kIdRefreshUpdate, choice_.update ? kIdRefreshUpdate : kIdRefreshAdd);
    return true;
}

void CRefreshModelsDlg::OnOK() {
    choice_.modelStatements = IsButtonChecked(kIdRefreshModelStatements) != 0;
    choice_.subcircuits = IsButtonChecked(kIdRefreshSubcircuits) != 0;
    choice_.update = IsButtonChecked(kIdRefreshUpdate) != 0;
    CDialog2::OnOK();
}

void CRefreshModelsDlg::OnControlHover(int id) {
    const int help = id ? HelpIdOfControl(*this, id) : 0;
    const char* prompt = help ? FindResString(help) : nullptr;
    SetItemText(kIdRefreshPrompt, prompt ? prompt : "");
}

bool AskRefreshModels(RefreshChoice& choice, platform::Window* parent) {
    CRefreshModelsDlg dialog(choice, parent);
    return dialog.DoModal() == 1;
}

int OnRefreshModels(NetlistCircuit& c, platform::Window* parent, const std::function<void()>& beforeChange) {
    if (c.tables.services->AnalysisKind() != -1) return 0;
    RefreshChoice choice;
    if (!AskRefreshModels(choice, parent)) return 0;
    if (beforeChange) beforeChange();
    return RefreshModels(c, choice);
}

}  // namespace ob7
