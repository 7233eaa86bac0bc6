#pragma once
// Shared pieces of the MOSFET model tests: the AC sweep of a stage whose operating point
// has just been solved, and the consistency checks of a kind over a table of regions.

#include <complex>
#include <span>

namespace ob7 {

struct DeviceKindHandler;

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

// A four-terminal device of a region sweep: its nodes and polarity (1 n, -1 p channel).
struct MosfetTerminals {
    int d, g, s, b;
    double p;
};
// A bias of the sweep relative to the source, as for an n-channel device.
struct TerminalBias {
    double vgs, vds, vbs;
};

// At each bias (every device's source at 0.1 V times its polarity, the other terminals
// offset from it by the polarity times the bias, settled by 30 loads) the kind's load walks
// its set-up and its conductances match its currents within abs_tol, at the DC point and
// at a time point near it; with small_signal the load before AC walks its set-up too.
void ExpectRegionsConsistent(const DeviceKindHandler& kind, std::span<const MosfetTerminals> devices,
                             std::span<const TerminalBias> biases, double abs_tol, bool small_signal);

}  // namespace ob7
