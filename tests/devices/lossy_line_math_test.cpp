// The lossy line's numerical routines against outside values: the standard library's
// exact Bessel functions and erfc, tabulated values, and the defining integrals of the
// responses evaluated by quadrature.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "sim/devices/lossy_line_math.h"

namespace ob7 {
namespace {

// Simpson's rule over [a, b] with n (even) intervals.
double Simpson(const std::function<double(double)>& f, double a, double b, int n = 2000) {
    const double h = (b - a) / n;
    double s = f(a) + f(b);
    for (int k = 1; k < n; ++k) s += f(a + k * h) * (k % 2 ? 4 : 2);
    return s * h / 3;
}

TEST(LossyLineMath, BesselFunctionsMatchTheExactOnes) {
    // I0(1), I1(1), I0(5), I1(5) from the tables, and the library's exact functions
    // across the switch at 3.75 and far beyond it (the approximations hold to about 1e-6).
    EXPECT_NEAR(BesselI0(1), 1.266065878, 2e-7);
    EXPECT_NEAR(BesselI1(1), 0.565159104, 2e-7);
    EXPECT_NEAR(BesselI0(5) / 27.23987182, 1, 5e-7);
    EXPECT_NEAR(BesselI1(5) / 24.33564214, 1, 5e-7);
    for (double x : {0.0, 0.3, 2.0, 3.7499, 3.75, 4.0, 12.0, 80.0}) {
        const double i0 = std::cyl_bessel_i(0.0, x), i1 = std::cyl_bessel_i(1.0, x);
        EXPECT_NEAR(BesselI0(x) / i0, 1, 1e-6) << x;
        EXPECT_NEAR(BesselI0(-x) / i0, 1, 1e-6) << x;
        if (x > 0) {
            EXPECT_NEAR(BesselI1(x) / i1, 1, 1e-6) << x;
            EXPECT_NEAR(BesselI1(-x) / -i1, 1, 1e-6) << x;
            EXPECT_NEAR(BesselI1OverX(x) / (i1 / x), 1, 1e-6) << x;
        }
        EXPECT_NEAR(ScaledBesselI0(x) / (i0 * std::exp(-x)), 1, 1e-6) << x;
    }
    EXPECT_EQ(BesselI1OverX(0), 0.5);
    // The scaled forms stay finite where exp(x) would overflow.
    EXPECT_NEAR(ScaledBesselI0(1e6), 1 / std::sqrt(2 * std::numbers::pi * 1e6), 1e-9);
    EXPECT_TRUE(std::isfinite(ScaledBesselI1(-1e6)));
}

TEST(LossyLineMath, ComplementaryErrorFunction) {
    for (double x : {-3.0, -0.5, 0.0, 0.5, 1.0, 2.0, 6.0, 40.0})
        EXPECT_NEAR(ComplementaryErrorFunction(x), std::erfc(x), 2e-7) << x;
}

TEST(LossyLineMath, Interpolation) {
    double a, b, c;
    ASSERT_EQ(QuadraticInterpCoeffs(2.5, 1, 2, 4, &a, &b, &c), 0);
    // Exact for a parabola.
    const auto p = [](double t) { return 3 - 2 * t + 0.5 * t * t; };
    EXPECT_NEAR(a * p(1) + b * p(2) + c * p(4), p(2.5), 1e-14);
    ASSERT_EQ(QuadraticInterpCoeffs(4, 1, 2, 4, &a, &b, &c), 0);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 1);
    EXPECT_EQ(QuadraticInterpCoeffs(2.5, 1, 2, 2, &a, &b, &c), 1);
    EXPECT_EQ(QuadraticInterpCoeffs(2.5, 1, 2, 1, &a, &b, &c), 1);

