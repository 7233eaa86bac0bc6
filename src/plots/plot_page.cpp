#include "plots/plot_page.h"

#include <strings.h>

namespace ob7 {

CPlotPage::CPlotPage(platform::DialogTemplate tmpl) : CPropertyPage2(std::move(tmpl)) {}

void CPlotPage::LoadTitle() {
    if (!view) return;
    titleText = openingTitle = view->title;
    autoTitle = openingAuto = view->autoTitle;
    SetItemText(kPlotTitleEdit, autoTitle ? AutomaticTitle() : titleText);
    EnableItem(kPlotTitleEdit, !autoTitle);
    CheckButton(kPlotTitleAuto, autoTitle ? 1 : 0);
}

void CPlotPage::StoreTitle() {
    if (!view) return;
    view->autoTitle = autoTitle;
    std::string text = ItemText(kPlotTitleEdit);
    view->title = text.substr(0, 99);
}

void CPlotPage::RestoreTitle() {
    if (!view) return;
    view->autoTitle = openingAuto;
    view->title = openingTitle;
}

void CPlotPage::FillCurveCombo(int combo, const std::vector<std::string>& texts, const std::string& selected,
                               int defaultIndex) {
    ResetContent(combo);
    int found = -1;
    for (size_t i = 0; i < texts.size(); ++i) {
        AddString(combo, texts[i]);
        if (found < 0 && strcasecmp(texts[i].c_str(), selected.c_str()) == 0) found = static_cast<int>(i);
    }
    if (found < 0) found = defaultIndex >= 0 && defaultIndex < static_cast<int>(texts.size()) ? defaultIndex : 0;
    if (!texts.empty()) SetCurSel(combo, found);
}

std::string CPlotPage::AxisChoiceName(int choice, const StepSet* steps) {
    if (choice == kAxisChoiceTemperature) return "Temperature";
    if (choice == kAxisChoiceCase) return "Case";
    if (choice >= kAxisChoiceStep && choice < kAxisChoiceStep + kStepVariables && steps)
        return FormatStepVariableName(steps->variables[choice - kAxisChoiceStep], false);
    return {};
}

bool CPlotPage::NeedsLargePlotTemplate(const StepSet& steps, bool steppingActive) {
    if (steps.simultaneous && steppingActive) return false;
    for (int i = 10; i < kStepVariables; ++i)
        if (steps.variables[i].settings & kStepBitOn) return true;
    return false;
}

void CPlotPage::OnControlNotify(int id, platform::Notify code) {
    if (id == kPlotTitleAuto && code == platform::Notify::Clicked) {
        autoTitle = IsButtonChecked(kPlotTitleAuto);
        if (autoTitle) {
            titleText = ItemText(kPlotTitleEdit);
            SetItemText(kPlotTitleEdit, AutomaticTitle());
        }
        EnableItem(kPlotTitleEdit, !autoTitle);
        SetModified(true);
        return;
    }
    CPropertyPage2::OnControlNotify(id, code);
}

}  // namespace ob7
