#pragma once
// What every analog device kind shares on top of the engine's set-up and load protocol
// (sim/engine/load_pass.h): the load flags by name, the stamping helpers of branch and
// controlled-source entries, the layout of the charge states, the value guards and the
// non-convergence codes.
//
// How a kind plugs in: its records derive from DeviceInstance and live in the kind's
// device list; it defines one DeviceKindHandler (stage, set-up, load, branch numbering)
// and RegisterDeviceKinds() (device_kinds.cpp) registers it. Set-up requests every entry
// the load will stamp, in the load's order; the load takes them back with StampNext.

#include <cmath>

#include "sim/engine/load_pass.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

// --- Load flags (derived by every load pass from the modes) ----------------------------
inline bool TakeVoltageFromSolution() { return LoadFlags[1] != 0; }
inline bool TranOrAc() { return LoadFlags[2] != 0; }
inline bool TranOpWithIc() { return LoadFlags[3] != 0; }
inline bool ChargesNeeded() { return LoadFlags[4] != 0; }
inline bool TranStartWithIc() { return LoadFlags[5] != 0; }
inline bool NewTimePoint() { return LoadFlags[6] != 0; }
inline bool CapacitancesNeeded() { return LoadFlags[7] != 0; }
// A transient time point (the operating point of a transient is not one).
inline bool InTransient() { return AnalysisMode == kModeTransient; }
inline bool InDcAnalysis() { return AnalysisMode == kModeDc; }

// --- Entries and stamps -------------------------------------------------------------
// (k,a) (k,b) (a,k) (b,k); StampVoltageBranch puts +1 -1 +1 -1 and adds value to the
// branch row of the right-hand side.
int AllocVoltageBranchEntries(int k, int a, int b);
inline void StampVoltageBranch(int k, double value) {
    StampNext(1);
    StampNext(-1);
    StampNext(1);
    StampNext(-1);
    RightHandSide[k] += value;
}
// (c,a) (c,b) (d,a) (d,b): rows c, d the output nodes, columns a, b the controlling ones.
int AllocTransconductanceEntries(int a, int b, int c, int d);

// Controlled-source forms: 0 G, 1 F, 2 E, 3 H. a, b control; c, d output; k the branch
// (H: k measures the controlling current, k + 1 is the output branch). Any other form
// records and stamps nothing.
int AllocControlledSourceEntries(int form, int k, int a, int b, int c, int d);
void StampControlledSource(int form, double gain);

// A current i flowing through a device from a to b.
inline void AddBranchCurrent(int a, int b, double i) {
    RightHandSide[a] -= i;
    RightHandSide[b] += i;
}

// --- Charge states ----------------------------------------------------------------------
// Blocks of the state vectors, in order; the index of a state is the index of its
// level-0 value, states are kHistorySlots values apart.
enum StateBlock : int {
    kCapacitorStates,
    kInductorStates,
    kDiodeStates,
    kJfetStates,
    kGaasfetStates,
    kBjtStates,
    kMosfetStates,
};
// Index of the first state of a block, from the present list counts.
int FirstStateIndex(StateBlock block);

// --- Value guards -------------------------------------------------------------------------
// A nonzero voltage of magnitude at most 1e-50 becomes +-1e-50. (Inline, as the next:
// the charge loads call them for every device at every iteration.)
inline double GuardVoltage(double v) {
    if (v != 0 && std::fabs(v) <= 1e-50) return v > 0 ? 1e-50 : -1e-50;
    return v;
}
// A companion current limited to +-1e50.
inline double LimitCompanionCurrent(double i) {
    if (i > 1e50) return 1e50;
    if (i < -1e50) return -1e50;
    return i;
}
// e^x with x limited to [-350, 350].
double LimitedExp(double x);

// Whether a value is now the target of a step variable: such values are not replaced
// by their expressions. The analysis side installs the test; unset, nothing is stepped.
extern bool (*ValueIsStepped)(const double* value);
inline bool IsStepped(const double* value) { return ValueIsStepped && ValueIsStepped(value); }

// --- Non-convergence codes (RecordNonConvergentDevice) ----------------------------------
enum NonConvergenceCode : int {
    kNcMosfetPn = 1, kNcMosfetId = 2, kNcMosfetIb = 3, kNcMosfetDrain = 4, kNcMosfetVds = 5,
    kNcDiodePn = 6, kNcDiodeCurrent = 7,
    kNcJfetPn = 8, kNcJfetGate = 9, kNcJfetDrain = 10,
    kNcGaasfetPn = 11, kNcGaasfetGate = 12, kNcGaasfetDrain = 13,
    kNcBjtPn = 14, kNcBjtCollector = 15, kNcBjtBase = 16, kNcBjtSubstrate = 17,
    kNcSwitch = 18,
    kNcInductor = 19, kNcInductorM = 20, kNcInductorV = 21, kNcInductorValue = 22,
    kNcPolyValue = 23, kNcPolyInput = 24,
    kNcNode = 25,
    kNcResistorValue = 26, kNcCapacitorValue = 27,
    kNcLaplace = 28, kNcTable = 29, kNcFreqTable = 30, kNcFunction = 31, kNcSampleHold = 32,
};

// Registers every device kind of this library with the engine (idempotent).
void RegisterDeviceKinds();

}  // namespace ob7
