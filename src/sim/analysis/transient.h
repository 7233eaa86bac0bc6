#pragma once
// The transient analysis: the limits of a run, the operating-point phase with its
// fall-backs, and the time loop that steps from TMIN to TMAX on the breakpoints of the
// sources with truncation-error step control, handing every accepted point to a sink.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/analysis/time_breakpoints.h"

namespace ob7 {

class PointSink;
struct SimulationDataFile;

// A ".TR" entry: the maximum step that holds up to a time.
struct MaxStepEntry {
    double time = 0, max_step = 0;
};

// The limits and run flags of one transient run.
struct TransientSettings {
    double tmax = 0;                 // "Time Range" TMAX[,TMIN]
    double tmin = 0;
    double max_step = 0;             // "Maximum Time Step"; 0: 2% of the range
    int points = 51;                 // "Number of Points" (at least 5)
    std::vector<MaxStepEntry> max_step_table;  // ".TR", times ascending
    double temperature = 27;         // degrees C
    bool operating_point = true;     // solve the operating point first
    bool operating_point_only = false;
    bool gmin_stepping = false;      // the "Gmin Stepping" preference
    bool convergence_assist = false; // the "Convergence Assist" preference
    // The run option's file, opened by the caller: Save writes every accepted point,
    // Retrieve replays the file instead of solving. Null: a Normal run.
    SimulationDataFile* data_file = nullptr;
    // The run owner's breakpoints (imported digital waveforms, the curves' STP/IMPULSE).
    BreakpointProducers breakpoints;
};

// The time state of the run the loop keeps (the present time is Run.time, the step
// history and order those of the integration).
struct TransientTimeState {
    double tmax = 0, tmin = 0, range = 0;
    double max_step = 0, min_step = 0, first_step = 0;
    double convolution_step_limit = 0;
    std::vector<MaxStepEntry> max_step_table;
    int points = 0;
    double print_step = 0;
    uint32_t present_tick = 0;
    double step_before_cut = 0;
    bool stop_digital = false;  // the step was cut to end on digital events
    double last_accepted_time = 0;
    int steps = 0;         // steps of the transient phase, rejected ones included
    int rejected = 0;
    long iterations = 0;   // Newton iterations of the transient phase
    int failure = 0;       // a convergence failure was seen
    int step_too_small = 0;
    int assist_attempts = 0;
    int assist_level = 0;
    bool operating_point = true;
    bool operating_point_only = false;
    bool gmin_stepping = false;
    bool convergence_assist = false;
    SimulationDataFile* data_file = nullptr;

    int AcceptedPoints() const { return steps - rejected; }
};
extern TransientTimeState Transient;

// Message codes of the transient run.
enum : int {
    kMsgTminWithDigital = 13540,     // "%ETmin must be 0 when using digital components."
    kMsgIllegalTemperature = 13541,  // "%EIllegal temperature."
    kMsgStepTooSmall = 13542,      // "%EInternal time step too small in transient analysis."
    kMsgIllegalTimeRange = 13545,  // "%EIllegal time range."
    kMsgManyTimeSteps = 13546,     // "%WThe time range and maximum time step ... Do you wish to continue?"
};

// Whether a run of 10,000,000 steps or more asks first; cleared by the question's "Don't
// warn me anymore." box.
extern int WarnAboutManySteps;

// One transient run of the compiled circuit (device lists filled, node count set):
// limits, temperatures, breakpoints, operating point, time loop. Returns 0 (also when the
// user declines a run of too many steps), 15055 after a reported error, 15056 when
// stopped by Esc (the points so far were handed to the sink), or an engine code.
int RunTransientAnalysis(const TransientSettings& settings, PointSink& sink);

// The loop in the phase the solver modes give: the operating point (analysis mode 1)
// or the time stepping (analysis mode 2).
int TransientTimeLoop(PointSink& sink);

// The operating point of the compiled circuit at the present time with every fall-back
// (source stepping, then GMIN stepping when allowed); a failure to converge is reported
// ("%EFailed to converge in specified number of iterations at time=%g.") and gives
// 15055. On success one more load records the devices' small-signal values.
int SolveCircuitOperatingPoint(bool gmin_stepping);

// The operating point alone, as the operating-point-only transient run solves it (the
// transfer function and sensitivity solve theirs so): temperatures, matrix, solve.
// Leaves the solution in Solution. 0, 15055 after a report, or an engine code.
int RunOperatingPointOnly(double temperature, bool gmin_stepping = false);

// Clears the circuit state for a new run: vectors, charge states, step history.
int InitTransientState();
// InitTransientState, then the initial conditions.
int PrepareTransientState();

// Raises the solver options by the Convergence Assist attempt count.
void ConvergenceAssistAdjust();

}  // namespace ob7
