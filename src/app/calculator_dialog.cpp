#include "app/calculator_dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "app/calculator.h"
#include "platform/application.h"

namespace ob7 {

namespace {

constexpr int kFormula = 10, kResult = 101, kScientific = 5801, kEngineering = 5802, kDefault = 5803,
              kDigits = 5804, kVariable = 17331, kCalculate = 17332, kDifferentiate = 17333, kClose = 23;

CCalculatorDlg* openCalculator = nullptr;
std::string lastFormula;

platform::DialogTemplate CalculatorTemplate() {
    using platform::ControlKind;
    platform::DialogTemplate t;
    t.id = 17330;
    t.caption = "Calculator";
    t.size = {260, 150};
    t.controls = {
        {ControlKind::Static, 0, "Formula", {8, 8, 100, 16}},
        {ControlKind::ComboDropDown, kFormula, "", {8, 18, 252, 30}},
        {ControlKind::Static, 0, "Result", {8, 36, 100, 44}},
        {ControlKind::Edit, kResult, "", {8, 46, 252, 58}, platform::kCtlReadOnly},
        {ControlKind::GroupBox, 0, "Format", {8, 64, 130, 118}},
        {ControlKind::RadioButton, kScientific, "&Scientific", {14, 74, 80, 84}, platform::kCtlGroup},
        {ControlKind::RadioButton, kEngineering, "&Engineering", {14, 86, 80, 96}},
        {ControlKind::RadioButton, kDefault, "De&fault", {14, 98, 80, 108}},
        {ControlKind::Static, 0, "Digits", {86, 74, 124, 82}},
        {ControlKind::Edit, kDigits, "", {86, 84, 124, 96}},
        {ControlKind::Static, 0, "Differentiate With Respect To", {138, 66, 252, 74}},
        {ControlKind::Edit, kVariable, "", {138, 76, 252, 88}},
        {ControlKind::PushButton, kDifferentiate, "&Differentiate", {138, 94, 194, 108}},
        {ControlKind::DefPushButton, kCalculate, "&Calculate", {138, 128, 194, 142}},
        {ControlKind::PushButton, kClose, "&Close", {198, 128, 252, 142}},
    };
    return t;
}

}  // namespace

CCalculatorDlg::CCalculatorDlg() : CDialog2(CalculatorTemplate()) {
    OnCommand(kCalculate, [this](int) { Evaluate(0); });
    OnCommand(kDifferentiate, [this](int) { Evaluate(1); });
    OnCommand(kClose, [this](int) { OnCancel(); });
    for (int id : {kScientific, kEngineering, kDefault})
        OnCommand(id, [this](int) { Evaluate(derivative_); });
}

bool CCalculatorDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    helpId = 17330;
    busy_ = 1;
    ShowFormat();
    FillHistory();
    SetItemText(kFormula, lastFormula);
    busy_ = 0;
    return true;
}

void CCalculatorDlg::FillHistory() {
    ResetContent(kFormula);
    CRecentList& history = CalculatorHistory();
    for (int i = 0; i < history.Count(); ++i)
        if (!history.Name(i).empty()) AddString(kFormula, history.Name(i));
    if (history.Count() > 0) SetItemText(kVariable, history.Second(0));
}

void CCalculatorDlg::ShowFormat() {
    const std::string& f = CalculatorFormat;
    int digits = std::atoi(f.c_str());
    char style = f.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(f.back())));
    CheckRadioButton(kScientific, kDefault, style == 'E' ? kScientific : style == 'G' ? kDefault : kEngineering);
    SetItemText(kDigits, std::to_string(digits));
}

void CCalculatorDlg::ReadFormat() {
    int digits = std::clamp(std::atoi(ItemText(kDigits).c_str()), 0, 16);
    std::string style = IsButtonChecked(kScientific) ? "e" : IsButtonChecked(kDefault) ? "g" : "";
    CalculatorFormat = std::to_string(digits) + style;
}

void CCalculatorDlg::OnControlNotify(int id, platform::Notify code) {
    if (id == kFormula && code == platform::Notify::SelChange) {
        std::string chosen = ItemText(kFormula);
        CRecentList& history = CalculatorHistory();
        for (int i = 0; i < history.Count(); ++i)
            if (history.Name(i) == chosen) SetItemText(kVariable, history.Second(i));
    } else if (id == kDigits && code == platform::Notify::Changed && !busy_) {
        Evaluate(derivative_);
    }
}

void CCalculatorDlg::Evaluate(int derivative) {
    derivative_ = derivative;
    std::string formula = ItemText(kFormula).substr(0, 200);
    if (formula.empty()) return;
    lastFormula = formula;
    busy_ = 1;
    ReadFormat();
    busy_ = 0;
    std::string variable;
    if (derivative) {
        variable = ItemText(kVariable).substr(0, 100);
        variable.erase(0, variable.find_first_not_of(' '));
        variable.erase(variable.find_last_not_of(' ') + 1);
    }
    std::string result;
    int code = EvaluateCalculatorText(formula, derivative ? &variable : nullptr, result);
    if (code == 0) {
        CalculatorHistory().AddToTop(formula.c_str(), 0, derivative ? variable.c_str() : "");
        busy_ = 1;
        FillHistory();
        busy_ = 0;
    } else {
        busy_ = 1;  // a change of the digits does not evaluate a failed formula again
    }
    SetItemText(kFormula, formula);
    SetItemText(kResult, result);
    if (derivative) SetItemText(kVariable, variable);
    if (FocusedItem() != kDigits) FocusItem(kFormula);
}

void CCalculatorDlg::OnCancel() {
    SavePosition();
    Destroy();
}

void CCalculatorDlg::OnDestroy() {
    if (openCalculator == this) {
        openCalculator = nullptr;
        platform::Application* app = platform::Application::Instance();
        if (app) app->Post([self = this] { delete self; });
    }
}

CCalculatorDlg* OpenCalculatorWindow() { return openCalculator; }

CCalculatorDlg* OpenCalculator() {
    if (openCalculator) {
        openCalculator->Show(true);
        openCalculator->FocusItem(kFormula);
        return openCalculator;
    }
    openCalculator = new CCalculatorDlg;
    if (!openCalculator->CreateModeless()) {
        delete openCalculator;
        openCalculator = nullptr;
    }
    return openCalculator;
}

}  // namespace ob7
