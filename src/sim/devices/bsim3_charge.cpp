// BSIM3 charge models. CAPMOD 0 is the long-channel piecewise model with its own
// threshold (VFBCV); CAPMOD 1 is piecewise in the effective drive; CAPMOD 2 smooths the
// accumulation, depletion and saturation transitions; CAPMOD 3 adds the finite charge
// thickness of the accumulation and inversion layers. XPART picks the share of the
// channel charge that the drain takes: above 0.5 none in saturation (0/100), below 0.5
// 40%, at 0.5 half.

#include "sim/devices/bsim3_charge.h"

#include <cmath>

#include "sim/devices/bsim3_slots.h"
#include "sim/devices/mosfet_instance_defaults.h"

namespace ob7 {

namespace {

constexpr double kEpsSi = 1.03594e-10;
constexpr double kSmooth = 0.02;  // the transition width of the smoothed charge forms
constexpr double kExpThreshold = 34;
constexpr double kMinExp = 1.713908431e-15;
constexpr double kMaxExp = 5.834617425e14;

enum class Partition { None, FortySixty, Half };
Partition PartitionOf(double xpart) {
    return xpart > 0.5 ? Partition::None : xpart < 0.5 ? Partition::FortySixty : Partition::Half;
}

// CAPMOD 0: accumulation, depletion, then the inversion charge by region.
Bsim3Charges LongChannelCharges(const Bsim3SizeParams& s, const double* x, const Bsim3ChargeBias& in,
                                const MosDual& sqrtphis, const MosDual& vbs) {
    const Bsim3Slots& k = Bsim3Slot();
    const double cox = x[kBsim3CoxSlot];
    const double CoxWL = cox * s.WeffCV * s.LeffCV;
    const MosDual vbseff = in.vbseff.v < 0 ? vbs : s.phi - in.phis;
    const double vfb = s.p[k.VFBCV];
    const MosDual vth = vfb + s.phi + s.k1ox * sqrtphis;
    const MosDual vgst = in.vgs_eff - vth;
    const MosDual arg1 = in.vgs_eff - vbseff - vfb;
    Bsim3Charges q;
    if (arg1.v <= 0) {
        q.qg = CoxWL * arg1;
        q.qb = -q.qg;
        return q;
    }
    if (vgst.v <= 0) {
        const double t1 = 0.5 * s.k1ox;
        q.qg = CoxWL * s.k1ox * (sqrt(t1 * t1 + arg1) - t1);
        q.qb = -q.qg;
        return q;
    }
    const MosDual abulk = in.abulk0 * s.abulkCVfactor;
    const MosDual vdsat = vgst / abulk;
    const MosDual& vds = in.vds;
    const Partition part = PartitionOf(x[k.XPART]);
    if (vdsat.v <= vds.v) {
        q.qg = CoxWL * (in.vgs_eff - vfb - s.phi - vdsat / 3);
        const MosDual t2 = -2.0 / 3.0 * CoxWL * vgst;
        q.qb = -(q.qg + t2);
        q.qd = part == Partition::None ? MosDual(0.0) : part == Partition::FortySixty ? 0.4 * t2 : 0.5 * t2;
        return q;
    }
    const MosDual alphaz = vgst / vdsat;
    const MosDual t1 = 2 * vdsat - vds;
    const MosDual t2 = vds / (3 * t1);
    const MosDual t3 = t2 * vds;
    const MosDual t4 = 0.25 * CoxWL * alphaz;
    q.qg = CoxWL * (in.vgs_eff - vfb - s.phi - 0.5 * (vds - t3));
    if (part == Partition::None) {
        q.qd = t4 * (2 * vds - t1 - 3 * t3);
        q.qb = -(q.qg + q.qd + t4 * (t3 - t1 - 2 * vds));
    } else if (part == Partition::FortySixty) {
        const MosDual t6 = 8 * vdsat * vdsat - 6 * vdsat * vds + 1.2 * vds * vds;
        q.qd = t4 * (vds - t1 - t2 / t1 * t6);
        q.qb = -(q.qg - t4 * 2 * (t1 + t3));
    } else {
        q.qd = -t4 * (t1 + t3);
        q.qb = -(q.qg + 2 * q.qd);
    }
    return q;
}

// The source share of the inversion charge of a drive vg and drain voltage t0 =
// AbulkCV * VdseffCV, by partition; qinv is the whole (positive) inversion charge.
MosDual SourceShare(Partition part, double coxwl, const MosDual& vg, const MosDual& t0, const MosDual& qinv) {
    const MosDual d = vg - 0.5 * t0 + 1e-20;
    if (part == Partition::None) return -coxwl * (0.5 * vg + 0.25 * t0 - t0 * t0 / (24 * d));
    if (part == Partition::FortySixty) {
        const MosDual t3 = vg * (2 * t0 * t0 / 3 + vg * (vg - 4 * t0 / 3)) - 2 * t0 * t0 * t0 / 15;
        return -0.5 * coxwl / (d * d) * t3;
    }
    return -0.5 * qinv;
}

// The smoothed flat-band voltage of the accumulation charge.
MosDual EffectiveFlatBand(double vfbzb, const MosDual& vgs_eff, const MosDual& vbseff) {
    const MosDual v3 = vfbzb - vgs_eff + vbseff - kSmooth;
    const MosDual t0 = sqrt(v3 * v3 + (vfbzb <= 0 ? -4.0 : 4.0) * kSmooth * vfbzb);
    return vfbzb - 0.5 * (v3 + t0);
}

// The depletion charge under the gate, below the inversion drive vg.
MosDual DepletionCharge(double k1ox, double coxwl, const MosDual& arg) {
    if (k1ox == 0) return MosDual(0.0);
    const double t0 = 0.5 * k1ox;
    const MosDual t1 = arg.v < 0 ? t0 + arg / k1ox : sqrt(t0 * t0 + arg);
    return coxwl * k1ox * (t1 - t0);
}

MosDual SmoothedVdseff(const MosDual& vdsat, const MosDual& vds) {
    const MosDual v4 = vdsat - vds - kSmooth;
    const MosDual t0 = sqrt(v4 * v4 + 4 * kSmooth * vdsat);
    MosDual vdseff = vdsat - 0.5 * (v4 + t0);
    if (vds.v == 0) vdseff = 0.5 * (1 + v4 / t0).v * vds;  // no channel voltage at Vds = 0
    return vdseff;
}

}  // namespace

Bsim3Charges Bsim3IntrinsicCharges(const Bsim3SizeParams& s, const double* x, const Bsim3ChargeBias& in) {
    const Bsim3Slots& k = Bsim3Slot();
    const int capmod = static_cast<int>(x[k.CAPMOD]);
    const MosDual sqrtphis =
        in.vbseff.v > 0 ? s.phis3 / (s.phi + 0.5 * in.vbseff) : sqrt(in.phis);
    if (capmod == 0) return LongChannelCharges(s, x, in, sqrtphis, in.vbs);

    const double cox = x[kBsim3CoxSlot], vtm = x[kBsim3VtmSlot];
    const double CoxWL = cox * s.WeffCV * s.LeffCV;
    const MosDual vbseff = in.vbseff.v < 0 ? in.vbseff : s.phi - in.phis;
    const Partition part = PartitionOf(x[k.XPART]);

    // The effective drive of the charges, with its own offset and slope.
    const MosDual vgst = in.vgs_eff - in.vth;
    const MosDual t0n = vtm * s.p[k.NOFF] * in.n;
    const MosDual vgstNVt = (vgst - s.p[k.VOFFCV]) / t0n;
    MosDual vgsteff;
    if (vgstNVt.v > kExpThreshold) vgsteff = vgst - s.p[k.VOFFCV];
    else if (vgstNVt.v < -kExpThreshold) vgsteff = t0n * std::log(1 + kMinExp);
    else vgsteff = t0n * log(1 + exp(vgstNVt));

    const MosDual abulk = in.abulk0 * s.abulkCVfactor;
    Bsim3Charges q;
    if (capmod == 1) {
        const MosDual arg1 = in.vgs_eff - vbseff - s.vfbzb - vgsteff;
        if (arg1.v <= 0) {
            q.qg = CoxWL * arg1;
        } else {
            const double t0 = 0.5 * s.k1ox;
            q.qg = CoxWL * s.k1ox * (sqrt(t0 * t0 + arg1) - t0);
        }
        q.qb = -q.qg;
        const MosDual vdsat = vgsteff / abulk;
        const MosDual& vds = in.vds;
        MosDual qs;
        if (vdsat.v < vds.v) {
            q.qg += CoxWL * (vgsteff - vdsat / 3);
            q.qb += CoxWL / 3 * (vdsat - vgsteff);
            const double share = part == Partition::None ? -2.0 / 3.0 : part == Partition::FortySixty ? -0.4 : -1.0 / 3.0;
            qs = share * CoxWL * vgsteff;
        } else {
            const MosDual t0 = abulk * vds;
            const MosDual t3 = t0 * vds / (12 * (vgsteff - 0.5 * t0 + 1e-20));
            const MosDual qinv_g = CoxWL * (vgsteff - 0.5 * vds + t3);
            const MosDual qinv_b = CoxWL * (1 - abulk) * (0.5 * vds - t3);
            q.qg += qinv_g;
            q.qb += qinv_b;
            qs = SourceShare(part, CoxWL, vgsteff, t0, qinv_g + qinv_b);
        }
        q.qd = -(q.qg + q.qb + qs);
        return q;
    }

    const MosDual vfbeff = EffectiveFlatBand(s.vfbzb, in.vgs_eff, vbseff);
    if (capmod == 2) {
        const MosDual qac0 = CoxWL * (vfbeff - s.vfbzb);
        const MosDual qsub0 = DepletionCharge(s.k1ox, CoxWL, in.vgs_eff - vfbeff - vbseff - vgsteff);
        const MosDual vdsat = vgsteff / abulk;
        const MosDual vdseff = SmoothedVdseff(vdsat, in.vds);
        const MosDual t0 = abulk * vdseff;
        const MosDual t3 = t0 * vdseff / (12 * (vgsteff - 0.5 * t0 + 1e-20));
        const MosDual qinv_g = CoxWL * (vgsteff - 0.5 * vdseff + t3);
        const MosDual qinv_b = CoxWL * (1 - abulk) * (0.5 * vdseff - t3);
        const MosDual qs = SourceShare(part, CoxWL, vgsteff, t0, qinv_g + qinv_b);
        q.qg = qinv_g + qac0 + qsub0;
        q.qb = qinv_b - (qac0 + qsub0);
        q.qd = -(q.qg + q.qb + qs);
        return q;
    }

    // CAPMOD 3: the accumulation and depletion charges see the oxide in series with the
    // charge centroid's layer, and so does the inversion charge, less the surface
    // potential it takes to invert.
    const double tox = x[k.TOX];
    const auto with_centroid = [&](const MosDual& tcen) { return CoxWL * (kEpsSi / tcen) / (cox + kEpsSi / tcen); };
    const MosDual acc_arg = (in.vgs_eff - vbseff - s.vfbzb) / (1e8 * tox) * s.p[k.ACDE];
    MosDual tcen;
    if (acc_arg.v <= -kExpThreshold) tcen = MosDual(s.ldeb * kMinExp);
    else if (acc_arg.v >= kExpThreshold) tcen = MosDual(s.ldeb * kMaxExp);
    else tcen = s.ldeb * exp(acc_arg);
    const double link = 1e-3 * tox;
    const MosDual v3 = s.ldeb - tcen - link;
    tcen = s.ldeb - 0.5 * (v3 + sqrt(v3 * v3 + 4 * link * s.ldeb));
    const MosDual coxwl_acc = with_centroid(tcen);
    const MosDual qac0 = coxwl_acc * (vfbeff - s.vfbzb);
    const MosDual arg = in.vgs_eff - vfbeff - vbseff - vgsteff;
    MosDual qsub0(0.0);
    if (s.k1ox != 0) {
        const double t0 = 0.5 * s.k1ox;
        const MosDual t1 = arg.v < 0 ? t0 + arg / s.k1ox : sqrt(t0 * t0 + arg);
        qsub0 = coxwl_acc * s.k1ox * (t1 - t0);
    }

    const double moin = s.p[k.MOIN];
    const double denomi = s.k1ox <= 0 ? 0.25 * moin * vtm : moin * vtm * s.k1ox * s.k1ox;
    const double t0p = s.k1ox <= 0 ? 0.5 * s.sqrtPhi : s.k1ox * s.sqrtPhi;
    const MosDual delta_phi = vtm * log(1 + (2 * t0p + vgsteff) * vgsteff / denomi);

    const MosDual t3v = 4 * (in.vth - s.vfbzb - s.phi);
    const MosDual inv_arg = (t3v.v >= 0 ? vgsteff + t3v : vgsteff + 1e-20) / (2e8 * tox);
    const MosDual coxwl_inv = with_centroid(1.9e-9 / (1 + pow(inv_arg, 0.7)));

    const MosDual vdsat = (vgsteff - delta_phi) / abulk;
    const MosDual vdseff = SmoothedVdseff(vdsat, in.vds);
    const MosDual t0 = abulk * vdseff;
    const MosDual t1 = vgsteff - delta_phi;
    const MosDual t2 = 12 * (t1 - 0.5 * t0 + 1e-20);
    const MosDual qinv = coxwl_inv * (t1 - t0 * (0.5 - t0 / t2));
    const MosDual qbulk_inv = coxwl_inv * (1 - abulk) * (0.5 * vdseff - t0 * vdseff / t2);
    MosDual qs;
    if (part == Partition::None) {
        qs = -coxwl_inv * (t1 / 2 + t0 / 4 - 0.5 * t0 * t0 / t2);
    } else if (part == Partition::FortySixty) {
        const MosDual d = t2 / 12;
        const MosDual t4 = t1 * (2 * t0 * t0 / 3 + t1 * (t1 - 4 * t0 / 3)) - 2 * t0 * t0 * t0 / 15;
        qs = -0.5 * coxwl_inv / (d * d) * t4;
    } else {
        qs = -0.5 * qinv;
    }
    q.qg = qinv + qac0 + qsub0 - qbulk_inv;
    q.qb = qbulk_inv - (qac0 + qsub0);
    q.qd = -(q.qg + q.qb + qs);
    return q;
}

MosDual Bsim3OverlapCharge(int capmod, double cgo, double cgl, double ckappa, const MosDual& v) {
    // Without a positive CKAPPA the lightly doped part has no depletion to follow: it
    // stays a fixed capacitance (the published forms divide by CKAPPA).
    if (capmod == 0 || cgl == 0) return cgo * v;
    if (!(ckappa > 0)) return (cgo + cgl) * v;
    if (capmod == 1) {
        if (v.v < 0) return cgo * v - 0.5 * cgl * ckappa * (sqrt(1 - 4 * v / ckappa) - 1);
        return (cgl + cgo) * v;
    }
    const MosDual t0 = v + kSmooth;
    const MosDual t2 = 0.5 * (t0 - sqrt(t0 * t0 + 4 * kSmooth));
    const MosDual t4 = sqrt(1 - 4 * t2 / ckappa);
    return (cgo + cgl) * v - cgl * (t2 + 0.5 * ckappa * (t4 - 1));
}

MosDual Bsim3JunctionCharge(const Bsim3JunctionSide& j, const MosDual& v) {
    if (v.v == 0) return (j.cj + j.cjsw + j.cjswg) * v;
    if (v.v > 0) {
        const double t0 = j.cj + j.cjsw + j.cjswg;
        const double t1 = j.cj * j.mj / j.pb + j.cjsw * j.mjsw / j.pbsw + j.cjswg * j.mjswg / j.pbswg;
        return v * (t0 + 0.5 * t1 * v);
    }
    MosDual q(0.0);
    const auto part = [&](double c, double pb, double m) {
        if (!(c > 0)) return;
        const MosDual arg = 1 - v / pb;
        const MosDual sarg = m == 0.5 ? 1 / sqrt(arg) : exp(-m * log(arg));
        q += pb * c * (1 - arg * sarg) / (1 - m);
    };
    part(j.cj, j.pb, j.mj);
    part(j.cjsw, j.pbsw, j.mjsw);
    part(j.cjswg, j.pbswg, j.mjswg);
    return q;
}

}  // namespace ob7
