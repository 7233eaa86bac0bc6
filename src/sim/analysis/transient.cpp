#include "sim/analysis/transient.h"

#include <algorithm>
#include <cmath>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/analysis/animate.h"
#include "sim/analysis/point_sink.h"
#include "sim/analysis/simulation_data_file.h"
#include "sim/analysis/time_breakpoints.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/magnetic_core.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/sampled_sources.h"
#include "sim/devices/table_source.h"
#include "sim/devices/temperature_update.h"
#include "sim/devices/time_breakpoints.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/tline.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/digital_time_loop.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/integration.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/newton.h"
#include "sim/engine/operating_point.h"
#include "sim/engine/run_control.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

TransientTimeState Transient;
int WarnAboutManySteps = 1;

namespace {

constexpr int kHistoryEntries = kMaxGearOrder + 1;

// Set at a run's start and by Convergence Assist; the next full state preparation
// clears it.
int FirstInitialisation = 0;

// Laplace or frequency-table sources: their convolution asks for a bounded step and
// order 2 after the first step.
bool HasConvolutionSources() {
    return DeviceListTable[kLaplaceSourceList].count || DeviceListTable[kLaplaceTableSourceList].count;
}

// A device's breakpoint request lands on the tick nearest to its time.
int RequestBreakpointAtTime(double t) {
    const double x = std::floor((t - Ticks.origin) / Ticks.tick_length + 0.5);
    return AddTimeBreakpoint(x <= 0 ? 0u : x >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(x));
}

// The samples of the convolution sources' impulse responses: at least 2^(log10(1/RELTOL)
// + 6) and the range over the maximum step, a power of two from 128 to the point limit.
int ConvolutionPointCount(double range, double max_step) {
    constexpr int kPointLimit = 262144;  // the largest FFT of the DSP functions
    const int n0 = static_cast<int>(std::pow(2.0, std::log10(1 / Options.reltol) + 6) + 0.01);
    const double steps = std::min(range / max_step, 2147483647.0);
    int n = std::max(n0, static_cast<int>(std::min(steps, static_cast<double>(kPointLimit))));
    int p = 1;
    while (p < n && p < kPointLimit) p <<= 1;
    return std::clamp(p, 128, kPointLimit);
}

void FillStepHistory(double h) { std::fill(StepHistory, StepHistory + kHistoryEntries, h); }

// A ".TR" table sets the maximum step by the present time; a changed one still keeps to
// half the delay of every lossless line and to the convolution sources' limit.
void UpdateMaxStep() {
    TransientTimeState& T = Transient;
    const auto entry = std::find_if(T.max_step_table.begin(), T.max_step_table.end(),
                                    [](const MaxStepEntry& e) { return e.time >= Run.time; });
    if (entry == T.max_step_table.end() || entry->max_step == T.max_step) return;
    T.max_step = entry->max_step;
    for (auto* line : DevicesOf<TLine>(kLosslessLineList))
        if (line->td > 0) T.max_step = std::min(T.max_step, 0.5 * line->td);
    if (HasConvolutionSources()) T.max_step = std::min(T.max_step, T.convolution_step_limit);
    MaxTimeStep = T.max_step;
}

// The maximum step applies to every step; lossy lines keep it below their delays.
void LimitStep(double& h) {
    UpdateMaxStep();
    h = std::min(h, Transient.max_step);
    LimitLossyLineTimeStep(&h);
}

// Where the next step must end: the head breakpoint or the next digital event. The
// digital event comes first on a tie, so that an analog breakpoint of the same tick is
// still landed on when the events moved nothing analog.
struct StepStop {
    double distance = 0;  // from the present time
    uint32_t tick = 0;
    bool digital = false;
};

bool NextStepStop(StepStop* stop) {
    const TimeBreakpoint* head = HeadBreakpoint();
    double event_time = 0;
    const bool events = NextDigitalEventTime(&event_time);
    if (events && (!head || DigitalTimeTick(event_time) <= head->tick)) {
        *stop = {event_time - Run.time, DigitalTimeTick(event_time), true};
        return true;
    }
    if (!head) return false;
    *stop = {head->tick * Ticks.tick_length - (Run.time - Transient.tmin), head->tick, head->digital != 0};
    return true;
}

// Cuts the step to end on the next stop when it would end within 1% past it.
void AlignStepToBreakpoint(double& h) {
    StepStop stop;
    if (!NextStepStop(&stop)) return;
    const double d = stop.distance;
    LimitStep(h);
    if (1.01 * h > d && d > Transient.min_step) {
        Transient.present_tick = stop.tick;
        Transient.step_before_cut = h;
        Transient.stop_digital = stop.digital;
        AtBreakpoint = 1;
        h = d;
        if (!stop.digital) StepHistory[0] = d;
    }
}



// The reverse of the copies of an accepted point.
void RestorePreviousSolution() {
    Solution = LastAcceptedSolution;
    PreviousIterate = LastAcceptedSolution;
}

// The accepted point becomes the previous one of the next step.
int CommitAcceptedPoint(double proposal) {
    if (NodeCount > 0) {
        SaveAcceptedPoint();
        ShiftChargeHistory();
        if (int error = UpdateTLineHistories()) return error;
        if (int error = AcceptLossyLineStep()) return error;
        AcceptTableSourceStates();
        ShiftMosfetVoltageHistory();
        SaveSampleHoldStates();
    }
    for (int k = kHistoryEntries - 1; k >= 1; --k) StepHistory[k] = StepHistory[k - 1];
    StepHistory[0] = proposal;
    return 0;
}

// The point goes to the sink and, in a Save run, into the data file; the cores keep
// the state of the point.
int AcceptTimePoint(PointSink& sink) {
    if (int error = sink.AcceptPoint(Run.time)) return error;
    const int result = Transient.data_file ? WriteDataFilePoint(*Transient.data_file, Run.time, Solution.data()) : 0;
    SaveRestoreCoreStates(1);
    return result;
}

// A digital change handed to the plot as its own point at its own time (the node states
// are those just after it); such points are always written to a data file.
int AcceptDigitalChangePoint(PointSink& sink, double time) {
    const double now = Run.time;
    const int phase = DigitalPhase;
    Run.time = time;
    DigitalPhase = 1;
    const int result = AcceptTimePoint(sink);
    Run.time = now;
    DigitalPhase = phase;
    return result;
}

// The limit the D-to-A switching puts on the next step.
void LimitStepToDtoASwitching(double& h, double& saved) {
    const DigitalStepAdvice advice = DigitalStepLimits();
    if (h <= advice.max_step) return;
    h = advice.max_step;
    StepHistory[0] = h;
    saved = h;
}

bool AtEnd() {
    const TimeBreakpoint* head = HeadBreakpoint();
    const uint32_t tick = Transient.present_tick;
    const uint32_t gap = kEndTick > tick ? kEndTick - tick : tick - kEndTick;
    return !head || gap <= 1 || tick >= kEndTick - Ticks.start_tick;
}

int PrepareStateAgain() { return PrepareTransientState(); }

bool HasChargeStates() {
    for (int list : {kDiodeList, kGaasfetList, kJfetList, kInductorList, kCapacitorList, kBjtList, kMosfetList})
        if (DeviceListTable[list].count) return true;
    return false;
}

// Entries the present time has passed without landing on them.
void DropPassedBreakpoints() {
    while (const TimeBreakpoint* head = HeadBreakpoint()) {
        if (head->tick * Ticks.tick_length - (Run.time - Transient.tmin) > Transient.min_step) break;
        if (head->tick >= kEndTick) break;
        PopTimeBreakpoint();
    }
}

int SolveOperatingPointPhase(PointSink& sink) {
    Run.time = AnalysisSubMode == kSubModeTransient ? Transient.tmin : 0;
    Transient.present_tick = 0;
    Ag0 = Ag1 = 0;
    if (int error = PreparePwlSources()) return error;
    if (int error = EvaluateSources()) return error;
    InitMode = kInitJunction;
    int result = SolveOperatingPoint(nullptr, Transient.gmin_stepping, PrepareStateAgain);
    if ((result == kMsgIterationLimit || result == kMsgMatrixSingular) && Transient.convergence_assist) {
        ++Transient.assist_attempts;
        if (Transient.assist_attempts <= 2) {
            ConvergenceAssistAdjust();
            return result;
        }
    }
    if (result == kMsgIterationLimit) {
        ReportMessage("E", kMsgIterationLimit, Run.time);
        Transient.failure = 1;
        return kMsgReported;
    }
    if (result) {
        if (result == kMsgMatrixSingular) Transient.failure = 1;
        return result;
    }
    if (OperatingPointPhase) {
        // One more load records every device's operating values (capacitances included).
        InitMode = kInitSmallSignal;
        if ((result = LoadCircuit()) != 0) return result;
    }
    if (Transient.operating_point_only && AnalysisKind == 0) {
        if ((result = AcceptTimePoint(sink)) != 0) return result;
        result = AcceptTimePoint(sink);
    }
    return result;
}

int TimeStepping(PointSink& sink) {
    TransientTimeState& T = Transient;
    // The devices record their values at the operating point as the transient's start
    // (no integration yet).
    AnalysisMode = kModeDc;
    InitMode = kInitSmallSignal;
    const int error = LoadCircuit();
    AnalysisMode = kModeTransient;
    if (error) return error;
    double h = T.max_step;
    InitMode = kInitTransient;
    IntegrationOrder = 1;
    AtBreakpoint = 1;
    LimitStep(h);
    FillStepHistory(h);
    T.steps = 0;
    double saved = h;
    T.step_before_cut = T.max_step;
    T.last_accepted_time = T.tmin;
    T.rejected = 0;
    T.iterations = 0;
    Run.time = T.tmin;
    T.present_tick = 0;

    double proposal = h;
    const bool convolution = HasConvolutionSources();
    bool retrying = false;
    int reject_counter = -1;
    const DigitalChangeSink digital_points = [&sink](int, DigitalState, double time) {
        return AcceptDigitalChangePoint(sink, time);
    };
    for (;;) {
        // Loop head: the point reached is accepted and committed, after the digital
        // changes that led to it, each at its own time.
        const bool at_end = AtEnd();
        if (T.steps > 0 || T.operating_point) {
            if (int error = DigitalAcceptPoint(digital_points)) return error;
            if (int error = AcceptTimePoint(sink)) return error;
        }
        LimitStep(proposal);
        if (int error = CommitAcceptedPoint(proposal)) return error;
        T.last_accepted_time = LastAcceptedTime = Run.time;
        saved = proposal;
        h = proposal;
        if (at_end) return 0;
        if (!AtBreakpoint) DropPassedBreakpoints();

        // Leaving a breakpoint: order 1 and a careful step towards the next one.
        if (AtBreakpoint) {
            IntegrationOrder = 1;
            while (HeadBreakpoint() && HeadBreakpoint()->tick <= T.present_tick) PopTimeBreakpoint();
            if (AtEnd()) return 0;
            StepStop stop;
            if (NextStepStop(&stop) && !stop.digital) {
                const double c = std::min(T.max_step, 0.1 * std::min(T.step_before_cut, stop.distance));
                if (h > c) h = std::max(c, T.min_step);
            }
            if (T.steps == 0) h *= 0.1;
            LimitStep(h);
            StepHistory[0] = h;
            saved = h;
        }
        // The A-to-D interfaces read the accepted point; what they change shows at once.
        if (int error = DigitalBeforeNewton(Run.time, DigitalPhase == 2, digital_points)) return error;
        DigitalPhase = 0;
        if (NodeCount > 0) AnimateWait();
        LimitStepToDtoASwitching(h, saved);
        AlignStepToBreakpoint(h);

        // The step proper; a rejected step comes back here.
        for (;;) {
            if (StepHistory[1] == 0) StepHistory[1] = h;
            PredictorRatio = h / StepHistory[1];
            LimitStep(h);
            if (Run.time + h > T.last_accepted_time + saved) AtBreakpoint = 0;
            if (!retrying) {
                h = saved;
                Run.time = T.last_accepted_time;
                AlignStepToBreakpoint(h);
                StepHistory[0] = h;
            }
            // A step that ends on digital events: Newton applies them, and solves the
            // analog side only when they moved an interface.
            DigitalPhase = AtBreakpoint && T.stop_digital ? 1 : 0;
            Run.time += h;
            Run.time_step = h;
            if (!AtBreakpoint) T.present_tick = TickCeiling(Run.time);
            if (int error = EvaluateSources()) return error;

            ComputeIntegrationCoefficients();
            if (InitMode != kInitTransient) InitMode = kInitPredict;
            const int limit = (T.steps == 0 && !T.operating_point) ? Options.itl1 : Options.itl4;
            const int result = NewtonSolve(nullptr, limit, Options.gmin);
            if (result == kMsgStopped) return result;
            if (result) return result;
            if (DigitalPhase == 1) {
                // Nothing analog moved: no point here. The analog step starts again from
                // the last accepted point; the applied events stay queued for it, so that
                // a rejection of that step undoes them too.
                DigitalPhase = 0;
                Run.time = T.last_accepted_time;
                AtBreakpoint = 0;
                if (retrying) AlignStepToBreakpoint(h);
                continue;
            }
            const double attempted = Run.time;
            proposal = h;

            T.iterations += IterationCount;
            // Every attempt counts, a rejected one too: only the very first is taken
            // without a truncation test, and only it may use ITL1.
            ++T.steps;
            if (T.steps == 1) RepeatLastAccepted();
            if (convolution && T.steps > 1) IntegrationOrder = 2;
            retrying = true;

            bool accept = false;
            if (IterationLimitReached) {
                IntegrationOrder = 1;
                IterationLimitReached = 0;
                Run.time = T.last_accepted_time;
                h *= convolution ? 0.5 : 0.125;
            } else if (T.steps == 1) {
                accept = true;
            } else {
                // An A-to-D input that entered another band lets the step grow beyond twice
                // itself; one that overshot a threshold asks for the step again, shorter, so
                // that the solution lands just past the threshold (the third try is kept).
                const DigitalStepAdvice ad = DigitalStepLimits();
                const double x = ad.crossed && !ad.cut ? TruncationStep() : TruncationStepLimited();
                proposal = std::min({x, CoreStepFactor * h, ad.fraction * h});
                if (0.9 * h > proposal || ad.cut) reject_counter = std::min(reject_counter + 1, 10);
                if ((0.9 * h > proposal && !ad.cut) || (ad.cut && reject_counter <= 1)) {
                    Run.time = T.last_accepted_time;
                    h = proposal;
                } else {
                    accept = true;
                }
            }
            if (accept) {
                reject_counter = -1;
                retrying = false;
                if (IntegrationOrder == 1 && T.steps > 1) {
                    IntegrationOrder = 2;
                    proposal = TruncationStepLimited();
                    if (proposal <= 1.05 * h) IntegrationOrder = 1;
                }
                break;
            }
            // Rejection tail.
            SaveRestoreCoreStates(2);
            RestoreSampleHoldStates();
            DigitalRejectPoint(attempted);
            DigitalPhase = 0;
            ++T.rejected;
            StepHistory[0] = h;
            AtBreakpoint = 0;
            RestorePreviousSolution();
            AlignStepToBreakpoint(h);
            saved = h;
            if (h < T.min_step) {
                Run.time += h;
                T.last_accepted_time = Run.time;
                if (T.convergence_assist && !T.step_too_small) {
                    T.step_too_small = 1;
                    ConvergenceAssistAdjust();
                    return kMsgStepTooSmall;
                }
                ReportMessage("E", kMsgStepTooSmall);
                T.failure = 1;
                return kMsgReported;
            }
        }
    }
}

}  // namespace

