#include "plots/plot_format_page.h"

#include <cmath>
#include <cstdio>

#include "analysis/curve_rows.h"
#include "foundation/numbers.h"
#include "plots/axis_transform.h"
#include "plots/plot_properties.h"
#include "plots/plot_view.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;

constexpr int kLinearXBit = 0x40, kLinearYBit = 0x80;  // curve row options

// Per axis (X, Y) the ids of one kind of control.
struct AxisIds {
    int low, high, grid, bold, scaleFormat, scaleSample, valueFormat, valueSample, autoScale, log;
};
constexpr AxisIds kIds[2] = {
    {kFmtLowX, kFmtHighX, kFmtGridX, kFmtBoldX, kFmtScaleFormatX, kFmtScaleSampleX, kFmtValueFormatX,
     kFmtValueSampleX, kFmtAutoX, kFmtLogX},
    {kFmtLowY, kFmtHighY, kFmtGridY, kFmtBoldY, kFmtScaleFormatY, kFmtScaleSampleY, kFmtValueFormatY,
     kFmtValueSampleY, kFmtAutoY, kFmtLogY},
};

platform::DialogTemplate FormatPageTemplate() {
    platform::DialogTemplate t{15681, "Scales and Formats", {336, 176}, {
        {ControlKind::Static, 100, "Curves", Rect{6, 6, 80, 16}},
        {ControlKind::ListBox, kFmtCurveList, "", Rect{6, 18, 84, 130}},
        {ControlKind::Static, 101, "X", Rect{164, 6, 240, 16}},
        {ControlKind::Static, 102, "Y", Rect{248, 6, 330, 16}},
    }};
    const char* labels[] = {"Range Low", "Range High", "Grid Spacing", "Bold Grid Spacing"};
    for (int r = 0; r < 4; ++r)
        t.controls.push_back({ControlKind::Static, 110 + r, labels[r], Rect{90, 20 + 16 * r, 162, 30 + 16 * r}});
    t.controls.push_back({ControlKind::Static, 114, "Scale Format", Rect{90, 86, 162, 96}});
    t.controls.push_back({ControlKind::Static, 115, "Value Format", Rect{90, 104, 162, 114}});
    for (int axis = 0; axis < 2; ++axis) {
        const AxisIds& k = kIds[axis];
        const int x = axis == 0 ? 164 : 248;
        const int ids[4] = {k.low, k.high, k.grid, k.bold};
        for (int r = 0; r < 4; ++r) t.controls.push_back({ControlKind::Edit, ids[r], "", Rect{x, 18 + 16 * r, x + 78, 30 + 16 * r}});
        t.controls.push_back({ControlKind::PushButton, k.scaleFormat, "...", Rect{x, 84, x + 14, 96}});
        t.controls.push_back({ControlKind::Static, k.scaleSample, "", Rect{x + 16, 86, x + 82, 96}});
        t.controls.push_back({ControlKind::PushButton, k.valueFormat, "...", Rect{x, 102, x + 14, 114}});
        t.controls.push_back({ControlKind::Static, k.valueSample, "", Rect{x + 16, 104, x + 82, 114}});
        t.controls.push_back({ControlKind::PushButton, k.autoScale, "Auto Scale", Rect{x, 120, x + 46, 134}});
        t.controls.push_back({ControlKind::CheckBox, k.log, "Log", Rect{x + 50, 122, x + 74, 132}});
    }
    t.controls.push_back({ControlKind::Static, 116, "Slope Calculation", Rect{6, 136, 84, 146}});
    t.controls.push_back({ControlKind::ComboList, kFmtSlope, "", Rect{6, 148, 84, 162}});
    t.controls.push_back({ControlKind::CheckBox, kFmtSameY, "Same Y Scales", Rect{90, 142, 170, 152}});
    t.controls.push_back({ControlKind::CheckBox, kFmtSaveRanges, "Save Range Edits", Rect{90, 156, 170, 166}});
    t.controls.push_back({ControlKind::PushButton, kFmtCommonFormats, "Use Common Formats", Rect{220, 146, 326, 160}});
    return t;
}

std::string Tidy(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    TidyExponent(text);
    return text;
}

}  // namespace

CG2DFormatPage::CG2DFormatPage(CG2DPropSheet& sheet) : CPropertyPage2(FormatPageTemplate()), sheet_(sheet) {}

GraphRecord* CG2DFormatPage::Selected() {
    const int c = sheet_.selectedCurve;
    return c >= 0 && c < static_cast<int>(sheet_.workGraphs.size()) ? &sheet_.workGraphs[c] : nullptr;
}

