// BSIM3 preparation for an analysis temperature: device temperature, junction values,
// effective sizes, binned parameters, the derived threshold and charge constants, and
// the parameter checks. Nothing here writes a temperature-adjusted value back into the
// model: every update starts from the values as given.

#include <algorithm>
#include <cmath>
#include <memory>

#include "foundation/messages.h"
#include "sim/devices/bsim3.h"
#include "sim/devices/bsim3_slots.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/mosfet_instance_defaults.h"
#include "sim/devices/mosfet_preparation.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

const Bsim3Slots& Bsim3Slot() {
    static const Bsim3Slots slots = [] {
        Bsim3Slots s;
#define OB7_BSIM3_SLOT_FIND(name) s.name = FindModelParam(kModelNmos8, #name);
        OB7_BSIM3_SLOTS(OB7_BSIM3_SLOT_FIND)
#undef OB7_BSIM3_SLOT_FIND
        return s;
    }();
    return slots;
}

namespace {

constexpr double kKboQ = 8.617087e-5;
constexpr double kBoltzmannOverQ = 1.3806226e-23 / 1.6021918e-19;
constexpr double kCharge = 1.6021918e-19;
constexpr double kEpsSi = 1.03594e-10;
constexpr double kEpsRatio = 2.999990907106156;  // EPSSI / EPSOX
constexpr double kMinExp = 1.713908431e-15;
constexpr double kExpThreshold = 34;
constexpr int kMsgReported = 15055;

enum : int {
    kMsgK1Missing = 13680, kMsgK2Missing, kMsgNsubIgnored, kMsgXtIgnored, kMsgVbxIgnored, kMsgVbmIgnored,
    kMsgGamma1Ignored, kMsgGamma2Ignored,
    kMsgNgateNotPositive = 14401, kMsgPscbe2NotPositive = 14402,
};

double ClampedExp(double x) { return std::exp(std::clamp(x, -350.0, 350.0)); }

// The grouped parameters (VFB keeps its terms in the order X, LX, PX, WX).

#define OB7_G(name) &Bsim3Slots::name
constexpr int Bsim3Slots::*kGroups[] = {
    OB7_G(VTH0), OB7_G(K1), OB7_G(K2), OB7_G(K3), OB7_G(K3B), OB7_G(W0), OB7_G(NLX), OB7_G(DVT0), OB7_G(DVT1),
    OB7_G(DVT2), OB7_G(DVT0W), OB7_G(DVT1W), OB7_G(DVT2W), OB7_G(U0), OB7_G(UA), OB7_G(UB), OB7_G(UC), OB7_G(VSAT),
    OB7_G(A0), OB7_G(AGS), OB7_G(B0), OB7_G(B1), OB7_G(KETA), OB7_G(A1), OB7_G(A2), OB7_G(RDSW), OB7_G(PRWB),
    OB7_G(PRWG), OB7_G(WR), OB7_G(DWG), OB7_G(DWB), OB7_G(VOFF), OB7_G(NFACTOR), OB7_G(ETA0), OB7_G(ETAB),
    OB7_G(DSUB), OB7_G(CIT), OB7_G(CDSC), OB7_G(CDSCB), OB7_G(CDSCD), OB7_G(PCLM), OB7_G(PDIBLC1), OB7_G(PDIBLC2),
    OB7_G(PDIBLCB), OB7_G(DROUT), OB7_G(PSCBE1), OB7_G(PSCBE2), OB7_G(PVAG), OB7_G(DELTA), OB7_G(NGATE),
    OB7_G(ALPHA0), OB7_G(ALPHA1), OB7_G(BETA0), OB7_G(CGSL), OB7_G(CGDL), OB7_G(CKAPPA), OB7_G(CF), OB7_G(CLC),
    OB7_G(CLE), OB7_G(DLC), OB7_G(DWC), OB7_G(VFBCV), OB7_G(NOFF), OB7_G(MOIN), OB7_G(VOFFCV), OB7_G(ACDE),
    OB7_G(ELM), OB7_G(UTE), OB7_G(KT1), OB7_G(KT1L), OB7_G(KT2), OB7_G(UA1), OB7_G(UB1), OB7_G(UC1), OB7_G(AT),
    OB7_G(PRT), OB7_G(XJ), OB7_G(GAMMA1), OB7_G(GAMMA2), OB7_G(NCH), OB7_G(NSUB), OB7_G(VBX), OB7_G(VBM), OB7_G(XT),
    OB7_G(VFB)};
#undef OB7_G

// A model value that is not given reads as `otherwise`.
double Or(const double* x, int slot, double otherwise) { return IsGiven(x[slot]) ? x[slot] : otherwise; }

void Report(const MosfetInstance& m, int id, double value) { ReportMessage("NE", m.owning_part, id, value); }
void ReportPlain(const MosfetInstance& m, int id) { ReportMessage("NE", m.owning_part, id); }

// Effective sizes, binning, temperature terms and derived constants of one instance.
int PrepareInstance(MosfetInstance& m, double analysis_temp) {
    ModelParams& model = *m.model;
    double* x = ModelReals(model);
    const Bsim3Slots& k = Bsim3Slot();
    if (!m.bsim3) m.bsim3 = std::make_shared<Bsim3SizeParams>();
    Bsim3SizeParams& s = *m.bsim3;
    const double type = x[kBsim3TypeSlot] < 0 ? -1.0 : 1.0;

    // 1. Defaults of this step.
    if (!IsGiven(x[k.VERSION])) x[k.VERSION] = 3.2;
    const double T = ModelDeviceTemperature(model, k.T_MEASURED, analysis_temp);
    const double Tnom = x[k.T_MEASURED] + 273.15, Tk = T + 273.15;
    const double LLC = Or(x, k.LLC, x[k.LL]), LWC = Or(x, k.LWC, x[k.LW]), LWLC = Or(x, k.LWLC, x[k.LWL]);
    const double WLC = Or(x, k.WLC, x[k.WL]), WWC = Or(x, k.WWC, x[k.WW]), WWLC = Or(x, k.WWLC, x[k.WWL]);

    // 2. Temperatures.
    x[kBsim3DeviceTempSlot] = T;
    const double tox = x[k.TOX];
    x[kBsim3Factor1Slot] = std::sqrt(kEpsRatio * tox);
    const double Vtm = kKboQ * Tk;
    x[kBsim3VtmSlot] = Vtm;
    const double N = x[k.N];
    m.NVt = N * Tk * kBoltzmannOverQ;

    // 3. Intrinsic carrier density and saturation currents.
    const double Vtm0 = kKboQ * Tnom;
    const double Eg0 = 1.16 - 7.02e-4 * Tnom * Tnom / (Tnom + 1108.0);
    const double ni = 1.45e10 * std::pow(Tnom / 300.15, 1.5) * ClampedExp(21.5565981 - Eg0 / (2 * Vtm0));
    double js = x[k.JS], jssw = x[k.JSSW];
    if (Tk != Tnom) {
        const double Eg = 1.16 - 7.02e-4 * Tk * Tk / (Tk + 1108.0);
        const double f = std::exp((Eg0 / Vtm0 - Eg / Vtm + x[k.XTI] * std::log(Tk / Tnom)) / N);
        js *= f, jssw *= f;
    }

    // 4. Junction capacitances at T.
    const double dT = T - (Tnom - 273.15);
    const auto capacitance = [dT](double c, double tc) { return 1 + tc * dT < 0 ? 0.0 : c * (1 + tc * dT); };
    const double cj = capacitance(x[k.CJ], x[k.TCJ]), cjsw = capacitance(x[k.CJSW], x[k.TCJSW]);
    const double cjswg = capacitance(Or(x, k.CJSWG, x[k.CJSW]), x[k.TCJSWG]);
    const double pb = std::max(x[k.PB], 0.1), pbsw = std::max(x[k.PBSW], 0.1);
    const double pbswg = IsGiven(x[k.PBSWG]) ? x[k.PBSWG] : pbsw;
    s.pb = std::max(pb - x[k.TPB] * dT, 0.01);
    s.pbsw = pbsw - x[k.TPBSW] * dT;
    if (s.pbsw <= 0.01) s.pbsw = 0.01;
    s.pbswg = pbswg - x[k.TPBSWG] * dT;
    if (s.pbswg <= 0.01) s.pbswg = 0.01;

    // 5. Instance junction values.
    const double vt = Tk * kBoltzmannOverQ;
    m.vcritS = m.vcritD = vt * std::log(vt / (std::sqrt(2.0) * 1e-14));
    m.Cbd = x[k.CBD] != 0 ? x[k.CBD] : cj * m.AD;
    m.Cbs = x[k.CBS] != 0 ? x[k.CBS] : cj * m.AS;
    m.Cbdsw = cjsw * m.PD;
    m.Cbssw = cjsw * m.PS;
    s.cbdswg = cjswg * m.PD;
    s.cbsswg = cjswg * m.PS;
    m.IsS = m.AS > 0 || m.PS > 0 ? m.AS * js + m.PS * jssw : 1e-14;
    m.IsD = m.AD > 0 || m.PD > 0 ? m.AD * js + m.PD * jssw : 1e-14;
    m.vbs1 = m.vgs1 = m.vds1 = m.vbs2 = m.vgs2 = m.vds2 = 0;

    // 6. Effective sizes.
    const double L = m.L, W = m.W, M = m.M;
    const double Ln = std::pow(L, x[k.LLN]), Wn = std::pow(W, x[k.LWN]);
    s.dl = x[k.LINT] + x[k.LL] / Ln + x[k.LW] / Wn + x[k.LWL] / (Ln * Wn);
    s.dlc = x[k.DLC] + LLC / Ln + LWC / Wn + LWLC / (Ln * Wn);
    const double Lw = std::pow(L, x[k.WLN]), Ww = std::pow(W, x[k.WWN]);
    s.dw = x[k.WINT] + x[k.WL] / Lw + x[k.WW] / Ww + x[k.WWL] / (Lw * Ww);
    s.dwc = x[k.DWC] + WLC / Lw + WWC / Ww + WWLC / (Lw * Ww);
    s.Leff = L - 2 * s.dl;
    s.LeffCV = L - 2 * s.dlc;
    s.Weff = W - 2 * s.dw * M;
    s.WeffCV = W - 2 * s.dwc * M;
    if (int e = CheckEffectiveWidth(m.owning_part, s.Weff)) return e;
    if (int e = CheckEffectiveLength(m.owning_part, s.Leff)) return e;
    if (int e = CheckEffectiveWidthCV(m.owning_part, s.WeffCV)) return e;
    if (int e = CheckEffectiveLengthCV(m.owning_part, s.LeffCV)) return e;

    // 7. Binning.
    const double Leff = s.Leff, Weff = s.Weff;
    const bool micron = x[k.BINUNIT] == 1;
    const double iL = (micron ? 1e-6 : 1.0) / Leff, iW = (micron ? 1e-6 : 1.0) / Weff;
    const double iLW = (micron ? 1e-12 : 1.0) / (Leff * Weff);
    auto& p = s.p;
    for (int Bsim3Slots::*g : kGroups) {
        const int i = k.*g;
        const bool swapped = i == k.VFB;
        const double base = x[i];
        const double lx = x[i + 1], wx = swapped ? x[i + 3] : x[i + 2], px = swapped ? x[i + 2] : x[i + 3];
        p[i] = IsGiven(base) ? base + lx * iL + wx * iW + px * iLW : ParamNotGiven;
    }
    const bool nch_given = IsGiven(x[k.NCH]), ngate_given = IsGiven(x[k.NGATE]);
    const bool k1_given = IsGiven(x[k.K1]), k2_given = IsGiven(x[k.K2]);
    const bool gamma1_given = IsGiven(x[k.GAMMA1]), gamma2_given = IsGiven(x[k.GAMMA2]);
    const bool vbx_given = IsGiven(x[k.VBX]), vth0_given = IsGiven(x[k.VTH0]);
    const bool nsub_given = IsGiven(x[k.NSUB]), xt_given = IsGiven(x[k.XT]), vbm_given = IsGiven(x[k.VBM]);
    const bool vfb_given = IsGiven(x[k.VFB]);
    if (!nch_given) p[k.NCH] = 1.7e17;
    else if (p[k.NCH] > 1e20) p[k.NCH] *= 1e-6;
    x[kBsim3NgateGivenSlot] = ngate_given ? 1 : 0;
    if (!ngate_given) p[k.NGATE] = 0;
    for (int i : {k.K1, k.K2, k.GAMMA1, k.GAMMA2, k.VBX})
        if (!IsGiven(p[i])) p[i] = 0;
    if (!nsub_given) p[k.NSUB] = 6e16;
    if (!vbm_given) p[k.VBM] = -3;
    if (!xt_given) p[k.XT] = 1.55e-7;
    if (!IsGiven(p[k.CF])) p[k.CF] = 0;
    s.nqsmod = static_cast<int>(x[k.NQSMOD]);
    s.abulkCVfactor = 1 + std::pow(p[k.CLC] / Leff, p[k.CLE]);

    // 8. Mobility, velocity and resistance at T.
    const double ratio = Tk / Tnom;
    s.temp_ratio = ratio - 1;
    p[k.UA] += p[k.UA1] * (ratio - 1);
    p[k.UB] += p[k.UB1] * (ratio - 1);
    p[k.UC] += p[k.UC1] * (ratio - 1);
    if (p[k.U0] > 1) p[k.U0] *= 1e-4;
    s.u0temp = p[k.U0] * std::pow(ratio, p[k.UTE]);
    s.vsattemp = p[k.VSAT] - p[k.AT] * (ratio - 1);
    s.rds0 = (p[k.RDSW] + p[k.PRT] * (ratio - 1)) / std::pow(Weff * 1e6, p[k.WR]);

    // 9. Errors before the full check.
    if (ngate_given && !(p[k.NGATE] > 0)) {
        Report(m, kMsgNgateNotPositive, p[k.NGATE]);
        return kMsgReported;
    }
    if (!(p[k.PSCBE2] > 0)) {
        Report(m, kMsgPscbe2NotPositive, p[k.PSCBE2]);
        return kMsgReported;
    }
    if (CheckBsim3Parameters(m, model, s)) return kMsgReported;

    // 10. Overlap capacitances and the NQS time constant.
    const double cox = x[kBsim3CoxSlot];
    if (!AcOperatingPointSolved) {
        s.cgdo = (x[k.CGDO] + p[k.CF]) * s.WeffCV;
        s.cgso = (x[k.CGSO] + p[k.CF]) * s.WeffCV;
        s.cgbo = x[k.CGBO] * s.LeffCV;
        s.tconst = s.u0temp * p[k.ELM] / (cox * s.WeffCV * s.LeffCV * s.LeffCV);
        m.mode = 1;
    }

    // 11. Doping and threshold constants.
    double nch = p[k.NCH];
    if (!nch_given && gamma1_given) {
        nch = 3.021e22 * p[k.GAMMA1] * cox * p[k.GAMMA1] * cox;
        if (!(nch > 0)) nch = 1.7e17;
        p[k.NCH] = nch;
    }
    s.phi = 2 * Vtm0 * std::log(nch / ni);
    s.sqrtPhi = GuardedSqrt(&model, s.phi, Tk);
    s.phis3 = s.sqrtPhi * s.phi;
    s.Xdep0 = std::sqrt(2.07188e-10 / (kCharge * nch * 1e6)) * s.sqrtPhi;
    s.litl = std::sqrt(3 * p[k.XJ] * tox);
    s.vbi = Vtm0 * std::log(nch * 1e20 / (ni * ni));
    s.cdep0 = std::sqrt(kCharge * 5.1797e-5 * nch / s.phi);
    s.ldeb = std::sqrt(kEpsSi * Vtm0 / (kCharge * nch * 1e6)) / 3;
    p[k.ACDE] *= std::pow(5e-17 * nch, -0.25);

    // 12. K1 and K2.
    s.k1 = p[k.K1], s.k2 = p[k.K2];
    if (!k1_given && !k2_given) {
        double vbx = p[k.VBX];
        if (!vbx_given) vbx = s.phi - 7.7348e-4 * nch * p[k.XT] * p[k.XT];
        if (vbx > 0) vbx = -vbx;
        double vbm = p[k.VBM];
        if (vbm > 0) vbm = -vbm;
        p[k.VBX] = vbx, p[k.VBM] = vbm;
        if (!gamma1_given) p[k.GAMMA1] = 5.753e-12 * std::sqrt(nch) / cox;
        if (!gamma2_given) p[k.GAMMA2] = 5.753e-12 * std::sqrt(p[k.NSUB]) / cox;
        const double T0 = p[k.GAMMA1] - p[k.GAMMA2];
        const double T1 = std::sqrt(s.phi - vbx) - s.sqrtPhi;
        const double T2 = std::sqrt(s.phi * (s.phi - vbm)) - s.phi;
        s.k2 = T0 * T1 / (2 * T2 + vbm);
        s.k1 = p[k.GAMMA2] - 2 * s.k2 * std::sqrt(s.phi - vbm);
    } else {
        if (!k1_given) {
            LogModelWarning(kMsgK1Missing, model);
            s.k1 = 0.53;
        }
        if (!k2_given) {
            LogModelWarning(kMsgK2Missing, model);
            s.k2 = -0.0186;
        }
        const bool given[] = {nsub_given, xt_given, vbx_given, vbm_given, gamma1_given, gamma2_given};
        for (int i = 0; i < 6; ++i)
            if (given[i]) LogModelWarning(kMsgNsubIgnored + i, model);
    }

    // 13. vbsc.
    if (s.k2 < 0) {
        s.vbsc = 0.9 * (s.phi - (0.5 * s.k1 / s.k2) * (0.5 * s.k1 / s.k2));
        s.vbsc = std::clamp(s.vbsc, -30.0, -3.0);
    } else {
        s.vbsc = -30;
    }
    if (s.vbsc > p[k.VBM]) s.vbsc = p[k.VBM];

    // 14. VFB and VTH0.
    s.vth0 = p[k.VTH0];
    s.vfb = p[k.VFB];
    if (!vfb_given) s.vfb = vth0_given ? type * s.vth0 - s.phi - s.k1 * s.sqrtPhi : -1;
    if (!vth0_given) s.vth0 = type * (s.vfb + s.phi + s.k1 * s.sqrtPhi);

    // 15. Junction limits.
    const double nvtm = N * Vtm, ijth = x[k.IJTH];
    s.vjsm = s.vjdm = 0, s.IsEvjsm = s.IsEvjdm = 0;
    if (m.IsS > 0 && ijth > 0) {
        s.vjsm = nvtm * std::log(ijth / m.IsS + 1);
        s.IsEvjsm = m.IsS * ClampedExp(s.vjsm / nvtm);
    }
    if (m.IsD > 0 && ijth > 0) {
        s.vjdm = nvtm * std::log(ijth / m.IsD + 1);
        s.IsEvjdm = m.IsD * ClampedExp(s.vjdm / nvtm);
    }

    // 16. Remaining constants.
    double toxm = x[k.TOXM];
    if (!(toxm > 0)) toxm = tox;
    s.k1ox = s.k1 * tox / toxm;
    s.k2ox = s.k2 * tox / toxm;
    const double lt0 = std::sqrt(kEpsRatio * tox * s.Xdep0);
    const auto short_channel = [](double arg) {
        const double e = arg > -kExpThreshold ? std::exp(arg) : kMinExp;
        return e * (1 + 2 * e);
    };
    s.theta0vb0 = short_channel(-0.5 * p[k.DSUB] * Leff / lt0);
    s.thetaRout = p[k.PDIBLC1] * short_channel(-0.5 * p[k.DROUT] * Leff / lt0) + p[k.PDIBLC2];

    // The flat-band voltage of the charge models: the threshold at zero bias less its
    // body terms, with the narrow-width terms of the total width.
    const double lt = x[kBsim3Factor1Slot] * std::sqrt(s.Xdep0), v0 = s.vbi - s.phi;
    const auto short_channel_or_floor = [](double arg) {
        return arg > -kExpThreshold ? std::exp(arg) * (1 + 2 * std::exp(arg)) : kMinExp;
    };
    const double narrow = p[k.DVT0W] * short_channel_or_floor(-0.5 * p[k.DVT1W] * s.Weff * Leff / lt) * v0;
    const double short_ch = p[k.DVT0] * short_channel_or_floor(-0.5 * p[k.DVT1] * Leff / lt) * v0;
    const double k3_term = p[k.K3] * tox * s.phi / (s.Weff + p[k.W0]);
    const double temp_terms = s.k1ox * (std::sqrt(1 + p[k.NLX] / Leff) - 1) * s.sqrtPhi +
                              (p[k.KT1] + p[k.KT1L] / Leff) * s.temp_ratio;
    s.vfbzb = type * s.vth0 - narrow - short_ch + k3_term + temp_terms - s.phi - s.k1 * s.sqrtPhi;
    return 0;
}

}  // namespace

