#include "devices/device_checks.h"

#include <cmath>
#include <map>
#include <sstream>

#include "expression/math_error.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/integration.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

void DeviceCircuit::SetUp() {
    ResetMathError();
    FillOptionDefaultTexts(1);
    ParseSimulationOptions(true);
    RegisterDeviceKinds();
    AnalysisKind = 0;
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeTransient;
    OperatingPointPhase = 1;
    UseInitialConditions = 0;
    HasNodeSets = HasInitialConditions = 0;
    InitialConditionTable.clear();
    SourceFactor = 1;
    BypassAllowed = 0;
    WorkingMethod = kTrapezoidal;
    ob7::Run.time = 0;
    ob7::Run.tmax = 1;
}

void DeviceCircuit::TearDown() { FreeSimulationState(); }

int DeviceCircuit::Prepare(int nodes) {
    NodeCount = nodes;
    const int error = InitSimulationState(true, OperatingPointSlot);
    MatrixSetUp = 1;
    return error;
}

int DeviceCircuit::SolveOperatingPoint() {
    AnalysisMode = kModeDc;
    OperatingPointPhase = 1;
    InitMode = kInitJunction;
    ob7::Run.time = 0;
    if (int error = EvaluateSources()) return error;
    return NewtonSolve(nullptr, 200, Options.gmin);
}

int DeviceCircuit::BeginTransient(double h) {
    SaveAcceptedPoint();
    OperatingPointPhase = 0;
    AnalysisMode = kModeTransient;
    InitMode = kInitTransient;
    IntegrationOrder = 1;
    StepHistory[0] = StepHistory[1] = h;
    ComputeIntegrationCoefficients();
    ob7::Run.time = h;
    if (int error = EvaluateSources()) return error;
    return NewtonSolve(nullptr, 50, Options.gmin);
}

int DeviceCircuit::Step(double h) {
    ShiftChargeHistory();
    SaveAcceptedPoint();
    PredictorRatio = h / StepHistory[0];
    StepHistory[1] = StepHistory[0];
    StepHistory[0] = h;
    IntegrationOrder = 2;
    ComputeIntegrationCoefficients();
    InitMode = kInitPredict;
    ob7::Run.time += h;
    if (int error = EvaluateSources()) return error;
    return NewtonSolve(nullptr, 50, Options.gmin);
}

double DeviceCircuit::V(int node) const { return Solution[node]; }

void ModelCircuit::TearDown() {
    ClearCircuitModels();
    DeviceCircuit::TearDown();
}

ModelParams* ModelCircuit::Model(int type, std::initializer_list<std::pair<const char*, double>> params) {
    models_.push_back(MakeModelParams(type));
    ModelParams& m = *models_.back();
    for (auto [name, value] : params) EXPECT_TRUE(SetModelParam(m, name, value)) << name;
    CircuitModels[type].push_back(&m);
    return &m;
}

int ModelCircuit::Temperatures(double t) {
    if (int error = UpdateModelTemperatures(t)) return error;
    return UpdateDeviceTemperatures(t);
}

void ModelCircuit::AddReverseStepThrough1k() {
    SpiceSource* source = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    source->spec_kind = kSourcePulse;
    const double p[7] = {0, -1, 0, 1e-9, 1e-9, 1, 2};
    std::copy(p, p + 7, source->p);
    AddResistor(1, 2, 1e3);
}

void ModelCircuit::ExpectRcStepFollowed(double rc, double h) {
    ASSERT_EQ(Prepare(2), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    ASSERT_EQ(BeginTransient(1e-9), 0);
    double worst = 0;
    while (ob7::Run.time < 5 * rc) {
        ASSERT_EQ(Step(h), 0);
        worst = std::max(worst, std::fabs(V(2) + (1 - std::exp(-(ob7::Run.time - 1e-9) / rc))));
    }
    EXPECT_LT(worst, 2e-3);
    EXPECT_NEAR(V(2), -(1 - std::exp(-5.0)), 1e-2);  // the whole step was followed
}

KindLoad LoadKindAt(const DeviceKindHandler& kind, const std::vector<double>& x, LoadPoint point) {
    KindLoad out;
    out.size = EquationCount;
    const int n = EquationCount;
    const MatrixElementTrail::Stretch* stretch = nullptr;
    for (const auto& s : CurrentTrail->stretches)
        if (s.handler == &kind) stretch = &s;
    if (!stretch) return out;

    // Where each recorded element sits in the matrix.
    std::map<const MatrixElement*, std::pair<int, int>> position;
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) position[GetMatrixElement(CurrentMatrix, r, c)] = {r, c};

    // The load stamps into private elements, one per recorded entry, and may not run past them.
    out.recorded = stretch->end - stretch->begin;
    std::vector<MatrixElement> slots(out.recorded + 64);
    std::vector<MatrixElement*> trail;
    for (auto& e : slots) trail.push_back(&e);

    if (point == LoadPoint::Time) {
        AnalysisMode = kModeTransient;
        OperatingPointPhase = 0;
        WorkingMethod = kTrapezoidal;
        IntegrationOrder = 1;
        StepHistory[0] = 1e-6;
        ComputeIntegrationCoefficients();
    } else {
        AnalysisMode = kModeDc;
        OperatingPointPhase = 1;
    }
    InitMode = point == LoadPoint::SmallSignal ? kInitSmallSignal : kInitFloat;
    BypassAllowed = 0;  // the checks are of the evaluation, not of a reused linearisation
    DeriveLoadFlags();  // as the load pass would: the kind must not predict from an earlier pass
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& e : slots) e.real = e.imag = 0;
        std::copy(x.begin(), x.end(), Solution.begin());
        std::fill(RightHandSide.begin(), RightHandSide.end(), 0.0);
        TrailCursor = trail.data();
        kind.load();
        out.stamped = static_cast<size_t>(TrailCursor - trail.data());
    }
    out.g.assign(static_cast<size_t>(n + 1) * (n + 1), 0.0);
    for (size_t i = 0; i < std::min(out.recorded, out.stamped); ++i) {
        auto found = position.find(CurrentTrail->elements[stretch->begin + i]);
        if (found == position.end()) continue;  // ground: the discard element
        out.g[static_cast<size_t>(found->second.first) * (n + 1) + found->second.second] += slots[i].real;
    }
    out.rhs.assign(RightHandSide.begin(), RightHandSide.begin() + n + 1);
    return out;
}

