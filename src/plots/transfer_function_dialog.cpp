#include "plots/transfer_function_dialog.h"

#include <strings.h>

#include <algorithm>

#include "circuit/circuit_document.h"
#include "ui/framework/dialog_templates.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;
using Dlg = CTransferFunctionDlg;

constexpr size_t kOutputChars = 100, kSourceChars = 50;
constexpr const char* kResultPrefix = "Output Expression =";

RememberedPosition transferPosition;

platform::DialogTemplate TransferTemplate() {
    return platform::DialogTemplate{Dlg::kTemplate, "Transfer Function", {262, 122}, {
        {ControlKind::Static, -1, "Output Expression", Rect{8, 8, 90, 18}},
        {ControlKind::ComboDropDown, Dlg::kOutput, "", Rect{92, 6, 200, 19}},
        {ControlKind::Static, -1, "Input Source Name", Rect{8, 26, 90, 36}},
        {ControlKind::ComboDropDown, Dlg::kSource, "", Rect{92, 24, 200, 37}},
        {ControlKind::Static, -1, "Transfer Function", Rect{8, 48, 90, 58}},
        {ControlKind::Edit, Dlg::kTransfer, "", Rect{92, 46, 200, 58}, platform::kCtlReadOnly},
        {ControlKind::Static, -1, "Input Impedance", Rect{8, 66, 90, 76}},
        {ControlKind::Edit, Dlg::kInputImpedance, "", Rect{92, 64, 200, 76}, platform::kCtlReadOnly},
        {ControlKind::Static, -1, "Output Impedance", Rect{8, 84, 90, 94}},
        {ControlKind::Edit, Dlg::kOutputImpedance, "", Rect{92, 82, 200, 94}, platform::kCtlReadOnly},
        {ControlKind::CheckBox, Dlg::kPlaceText, "Place Text", Rect{92, 102, 200, 112}},
        {ControlKind::DefPushButton, Dlg::kCalculate, "Calculate", Rect{208, 6, 254, 20}},
        {ControlKind::PushButton, Dlg::kClose, "&Close", Rect{208, 24, 254, 38}},
        {ControlKind::PushButton, kIdHelp, "&Help...", Rect{208, 42, 254, 56}},
    }};
}

}  // namespace

std::string ComposeTfText(const std::string& output, const std::string& source, const TfResult& r) {
    std::string text = std::string(kResultPrefix) + output + "\r\nInput Source Name =" + source;
    if (!r.transfer_function_text.empty()) text += "\r\nTransfer Function =" + r.transfer_function_text;
    if (!r.input_impedance_text.empty()) text += "\r\nInput Impedance =" + r.input_impedance_text;
    if (!r.output_impedance_text.empty()) text += "\r\nOutput Impedance =" + r.output_impedance_text;
    return text;
}

bool IsTfResultText(const std::string& text) {
    const size_t n = std::char_traits<char>::length(kResultPrefix);
    return text.size() >= n && strncasecmp(text.c_str(), kResultPrefix, n) == 0;
}

GridText& PlaceTfText(CircuitDocument& doc, const std::string& text, int page) {
    for (const auto& t : doc.gridTexts)
        if (!(t->textFlags & GT_FLAG) && IsTfResultText(t->text)) {
            t->text = text;
            UpdateNodeLabelFlag(*t);
            doc.MarkModified();
            return *t;
        }
    GridText& placed = doc.AddGridText(text, 2, 13, page);
    doc.MarkModified();
    return placed;
}

void AddRecentTfOutput(TransferFunctionSettings& s, const std::string& output) {
    if (output.empty()) return;
    std::erase_if(s.outputs, [&](const std::string& o) { return strcasecmp(o.c_str(), output.c_str()) == 0; });
    s.outputs.insert(s.outputs.begin(), output);
    if (s.outputs.size() > static_cast<size_t>(kTransferOutputSlots)) s.outputs.resize(kTransferOutputSlots);
}

CTransferFunctionDlg::CTransferFunctionDlg(TfCircuitLink link, platform::Window* parent)
    : CDialog2(TransferTemplate(), &transferPosition, parent), link_(std::move(link)) {}

bool CTransferFunctionDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    SetEditLimit(kOutput, static_cast<int>(kOutputChars));
    SetEditLimit(kSource, static_cast<int>(kSourceChars) - 1);
    FillOutputs();
    for (const std::string& name : link_.sourceNames) AddString(kSource, name);
    SetItemText(kSource, link_.settings->inputSource);
    CheckButton(kPlaceText, link_.schematic && link_.settings->placeText ? 1 : 0);
    EnableItem(kPlaceText, link_.schematic);
    OnCommand(kCalculate, [this](int) { OnCalculate(); });
    OnCommand(kClose, [this](int) { OnCancel(); });
    return true;
}

void CTransferFunctionDlg::FillOutputs() {
    const std::string text = ItemText(kOutput);
    ResetContent(kOutput);
    for (const std::string& o : link_.settings->outputs) AddString(kOutput, o);
    SetItemText(kOutput, !text.empty() || link_.settings->outputs.empty() ? text : link_.settings->outputs.front());
}

void CTransferFunctionDlg::OnCancel() {
    EndDialogSavePos(2);
    if (link_.updateStatement) link_.updateStatement(AnalysisStatement::Tf, TfStatementText(*link_.settings));
}

void CTransferFunctionDlg::OnCalculate() {
    TransferFunctionSettings& s = *link_.settings;
    if (link_.schematic) s.placeText = IsButtonChecked(kPlaceText);
    if (link_.markModified) link_.markModified();
    const std::string output = ItemText(kOutput).substr(0, kOutputChars);
    s.inputSource = ItemText(kSource).substr(0, kSourceChars - 1);
    TfResult result;
    const int code = link_.calculate ? link_.calculate(output, s.inputSource, &result) : 0;
    SetItemText(kTransfer, result.transfer_function_text);
    SetItemText(kInputImpedance, result.input_impedance_text);
    SetItemText(kOutputImpedance, result.output_impedance_text);
    SetItemText(kOutput, output);
    if (link_.schematic && s.placeText && link_.placeText)
        link_.placeText(ComposeTfText(output, s.inputSource, result));
    if (code) {
        EndDialogSavePos(4);
        return;
    }
    AddRecentTfOutput(s, output);
    FillOutputs();
}

}  // namespace ob7
