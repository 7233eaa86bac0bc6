#pragma once
// Shared test helpers of the device models: an engine prepared for a circuit built by
// hand, a simple transient stepper, and the two generic checks every nonlinear kind runs
// over a table of bias points.
//
//   DeviceCircuit (a fixture): add records with the kinds' Add... builders, then
//   Prepare(nodes) numbers the equations and runs the set-up pass; SolveOperatingPoint(),
//   BeginTransient() / Step(h) drive the engine as an analysis would.
//
//   LoadWalksSetUp(kind, x): the kind's load, run alone at solution x, stamps exactly as
//   many entries as its set-up recorded (no more, no fewer).
//   ConductancesMatchCurrents(kind, x, ...): the matrix the load stamps at x (placed by
//   the positions its set-up recorded, so a load that stamps out of order fails) equals
//   the central differences of the currents it computes, I(x) = G(x) x - rhs(x).
// Both load at InitFloat, twice at each point, so that step limiting has the point as
// its previous one, with the junction bypass off (the MOSFETs' own bypass the caller
// turns off). At a DC point charges play no part; at
// a time point (trapezoidal, order 1, step 1 us, the charge history as it stands) the
// companion conductances of charges are checked as well.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "sim/engine/load_pass.h"

namespace ob7 {

struct ModelParams;

class DeviceCircuit : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Equations, matrix and set-up pass for the records in the lists; 0 or an error.
    int Prepare(int nodes);
    // The operating point (Newton, no fall-backs) at time 0; 0 or an error.
    int SolveOperatingPoint();
    // Switches to the transient with the first step h (order 1, InitTransient) and solves it.
    int BeginTransient(double h);
    // Accepts the present point and solves the next one after step h (trapezoidal, order 2).
    int Step(double h);
    double V(int node) const;
};

// A DeviceCircuit whose devices take model records.
class ModelCircuit : public DeviceCircuit {
protected:
    void TearDown() override;
    // A model record of the type with the given values, listed with the circuit's models.
    ModelParams* Model(int type, std::initializer_list<std::pair<const char*, double>> params);
    // The model pass, then the device pass, at t degrees; 0 or the first error.
    int Temperatures(double t);
    // A 1 V reverse step (a pulse source at node 1, 1k from node 1 to node 2) for a device
    // at node 2 to charge through.
    void AddReverseStepThrough1k();
    // Prepares the two nodes and follows the step for five time constants rc with step
    // h: node 2 keeps close to -(1 - exp(-t / rc)).
    void ExpectRcStepFollowed(double rc, double h);

private:
    std::vector<std::unique_ptr<ModelParams>> models_;
};

// One load of a kind at solution x: the matrix by (row, column) as the set-up recorded
// it, the right-hand side, and the counts of recorded and stamped entries.
struct KindLoad {
    int size = 0;                // equations
    std::vector<double> g;       // (size + 1)^2, row-major, row and column 0 ground
    std::vector<double> rhs;
    size_t recorded = 0;
    size_t stamped = 0;
    double G(int r, int c) const { return g[static_cast<size_t>(r) * (size + 1) + c]; }
};
// SmallSignal: the load after the operating point that records the values for AC.
enum class LoadPoint { Dc, Time, SmallSignal };
KindLoad LoadKindAt(const DeviceKindHandler& kind, const std::vector<double>& x, LoadPoint point = LoadPoint::Dc);

::testing::AssertionResult LoadWalksSetUp(const DeviceKindHandler& kind, const std::vector<double>& x,
                                          LoadPoint point = LoadPoint::Dc);
// The bypass of a junction kind, on a circuit of it alone, at solution x (an operating
// point, InitFloat). After settling at x, a load that finds `node` moved by 0.1 uV reuses
// the kept linearisation when bypass is allowed: the same stamps as the load before, the
// kept junction voltage `kept()` unchanged, nothing counted as moving. Without the flag,
// or after a move of 10 mV, the kind is evaluated again.
void ExpectBypassOnlyWhileTheBiasHolds(const std::vector<double>& x, int node, const std::function<double()>& kept);

::testing::AssertionResult ConductancesMatchCurrents(const DeviceKindHandler& kind, const std::vector<double>& x,
                                                     double step = 1e-6, double rel_tol = 1e-4,
                                                     double abs_tol = 1e-9, LoadPoint point = LoadPoint::Dc);

}  // namespace ob7
