// The set-up and load passes: the element trail, the fixed order, node sets and
// initial conditions, equation numbering and the device lists under them.

#include "engine/engine_fixture.h"
#include "foundation/pool_list.h"
#include "sim/engine/newton.h"
#include "sim/engine/operating_point.h"

namespace ob7 {
namespace {

using namespace testdev;

// A kind of the stage that is loaded only once the set-up is done: a conductance from
// node 1 to ground while enabled, counted each time it loads.
bool late_enabled = false;
int late_loads = 0;
int SetupLate() { return late_enabled ? AllocMatrixEntry(1, 1) : 0; }
int LoadLate() {
    if (!late_enabled) return 0;
    ++late_loads;
    StampNext(1e-3);
    return 0;
}
const DeviceKindHandler kLateKind{LoadStage::LaplaceSources, 0, SetupLate, LoadLate};

TEST_F(EngineCircuit, KindsStampThroughTheTrailInStageOrder) {
    AddSource(kVoltageSource, 1, 0, 2.0);
    AddConductance(1, 2, 1e-3);
    AddConductance(2, 0, 1e-3);
    AddDiode(2, 0, 1e-14, 0.025852);
    ASSERT_EQ(Prepare(2), 0);
    // Diodes first, then sources, then resistors, each in its own stretch.
    const MatrixElementTrail& trail = OperatingPointSlot.trail;
    ASSERT_EQ(trail.elements.size(), 4u + 4u + 8u);
    std::vector<const DeviceKindHandler*> order;
    for (const auto& stretch : trail.stretches)
        if (stretch.handler && stretch.end > stretch.begin) order.push_back(stretch.handler);
    EXPECT_EQ(order, (std::vector<const DeviceKindHandler*>{&kDiodeKind, &kSourceKind, &kConductanceKind}));
    // The source's branch entries are the only structural ones with unit magnitude.
    EXPECT_EQ(trail.elements[4]->real, 1.0);
    ASSERT_EQ(SolveOperatingPoint(nullptr, false, nullptr), 0);
    EXPECT_DOUBLE_EQ(Solution[1], 2.0);
    EXPECT_NEAR(Solution[3], -(2.0 - Solution[2]) / 1000, 1e-15);  // the branch current
}

TEST_F(EngineCircuit, LateKindsKeepTheCursorInStepBeforeSetUpIsDone) {
    RegisterDeviceKind(&kLateKind);
    late_enabled = true;
    AddSource(kCurrentSource, 0, 1, 1e-3);
    AddConductance(1, 0, 1e-3);
    late_loads = 0;
    NodeCount = 1;
    ASSERT_EQ(InitSimulationState(true, OperatingPointSlot), 0);
    EXPECT_EQ(late_loads, 0);  // skipped in the first pass, but the resistors stamp right
    const auto& elements = OperatingPointSlot.trail.elements;
    ASSERT_EQ(elements.size(), 5u);
    EXPECT_EQ(elements[0], elements[3]);       // both kinds share (1, 1)
    EXPECT_EQ(elements[3]->real, 1e-3);        // the resistor's own stamp landed on it
    MatrixSetUp = 1;
    ASSERT_EQ(NewtonSolve(nullptr, 50, 0), 0);
    EXPECT_GT(late_loads, 0);
    EXPECT_DOUBLE_EQ(Solution[1], 0.5);
    FreeSimulationState();
    late_enabled = false;
}

TEST_F(EngineCircuit, NodeSetHoldsOnlyInTheFirstModesOfTheOperatingPoint) {
    AddSource(kCurrentSource, 0, 1, 1e-3);
    AddConductance(1, 0, 1e-3);
    InitialConditionTable.push_back({.letter = 'V', .value = 0.25, .node1 = 1, .statement = 2});
    HasNodeSets = 1;
    ASSERT_EQ(Prepare(1), 0);
    const size_t structure = OperatingPointSlot.trail.elements.size();
    MatrixElement* tie = OperatingPointSlot.trail.elements[structure - 2];  // (1, 1) of the tie

    InitMode = kInitJunction;
    IterationCount = 0;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_DOUBLE_EQ(tie->real, 1e-3 + 1e6);
    EXPECT_DOUBLE_EQ(RightHandSide[1], 1e-3 + 0.25e6);

    InitMode = kInitFloat;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_DOUBLE_EQ(tie->real, 1e-3 + 1e-20);
    EXPECT_DOUBLE_EQ(RightHandSide[1], 1e-3);
    EXPECT_EQ(OperatingPointSlot.trail.elements.size(), structure);

    // The point with the node set: one more iteration after the set is let go.
    InitMode = kInitJunction;
    ASSERT_EQ(NewtonSolve(nullptr, 50, 0), 0);
    EXPECT_NEAR(Solution[1], 1.0, 1e-9);
}

TEST_F(EngineCircuit, InitialConditionsGoIntoTheSolution) {
    AddConductance(1, 2, 1e-3);
    AddConductance(2, 0, 1e-3);
    // V(2) = 1, V(1, 2) = 0.5: node 1 takes node 2's value plus the difference.
    InitialConditionTable.push_back({.letter = 'V', .value = 0.5, .node1 = 1, .node2 = 2});
    InitialConditionTable.push_back({.letter = 'V', .value = 1.0, .node1 = 2});
    HasInitialConditions = 1;
    ASSERT_EQ(Prepare(2), 0);
    AnalysisKind = 0;
    AnalysisMode = kModeTransient;
    ApplyInitialConditions();
    EXPECT_DOUBLE_EQ(Solution[2], 1.0);
    EXPECT_DOUBLE_EQ(Solution[1], 1.5);
    EXPECT_EQ(Solution[0], 0);

    // With UIC the load pass leaves the conditions out of the matrix.
    AnalysisMode = kModeDc;
    UseInitialConditions = 1;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_EQ(RightHandSide[1], 0);
    UseInitialConditions = 0;
    ASSERT_EQ(LoadCircuit(), 0);
    EXPECT_DOUBLE_EQ(RightHandSide[1], 0.5e6);

    // A digital node takes its state at full strength.
    InitialConditionTable.push_back({.letter = 'D', .digital_state = 3, .node1 = 7});
    static int forced = 0;
    Digital.force_node_state = [](int node, uint16_t state) { forced = node * 0x10000 + state; };
    ApplyInitialConditions();
    Digital = {};
    EXPECT_EQ(forced, 7 * 0x10000 + (0x1F8 | 3));
}

TEST_F(EngineCircuit, LoadFlagsFollowTheModes) {
    struct Case {
        int mode, sub, init, uic;
        int flags[8];
    };
    const Case cases[] = {
        {kModeDc, kSubModeOperatingPoint, kInitJunction, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
        {kModeDc, kSubModeOperatingPoint, kInitFloat, 0, {0, 1, 0, 0, 0, 0, 0, 0}},
        {kModeDc, kSubModeTransient, kInitTransient, 1, {0, 0, 0, 1, 1, 1, 1, 1}},
        {kModeTransient, kSubModeTransient, kInitPredict, 0, {0, 1, 1, 0, 1, 0, 1, 1}},
        {kModeDc, kSubModeDcSweep, kInitSmallSignal, 0, {0, 1, 0, 0, 1, 0, 0, 1}},
    };
    AddConductance(1, 0, 1);
    ASSERT_EQ(Prepare(1), 0);
    for (const Case& c : cases) {
        AnalysisMode = c.mode, AnalysisSubMode = c.sub, InitMode = c.init, UseInitialConditions = c.uic;
        ASSERT_EQ(LoadCircuit(), 0);
        for (int f = 1; f <= 7; ++f) EXPECT_EQ(LoadFlags[f], c.flags[f]) << "flag " << f << " init " << c.init;
    }
}

TEST_F(EngineCircuit, EquationNumberingAndEmptyCircuits) {
    AddSource(kCurrentSource, 0, 1, 1);
    Source* v1 = AddSource(kVoltageSource, 1, 0, 1);
    Source* v2 = AddSource(kVoltageSource, 2, 0, 1);
    NodeCount = 2;
    EXPECT_EQ(NumberBranchEquations(), 4);
    EXPECT_EQ(v1->branch, 3);
    EXPECT_EQ(v2->branch, 4);
    AnalysisKind = 1;
    EXPECT_EQ(GetEquationCount(), 8);
    AnalysisKind = -1;
    FreeSimulationState();

    // No equations: the load pass does nothing.
    EquationCount = 0;
    EXPECT_EQ(LoadCircuit(), 0);
    // No nodes: no matrix and the operating-point flag cleared.
    EXPECT_EQ(Prepare(0), 0);
    EXPECT_EQ(OperatingPointSlot.matrix, nullptr);
    EXPECT_EQ(OperatingPointPhase, 0);
}

// --- Device lists -----------------------------------------------------------------

int unlink_calls = 0;

struct NumberedInductor : DeviceInstance {
    int number = 0;
    int InductorNumber() const override { return number; }
};

TEST_F(EngineCircuit, DeviceListsKeepOrderMarksAndRelease) {
    SetListInsertMode(1);
    Conductance* first = AddConductance(1, 0, 1);
    Conductance* second = AddConductance(2, 0, 1);
    SetListInsertMode(2);
    EXPECT_EQ(DeviceListTable[kResistorList].first, second);  // built last, listed first
    EXPECT_EQ(DeviceListTable[kResistorList].count, 2);

    ClearDeviceListFlags();
    SetDeviceFlagByte1(first, kResistorList, 4);
    EXPECT_EQ(first->flag_byte1, 4);
    EXPECT_EQ(DeviceListTable[kResistorList].flag_byte1, 4);
    EXPECT_EQ(DeviceMarkUnion, 4u);
    EXPECT_EQ(second->flag_byte1, 0);

    EXPECT_EQ(SetDeviceListFlags(3), 7u);
    EXPECT_EQ(second->flag_byte0, 3);
    EXPECT_EQ(DeviceListTable[kCapacitorList].flag_byte1, 3);
    EXPECT_EQ(MaskDeviceListFlags(0), 0u);
    EXPECT_EQ(first->flag_byte1, 0);
    EXPECT_EQ(DeviceListTable[kResistorList].flag_byte0, 0);

    for (int n : {1, 2}) {
        auto* l = new NumberedInductor;
        l->number = n;
        AddDevice(kInductorList, l);
    }
    EXPECT_EQ(static_cast<NumberedInductor*>(FindDeviceBySource(2))->number, 2);
    EXPECT_EQ(FindDeviceBySource(3), nullptr);

    unlink_calls = 0;
    SetDeviceUnlinkHook([] { ++unlink_calls; });
    FreeDeviceLists();
    EXPECT_TRUE(DeviceListTable[kResistorList].empty());
    EXPECT_EQ(DeviceListTable[kResistorList].count, 0);
    FreeDeviceLists();  // empty lists still unlink the circuit
    EXPECT_EQ(unlink_calls, 2);
    SetDeviceUnlinkHook(nullptr);
}

}  // namespace
}  // namespace ob7
