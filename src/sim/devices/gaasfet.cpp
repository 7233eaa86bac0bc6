#include "sim/devices/gaasfet.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/diode.h"
#include "sim/devices/fet_ac_stamp.h"
#include "sim/devices/junction_limits.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

// --- Model pass ------------------------------------------------------------------------

void ClampGaasfetModel(ModelParams& model) {
    double* x = ModelReals(model);
    x[kGAf] = std::max(x[kGAf], 0.1);
    x[kGFc] = std::min(x[kGFc], 0.95);
}

void ConvertGaasfetModel(ModelParams& model) {
    double* x = ModelReals(model);
    for (int slot : {kGRd, kGRs, kGRg}) ResistanceToConductance(slot, x);
    // The forward extension is built with grading 0.5 whatever M is.
    DepletionCapacitanceCoefficients(x, kGFc, kGDepletion0, x[kGFc], x[kGVbi], 0.5);
}

// --- Device pass -------------------------------------------------------------------------

void UpdateGaasfetModelTemperature(ModelParams& model, double t) {
    double* x = ModelReals(model);
    const double device_t = ModelDeviceTemperature(model, kGTMeasured, t);
    x[kGDeviceTemp] = device_t;
    const double nominal_vbi = x[kGVbi];
    double vt, ratio, log_ratio, dt, dt2;
    JunctionTemperatureUpdate(vt, ratio, x[kGTMeasured], device_t, log_ratio, dt, dt2, kGCgd, kGVbi, x[kGM], x);
    x[kGVbi] = nominal_vbi;
    JunctionTemperatureUpdate(vt, ratio, x[kGTMeasured], device_t, log_ratio, dt, dt2, kGCgs, kGVbi, x[kGM], x);
    x[kGVt] = vt;
    x[kGIs] *= SaturationCurrentTempFactor(ratio, x[kGEg], x[kGN], vt, x[kGXti]);
    const double r = x[kGVbi] / nominal_vbi;
    x[kGFc] *= r;
    x[kGDepletion2] *= r;
    x[kGDepletion1] /= r;
    x[kGVcrit] = CriticalVoltage(vt, x[kGIs]);
    if (x[kGBetatce] != 0) x[kGBeta] *= std::pow(1.01, x[kGBetatce] * dt);
    if (x[kGVtotc] != 0) x[kGVto] += x[kGVtotc] * dt;
    x[kGRd] /= 1 + x[kGTrd1] * dt;
    x[kGRs] /= 1 + x[kGTrs1] * dt;
    x[kGRg] /= 1 + x[kGTrg1] * dt;
    for (int slot : {kGRd, kGRs, kGRg})
        if (x[slot] != 0) x[slot] = std::min(x[slot], LargestConductance);
}

// --- Kernels -------------------------------------------------------------------------------

GaasChannel GaasCurticeCurrent(const double* x, double beta, double vgs, double vgd) {
    GaasChannel ch;
    const double vds = vgs - vgd, lambda = x[kGLambda], alpha = x[kGAlpha];
    const bool forward = vds >= 0;
    const double vgt = (forward ? vgs : vgd) - x[kGVto];
    if (vgt <= 0) return ch;
    const double vd = std::fabs(vds);
    const double l = beta * (1 + lambda * vd);
    const double a = alpha * vd;
    const double ep = std::exp(std::min(a, 350.0)), em = std::exp(std::max(-a, -350.0));
    const double t = (ep - em) / (ep + em), sech = 2 / (ep + em);
    const double cd = l * vgt * vgt * t, gm = 2 * l * vgt * t;
    const double slope = lambda * beta * vgt * vgt * t + l * vgt * vgt * alpha * sech * sech;
    ch.region = 2;
    if (forward) {
        ch.cdrain = cd, ch.gm = gm, ch.gds = slope;
    } else {
        ch.cdrain = -cd, ch.gm = -gm, ch.gds = slope + gm;
    }
    return ch;
}

