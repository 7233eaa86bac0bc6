#pragma once
// Shared pieces of the MOSFET model tests: the AC sweep of a stage whose operating point
// has just been solved.

#include <complex>
#include <span>

namespace ob7 {

// One frequency of a stage's small-signal response: the gate's and the drain's phasors.
struct AcPoint {
    double f;
    std::complex<double> vg, vd;
};

// From a solved operating point: records the small-signal values, builds the AC matrix,
// and at each point's frequency expects nodes g and d within rel_tol of the phasors.
// Frees the AC matrix and vectors again. Fatal failures end it; wrap the call in
// ASSERT_NO_FATAL_FAILURE.
void ExpectAcSweep(int g, int d, std::span<const AcPoint> points, double rel_tol);

}  // namespace ob7
