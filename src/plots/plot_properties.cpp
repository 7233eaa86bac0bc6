#include "plots/plot_properties.h"

#include <strings.h>

#include "plots/plot_colour_page.h"
#include "plots/plot_format_page.h"
#include "plots/plot_groups.h"
#include "plots/plot_header_page.h"
#include "plots/plot_view.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;

platform::DialogTemplate PlotPageTemplate() {
    return platform::DialogTemplate{15684, "Plot", {260, 160}, {
        {ControlKind::Static, 100, "Title", Rect{8, 10, 40, 20}},
        {ControlKind::Edit, kPlotTitleEdit, "", Rect{42, 8, 206, 22}},
        {ControlKind::CheckBox, kPlotTitleAuto, "Auto", Rect{212, 10, 252, 20}},
        {ControlKind::Static, 101, "Curves", Rect{8, 30, 120, 40}},
        {ControlKind::ListBox, kPropCurveList, "", Rect{8, 42, 150, 152}},
        {ControlKind::CheckBox, kPropShow, "Show", Rect{160, 44, 252, 56}},
        {ControlKind::Static, 102, "Plot Group", Rect{160, 64, 252, 74}},
        {ControlKind::ComboList, kPropPlotGroup, "", Rect{160, 76, 210, 90}},
        {ControlKind::Static, 103, "Plot Type", Rect{160, 96, 252, 106}},
        {ControlKind::ComboList, kPropPlotType, "", Rect{160, 108, 252, 122}},
    }};
}

// Two curves may share a pane when their charts, scales and X expressions agree.
bool FitsTheGroup(const GraphRecord& a, const GraphRecord& b, bool compareCharts) {
    if (compareCharts && a.chartKind != b.chartKind) return false;
    if (a.axis[kXAxis].linear != b.axis[kXAxis].linear || a.axis[kYAxis].linear != b.axis[kYAxis].linear) return false;
    return strcasecmp(a.xCaption.c_str(), b.xCaption.c_str()) == 0;
}

}  // namespace

// ---- Plot page ----------------------------------------------------------------------------

CG2DPlotPage::CG2DPlotPage(CG2DPropSheet& sheet) : CPlotPage(PlotPageTemplate()), sheet_(sheet) {
    view = &sheet.view;
}

bool CG2DPlotPage::PlotTypeEditable() const {
    return sheet_.view.drawType == kDraw2DPlot && sheet_.view.viewKind == 1 && !Shell.activeViewProbeMode;
}

std::string CG2DPlotPage::AutomaticTitle() { return sheet_.view.GetPlotTitle(true, true); }

bool CG2DPlotPage::OnInitDialog() {
    CPlotPage::OnInitDialog();
    for (int g = 1; g <= 9; ++g) AddString(kPropPlotGroup, std::to_string(g));
    if (PlotTypeEditable()) {
        for (const char* kind : {"Rectangular", "Polar", "Smith Chart"}) AddString(kPropPlotType, kind);
    } else {
        AddString(kPropPlotType, "Rectangular");
        SetCurSel(kPropPlotType, 0);
        EnableItem(kPropPlotType, false);
    }
    const bool graphs = !sheet_.workGraphs.empty();
    for (int id : {static_cast<int>(kPropCurveList), static_cast<int>(kPropPlotGroup), static_cast<int>(kPropShow)})
        EnableItem(id, graphs);
    LoadTitle();
    Refresh();
    return true;
}

void CG2DPlotPage::Refresh() {
    if (!IsCreated()) return;
    ResetContent(kPropCurveList);
    for (const GraphRecord& g : sheet_.workGraphs) AddString(kPropCurveList, g.caption);
    if (!sheet_.workGraphs.empty()) SetCurSel(kPropCurveList, sheet_.selectedCurve);
    ShowSelected();
}

void CG2DPlotPage::ShowSelected() {
    const int c = sheet_.selectedCurve;
    if (c < 0 || c >= static_cast<int>(sheet_.workGraphs.size())) return;
    const GraphRecord& g = sheet_.workGraphs[c];
    CheckButton(kPropShow, g.hidden ? 0 : 1);
    SetCurSel(kPropPlotGroup, g.plotGroup - 1);
    if (PlotTypeEditable()) SetCurSel(kPropPlotType, g.chartKind);
}

void CG2DPlotPage::OnControlNotify(int id, platform::Notify code) {
    using platform::Notify;
    std::vector<GraphRecord>& work = sheet_.workGraphs;
    const int c = sheet_.selectedCurve;
    const bool valid = c >= 0 && c < static_cast<int>(work.size());
    if (id == kPropCurveList && code == Notify::SelChange) {
        if (CurSel(kPropCurveList) >= 0) sheet_.selectedCurve = CurSel(kPropCurveList);
        ShowSelected();
    } else if (id == kPropShow && code == Notify::Clicked && valid) {
        work[c].hidden = IsButtonChecked(kPropShow) ? 0 : 1;
        SetModified(true);
    } else if (id == kPropPlotType && code == Notify::SelChange && valid && PlotTypeEditable()) {
        const int kind = CurSel(kPropPlotType);
        for (GraphRecord& g : work)
            if (g.plotGroup == work[c].plotGroup) g.chartKind = kind;
        SetModified(true);
    } else if (id == kPropPlotGroup && code == Notify::SelChange && valid) {
        const int group = CurSel(kPropPlotGroup) + 1;
        if (group == work[c].plotGroup) return;
        for (size_t o = 0; o < work.size(); ++o) {
            if (static_cast<int>(o) == c || work[o].plotGroup != group) continue;
            if (!FitsTheGroup(work[c], work[o], PlotTypeEditable())) {
                SetCurSel(kPropPlotGroup, work[c].plotGroup - 1);  // refused, silently
                return;
            }
        }
        work[c].plotGroup = group;
        SetModified(true);
    } else {
        CPlotPage::OnControlNotify(id, code);
    }
}

