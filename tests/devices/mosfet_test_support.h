#pragma once
// Shared pieces of the MOSFET model tests: the AC sweep of a stage whose operating point
// has just been solved, the consistency checks of a kind over a table of regions, and
// a fixture with a resistor-loaded inverter driven by a pulse.

#include <complex>
#include <span>
#include <vector>

#include "devices/device_checks.h"

namespace ob7 {

struct DeviceKindHandler;
struct MosfetInstance;

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

// The current into the drain node (1) of the kind's one device at solution x, once its
// load has settled there (40 loads).
double SettledDrainCurrent(const DeviceKindHandler& kind, const std::vector<double>& x);

// The circuit of a common-source stage but its device: a supply of vdd volts at node 1
// with the load resistance to the drain (node 2), and an input of vin volts and AC
// magnitude 1 at node 3 driving the gate (node 4) through rgate.
void AddCommonSourceCircuit(double vdd, double load, double vin, double rgate);

// 20p drain and source areas, 24u perimeters.
void SetJunctionAreas(MosfetInstance* m);

// The kind's load at solution x, at a DC point and at a time point, stamps only finite
// values into the matrix and the right-hand side.
void ExpectLoadsFinite(const DeviceKindHandler& kind, const std::vector<double>& x);

// A four-terminal device of a region sweep: its nodes and polarity (1 n, -1 p channel).
struct MosfetTerminals {
    int d, g, s, b;
    double p;
};
// A bias of the sweep relative to the source, as for an n-channel device.
struct TerminalBias {
    double vgs, vds, vbs;
};

// The solution that biases every device: its source at 0.1 V times its polarity, the other
// terminals offset from it by the polarity times the bias.
std::vector<double> BiasedSolution(std::span<const MosfetTerminals> devices, const TerminalBias& bias);

// At each bias (every device's source at 0.1 V times its polarity, the other terminals
// offset from it by the polarity times the bias, settled by 30 loads) the kind's load walks
// its set-up and its conductances match its currents within abs_tol, at the DC point and
// at a time point near it; with small_signal the load before AC walks its set-up too.
void ExpectRegionsConsistent(const DeviceKindHandler& kind, std::span<const MosfetTerminals> devices,
                             std::span<const TerminalBias> biases, double abs_tol, bool small_signal);

// A gate and output voltage of the inverter's transient.
struct InverterSample {
    double t, gate, out;
};

class MosfetCircuit : public ModelCircuit {
protected:
    // 5 V supply at node 1, a 20k load from it to the drain (node 4); a pulse at node 2
    // (0 to 5 V, 1 ns delay, 2 ns edges, 10 ns wide, 30 ns period) drives the gate (node 3)
    // through 20k, so that the gate charge shapes the input edge. The device, 10u by 2u
    // with 20p junction areas and 24u perimeters, has source and bulk grounded.
    MosfetInstance* AddPulsedInverter(ModelParams* model);
    // Prepares the inverter, solves its operating point, and steps by 2 ps from it,
    // expecting gate and output within 20 mV at each sample (samples in time order).
    // Fatal failures end it; wrap the call in ASSERT_NO_FATAL_FAILURE.
    void ExpectInverterTransient(std::span<const InverterSample> samples);
    // A 10u by 2u device of the model (drain 1, gate 2, source ground, bulk 3): the
    // temperature pass ends with 15055 after reporting message; then the circuit and its
    // models are cleared for the next case.
    void ExpectDevicePassError(ModelParams* model, int message);
};

// A MosfetCircuit with the level-4 and level-5 kinds registered and the MOSFET bypass
// off, so that every load evaluates.
class MosfetLevel45Circuit : public MosfetCircuit {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace ob7
