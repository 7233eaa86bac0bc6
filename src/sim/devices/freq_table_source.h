#pragma once
// Frequency-table sources (device list 20): controlled sources of the forms G, F, E and
// H whose transfer function is a table of frequency, magnitude (linear or dB, or a real
// part) and phase (degrees or radians, or an imaginary part), interpolated linearly per
// decade. They run as the Laplace sources do: the DC gain at the operating point, the
// convolution with their impulse response in a transient, the table's value in AC.

#include <array>
#include <complex>
#include <vector>

#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;

enum FreqTableForm : int { kFreqTableG = 43, kFreqTableF = 44, kFreqTableE = 45, kFreqTableH = 46 };
enum FreqTableValueKind : int { kTableMagnitude = 0, kTableDecibels = 1, kTableRealImag = 4 };
enum FreqTablePhaseKind : int { kTableDegrees = 2, kTableRadians = 3 };

struct FreqTableSource : DeviceInstance {
    int a = 0, b = 0, c = 0, d = 0;
    int form = kFreqTableG;
    int branch = 0;
    int value_kind = kTableMagnitude;
    int phase_kind = kTableDegrees;
    double output = 0, input = 0;
    double op_input_dt = 0, op_output = 0;
    std::vector<std::array<double, 3>> table;  // frequency, first value, second value
    double power = 0;
    std::complex<double> ac_current;

    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = output;
        return 1;
    }
};

FreqTableSource* AddFreqTableSource(int form, int a, int b, int c, int d, std::vector<std::array<double, 3>> table);

// Column c (1 or 2) of the table at frequency f, interpolated per decade between the
// entries segment - 1 and segment; a phase jump of more than 180 degrees is unwrapped.
double InterpolateFreqTable(int segment, int column, double f, const FreqTableSource& s);
// The transfer function at f as real and imaginary parts.
void EvalFreqTableResponse(double* re, double* im, int segment, double f, const FreqTableSource& s);
int ComputeFreqTableImpulseResponses();
void ResetFreqTableState();

int SetupFreqTableSources();
int LoadFreqTableSources();
int AcLoadFreqTableSources();
int ComputeFreqTableAcCurrents();

extern const DeviceKindHandler kFreqTableSourceKind;
extern const AcKindHandler kFreqTableSourceAcKind;

}  // namespace ob7
