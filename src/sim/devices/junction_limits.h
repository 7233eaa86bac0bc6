#pragma once
// Newton step limiting of junction and channel voltages, and the charge and capacitance
// of a pn junction. Shared by every junction and FET load (and by model fitting).

#include <algorithm>
#include <cmath>

namespace ob7 {

// The new junction voltage limited against the old one; *limited is 1 when it was.
double LimitJunctionVoltage(double v_new, double v_old, double vt, double vcrit, int* limited);
// The same in place: *limited (preset to 1 by the caller) is cleared when nothing was
// limited and left as it was otherwise.
void LimitJunctionVoltageInPlace(double& v, int& limited, double v_old, double vt, double vcrit);

// The gate voltage of a FET limited against the old one, around the threshold vto.
// (Inline, as LimitVds: every FET load calls them at every iteration.)
inline double LimitFetVoltage(double v_new, double v_old, double vto) {
    const double delta = v_new - v_old;
    const double high = std::fabs(2 * (v_old - vto)) + 2;
    const double low = high / 2 + 2;
    const double vtox = vto + 3.5;
    if (v_old >= vto) {
        if (v_old >= vtox) {
            if (delta > 0 && delta >= high) return v_old + high;
            if (delta <= 0 && v_new < vtox) return std::max(v_new, vto + 2);
        } else {
            return delta <= 0 ? std::max(v_new, vto - 0.5) : std::min(v_new, vto + 4);
        }
    } else if (delta <= 0) {
        if (-delta > high) return v_old - high;
    } else {
        if (v_new > vto + 0.5) return vto + 0.5;
        if (delta > low) return v_old + low;
    }
    return v_new;
}
void LimitFetVoltageInPlace(double& v, double v_old, double vto);

// The drain-source voltage limited against the old one.
inline double LimitVds(double v_new, double v_old) {
    if (v_old >= 3.5) {
        if (v_new > v_old) return std::min(v_new, 3 * v_old + 2);
        if (v_new < 3.5) return std::max(v_new, 2.0);
        return v_new;
    }
    return v_new > v_old ? std::min(v_new, 4.0) : std::max(v_new, -0.5);
}

// Charge of a junction into level 0 of state `state` and its capacitance into *capacitance
// (both added to when `accumulate`). coefficients[fc_index] is the depletion threshold
// voltage, coefficients[forward_index .. +2] the three coefficients of the forward
// extension (DepletionCapacitanceCoefficients). tt the transit time, current and
// conductance those of the junction, cj0 the zero-bias capacitance.
void JunctionChargeAndCapacitance(const double* coefficients, int fc_index, int forward_index, int state,
                                  double v, double pb, double mj, double tt, double current, double cj0,
                                  double conductance, double* capacitance, int accumulate);

}  // namespace ob7
