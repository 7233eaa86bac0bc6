#include "sim/devices/diode.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/junction_limits.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

int Diode::NonConvergenceValues(int kind, double* values) const {
    if (kind != kNcDiodeCurrent) return 0;
    values[0] = cd;
    return 1;
}

// --- Model pass ------------------------------------------------------------------------

void ClampDiodeModel(ModelParams& model) {
    double* x = ModelReals(model);
    AvoidUnity(x[kDM]);
    x[kDEg] = std::max(x[kDEg], 0.1);
    x[kDAf] = std::max(x[kDAf], 0.1);
    x[kDFc] = std::min(x[kDFc], 0.95);
}

namespace {

// Level 1: moves BV so that the current at -BV (nominal IS, IBV, RS) equals IBV.
void FitBreakdownVoltage(double* x) {
    if (!IsGiven(x[kDTMeasured])) x[kDTMeasured] = Options.tnom;
    const double vt = ThermalVoltage(x[kDTMeasured]);
    const double is = x[kDIs], ibv = x[kDIbv], bv = x[kDBv], gmin = Options.gmin;
    if (is * bv / vt > ibv || ibv - gmin * bv <= 0) return;
    const double tol = Options.abstol + Options.reltol * ibv;
    const double o = bv - ibv * x[kDRs];
    double v = o - vt * std::log((ibv - gmin * bv) / is);
    for (int pass = 0; pass < 26; ++pass) {
        if (ibv - gmin * v <= 0) break;
        v = o - vt * std::log((ibv - gmin * v) / is);
        if (std::fabs(is * LimitedExp((bv - v) / vt) + gmin * v - ibv) <= tol) break;
    }
    x[kDBv] = v;
}

}  // namespace

void PrepareDiodeModel(ModelParams& model) {
    double* x = ModelReals(model);
    DepletionCapacitanceCoefficients(x, kDFc, kDDepletion0, x[kDFc], x[kDVj], x[kDM]);
    if (std::trunc(x[kDLevel]) == 1 && x[kDBv] != 0) FitBreakdownVoltage(x);
}

// --- Device pass -------------------------------------------------------------------------

void UpdateDiodeModelTemperature(ModelParams& model, double t) {
    double* x = ModelReals(model);
    const double device_t = ModelDeviceTemperature(model, kDTMeasured, t);
    x[kDDeviceTemp] = device_t;
    const double old_vj = x[kDVj];
    double vt, ratio, log_ratio, dt, dt2;
    JunctionTemperatureUpdate(vt, ratio, x[kDTMeasured], device_t, log_ratio, dt, dt2, kDCjo, kDVj, x[kDM], x);
    x[kDVt] = vt;
    x[kDIs] *= SaturationCurrentTempFactor(ratio, x[kDEg], x[kDN], vt, x[kDXti]);
    const double r = x[kDVj] / old_vj;
    x[kDFc] *= r;
    x[kDDepletion2] *= r;
    x[kDDepletion1] /= r;
    x[kDVcrit] = CriticalVoltage(x[kDN] * vt, x[kDIs]);
    x[kDBv] *= 1 + x[kDTbv1] * dt + x[kDTbv2] * dt2;
    x[kDIkf] *= 1 + x[kDTikf] * dt;
    x[kDIsr] *= SaturationCurrentTempFactor(ratio, x[kDEg], x[kDNr], vt, x[kDXti]);
    x[kDRs] *= 1 + x[kDTrs1] * dt + x[kDTrs2] * dt2;
    if (x[kDRs] != 0 && x[kDRs] < Options.rmin) x[kDRs] = Options.rmin;
}

// --- Set-up and load ----------------------------------------------------------------------

Diode* AddDiode(ModelParams* model, int anode, int cathode, double area, int internal_anode) {
    auto* d = new Diode;
    d->model = model;
    d->anode = anode, d->cathode = cathode;
    d->internal_anode = internal_anode ? internal_anode : anode;
    d->area = area;
    d->ordinal = DeviceListTable[kDiodeList].count;
    AddDevice(kDiodeList, d);
    return d;
}

int SetupDiodes() {
    for (Diode* d : DevicesOf<Diode>(kDiodeList)) {
        const double rs = d->model->Real(kDRs);
        if (rs != 0 && d->area / rs != 0)
            if (int error = AllocConductanceEntries(d->anode, d->internal_anode)) return error;
        if (int error = AllocConductanceEntries(d->internal_anode, d->cathode)) return error;
    }
    return 0;
}

