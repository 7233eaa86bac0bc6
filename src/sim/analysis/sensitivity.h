#pragma once
// Sensitivity at the operating point by forward differences: the operating point is
// solved at nominal values and once more per input variable raised by 0.1%, and every
// output's change is divided by the variable's.

#include <functional>
#include <string>
#include <vector>

namespace ob7 {

struct SensitivityVariable {
    std::string name, parameter;  // "R1", "Value"
    double* value = nullptr;      // the quantity the circuit reads, in the user's units
    // Without `value`: how the quantity is read and written (a model parameter held in
    // several records at once).
    std::function<double()> read;
    std::function<void(double)> write;

    double Get() const { return value ? *value : read(); }
    void Set(double x) const {
        if (value)
            *value = x;
        else
            write(x);
    }
};

struct SensitivityOutput {
    std::string text;                  // empty: an unused slot
    std::function<double()> value;
};

// One variable's results for every output: nominal and perturbed output values, the
// sensitivity d(out)/d(x) and the relative one (%/%), with their texts ("N/A" for a
// variable of value 0, "inf", "error" when the nominal evaluation failed).
struct SensitivityCell {
    double sensitivity = 0, relative = 0;
    std::string sensitivity_text, relative_text;
};
struct SensitivityRow {
    double nominal_value = 0;
    std::vector<SensitivityCell> cells;  // per output
};

inline constexpr double kSensitivityFactor = 1.001;

// What the circuit does around the variables' changes and operating points (either may be
// unset).
struct SensitivityHooks {
    // After a variable was set: compiles the circuit again when a value only a compile
    // applies has changed (a symbolic variable). 0 or a message code.
    std::function<int()> compile;
    // After the point and its outputs: the model values as compiled come back, because
    // the temperature pass converts them in place (resistances to conductances, VAF to
    // 1/VAF); the variables then read and write the values as the user gave them.
    std::function<void()> restore_model_values;
};

// 0, 14195 (no variable), 14196 (no output), 15056 (stopped by Esc: the rows so far are
// kept), or the failure of the nominal operating point.
int RunSensitivity(const std::vector<SensitivityVariable>& variables, const std::vector<SensitivityOutput>& outputs,
                   double temperature, std::vector<SensitivityRow>* rows, const SensitivityHooks& hooks = {});

// The report of the Multiple mode: two header lines, then one line per variable whose
// nominal value is not 0.
std::string FormatSensitivityReport(const std::vector<SensitivityVariable>& variables,
                                    const std::vector<SensitivityOutput>& outputs,
                                    const std::vector<SensitivityRow>& rows);

enum : int {
    kMsgNeedInputVariable = 14195,  // "%ENeed to select an input variable."
    kMsgNeedOutputExpression = 14196,  // "%ENeed to enter an output expression."
};

}  // namespace ob7
