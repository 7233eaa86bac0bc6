#include "analysis/runs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ob7 {

int RunCapacityFor(int cases, int temperatures, bool dcSweepsTemperature, int secondSweepValues) {
    long long n = std::max(cases, 1);
    if (!dcSweepsTemperature)
        n *= std::max(temperatures, 1);
    n *= std::max(secondSweepValues, 1);
    return static_cast<int>(std::min<long long>(n, 0x7fffffff));
}

int TemperatureCount(double low, double high, double step) {
    if (step == 0.0)
        return 1;
    double n = std::ceil(std::fabs(high - low) / std::fabs(step)) + 1.0;
    return n >= 0x7fffffff ? 0x7fffffff : static_cast<int>(n);
}

int PrepareDataColumns(PointStore& store, std::vector<StoreCurve>& curves, RunBook& runs, int runCapacity,
                       bool acValues) {
    runs.runCount = 0;
    int columns = 1;  // column 0: the sweep variable shared by every curve
    int values = acValues ? 8 : 2;
    runCapacity = std::max(runCapacity, 1);
    for (StoreCurve& curve : curves) {
        curve.pointCount = -1;
        curve.newRun = 0;
        std::fill(std::begin(curve.columns), std::end(curve.columns), 0);
        for (int v = 0; v < values; ++v) {
            bool sweep = (v == 0 && curve.xIsSweep) || (v == 1 && curve.yIsSweep);
            curve.columns[v] = sweep ? 0 : columns++;
        }
        curve.runFirst.assign(runCapacity, 0);
        curve.runLast.assign(runCapacity, 0);
    }
    runs.records.assign(runCapacity, RunRecord{});
    return store.SetColumnCount(columns);
}

int CountStoredPoint(PointStore& store, StoreCurve& curve, const RunBook& runs) {
    if (!store.Usable())
        return 0;
    int result = 1;
    if (curve.pointCount == 0x7fffffff)
        result = 0;
    else
        ++curve.pointCount;
    int r = runs.runCount - 1;
    if (r >= 0 && r < static_cast<int>(curve.runLast.size()))
        curve.runLast[r] = curve.pointCount;
    return result;
}

void BeginRun(std::vector<StoreCurve>& curves, RunBook& runs, const RunStartValues& values) {
    int r = runs.runCount;
    if (r >= runs.RunCapacity()) {
        // More runs than planned (a list grew during the run): the arrays follow.
        runs.records.resize(r + 1);
        for (StoreCurve& curve : curves) {
            curve.runFirst.resize(r + 1, 0);
            curve.runLast.resize(r + 1, 0);
        }
    }
    for (StoreCurve& curve : curves) {
        curve.runFirst[r] = r == 0 ? 0 : curve.runLast[r - 1] + 1;
        curve.runLast[r] = curve.pointCount;
        curve.newRun = 1;
    }
    RunRecord& record = runs.records[r];
    record = RunRecord{};
    record.temperature = values.temperature;
    record.caseNumber = values.caseNumber;
    record.secondSweepValue = values.secondSweepValue;
    if (values.stepValues)
        std::memcpy(record.stepValues, values.stepValues, sizeof(record.stepValues));
    if (values.stepListIndices)
        std::memcpy(record.stepListIndices, values.stepListIndices, sizeof(record.stepListIndices));
    runs.runCount = r + 1;
}

std::int32_t PointsInCurrentRun(const StoreCurve& curve, const RunBook& runs) {
    if (runs.runCount < 1 || curve.runFirst.empty())
        return curve.pointCount;
    return curve.pointCount - curve.runFirst[runs.runCount - 1];
}

std::int32_t FindRunOfIndex(const StoreCurve& curve, const RunBook& runs, std::int32_t index) {
    for (int r = 0; r < runs.runCount; ++r)
        if (index >= curve.runFirst[r] && index <= curve.runLast[r])
            return r;
    return -1;
}

std::int32_t RunFirstIndexOf(const StoreCurve& curve, const RunBook& runs, std::int32_t index) {
    int r = FindRunOfIndex(curve, runs, index);
    if (r < 0)
        r = std::max(runs.runCount - 1, 0);
    return curve.runFirst.empty() ? 0 : curve.runFirst[r];
}

double GetRunPointValue(PointStore& store, int column, const StoreCurve& curve, std::int32_t offset, int run) {
    if (run < 0 || run >= static_cast<int>(curve.runFirst.size()))
        return 0.0;
    return store.GetPointValue(column, curve.runFirst[run] + offset);
}

}  // namespace ob7
