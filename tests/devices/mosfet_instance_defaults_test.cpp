// Instance defaults of the BSIM levels: geometry, squares, series conductances and the
// BSIM3 model values that follow from other model values.

#include <gtest/gtest.h>

#include <cmath>

#include "devices/device_checks.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_instance_defaults.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {
namespace {

using MosfetInstanceDefaults = ModelCircuit;

TEST_F(MosfetInstanceDefaults, Level8GeometryAndModelDefaults) {
    ModelParams* n = Model(kModelNmos8, {{"LEVEL", 8}, {"TOX", 4e-9}, {"XJ", 1.5e-7}, {"RD", 20}, {"NJ", 1.2}});
    ModelParams* p = Model(kModelPmos8, {{"LEVEL", 8}, {"TOX", 4e-9}, {"DLC", 2e-8}, {"CGDL", 1e-11}});
    ModelReals(*n)[kBsim3TypeSlot] = 1;
    ModelReals(*p)[kBsim3TypeSlot] = -1;
    MosfetInstance* a = AddMosfet(n, 1, 2, 0, 0);
    MosfetInstance* b = AddMosfet(p, 1, 2, 0, 0, 2e-6, 1e-6);
    a->level = b->level = 8;
    a->NRD = 0;
    b->NRD = -1;
    ASSERT_EQ(UpdateModelTemperatures(27), 0);
    // Neither instance nor model gives a size: 5 um.
    EXPECT_EQ(a->W, 5e-6);
    EXPECT_EQ(a->L, 5e-6);
    EXPECT_EQ(b->W, 2e-6);
    EXPECT_EQ(a->NRD, 1);
    EXPECT_EQ(b->NRD, -1);  // the not-given mark stays
    const double cox = 3.453133e-11 / 4e-9;
    EXPECT_DOUBLE_EQ(n->Real(kBsim3CoxSlot), cox);
    EXPECT_DOUBLE_EQ(n->Real(FindModelParam(kModelNmos8, "RD")), 1 / 20.0);
    EXPECT_DOUBLE_EQ(n->Real(FindModelParam(kModelNmos8, "U0")), 0.067);
    EXPECT_DOUBLE_EQ(p->Real(FindModelParam(kModelPmos8, "U0")), 0.025);
    EXPECT_DOUBLE_EQ(n->Real(FindModelParam(kModelNmos8, "CF")), 2.1983396197111725e-11 * std::log(1 + 4e-7 / 4e-9));
    // Overlap capacitances: from XJ without DLC, from DLC less the edge part with it.
    EXPECT_DOUBLE_EQ(n->Real(FindModelParam(kModelNmos8, "CGDO")), 0.6 * 1.5e-7 * cox);
    EXPECT_DOUBLE_EQ(p->Real(FindModelParam(kModelPmos8, "CGDO")), 2e-8 * cox - 1e-11);
    EXPECT_DOUBLE_EQ(n->Real(FindModelParam(kModelNmos8, "N")), 1.2);
    EXPECT_DOUBLE_EQ(p->Real(FindModelParam(kModelPmos8, "NOIA")), 9.9e18);
    EXPECT_GE(n->Real(FindModelParam(kModelNmos8, "IS")), 1e-14);
}

TEST_F(MosfetInstanceDefaults, Level4TakesTheModelSize) {
    ModelParams* m = Model(kModelNmos4, {{"LEVEL", 4}, {"W", 3e-6}, {"RSH", 10}, {"IS", -1}});
    MosfetInstance* d = AddMosfet(m, 1, 2, 0, 0, 0, 1e-6);
    d->level = 4;
    ASSERT_EQ(UpdateModelTemperatures(27), 0);
    EXPECT_EQ(d->W, 3e-6);
    EXPECT_EQ(d->L, 1e-6);
    EXPECT_EQ(d->AD, Options.defad);
    EXPECT_EQ(m->Real(FindModelParam(kModelNmos4, "IS")), 1e-14);
    EXPECT_DOUBLE_EQ(m->Real(FindModelParam(kModelNmos4, "RSH")), 0.1);
}

}  // namespace
}  // namespace ob7
