#include "sim/engine/integration.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

#include "sim/engine/load_pass.h"
#include "sim/engine/run_accounting.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

int WorkingMethod = kTrapezoidal;
int IntegrationOrder = 1;
double StepHistory[kMaxGearOrder + 1] = {};
double IntegrationCoefficients[kMaxGearOrder + 1] = {};
double Ag0 = 0, Ag1 = 0;

std::vector<double> StateValues;
std::vector<double> StateDerivatives;
int SimpleChargeSlots = 0;
int BjtBlockCount = 0;
int MosfetBlockCount = 0;

namespace {

// Truncation factors (error constants) by order, index 0 for order 1.
constexpr double kGearTruncationFactor[kMaxGearOrder] = {
    0.5, 0.2222222222, 0.1363636364, 0.096, 0.07299270073, 0.0583090379};
constexpr double kTrapTruncationFactor[2] = {0.5, 0.08333333333};

// Gear of order k: solve A * ag = (0, -1/h, 0, ...), A[0][j] = 1, A[i][0] = 0 and
// A[i][j] = t_j^i with t_j the distance back to point j in units of h.
void ComputeGearCoefficients(int k) {
    const double h = StepHistory[0];
    double* ag = IntegrationCoefficients;
    std::fill(ag, ag + kMaxGearOrder + 1, 0.0);
    ag[1] = -1.0 / h;

    const int n = k + 1;
    double a[kMaxGearOrder + 1][kMaxGearOrder + 1];
    double sum = 0;
    for (int j = 0; j < n; ++j) {
        if (j > 0) sum += StepHistory[j - 1];
        const double t = sum / h;
        a[0][j] = 1.0;
        double power = 1.0;
        for (int i = 1; i < n; ++i) {
            power *= t;
            a[i][j] = (j == 0) ? 0.0 : power;
        }
    }
    // LU without pivoting: the first row is all ones and the nodes are distinct, so
    // no pivot vanishes for positive steps.
    for (int p = 0; p < n; ++p) {
        for (int i = p + 1; i < n; ++i) {
            const double m = a[i][p] / a[p][p];
            a[i][p] = m;
            for (int j = p + 1; j < n; ++j) a[i][j] -= m * a[p][j];
        }
    }
    for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j) ag[i] -= a[i][j] * ag[j];
    for (int i = n - 1; i >= 0; --i) {
        for (int j = i + 1; j < n; ++j) ag[i] -= a[i][j] * ag[j];
        ag[i] /= a[i][i];
    }
}

template <class F>
void ForEveryGroup(F&& apply) {
    const int groups = static_cast<int>(StateValues.size()) / kHistorySlots;
    for (int g = 0; g < groups; ++g) apply(g * kHistorySlots);
}

}  // namespace

void AllocateChargeStates() {
    const size_t slots = static_cast<size_t>(SimpleChargeSlots) +
                         static_cast<size_t>(kHistorySlots) *
                             (kBjtBlockGroups * BjtBlockCount + kMosfetBlockGroups * MosfetBlockCount);
    StateValues.assign(slots, 0.0);
    StateDerivatives.assign(slots, 0.0);
}

void ComputeIntegrationCoefficients() {
    double* ag = IntegrationCoefficients;
    const double h = StepHistory[0];
    if (WorkingMethod == kTrapezoidal) {
        if (IntegrationOrder == 1) {
            ag[0] = 1.0 / h;
            ag[1] = -1.0 / h;
        } else if (IntegrationOrder == 2) {
            ag[0] = 2.0 / h;
            ag[1] = 1.0;
        } else {
            return;
        }
    } else if (WorkingMethod == kGear) {
        if (IntegrationOrder < 1 || IntegrationOrder > kMaxGearOrder) return;
        ComputeGearCoefficients(IntegrationOrder);
    } else {
        return;
    }
    Ag0 = ag[0];
    Ag1 = ag[1];
}

