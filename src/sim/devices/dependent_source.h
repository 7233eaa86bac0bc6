#pragma once
// Linear dependent sources (device list 11): E, F, G and H with a constant gain.

#include <complex>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;

// Form codes of the record; the shared stamping helpers take the code minus 26.
enum DependentSourceForm : int { kFormG = 26, kFormF = 27, kFormE = 28, kFormH = 29 };

struct DependentSource : DeviceInstance {
    int a = 0, b = 0;       // controlling nodes (F, H: the measuring branch's ends)
    double gain = 0;
    double output_current = 0;  // kept for G and F
    int c = 0, d = 0;       // output nodes
    int form = kFormG;
    int branch = 0;         // F, E: one branch; H: branch and branch + 1
    double power = 0;       // generated power
    std::complex<double> ac_output_current;  // G and F, from the AC solution
};

DependentSource* AddDependentSource(int form, int a, int b, int c, int d, double gain);

int SetupDependentSources();
int LoadDependentSources();
// AC stamp (the same forms with a complex gain of gain + j0) and current.
int AcLoadDependentSources();
int ComputeDependentSourceAcCurrents();

extern const DeviceKindHandler kDependentSourceKind;
extern const AcKindHandler kDependentSourceAcKind;

}  // namespace ob7
