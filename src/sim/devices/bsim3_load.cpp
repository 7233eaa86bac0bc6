// BSIM3 matrix set-up and Newton load. The channel and substrate currents are computed
// in MosDual, so the conductances stamped are the exact partials of the currents
// returned, in every branch of the smoothing functions.

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "sim/devices/bsim3.h"
#include "sim/devices/bsim3_charge.h"
#include "sim/devices/bsim3_slots.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/junction_limits.h"
#include "sim/devices/mosfet_dual.h"
#include "sim/devices/mosfet_instance_defaults.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

constexpr double kEpsSi = 1.03594e-10;
constexpr double kCharge = 1.6021918e-19;
constexpr double kMinExp = 1.713908431e-15;
constexpr double kMaxExp = 5.834617425e14;
constexpr double kExpThreshold = 34;

// exp(-a/2)(1 + 2 exp(-a/2)) of the short-channel and narrow-width terms.
MosDual ShortChannelFactor(const MosDual& arg) {
    if (arg.v > -kExpThreshold) {
        const MosDual e = exp(arg);
        return e * (1 + 2 * e);
    }
    return MosDual(kMinExp * (1 + 2 * kMinExp));
}

struct ChannelResult {
    MosDual ids, isub;
    double vth = 0, vdsat = 0, ueff = 0;
    Bsim3ChargeBias cv;
};

