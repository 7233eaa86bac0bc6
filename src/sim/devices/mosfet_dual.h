#pragma once
// A value with its three partial derivatives by vgs, vds and vbs. The level-2 and level-3
// channel kernels compute their current in it, so that gm, gds and gmbs are the exact
// derivatives of the current they return, in every branch of the equations.

#include <cmath>

namespace ob7 {

struct MosDual {
    double v = 0;
    double d[3] = {0, 0, 0};  // by vgs, vds, vbs

    MosDual() = default;
    MosDual(double value) : v(value) {}  // NOLINT: constants take part freely
    static MosDual Variable(double value, int which) {
        MosDual x(value);
        x.d[which] = 1;
        return x;
    }
};

// The derivative of f at x.v is f'(x.v) times each partial of x.
inline MosDual ChainRule(const MosDual& x, double value, double slope) {
    MosDual r(value);
    for (int i = 0; i < 3; ++i) r.d[i] = slope * x.d[i];
    return r;
}

inline MosDual operator+(const MosDual& a, const MosDual& b) {
    MosDual r(a.v + b.v);
    for (int i = 0; i < 3; ++i) r.d[i] = a.d[i] + b.d[i];
    return r;
}
inline MosDual operator-(const MosDual& a, const MosDual& b) {
    MosDual r(a.v - b.v);
    for (int i = 0; i < 3; ++i) r.d[i] = a.d[i] - b.d[i];
    return r;
}
inline MosDual operator-(const MosDual& a) { return MosDual(0.0) - a; }
inline MosDual operator*(const MosDual& a, const MosDual& b) {
    MosDual r(a.v * b.v);
    for (int i = 0; i < 3; ++i) r.d[i] = a.d[i] * b.v + a.v * b.d[i];
    return r;
}
inline MosDual operator/(const MosDual& a, const MosDual& b) {
    MosDual r(a.v / b.v);
    for (int i = 0; i < 3; ++i) r.d[i] = (a.d[i] * b.v - a.v * b.d[i]) / (b.v * b.v);
    return r;
}
inline MosDual& operator+=(MosDual& a, const MosDual& b) { return a = a + b; }
inline MosDual& operator-=(MosDual& a, const MosDual& b) { return a = a - b; }
inline MosDual& operator*=(MosDual& a, const MosDual& b) { return a = a * b; }
inline MosDual& operator/=(MosDual& a, const MosDual& b) { return a = a / b; }

inline MosDual sqrt(const MosDual& x) {
    const double s = std::sqrt(x.v);
    return ChainRule(x, s, s > 0 ? 0.5 / s : 0.0);
}
inline MosDual exp(const MosDual& x) {
    const double e = std::exp(x.v);
    return ChainRule(x, e, e);
}
inline MosDual log(const MosDual& x) { return ChainRule(x, std::log(x.v), 1 / x.v); }
inline MosDual pow(const MosDual& x, double p) {
    const double r = std::pow(x.v, p);
    return ChainRule(x, r, x.v != 0 ? p * r / x.v : 0.0);
}
inline MosDual atan(const MosDual& x) { return ChainRule(x, std::atan(x.v), 1 / (1 + x.v * x.v)); }

}  // namespace ob7