GaasChannel GaasStatzCurrent(const double* x, double beta, double vgs, double vgd) {
    GaasChannel ch;
    const double vds = vgs - vgd, lambda = x[kGLambda], alpha = x[kGAlpha], b = x[kGB];
    const bool forward = vds >= 0;
    const double vgt = (forward ? vgs : vgd) - x[kGVto];
    if (vgt <= 0) return ch;
    const double vd = std::fabs(vds);  // the drain-source voltage of the mirrored device
    const double k = 1 / (1 + b * vgt), r = beta * (1 + lambda * vd), w = 2 + b * vgt;
    double kt = 1, u = 0;
    if (vd >= 3 / alpha) {
        ch.region = kRegionSat;
    } else {
        u = 1 - alpha * vd / 3;
        kt = 1 - u * u * u;
        ch.region = kRegionLin;
    }
    const double cd = vgt * vgt * r * k * kt, gm = vgt * r * k * k * w * kt;
    const double slope = vgt * vgt * k * beta * (u * u * alpha * (1 + lambda * vd) + kt * lambda);
    if (forward) {
        ch.cdrain = cd, ch.gm = gm, ch.gds = slope;
    } else {
        ch.cdrain = -cd, ch.gm = -gm, ch.gds = slope + gm;
    }
    return ch;
}

GaasChannel GaasTriquintCurrent(const double* x, double beta, double vgs, double vgd) {
    GaasChannel ch;
    const double vds = vgs - vgd, alpha = x[kGAlpha], gamma = x[kGGamma], delta = x[kGDelta], q = x[kGQ];
    const bool forward = vds >= 0;
    const double vd = std::fabs(vds);
    const double vgt = (forward ? vgs : vgd) - x[kGVto] + gamma * vd;
    if (vgt <= 0) return ch;
    double kt = 1, dkt = 0;
    if (vd < 3 / alpha) {
        const double u = 1 - alpha * vd / 3;
        kt = 1 - u * u * u;
        dkt = alpha * u * u;
        ch.region = kRegionLin;
    } else {
        ch.region = kRegionSat;
    }
    const double m = std::pow(vgt, q);
    const double ido = kt * m * beta;
    const double dido = kt != 0 ? ido * (q * gamma / vgt + dkt / kt) : ido * q * gamma / vgt + dkt * m * beta;
    const double f = 1 + delta * vd * ido;
    const double gm = ido * q / vgt / f - ido * (ido * q / vgt * delta * vd) / (f * f);
    const double slope = dido / f - ido * delta / (f * f) * (ido + dido * vd);
    if (forward) {
        ch.cdrain = ido / f, ch.gm = gm, ch.gds = slope;
    } else {
        ch.cdrain = -ido / f, ch.gm = -gm, ch.gds = slope + gm;
    }
    return ch;
}

double GaasGateCharge(const double* x, double vgs, double vgd, double cgs0, double cgd0, double* capgs, double* capgd) {
    const double vbi = x[kGVbi], d = 1 / x[kGAlpha], vto = x[kGVto], vmax = x[kGVmax];
    const double r = std::sqrt((vgs - vgd) * (vgs - vgd) + d * d);
    const double ve1 = (vgs + vgd + r) / 2, ve2 = (vgs + vgd - r) / 2;
    const double h = std::sqrt((ve1 - vto) * (ve1 - vto) + x[kGVdelta] * x[kGVdelta]);
    double vn = (ve1 + vto + h) / 2;
    double extra = 0;
    if (vn >= vmax) {
        extra = (vn - vmax) / std::sqrt(1 - vmax / vbi);
        vn = vmax;
    }
    const double k1 = (1 + (vgs - vgd) / r) / 2, k2 = (1 - (vgs - vgd) / r) / 2, k3 = (1 + (ve1 - vto) / h) / 2;
    const double e = std::sqrt(1 - vn / vbi);
    const double c1 = k3 * cgs0 / e;
    *capgs = k1 * c1 + k2 * cgd0;
    *capgd = c1 * k2 + k1 * cgd0;
    return cgs0 * (2 * vbi * (1 - e) + extra) + cgd0 * ve2;
}

// --- Set-up and load ----------------------------------------------------------------------