// The drain current and the substrate current of the intrinsic device at (Vgs, Vds,
// Vbs) of the present mode (Vds >= 0).
ChannelResult Bsim3Channel(const MosfetInstance& m, const Bsim3SizeParams& s, const double* x, const MosDual& Vgs,
                           const MosDual& Vds, const MosDual& Vbs) {
    const Bsim3Slots& k = Bsim3Slot();
    const auto& p = s.p;
    const double type = x[kBsim3TypeSlot] < 0 ? -1.0 : 1.0;
    const double Vtm = x[kBsim3VtmSlot], cox = x[kBsim3CoxSlot], factor1 = x[kBsim3Factor1Slot], tox = x[k.TOX];
    const double Leff = s.Leff, M = m.M, weff = s.Weff / M;

    // Effective bulk bias.
    MosDual T0 = Vbs - s.vbsc - 0.001;
    MosDual T1 = sqrt(T0 * T0 - 0.004 * s.vbsc);
    MosDual Vbseff = s.vbsc + 0.5 * (T0 + T1);
    if (Vbseff.v < Vbs.v) Vbseff = Vbs;

    MosDual Phis, sqrtPhis;
    if (Vbseff.v > 0) {
        Phis = s.phi * s.phi / (s.phi + Vbseff);
        sqrtPhis = s.phis3 / (s.phi + 0.5 * Vbseff);
    } else {
        Phis = s.phi - Vbseff;
        sqrtPhis = sqrt(Phis);
    }
    const MosDual Xdep = s.Xdep0 * sqrtPhis / s.sqrtPhi;

    // Threshold voltage.
    const double V0 = s.vbi - s.phi;
    const MosDual T3 = sqrt(Xdep);
    const auto length_factor = [&](double dvt2) {
        const MosDual t = dvt2 * Vbseff;
        if (t.v >= -0.5) return 1 + t;
        return (1 + 3 * t) / (3 + 8 * t);
    };
    const MosDual lt1 = factor1 * T3 * length_factor(p[k.DVT2]);
    const MosDual ltw = factor1 * T3 * length_factor(p[k.DVT2W]);
    const MosDual Theta0 = ShortChannelFactor(-0.5 * p[k.DVT1] * Leff / lt1);
    const MosDual Delt_vth = p[k.DVT0] * Theta0 * V0;
    const MosDual narrow = p[k.DVT0W] * ShortChannelFactor(-0.5 * p[k.DVT1W] * weff * Leff / ltw) * V0;
    const MosDual temp_terms =
        s.k1ox * (std::sqrt(1 + p[k.NLX] / Leff) - 1) * s.sqrtPhi +
        (p[k.KT1] + p[k.KT1L] / Leff + p[k.KT2] * Vbseff) * s.temp_ratio;
    const double tmp2 = tox * s.phi / (weff + p[k.W0]);
    MosDual eta = p[k.ETA0] + p[k.ETAB] * Vbseff;
    if (eta.v < 1e-4) eta = (2e-4 - eta) / (3 - 2e4 * eta);
    const MosDual DIBL_Sft = eta * s.theta0vb0 * Vds;
    const MosDual Vth = type * s.vth0 - s.k1 * s.sqrtPhi + s.k1ox * sqrtPhis - s.k2ox * Vbseff - Delt_vth - narrow +
                        (p[k.K3] + p[k.K3B] * Vbseff) * tmp2 + temp_terms - DIBL_Sft;

    // Subthreshold swing.
    const MosDual tmp3 = p[k.CDSC] + p[k.CDSCB] * Vbseff + p[k.CDSCD] * Vds;
    const MosDual tmp4 = (p[k.NFACTOR] * kEpsSi / Xdep + tmp3 * Theta0 + p[k.CIT]) / cox;
    const MosDual n = tmp4.v >= -0.5 ? 1 + tmp4 : (1 + 3 * tmp4) / (3 + 8 * tmp4);

    // Poly-gate depletion.
    MosDual Vgs_eff = Vgs;
    const double ngate = p[k.NGATE];
    if (ngate > 1e18 && ngate < 1e25 && Vgs.v > s.vfb + s.phi) {
        const double t1 = 1e6 * kCharge * kEpsSi * ngate / (cox * cox);
        const MosDual t4 = sqrt(1 + 2 * (Vgs - s.vfb - s.phi) / t1);
        const MosDual t2 = t1 * (t4 - 1);
        const MosDual t3 = 0.5 * t2 * t2 / t1;
        const MosDual t7 = 1.12 - t3 - 0.05;
        const MosDual t6 = sqrt(t7 * t7 + 0.224);
        Vgs_eff = Vgs - (1.12 - 0.5 * (t7 + t6));
    }

    // Effective gate drive.
    const MosDual Vgst = Vgs_eff - Vth;
    const MosDual T10 = 2 * n * Vtm;
    const MosDual VgstNVt = Vgst / T10;
    const MosDual ExpArg = (2 * p[k.VOFF] - Vgst) / T10;
    MosDual Vgsteff;
    if (VgstNVt.v > kExpThreshold) {
        Vgsteff = Vgst;
    } else if (ExpArg.v > kExpThreshold) {
        Vgsteff = Vtm * s.cdep0 / cox * exp((Vgst - p[k.VOFF]) / (n * Vtm));
        if (std::fabs(Vgsteff.v) < 1e-50) Vgsteff = MosDual(Vgsteff.v < 0 ? -1e-50 : 1e-50);
    } else {
        const MosDual e = exp(VgstNVt);
        const MosDual t1 = T10 * log(1 + e);
        const MosDual dT2_dVg = -cox / (Vtm * s.cdep0) * exp(ExpArg);
        Vgsteff = t1 / (1 - T10 * dT2_dVg);
    }

    // Bias-dependent width, per device, then of all M.
    const MosDual T9w = sqrtPhis - s.sqrtPhi;
    MosDual Weff = weff - 2 * (p[k.DWG] * Vgsteff + p[k.DWB] * T9w);
    if (Weff.v < 2e-8) Weff = 2e-8 * (4e-8 - Weff) / (6e-8 - 2 * Weff);
    Weff = Weff * M;

    // Source-drain resistance.
    const MosDual tr = p[k.PRWG] * Vgsteff + p[k.PRWB] * T9w;
    const MosDual Rds = tr.v >= -0.9 ? s.rds0 * (1 + tr) : s.rds0 * (0.8 + tr) / (17 + 20 * tr);

    // Bulk charge factor.
    const MosDual t1a = 0.5 * s.k1ox / sqrtPhis;
    const double xj = p[k.XJ];
    const MosDual T9 = sqrt(xj * Xdep);
    const MosDual T5 = Leff / (Leff + 2 * T9);
    const MosDual T2 = p[k.A0] * T5 + p[k.B0] / (weff + p[k.B1]);
    const MosDual T7 = T5 * T5 * T5;
    MosDual Abulk0 = 1 + t1a * T2;
    MosDual Abulk = Abulk0 - t1a * p[k.AGS] * p[k.A0] * T7 * Vgsteff;
    if (Abulk0.v < 0.1) Abulk0 = (0.2 - Abulk0) / (3 - 20 * Abulk0);
    if (Abulk.v < 0.1) Abulk = (0.2 - Abulk) / (3 - 20 * Abulk);
    const MosDual keta = p[k.KETA] * Vbseff;
    const MosDual ketaf = keta.v >= -0.9 ? 1 / (1 + keta) : (17 + 20 * keta) / (0.8 + keta);
    Abulk = Abulk * ketaf;
    Abulk0 = Abulk0 * ketaf;

    // Mobility.
    const int mobmod = static_cast<int>(x[k.MOBMOD]);
    MosDual Tm;
    if (mobmod == 2) {
        Tm = Vgsteff / tox * (p[k.UA] + p[k.UC] * Vbseff + p[k.UB] * Vgsteff / tox);
    } else {
        const MosDual t3 = (Vgsteff + Vth + Vth) / tox;
        Tm = mobmod == 3 ? t3 * (p[k.UA] + p[k.UB] * t3) * (1 + p[k.UC] * Vbseff)
                         : t3 * (p[k.UA] + p[k.UC] * Vbseff + p[k.UB] * t3);
    }
    const MosDual Denomi = Tm.v >= -0.8 ? 1 + Tm : (0.6 + Tm) / (7 + 10 * Tm);
    const MosDual ueff = s.u0temp / Denomi;

    // Saturation voltage.
    const MosDual WVCox = Weff * s.vsattemp * cox;
    const MosDual WVCoxRds = WVCox * Rds;
    const MosDual Esat = 2 * s.vsattemp / ueff;
    const MosDual EsatL = Esat * Leff;
    const double a1 = p[k.A1], a2 = p[k.A2];
    MosDual Lambda;
    if (a1 == 0) {
        Lambda = a2;
    } else if (a1 > 0) {
        const double t0 = 1 - a2;
        const MosDual t1 = t0 - a1 * Vgsteff - 0.0001;
        Lambda = a2 + t0 - 0.5 * (t1 + sqrt(t1 * t1 + 0.0004 * t0));
    } else {
        const MosDual t1 = a2 + a1 * Vgsteff - 0.0001;
        Lambda = 0.5 * (t1 + sqrt(t1 * t1 + 0.0004 * a2));
    }
    const MosDual Vgst2Vtm = Vgsteff + 2 * Vtm;
    MosDual Vdsat;
    if (s.rds0 == 0 && Lambda.v == 1) {
        Vdsat = EsatL * Vgst2Vtm / (Abulk * EsatL + Vgst2Vtm);
    } else {
        const MosDual t9 = Abulk * WVCoxRds;
        const MosDual t7 = Vgst2Vtm * t9;
        const MosDual t6 = Vgst2Vtm * WVCoxRds;
        const MosDual t0 = 2 * Abulk * (t9 - 1 + 1 / Lambda);
        const MosDual t1 = Vgst2Vtm * (2 / Lambda - 1) + Abulk * EsatL + 3 * t7;
        const MosDual t2 = Vgst2Vtm * (EsatL + 2 * t6);
        Vdsat = (t1 - sqrt(t1 * t1 - 2 * t0 * t2)) / t0;
    }

    // Effective Vds.
    const double delta = p[k.DELTA];
    const MosDual td = Vdsat - Vds - delta;
    MosDual Vdseff = Vdsat - 0.5 * (td + sqrt(td * td + 4 * delta * Vdsat));
    if (Vds.v == 0) Vdseff = MosDual(0.0);
    if (Vdseff.v > Vds.v) Vdseff = Vds;
    const MosDual diffVds = Vds - Vdseff;

    // Early voltages.
    const MosDual tmp4s = 1 - 0.5 * Abulk * Vdsat / Vgst2Vtm;
    const MosDual Vasat = (EsatL + Vdsat + 2 * WVCoxRds * Vgsteff * tmp4s) / (2 / Lambda - 1 + WVCoxRds * Abulk);
    MosDual VACLM(kMaxExp);
    if (p[k.PCLM] > 0 && diffVds.v > 1e-10)
        VACLM = Leff * (Abulk + Vgsteff / EsatL) / (p[k.PCLM] * Abulk * s.litl) * diffVds;
    MosDual VADIBL(kMaxExp);
    if (s.thetaRout > 0) {
        const MosDual t8 = Abulk * Vdsat;
        VADIBL = (Vgst2Vtm - Vgst2Vtm * t8 / (Vgst2Vtm + t8)) / s.thetaRout;
        const MosDual t7 = p[k.PDIBLCB] * Vbseff;
        VADIBL = t7.v >= -0.9 ? VADIBL / (1 + t7) : VADIBL * (17 + 20 * t7) / (0.8 + t7);
    }
    const MosDual t9v = p[k.PVAG] / EsatL * Vgsteff;
    const MosDual pvag = t9v.v > -0.9 ? 1 + t9v : (0.8 + t9v) / (17 + 20 * t9v);
    const MosDual Va = Vasat + pvag * VACLM * VADIBL / (VACLM + VADIBL);
    MosDual VASCBE(kMaxExp);
    if (p[k.PSCBE2] > 0) {
        if (diffVds.v > p[k.PSCBE1] * s.litl / kExpThreshold)
            VASCBE = Leff * exp(p[k.PSCBE1] * s.litl / diffVds) / p[k.PSCBE2];
        else
            VASCBE = MosDual(kMaxExp * Leff / p[k.PSCBE2]);
    }

    // Drain current.
    const MosDual beta = ueff * cox * Weff / Leff;
    const MosDual fgche1 = Vgsteff * (1 - 0.5 * Vdseff * Abulk / Vgst2Vtm);
    const MosDual fgche2 = 1 + Vdseff / EsatL;
    const MosDual gche = beta * fgche1 / fgche2;
    const MosDual Idl = gche * Vdseff / (1 + gche * Rds);
    const MosDual Idsa = Idl * (1 + diffVds / Va);
    ChannelResult r;
    r.ids = Idsa * (1 + diffVds / VASCBE);

    // Substrate current.
    const double tmp = p[k.ALPHA0] + p[k.ALPHA1] * Leff, beta0 = p[k.BETA0];
    if (tmp > 0 && beta0 > 0) {
        const double t2 = tmp / Leff;
        const MosDual t1 = diffVds.v > beta0 / kExpThreshold ? t2 * diffVds * exp(-beta0 / diffVds)
                                                              : t2 * kMinExp * diffVds;
        r.isub = t1 * Idsa;
    }
    r.vth = Vth.v;
    r.vdsat = Vdsat.v;
    r.ueff = ueff.v;
    r.cv = {Vgs_eff, Vbseff, Phis, n, Vth, Abulk0, Vgsteff, Vds, Vbs};
    return r;
}

