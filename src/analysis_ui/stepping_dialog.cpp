#include "analysis_ui/stepping_dialog.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "analysis/stepping.h"
#include "analysis_ui/analysis_limits_dialog.h"
#include "analysis_ui/circuit_choices.h"
#include "analysis_ui/curve_cells.h"
#include "plots/analysis_window.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Notify;
using platform::Rect;

platform::DialogTemplate SteppingTemplate() {
    platform::DialogTemplate t{18100, "Stepping", {300, 196}, {}};
    auto& c = t.controls;
    c.push_back({ControlKind::TabControl, kStepTabs, "", Rect{6, 6, 294, 20}});
    c.push_back({ControlKind::Static, 18121, "&Step What", Rect{10, 28, 60, 38}});
    c.push_back({ControlKind::ComboDropDown, kStepName, "", Rect{62, 26, 176, 38}});
    c.push_back({ControlKind::ComboDropDown, kStepParam, "", Rect{180, 26, 290, 38}});
    c.push_back({ControlKind::Static, kStepFromLabel, "&From", Rect{10, 46, 60, 56}});
    c.push_back({ControlKind::Edit, kStepFrom, "", Rect{62, 44, 176, 56}});
    c.push_back({ControlKind::Static, kStepToLabel, "&To", Rect{10, 62, 60, 72}});
    c.push_back({ControlKind::Edit, kStepTo, "", Rect{62, 60, 176, 72}});
    c.push_back({ControlKind::Static, kStepValueLabel, "Step &Value", Rect{10, 78, 60, 88}});
    c.push_back({ControlKind::Edit, kStepValue, "", Rect{62, 76, 176, 88}});
    c.push_back({ControlKind::GroupBox, 0, "Step It", Rect{184, 42, 290, 90}});
    c.push_back({ControlKind::RadioButton, kStepYes, "Yes", Rect{192, 54, 280, 64}, platform::kCtlGroup});
    c.push_back({ControlKind::RadioButton, kStepNo, "No", Rect{192, 68, 280, 78}});
    c.push_back({ControlKind::GroupBox, 0, "Method", Rect{10, 94, 146, 140}});
    c.push_back({ControlKind::RadioButton, kStepLinearButton, "L&inear", Rect{18, 104, 140, 114}, platform::kCtlGroup});
    c.push_back({ControlKind::RadioButton, kStepLogButton, "Lo&g", Rect{18, 116, 140, 126}});
    c.push_back({ControlKind::RadioButton, kStepListButton, "List", Rect{18, 128, 140, 138}});
    c.push_back({ControlKind::GroupBox, 0, "Parameter Type", Rect{154, 94, 290, 140}});
    c.push_back({ControlKind::RadioButton, kStepComponent, "Component", Rect{162, 104, 284, 114}, platform::kCtlGroup});
    c.push_back({ControlKind::RadioButton, kStepModel, "Model", Rect{162, 116, 284, 126}});
    c.push_back({ControlKind::RadioButton, kStepSymbolic, "Symbolic", Rect{162, 128, 284, 138}});
    c.push_back({ControlKind::RadioButton, kStepSimultaneous, "Step all variables simultaneously",
                 Rect{10, 146, 200, 156}, platform::kCtlGroup});
    c.push_back({ControlKind::RadioButton, kStepNested, "Step variables in nested loops", Rect{10, 158, 200, 168}});
    c.push_back({ControlKind::DefPushButton, 1, "OK", Rect{186, 150, 236, 164}});
    c.push_back({ControlKind::PushButton, 2, "Cancel", Rect{240, 150, 290, 164}});
    c.push_back({ControlKind::Static, kStepHelpLine, "", Rect{6, 178, 294, 188}});
    return t;
}