namespace {

// The present step's truncation rule, the same for every charge state: the order, the
// error constant, the tolerances and the divisors of the divided differences (they
// depend on the step history alone).
struct TruncationRule {
    bool usable = false;  // a method and order with an error constant and enough history
    int order = 0;
    double factor = 0, h = 0;
    double abstol = 0, reltol = 0, chgtol = 0, trtol = 0;
    double divisor[kHistorySlots][kHistorySlots] = {};  // [m][j] of the pass m, m = order .. 0
    double reciprocal[kHistorySlots][kHistorySlots] = {};  // 1 / divisor, for the screen
    double inverse_h = 0;
};

TruncationRule PresentTruncationRule() {
    TruncationRule rule;
    const int order = IntegrationOrder;
    // The divided differences read order + 2 history values of the group.
    if (order < 1 || order + 2 > kHistorySlots) return rule;
    if (WorkingMethod == kTrapezoidal && order <= 2) rule.factor = kTrapTruncationFactor[order - 1];
    else if (WorkingMethod == kGear) rule.factor = kGearTruncationFactor[order - 1];
    else return rule;
    rule.usable = true;
    rule.order = order;
    rule.h = StepHistory[0];
    rule.inverse_h = 1 / rule.h;
    rule.abstol = Options.abstol, rule.reltol = Options.reltol, rule.chgtol = Options.chgtol;
    rule.trtol = Options.trtol;
    double step_sum[kHistorySlots];
    for (int j = 0; j <= order; ++j) step_sum[j] = StepHistory[j];
    for (int m = order; m >= 0; --m) {
        for (int j = 0; j <= m; ++j) rule.divisor[m][j] = step_sum[j], rule.reciprocal[m][j] = 1 / step_sum[j];
        for (int j = 0; j < m; ++j) step_sum[j] = step_sum[j + 1] + StepHistory[j];
    }
    return rule;
}

// min(bound, the state's own proposal squared) under a usable rule of this order (the
// history slots hold order + 2 values for orders 1 and 2 only).
template <int Order>
[[gnu::always_inline]] inline double TruncationStepOf(const TruncationRule& rule, const double* q, const double* i, double bound) {
    static_assert(Order >= 1 && Order + 2 <= kHistorySlots);
    const double current_tol = rule.abstol + rule.reltol * std::max(std::fabs(i[0]), std::fabs(i[1]));
    const double charge_tol = rule.reltol * std::max({std::fabs(q[0]), std::fabs(q[1]), rule.chgtol}) / rule.h;
    const double tol = std::max(current_tol, charge_tol);

    double d[Order + 2];
#pragma GCC unroll 4
    for (int j = 0; j <= Order + 1; ++j) d[j] = q[j];
#pragma GCC unroll 4
    for (int m = Order; m >= 0; --m)
#pragma GCC unroll 4
        for (int j = 0; j <= m; ++j) d[j] = (d[j] - d[j + 1]) / rule.divisor[m][j];

    double del = rule.trtol * tol / std::max(rule.abstol, rule.factor * std::fabs(d[0]));
    if (Order == 2) del = std::sqrt(del);
    return std::min(bound, del * del);
}

// The screen: true only when the state's own proposal is surely no smaller than bound,
// so that the kernel above would return bound. It estimates the proposal without a
// division: the divided differences by reciprocals, widened by the same recursion on the
// magnitudes (rounding moves either calculation by a few 1e-16 of that, the widening is
// 1e-12 of it), the charge tolerance shrunk by 1e-12, the comparison made on products
// with a margin of 1e-9. Non-finite or vanishing values never pass.
template <int Order>
[[gnu::always_inline]] inline bool SurelyNotBelow(const TruncationRule& rule, const double* q, const double* i,
                                                  double bound) {
    const double current_tol = rule.abstol + rule.reltol * std::max(std::fabs(i[0]), std::fabs(i[1]));
    const double charge_tol =
        rule.reltol * std::max({std::fabs(q[0]), std::fabs(q[1]), rule.chgtol}) * rule.inverse_h * (1 - 1e-12);
    const double tol = std::max(current_tol, charge_tol);

    double d[Order + 2], a[Order + 2];
#pragma GCC unroll 4
    for (int j = 0; j <= Order + 1; ++j) d[j] = q[j], a[j] = std::fabs(q[j]);
#pragma GCC unroll 4
    for (int m = Order; m >= 0; --m)
#pragma GCC unroll 4
        for (int j = 0; j <= m; ++j) {
            d[j] = (d[j] - d[j + 1]) * rule.reciprocal[m][j];
            a[j] = (a[j] + a[j + 1]) * rule.reciprocal[m][j];
        }
    const double d0 = std::fabs(d[0]) + 1e-12 * a[0] + 1e-300;
    const double n = rule.trtol * tol, den = std::max(rule.abstol, rule.factor * d0);
    // The proposal is (n / den) squared at order 1 and n / den at order 2.
    const double lhs = Order == 1 ? n * n : n;
    const double rhs = Order == 1 ? bound * den * den : bound * den;
    return lhs >= 1e-280 && lhs > rhs * (1 + 1e-9);
}

template <class F>
double ForOrder(int order, F&& apply) {
    return order == 1 ? apply(std::integral_constant<int, 1>()) : apply(std::integral_constant<int, 2>());
}

}  // namespace