// Junction current with the IJTH linearisation, GMIN included.
MosDual Junction(const MosDual& v, double is, double nvtm, double vjm, double isevjm, double ijth) {
    const double gmin = Options.gmin;
    if (!(is > 0)) return gmin * v;
    if (ijth == 0 || v.v < vjm) {
        const MosDual e = exp(v / nvtm);
        if (std::fabs(v.v / nvtm) > 350) {
            const double ev = std::exp(std::clamp(v.v / nvtm, -350.0, 350.0));
            return ChainRule(v, is * (ev - 1), is * ev / nvtm) + gmin * v;
        }
        return is * (e - 1) + gmin * v;
    }
    return isevjm - is + (v - vjm) * isevjm / nvtm + gmin * v;
}

// Partials of a terminal quantity by the node voltages G', D', S', B'.
void ByNode(const MosDual& c, double out[4]) {
    out[0] = c.d[0], out[1] = c.d[1], out[3] = c.d[2];
    out[2] = -(c.d[0] + c.d[1] + c.d[2]);
}

// The stamps of the kept terminal currents (channel, junctions and charges), linearised
// at (vgs, vds, vbs).
void StampBsim3(const MosfetInstance& m, const Bsim3SizeParams& s, const double* x, double type, double vgs,
                double vds, double vbs) {
    const Bsim3Slots& k = Bsim3Slot();
    const int G = m.gate_i, D = m.drain_i, S = m.source_i, B = m.bulk_i;
    MosDual ig = s.cqg, id = s.id + s.cqd, ib = s.ib + s.cqb;
    MosDual is = s.is - (s.cqg + s.cqd + s.cqb);
    // The relaxation current of the charge deficit: gtau * qdef into the channel, from
    // the drain and the source, out of the gate. by_qdef holds each row's partial by qdef.
    const bool nqs = m.charge_node != 0;
    double by_qdef[4] = {};
    MosDual iq;
    if (nqs) {
        const MosDual relax = s.gtau * s.qdef;
        ig -= relax, id += s.dxpart * relax, is += (1 - s.dxpart) * relax;
        by_qdef[0] = -s.gtau.v, by_qdef[1] = s.dxpart.v * s.gtau.v, by_qdef[2] = (1 - s.dxpart.v) * s.gtau.v;
        iq = relax + s.cqdef - s.cqcheq;
    }
    double gG[4], gD[4], gS[4], gB[4];
    ByNode(ig, gG), ByNode(id, gD), ByNode(is, gS), ByNode(ib, gB);
    const auto equivalent = [&](const MosDual& c, double dq) {
        return type * (c.v - c.d[0] * vgs - c.d[1] * vds - c.d[2] * vbs - dq * s.qdef);
    };
    double* rhs = RightHandSide.data();
    rhs[G] -= equivalent(ig, by_qdef[0]);
    rhs[D] -= equivalent(id, by_qdef[1]);
    rhs[S] -= equivalent(is, by_qdef[2]);
    rhs[B] -= equivalent(ib, 0);

    const double grds = x[k.RDS], gdrain = m.gdrain, gsource = m.gsource, ggate = m.ggate, gbulk = m.gbulk;
    enum { g = 0, d = 1, sp = 2, b = 3 };
    for (double value : {-grds, -grds, grds, grds, gdrain, gG[g] + ggate, -ggate, -ggate,
                         ggate, gsource, gB[b] + gbulk, -gbulk, -gbulk, gbulk, gdrain + gD[d], gsource + gS[sp],
                         -gdrain, gG[b], gG[d], gG[sp], -gsource, gB[g], gB[d], gB[sp],
                         -gdrain, gD[g], gD[b], gD[sp], gS[g], -gsource, gS[b], gS[d]})
        StampNext(value);
    if (!nqs) return;
    const double gqq = s.gqdef + s.gtau.v;
    rhs[m.charge_node] -= equivalent(iq, gqq);
    double gQ[4];
    ByNode(iq, gQ);
    for (double value : {gqq, by_qdef[1], by_qdef[2], by_qdef[0], gQ[g], gQ[d], gQ[sp], gQ[b]}) StampNext(value);
}

