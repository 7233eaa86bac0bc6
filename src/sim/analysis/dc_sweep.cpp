#include "sim/analysis/dc_sweep.h"

#include <algorithm>
#include <cmath>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/analysis/animate.h"
#include "sim/analysis/point_sink.h"
#include "sim/analysis/simulation_data_file.h"
#include "sim/analysis/transient.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/integration.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/newton.h"
#include "sim/engine/operating_point.h"
#include "sim/engine/run_control.h"
#include "sim/engine/run_helpers.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr int kMaxReductions = 10;

int CheckLogRange(const SweepVariable& v) {
    if (v.from == 0 || v.to == 0) return kMsgLogZero;
    if ((v.from < 0) != (v.to < 0)) return kMsgLogSameSign;
    if (!(v.step > 0) || v.step == 1.0) return kMsgLogBadStep;
    return 0;
}

// The step points from "from" towards "to" and is no larger than the range.
void NormaliseLinearStep(SweepVariable& v) {
    const double range = v.to - v.from;
    double step = std::fabs(v.step);
    if (range != 0 && step > std::fabs(range)) step = std::fabs(range);
    v.step = range < 0 ? -step : step;
}

int ApplySweepValue(const SweepVariable& v) {
    if (!v.target) return 0;
    *v.target = v.value;
    if (!v.temperature) return 0;
    Run.temp = v.value;
    int result = UpdateModelTemperatures(v.value);
    if (!result) result = UpdateDeviceTemperatures(v.value);
    return result;
}

}  // namespace

void PrepareSweepStep(SweepVariable& v, int index) {
    if (v.method == SweepMethod::List || v.method == SweepMethod::None) return;
    if (v.step == 0) {
        if (v.method == SweepMethod::Log) v.step = v.from != 0 ? std::pow(v.to / v.from, 0.1) : 0;
        else v.step = (v.to - v.from) * (index == 0 ? 0.02 : 0.1);
    }
    if (v.method == SweepMethod::Linear) NormaliseLinearStep(v);
    v.current_step = v.step;
}

int CountSweepPoints(const SweepVariable& v) {
    switch (v.method) {
    case SweepMethod::Auto: return 1;
    case SweepMethod::Linear:
        return v.current_step == 0 ? 1 : static_cast<int>(std::ceil(std::fabs((v.to - v.from) / v.current_step))) + 1;
    case SweepMethod::Log:
        return v.current_step > 0 ? static_cast<int>(std::floor(std::log(v.to / v.from) / std::log(v.current_step))) + 2
                                  : 1;
    case SweepMethod::List: return static_cast<int>(v.list.size());
    case SweepMethod::None: return 1;
    }
    return 1;
}

void StartSweepValue(SweepVariable& v) {
    v.position = 0;
    switch (v.method) {
    case SweepMethod::Auto:
        v.current_step = v.step * 0.01;
        v.value = v.from - v.current_step;
        break;
    case SweepMethod::Linear: v.value = v.from - v.current_step; break;
    case SweepMethod::Log: v.value = v.from / v.current_step; break;
    case SweepMethod::List:
        v.current_step = v.step;
        v.value = v.from;
        break;
    case SweepMethod::None: break;
    }
}

void AdvanceSweepValue(SweepVariable& v) {
    switch (v.method) {
    case SweepMethod::Auto:
    case SweepMethod::Linear: v.value += v.current_step; break;
    case SweepMethod::Log: v.value *= v.current_step; break;
    case SweepMethod::List:
        if (v.position < static_cast<int>(v.list.size())) v.value = v.list[v.position];
        break;
    case SweepMethod::None: break;
    }
}

void ClampSweepValue(SweepVariable& v) {
    if (v.method == SweepMethod::List || v.method == SweepMethod::None) return;
    if (v.to > v.from) v.value = std::min(v.value, v.to);
    else v.value = std::max(v.value, v.to);
}

bool IsSweepMore(const SweepVariable& v) {
    const bool near = std::max(std::fabs(v.value), std::fabs(v.to)) != 0 &&
                      std::fabs(v.value - v.to) <= v.step * 0.0001;
    switch (v.method) {
    case SweepMethod::Auto:
    case SweepMethod::Linear:
        return v.to > v.from ? v.value < v.to && !near : v.value > v.to && !near;
    case SweepMethod::Log: {
        const double c = std::fabs(v.value / v.to);
        return std::fabs(v.to) > std::fabs(v.from) ? c < 1 && !near : c > 1 && !near;
    }
    case SweepMethod::List: return v.position < static_cast<int>(v.list.size());
    case SweepMethod::None: return false;
    }
    return true;
}

