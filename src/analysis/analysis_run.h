#pragma once
// The analysis container and its run cycle: one analysis of a circuit with its set-up
// (limits, curve rows, stepping, Monte Carlo), the plot that keeps its results, and the
// run: temperatures outside, stepped or Monte Carlo cases inside, one run of the point
// store per case. The engine driver solves each case and hands its accepted points to
// the cycle; everything around it (curves, stepping, tolerances, recompiles, the stop
// request) happens here. The 2-D analysis window, the batch runner and the tests all
// run analyses through this one class.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/curve_rows.h"
#include "analysis/monte_carlo.h"
#include "analysis/numeric_output.h"
#include "analysis/output_points.h"
#include "analysis/runs.h"
#include "analysis/stepping.h"
#include "circuit/analysis_setup.h"
#include "sim/analysis/point_sink.h"

namespace ob7 {

// Message codes of the run cycle.
enum : int {
    kMsgRunIllegalTemperature = 13541,  // "%EIllegal temperature."
    kMsgRunStopped = 15055,
    kMsgRunStoppedByUser = 15056,
    kMsgRunOutOfMemory = 15002,
};

// The limit field of the temperature of each analysis kind.
int TemperatureLimitField(int kind);

// What the run cycle knows of the case being solved; handed to the hooks.
struct RunCase {
    int caseNumber = 0;        // 1 upward within a temperature
    int runIndex = 0;          // the point store's run of this case
    double temperature = 27.0;
    bool firstCaseOfRun = false;
};

class AnalysisRun {
public:
    // kind: 0 transient, 1 AC, 2 DC. setup: the analysis' set-up, read and updated by the
    // run (default curves, digital Y ranges). context: the circuit the curves read.
    AnalysisRun(int kind, AnalysisSetup& setup, ExpressionContext* context);
    ~AnalysisRun();
    AnalysisRun(const AnalysisRun&) = delete;
    AnalysisRun& operator=(const AnalysisRun&) = delete;

    // --- Hooks the owner sets -----------------------------------------------------------
    // Solves one case at the temperature with the engine driver, handing each accepted
    // point to the sink. 0, 15056 when stopped, or the driver's code. Required.
    std::function<int(const RunCase& c, PointSink& sink)> solveCase;
    // Gives an enabled step variable its target (read, write, needsCompile) in the
    // compiled circuit; called again after every recompile. 0 or a message code. Unset:
    // stepping is off.
    std::function<int(StepVariable& v)> resolveStepVariable;
    // A step variable (index 0-19) is in error and the run stops: interactive owners open
    // the Stepping dialog on it.
    std::function<void(int variable)> steppingError;
    // Compiles the circuit again with the present step values (a Symbolic variable, or
    // a value that only a compile can apply). 0 or a message code.
    std::function<int(const StepSet& steps)> recompile;
    // Called before each case is solved, after the tolerances and step values are
    // applied (the numeric output writes its caption here), and after each case with
    // its points stored (the numeric tables).
    std::function<void(const RunCase& c)> beginCase;
    std::function<void(const RunCase& c)> endCase;
    // Called at the first accepted point of each case, before it is evaluated: the
    // engine then holds the case's operating point (transient, AC) or its first sweep
    // point (DC), and the device records their values there.
    std::function<void(const RunCase& c)> operatingPoint;
    // Called after each output point was stored (a window draws the new segments).
    std::function<void()> pointStored;
    // Polled between points: true stops the run as the user's stop (Esc).
    std::function<bool()> pollAbort;
    // Shows a timed notice at the end of the run (the count of digital warnings). Unset
    // in batch runs, probe runs and demo playback.
    std::function<void(const std::string& text)> timedNotice;
    // Where the numeric output goes (empty: nowhere); the writer's other inputs (header,
    // operating point, warnings) are set on `numericOutput` by the owner.
    std::string numericOutputPath;
    // The node names that rows without a Y expression take (SetDefaultCurves).
    std::vector<DefaultNodeName> defaultNodes;
    // The circuit's DSP parameters (off unless the owner has them).
    DspSettings dsp;
    // Called when the run stops because the DSP point count is refused (a window opens
    // the DSP Parameters dialog again).
    std::function<void()> dspPointsRefused;

    // --- Run entry -------------------------------------------------------------------
    // One whole run: default curves, then BeginAnalysisRun .. EndAnalysisRun. 0, 15055
    // after a reported failure, or 15056 when stopped by the user (the points computed so
    // far stay in the plot).
    int RunAnalysisCore();

    // --- The steps of the cycle, in their order ---------------------------------------
    int BeginAnalysisRun();
    int ReadTemperatureList();
    bool HasMoreTemperatures() const;
    int PrepareRunWindows();
    int BeginRunCase();
    int EndAnalysisRun(int result);
    bool IsRunAborted() const { return stopRequest || abortKey; }
    // Restores the model values saved when the run began.
    void RestoreModelValues();

    // --- State ------------------------------------------------------------------------
    const int kind;
    AnalysisSetup& setup;
    AnalysisPlot plot;
    NumericOutputWriter numericOutput;
    StepSet steps;
    MonteCarloSettings monteCarlo;
    std::uint64_t monteCarloSeed = 1;
    double toleranceDeviations = kDefaultToleranceDeviations;
    bool runInProgress = false;
    bool stopRequest = false;
    bool abortKey = false;           // the user's stop (Esc) seen by the key poll
    bool steppingOn = false;         // any variable enabled and resolved
    bool monteCarloActive = false;
    int caseTotal = 1;               // cases of one temperature
    int caseCounter = 0;
    int runCounter = 0;              // runs begun in this analysis run
    // Temperatures.
    bool temperatureIsList = false;
    std::vector<double> temperatureList;
    size_t temperatureIndex = 0;
    double temperatureHigh = 27, temperatureLow = 27, temperatureStep = 0;
    double currentTemperature = 27;
    bool moreThanOneTemperature = false;
    // The DC sweep's second variable, read into each run record.
    const double* secondSweepValue = nullptr;
    double runSeconds = 0;

private:
    class CaseSink;
    RunCase current_;
    int BuildStepCases();
    void SaveModelValues();
    int ApplyMonteCarloTolerances();
    int RecompileForCase();
    int RunCases();
    void BeginStoreRun();
    void NextTemperature();
    void OpenNumericOutput();
    bool WritesOperatingPoint() const;
    void KeepDeviceValues(bool keep);
    int LoadImports();
    int PrepareDspWindow();
    void WriteCaseTables(const RunCase& c);
    bool numericOutputFailed_ = false;
    std::unique_ptr<MonteCarloSampler> sampler_;
    std::vector<std::vector<double>> savedModelValues_;
    bool firstTemperature_ = true;
};

}  // namespace ob7
