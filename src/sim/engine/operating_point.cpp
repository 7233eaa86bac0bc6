#include "sim/engine/operating_point.h"

#include <cmath>
#include <cstdio>

#include "foundation/message_codes.h"
#include "sim/engine/newton.h"
#include "sim/engine/run_control.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "sim/engine/sparse_matrix.h"

namespace ob7 {

namespace {

constexpr double kFirstSourceFactor = 1.0 / 16;
constexpr double kLowestSourceFactor = 1.0 / 512;  // reaching it ends in failure
constexpr double kFirstRaisingMultiplier = 2.0;
constexpr double kSmallestMultiplier = 1.0001;
constexpr double kFullSourceTolerance = 0.001;

void ShowPercentPrompt(const char* format, double factor) {
    char text[64];
    std::snprintf(text, sizeof text, format, factor * 100);
    ShowPrompt(text);
}

int Solve(void* poll_window, int iteration_limit, double gmin) {
    const int result = NewtonSolve(poll_window, iteration_limit, gmin);
    TotalIterations += IterationCount;
    return result;
}

bool NeedsFallBack(int result) { return result == kMsgIterationLimit || result == kMsgMatrixSingular; }

// The raising phase; returns 0 on full sources or the failure.
int RaiseSources(void* poll_window, int iteration_limit) {
    double multiplier = kFirstRaisingMultiplier;
    double good_factor = SourceFactor;
    BackupSolution = Solution;
    int attempts = 0;
    bool retreat = IterationLimitReached != 0;
    for (;;) {
        if (!retreat) {
            good_factor = SourceFactor;
            BackupSolution = Solution;
            SourceFactor = std::fmin(SourceFactor * multiplier, 1.0);
            InitMode = kInitFix;
            ShowPercentPrompt("Raising sources to %g%%.", SourceFactor);
            const int result = NewtonSolve(poll_window, iteration_limit, Options.gmin);
            if (result == kMsgInsufficientMemory) return result;
            TotalIterations += IterationCount;
            ++attempts;
            if (attempts > Options.itl1 || IterationLimitReached) {
                retreat = true;
            } else if (std::fabs(SourceFactor - 1.0) < kFullSourceTolerance) {
                SourceFactor = 1.0;
                int full = 0, tries = 0;
                do {
                    full = Solve(poll_window, iteration_limit, Options.gmin);
                } while (IterationLimitReached && ++tries < Options.itl1);
                return full;
            }
            continue;
        }
        // Back to the last good factor with a smaller step.
        retreat = false;
        multiplier = std::sqrt(multiplier);
        SourceFactor = good_factor;
        Solution = BackupSolution;
        PreviousIterate = BackupSolution;
        if (!(multiplier > kSmallestMultiplier)) return kMsgIterationLimit;
        IterationLimitReached = 0;
        attempts = 0;
    }
}

}  // namespace

int SourceStepping(void* poll_window, int iteration_limit) {
    InitMode = kInitJunction;
    SuppressPrompt = 1;
    SourceFactor = kFirstSourceFactor;

    int result = 0;
    bool failed = false;
    if (IterationLimitReached) {
        int attempts = 0;
        for (;;) {
            SourceFactor *= 0.5;
            if (SourceFactor <= kLowestSourceFactor) {
                failed = true;
                break;
            }
            InitMode = kInitJunction;
            ShowPercentPrompt("   Lowering sources to %g%%.", SourceFactor);
            result = Solve(poll_window, iteration_limit, Options.gmin);
            ++attempts;
            if (!(result == kMsgIterationLimit && IterationLimitReached && attempts <= Options.itl1)) break;
        }
    }
    if (!failed) {
        result = RaiseSources(poll_window, iteration_limit);
        failed = result == kMsgIterationLimit;
    }
    if (failed) {
        IterationLimitReached = 1;
        result = kMsgIterationLimit;
    }
    InitMode = kInitJunction;
    SourceFactor = 1.0;
    SuppressPrompt = 0;
    return result;
}

int GminSteppingSolve(void* poll_window, int (*prepare)()) {
    GminSteppingActive = true;
    int result = kMsgIterationLimit;
    for (int steps = 5; steps <= 10; steps *= 2) {
        if (prepare && (result = prepare()) != 0) break;
        InitMode = kInitJunction;
        const double ratio = std::pow(1e10, 1.0 / steps);
        double gmin = Options.gmin * std::pow(ratio, steps);
        bool solved = true;
        for (int k = 0; k <= steps; ++k) {
            result = Solve(poll_window, Options.itl1, gmin);
            if (result) {
                solved = false;
                break;
            }
            gmin /= ratio;
        }
        if (solved) {
            result = Solve(poll_window, Options.itl1, 0.0);
            if (result != kMsgIterationLimit) break;
        }
    }
    GminSteppingActive = false;
    return result;
}

int SolveOperatingPoint(void* poll_window, bool gmin_stepping, int (*prepare)()) {
    int result = Solve(poll_window, Options.itl1, Options.gmin);
    if (NeedsFallBack(result)) {
        if (prepare && (result = prepare()) != 0) return result;
        InitMode = kInitJunction;
        result = SourceStepping(poll_window, Options.itl1);
    }
    if (NeedsFallBack(result) && gmin_stepping) result = GminSteppingSolve(poll_window, prepare);
    return result;
}

}  // namespace ob7
