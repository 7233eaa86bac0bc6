#include "plots/axis_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/numbers.h"

namespace ob7 {

namespace {

double SafeLog10(double v) { return std::log10(std::max(std::fabs(v), 1e-50)); }

int RoundClamped(double p, double low, double high) {
    if (!(p == p)) return 0;
    double r = p < 0 ? std::ceil(p - 0.5) : std::floor(p + 0.5);
    if (r > high) return static_cast<int>(high);
    if (r < low) return static_cast<int>(low);
    return static_cast<int>(r);
}

}  // namespace

void SetAxisTransform(GraphRecord& g, int axis, int extent, int base) {
    AxisScaleRecord& a = g.axis[axis];
    double lo = a.min, hi = a.max;
    if (a.linear) {
        if (lo == hi) lo = 0, hi = 1;
        a.pixelScale = axis == kXAxis ? extent / (hi - lo) : extent / (lo - hi);
        a.pixelOffset = base - hi * a.pixelScale;
    } else {
        if (!(hi > 0)) hi = 0.0001;
        if (!(lo > 0)) lo = hi * 0.00001;
        if (lo == hi) hi = hi + 0.1;
        double decades = axis == kXAxis ? std::log10(std::fabs(hi / lo)) : std::log10(std::fabs(lo / hi));
        a.pixelScale = extent / decades;
        a.pixelOffset = base - a.pixelScale * std::log10(std::fabs(hi));
    }
    a.min = lo;
    a.max = hi;
    a.span = hi - lo;
}

double ValueToPixelDouble(const GraphRecord& g, int axis, double value) {
    const AxisScaleRecord& a = g.axis[axis];
    double v = a.linear ? value : SafeLog10(value);
    return v * a.pixelScale + a.pixelOffset;
}

int ValueToPixel(const GraphRecord& g, int axis, double value) {
    return RoundClamped(ValueToPixelDouble(g, axis, value), -2147483648.0, 2147483647.0);
}

int ValueToPixelInt(const GraphRecord& g, int axis, double value) {
    return RoundClamped(ValueToPixelDouble(g, axis, value), -2147482648.0, 2147482647.0);
}

double PixelToValue(const GraphRecord& g, int axis, double pixel) {
    const AxisScaleRecord& a = g.axis[axis];
    double v = a.pixelScale != 0 ? (pixel - a.pixelOffset) / a.pixelScale : 0;
    if (a.linear) return v;
    return std::pow(10.0, std::clamp(v, -300.0, 300.0));
}

int DigitalStateOf(double value) {
    if (!(value >= 0 && value <= 511)) return 57;
    return static_cast<int>(value);
}

int DigitalLevelOf(int state) {
    if ((state & 0x1f8) == 0) return 5;  // nothing drives it
    return state & 7;
}

int BusValueOf(double value) {
    if (!(value >= 0)) return 0;
    return static_cast<int>(static_cast<unsigned>(std::min(value, 4294967295.0)));
}

int DigitalValueToPixel(const GraphRecord& g, int state, int previousState) {
    if (g.busRadix) return (g.digitalBandTop + g.digitalBandBottom) / 2;  // a bus lies across its band
    int level = DigitalLevelOf(state);
    bool low = level == 0 || level == 1 ||
               ((level == 4 || level == 5) && previousState >= 0 && DigitalLevelOf(previousState) == 0);
    return low ? g.digitalBandBottom : g.digitalBandTop;
}

void SetDigitalBand(GraphRecord& g, int slots, int digitalBefore) {
    const AxisScaleRecord& a = g.axis[kYAxis];
    slots = std::max(slots, 1);
    int k = slots - (1 + digitalBefore);
    double r = (a.max - a.min) / (2.0 * slots);
    g.digitalBandBottom = static_cast<int>(std::lround(a.pixelOffset + a.pixelScale * (a.min + r * (2 * k)) - 1));
    g.digitalBandTop = static_cast<int>(std::lround(a.pixelOffset + a.pixelScale * (a.min + r * (2 * k + 1)) - 1));
}

int DigitalSlotCount(int paneHeight, int lineHeight, int digitalCurves) {
    lineHeight = std::max(lineHeight, 1);
    int slots = paneHeight / 10 >= lineHeight ? 10 : paneHeight / lineHeight;
    return std::max({slots, digitalCurves, 1});
}

int SetAxisRange(GraphRecord& g, int axis, double low, double high) {
    AxisScaleRecord& a = g.axis[axis];
    auto bad = [&](double v) {
        if (!a.linear && !(v > 0)) return true;
        if (a.linear && v == 0) return false;
        double m = std::fabs(v);
        return !(m < 1e50) || !(m > 1e-50);
    };
    if (bad(low) || bad(high)) return 0;
    a.min = low;
    a.max = high;
    a.span = high - low;
    return 1;
}

void OrderAxisRange(bool ascending, GraphRecord& g, int axis) {
    AxisScaleRecord& a = g.axis[axis];
    if ((a.min > a.max) == ascending) std::swap(a.min, a.max);
    a.span = a.max - a.min;
}

void UpdateAxisScale(GraphRecord& g, int axis) {
    AxisScaleRecord& a = g.axis[axis];
    // The engineering step follows the larger bound, so that every label shares it.
    double reference = std::max(std::fabs(a.min), std::fabs(a.max));
    if (reference == 0) reference = 1;
    a.scaleFormat.SetFromValue(reference);
    a.valueFormat.SetFromValue(reference);
    a.exponentIndex = -1;
    for (int i = 0; i < 10; ++i)
        if (a.scaleFormat.multiplier * EngineeringSuffixTable[i].factor == 1.0) a.exponentIndex = i;
}

std::string FormatAxisValue(const GraphRecord& g, int axis, double value) {
    char text[kNumberTextSize];
    FormatNumber(text, &value, g.axis[axis].valueFormat.spec.digits, g.axis[axis].valueFormat.spec.style,
                 kNumLowerCase | kNumTidyExponent);
    std::string out = text;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    while (!out.empty() && out.front() == ' ') out.erase(out.begin());
    return out;
}

std::string FormatScaleLabel(const GraphRecord& g, int axis, double value) {
    const AxisScaleRecord& a = g.axis[axis];
    char text[kNumberTextSize];
    std::string out;
    if (a.linear && g.IsRectangular() && !a.scaleFormat.outOfRange && a.scaleFormat.spec.style != 'E') {
        double v = value * a.scaleFormat.multiplier;
        FormatNumber(text, &v, a.scaleFormat.spec.digits, a.scaleFormat.spec.style,
                     kNumLowerCase | kNumTidyExponent | kNumNoScaling);
        out = text;
        while (!out.empty() && out.back() == ' ') out.pop_back();
        if (a.scaleFormat.suffix && out != "0") out.push_back(static_cast<char>(a.scaleFormat.suffix));
    } else {
        FormatNumber(text, &value, a.scaleFormat.spec.digits, a.scaleFormat.spec.style, kNumLowerCase | kNumTidyExponent);
        out = text;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    while (!out.empty() && out.front() == ' ') out.erase(out.begin());
    return out;
}

}  // namespace ob7
