#include "sim/engine/newton.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "expression/math_error.h"
#include "foundation/message_codes.h"
#include "foundation/numbers.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/integration.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/run_accounting.h"
#include "sim/engine/run_control.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "sim/engine/sparse_matrix.h"

namespace ob7 {

NonConvergenceList NonConvergence;
std::string (*NonConvergencePartName)(const void* owning_part) = nullptr;
std::string (*NonConvergenceNodeName)(int node) = nullptr;

namespace {

constexpr int kPollInterval = 6;

bool StopRequested(void* poll_window) {
    PollRunKeys(poll_window, kPollInterval);
    if (RunControl.pending_key == kKeyEscape || RunControl.abort) {
        RunControl.abort = 1;
        return true;
    }
    return false;
}

// The analog iteration of one call. Returns 0 when the point is solved.
int IterateAnalog(void* poll_window, int iteration_limit, double gmin) {
    IterationCount = 0;
    IterationLimitReached = 0;
    NonConvergedCount = 0;
    bool node_set_phase = false;
    const size_t n = static_cast<size_t>(EquationCount) + 1;

    for (;;) {
        NonConvergence.entries.clear();
        if (StopRequested(poll_window)) return kMsgStopped;
        int result;
        {
            AccountedScope timed(&RunAccountingRecord::load_seconds);
            result = LoadCircuit();
        }
        if (result) return result;
        if (OperatingPointPhase) {
            if (!SuppressPrompt && AnalysisKind != 2) {
                char text[64];
                std::snprintf(text, sizeof text, "Calculating operating point, iteration %d", IterationCount);
                ShowPrompt(text);
            }
            if (Digital.settle_states && (result = Digital.settle_states()) != 0) return result;
        }
        if (AnalysisMode == kModeDc && AnalysisSubMode == kSubModeTransient && UseInitialConditions) return 0;

        ++IterationCount;
        switch (InitMode) {
        case kInitFloat:
            if (HasNodeSets && AnalysisMode == kModeDc && node_set_phase) {
                node_set_phase = false;
                NonConvergedCount = 1;  // one more iteration without the node sets
            }
            if (NonConvergedCount == 0 &&
                (AnalysisMode == kModeTransient || AnalysisSubMode == kSubModeDcSweep || IterationCount > 2))
                return 0;
            break;
        case kInitJunction:
            node_set_phase = true;
            InitMode = NonConvergedCount ? kInitFix : kInitFloat;
            break;
        case kInitFix:
            if (NonConvergedCount == 0) InitMode = kInitFloat;
            node_set_phase = true;
            break;
        default:
            InitMode = kInitFloat;
            break;
        }
        const bool ac = AnalysisMode != kModeDc && AnalysisMode != kModeTransient && AnalysisMode != kModeTransientPhase;
        if (ac && !AcNeedsOperatingPoint) return 0;

        if (IterationCount >= iteration_limit) {
            IterationLimitReached = 1;
            return AnalysisMode == kModeDc ? kMsgIterationLimit : 0;
        }
        result = FactorAndSolveReal(Solution.data(), gmin);
        if (result) return result;

        const int count = NonConvergedCount;
        NonConvergedCount = 0;
        if (count == 0 && IterationCount > 1) {
            for (int node = 1; node <= NodeCount; ++node) {
                if (IsNotConverged(Solution[node], PreviousIterate[node])) {
                    RecordNonConvergentNode(node, PreviousIterate[node]);
                    break;
                }
            }
        }
        std::copy(Solution.begin(), Solution.begin() + n, PreviousIterate.begin());
    }
}

}  // namespace

int NewtonSolve(void* poll_window, int iteration_limit, double gmin) {
    // IterationCount still holds the previous solve's count here.
    BypassAllowed = (InitMode == kInitPredict || (!OperatingPointPhase && IterationCount < 2)) ? 0 : 1;
    int result = 0;
    for (;;) {
        if (NoAnalogNodes) {
            if (DigitalSettle && Digital.settle_states && (result = Digital.settle_states()) != 0) return result;
            if (StopRequested(poll_window)) return kMsgStopped;
        } else if (OperatingPointPhase || DigitalPhase == 0 || DigitalPhase == 2) {
            result = IterateAnalog(poll_window, iteration_limit, gmin);
        }
        // A failed analog solve keeps its own result: the digital side does not run on it.
        if (result || DigitalPhase != 1 || !Digital.apply_events_now) break;
        bool changed = false;
        result = Digital.apply_events_now(&changed);
        if (result || !changed) break;
        StepHistory[0] = std::min(StepHistory[0], Run.time - LastAcceptedTime);
        ComputeIntegrationCoefficients();
        DigitalPhase = 2;
    }
    if (result == 0) result = CheckMathError();
    return result;
}

int FactorAndSolveReal(double* solution, double gmin) {
    if (!CurrentMatrix) return 0;
    int result;
    {
        AccountedScope timed(&RunAccountingRecord::factor_seconds);
        result = FactorRealLU(CurrentMatrix, gmin);
    }
    if (result == 0) {
        AccountedScope timed(&RunAccountingRecord::solve_seconds);
        SolveMatrix(CurrentMatrix, RightHandSide.data(), solution);
    }
    solution[0] = 0;
    return result;
}

int FactorAndSolveComplex(double* solution) {
    if (!CurrentMatrix) return 0;
    const int result = FactorComplexLU(CurrentMatrix);
    if (result == 0) SolveMatrix(CurrentMatrix, RightHandSide.data(), solution);
    solution[0] = solution[1] = 0;
    return result;
}

// --- Convergence tests -------------------------------------------------------------

bool CurrentConverged(double a, double b) {
    return std::fabs(a - b) < Options.abstol + Options.reltol * std::max(std::fabs(a), std::fabs(b));
}

bool VoltageConverged(double a, double b) {
    return std::fabs(a - b) < Options.vntol + Options.reltol * std::max(std::fabs(a), std::fabs(b));
}

int CurrentNotConverged(double a, double b) {
    if (std::fabs(a - b) > Options.abstol + Options.reltol * std::max(std::fabs(a), std::fabs(b))) {
        ++NonConvergedCount;
        return 1;
    }
    return 0;
}

int IsNotConverged(double a, double b) {
    if (std::fabs(a - b) > Options.vntol + Options.reltol * std::max(std::fabs(a), std::fabs(b))) {
        ++NonConvergedCount;
        return 1;
    }
    return 0;
}

int StoreAndCheckChange(double& slot, double value) {
    int moved = 0;
    if (std::fabs(value - slot) > Options.reltol * std::max(std::fabs(value), std::fabs(slot)) + 1e-20) {
        ++NonConvergedCount;
        moved = 1;
    }
    slot = value;
    return moved;
}

void AvoidZero(double& x) {
    if (std::fabs(x) < 1e-20) x = (x < 0) ? -1e-20 : 1e-20;
}

void ClampToRmin(double& x) {
    if (std::fabs(x) < Options.rmin) x = (x < 0) ? -Options.rmin : Options.rmin;
}

double MaxDouble(double a, double b) { return a > b ? a : b; }
double MinDouble(double a, double b) { return a < b ? a : b; }
double MaxAbsDouble(double a, double b) { return std::max(std::fabs(a), std::fabs(b)); }

// --- Non-convergence list ------------------------------------------------------------

void RecordNonConvergentDevice(const DeviceInstance* device, int kind, double value) {
    if (NonConvergence.entries.size() >= kMaxNonConvergence) return;
    NonConvergence.entries.push_back({device, 0, kind, value});
    NonConvergence.failure_time = Run.time;
}

void RecordNonConvergentNode(int node, double previous_value) {
    if (NonConvergence.entries.size() >= kMaxNonConvergence) return;
    NonConvergence.entries.push_back({nullptr, node, kNonConvergentNode, previous_value});
    NonConvergence.failure_time = Run.time;
}

namespace {

// How each kind's line reads and which numbers it takes.
enum class ReportNumbers { None, Entry, EntryAndDevice, Device1, Device4 };
struct NonConvergenceFormat {
    const char* text;
    ReportNumbers numbers;
};
constexpr NonConvergenceFormat kReportFormats[33] = {
    {"", ReportNumbers::None},
    {"Mosfet %s failed pn check...vbs=%g vbd=%g vcrit_s=%g vcrit_d=%g \n", ReportNumbers::Device4},
    {"Mosfet %s failed idhat=%3.6e id=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"Mosfet %s failed ibhat=%3.6e ibs+ibd=%3.6e \n", ReportNumbers::EntryAndDevice},
    {"Mosfet %s failed drain current test cdhat=%3.6e Idtot=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"Mosfet %s failed vds reversal check...vds=%g\n", ReportNumbers::Device1},
    {"Diode %s failed pn junction test.\n", ReportNumbers::None},
    {"Diode %s failed cdhat=%3.6e id=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"JFET %s failed pn junction test.\n", ReportNumbers::None},
    {"JFET %s failed gate current test ighat=%3.6e ig=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"JFET %s failed drain current test idhat=%3.6e id=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"GaAsFET %s failed pn junction test.\n", ReportNumbers::None},
    {"GaAsFET %s failed gate current test ighat=%3.6e ig=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"GaAsFET %s failed drain current test idhat=%3.6e id=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"BJT %s failed pn junction test.\n", ReportNumbers::None},
    {"BJT %s failed collector current test cchat=%3.6e ic=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"BJT %s failed base current test ibhat=%3.6e ib=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"BJT %s failed CS junction current test cshat=%3.6e ibs=%3.6e\n", ReportNumbers::EntryAndDevice},
    {"SWITCH %s\n", ReportNumbers::None},
    {"Inductor %s\n", ReportNumbers::None},
    {"Inductor %s M=%3.6e\n", ReportNumbers::Entry},
    {"Inductor %s V=%3.6e\n", ReportNumbers::Entry},
    {"Inductor %s Value=%3.6e\n", ReportNumbers::Entry},
    {"Poly source %s failed iterative check, value=%3.6e\n", ReportNumbers::Entry},
    {"Poly source %s failed input check.\n", ReportNumbers::None},
    {"Failed On node %s %3.6e\n", ReportNumbers::Entry},
    {"Resistor %s Value=%3.6e\n", ReportNumbers::Entry},
    {"Capacitor %s Value=%3.6e\n", ReportNumbers::Entry},
    {"Laplace Source %s\n", ReportNumbers::None},
    {"Table %s\n", ReportNumbers::None},
    {"Table3 %s\n", ReportNumbers::None},
    {"Function Source %s\n", ReportNumbers::None},
    {"Sample And Hold %s\n", ReportNumbers::None},
};

std::string EntryName(const NonConvergenceEntry& entry) {
    if (entry.kind == kNonConvergentNode)
        return NonConvergenceNodeName ? NonConvergenceNodeName(entry.node) : std::to_string(entry.node);
    if (!entry.device || !entry.device->owning_part || !NonConvergencePartName) return {};
    return NonConvergencePartName(entry.device->owning_part);
}

std::string EntryLine(const NonConvergenceEntry& entry) {
    if (entry.kind < 1 || entry.kind > 32) return {};
    const NonConvergenceFormat& format = kReportFormats[entry.kind];
    const std::string name = EntryName(entry);
    double own[4] = {0, 0, 0, 0};
    if (entry.device) entry.device->NonConvergenceValues(entry.kind, own);
    char line[512];
    switch (format.numbers) {
    case ReportNumbers::None: std::snprintf(line, sizeof line, format.text, name.c_str()); break;
    case ReportNumbers::Entry: std::snprintf(line, sizeof line, format.text, name.c_str(), entry.value); break;
    case ReportNumbers::EntryAndDevice:
        std::snprintf(line, sizeof line, format.text, name.c_str(), entry.value, own[0]);
        break;
    case ReportNumbers::Device1: std::snprintf(line, sizeof line, format.text, name.c_str(), own[0]); break;
    case ReportNumbers::Device4:
        std::snprintf(line, sizeof line, format.text, name.c_str(), own[0], own[1], own[2], own[3]);
        break;
    }
    return line;
}

}  // namespace

std::vector<std::string> NonConvergenceReport(bool for_numeric_output) {
    std::vector<std::string> lines;
    if (NonConvergence.entries.empty()) return lines;
    if (for_numeric_output) {
        char header[128];
        std::snprintf(header, sizeof header, "At Time= %g the following devices failed to converge.\n",
                      NonConvergence.failure_time);
        lines.push_back(header);
    }
    for (const NonConvergenceEntry& entry : NonConvergence.entries) lines.push_back(EntryLine(entry));
    return lines;
}

}  // namespace ob7
