// MOSFET level 2: the Grove-Frohman charge-sheet model. Threshold with the short-channel
// sharing of the depletion charge and the narrow-width term; mobility reduction by the
// vertical field (UCRIT, UEXP, UTRA); the 3/2-power bulk-charge current; saturation at
// the pinch-off voltage of the charge model or, with VMAX, where the carriers reach
// their limited velocity; channel-length modulation; weak inversion.

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/mosfet_dual.h"

namespace ob7 {

namespace {

constexpr double kNarrowWidth = 8.136278394671435e-11;  // pi/4 * permittivity of silicon

struct Level2Terms {
    MosDual vbin, eta, gamasd, phibs, sarg;  // the bulk charge at the source
    double phi;
};

// Current of the charge model at drain voltage vdsx (below saturation).
MosDual ChargeModelCurrent(const Level2Terms& t, const MosDual& vgsx, const MosDual& vdsx) {
    const MosDual sbarg = sqrt(t.phibs + vdsx);
    return (vgsx - t.vbin - t.eta * vdsx / 2) * vdsx -
           2.0 / 3.0 * t.gamasd * (sbarg * sbarg * sbarg - t.sarg * t.sarg * t.sarg);
}

// Pinch-off: the drain voltage at which the inversion charge at the drain vanishes.
MosDual PinchOffVoltage(const Level2Terms& t, const MosDual& vgsx) {
    const MosDual vgst = (vgsx - t.vbin) / t.eta;
    if (t.gamasd.v <= 0) return vgst;
    const MosDual gammad = t.gamasd / t.eta;
    const MosDual arg = 1 + 4 * (vgst + t.phibs) / (gammad * gammad);
    if (arg.v <= 0) return 0;
    return vgst + gammad * gammad / 2 * (1 - sqrt(arg));
}

// With a limited carrier velocity: the drain voltage at which the charge-model current
// equals the current the inversion charge at the drain carries at that velocity. The
// difference of the two rises monotonically from 0 to the pinch-off voltage, so a
// bracketed Newton search finds it; its moves with the terminal voltages follow from
// the implicit function rule.
MosDual VelocitySaturationVoltage(const Level2Terms& t, const MosDual& vgsx, const MosDual& pinch, double leff,
                                  const MosDual& ueff, double vmax) {
    const MosDual xv = vmax * leff / ueff;
    const auto residual = [&](double v) {
        const MosDual sbarg = sqrt(t.phibs + v);
        const MosDual charge = vgsx - t.vbin - t.eta * v - t.gamasd * sbarg;
        return ChargeModelCurrent(t, vgsx, MosDual(v)) - xv * charge;
    };
    const auto slope_at = [&](double v) {
        const double h = 1e-7 * std::max(1.0, std::fabs(v));
        return (residual(v + h).v - residual(v - h).v) / (2 * h);
    };
    double low = 0, high = pinch.v, v = pinch.v;
    for (int i = 0; i < 60 && high - low > 1e-13 * std::max(1.0, high); ++i) {
        const double g = residual(v).v;
        if (g > 0) high = v;
        else low = v;
        const double slope = slope_at(v);
        double next = slope > 0 ? v - g / slope : 0.5 * (low + high);
        if (!(next > low && next < high)) next = 0.5 * (low + high);
        if (std::fabs(next - v) <= 1e-14 * std::max(1.0, std::fabs(v))) break;
        v = next;
    }
    const MosDual at_root = residual(v);
    const double slope = slope_at(v);
    MosDual root(v);
    if (slope != 0)
        for (int i = 0; i < 3; ++i) root.d[i] = -at_root.d[i] / slope;
    return root;
}

}  // namespace

double EvaluateMos2Current(MosfetInstance& m, const MosVoltages& volts) {
    const double* x = ModelReals(*m.model);
    const Mos123Values& e = m.m123;
    const auto [vgs, vds, vbs] = KernelBias(m, volts);

    // A surface potential driven to zero or below by the temperature keeps the square
    // roots real (its warning was recorded by the preparation).
    const double p = x[kMosPolarity], phi = std::max(e.tPhi, 1e-6), gamma = x[kMosGamma];
    const double cox = x[kMosTox], leff = m.Leff, weff = m.Weff;
    const double xj = x[kMosXj], xd = x[kMosDepletionFactor], lambda = x[kMosLambda];
    const double ucrit = x[kMosUcrit], uexp = x[kMosUexp], utra = x[kMosUtra];
    const double vmax = x[kMosVmax], nfs = x[kMosNfs], vt = x[kMosVt];

    Level2Terms t;
    t.phi = phi;
    SurfacePotential(phi, vbs, &t.phibs, &t.sarg);
    // Narrow channel: a fringe of depletion charge along the width.
    const double factor = cox > 0 && weff > 0 ? kNarrowWidth * x[kMosDelta] / (cox * weff) : 0.0;
    t.eta = 1 + factor;
    t.vbin = p * x[kMosThresholdOffset] + factor * t.phibs;

    // Short channel: source and drain junctions take part of the depletion charge.
    t.gamasd = gamma;
    if (xj > 0 && xd > 0) {
        const MosDual sbarg = sqrt(t.phibs + vds);
        const MosDual argss = 0.5 * xj / leff * (sqrt(1 + 2 * xd * t.sarg / xj) - 1);
        const MosDual argsd = 0.5 * xj / leff * (sqrt(1 + 2 * xd * sbarg / xj) - 1);
        t.gamasd = gamma * (1 - argss - argsd);
    }
    const MosDual vth = t.vbin + t.gamasd * t.sarg;

    MosDual von = vth, xn = 1;
    if (nfs != 0 && cox != 0) {
        xn = 1 + kElectronCharge * nfs / cox + t.gamasd / (2 * t.sarg) + factor;
        von = vth + vt * xn;
    }
    m.von = p * von.v;
    if (nfs == 0 && vgs.v <= von.v) return ChannelOff(m);
    const bool weak = vgs.v < von.v;
    const MosDual vgsx = weak ? von : vgs;

    // Mobility falls once the vertical field passes the critical one.
    MosDual ufact = 1;
    if (uexp != 0 && cox != 0) {
        const MosDual drive = vgsx - vth - utra * vds;
        if (drive.v > ucrit) ufact = pow(ucrit / drive, uexp);
    }
    const MosDual beta = e.Beta * ufact;

    MosDual vdsat = PinchOffVoltage(t, vgsx);
    if (vmax > 0 && vdsat.v > 0)
        vdsat = VelocitySaturationVoltage(t, vgsx, vdsat, leff, x[kMosUo] * ufact, vmax);
    if (vdsat.v < 0) vdsat = 0;
    m.vdsat = p * vdsat.v;

    const bool saturated = vds.v > vdsat.v;
    MosDual current = beta * ChargeModelCurrent(t, vgsx, saturated ? vdsat : vds);

    if (saturated) {
        // Channel-length modulation: given, or from the depletion width at the drain.
        MosDual shortening = 0;
        if (lambda > 0) {
            shortening = lambda * (vds - vdsat);
        } else if (xd > 0) {
            const MosDual arga = (vds - vdsat) / 4;
            shortening = xd / leff * (sqrt(arga + sqrt(1 + arga * arga)) - 1);
        }
        if (shortening.v > 0.5) shortening = 1 - 1 / (4 * shortening);
        current = current / (1 - shortening);
    }

    if (weak) current = current * exp((vgs - von) / (vt * xn));
    m.region = saturated ? kRegionSat : kRegionLin;
    return ChannelCurrent(m, current);
}

}  // namespace ob7
