#pragma once
// The lossy line's recursive-convolution coefficients. Every line of one model has the
// same accepted times, so one set of coefficients per model and time point serves all
// of them: a line's convolution is then one weighted sum over its history.

#include <vector>

#include "sim/devices/lossy_line.h"

namespace ob7 {

// One model's coefficients at one present time. Entry j of an array weighs the j-th
// accepted point's deviation from the initial value (entry 0, the initial point, is 0);
// the present point's weights are the model's slots 25 to 27.
struct LossyCoefficients {
    double time = -1;                // the present time they were formed for
    std::vector<double> h1, h2, h3;  // h1', h2 and h3'
    double h2_delayed = 0;           // RLC: h2's weight on the value at t - TD
    bool delayed = false;            // RLC, LC: t - TD lies after the first point
    bool quadratic = false;          // the quadratic weights at t - TD exist
};

// Fill the arrays and slots 25 to 27 for the present time t over the history times; the
// RLC form also locates t - TD (slot 45 and the interpolation weights, slots 64 to 68).
void SetupRlcCoefficients(double* x, const std::vector<LossyLinePoint>& h, double t, LossyCoefficients& c);
void SetupRcCoefficients(double* x, const std::vector<LossyLinePoint>& h, double t, LossyCoefficients& c);
// The LC line's part of the above: only where t - TD falls.
void LocateDelayedPoint(double* x, const std::vector<LossyLinePoint>& h, double t, LossyCoefficients& c);

// A port quantity at t - TD through the interpolation weights and mode (slot 60):
// quadratic, linear, or quadratic replaced by linear when it leaves the range of its
// three points. The initial value before the first point.
double DelayedValue(const double* x, const LossyCoefficients& c, const std::vector<LossyLinePoint>& h,
                    double LossyLinePoint::*value);

// sum over the history of weight[j] * (value[j] - value[0]).
double WeightedDeviations(const std::vector<double>& weight, const std::vector<LossyLinePoint>& h,
                          double LossyLinePoint::*value);

}  // namespace ob7