Gaasfet* AddGaasfet(ModelParams* model, int drain, int gate, int source, double area, int drain_i, int gate_i,
                    int source_i) {
    auto* g = new Gaasfet;
    g->model = model;
    g->drain = drain, g->gate = gate, g->source = source;
    g->drain_i = drain_i ? drain_i : drain;
    g->gate_i = gate_i ? gate_i : gate;
    g->source_i = source_i ? source_i : source;
    g->area = area;
    AddDevice(kGaasfetList, g);
    return g;
}

int SetupGaasfets() {
    for (Gaasfet* f : DevicesOf<Gaasfet>(kGaasfetList)) {
        const double* x = ModelReals(*f->model);
        const int g = f->gate, d = f->drain, s = f->source, gp = f->gate_i, dp = f->drain_i, sp = f->source_i;
        if (x[kGRg] != 0)
            for (auto [r, c] : {std::pair{g, gp}, {gp, g}, {g, g}})
                if (int error = AllocMatrixEntry(r, c)) return error;
        if (x[kGRd] * f->area != 0)
            for (auto [r, c] : {std::pair{d, dp}, {dp, d}, {d, d}})
                if (int error = AllocMatrixEntry(r, c)) return error;
        if (x[kGRs] * f->area != 0)
            for (auto [r, c] : {std::pair{s, sp}, {sp, s}, {s, s}})
                if (int error = AllocMatrixEntry(r, c)) return error;
        for (auto [r, c] :
             {std::pair{gp, dp}, {gp, sp}, {dp, gp}, {dp, sp}, {sp, gp}, {sp, dp}, {gp, gp}, {dp, dp}, {sp, sp}})
            if (int error = AllocMatrixEntry(r, c)) return error;
    }
    return 0;
}

