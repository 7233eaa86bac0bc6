// Integration coefficients, charge integration and the truncation-error step.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "sim/engine/integration.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class Integration : public ::testing::Test {
protected:
    void SetUp() override {
        FillOptionDefaultTexts(1);
        ParseSimulationOptions(true);
        SimpleChargeSlots = 2 * kHistorySlots;
        BjtBlockCount = MosfetBlockCount = 0;
        AllocateChargeStates();
        MaxTimeStep = 1.0;
    }
    void SetSteps(std::initializer_list<double> steps) {
        std::fill(std::begin(StepHistory), std::end(StepHistory), 0.0);
        int j = 0;
        for (double h : steps) StepHistory[j++] = h;
    }
    void Use(int method, int order) {
        WorkingMethod = method;
        IntegrationOrder = order;
        ComputeIntegrationCoefficients();
    }
    // Charge history of state s from q(t) at the present point and the older ones.
    template <class F>
    void FillHistory(int s, F q) {
        double t = 0;
        for (int j = 0; j < kHistorySlots; ++j) {
            StateValues[s + j] = q(t);
            t -= StepHistory[j];
        }
    }
};

TEST_F(Integration, TrapezoidalCoefficientsAreClosedForm) {
    SetSteps({2e-6});
    Use(kTrapezoidal, 1);
    EXPECT_DOUBLE_EQ(IntegrationCoefficients[0], 1 / 2e-6);
    EXPECT_DOUBLE_EQ(IntegrationCoefficients[1], -1 / 2e-6);
    Use(kTrapezoidal, 2);
    EXPECT_DOUBLE_EQ(IntegrationCoefficients[0], 2 / 2e-6);
    EXPECT_DOUBLE_EQ(IntegrationCoefficients[1], 1.0);
    EXPECT_EQ(Ag0, IntegrationCoefficients[0]);
    EXPECT_EQ(Ag1, 1.0);

    // An unknown order leaves everything as it was.
    Use(kTrapezoidal, 3);
    EXPECT_DOUBLE_EQ(IntegrationCoefficients[0], 2 / 2e-6);
    EXPECT_DOUBLE_EQ(Ag1, 1.0);
}

TEST_F(Integration, GearCoefficientsAreClosedForm) {
    const double h0 = 1e-3, h1 = 3e-3;
    SetSteps({h0, h1});
    Use(kGear, 1);  // backward Euler
    EXPECT_DOUBLE_EQ(IntegrationCoefficients[0], 1 / h0);
    EXPECT_DOUBLE_EQ(IntegrationCoefficients[1], -1 / h0);
    Use(kGear, 2);  // second-order BDF with unequal steps
    EXPECT_NEAR(IntegrationCoefficients[0], (2 * h0 + h1) / (h0 * (h0 + h1)), 1e-9);
    EXPECT_NEAR(IntegrationCoefficients[1], -(h0 + h1) / (h0 * h1), 1e-9);
    EXPECT_NEAR(IntegrationCoefficients[2], h0 / (h1 * (h0 + h1)), 1e-9);
    SetSteps({h0, h0});
    Use(kGear, 2);
    EXPECT_NEAR(IntegrationCoefficients[0], 1.5 / h0, 1e-9);
    EXPECT_NEAR(IntegrationCoefficients[1], -2 / h0, 1e-9);
    EXPECT_NEAR(IntegrationCoefficients[2], 0.5 / h0, 1e-9);
}

TEST_F(Integration, GearOfOrderKIsExactOnPolynomialsOfDegreeK) {
    SetSteps({1.0, 1.3, 0.7, 1.9, 0.5, 1.1});
    for (int k = 1; k <= kMaxGearOrder; ++k) {
        Use(kGear, k);
        for (int degree = 0; degree <= k; ++degree) {
            // x(t) = t^degree + 1, derivative at t = 0 is 1 for degree 1, else 0.
            double sum = 0, t = 0;
            for (int j = 0; j <= k; ++j) {
                sum += IntegrationCoefficients[j] * (std::pow(t, degree) + 1);
                t -= StepHistory[j];
            }
            EXPECT_NEAR(sum, degree == 1 ? 1.0 : 0.0, 1e-9) << "order " << k << " degree " << degree;
        }
        // One degree more is not exact.
        double sum = 0, t = 0;
        for (int j = 0; j <= k; ++j) {
            sum += IntegrationCoefficients[j] * std::pow(t, k + 1);
            t -= StepHistory[j];
        }
        EXPECT_GT(std::fabs(sum), 1e-6) << "order " << k;
    }
}

