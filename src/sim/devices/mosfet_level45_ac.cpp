// Small-signal stamp of the MOSFET levels 4 and 5 at the operating point: the channel
// and junction conductances of the last load as the real part, omega times the partials
// of the terminal charges (intrinsic, overlap and junction) kept by the small-signal
// load as the imaginary part, and the series resistances and the RDS shunt; and the
// noise sources.

#include <cmath>
#include <tuple>

#include "sim/devices/bsim12.h"
#include "sim/devices/circuit_models.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/noise_sources.h"

namespace ob7 {

namespace {

// Partials by G', D', S', B' of a charge kept as a function of (vgs, vds, vbs).
void ByNode(const MosDual& q, double out[4]) {
    out[0] = q.d[0], out[1] = q.d[1], out[3] = q.d[2];
    out[2] = -(q.d[0] + q.d[1] + q.d[2]);
}

int AcStampLevel45(void* device) {
    const MosfetInstance& m = *static_cast<const MosfetInstance*>(device);
    const Bsim12Kept& kept = *Bsim12KeptOf(m);
    enum { g, d, s, b };
    const int nodes[4] = {m.gate_i, m.drain_i, m.source_i, m.bulk_i};
    // Rows G', D', S', B': the conductances of the oriented channel and the junctions.
    const double gm = m.gm, gds = m.gds, gmbs = m.gmbs, gbd = m.gbd, gbs = m.gbs;
    const double xnrm = m.mode > 0 ? 1 : 0, xrev = 1 - xnrm, xd = xnrm - xrev;
    double gr[4][4] = {};
    gr[d][g] = xd * gm;
    gr[d][d] = gds + gbd + xrev * (gm + gmbs);
    gr[d][s] = -gds - xnrm * (gm + gmbs);
    gr[d][b] = -gbd + xd * gmbs;
    gr[s][g] = -xd * gm;
    gr[s][d] = -gds - xrev * (gm + gmbs);
    gr[s][s] = gds + gbs + xnrm * (gm + gmbs);
    gr[s][b] = -gbs - xd * gmbs;
    gr[b][d] = -gbd;
    gr[b][s] = -gbs;
    gr[b][b] = gbd + gbs;
    double c[4][4];
    const MosDual qs = -(kept.qg + kept.qb + kept.qd);
    ByNode(kept.qg, c[g]), ByNode(kept.qd, c[d]), ByNode(qs, c[s]), ByNode(kept.qb, c[b]);
    for (int r = 0; r < 4; ++r) {
        for (int col = 0; col < 4; ++col) {
            if (int error = AcAddReal(nodes[r], nodes[col], gr[r][col])) return error;
            if (int error = AcAddImag(nodes[r], nodes[col], AcOmega * c[r][col])) return error;
        }
    }
    const double grds = ModelReals(*m.model)[FindModelParam(kModelNmos4, "RDS")];
    for (auto [a, bn, conductance] : {std::tuple{m.drain_i, m.source_i, grds}, {m.gate, m.gate_i, m.ggate},
                                      {m.drain, m.drain_i, m.gdrain}, {m.source, m.source_i, m.gsource},
                                      {m.bulk, m.bulk_i, m.gbulk}})
        if (int error = AcStampConductance(a, bn, conductance)) return error;
    return 0;
}

bool Built(const MosfetInstance& m) { return Bsim12KeptOf(m) != nullptr; }

int AcLoadMosfetsLevel45() {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList))
        if (Built(*m))
            if (int error = AcStampLevel45(m)) return error;
    return 0;
}

int ComputeLevel45AcCurrents() {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (!Built(*m)) continue;
        const int rows[4] = {m->drain, m->gate, m->source, m->bulk};
        if (int error = CaptureAcRowCurrents(AcStampLevel45, m, rows, 4, m->ac_currents)) return error;
    }
    return 0;
}

// Series-resistance thermal noise, and the channel's thermal noise (8/3 kT |gm|) with its
// flicker noise by NLEV (not given: 2): 0 and 1 KF |Id|^AF / (Cox A f), A = Leff^2 or
// Weff Leff; 2 and 3 KF gm^2 / (Cox Weff Leff f^AF); Cox per cm^2 as the device pass
// has it.
int AddLevel45NoiseSources(double f) {
    static const int kf = FindModelParam(kModelNmos4, "KF"), af = FindModelParam(kModelNmos4, "AF"),
                     tox = FindModelParam(kModelNmos4, "TOX");
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (!Built(*m)) continue;
        const double* x = ModelReals(*m->model);
        const double T = x[Bsim12DeviceTempSlot(*m)] + kZeroCelsius;
        const int nlev_slot = FindModelParam(m->model->modelType, "NLEV");
        const double t = std::sqrt(4 * kNoiseBoltzmann * T);
        AddNoiseSource(m->drain_i, m->drain, std::sqrt(m->gdrain) * t);
        AddNoiseSource(m->source_i, m->source, std::sqrt(m->gsource) * t);
        AddNoiseSource(m->gate_i, m->gate, std::sqrt(m->ggate) * t);
        AddNoiseSource(m->bulk_i, m->bulk, std::sqrt(m->gbulk) * t);
        const int nlev = IsGiven(x[nlev_slot]) ? static_cast<int>(x[nlev_slot]) : 2;
        const double thermal = 8.0 / 3.0 * kNoiseBoltzmann * T * std::fabs(m->gm);
        const double area = nlev == 0 ? m->Leff * m->Leff : m->Weff * m->Leff;
        const double flicker_x = nlev <= 1 ? std::pow(std::fabs(m->cd), x[af]) : m->gm * m->gm;
        const double exponent = nlev <= 1 ? 1.0 : x[af];
        const double cox = x[tox] > 0 ? 3.453e-13 / (x[tox] * 1e-4) : 0.0;
        const double coefficient = cox > 0 && area > 0 ? x[kf] / (cox * area) : 0.0;
        AddShotFlickerNoise(m->drain_i, m->source_i, thermal, coefficient, flicker_x, f, exponent);
    }
    return 0;
}

}  // namespace

const AcKindHandler kMosfetLevel45AcKind{AcStage::Mosfets,    1, AcLoadMosfetsLevel45, AcCurrentRank::Mosfets,
                                         ComputeLevel45AcCurrents, NoiseRank::Mosfets, AddLevel45NoiseSources};

}  // namespace ob7