namespace {

double AwayFromZero(double g) { return g > 0 ? std::max(g, 1e-50) : -std::max(std::fabs(g), 1e-50); }

// Newton step limiting of the junction voltage against the kept one; `limited` stays 1
// only when every limiting call limited.
void LimitDiodeVoltage(const Diode& d, const double* x, int level, double& vd, int& limited) {
    const double vt = x[kDVt], nvt = x[kDN] * vt, bv = x[kDBv];
    if (bv == 0 || vd >= std::min(10 * nvt - bv, 0.0)) {
        LimitJunctionVoltageInPlace(vd, limited, d.vd, nvt, x[kDVcrit]);
        const double isr = x[kDIsr] * d.area;
        if (level == 2 && isr > 0) {
            const double nrvt = x[kDNr] * vt;
            LimitJunctionVoltageInPlace(vd, limited, d.vd, nrvt, CriticalVoltage(nrvt, isr));
        }
        return;
    }
    // Breakdown side: limit the voltage beyond the knee.
    double u = -(vd + bv);
    const double u_old = -(d.vd + bv);
    LimitJunctionVoltageInPlace(u, limited, u_old, nvt, x[kDVcrit]);
    if (level == 2) {
        const double nbvt = x[kDNbv] * vt, nbvlt = x[kDNbvl] * vt;
        double u2 = u;
        LimitJunctionVoltageInPlace(u2, limited, u_old, nbvt, CriticalVoltage(nbvt, x[kDIbv] * d.area));
        u = std::min(u, u2);
        double u3 = u;
        LimitJunctionVoltageInPlace(u3, limited, u_old, nbvlt, CriticalVoltage(nbvlt, x[kDIbvl] * d.area));
        u = std::min(u, u3);
    }
    vd = -(u + bv);
}

// DC current and conductance of the junction, GMIN included.
void DiodeCurrent(const double* x, int level, double area, double vd, double& cd, double& gd) {
    const double vt = x[kDVt], nvt = x[kDN] * vt, bv = x[kDBv], gmin = Options.gmin;
    const double csat = x[kDIs] * area, ibv = x[kDIbv] * area;
    if (level != 2) {
        if (vd >= -5 * nvt) {
            const double e = LimitedExp(vd / nvt);
            cd = csat * (e - 1) + gmin * vd;
            gd = csat * e / nvt + gmin;
        } else if (bv == 0 || vd >= -bv) {
            gd = gmin - csat / vd;
            cd = gd * vd;
        } else {
            const double e = csat * LimitedExp(-(vd + bv) / vt);
            cd = gmin * vd - e;
            gd = e / vt + gmin;
        }
        return;
    }
    const double e = LimitedExp(vd / nvt);
    const double cf = csat * (e - 1), gf = csat * e / nvt;
    const double ikf = x[kDIkf] * area;
    if (ikf > 0) {
        const double k = std::sqrt(ikf / (ikf + std::fabs(cf)));
        cd = cf * k;
        // k falls with |cf| on both sides of zero, so the roll-off term takes |cf|.
        gd = k * gf - std::fabs(cf) * gf * k * k * k / (2 * ikf);
    } else {
        cd = cf;
        gd = gf;
    }
    const double isr = x[kDIsr] * area;
    if (isr > 0) {
        const double nrvt = x[kDNr] * vt, m = x[kDM], vj = x[kDVj];
        const double w = 1 - vd / vj;
        const double kg = std::pow(w * w + 0.005, m / 2);
        const double e2 = LimitedExp(vd / nrvt);
        const double cr = isr * (e2 - 1);
        gd += isr * e2 / nrvt * kg - kg * (m / vj) * w / (w * w + 0.005) * cr;
        cd += cr * kg;
    }
    if (bv != 0) {
        const double nbvt = x[kDNbv] * vt;
        const double b = ibv * LimitedExp(-(bv + vd) / nbvt);
        gd += b / nbvt;
        cd -= b;
        const double ibvl = x[kDIbvl] * area;
        if (ibvl > 0) {
            const double nbvlt = x[kDNbvl] * vt;
            const double b2 = ibvl * LimitedExp(-(bv + vd) / nbvlt);
            gd += b2 / nbvlt;
            cd -= b2;
        }
    }
    cd += gmin * vd;
    gd += gmin;
}

void StampDiode(const Diode& d, double vd, double cd, double gd, double gspr) {
    const double ceq = AwayFromZero(cd - gd * vd);
    RightHandSide[d.cathode] += ceq;
    RightHandSide[d.internal_anode] -= ceq;
    if (gspr != 0) StampConductance(gspr);
    StampConductance(gd);
}

// A bypassed load keeps the powers of the load that evaluated the junction.
void AddDiodePower(Diode& d, int s, double bv, double gspr, bool evaluated) {
    if (!d.flag_byte1) return;
    if (evaluated) {
        d.power_dissipated = d.vd * (d.cd - StateDerivatives[s]);
        if (gspr != 0) d.power_dissipated += d.cd * d.cd / gspr;
        d.power_stored = d.vd * StateDerivatives[s];
    }
    Run.power_dissipated += d.power_dissipated;
    Run.power_stored += d.power_stored;
    d.region = d.vd > 0.5 ? kRegionOn : (bv != 0 && d.vd < -bv ? kRegionZener : kRegionOff);
}

void LoadDiode(Diode& d, int s) {
    const double* x = ModelReals(*d.model);
    // A level that truncates to neither 1 nor 2 is taken as 2.
    const int level = static_cast<int>(x[kDLevel]) == 1 ? 1 : 2;
    const double gspr = x[kDRs] != 0 ? d.area / x[kDRs] : 0.0;
    const double bv = x[kDBv];

    double vd;
    switch (InitMode) {
    case kInitJunction: vd = TranOpWithIc() ? d.ic : (d.off ? 0.0 : x[kDVcrit]); break;
    case kInitSmallSignal:
    case kInitTransient: vd = d.vd; break;
    case kInitPredict: {
        const double last = LastAcceptedSolution[d.internal_anode] - LastAcceptedSolution[d.cathode];
        const double earlier = EarlierAcceptedSolution[d.internal_anode] - EarlierAcceptedSolution[d.cathode];
        d.vd = last;
        vd = (1 + PredictorRatio) * last - PredictorRatio * earlier;
        break;
    }
    default: vd = (InitMode == kInitFix && d.off) ? 0.0 : Solution[d.internal_anode] - Solution[d.cathode]; break;
    }

    int limited = 1;
    double cdhat = 0;
    const bool off_fixed = InitMode == kInitFix && d.off;
    if ((InitMode == kInitFloat || InitMode == kInitPredict || InitMode == kInitFix) && !off_fixed) {
        cdhat = d.cd + d.gd * (vd - d.vd);
        if (BypassAllowed && VoltageConverged(vd, d.vd) && CurrentConverged(cdhat, d.cd)) {
            // Nothing moved: the kept linearisation serves again.
            StampDiode(d, d.vd, d.cd, d.gd, gspr);
            AddDiodePower(d, s, bv, gspr, false);
            return;
        }
        LimitDiodeVoltage(d, x, level, vd, limited);
    }

    double cd, gd;
    DiodeCurrent(x, level, d.area, vd, cd, gd);

    bool small_signal_only = false;
    if (!InDcAnalysis() || TranOpWithIc() || InitMode == kInitSmallSignal) {
        double capacitance = 0;
        JunctionChargeAndCapacitance(x, kDFc, kDDepletion0, s, vd, x[kDVj], x[kDM], x[kDTt], cd, x[kDCjo] * d.area,
                                     gd, &capacitance, 0);
        if (!TranOpWithIc()) {
            d.capacitance = capacitance;
            small_signal_only = InitMode == kInitSmallSignal;
        }
        if (!small_signal_only) {
            if (InitMode == kInitTransient) StateValues[s + 1] = StateValues[s];
            double geq = 0;
            IntegrateChargeGeqOnly(geq, capacitance, s);
            gd += geq;
            cd += StateDerivatives[s];
            if (InitMode == kInitTransient) StateDerivatives[s + 1] = StateDerivatives[s];
        }
    }

    if (small_signal_only) {
        // Values kept, nothing stamped: the entries are stepped over.
        TrailCursor += gspr != 0 ? 8 : 4;
    } else {
        if (level != 2 && x[kDRl] > 0) {
            cd += vd / x[kDRl];
            gd += 1 / x[kDRl];
        }
        if (!off_fixed) {
            if (limited) {
                ++NonConvergedCount;
                RecordNonConvergentDevice(&d, kNcDiodePn, 0);
            } else if (CurrentNotConverged(cd, cdhat)) {
                RecordNonConvergentDevice(&d, kNcDiodeCurrent, cdhat);
            }
        }
        gd = AwayFromZero(gd);
        d.vd = vd;
        d.cd = cd;
        d.current = cd;
        d.gd = gd;
        StampDiode(d, vd, cd, gd, gspr);
    }
    AddDiodePower(d, s, bv, gspr, true);
}

}  // namespace