double ChargeTruncationStep(int s, double bound) {
    const TruncationRule rule = PresentTruncationRule();
    if (!rule.usable) return bound;
    return ForOrder(rule.order, [&](auto order) {
        return TruncationStepOf<order()>(rule, StateValues.data() + s, StateDerivatives.data() + s, bound);
    });
}

namespace {
double TruncationBound() {
    const TruncationRule rule = PresentTruncationRule();
    if (!rule.usable) return 1e20;
    const double* q = StateValues.data();
    const double* i = StateDerivatives.data();
    return ForOrder(rule.order, [&](auto order) {
        double bound = 1e20;
        const auto apply = [&](int s) {
            if (!SurelyNotBelow<order()>(rule, q + s, i + s, bound))
                bound = TruncationStepOf<order()>(rule, q + s, i + s, bound);
        };
        for (int s = 0; s < SimpleChargeSlots; s += kHistorySlots) apply(s);
        int block = SimpleChargeSlots;
        for (int b = 0; b < BjtBlockCount; ++b, block += kBjtBlockGroups * kHistorySlots)
            for (int g = 0; g < 3; ++g) apply(block + g * kHistorySlots);
        for (int m = 0; m < MosfetBlockCount; ++m, block += kMosfetBlockGroups * kHistorySlots)
            for (int g = 0; g < 3; ++g) apply(block + g * kHistorySlots);
        return bound;
    });
}
}  // namespace

double TruncationStep() {
    AccountedScope timed(&RunAccountingRecord::truncation_seconds);
    return std::min(std::sqrt(TruncationBound()), MaxTimeStep);
}

double TruncationStepLimited() { return std::min(TruncationStep(), 2.0 * StepHistory[0]); }

void ShiftChargeHistory() {
    for (std::vector<double>* v : {&StateValues, &StateDerivatives}) {
        double* x = v->data();
        // Read the group whole before writing it: the copies then need no reloads.
        ForEveryGroup([x](int s) {
            const double q0 = x[s], q1 = x[s + 1], q2 = x[s + 2];
            x[s + 1] = q0;
            x[s + 2] = q1;
            x[s + 3] = q2;
        });
    }
}

void RepeatLastAccepted() {
    for (std::vector<double>* v : {&StateValues, &StateDerivatives}) {
        double* x = v->data();
        ForEveryGroup([x](int s) { x[s + 2] = x[s + 3] = x[s + 1]; });
    }
}

int ClearChargeStates() {
    std::fill(StateValues.begin(), StateValues.end(), 0.0);
    std::fill(StateDerivatives.begin(), StateDerivatives.end(), 0.0);
    return 0;
}

void SaveAcceptedPoint() {
    std::swap(LastAcceptedSolution, EarlierAcceptedSolution);
    LastAcceptedSolution = Solution;
    PreviousIterate = Solution;
    if (Digital.save_accepted_states) Digital.save_accepted_states();
}

}  // namespace ob7
