#include "sim/devices/bipolar.h"

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/diode.h"
#include "sim/devices/junction_limits.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

int Bjt::NonConvergenceValues(int kind, double* values) const {
    switch (kind) {
    case kNcBjtCollector: values[0] = cc; return 1;
    case kNcBjtBase: values[0] = cb; return 1;
    case kNcBjtSubstrate: values[0] = csub; return 1;
    default: return 0;
    }
}

// --- Model pass ------------------------------------------------------------------------

void PrepareBjtModel(ModelParams& model) {
    double* x = ModelReals(model);
    if (!IsGiven(x[kQTMeasured])) x[kQTMeasured] = Options.tnom;
    AvoidUnity(x[kQMje]);
    AvoidUnity(x[kQMjc]);
    AvoidUnity(x[kQMjs]);
    x[kQXcjc] = std::min(x[kQXcjc], 1.0);
    x[kQEg] = std::max(x[kQEg], 0.1);
    x[kQAf] = std::max(x[kQAf], 0.1);
    x[kQFc] = std::min(x[kQFc], 0.95);
    if (x[kQRbm] == 0 || x[kQRb] < x[kQRbm]) x[kQRbm] = x[kQRb];
}

void ScaleBjtLeakageCurrents(ModelParams& model) {
    double* x = ModelReals(model);
    // Values of 1 and above are multiples of IS.
    if (x[kQIse] >= 1) x[kQIse] *= x[kQIs];
    if (x[kQIsc] >= 1) x[kQIsc] *= x[kQIs];
}

void ConvertBjtModelValues(ModelParams& model) {
    double* x = ModelReals(model);
    for (int slot : {kQVaf, kQVar, kQIkf, kQIkr}) ReciprocalValue(slot, x);
    ResistanceToConductance(kQRe, x);
    ResistanceToConductance(kQRc, x);
    if (x[kQVtf] != 0) x[kQVtf] = 1 / (1.44 * x[kQVtf]);
    x[kQPtf] = x[kQTf] != 0 ? x[kQTf] * x[kQPtf] * 0.017453292519943295 : 0.0;
    const double fc = x[kQFc];
    DepletionCapacitanceCoefficients(x, kQFc, kQBeCoef0, fc, x[kQVje], x[kQMje]);
    DepletionCapacitanceCoefficients(x, kQBcTransition, kQBcCoef0, fc, x[kQVjc], x[kQMjc]);
}

// --- Device pass -------------------------------------------------------------------------

void UpdateBjtModelTemperature(ModelParams& model, double t) {
    double* x = ModelReals(model);
    const double device_t = ModelDeviceTemperature(model, kQTMeasured, t);
    x[kQDeviceTemp] = device_t;
    double vt, ratio, log_ratio, dt, dt2;
    const double old_vje = x[kQVje];
    JunctionTemperatureUpdate(vt, ratio, x[kQTMeasured], device_t, log_ratio, dt, dt2, kQCje, kQVje, x[kQMje], x);
    x[kQVt] = vt;
    x[kQIs] *= SaturationCurrentTempFactor(ratio, x[kQEg], 1, vt, x[kQXti]);
    const double beta_factor = std::pow(ratio, x[kQXtb]);
    x[kQBf] *= beta_factor;
    x[kQBr] *= beta_factor;
    x[kQIse] *= SaturationCurrentTempFactor(ratio, x[kQEg], x[kQNe], vt, x[kQXti]);
    x[kQIsc] *= SaturationCurrentTempFactor(ratio, x[kQEg], x[kQNc], vt, x[kQXti]);
    x[kQIss] *= SaturationCurrentTempFactor(ratio, x[kQEg], x[kQNs], vt, x[kQXti]);
    double r = x[kQVje] / old_vje;
    x[kQFc] *= r;
    x[kQBeCoef2] *= r;
    x[kQBeCoef1] /= r;
    const double old_vjc = x[kQVjc];
    JunctionTemperatureUpdate(vt, ratio, x[kQTMeasured], device_t, log_ratio, dt, dt2, kQCjc, kQVjc, x[kQMjc], x);
    r = x[kQVjc] / old_vjc;
    x[kQBcTransition] *= r;
    x[kQBcCoef2] *= r;
    x[kQBcCoef1] /= r;
    x[kQVcritBe] = CriticalVoltage(x[kQNf] * vt, x[kQIs]);
    x[kQVcritBc] = CriticalVoltage(x[kQNr] * vt, x[kQIs]);
    x[kQRb] *= 1 + x[kQTrb1] * dt + x[kQTrb2] * dt2;
    x[kQRe] /= 1 + x[kQTre1] * dt + x[kQTre2] * dt2;
    x[kQRc] /= 1 + x[kQTrc1] * dt + x[kQTrc2] * dt2;
    x[kQRbm] *= 1 + x[kQTrm1] * dt + x[kQTrm2] * dt2;
    const double rmin = Options.rmin;
    for (int slot : {kQRb, kQRbm})
        if (x[slot] != 0 && x[slot] < rmin) x[slot] = rmin;
    for (int slot : {kQRe, kQRc})
        if (x[slot] != 0 && rmin > 0 && x[slot] > 1 / rmin) x[slot] = 1 / rmin;
}

