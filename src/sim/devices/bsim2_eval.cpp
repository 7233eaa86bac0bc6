// Level 5, the BSIM2 model: threshold with body effect and drain-induced barrier
// lowering, an effective gate drive that joins weak and strong inversion by a cubic
// between VGLOW and VGHIGH, mobility with vertical-field and velocity-saturation terms
// and a drain-bias dependence blended by tanh, impact ionization in saturation, and the
// charges of the intrinsic device (40/60 partition). Everything is computed in MosDual,
// so the conductances and capacitances are exact partials.

#include <algorithm>
#include <cmath>

#include "sim/devices/bsim12.h"

namespace ob7 {

namespace {

MosDual Max(const MosDual& a, double floor) { return a.v > floor ? a : MosDual(floor); }
MosDual Min(const MosDual& a, double ceiling) { return a.v < ceiling ? a : MosDual(ceiling); }
MosDual Tanh(const MosDual& x) {
    const double t = std::tanh(x.v);
    return ChainRule(x, t, 1 - t * t);
}

// The saturation voltage at effective gate drive vg: the velocity-saturation factor K
// and vg / (A sqrt(K)).
struct Saturation {
    MosDual uvert, k, vdsat;
};
Saturation SaturationAt(const MosDual& vg, const MosDual& ua, const MosDual& ub, const MosDual& u1s,
                        const MosDual& a) {
    Saturation r;
    r.uvert = Max(1 + vg * (ua + vg * ub), 0.2);
    const MosDual vc = u1s * vg / (a * r.uvert);
    r.k = (1 + vc + sqrt(1 + 2 * vc)) / 2;
    r.vdsat = vg / (a * sqrt(r.k));
    return r;
}

// The impact-ionization factor beyond the saturation voltage.
MosDual ImpactIonization(const Bsim2SizeParams& s, const MosDual& vds, const MosDual& vbs, const MosDual& vdsat) {
    const MosDual ai = s.ai0 + s.aiB * vbs, bi = s.bi0 + s.biB * vbs;
    return 1 + ai * exp(-Min(bi / (vds - vdsat), 30));
}

// The charges of the intrinsic device: accumulation, depletion, and strong inversion
// (linear and saturated) with the drain taking 40 % of the channel charge in saturation.
void Charges(const Bsim2SizeParams& s, const MosDual& vds, const MosDual& vbs, const MosDual& vgs,
             const MosDual& phisb, const MosDual& vth, const MosDual& vgst, const MosDual& ua, const MosDual& ub,
             const MosDual& u1s, const MosDual& a, Bsim12Evaluation& r) {
    const MosDual vbseff = vbs.v < 0 ? vbs : s.phi - phisb;
    const MosDual arg1 = vgs - vbseff - s.vfb;
    const MosDual arg2 = vth - vbseff - s.vfb;
    const MosDual qbulk = s.oneThirdCoxWL * arg2;
    r.qdrain = MosDual(0.0);
    if (arg1.v <= 0) {
        r.qgate = s.coxWL * arg1;
        r.qbulk = -r.qgate;
        return;
    }
    if (vgst.v <= 0) {
        const MosDual t = arg1 / arg2;
        r.qgate = s.coxWL * arg1 * (1 - t * (1 - t / 3));
        r.qbulk = -r.qgate;
        return;
    }
    const MosDual vdsat = SaturationAt(vgst, ua, ub, u1s, a).vdsat;
    r.qbulk = -qbulk;
    if (vds.v >= vdsat.v) {
        r.qgate = s.twoThirdsCoxWL * vgst + qbulk;
        r.qdrain = -0.4 * s.twoThirdsCoxWL * vgst;
        return;
    }
    const MosDual vgdt = vgst * (1 - vds / vdsat);
    const MosDual t0 = vgst / (vgst + vgdt), t1 = vgdt / (vgst + vgdt);
    r.qgate = s.twoThirdsCoxWL * (vgst + vgdt - vgdt * t0) + qbulk;
    r.qdrain = -s.oneThirdCoxWL * (0.2 * vgdt + 0.8 * vgst + vgdt * t1 + 0.2 * t0 * t1 * (vgdt - vgst));
}

}  // namespace

Bsim12Evaluation EvaluateBsim2(MosfetInstance& m, const MosDual& vds_in, const MosDual& vbs_in,
                               const MosDual& vgs_in, bool charges) {
    const Bsim2SizeParams& s = *m.bsim2;
    Bsim12Evaluation r;
    // Beyond the fitted range the voltages are held at its bounds.
    const MosDual vbs = vbs_in.v < -s.vbbLimit ? MosDual(-s.vbbLimit) : vbs_in;
    const MosDual vgs = Min(vgs_in, s.vggLimit);
    const MosDual vds = Min(vds_in, s.vddLimit);
    const double vtm = s.vtm;

    // Threshold; a forward-biased bulk continues the surface potential smoothly.
    MosDual phisb, t1s;
    if (vbs.v <= 0) {
        phisb = s.phi - vbs;
        t1s = sqrt(phisb);
    } else {
        phisb = s.phi * s.phi / (s.phi + vbs);
        t1s = s.phiSqrtPhi / (s.phi + 0.5 * vbs);
    }
    const MosDual eta = s.eta0 + s.etaB * vbs;
    const MosDual ua = s.ua0 + s.uaB * vbs, ub = s.ub0 + s.ubB * vbs, u1s = s.u10 + s.u1B * vbs;
    const MosDual vth = s.vfb + s.phi + s.k1 * t1s - s.k2 * phisb - eta * vds;
    const MosDual vgst = vgs - vth;
    const MosDual g = 1 - 1 / (1.744 + 0.8364 * phisb);
    const MosDual a = 1 + 0.5 * g * s.k1 / t1s;

    // Effective gate drive: Vgst above VGHIGH, the weak-inversion exponential below VGLOW,
    // and between them the cubic with the value and slope of each at its end.
    const bool weak_model = s.n0 != 0;
    MosDual vgeff = vgst, exp0, exp1;
    if (weak_model && vgst.v < s.vghigh) {
        const MosDual vof = s.vof0 + s.vofB * vbs + s.vofD * vds;
        const MosDual n = s.n0 + s.nB / t1s + s.nD * vds;
        const MosDual slope = 0.5 / (n * vtm);  // d ln(Vgeff) / d Vgst
        exp1 = exp(Max(-vds / vtm, -30));
        const MosDual drain_factor = Max(1 - exp1, 1e-18);
        const MosDual prefactor = sqrt(2 * a * drain_factor) * vtm;
        if (vgst.v <= s.vglow) {
            exp0 = exp(0.5 * vof + Max(vgst * slope, -30));
            vgeff = prefactor * exp0;
        } else {
            const MosDual low = sqrt(2 * a * (1 - exp1)) * vtm * exp(0.5 * vof + Max(s.vglow * slope, -30));
            const MosDual low_slope = low * slope;
            const double h = s.vghigh - s.vglow;
            const MosDual t = (vgst - s.vglow) / h, t2 = t * t, t3 = t2 * t;
            vgeff = (2 * t3 - 3 * t2 + 1) * low + (t3 - 2 * t2 + t) * h * low_slope + (3 * t2 - 2 * t3) * s.vghigh +
                    (t3 - t2) * h;
        }
    }

    r.ids = MosDual(0.0);
    if (vgeff.v > 0) {
        Saturation sat = SaturationAt(vgeff, ua, ub, u1s, a);
        const MosDual vdsat = Max(sat.vdsat, 1e-18);
        r.vdsat = vdsat.v;

        // Mobility: beta0 at zero drain bias turning towards betas at VDD by tanh.
        const MosDual beta0 = s.beta0 + s.beta0B * vbs, betas = s.betas0 + s.betasB * vbs;
        const MosDual beta2 = s.beta20 + s.beta2B * vbs + s.beta2G * vgs;
        const MosDual beta3 = s.beta30 + s.beta3B * vbs + s.beta3G * vgs;
        const MosDual beta4 = s.beta40 + s.beta4B * vbs + s.beta4G * vgs;
        const MosDual beta1 = betas - (beta0 + s.vdd * (beta3 - s.vdd * beta4));
        const MosDual beta = beta0 + beta1 * Tanh(Min(vds * beta2 / vdsat, 30)) + vds * (beta3 - beta4 * vds);

        if (!weak_model || vgst.v > s.vglow) {
            if (vds.v <= vdsat.v) {
                const MosDual x = vds / vdsat - 1;
                const MosDual u1 = u1s * (1 - s.u1D * x * x);
                const MosDual utot = Max(sat.uvert + u1 * vds, 0.5);
                r.ids = beta / utot * (vgeff - 0.5 * a * vds) * vds;
                m.region = kRegionLin;
            } else {
                r.ids = beta / sat.uvert * 0.5 * vgeff * vgeff / (a * sat.k);
                if (s.ai0 != 0) r.ids *= ImpactIonization(s, vds, vbs, vdsat);
            }
        } else {
            r.ids = beta * vtm * vtm * exp0 * exp0 * (1 - exp1);
            if (vds.v > vdsat.v && s.ai0 != 0) r.ids *= ImpactIonization(s, vds, vbs, vdsat);
        }
    }
    r.ids.v = std::max(r.ids.v, 1e-50);
    r.von = vth.v;

    if (charges) Charges(s, vds, vbs, vgs, phisb, vth, vgst, ua, ub, u1s, a, r);
    return r;
}

}  // namespace ob7
