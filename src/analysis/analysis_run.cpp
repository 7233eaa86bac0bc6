#include "analysis/analysis_run.h"

#include <cmath>

#include "analysis/curve_rows.h"
#include "analysis/dsp.h"
#include "analysis/user_source_file.h"
#include "expression/math_error.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/time_stamp.h"
#include "netlist/model_values.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/digital/timing_checks.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/run_control.h"
#include "sim/engine/run_helpers.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr int kLimitFieldKind = 1;  // ReportRunError's field kind for a limit text
constexpr double kTemperatureLimit = 1e4;
constexpr int kAcKind = 1, kDcKind = 2;
constexpr int kOptionOperatingPoint = 0x40;
// The "Number of Points" field of each analysis kind.
constexpr int kPointCountField[3] = {2, 1, 4};

// The run whose step variables the device loads ask about (one analysis runs at a time).
const AnalysisRun* SteppingRun = nullptr;

bool IsSteppedTarget(const double* value) {
    if (!SteppingRun || !SteppingRun->steppingOn) return false;
    for (const StepVariable& v : SteppingRun->steps.variables)
        if (v.active && v.target == value) return true;
    return false;
}

}  // namespace

int TemperatureLimitField(int kind) {
    switch (kind) {
    case 0: return 3;
    case 1: return 2;
    case 2: return 5;
    default: return -1;
    }
}

// Hands the driver's points to the plot: evaluate, store, and poll for the user's stop.
class AnalysisRun::CaseSink : public PointSink {
public:
    explicit CaseSink(AnalysisRun& run) : run_(run) {}
    int AcceptPoint(double x) override {
        AnalysisPlot& plot = run_.plot;
        // A second DC sweep value opens a run of its own.
        if (run_.secondSweepValue && points_ > 0 && *run_.secondSweepValue != lastSecond_) run_.BeginStoreRun();
        // The case's run was opened before the driver set its second sweep value.
        if (run_.secondSweepValue && points_ == 0 && plot.runs.runCount > 0)
            plot.runs.records[plot.runs.runCount - 1].secondSweepValue = *run_.secondSweepValue;
        if (points_ == 0) {
            // The engine holds the case's operating point now.
            if (run_.kind != kDcKind)
                run_.numericOutput.WriteNumericOutput(run_.WritesOperatingPoint(), run_.current_.runIndex);
            if (run_.WritesOperatingPoint()) run_.KeepDeviceValues(false);
            if (run_.operatingPoint) run_.operatingPoint(run_.current_);
        }
        if (run_.secondSweepValue) lastSecond_ = *run_.secondSweepValue;
        ++points_;
        plot.pointSweep = x;
        if (int code = plot.EvaluateRunPoint()) return code;
        plot.StoreRunPoint(x);
        if (run_.pointStored) run_.pointStored();
        if (run_.pollAbort && run_.pollAbort()) run_.abortKey = true;
        return run_.IsRunAborted() ? kMsgRunStoppedByUser : 0;
    }
    bool CurveValue(double* y, double* y_span) override {
        AnalysisPlot& plot = run_.plot;
        if (plot.curves.empty()) return false;
        const AnalysisCurve& c = plot.curves[0];
        *y = c.plotted[kAxisY];
        const double span = c.autoScale[kAxisY] ? c.dataHigh[kAxisY] - c.dataLow[kAxisY]
                                                : c.rangeHigh[kAxisY] - c.rangeLow[kAxisY];
        *y_span = std::fabs(span);
        return *y_span > 0;
    }

private:
    AnalysisRun& run_;
    int points_ = 0;
    double lastSecond_ = 0;
};

AnalysisRun::AnalysisRun(int k, AnalysisSetup& s, ExpressionContext* context)
    : kind(k), setup(s), numericOutput(k, s, plot) {
    plot.analysisKind = k;
    plot.context = context;
}

AnalysisRun::~AnalysisRun() = default;

