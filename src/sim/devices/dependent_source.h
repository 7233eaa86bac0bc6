#pragma once
// Linear dependent sources (device list 11): E, F, G and H with a constant gain.

#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;

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
};

DependentSource* AddDependentSource(int form, int a, int b, int c, int d, double gain);

int SetupDependentSources();
int LoadDependentSources();
// AC stamp: comes with the AC analysis.

extern const DeviceKindHandler kDependentSourceKind;

}  // namespace ob7
