// MOSFET levels 1 to 3: matrix set-up and the Newton load. One skeleton for the three
// levels: voltages, limiting and bypass, bulk junctions, the level's channel current,
// Meyer gate capacitances and junction charges, then 32 fixed stamps.

#include <algorithm>
#include <bit>
#include <cmath>

#include "sim/devices/bsim12.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/junction_limits.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_preparation.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

int MosfetInstance::NonConvergenceValues(int kind, double* values) const {
    switch (kind) {
    case kNcMosfetPn:
        values[0] = vbs, values[1] = vbd, values[2] = vcritS, values[3] = vcritD;
        return 4;
    case kNcMosfetId: values[0] = cd; return 1;
    case kNcMosfetDrain: values[0] = cd; return 1;  // level 8: the drain terminal current
    case kNcMosfetIb: values[0] = cbs + cbd; return 1;
    default: return 0;
    }
}

namespace {
[[gnu::always_inline]] inline void MeyerHalves(double vgs, double vgd, double von, double vdsat, double phi,
                                               double cox, double* capgs, double* capgd, double* capgb) {
    const double vgst = vgs - von;
    *capgs = *capgd = *capgb = 0;
    if (vgst <= -phi) {
        *capgb = cox / 2;
    } else if (vgst <= -phi / 2) {
        *capgb = -vgst * cox / (2 * phi);
    } else if (vgst <= 0) {
        *capgb = -vgst * cox / (2 * phi);
        *capgs = vgst * cox / (1.5 * phi) + cox / 3;
    } else {
        const double vds = vgs - vgd;
        if (vdsat <= vds) {
            *capgs = cox / 3;
        } else {
            const double d = 2 * vdsat - vds;
            *capgd = cox * (1 - vdsat * vdsat / (d * d)) / 3;
            *capgs = cox * (1 - (vdsat - vds) * (vdsat - vds) / (d * d)) / 3;
        }
    }
}
}  // namespace

void MeyerCapacitances(double vgs, double vgd, double von, double vdsat, double phi, double cox, double* capgs,
                       double* capgd, double* capgb) {
    MeyerHalves(vgs, vgd, von, vdsat, phi, cox, capgs, capgd, capgb);
}

// --- Set-up ------------------------------------------------------------------------------

MosfetInstance* AddMosfet(ModelParams* model, int drain, int gate, int source, int bulk, double w, double l) {
    auto* m = new MosfetInstance;
    m->model = model;
    const double level = model->Real(kMosLevel);
    m->level = IsGiven(level) && level != 0 ? static_cast<int>(level) : 1;
    m->drain = m->drain_i = drain;
    m->gate = m->gate_i = gate;
    m->source = m->source_i = source;
    m->bulk = m->bulk_i = bulk;
    m->parsed_W = w, m->parsed_W_given = w != 0;
    m->parsed_L = l, m->parsed_L_given = l != 0;
    AddDevice(kMosfetList, m);
    return m;
}

int AllocMosfetEntries(const MosfetInstance& m) {
    const int G = m.gate, D = m.drain, S = m.source, B = m.bulk;
    const int Gp = m.gate_i, Dp = m.drain_i, Sp = m.source_i, Bp = m.bulk_i;
    for (auto [row, column] :
         {std::pair{Dp, Sp}, {Sp, Dp}, {Dp, Dp}, {Sp, Sp}, {D, D},   {Gp, Gp}, {Gp, G},   {G, Gp},
          {G, G},            {S, S},   {Bp, Bp}, {Bp, B},  {B, Bp},  {B, B},   {Dp, Dp},  {Sp, Sp},
          {D, Dp},           {Gp, Bp}, {Gp, Dp}, {Gp, Sp}, {S, Sp},  {Bp, Dp}, {Bp, Sp},  {Dp, Sp},
          {Dp, D},           {Bp, Gp}, {Dp, Gp}, {Sp, Gp}, {Sp, S},  {Dp, Bp}, {Sp, Bp},  {Sp, Dp}})
        if (int error = AllocMatrixEntry(row, column)) return error;
    return 0;
}

int SetupMosfets() {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList))
        if (m->level <= 3)
            if (int error = AllocMosfetEntries(*m)) return error;
    return 0;
}

// --- Load ----------------------------------------------------------------------------------

bool MosfetBypassAllowed = true;

