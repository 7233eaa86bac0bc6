#pragma once
// The numerical routines of the lossy transmission line: interpolation at a delayed
// time, the modified Bessel functions and erfc the impulse responses are built from, the
// analytic integrals of those responses, exact integrals of a linearly interpolated
// history, and the straight-line test of compaction and the safe-step search.
// Every exponential argument is clamped to [-350, 350].

namespace ob7 {

// exp with its argument clamped to [-350, 350].
double ClampedExp(double x);

// Lagrange coefficients of t over three points; an exact hit gives a unit vector.
// Returns 1 (coefficients untouched) when two of the points coincide, else 0.
int QuadraticInterpCoeffs(double t, double t1, double t2, double t3, double* c1, double* c2, double* c3);
// 1 - x and x with x = (t - t1) / (t2 - t1); 1 when t1 = t2.
int LinearInterpCoeffs(double t, double t1, double t2, double* c1, double* c2);

// Modified Bessel functions of the first kind (polynomial approximations switching at
// |x| = 3.75), and I1(x)/x, which is 1/2 at 0.
double BesselI0(double x);
double BesselI1(double x);
double BesselI1OverX(double x);
// The same times exp(-|x|), which stay finite for any argument.
double ScaledBesselI0(double x);
double ScaledBesselI1(double x);

double ComplementaryErrorFunction(double x);

// The RLC line's far-end response to an impulse of current after the delay T:
// alpha^2 T exp(-beta t) I1(x)/x with x = alpha sqrt(t^2 - T^2); 0 before T and for
// alpha = 0.
double LossyH2Response(double t, double T, double alpha, double beta);

// Integrals over [lo, hi] of the straight line through (t1, v1) and (t2, v2): once,
// twice (from lo) and three times. A line with t1 = t2 is the constant v1.
double IntegrateLinear(double lo, double hi, double v1, double v2, double t1, double t2);
double IntegrateLinearTwice(double lo, double hi, double v1, double v2, double t1, double t2);
double IntegrateLinearThrice(double lo, double hi, double v1, double v2, double t1, double t2);

// The integrated impulse responses (all 0 at t <= 0, or before the delay T).
// RC line, cbyr = C/R and rclsqr = R C LEN^2, each integrated twice:
double RcH1dashTwiceInt(double t, double cbyr);                  // sqrt(4 cbyr t / pi)
double RcH2TwiceInt(double t, double rclsqr);                    // the erfc form
double RcH3dashTwiceInt(double t, double cbyr, double rclsqr);
// RLC line: h3' integrated once, h1' integrated twice.
double LossyH3dashInt(double t, double T, double beta);
double LossyH1dashTwiceInt(double t, double beta);

// True when the trapezoid area over (x3, x1) differs from the areas over (x3, x2) and
// (x2, x1) together by less than rel * |their sum| + abs: the three points lie close
// enough to a straight line.
bool StraightLineCheck(double x1, double y1, double x2, double y2, double x3, double y3, double rel, double abs);

}  // namespace ob7