int AnalysisRun::RunAnalysisCore() {
    const double started = GetSeconds();
    SetDefaultCurves(kind, setup, defaultNodes);
    int result = BeginAnalysisRun();
    if (!result) result = ReadTemperatureList();
    if (!result) {
        const int temperatures = temperatureIsList
                                     ? static_cast<int>(temperatureList.size())
                                     : TemperatureCount(temperatureLow, temperatureHigh, temperatureStep);
        plot.analysisFlags = setup.options;  // "Auto Scale Ranges" reaches the curves' ranges
        result = plot.BuildGraphs(setup.rows, true, RunCapacityFor(caseTotal, temperatures, false, 1));
        if (!result) result = PrepareDspWindow();
        if (result) {
            stopRequest = true;
            result = kMsgRunStopped;
        }
    }
    if (!result) result = PrepareRunWindows();
    // While the cases run, device loads leave the stepped values alone.
    SteppingRun = this;
    ValueIsStepped = IsSteppedTarget;
    while (!result) {
        NextTemperature();
        caseCounter = 0;
        if (steppingOn) result = StepFirstCase(steps);
        if (!result) {
            bool active = false;
            result = CheckMonteCarloOptions(monteCarlo, caseTotal, steppingOn, firstTemperature_, &active);
            setup.monteCarloFlags = monteCarlo.flags;  // switched off beside stepping
            monteCarloActive = active;
            if (!result && active && !sampler_) {
                sampler_ = std::make_unique<MonteCarloSampler>(monteCarlo.Distribution(), toleranceDeviations,
                                                               monteCarloSeed);
                result = sampler_->Prepare();
            }
        }
        if (!result) result = RunCases();
        if (steppingOn) RestoreStepValues(steps);
        RestoreModelValues();
        firstTemperature_ = false;
        if (result || IsRunAborted() || !HasMoreTemperatures()) break;
    }
    ValueIsStepped = nullptr;
    SteppingRun = nullptr;
    if (result && result != kMsgRunStoppedByUser) plot.PlotNewPoints();
    result = EndAnalysisRun(result);
    runSeconds = GetSeconds() - started;
    return result;
}

int AnalysisRun::BeginAnalysisRun() {
    runInProgress = true;
    stopRequest = false;
    RunControl.error_shown = 0;
    // Curve expressions compile for this analysis (node values of AC are complex).
    AnalysisKind = kind;
    Run.analysis_kind = kind;
    abortKey = false;
    firstTemperature_ = true;
    runCounter = 0;
    sampler_.reset();
    plot.ClearPlotData();
    SaveModelValues();
    monteCarlo.flags = setup.monteCarloFlags;
    std::snprintf(monteCarlo.runs, sizeof monteCarlo.runs, "%s",
                  setup.monteCarloRuns.empty() ? "10" : setup.monteCarloRuns.c_str());
    monteCarlo.reportWhen = setup.monteCarloPerformance;
    if (int code = BuildStepCases()) {
        stopRequest = true;
        return code;
    }
    if (!steppingOn) {
        caseTotal = ValidateMonteCarloRuns(monteCarlo);
        setup.monteCarloRuns = monteCarlo.runs;
    }
    OpenNumericOutput();
    return 0;
}

void AnalysisRun::OpenNumericOutput() {
    numericOutputFailed_ = false;
    if (numericOutputPath.empty()) return;
    if (int code = numericOutput.Open(numericOutputPath)) {
        // The run goes on without its report; the failure is told once.
        numericOutputFailed_ = true;
        SetPendingMessageText(numericOutputPath.c_str());
        ReportMessage("E", code);
    }
}

