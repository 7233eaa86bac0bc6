#pragma once
// The small-signal transfer function at the operating point by finite differences:
// the operating point is solved with the input source at its value and raised by 1e-6,
// and the changes of the output and of the source's own measure are divided. The output
// impedance comes from a test voltage source held at the output's value and raised.

#include <functional>
#include <string>

namespace ob7 {

struct DeviceInstance;

// The input source and how its DC level is raised (device type codes of the builders).
struct TfInputSource {
    DeviceInstance* device = nullptr;  // a SPICE, pulse or sine source record
    int type = 0;  // 11 SPICE current source, 13 pulse, 17 sine, 30 SPICE voltage source
};

// The output: an expression of the solution, and, for the output impedance, its form:
// V(a[,b]) (voltage form) or I(source) of a voltage source; anything else has none.
struct TfOutput {
    std::function<double()> value;
    enum class Form { None, Voltage, SourceCurrent } form = Form::None;
    int node_plus = 0, node_minus = 0;     // voltage form
    DeviceInstance* source = nullptr;      // current form: a SPICE voltage source
};

// The three fields as the dialog shows them: a number with "%g", "inf", "0" (the output
// is held by an ideal voltage source), "N/A" (no output impedance for this output),
// "Error" (a failure already reported) or the message text of the failure;
// "Bad source." for a source that cannot be raised.
struct TfResult {
    double transfer_function = 0, input_impedance = 0, output_impedance = 0;
    std::string transfer_function_text, input_impedance_text, output_impedance_text;
};

inline constexpr double kTfStep = 1e-6;

// Raises the DC level of a source by delta; false for a type that cannot be raised.
bool PerturbSourceValue(const TfInputSource& source, double delta);

// Solves the up to four operating points at the temperature and fills the result.
// 0, or the first failure (the texts then say which field it spoiled).
int RunTransferFunction(const TfInputSource& input, const TfOutput& output, double temperature, TfResult* result);

}  // namespace ob7
