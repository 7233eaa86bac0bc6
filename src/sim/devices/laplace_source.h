#pragma once
// Laplace sources (device list 7): controlled sources of the forms G, F, E and H whose
// gain is a transfer function H(S) given as an expression of S. At the operating point
// they are linear sources of their gain at (nearly) zero frequency; in a transient their
// output is the convolution of the input's history with an impulse response computed
// once per run by an inverse FFT of H along a line of constant damping; in AC their gain
// is H at the analysis frequency.

#include <complex>
#include <vector>

#include "expression/expression.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;

enum LaplaceForm : int { kLaplaceG = 31, kLaplaceF = 32, kLaplaceE = 33, kLaplaceH = 34 };

struct LaplaceSource : DeviceInstance {
    int a = 0, b = 0;  // controlling nodes (F, H: the ends of the measuring branch)
    CompiledExpression transfer;  // H(S)
    int c = 0, d = 0;             // output nodes
    int form = kLaplaceG;
    int branch = 0;  // F, E: one branch; H: branch and branch + 1
    double output = 0, input = 0;  // the values of the last load
    double op_input_dt = 0;        // the operating point's input times the sample interval
    double op_output = 0;          // and its output
    double power = 0;
    std::complex<double> ac_current;  // G and F: the AC output current

    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = output;
        return 1;
    }
};

LaplaceSource* AddLaplaceSource(int form, int a, int b, int c, int d);

// Clears the impulse responses and histories of the Laplace and frequency-table sources
// (run start and end).
void ResetSampledSourceState();
// With flag 0, the operating-point input and output of every Laplace and frequency-table
// source become 0.
int ResetSampledSourceHistory(int flag);
// The impulse response of each source for the run; 0 or an evaluation's message id.
int ComputeLaplaceImpulseResponses();

int SetupLaplaceSources();
int LoadLaplaceSources();
int AcLoadLaplaceSources();
int ComputeLaplaceAcCurrents();

extern const DeviceKindHandler kLaplaceSourceKind;
extern const AcKindHandler kLaplaceSourceAcKind;

}  // namespace ob7
