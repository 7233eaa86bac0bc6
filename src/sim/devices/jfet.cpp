#include "sim/devices/jfet.h"

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

void PrepareJfetModel(ModelParams& model) {
    double* x = ModelReals(model);
    if (!IsGiven(x[kJTMeasured])) x[kJTMeasured] = Options.tnom;
    x[kJAf] = std::max(x[kJAf], 0.1);
    x[kJFc] = std::min(x[kJFc], 0.95);
}

void ConvertJfetModel(ModelParams& model) {
    double* x = ModelReals(model);
    ResistanceToConductance(kJRd, x);
    ResistanceToConductance(kJRs, x);
    // The forward extension is built with grading 0.5 whatever M is.
    DepletionCapacitanceCoefficients(x, kJFc, kJDepletion0, x[kJFc], x[kJPb], 0.5);
}

// --- Device pass -------------------------------------------------------------------------

void UpdateJfetModelTemperature(ModelParams& model, double t) {
    double* x = ModelReals(model);
    const double device_t = ModelDeviceTemperature(model, kJTMeasured, t);
    x[kJDeviceTemp] = device_t;
    const double nominal_pb = x[kJPb];
    double vt, ratio, log_ratio, dt, dt2;
    // Both gate capacitances scale from the same nominal PB.
    JunctionTemperatureUpdate(vt, ratio, x[kJTMeasured], device_t, log_ratio, dt, dt2, kJCgd, kJPb, x[kJM], x);
    x[kJPb] = nominal_pb;
    JunctionTemperatureUpdate(vt, ratio, x[kJTMeasured], device_t, log_ratio, dt, dt2, kJCgs, kJPb, x[kJM], x);
    if (x[kJBetatce] != 0) x[kJBeta] *= std::pow(1.01, x[kJBetatce] * dt);
    if (x[kJVtotc] != 0) x[kJVto] += x[kJVtotc] * dt;
    x[kJVt] = vt;
    x[kJIs] *= SaturationCurrentTempFactor(ratio, 1.11, 1, vt, x[kJXti]);
    const double r = x[kJPb] / nominal_pb;
    x[kJFc] *= r;
    x[kJDepletion2] *= r;
    x[kJDepletion1] /= r;
    x[kJVcrit] = CriticalVoltage(vt, x[kJIs]);
    for (int slot : {kJRd, kJRs})
        if (x[slot] != 0) x[slot] = std::min(x[slot], LargestConductance);
}

// --- Set-up and load ----------------------------------------------------------------------

Jfet* AddJfet(ModelParams* model, int drain, int gate, int source, double area, int drain_i, int source_i) {
    auto* j = new Jfet;
    j->model = model;
    j->drain = drain, j->gate = gate, j->source = source;
    j->drain_i = drain_i ? drain_i : drain;
    j->source_i = source_i ? source_i : source;
    j->area = area;
    j->polarity = model->modelType == kModelPjf ? -1.0 : 1.0;
    AddDevice(kJfetList, j);
    return j;
}

int SetupJfets() {
    for (Jfet* j : DevicesOf<Jfet>(kJfetList)) {
        const double* x = ModelReals(*j->model);
        const int d = j->drain, s = j->source, g = j->gate, dp = j->drain_i, sp = j->source_i;
        if (x[kJRd] * j->area > 0)
            for (auto [r, c] : {std::pair{d, dp}, {dp, d}, {d, d}})
                if (int error = AllocMatrixEntry(r, c)) return error;
        if (x[kJRs] * j->area > 0)
            for (auto [r, c] : {std::pair{s, sp}, {sp, s}, {s, s}})
                if (int error = AllocMatrixEntry(r, c)) return error;
        for (auto [r, c] : {std::pair{g, dp}, {g, sp}, {dp, g}, {dp, sp}, {sp, g}, {sp, dp}, {g, g}, {dp, dp}, {sp, sp}})
            if (int error = AllocMatrixEntry(r, c)) return error;
    }
    return 0;
}