int LoadDiodes() {
    int s = FirstStateIndex(kDiodeStates);
    for (Diode* d : DevicesOf<Diode>(kDiodeList)) {
        LoadDiode(*d, s);
        s += kHistorySlots;
    }
    return 0;
}

// --- Registration -------------------------------------------------------------------------

namespace {

int ClampDiodeModels(double) {
    for (ModelParams* m : CircuitModels[kModelDiode]) ClampDiodeModel(*m);
    return 0;
}
int PrepareDiodeModels(double) {
    for (ModelParams* m : CircuitModels[kModelDiode]) PrepareDiodeModel(*m);
    return 0;
}
int UpdateDiodeModels(double t) {
    for (ModelParams* m : CircuitModels[kModelDiode]) UpdateDiodeModelTemperature(*m, t);
    return 0;
}

}  // namespace

const DeviceKindHandler kDiodeKind = {LoadStage::Diodes, 0, SetupDiodes, LoadDiodes};

void RegisterDiodeKind() {
    RegisterDeviceKind(&kDiodeKind);
    RegisterModelPass(ModelPassStep::DiodeClamps, ClampDiodeModels);
    RegisterModelPass(ModelPassStep::DiodeDepletion, PrepareDiodeModels);
    RegisterDevicePass(DevicePassStep::DiodeModels, UpdateDiodeModels);
}

