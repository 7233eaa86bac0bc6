#include <utility>

#include "sim/digital/digital_network.h"
#include "sim/digital/interfaces.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

// The events due at the engine's present time; *changed: the analog side must solve again.
int ApplyEventsNow(bool* changed) {
    DigitalRun.dtoa_changed = DigitalRun.dac_changed = DigitalRun.atod_changed = DigitalRun.adc_changed = false;
    Interfaces.present_time = Run.time;
    const uint32_t tick = DigitalTimeTick(Run.time);
    const int result = ApplyDigitalEventsAt(tick);
    if (result == 0) ScheduleDacOutputs();
    // The end of a D/A switching is a point of the analog solution.
    if (DacRampEndsAt(tick)) DigitalRun.dac_changed = true;
    *changed = DigitalRun.dtoa_changed || DigitalRun.dac_changed || DigitalRun.atod_changed || DigitalRun.adc_changed;
    return result;
}

int SettleAndConvert() {
    Interfaces.present_time = Run.time;
    return SettleDigitalStates();
}

void AcceptPoint() {
    Interfaces.previous_time = Interfaces.present_time;
    Interfaces.present_time = Run.time;
    UpdateDtoAInterfaces();
    ++DigitalRun.solution_count;
}

void ForceNodeState(int node, uint16_t state) {
    if (node <= 0 || node > DigitalNet.node_count) return;
    DigitalNet.present[node] = DigitalNet.pending[node] = DigitalNet.previous[node] = state;
}

// The D-to-A interfaces reach the matrix as two resistors from the analog node to the
// level supplies.
int SetupDtoAResistors() {
    for (auto* r : DevicesOf<DtoAInterface>(kDtoAInterfaceList)) {
        if (int e = AllocConductanceEntries(r->low_node, r->analog_node)) return e;
        if (int e = AllocConductanceEntries(r->high_node, r->analog_node)) return e;
    }
    return 0;
}

int LoadDtoAResistors() {
    LoadDtoAResistances();
    for (auto* r : DevicesOf<DtoAInterface>(kDtoAInterfaceList)) {
        StampConductance(1.0 / r->rlo);
        StampConductance(1.0 / r->rhi);
    }
    return 0;
}

// The D/A converters reach the matrix as voltage branches from the output to the ground
// node (after the other independent sources).
int NumberDacBranches(int next) {
    for (auto* r : DevicesOf<DacDevice>(kDacList)) r->branch = next++;
    return next;
}

int SetupDacBranches() {
    for (auto* r : DevicesOf<DacDevice>(kDacList))
        for (auto [row, column] : {std::pair{r->branch, r->out}, {r->branch, r->gnd}, {r->out, r->branch}, {r->gnd, r->branch}})
            if (int e = AllocMatrixEntry(row, column)) return e;
    return 0;
}

int LoadDacBranches() {
    // At the operating point the converters take their sums in every load pass.
    if (OperatingPointPhase) EvaluateDacInputs();
    for (auto* r : DevicesOf<DacDevice>(kDacList)) {
        // A new matrix is first loaded before any solution exists.
        const double v = MatrixSetUp ? DacBranchVoltage(*r, Run.time, OperatingPointPhase != 0) : 0.0;
        StampNext(1);
        StampNext(-1);
        StampNext(1);
        StampNext(-1);
        RightHandSide[r->branch] += SourceFactor * v;
    }
    return 0;
}

const DeviceKindHandler kDtoAHandler{LoadStage::DtoAInterfaces, 0, SetupDtoAResistors, LoadDtoAResistors};
const DeviceKindHandler kAtoDHandler{LoadStage::AtoDInterfaces, 0, nullptr, LoadAtoDInterfaces};
const DeviceKindHandler kDacHandler{LoadStage::Sources, 5, SetupDacBranches, LoadDacBranches, BranchRank::DacConverters,
                                    NumberDacBranches};

}  // namespace

void InstallDigitalCoupling() {
    Digital.settle_states = SettleAndConvert;
    Digital.update_events = DigitalUpdateEvents;
    Digital.apply_events_now = ApplyEventsNow;
    Digital.save_accepted_states = AcceptPoint;
    Digital.force_node_state = ForceNodeState;
    RegisterDeviceKind(&kDtoAHandler);
    RegisterDeviceKind(&kAtoDHandler);
    RegisterDeviceKind(&kDacHandler);
}

int RunDigitalEventsUntil(uint32_t end_tick) {
    uint32_t tick;
    while (NextDigitalEventTick(&tick) && tick <= end_tick) {
        if (int e = ApplyDigitalEventsAt(tick)) return e;
        ClearDigitalChangeQueue();
        ++DigitalRun.solution_count;
    }
    return 0;
}

}  // namespace ob7