int SolveCircuitOperatingPoint(bool gmin_stepping) {
    Ag0 = Ag1 = 0;
    if (int error = PreparePwlSources()) return error;
    if (int error = EvaluateSources()) return error;
    InitMode = kInitJunction;
    int result = SolveOperatingPoint(nullptr, gmin_stepping, PrepareStateAgain);
    if (result == kMsgIterationLimit) {
        ReportMessage("E", kMsgIterationLimit, Run.time);
        return kMsgReported;
    }
    if (result) return result;
    InitMode = kInitSmallSignal;
    const int saved_phase = OperatingPointPhase;
    OperatingPointPhase = 1;
    result = LoadCircuit();
    OperatingPointPhase = saved_phase;
    return result;
}

int RunOperatingPointOnly(double temperature, bool gmin_stepping) {
    AnalysisKind = 0;
    Run.analysis_kind = 0;
    Run.temp = temperature;
    Run.time = 0;
    RunControl.pending_key = 0;
    RunControl.abort = 0;
    int result = UpdateModelTemperatures(temperature);
    if (!result) result = UpdateDeviceTemperatures(temperature);
    if (result) return result;
    MatrixSetUp = 0;
    UseInitialConditions = 0;
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeTransient;
    OperatingPointPhase = 1;
    if ((result = InitSimulationState(true, OperatingPointSlot)) != 0) return result;
    MatrixSetUp = 1;
    if ((result = PrepareTransientState()) != 0) return result;
    return SolveCircuitOperatingPoint(gmin_stepping);
}