int CheckBsim3Parameters(MosfetInstance& m, ModelParams& model, Bsim3SizeParams& s) {
    double* x = ModelReals(model);
    const Bsim3Slots& k = Bsim3Slot();
    auto& p = s.p;
    bool failed = false;
    const auto error = [&](bool condition, int id, double value) {
        if (!condition) return;
        Report(m, id, value);
        failed = true;
    };
    const auto error_plain = [&](bool condition, int id) {
        if (!condition) return;
        ReportPlain(m, id);
        failed = true;
    };
    const auto warn = [&](bool condition, int id, double value) {
        if (condition) Report(m, id, value);
    };
    const double toxm = IsGiven(x[k.TOXM]) ? x[k.TOXM] : x[k.TOX];
    error(p[k.NLX] < -s.Leff, 14500, p[k.NLX]);
    error(x[k.TOX] <= 0, 14501, x[k.TOX]);
    error(toxm <= 0, 14552, toxm);
    error(p[k.NCH] <= 0, 14502, p[k.NCH]);
    error(p[k.NSUB] <= 0, 14503, p[k.NSUB]);
    error(p[k.NGATE] > 1e25, 14505, p[k.NGATE]);
    error(p[k.XJ] <= 0, 14506, p[k.XJ]);
    error(p[k.DVT1] < 0, 14507, p[k.DVT1]);
    error(p[k.DVT1W] < 0, 14508, p[k.DVT1W]);
    error_plain(p[k.W0] == -s.Weff, 14509);
    error(p[k.DSUB] < 0, 14510, p[k.DSUB]);
    error_plain(p[k.B1] == -s.Weff, 14511);
    error(s.u0temp <= 0, 14512, s.u0temp);
    error(p[k.DELTA] < 0, 14513, p[k.DELTA]);
    error(s.vsattemp <= 0, 14514, s.vsattemp);
    error(p[k.PCLM] <= 0, 14515, p[k.PCLM]);
    error(p[k.DROUT] < 0, 14516, p[k.DROUT]);
    warn(p[k.NOFF] < 0.1, 14553, p[k.NOFF]);
    error(p[k.NOFF] > 4, 14554, p[k.NOFF]);
    error(p[k.VOFFCV] < -0.5, 14555, p[k.VOFFCV]);
    error(p[k.VOFFCV] > 0.5, 14556, p[k.VOFFCV]);
    error(x[k.IJTH] < 0, 14561, x[k.IJTH]);
    error(p[k.CLC] < 0, 14519, p[k.CLC]);
    error(p[k.MOIN] < 5, 14557, p[k.MOIN]);
    error(p[k.MOIN] > 25, 14558, p[k.MOIN]);
    const bool capmod3 = x[k.CAPMOD] == 3;
    error(capmod3 && p[k.ACDE] < 0.4, 14559, p[k.ACDE]);
    error(capmod3 && p[k.ACDE] > 1.6, 14560, p[k.ACDE]);

    if (x[k.PARAMCHK] == 1) {
        warn(s.Leff <= 5e-8, 14520, s.Leff);
        warn(s.LeffCV <= 5e-8, 14521, s.LeffCV);
        warn(s.Weff <= 1e-7, 14522, s.Weff);
        warn(s.WeffCV <= 1e-7, 14523, s.WeffCV);
        warn(p[k.NLX] < 0, 14524, p[k.NLX]);
        warn(x[k.TOX] < 1e-9, 14525, x[k.TOX]);
        if (p[k.NCH] <= 1e15) warn(true, 14526, p[k.NCH]);
        else warn(p[k.NCH] >= 1e21, 14527, p[k.NCH]);
        if (p[k.NSUB] <= 1e14) warn(true, 14528, p[k.NSUB]);
        else warn(p[k.NSUB] >= 1e21, 14529, p[k.NSUB]);
        warn(p[k.NGATE] > 0 && p[k.NGATE] <= 1e18, 14530, p[k.NGATE]);
        warn(p[k.DVT0] < 0, 14531, p[k.DVT0]);
        if (std::fabs(1e-6 / (p[k.W0] + s.Weff)) > 10) ReportPlain(m, 14532);
        warn(p[k.NFACTOR] < 0, 14533, p[k.NFACTOR]);
        warn(p[k.CDSC] < 0, 14534, p[k.CDSC]);
        warn(p[k.CDSCD] < 0, 14535, p[k.CDSCD]);
        warn(p[k.ETA0] < 0, 14537, p[k.ETA0]);
        if (std::fabs(1e-6 / (p[k.B1] + s.Weff)) > 10) ReportPlain(m, 14562);
        if (p[k.A2] < 0.01) {
            warn(true, 14538, p[k.A2]);
            p[k.A2] = 0.01;
        } else if (p[k.A2] > 1) {
            warn(true, 14539, p[k.A2]);
            p[k.A2] = 1, p[k.A1] = 0;
        }
        if (p[k.RDSW] < 0) {
            warn(true, 14540, p[k.RDSW]);
            p[k.RDSW] = 0, s.rds0 = 0;
        } else if (s.rds0 > 0 && s.rds0 < 0.001) {
            warn(true, 14541, s.rds0);
            s.rds0 = 0;
        }
        warn(s.vsattemp < 1e3, 14542, s.vsattemp);
        warn(p[k.PDIBLC1] < 0, 14543, p[k.PDIBLC1]);
        warn(p[k.PDIBLC2] < 0, 14544, p[k.PDIBLC2]);
    }
    for (auto [slot, id] : {std::pair{k.CGDO, 14545}, {k.CGSO, 14546}, {k.CGBO, 14563}})
        if (x[slot] < 0) {
            Report(m, id, x[slot]);
            x[slot] = 0;
        }
    return failed ? kMsgReported : 0;
}

int UpdateBsim3Instances(double temperature) {
    ModelWarningsWritten = false;
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level != 8) continue;
        if (int e = PrepareInstance(*m, temperature)) return e;
    }
    return 0;
}

}  // namespace ob7