int AnalysisRun::LoadImports() {
    ImportCase at;
    at.temperature = currentTemperature;
    at.analysis_kind = kind;
    if (kind == kDcKind) {
        at.dc_variable1 = setup.limits[3];
        at.dc_variable2 = setup.limits[1];
        at.has_variable2 = setup.sweep[1] != 0 && !setup.limits[1].empty();
        at.dc_value2 = secondSweepValue ? *secondSweepValue : 0.0;
    }
    at.run_number = caseCounter;
    at.own_numeric_output = numericOutputPath;
    ReadUserSourceWaveform = ReadUserSourceImport;
    SetUserSourceImportMainX(UserSourceMainXName(kind, setup.limits[3]));
    if (kind == 0) {
        // Bare old waveform files are spread over the transient's time range.
        double tmax = 0.0, tmin = 0.0;
        int count = 0;
        if (ParseLimitNumbers(setup.limits[0].c_str(), &tmax, &tmin, nullptr, &count) == 0)
            SetUserSourceTimeRange(tmin, tmax);
    }
    if (int code = plot.LoadImports(at)) {
        stopRequest = true;
        return code;
    }
    return 0;
}

int AnalysisRun::PrepareDspWindow() {
    DspWindow& w = plot.dspWindow;
    w = DspWindow{};
    if (!plot.HasDspCurves() || kind == kDcKind) return 0;
    // Without DSP parameters the window is the stop time, or the frequency span.
    double high = 0, low = 0;
    int count = 0;
    if (ParseLimitNumbers(setup.limits[0].c_str(), &high, &low, nullptr, &count) == 0)
        w.span = kind == kAcKind ? high - (count > 1 ? low : 0.0) : high;
    if (!dsp.status[kind]) return 0;
    w.on = true;
    w.points = CheckDspPointCount(dsp.points[kind].c_str());
    if (!w.points) {
        if (dspPointsRefused) dspPointsRefused();
        return kMsgRunStopped;
    }
    int code = 0;
    w.upper = EvalNumberOrExpression(dsp.max[kind].c_str(), &code);
    if (!code && kind == 0 && !dsp.min[kind].empty()) w.lower = EvalNumberOrExpression(dsp.min[kind].c_str(), &code);
    if (code) {
        ReportMessage("EM", code, "Dialog", "DSP Parameter");
        return kMsgRunStopped;
    }
    return 0;
}

bool AnalysisRun::WritesOperatingPoint() const {
    return numericOutput.IsOpen() && (kind == kAcKind || (kind != kDcKind && (setup.options & kOptionOperatingPoint)));
}

void AnalysisRun::KeepDeviceValues(bool keep) {
    // The device tables print the currents and powers that the loads keep only when asked:
    // while a case solves its operating point, not during the rest of it.
    if (keep) SetDeviceListFlags(1);
    else MaskDeviceListFlags(0);
}

void AnalysisRun::WriteCaseTables(const RunCase& c) {
    if (!numericOutput.IsOpen()) return;
    numericOutput.WriteCaseText(DigitalWarningText);
    DigitalWarningText.clear();
    int code = 0;
    const int points = LimitCount(setup.limits[kPointCountField[kind]].c_str(), &code);
    // A DC sweep with a second variable ends one inner sweep per run of the case.
    for (int r = c.runIndex; r < plot.runs.runCount; ++r) {
        if (kind == kDcKind) numericOutput.WriteNumericOutput(false, r);
        numericOutput.WriteNumericTables(points, r);
    }
}

int AnalysisRun::BuildStepCases() {
    steps = StepSetFromSetup(setup);
    steppingOn = false;
    caseTotal = 1;
    for (int i = 0; i < kStepVariables; ++i) {
        StepVariable& v = steps.variables[i];
        if (!(v.settings & kStepBitOn) || v.name.empty()) continue;
        int code = 0;
        if (!v.IsSymbolic()) code = resolveStepVariable ? resolveStepVariable(v) : kMsgRunStopped;
        if (!code) code = PrepareStepValues(v);
        if (code) {
            ReportMessage("E", code, FormatStepVariableName(v, true).c_str());
            if (steppingError) steppingError(i);
            return kMsgRunStopped;
        }
        if (v.IsSymbolic()) v.recompileAlways = true;
        v.active = true;
    }
    int failed = -1;
    if (int code = CountStepCases(steps, &caseTotal, &failed)) {
        ReportMessage("E", code, failed >= 0 ? FormatStepVariableName(steps.variables[failed], true).c_str() : "");
        if (steppingError) steppingError(std::max(failed, 0));
        return kMsgRunStopped;
    }
    for (const StepVariable& v : steps.variables) steppingOn = steppingOn || v.active;
    caseTotal = std::max(caseTotal, 1);
    return 0;
}

