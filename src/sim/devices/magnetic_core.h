#pragma once
// Magnetic cores (device list 25, CORE model): a coupling that names a core makes its
// inductors windings on it. The core follows a hysteresis law of the Jiles-Atherton kind
// without the inter-domain coupling: the anhysteretic magnetization MS H / (|H| + A), an
// irreversible part pinned by K and a reversible fraction C, taken in one implicit step
// from the last accepted point at every load. An air gap makes the core field the
// solution of the magnetic circuit. The windings see the core through their flux
// N A mu0 (H + M) and an inductance from the core's step susceptibility.

#include "sim/engine/device_lists.h"

namespace ob7 {

struct Coupling;
struct Inductor;
struct ModelParams;

// CORE model slots (AREA in cm^2, PATH and GAP in cm).
enum CoreSlot : int { kCoreArea, kCorePath, kCoreGap, kCoreMs, kCoreA, kCoreC, kCoreK, kCoreAlpha };

inline constexpr double kMu0 = 1.2566370614359173e-6;

struct CoreState : DeviceInstance {
    ModelParams* model = nullptr;
    double man = 0, man_accepted = 0;  // anhysteretic magnetization
    double m = 0, m_accepted = 0;      // magnetization
    double h = 0, h_accepted = 0;      // core field
    double hw = 0, hw_accepted = 0;    // winding field, the sum of N I / path
    double chi = 0, chi_accepted = 0;  // differential susceptibility
    double chis = 0, chis_accepted = 0;  // step susceptibility
    double mtest = 0;                  // M of the last convergence test
    int solved = 0;
};

CoreState* AddCore(ModelParams* model);
// Makes the inductor a winding of n turns on the core.
void MakeWinding(Inductor* inductor, CoreState* core, double turns);

// The largest factor by which the next time step may grow; the inductors' load starts
// it at 1e30 and the core solves lower it.
extern double CoreStepFactor;

// Once per load pass of the inductors: the windings' fields, each core solved once, then
// every winding's inductance and flux. 0 or the coupling value's error.
int UpdateCoreCouplings();
void AddWindingField(Inductor& winding);
// One implicit step of the hysteresis law from the accepted state; `coupling` names the
// core in the non-convergence report.
void SolveCoreMagnetization(CoreState& core, const Coupling* coupling);
void UpdateCoreWinding(Inductor& winding, double k);
int CoreNotConverged(double m, double mtest);
// 0 before a run (cleared), 1 at an accepted point (kept), 2 at a rejected step
// (restored).
void SaveRestoreCoreStates(int mode);
// The accepted states to (mode 0) or from (mode 1) the state-variables array, five
// doubles per core coupling from index 4 E + 1; returns their count.
int ExchangeCoreStateVariables(double* array, int mode);

}  // namespace ob7