TEST_F(Integration, IntegrateChargeGivesTheCompanionModel) {
    SetSteps({0.5, 0.5, 0.5});
    // Gear of orders 1 to 3 on q = t^k: the derivative at 0 is 0 (k > 1) or 1.
    for (int k = 1; k <= 3; ++k) {
        Use(kGear, k);
        FillHistory(0, [k](double t) { return std::pow(t + 1, k); });
        double geq = -1, ceq = -1;
        IntegrateCharge(geq, ceq, 2e-12, 0);
        EXPECT_NEAR(StateDerivatives[0], k, 1e-9) << k;
        EXPECT_DOUBLE_EQ(geq, IntegrationCoefficients[0] * 2e-12);
        EXPECT_DOUBLE_EQ(ceq, StateDerivatives[0] - IntegrationCoefficients[0] * StateValues[0]);
    }
    // Trapezoidal order 2 with a constant charge: the current alternates.
    Use(kTrapezoidal, 2);
    FillHistory(4, [](double) { return 1e-9; });
    StateDerivatives[5] = 3e-3;
    IntegrateChargeDerivative(4);
    EXPECT_DOUBLE_EQ(StateDerivatives[4], -3e-3);

    // Orders that the four history slots cannot hold leave the outputs alone.
    Use(kGear, 4);
    double geq = 7, ceq = 8;
    IntegrateCharge(geq, ceq, 1, 0);
    EXPECT_EQ(geq, 7);
    EXPECT_EQ(ceq, 8);
}

TEST_F(Integration, TruncationStepFollowsTheDividedDifferenceFormula) {
    SetSteps({1e-6, 2e-6, 1.5e-6, 1e-6});
    MaxTimeStep = 1.0;
    struct Case {
        int method, order;
        double factor;
    };
    for (const Case c : {Case{kTrapezoidal, 1, 0.5}, Case{kTrapezoidal, 2, 0.08333333333},
                         Case{kGear, 1, 0.5}, Case{kGear, 2, 0.2222222222}}) {
        Use(c.method, c.order);
        // q = a t^(order+1): its divided difference of that order is a exactly.
        const double a = 1e6;
        FillHistory(0, [&](double t) { return a * std::pow(t + 1e-5, c.order + 1); });
        StateDerivatives[0] = 2e-3;
        StateDerivatives[1] = -1e-3;
        const double h = StepHistory[0];
        const double tol = std::max(Options.abstol + Options.reltol * 2e-3,
                                    Options.reltol * std::max({std::fabs(StateValues[0]), std::fabs(StateValues[1]),
                                                               Options.chgtol}) / h);
        double del = Options.trtol * tol / std::max(Options.abstol, c.factor * a);
        if (c.order == 2) del = std::sqrt(del);
        EXPECT_NEAR(ChargeTruncationStep(0, 1e20), del * del, del * del * 1e-6) << c.method << c.order;
        EXPECT_EQ(ChargeTruncationStep(0, 1e-30), 1e-30);
        // The second state never changes, so the first one sets the step.
        EXPECT_NEAR(TruncationStep(), std::min(del, MaxTimeStep), del * 1e-6);
    }
    // Order 3 would read a fifth history value, past the state's four slots.
    Use(kGear, 3);
    EXPECT_EQ(ChargeTruncationStep(0, 5.0), 5.0);
}

