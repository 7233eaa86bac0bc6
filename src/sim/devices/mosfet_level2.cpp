// MOSFET level 2: the Grove-Frohman charge-sheet model. Threshold with the short-channel
// sharing of the depletion charge and the narrow-width term; mobility reduction by the
// vertical field (UCRIT, UEXP); the 3/2-power bulk-charge current; saturation at the
// pinch-off voltage of the charge model or, with VMAX, where the carriers reach their
// limited velocity; channel shortening in both regions (LAMBDA, or the depletion width
// at the drain, with NEFF under VMAX), limited at punch-through; weak inversion.

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
};

// sqrt(phi - v) as SurfacePotential continues it, and its slope by v.
void RootWithSlope(double phi, const MosDual& v, MosDual* root, MosDual* slope) {
    MosDual square;
    SurfacePotential(phi, v, &square, root);
    if (v.v <= 0) *slope = -0.5 / *root;
    else *slope = -0.5 * *root * *root / (phi * std::sqrt(phi));
}

// Current of the charge model at drain voltage vdsx (below saturation), per beta.
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
// equals the current the inversion charge at the drain carries at that velocity (the
// quartic of the published model in sqrt(phi - vbs + vds)). The difference of the two
// rises monotonically from 0 to the pinch-off voltage, so a bracketed Newton search finds
// its one root there; its moves with the terminal voltages follow from the implicit
// function rule.
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

// The effective channel length over the drawn one: 1 less the shortening at the drain,
// kept above the depletion width of the bulk junction where the drain punches through.
MosDual LengthFactor(const double* x, const Level2Terms& t, const MosDual& vgsx, const MosDual& vds,
                     const MosDual& vdsat, const MosDual& ueff, double leff) {
    const double lambda = x[kMosLambda], xd = x[kMosDepletionFactor], vmax = x[kMosVmax];
    MosDual shortening = 0;  // the length the channel loses
    if (lambda > 0) {
        shortening = lambda * vds * leff;
    } else if (x[kMosNsub] > 0 && xd > 0) {
        if (vmax > 0) {
            // Beyond velocity saturation the charges of the depleted zone (NEFF of them
            // per dopant) carry the field at the drain.
            const double xdv = xd / std::sqrt(x[kMosNeff]);
            const MosDual xlv = vmax * xdv / (2 * ueff);
            MosDual argv = vds - vdsat;
            if (argv.v < 0) argv = 0;
            shortening = xdv * (sqrt(xlv * xlv + argv) - xlv);
        } else {
            const MosDual argv = (vds - vdsat) / 4;
            shortening = xd * sqrt(argv + sqrt(1 + argv * argv));
        }
    }
    const double xwb = x[kMosNsub] > 0 ? xd * std::sqrt(x[kMosPb]) : 0.25e-6;
    MosDual xleff = leff - shortening;
    if (xleff.v < xwb) xleff = xwb / (1 + (shortening - (leff - xwb)) / xwb);
    return xleff / leff;
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
    const double xj = x[kMosXj], xd = x[kMosDepletionFactor];
    const double ucrit = x[kMosUcrit], uexp = x[kMosUexp], vmax = x[kMosVmax], nfs = x[kMosNfs], vt = x[kMosVt];

    Level2Terms t;
    MosDual dsarg, barg, dbarg;  // slopes by vbs at fixed vds
    RootWithSlope(phi, vbs, &t.sarg, &dsarg);
    RootWithSlope(phi, vbs - vds, &barg, &dbarg);
    t.phibs = t.sarg * t.sarg;
    // Narrow channel: a fringe of depletion charge along the width.
    const double factor = cox > 0 && weff > 0 ? kNarrowWidth * x[kMosDelta] / (cox * weff) : 0.0;
    t.eta = 1 + factor;
    t.vbin = p * x[kMosThresholdOffset] + factor * t.phibs;

    // Short channel: source and drain junctions take part of the depletion charge.
    t.gamasd = gamma;
    MosDual dgamasd = 0;
    if (xj > 0 && xd > 0) {
        const MosDual args = sqrt(1 + 2 * xd * t.sarg / xj), argd = sqrt(1 + 2 * xd * barg / xj);
        t.gamasd = gamma * (1 - 0.5 * xj / leff * (args - 1) - 0.5 * xj / leff * (argd - 1));
        dgamasd = -gamma * 0.5 * xd / leff * (dsarg / args + dbarg / argd);
    }
    const MosDual vth = t.vbin + t.gamasd * t.sarg;

    MosDual von = vth, xn = 1;
    if (nfs != 0 && cox != 0) {
        // The subthreshold slope: fast surface states, then the depletion capacitance,
        // the threshold's fall with the bulk bias.
        xn = 1 + kElectronCharge * nfs / cox - (t.gamasd * dsarg + dgamasd * t.sarg) + factor;
        von = vth + vt * xn;
    }
    m.von = p * von.v;
    if (nfs == 0 && vgs.v <= von.v) return ChannelOff(m);
    const bool weak = vgs.v < von.v;
    const MosDual vgsx = weak ? von : vgs;

    // Mobility falls once the vertical field passes the critical one.
    MosDual ufact = 1;
    if (uexp != 0 && cox != 0) {
        const MosDual drive = vgsx - von;
        if (drive.v > ucrit) ufact = pow(ucrit / drive, uexp);
    }
    const MosDual ueff = x[kMosUo] * ufact;

    MosDual vdsat = PinchOffVoltage(t, vgsx);
    if (vmax > 0 && vdsat.v > 0) vdsat = VelocitySaturationVoltage(t, vgsx, vdsat, leff, ueff, vmax);
    if (vdsat.v < 0) vdsat = 0;
    m.vdsat = p * vdsat.v;

    const MosDual beta = e.Beta * ufact / LengthFactor(x, t, vgsx, vds, vdsat, ueff, leff);
    const bool saturated = vds.v > vdsat.v;
    MosDual current = beta * ChargeModelCurrent(t, vgsx, saturated ? vdsat : vds);
    if (weak) current = current * exp((vgs - von) / (vt * xn));
    m.region = saturated ? kRegionSat : kRegionLin;
    return ChannelCurrent(m, current);
}

}  // namespace ob7