// The relaxation rate of the charge deficit, scaled as qdef: a drift part proportional
// to the channel charge and a diffusion part 16 u0 Vtm / L^2.
MosDual NqsRelaxationRate(const Bsim3SizeParams& s, const double* x, const MosDual& qcheq) {
    MosDual drift = s.tconst * qcheq;
    if (drift.v < 0) drift = -drift;
    const double diffusion = 16 * s.u0temp * x[kBsim3VtmSlot] / (s.LeffCV * s.LeffCV);
    return kBsim3NqsScale * (drift + diffusion);
}

// The charges at the present bias: intrinsic by CAPMOD and XPART (the drain's share is
// the source's of the mode frame when drain and source are exchanged), overlaps and
// junctions, as (gate, bulk, drain) of the type-signed device.
void Bsim3TerminalCharges(MosfetInstance& m, Bsim3SizeParams& s, const double* x, const ChannelResult& ch,
                          const MosDual& Vgs, const MosDual& Vds, const MosDual& Vbs, const MosDual& cbs,
                          const MosDual& cbd) {
    const Bsim3Slots& k = Bsim3Slot();
    const int capmod = static_cast<int>(x[k.CAPMOD]);
    const Bsim3Charges in = Bsim3IntrinsicCharges(s, x, ch.cv);
    const MosDual qd_int = m.mode > 0 ? in.qd : -(in.qg + in.qb + in.qd);
    const auto& p = s.p;
    const MosDual Vgd = Vgs - Vds, Vbd = Vbs - Vds;
    const MosDual qgdo = Bsim3OverlapCharge(capmod, s.cgdo, s.WeffCV * p[k.CGDL], p[k.CKAPPA], Vgd);
    const MosDual qgso = Bsim3OverlapCharge(capmod, s.cgso, s.WeffCV * p[k.CGSL], p[k.CKAPPA], Vgs);
    const MosDual qgb = s.cgbo * (Vgs - Vbs);
    const double mj = x[k.MJ], mjsw = x[k.MJSW], mjswg = x[k.MJSWG], tt = x[k.TT];
    MosDual qbs = Bsim3JunctionCharge({m.Cbs, m.Cbssw, s.cbsswg, s.pb, s.pbsw, s.pbswg, mj, mjsw, mjswg}, Vbs);
    MosDual qbd = Bsim3JunctionCharge({m.Cbd, m.Cbdsw, s.cbdswg, s.pb, s.pbsw, s.pbswg, mj, mjsw, mjswg}, Vbd);
    if (tt > 0) qbs += tt * cbs, qbd += tt * cbd;
    m.capbs = qbs.d[2], m.capbd = -qbd.d[1];
    s.qinv = (in.qg + in.qb).v;
    s.qg = qgdo + qgso + qgb;
    s.qb = qbs + qbd - qgb;
    s.qd = -qgdo - qbd;
    if (m.charge_node == 0) {
        s.qg += in.qg, s.qb += in.qb, s.qd += qd_int;
        return;
    }
    // Non-quasi-static: the intrinsic charges reach the terminals only through the
    // charge deficit; the drain's share of the relaxation current is its share of the
    // quasi-static channel charge.
    s.qcheq = -(in.qg + in.qb);
    s.dxpart = s.qcheq.v != 0 ? qd_int / s.qcheq : MosDual(0.5);
    s.gtau = NqsRelaxationRate(s, x, s.qcheq);
}