void UpdateBjtInstance(Bjt& q) {
    const double* x = ModelReals(*q.model);
    const double vt = x[kQVt], a = q.area;
    q.nf_vt = x[kQNf] * vt;
    q.nr_vt = x[kQNr] * vt;
    q.be_reverse = -5 * q.nf_vt;
    q.bc_reverse = -5 * q.nr_vt;
    q.ns_vt = x[kQNs] * vt;
    q.sub_reverse = -5 * q.ns_vt;
    q.vcrit_sub = CriticalVoltage(q.ns_vt, x[kQIss]);
    q.iss = x[kQIss] * a;
    q.irb = x[kQIrb] * a;
    q.ne_vt = x[kQNe] * vt;
    q.nc_vt = x[kQNc] * vt;
    q.is = x[kQIs] * a;
    q.ise = x[kQIse] * a;
    q.isc = x[kQIsc] * a;
    q.inv_ikf = x[kQIkf] / a;
    q.inv_ikr = x[kQIkr] / a;
    q.ge = x[kQRe] * a;
    q.gc = x[kQRc] * a;
}

// --- Set-up --------------------------------------------------------------------------------

namespace {

bool IsLateral(const Bjt& q) { return q.model_type == kModelLpnp; }

int AllocEntries(std::initializer_list<std::pair<int, int>> entries) {
    for (auto [row, column] : entries)
        if (int error = AllocMatrixEntry(row, column)) return error;
    return 0;
}

}  // namespace

Bjt* AddBjt(ModelParams* model, int collector, int base, int emitter, int substrate, double area) {
    auto* q = new Bjt;
    q->model = model;
    q->model_type = model->modelType;
    q->polarity = model->modelType == kModelNpn ? 1.0 : -1.0;
    q->collector = q->collector_i = collector;
    q->base = q->base_i = base;
    q->emitter = q->emitter_i = emitter;
    q->substrate = substrate;
    q->area = area;
    q->ordinal = DeviceListTable[kBjtList].count;
    AddDevice(kBjtList, q);
    return q;
}

int SetupBjts() {
    for (Bjt* q : DevicesOf<Bjt>(kBjtList)) {
        const int b = q->base, c = q->collector, e = q->emitter, s = q->substrate;
        const int bp = q->base_i, cp = q->collector_i, ep = q->emitter_i;
        const int xs = IsLateral(*q) ? bp : cp;
        int error = AllocMatrixEntry(b, b);
        if (!error && q->ge != 0) error = AllocEntries({{e, e}, {e, ep}, {ep, e}});
        if (!error && q->gc != 0) error = AllocEntries({{c, cp}, {cp, c}, {c, c}});
        if (!error)
            error = AllocEntries({{cp, cp}, {bp, bp}, {ep, ep}, {b, bp}, {cp, bp}, {cp, ep}, {bp, b}, {bp, cp},
                                  {bp, ep}, {ep, cp}, {ep, bp}, {s, s}, {xs, s}, {s, xs}, {b, cp}, {cp, b}});
        if (error) return error;
    }
    return 0;
}

// --- Load ------------------------------------------------------------------------------------

