#pragma once
// The circuit compiler: a read circuit (its parts, nodes, models and defines) becomes the
// engine's device lists and the circuit's model lists, after the connectivity checks.

#include "netlist/compiler/value_templates.h"
#include "netlist/netlist_circuit.h"

namespace ob7 {

// The preferences the compile reads.
struct CompileSettings {
    bool floatingNodesCheck = false;  // "Floating Nodes Check": a node with one connection
    bool dcPathCheck = true;          // "DC Path to Ground Check"
    bool addDcPath = false;           // "Add DC Path to Ground": 1/GMIN resistors, a warning
    // The preference behind that warning's "Don't warn me anymore." box: 1 warns, 0 not
    // (the box clears it). Null: the warning is always shown, without the box.
    int* addDcPathWarning = nullptr;
    bool smallSignalRequest = false;  // a transfer-function or sensitivity run: no loop checks
    bool skipInductorLoops = false;   // the circuit's ".SKIP_L_LOOP": inductors may close loops
    bool inertialCancellation = true; // "Inertial Cancellation": a digital output change
                                      // cancels the same driver's pending events
    // An AC analysis started by the user (not a batch, a demo or a running case): warn when
    // no source carries an AC signal.
    bool warnZeroAcSources = false;
};

// What a successful compile leaves for the analysis.
struct CompileResult {
    int nodeCount = 0;      // circuit nodes plus the internal nodes of series resistances
    int circuitNodes = 0;   // nodes 1..N of the netlist
};

// Compiles the read circuit into the device lists. 0, or 15055 after the error was
// reported with its part and place (ErrorSource); the lists are then empty again.
// The devices and the circuit's model lists point into the circuit's parts and model
// records: clear them (ClearCompiledDevices) before the circuit goes.
int CompileCircuit(NetlistCircuit& circuit, const CompileSettings& settings, CompileResult* result);

// Writes the values the transmission lines' own texts give into their model records
// again: before every run, after stepping and tolerances changed the models. 0, or
// 15055 after reporting a lossless line whose values no longer give a delay.
int ApplyTransmissionLineValues(NetlistCircuit& circuit);

// The values the own text of the transmission line compiled for part `part` (an index into
// the circuit's parts) gives, by TRN parameter: Z0, TD, F, NL, R, L, G, C, LEN; `model` the
// line's model values. Writing one (given) before a run makes the re-apply use it.
struct LineOwnValues {
    GivenValue* values = nullptr;
    double* model = nullptr;
    bool lossless = false;
};
// False when the part compiled no transmission line.
bool FindLineOwnValues(int part, LineOwnValues* out);

// Frees the device lists and the circuit's model lists of the last compile.
void ClearCompiledDevices();

// Sets up the engine for the compiled circuit (options of the circuit, model and device
// temperature passes at the nominal temperature, equations and matrix) and solves the
// DC operating point. 0 or a message code.
int SolveCompiledOperatingPoint(const CompileResult& compiled, double temperature = 27.0);

}  // namespace ob7
