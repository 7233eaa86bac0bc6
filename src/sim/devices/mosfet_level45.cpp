// Set-up and Newton load of the MOSFET levels 4 (BSIM1) and 5 (BSIM2): voltages by
// initialisation mode, bypass, limiting, junction currents and charges, the level's
// evaluation, the gate charges with their companions, convergence and the stamps.

#include <algorithm>
#include <cmath>

#include "sim/devices/bsim12.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/junction_limits.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

// Bulk junction current and conductance, GMIN included.
void BulkJunction(double v, double is, double nvt, double& i, double& g) {
    const double gmin = Options.gmin;
    if (v > 0) {
        const double ev = std::exp(std::clamp(v / nvt, -350.0, 350.0));
        g = is * ev / nvt + gmin;
        i = is * (ev - 1) + gmin * v;
    } else {
        g = is / nvt + gmin;
        i = g * v;
    }
}

// Charge of one junction side (bottom cj with potential pb, sidewall cjsw with pbsw),
// plus the transit-time charge of its current i with conductance g.
MosDual JunctionCharge(const MosDual& v, double cj, double cjsw, double pb, double pbsw, double mj, double mjsw,
                       double tt, double i, double g) {
    MosDual q;
    if (v.v >= 0) {
        q = v * (cj + cjsw) + v * v * (mj * cj / (2 * pb) + mjsw * cjsw / (2 * pbsw));
    } else {
        const MosDual a = 1 - v / pb, b = 1 - v / pbsw;
        const auto power = [](const MosDual& base, double grading) {
            const double e = std::exp(std::clamp(-grading * std::log(base.v), -350.0, 350.0));
            return ChainRule(base, e, -grading * e / base.v);
        };
        q = pb * cj * (1 - a * power(a, mj)) / (1 - mj) + pbsw * cjsw * (1 - b * power(b, mjsw)) / (1 - mjsw);
    }
    if (tt > 0) q += ChainRule(v, tt * i, tt * g);
    return q;
}

struct Level45Model {
    double polarity, rds, pb, pbsw, mj, mjsw, tt;
};
// The two levels share the slots of their first 34 parameters.
Level45Model ModelValues(const MosfetInstance& m) {
    static const int pb = FindModelParam(kModelNmos4, "PB"), pbsw = FindModelParam(kModelNmos4, "PBSW"),
                     mj = FindModelParam(kModelNmos4, "MJ"), mjsw = FindModelParam(kModelNmos4, "MJSW"),
                     tt = FindModelParam(kModelNmos4, "TT"), rds = FindModelParam(kModelNmos4, "RDS");
    const double* x = ModelReals(*m.model);
    return {x[Bsim12PolaritySlot(m)], x[rds], x[pb], x[pbsw], x[mj], x[mjsw], x[tt]};
}

// The evaluation of the device's level.
Bsim12Evaluation Evaluate(MosfetInstance& m, const MosDual& vds, const MosDual& vbs, const MosDual& vgs, bool charges) {
    return m.level == 5 ? EvaluateBsim2(m, vds, vbs, vgs, charges) : EvaluateBsim1(m, vds, vbs, vgs, charges);
}