// --- AC and noise -------------------------------------------------------------------------
namespace {
// The junction (gd + j omega Cd) between A' and K, then the series conductance area/RS.
int AcStampDiode(void* device) {
    const Diode& d = *static_cast<const Diode*>(device);
    const int A = d.anode, Ai = d.internal_anode, K = d.cathode;
    const double gd = d.gd, xd = AcOmega * d.capacitance;
    int error = AcAddReal(K, K, gd);
    if (!error) error = AcAddImag(K, K, xd);
    if (!error) error = AcAddReal(Ai, Ai, gd);
    if (!error) error = AcAddImag(Ai, Ai, xd);
    if (!error) error = AcAddReal(K, Ai, -gd);
    if (!error) error = AcAddImag(K, Ai, -xd);
    if (!error) error = AcAddReal(Ai, K, -gd);
    if (!error) error = AcAddImag(Ai, K, -xd);
    const double rs = d.model->Real(kDRs);
    if (!error && rs != 0 && d.area / rs != 0) error = AcStampConductance(Ai, A, d.area / rs);
    return error;
}
}  // namespace

int AcLoadDiodes() {
    for (Diode* d : DevicesOf<Diode>(kDiodeList))
        if (int error = AcStampDiode(d)) return error;
    return 0;
}

int ComputeDiodeAcCurrents() {
    for (Diode* d : DevicesOf<Diode>(kDiodeList))
        d->ac_current = ConductanceCurrent(d->internal_anode, d->cathode, d->gd) +
                        SusceptanceCurrent(d->internal_anode, d->cathode, AcOmega * d->capacitance);
    return 0;
}

// Shot and flicker noise of the junction current, thermal noise of the series resistance.
int AddDiodeNoiseSources(double f) {
    for (Diode* d : DevicesOf<Diode>(kDiodeList)) {
        const double* x = ModelReals(*d->model);
        const double t = std::sqrt(4 * kNoiseBoltzmann * (x[kDDeviceTemp] + kZeroCelsius));
        const double id = std::fabs(d->cd);
        AddShotFlickerNoise(d->internal_anode, d->cathode, kNoiseTwoQ * id, x[kDKf], std::pow(id, x[kDAf]), f, 1.0);
        const double rs = x[kDRs];
        AddNoiseSource(d->anode, d->internal_anode, rs != 0 ? std::sqrt(d->area / rs) * t : 0.0);
    }
    return 0;
}

const AcKindHandler kDiodeAcKind{AcStage::Diodes, 0, AcLoadDiodes, AcCurrentRank::Diodes, ComputeDiodeAcCurrents,
                                 NoiseRank::Diodes, AddDiodeNoiseSources};

}  // namespace ob7
