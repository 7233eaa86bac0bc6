#pragma once
// The AC small-signal load: how a device kind puts its complex admittances into the AC
// matrix, and how it computes its complex currents from the AC solution.
//
// The protocol between the AC driver and a device kind:
//  - A kind registers one AcKindHandler (RegisterAcKind), naming its stage in the fixed
//    AC load order below; kinds sharing a stage run in ascending order_in_stage.
//  - load(): for each record, stamps its entries with AcAddReal / AcAddImag (or the
//    stamp helpers built on them) and its excitation with AcAddExcitation. The small-
//    signal values come from what the device's own load left in its record at the
//    operating point. The stamps must be the same calls in the same order at every
//    load of one matrix build: the first load records one element per call, later loads
//    add through the recorded elements without any look-up. A stamp that depends on a
//    model value (a series resistance of 0 stamps nothing) is fine, as that value does
//    not change between loads of one build.
//  - compute_currents(), optional: reads the AC solution (ConductanceCurrent,
//    SusceptanceCurrent, ScaledNodeValue) and stores the record's complex currents.
//    Kinds run in the order of their AcCurrentRank.
//  - add_noise_sources(f), optional: adds the kind's noise current densities for the
//    present point with AddNoiseSource / AddShotFlickerNoise (noise_sources.h). Kinds
//    run in the order of their NoiseRank.
// Rows and columns are equation numbers; 0 is ground and lands on the discard element,
// so stamps never test for ground.

#include <complex>
#include <cstddef>
#include <vector>

#include "sim/engine/load_pass.h"