namespace {

double GuardRange(double v) {
    if (std::fabs(v) >= 1e-10 && std::fabs(v) <= 1e10) return v;
    if (std::fabs(v) > 1e10) return v > 0 ? 1e10 : -1e10;
    if (v == 0) return 1e-10;
    if (std::fabs(v) < 1e-10) return v > 0 ? 1e-10 : -1e-10;
    return v;
}

// What every device of one load pass reads from the engine's modes and options, taken
// once for the pass.
struct MosPass {
    int init_mode;
    bool new_time_point, transient, charges, op_phase;
    bool try_bypass;            // bypass may be tried at all
    bool bypass_capacitances;   // a bypassed device rebuilds its gate capacitances
    bool doubled_halves;        // gate capacitances from the present halves alone
    bool integrate_junctions;   // the junction charges are integrated
    bool gate_companions;       // the gate charges are integrated
    double r, bypass_tol, reltol, abstol, vntol, gmin;
    const double* solution;
    double* rhs;
    double* q;
    double* dq;
    ChargeFormula integration;
    double power_dissipated, power_stored;  // the running sums of the pass
};

MosPass ReadMosPass() {
    MosPass pass;
    pass.init_mode = InitMode;
    pass.new_time_point = NewTimePoint();
    pass.transient = InTransient();
    pass.charges = ChargesNeeded();
    pass.op_phase = OperatingPointPhase != 0;
    pass.try_bypass = MosfetBypassAllowed && !pass.new_time_point && InitMode != kInitSmallSignal;
    pass.bypass_capacitances = pass.transient || AnalysisSubMode == kSubModeTransient;
    pass.doubled_halves = AnalysisSubMode == kSubModeTransient || InitMode == kInitSmallSignal;
    pass.integrate_junctions = pass.transient || (InitMode == kInitTransient && !UseInitialConditions);
    pass.gate_companions = InitMode != kInitTransient && pass.transient;
    pass.r = PredictorRatio;
    pass.bypass_tol = BypassTolerance;
    pass.reltol = Options.reltol, pass.abstol = Options.abstol, pass.vntol = Options.vntol;
    pass.gmin = Options.gmin;
    pass.solution = Solution.data();
    pass.rhs = RightHandSide.data();
    pass.q = StateValues.data();
    pass.dq = StateDerivatives.data();
    pass.integration = PresentChargeFormula();
    pass.power_dissipated = Run.power_dissipated;
    pass.power_stored = Run.power_stored;
    return pass;
}

// Bulk junction current and conductance, GMIN included; the exponential of the last
// argument is kept.
[[gnu::always_inline]] inline void BulkJunction(double v, double is, double nvt, double gmin, JunctionMemo& memo, double& i, double& g) {
    if (v > 0) {
        const double x = std::clamp(v / nvt, -350.0, 300.0);
        if (x != memo.x) memo.x = x, memo.value = std::exp(x);
        const double ev = memo.value;
        g = is * ev / nvt + gmin;
        i = is * (ev - 1) + gmin * v;
    } else {
        g = is / nvt + gmin;
        i = g * v;
    }
    if (std::fabs(i) <= 1e-100) i = i < 0 ? -1e-100 : 1e-100;
}

// Level 1: the square law with channel-length modulation.
[[gnu::always_inline]] inline double EvaluateMos1Current(MosfetInstance& m, const MosVoltages& v, const double* x) {
    const Mos123Values& e = m.m123;
    const double p = x[kMosPolarity], gamma = x[kMosGamma], lambda = x[kMosLambda];
    const bool normal = m.mode > 0;
    const double vbx = normal ? v.vbs : v.vbd;
    double sarg;
    if (vbx > 0) {
        const double sqphi =
            e.tPhi > 0 ? e.sqrtPhi : GuardedSqrt(m.model, e.tPhi, x[kMosDeviceTemp] + kKelvin);
        sarg = std::max(sqphi - vbx / (2 * sqphi), 0.0);
    } else {
        const double phibs = e.tPhi - vbx;
        sarg = phibs > 0 ? std::sqrt(phibs) : GuardedSqrt(m.model, phibs, x[kMosDeviceTemp] + kKelvin);
    }
    const double von = p * e.tVbi + gamma * sarg;
    const double vgst = (normal ? v.vgs : v.vgd) - von;
    const double vdsat = std::max(vgst, 0.0);
    const double arg = sarg > 0 ? gamma / (2 * sarg) : 0.0;
    double current;
    if (vgst <= 0) {
        current = m.gm = m.gds = 0;
        m.region = kRegionOff;
    } else {
        const double vds = v.vds;
        const double betap = e.Beta * (1 + lambda * vds);
        if (vgst <= vds) {
            current = betap * vgst * vgst / 2;
            m.gm = betap * vgst;
            m.gds = lambda * e.Beta * vgst * vgst / 2;
            m.region = kRegionSat;
        } else {
            current = betap * vds * (vgst - vds / 2);
            m.gm = betap * vds;
            m.gds = betap * (vgst - vds) + lambda * e.Beta * vds * (vgst - vds / 2);
            m.region = kRegionLin;
        }
    }
    m.gmbs = m.gm * arg;
    m.von = p * von;
    m.vdsat = p * vdsat;
    return current;
}

// Charge and capacitance of one bulk junction (bottom and sidewall). The powers of the
// last argument below dep_cap are kept.
[[gnu::always_inline]] inline void JunctionSideCharge(double v, double cj, double cjsw, double f2, double f3, double f4, double dep_cap, double pb,
                        double mj, double mjsw, double tt, double i, double g, JunctionMemo& memo, double& q,
                        double& cap) {
    if (cj == 0 && cjsw == 0) {
        q = cap = 0;
        return;
    }
    if (v >= dep_cap) {
        q = f4 + v * (f2 + v * f3 / 2);
        cap = f2 + f3 * v;
    } else {
        const double arg = 1 - v / pb;
        if (arg != memo.x || mj != memo.grading || mjsw != memo.grading_sw) {
            const auto power = [&](double grading) {
                return grading == 0.5 ? 1 / std::sqrt(std::fabs(arg)) : std::exp(-grading * std::log(arg));
            };
            memo.x = arg, memo.grading = mj, memo.grading_sw = mjsw;
            memo.value = power(mj);
            memo.value_sw = mj == mjsw ? memo.value : power(mjsw);
        }
        const double sarg = memo.value, sargsw = memo.value_sw;
        q = pb * (cj * (1 - arg * sarg) / (1 - mj) + cjsw * (1 - arg * sargsw) / (1 - mjsw));
        cap = cj * sarg + cjsw * sargsw;
    }
    q += tt * i;
    cap += tt * g;
}

// The 32 stamps. A device without series or shunt conductances has exact zeros in
// entries 1 to 5, 7 to 10, 12 to 14, 17, 21, 25 and 29, which leave their elements as
// they are: only the other sixteen are added, without a zero test (adding a zero to an
// element changes nothing: a cleared element is +0 and sums never make -0). When its
// source and bulk are also ground, twelve of those sixteen are entries of the ground row
// or column, which the trail points at the ground sinks that nothing reads: only the
// four of gate and drain are added.
struct MosStampInputs {
    double gm, gds, gmbs, gbd, gbs, gcgs, gcgd, gcgb;
    double grds, gdrain, gsource, ggate, gbulk;
    double xnrm, xrev;
};
enum class MosStamps { kAll, kPlain, kPlainGrounded };
template <MosStamps Kind>
[[gnu::always_inline]] inline void StampMosfet(const MosStampInputs& in) {
    const auto [gm, gds, gmbs, gbd, gbs, gcgs, gcgd, gcgb, grds, gdrain, gsource, ggate, gbulk, xnrm, xrev] = in;
    const double xd = xnrm - xrev;
    const double v[] = {-grds, -grds, grds, grds, gdrain, ggate + gcgb + gcgs + gcgd, -ggate, -ggate, ggate,
                        gsource, gbs + gbulk + gcgb + gbd, -gbulk, -gbulk, gbulk,
                        xrev * (gm + gmbs) + gds + gdrain + gcgd + gbd,
                        xnrm * (gm + gmbs) + gbs + gds + gcgs + gsource, -gdrain, -gcgb, -gcgd, -gcgs,
                        -gsource, -gbd, -gbs, -gds - xnrm * (gm + gmbs), -gdrain, -gcgb, xd * gm - gcgd,
                        -xd * gm - gcgs, -gsource, xd * gmbs - gbd, -gbs - xd * gmbs,
                        -gds - xrev * (gm + gmbs)};
    MatrixElement* const* c = TrailCursor;
    if constexpr (Kind == MosStamps::kPlain) {
        static constexpr int kLive[] = {5, 10, 14, 15, 17, 18, 19, 21, 22, 23, 25, 26, 27, 29, 30, 31};
#pragma GCC unroll 16
        for (int k : kLive) c[k]->real += v[k];
        TrailCursor += 32;
    } else if constexpr (Kind == MosStamps::kPlainGrounded) {
        for (int k : {5, 14, 18, 26}) c[k]->real += v[k];
        TrailCursor += 32;
    } else {
        StampValues(v);
    }
}

// The load of one device. Kind is the integration formula's kind when the pass is an
// ordinary transient iteration (voltages from the solution, bypass tried, charges and
// gate companions integrated, a transient's sub-mode: gate capacitances from the doubled
// present halves): its modes are then constants. kAnyPass reads them all.
constexpr int kAnyPass = -1;
template <int Kind>
[[gnu::always_inline]] inline void LoadMosfet(MosfetInstance& m, int s, MosPass& pass) {
    constexpr bool kIteration = Kind != kAnyPass;
    const int init_mode = kIteration ? kInitFloat : pass.init_mode;
    const bool new_time_point = !kIteration && pass.new_time_point;
    const bool op_phase = !kIteration && pass.op_phase;
    const bool try_bypass = kIteration || pass.try_bypass;
    const bool transient = kIteration || pass.transient;
    const bool charges = kIteration || pass.charges;
    const bool bypass_capacitances = kIteration || pass.bypass_capacitances;
    const bool doubled_halves = kIteration || pass.doubled_halves;
    const bool integrate_junctions = kIteration || pass.integrate_junctions;
    const bool gate_companions = kIteration || pass.gate_companions;
    const ChargeFormula& f = pass.integration;
    const bool usable = kIteration || f.Usable();
    const auto derivative = [&f](const double* q, const double* i) {
        if constexpr (Kind == ChargeFormula::kTrapezoidal1) return f.ag[0] * q[0] + f.ag[1] * q[1];
        else if constexpr (Kind == ChargeFormula::kTrapezoidal2) return f.ag[0] * (q[0] - q[1]) - f.ag[1] * i[1];
        else return f.Derivative(q, i);
    };

    const double* x = ModelReals(*m.model);
    Mos123Values& e = m.m123;
    const double p = x[kMosPolarity];
    double* sv = pass.q;
    double* sd = pass.dq;
    const int G = m.gate_i, D = m.drain_i, S = m.source_i, B = m.bulk_i;
    m.limited = 0;
    bool bypassed = false;

    double vbs, vgs, vds;
    bool predicted_path = true;  // the voltages went through the guards, bypass and limiting
    const double r = pass.r;
    if (init_mode == kInitSmallSignal) {
        vbs = m.vbs, vgs = m.vgs, vds = m.vds;
    } else if (new_time_point) {
        m.vbs = m.vbs1, m.vgs = m.vgs1, m.vds = m.vds1;
        m.vbd = m.vbs1 - m.vds1;
        vbs = (1 + r) * m.vbs1 - r * m.vbs2;
        vgs = (1 + r) * m.vgs1 - r * m.vgs2;
        vds = (1 + r) * m.vds1 - r * m.vds2;
    } else if (init_mode == kInitFloat || (init_mode == kInitFix && !m.off)) {
        const double* solution = pass.solution;
        vbs = p * (solution[B] - solution[S]);
        vgs = p * (solution[G] - solution[S]);
        vds = p * (solution[D] - solution[S]);
        if (!op_phase) {
            // A change of the sign of vds is held back for one iteration.
            if (vds * m.vds >= 0 || m.flipCount > 0) {
                m.flipCount = 0;
            } else {
                vbs = m.vbs, vgs = m.vgs, vds = m.vds;
                ++m.flipCount;
            }
        }
    } else {
        predicted_path = false;
        vbs = vgs = vds = 0;
        if (init_mode == kInitJunction && !m.off) {
            vds = p * m.ic_vds, vgs = p * m.ic_vgs, vbs = p * m.ic_vbs;
            if (vds == 0 && vgs == 0 && vbs == 0 &&
                (transient || AnalysisSubMode == kSubModeOperatingPoint || AnalysisSubMode == kSubModeDcSweep ||
                 !UseInitialConditions)) {
                vbs = -1;
                vgs = p * m.tVto;
                vds = 0;
            }
        }
    }

    double cdhat = 0, cbhat = 0;
    if (predicted_path) {
        vbs = GuardRange(vbs), vgs = GuardRange(vgs), vds = GuardRange(vds);
        double vbd = vbs - vds, vgd = vgs - vds;
        const double stored_vgd = m.vgs - m.vds;
        const double delvbs = vbs - m.vbs, delvbd = vbd - m.vbd, delvgs = vgs - m.vgs, delvds = vds - m.vds;
        const double delvgd = vgd - stored_vgd;
        if (m.mode >= 0)
            cdhat = m.cd - m.gbd * delvbd + m.gmbs * delvbs + m.gm * delvgs + m.gds * delvds;
        else
            cdhat = m.cd - (m.gbd - m.gmbs) * delvbd - m.gm * delvgd + m.gds * delvds;
        cbhat = m.cbs + m.cbd + m.gbd * delvbd + m.gbs * delvbs;

        if (try_bypass) {
            const double t = pass.bypass_tol, abstol = pass.abstol, vntol = pass.vntol;
            const double cb = m.cbs + m.cbd;
            bypassed = std::fabs(cbhat - cb) < (std::max(std::fabs(cbhat), std::fabs(cb)) + abstol) * t &&
                       std::fabs(delvbs) < t * std::max(std::fabs(vbs), std::fabs(m.vbs)) + vntol &&
                       std::fabs(delvbd) < t * std::max(std::fabs(vbd), std::fabs(m.vbd)) + vntol &&
                       std::fabs(delvgs) < t * std::max(std::fabs(vgs), std::fabs(m.vgs)) + vntol &&
                       std::fabs(delvds) < t * std::max(std::fabs(vds), std::fabs(m.vds)) + vntol &&
                       std::fabs(cdhat - m.cd) < t * std::max(std::fabs(cdhat), std::fabs(m.cd)) + abstol;
        }
        if (!bypassed) {
            const double von = p * m.von;
            if (m.vds >= 0) {
                vgs = LimitFetVoltage(vgs, m.vgs, von);
                vds = LimitVds(vgs - vgd, m.vds);
                vgd = vgs - vds;
            } else {
                vgd = LimitFetVoltage(vgd, stored_vgd, von);
                vds = -LimitVds(-(vgs - vgd), -m.vds);
                vgs = vgd + vds;
            }
            int limited = 0;
            if (vds >= 0) {
                vbs = LimitJunctionVoltage(vbs, m.vbs, m.NVt, m.vcritS, &limited);
            } else {
                vbd = LimitJunctionVoltage(vbd, m.vbd, m.NVt, m.vcritD, &limited);
                vbs = vbd + vds;
            }
            m.limited = limited;
        }
    }

    double cdrain;
    double vbd, vgd, vgb;
    if (bypassed) {
        vbs = m.vbs, vgs = m.vgs, vds = m.vds, vbd = m.vbd;
        vgd = vgs - vds;
        vgb = vgs - vbs;
        cdrain = m.mode * (m.cd + m.cbd);
        if (bypass_capacitances) {
            m.capgs = e.capgs + e.capgs_prev + m.CGSOVL;
            m.capgd = e.capgd + e.capgd_prev + m.CGDOVL;
            m.capgb = e.capgb + e.capgb_prev + m.CGBOVL;
        }
    } else {
        vbd = vbs - vds, vgd = vgs - vds, vgb = vgs - vbs;
        BulkJunction(vbs, m.IsS, m.NVt, pass.gmin, e.source_exp, m.cbs, m.gbs);
        BulkJunction(vbd, m.IsD, m.NVt, pass.gmin, e.drain_exp, m.cbd, m.gbd);
        m.mode = vds >= 0 ? 1 : -1;
        const MosVoltages v = {vgs, vgd, vbs, vbd, vds * m.mode};
        const int level = m.level;
        cdrain = level == 2   ? EvaluateMos2Current(m, v)
                 : level == 3 ? EvaluateMos3Current(m, v)
                              : EvaluateMos1Current(m, v, x);
        m.cd = m.mode * cdrain - m.cbd;

        if (charges) {
            const double pb = x[kMosPb], mj = x[kMosMj], mjsw = x[kMosMjsw], tt = x[kMosTt];
            JunctionSideCharge(vbd, m.Cbd, m.Cbdsw, e.f2d, e.f3d, e.f4d, e.tDepCap, pb, mj, mjsw, tt, m.cbd, m.gbd,
                               e.drain_power, sv[s + 12], m.capbd);
            JunctionSideCharge(vbs, m.Cbs, m.Cbssw, e.f2s, e.f3s, e.f4s, e.tDepCap, pb, mj, mjsw, tt, m.cbs, m.gbs,
                               e.source_power, sv[s + 16], m.capbs);
            if (integrate_junctions) {
                if (init_mode == kInitTransient)
                    for (int k = 1; k <= 3; ++k) sv[s + 12 + k] = sv[s + 12], sv[s + 16 + k] = sv[s + 16];
                double geq = 0;
                if (usable) sd[s + 12] = derivative(sv + s + 12, sd + s + 12), geq = f.ag[0] * m.capbd;
                m.gbd += geq;
                m.cbd += sd[s + 12];
                m.cd -= sd[s + 12];
                geq = 0;
                if (usable) sd[s + 16] = derivative(sv + s + 16, sd + s + 16), geq = f.ag[0] * m.capbs;
                m.gbs += geq;
                m.cbs += sd[s + 16];
            }

            if (e.OxideCap <= 0) {
                e.capgs = e.capgd = e.capgb = 0;
            } else {
                const double von = p * m.von, vdsat = p * m.vdsat;
                if (m.mode > 0)
                    MeyerHalves(vgs, vgd, von, vdsat, e.tPhi, e.OxideCap, &e.capgs, &e.capgd, &e.capgb);
                else
                    MeyerHalves(vgd, vgs, von, vdsat, e.tPhi, e.OxideCap, &e.capgd, &e.capgs, &e.capgb);
            }
            if (doubled_halves) {
                m.capgs = 2 * e.capgs + m.CGSOVL;
                m.capgd = 2 * e.capgd + m.CGDOVL;
                m.capgb = 2 * e.capgb + m.CGBOVL;
            } else {
                m.capgs = e.capgs + e.capgs_prev + m.CGSOVL;
                m.capgd = e.capgd + e.capgd_prev + m.CGDOVL;
                m.capgb = e.capgb + e.capgb_prev + m.CGBOVL;
            }
            if (new_time_point) {
                for (int k : {0, 4, 8}) sv[s + k] = (1 + r) * sv[s + k + 1] - r * sv[s + k + 2];
            } else if (transient) {
                sv[s] = (vgs - m.vgs1) * m.capgs + sv[s + 1];
                sv[s + 4] = (vgd - (m.vgs1 - m.vds1)) * m.capgd + sv[s + 5];
                sv[s + 8] = (vgb - (m.vgs1 - m.vbs1)) * m.capgb + sv[s + 9];
            } else {
                sv[s] = vgs * m.capgs;
                sv[s + 4] = vgd * m.capgd;
                sv[s + 8] = vgb * m.capgb;
            }
        }
    }

    // Gate charge companions.
    double gcgs = 0, gcgd = 0, gcgb = 0, ceqgs = 0, ceqgd = 0, ceqgb = 0;
    if (gate_companions) {
        const double ag0 = f.ag[0];
        const auto companion = [&](double cap, double v, int k, double& g, double& ceq) {
            if (usable) {
                sd[s + k] = derivative(sv + s + k, sd + s + k);
                g = ag0 * cap;
                ceq = sd[s + k] - ag0 * sv[s + k];
            } else if (cap == 0) {
                sd[s + k] = 0;
            }
            ceq = ceq - g * v + ag0 * sv[s + k];
        };
        companion(m.capgs, vgs, 0, gcgs, ceqgs);
        companion(m.capgd, vgd, 4, gcgd, ceqgd);
        companion(m.capgb, vgb, 8, gcgb, ceqgb);
    }
    if (init_mode == kInitTransient)
        for (int k : {0, 4, 8})
            for (int level = 1; level <= 3; ++level) sd[s + k + level] = sd[s + k];

    // Companion currents and the right-hand side.
    const double gm = m.gm, gds = m.gds, gmbs = m.gmbs, gbd = m.gbd, gbs = m.gbs;
    const double ceqbs = p * (m.cbs - gbs * vbs);
    const double ceqbd = p * (m.cbd - gbd * vbd);
    const bool normal = m.mode > 0;
    const double xnrm = normal ? 1 : 0, xrev = normal ? 0 : 1;
    const double cdreq = normal ? p * (cdrain - gds * vds - gm * vgs - gmbs * vbs)
                                : -p * (cdrain + gds * vds - gm * vgd - gmbs * vbd);
    // The right-hand side's ground entry is cleared after the loads: a device with source
    // and bulk at ground leaves it alone.
    const bool grounded = S == 0 && B == 0;
    double* rhs = pass.rhs;
    rhs[G] -= p * (ceqgs + ceqgb + ceqgd);
    if (!grounded) rhs[B] -= ceqbs + ceqbd - p * ceqgb;
    rhs[D] += ceqbd - cdreq + p * ceqgd;
    if (!grounded) rhs[S] += cdreq + ceqbs + p * ceqgs;

    const double grds = x[kMosRds], gdrain = m.gdrain, gsource = m.gsource, ggate = m.ggate, gbulk = m.gbulk;
    const MosStampInputs in = {gm, gds, gmbs, gbd, gbs, gcgs, gcgd, gcgb, grds, gdrain, gsource, ggate, gbulk, xnrm, xrev};
    // All five are zeros when their bits are, the sign bit aside.
    const auto bits = [](double g) { return std::bit_cast<uint64_t>(g); };
    if (((bits(grds) | bits(gdrain) | bits(gsource) | bits(ggate) | bits(gbulk)) << 1) != 0)
        StampMosfet<MosStamps::kAll>(in);
    else if (grounded)
        StampMosfet<MosStamps::kPlainGrounded>(in);
    else
        StampMosfet<MosStamps::kPlain>(in);

    if (!bypassed) {
        // Convergence: a device set without prediction has nothing to compare with.
        if (predicted_path && !(m.off && (init_mode == kInitFix || init_mode == kInitSmallSignal))) {
            const double reltol = pass.reltol, abstol = pass.abstol;
            const double cb = m.cbs + m.cbd;
            if (m.limited) {
                ++NonConvergedCount;
                RecordNonConvergentDevice(&m, kNcMosfetPn, 0);
            } else if (std::fabs(cdhat - m.cd) >= reltol * std::max(std::fabs(cdhat), std::fabs(m.cd)) + abstol) {
                ++NonConvergedCount;
                RecordNonConvergentDevice(&m, kNcMosfetId, cdhat);
            } else if (std::fabs(cbhat - cb) > reltol * std::max(std::fabs(cbhat), std::fabs(cb)) + abstol) {
                ++NonConvergedCount;
                RecordNonConvergentDevice(&m, kNcMosfetIb, cbhat);
            }
        }
        m.vbs = vbs, m.vgs = vgs, m.vds = vds, m.vbd = vbd;

        const double cqgs = sd[s], cqgd = sd[s + 4], cqgb = sd[s + 8], cqbd = sd[s + 12], cqbs = sd[s + 16];
        m.Ig = p * (cqgs + cqgb + cqgd);
        m.Id = p * (m.cd - cqgd + grds * vds);
        m.ID = m.Id;
        m.Ib = p * (m.cbd + m.cbs - cqgb);
        m.Is = -m.Ig - m.Id - m.Ib;
        double pd = grds * vds * vds + std::fabs(vds * cdrain) + std::fabs((m.cbs - cqbs) * vbs) +
                    std::fabs((m.cbd - cqbd) * vbd);
        if (gdrain != 0) pd += m.Id * m.Id / gdrain;
        if (gsource != 0) pd += m.Is * m.Is / gsource;
        if (ggate != 0) pd += m.Ig * m.Ig / ggate;
        if (gbulk != 0) pd += m.Ib * m.Ib / gbulk;
        m.power_dissipated = pd;
        m.power_stored = vgs * cqgs + vgd * cqgd + vgb * cqgb + vbs * cqbs + vbd * cqbd;
        if (pd > 0.1) m.region = kRegionHot;
    }
    pass.power_dissipated += std::fabs(m.power_dissipated);
    pass.power_stored += m.power_stored;
}

template <int Kind>
void LoadMosfetList(MosPass& pass) {
    int s = FirstStateIndex(kMosfetStates);
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level <= 3) LoadMosfet<Kind>(*m, s, pass);
        s += kMosfetBlockGroups * kHistorySlots;
    }
}

}  // namespace

