// The generic checks catch the faults they are for: a load that stamps its entries in
// another order than its set-up recorded them, and one that stamps fewer. They load
// with the flags of the modes they set, not those an earlier pass left.

#include <gtest/gtest.h>

#include "devices/device_checks.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/resistor.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

// A square-law conductance between a and ground, on a list no real kind uses here.
struct SquareLaw : DeviceInstance {
    int a = 0;
    int fault = 0;  // 0 none, 1 stamps the diagonal first, 2 stamps one entry too few,
                    // 3 skips its load while bypass is allowed
};
int SetupSquareLaw() {
    for (auto* d : DevicesOf<SquareLaw>(kNPortList)) {
        if (int error = AllocMatrixEntry(d->a, 0)) return error;
        if (int error = AllocMatrixEntry(d->a, d->a)) return error;
    }
    return 0;
}
// i = v^2 from a to ground, g = 2 v.
int LoadSquareLaw() {
    for (auto* d : DevicesOf<SquareLaw>(kNPortList)) {
        if (d->fault == 3 && BypassAllowed) continue;
        const double v = Solution[d->a], g = 2 * v;
        if (d->fault == 1) {
            StampNext(g);
            StampNext(0);
        } else {
            StampNext(0);
            if (d->fault != 2) StampNext(g);
        }
        AddBranchCurrent(d->a, 0, v * v - g * v);
    }
    return 0;
}
const DeviceKindHandler kSquareLawKind{LoadStage::AtoDInterfaces, 99, SetupSquareLaw, LoadSquareLaw};

class GenericChecks : public DeviceCircuit {
protected:
    SquareLaw* Build(int fault) {
        RegisterDeviceKind(&kSquareLawKind);
        auto* d = new SquareLaw;
        d->a = 1;
        AddDevice(kNPortList, d);
        AddResistor(1, 0, 1);
        EXPECT_EQ(Prepare(1), 0);
        d->fault = fault;  // after the set-up pass, whose own load asserts a full walk
        return d;
    }
};

TEST_F(GenericChecks, SoundLoadPasses) {
    Build(0);
    for (double v : {-2.0, 0.5, 3.0}) {
        const std::vector<double> x = {0, v};
        EXPECT_TRUE(LoadWalksSetUp(kSquareLawKind, x));
        EXPECT_TRUE(ConductancesMatchCurrents(kSquareLawKind, x));
    }
}

TEST_F(GenericChecks, OutOfOrderStampsAreCaught) {
    Build(1);
    const std::vector<double> x = {0, 0.5};
    EXPECT_TRUE(LoadWalksSetUp(kSquareLawKind, x));  // the count is right ...
    EXPECT_FALSE(ConductancesMatchCurrents(kSquareLawKind, x));  // ... the places are not
}

TEST_F(GenericChecks, MissingStampsAreCaught) {
    Build(2);
    const std::vector<double> x = {0, 0.5};
    EXPECT_FALSE(LoadWalksSetUp(kSquareLawKind, x));
    EXPECT_FALSE(ConductancesMatchCurrents(kSquareLawKind, x));
}

// A kept linearisation reused would match its own difference quotients whatever the
// evaluation does, so the checks load with bypass off, whatever the caller left.
TEST_F(GenericChecks, BypassIsOffWhileChecking) {
    Build(3);
    BypassAllowed = 1;
    const std::vector<double> x = {0, 0.5};
    EXPECT_TRUE(LoadWalksSetUp(kSquareLawKind, x));
    EXPECT_TRUE(ConductancesMatchCurrents(kSquareLawKind, x));
}

// A predicting pass (a new time point) leaves its flags behind; the check must not load
// the kind as if it predicted.
TEST_F(GenericChecks, FlagsFollowTheCheckedModes) {
    Build(0);
    AnalysisMode = kModeTransient;
    InitMode = kInitPredict;
    ASSERT_EQ(LoadCircuit(), 0);
    ASSERT_TRUE(NewTimePoint());
    const std::vector<double> x = {0, 0.5};
    LoadKindAt(kSquareLawKind, x);
    EXPECT_FALSE(NewTimePoint());
    EXPECT_FALSE(TranOrAc());
    LoadKindAt(kSquareLawKind, x, LoadPoint::Time);
    EXPECT_FALSE(NewTimePoint());
    EXPECT_TRUE(TranOrAc());
}

}  // namespace
}  // namespace ob7