namespace ob7 {

// The stages of the AC load, in load order.
enum class AcStage : int {
    Capacitors,
    Inductors,
    Couplings,
    Resistors,
    Switches,             // switch components, S and W switches
    Diodes,
    Bjts,
    Jfets,
    Gaasfets,
    Mosfets,              // levels 1 to 5
    Bsim3Mosfets,
    LinearDependentSources,
    IndependentSources,   // sine, pulse, user, SPICE sources, in that order
    PolySources,
    Opamps,
    LosslessLines,
    LossyLines,
    LaplaceSources,
    FreqTableSources,
    FunctionSources,
    TableSources,
};

// Order of the current-computing pass; None: the kind computes no AC currents.
enum class AcCurrentRank : int {
    None = 0,
    Capacitors,
    Diodes,
    Bjts,
    Jfets,
    Gaasfets,
    Mosfets,
    Bsim3Mosfets,
    LinearDependentSources,
    PolySources,
    LaplaceSources,
    IndependentSources,
    FunctionSources,
    FreqTableSources,
    TableSources,
};

// Order in which kinds add their noise sources; None: the kind is noiseless.
enum class NoiseRank : int {
    None = 0,
    Resistors,
    Switches,
    Diodes,
    Bjts,
    Mosfets,
    Jfets,
    Gaasfets,
    FunctionSources,
};

struct AcKindHandler {
    AcStage stage;
    int order_in_stage;
    int (*load)();                                  // 0 or a message code
    AcCurrentRank current_rank = AcCurrentRank::None;
    int (*compute_currents)() = nullptr;            // 0 or a message code
    NoiseRank noise_rank = NoiseRank::None;
    int (*add_noise_sources)(double frequency) = nullptr;  // 0 or a message code
};

// Adds a kind to the AC passes; registering the same handler again does nothing.
void RegisterAcKind(const AcKindHandler* handler);

// --- AC state -----------------------------------------------------------------------------
extern double AcOmega;       // angular frequency of the present point
extern double AcFrequency;   // its frequency in hertz
// Sets both from a frequency: omega = 2 pi f, with f replaced by 1e-6 when not positive.
void SetAcFrequency(double f);

// (real, imaginary) pairs by equation, index 0 ground; sized by AllocateAcVectors.
extern std::vector<double> AcRightHandSide;
extern std::vector<double> AcSolution;
extern std::vector<double> AcPreviousIterate;
// The right-hand side of the ordinary AC problem, saved by a noise-mode load.
extern std::vector<double> SavedExcitation;
void AllocateAcVectors();
void FreeAcVectors();

extern int AcFirstLoad;         // this load creates the elements and records them
extern int AcIterationNeeded;   // a load evaluated an expression of AC quantities

// The matrix and trail the AC load fills (set by the driver).
extern SparseMatrix* AcMatrix;
extern MatrixElementTrail* AcTrail;
extern MatrixElement** AcCursor;

// Records the element (row, column), transposed in noise mode, and adds value to it.
int AcRecordEntry(int row, int column, double value, bool imaginary);

// --- Stamps ---------------------------------------------------------------------------------
// Add value to the real or the imaginary part of entry (row, column). 0 or 15002.
inline int AcAddReal(int row, int column, double value) {
    if (AcFirstLoad) return AcRecordEntry(row, column, value, false);
    (*AcCursor++)->real += value;
    return 0;
}
inline int AcAddImag(int row, int column, double value) {
    if (AcFirstLoad) return AcRecordEntry(row, column, value, true);
    (*AcCursor++)->imag += value;
    return 0;
}

// Adds (re, im) to the right-hand side of equation k.
inline void AcAddExcitation(int k, double re, double im) {
    AcRightHandSide[2 * k] += re;
    AcRightHandSide[2 * k + 1] += im;
}

// G at (a, a) and (b, b), -G at (a, b) and (b, a).
int AcStampConductance(int a, int b, double g);
// jB at (a, a) and (b, b), -jB at (a, b) and (b, a).
int AcStampSusceptance(int a, int b, double susceptance);
// Branch equation k of a voltage-like element from p to m: 1 at (k, p), -1 at (k, m),
// 1 at (p, k), -1 at (m, k).
int AcStampBranchIncidence(int k, int p, int m);
// Excitation (re, im) on branch k, then its incidence.
int AcStampVoltageSource(int k, int p, int m, double re, double im);
// A current g (V(cp) - V(cm)) from op to om, g = gr + j gi: the four real entries
// (op, cp), (op, cm), (om, cp), (om, cm), then the same four imaginary ones.
int AcStampTransconductance(int cp, int cm, int op, int om, double gr, double gi);
// The real four alone.
int AcStampRealTransconductance(int cp, int cm, int op, int om, double g);
// Types 0 voltage-controlled current, 1 current-controlled current (controlling branch
// k), 2 voltage-controlled voltage on branch k (k2 when incidence is false), 3 current-
// controlled voltage on branch k2 controlled by branch k. Any other type stamps nothing.
int AcStampControlledSource(bool incidence, bool first_control, int type, int k, int k2, int cp,
                            int cm, int op, int om, double gr, double gi);

// The three-terminal FET of the JFET and GaAsFET stamps: gate G, drain D, source S and the
// internal G', D', S'; conductances of the gate, drain and source resistances, gm, gds,
// ggs, ggd and the susceptances xgs, xgd, xds of the operating point. A JFET passes
// G' = G, gate 0 and xds 0.
struct Fet3Small {
    int G, D, S, Gp, Dp, Sp;
    double g_gate, g_drain, g_source, gm, gds, ggs, ggd, xgs, xgd, xds;
};
int AcStampFet3(const Fet3Small& f);

// --- Current mode ---------------------------------------------------------------------------
// V(k) of the AC solution.
inline std::complex<double> AcNodeValue(int k) { return {AcSolution[2 * k], AcSolution[2 * k + 1]}; }
// G (V(a) - V(b)).
std::complex<double> ConductanceCurrent(int a, int b, double g);
// jB (V(a) - V(b)).
std::complex<double> SusceptanceCurrent(int a, int b, double susceptance);
// x V(k).
std::complex<double> ScaledNodeValue(int k, double x);

// Terminal currents of one device: runs its stamp routine without touching the matrix,
// summing entry x V(column) by row for the given rows (the device's terminal nodes), so
// each sum is the AC current flowing from that node into the device. A row listed twice
// collects into its first place.
int CaptureAcRowCurrents(int (*stamp)(void* device), void* device, const int* rows, int count,
                         std::complex<double>* currents);

// --- Passes --------------------------------------------------------------------------------
// One AC load at the present frequency: clears the right-hand side (and the matrix,
// after the first load), runs every kind's load in AC order and, in noise mode, turns
// the right-hand side into the unit excitation of the noise output. 0 or the first error.
int AcLoad();
// The current-mode pass; nothing in noise mode.
int ComputeAcBranchCurrents();
// Calls every noisy kind's add_noise_sources in noise order (after the table is emptied).
int AddDeviceNoiseSources(double frequency);

}  // namespace ob7