int RunDcSweep(DcSweepSettings& settings, PointSink& sink) {
    SweepVariable& v1 = settings.variable1;
    SweepVariable& v2 = settings.variable2;
    RunControl.pending_key = 0;
    RunControl.abort = 0;
    ResetDigitalSnapshot();
    AnalysisKind = 2;
    Run.analysis_kind = 2;
    Run.temp = settings.temperature;
    Run.time = 0;
    for (SweepVariable* v : {&v1, &v2}) {
        if (v->method == SweepMethod::List) {
            if (v->list.empty()) {
                ReportMessage("E", kMsgMissingParameter);
                return kMsgReported;
            }
            v->from = v->list.front();
            v->to = v->list.back();
        }
    }
    if (v2.method == SweepMethod::None) {
        v2.to = v2.from = 0;
        v2.target = nullptr;
        v2.current_step = 1.0;
    }
    PrepareSweepStep(v1, 0);
    PrepareSweepStep(v2, 1);
    for (SweepVariable* v : {&v1, &v2}) {
        if (v->method != SweepMethod::Log) continue;
        if (int error = CheckLogRange(*v)) {
            ReportMessage("E", error);
            return kMsgReported;
        }
    }
    Run.dc_start = v1.from;
    Run.dc_end = v1.to;
    int result = UpdateModelTemperatures(settings.temperature);
    if (!result) result = UpdateDeviceTemperatures(settings.temperature);
    if (result) return result;

    // The convolution sources hold no operating point of an earlier run.
    ResetSampledSourceHistory(0);
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeDcSweep;
    // The sweep solves operating points: no device holds back a change of its voltages'
    // sign for an iteration, which a sweep's single-iteration convergence would accept.
    OperatingPointPhase = 1;
    UseInitialConditions = 0;
    IntegrationOrder = 1;
    Ag0 = Ag1 = 0;
    MatrixSetUp = 0;
    if ((result = InitSimulationState(true, OperatingPointSlot)) != 0) return result;
    MatrixSetUp = 1;
    ShowPrompt("Running DC Analysis.");
    if (settings.data_file && settings.data_file->open && settings.data_file->option == RunOption::Retrieve)
        return ReplaySimulationDataFile(*settings.data_file, sink);

    const double max_change = settings.max_change_percent * 0.01;
    StartSweepValue(v2);
    bool aborted = false;
    do {
        if (v2.method != SweepMethod::None) {
            AdvanceSweepValue(v2);
            ClampSweepValue(v2);
            if ((result = ApplySweepValue(v2)) != 0) break;
        }
        if ((v1.method == SweepMethod::Auto || v1.method == SweepMethod::Linear) && v1.from > v1.to)
            v1.current_step = -std::fabs(v1.current_step);
        StartSweepValue(v1);
        const double min_step = std::fabs(v1.current_step) * 1e-9;
        InitMode = kInitJunction;
        if ((result = PrepareTransientState()) != 0) break;
        const double present = v1.current_step != 0 ? v1.current_step : 1.0;
        std::fill(StepHistory, StepHistory + kMaxGearOrder + 1, present);

        int accepted = 0, reductions = 0;
        double previous_y = 0;
        bool retry = false;
        do {
            const double previous_value = v1.value;
            AdvanceSweepValue(v1);
            ClampSweepValue(v1);
            Run.dc_input = v1.value;
            if ((result = ApplySweepValue(v1)) != 0) break;
            if ((result = EvaluateSources()) != 0) break;
            if (InitMode != kInitJunction) InitMode = kInitPredict;
            if (StepHistory[1] == 0) StepHistory[1] = StepHistory[0];
            PredictorRatio = StepHistory[0] / StepHistory[1];
            NonConvergence.entries.clear();
            int point = NewtonSolve(nullptr, Options.itl2, Options.gmin);
            TotalIterations += IterationCount;
            if (point == kMsgIterationLimit) {
                InitMode = kInitJunction;
                point = SourceStepping(nullptr, Options.itl2);
            }
            if (point == kMsgStopped) {
                aborted = true;
                break;
            }
            const bool failed = point == kMsgIterationLimit;
            if (point && !failed) {
                result = point;
                break;
            }
            retry = false;
            double y = 0, span = 0;
            if (!failed && v1.method == SweepMethod::Auto && accepted >= 2 && sink.CurveValue(&y, &span)) {
                double dy = y - previous_y;
                if (std::fabs(dy) < 1e-20) dy = v1.current_step < 0 ? -1e-20 : 1e-20;
                const double r = std::fabs(max_change * std::fabs(span) / dy + 1e-20);
                const double factor = std::clamp(r, 0.01, 2.0);
                if (r < 0.8 && reductions < kMaxReductions && std::fabs(v1.current_step) >= min_step) {
                    ++reductions;
                    v1.value = previous_value;
                    Solution = LastAcceptedSolution;
                    PreviousIterate = LastAcceptedSolution;
                    double step = v1.current_step * factor;
                    if (std::fabs(step) < min_step) step = step < 0 ? -min_step : min_step;
                    v1.current_step = step;
                    retry = true;
                } else if (r > 1.2 && accepted > 2) {
                    double step = v1.current_step * factor;
                    if (std::fabs(step) > std::fabs(v1.step)) step = step < 0 ? -std::fabs(v1.step) : std::fabs(v1.step);
                    v1.current_step = step;
                }
            }
            if (!retry) {
                reductions = 0;
                SaveAcceptedPoint();
                ShiftMosfetVoltageHistory();
                if (!failed) {
                    if ((result = sink.AcceptPoint(v1.value)) != 0) break;
                    if (settings.data_file &&
                        (result = WriteDataFilePoint(*settings.data_file, v1.value, Solution.data())) != 0)
                        break;
                    AnimateWait();
                    ++accepted;
                    previous_y = y;
                }
                for (int k = kMaxGearOrder; k >= 1; --k) StepHistory[k] = StepHistory[k - 1];
                StepHistory[0] = v1.current_step != 0 ? v1.current_step : 1.0;
                ++v1.position;
            }
            if (PollRunKeys(nullptr, 6) == 27) {
                aborted = true;
                break;
            }
        } while (retry || IsSweepMore(v1));
        if (result || aborted) break;
        ++v2.position;
    } while (IsSweepMore(v2));
    if (settings.data_file && !result) result = WriteDataRecordIfSaving(*settings.data_file);
    if (!result && (aborted || RunControl.pending_key == 27)) result = kMsgStopped;
    return result;
}

}  // namespace ob7
