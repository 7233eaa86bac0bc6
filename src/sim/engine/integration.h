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

// Updates i[s] from the charge history; geq = ag0 * C, ceq = i[s] - ag0 * q[s].
// Outputs are left unwritten for an unknown method or an order the history cannot hold.
void IntegrateCharge(double& geq, double& ceq, double capacitance, int s);
void IntegrateChargeGeqOnly(double& geq, double capacitance, int s);
void IntegrateChargeDerivative(int s);

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
