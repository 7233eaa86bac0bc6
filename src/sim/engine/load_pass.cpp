#include "sim/engine/load_pass.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "expression/math_error.h"
#include "foundation/message_codes.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/integration.h"
#include "sim/engine/large_blocks.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

MatrixSlot OperatingPointSlot;
MatrixSlot TransientSlot;
SparseMatrix* CurrentMatrix = nullptr;
MatrixElementTrail* CurrentTrail = nullptr;
MatrixElement** TrailCursor = nullptr;
MatrixElement GroundSinks[kGroundSinkCount];
static int NextGroundSink = 0;

std::vector<InitialCondition> InitialConditionTable;
int HasNodeSets = 0;
int HasInitialConditions = 0;

DigitalCoupling Digital;
RunStateHooks RunState;
int DigitalPhase = 0;
int DigitalSettle = 0;
double LastAcceptedTime = 0;

namespace {

// Registered kinds, kept in pass order.
std::vector<const DeviceKindHandler*>& Handlers() {
    static std::vector<const DeviceKindHandler*> handlers;
    return handlers;
}

constexpr double kTieConductance = 1e6;     // a node set or .IC holds its node with this
constexpr double kIdleTieConductance = 1e-20;
constexpr uint16_t kFullStrength = 0x1F8;

void ForceDigitalState(const InitialCondition& ic) {
    if (Digital.force_node_state) Digital.force_node_state(ic.node1, ic.digital_state | kFullStrength);
}

// Opens the next stretch of the trail for a kind during the set-up pass.
void BeginStretch(const DeviceKindHandler* handler) {
    const size_t at = CurrentTrail->elements.size();
    CurrentTrail->stretches.push_back({handler, at, at});
}
void EndStretch() { CurrentTrail->stretches.back().end = CurrentTrail->elements.size(); }

bool LoadedBeforeSetUpDone(LoadStage stage) {
    return stage != LoadStage::LaplaceSources && stage != LoadStage::FreqTableSources;
}

void EnsureRunVectors() {
    const size_t needed = static_cast<size_t>(EquationCount + 1) * 2;
    if (Solution.size() < needed || RightHandSide.size() < needed) AllocateRunVectors();
}

}  // namespace

void RegisterDeviceKind(const DeviceKindHandler* handler) {
    auto& handlers = Handlers();
    if (std::find(handlers.begin(), handlers.end(), handler) != handlers.end()) return;
    auto place = std::upper_bound(handlers.begin(), handlers.end(), handler,
                                  [](const DeviceKindHandler* a, const DeviceKindHandler* b) {
                                      if (a->stage != b->stage) return a->stage < b->stage;
                                      return a->order_in_stage < b->order_in_stage;
                                  });
    handlers.insert(place, handler);
}

void DeriveLoadFlags() {
    const int m = AnalysisMode, s = AnalysisSubMode, i = InitMode, u = UseInitialConditions;
    int* f = LoadFlags;
    f[1] = ((m == kModeDc && i == kInitJunction) || (u && i == kInitTransient)) ? 0 : 1;
    f[2] = (m == kModeTransient || m == kModeTransientPhase) ? 1 : 0;
    // Only the transient's operating point: its time points integrate their charges.
    f[3] = (m == kModeDc && s == kSubModeTransient && u) ? 1 : 0;
    f[4] = (m == kModeTransient || s == kSubModeTransient || i == kInitSmallSignal) ? 1 : 0;
    f[5] = (i == kInitTransient && u) ? 1 : 0;
    f[6] = (i == kInitTransient || i == kInitPredict) ? 1 : 0;
    f[7] = (f[2] || f[3] || i == kInitSmallSignal) ? 1 : 0;
}

int AllocMatrixEntry(int row, int column) {
    MatrixElement* element = GetMatrixElement(CurrentMatrix, row, column);
    if (!element) return kMsgInsufficientMemory;
    if (row == 0 || column == 0) {
        element = &GroundSinks[NextGroundSink];
        NextGroundSink = (NextGroundSink + 1) % kGroundSinkCount;
    }
    CurrentTrail->elements.push_back(element);
    TrailCursor = CurrentTrail->elements.data() + CurrentTrail->elements.size();
    return 0;
}

int AllocConductanceEntries(int a, int b) {
    int error = AllocMatrixEntry(a, b);
    if (!error) error = AllocMatrixEntry(b, a);
    if (!error) error = AllocMatrixEntry(a, a);
    if (!error) error = AllocMatrixEntry(b, b);
    return error;
}