namespace {

// A gate diode's current and conductance, GMIN included.
void GateDiode(double v, double csat, double vt, double& c, double& g) {
    const double gmin = Options.gmin;
    if (v > -5 * vt) {
        const double e = LimitedExp(v / vt);
        g = csat * e / vt + gmin;
        c = csat * (e - 1) + gmin * v;
    } else {
        g = gmin - csat / v;
        c = v * g;
    }
}

struct Channel {
    double cdrain = 0, gm = 0, gds = 0;
    int region = kRegionOff;
};

// The square law in both directions of operation (vds = vgs - vgd).
Channel ChannelCurrent(double vgs, double vgd, double vto, double beta, double lambda) {
    Channel ch;
    const double vds = vgs - vgd;
    if (vds >= 0) {
        const double vgst = vgs - vto;
        if (vgst <= 0) return ch;
        const double betap = beta * (1 + lambda * vds), twob = 2 * betap;
        if (vgst <= vds) {
            ch.cdrain = betap * vgst * vgst;
            ch.gm = twob * vgst;
            ch.gds = lambda * beta * vgst * vgst;
            ch.region = kRegionSat;
        } else {
            ch.cdrain = betap * vds * (2 * vgst - vds);
            ch.gm = twob * vds;
            ch.gds = twob * (vgst - vds) + lambda * beta * vds * (2 * vgst - vds);
            ch.region = kRegionLin;
        }
    } else {
        const double vgdt = vgd - vto;
        if (vgdt <= 0) return ch;
        const double betap = beta * (1 - lambda * vds), twob = 2 * betap;
        if (vgdt <= -vds) {
            ch.cdrain = -betap * vgdt * vgdt;
            ch.gm = -twob * vgdt;
            ch.gds = lambda * beta * vgdt * vgdt - ch.gm;
            ch.region = kRegionSat;
        } else {
            ch.cdrain = betap * vds * (vds + 2 * vgdt);
            ch.gm = twob * vds;
            ch.gds = twob * vgdt - lambda * beta * vds * (vds + 2 * vgdt);
            ch.region = kRegionLin;
        }
    }
    return ch;
}

void LoadJfet(Jfet& j, int s) {
    const double* x = ModelReals(*j.model);
    const double p = j.polarity;
    const double beta = x[kJBeta] * j.area, csat = x[kJIs] * j.area;
    const double gdpr = x[kJRd] * j.area, gspr = x[kJRs] * j.area, vt = x[kJVt];
    const bool off_fixed = InitMode == kInitFix && j.off;

    double vgs, vgd;
    switch (InitMode) {
    case kInitJunction:
        if (TranOpWithIc()) {
            vgs = p * j.ic_vgs;
            vgd = vgs - p * j.ic_vds;
        } else {
            vgs = vgd = j.off ? 0.0 : -1.0;
        }
        break;
    case kInitSmallSignal:
    case kInitTransient:
        vgs = j.vgs;
        vgd = j.vgd;
        break;
    case kInitPredict: {
        const auto diff = [&](const std::vector<double>& v, int a, int b) { return p * (v[a] - v[b]); };
        const double vgs1 = diff(LastAcceptedSolution, j.gate, j.source_i);
        const double vgd1 = diff(LastAcceptedSolution, j.gate, j.drain_i);
        j.vgs = vgs1, j.vgd = vgd1;
        vgs = (1 + PredictorRatio) * vgs1 - PredictorRatio * diff(EarlierAcceptedSolution, j.gate, j.source_i);
        vgd = (1 + PredictorRatio) * vgd1 - PredictorRatio * diff(EarlierAcceptedSolution, j.gate, j.drain_i);
        break;
    }
    default:
        if (off_fixed) {
            vgs = vgd = 0;
        } else {
            vgs = p * (Solution[j.gate] - Solution[j.source_i]);
            vgd = p * (Solution[j.gate] - Solution[j.drain_i]);
        }
        break;
    }

    int pn = 0;
    double cghat = 0, cdhat = 0;
    bool bypassed = false;
    double cgs, cgd, ggs, ggd, cg, cd;
    Channel ch;
    if ((InitMode == kInitFloat || InitMode == kInitPredict || InitMode == kInitFix) && !off_fixed) {
        const double delvgs = vgs - j.vgs, delvgd = vgd - j.vgd, delvds = delvgs - delvgd;
        cghat = j.cg + j.ggd * delvgd + j.ggs * delvgs;
        cdhat = j.cd + j.gm * delvgs + j.gds * delvds - j.ggd * delvgd;
        if (InitMode != kInitPredict && VoltageConverged(vgs, j.vgs) && VoltageConverged(vgd, j.vgd) &&
            CurrentConverged(cghat, j.cg) && CurrentConverged(cdhat, j.cd)) {
            bypassed = true;
        } else {
            int second = 1;
            pn = 1;
            LimitJunctionVoltageInPlace(vgs, pn, j.vgs, vt, x[kJVcrit]);
            LimitJunctionVoltageInPlace(vgd, second, j.vgd, vt, x[kJVcrit]);
            if (second) pn = 1;
            LimitFetVoltageInPlace(vgs, j.vgs, x[kJVto]);
            LimitFetVoltageInPlace(vgd, j.vgd, x[kJVto]);
        }
    }

    double cgst, cgdt;
    if (bypassed) {
        vgs = j.vgs, vgd = j.vgd;
        cg = j.cg, cd = j.cd, ggs = j.ggs, ggd = j.ggd;
        ch.gm = j.gm, ch.gds = j.gds;
        ch.cdrain = j.cd + j.cgd;
        // The kept conductances include the charges' companions, so their currents come
        // along: the charge derivatives of the last evaluation are still in the states.
        const bool charged = !InDcAnalysis() && !TranOpWithIc() && InitMode != kInitSmallSignal;
        cgst = j.cgs + (charged ? StateDerivatives[s] : 0.0);
        cgdt = j.cgd + (charged ? StateDerivatives[s + kHistorySlots] : 0.0);
    } else {
        GateDiode(vgs, csat, vt, cgs, ggs);
        GateDiode(vgd, csat, vt, cgd, ggd);
        cg = cgs + cgd;
        ch = ChannelCurrent(vgs, vgd, x[kJVto], beta, x[kJLambda]);
        j.region = ch.region;
        cd = ch.cdrain - cgd;

        const bool charge_modes = !InDcAnalysis() || TranOpWithIc() || InitMode == kInitSmallSignal;
        if (charge_modes) {
            double capgs = 0, capgd = 0;
            JunctionChargeAndCapacitance(x, kJFc, kJDepletion0, s, vgs, x[kJPb], x[kJM], 0, 0, x[kJCgs] * j.area, 0,
                                         &capgs, 0);
            JunctionChargeAndCapacitance(x, kJFc, kJDepletion0, s + kHistorySlots, vgd, x[kJPb], x[kJM], 0, 0,
                                         x[kJCgd] * j.area, 0, &capgd, 0);
            if (!TranOpWithIc() || InitMode == kInitSmallSignal) j.capgs = capgs, j.capgd = capgd;
            // The small-signal pass only keeps the capacitances: a charge companion there
            // would add a conductance of the last time step to the AC stamp.
            if (!TranOpWithIc() && InitMode != kInitSmallSignal) {
                if (InitMode == kInitTransient) {
                    StateValues[s + 1] = StateValues[s];
                    StateValues[s + kHistorySlots + 1] = StateValues[s + kHistorySlots];
                }
                double geq = 0;
                IntegrateChargeGeqOnly(geq, capgs, s);
                ggs += geq;
                cg += StateDerivatives[s];
                IntegrateChargeGeqOnly(geq, capgd, s + kHistorySlots);
                ggd += geq;
                cg += StateDerivatives[s + kHistorySlots];
                cd -= StateDerivatives[s + kHistorySlots];
                if (InitMode == kInitTransient) {
                    StateDerivatives[s + 1] = StateDerivatives[s];
                    StateDerivatives[s + kHistorySlots + 1] = StateDerivatives[s + kHistorySlots];
                }
            }
        }

        if (!off_fixed) {
            if (pn) {
                ++NonConvergedCount;
                RecordNonConvergentDevice(&j, kNcJfetPn, 0);
            } else if (CurrentNotConverged(cghat, cg)) {
                RecordNonConvergentDevice(&j, kNcJfetGate, cghat);
            }
            if (NonConvergedCount == 0 && CurrentNotConverged(cdhat, cd))
                RecordNonConvergentDevice(&j, kNcJfetDrain, cdhat);
        }
        j.vgs = vgs, j.vgd = vgd, j.cg = cg, j.cd = cd, j.cgs = cgs, j.cgd = cgd;
        j.gm = ch.gm, j.gds = ch.gds, j.ggs = ggs, j.ggd = ggd;
        const bool charged = charge_modes && !TranOpWithIc() && InitMode != kInitSmallSignal;
        cgst = cgs + (charged ? StateDerivatives[s] : 0.0);
        cgdt = cgd + (charged ? StateDerivatives[s + kHistorySlots] : 0.0);
        if (DeviceListTable[kJfetList].flag_byte0) {
            j.gate_current = p * (cgdt + cgst);
            j.drain_current = j.drain_current2 = p * (ch.cdrain - cgdt);
            j.source_current = p * (-ch.cdrain - cgst);
        }
    }

    const double vds = vgs - vgd;
    const double gm = ch.gm, gds = ch.gds;
    const double ceqgs = p * (cgst - ggs * vgs), ceqgd = p * (cgdt - ggd * vgd);
    const double cdreq = p * (cgdt + cd - gds * vds - gm * vgs);
    RightHandSide[j.gate] -= ceqgd + ceqgs;
    RightHandSide[j.drain_i] += ceqgd - cdreq;
    RightHandSide[j.source_i] += cdreq + ceqgs;

    if (gdpr > 0) StampNext(-gdpr), StampNext(-gdpr), StampNext(gdpr);
    if (gspr > 0) StampNext(-gspr), StampNext(-gspr), StampNext(gspr);
    StampNext(-ggd);
    StampNext(-ggs);
    StampNext(gm - ggd);
    StampNext(-(gds + gm));
    StampNext(-(ggs + gm));
    StampNext(-gds);
    StampNext(ggd + ggs);
    StampNext(ggd + gds + gdpr);
    StampNext(ggs + gds + gm + gspr);

    if (j.flag_byte1) {
        if (!bypassed) {
            const bool charged = !InDcAnalysis() && !TranOpWithIc() && InitMode != kInitSmallSignal;
            const double qs = charged ? StateDerivatives[s] : 0.0, qd = charged ? StateDerivatives[s + kHistorySlots] : 0.0;
            j.power_dissipated = std::fabs((cgst - qs) * vgs) + std::fabs((cgdt - qd) * vgd) + std::fabs(ch.cdrain * vds);
            if (gdpr != 0) j.power_dissipated += j.drain_current * j.drain_current / gdpr;
            if (gspr != 0) j.power_dissipated += j.source_current * j.source_current / gspr;
            j.power_stored = vgs * qs + vgd * qd;
        }
        Run.power_dissipated += j.power_dissipated;
        Run.power_stored += j.power_stored;
        if (j.power_dissipated > 0.1) j.region = kRegionHot;
    }
}

}  // namespace

