#pragma once
// MOSFET level 8, the BSIM3 version 3 model: per-instance size-dependent values
// prepared at each temperature update (bsim3_temp.cpp), the matrix set-up and Newton
// load (bsim3_load.cpp) with its charges (bsim3_charge.cpp), and the small-signal stamp
// (bsim3_ac.cpp) and noise sources (bsim3_noise.cpp).

#include <array>

#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_dual.h"

namespace ob7 {

// Model value slots beyond the 424 parameters.
inline constexpr int kBsim3ParamCount = 424;
inline constexpr int kBsim3DeviceTempSlot = 425;
inline constexpr int kBsim3Factor1Slot = 426;
inline constexpr int kBsim3NgateGivenSlot = 428;
inline constexpr int kBsim3VtmSlot = 429;

// The size-dependent values of one level-8 instance.
struct Bsim3SizeParams {
    // Binned value of every grouped parameter at its model slot (other slots unused);
    // U0, UA, UB, UC, VSAT and RDSW already at the device temperature.
    std::array<double, kBsim3ParamCount> p{};
    double dl = 0, dlc = 0, dw = 0, dwc = 0, Leff = 0, Weff = 0, LeffCV = 0, WeffCV = 0;
    double u0temp = 0, vsattemp = 0, rds0 = 0;
    double phi = 0, sqrtPhi = 0, phis3 = 0, Xdep0 = 0, vbi = 0, cdep0 = 0, litl = 0, ldeb = 0;
    double vbsc = 0, k1 = 0, k2 = 0, k1ox = 0, k2ox = 0, vfb = 0, vth0 = 0, vfbzb = 0;
    double theta0vb0 = 0, thetaRout = 0, abulkCVfactor = 0, tconst = 0;
    double cgdo = 0, cgso = 0, cgbo = 0;
    double vjsm = 0, IsEvjsm = 0, vjdm = 0, IsEvjdm = 0;
    double pb = 0, pbsw = 0, pbswg = 0;  // junction potentials at the device temperature
    double cbdswg = 0, cbsswg = 0;       // gate-edge sidewall capacitances, drain and source
    double temp_ratio = 0;  // T / Tnom - 1, for the threshold's temperature terms
    int nqsmod = 0;
    // Kept by the load: the substrate current, and the currents into D', S' and B' with
    // their partials by (vgs, vds, vbs), for the prediction and the bypass.
    double csub = 0;
    MosDual id, is, ib;
    // The charges (gate, bulk, drain) of the last evaluation with their partials, the
    // capacitances the small-signal analysis reads, and the currents of their integration
    // (zero outside a transient).
    MosDual qg, qb, qd;
    MosDual cqg, cqb, cqd;
    // For the noise: the effective mobility and the inversion charge of the channel.
    double ueff = 0, qinv = 0;
    // NQSMOD 1: the charge deficit qdef (the Q node's type-signed voltage, in units of
    // kBsim3NqsScale coulomb) relaxes towards the quasi-static channel charge qcheq at the
    // rate gtau (scaled as qdef); the relaxation current gtau * qdef charges the channel
    // from the drain (share dxpart) and the source and leaves the gate. cqcheq and cqdef
    // are the integrated currents of qcheq and of the scaled deficit.
    double qdef = 0, cqdef = 0, gqdef = 0;
    MosDual qcheq, cqcheq, gtau, dxpart = MosDual(0.5);
};
inline constexpr double kBsim3NqsScale = 1e-9;

// Prepares every level-8 instance for the analysis temperature (C): 0, or 15055 after
// a reported error.
int UpdateBsim3Instances(double temperature);
// The parameter checks of one prepared instance: 0, or 15055 when an error row reported.
int CheckBsim3Parameters(MosfetInstance& m, ModelParams& model, Bsim3SizeParams& s);

// Noise sources of every level-8 instance at frequency f (Hz), at the operating point.
int AddBsim3NoiseSources(double frequency);

int SetupBsim3Mosfets();
int LoadBsim3Mosfets();

extern const DeviceKindHandler kBsim3Kind;
extern const AcKindHandler kBsim3AcKind;
void RegisterBsim3Kind();

}  // namespace ob7