// The charge states 0 to 2 (with NQS also the scaled deficit, 3, and qcheq, 4) and their
// currents: dq/dt with the partials ag0 * dq/dv.
void IntegrateBsim3Charges(Bsim3SizeParams& s, int state, bool nqs) {
    double* sv = StateValues.data();
    double* sd = StateDerivatives.data();
    sv[state] = s.qg.v, sv[state + 4] = s.qb.v, sv[state + 8] = s.qd.v;
    if (nqs) sv[state + 12] = kBsim3NqsScale * s.qdef, sv[state + 16] = s.qcheq.v;
    const int count = nqs ? 5 : 3;
    constexpr int kOrder[5] = {4, 0, 8, 12, 16};
    if (InitMode == kInitTransient)
        for (int q = 0; q < count; ++q) sv[state + kOrder[q] + 1] = sv[state + kOrder[q]];
    for (int q = 0; q < count; ++q) IntegrateChargeDerivative(state + kOrder[q]);
    if (InitMode == kInitTransient)
        for (int q = 0; q < count; ++q) sd[state + kOrder[q] + 1] = sd[state + kOrder[q]];
    const double ag0 = IntegrationCoefficients[0];
    const auto current = [&](const MosDual& q, int at) {
        MosDual i(sd[at]);
        for (int c = 0; c < 3; ++c) i.d[c] = ag0 * q.d[c];
        return i;
    };
    s.cqg = current(s.qg, state), s.cqb = current(s.qb, state + 4), s.cqd = current(s.qd, state + 8);
    if (nqs) s.cqdef = sd[state + 12], s.gqdef = kBsim3NqsScale * ag0, s.cqcheq = current(s.qcheq, state + 16);
}