namespace {

// Current and conductance of a junction with its reverse approximation below `reverse`.
void JunctionCurrent(double v, double is, double nvt, double reverse, double& i, double& g) {
    if (v > reverse) {
        const double e = LimitedExp(v / nvt);
        i = is * (e - 1) + Options.gmin * v;
        g = is * e / nvt + Options.gmin;
    } else {
        g = Options.gmin - is / v;
        i = g * v;
    }
}

// A leakage diode (no GMIN); zero when its saturation current is.
void LeakageCurrent(double v, double is, double nvt, double reverse, double& i, double& g) {
    if (v > reverse) {
        if (is != 0) {
            const double e = LimitedExp(v / nvt);
            i = is * (e - 1);
            g = is * e / nvt;
        } else {
            i = g = 0;
        }
    } else {
        g = -is / v;
        i = g * v;
    }
}

double Diff(const std::vector<double>& v, int a, int b) { return v[a] - v[b]; }

// The linearisation at one bias point: what the companion currents and stamps need.
struct BjtLinearisation {
    double vbe, vbc, vsub, vbx;
    double cc, cb, csub;
    double gpi, gmu, gm, go, gx, geqcb, gcs, geqbx;
};

void StampBjt(const Bjt& q, int s, const BjtLinearisation& l) {
    const double p = q.polarity;
    const bool lateral = IsLateral(q);
    const int B = q.base, S = q.substrate, Bp = q.base_i, Cp = q.collector_i, Ep = q.emitter_i;
    const double ceqbe = p * (l.cc + l.cb - l.vbe * (l.gm + l.go + l.gpi) + l.vbc * (l.go - l.geqcb));
    const double ceqbc = p * (-l.cc + l.vbe * (l.gm + l.go) - l.vbc * (l.gmu + l.go));
    const double ceqbx = p * (StateDerivatives[s + 12] - l.vbx * l.geqbx);
    const double ceqsub = (lateral ? 1.0 : p) * (l.csub - l.gcs * l.vsub);
    double* rhs = RightHandSide.data();
    rhs[B] -= ceqbx;
    rhs[Cp] += ceqbx + ceqbc;
    rhs[Bp] -= ceqbe + ceqbc;
    rhs[lateral ? Bp : Cp] += ceqsub;
    rhs[S] -= ceqsub;
    rhs[Ep] += ceqbe;

    const double ge = q.ge, gc = q.gc, gx = l.gx, gcs = l.gcs, geqbx = l.geqbx, geqcb = l.geqcb;
    const double gm = l.gm, go = l.go, gmu = l.gmu, gpi = l.gpi;
    StampNext(gx + geqbx);
    if (ge != 0) StampNext(ge), StampNext(-ge), StampNext(-ge);
    if (gc != 0) StampNext(-gc), StampNext(-gc), StampNext(gc);
    StampNext(go + gmu + geqbx + gc + (lateral ? 0 : gcs));
    StampNext(gx + gmu + gpi + geqcb + (lateral ? gcs : 0));
    StampNext(go + gm + gpi + ge);
    StampNext(-gx);
    StampNext(gm - gmu);
    StampNext(-(gm + go));
    StampNext(-gx);
    StampNext(-(gmu + geqcb));
    StampNext(-gpi);
    StampNext(geqcb - go);
    StampNext(-(gm + gpi + geqcb));
    StampNext(gcs);
    StampNext(-gcs);
    StampNext(-gcs);
    StampNext(-geqbx);
    StampNext(-geqbx);
}

// The record's powers into the sums and its region; a bypassed load keeps the powers of
// the load that evaluated the transistor.
void AddBjtPower(Bjt& q) {
    if (!q.flag_byte1) return;
    Run.power_dissipated += q.power_dissipated;
    Run.power_stored += q.power_stored;
    if (q.power_dissipated > 0.1) q.region = kRegionHot;
    else if (q.vbe > 0.5) q.region = std::fabs(q.vbe - q.vbc) >= 0.3 ? kRegionLin : kRegionSat;
    else q.region = kRegionOff;
}

void LoadBjt(Bjt& q, int s) {
    const double* x = ModelReals(*q.model);
    const double p = q.polarity;
    const bool lateral = IsLateral(q);
    const int B = q.base, S = q.substrate;
    const int Bp = q.base_i, Cp = q.collector_i, Ep = q.emitter_i;
    const auto substrate_voltage = [&](const std::vector<double>& v) {
        return lateral ? Diff(v, S, Bp) : p * Diff(v, S, Cp);
    };

    double vbe, vbc, vsub, vbx;
    const bool off_fixed = InitMode == kInitFix && q.off;
    switch (InitMode) {
    case kInitJunction:
        if (TranOpWithIc()) {
            vbe = p * q.ic_vbe;
            vbc = vbe - p * q.ic_vce;
            vsub = 0;
            vbx = vbc;
        } else {
            vbc = vsub = vbx = 0;
            vbe = q.off ? 0.0 : x[kQVcritBe];
        }
        break;
    case kInitSmallSignal:
        vbe = q.vbe, vbc = q.vbc, vsub = q.vsub;
        vbx = p * Diff(Solution, B, Cp);
        break;
    case kInitTransient:
        vbe = q.vbe, vbc = q.vbc, vsub = q.vsub;
        vbx = UseInitialConditions ? p * (q.ic_vbe - q.ic_vce) : p * Diff(LastAcceptedSolution, B, Cp);
        break;
    case kInitPredict: {
        q.vbe = p * Diff(LastAcceptedSolution, Bp, Ep);
        q.vbc = p * Diff(LastAcceptedSolution, Bp, Cp);
        q.vsub = substrate_voltage(LastAcceptedSolution);
        vbe = (1 + PredictorRatio) * q.vbe - PredictorRatio * p * Diff(EarlierAcceptedSolution, Bp, Ep);
        vbc = (1 + PredictorRatio) * q.vbc - PredictorRatio * p * Diff(EarlierAcceptedSolution, Bp, Cp);
        vsub = q.vsub;
        vbx = 0;
        break;
    }
    default:
        if (off_fixed) {
            vbe = vbc = vsub = vbx = 0;
        } else {
            vbe = p * Diff(Solution, Bp, Ep);
            vbc = p * Diff(Solution, Bp, Cp);
            vsub = q.vsub;
            vbx = 0;
        }
        break;
    }

    int limited = 1;
    double cshat = 0, cchat = 0, cbhat = 0;
    if ((InitMode == kInitFloat || InitMode == kInitPredict || InitMode == kInitFix) && !off_fixed) {
        vsub = substrate_voltage(Solution);
        vbx = p * Diff(Solution, B, Cp);
        const double dbe = vbe - q.vbe, dbc = vbc - q.vbc;
        cshat = q.csub + q.gcs * (vsub - q.vsub);
        cchat = q.cc + (q.gm + q.go) * dbe - (q.go + q.gmu) * dbc;
        cbhat = q.cb + q.gpi * dbe + q.gmu * dbc;
        if (BypassAllowed && VoltageConverged(vbe, q.vbe) && VoltageConverged(vbc, q.vbc) &&
            VoltageConverged(vsub, q.vsub) && CurrentConverged(cshat, q.csub) && CurrentConverged(cchat, q.cc) &&
            CurrentConverged(cbhat, q.cb)) {
            // Nothing moved: the kept linearisation serves again.
            StampBjt(q, s, {q.vbe, q.vbc, q.vsub, vbx, q.cc, q.cb, q.csub, q.gpi, q.gmu, q.gm, q.go, q.gx, q.geqcb,
                            q.gcs, q.geqbx});
            AddBjtPower(q);
            return;
        }
        int flag2 = 1, flag3 = 1;
        LimitJunctionVoltageInPlace(vbe, limited, q.vbe, q.nf_vt, x[kQVcritBe]);
        LimitJunctionVoltageInPlace(vbc, flag2, q.vbc, q.nr_vt, x[kQVcritBc]);
        if (q.iss != 0) {
            LimitJunctionVoltageInPlace(vsub, flag3, q.vsub, q.ns_vt, q.vcrit_sub);
            if (flag3) limited = 1;
        }
        if (flag2) limited = 1;
    }

    // DC currents.
    double cbe, gbe, cben, gben, cbc, gbc, cbcn, gbcn, csub = 0, gsub = 0;
    JunctionCurrent(vbe, q.is, q.nf_vt, q.be_reverse, cbe, gbe);
    LeakageCurrent(vbe, q.ise, q.ne_vt, q.be_reverse, cben, gben);
    JunctionCurrent(vbc, q.is, q.nr_vt, q.bc_reverse, cbc, gbc);
    LeakageCurrent(vbc, q.isc, q.nc_vt, q.bc_reverse, cbcn, gbcn);
    if (q.iss != 0) JunctionCurrent(vsub, q.iss, q.ns_vt, q.sub_reverse, csub, gsub);

    // Base charge; the slots hold 1/VAF, 1/VAR.
    const double inv_vaf = x[kQVaf], inv_var = x[kQVar], nk = x[kQNk];
    const double q1 = 1 / (1 - vbc * inv_vaf - vbe * inv_var);
    double qb, dqbdve, dqbdvc;
    if (q.inv_ikf != 0 || q.inv_ikr != 0) {
        const double arg = std::max(0.0, 1 + 4 * (cbe * q.inv_ikf + cbc * q.inv_ikr));
        double sq = 1, dsq = 0;  // arg^NK and its derivative by arg
        if (arg > 0) {
            sq = nk == 0.5 ? std::sqrt(arg) : std::pow(arg, nk);
            dsq = nk * sq / arg;
        }
        qb = q1 * (1 + sq) / 2;
        dqbdve = q1 * (qb * inv_var + 2 * dsq * gbe * q.inv_ikf);
        dqbdvc = q1 * (qb * inv_vaf + 2 * dsq * gbc * q.inv_ikr);
    } else {
        qb = q1;
        dqbdve = q1 * q1 * inv_var;
        dqbdvc = q1 * q1 * inv_vaf;
    }

    // Excess phase of the forward transport current.
    const double td = x[kQPtf];
    double cex = cbe, gex = gbe, cex0 = 0;
    if (!InDcAnalysis() && td != 0) {
        double a1 = StepHistory[0] / td;
        const double a2 = 3 * a1;
        a1 = a2 * a1;
        const double denom = 1 + a1 + a2;
        const double a3 = a1 / denom;
        double* h = StateDerivatives.data() + s + 16;
        if (InitMode == kInitTransient) h[1] = h[2] = cbe / qb;
        cex0 = ((a2 + 1 + PredictorRatio) * h[1] - PredictorRatio * h[2]) / denom;
        cex = a3 * cbe;
        gex = a3 * gbe;
        h[0] = cex0 + cex / qb;
    }

    double cc = cex0 + (cex - cbc) / qb - cbc / x[kQBr] - cbcn;
    double cb = cbe / x[kQBf] + cben + cbc / x[kQBr] + cbcn;
    double gpi = gbe / x[kQBf] + gben;
    double gmu = gbc / x[kQBr] + gbcn;
    const double go = (gbc + (cex - cbc) * dqbdvc / qb) / qb;
    const double gm = (gex - (cex - cbc) * dqbdve / qb) / qb - go;

    // Base resistance, modulated by the base charge or by IRB.
    const double rbpr = std::min(x[kQRbm], x[kQRb]) / q.area;
    const double rbpi = x[kQRb] / q.area - rbpr;
    double gx = rbpr + rbpi / qb;
    if (q.irb != 0) {
        const double z0 = std::max(cb / q.irb, 1e-9);
        const double z = (std::sqrt(1 + 14.59025 * z0) - 1) * 0.41123493852037668 / std::sqrt(z0);
        const double tz = std::tan(z);
        gx = rbpr + 3 * rbpi * (tz - z) / (z * tz * tz);
    }
    if (gx != 0) gx = 1 / gx;

    double geqcb = 0, gcsc = 0, geqbx = 0;
    double capbe = 0, capbc = 0, capcs = 0, capbx = 0;
    bool small_signal_stamps = false;
    if (CapacitancesNeeded()) {
        const double czbe = x[kQCje] * q.area, czbc = x[kQCjc] * q.area * x[kQXcjc];
        const double czbx = x[kQCjc] * q.area - czbc, czcs = x[kQCjs] * q.area, itf = x[kQItf] * q.area;
        const double tf = x[kQTf], vtf_factor = x[kQVtf];
        double cbe_q = cbe, gbe_q = gbe;
        if (tf != 0 && vbe > 0) {
            double ftf = x[kQXtf];
            if (vtf_factor != 0) ftf *= LimitedExp(vbc * vtf_factor);
            double ftf2 = ftf;
            if (itf != 0) {
                const double t = cbe / (cbe + itf);
                ftf *= t * t;
                ftf2 = ftf * (3 - 2 * t);
            }
            const double ftf3 = cbe * ftf * vtf_factor;
            cbe_q = cbe * (1 + ftf) / qb;
            gbe_q = ((1 + ftf2) * gbe - cbe_q * dqbdve) / qb;
            geqcb = tf * (ftf3 - cbe_q * dqbdvc) / qb;
        }
        if (czcs > 0) {
            const double vjs = x[kQVjs], mjs = x[kQMjs];
            double charge;
            if (vsub >= 0) {
                charge = vsub * czcs * (1 + mjs * vsub / (2 * vjs));
                capcs = czcs * (1 + mjs * vsub / vjs);
            } else {
                const double a = 1 - vsub / vjs;
                const double sarg = mjs == 0 ? 1.0 : (mjs == 0.5 ? 1 / std::sqrt(a) : std::pow(a, -mjs));
                charge = vjs * czcs * (1 - a * sarg) / (1 - mjs);
                capcs = czcs * sarg;
            }
            StateValues[s + 8] = charge;
        } else {
            StateValues[s + 8] = 0;
        }
        JunctionChargeAndCapacitance(x, kQFc, kQBeCoef0, s, vbe, x[kQVje], x[kQMje], tf, cbe_q, czbe, gbe_q, &capbe,
                                     0);
        JunctionChargeAndCapacitance(x, kQBcTransition, kQBcCoef0, s + 4, vbc, x[kQVjc], x[kQMjc], x[kQTr], cbc,
                                     czbc, gbc, &capbc, 0);
        JunctionChargeAndCapacitance(x, kQBcTransition, kQBcCoef0, s + 12, vbx, x[kQVjc], x[kQMjc], 0, 0, czbx, 0,
                                     &capbx, 0);
        if (!TranOpWithIc() || InitMode == kInitSmallSignal) {
            q.capbe = capbe, q.capbc = capbc, q.capcs = capcs, q.capbx = capbx;
            q.geqcb = geqcb;
        }
        if (InitMode == kInitSmallSignal && AnalysisSubMode == kSubModeOperatingPoint) {
            small_signal_stamps = true;
        } else if (!TranOpWithIc()) {
            if (InitMode == kInitTransient)
                for (int k : {0, 4, 8, 12}) StateValues[s + k + 1] = StateValues[s + k];
            double geq = 0;
            IntegrateChargeGeqOnly(geq, capbe, s);
            geqcb *= IntegrationCoefficients[0];
            gpi += geq;
            cb += StateDerivatives[s];
            IntegrateChargeGeqOnly(geq, capbc, s + 4);
            gmu += geq;
            cb += StateDerivatives[s + 4];
            cc -= StateDerivatives[s + 4];
            IntegrateChargeGeqOnly(gcsc, capcs, s + 8);
            IntegrateChargeGeqOnly(geqbx, capbx, s + 12);
            if (InitMode == kInitTransient)
                for (int k : {0, 4, 8, 12}) StateDerivatives[s + k + 1] = StateDerivatives[s + k];
            csub += StateDerivatives[s + 8];
        }
    }
    const double gcs = gcsc + gsub;

    if (!small_signal_stamps) {
        if (!off_fixed) {
            if (limited) {
                ++NonConvergedCount;
                RecordNonConvergentDevice(&q, kNcBjtPn, 0);
            } else if (CurrentNotConverged(cc, cchat)) {
                RecordNonConvergentDevice(&q, kNcBjtCollector, cchat);
            } else if (NonConvergedCount == 0 && CurrentNotConverged(cb, cbhat)) {
                RecordNonConvergentDevice(&q, kNcBjtBase, cbhat);
            } else if (NonConvergedCount == 0 && CurrentNotConverged(csub, cshat)) {
                RecordNonConvergentDevice(&q, kNcBjtSubstrate, cshat);
            }
        }
        q.vbe = vbe, q.vbc = vbc, q.vsub = vsub;
        q.cc = cc, q.cb = cb, q.csub = csub, q.gsub = gsub;
        q.gpi = gpi, q.gmu = gmu, q.gm = gm, q.go = go, q.gx = gx, q.geqcb = geqcb, q.gcs = gcs, q.geqbx = geqbx;
    }

    StampBjt(q, s, {vbe, vbc, vsub, vbx, cc, cb, csub, gpi, gmu, gm, go, gx, geqcb, gcs, geqbx});

    // Display currents and power.
    const double qbx_current = StateDerivatives[s + 12];
    if (q.flag_byte0) {
        q.collector_current = lateral ? p * (cc - qbx_current) : p * (cc - csub - qbx_current);
        q.base_current = lateral ? p * (cb + qbx_current + csub) : p * (cb + qbx_current);
        q.substrate_current = lateral ? csub : p * csub;
        q.emitter_current = -q.collector_current - q.base_current - q.substrate_current;
    }
    if (q.flag_byte1) {
        const double ge = q.ge, gc = q.gc;
        double pd = (vbe - vbc) * (cbe - cbc) / qb + vbc * (cbc / x[kQBr] + cbcn) + vbe * (cbe / x[kQBf] + cben);
        if (gc != 0) pd += q.collector_current * q.collector_current / gc;
        if (ge != 0) pd += q.emitter_current * q.emitter_current / ge;
        if (gx != 0) pd += q.base_current * q.base_current / gx;
        q.power_dissipated = pd;
        q.power_stored = vbc * StateDerivatives[s + 4] + vsub * StateDerivatives[s + 8] + vbe * StateDerivatives[s];
    }
    AddBjtPower(q);
}

}  // namespace

