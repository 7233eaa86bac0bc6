#pragma once
// The set-up and load passes: how the compiled circuit gets into the sparse matrix.
//
// The protocol between the engine and a device kind:
//  - A kind registers one DeviceKindHandler, naming the stage of the fixed pass order in
//    which it runs. Its records live in the device list of its kind (device_lists.h).
//  - setup(): for each of its records, requests every matrix entry it will ever stamp
//    with AllocMatrixEntry (row, column), in a fixed order. Nothing is kept in the record:
//    the engine keeps the element pointers on the element trail.
//  - load(): for each record, in the same order, stamps exactly those entries with
//    StampNext (and adds its right-hand-side terms to RightHandSide). No look-up happens.
//  - number_branches(), when the kind has branch-current equations: gives each record its
//    equation numbers from the running counter, in the kind's place of the numbering order.
// A load that stamps fewer or more entries than its set-up requested is a fault of that
// kind (debug builds assert on it). The engine puts the cursor at the start of every
// kind's own stretch of the trail, so one kind's fault never shifts the stamps of the
// kinds after it, and a kind that is not loaded in a pass is stepped over.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/engine/sparse_matrix.h"

namespace ob7 {

// The stages of both passes, in pass order.
enum class LoadStage : int {
    Diodes,
    LossyLines,
    DependentSources,
    PolySources,
    LaplaceSources,      // loaded only once the set-up is done
    FreqTableSources,    // loaded only once the set-up is done
    FunctionSources,
    SampleHolds,
    TableSources,
    Bjts,                // the load-abort flag is tested after this stage
    Opamps,
    Mosfets,             // levels 1 to 3
    MosfetsLevel45,
    Bsim3Mosfets,        // level 8
    Jfets,
    Gaasfets,
    TLines,
    Sources,             // sine, pulse, SPICE, user, line ports, D/A converters
    DtoAInterfaces,
    Resistors,
    VSwitches,
    ISwitches,
    Switches,
    Inductors,           // with their couplings and cores
    Capacitors,
    AtoDInterfaces,
};

// Order in which kinds number their branch equations (after the nodes and inductors).
enum class BranchRank : int {
    None = 0,
    SineSources = 1,
    PulseSources,
    UserSources,
    SpiceVoltageSources,
    LinearDependentSources,
    PolySources,
    FunctionSources,
    SampleHolds,
    TableSources,
    LaplaceSources,
    LaplaceTableSources,
    LosslessLines,
    LossyLines,
    DacConverters,
};

struct DeviceKindHandler {
    LoadStage stage;
    int order_in_stage;          // kinds sharing a stage run in ascending order
    int (*setup)();              // 0 or a message code (15002); null: no matrix entries
    int (*load)();               // 0 or a message code; null: nothing to load
    BranchRank branch_rank = BranchRank::None;
    // Numbers the kind's branch equations from next_equation; returns the next free one.
    int (*number_branches)(int next_equation) = nullptr;
    // Resistors, capacitors and inductors: keeps each record's value as its nominal value
    // before stepping or Monte Carlo change it.
    void (*save_nominal_values)() = nullptr;
};

// Adds a device kind to both passes; registering the same handler again does nothing.
void RegisterDeviceKind(const DeviceKindHandler* handler);

// The element trail: the element pointers requested by the set-up pass, in order,
// with each kind's stretch of it.
struct MatrixElementTrail {
    std::vector<MatrixElement*> elements;
    struct Stretch {
        const DeviceKindHandler* handler;  // null for the initial-condition ties
        std::size_t begin, end;
    };
    std::vector<Stretch> stretches;
};

// A saved (matrix, trail) pair: one for the operating point, one for transient and AC.
struct MatrixSlot {
    SparseMatrix* matrix = nullptr;
    MatrixElementTrail trail;
};
extern MatrixSlot OperatingPointSlot;
extern MatrixSlot TransientSlot;

extern SparseMatrix* CurrentMatrix;
extern MatrixElementTrail* CurrentTrail;
extern MatrixElement** TrailCursor;  // next element to stamp

// Entries requested in a ground row or column are all the matrix's one discard element,
// which nothing reads. Every grounded device adding into that one element would chain
// its stamps through memory, each add waiting on the one before, so the trail points such
// entries at a ring of sinks instead: consecutive ground stamps land on different sinks.
// Nothing reads the sinks either; stamping them needs no test.
inline constexpr int kGroundSinkCount = 16;
extern MatrixElement GroundSinks[kGroundSinkCount];

// Stamp helpers of the load routines: each consumes the element under the cursor.
inline void StampNext(double value) { (*TrailCursor++)->real += value; }
// Stamps the values in order, one trail element each. A value of exactly 0 leaves its
// element as it is (a cleared element is +0, and adding values never makes -0), so it is
// skipped: devices whose internal and external terminals coincide stamp one element many
// times over, mostly with zeros, and each add would wait on the one before.
template <std::size_t N>
inline void StampValues(const double (&values)[N]) {
    MatrixElement* const* cursor = TrailCursor;
    for (std::size_t k = 0; k < N; ++k)
        if (values[k] != 0.0) cursor[k]->real += values[k];
    TrailCursor += N;
}
inline void StampNextComplex(double real, double imag) {
    MatrixElement* e = *TrailCursor++;
    e->real += real;
    e->imag += imag;
}
// The four entries of a conductance between a and b, requested in this order:
// (a, b), (b, a), (a, a), (b, b).
int AllocConductanceEntries(int a, int b);
inline void StampConductance(double g) {
    StampNext(-g);
    StampNext(-g);
    StampNext(g);
    StampNext(g);
}

// --- Initial conditions and node sets -------------------------------------------------
struct InitialCondition {
    char letter = 'V';          // V node voltage (between two nodes), I inductor current,
                                // D digital node state
    double value = 0;
    uint16_t digital_state = 0; // D
    int inductor_number = 0;    // I: the inductor's branch index (equation NodeCount + it)
    int node1 = 0, node2 = 0;
    int statement = 1;          // 1 .IC, 2 .NODESET
};
extern std::vector<InitialCondition> InitialConditionTable;
extern int HasNodeSets;
extern int HasInitialConditions;

// --- Passes ---------------------------------------------------------------------------
// Prepares an analysis on the given slot: tolerances, equation numbering, matrix, the
// set-up pass with a first load and the MNA preorder. 0 or a message code.
int InitSimulationState(bool clear_vectors, MatrixSlot& slot);
// The load flags (LoadFlags) of the present analysis and initialisation modes; every
// load pass starts with them.
void DeriveLoadFlags();
int LoadCircuit();
int SetupMatrix();
int AllocMatrixEntry(int row, int column);
void ClearCircuitMatrix(bool keep_matrix);
void LoadInitialConditions();
void ApplyInitialConditions();
void DestroyMatrixAndTrail(MatrixSlot& slot);
void ReleaseEngineMatrices();
// Ends the analysis: empties the device lists, destroys both matrices and frees the
// run vectors and charge states.
void FreeSimulationState();

// Equation numbering: nodes, then one equation per inductor, then the branches of the
// registered kinds by rank. Returns the equation count.
int NumberBranchEquations();
// The count of real values a solution holds: doubled for AC.
int GetEquationCount();

// Every registered kind keeps its values as the nominal ones.
void SaveNominalRLCValues();

// --- Digital side -------------------------------------------------------------------------
// What the digital simulator lends the analog passes; unset members are skipped.
struct DigitalCoupling {
    int (*settle_states)() = nullptr;        // settles the digital states at the operating point
    int (*update_events)() = nullptr;        // load pass at the operating point
    // Applies the digital events due now; *changed tells whether any output moved.
    int (*apply_events_now)(bool* changed) = nullptr;
    void (*save_accepted_states)() = nullptr;  // the node states of an accepted point
    // Sets a digital node's present state and both of its copies (initial conditions).
    void (*force_node_state)(int node, uint16_t state) = nullptr;
};
extern DigitalCoupling Digital;
extern int DigitalPhase;       // 1: events are due at this point; 2: handed over
extern int DigitalSettle;      // the driver asks the no-analog path to settle states
extern double LastAcceptedTime;

// What the compiler, the transient driver and the device models lend the start and the
// end of an analysis; unset members are skipped.
struct RunStateHooks {
    int (*setup_breakpoints)() = nullptr;   // when an analysis starts with cleared vectors
    void (*free_model_lists)() = nullptr;   // the circuit's per-model-type lists
    // Takes the final values into the circuit's node table (solution by equation number,
    // null when there is none) and clears the compiled circuit.
    void (*return_final_values)(const double* solution, int size) = nullptr;
    void (*free_run_buffers)() = nullptr;   // lossy-line buffers, digital stimulus data
};
extern RunStateHooks RunState;

}  // namespace ob7
