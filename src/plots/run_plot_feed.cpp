#include "plots/run_plot_feed.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>

#include "analysis/analysis_run.h"
#include "analysis/curve_rows.h"
#include "netlist/netlist_circuit.h"
#include "plots/auto_scale.h"
#include "plots/plot_groups.h"
#include "plots/plot_view.h"
#include "sim/engine/run_helpers.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"

namespace ob7 {

SweepRanges SweepRangesFromSetup(int kind, const AnalysisSetup& setup) {
    SweepRanges s;
    s.analysisKind = kind;
    double high = 0, low = 0, step = 0;  // the step only ends the second value
    switch (kind) {
    case 0:
        if (ParseLimitNumbers(setup.limits[0].c_str(), &high, &low, &step, nullptr) == 0)
            s.transientStart = low, s.transientStop = high;
        break;
    case 1:
        if ((setup.options & kStepMask) == kStepList) {
            int error = 0;
            s.acList = ParseNumberArray(setup.limits[0].c_str(), &error);
            if (error) s.acList.clear();
        } else if (ParseLimitNumbers(setup.limits[0].c_str(), &high, &low, &step, nullptr) == 0) {
            s.acStart = low, s.acStop = high;
        }
        break;
    case 2:
        s.dcSweepName = setup.limits[3];
        if ((setup.sweep[0] & kStepMask) != kStepList &&
            ParseLimitNumbers(setup.limits[2].c_str(), &high, &low, &step, nullptr) == 0)
            s.dcInitial = low, s.dcFinal = high;
        break;
    default: break;
    }
    return s;
}

RunPlotFeed::RunPlotFeed(CAPDraw& view, const AnalysisSetup& setup, int kind)
    : view_(view), setup_(setup), kind_(kind) {}

void RunPlotFeed::Attach(AnalysisRun& run) {
    prepared_ = false;
    viewRuns_ = copied_ = 0;
    lastPercent_ = -1;
    // The last run's points go: the window shows its empty axes until the new points
    // arrive, and the commands that need points wait for them.
    view_.ClearPointCounts();
    view_.RepaintAll();
    run.pointStored = [this, &run] { Update(run.plot); };
}

std::vector<int> BuildViewGraphs(CAPDraw& view, const AnalysisPlot& plot, const AnalysisSetup& setup, int kind) {
    PlotData& data = view.data;
    // The limits as the run reads them.
    data.sweep = SweepRangesFromSetup(kind, setup);
    data.curves.clear();
    data.storeCurves.clear();
    data.xRangeTexts.clear();
    std::vector<int> shown;
    for (int c = 0; c < static_cast<int>(plot.curves.size()); ++c) {
        const AnalysisCurve& curve = plot.curves[c];
        if (!(curve.flags & kCurvePlotted)) continue;
        GraphRecord g;
        g.caption = curve.text[kAxisY];
        g.xCaption = curve.text[kAxisX];
        g.plotGroup = std::max(1, curve.plotGroup);
        g.digital = curve.digital ? 1 : 0;
        g.busRadix = curve.busRadix;
        g.busWidth = curve.busWidth;
        std::string xRange;
        if (curve.row >= 0 && curve.row < static_cast<int>(setup.rows.size())) {
            const CurveRowRecord& row = setup.rows[curve.row];
            g.rowIndex = curve.row;
            g.style.lineColour = row.lineColour;
            g.style.textColour = row.textColour;
            g.style.lineWidth = std::max(1, static_cast<int>(row.lineWidth));
            g.style.pattern = row.pattern;
            g.style.rainbow = row.rainbow;
            g.slope = row.slope;
            xRange = row.xRange;
        }
        for (int axis = kXAxis; axis <= kYAxis; ++axis) {
            const int from = axis == kXAxis ? kAxisX : kAxisY;
            AxisScaleRecord& a = g.axis[axis];
            a.linear = curve.linear[from] ? 1 : 0;
            a.sweepMark = curve.mark[from];
            a.min = a.savedMin = curve.rangeLow[from];
            a.max = a.savedMax = curve.rangeHigh[from];
            a.span = a.max - a.min;
            a.gridStep = a.savedGridStep = curve.gridStep[from];
            a.minorStep = a.savedMinorStep = curve.minorStep[from];
            a.autoMark = kNoAutoScale;
            if (g.rowIndex >= 0) {
                const CurveRowRecord& row = setup.rows[g.rowIndex];
                if (!row.valueFormat[axis].empty()) a.valueFormat.spec.Set(row.valueFormat[axis].c_str());
                if (!row.scaleFormat[axis].empty()) a.scaleFormat.spec.Set(row.scaleFormat[axis].c_str());
            }
        }
        data.curves.push_back(g);
        data.xRangeTexts.push_back(xRange);
        shown.push_back(c);
        const int v = static_cast<int>(data.curves.size()) - 1;
        for (int axis = kXAxis; axis <= kYAxis; ++axis)
            if (curve.autoScale[axis == kXAxis ? kAxisX : kAxisY]) AutoScaleAxis(data, v, axis);
    }
    data.plottedCount = static_cast<int>(data.curves.size());
    data.storeCurves.assign(data.curves.size(), StoreCurve{});  // no points yet
    RenumberPlotGroups(data);
    UpdateGroupDigitalStatus(data);
    return shown;
}

// The view's curves are the run's plotted ones; the empty axes are drawn at once.
void RunPlotFeed::Prepare(AnalysisPlot& plot) {
    prepared_ = true;
    const int method = kind_ == 1 ? (setup_.options & kStepMask) : kind_ == 2 ? (setup_.sweep[0] & kStepMask) : 0;
    // An AC sweep goes by decades unless it is linear; a DC sweep only when asked.
    logSweep_ = (kind_ == 1 && method != kStepLinear) || (kind_ == 2 && method == kStepLog);
    shown_ = BuildViewGraphs(view_, plot, setup_, kind_);
    view_.PrepareCurves(std::max(1, static_cast<int>(plot.runs.RunCapacity())));
    // The empty axes are drawn now; the curves grow over them.
    view_.Invalidate();
    view_.Update();
}

// Copies points copied_ .. upTo - 1 of the run into the view's last run, drawing their
// segments on one drawing context.
void RunPlotFeed::CopyPoints(AnalysisPlot& plot, int run, int upTo) {
    if (copied_ >= upTo) return;
    std::vector<double> xy(2 * shown_.size());
    std::unique_ptr<platform::DrawContext> dc = view_.IsCreated() ? view_.GetDC() : nullptr;
    std::unique_ptr<CDrawContext> context;
    if (dc) {
        context = std::make_unique<CDrawContext>(dc.get());
        SelectAndRealizePalette(*context);
    }
    for (; copied_ < upTo; ++copied_) {
        for (size_t k = 0; k < shown_.size(); ++k) {
            const int count = plot.RunPointCount(shown_[k], run);
            const int at = std::min(copied_, count - 1);
            xy[2 * k] = at < 0 ? 0 : plot.RunPointValue(shown_[k], run, at, kAxisX);
            xy[2 * k + 1] = at < 0 ? 0 : plot.RunPointValue(shown_[k], run, at, kAxisY);
        }
        view_.StoreRunPoint(xy.data());
        if (context) view_.DrawNewPoints(*context);
    }
}

double RunPlotFeed::SweepFraction(double x) const {
    const SweepRanges& s = view_.data.sweep;
    double low = 0, high = 0;
    switch (kind_) {
    case 0: low = s.transientStart, high = s.transientStop; break;
    case 1:
        if (!s.acList.empty()) return 0;
        low = s.acStart, high = s.acStop;
        break;
    default: low = s.dcInitial, high = s.dcFinal; break;
    }
    if (logSweep_ && low > 0 && high > 0 && x > 0) low = std::log10(low), high = std::log10(high), x = std::log10(x);
    if (high == low) return 0;
    return std::clamp((x - low) / (high - low), 0.0, 1.0);
}

void RunPlotFeed::Update(AnalysisPlot& plot) {
    if (plot.runs.runCount == 0) return;
    if (prepared_ && plot.runs.runCount == viewRuns_) {
        // Within a run the new points are drawn a screenful at a time.
        const auto now = std::chrono::steady_clock::now();
        if (now - lastDraw_ < std::chrono::milliseconds(kDrawIntervalMs)) return;
        lastDraw_ = now;
    }
    Flush(plot);
}

void RunPlotFeed::Flush(AnalysisPlot& plot) {
    if (plot.runs.runCount == 0) return;
    if (!prepared_) Prepare(plot);
    if (shown_.empty()) return;
    const int run = plot.runs.runCount - 1;
    // Runs the view has not opened yet: the earlier ones are completed first.
    while (viewRuns_ < plot.runs.runCount) {
        if (viewRuns_ > 0) {
            int points = 0;
            for (int c : shown_) points = std::max(points, plot.RunPointCount(c, viewRuns_ - 1));
            CopyPoints(plot, viewRuns_ - 1, points);
        }
        const RunRecord& r = plot.runs.records[viewRuns_];
        RunStartValues start;
        start.caseNumber = r.caseNumber;
        start.temperature = r.temperature;
        start.stepValues = r.stepValues;
        start.stepListIndices = r.stepListIndices;
        start.secondSweepValue = r.secondSweepValue;
        view_.BeginRun(start);
        ++viewRuns_;
        copied_ = 0;
    }
    // DSP curves replace every point of the case when it ends: their runs are copied
    // then, whole, not as the placeholder points arrive.
    if (!plot.HasDspCurves()) {
        int common = plot.RunPointCount(shown_[0], run);
        for (int c : shown_) common = std::min(common, plot.RunPointCount(c, run));
        CopyPoints(plot, run, common);
    }
    const double fraction = SweepFraction(plot.pointSweep);
    if (kind_ == 0) view_.AutoScaleDuringRun(fraction);
    const int total = std::max(1, static_cast<int>(plot.runs.RunCapacity()));
    const int percent = static_cast<int>((run + fraction) / total * 100);
    if (percent > lastPercent_) {
        lastPercent_ = percent;
        if (progress) progress(percent);
    }
}

void RunPlotFeed::Finish(AnalysisPlot& plot) {
    plot.PlotNewPoints();
    if (!prepared_) Prepare(plot);
    if (!shown_.empty() && plot.runs.runCount > 0) {
        Flush(plot);
        const int run = plot.runs.runCount - 1;
        int points = 0;
        for (int c : shown_) points = std::max(points, plot.RunPointCount(c, run));
        CopyPoints(plot, run, points);
    }
    view_.EndRun();
}

}  // namespace ob7