int LoadJfets() {
    int s = FirstStateIndex(kJfetStates);
    for (Jfet* j : DevicesOf<Jfet>(kJfetList)) {
        LoadJfet(*j, s);
        s += 2 * kHistorySlots;
    }
    return 0;
}

// --- Small signal -------------------------------------------------------------------------

namespace {

// No gate resistance and no drain-source capacitance.
Fet3Small JfetSmallSignal(const Jfet& j) {
    const double* x = ModelReals(*j.model);
    Fet3Small f{};
    f.G = f.Gp = j.gate;
    f.D = j.drain, f.S = j.source, f.Dp = j.drain_i, f.Sp = j.source_i;
    f.g_drain = x[kJRd] * j.area, f.g_source = x[kJRs] * j.area;
    f.gm = j.gm, f.gds = j.gds, f.ggs = j.ggs, f.ggd = j.ggd;
    f.xgs = AcOmega * j.capgs, f.xgd = AcOmega * j.capgd;
    return f;
}

}  // namespace

int AcLoadJfets() {
    for (const Jfet* j : DevicesOf<Jfet>(kJfetList))
        if (int error = AcStampFet3(JfetSmallSignal(*j))) return error;
    return 0;
}

int ComputeJfetAcCurrents() {
    for (Jfet* j : DevicesOf<Jfet>(kJfetList)) {
        const FetAcCurrents c = FetCurrents(JfetSmallSignal(*j));
        j->ac_drain = c.drain, j->ac_gate = c.gate, j->ac_source = c.source;
    }
    return 0;
}

