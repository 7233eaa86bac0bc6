#include "sim/devices/lossy_line_math.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ob7 {

double ClampedExp(double x) { return std::exp(std::clamp(x, -350.0, 350.0)); }

int QuadraticInterpCoeffs(double t, double t1, double t2, double t3, double* c1, double* c2, double* c3) {
    if (t1 == t2 || t2 == t3 || t1 == t3) return 1;
    if (t == t1) return *c1 = 1, *c2 = 0, *c3 = 0, 0;
    if (t == t2) return *c1 = 0, *c2 = 1, *c3 = 0, 0;
    if (t == t3) return *c1 = 0, *c2 = 0, *c3 = 1, 0;
    *c1 = (t - t2) * (t - t3) / ((t1 - t2) * (t1 - t3));
    *c2 = (t - t1) * (t - t3) / ((t2 - t1) * (t2 - t3));
    *c3 = (t - t1) * (t - t2) / ((t3 - t1) * (t3 - t2));
    return 0;
}

int LinearInterpCoeffs(double t, double t1, double t2, double* c1, double* c2) {
    if (t1 == t2) return 1;
    if (t == t1) return *c1 = 1, *c2 = 0, 0;
    if (t == t2) return *c1 = 0, *c2 = 1, 0;
    const double x = (t - t1) / (t2 - t1);
    *c1 = 1 - x, *c2 = x;
    return 0;
}

namespace {

// Polynomials in (x/3.75)^2 below 3.75 (I0, and I1/x) and in 3.75/|x| above (the
// scaled forms times sqrt(|x|)).
double SmallI0(double x) {
    const double t = (x / 3.75) * (x / 3.75);
    return 1 + t * (3.5156229 + t * (3.0899424 + t * (1.2067492 + t * (0.2659732 + t * (0.0360768 + t * 0.0045813)))));
}

double SmallI1OverX(double x) {
    const double t = (x / 3.75) * (x / 3.75);
    return 0.5 + t * (0.87890594 + t * (0.51498869 + t * (0.15084934 + t * (0.02658733 + t * (0.00301532 + t * 0.00032411)))));
}

double LargeScaledI0(double ax) {
    const double t = 3.75 / ax;
    return (0.39894228 + t * (0.01328592 + t * (0.00225319 + t * (-0.00157565 + t * (0.00916281 + t * (-0.02057706 + t * (0.02635537 + t * (-0.01647633 + t * 0.00392377)))))))) /
           std::sqrt(ax);
}

double LargeScaledI1(double ax) {
    const double t = 3.75 / ax;
    return (0.39894228 + t * (-0.03988024 + t * (-0.00362018 + t * (0.00163801 + t * (-0.01031555 + t * (0.02282967 + t * (-0.02895312 + t * (0.01787654 - t * 0.00420059)))))))) /
           std::sqrt(ax);
}

}  // namespace

double BesselI0(double x) {
    const double ax = std::fabs(x);
    return ax < 3.75 ? SmallI0(x) : LargeScaledI0(ax) * ClampedExp(ax);
}

double BesselI1(double x) {
    const double ax = std::fabs(x);
    return ax < 3.75 ? x * SmallI1OverX(x) : std::copysign(LargeScaledI1(ax) * ClampedExp(ax), x);
}

double BesselI1OverX(double x) {
    const double ax = std::fabs(x);
    return ax < 3.75 ? SmallI1OverX(x) : LargeScaledI1(ax) * ClampedExp(ax) / ax;
}

double ScaledBesselI0(double x) {
    const double ax = std::fabs(x);
    return ax < 3.75 ? SmallI0(x) * std::exp(-ax) : LargeScaledI0(ax);
}

double ScaledBesselI1(double x) {
    const double ax = std::fabs(x);
    return ax < 3.75 ? x * SmallI1OverX(x) * std::exp(-ax) : std::copysign(LargeScaledI1(ax), x);
}