int LoadBjts() {
    int s = FirstStateIndex(kBjtStates);
    for (Bjt* q : DevicesOf<Bjt>(kBjtList)) {
        LoadBjt(*q, s);
        s += kBjtBlockGroups * kHistorySlots;
    }
    return 0;
}

// --- Registration -----------------------------------------------------------------------------

namespace {

template <void (*Pass)(ModelParams&)>
int ForEachBjtModel(double) {
    for (int type : {kModelNpn, kModelPnp, kModelLpnp})
        for (ModelParams* m : CircuitModels[type]) Pass(*m);
    return 0;
}

int UpdateBjtModels(double t) {
    for (int type : {kModelNpn, kModelPnp, kModelLpnp})
        for (ModelParams* m : CircuitModels[type]) UpdateBjtModelTemperature(*m, t);
    return 0;
}

int UpdateBjtInstances(double) {
    for (Bjt* q : DevicesOf<Bjt>(kBjtList)) UpdateBjtInstance(*q);
    return 0;
}

}  // namespace

const DeviceKindHandler kBjtKind = {LoadStage::Bjts, 0, SetupBjts, LoadBjts};

void RegisterBjtKind() {
    RegisterDeviceKind(&kBjtKind);
    RegisterModelPass(ModelPassStep::BjtJfetFirst, ForEachBjtModel<PrepareBjtModel>);
    RegisterModelPass(ModelPassStep::BjtLeakage, ForEachBjtModel<ScaleBjtLeakageCurrents>);
    RegisterModelPass(ModelPassStep::BjtJfetConversions, ForEachBjtModel<ConvertBjtModelValues>);
    RegisterDevicePass(DevicePassStep::BjtModels, UpdateBjtModels);
    RegisterDevicePass(DevicePassStep::BjtDevices, UpdateBjtInstances);
}