int AddJfetNoiseSources(double frequency) {
    for (const Jfet* j : DevicesOf<Jfet>(kJfetList)) {
        const double* x = ModelReals(*j->model);
        const double t = x[kJDeviceTemp] + kZeroCelsius;
        const double thermal = std::sqrt(4 * kNoiseBoltzmann * t);
        AddNoiseSource(j->drain_i, j->drain, std::sqrt(x[kJRd] * j->area) * thermal);
        AddNoiseSource(j->source_i, j->source, std::sqrt(x[kJRs] * j->area) * thermal);
        const double id = std::fabs(j->cd + j->cgd);  // the channel current
        AddNoiseSource(j->drain_i, j->source_i,
                       std::sqrt(x[kJKf] * std::pow(id, x[kJAf]) / frequency +
                                 8.0 / 3.0 * kNoiseBoltzmann * t * std::fabs(j->gm)));
    }
    return 0;
}

// --- Registration -------------------------------------------------------------------------

namespace {

template <void (*Pass)(ModelParams&)>
int ForEachJfetModel(double) {
    for (int type : {kModelNjf, kModelPjf})
        for (ModelParams* m : CircuitModels[type]) Pass(*m);
    return 0;
}
int UpdateJfetModels(double t) {
    for (int type : {kModelNjf, kModelPjf})
        for (ModelParams* m : CircuitModels[type]) UpdateJfetModelTemperature(*m, t);
    return 0;
}

}  // namespace

const DeviceKindHandler kJfetKind = {LoadStage::Jfets, 0, SetupJfets, LoadJfets};
const AcKindHandler kJfetAcKind = {AcStage::Jfets,         0, AcLoadJfets, AcCurrentRank::Jfets, ComputeJfetAcCurrents,
                                   NoiseRank::Jfets,       AddJfetNoiseSources};

void RegisterJfetKind() {
    RegisterDeviceKind(&kJfetKind);
    RegisterAcKind(&kJfetAcKind);
    RegisterModelPass(ModelPassStep::BjtJfetFirst, ForEachJfetModel<PrepareJfetModel>);
    RegisterModelPass(ModelPassStep::BjtJfetConversions, ForEachJfetModel<ConvertJfetModel>);
    RegisterDevicePass(DevicePassStep::JfetModels, UpdateJfetModels);
}

}  // namespace ob7