bool CG2DFormatPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    CAPDraw& view = sheet_.view;
    const int kind = view.viewKind < 0 ? 0 : view.viewKind;
    sameY = oldSameY = view.data.sameYScales;
    saveRanges = oldSaveRanges = view.saveRangeEdits[kind];
    for (const char* s : {"Normal", "dB/Octave", "dB/Decade"}) AddString(kFmtSlope, s);
    const bool slopes = view.drawType == kDraw2DPlot || view.drawType == kDrawFilterPlot ||
                        view.drawType == kDrawCharacteristic;
    EnableItem(kFmtSlope, slopes);
    const bool rangesSaved = view.drawType == kDraw2DPlot && !Shell.activeViewProbeMode;
    ShowItem(kFmtSaveRanges, rangesSaved);
    CheckButton(kFmtSameY, sameY);
    CheckButton(kFmtSaveRanges, saveRanges);
    Refresh();
    return true;
}

void CG2DFormatPage::Refresh() {
    if (!IsCreated()) return;
    ResetContent(kFmtCurveList);
    for (const GraphRecord& g : sheet_.workGraphs) AddString(kFmtCurveList, g.caption);
    if (!sheet_.workGraphs.empty()) SetCurSel(kFmtCurveList, sheet_.selectedCurve);
    ShowSelected();
}

void CG2DFormatPage::ShowSelected() {
    GraphRecord* g = Selected();
    if (!g) return;
    const bool rectangular = g->IsRectangular();
    for (int axis = kXAxis; axis <= kYAxis; ++axis) {
        const AxisIds& k = kIds[axis];
        const AxisScaleRecord& a = g->axis[axis];
        SetItemText(k.low, Tidy(a.min));
        SetItemText(k.high, Tidy(a.max));
        SetItemText(k.grid, Tidy(a.gridStep));
        SetItemText(k.bold, Tidy(a.minorStep));
        SetItemText(k.scaleSample, a.scaleFormat.spec.StyleName());
        SetItemText(k.valueSample, a.valueFormat.spec.StyleName());
        CheckButton(k.log, a.linear ? 0 : 1);
        EnableItem(k.grid, rectangular && a.linear);
        EnableItem(k.bold, rectangular && a.gridStep != 0);
        for (int id : {k.low, k.high, k.log, k.autoScale}) EnableItem(id, rectangular);
    }
    SetCurSel(kFmtSlope, g->slope);
}

// Every curve of the group takes the X axis; the Y axis too with Same Y Scales.
static void ShareWithGroup(std::vector<GraphRecord>& work, int selected, int axis, bool sameY,
                           const std::function<void(GraphRecord& to, const GraphRecord& from)>& copy) {
    if (axis == kYAxis && !sameY) return;
    const GraphRecord from = work[selected];
    for (size_t c = 0; c < work.size(); ++c)
        if (static_cast<int>(c) != selected && work[c].plotGroup == from.plotGroup) copy(work[c], from);
}

void CG2DFormatPage::ReadRangeEnd(int axis, bool high) {
    GraphRecord* g = Selected();
    if (!g) return;
    AxisScaleRecord& a = g->axis[axis];
    const int id = high ? kIds[axis].high : kIds[axis].low;
    const double value = EvalNumberOrExpressionNoErr(ItemText(id).c_str());
    double& end = high ? a.max : a.min;
    const double other = high ? a.min : a.max;
    if (value != end) {
        if ((a.linear || value > 0) && value != other) {
            end = value;
            a.span = a.max - a.min;
            SetModified(true);
            ShareWithGroup(sheet_.workGraphs, sheet_.selectedCurve, axis, sameY, [axis](GraphRecord& to, const GraphRecord& from) {
                to.axis[axis].min = from.axis[axis].min;
                to.axis[axis].max = from.axis[axis].max;
                to.axis[axis].span = from.axis[axis].span;
            });
        } else {
            BeepIfEnabled();
        }
    }
    ShowSelected();
}

void CG2DFormatPage::ReadSpacing(int axis, bool bold) {
    GraphRecord* g = Selected();
    if (!g) return;
    AxisScaleRecord& a = g->axis[axis];
    double value = std::fabs(EvalNumberOrExpressionNoErr(ItemText(bold ? kIds[axis].bold : kIds[axis].grid).c_str()));
    const double floor = 0.01 * std::fabs(a.max - a.min);
    if (!bold && value != 0 && value < floor) value = floor;  // at most a hundred grid lines
    double& target = bold ? a.minorStep : a.gridStep;
    if (value != target) {
        target = value;
        SetModified(true);
    }
    ShowSelected();
}