void LoadLevel45(MosfetInstance& m, const Level45Model& mv, int s) {
    Bsim12Kept& kept = *Bsim12KeptOf(m);
    const double p = mv.polarity;
    double* sv = StateValues.data();
    double* sd = StateDerivatives.data();
    const int G = m.gate_i, D = m.drain_i, S = m.source_i, B = m.bulk_i;
    m.limited = 1;

    // 1. Voltages by initialisation mode.
    double vbs = 0, vgs = 0, vds = 0;
    bool iterate = false;  // the prediction, bypass and limiting apply
    if (InitMode == kInitSmallSignal) {
        vbs = m.vbs, vgs = m.vgs, vds = m.vds;
    } else if (InitMode == kInitTransient) {
        vbs = m.vbs1, vgs = m.vgs1, vds = m.vds1;
    } else if (InitMode == kInitJunction && !m.off) {
        vds = p * m.ic_vds, vgs = p * m.ic_vgs, vbs = p * m.ic_vbs;
        if (vds == 0 && vgs == 0 && vbs == 0 &&
            (TranOrAc() || AnalysisSubMode == kSubModeOperatingPoint || AnalysisSubMode == kSubModeDcSweep ||
             !UseInitialConditions)) {
            vbs = -1;
            vgs = p * m.tVto;
            vds = 0;
        }
    } else if ((InitMode == kInitFix || InitMode == kInitJunction) && m.off) {
        vbs = vgs = vds = 0;
    } else if (InitMode == kInitPredict) {
        const double r = PredictorRatio;
        m.vbs = m.vbs1, m.vgs = m.vgs1, m.vds = m.vds1, m.vbd = m.vbs1 - m.vds1;
        vbs = (1 + r) * m.vbs1 - r * m.vbs2;
        vgs = (1 + r) * m.vgs1 - r * m.vgs2;
        vds = (1 + r) * m.vds1 - r * m.vds2;
        const auto& a = kept.accepted;
        m.cd = a[0], m.cbs = a[1], m.cbd = a[2], m.gm = a[3], m.gds = a[4], m.gmbs = a[5], m.gbd = a[6], m.gbs = a[7];
        iterate = true;
    } else {
        vbs = p * (Solution[B] - Solution[S]);
        vgs = p * (Solution[G] - Solution[S]);
        vds = p * (Solution[D] - Solution[S]);
        iterate = true;
    }

    double cdhat = 0, cbhat = 0;
    bool bypassed = false;
    if (iterate) {
        const double vbd = vbs - vds, vgd = vgs - vds, stored_vgd = m.vgs - m.vds;
        const double delvbs = vbs - m.vbs, delvbd = vbd - m.vbd, delvgs = vgs - m.vgs, delvds = vds - m.vds;
        const double delvgd = vgd - stored_vgd;
        if (m.mode >= 0)
            cdhat = m.cd - m.gbd * delvbd + m.gmbs * delvbs + m.gm * delvgs + m.gds * delvds;
        else
            cdhat = m.cd - (m.gbd - m.gmbs) * delvbd - m.gm * delvgd + m.gds * delvds;
        cbhat = m.cbs + m.cbd + m.gbd * delvbd + m.gbs * delvbs;

        // 2. Bypass: nothing moved, so the kept linearisation stands.
        if (MosfetBypassAllowed && InitMode != kInitPredict) {
            const double t = BypassTolerance, vntol = Options.vntol, abstol = Options.abstol;
            const auto still = [&](double d, double now, double before) {
                return std::fabs(d) < t * std::max(std::fabs(now), std::fabs(before)) + vntol;
            };
            const double cb = m.cbs + m.cbd;
            bypassed = still(delvbs, vbs, m.vbs) && still(delvbd, vbd, m.vbd) && still(delvgs, vgs, m.vgs) &&
                       still(delvds, vds, m.vds) &&
                       std::fabs(cdhat - m.cd) < t * std::max(std::fabs(cdhat), std::fabs(m.cd)) + abstol &&
                       std::fabs(cbhat - cb) < (std::max(std::fabs(cbhat), std::fabs(cb)) + abstol) * t;
        }

        // 3. Limiting.
        if (!bypassed) {
            const double von = p * m.von;
            double vgd_new = vgd;
            if (m.vds >= 0) {
                vgs = LimitFetVoltage(vgs, m.vgs, von);
                vds = LimitVds(vgs - vgd_new, m.vds);
            } else {
                vgd_new = LimitFetVoltage(vgd_new, stored_vgd, von);
                vds = -LimitVds(-(vgs - vgd_new), -m.vds);
                vgs = vgd_new + vds;
            }
            int limited = 0;
            if (vds >= 0) {
                vbs = LimitJunctionVoltage(vbs, m.vbs, m.NVt, m.vcritS, &limited);
            } else {
                const double vbd_new = LimitJunctionVoltage(vbs - vds, m.vbd, m.NVt, m.vcritD, &limited);
                vbs = vbd_new + vds;
            }
            m.limited = limited;
        }
    }

    double cdrain;
    MosDual qg, qb, qd;
    if (bypassed) {
        vbs = m.vbs, vgs = m.vgs, vds = m.vds;
        cdrain = kept.channel_current;
        qg = kept.qg, qb = kept.qb, qd = kept.qd;
    } else {
        // 4. Junction currents and the evaluation of the oriented device.
        const double vbd = vbs - vds;
        BulkJunction(vbs, m.IsS, m.NVt, m.cbs, m.gbs);
        BulkJunction(vbd, m.IsD, m.NVt, m.cbd, m.gbd);
        m.mode = vds >= 0 ? 1 : -1;
        const bool normal = m.mode > 0;
        const MosDual Vgs = MosDual::Variable(vgs, 0), Vds = MosDual::Variable(vds, 1), Vbs = MosDual::Variable(vbs, 2);
        const bool charges = CapacitancesNeeded();
        const Bsim12Evaluation e =
            normal ? Evaluate(m, Vds, Vbs, Vgs, charges) : Evaluate(m, -Vds, Vbs - Vds, Vgs - Vds, charges);
        // The current's partials in the frame of the oriented device.
        const MosDual& i = e.ids;
        m.gm = i.d[0], m.gmbs = i.d[2];
        m.gds = normal ? i.d[1] : -(i.d[0] + i.d[1] + i.d[2]);
        cdrain = i.v;
        kept.channel_current = cdrain;
        m.von = p * e.von;
        m.vdsat = p * e.vdsat;
        m.cd = m.mode * cdrain - m.cbd;

        // 5. Junction and gate charges: the drain's intrinsic charge is the source's of
        // the oriented device when drain and source are exchanged.
        if (charges) {
            const MosDual qdrain = normal ? e.qdrain : -(e.qgate + e.qbulk + e.qdrain);
            const Bsim12Charges q =
                Bsim12GateCharges(e.qgate, e.qbulk, qdrain, m.CGSOVL, m.CGDOVL, m.CGBOVL, Vgs, Vds, Vbs);
            const MosDual qbs = JunctionCharge(Vbs, m.Cbs, m.Cbssw, mv.pb, mv.pbsw, mv.mj, mv.mjsw, mv.tt, m.cbs, m.gbs);
            const MosDual qbd =
                JunctionCharge(Vbs - Vds, m.Cbd, m.Cbdsw, mv.pb, mv.pbsw, mv.mj, mv.mjsw, mv.tt, m.cbd, m.gbd);
            m.capbs = qbs.d[2], m.capbd = -qbd.d[1];
            sv[s + 12] = qbd.v, sv[s + 16] = qbs.v;
            qg = q.qg, qb = q.qb + qbs + qbd, qd = q.qd - qbd;
            kept.qg = qg, kept.qb = qb, kept.qd = qd;
        }
    }

    // 6. Charge companions.
    Bsim12ChargeConductances gc;
    double ceqqg = 0, ceqqb = 0, ceqqd = 0, cqg = 0, cqb = 0, cqd = 0;
    const bool with_charges = bypassed ? TranOrAc() || TranOpWithIc() : CapacitancesNeeded();
    if (with_charges && InitMode != kInitSmallSignal && (TranOrAc() || !TranOpWithIc())) {
        sv[s] = qg.v, sv[s + 4] = qb.v, sv[s + 8] = qd.v;
        if (InitMode == kInitTransient)
            for (int k : {0, 4, 8}) sv[s + k + 1] = sv[s + k];
        for (int k : {0, 4, 8}) IntegrateChargeDerivative(s + k);
        if (InitMode == kInitTransient)
            for (int k : {0, 4, 8})
                for (int level = 1; level < kHistorySlots; ++level) sd[s + k + level] = sd[s + k];
        gc = Bsim12Conductances({qg, qb, qd}, IntegrationCoefficients[0]);
        cqg = sd[s], cqb = sd[s + 4], cqd = sd[s + 8];
        const double vgb = vgs - vbs, vbd = vbs - vds;
        ceqqg = p * (cqg - gc.gcggb * vgb + gc.gcgdb * vbd + gc.gcgsb * vbs);
        ceqqb = p * (cqb - gc.gcbgb * vgb + gc.gcbdb * vbd + gc.gcbsb * vbs);
        ceqqd = p * (cqd - gc.gcdgb * vgb + gc.gcddb * vbd + gc.gcdsb * vbs);
    }

    // 7. Convergence.
    if (!bypassed && !(m.off && InitMode == kInitFix)) {
        const double reltol = Options.reltol, abstol = Options.abstol, cb = m.cbs + m.cbd;
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
    const double vbd = vbs - vds, vgd = vgs - vds;
    m.vbs = vbs, m.vgs = vgs, m.vds = vds, m.vbd = vbd;

    // 8. Companion currents and the right-hand side.
    const double gmin = Options.gmin;
    const double gm = m.gm, gds = m.gds, gmbs = m.gmbs, gbd = m.gbd, gbs = m.gbs;
    const double ceqbs = p * (m.cbs - (gbs - gmin) * vbs);
    const double ceqbd = p * (m.cbd - (gbd - gmin) * vbd);
    const bool normal = m.mode > 0;
    const double xnrm = normal ? 1 : 0, xrev = normal ? 0 : 1, xd = xnrm - xrev;
    const double cdreq = normal ? p * (cdrain - gds * vds - gm * vgs - gmbs * vbs)
                                : -p * (cdrain + gds * vds - gm * vgd - gmbs * vbd);
    double* rhs = RightHandSide.data();
    rhs[G] -= ceqqg;
    rhs[B] -= ceqqb + ceqbs + ceqbd;
    rhs[D] += ceqbd - cdreq - ceqqd;
    rhs[S] += ceqqg + ceqqd + ceqqb + ceqbs + cdreq;

    // 9. Stamps, in the set-up's order.
    const double grds = mv.rds, gdrain = m.gdrain, gsource = m.gsource, ggate = m.ggate, gbulk = m.gbulk;
    for (double value :
         {-grds, -grds, grds, grds, gdrain, ggate + gc.gcggb, -ggate, -ggate, ggate, gsource,
          gbd + gbs - gc.gcbgb - gc.gcbdb - gc.gcbsb + gbulk, -gbulk, -gbulk, gbulk,
          gdrain + gds + gbd + xrev * (gm + gmbs) + gc.gcddb, gsource + gds + gbs + xnrm * (gm + gmbs) + gc.gcssb,
          -gdrain, -gc.gcggb - gc.gcgdb - gc.gcgsb, gc.gcgdb, gc.gcgsb, -gsource, -gbd + gc.gcbdb, -gbs + gc.gcbsb,
          -gds - xnrm * (gm + gmbs) + gc.gcdsb, -gdrain, gc.gcbgb, xd * gm + gc.gcdgb, -xd * gm + gc.gcsgb, -gsource,
          -gbd + xd * gmbs - gc.gcdgb - gc.gcddb - gc.gcdsb, -gbs - xd * gmbs - gc.gcsgb - gc.gcsdb - gc.gcssb,
          -gds - xrev * (gm + gmbs) + gc.gcsdb})
        StampNext(value);

    // 10. Terminal currents and power.
    if (!bypassed) {
        m.Ig = p * cqg;
        m.Id = p * (grds * vds + cqd + m.cd);
        m.ID = m.Id;
        m.Ib = p * (cqb + m.cbd + m.cbs);
        m.Is = -m.Ig - m.Id - m.Ib;
        double pd = std::fabs(vbs * m.cbs) + std::fabs(vbd * m.cbd) + std::fabs((vds * grds + cdrain) * vds);
        if (gdrain != 0) pd += m.Id * m.Id / gdrain;
        if (gsource != 0) pd += m.Is * m.Is / gsource;
        if (ggate != 0) pd += m.Ig * m.Ig / ggate;
        if (gbulk != 0) pd += m.Ib * m.Ib / gbulk;
        m.power_dissipated = pd;
        m.power_stored = vgs * cqg + vbs * cqb + vds * cqd;
    }
    Run.power_dissipated += std::fabs(m.power_dissipated);
    Run.power_stored += m.power_stored;
}

int UpdateBsim1Pass(double t) { return UpdateBsim1Instances(t); }
int UpdateBsim2Pass(double t) { return UpdateBsim2Instances(t); }

bool IsLevel45(const MosfetInstance& m) { return m.level == 4 || m.level == 5; }

}  // namespace