namespace {

void GateDiode(double v, double csat, double nvt, double& c, double& g) {
    const double gmin = Options.gmin;
    if (v > -5 * nvt) {
        const double e = LimitedExp(v / nvt);
        g = csat * e / nvt + gmin;
        c = csat * (e - 1) + gmin * v;
    } else {
        g = gmin - csat / v;
        c = v * g;
    }
}

bool ChargesIntegrated() { return !InDcAnalysis() && !TranOpWithIc() && InitMode != kInitSmallSignal; }

void LoadGaasfet(Gaasfet& f, int s) {
    const double* x = ModelReals(*f.model);
    const double p = f.polarity;
    const double beta = x[kGBeta] * f.area, csat = x[kGIs] * f.area;
    const double gg = x[kGRg], gdpr = x[kGRd] * f.area, gspr = x[kGRs] * f.area;
    const double nvt = x[kGN] * x[kGVt];
    const int sd = s + kHistorySlots, sds = s + 2 * kHistorySlots;
    const bool off_fixed = InitMode == kInitFix && f.off;
    const auto diff = [&](const std::vector<double>& v, int a, int b) { return p * (v[a] - v[b]); };

    double vgs, vgd;
    switch (InitMode) {
    case kInitJunction:
        if (TranOpWithIc()) {
            vgs = p * f.ic_vgs;
            vgd = vgs - p * f.ic_vds;
        } else {
            vgs = vgd = f.off ? 0.0 : -1.0;
        }
        break;
    case kInitSmallSignal:
    case kInitTransient:
        vgs = f.vgs, vgd = f.vgd;
        break;
    case kInitPredict: {
        f.vgs = diff(LastAcceptedSolution, f.gate_i, f.source_i);
        f.vgd = diff(LastAcceptedSolution, f.gate_i, f.drain_i);
        vgs = (1 + PredictorRatio) * f.vgs - PredictorRatio * diff(EarlierAcceptedSolution, f.gate_i, f.source_i);
        vgd = (1 + PredictorRatio) * f.vgd - PredictorRatio * diff(EarlierAcceptedSolution, f.gate_i, f.drain_i);
        break;
    }
    default:
        if (off_fixed) {
            vgs = vgd = 0;
        } else {
            vgs = diff(Solution, f.gate_i, f.source_i);
            vgd = diff(Solution, f.gate_i, f.drain_i);
        }
        break;
    }

    int pn = 0;
    double cghat = 0, cdhat = 0;
    bool bypassed = false;
    if ((InitMode == kInitFloat || InitMode == kInitPredict || InitMode == kInitFix) && !off_fixed) {
        const double delvgs = vgs - f.vgs, delvgd = vgd - f.vgd, delvds = delvgs - delvgd;
        cghat = f.cg + f.ggd * delvgd + f.ggs * delvgs;
        cdhat = f.cd + f.gm * delvgs + f.gds * delvds - f.ggd * delvgd;
        if (InitMode != kInitPredict && VoltageConverged(vgs, f.vgs) && VoltageConverged(vgd, f.vgd) &&
            CurrentConverged(cghat, f.cg) && CurrentConverged(cdhat, f.cd)) {
            bypassed = true;
        } else {
            int second = 1;
            pn = 1;
            LimitJunctionVoltageInPlace(vgs, pn, f.vgs, nvt, x[kGVcrit]);
            LimitJunctionVoltageInPlace(vgd, second, f.vgd, nvt, x[kGVcrit]);
            if (second) pn = 1;
            LimitFetVoltageInPlace(vgs, f.vgs, x[kGVto]);
            LimitFetVoltageInPlace(vgd, f.vgd, x[kGVto]);
        }
    }

    double cg, cd, cgs, cgd, ggs, ggd, gm, gds, cdrain;
    if (bypassed) {
        vgs = f.vgs, vgd = f.vgd;
        cg = f.cg, cd = f.cd, cgs = f.cgs, cgd = f.cgd;
        ggs = f.ggs, ggd = f.ggd, gm = f.gm, gds = f.gds;
        cdrain = 0;
    } else {
        GateDiode(vgs, csat, nvt, cgs, ggs);
        GateDiode(vgd, csat, nvt, cgd, ggd);
        cg = cgs + cgd;
        const int level = static_cast<int>(x[kGLevel]);
        const GaasChannel ch = level == 1   ? GaasCurticeCurrent(x, beta, vgs, vgd)
                               : level == 2 ? GaasStatzCurrent(x, beta, vgs, vgd)
                                            : GaasTriquintCurrent(x, beta, vgs, vgd);
        f.region = ch.region;
        cdrain = ch.cdrain, gm = ch.gm, gds = ch.gds;
        cd = cdrain - cgd;
        const double vds = vgs - vgd;

        if (!InDcAnalysis() || TranOpWithIc() || InitMode == kInitSmallSignal) {
            const double cgsz = x[kGCgs] * f.area, cgdz = x[kGCgd] * f.area, cdsz = x[kGCds] * f.area;
            double capgs = 0, capgd = 0;
            if (level == 1) {
                JunctionChargeAndCapacitance(x, kGFc, kGDepletion0, s, vgs, x[kGVbi], x[kGM], 0, 0, cgsz, 0, &capgs, 0);
                JunctionChargeAndCapacitance(x, kGFc, kGDepletion0, sd, vgd, x[kGVbi], x[kGM], 0, 0, cgdz, 0, &capgd, 0);
            } else {
                // The charge moves along a path through the last accepted gate voltages,
                // split between the two junctions.
                const double vgs1 = diff(LastAcceptedSolution, f.gate_i, f.source_i);
                const double vgd1 = diff(LastAcceptedSolution, f.gate_i, f.drain_i);
                double c1, c2;
                const double q0 = GaasGateCharge(x, vgs, vgd, cgsz, cgdz, &capgs, &capgd);
                const double q1 = GaasGateCharge(x, vgs1, vgd, cgsz, cgdz, &c1, &c2);
                const double q2 = GaasGateCharge(x, vgs, vgd1, cgsz, cgdz, &c1, &c2);
                const double q3 = GaasGateCharge(x, vgs1, vgd1, cgsz, cgdz, &c1, &c2);
                if (InitMode == kInitTransient) StateValues[s + 1] = StateValues[sd + 1] = q0;
                StateValues[s] = StateValues[s + 1] + (q0 - q1 + q2 - q3) / 2;
                StateValues[sd] = StateValues[sd + 1] + (q0 - q2 + q1 - q3) / 2;
            }
            StateValues[sds] = cdsz * vds;
            if (!TranOpWithIc() || InitMode == kInitSmallSignal) f.capgs = capgs, f.capgd = capgd, f.capds = cdsz;
            // The small-signal pass only keeps the capacitances (no charge companion in
            // the AC stamp).
            if (ChargesIntegrated()) {
                if (InitMode == kInitTransient)
                    for (int k : {s, sd, sds}) StateValues[k + 1] = StateValues[k];
                double geq = 0;
                IntegrateChargeGeqOnly(geq, capgs, s);
                ggs += geq;
                cg += StateDerivatives[s];
                cgs += StateDerivatives[s];
                IntegrateChargeGeqOnly(geq, capgd, sd);
                ggd += geq;
                cg += StateDerivatives[sd];
                cd -= StateDerivatives[sd];
                cgd += StateDerivatives[sd];
                IntegrateChargeGeqOnly(geq, cdsz, sds);
                gds += geq;
                cd += StateDerivatives[sds];
                if (InitMode == kInitTransient)
                    for (int k : {s, sd, sds}) StateDerivatives[k + 1] = StateDerivatives[k];
            }
        }

        if (!off_fixed) {
            if (pn) {
                ++NonConvergedCount;
                RecordNonConvergentDevice(&f, kNcGaasfetPn, 0);
            } else if (CurrentNotConverged(cg, cghat)) {
                RecordNonConvergentDevice(&f, kNcGaasfetGate, cghat);
            }
            if (NonConvergedCount == 0 && CurrentNotConverged(cd, cdhat))
                RecordNonConvergentDevice(&f, kNcGaasfetDrain, cdhat);
        }
        f.vgs = vgs, f.vgd = vgd, f.cg = cg, f.cd = cd, f.cgs = cgs, f.cgd = cgd;
        f.ggs = ggs, f.ggd = ggd, f.gds = gds, f.gm = gm;
        if (DeviceListTable[kGaasfetList].flag_byte0) {
            f.gate_current = cg;
            f.drain_current = f.drain_current2 = p * cd;
            f.source_current = p * (-cdrain - cgs - (ChargesIntegrated() ? StateDerivatives[sds] : 0.0));
        }
    }

    const double vds = vgs - vgd;
    // The kept currents include the charges' currents of the last evaluation, so a
    // reused linearisation keeps them.
    const double ceqgs = p * (cg - cgd - ggs * vgs), ceqgd = p * (cgd - ggd * vgd);
    const double cdreq = p * (cgd + cd - gds * vds - gm * vgs);
    RightHandSide[f.gate_i] -= ceqgd + ceqgs;
    RightHandSide[f.drain_i] += ceqgd - cdreq;
    RightHandSide[f.source_i] += cdreq + ceqgs;

    if (gg != 0) StampNext(-gg), StampNext(-gg), StampNext(gg);
    if (gdpr != 0) StampNext(-gdpr), StampNext(-gdpr), StampNext(gdpr);
    if (gspr != 0) StampNext(-gspr), StampNext(-gspr), StampNext(gspr);
    StampNext(-ggd);
    StampNext(-ggs);
    StampNext(gm - ggd);
    StampNext(-(gds + gm));
    StampNext(-(ggs + gm));
    StampNext(-gds);
    StampNext(ggd + ggs + gg);
    StampNext(ggd + gds + gdpr);
    StampNext(ggs + gds + gm + gspr);

    if (f.flag_byte1) {
        if (!bypassed) {
            const bool charged = ChargesIntegrated();
            const double qs = charged ? StateDerivatives[s] : 0.0, qd = charged ? StateDerivatives[sd] : 0.0;
            const double qds = charged ? StateDerivatives[sds] : 0.0;
            f.power_dissipated = std::fabs((cgs - qs) * vgs) + std::fabs((cgd - qd) * vgd) + std::fabs(cdrain * vds);
            if (gdpr != 0) f.power_dissipated += f.drain_current * f.drain_current / gdpr;
            if (gspr != 0) f.power_dissipated += f.source_current * f.source_current / gspr;
            if (gg != 0) f.power_dissipated += cg * cg / gg;
            f.power_stored = vgs * qs + vgd * qd + vds * qds;
        }
        Run.power_dissipated += std::fabs(f.power_dissipated);
        Run.power_stored += f.power_stored;
        if (f.power_dissipated > 0.1) f.region = kRegionHot;
    }
}

}  // namespace