void CG2DFormatPage::SetLog(int axis, bool log) {
    GraphRecord* g = Selected();
    if (!g) return;
    const int group = g->plotGroup;
    for (GraphRecord& o : sheet_.workGraphs) {
        if (o.plotGroup != group) continue;
        AxisScaleRecord& a = o.axis[axis];
        if (log) {
            if (!(a.min > 0)) a.min = 1e-6;
            if (!(a.max > 0)) a.max = 1e-5;
            a.span = a.max - a.min;
        }
        a.linear = log ? 0 : 1;
    }
    SetModified(true);
    ShowSelected();
}

// One auto scale of the selected curve's group in the view, whose ranges are put back
// afterwards; the page keeps the computed ends of that axis.
void CG2DFormatPage::AutoScaleAxis(int axis) {
    GraphRecord* g = Selected();
    CAPDraw& view = sheet_.view;
    if (!g || sheet_.selectedCurve >= view.data.plottedCount) return;
    std::vector<AxisScaleRecord> saved;
    for (int c = 0; c < view.data.plottedCount; ++c) {
        for (int a = kXAxis; a <= kYAxis; ++a) {
            saved.push_back(view.data.curves[c].axis[a]);
            if (c < static_cast<int>(sheet_.workGraphs.size())) view.data.curves[c].axis[a] = sheet_.workGraphs[c].axis[a];
        }
    }
    const int savedCurrent = view.currentCurve, savedSameY = view.data.sameYScales;
    view.currentCurve = sheet_.selectedCurve;
    view.data.sameYScales = sameY;
    view.AutoScale(false);
    const AxisScaleRecord computed = view.data.curves[sheet_.selectedCurve].axis[axis];
    view.currentCurve = savedCurrent;
    view.data.sameYScales = savedSameY;
    for (int c = 0, i = 0; c < view.data.plottedCount; ++c)
        for (int a = kXAxis; a <= kYAxis; ++a) view.data.curves[c].axis[a] = saved[i++];
    auto take = [&](GraphRecord& to) {
        to.axis[axis].min = computed.min;
        to.axis[axis].max = computed.max;
        to.axis[axis].span = computed.max - computed.min;
    };
    if (axis == kYAxis && sameY) {
        for (GraphRecord& o : sheet_.workGraphs) take(o);
    } else {
        take(*g);
    }
    SetModified(true);
    ShowSelected();
}

void CG2DFormatPage::EditFormat(int axis, bool value) {
    GraphRecord* g = Selected();
    if (!g) return;
    AxisScale& format = value ? g->axis[axis].valueFormat : g->axis[axis].scaleFormat;
    CNumFormatDlg dialog(this, format.spec);
    if (dialog.DoModal() != 1) return;
    SetModified(true);
    ShareWithGroup(sheet_.workGraphs, sheet_.selectedCurve, axis, sameY, [axis, value](GraphRecord& to, const GraphRecord& from) {
        (value ? to.axis[axis].valueFormat : to.axis[axis].scaleFormat).spec =
            (value ? from.axis[axis].valueFormat : from.axis[axis].scaleFormat).spec;
    });
    ShowSelected();
}

void CG2DFormatPage::OnControlNotify(int id, platform::Notify code) {
    using platform::Notify;
    if (id == kFmtCurveList && code == Notify::SelChange) {
        if (CurSel(kFmtCurveList) >= 0) sheet_.selectedCurve = CurSel(kFmtCurveList);
        ShowSelected();
        return;
    }
    for (int axis = kXAxis; axis <= kYAxis; ++axis) {
        const AxisIds& k = kIds[axis];
        if (code == Notify::KillFocus && (id == k.low || id == k.high)) return ReadRangeEnd(axis, id == k.high);
        if (code == Notify::KillFocus && (id == k.grid || id == k.bold)) return ReadSpacing(axis, id == k.bold);
        if (code != Notify::Clicked) continue;
        if (id == k.log) return SetLog(axis, IsButtonChecked(k.log) != 0);
        if (id == k.autoScale && !Shell.activeViewProbeMode) return AutoScaleAxis(axis);
        if (id == k.scaleFormat || id == k.valueFormat) return EditFormat(axis, id == k.valueFormat);
    }
    if (id == kFmtSlope && code == Notify::SelChange) {
        if (GraphRecord* g = Selected()) g->slope = CurSel(kFmtSlope);
        SetModified(true);
    } else if (id == kFmtSameY && code == Notify::Clicked) {
        sameY = IsButtonChecked(kFmtSameY);
        SetModified(true);
    } else if (id == kFmtSaveRanges && code == Notify::Clicked) {
        saveRanges = IsButtonChecked(kFmtSaveRanges);
        SetModified(true);
    } else if (id == kFmtCommonFormats && code == Notify::Clicked) {
        if (GraphRecord* g = Selected()) {
            const GraphRecord from = *g;
            for (GraphRecord& o : sheet_.workGraphs)
                for (int axis = kXAxis; axis <= kYAxis; ++axis) {
                    o.axis[axis].valueFormat = from.axis[axis].valueFormat;
                    o.axis[axis].scaleFormat = from.axis[axis].scaleFormat;
                }
            SetModified(true);
        }
    } else {
        CPropertyPage2::OnControlNotify(id, code);
    }
}

