// One Newton load pass over 10,000 diodes, level-1, BSIM1 or BSIM3 MOSFETs (BSIM1 and
// BSIM3 also at a time point), JFETs or GaAs FETs, each device on nodes of its own, biased
// so that every device conducts. The counter "per_device" is the time of one device's load.
// The lossy line's first load at a new time point, against the length of its history
// (the convolution is one pass over it): "per_point" is the time per history point.
//
// Run: build-*/bench/device_loads_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <cmath>

#include "sim/devices/bsim12.h"
#include "sim/devices/bsim3.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/diode.h"
#include "sim/devices/gaasfet.h"
#include "sim/devices/jfet.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/integration.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace {

using namespace ob7;

constexpr int kDevices = 10000;

void PrepareEngine(int nodes) {
    FillOptionDefaultTexts(1);
    ParseSimulationOptions(true);
    AnalysisKind = 2;
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeOperatingPoint;
    OperatingPointPhase = 1;
    NodeCount = nodes;
    UpdateModelTemperatures(27);
    UpdateDeviceTemperatures(27);
    InitSimulationState(true, OperatingPointSlot);
    MatrixSetUp = 1;
    InitMode = kInitFloat;
}

void RunLoads(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(LoadCircuit());
    state.counters["per_device"] =
        benchmark::Counter(kDevices, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    FreeSimulationState();
    ClearCircuitModels();
}

void DiodeLoadPass(benchmark::State& state) {
    RegisterDiodeKind();
    auto model = MakeModelParams(kModelDiode);
    SetModelParam(*model, "CJO", 1e-12);
    CircuitModels[kModelDiode].push_back(model.get());
    for (int i = 1; i <= kDevices; ++i) AddDiode(model.get(), i, 0);
    PrepareEngine(kDevices);
    for (int i = 1; i <= kDevices; ++i) Solution[i] = 0.6 + 1e-5 * i;
    RunLoads(state);
}
BENCHMARK(DiodeLoadPass)->Unit(benchmark::kMicrosecond);

void MosfetLevel1LoadPass(benchmark::State& state) {
    RegisterMosfetKind();
    MosfetBypassAllowed = false;  // every device evaluated in every pass
    auto model = MakeModelParams(kModelNmos);
    for (auto [name, value] : {std::pair{"VTO", 0.8}, {"KP", 5e-5}, {"GAMMA", 0.4}, {"LAMBDA", 0.02}})
        SetModelParam(*model, name, value);
    CircuitModels[kModelNmos].push_back(model.get());
    // Drain, gate per device; sources and bulks on ground.
    for (int i = 0; i < kDevices; ++i) AddMosfet(model.get(), 2 * i + 1, 2 * i + 2, 0, 0, 10e-6, 2e-6);
    PrepareEngine(2 * kDevices);
    for (int i = 0; i < kDevices; ++i) Solution[2 * i + 1] = 0.5 + 1e-4 * i, Solution[2 * i + 2] = 2;
    RunLoads(state);
    MosfetBypassAllowed = true;
}
BENCHMARK(MosfetLevel1LoadPass)->Unit(benchmark::kMicrosecond);

// The same stage with a BSIM3 card of a 0.18 um process, in saturation; at a DC point,
// and at a transient time point where the charges and their companions join.
void MosfetBsim3Load(benchmark::State& state, bool time_point) {
    RegisterMosfetKind();
    RegisterBsim3Kind();
    MosfetBypassAllowed = false;
    auto model = MakeModelParams(kModelNmos8);
    for (auto [name, value] :
         {std::pair{"TOX", 4.1e-9}, {"NCH", 2.3549e17}, {"VTH0", 0.3694}, {"K1", 0.5789}, {"U0", 259.5},
          {"VSAT", 1.03e5}, {"RDSW", 105.6}, {"PCLM", 0.77}, {"PDIBLC1", 0.185}, {"ALPHA0", 1e-6}, {"NGATE", 5e20}})
        SetModelParam(*model, name, value);
    CircuitModels[kModelNmos8].push_back(model.get());
    for (int i = 0; i < kDevices; ++i) AddMosfet(model.get(), 2 * i + 1, 2 * i + 2, 0, 0, 10e-6, 0.18e-6);
    PrepareEngine(2 * kDevices);
    for (int i = 0; i < kDevices; ++i) Solution[2 * i + 1] = 1.2 + 1e-5 * i, Solution[2 * i + 2] = 1.8;
    if (time_point) {
        AnalysisMode = kModeTransient;
        IntegrationOrder = 1;
        StepHistory[0] = StepHistory[1] = 1e-12;
        ComputeIntegrationCoefficients();
    }
    RunLoads(state);
    MosfetBypassAllowed = true;
}
void MosfetBsim3LoadPass(benchmark::State& state) { MosfetBsim3Load(state, false); }
void MosfetBsim3TimePointLoadPass(benchmark::State& state) { MosfetBsim3Load(state, true); }
BENCHMARK(MosfetBsim3LoadPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(MosfetBsim3TimePointLoadPass)->Unit(benchmark::kMicrosecond);

// The same stage with a BSIM1 (level 4) or BSIM2 (level 5) card, in saturation, at a DC
// point and at a time point.
void MosfetBsim12Load(benchmark::State& state, int level, bool time_point) {
    RegisterMosfetKind();
    RegisterMosfetLevel45Kind();
    MosfetBypassAllowed = false;
    const int type = level == 4 ? kModelNmos4 : kModelNmos5;
    auto model = MakeModelParams(type);
    const auto level4 = {std::pair{"LEVEL", 4.0}, {"TOX", 0.03}, {"VDD", 5},  {"VFB", -1},  {"PHI", 0.8},
                         {"K1", 1.2},             {"K2", 0.12},  {"ETA", 0.005}, {"MUZ", 550}, {"MUS", 600},
                         {"X3MS", 6},             {"U0", 0.05},  {"U1", 0.1},  {"N0", 1.3},  {"CGSO", 3e-10},
                         {"CGDO", 3e-10}};
    const auto level5 = {std::pair{"LEVEL", 5.0}, {"TOX", 0.02}, {"VBB", -5},  {"VFB", -0.9}, {"K1", 1.0},
                         {"ETA0", 0.002},         {"MU3G", -1},  {"MU40", 0.5}, {"U1D", 0.5},  {"AI0", 2},
                         {"BI0", 30},             {"CGSO", 3e-10}, {"CGDO", 3e-10}};
    for (auto [name, value] : level == 4 ? level4 : level5) SetModelParam(*model, name, value);
    CircuitModels[type].push_back(model.get());
    for (int i = 0; i < kDevices; ++i) AddMosfet(model.get(), 2 * i + 1, 2 * i + 2, 0, 0, 10e-6, 2e-6);
    PrepareEngine(2 * kDevices);
    for (int i = 0; i < kDevices; ++i) Solution[2 * i + 1] = 3 + 1e-5 * i, Solution[2 * i + 2] = 2;
    if (time_point) {
        AnalysisMode = kModeTransient;
        IntegrationOrder = 1;
        StepHistory[0] = StepHistory[1] = 1e-12;
        ComputeIntegrationCoefficients();
    }
    RunLoads(state);
    MosfetBypassAllowed = true;
}
void MosfetBsim1LoadPass(benchmark::State& state) { MosfetBsim12Load(state, 4, false); }
void MosfetBsim1TimePointLoadPass(benchmark::State& state) { MosfetBsim12Load(state, 4, true); }
void MosfetBsim2LoadPass(benchmark::State& state) { MosfetBsim12Load(state, 5, false); }
void MosfetBsim2TimePointLoadPass(benchmark::State& state) { MosfetBsim12Load(state, 5, true); }
BENCHMARK(MosfetBsim1LoadPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(MosfetBsim1TimePointLoadPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(MosfetBsim2LoadPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(MosfetBsim2TimePointLoadPass)->Unit(benchmark::kMicrosecond);

// The FETs reuse their linearisation whenever nothing moved, so the drains move by
// +-1 mV from pass to pass: every pass evaluates every device.
void RunMovingLoads(benchmark::State& state) {
    double step = 1e-3;
    for (auto _ : state) {
        for (int i = 0; i < kDevices; ++i) Solution[2 * i + 1] += step;
        step = -step;
        benchmark::DoNotOptimize(LoadCircuit());
    }
    state.counters["per_device"] =
        benchmark::Counter(kDevices, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    FreeSimulationState();
    ClearCircuitModels();
}

void JfetLoadPass(benchmark::State& state) {
    RegisterJfetKind();
    auto model = MakeModelParams(kModelNjf);
    for (auto [name, value] : {std::pair{"VTO", -2.0}, {"BETA", 1e-3}, {"LAMBDA", 0.02}, {"CGS", 2e-12}})
        SetModelParam(*model, name, value);
    CircuitModels[kModelNjf].push_back(model.get());
    for (int i = 0; i < kDevices; ++i) AddJfet(model.get(), 2 * i + 1, 2 * i + 2, 0);
    PrepareEngine(2 * kDevices);
    for (int i = 0; i < kDevices; ++i) Solution[2 * i + 1] = 3 + 1e-4 * i, Solution[2 * i + 2] = -1;
    RunMovingLoads(state);
}
BENCHMARK(JfetLoadPass)->Unit(benchmark::kMicrosecond);

void GaasfetStatzLoadPass(benchmark::State& state) {
    RegisterGaasfetKind();
    auto model = MakeModelParams(kModelGasfet);
    for (auto [name, value] : {std::pair{"LEVEL", 2.0}, {"VTO", -1.5}, {"BETA", 0.02}, {"LAMBDA", 0.05}})
        SetModelParam(*model, name, value);
    CircuitModels[kModelGasfet].push_back(model.get());
    for (int i = 0; i < kDevices; ++i) AddGaasfet(model.get(), 2 * i + 1, 2 * i + 2, 0);
    PrepareEngine(2 * kDevices);
    for (int i = 0; i < kDevices; ++i) Solution[2 * i + 1] = 2 + 1e-4 * i, Solution[2 * i + 2] = -0.5;
    RunMovingLoads(state);
}
BENCHMARK(GaasfetStatzLoadPass)->Unit(benchmark::kMicrosecond);

}  // namespace

void LossyLineTimePoint(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    RegisterDeviceKind(&kLossyLineKind);
    RegisterLossyLinePasses();
    auto model = MakeModelParams(kModelTrn);
    for (auto [name, value] : {std::pair{"R", 10.0}, {"L", 250e-9}, {"C", 100e-12}, {"LEN", 1.0}})
        SetModelParam(*model, name, value);
    CircuitModels[kModelTrn].push_back(model.get());
    LossyLine* line = AddLossyLine(model.get(), 1, 0, 2, 0);
    PrepareEngine(2);
    OperatingPointPhase = 0;
    AnalysisMode = kModeTransient;
    InitLossyLineHistories();
    // A ringing history at 50 ps steps; each pass loads at a new time after it.
    const double step = 50e-12;
    for (int k = 1; k < points; ++k)
        line->history.push_back({k * step, std::sin(k * 0.01), 0.02 * std::sin(k * 0.01), std::cos(k * 0.01), 0});
    double t = points * step;
    for (auto _ : state) {
        t += 1e-15;
        Run.time = t;
        benchmark::DoNotOptimize(LoadCircuit());
    }
    state.counters["per_point"] =
        benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    FreeLossyLineBuffers();
    FreeSimulationState();
    ClearCircuitModels();
}
BENCHMARK(LossyLineTimePoint)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