int LoadGaasfets() {
    int s = FirstStateIndex(kGaasfetStates);
    for (Gaasfet* f : DevicesOf<Gaasfet>(kGaasfetList)) {
        LoadGaasfet(*f, s);
        s += 3 * kHistorySlots;
    }
    return 0;
}

// --- Small signal -------------------------------------------------------------------------

namespace {

Fet3Small GaasfetSmallSignal(const Gaasfet& g) {
    const double* x = ModelReals(*g.model);
    Fet3Small f{};
    f.G = g.gate, f.D = g.drain, f.S = g.source, f.Gp = g.gate_i, f.Dp = g.drain_i, f.Sp = g.source_i;
    f.g_gate = x[kGRg] * g.area, f.g_drain = x[kGRd] * g.area, f.g_source = x[kGRs] * g.area;
    f.gm = g.gm, f.gds = g.gds, f.ggs = g.ggs, f.ggd = g.ggd;
    f.xgs = AcOmega * g.capgs, f.xgd = AcOmega * g.capgd, f.xds = AcOmega * g.capds;
    return f;
}

}  // namespace

int AcLoadGaasfets() {
    for (const Gaasfet* g : DevicesOf<Gaasfet>(kGaasfetList))
        if (int error = AcStampFet3(GaasfetSmallSignal(*g))) return error;
    return 0;
}