void CG2DFormatPage::ApplyGraphs(const std::vector<GraphRecord>& graphs, int sameYScales, int saveRangeEdits) {
    CAPDraw& view = sheet_.view;
    view.data.sameYScales = sameYScales;
    if (view.drawType == kDraw2DPlot && !Shell.activeViewProbeMode)
        view.saveRangeEdits[view.viewKind < 0 ? 0 : view.viewKind] = saveRangeEdits;
    PlotData& data = view.data;
    const int count = std::min(static_cast<int>(graphs.size()), data.plottedCount);
    for (int c = 0; c < count; ++c) {
        GraphRecord& g = data.curves[c];
        g.slope = graphs[c].slope;
        for (int axis = kXAxis; axis <= kYAxis; ++axis) {
            AxisScaleRecord& a = g.axis[axis];
            const AxisScaleRecord& from = graphs[c].axis[axis];
            if (from.min != from.max) a.min = from.min, a.max = from.max, a.span = from.max - from.min;
            a.valueFormat.spec = from.valueFormat.spec;
            a.scaleFormat.spec = from.scaleFormat.spec;
            a.linear = from.linear;
            a.gridStep = from.gridStep;
            a.minorStep = from.minorStep;
        }
    }
    // A pane shares its X range and formats, and with Same Y Scales its Y range.
    for (int c = 0; c < count; ++c) {
        const GraphRecord& from = data.curves[c];
        for (int o = c + 1; o < count; ++o) {
            GraphRecord& to = data.curves[o];
            if (to.plotGroup != from.plotGroup) continue;
            for (int axis = kXAxis; axis <= (sameYScales ? kYAxis : kXAxis); ++axis) {
                to.axis[axis].min = from.axis[axis].min;
                to.axis[axis].max = from.axis[axis].max;
                to.axis[axis].span = from.axis[axis].span;
                if (axis == kXAxis) {
                    to.axis[axis].valueFormat.spec = from.axis[axis].valueFormat.spec;
                    to.axis[axis].scaleFormat.spec = from.axis[axis].scaleFormat.spec;
                }
            }
        }
    }
    for (int c = 0; c < count; ++c)
        for (int axis = kXAxis; axis <= kYAxis; ++axis) UpdateAxisScale(data.curves[c], axis);
}

bool CG2DFormatPage::ApplyPage() {
    ApplyGraphs(sheet_.workGraphs, sameY, saveRanges);
    return true;
}

void CG2DFormatPage::ResetPage() { ApplyGraphs(sheet_.origGraphs, oldSameY, oldSaveRanges); }

void CG2DFormatPage::WriteRow(const GraphRecord& g, CurveRowRecord& row, int kind) const {
    row.slope = g.slope;
    for (int axis = kXAxis; axis <= kYAxis; ++axis) {
        row.valueFormat[axis] = g.axis[axis].valueFormat.spec.text;
        row.scaleFormat[axis] = g.axis[axis].scaleFormat.spec.text;
    }
    if (!sheet_.view.saveRangeEdits[kind]) return;
    for (int axis = kXAxis; axis <= kYAxis; ++axis) {
        const AxisScaleRecord& a = g.axis[axis];
        if (a.min != a.max) {
            (axis == kXAxis ? row.xRange : row.yRange) = FormatCurveRange(a.max, a.min);
            row.rangeGrid[axis] = a.gridStep != 0 ? Tidy(a.gridStep) : "";
        }
        row.rangeBold[axis] = a.minorStep != 0 ? Tidy(a.minorStep) : "";
    }
    const int bit = kLinearXBit;
    row.options = (row.options & ~(kLinearXBit | kLinearYBit)) | (g.axis[kXAxis].linear ? bit : 0) |
                  (g.axis[kYAxis].linear ? kLinearYBit : 0);
}

}  // namespace ob7
