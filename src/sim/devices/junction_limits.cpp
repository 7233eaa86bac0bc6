#include "sim/devices/junction_limits.h"

#include <algorithm>
#include <cmath>

#include "sim/engine/integration.h"

namespace ob7 {

double LimitJunctionVoltage(double v_new, double v_old, double vt, double vcrit, int* limited) {
    *limited = 0;
    if (v_new <= vcrit || std::fabs(v_new - v_old) <= 2 * vt) return v_new;
    *limited = 1;
    if (v_old > 0) {
        const double arg = 1 + (v_new - v_old) / vt;
        return arg > 0 ? v_old + vt * std::log(arg) : vcrit;
    }
    return vt * std::log(v_new / vt);
}

void LimitJunctionVoltageInPlace(double& v, int& limited, double v_old, double vt, double vcrit) {
    int did = 0;
    v = LimitJunctionVoltage(v, v_old, vt, vcrit, &did);
    if (!did) limited = 0;
}

void LimitFetVoltageInPlace(double& v, double v_old, double vto) { v = LimitFetVoltage(v, v_old, vto); }

void JunctionChargeAndCapacitance(const double* coefficients, int fc_index, int forward_index, int state,
                                  double v, double pb, double mj, double tt, double current, double cj0,
                                  double conductance, double* capacitance, int accumulate) {
    double q = 0, c = 0;
    if (tt > 0) {
        q = tt * current;
        c = tt * conductance;
    }
    if (cj0 > 0) {
        const double fc = coefficients[fc_index];
        if (v < fc) {
            double arg = 1 - v / pb;
            if (arg <= 0) arg = 1e-100;
            const double s = mj == 0 ? 1 : mj == 0.5 ? 1 / std::sqrt(arg) : std::pow(arg, -mj);
            // A grading of exactly 1 has the logarithmic charge, not a division by 1 - mj.
            q += mj == 1 ? -cj0 * pb * std::log(arg) : cj0 * pb * (1 - arg * s) / (1 - mj);
            c += cj0 * s;
        } else {
            const double c0 = coefficients[forward_index];
            const double c1 = coefficients[forward_index + 1];
            const double c2 = coefficients[forward_index + 2];
            c += cj0 * (c0 + c1 * v);
            q += cj0 * c2 + v * cj0 * (c0 + c1 * v / 2);
        }
    }
    if (accumulate) {
        StateValues[state] += q;
        *capacitance += c;
    } else {
        StateValues[state] = q;
        *capacitance = c;
    }
}

}  // namespace ob7