int AnalysisRun::ReadTemperatureList() {
    const int field = TemperatureLimitField(kind);
    const std::string text = field >= 0 ? setup.limits[field] : std::string();
    temperatureIsList = setup.temperatureList != 0;
    temperatureList.clear();
    if (temperatureIsList) {
        int error = 0;
        temperatureList = ParseNumberArray(text.c_str(), &error);
        if (error || temperatureList.empty()) {
            ReportRunError(kLimitFieldKind, field, -1, text.c_str(), error ? error : kMsgRunIllegalTemperature);
            return kMsgRunStopped;
        }
    } else {
        double high = 27, low = 0, step = 0;
        int count = 0;
        if (!text.empty()) {
            if (int code = ParseLimitNumbers(text.c_str(), &high, &low, &step, &count)) {
                ReportRunError(kLimitFieldKind, field, -1, text.c_str(), code);
                return kMsgRunStopped;
            }
        } else {
            count = 1;
        }
        if (count < 2) low = high;
        if (high < low) high = low;
        if (!(step > 0)) step = high - low;
        temperatureHigh = high, temperatureLow = low, temperatureStep = step;
    }
    if (kind == 0) {
        auto bad = [](double t) { return !(t >= -kTemperatureLimit && t <= kTemperatureLimit); };
        bool illegal = bad(temperatureHigh) || bad(temperatureLow);
        if (temperatureIsList)
            for (double t : temperatureList) illegal = illegal || bad(t);
        if (illegal) {
            ReportRunError(kLimitFieldKind, field, -1, text.c_str(), kMsgRunIllegalTemperature);
            return kMsgRunStopped;
        }
    }
    return 0;
}

bool AnalysisRun::HasMoreTemperatures() const {
    if (temperatureIsList) return temperatureIndex < temperatureList.size();
    return std::fabs(currentTemperature - temperatureHigh) >= 0.001;
}

void AnalysisRun::NextTemperature() {
    if (temperatureIsList) {
        currentTemperature = temperatureList[std::min(temperatureIndex, temperatureList.size() - 1)];
        ++temperatureIndex;
    } else {
        currentTemperature = std::min(currentTemperature + temperatureStep, temperatureHigh);
    }
}

int AnalysisRun::PrepareRunWindows() {
    if (temperatureIsList) {
        temperatureIndex = 0;
        moreThanOneTemperature = temperatureList.size() > 1;
    } else {
        currentTemperature = temperatureLow - temperatureStep;
        moreThanOneTemperature = std::fabs(currentTemperature - temperatureHigh) >= 0.001;
    }
    plot.evaluationCounter = -1;
    plot.ResetPointStore();
    RestoreModelValues();
    ResetMathError();
    return 0;
}

void AnalysisRun::SaveModelValues() {
    // The working model values as compiled: every case starts from them.
    savedModelValues_.clear();
    for (int t = 0; t < ModelTypeCount; ++t)
        for (ModelParams* m : CircuitModels[t]) {
            std::vector<double> values(m->values.Size());
            for (int k = 0; k < m->values.Size(); ++k) values[k] = m->values[k].real;
            savedModelValues_.push_back(std::move(values));
        }
}

void AnalysisRun::RestoreModelValues() {
    size_t i = 0;
    for (int t = 0; t < ModelTypeCount; ++t) {
        for (ModelParams* m : CircuitModels[t]) {
            if (i >= savedModelValues_.size()) return;
            const std::vector<double>& v = savedModelValues_[i++];
            for (int k = 0; k < m->values.Size() && k < static_cast<int>(v.size()); ++k) m->values[k].real = v[k];
        }
    }
}

int AnalysisRun::ApplyMonteCarloTolerances() {
    if (!sampler_) return 0;
    sampler_->DrawSharedNumbers();
    if (!monteCarloActive) return 0;
    for (int t = 0; t < ModelTypeCount; ++t) sampler_->SampleModelRecords(CircuitModels[t]);
    return 0;
}

