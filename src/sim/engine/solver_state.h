#pragma once
// Module-level state of the analog engine: the modes every device load reads, the run
// vectors, and the run values that expressions and drivers share. One analysis runs at
// a time, on the user-interface thread, so plain globals serve.

#include <cstdint>
#include <vector>

#include "expression/run_values.h"

namespace ob7 {

// -1 none, 0 transient, 1 AC, 2 DC, 3 dynamic DC, 4 transfer function, 5 sensitivity.
extern int32_t AnalysisKind;

// Newton initialisation modes.
enum InitModeValue : int {
    kInitFloat = 1,
    kInitJunction = 2,
    kInitFix = 3,
    kInitSmallSignal = 4,
    kInitTransient = 5,
    kInitPredict = 6,
};

// Analysis modes (AnalysisMode) and sub-modes (AnalysisSubMode).
enum : int { kModeDc = 1, kModeTransient = 2, kModeTransientPhase = 3 };
enum : int { kSubModeOperatingPoint = 1, kSubModeTransient = 2, kSubModeDcSweep = 3 };

// --- SolverModes ---------------------------------------------------------------
extern int AnalysisMode;          // 1 operating point or DC, 2 transient point, 3 phase, else AC
extern int AnalysisSubMode;       // 2 transient analysis, 3 DC sweep
extern int InitMode;              // InitModeValue
extern int OperatingPointPhase;   // 1 while an operating point is being solved
extern int MatrixSetUp;           // 0 makes the next load pass run the set-up pass first
extern int UseInitialConditions;  // UIC
extern int LoadFlags[8];          // [1]..[7]: the load flags derived by each load pass
extern int NonConvergedCount;     // raised by every failed convergence test
extern int IterationCount;        // iterations of the current Newton call
extern int IterationLimitReached; // the last Newton call ran out of iterations
// Set by NewtonSolve for the whole solve: junction loads may then reuse their kept
// linearisation when their voltages and predicted currents have not moved. Clear when
// the solve starts at a predicted point, or, outside the operating point, when the
// previous solve took fewer than 2 iterations; 0 until a solve sets it.
extern int BypassAllowed;
extern int SuppressPrompt;        // source stepping shows its own prompts
extern int NoAnalogNodes;         // the circuit has no analog nodes
extern int AcNeedsOperatingPoint; // the AC run solves an operating point as well
extern int LoadAbort;             // a device load has reported its own error
extern double SourceFactor;       // independent sources are scaled by it (source stepping)
extern double PredictorRatio;     // present step / previous step, 1 without a previous step
extern long TotalIterations;      // Newton iterations of all attempts of a run
extern int OperatingPointSolved;  // an operating point of this run has been solved
extern int AcOperatingPointSolved;

// Circuit size: nodes are equations 1..NodeCount, branch currents follow.
extern int NodeCount;
extern int EquationCount;

// --- SolverVectors (index 0 is ground) ----------------------------------------
extern std::vector<double> Solution;
extern std::vector<double> RightHandSide;
extern std::vector<double> PreviousIterate;
extern std::vector<double> LastAcceptedSolution;
extern std::vector<double> EarlierAcceptedSolution;
extern std::vector<double> BackupSolution;  // last good point of source stepping

// Sizes the run vectors for the present equation count (complex storage for AC).
void AllocateRunVectors();
void FreeRunVectors();

// --- Run values ------------------------------------------------------------------
// The run values that expressions read (time, GMIN, the power totals PGT, PDT, PST ...).
extern RunValues Run;
extern double MaxTimeStep;      // the maximum step of the run
extern double SweepStep;        // step shared by the transient and DC sweep drivers
extern double TimeUnit;
extern double DigitalTimeScale;
extern double AtoDMinimum;      // minimised by the A/D interface loads over a pass

// Working tolerances set at the start of an analysis for the device models.
extern double WorkRelTol, WorkAbsTol, WorkVnTol;
extern double BypassTolerance;  // RELTOL * 0.001 (MOSFET loads)
extern double CoreRelTol;       // RELTOL * 0.001 (magnetic cores)
extern double CoreTolerance;    // 0.08 * 2^(log10 RELTOL)

}  // namespace ob7