void ClearCircuitMatrix(bool keep_matrix) {
    if (!CurrentMatrix) return;
    std::fill(RightHandSide.begin(), RightHandSide.end(), 0.0);
    TrailCursor = CurrentTrail->elements.data();
    if (!keep_matrix) {
        ClearMatrix(CurrentMatrix);
        for (MatrixElement& sink : GroundSinks) sink.real = sink.imag = 0.0;
    }
}

int SetupMatrix() {
    ClearCircuitMatrix(true);
    CurrentTrail->elements.clear();
    CurrentTrail->stretches.clear();
    for (const DeviceKindHandler* handler : Handlers()) {
        BeginStretch(handler);
        const int error = handler->setup ? handler->setup() : 0;
        EndStretch();
        if (error) return error;
    }
    BeginStretch(nullptr);
    for (const InitialCondition& ic : InitialConditionTable) {
        if (ic.letter != 'V') continue;
        const int error = AllocConductanceEntries(ic.node1, ic.node2);
        if (error) return error;
    }
    EndStretch();
    return 0;
}

void LoadInitialConditions() {
    const bool apply =
        AnalysisMode == kModeDc &&
        ((HasInitialConditions && !UseInitialConditions) ||
         (HasNodeSets && (AnalysisKind == 2 || IterationCount == 0) &&
          (InitMode == kInitJunction || InitMode == kInitFix)));
    for (const InitialCondition& ic : InitialConditionTable) {
        if (ic.letter == 'V') {
            double g = kIdleTieConductance;
            if (apply) {
                g = kTieConductance;
                RightHandSide[ic.node1] += ic.value * kTieConductance;
                RightHandSide[ic.node2] -= ic.value * kTieConductance;
            }
            StampConductance(g);
        } else if (ic.letter == 'I' && apply) {
            RightHandSide[ic.node1] -= ic.value;
            RightHandSide[ic.node2] += ic.value;
        } else if (ic.letter == 'D' && apply) {
            ForceDigitalState(ic);
        }
    }
    RightHandSide[0] = 0;
}

void ApplyInitialConditions() {
    const bool apply = (AnalysisMode == kModeDc && HasNodeSets) ||
                       (HasInitialConditions && (AnalysisKind == 0 || AnalysisKind == 1));
    if (!apply) return;
    for (const InitialCondition& ic : InitialConditionTable) {
        if (ic.letter == 'I') Solution[NodeCount + ic.inductor_number] = ic.value;
        else if (ic.letter == 'D') ForceDigitalState(ic);
    }
    // A voltage between two nodes sets the difference: single-node entries first, so
    // that an entry against another node builds on that node's value.
    for (const InitialCondition& ic : InitialConditionTable)
        if (ic.letter == 'V' && ic.node2 == 0) Solution[ic.node1] = ic.value;
    for (const InitialCondition& ic : InitialConditionTable)
        if (ic.letter == 'V' && ic.node2 != 0) Solution[ic.node1] = Solution[ic.node2] + ic.value;
    Solution[0] = 0;
}

int LoadCircuit() {
    if (EquationCount == 0 || !CurrentMatrix) return 0;
    DeriveLoadFlags();
    Run.power_generated = Run.power_dissipated = Run.power_stored = 0;
    LoadAbort = 0;
    AtoDMinimum = 1.0;

    bool set_up_now = false;
    if (!MatrixSetUp) {
        const int error = SetupMatrix();
        if (error) return error;
        set_up_now = true;
    }
    ClearCircuitMatrix(set_up_now);

    MatrixElement** const trail = CurrentTrail->elements.data();
    bool abort_tested = false;
    for (const MatrixElementTrail::Stretch& stretch : CurrentTrail->stretches) {
        if (!stretch.handler) continue;  // the ties come last, below
        const DeviceKindHandler& kind = *stretch.handler;
        if (!abort_tested && kind.stage > LoadStage::Bjts) {
            abort_tested = true;
            if (LoadAbort) return kMsgReported;
        }
        if (!kind.load || (!MatrixSetUp && !LoadedBeforeSetUpDone(kind.stage))) continue;
        TrailCursor = trail + stretch.begin;
        const int error = kind.load();
        assert(TrailCursor == trail + stretch.end && "a device load must stamp what its set-up requested");
        if (error) return error;
    }
    if (!abort_tested && LoadAbort) return kMsgReported;
    if (OperatingPointPhase && Digital.update_events) {
        const int error = Digital.update_events();
        if (error) return error;
    }
    TrailCursor = trail + CurrentTrail->stretches.back().begin;
    LoadInitialConditions();
    return CheckMathError();
}