void LoadBsim3(MosfetInstance& m, int state) {
    const double* x = ModelReals(*m.model);
    Bsim3SizeParams& s = *m.bsim3;
    const Bsim3Slots& k = Bsim3Slot();
    const double type = x[kBsim3TypeSlot] < 0 ? -1.0 : 1.0;
    const int G = m.gate_i, D = m.drain_i, S = m.source_i, B = m.bulk_i;
    const double nvtm = x[k.N] * x[kBsim3VtmSlot];
    m.limited = 0;
    const bool nqs = m.charge_node != 0;
    // The deficit's last two accepted values are the older levels of its state.
    const double* deficit_history = StateValues.data() + state + 12;

    double vbs, vgs, vds, qdef = 0;
    bool from_solution = true;
    if (InitMode == kInitSmallSignal) {
        vbs = m.vbs, vgs = m.vgs, vds = m.vds, qdef = s.qdef;
        from_solution = false;
    } else if (InitMode == kInitTransient) {
        vbs = m.vbs1, vgs = m.vgs1, vds = m.vds1;
        if (nqs) qdef = deficit_history[1] / kBsim3NqsScale;
        from_solution = false;
    } else if (InitMode == kInitPredict) {
        const double r = PredictorRatio;
        m.vbs = m.vbs1, m.vgs = m.vgs1, m.vds = m.vds1, m.vbd = m.vbs1 - m.vds1;
        vbs = (1 + r) * m.vbs1 - r * m.vbs2;
        vgs = (1 + r) * m.vgs1 - r * m.vgs2;
        vds = (1 + r) * m.vds1 - r * m.vds2;
        if (nqs) qdef = ((1 + r) * deficit_history[1] - r * deficit_history[2]) / kBsim3NqsScale;
    } else if (InitMode == kInitFloat || (InitMode == kInitFix && !m.off)) {
        vbs = type * (Solution[B] - Solution[S]);
        vgs = type * (Solution[G] - Solution[S]);
        vds = type * (Solution[D] - Solution[S]);
        if (nqs) qdef = type * Solution[m.charge_node];
    } else {
        from_solution = false;
        vbs = vgs = vds = 0;
        if (InitMode == kInitJunction && !m.off) {
            vds = type * m.ic_vds, vgs = type * m.ic_vgs, vbs = type * m.ic_vbs;
            if (vds == 0 && vgs == 0 && vbs == 0 &&
                (InTransient() || AnalysisSubMode == kSubModeOperatingPoint || AnalysisSubMode == kSubModeDcSweep ||
                 !UseInitialConditions)) {
                vds = 0.1;
                vgs = type * s.vth0 + 0.1;
            }
        }
    }

    // Predicted terminal currents from the kept partials, for the convergence test.
    const double dv[3] = {vgs - m.vgs, vds - m.vds, vbs - m.vbs};
    double cdhat = s.id.v, cbhat = s.ib.v;
    for (int i = 0; i < 3; ++i) cdhat += s.id.d[i] * dv[i], cbhat += s.ib.d[i] * dv[i];

    // An instance whose voltages and currents have not moved keeps its linearisation.
    bool bypassed = false;
    if (MosfetBypassAllowed && from_solution && InitMode != kInitPredict) {
        const double rb = BypassTolerance, vntol = Options.vntol, abstol = Options.abstol;
        const double vbd = vbs - vds;
        const auto still = [&](double now, double kept) {
            return std::fabs(now - kept) < rb * std::max(std::fabs(now), std::fabs(kept)) + vntol;
        };
        bypassed = still(vbs, m.vbs) && still(vbd, m.vbd) && still(vgs, m.vgs) && still(vds, m.vds) &&
                   std::fabs(cdhat - s.id.v) < rb * std::max(std::fabs(cdhat), std::fabs(s.id.v)) + abstol &&
                   std::fabs(cbhat - s.ib.v) < rb * (std::max(std::fabs(cbhat), std::fabs(s.ib.v)) + abstol);
    }
    if (bypassed) {
        StampBsim3(m, s, x, type, m.vgs, m.vds, m.vbs);
        return;
    }

    if (from_solution) {
        double vgd = vgs - vds, vbd = vbs - vds;
        const double stored_vgd = m.vgs - m.vds, von = type * m.von;
        if (m.vds >= 0) {
            vgs = LimitFetVoltage(vgs, m.vgs, von);
            vds = LimitVds(vgs - vgd, m.vds);
        } else {
            vgd = LimitFetVoltage(vgd, stored_vgd, von);
            vds = -LimitVds(-(vgs - vgd), -m.vds);
            vgs = vgd + vds;
        }
        int limited = 0;
        if (vds >= 0) {
            vbs = LimitJunctionVoltage(vbs, m.vbs, nvtm, m.vcritS, &limited);
        } else {
            vbd = LimitJunctionVoltage(vbs - vds, m.vbd, nvtm, m.vcritD, &limited);
            vbs = vbd + vds;
        }
        m.limited = limited;
    }

    // Terminal currents into D', G', S', B' of the type-signed device, as functions of
    // the true (vgs, vds, vbs).
    const MosDual Vgs = MosDual::Variable(vgs, 0), Vds = MosDual::Variable(vds, 1), Vbs = MosDual::Variable(vbs, 2);
    const MosDual Vbd = Vbs - Vds;
    const double ijth = x[k.IJTH];
    const MosDual cbs = Junction(Vbs, m.IsS, nvtm, s.vjsm, s.IsEvjsm, ijth);
    const MosDual cbd = Junction(Vbd, m.IsD, nvtm, s.vjdm, s.IsEvjdm, ijth);
    m.mode = vds >= 0 ? 1 : -1;
    const bool normal = m.mode > 0;
    const ChannelResult ch = normal ? Bsim3Channel(m, s, x, Vgs, Vds, Vbs)
                                    : Bsim3Channel(m, s, x, Vgs - Vds, -Vds, Vbd);
    const MosDual id = normal ? ch.ids + ch.isub - cbd : -ch.ids - cbd;
    const MosDual ib = cbs + cbd - ch.isub;

    m.cbs = cbs.v, m.cbd = cbd.v, m.gbs = cbs.d[2], m.gbd = -cbd.d[1];
    m.cd = id.v;
    m.gm = ch.ids.d[0], m.gds = ch.ids.d[1], m.gmbs = ch.ids.d[2];
    m.von = type * ch.vth;
    m.vdsat = type * ch.vdsat;
    s.csub = ch.isub.v;
    s.ueff = ch.ueff;

    // Convergence, against the prediction from the last evaluation.
    if (from_solution && !(m.off && InitMode == kInitFix)) {
        const double reltol = Options.reltol, abstol = Options.abstol;
        if (m.limited) {
            ++NonConvergedCount;
            RecordNonConvergentDevice(&m, kNcMosfetPn, 0);
        } else if (std::fabs(cdhat - id.v) >= reltol * std::max(std::fabs(cdhat), std::fabs(id.v)) + abstol) {
            ++NonConvergedCount;
            RecordNonConvergentDevice(&m, kNcMosfetDrain, cdhat);
        } else if (std::fabs(cbhat - ib.v) > reltol * std::max(std::fabs(cbhat), std::fabs(ib.v)) + abstol) {
            ++NonConvergedCount;
            RecordNonConvergentDevice(&m, kNcMosfetIb, cbhat);
        }
    }
    m.vbs = vbs, m.vgs = vgs, m.vds = vds, m.vbd = vbs - vds;
    s.qdef = qdef;
    s.id = id, s.ib = ib;
    s.is = normal ? -ch.ids - cbs : ch.ids + ch.isub - cbs;

    s.cqg = s.cqb = s.cqd = s.cqcheq = MosDual(0.0);
    s.cqdef = s.gqdef = 0;
    // Without charges the deficit still relaxes (to zero, at the last channel charge's rate).
    if (nqs) s.gtau = NqsRelaxationRate(s, x, MosDual(s.qcheq.v)), s.dxpart = MosDual(s.dxpart.v);
    // The small-signal load keeps the charges for the AC stamp and integrates nothing,
    // but still stamps every entry its set-up requested.
    if (CapacitancesNeeded()) {
        Bsim3TerminalCharges(m, s, x, ch, Vgs, Vds, Vbs, cbs, cbd);
        if (InitMode != kInitSmallSignal && (InTransient() || InitMode == kInitTransient))
            IntegrateBsim3Charges(s, state, nqs);
    }
    StampBsim3(m, s, x, type, vgs, vds, vbs);

    const double grds = x[k.RDS];
    const double relax = nqs ? s.gtau.v * qdef : 0;
    m.Ig = type * (s.cqg.v - relax);
    m.Id = type * (id.v + s.cqd.v + s.dxpart.v * relax + grds * vds);
    m.ID = m.Id;
    m.Ib = type * (ib.v + s.cqb.v);
    m.Is = -(m.Ig + m.Id + m.Ib);
    double pd = std::fabs(cbs.v * vbs) + std::fabs(cbd.v * (vbs - vds)) + std::fabs(ch.ids.v * vds) + grds * vds * vds;
    if (m.gdrain != 0) pd += m.Id * m.Id / m.gdrain;
    if (m.gsource != 0) pd += m.Is * m.Is / m.gsource;
    if (m.gbulk != 0) pd += m.Ib * m.Ib / m.gbulk;
    m.power_dissipated = pd;
    m.power_stored = vgs * (s.cqg.v - relax) + vds * (s.cqd.v + s.dxpart.v * relax) + vbs * s.cqb.v;
    if (pd > 0.1) m.region = kRegionHot;
    Run.power_dissipated += pd;
    Run.power_stored += m.power_stored;
}


