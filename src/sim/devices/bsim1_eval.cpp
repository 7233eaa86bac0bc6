// Level 4, the BSIM1 model: channel current (strong inversion with vertical-field and
// velocity-saturation mobility reduction, the mobility interpolated in vds up to VDD,
// and the subthreshold current) and the charges of the intrinsic device. Everything
// is computed in MosDual, so the conductances and capacitances are exact partials.

#include <cmath>

#include "sim/devices/bsim12.h"

namespace ob7 {

namespace {

constexpr double kSubthresholdOff = 200;  // N0 at or above it turns the subthreshold current off

MosDual Max(const MosDual& a, double floor) { return a.v > floor ? a : MosDual(floor); }

// The mobility term beta at vds: a quadratic from beta0 at vds = 0 to betaVdd at VDD
// with slope betaVddD there, continued as a line above VDD.
MosDual Beta(const Bsim1SizeParams& s, const MosDual& vds, const MosDual& vbs) {
    const MosDual beta0 = s.betaZero + s.betaZeroB * vbs;
    const MosDual beta_vdd = s.betaVdd + s.betaVddB * vbs;
    const double vdd = s.vdd, slope = s.betaVddD;
    if (vds.v > vdd || vdd <= 0) return beta_vdd + slope * (vds - vdd);
    const MosDual c2 = (beta0 + slope * vdd - beta_vdd) / (vdd * vdd);
    const MosDual c1 = slope - 2 * vdd * c2;
    return beta0 + vds * (c1 + c2 * vds);
}

// The charges of the intrinsic device (gate, bulk, drain), with the long-channel
// threshold vfb + phi + k1 sqrt(phi - vbs) and the 40/60 (XPART below 0.5) or 0/100
// partition of the channel charge.
void Charges(MosfetInstance& m, const Bsim1SizeParams& s, const MosDual& vds, const MosDual& vbs,
             const MosDual& vgs, const MosDual& sqrt_vpb, const MosDual& a, Bsim12Evaluation& r) {
    const double cox_wl = s.coxWL;
    const MosDual vgb = vgs - vbs;
    if (vgb.v - s.vfb <= 0) {
        r.qgate = cox_wl * (vgb - s.vfb);
        r.qbulk = -r.qgate;
        r.qdrain = MosDual(0.0);
        m.region = kRegionBsimAccumulation;
        return;
    }
    const MosDual vth0 = s.vfb + s.phi + s.k1 * sqrt_vpb;
    if (vgs.v <= vth0.v) {
        const double k1sq = s.k1 * s.k1;
        r.qgate = cox_wl * k1sq / 2 * (sqrt(1 + 4 * (vgb - s.vfb) / k1sq) - 1);
        r.qbulk = -r.qgate;
        r.qdrain = MosDual(0.0);
        m.region = kRegionBsimDepletion;
        return;
    }
    const MosDual vgst = vgs - vth0;
    const MosDual vdsat = vgst / a;
    const bool forty_sixty = s.xpart < 0.5;
    if (vds.v < vdsat.v) {
        const MosDual x = vgst - a * vds / 2;
        const MosDual t = a * vds * vds / (12 * x);
        r.qgate = cox_wl * (vgs - s.vfb - s.phi - vds / 2 + t);
        r.qbulk = cox_wl * (s.vfb + s.phi - vth0 + (1 - a) * (vds / 2 - t));
        if (forty_sixty) {
            r.qdrain = -cox_wl * (vgst / 2 - a * vds / 2 +
                                  a * vds * (vgst * vgst / 6 - a * vds * vgst / 8 + a * a * vds * vds / 40) / (x * x));
        } else {
            const MosDual qsource = -cox_wl * (vgst / 2 + a * vds / 4 - a * a * vds * vds / (24 * x));
            r.qdrain = -(r.qgate + r.qbulk) - qsource;
        }
    } else {
        r.qgate = cox_wl * (vgs - s.vfb - s.phi - vdsat / 3);
        r.qbulk = cox_wl * (s.vfb + s.phi - vth0 + (1 - a) * vdsat / 3);
        r.qdrain = forty_sixty ? -4.0 / 15 * cox_wl * vgst : MosDual(0.0);
    }
}

}  // namespace

Bsim12Evaluation EvaluateBsim1(MosfetInstance& m, const MosDual& vds, const MosDual& vbs, const MosDual& vgs,
                               bool charges) {
    const Bsim1SizeParams& s = *m.bsim1;
    Bsim12Evaluation r;

    // Threshold with drain-induced barrier lowering (eta never below 0).
    const MosDual vpb = s.phi - vbs;
    const MosDual sqrt_vpb = sqrt(Max(vpb, 1e-12));
    MosDual eta = s.eta + s.etaB * vbs + s.etaD * (vds - s.vdd);
    eta = Max(eta, 0);
    const MosDual vth = s.vfb + s.phi + s.k1 * sqrt_vpb - s.k2 * vpb - eta * vds;
    const MosDual g = 1 - 1 / (1.744 + 0.8364 * vpb);
    const MosDual a = 1 + 0.5 * g * s.k1 / sqrt_vpb;

    // Mobility reductions.
    const MosDual beta = Beta(s, vds, vbs);
    const MosDual ugs = Max(s.ugs + s.ugsB * vbs, 0);
    const MosDual uds = Max(s.uds + s.udsB * vbs + s.udsD * (vds - s.vdd), 0);

    // Strong inversion.
    const MosDual vgst = vgs - vth;
    r.ids = MosDual(0.0);
    if (vgst.v > 0) {
        const MosDual vc = uds * vgst / a;
        const MosDual k = (1 + vc + sqrt(1 + 2 * vc)) / 2;
        const MosDual vdsat = vgst / (a * sqrt(k));
        r.vdsat = vdsat.v;
        if (vds.v < vdsat.v) {
            r.ids = beta / (1 + ugs * vgst) * (vgst * vds - a / 2 * vds * vds) / (1 + uds * vds);
            m.region = kRegionLin;
        } else {
            r.ids = beta * vgst * vgst / (2 * a * k * (1 + ugs * vgst));
            m.region = kRegionSat;
        }
    } else {
        m.region = kRegionOff;
    }

    // Subthreshold current, bounded by its strong-inversion limit and added everywhere.
    if (s.n0 < kSubthresholdOff) {
        const double vt = s.vt;
        const MosDual n = Max(s.n0 + s.nB * vbs + s.nD * vds, 0.5);
        const double b = s.betaZero * vt * vt;
        MosDual arg = vgst / (n * vt);
        if (arg.v > 300) arg = MosDual(300.0);
        const MosDual i_exp = b * std::exp(1.8) * exp(arg) * (1 - exp(-vds / vt));
        const double i_limit = 4.5 * b;
        r.ids += i_exp * i_limit / (i_exp + i_limit);
    }
    r.von = vth.v;

    if (charges) Charges(m, s, vds, vbs, vgs, sqrt_vpb, a, r);
    return r;
}

}  // namespace ob7