Bsim12Charges Bsim12GateCharges(const MosDual& qgate, const MosDual& qbulk, const MosDual& qdrain, double cgso,
                                double cgdo, double cgbo, const MosDual& vgs, const MosDual& vds, const MosDual& vbs) {
    const MosDual qgso = cgso * vgs, qgdo = cgdo * (vgs - vds), qgbo = cgbo * (vgs - vbs);
    return {qgate + qgso + qgdo + qgbo, qbulk - qgbo, qdrain - qgdo};
}

Bsim12ChargeConductances Bsim12Conductances(const Bsim12Charges& q, double ag0) {
    // Partials by the gate, drain and source nodes (the bulk is the reference).
    const auto by_nodes = [ag0](const MosDual& c, double& g, double& d, double& s) {
        g = ag0 * c.d[0], d = ag0 * c.d[1], s = -ag0 * (c.d[0] + c.d[1] + c.d[2]);
    };
    Bsim12ChargeConductances r;
    by_nodes(q.qg, r.gcggb, r.gcgdb, r.gcgsb);
    by_nodes(q.qb, r.gcbgb, r.gcbdb, r.gcbsb);
    by_nodes(q.qd, r.gcdgb, r.gcddb, r.gcdsb);
    r.gcsgb = -(r.gcggb + r.gcbgb + r.gcdgb);
    r.gcsdb = -(r.gcgdb + r.gcbdb + r.gcddb);
    r.gcssb = -(r.gcgsb + r.gcbsb + r.gcdsb);
    return r;
}