double ComplementaryErrorFunction(double x) {
    const double ax = std::fabs(x);
    const double t = 1 / (1 + 0.3275911 * ax);
    const double tail =
        t * (0.254829592 + t * (-0.284496736 + t * (1.421413741 + t * (-1.453152027 + t * 1.061405429)))) * ClampedExp(-ax * ax);
    return x >= 0 ? tail : 2 - tail;
}

double LossyH2Response(double t, double T, double alpha, double beta) {
    if (alpha == 0 || t < T) return 0;
    const double x = alpha * std::sqrt(t * t - T * T);
    // exp(-beta t) I1(x) / x, with I1 kept scaled: x never exceeds beta t.
    const double i1_over_x = x < 3.75 ? SmallI1OverX(x) * ClampedExp(-beta * t) : LargeScaledI1(x) / x * ClampedExp(x - beta * t);
    return alpha * alpha * T * i1_over_x;
}

namespace {

// The value at lo and the slope of the line through (t1, v1), (t2, v2).
void LineAtLow(double lo, double v1, double v2, double t1, double t2, double* a, double* m) {
    *m = t1 == t2 ? 0 : (v2 - v1) / (t2 - t1);
    *a = v1 + *m * (lo - t1);
}

}  // namespace

double IntegrateLinear(double lo, double hi, double v1, double v2, double t1, double t2) {
    double a, m;
    LineAtLow(lo, v1, v2, t1, t2, &a, &m);
    const double w = hi - lo;
    return w * (a + m * w / 2);
}

double IntegrateLinearTwice(double lo, double hi, double v1, double v2, double t1, double t2) {
    double a, m;
    LineAtLow(lo, v1, v2, t1, t2, &a, &m);
    const double w = hi - lo;
    return w * w * (a / 2 + m * w / 6);
}

double IntegrateLinearThrice(double lo, double hi, double v1, double v2, double t1, double t2) {
    double a, m;
    LineAtLow(lo, v1, v2, t1, t2, &a, &m);
    const double w = hi - lo;
    return w * w * w * (a / 6 + m * w / 24);
}

double RcH1dashTwiceInt(double t, double cbyr) {
    if (t <= 0) return 0;
    return std::sqrt(4 * cbyr * t / std::numbers::pi);
}

double RcH2TwiceInt(double t, double rclsqr) {
    if (t <= 0) return 0;
    const double q = rclsqr / (4 * t);
    return ComplementaryErrorFunction(std::sqrt(q)) * (t + rclsqr / 2) - std::sqrt(t * rclsqr / std::numbers::pi) * ClampedExp(-q);
}

double RcH3dashTwiceInt(double t, double cbyr, double rclsqr) {
    if (t <= 0) return 0;
    const double q = rclsqr / (4 * t);
    return std::sqrt(cbyr) * (2 * std::sqrt(t / std::numbers::pi) * ClampedExp(-q) -
                              std::sqrt(rclsqr) * ComplementaryErrorFunction(std::sqrt(q)));
}

double LossyH3dashInt(double t, double T, double beta) {
    if (t <= T || beta == 0) return 0;
    const double x = beta * std::sqrt(t * t - T * T);
    return ScaledBesselI0(x) * ClampedExp(x - beta * t) - ClampedExp(-beta * T);
}

double LossyH1dashTwiceInt(double t, double beta) {
    if (t <= 0 || beta == 0) return 0;
    const double x = beta * t;
    return t * (ScaledBesselI0(x) + ScaledBesselI1(x)) - t;
}

bool StraightLineCheck(double x1, double y1, double x2, double y2, double x3, double y3, double rel, double abs) {
    const double whole = (x1 - x3) * (y1 + y3) / 2;
    const double parts = (x2 - x3) * (y2 + y3) / 2 + (x1 - x2) * (y1 + y2) / 2;
    return std::fabs(whole - parts) < rel * std::fabs(parts) + abs;
}

}  // namespace ob7