int ComputeGaasfetAcCurrents() {
    for (Gaasfet* g : DevicesOf<Gaasfet>(kGaasfetList)) {
        const FetAcCurrents c = FetCurrents(GaasfetSmallSignal(*g));
        g->ac_drain = c.drain, g->ac_gate = c.gate, g->ac_source = c.source;
    }
    return 0;
}

int AddGaasfetNoiseSources(double frequency) {
    for (const Gaasfet* g : DevicesOf<Gaasfet>(kGaasfetList)) {
        const double* x = ModelReals(*g->model);
        const double t = x[kGDeviceTemp] + kZeroCelsius;
        const double thermal = std::sqrt(4 * kNoiseBoltzmann * t);
        AddNoiseSource(g->drain_i, g->drain, std::sqrt(x[kGRd] * g->area) * thermal);
        AddNoiseSource(g->source_i, g->source, std::sqrt(x[kGRs] * g->area) * thermal);
        const double id = std::fabs(g->cd + g->cgd);
        AddNoiseSource(g->drain_i, g->source_i,
                       std::sqrt(x[kGKf] * std::pow(id, x[kGAf]) / frequency +
                                 8.0 / 3.0 * kNoiseBoltzmann * t * std::fabs(g->gm)));
    }
    return 0;
}

// --- Registration -------------------------------------------------------------------------

namespace {

template <void (*Pass)(ModelParams&)>
int ForEachGaasfetModel(double) {
    for (ModelParams* m : CircuitModels[kModelGasfet]) Pass(*m);
    return 0;
}
int UpdateGaasfetModels(double t) {
    for (ModelParams* m : CircuitModels[kModelGasfet]) UpdateGaasfetModelTemperature(*m, t);
    return 0;
}

}  // namespace

const DeviceKindHandler kGaasfetKind = {LoadStage::Gaasfets, 0, SetupGaasfets, LoadGaasfets};
const AcKindHandler kGaasfetAcKind = {AcStage::Gaasfets,   0, AcLoadGaasfets, AcCurrentRank::Gaasfets, ComputeGaasfetAcCurrents,
                                      NoiseRank::Gaasfets, AddGaasfetNoiseSources};

void RegisterGaasfetKind() {
    RegisterDeviceKind(&kGaasfetKind);
    RegisterAcKind(&kGaasfetAcKind);
    RegisterModelPass(ModelPassStep::GasfetClamps, ForEachGaasfetModel<ClampGaasfetModel>);
    RegisterModelPass(ModelPassStep::GasfetConversions, ForEachGaasfetModel<ConvertGaasfetModel>);
    RegisterDevicePass(DevicePassStep::GasfetModels, UpdateGaasfetModels);
}

}  // namespace ob7