int LoadMosfets() {
    MosPass pass = ReadMosPass();
    const bool iteration = pass.init_mode == kInitFloat && !pass.new_time_point && !pass.op_phase && pass.try_bypass &&
                           pass.transient && pass.charges && pass.bypass_capacitances && pass.doubled_halves &&
                           pass.integrate_junctions && pass.gate_companions;
    const int kind = pass.integration.kind;
    if (iteration && kind == ChargeFormula::kTrapezoidal2) LoadMosfetList<ChargeFormula::kTrapezoidal2>(pass);
    else if (iteration && kind == ChargeFormula::kTrapezoidal1) LoadMosfetList<ChargeFormula::kTrapezoidal1>(pass);
    else LoadMosfetList<kAnyPass>(pass);
    Run.power_dissipated = pass.power_dissipated;
    Run.power_stored = pass.power_stored;
    return 0;
}

void ShiftMosfetVoltageHistory() {
    const bool transient = AnalysisKind == 0;
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        m->vbs2 = m->vbs1, m->vgs2 = m->vgs1, m->vds2 = m->vds1;
        m->vbs1 = m->vbs, m->vgs1 = m->vgs, m->vds1 = m->vds;
        if (transient && m->level <= 3) {
            Mos123Values& e = m->m123;
            e.capgs_prev = e.capgs, e.capgd_prev = e.capgd, e.capgb_prev = e.capgb;
        }
        if (transient && (m->level == 4 || m->level == 5)) AcceptBsim12Point(*m);
    }
}