TEST_F(Integration, ConstantChargeIsLimitedByMaximumStepAndDoubling) {
    SetSteps({1e-6, 1e-6, 1e-6});
    Use(kTrapezoidal, 2);
    FillHistory(0, [](double) { return 1e-12; });
    FillHistory(4, [](double) { return 0.0; });
    // d[0] = 0: del = TRTOL * tol / ABSTOL, far above the step.
    MaxTimeStep = 1.0;
    EXPECT_NEAR(std::sqrt(ChargeTruncationStep(0, 1e20)),
                std::sqrt(Options.trtol * (Options.reltol * 1e-12 / 1e-6) / Options.abstol), 1e-9);
    MaxTimeStep = 5e-6;
    EXPECT_DOUBLE_EQ(TruncationStep(), 5e-6);
    EXPECT_DOUBLE_EQ(TruncationStepLimited(), 2e-6);
}

TEST_F(Integration, BlocksCountOnlyTheirFirstThreeCharges) {
    SimpleChargeSlots = 0;
    BjtBlockCount = 1;
    MosfetBlockCount = 1;
    AllocateChargeStates();
    ASSERT_EQ(StateValues.size(), size_t(kHistorySlots * (5 + 7)));
    SetSteps({1e-6, 1e-6, 1e-6});
    Use(kGear, 1);
    MaxTimeStep = 1.0;
    // A moving charge in the fourth group of the bipolar block is not a charge state.
    FillHistory(3 * kHistorySlots, [](double t) { return 1e3 * t * t; });
    EXPECT_DOUBLE_EQ(TruncationStep(), 1.0);
    // In the third group of the MOSFET block it is.
    FillHistory((5 + 2) * kHistorySlots, [](double t) { return 1e3 * t * t; });
    EXPECT_LT(TruncationStep(), 1e-3);
}

// The pass over all states screens out those that cannot lower the step before it
// divides; the result must be exactly the state-by-state one, whatever the charges.
TEST_F(Integration, ScreenedPassEqualsStateByStateSteps) {
    SimpleChargeSlots = 64 * kHistorySlots;
    AllocateChargeStates();
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> pick(0, 5);
    int screened_cases = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const double h = std::pow(10.0, -12 + 6 * std::fabs(unit(random)));
        SetSteps({h, h * (1 + unit(random) * 0.9), h * (1 + unit(random) * 0.9), h});
        Use(trial % 2 ? kTrapezoidal : kGear, 1 + trial % 4 / 2);
        const double scale = std::pow(10.0, -18 + 12 * std::fabs(unit(random)));
        for (size_t k = 0; k < StateValues.size(); ++k) {
            // Smooth charges, constants, zeros, steps and equal neighbours.
            const size_t s = k / kHistorySlots * kHistorySlots, j = k % kHistorySlots;
            switch (pick(random) + static_cast<int>(s) % 2) {
            case 0: StateValues[k] = 0; break;
            case 1: StateValues[k] = scale; break;
            case 2: StateValues[k] = j > 0 ? StateValues[k - 1] : scale * unit(random); break;
            default: StateValues[k] = scale * (1 + 1e-3 * j * unit(random)); break;
            }
            StateDerivatives[k] = scale / h * unit(random);
        }
        double expected = 1e20;
        for (int s = 0; s < SimpleChargeSlots; s += kHistorySlots) expected = ChargeTruncationStep(s, expected);
        MaxTimeStep = 1e30;
        ASSERT_EQ(TruncationStep(), std::sqrt(expected)) << trial;
        if (expected < 1e20) ++screened_cases;
    }
    EXPECT_GT(screened_cases, 100);
}

TEST_F(Integration, HistoryShiftsAndRepeats) {
    for (int j = 0; j < kHistorySlots; ++j) StateValues[j] = StateDerivatives[j] = j + 1;
    ShiftChargeHistory();
    EXPECT_EQ(StateValues[1], 1);
    EXPECT_EQ(StateValues[2], 2);
    EXPECT_EQ(StateValues[3], 3);
    StateDerivatives[1] = 9;
    RepeatLastAccepted();
    EXPECT_EQ(StateDerivatives[2], 9);
    EXPECT_EQ(StateDerivatives[3], 9);
    EXPECT_EQ(ClearChargeStates(), 0);
    EXPECT_EQ(StateValues[1], 0);
}

}  // namespace
}  // namespace ob7
