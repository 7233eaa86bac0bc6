#pragma once
// POLY dependent sources (device list 14): an output y = P0 + P1*x1 + P2*x2 + ... that is
// a polynomial in n controlling variables, node-voltage differences (E, G) or branch
// currents (F, H). G and F put y out as a current between their output nodes, E and H
// as the voltage of their own branch. The load linearises the polynomial at the present
// controls: the partial derivatives go into the matrix, the remainder into the
// right-hand side.
//
// Term order: after P0 the monomials of degree 1, then 2, and so on; within a degree,
// exponent tuples in decreasing order of the exponent of x1, then of x2, ... For n = 2:
// 1, x1, x2, x1^2, x1*x2, x2^2, x1^3, x1^2*x2, ...

#include <complex>
#include <vector>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;

enum PolyForm : int { kPolyG = 50, kPolyF = 51, kPolyE = 52, kPolyH = 53 };

struct PolyControl {
    double value = 0;               // present value
    double initial_condition = 0;
    int a = 0, b = 0;               // controlling nodes, or a the branch (b ground)
    const int* branch = nullptr;    // F, H: the controlling source's branch equation
    double derivative = 0;          // dy/dx of the last load
};

struct PolySource : DeviceInstance {
    int positive = 0, negative = 0;  // output nodes
    double y = 0;                    // kept output: current (G, F) or voltage (E, H)
    int form = kPolyG;
    int branch = 0;                  // E, H: the output branch
    std::vector<double> coefficients;
    std::vector<PolyControl> controls;
    double power = 0;
    std::complex<double> ac_current;  // G and F: the AC output current

    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = y;
        return 1;
    }
};

// A source of the form with its output nodes, coefficients (P0 first) and controls;
// F and H controls name their branch through `branch`.
PolySource* AddPolySource(int form, int positive, int negative, std::vector<double> coefficients,
                          std::vector<PolyControl> controls);

// The next exponent tuple of the term order (the tuple of n zeros starts it).
void NextPolyExponents(std::vector<int>& exponents);
// x^e: 1 for e = 0, 0 for x = 0 otherwise.
double PolyPower(int e, double x);
// j = 0: y at the present controls; j >= 1: dy/dxj. Held in magnitude within
// [1e-30, 1e30] (0 stays 0).
double PolyTermSum(int j, const PolySource& source);
// The value of a control for this load; sets *limited when it is not the solution's.
double PolyControlValue(int a, int b, double initial_condition, bool* limited);
// Convergence of the output current of G and F forms (raises NonConvergedCount).
int PolyCurrentNotConverged(double a, double b);

int SetupPolySources();
int LoadPolySources();
// Small signal: the derivatives at the operating point as gains; G and F keep their AC
// output current.
int AcLoadPolySources();
int ComputePolyAcCurrents();

extern const DeviceKindHandler kPolySourceKind;
extern const AcKindHandler kPolySourceAcKind;

}  // namespace ob7