const DeviceKindHandler kMosfetKind = {LoadStage::Mosfets, 0, SetupMosfets, LoadMosfets};

void RegisterMosfetKind() {
    RegisterDeviceKind(&kMosfetKind);
    RegisterMos123Passes();
}

// --- AC and noise -------------------------------------------------------------------------
namespace {
// Meyer capacitances and the conductances of the operating point, in their fixed order.
int AcStampMosfet(void* device) {
    const MosfetInstance& m = *static_cast<const MosfetInstance*>(device);
    const Mos123Values& e = m.m123;
    const int G = m.gate, D = m.drain, S = m.source, B = m.bulk;
    const int Gp = m.gate_i, Dp = m.drain_i, Sp = m.source_i, Bp = m.bulk_i;
    const double w = AcOmega;
    const double xnrm = m.mode >= 0 ? 1 : 0, xrev = 1 - xnrm, xd = xnrm - xrev;
    const double xgs = w * (2 * e.capgs + m.CGSOVL), xgd = w * (2 * e.capgd + m.CGDOVL);
    const double xgb = w * (2 * e.capgb + m.CGBOVL);
    const double xbd = w * m.capbd, xbs = w * m.capbs;
    const double gm = m.gm, gds = m.gds, gmbs = m.gmbs, gbd = m.gbd, gbs = m.gbs;
    const double gg = m.ggate, gdpr = m.gdrain, gspr = m.gsource, gb = m.gbulk;
    struct Entry {
        int row, col;
        double value;
        bool imaginary;
    };
    const Entry entries[] = {
        {Gp, Gp, xgs + xgd + xgb, true}, {Bp, Bp, xgb + xbd + xbs, true}, {Dp, Dp, xgd + xbd, true},
        {Sp, Sp, xgs + xbs, true},
        {Gp, Bp, -xgb, true}, {Gp, Dp, -xgd, true}, {Gp, Sp, -xgs, true}, {Bp, Gp, -xgb, true},
        {Bp, Dp, -xbd, true}, {Bp, Sp, -xbs, true}, {Dp, Gp, -xgd, true}, {Dp, Bp, -xbd, true},
        {Sp, Gp, -xgs, true}, {Sp, Bp, -xbs, true},
        {G, G, gg, false}, {Gp, Gp, gg, false}, {G, Gp, -gg, false}, {Gp, G, -gg, false}, {D, D, gdpr, false},
        {S, S, gspr, false},
        {Bp, Bp, gbd + gbs + gb, false}, {Bp, B, -gb, false}, {B, Bp, -gb, false}, {B, B, gb, false},
        {Dp, Dp, gdpr + gds + gbd + xrev * (gm + gmbs), false}, {Sp, Sp, gspr + gds + gbs + xnrm * (gm + gmbs), false},
        {D, Dp, -gdpr, false}, {S, Sp, -gspr, false}, {Bp, Dp, -gbd, false}, {Bp, Sp, -gbs, false},
        {Dp, D, -gdpr, false},
        {Dp, Gp, xd * gm, false}, {Dp, Bp, xd * gmbs - gbd, false}, {Dp, Sp, -gds - xnrm * (gm + gmbs), false},
        {Sp, Gp, -xd * gm, false}, {Sp, S, -gspr, false}, {Sp, Bp, -xd * gmbs - gbs, false},
        {Sp, Dp, -gds - xrev * (gm + gmbs), false},
    };
    for (const Entry& en : entries) {
        const int error = en.imaginary ? AcAddImag(en.row, en.col, en.value) : AcAddReal(en.row, en.col, en.value);
        if (error) return error;
    }
    return 0;
}
}  // namespace

