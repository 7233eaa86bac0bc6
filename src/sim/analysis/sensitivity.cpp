#include "sim/analysis/sensitivity.h"

#include <algorithm>
#include <cstdio>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/analysis/transient.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/run_control.h"

namespace ob7 {

namespace {

// A result of exactly zero reads "0", never "-0" (no change divided by a negative step).
std::string Number(double x) {
    if (x == 0) x = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

int Solve(double temperature) {
    ReleaseEngineMatrices();
    return RunOperatingPointOnly(temperature);
}

// A variable was set: the circuit takes its value before anything reads the circuit again.
int Apply(const SensitivityHooks& hooks) { return hooks.compile ? hooks.compile() : 0; }

void RestoreModelValues(const SensitivityHooks& hooks) {
    if (hooks.restore_model_values) hooks.restore_model_values();
}

}  // namespace

int RunSensitivity(const std::vector<SensitivityVariable>& variables, const std::vector<SensitivityOutput>& outputs,
                   double temperature, std::vector<SensitivityRow>* rows, const SensitivityHooks& hooks) {
    rows->clear();
    if (variables.empty()) {
        ReportMessage("E", kMsgNeedInputVariable);
        return kMsgNeedInputVariable;
    }
    if (std::none_of(outputs.begin(), outputs.end(), [](const SensitivityOutput& o) { return !o.text.empty(); })) {
        ReportMessage("E", kMsgNeedOutputExpression);
        return kMsgNeedOutputExpression;
    }
    const size_t n = outputs.size();
    std::vector<double> nominal(n, 0.0);
    const int code = Solve(temperature);
    if (code) return code;
    for (size_t j = 0; j < n; ++j)
        if (!outputs[j].text.empty()) nominal[j] = outputs[j].value();
    RestoreModelValues(hooks);

    for (const SensitivityVariable& v : variables) {
        SensitivityRow row;
        row.cells.resize(n);
        const double x = v.Get();
        row.nominal_value = x;
        std::vector<double> perturbed(n, 0.0);
        int error = 0;
        const double raised = x * kSensitivityFactor;
        if (x != 0) {
            v.Set(raised);
            error = Apply(hooks);
            if (!error) error = Solve(temperature);
            if (!error)
                for (size_t j = 0; j < n; ++j)
                    if (!outputs[j].text.empty()) perturbed[j] = outputs[j].value();
            v.Set(x);
            const int reset = Apply(hooks);
            RestoreModelValues(hooks);
            if (reset) return reset;  // the circuit cannot be brought back to compare further
        }
        const double dx = x - raised;
        for (size_t j = 0; j < n; ++j) {
            SensitivityCell& c = row.cells[j];
            if (outputs[j].text.empty()) continue;
            if (x == 0) {
                c.sensitivity_text = c.relative_text = "N/A";
            } else if (error) {
                c.sensitivity_text = c.relative_text = "error";
            } else if (dx == 0) {
                c.sensitivity_text = c.relative_text = "inf";
            } else {
                c.sensitivity = (nominal[j] - perturbed[j]) / dx;
                c.sensitivity_text = Number(c.sensitivity);
                if (nominal[j] == 0) {
                    c.relative_text = "inf";
                } else {
                    c.relative = x / nominal[j] * c.sensitivity;
                    c.relative_text = Number(c.relative);
                }
            }
        }
        rows->push_back(row);
        if (error || RunControl.pending_key == 27) break;
    }
    // The circuit is left at its nominal values.
    const int restored = Solve(temperature);
    RestoreModelValues(hooks);
    if (RunControl.pending_key == 27) return kMsgStopped;
    return restored;
}

std::string FormatSensitivityReport(const std::vector<SensitivityVariable>& variables,
                                    const std::vector<SensitivityOutput>& outputs,
                                    const std::vector<SensitivityRow>& rows) {
    int width = 0;
    for (const SensitivityVariable& v : variables)
        width = std::max(width, static_cast<int>(v.name.size() + 1 + v.parameter.size()));
    std::string text;
    char line[512];
    std::snprintf(line, sizeof line, "%*s", width + 18, "");
    text += line;
    for (const SensitivityOutput& o : outputs) {
        if (o.text.empty()) continue;
        const int pad = std::max(0, 36 - static_cast<int>(o.text.size()));
        std::snprintf(line, sizeof line, "%*s%s%*s", pad / 2, "", o.text.c_str(), pad - pad / 2, "");
        text += line;
    }
    text += "\n";
    std::snprintf(line, sizeof line, "%-*s%*s", width + 1, "Name", 17, "Value");
    text += line;
    for (const SensitivityOutput& o : outputs) {
        if (o.text.empty()) continue;
        std::snprintf(line, sizeof line, " %*s %*s", 17, "Sensitivity", 17, "Sensitivity (%/%)");
        text += line;
    }
    text += "\n";
    for (size_t i = 0; i < rows.size() && i < variables.size(); ++i) {
        if (rows[i].nominal_value == 0) continue;
        const std::string name = variables[i].name + "." + variables[i].parameter;
        std::snprintf(line, sizeof line, "%-*s %*s", width, name.c_str(), 17, Number(rows[i].nominal_value).c_str());
        text += line;
        for (size_t j = 0; j < outputs.size(); ++j) {
            if (outputs[j].text.empty()) continue;
            const SensitivityCell& c = rows[i].cells[j];
            std::snprintf(line, sizeof line, " %*s %*s", 17, c.sensitivity_text.c_str(), 17, c.relative_text.c_str());
            text += line;
        }
        text += "\n";
    }
    return text;
}

}  // namespace ob7
