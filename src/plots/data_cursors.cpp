#include "plots/data_cursors.h"

#include <algorithm>
#include <cmath>

#include "plots/analysis_view.h"

namespace ob7 {

namespace {

double Safe(double v) { return std::log10(std::max(std::fabs(v), 1e-50)); }

int RunLastOf(const PlotData& data, int curve, int run) {
    return std::min(data.storeCurves[curve].runLast[run], data.storeCurves[curve].pointCount);
}

// The search of Peak, Valley and Inflection from a along the run in direction h.
int SearchExtremum(PlotData& data, int a, int h, int g, int kind, int d) {
    const StoreCurve& sc = data.storeCurves[g];
    int first = sc.runFirst[d], last = RunLastOf(data, g, d);
    auto figure = [&](int t, int previous) {
        if (kind != kCursorInflection) return data.Y(g, t);
        double dx = data.X(g, previous) - data.X(g, t);
        return dx == 0 ? 0.0 : std::fabs((data.Y(g, previous) - data.Y(g, t)) / dx);
    };
    enum { kUndecided, kRising, kFalling } trend = kUndecided;
    bool wrapped = false;
    int previous = -1;
    double previousFigure = 0;
    int seen = 0;
    int t = a;
    for (;;) {
        t += h;
        bool atEnd = h > 0 ? t > last : t < first;
        if (atEnd) {
            if (!wrapped) {
                if (trend == kFalling && kind == kCursorValley) return previous;
                if (trend == kRising && (kind == kCursorPeak || kind == kCursorInflection)) return previous;
            }
            if (wrapped) return a;
            wrapped = true;
            trend = kUndecided;
            seen = 0;
            t = h > 0 ? first + 1 : last - 1;
            t -= h;
            previous = -1;
            continue;
        }
        if (wrapped && t == a) {
            if (kind == kCursorPeak) return FindNextCursorPoint(data, a, h > 0 ? kCursorRight : kCursorLeft, g, kCursorHigh);
            if (kind == kCursorValley) return FindNextCursorPoint(data, a, h > 0 ? kCursorRight : kCursorLeft, g, kCursorLow);
            return a;
        }
        int from = previous < 0 ? t - h : previous;
        if (kind == kCursorInflection && (from < first || from > last)) from = t;
        double f = figure(t, from);
        ++seen;
        bool compare = kind == kCursorInflection ? seen >= 3 : seen >= 2;
        if (compare) {
            if (f < previousFigure) {
                if (trend == kRising && (kind == kCursorPeak || kind == kCursorInflection)) return previous;
                trend = kFalling;
            } else if (f > previousFigure) {
                if (trend == kFalling && kind == kCursorValley) return previous;
                trend = kRising;
            }
        }
        previousFigure = f;
        previous = t;
    }
}

}  // namespace

int CursorPointIndex(const PlotData& data, int curve, int cursor) {
    const CursorRecord& c = data.curves[curve].cursor[cursor];
    const StoreCurve& sc = data.storeCurves[curve];
    if (c.run < 0 || c.run >= static_cast<int>(sc.runFirst.size())) return c.offset;
    return sc.runFirst[c.run] + c.offset;
}

int SetCursorRun(PlotData& data, int curve, int cursor, int index) {
    int run = FindRunOfIndex(data.storeCurves[curve], data.runs, index);
    if (run >= 0) {
        data.curves[curve].cursor[cursor].run = run;
        data.curves[curve].cursor[cursor].offset = index - data.storeCurves[curve].runFirst[run];
    }
    return run;
}

int FindNextCursorPoint(PlotData& data, int a, int direction, int g, int kind) {
    int h = direction == kCursorLeft ? -1 : direction == kCursorRight ? 1 : 0;
    int v = direction == kCursorUp ? 1 : direction == kCursorDown ? -1 : 0;
    const StoreCurve& sc = data.storeCurves[g];
    int d = FindRunOfIndex(sc, data.runs, a);
    if (d < 0) return -1;
    int runs = data.runs.runCount;
    switch (kind) {
    case kCursorNextPoint:
        if (v != 0) {
            int e = ((d + v) % runs + runs) % runs;
            double x0 = data.X(g, a);
            int first = sc.runFirst[e], last = RunLastOf(data, g, e);
            for (int i = first; i < last; ++i) {
                double xi = data.X(g, i), xj = data.X(g, i + 1);
                if ((x0 >= xi && x0 <= xj) || (x0 <= xi && x0 >= xj))
                    return std::fabs(xj - x0) < std::fabs(xi - x0) ? i + 1 : i;
            }
            return x0 < data.X(g, first) ? first : last;
        } else {
            int n = a + h;
            int low = sc.runFirst[d] + data.curves[g].firstDrawnPoint;
            if (n > RunLastOf(data, g, d)) n = low;
            else if (n < low) n = RunLastOf(data, g, d);
            return n;
        }
    case kCursorPeak:
    case kCursorValley:
    case kCursorInflection:
        if (v != 0) {
            int n = FindNextCursorPoint(data, a, direction, g, kCursorNextPoint);
            n = FindNextCursorPoint(data, n, kCursorLeft, g, kCursorNextPoint);
            return FindNextCursorPoint(data, n, kCursorRight, g, kind);
        }
        if (h != 0) return SearchExtremum(data, a, h, g, kind, d);
        return 0;
    case kCursorHigh:
    case kCursorLow: {
        int run = v != 0 ? FindRunOfIndex(sc, data.runs, FindNextCursorPoint(data, a, direction, g, kCursorNextPoint)) : d;
        if (run < 0) return -1;
        double best = kind == kCursorHigh ? -1e38 : 1e38;
        int at = sc.runFirst[run];
        for (int i = sc.runFirst[run]; i <= RunLastOf(data, g, run); ++i) {
            double y = data.Y(g, i);
            if (kind == kCursorHigh ? y > best : y < best) best = y, at = i;
        }
        return at;
    }
    case kCursorGlobalHigh:
    case kCursorGlobalLow: {
        double hi = data.Y(g, 0), lo = hi;
        int atHi = 0, atLo = 0;
        for (int i = data.curves[g].firstDrawnPoint; i <= sc.pointCount; ++i) {
            double y = data.Y(g, i);
            if (y > hi) hi = y, atHi = i;
            if (y < lo) lo = y, atLo = i;
        }
        return kind == kCursorGlobalHigh ? atHi : atLo;
    }
    default:
        return 0;
    }
}

int CurveValueAtX(PlotData& data, int curve, double x, int start, double* y) {
    const StoreCurve& sc = data.storeCurves[curve];
    const GraphRecord& g = data.curves[curve];
    int run = FindRunOfIndex(sc, data.runs, start);
    if (run < 0) run = std::max(data.runs.runCount - 1, 0);
    int first = sc.runFirst.empty() ? 0 : sc.runFirst[run];
    int last = sc.runFirst.empty() ? sc.pointCount : RunLastOf(data, curve, run);
    bool xLog = !g.axis[kXAxis].linear, yLog = !g.axis[kYAxis].linear;
    for (int i = first; i < last; ++i) {
        double a = data.X(curve, i), b = data.X(curve, i + 1);
        if ((x >= a && x <= b) || (x <= a && x >= b)) {
            double ya = data.Y(curve, i), yb = data.Y(curve, i + 1);
            if (g.digital || a == b) {
                *y = x == b && a != b ? yb : ya;
                return x == b && a != b ? i + 1 : i;
            }
            double f = xLog ? (Safe(x) - Safe(a)) / (Safe(b) - Safe(a)) : (x - a) / (b - a);
            *y = yLog && ya > 0 && yb > 0 ? std::pow(10.0, Safe(ya) + f * (Safe(yb) - Safe(ya))) : ya + f * (yb - ya);
            return f > 0.5 ? i + 1 : i;
        }
    }
    // Outside the run: the end on the side of x.
    bool ascending = data.X(curve, last) >= data.X(curve, first);
    int at = (x < data.X(curve, first)) == ascending ? first : last;
    *y = data.Y(curve, at);
    return at;
}

int FindValueCrossing(PlotData& data, int curve, double value, int column, int offset, int run, double* xOut) {
    const StoreCurve& sc = data.storeCurves[curve];
    if (run < 0 || run >= data.runs.runCount) return -1;
    int first = sc.runFirst[run], last = RunLastOf(data, curve, run);
    auto read = [&](int i) { return column == 0 ? data.X(curve, i) : data.Y(curve, i); };
    auto test = [&](int i) -> bool {
        double a = read(i), b = read(i + 1);
        return (a > value && value >= b) || (a <= value && value <= b);
    };
    auto found = [&](int i) {
        if (column == 0) {
            *xOut = value;
        } else {
            double a = read(i), b = read(i + 1);
            double xa = data.X(curve, i), xb = data.X(curve, i + 1);
            *xOut = b == a ? xa : xa + (value - a) / (b - a) * (xb - xa);
        }
        return i;
    };
    for (int i = first + offset; i < last; ++i)
        if (test(i)) return found(i);
    for (int i = first; i < std::min(first + offset, last); ++i)
        if (test(i)) return found(i);
    return -1;
}

int PlaceCursor(PlotData& data, int g, int c, int n, const double* value, bool alignAll) {
    double x = value ? *value : data.X(g, n);
    SetCursorRun(data, g, c, n);
    int last = n;
    for (int i = 0; i < data.plottedCount; ++i) {
        GraphRecord& gi = data.curves[i];
        if (!alignAll && gi.plotGroup != data.curves[g].plotGroup) continue;
        const StoreCurve& sc = data.storeCurves[i];
        gi.cursor[c].x = x;
        int index = 0;
        double y;
        if (sc.pointCount >= 1) {
            int start = (i == g && !gi.digital) ? n : RunFirstIndexOf(sc, data.runs, n);
            index = CurveValueAtX(data, i, x, start, &y);
        } else {
            y = data.Y(i, 0);
        }
        if (!gi.digital) gi.cursor[c].y = y;
        if (sc.pointCount >= 0) {
            if (x > gi.axis[kXAxis].dataMax && gi.axis[kXAxis].dataMax > -1e200) {
                gi.cursor[c].x = gi.axis[kXAxis].dataMax;
                index = std::min(index, sc.pointCount);
                gi.cursor[c].y = data.Y(i, index);
            } else if (x < gi.axis[kXAxis].dataMin && gi.axis[kXAxis].dataMin < 1e200) {
                gi.cursor[c].x = gi.axis[kXAxis].dataMin;
                gi.cursor[c].y = data.Y(i, index);
            }
        }
        if (gi.digital) gi.cursor[c].y = data.Y(i, index);
        SetCursorRun(data, i, c, index);
        last = index;
    }
    return last;
}

void PlaceAllCursors(PlotData& data) {
    for (int g = 0; g < data.plottedCount; ++g) {
        const GraphRecord& gr = data.curves[g];
        const StoreCurve& sc = data.storeCurves[g];
        if (gr.indexInGroup != 0 || gr.hidden || sc.pointCount < 0 || sc.runFirst.empty()) continue;
        PlaceCursor(data, g, 0, sc.runFirst[0] + gr.firstDrawnPoint, nullptr, false);
        PlaceCursor(data, g, 1, RunLastOf(data, g, 0), nullptr, false);
    }
}

}  // namespace ob7