// --- AC and noise -------------------------------------------------------------------------
namespace {
// The hybrid-pi model of the operating point with excess phase, in its fixed order.
int AcStampBjt(void* device) {
    const Bjt& q = *static_cast<const Bjt*>(device);
    const double* x = ModelReals(*q.model);
    const int C = q.collector, B = q.base, E = q.emitter, S = q.substrate;
    const int Cp = q.collector_i, Bp = q.base_i, Ep = q.emitter_i;
    const int SJ = IsLateral(q) ? Bp : Cp;
    const double w = AcOmega;
    const double gpi = q.gpi, gmu = q.gmu, go = q.go, gx = q.gx, gsub = q.gsub;
    const double gcpr = q.gc, gepr = q.ge;
    double gm = q.gm, xgm = 0;
    const double td = x[kQPtf];
    if (td != 0) {
        const double a = td * w, t = gm + go;
        xgm = -t * std::sin(a);
        gm = t * std::cos(a) - go;
    }
    const double xcpi = w * q.capbe, xcmu = w * q.capbc, xcbx = w * q.capbx, xccs = w * q.capcs;
    const double xcmcb = w * q.geqcb;
    struct Entry {
        int row, col;
        double value;
        bool imaginary;
    };
    const Entry entries[] = {
        {SJ, S, -gsub, false}, {S, SJ, -gsub, false}, {S, S, gsub, false}, {SJ, SJ, gsub, false},
        {C, C, gcpr, false}, {B, B, gx, false}, {B, B, xcbx, true}, {E, E, gepr, false},
        {Cp, Cp, go + gmu + gcpr, false}, {SJ, SJ, xccs, true}, {Cp, Cp, xcbx + xcmu, true},
        {Bp, Bp, gx + gmu + gpi, false}, {Bp, Bp, xcmcb + xcmu + xcpi, true},
        {Ep, Ep, go + gm + gpi + gepr, false}, {Ep, Ep, xcpi + xgm, true},
        {C, Cp, -gcpr, false}, {B, Bp, -gx, false}, {E, Ep, -gepr, false}, {Cp, C, -gcpr, false},
        {Cp, Bp, gm - gmu, false}, {Cp, Bp, xgm - xcmu, true},
        {Cp, Ep, -gm - go, false}, {Cp, Ep, -xgm, true},
        {Bp, B, -gx, false}, {Bp, Cp, -gmu, false}, {Bp, Cp, -xcmu - xcmcb, true}, {Bp, Ep, -gpi, false},
        {Bp, Ep, -xcpi, true},
        {Ep, E, -gepr, false}, {Ep, Cp, -go, false}, {Ep, Cp, xcmcb, true}, {Ep, Bp, -gpi - gm, false},
        {Ep, Bp, -xcpi - xgm - xcmcb, true},
        {S, S, xccs, true}, {SJ, S, -xccs, true}, {S, SJ, -xccs, true}, {B, Cp, -xcbx, true}, {Cp, B, -xcbx, true},
    };
    for (const Entry& e : entries) {
        const int error = e.imaginary ? AcAddImag(e.row, e.col, e.value) : AcAddReal(e.row, e.col, e.value);
        if (error) return error;
    }
    return 0;
}
}  // namespace

