#pragma once
// Numerical integration of charges into companion models (trapezoidal rule or Gear's
// backward differentiation formulas) and the local-truncation-error step proposal.

#include <vector>

namespace ob7 {

enum IntegrationMethod : int { kGear = 0, kTrapezoidal = 1 };

// Every state has this many history slots: 0 the point being solved, 1 the last
// accepted point, 2 and 3 older ones.
inline constexpr int kHistorySlots = 4;
inline constexpr int kMaxGearOrder = 6;

extern int WorkingMethod;            // takes METHOD whenever the options are parsed
extern int IntegrationOrder;         // 1 or 2 in the transient driver
extern double StepHistory[kMaxGearOrder + 1];  // [0] the present step, then older ones
extern double IntegrationCoefficients[kMaxGearOrder + 1];  // ag[]
extern double Ag0, Ag1;              // ag[0] and ag[1] kept apart for the device models

// Charge states q and their currents i, in groups of kHistorySlots.
extern std::vector<double> StateValues;
extern std::vector<double> StateDerivatives;
// Layout of the groups: simple states first (slots), then the bipolar blocks of five
// groups and the MOSFET blocks of seven, each block's first three groups charges.
extern int SimpleChargeSlots;
extern int BjtBlockCount;
extern int MosfetBlockCount;
inline constexpr int kBjtBlockGroups = 5;
inline constexpr int kMosfetBlockGroups = 7;

// Sizes both state arrays for the layout above, zeroed.
void AllocateChargeStates();

// ag[] for the working method, order and step history; an unknown method or order
// leaves everything unchanged.
void ComputeIntegrationCoefficients();

// The formula that gives a state's current from its charge history under the working
// method, order and coefficients. Read once, it serves a pass over many states.
struct ChargeFormula {
    enum Kind : int { kUnusable, kTrapezoidal1, kTrapezoidal2, kGearK } kind = kUnusable;
    int order = 0;
    double ag[kMaxGearOrder + 1] = {};

    // Whether the history slots hold what the method and order read (order + 1 values).
    bool Usable() const { return kind != kUnusable; }
    // i[0] from q[0..order] (and i[1]) of one state; only for a usable formula.
    double Derivative(const double* q, const double* i) const {
        if (kind == kTrapezoidal1) return ag[0] * q[0] + ag[1] * q[1];
        if (kind == kTrapezoidal2) return ag[0] * (q[0] - q[1]) - ag[1] * i[1];
        double value = 0;
        for (int j = 0; j <= order; ++j) value += ag[j] * q[j];
        return value;
    }
    // The companion model of one state of the given capacitance: i[0] from the history,
    // then the conductance and the current source; only for a usable formula.
    void Integrate(const double* q, double* i, double capacitance, double& geq, double& ceq) const {
        i[0] = Derivative(q, i);
        geq = ag[0] * capacitance;
        ceq = i[0] - ag[0] * q[0];
    }
};
// The formula of the present step.
inline ChargeFormula PresentChargeFormula() {
    ChargeFormula f;
    f.order = IntegrationOrder;
    if (WorkingMethod == kTrapezoidal && IntegrationOrder == 1) f.kind = ChargeFormula::kTrapezoidal1;
    else if (WorkingMethod == kTrapezoidal && IntegrationOrder == 2) f.kind = ChargeFormula::kTrapezoidal2;
    else if (WorkingMethod == kGear && IntegrationOrder >= 1 && IntegrationOrder < kHistorySlots)
        f.kind = ChargeFormula::kGearK;
    for (int j = 0; j <= kMaxGearOrder; ++j) f.ag[j] = IntegrationCoefficients[j];
    return f;
}

// Whether the integration can read the history as far back as the method and order need.
inline bool IntegrationUsable() {
    if (WorkingMethod == kTrapezoidal) return IntegrationOrder == 1 || IntegrationOrder == 2;
    if (WorkingMethod == kGear) return IntegrationOrder >= 1 && IntegrationOrder < kHistorySlots;
    return false;
}

// i[s] from the charge history by the working method and order (usable ones only).
inline void UpdateChargeDerivative(int s) {
    double* q = StateValues.data();
    double* i = StateDerivatives.data();
    const double* ag = IntegrationCoefficients;
    if (WorkingMethod == kTrapezoidal) {
        if (IntegrationOrder == 1)
            i[s] = ag[0] * q[s] + ag[1] * q[s + 1];
        else
            i[s] = ag[0] * (q[s] - q[s + 1]) - ag[1] * i[s + 1];
        return;
    }
    double value = 0;
    for (int j = 0; j <= IntegrationOrder; ++j) value += ag[j] * q[s + j];
    i[s] = value;
}

// Updates i[s] from the charge history; geq = ag0 * C, ceq = i[s] - ag0 * q[s].
// Outputs are left unwritten for an unknown method or an order the history cannot hold.
// Inline: every charge of every device goes through them at every iteration.
inline void IntegrateCharge(double& geq, double& ceq, double capacitance, int s) {
    if (!IntegrationUsable()) return;
    UpdateChargeDerivative(s);
    geq = IntegrationCoefficients[0] * capacitance;
    ceq = StateDerivatives[s] - IntegrationCoefficients[0] * StateValues[s];
}
inline void IntegrateChargeGeqOnly(double& geq, double capacitance, int s) {
    if (!IntegrationUsable()) return;
    UpdateChargeDerivative(s);
    geq = IntegrationCoefficients[0] * capacitance;
}
inline void IntegrateChargeDerivative(int s) {
    if (IntegrationUsable()) UpdateChargeDerivative(s);
}

// Truncation-error step of one charge state: min(bound, own proposal squared).
double ChargeTruncationStep(int s, double bound);
// Proposal over all charge states, limited by the maximum step (and by 2h).
double TruncationStepLimited();
double TruncationStep();

void ShiftChargeHistory();
void RepeatLastAccepted();
int ClearChargeStates();

// The last two accepted solutions and the previous iterate take the solution.
void SaveAcceptedPoint();

}  // namespace ob7
