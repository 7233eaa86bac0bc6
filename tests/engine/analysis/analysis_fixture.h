#pragma once
// A circuit built in code from the real device kinds, the way the compiler will build it,
// and a point sink that records what an analysis hands over.

#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "expression/math_error.h"
#include "foundation/report_sink.h"
#include "sim/analysis/point_sink.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/run_control.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

void RegisterDeviceKinds();

// Keeps x and the values `probe` reads at every accepted point.
class RecordingSink : public PointSink {
public:
    std::function<std::vector<double>()> probe;
    std::function<int(int)> after_point;  // called with the count of points so far
    std::vector<double> x;
    std::vector<std::vector<double>> values;

    int AcceptPoint(double at) override {
        x.push_back(at);
        values.push_back(probe ? probe() : std::vector<double>{});
        return after_point ? after_point(static_cast<int>(x.size())) : 0;
    }
    // Column k at x, interpolated linearly between the recorded points (the first point
    // before them, the last beyond them).
    double At(double at, size_t k) const {
        const auto next = std::lower_bound(x.begin(), x.end(), at);
        const size_t i = static_cast<size_t>(std::distance(x.begin(), next));
        if (i == 0) return values[0][k];
        if (i == x.size()) return values.back()[k];
        const double f = (at - x[i - 1]) / (x[i] - x[i - 1]);
        return (1 - f) * values[i - 1][k] + f * values[i][k];
    }
    std::vector<double> Column(size_t k) const {
        std::vector<double> c;
        for (const auto& v : values) c.push_back(v[k]);
        return c;
    }
};

// The ids of the messages reported while installed.
class ReportedIds : public ReportSink {
public:
    std::vector<int> ids;
    int Deliver(const ReportDelivery& report) override {
        ids.push_back(report.id);
        return 0;
    }
};

class AnalysisCircuit : public ::testing::Test {
protected:
    void SetUp() override {
        SetBatchLogSink(&reported);
        ResetMathError();
        FillOptionDefaultTexts(1);
        ParseSimulationOptions(true);
        RegisterDeviceKinds();
        RunControl = {};
        RunView = {};
        Noise = {};
        InitialConditionTable.clear();
        HasNodeSets = HasInitialConditions = 0;
        UseInitialConditions = 0;
        SourceFactor = 1;
        ob7::Run = {};
    }
    void TearDown() override {
        SetBatchLogSink(nullptr);
        FreeSimulationState();
        FreeAcVectors();
        FreeNoiseTables();
        ClearCircuitModels();
        Noise = {};
        RunControl = {};
    }
    ModelParams* Model(int type, std::initializer_list<std::pair<const char*, double>> params) {
        models_.push_back(MakeModelParams(type));
        ModelParams& m = *models_.back();
        for (auto [name, value] : params) EXPECT_TRUE(SetModelParam(m, name, value)) << name;
        CircuitModels[type].push_back(&m);
        return &m;
    }
    static double V(int node) { return Solution[node]; }
    ReportedIds reported;
    static std::complex<double> Vac(int node) { return AcNodeValue(node); }

private:
    std::vector<std::unique_ptr<ModelParams>> models_;
};

}  // namespace ob7
