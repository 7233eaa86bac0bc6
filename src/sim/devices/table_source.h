#pragma once
// Numeric-table sources (device list 31): controlled sources of the forms G, F, E and H
// whose output is a piecewise-linear function of their input, extrapolated along the
// end segments.

#include <complex>
#include <utility>
#include <vector>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;

enum TableSourceForm : int { kTableG = 39, kTableF = 40, kTableE = 41, kTableH = 42 };

struct TableSource : DeviceInstance {
    int a = 0, b = 0;  // controlling nodes (F, H: the ends of the measuring branch)
    int c = 0, d = 0;  // output nodes
    int form = kTableG;
    int branch = 0;    // F, E: one branch; H: branch and branch + 1
    int segment = 0, previous_segment = 0;
    double output = 0;  // the output of the last load
    double input = 0, previous_input = 0;
    double slope = 0;
    std::vector<std::pair<double, double>> points;  // (input, output), inputs ascending
    double power = 0;
    std::complex<double> ac_current;  // G and F: the AC output current

    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = output;
        return 1;
    }
};

TableSource* AddTableSource(int form, int a, int b, int c, int d, std::vector<std::pair<double, double>> points);

int SetupTableSources();
int LoadTableSources();
// After an accepted point: the present segment and input become the previous ones.
void AcceptTableSourceStates();
// Small signal: a linear controlled source of the slope at the operating point.
int AcLoadTableSources();
int ComputeTableSourceAcCurrents();

extern const DeviceKindHandler kTableSourceKind;
extern const AcKindHandler kTableSourceAcKind;

}  // namespace ob7
