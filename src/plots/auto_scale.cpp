#include "plots/auto_scale.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

#include "plots/axis_transform.h"

namespace ob7 {

namespace {

constexpr double kMantissas[] = {10, 12, 15, 16, 20, 25, 30, 40, 50, 60, 75, 80, 100, 120, 150};
// The floor of the change test: far below any plotted magnitude.
constexpr double kChangeFloor = 1e-30;

double SafeLog10(double v) { return std::log10(std::max(std::fabs(v), 1e-50)); }

bool IsMarked(const AxisScaleRecord& a) { return a.autoMark == kAutoScaleByRange || a.autoMark == kAutoScaleCommand; }

}  // namespace

int PlotData::GroupCount() const {
    int n = 0;
    for (int i = 0; i < plottedCount; ++i) n = std::max(n, curves[i].plotGroup);
    return n;
}

int NiceScale(int divisions, double* highOut, double high, double low, double* lowOut, double* step) {
    bool swapped = false;
    if (high < low) {
        std::swap(high, low);
        swapped = true;
    }
    if (high == low) high = low != 0 ? low + 0.1 * std::fabs(low) : 1;
    bool negated = false;
    if (high <= 0) {
        double h = -low, l = -high;
        high = h, low = l;
        negated = true;
    }
    int N = std::max(divisions, 2);
    int n = N - 1;
    for (int attempt = 0, used = n; attempt < 3; ++attempt, used *= 2) {
        double raw = (high - low) / used;
        if (!(raw > 0) || !std::isfinite(raw)) return -1;
        double e = raw;
        double power = 1;
        while (e * power < 10) power *= 10;
        while (e * power > 100) power /= 10;
        e *= power;
        for (double m : kMantissas) {
            if (m < e) continue;
            double s = m * raw / e;
            double start = std::floor(low / s) * s;
            double end = start + used * s;
            if (end >= high) {
                double st = s * (static_cast<double>(used) / (N - 1));
                double lo = negated ? -end : start;
                double hi = lo + N * st;
                if (swapped) std::swap(lo, hi);
                *lowOut = lo;
                *highOut = hi;
                *step = st;
                return 0;
            }
        }
    }
    return -1;
}

bool AxisSweepRange(PlotData& data, int curve, int axis) {
    GraphRecord& g = data.curves[curve];
    AxisScaleRecord& a = g.axis[axis];
    const SweepRanges& s = data.sweep;
    bool given = false;
    double lo = 0, hi = 0;
    if (a.sweepMark == 'F' && s.analysisKind == 1) {
        if (!s.acList.empty()) {
            lo = *std::min_element(s.acList.begin(), s.acList.end());
            hi = *std::max_element(s.acList.begin(), s.acList.end());
        } else {
            lo = s.acStart, hi = s.acStop;
        }
        given = true;
    } else if (a.sweepMark == 'T' && s.analysisKind == 0) {
        lo = s.transientStart, hi = s.transientStop;
        given = true;
    } else if (axis == kXAxis && s.analysisKind == 2 && !s.dcSweepName.empty() &&
               curve < static_cast<int>(data.xRangeTexts.size())) {
        std::string v = "V(" + s.dcSweepName + ")", i = "I(" + s.dcSweepName + ")";
        const std::string& t = data.xRangeTexts[curve];
        if (strcasecmp(t.c_str(), v.c_str()) == 0 || strcasecmp(t.c_str(), i.c_str()) == 0) {
            lo = s.dcInitial, hi = s.dcFinal;
            given = true;
        }
    }
    if (!given) return false;
    a.min = lo;
    a.max = hi;
    if (!a.linear && !(a.min > 0)) a.min = 1e-9;
    if (data.numberOfGrids != 0) {
        a.span = a.max - a.min;
        a.gridStep = a.span / data.numberOfGrids;
    }
    return true;
}

void AutoScaleAxis(PlotData& data, int curve, int axis) {
    AxisScaleRecord& a = data.curves[curve].axis[axis];
    a.autoMark = kAutoScaleByRange;
    a.max = 10;
    if (AxisSweepRange(data, curve, axis)) return;
    if (a.linear) {
        a.min = -10;
        a.span = 20;
        a.gridStep = data.numberOfGrids ? 20.0 / data.numberOfGrids : 0;
    } else {
        a.min = 1;
        a.span = 9;
        a.gridStep = 0;
    }
}

void UpdateDataExtremes(PlotData& data, int curve) {
    GraphRecord& g = data.curves[curve];
    const StoreCurve& sc = data.storeCurves[curve];
    AxisScaleRecord& ax = g.axis[kXAxis];
    AxisScaleRecord& ay = g.axis[kYAxis];
    ax.dataMax = ay.dataMax = ax.visibleMax = ay.visibleMax = -1e200;
    ax.dataMin = ay.dataMin = ax.visibleMin = ay.visibleMin = 1e200;
    double xlo = std::min(ax.min, ax.max), xhi = std::max(ax.min, ax.max);
    double ylo = std::min(ay.min, ay.max), yhi = std::max(ay.min, ay.max);
    for (int i = 0; i <= sc.pointCount; ++i) {
        double x = data.store.GetPointValue(sc.columns[0], i);
        double y = data.store.GetPointValue(sc.columns[1], i);
        ax.dataMax = std::max(ax.dataMax, x);
        ax.dataMin = std::min(ax.dataMin, x);
        ay.dataMax = std::max(ay.dataMax, y);
        ay.dataMin = std::min(ay.dataMin, y);
        if (x >= xlo && x <= xhi) {
            ay.visibleMax = std::max(ay.visibleMax, y);
            ay.visibleMin = std::min(ay.visibleMin, y);
        }
        if (y >= ylo && y <= yhi) {
            ax.visibleMax = std::max(ax.visibleMax, x);
            ax.visibleMin = std::min(ax.visibleMin, x);
        }
    }
}

void ApplyDataExtremes(PlotData& data) {
    for (int c = 0; c < data.CurveCount(); ++c) {
        GraphRecord& g = data.curves[c];
        if (g.hidden || data.storeCurves[c].pointCount < 0) continue;
        for (int axis = data.runActive ? kYAxis : kXAxis; axis <= kYAxis; ++axis) {
            if (axis == kYAxis && g.digital) continue;
            AxisScaleRecord& a = g.axis[axis];
            const AxisScaleRecord& other = g.axis[1 - axis];
            double lo, hi;
            if (a.autoMark == kAutoScaleByRange && other.autoMark == kNoAutoScale) {
                UpdateDataExtremes(data, c);
                lo = a.visibleMin, hi = a.visibleMax;
            } else if (a.autoMark == kAutoScaleCommand || a.autoMark == kAutoScaleByRange) {
                lo = a.dataMin, hi = a.dataMax;
            } else {
                continue;
            }
            if (lo > hi) continue;  // no point inside the other range
            if (lo == hi) {
                if (lo != 0) lo = lo * 0.5, hi = hi * 2;
                else lo = -1, hi = 1;
                if (lo > hi) std::swap(lo, hi);
            }
            a.min = lo;
            a.max = hi;
            a.span = hi - lo;
        }
    }
}

void UnifyGroupRanges(PlotData& data, int firstAxis, int lastAxis) {
    for (int group = 1; group <= 9; ++group) {
        for (int axis = firstAxis; axis <= lastAxis; ++axis) {
            int first = -1;
            double lo = 0, hi = 0, step = 0;
            for (int c = 0; c < data.plottedCount; ++c) {
                const GraphRecord& g = data.curves[c];
                if (g.plotGroup != group || g.hidden) continue;
                if (axis == kYAxis && g.digital) continue;
                const AxisScaleRecord& a = g.axis[axis];
                double mn = std::min(a.min, a.max), mx = std::max(a.min, a.max);
                if (first < 0) {
                    first = c, lo = mn, hi = mx, step = a.gridStep;
                } else {
                    lo = std::min(lo, mn), hi = std::max(hi, mx), step = std::max(step, a.gridStep);
                }
            }
            if (first < 0) continue;
            bool descending = data.curves[first].axis[axis].min > data.curves[first].axis[axis].max;
            for (int c = 0; c < data.plottedCount; ++c) {
                GraphRecord& g = data.curves[c];
                if (g.plotGroup != group) continue;
                if (axis == kYAxis && g.digital) continue;
                AxisScaleRecord& a = g.axis[axis];
                a.min = descending ? hi : lo;
                a.max = descending ? lo : hi;
                a.span = a.max - a.min;
                a.gridStep = step;
            }
        }
    }
}

bool ComputeNiceRanges(PlotData& data, bool rescale) {
    for (int c = 0; c < data.plottedCount; ++c)
        if (!data.curves[c].hidden && data.storeCurves[c].pointCount < 0) return false;
    bool changed = false;
    std::vector<std::pair<int, int>> marked;
    for (int c = 0; c < data.CurveCount(); ++c) {
        GraphRecord& g = data.curves[c];
        if (g.hidden) continue;
        for (int axis = kXAxis; axis <= kYAxis; ++axis) {
            AxisScaleRecord& a = g.axis[axis];
            if (!IsMarked(a)) continue;
            marked.push_back({c, axis});
            if (axis == kYAxis && g.digital) continue;
            double oldMin = a.min, oldMax = a.max;
            if (AxisSweepRange(data, c, axis)) {
                changed = changed || oldMin != a.min || oldMax != a.max;
                continue;
            }
            if (a.min == a.max) continue;
            double hi = a.max, lo = a.min;
            if (!a.linear) hi = SafeLog10(hi), lo = SafeLog10(lo);
            double nlo, nhi, step;
            if (NiceScale(data.numberOfGrids, &nhi, hi, lo, &nlo, &step) == 0) {
                if (a.linear) {
                    a.min = nlo, a.max = nhi, a.gridStep = step;
                } else {
                    a.min = std::pow(10.0, nlo), a.max = std::pow(10.0, nhi);
                }
            }
            if (axis == kXAxis && (g.flags & kGraphFft)) a.max *= 0.5;
            a.span = a.max - a.min;
            auto moved = [](double n, double o) {
                return std::fabs(n - o) / std::max({n, o, kChangeFloor}) > 1e-6;
            };
            if (moved(a.min, oldMin) || moved(a.max, oldMax)) changed = true;
        }
    }
    DecideYScaleOwners(data);
    for (auto [c, axis] : marked) {
        GraphRecord& g = data.curves[c];
        AxisScaleRecord& a = g.axis[axis];
        if (a.autoMark == kAutoScaleByRange) {
            if (!a.linear) {
                if (!(a.max > 0)) a.max = 0.0001;
                if (!(a.min > 0)) a.min = a.max * 0.00001;
                if (a.min > a.max) std::swap(a.min, a.max);
            }
            if (a.min == a.max) a.min -= 1, a.max += 1;
            a.span = a.max - a.min;
            SaveLimitScales(g);
        }
        if (rescale) UpdateAxisScale(g, axis);
        if (!data.runActive) a.autoMark = kNoAutoScale;
    }
    return changed;
}

void DecideYScaleOwners(PlotData& data) {
    for (int c = 0; c < data.plottedCount; ++c) {
        GraphRecord& g = data.curves[c];
        if (g.hidden || g.digital) {
            g.showsYScale = 0;
            continue;
        }
        if (g.indexInGroup == 0) {
            g.showsYScale = 1;
            continue;
        }
        bool shows = !data.sameYScales;
        bool anyShown = false;
        for (int e = 0; e < c; ++e) {
            const GraphRecord& o = data.curves[e];
            if (o.plotGroup != g.plotGroup) continue;
            if (o.showsYScale) anyShown = true;
            if (!o.digital && !o.hidden && o.axis[kYAxis].min == g.axis[kYAxis].min &&
                o.axis[kYAxis].max == g.axis[kYAxis].max &&
                std::strcmp(o.axis[kYAxis].scaleFormat.spec.text, g.axis[kYAxis].scaleFormat.spec.text) == 0)
                shows = false;
        }
        g.showsYScale = shows || !anyShown ? 1 : 0;
    }
}

void SaveLimitScales(GraphRecord& g) {
    for (AxisScaleRecord& a : g.axis) {
        a.savedMin = a.min;
        a.savedMax = a.max;
        a.savedGridStep = a.gridStep;
        a.savedMinorStep = a.minorStep;
    }
}

}  // namespace ob7