void CG2DPlotPage::ApplyGraphs(const std::vector<GraphRecord>& graphs) {
    PlotData& data = sheet_.view.data;
    for (size_t c = 0; c < graphs.size() && c < data.curves.size(); ++c) {
        GraphRecord& g = data.curves[c];
        g.plotGroup = graphs[c].plotGroup;
        g.hidden = graphs[c].hidden;
        if (PlotTypeEditable()) g.chartKind = graphs[c].chartKind;
        g.caption = graphs[c].caption;
        g.xCaption = graphs[c].xCaption;
    }
}

bool CG2DPlotPage::ApplyPage() {
    StoreTitle();
    ApplyGraphs(sheet_.workGraphs);
    return true;
}

void CG2DPlotPage::ResetPage() {
    RestoreTitle();
    ApplyGraphs(sheet_.origGraphs);
}

// ---- The sheet ----------------------------------------------------------------------------

CG2DPropSheet::CG2DPropSheet(CAPDraw& v, PlotPropertiesHost h)
    : CPropertySheet2("Properties", nullptr, nullptr, &v),
      view(v), host(std::move(h)) {
    // Before the first run the curves are made from the rows, so that they can be
    // edited; a build that fails leaves none.
    if (AnalysisPlotOutsideProbe() && view.data.curves.empty() && host.buildGraphs) {
        if (host.buildGraphs() != 0) view.ClearPlotData();
    }
    plotPage = std::make_unique<CG2DPlotPage>(*this);
    AddPage(*plotPage);
    if (!view.data.curves.empty()) {
        formatPage = std::make_unique<CG2DFormatPage>(*this);
        AddPage(*formatPage);
    }
    colourPage = std::make_unique<CG2DColorPage>(*this);
    AddPage(*colourPage);
    if (AnalysisPlotOutsideProbe()) {
        headerPage = std::make_unique<CG2DNumOutPage>(*this);
        AddPage(*headerPage);
    }
    toolBarPage = MakeWindowToolBarPage(view);
    if (toolBarPage) AddPage(*toolBarPage);
    OnCommand(platform::PropertySheet::kApply, [this](int) { ApplyNow(); });
}

// Curves made for the sheet alone (no run has stored points) do not outlive it.
CG2DPropSheet::~CG2DPropSheet() {
    if (AnalysisPlotOutsideProbe() && (view.data.storeCurves.empty() || view.data.storeCurves[0].pointCount < 0))
        view.ClearPlotData();
}

bool CG2DPropSheet::AnalysisPlotOutsideProbe() const {
    return view.drawType == kDraw2DPlot && !Shell.activeViewProbeMode;
}

bool CG2DPropSheet::OnInitDialog() {
    if (host.closeLimits) host.closeLimits();
    origGraphs.assign(view.data.curves.begin(), view.data.curves.begin() + view.data.plottedCount);
    workGraphs = origGraphs;
    if (selectedCurve >= static_cast<int>(workGraphs.size())) selectedCurve = 0;
    return CPropertySheet2::OnInitDialog();
}

void CG2DPropSheet::ApplyNow() {
    state = kStateApplied;
    ApplyNowAll();
    RefreshView();
    workGraphs.assign(view.data.curves.begin(), view.data.curves.begin() + view.data.plottedCount);
    plotPage->Refresh();
    if (formatPage) formatPage->Refresh();
    colourPage->Refresh();
}

void CG2DPropSheet::OnOK() {
    state = 1;
    if (!ApplyAll()) return;
    WriteBackRows();
    RefreshView();
}

void CG2DPropSheet::OnCancel() {
    state = 2;
    CancelAll();
    if (!view.IsCreated()) return;
    RenumberPlotGroups(view.data);
    view.RepaintAll();
}

void CG2DPropSheet::RefreshView() {
    if (host.refreshLimits && view.drawType == kDraw2DPlot) host.refreshLimits();
    RenumberPlotGroups(view.data);
    UpdateGroupDigitalStatus(view.data);
    view.RepaintAll();
    if (host.changed) host.changed();
}

void CG2DPropSheet::WriteBackRows() {
    std::vector<CurveRowRecord>* rows = host.curveRows ? host.curveRows() : nullptr;
    if (!rows || view.drawType != kDraw2DPlot || Shell.activeViewProbeMode) return;
    const int kind = view.viewKind < 0 ? 0 : view.viewKind;
    for (const GraphRecord& g : view.data.curves) {
        if (g.rowIndex < 0 || g.rowIndex >= static_cast<int>(rows->size())) continue;
        CurveRowRecord& row = (*rows)[g.rowIndex];
        if (plotPage->created) {
            row.plotGroup = static_cast<char>('0' + g.plotGroup);
            if (plotPage->PlotTypeEditable()) row.chartType = g.chartKind;
        }
        if (formatPage && formatPage->created) formatPage->WriteRow(g, row, kind);
        if (colourPage->created) colourPage->WriteRow(g, row);
    }
}

int RunPlotProperties(CAPDraw& view, const PlotPropertiesHost& host) {
    if (Shell.runInProgress || Shell.runPaused || view.drawType == kDrawThumbnail) return 0;
    CG2DPropSheet sheet(view, host);
    const int result = sheet.DoModal();
    if (view.IsCreated()) view.SetFocus();
    return result;
}

}  // namespace ob7
