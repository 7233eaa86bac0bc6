// The level-3 opamp: each valued element of its macro takes its value at the
// temperature update, the second input transistor its offset-shifted saturation
// current, and the macro's models the opamp's temperature parameters.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "devices/device_checks.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/opamp.h"
#include "sim/devices/opamp_macro.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"

namespace ob7 {
namespace {

using OpampMacroTest = ModelCircuit;

TEST_F(OpampMacroTest, ElementsTakeTheirValues) {
    ModelParams* opa = Model(kModelOpamp, {{"LEVEL", 3}, {"TYPE", kOpampNpn}, {"T_ABS", 50}});
    ModelParams* q1 = Model(kModelNpn, {{"IS", 1e-15}});
    ModelParams* q2 = Model(kModelNpn, {{"IS", 1e-15}});
    ModelParams* d = Model(kModelDiode, {});
    Opamp* o = AddOpamp(opa, 1, 2, 3);
    OpampMacro mac;
    mac.iee = AddSpiceSource(4, 0, 11, 0);
    mac.vc = AddSpiceSource(5, 0, kSpiceVoltageSource, 0);
    mac.ga = AddDependentSource(kFormG, 1, 2, 3, 0, 0);
    mac.gb = AddPolySource(kPolyG, 3, 0, {0, 0, 0}, {PolyControl{}, PolyControl{}});
    mac.c1 = AddCapacitor(6, 0, 0);
    mac.ce = AddCapacitor(7, 0, 0);
    mac.rc1 = AddResistor(8, 0, 1);
    mac.rc2 = AddResistor(9, 0, 1);
    mac.rp = AddResistor(10, 0, 1);
    mac.ro2 = AddResistor(11, 0, 1);
    mac.q1 = q1, mac.q2 = q2, mac.diodes = d;
    o->macro = &mac;

    const int result = UpdateOpampValues(o, 27);
    ASSERT_TRUE(result == 0 || result == kMsgOpampPd) << result;
    OpampMacroValues v;
    ComputeOpampParameters(o, &v, 27, 1e-15);
    const double pi = 3.14159265358979323846;
    const double rc = 1 / (2 * pi * opa->Real(kOpaGbw) * opa->Real(kOpaC));
    EXPECT_NEAR(mac.rc1->working_value, rc, 1e-9 * rc);
    EXPECT_EQ(mac.rc2->working_value, mac.rc1->working_value);
    EXPECT_NEAR(mac.ga->gain, 1 / rc, 1e-9 / rc);
    EXPECT_EQ(mac.iee->dc_value, v.iee);
    EXPECT_EQ(mac.vc->dc_value, opa->Real(kOpaVcc) - opa->Real(kOpaVps));
    EXPECT_EQ(mac.c1->working_value, v.c1);
    EXPECT_EQ(mac.ce->working_value, v.ce);
    EXPECT_EQ(mac.rp->working_value, v.rp);
    EXPECT_EQ(mac.ro2->working_value, opa->Real(kOpaRoutDc) - opa->Real(kOpaRoutAc));
    EXPECT_EQ(mac.gb->coefficients[1], v.gb);
    EXPECT_EQ(mac.gb->coefficients[2], -v.gb);
    // The input pair: each beta from its bias current, the second IS shifted by VOFF.
    EXPECT_EQ(q1->Real(kQBf), v.beta1);
    EXPECT_EQ(q2->Real(kQBf), v.beta2);
    const double vt = 1.3806226e-23 * 300.15 / 1.6021918e-19;
    EXPECT_NEAR(q2->Real(kQIs), 1e-15 * (1 + opa->Real(kOpaVoff) / vt), 1e-25);
    // The opamp's temperature parameters reach the second transistor and the diodes.
    EXPECT_EQ(q2->Real(kQTAbs), 50);
    EXPECT_EQ(d->Real(kDTAbs), 50);
    EXPECT_FALSE(IsGiven(q1->Real(kQTAbs)));
}

}  // namespace
}  // namespace ob7
