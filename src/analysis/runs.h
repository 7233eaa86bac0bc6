#pragma once
// Runs (branches) of a plot: one per temperature, stepping case, Monte Carlo case or
// second DC sweep value. Each curve keeps the index range every run occupies in the point
// store; each run keeps the values that produced it.

#include <cstdint>
#include <vector>

#include "analysis/point_store.h"

namespace ob7 {

inline constexpr int kStepVariableCount = 20;

struct RunRecord {
    std::int32_t caseNumber = 0;
    double temperature = 0.0;
    double stepValues[kStepVariableCount] = {};
    std::int32_t stepListIndices[kStepVariableCount] = {};
    double secondSweepValue = 0.0;
};

// What the store keeps of one curve.
struct StoreCurve {
    std::int32_t pointCount = -1;      // index of the last stored point; -1 empty
    std::int32_t columns[8] = {};      // store column of each value the curve keeps
    std::vector<std::int32_t> runFirst;
    std::vector<std::int32_t> runLast;
    std::int32_t newRun = 0;           // the pen lifts before the next point
    // Filled by the caller before the columns are assigned: the X or Y value is the
    // sweep variable itself (X or Y expression exactly T on a linear axis of a transient
    // analysis view, curve not digital) and so shares column 0.
    bool xIsSweep = false;
    bool yIsSweep = false;
};

// The values of a run as the run cycle knows them when the run begins.
struct RunStartValues {
    std::int32_t caseNumber = 0;
    double temperature = 0.0;
    const double* stepValues = nullptr;          // 20 values, or null outside analysis views
    const std::int32_t* stepListIndices = nullptr;
    double secondSweepValue = 0.0;
};

struct RunBook {
    std::vector<RunRecord> records;  // RunCapacity records
    std::int32_t runCount = 0;
    std::int32_t RunCapacity() const { return static_cast<std::int32_t>(records.size()); }
};

// Runs a plot needs: the cases times the temperatures (unless the DC sweep sweeps the
// temperature) times the values of the DC sweep's second variable.
int RunCapacityFor(int cases, int temperatures, bool dcSweepsTemperature, int secondSweepValues);

// Number of temperatures of a temperature field: the list length, else
// ceil(|high - low| / step) + 1 for a non-zero step, else 1.
int TemperatureCount(double low, double high, double step);

// Assigns the store columns of every curve (values 0..7 in AC, 0..1 otherwise; the sweep
// column 0 where the curve's flags allow) and sizes the run arrays and the shared page.
// 0, or 15002 after the report.
int PrepareDataColumns(PointStore& store, std::vector<StoreCurve>& curves, RunBook& runs, int runCapacity,
                       bool acValues);

// Advances the curve's point count and records it as the end of the current run.
// 1 when the store took the point, 0 when not.
int CountStoredPoint(PointStore& store, StoreCurve& curve, const RunBook& runs);

// Opens the next run in every curve and fills its record.
void BeginRun(std::vector<StoreCurve>& curves, RunBook& runs, const RunStartValues& values);

std::int32_t PointsInCurrentRun(const StoreCurve& curve, const RunBook& runs);
// The run whose index range holds index, searched from run 0; -1 when none.
std::int32_t FindRunOfIndex(const StoreCurve& curve, const RunBook& runs, std::int32_t index);
// First index of the run that holds index; of the last run when none does (run 0 when
// there are no runs).
std::int32_t RunFirstIndexOf(const StoreCurve& curve, const RunBook& runs, std::int32_t index);
double GetRunPointValue(PointStore& store, int column, const StoreCurve& curve, std::int32_t offset, int run);

}  // namespace ob7
