#pragma once
// Newton step limiting of junction and channel voltages, and the charge and capacitance
// of a pn junction. Shared by every junction and FET load (and by model fitting).

namespace ob7 {

// The new junction voltage limited against the old one; *limited is 1 when it was.
double LimitJunctionVoltage(double v_new, double v_old, double vt, double vcrit, int* limited);
// The same in place: *limited (preset to 1 by the caller) is cleared when nothing was
// limited and left as it was otherwise.
void LimitJunctionVoltageInPlace(double& v, int& limited, double v_old, double vt, double vcrit);

// The gate voltage of a FET limited against the old one, around the threshold vto.
double LimitFetVoltage(double v_new, double v_old, double vto);
void LimitFetVoltageInPlace(double& v, double v_old, double vto);

// The drain-source voltage limited against the old one.
double LimitVds(double v_new, double v_old);

// Charge of a junction into level 0 of state `state` and its capacitance into *capacitance
// (both added to when `accumulate`). coefficients[fc_index] is the depletion threshold
// voltage, coefficients[forward_index .. +2] the three coefficients of the forward
// extension (DepletionCapacitanceCoefficients). tt the transit time, current and
// conductance those of the junction, cj0 the zero-bias capacitance.
void JunctionChargeAndCapacitance(const double* coefficients, int fc_index, int forward_index, int state,
                                  double v, double pb, double mj, double tt, double current, double cj0,
                                  double conductance, double* capacitance, int accumulate);

}  // namespace ob7
