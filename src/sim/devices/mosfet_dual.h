#pragma once
// A value with its three partial derivatives by vgs, vds and vbs. The level-2 and level-3
// channel kernels compute their current in it, so that gm, gds and gmbs are the exact
// derivatives of the current they return, in every branch of the equations. Below it,
// the steps both kernels share.

#include <cmath>

#include "sim/devices/mosfet.h"

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

// --- Steps shared by the level-2 and level-3 kernels ------------------------------------
// The kernel's variables: vgs, vds and vbs of the present mode.
struct MosKernelBias {
    MosDual vgs, vds, vbs;
};
inline MosKernelBias KernelBias(const MosfetInstance& m, const MosVoltages& volts) {
    const bool normal = m.mode > 0;
    return {MosDual::Variable(normal ? volts.vgs : volts.vgd, 0), MosDual::Variable(volts.vds, 1),
            MosDual::Variable(normal ? volts.vbs : volts.vbd, 2)};
}

// The surface potential under the bulk bias, phi - vbs, and its square root, continued
// smoothly into forward bias.
inline void SurfacePotential(double phi, const MosDual& vbs, MosDual* phibs, MosDual* sqphibs) {
    if (vbs.v <= 0) {
        *phibs = phi - vbs;
        *sqphibs = sqrt(*phibs);
    } else {
        *sqphibs = std::sqrt(phi) / (1 + vbs / (2 * phi));
        *phibs = *sqphibs * *sqphibs;
    }
}

// A channel that is off: no current and no conductances.
inline double ChannelOff(MosfetInstance& m) {
    m.gm = m.gds = m.gmbs = 0;
    m.vdsat = 0;
    m.region = kRegionOff;
    return 0;
}

// The conductances are the current's partials.
inline double ChannelCurrent(MosfetInstance& m, const MosDual& current) {
    m.gm = current.d[0];
    m.gds = current.d[1];
    m.gmbs = current.d[2];
    return current.v;
}

}  // namespace ob7
