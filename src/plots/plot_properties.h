#pragma once
// The properties sheet of a 2-D plot ("Properties", F10): it edits copies of the view's
// curves (workGraphs) on its Plot, Scales and Formats, and Colors, Fonts, and Lines
// pages, and the view takes them on Apply Now or OK; Cancel puts back the curves as they
// were when the sheet opened. OK on an analysis plot also writes the edits into the
// analysis' curve rows, so that the next run and the circuit keep them.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plots/graph_record.h"
#include "plots/plot_page.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

class CAPDraw;
class CG2DPropSheet;
class CG2DFormatPage;
class CG2DColorPage;
class CG2DNumOutPage;

// What the sheet needs from outside the view.
struct PlotPropertiesHost {
    // The curve rows of the view's analysis (null: none to write back).
    std::function<std::vector<CurveRowRecord>*()> curveRows;
    std::function<void()> closeLimits;    // the Analysis Limits dialog closes first
    std::function<void()> refreshLimits;  // its curve grid shows the written rows
    std::function<void()> changed;        // the circuit is marked modified
    // Makes the view's curves from the analysis' curve rows when it has none yet (before
    // the first run). 0, or the code of the failure after its report.
    std::function<int()> buildGraphs;
};

// Control ids of the Plot page.
enum PlotPropertiesPlotControl : int {
    kPropCurveList = 20202, kPropShow = 20203, kPropPlotGroup = 20204, kPropPlotType = 1264
};

class CG2DPlotPage : public CPlotPage {
public:
    explicit CG2DPlotPage(CG2DPropSheet& sheet);
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnControlNotify(int id, platform::Notify code) override;
    std::string AutomaticTitle() override;
    // The list and the controls of the selected curve, from the working copies.
    void Refresh();
    // The Plot Type can be chosen (2-D AC plots only).
    bool PlotTypeEditable() const;

private:
    void ShowSelected();
    void ApplyGraphs(const std::vector<GraphRecord>& graphs);
    CG2DPropSheet& sheet_;
};

class CG2DPropSheet : public CPropertySheet2 {
public:
    // Apply Now leaves this in `state`.
    static constexpr int kStateApplied = 12321;

    CG2DPropSheet(CAPDraw& view, PlotPropertiesHost host = {});
    ~CG2DPropSheet() override;

    CAPDraw& view;
    PlotPropertiesHost host;
    int state = -1;  // -1 open, 12321 after Apply Now, 1 OK, 2 Cancel
    std::vector<GraphRecord> origGraphs, workGraphs;
    int selectedCurve = 0;
    std::unique_ptr<CG2DPlotPage> plotPage;
    std::unique_ptr<CG2DFormatPage> formatPage;
    std::unique_ptr<CG2DColorPage> colourPage;
    std::unique_ptr<CG2DNumOutPage> headerPage;  // 2-D analysis plots outside probe mode
    std::unique_ptr<CPropertyPage2> toolBarPage;  // the window's own bar, when it has one

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // Apply Now: every page applies, the view repaints, the working copies are taken from
    // the view again and the pages show them.
    void ApplyNow();
    // After the view took the edits: the Limits dialog's grid, the group numbers, the
    // repaint and the circuit's modified mark.
    void RefreshView();

private:
    bool AnalysisPlotOutsideProbe() const;
    // OK on an analysis plot: the edits go into the curve rows.
    void WriteBackRows();
};

// The Properties command of a plot view: nothing while a run goes or is paused; else the
// sheet runs modally. The dialog's result (1 OK, 2 Cancel), or 0 when it did not open.
int RunPlotProperties(CAPDraw& view, const PlotPropertiesHost& host);

}  // namespace ob7