int AnalysisRun::RecompileForCase() {
    if (!recompile) return kMsgRunStopped;
    if (int code = recompile(steps)) return code;
    // The new circuit's records: stepped targets and the saved model values follow them.
    for (StepVariable& v : steps.variables) {
        if (!v.active || v.IsSymbolic()) continue;
        if (int code = resolveStepVariable ? resolveStepVariable(v) : kMsgRunStopped) return code;
        AdvanceStepVariable(v, kStepReapply, false);
    }
    SaveModelValues();
    return 0;
}

int AnalysisRun::BeginRunCase() {
    ++caseCounter;
    RestoreModelValues();
    if (steppingOn) {
        bool compile = false;
        if (int code = StepApplyCase(steps, &compile)) return code;
        for (StepVariable& v : steps.variables)
            if (v.active && v.recompileNow) {
                v.recompileNow = false;
                compile = true;
            }
        if (compile)
            if (int code = RecompileForCase()) return code;
    }
    if (int code = ApplyMonteCarloTolerances()) return code;
    return 0;
}

void AnalysisRun::BeginStoreRun() {
    RunStartValues values;
    values.caseNumber = caseCounter;
    values.temperature = currentTemperature;
    double stepValues[kStepVariables] = {};
    std::int32_t listIndices[kStepVariables] = {};
    for (int i = 0; i < kStepVariables; ++i) {
        stepValues[i] = steps.variables[i].applied;
        listIndices[i] = steps.variables[i].appliedListPosition;
    }
    values.stepValues = stepValues;
    values.stepListIndices = listIndices;
    values.secondSweepValue = secondSweepValue ? *secondSweepValue : 0.0;
    plot.BeginRun(values);
    ++runCounter;
}

int AnalysisRun::RunCases() {
    int result = 0;
    while (caseCounter < caseTotal) {
        if ((result = BeginRunCase())) break;
        Run.temp = currentTemperature;
        BeginStoreRun();
        if ((result = LoadImports())) break;
        if (WritesOperatingPoint()) KeepDeviceValues(true);
        RunCase c;
        c.caseNumber = caseCounter;
        c.runIndex = plot.runs.runCount - 1;
        c.temperature = currentTemperature;
        c.firstCaseOfRun = runCounter == 1;
        current_ = c;
        numericOutput.monteCarloOn = monteCarloActive;
        if (beginCase) beginCase(c);
        CaseSink sink(*this);
        result = solveCase ? solveCase(c, sink) : kMsgRunStopped;
        plot.PlotNewPoints();
        WriteCaseTables(c);
        if (endCase) endCase(c);
        if (result || IsRunAborted()) break;
    }
    // Esc seen by the drivers' own polling.
    if (result == kMsgRunStoppedByUser) abortKey = true;
    return result;
}

int AnalysisRun::EndAnalysisRun(int result) {
    if (!result) result = CheckMathError();
    if (result == kMsgRunOutOfMemory || stopRequest) plot.ClearPlotData();
    if (result == kMsgRunStoppedByUser || (abortKey && !result)) {
        // The user's stop is silent and keeps what was computed.
        result = kMsgRunStoppedByUser;
    } else if (result && result != kMsgRunStopped) {
        ReportMessage("E", result);
        result = kMsgRunStopped;
    }
    if (stopRequest) result = kMsgRunStopped;
    if (numericOutput.IsOpen()) {
        if (WritesOperatingPoint()) KeepDeviceValues(false);
        numericOutput.WriteTemperatureWarnings();
        if (int code = numericOutput.Close(); code && !numericOutputFailed_) {
            numericOutputFailed_ = true;
            SetPendingMessageText(numericOutputPath.c_str());
            ReportMessage("E", code);
        }
    }
    runInProgress = false;
    plot.resultsAvailable = true;
    if (kind == 0) ReportDigitalWarningCount(timedNotice);
    return result;
}

}  // namespace ob7