const char* HelpText(int id) {
    switch (id) {
        case kStepName: return "The part, model, or variable name";
        case kStepParam: return "The attribute or model parameter to be stepped.";
        case kStepFrom: return "The starting value";
        case kStepTo: return "The ending value";
        case kStepValue: return "The step value";
        case kStepYes: return "Enables stepping of the parameters shown on the panel.";
        case kStepNo: return "Disables stepping of the parameters shown on the panel.";
        case kStepLinearButton: return "Steps in a linear fashion. New = Old + Step Value";
        case kStepLogButton: return "Steps in a log fashion. New = Old * Step Value ";
        case kStepListButton: return "Steps through the listed values.";
        case kStepComponent: return "Selects simple (non-model) components.";
        case kStepModel: return "Selects models.";
        case kStepSymbolic: return "Selects symbolic variables, created by .define or .param statements)";
        case kStepSimultaneous: return "Steps all variables simultaneously.";
        case kStepNested: return "Steps variables in nested loops";
        default: return "";
    }
}

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool BeginsNoCase(const std::string& text, const std::string& prefix) {
    return !prefix.empty() && text.size() >= prefix.size() && SameNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

CSteppingDlg::CSteppingDlg(AnalysisSetup& setup, StepChoices choices, int firstPage, platform::Window* parent)
    : CDialog2(SteppingTemplate(), nullptr, parent), setup_(setup), choices_(std::move(choices)),
      page_(std::clamp(firstPage, 0, kStepRecords - 1)) {}

std::string CSteppingDlg::TabTitle(int page) const {
    StepVariable v;
    v.name = work_[page].texts[0];
    v.param = work_[page].texts[1];
    return std::to_string(page + 1) + ":" + FormatStepVariableName(v, true);
}

int CSteppingDlg::TypeBits() const {
    if (IsButtonChecked(kStepComponent)) return SF_COMPONENT;
    if (IsButtonChecked(kStepModel)) return SF_MODEL;
    return SF_SYMBOLIC;
}

bool CSteppingDlg::OnInitDialog() {
    opening_ = true;
    CDialog2::OnInitDialog();
    std::copy(std::begin(setup_.steps), std::end(setup_.steps), work_.begin());
    for (int i = 0; i < kStepRecords; ++i) AddString(kStepTabs, TabTitle(i));
    SetCurSel(kStepTabs, page_);
    LoadPage(page_);
    const bool symbols = choices_.names && !choices_.names(SF_SYMBOLIC).empty();
    EnableItem(kStepSymbolic, symbols);
    CheckRadioButton(kStepSimultaneous, kStepNested, setup_.simultaneous ? kStepSimultaneous : kStepNested);
    opening_ = false;
    return true;
}

void CSteppingDlg::LoadPage(int page) {
    page_ = page;
    const StepRecord& r = work_[page];
    CheckRadioButton(kStepLinearButton, kStepListButton,
                     (r.flags & SF_LINEAR) ? kStepLinearButton : (r.flags & SF_LOG) ? kStepLogButton : kStepListButton);
    CheckRadioButton(kStepComponent, kStepSymbolic,
                     (r.flags & SF_COMPONENT) ? kStepComponent : (r.flags & SF_MODEL) ? kStepModel : kStepSymbolic);
    ApplyListRule();
    FillNames(r.texts[0]);
    FillParameters(r.texts[1], false);
    CheckRadioButton(kStepYes, kStepNo, (r.flags & SF_ENABLED) ? kStepYes : kStepNo);
    for (int i = 0; i < 5; ++i) SetItemText(kStepName + i, r.texts[i]);
}

void CSteppingDlg::SavePage() {
    StepRecord& r = work_[page_];
    for (int i = 0; i < 5; ++i) r.texts[i] = TrimBlanks(ItemText(kStepName + i));
    int flags = IsButtonChecked(kStepLogButton) ? SF_LOG : IsButtonChecked(kStepLinearButton) ? SF_LINEAR : SF_LIST;
    flags |= TypeBits();
    if (IsButtonChecked(kStepYes)) flags |= SF_ENABLED;
    r.flags = flags;
}

void CSteppingDlg::ApplyListRule() {
    const bool list = IsButtonChecked(kStepListButton);
    for (int id : {kStepTo, kStepValue, kStepToLabel, kStepValueLabel}) EnableItem(id, !list);
    SetItemText(kStepFromLabel, list ? "&List" : "&From");
}

void CSteppingDlg::FillNames(const std::string& selected) {
    ResetContent(kStepName);
    if (choices_.names)
        for (const auto& name : choices_.names(TypeBits())) AddString(kStepName, name);
    for (int i = 0; i < ItemCount(kStepName); ++i)
        if (SameNoCase(ItemString(kStepName, i), selected)) {
            SetCurSel(kStepName, i);
            return;
        }
    // A name the list does not hold stays as typed.
    SetItemText(kStepName, selected);
}

void CSteppingDlg::FillParameters(const std::string& text, bool refresh) {
    const std::string remembered =
        refresh && CurSel(kStepParam) >= 0 ? ItemString(kStepParam, CurSel(kStepParam)) : text;
    const std::string typed = ItemText(kStepParam);
    ResetContent(kStepParam);
    if (TypeBits() == SF_SYMBOLIC) {
        SetItemText(kStepParam, "");
        EnableItem(kStepParam, false);
        return;
    }
    EnableItem(kStepParam, true);
    const int chosen = CurSel(kStepName);
    if (chosen < 0 || !choices_.parameters) return;
    for (const auto& p : choices_.parameters(TypeBits(), ItemString(kStepName, chosen))) AddString(kStepParam, p);
    const int count = ItemCount(kStepParam);
    int pick = -1;
    for (int i = 0; i < count && pick < 0; ++i)
        if (SameNoCase(ItemString(kStepParam, i), remembered)) pick = i;
    for (int i = 0; i < count && pick < 0; ++i)
        if (BeginsNoCase(ItemString(kStepParam, i), remembered)) pick = i;
    for (int i = 0; i < count && pick < 0; ++i)
        if (BeginsNoCase(ItemString(kStepParam, i), text)) pick = i;
    if (pick < 0 && count > 0) pick = 0;
    if (pick >= 0) {
        SetCurSel(kStepParam, pick);
        SetItemText(kStepParam, ItemString(kStepParam, pick));
    } else {
        SetItemText(kStepParam, typed);
    }
}

void CSteppingDlg::KeepValidSelection(int id) {
    const int count = ItemCount(id);
    if (count == 0) return;
    const std::string typed = TrimBlanks(ItemText(id));
    int pick = -1;
    for (int i = 0; i < count && pick < 0; ++i)
        if (SameNoCase(ItemString(id, i), typed)) pick = i;
    for (int i = 0; i < count && pick < 0; ++i)
        if (BeginsNoCase(ItemString(id, i), typed)) pick = i;
    if (pick < 0) pick = 0;
    SetCurSel(id, pick);
    SetItemText(id, ItemString(id, pick));
}

void CSteppingDlg::Retitle() {
    work_[page_].texts[0] = TrimBlanks(ItemText(kStepName));
    work_[page_].texts[1] = TrimBlanks(ItemText(kStepParam));
    // The tab bar has no item text setter: its tab is replaced in place.
    DeleteString(kStepTabs, page_);
    InsertString(kStepTabs, page_, TabTitle(page_));
    SetCurSel(kStepTabs, page_);
}

void CSteppingDlg::OnControlNotify(int id, Notify code) {
    if (opening_) return;
    if (id == kStepTabs && code == Notify::SelChange) {
        const int next = CurSel(kStepTabs);
        if (next < 0 || next == page_) return;
        SavePage();
        opening_ = true;
        const int old = page_;
        DeleteString(kStepTabs, old);
        InsertString(kStepTabs, old, TabTitle(old));
        SetCurSel(kStepTabs, next);
        LoadPage(next);
        opening_ = false;
        return;
    }
    if (code == Notify::Clicked && (id == kStepComponent || id == kStepModel || id == kStepSymbolic)) {
        FillNames(TrimBlanks(ItemText(kStepName)));
        FillParameters(ItemText(kStepParam), true);
        Retitle();
        return;
    }
    if (code == Notify::Clicked && (id == kStepLinearButton || id == kStepLogButton || id == kStepListButton)) {
        ApplyListRule();
        return;
    }
    if (id == kStepName && (code == Notify::KillFocus || code == Notify::SelChange)) {
        if (code == Notify::SelChange && CurSel(id) >= 0) SetItemText(id, ItemString(id, CurSel(id)));
        KeepValidSelection(kStepName);
        FillParameters(ItemText(kStepParam), true);
        Retitle();
        return;
    }
    if (id == kStepParam && (code == Notify::KillFocus || code == Notify::SelChange)) {
        if (code == Notify::SelChange && CurSel(id) >= 0) SetItemText(id, ItemString(id, CurSel(id)));
        else KeepValidSelection(kStepParam);
        Retitle();
    }
}

void CSteppingDlg::OnControlHover(int id) { SetItemText(kStepHelpLine, HelpText(id)); }

void CSteppingDlg::OnOK() {
    SavePage();
    bool anyOn = false;
    for (int i = 0; i < kStepRecords; ++i) {
        setup_.steps[i].texts[0] = work_[i].texts[0];
        for (int t = 1; t < 5; ++t) setup_.steps[i].texts[t] = work_[i].texts[t];
        setup_.steps[i].flags = work_[i].flags;
        anyOn = anyOn || (work_[i].flags & SF_ENABLED);
    }
    // Stepping and Monte Carlo exclude each other.
    if (anyOn) setup_.monteCarloFlags &= ~kMonteCarloOn;
    setup_.simultaneous = IsButtonChecked(kStepSimultaneous) ? 1 : 0;
    if (documentChanged) documentChanged();
    CDialog2::OnOK();
}

namespace {
int pageToShow = 0;
}  // namespace

void SetSteppingDialogPage(int page) { pageToShow = std::clamp(page, 0, kStepRecords - 1); }
int SteppingDialogPage() { return pageToShow; }

int ShowSteppingDialog(AnalysisSetup& setup, int kind, StepChoices choices, std::function<void()> documentChanged) {
    if (kind < 0 || kind > 2) return -1;
    CloseAnalysisLimits();
    CSteppingDlg dialog(setup, std::move(choices), pageToShow);
    dialog.documentChanged = std::move(documentChanged);
    return dialog.DoModal();
}

void ConnectSteppingDialog(CG2DFrame& frame, std::function<AnalysisSetup&(int kind)> setupOf,
                           std::function<StepChoices()> choicesOf, std::function<void()> documentChanged) {
    frame.openStepping = [setupOf = std::move(setupOf), choicesOf = std::move(choicesOf),
                          documentChanged = std::move(documentChanged)](int kind) {
        ShowSteppingDialog(setupOf(kind), kind, choicesOf ? choicesOf() : StepChoices{}, documentChanged);
    };
}

StepChoices MakeStepChoices(CircuitChoices choices) {
    auto shared = std::make_shared<CircuitChoices>(std::move(choices));
    StepChoices out;
    out.names = [shared](int type) {
        std::vector<std::string> names;
        if (type & SF_COMPONENT) names = shared->valueParts;
        else if (type & SF_MODEL)
            for (const auto& [t, name] : shared->models) names.push_back(t + " " + name);
        else if (type & SF_SYMBOLIC) names = shared->symbols;
        return names;
    };
    out.parameters = [shared](int type, const std::string& name) {
        std::vector<std::string> params;
        if (type & SF_COMPONENT) {
            // A SPICE source or MOSFET offers its own parameters in place of "Value".
            for (const auto& [part, names] : shared->sourceParameters)
                if (strcasecmp(part.c_str(), name.c_str()) == 0) return names;
            params.push_back("Value");
        }
        else if (type & SF_MODEL) ModelStepParameters(name.substr(0, name.find(' ')), false, params);
        return params;
    };
    return out;
}

}  // namespace ob7
