#pragma once
// A text circuit (a SPICE deck) opened as a hidden document: its text kept as the page,
// read for one analysis at a time, compiled into the device lists and run through the
// run cycle with the analysis' engine driver. The batch runner uses it; so do tests.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "analysis/analysis_run.h"
#include "circuit/analysis_setup.h"
#include "netlist/compiler/circuit_compiler.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/dc_sweep.h"
#include "sim/analysis/simulation_data_file.h"

namespace ob7 {

struct NetlistCircuit;
class StringTextPage;
class CircuitExpressionContext;

// The limit texts, flags and curve rows a read gave one analysis, in the document's form.
AnalysisSetup AnalysisSetupFromNetlist(const NetlistCircuit& circuit, int kind);

// Entering the AC analysis: the stored operating point and AC matrix are forgotten, and a
// set-up without AC flags takes the default word (120).
void OpenAcAnalysis(AnalysisSetup& setup);

class TextCircuitAnalysis {
public:
    TextCircuitAnalysis();
    ~TextCircuitAnalysis();
    TextCircuitAnalysis(const TextCircuitAnalysis&) = delete;
    TextCircuitAnalysis& operator=(const TextCircuitAnalysis&) = delete;

    // Reads the file's text. 0, or the message code after its report.
    int Open(const std::string& path);
    // Takes the circuit's text as it is, under the file name given.
    void OpenText(const std::string& path, std::string text);
    const std::string& Path() const { return path_; }
    bool IsOpen() const { return !path_.empty(); }
    // Frees the compiled circuit, the run and the text.
    void Close();

    // Reads the circuit for the analysis (0 transient, 1 AC, 2 DC), compiles it and runs
    // the analysis. 0, 15055 after a reported failure, 15056 when stopped.
    int RunAnalysis(int kind);
    // Reads and compiles the circuit for the analysis without running it; Setup() then
    // holds the deck's limits and curves. 0, or 15055 after the reported failure.
    int Compile(int kind);
    // Set when a window's dialog edits Setup(): the runs keep it instead of the deck's.
    bool keepSetup = false;
    // The DSP parameters the runs use (off until a window's dialog sets them).
    DspSettings dsp;
    // The preferences every compile of the circuit reads (the program sets them).
    CompileSettings compileSettings;
    // The command line's data request of a batch run: 2 /S, 1 /R, 8 neither; 0 outside
    // batch runs. It becomes the set-up's run option (bits 8-9 of its flags: Normal,
    // Save, Retrieve) before each run. Save writes every accepted point into the
    // simulation data file beside the circuit, Retrieve replays that file instead of
    // solving (a file that does not fit the circuit is reported and the run saves anew).
    int commandLineDataMode = 0;

    // Reads and compiles the circuit for the analysis without running it, then calls
    // `use` with the circuit's options in force (the transfer-function and sensitivity
    // calculations solve their own operating points). These compiles, and those `use`
    // makes, are small-signal requests: without the voltage-loop and DC-path checks.
    // 0, 15055 after a reported failure, or what `use` returns.
    int WithCompiledCircuit(int kind, const std::function<int()>& use);

    // Inside `use` of WithCompiledCircuit: compiles the circuit again, the symbols named
    // (upper case) taking the values given and every other define its value of the
    // first compile. The circuit, its devices and models are new records afterwards.
    // 0, or 15055 after the reported failure.
    int CompileWithDefines(int kind, const std::map<std::string, double>& values);

    // Set before RunAnalysis: called with the run once its hooks are in place, so that
    // the caller can add its own (numeric output, the stop poll).
    std::function<void(AnalysisRun& run)> prepareRun;

    // After RunAnalysis: the circuit as read and compiled, the set-up and the run. Valid
    // until the next RunAnalysis or Close.
    NetlistCircuit* Circuit() { return circuit_.get(); }
    // What curve expressions compile against in the compiled circuit.
    CircuitExpressionContext* Context() { return context_.get(); }
    const CompileResult& Compiled() const { return compiled_; }
    AnalysisSetup& Setup() { return setup_; }
    AnalysisRun* LastRun() { return run_.get(); }
    // Gives a step variable (name, param, component or model settings) its target in
    // the compiled circuit. 0, or the message code when there is none.
    int ResolveStepTarget(StepVariable& v);
    // Counters of the last run, for the batch log.
    long Iterations() const { return iterations_; }
    long RejectedSteps() const { return rejected_; }
    long AcceptedPoints() const { return accepted_; }

private:
    int ReadAndCompile(int kind, bool recompile);
    int Recompile(int kind, const StepSet& steps);
    int SolveCase(int kind, const RunCase& c, PointSink& sink);
    int PrepareNoise(AcSettings& s);
    void ApplyCommandLineDataMode();
    RunOption RunOptionOfSetup() const;
    int OpenDataFile(int kind, int checkValue);
    int ResolveSweepVariable(const std::string& name, int field, SweepVariable& v);
    void FreeCircuit();
    int CompileAndUse(int kind, bool smallSignal, const std::function<int()>& use);

    std::string path_, text_;
    class Services;
    std::unique_ptr<Services> services_;
    std::unique_ptr<StringTextPage> page_;
    std::unique_ptr<NetlistCircuit> circuit_;
    std::unique_ptr<CircuitExpressionContext> context_;
    CompileResult compiled_;
    AnalysisSetup setup_;
    std::unique_ptr<AnalysisRun> run_;
    DcSweepSettings sweep_;
    SimulationDataFile dataFile_;
    long iterations_ = 0, rejected_ = 0, accepted_ = 0, transientIterations_ = 0;
    bool smallSignal_ = false;  // inside WithCompiledCircuit
};

}  // namespace ob7
