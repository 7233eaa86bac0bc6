#include "sim/devices/lossy_line_coeffs.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/lossy_line_math.h"

namespace ob7 {

namespace {

constexpr double kSmallestInterval = 1e-12;

double Span(double a, double b) { return std::max(b - a, kSmallestInterval); }

// For a history linear between its points, the convolution with a response whose twice
// integral is H weighs point j by the response convolved with its hat function:
// [H(t - t(j-1)) - H(t - t(j))] / (t(j) - t(j-1)) - [H(t - t(j)) - H(t - t(j+1))] / (t(j+1) - t(j)).
// The present point has only the first half, which is the first coefficient.
template <typename H>
double HatWeights(const std::vector<LossyLinePoint>& h, double t, H twice, std::vector<double>& w) {
    const size_t n = h.size();
    w.assign(n, 0.0);
    double later = 0;  // the divided difference of the interval after point j
    double at = twice(t - h[n - 1].t);  // H(t - t(j)) for the present j
    const double first = at / Span(h[n - 1].t, t);
    later = first;
    for (size_t j = n - 1; j >= 1; --j) {
        const double before = twice(t - h[j - 1].t);
        const double earlier = (before - at) / Span(h[j - 1].t, h[j].t);
        w[j] = earlier - later;
        later = earlier;
        at = before;
    }
    return first;
}

}  // namespace

void LocateDelayedPoint(double* x, const std::vector<LossyLinePoint>& h, double t, LossyCoefficients& c) {
    const double end = t - x[kLossyTd];
    c.delayed = end > h.front().t;
    if (!c.delayed) return;
    int i = static_cast<int>(h.size()) - 1;
    while (i > 0 && h[i].t >= end) --i;
    x[kLossyAuxIndex] = i;
    const int n = static_cast<int>(h.size());
    if (i + 1 >= n) return;  // the step outgrew the delay: the newest point serves
    double* q = x + kLossyQuadWeights;
    double* l = x + kLossyLinearWeights;
    c.quadratic = i > 0 && QuadraticInterpCoeffs(end, h[i - 1].t, h[i].t, h[i + 1].t, q, q + 1, q + 2) == 0;
    if (LinearInterpCoeffs(end, h[i].t, h[i + 1].t, l, l + 1) != 0) l[0] = 0, l[1] = 1;
}

double DelayedValue(const double* x, const LossyCoefficients& c, const std::vector<LossyLinePoint>& h,
                    double LossyLinePoint::*value) {
    if (!c.delayed) return h.front().*value;
    const int i = static_cast<int>(x[kLossyAuxIndex]);
    if (i + 1 >= static_cast<int>(h.size())) return h.back().*value;
    const double* l = x + kLossyLinearWeights;
    const double linear = l[0] * (h[i].*value) + l[1] * (h[i + 1].*value);
    const int mode = static_cast<int>(x[kLossyInterpMode]);
    if (mode == kLossyInterpLinear || !c.quadratic) return linear;
    const double* q = x + kLossyQuadWeights;
    const double a = h[i - 1].*value, b = h[i].*value, d = h[i + 1].*value;
    const double quadratic = q[0] * a + q[1] * b + q[2] * d;
    if (mode == kLossyInterpMixed && (quadratic > std::max({a, b, d}) || quadratic < std::min({a, b, d})))
        return linear;
    return quadratic;
}

void SetupRcCoefficients(double* x, const std::vector<LossyLinePoint>& h, double t, LossyCoefficients& c) {
    const double cbyr = x[kLossyCbyR], rcl = x[kLossyRclsqr];
    x[kLossyFirstH1] = HatWeights(h, t, [&](double u) { return RcH1dashTwiceInt(u, cbyr); }, c.h1);
    x[kLossyFirstH2] = HatWeights(h, t, [&](double u) { return RcH2TwiceInt(u, rcl); }, c.h2);
    x[kLossyFirstH3] = HatWeights(h, t, [&](double u) { return RcH3dashTwiceInt(u, cbyr, rcl); }, c.h3);
    x[kLossyCoeffSize] = static_cast<double>(c.h1.size());
    c.h2_delayed = 0;
    c.delayed = false;
    c.time = t;
}

void SetupRlcCoefficients(double* x, const std::vector<LossyLinePoint>& h, double t, LossyCoefficients& c) {
    const double beta = x[kLossyBeta], T = x[kLossyTd], alpha = x[kLossyAlpha];
    x[kLossyFirstH1] = HatWeights(h, t, [&](double u) { return LossyH1dashTwiceInt(u, beta); }, c.h1);
    x[kLossyFirstH2] = x[kLossyFirstH3] = 0;  // h2 and h3' begin only at TD
    x[kLossyCoeffSize] = static_cast<double>(c.h1.size());
    const size_t n = h.size();
    c.h2.assign(n, 0.0);
    c.h3.assign(n, 0.0);
    c.h2_delayed = 0;
    c.time = t;
    LocateDelayedPoint(x, h, t, c);
    if (!c.delayed) return;
    // The intervals up to t - TD; the last one ends there. h3' through its integral G
    // (the history's slope times the trapezoid of G), h2 by the trapezoid of the product
    // with the history, whose value at t - TD is the delayed one. Both trapezoids hold
    // over the safe step, so an interval longer than that (compaction leaves them) is
    // taken in pieces, along which the history is linear.
    const double end = t - T;
    const double safe = x[kLossySafeStep] > 0 ? x[kLossySafeStep] : T;
    const size_t m = std::min(static_cast<size_t>(x[kLossyAuxIndex]) + 1, n - 1);
    double g_at = LossyH3dashInt(t - h[0].t, T, beta), h2_at = LossyH2Response(t - h[0].t, T, alpha, beta);
    for (size_t k = 1; k <= m; ++k) {
        const double a = h[k - 1].t, b = std::min(h[k].t, end), span = Span(a, h[k].t);
        const int pieces = std::max(1, static_cast<int>(std::ceil((b - a) / safe - 1e-9)));
        double u0 = a;
        for (int p = 1; p <= pieces; ++p) {
            const double u1 = p == pieces ? b : a + (b - a) * p / pieces, half = (u1 - u0) / 2;
            const double g_b = LossyH3dashInt(t - u1, T, beta), h2_b = LossyH2Response(t - u1, T, alpha, beta);
            const double w = (g_at + g_b) * half / span;  // the slope's weight
            c.h3[k] += w;
            c.h3[k - 1] -= w;
            const double l0 = (u0 - a) / span;
            c.h2[k - 1] += half * h2_at * (1 - l0);
            c.h2[k] += half * h2_at * l0;
            if (k == m && p == pieces) {
                c.h2_delayed = half * h2_b;
            } else {
                const double l1 = (u1 - a) / span;
                c.h2[k - 1] += half * h2_b * (1 - l1);
                c.h2[k] += half * h2_b * l1;
            }
            g_at = g_b, h2_at = h2_b, u0 = u1;
        }
    }
    c.h2[0] = c.h3[0] = 0;
}

double WeightedDeviations(const std::vector<double>& weight, const std::vector<LossyLinePoint>& h,
                          double LossyLinePoint::*value) {
    const double initial = h.front().*value;
    double sum = 0;
    for (size_t j = 1; j < h.size(); ++j) sum += weight[j] * (h[j].*value - initial);
    return sum;
}

}  // namespace ob7