namespace {
// One load pass as the engine runs it at solution x: the recorded entries' values, then
// the right-hand side.
std::vector<double> CircuitStampsAt(const std::vector<double>& x) {
    std::copy(x.begin(), x.end(), Solution.begin());
    EXPECT_EQ(LoadCircuit(), 0);
    std::vector<double> out;
    for (const MatrixElement* e : CurrentTrail->elements) out.push_back(e->real);
    out.insert(out.end(), RightHandSide.begin(), RightHandSide.begin() + EquationCount + 1);
    return out;
}
}  // namespace

void ExpectBypassOnlyWhileTheBiasHolds(const std::vector<double>& x, int node, const std::function<double()>& kept) {
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeOperatingPoint;
    OperatingPointPhase = 1;
    InitMode = kInitFloat;
    struct Case {
        int allowed;
        double move;
        bool reused;
    };
    const Case cases[] = {{1, 1e-7, true}, {0, 1e-7, false}, {1, 1e-2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bypass " << c.allowed << " move " << c.move);
        BypassAllowed = 0;
        for (int i = 0; i < 20; ++i) CircuitStampsAt(x);  // the step limiting arrives at x
        const std::vector<double> before = CircuitStampsAt(x);
        const double kept_before = kept();
        std::vector<double> moved = x;
        moved[node] += c.move;
        BypassAllowed = c.allowed;
        NonConvergedCount = 0;
        const std::vector<double> after = CircuitStampsAt(moved);
        EXPECT_EQ(after == before, c.reused);
        EXPECT_EQ(kept() == kept_before, c.reused);
        if (c.reused) {
            EXPECT_EQ(NonConvergedCount, 0);
        }
    }
    BypassAllowed = 0;
}

::testing::AssertionResult LoadWalksSetUp(const DeviceKindHandler& kind, const std::vector<double>& x,
                                          LoadPoint point) {
    const KindLoad load = LoadKindAt(kind, x, point);
    if (load.recorded == load.stamped) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "set-up recorded " << load.recorded << " entries, load stamped "
                                         << load.stamped;
}

namespace {
std::vector<double> Currents(const KindLoad& load, const std::vector<double>& x) {
    std::vector<double> i(load.size + 1, 0.0);
    for (int r = 1; r <= load.size; ++r) {
        double sum = -load.rhs[r];
        for (int c = 1; c <= load.size; ++c) sum += load.G(r, c) * x[c];
        i[r] = sum;
    }
    return i;
}
}  // namespace

::testing::AssertionResult ConductancesMatchCurrents(const DeviceKindHandler& kind, const std::vector<double>& x,
                                                     double step, double rel_tol, double abs_tol, LoadPoint point) {
    const KindLoad at = LoadKindAt(kind, x, point);
    if (at.recorded != at.stamped)
        return ::testing::AssertionFailure() << "load stamps " << at.stamped << " of " << at.recorded << " entries";
    std::ostringstream faults;
    const int n = at.size;
    for (int c = 1; c <= n; ++c) {
        std::vector<double> up = x, down = x;
        up[c] += step;
        down[c] -= step;
        const std::vector<double> iu = Currents(LoadKindAt(kind, up, point), up);
        const std::vector<double> id = Currents(LoadKindAt(kind, down, point), down);
        for (int r = 1; r <= n; ++r) {
            const double numeric = (iu[r] - id[r]) / (2 * step);
            const double stamped = at.G(r, c);
            if (!std::isfinite(stamped) || std::fabs(numeric - stamped) > abs_tol + rel_tol * std::fabs(numeric))
                faults << " (" << r << "," << c << "): stamped " << stamped << ", difference quotient " << numeric;
        }
    }
    // Leave the solution as the caller gave it.
    std::copy(x.begin(), x.end(), Solution.begin());
    if (faults.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "conductances differ from the currents' derivatives:" << faults.str();
}

}  // namespace ob7
