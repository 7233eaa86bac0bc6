// The MOSFET instance parameters stepping reaches: a stepped size is given while it
// steps, and Restore brings back the size as compiled, given mark included.

#include "analysis/mosfet_stepping.h"

#include <gtest/gtest.h>

#include "analysis/stepping.h"
#include "sim/devices/mosfet.h"

namespace ob7 {
namespace {

StepVariable Variable(const char* param, double from) {
    StepVariable v;
    v.param = param;
    v.fromValue = v.current = from;
    return v;
}

TEST(MosfetStepping, SteppedSizeIsGivenAndRestoredAsCompiled) {
    MosfetInstance m;
    m.parsed_L = 2e-6, m.parsed_L_given = 1;  // W left to the model
    StepVariable w = Variable("Value.W", 5e-6), l = Variable("value.l", 3e-6);
    ASSERT_EQ(ResolveMosfetStep(m, w), 0);
    ASSERT_EQ(ResolveMosfetStep(m, l), 0);
    EXPECT_EQ(w.target, &m.parsed_W);
    ASSERT_EQ(AdvanceStepVariable(w, kStepBegin, true), 0);
    ASSERT_EQ(AdvanceStepVariable(l, kStepBegin, true), 0);
    EXPECT_EQ(m.parsed_W, 5e-6);
    EXPECT_EQ(m.parsed_W_given, 1);
    EXPECT_EQ(m.parsed_L, 3e-6);
    AdvanceStepVariable(w, kStepRestore, false);
    AdvanceStepVariable(l, kStepRestore, false);
    EXPECT_EQ(m.parsed_W, 0);
    EXPECT_EQ(m.parsed_W_given, 0);
    EXPECT_EQ(m.parsed_L, 2e-6);
    EXPECT_EQ(m.parsed_L_given, 1);
}

TEST(MosfetStepping, EveryNameReachesItsOwnValue) {
    MosfetInstance m;
    const std::vector<std::string>& names = MosfetStepNames();
    ASSERT_EQ(names.size(), 11u);
    double* const values[11] = {&m.M,   &m.parsed_L, &m.parsed_W, &m.parsed_AD, &m.parsed_AS, &m.parsed_PD,
                                &m.parsed_PS, &m.NRD, &m.NRS, &m.NRB, &m.NRG};
    for (size_t i = 0; i < names.size(); ++i) {
        StepVariable v = Variable(names[i].c_str(), 7);
        ASSERT_EQ(ResolveMosfetStep(m, v), 0) << names[i];
        EXPECT_EQ(v.target, values[i]) << names[i];
        v.write(7);
        EXPECT_EQ(*values[i], 7) << names[i];
    }
    StepVariable unknown = Variable("value.tox", 1);
    EXPECT_EQ(ResolveMosfetStep(m, unknown), 15055);
}

}  // namespace
}  // namespace ob7