int InitTransientState() {
    for (std::vector<double>* v : {&Solution, &LastAcceptedSolution, &EarlierAcceptedSolution, &PreviousIterate})
        std::fill(v->begin(), v->end(), 0.0);
    if (int error = ClearChargeStates()) return error;
    SaveRestoreCoreStates(0);
    FillStepHistory(Transient.first_step);
    InitSampleHolds(FirstInitialisation);
    return 0;
}

int PrepareTransientState() {
    if (int error = InitTransientState()) return error;
    ApplyInitialConditions();
    FirstInitialisation = 0;
    return 0;
}

void ConvergenceAssistAdjust() {
    FirstInitialisation = 1;
    if (Transient.step_too_small) Options.itl4 = 50;
    if (Transient.assist_attempts == 1) {
        Options.itl1 = 500;
        Transient.assist_level = 1;
    } else if (Transient.assist_attempts == 2) {
        Options.pivrel = 1.0;
        Options.itl1 = 250;
        Options.gmin = 1e-9;
        Transient.assist_level = 2;
    }
}

int TransientTimeLoop(PointSink& sink) {
    Transient.failure = 0;
    IntegrationOrder = 1;
    PredictorRatio = 1.0;
    DigitalPhase = 0;
    DigitalSettle = OperatingPointPhase && NoAnalogNodes;
    ClearDigitalChangeQueue();
    int result = AnalysisMode != kModeTransient ? SolveOperatingPointPhase(sink) : TimeStepping(sink);
    if (result != kMsgIterationLimit && result != kMsgMatrixSingular && !Transient.failure)
        NonConvergence.entries.clear();
    return result;
}

