// Numeric-table sources: every form follows its piecewise-linear table through the
// engine, extrapolates along its end segments and takes GMIN as the slope of a flat
// segment; the small-signal gain is the slope at the operating point.

#include <gtest/gtest.h>

#include <cmath>

#include "devices/device_checks.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/devices/table_source.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

using TableSources = DeviceCircuit;

// The table (0, 0) (1, 2) (2, 2) (3, -1): rising, flat, falling.
const std::vector<std::pair<double, double>> kTable = {{0, 0}, {1, 2}, {2, 2}, {3, -1}};

double TableValue(double u) {
    if (u <= 1) return 2 * u;  // the first segment, extrapolated below 0
    if (u <= 2) return 2;
    return 2 - 3 * (u - 2);    // the last segment, extrapolated past 3
}

// Each form senses the input through 1 ohm at node 3 (G, E: the voltage, F, H: the
// current into their measuring branch) and drives 1 kohm at node 2 from ground: a current output leaves into node 2, a voltage output
// is V(ground) - V(2).
TEST_F(TableSources, EveryFormFollowsItsTable) {
    for (int form : {kTableG, kTableF, kTableE, kTableH}) {
        for (double vin : {-0.5, 0.5, 1.5, 2.5, 4.0}) {
            SCOPED_TRACE(testing::Message() << "form " << form << " input " << vin);
            const bool current_input = form == kTableF || form == kTableH;
            AddSpiceSource(1, 0, kSpiceVoltageSource, vin);
            AddResistor(1, 3, 1);
            TableSource* s = AddTableSource(form, 3, 0, 0, 2, kTable);
            if (!current_input) AddResistor(3, 0, 1e9);
            AddResistor(2, 0, 1e3);
            ASSERT_EQ(Prepare(3), 0);
            ASSERT_EQ(SolveOperatingPoint(), 0);
            const double y = TableValue(vin);
            const double expected = form == kTableG || form == kTableF ? y * 1e3 : -y;
            EXPECT_NEAR(V(2), expected, 1e-6 * std::max(1.0, std::fabs(expected)));
            if (vin == 1.5) {  // the flat segment
                EXPECT_EQ(s->slope, Options.gmin);
            }
            EXPECT_TRUE(LoadWalksSetUp(kTableSourceKind, Solution));
            EXPECT_TRUE(ConductancesMatchCurrents(kTableSourceKind, Solution));  // inside a segment
            FreeSimulationState();
        }
    }
}

TEST_F(TableSources, SmallSignalGainIsTheSlope) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 2.5);
    TableSource* s = AddTableSource(kTableG, 1, 0, 2, 0, kTable);
    AddResistor(2, 0, 1);
    ASSERT_EQ(Prepare(2), 0);
    ASSERT_EQ(SolveOperatingPoint(), 0);
    EXPECT_EQ(s->slope, -3);
    AllocateAcVectors();
    AcSolution[2] = 0.1;  // V(1) = 0.1 in AC
    ASSERT_EQ(ComputeTableSourceAcCurrents(), 0);
    EXPECT_NEAR(s->ac_current.real(), -0.3, 1e-15);
    FreeAcVectors();
    AcceptTableSourceStates();
    EXPECT_EQ(s->previous_segment, 3);
    EXPECT_EQ(s->previous_input, 2.5);
}

}  // namespace
}  // namespace ob7