int AcLoadMosfets() {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList))
        if (m->level < 4)
            if (int error = AcStampMosfet(m)) return error;
    return 0;
}

int ComputeMosfetAcCurrents() {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level >= 4) continue;
        const int rows[4] = {m->drain, m->gate, m->source, m->bulk};
        if (int error = CaptureAcRowCurrents(AcStampMosfet, m, rows, 4, m->ac_currents)) return error;
    }
    return 0;
}

// Thermal noise of the four series conductances and the channel, with flicker noise by
// the model's noise level (NLEV, 2 when not given).
int AddMosfetNoiseSources(double f) {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level >= 4) continue;
        const double* x = ModelReals(*m->model);
        const double T = x[kMosDeviceTemp] + kZeroCelsius;
        const double t = std::sqrt(4 * kNoiseBoltzmann * T);
        AddNoiseSource(m->drain_i, m->drain, std::sqrt(m->gdrain) * t);
        AddNoiseSource(m->source_i, m->source, std::sqrt(m->gsource) * t);
        AddNoiseSource(m->gate_i, m->gate, std::sqrt(m->ggate) * t);
        AddNoiseSource(m->bulk_i, m->bulk, std::sqrt(m->gbulk) * t);
        const int nlev = IsGiven(x[kMosNlev]) ? static_cast<int>(x[kMosNlev]) : 2;
        double thermal = 8.0 / 3.0 * kNoiseBoltzmann * T * std::fabs(m->gm);
        if (nlev == 3) {
            const double vds = m->vds, vdsat = m->vdsat;
            const double alpha = std::fabs(vds) <= std::fabs(vdsat) && vdsat != 0 ? 1 - std::fabs(vds / vdsat) : 0;
            thermal = std::fabs((m->vgs - m->von) * m->m123.Beta) * (1 + alpha + alpha * alpha) / (1 + alpha) *
                      (8.0 / 3.0) * kNoiseBoltzmann * T * x[kMosGdsnoi];
        }
        const double af = x[kMosAf], id = std::fabs(m->cd);
        const double area = nlev == 0 ? m->Leff * m->Leff : m->Weff * m->Leff;
        const double flicker_x = nlev <= 1 ? std::pow(id, af) : m->gm * m->gm;
        const double exponent = nlev <= 1 ? 1.0 : af;
        const double cox = x[kMosTox];
        const double coefficient = cox > 0 && area > 0 ? x[kMosKf] / (cox * area) : 0.0;
        AddShotFlickerNoise(m->drain_i, m->source_i, thermal, coefficient, flicker_x, f, exponent);
    }
    return 0;
}

const AcKindHandler kMosfetAcKind{AcStage::Mosfets, 0, AcLoadMosfets, AcCurrentRank::Mosfets,
                                  ComputeMosfetAcCurrents, NoiseRank::Mosfets, AddMosfetNoiseSources};

}  // namespace ob7
