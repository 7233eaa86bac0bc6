#include "sim/analysis/ac_analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/analysis/animate.h"
#include "sim/analysis/point_sink.h"
#include "sim/analysis/simulation_data_file.h"
#include "sim/analysis/transient.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/newton.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/run_control.h"
#include "sim/engine/run_helpers.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "sim/engine/sparse_matrix.h"

namespace ob7 {

AcFrequencyState AcFrequencies;
AcRunState AcRun;

void ResetAcAnalysisState() { AcRun = {}; }

namespace {

int ReportLimitError(int message) {
    ReportMessage("E", message);
    return kMsgReported;
}

// Both engine matrices go, the run state is forgotten.
void AbandonAcRun() {
    AcRun.operating_point_valid = 0;
    ReleaseEngineMatrices();
    AcMatrix = nullptr;
    AcTrail = nullptr;
    FreeNoiseTables();
}

// The step control of "Auto" by the curve's movement on its graph, then the hand-over.
int AcceptAcPoint(AcFrequencyState& s, PointSink& sink, SimulationDataFile* file) {
    s.rejected = 0;
    double x = 0, y = 0, height = 0;
    const bool control = s.method == AcStepMethod::Auto && s.first_point && sink.CurvePixels(&x, &y, &height);
    double angle = 0;
    if (control) {
        const double dy = y - s.last_y_pixel;
        const double change = height > 0 ? std::fabs(dy) / height : 0;
        double dx = x - s.last_x_pixel;
        if (dx == 0) dx = 1.0;
        angle = 58 * std::atan(dy / dx);
        if (std::fabs(angle) < 0.01) angle = 0;
        angle = std::fabs(angle);
        const double angle_change = std::fabs(angle - s.last_angle) / 90;
        if (change < s.doubling_threshold || angle_change < s.doubling_threshold || s.accepted_counter < 0) {
            s.auto_step *= 2;
            s.halvings = 0;
        } else if (change > s.max_change && angle_change > s.max_change) {
            if (++s.halvings > 20) {
                s.halvings = 0;
            } else if (s.auto_step / (s.f + 1e-6) > 1e-10) {
                s.f = s.previous;
                s.auto_step *= 0.5;
                s.rejected = 1;
                return PollRunKeys(nullptr, 6) == 27 ? kMsgStopped : 0;
            }
        } else {
            s.halvings = 0;
        }
    }
    ++s.accepted_counter;
    if (int error = sink.AcceptPoint(s.f)) return error;
    if (file)
        if (int error = WriteDataFilePoint(*file, s.f, AcSolution.data())) return error;
    AnimateWait();
    s.last_x_pixel = x;
    s.last_y_pixel = y;
    s.last_angle = angle;
    s.previous2 = s.previous;
    s.previous = s.f;
    Run.prev_frequency2 = s.previous2;
    Run.prev_frequency = s.previous;
    s.first_point = 1;
    return PollRunKeys(nullptr, 6) == 27 ? kMsgStopped : 0;
}

// The operating point, through the operating-point phase of the time loop.
int SolveAcOperatingPoint(const AcSettings& settings) {
    AbandonAcRun();
    AcOperatingPointSolved = 0;
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeOperatingPoint;
    OperatingPointPhase = 1;
    MatrixSetUp = 0;
    Run.time = 0;
    if (int error = InitSimulationState(true, OperatingPointSlot)) return error;
    MatrixSetUp = 1;
    if (int error = PrepareTransientState()) return error;
    const int result = SolveCircuitOperatingPoint(settings.gmin_stepping);
    OperatingPointPhase = 0;
    AcOperatingPointSolved = result == 0;
    return result;
}

// The AC matrix: created, filled once at omega = 1000 to record its elements, preordered.
int BuildAcMatrix() {
    EquationCount = NumberBranchEquations();
    AllocateAcVectors();
    if (EquationCount <= 0) return 0;
    if (int error = CreateCircuitMatrix(&TransientSlot.matrix, Options.pivrel, Options.pivtol)) return error;
    AcMatrix = TransientSlot.matrix;
    AcTrail = &TransientSlot.trail;
    AcOmega = 1000.0;
    AcFirstLoad = 1;
    const int error = AcLoad();
    AcFirstLoad = 0;
    if (error) return error;
    return PreorderCircuitMatrix(AcMatrix);
}

// Load and solve at the present frequency, iterated while expressions of AC quantities
// take part.
int SolveAcPoint() {
    // A circuit without equations (every node ground) has nothing to solve.
    if (EquationCount <= 0) return 0;
    const int count = 2 * EquationCount;
    for (int iteration = 1; iteration <= Options.itl4; ++iteration) {
        if (int error = AcLoad()) return error;
        if (int error = FactorComplexLU(AcMatrix)) return error;
        SolveMatrix(AcMatrix, AcRightHandSide.data(), AcSolution.data());
        AcSolution[0] = AcSolution[1] = 0;
        if (DeviceMarkUnion)
            if (int error = ComputeAcBranchCurrents()) return error;
        if (!AcIterationNeeded) return 0;
        NonConvergedCount = 0;
        bool converged = true;
        for (int n = 1; n <= count && converged; ++n) {
            if (IsNotConverged(AcSolution[n + 1], AcPreviousIterate[n + 1])) {
                RecordNonConvergentNode((n + 1) / 2, AcPreviousIterate[n + 1]);
                converged = false;
            }
        }
        if (converged) return 0;
        AcPreviousIterate = AcSolution;
    }
    return NonConvergedCount ? kMsgIterationLimit : 0;
}

}  // namespace

int CheckNoiseCurves(const std::vector<std::pair<uint32_t, uint32_t>>& curve_masks, int* reports) {
    constexpr uint32_t kNoise = 0x8000;
    int noise = 0;
    bool noise_seen = false, other_seen = false;
    *reports = 0;
    for (const auto& curve : curve_masks) {
        for (uint32_t mask : {curve.first, curve.second}) {
            mask &= 0xB7F7FFFFu;
            mask &= ~0x2000000u;
            if (mask == kNoise) {
                noise_seen = true;
                noise = 1;
            } else {
                if (mask & kNoise) {
                    noise_seen = true;
                    noise = 1;
                    mask &= ~kNoise;
                }
                // Time, S, frequency variables and imported curves go with noise.
                if (mask != 0x800 && mask != 0x1000 && mask != 0x2000 && mask != 0x1000000) other_seen = true;
            }
            if (noise_seen && other_seen) {
                ReportMessage("E", kMsgNoiseWithOthers);
                ++*reports;
                break;  // at most once a curve
            }
        }
    }
    return noise;
}

int ReadAcFrequencyLimits(const AcSettings& settings, AcFrequencyState& s) {
    s.point_index = 0;
    s.method = settings.method;
    int error = 0;
    std::vector<double> numbers = ParseNumberArray(settings.frequency_range.c_str(), &error);
    if (error) return error;
    if (s.method == AcStepMethod::List) {
        s.list = numbers;
        std::sort(s.list.begin(), s.list.end());
        if (s.list.empty()) return ReportLimitError(kMsgMissingParameter);
        s.high = s.list.back();
        s.low = s.list.front();
        s.points = static_cast<int>(s.list.size());
        return 0;
    }
    if (numbers.empty()) return ReportLimitError(kMsgMissingParameter);
    s.high = numbers[0];
    s.low = numbers.size() > 1 ? numbers[1] : 0;
    if (s.method == AcStepMethod::Log && numbers.size() > 1 && (s.low == 0 || s.high == 0))
        return ReportLimitError(kMsgLogLimitsZero);
    if (numbers.size() > 1) {
        s.points = std::max(settings.points, 5);
    } else {
        s.points = 1;
        s.low = s.high;
        s.method = AcStepMethod::Auto;
    }
    if (s.low < 0 || s.high >= 1e30) return ReportLimitError(kMsgFrequencyLimits);
    return 0;
}

int PrepareAcFrequencySteps(const AcSettings& settings, AcFrequencyState& s) {
    s.tolerance = s.high * 1e-10;
    if (s.method != AcStepMethod::List && s.high < s.low) return ReportLimitError(kMsgFrequencyLimits);
    s.range = s.high - s.low;
    s.max_change = settings.max_change_percent * 0.01;
    if (!(s.max_change > 0)) s.max_change = 1.0;
    s.doubling_threshold = 0.4 * s.max_change;
    switch (s.method) {
    case AcStepMethod::Auto:
        s.first_auto_step = s.max_change * (s.range != 0 ? s.range : s.high);
        if (s.low > 0) s.first_auto_step = std::min(s.first_auto_step, 0.1 * s.low);
        break;
    case AcStepMethod::Linear:
        s.linear_step = s.points > 1 ? (s.high - s.low) / (s.points - 1) : 0;
        break;
    case AcStepMethod::Log:
        s.log_ratio = s.low != 0 && s.points > 1 ? std::pow(s.high / s.low, 1.0 / (s.points - 1)) : 1.0;
        break;
    case AcStepMethod::List:
        break;
    }
    return 0;
}

void StartAcFrequencies(AcFrequencyState& s) {
    s.auto_step = s.first_auto_step;
    s.accepted_counter = -2;
    s.halvings = 0;
    s.previous = 0;
    s.last_x_pixel = 0;
    s.first_point = 0;
    s.previous2 = s.previous;
    switch (s.method) {
    case AcStepMethod::Auto: s.previous = s.low - s.auto_step; break;
    case AcStepMethod::Linear: s.previous = s.low - s.linear_step; break;
    case AcStepMethod::Log: s.previous = s.log_ratio > 0 ? s.low / s.log_ratio : 0; break;
    case AcStepMethod::List: s.previous = s.list.empty() ? 0 : s.list.front(); break;
    }
}

void NextAcFrequency(AcFrequencyState& s) {
    switch (s.method) {
    case AcStepMethod::Auto: s.f = s.previous + s.auto_step; break;
    case AcStepMethod::Linear: s.f = s.previous + s.linear_step; break;
    case AcStepMethod::Log: s.f = s.previous * s.log_ratio; break;
    case AcStepMethod::List: s.f = s.list[s.point_index]; break;
    }
    if (s.method != AcStepMethod::List) s.f = std::min(s.f, s.high);
    SetAcFrequency(s.f);
}

bool HasMoreAcPoints(const AcFrequencyState& s) {
    if (s.method == AcStepMethod::List) return s.point_index < static_cast<int>(s.list.size());
    return std::fabs(s.f - s.high) > s.tolerance;
}

int RunAcAnalysis(const AcSettings& settings, PointSink& sink) {
    AcFrequencyState& s = AcFrequencies;
    s = {};
    RunControl.pending_key = 0;
    RunControl.abort = 0;
    ResetDigitalSnapshot();
    Noise = {};
    Noise.flag = settings.noise ? 1 : 0;
    AnalysisKind = 1;
    Run.analysis_kind = 1;
    Run.temp = settings.temperature;
    Run.time = 0;
    int result = ReadAcFrequencyLimits(settings, s);
    if (!result) result = PrepareAcFrequencySteps(settings, s);
    if (result) return result;
    if (Noise.flag) {
        Noise.output_plus = settings.noise_output_plus;
        Noise.output_minus = settings.noise_output_minus == settings.noise_output_plus ? 0 : settings.noise_output_minus;
        Noise.input_plus = settings.noise_input_plus;
        Noise.input_minus = settings.noise_input_minus == settings.noise_input_plus ? 0 : settings.noise_input_minus;
        Noise.input_magnitude = settings.noise_input_magnitude;
    }
    Run.fmin = s.low;
    Run.fmax = s.high;
    if ((result = UpdateModelTemperatures(settings.temperature)) != 0) return result;
    if ((result = UpdateDeviceTemperatures(settings.temperature)) != 0) return result;

    // The convolution sources hold no operating point of an earlier run.
    ResetSampledSourceHistory(0);
    SetAcFrequency(1e-6);
    if (settings.data_file && settings.data_file->open && settings.data_file->option == RunOption::Retrieve) {
        EquationCount = NumberBranchEquations();
        AllocateAcVectors();
        return ReplaySimulationDataFile(*settings.data_file, sink);
    }
    const bool reuse = AcRun.operating_point_valid && !settings.circuit_changed && TransientSlot.matrix &&
                       std::fabs(settings.temperature - AcRun.last_temperature) <= 0.001 &&
                       AcRun.last_noise_flag == Noise.flag &&
                       (!Noise.flag || (AcRun.last_input_plus == Noise.input_plus &&
                                        AcRun.last_input_minus == Noise.input_minus));
    if (reuse) {
        AcMatrix = TransientSlot.matrix;
        AcTrail = &TransientSlot.trail;
        AcFirstLoad = 0;
        if ((result = AllocNoiseTables()) != 0) {
            AbandonAcRun();
            return result;
        }
    } else {
        if ((result = SolveAcOperatingPoint(settings)) != 0) {
            AbandonAcRun();
            return result;
        }
        if ((result = BuildAcMatrix()) != 0 || (result = AllocNoiseTables()) != 0) {
            AbandonAcRun();
            return result;
        }
        AcRun.operating_point_valid = 1;
        AcRun.last_temperature = settings.temperature;
        AcRun.last_noise_flag = Noise.flag;
        AcRun.last_input_plus = Noise.input_plus;
        AcRun.last_input_minus = Noise.input_minus;
    }
    ShowPrompt("Running AC Analysis.");
    StartAcFrequencies(s);
    do {
        NextAcFrequency(s);
        if ((result = SolveAcPoint()) != 0) {
            if (result != kMsgIterationLimit) AbandonAcRun();
            break;
        }
        if ((result = AssembleNoiseSources(s.f)) != 0) break;
        if ((result = AcceptAcPoint(s, sink, settings.data_file)) != 0) break;
        ++s.point_index;
    } while (HasMoreAcPoints(s));
    if (settings.data_file && !result) result = WriteDataRecordIfSaving(*settings.data_file);
    if (result == kMsgIterationLimit) {
        ReportMessage("E", kMsgOperatingPointFailed);
        result = kMsgReported;
    }
    return result;
}

}  // namespace ob7
