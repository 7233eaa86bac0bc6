#pragma once
// BSIM3 charges: the intrinsic gate, bulk and drain charges by CAPMOD with the XPART
// partition, the gate overlap charges and the junction depletion charges. Each charge is
// a MosDual of the load's variables, so that its partials are the capacitances.

#include "sim/devices/bsim3.h"
#include "sim/devices/mosfet_dual.h"

namespace ob7 {

// What the channel evaluation hands to the charge models, in the present mode.
struct Bsim3ChargeBias {
    MosDual vgs_eff;  // gate voltage after poly depletion
    MosDual vbseff;   // effective bulk bias
    MosDual phis;     // surface potential under vbseff
    MosDual n;        // subthreshold swing factor
    MosDual vth;      // threshold voltage
    MosDual abulk0;   // bulk charge factor at zero drive
    MosDual vgsteff;  // effective gate drive of the drain current
    MosDual vds;      // of the present mode (>= 0)
    MosDual vbs;      // of the present mode
};

// Intrinsic charges of the present mode: gate, bulk, and the drain side's share.
struct Bsim3Charges {
    MosDual qg, qb, qd;
};
Bsim3Charges Bsim3IntrinsicCharges(const Bsim3SizeParams& s, const double* x, const Bsim3ChargeBias& in);

// Overlap charge of one gate edge at the gate-to-side voltage v (capmod 0 linear,
// capmod 1 and above with the bias-dependent lightly doped part cgl).
MosDual Bsim3OverlapCharge(int capmod, double cgo, double cgl, double ckappa, const MosDual& v);

// Depletion charge of one junction side at v: bottom, sidewall and gate-edge parts.
struct Bsim3JunctionSide {
    double cj, cjsw, cjswg;  // zero-bias capacitances
    double pb, pbsw, pbswg;  // potentials
    double mj, mjsw, mjswg;  // grading coefficients
};
MosDual Bsim3JunctionCharge(const Bsim3JunctionSide& side, const MosDual& v);

}  // namespace ob7