int AcLoadBjts() {
    for (Bjt* q : DevicesOf<Bjt>(kBjtList))
        if (int error = AcStampBjt(q)) return error;
    return 0;
}

int ComputeBjtAcCurrents() {
    for (Bjt* q : DevicesOf<Bjt>(kBjtList)) {
        const int rows[4] = {q->collector, q->base, q->emitter, q->substrate};
        if (int error = CaptureAcRowCurrents(AcStampBjt, q, rows, 4, q->ac_currents)) return error;
    }
    return 0;
}

// Thermal noise of the base, collector and emitter resistances, collector shot noise and
// base shot and flicker noise.
int AddBjtNoiseSources(double f) {
    for (Bjt* q : DevicesOf<Bjt>(kBjtList)) {
        const double* x = ModelReals(*q->model);
        const double t = std::sqrt(4 * kNoiseBoltzmann * (x[kQDeviceTemp] + kZeroCelsius));
        const double rb = x[kQRb] / q->area;
        AddNoiseSource(q->base_i, q->base, rb != 0 ? std::sqrt(1 / rb) * t : 0.0);
        AddNoiseSource(q->collector_i, q->collector, std::sqrt(q->gc) * t);
        AddNoiseSource(q->emitter_i, q->emitter, std::sqrt(q->ge) * t);
        AddNoiseSource(q->emitter_i, q->collector_i, std::sqrt(kNoiseTwoQ * std::fabs(q->cc)));
        const double ib = std::fabs(q->cb);
        AddShotFlickerNoise(q->emitter_i, q->base_i, kNoiseTwoQ * ib, x[kQKf], std::pow(ib, x[kQAf]), f, 1.0);
    }
    return 0;
}

const AcKindHandler kBjtAcKind{AcStage::Bjts, 0, AcLoadBjts, AcCurrentRank::Bjts, ComputeBjtAcCurrents,
                               NoiseRank::Bjts, AddBjtNoiseSources};

}  // namespace ob7
