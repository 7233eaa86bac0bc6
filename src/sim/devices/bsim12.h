#pragma once
// MOSFET levels 4 (BSIM1) and 5 (BSIM2): the size-dependent values each instance gets
// from the device pass (bsim1_prep.cpp, bsim2_prep.cpp), the channel and charge evaluations, and the
// set-up and Newton load the two levels share (mosfet_level45.cpp) with their small-signal
// stamp (mosfet_level45_ac.cpp).

#include <array>

#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_dual.h"

namespace ob7 {

// What the load keeps between evaluations and from the last accepted time point.
struct Bsim12Kept {
    // cd, cbs, cbd, gm, gds, gmbs, gbd, gbs at the last accepted point.
    std::array<double, 8> accepted{};
    // The total terminal charges (gate, bulk, drain) of the last evaluation with their
    // partials by (vgs, vds, vbs): the nine charge derivatives with the overlap and
    // junction capacitances, for a bypassed load and the small-signal stamp. (A predicted
    // point is always evaluated, so they need no accepted-point copy.)
    MosDual qg, qb, qd;
    double channel_current = 0;
};

// Level 4: the size-dependent values of one instance (lengths in um, the mobility terms
// already multiplied by Cox W/L).
struct Bsim1SizeParams {
    double vfb = 0, phi = 0, k1 = 0, k2 = 0;
    double eta = 0, etaB = 0, etaD = 0;
    double betaZero = 0, betaZeroB = 0, betaVdd = 0, betaVddB = 0, betaVddD = 0;
    double ugs = 0, ugsB = 0, uds = 0, udsB = 0, udsD = 0;  // uds terms divided by Leff
    double n0 = 0, nB = 0, nD = 0;
    double vdd = 0;
    double coxWL = 0;  // Cox Weff Leff, farads
    double vt = 0;     // thermal voltage at the device temperature
    double xpart = 0;
    Bsim12Kept kept;
};

// The model slots of level 4 beyond its 98 parameters.
inline constexpr int kBsim1PolaritySlot = 98;
inline constexpr int kBsim1DeviceTempSlot = 99;

// Level 5: the size-dependent values of one instance (lengths in um; beta0, betas and
// the beta3 and beta4 terms already multiplied by Cox W/L; beta2 is a pure number).
struct Bsim2SizeParams {
    double vfb = 0, phi = 0, k1 = 0, k2 = 0, eta0 = 0, etaB = 0;
    double beta0 = 0, beta0B = 0, betas0 = 0, betasB = 0;
    double beta20 = 0, beta2B = 0, beta2G = 0, beta30 = 0, beta3B = 0, beta3G = 0, beta40 = 0, beta4B = 0,
           beta4G = 0;
    double ua0 = 0, uaB = 0, ub0 = 0, ubB = 0, u10 = 0, u1B = 0, u1D = 0;
    double n0 = 0, nB = 0, nD = 0, vof0 = 0, vofB = 0, vofD = 0;
    double ai0 = 0, aiB = 0, bi0 = 0, biB = 0, vghigh = 0, vglow = 0;
    double coxWL = 0, oneThirdCoxWL = 0, twoThirdsCoxWL = 0;  // Cox Weff Leff, farads
    double sqrtPhi = 0, phiSqrtPhi = 0;
    double vdd = 0;
    // The bounds of the fitted range: vds at most vddLimit, vgs at most vggLimit, vbs at
    // least -vbbLimit (twice |VDD|, |VGG|, |VBB|).
    double vddLimit = 0, vggLimit = 0, vbbLimit = 0;
    double vtm = 0;  // 8.625e-5 times the device temperature in K
    Bsim12Kept kept;
};

// The model slots of level 5 beyond its 154 parameters.
inline constexpr int kBsim2Vdd2Slot = 154;
inline constexpr int kBsim2Vgg2Slot = 155;
inline constexpr int kBsim2Vbb2Slot = 156;
inline constexpr int kBsim2VtmSlot = 157;
inline constexpr int kBsim2PolaritySlot = 158;
inline constexpr int kBsim2DeviceTempSlot = 159;

inline int Bsim12PolaritySlot(const MosfetInstance& m) {
    return m.level == 5 ? kBsim2PolaritySlot : kBsim1PolaritySlot;
}
inline int Bsim12DeviceTempSlot(const MosfetInstance& m) {
    return m.level == 5 ? kBsim2DeviceTempSlot : kBsim1DeviceTempSlot;
}
// What the load keeps for a prepared level-4 or level-5 device; null before its first pass.
Bsim12Kept* Bsim12KeptOf(MosfetInstance& m);
const Bsim12Kept* Bsim12KeptOf(const MosfetInstance& m);

// One evaluation of the intrinsic device at vds >= 0 (the oriented device): the channel
// current and the gate, bulk and drain charges, each with its partials; the region code.
struct Bsim12Evaluation {
    MosDual ids;
    MosDual qgate, qbulk, qdrain;
    double von = 0, vdsat = 0;
};
// Region codes the charge branches of level 4 set besides OFF, LIN and SAT.
inline constexpr int kRegionBsimAccumulation = 9;
inline constexpr int kRegionBsimDepletion = 10;

// Level 4 at (vds, vbs, vgs) of the oriented device; charges only when `charges`.
Bsim12Evaluation EvaluateBsim1(MosfetInstance& device, const MosDual& vds, const MosDual& vbs, const MosDual& vgs,
                               bool charges);

// Level 5 at (vds, vbs, vgs) of the oriented device; charges only when `charges`.
// Region LIN in the triode branch of strong inversion; otherwise the region is left.
Bsim12Evaluation EvaluateBsim2(MosfetInstance& device, const MosDual& vds, const MosDual& vbs, const MosDual& vgs,
                               bool charges);

// The companion conductances of the charges (each times ag0), by terminal: gate, bulk,
// drain and source rows over gate, drain and source columns.
struct Bsim12ChargeConductances {
    double gcggb = 0, gcgdb = 0, gcgsb = 0;
    double gcbgb = 0, gcbdb = 0, gcbsb = 0;
    double gcdgb = 0, gcddb = 0, gcdsb = 0;
    double gcsgb = 0, gcsdb = 0, gcssb = 0;
};
// The intrinsic charges (drain charge of the true drain) plus the overlap charges give
// the gate, bulk and drain charges of the device (junction charges added by the caller)
// and the companion conductances of the totals qg, qb, qd at coefficient ag0.
struct Bsim12Charges {
    MosDual qg, qb, qd;
};
Bsim12Charges Bsim12GateCharges(const MosDual& qgate, const MosDual& qbulk, const MosDual& qdrain, double cgso,
                                double cgdo, double cgbo, const MosDual& vgs, const MosDual& vds, const MosDual& vbs);
Bsim12ChargeConductances Bsim12Conductances(const Bsim12Charges& q, double ag0);

// Device pass of every level-4 record at analysis temperature t (C): 0, or 15055 after a
// reported channel without positive effective size.
int UpdateBsim1Instances(double t);
// The same for every level-5 record.
int UpdateBsim2Instances(double t);

// After an accepted transient point: the currents and conductances the predictor restores.
void AcceptBsim12Point(MosfetInstance& m);

// Set-up and load of the level-4 and level-5 records.
int SetupMosfetsLevel45();
int LoadMosfetsLevel45();

extern const DeviceKindHandler kMosfetLevel45Kind;
extern const AcKindHandler kMosfetLevel45AcKind;
// Registers the kind with the engine and the AC passes, and its device pass with the
// temperature dispatcher.
void RegisterMosfetLevel45Kind();

}  // namespace ob7
