// BSIM3 small-signal stamp: at the operating point each terminal current of the
// intrinsic device is linear in the node voltages of G', D', S' and B', with the
// conductances of the channel and junctions as its real part and omega times the
// capacitances (the partials of the terminal charges) as its imaginary part; the series
// resistances and the RDS shunt are real. The noise sources are in bsim3_noise.cpp.

#include <tuple>

#include "sim/devices/bsim3.h"
#include "sim/devices/bsim3_slots.h"
#include "sim/devices/circuit_models.h"
#include "sim/engine/ac_load.h"

namespace ob7 {

namespace {

// Partials by G', D', S', B' of a quantity kept as a function of (vgs, vds, vbs).
void ByNode(const MosDual& c, double out[4]) {
    out[0] = c.d[0], out[1] = c.d[1], out[3] = c.d[2];
    out[2] = -(c.d[0] + c.d[1] + c.d[2]);
}

int AcStampBsim3(void* device) {
    const MosfetInstance& m = *static_cast<const MosfetInstance*>(device);
    const Bsim3SizeParams& s = *m.bsim3;
    const double* x = ModelReals(*m.model);
    const int nodes[4] = {m.gate_i, m.drain_i, m.source_i, m.bulk_i};
    // Rows G', D', S', B': the conductances and capacitances of each terminal.
    double g[4][4] = {}, c[4][4] = {};
    ByNode(s.id, g[1]), ByNode(s.is, g[2]), ByNode(s.ib, g[3]);
    const MosDual qs = -(s.qg + s.qb + s.qd);
    ByNode(s.qg, c[0]), ByNode(s.qd, c[1]), ByNode(qs, c[2]), ByNode(s.qb, c[3]);
    for (int r = 0; r < 4; ++r) {
        for (int col = 0; col < 4; ++col) {
            if (int error = AcAddReal(nodes[r], nodes[col], g[r][col])) return error;
            if (int error = AcAddImag(nodes[r], nodes[col], AcOmega * c[r][col])) return error;
        }
    }
    // The charge deficit: its node relaxes at gtau and follows the quasi-static channel
    // charge; the relaxation current enters the channel from drain and source and leaves
    // the gate.
    if (const int q = m.charge_node) {
        const double gtau = s.gtau.v;
        double cq[4];
        ByNode(s.qcheq, cq);
        if (int error = AcAddReal(q, q, gtau)) return error;
        if (int error = AcAddImag(q, q, AcOmega * kBsim3NqsScale)) return error;
        const double share[3] = {-1, s.dxpart.v, 1 - s.dxpart.v};
        for (int r = 0; r < 3; ++r)
            if (int error = AcAddReal(nodes[r], q, share[r] * gtau)) return error;
        for (int col = 0; col < 4; ++col)
            if (int error = AcAddImag(q, nodes[col], -AcOmega * cq[col])) return error;
    }
    const double grds = x[Bsim3Slot().RDS];
    for (auto [a, b, conductance] : {std::tuple{m.drain_i, m.source_i, grds}, {m.gate, m.gate_i, m.ggate},
                                     {m.drain, m.drain_i, m.gdrain}, {m.source, m.source_i, m.gsource},
                                     {m.bulk, m.bulk_i, m.gbulk}})
        if (int error = AcStampConductance(a, b, conductance)) return error;
    return 0;
}

int AcLoadBsim3Mosfets() {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList))
        if (m->level == 8 && m->bsim3)
            if (int error = AcStampBsim3(m)) return error;
    return 0;
}

int ComputeBsim3AcCurrents() {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level != 8 || !m->bsim3) continue;
        const int rows[4] = {m->drain, m->gate, m->source, m->bulk};
        if (int error = CaptureAcRowCurrents(AcStampBsim3, m, rows, 4, m->ac_currents)) return error;
    }
    return 0;
}

}  // namespace

const AcKindHandler kBsim3AcKind{AcStage::Bsim3Mosfets,        0,
                                 AcLoadBsim3Mosfets,            AcCurrentRank::Bsim3Mosfets,
                                 ComputeBsim3AcCurrents,        NoiseRank::Mosfets,
                                 AddBsim3NoiseSources};

}  // namespace ob7