Bsim12Kept* Bsim12KeptOf(MosfetInstance& m) {
    if (m.level == 4 && m.bsim1) return &m.bsim1->kept;
    if (m.level == 5 && m.bsim2) return &m.bsim2->kept;
    return nullptr;
}
const Bsim12Kept* Bsim12KeptOf(const MosfetInstance& m) { return Bsim12KeptOf(const_cast<MosfetInstance&>(m)); }

void AcceptBsim12Point(MosfetInstance& m) {
    Bsim12Kept* kept_of = Bsim12KeptOf(m);
    if (!kept_of) return;
    Bsim12Kept& kept = *kept_of;
    kept.accepted = {m.cd, m.cbs, m.cbd, m.gm, m.gds, m.gmbs, m.gbd, m.gbs};
}

namespace {
// Level-4 and level-5 records of the list at its last set-up: a circuit without any has
// no list walk to make at every load.
int level45_count = 0;
}  // namespace

int SetupMosfetsLevel45() {
    level45_count = 0;
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList))
        if (IsLevel45(*m)) {
            if (int error = AllocMosfetEntries(*m)) return error;
            ++level45_count;
        }
    return 0;
}

int LoadMosfetsLevel45() {
    if (level45_count == 0) return 0;
    int state = FirstStateIndex(kMosfetStates);
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (Bsim12KeptOf(*m)) LoadLevel45(*m, ModelValues(*m), state);
        state += kMosfetBlockGroups * kHistorySlots;
    }
    return 0;
}

const DeviceKindHandler kMosfetLevel45Kind = {LoadStage::MosfetsLevel45, 0, SetupMosfetsLevel45, LoadMosfetsLevel45};

void RegisterMosfetLevel45Kind() {
    RegisterDeviceKind(&kMosfetLevel45Kind);
    RegisterAcKind(&kMosfetLevel45AcKind);
    RegisterDevicePass(DevicePassStep::Mosfet4Devices, UpdateBsim1Pass);
    RegisterDevicePass(DevicePassStep::Mosfet5Devices, UpdateBsim2Pass);
}

}  // namespace ob7
