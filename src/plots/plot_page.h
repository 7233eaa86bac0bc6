#pragma once
// CPlotPage: the property-page base of every page that defines what a plot shows. It
// owns the plot title with its "Auto" box, the curve combo, and the names of the axis
// choices; the pages derived from it add their own controls and the automatic title.

#include <string>
#include <vector>

#include "analysis/stepping.h"
#include "plots/analysis_view.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

// Control ids the base handles.
enum PlotPageControl : int {
    kPlotTitleEdit = 20300, kPlotTitleAuto = 20301, kPlotTemperatureLabel = 20500, kPlotTemperatureCombo = 20501,
    kPlotCurveCombo = 20545, kPlotGetButton = 20555, kPlotExpressionEdit = 20556
};

// Axis choices carried as item data of the axis combos.
enum AxisChoiceKind : int { kAxisChoiceTemperature = 1, kAxisChoiceOwnX = 2, kAxisChoiceCase = 3, kAxisChoiceStep = 1000 };

class CPlotPage : public CPropertyPage2 {
public:
    explicit CPlotPage(platform::DialogTemplate tmpl);

    CANDraw* view = nullptr;
    std::string titleText, openingTitle;
    int autoTitle = 0, openingAuto = 0;
    int performance = 0;
    int steppedComboCount = 20;
    int busy = 0;

    // The title and the "Auto" box from the view; with Auto the automatic title fills
    // the edit, which is then read-only.
    void LoadTitle();
    // The view's title and auto flag from the page (the title up to 99 characters).
    void StoreTitle();
    // The view's title and auto flag as they were when the page opened (Cancel).
    void RestoreTitle();
    // The automatic title of the derived page.
    virtual std::string AutomaticTitle() { return titleText; }

    // Lists the texts in the combo and selects the entry equal to selected (any case),
    // else the default index, else the first entry.
    void FillCurveCombo(int combo, const std::vector<std::string>& texts, const std::string& selected,
                        int defaultIndex);
    // "Temperature" for 1, "Case" for 3, the variable's name for 1000..1019, else empty.
    static std::string AxisChoiceName(int choice, const StepSet* steps);
    // The 20-combo templates are needed when a variable above the tenth is enabled and
    // the variables do not step together.
    static bool NeedsLargePlotTemplate(const StepSet& steps, bool steppingActive);

    void OnControlNotify(int id, platform::Notify code) override;
};

}  // namespace ob7