    ASSERT_EQ(LinearInterpCoeffs(1.25, 1, 2, &a, &b), 0);
    EXPECT_DOUBLE_EQ(a, 0.75);
    EXPECT_DOUBLE_EQ(b, 0.25);
    ASSERT_EQ(LinearInterpCoeffs(2, 1, 2, &a, &b), 0);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(LinearInterpCoeffs(2, 1, 1, &a, &b), 1);
}

TEST(LossyLineMath, IntegralsOfALinearHistory) {
    // The line through (1, 2) and (3, 6) is 2t; over [0.5, 2.5] from 0.5.
    const auto f = [](double t) { return 2 * t; };
    const double lo = 0.5, hi = 2.5;
    EXPECT_NEAR(IntegrateLinear(lo, hi, 2, 6, 1, 3), Simpson(f, lo, hi), 1e-12);
    // Twice: the integral of (hi - s) f(s); three times: of (hi - s)^2 / 2 f(s).
    EXPECT_NEAR(IntegrateLinearTwice(lo, hi, 2, 6, 1, 3), Simpson([&](double s) { return (hi - s) * f(s); }, lo, hi), 1e-12);
    EXPECT_NEAR(IntegrateLinearThrice(lo, hi, 2, 6, 1, 3),
                Simpson([&](double s) { return (hi - s) * (hi - s) / 2 * f(s); }, lo, hi), 1e-12);
    // Coinciding points: the constant.
    EXPECT_DOUBLE_EQ(IntegrateLinear(0, 2, 3, 7, 1, 1), 6);
}

TEST(LossyLineMath, RcResponsesIntegrateTheirImpulseResponses) {
    const double cbyr = 2e-3, rclsqr = 1e-6;  // C/R, R C LEN^2
    // h1' once integrated is sqrt(C/R) / sqrt(pi t), h2 is the diffusion kernel
    // sqrt(a) / (2 sqrt(pi t^3)) exp(-a / 4t), h3' once integrated is
    // sqrt(C/R) exp(-a / 4t) / sqrt(pi t); each twice-integrated form is the integral of
    // (t - s) times the response (of the once-integrated form for h1' and h3').
    const double t = 3e-6;
    const auto h1_once = [&](double s) { return std::sqrt(cbyr / (std::numbers::pi * s)); };
    const auto h2 = [&](double s) {
        return s <= 0 ? 0 : std::sqrt(rclsqr) / (2 * std::sqrt(std::numbers::pi * s * s * s)) * std::exp(-rclsqr / (4 * s));
    };
    const auto h3_once = [&](double s) { return s <= 0 ? 0 : std::sqrt(cbyr) * std::exp(-rclsqr / (4 * s)) / std::sqrt(std::numbers::pi * s); };
    // The 1/sqrt(s) singularity: substitute s = u^2.
    EXPECT_NEAR(RcH1dashTwiceInt(t, cbyr), Simpson([&](double u) { return 2 * u * h1_once(u * u); }, 1e-12, std::sqrt(t)), 1e-9);
    EXPECT_NEAR(RcH2TwiceInt(t, rclsqr), Simpson([&](double s) { return (t - s) * h2(s); }, 0, t, 20000), 1e-12);
    EXPECT_NEAR(RcH3dashTwiceInt(t, cbyr, rclsqr), Simpson(h3_once, 0, t, 20000), 1e-9);
    EXPECT_EQ(RcH2TwiceInt(0, rclsqr), 0);
    EXPECT_EQ(RcH3dashTwiceInt(-1, cbyr, rclsqr), 0);
}

TEST(LossyLineMath, RlcResponses) {
    const double T = 1e-9, beta = 2e8, alpha = 2e8;
    // h2 against the exact Bessel function; 0 before the delay and without loss.
    for (double t : {1e-9, 1.5e-9, 4e-9, 30e-9}) {
        const double x = alpha * std::sqrt(t * t - T * T);
        const double exact = x == 0 ? alpha * alpha * T * 0.5 * std::exp(-beta * t)
                                    : alpha * alpha * T * std::exp(-beta * t) * std::cyl_bessel_i(1.0, x) / x;
        EXPECT_NEAR(LossyH2Response(t, T, alpha, beta) / exact, 1, 1e-6) << t;
    }
    EXPECT_EQ(LossyH2Response(0.5e-9, T, alpha, beta), 0);
    EXPECT_EQ(LossyH2Response(2e-9, T, 0, beta), 0);
    EXPECT_TRUE(std::isfinite(LossyH2Response(1e-3, T, alpha, beta)));

    // h1' = -beta exp(-beta t) (I0(beta t) - I1(beta t)), integrated twice.
    const double t = 6e-9;
    const auto h1 = [&](double s) {
        return -beta * std::exp(-beta * s) * (std::cyl_bessel_i(0.0, beta * s) - std::cyl_bessel_i(1.0, beta * s));
    };
    EXPECT_NEAR(LossyH1dashTwiceInt(t, beta), Simpson([&](double s) { return (t - s) * h1(s); }, 0, t), 1e-15);
    EXPECT_EQ(LossyH1dashTwiceInt(t, 0), 0);
    // h3' integrated from the delay: against the exact Bessel function, 0 up to T.
    const double exact = std::exp(-beta * t) * std::cyl_bessel_i(0.0, beta * std::sqrt(t * t - T * T)) - std::exp(-beta * T);
    EXPECT_NEAR(LossyH3dashInt(t, T, beta), exact, 1e-7);
    EXPECT_EQ(LossyH3dashInt(T, T, beta), 0);
    // Far beyond exp's range both stay finite and tend to their limits.
    EXPECT_NEAR(LossyH3dashInt(1e-3, T, beta), -std::exp(-beta * T), 1e-3);
    EXPECT_TRUE(std::isfinite(LossyH1dashTwiceInt(1e-3, beta)));
}

TEST(LossyLineMath, StraightLineCheck) {
    // Points on a line pass; a kink fails unless the tolerance takes it.
    EXPECT_TRUE(StraightLineCheck(3, 6, 2, 4, 1, 2, 1e-3, 1e-12));
    EXPECT_FALSE(StraightLineCheck(3, 6, 2, 5, 1, 2, 1e-3, 1e-12));
    EXPECT_TRUE(StraightLineCheck(3, 6, 2, 5, 1, 2, 1e-3, 1.0));
    // A negative waveform is judged by the size of its area.
    EXPECT_TRUE(StraightLineCheck(3, -6, 2, -4.001, 1, -2, 1e-3, 0));
}

}  // namespace
}  // namespace ob7