int NumberBranchEquations() {
    int next = NodeCount + DeviceListTable[kInductorList].count + 1;
    std::vector<const DeviceKindHandler*> numbering;
    for (const DeviceKindHandler* h : Handlers())
        if (h->number_branches) numbering.push_back(h);
    std::stable_sort(numbering.begin(), numbering.end(),
                     [](const DeviceKindHandler* a, const DeviceKindHandler* b) {
                         return a->branch_rank < b->branch_rank;
                     });
    for (const DeviceKindHandler* h : numbering) next = h->number_branches(next);
    return next - 1;
}

int GetEquationCount() {
    const int count = NumberBranchEquations();
    return AnalysisKind == 1 ? 2 * count : count;
}

void SaveNominalRLCValues() {
    for (const DeviceKindHandler* h : Handlers())
        if (h->save_nominal_values) h->save_nominal_values();
}

int InitSimulationState(bool clear_vectors, MatrixSlot& slot) {
    WorkRelTol = Options.reltol;
    WorkAbsTol = Options.abstol;
    WorkVnTol = Options.vntol;
    BypassTolerance = Options.reltol * 0.001;
    CoreRelTol = Options.reltol * 0.001;
    CoreTolerance = 0.08 * std::pow(2.0, std::log10(Options.reltol));
    AtoDMinimum = 1e30;
    LoadAbort = 0;
    OperatingPointSolved = 0;
    AcOperatingPointSolved = 0;

    // Nothing later may divide by these.
    for (double* value : {&DigitalTimeScale, &MaxTimeStep, &SweepStep, &TimeUnit})
        if (!(*value > 0)) *value = 1.0;
    Run.time = 0;
    PredictorRatio = 1.0;
    InitMode = kInitTransient;

    EquationCount = NumberBranchEquations();
    const DeviceList* lists = DeviceListTable;
    SimpleChargeSlots = kHistorySlots * (lists[kDiodeList].count + 3 * lists[kGaasfetList].count +
                                         2 * lists[kJfetList].count + lists[kInductorList].count +
                                         lists[kCapacitorList].count);
    BjtBlockCount = lists[kBjtList].count;
    MosfetBlockCount = lists[kMosfetList].count;

    CurrentMatrix = slot.matrix;
    CurrentTrail = &slot.trail;
    EnsureRunVectors();
    if (NodeCount == 0) {
        OperatingPointPhase = 0;
        return 0;
    }
    if (!CurrentMatrix) {
        const int error = CreateCircuitMatrix(&CurrentMatrix, Options.pivrel, Options.pivtol);
        if (error) return error;
        slot.matrix = CurrentMatrix;
    }
    if (clear_vectors) {
        for (std::vector<double>* v : {&Solution, &PreviousIterate, &LastAcceptedSolution, &EarlierAcceptedSolution})
            std::fill(v->begin(), v->end(), 0.0);
        AllocateChargeStates();
        if (RunState.setup_breakpoints) {
            const int error = RunState.setup_breakpoints();
            if (error) return error;
        }
    }
    MatrixSetUp = 0;
    const int result = LoadCircuit();
    if (result == 0) {
        const int error = PreorderCircuitMatrix(CurrentMatrix);
        if (error) return error;
    }
    return result;
}

void DestroyMatrixAndTrail(MatrixSlot& slot) {
    if (CurrentMatrix == slot.matrix) {
        CurrentMatrix = nullptr;
        TrailCursor = nullptr;
    }
    if (CurrentTrail == &slot.trail) CurrentTrail = nullptr;
    DestroyCircuitMatrix(slot.matrix);
    slot.matrix = nullptr;
    slot.trail.elements.clear();
    slot.trail.stretches.clear();
}

void ReleaseEngineMatrices() {
    DestroyMatrixAndTrail(OperatingPointSlot);
    DestroyMatrixAndTrail(TransientSlot);
}

void FreeSimulationState() {
    if (RunState.free_model_lists) RunState.free_model_lists();
    FreeDeviceLists();
    ReleaseEngineMatrices();
    if (RunState.return_final_values) {
        const int size = std::min(EquationCount + 1, static_cast<int>(Solution.size()));
        RunState.return_final_values(Solution.empty() ? nullptr : Solution.data(), Solution.empty() ? 0 : size);
    }
    FreeRunVectors();
    std::vector<double>().swap(StateValues);
    std::vector<double>().swap(StateDerivatives);
    InitialConditionTable.clear();
    HasNodeSets = HasInitialConditions = 0;
    MatrixSetUp = 0;
    EquationCount = 0;
    NodeCount = 0;
    if (RunState.free_run_buffers) RunState.free_run_buffers();
    ReleaseLargeBlocks();
}

}  // namespace ob7