int UpdateBsim3Pass(double temperature) { return UpdateBsim3Instances(temperature); }

// The level-8 devices of the list with their state index, gathered by the set-up pass so
// that the loads of a circuit without BSIM3 devices walk nothing.
std::vector<std::pair<MosfetInstance*, int>> Bsim3Devices;
}  // namespace

int SetupBsim3Mosfets() {
    Bsim3Devices.clear();
    int state = FirstStateIndex(kMosfetStates);
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        const int first = state;
        state += kMosfetBlockGroups * kHistorySlots;
        if (m->level != 8) continue;
        Bsim3Devices.push_back({m, first});
        const int G = m->gate, D = m->drain, S = m->source, B = m->bulk;
        const int Gp = m->gate_i, Dp = m->drain_i, Sp = m->source_i, Bp = m->bulk_i;
        for (auto [row, column] :
             {std::pair{Dp, Sp}, {Sp, Dp}, {Dp, Dp}, {Sp, Sp}, {D, D},   {Gp, Gp}, {Gp, G},   {G, Gp},
              {G, G},            {S, S},   {Bp, Bp}, {Bp, B},  {B, Bp},  {B, B},   {Dp, Dp},  {Sp, Sp},
              {D, Dp},           {Gp, Bp}, {Gp, Dp}, {Gp, Sp}, {S, Sp},  {Bp, Gp}, {Bp, Dp},  {Bp, Sp},
              {Dp, D},           {Dp, Gp}, {Dp, Bp}, {Dp, Sp}, {Sp, Gp}, {Sp, S},  {Sp, Bp},  {Sp, Dp}})
            if (int error = AllocMatrixEntry(row, column)) return error;
        if (const int Q = m->charge_node)
            for (auto [row, column] : {std::pair{Q, Q}, {Dp, Q}, {Sp, Q}, {Gp, Q}, {Q, Gp}, {Q, Dp}, {Q, Sp}, {Q, Bp}})
                if (int error = AllocMatrixEntry(row, column)) return error;
    }
    return 0;
}

int LoadBsim3Mosfets() {
    for (auto [m, state] : Bsim3Devices)
        if (m->bsim3) LoadBsim3(*m, state);
    return 0;
}

const DeviceKindHandler kBsim3Kind = {LoadStage::Bsim3Mosfets, 0, SetupBsim3Mosfets, LoadBsim3Mosfets};

void RegisterBsim3Kind() {
    RegisterDeviceKind(&kBsim3Kind);
    RegisterAcKind(&kBsim3AcKind);
    RegisterMosfetInstanceDefaults();  // the model defaults the preparation reads
    RegisterDevicePass(DevicePassStep::Bsim3Devices, UpdateBsim3Pass);
}

}  // namespace ob7