int RunTransientAnalysis(const TransientSettings& settings, PointSink& sink) {
    TransientTimeState& T = Transient;
    const int saved_itl1 = Options.itl1;
    const double saved_gmin = Options.gmin, saved_pivrel = Options.pivrel;
    T = {};
    T.operating_point = settings.operating_point || settings.operating_point_only;
    T.operating_point_only = settings.operating_point_only;
    T.gmin_stepping = settings.gmin_stepping;
    T.convergence_assist = settings.convergence_assist;
    T.data_file = settings.data_file;
    RunControl.pending_key = 0;
    RunControl.abort = 0;
    ResetDigitalSnapshot();

    // The digital simulator counts its ticks from time 0.
    if (settings.tmin > 0 && DigitalNet.node_count > 0) {
        ReportMessage("E", kMsgTminWithDigital);
        return kMsgReported;
    }
    if (settings.tmax <= 0 || settings.tmin < 0 || settings.tmin >= settings.tmax) {
        ReportMessage("E", kMsgIllegalTimeRange);
        return kMsgReported;
    }
    if (settings.temperature < -10000 || settings.temperature > 10000) {
        ReportMessage("E", kMsgIllegalTemperature);
        return kMsgReported;
    }
    T.tmax = settings.tmax;
    T.tmin = settings.tmin;
    T.range = T.tmax - T.tmin;
    SetTickTimeBase(T.tmax, T.tmin);
    BeginDigitalRun(T.tmin, T.tmax);
    T.max_step = settings.max_step;
    if (T.max_step == 0) T.max_step = T.range * 0.02;
    T.first_step = T.max_step * 0.5;
    if (T.tmax / T.max_step >= 1e7 && !T.operating_point_only && WarnAboutManySteps) {
        int ask = 1;
        const int answer = ReportMessage("ESC", kMsgManyTimeSteps, kStyleYesNo | kIconQuestion, &ask);
        WarnAboutManySteps = ask;
        if (answer != kButtonYes) return 0;
    }
    T.points = std::max(settings.points, 5);
    T.print_step = T.range / (T.points - 1);
    // The convolution sources sample their impulse responses over twice TMAX.
    SampledSourceCount = ConvolutionPointCount(T.range, T.max_step);
    T.convolution_step_limit = 2 * T.tmax / SampledSourceCount;
    if (HasConvolutionSources()) T.max_step = std::min(T.max_step, T.convolution_step_limit);
    T.max_step_table = settings.max_step_table;
    Run.tmin = T.tmin;
    Run.tmax = T.tmax;
    Run.temp = settings.temperature;
    // Also what gives the Laplace variable its damping while the impulse responses are
    // computed.
    AnalysisKind = 0;
    Run.analysis_kind = 0;
    ResetSampledSourceState();
    RequestTimeBreakpoint = RequestBreakpointAtTime;
    FirstInitialisation = 1;

    int result = UpdateModelTemperatures(settings.temperature);
    if (!result) result = UpdateDeviceTemperatures(settings.temperature);
    if (result) return result;

    for (bool restart = true; restart;) {
        restart = false;
        // Circuits without charges follow the print step; sine sources bound the step.
        if (!HasChargeStates()) T.max_step = std::min(T.max_step, T.print_step);
        T.max_step = std::min(T.max_step, GetSourceMaxTimeStep());
        T.min_step = T.max_step * 1e-18;
        MaxTimeStep = T.max_step;
        Run.time = T.tmin;
        if ((result = CollectTimeBreakpoints(T.tmin, T.tmax, T.print_step, settings.breakpoints)) != 0) break;
        ResetSampledSourceHistory(0);
        IterationLimitReached = 0;

        MatrixSetUp = 0;
        UseInitialConditions = T.operating_point ? 0 : 1;
        AnalysisMode = kModeDc;
        AnalysisSubMode = kSubModeTransient;
        OperatingPointPhase = T.operating_point ? 1 : 0;
        if ((result = InitSimulationState(true, OperatingPointSlot)) != 0) break;
        MatrixSetUp = 1;
        if ((result = PrepareTransientState()) != 0) break;
        if ((result = BeginDigitalCase(true)) != 0) break;
        OperatingPointPhase = T.operating_point ? 1 : 0;
        if (T.data_file && T.data_file->open && T.data_file->option == RunOption::Retrieve) {
            result = ReplaySimulationDataFile(*T.data_file, sink);
            break;
        }

        result = TransientTimeLoop(sink);
        if (result == kMsgIterationLimit || result == kMsgMatrixSingular) {
            if (T.convergence_assist && T.assist_attempts <= 2) {
                DestroyMatrixAndTrail(OperatingPointSlot);
                restart = true;
                continue;
            }
        } else if (result == kMsgStepTooSmall) {
            restart = true;
            continue;
        }
        if (result) break;
        // The lossless lines start their histories from the operating point.
        Run.time_step = 0;
        if ((result = InitTLineHistories(&T.max_step)) != 0) break;
        InitLossyLineHistories();
        MaxTimeStep = T.max_step;
        if (T.operating_point_only) break;

        // The time steps load the operating point's matrix: its structure is the same, and
        // a set-up load of another matrix here would move the devices' kept voltages
        // before the first step takes them as its history.
        OperatingPointPhase = 0;
        MatrixSetUp = 1;
        AnalysisMode = kModeTransient;
        ShowPrompt("Running Transient Analysis.");
        result = TransientTimeLoop(sink);
        ClearTLineHistories();
        FreeLossyLineBuffers();
        if (result == kMsgStepTooSmall) restart = true;
    }
    ClearTLineHistories();
    ResetSampledSourceState();
    RequestTimeBreakpoint = nullptr;
    DigitalPhase = 0;
    if (T.data_file && !result) result = WriteDataRecordIfSaving(*T.data_file);
    if (result && result != kMsgStopped && T.assist_level == 0) {
        Options.itl1 = saved_itl1;
        Options.gmin = saved_gmin;
        Options.pivrel = saved_pivrel;
    }
    if (RunControl.pending_key == 27 || RunControl.abort) result = result ? result : kMsgStopped;
    if (result == kMsgIterationLimit) {
        ReportMessage("E", kMsgIterationLimit, Run.time);
        result = kMsgReported;
    }
    return result;
}

}  // namespace ob7
