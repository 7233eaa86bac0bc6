#pragma once
// Sensitivity Analysis: up to ten output expressions and the chosen input variables
// (component, model or symbolic parameters). Calculate solves the operating point at
// nominal values and once per variable raised by 0.1%; with one variable the results
// show in the output list, with several they go to a report file opened beside the
// circuit. The choices live in the circuit's sensitivity settings.

#include <functional>
#include <string>
#include <vector>

#include "circuit/analysis_setup.h"
#include "plots/analysis_statement.h"
#include "sim/analysis/sensitivity.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

// What the dialog needs of its circuit.
struct SensitivityCircuitLink {
    SensitivitySettings* settings = nullptr;
    std::string circuitPath;  // names the report file
    // The names of the parts, models or symbolic variables of a kind (8, 4, 0x20).
    std::function<std::vector<std::string>(int32_t kind)> names;
    // The parameters of a name: all of them, or the default set.
    std::function<std::vector<std::string>(int32_t kind, const std::string& name, bool all)> parameters;
    // Solves the operating points and fills one row per variable (RunSensitivity).
    std::function<int(const std::vector<SensitivityChoice>& variables, const std::string (&outputs)[kSensitivityOutputs],
                      std::vector<SensitivityRow>* rows)>
        calculate;
    // Opens the written report beside the circuit.
    std::function<void(const std::string& path)> openReport;
    std::function<void()> markModified;
    // A circuit text window: writes the .SENS statement into the text on close.
    std::function<void(AnalysisStatement kind, const std::string& statement)> updateStatement;
};

// The report file of a circuit: its extension becomes "sen", or "OUT" for a ".SEN" file.
std::string SensitivityReportPath(const std::string& circuitPath);
// The report text of the Multiple mode (the rows in the order of the variables).
std::string SensitivityReportText(const std::vector<SensitivityChoice>& variables,
                                  const std::string (&outputs)[kSensitivityOutputs],
                                  const std::vector<SensitivityRow>& rows);
// Every variable of the circuit (all), or the default set, for All On and Default.
std::vector<SensitivityChoice> AllSensitivityVariables(const SensitivityCircuitLink& link, bool all);

class CSensitivityDlg : public CDialog2 {
public:
    static constexpr int kTemplate = 17250, kOutputs = 17251, kComponent = 17252, kModel = 17253,
                         kSymbolic = 17254, kCalculate = 17255, kOne = 17256, kMultiple = 17257,
                         kParameter = 17258, kAllOn = 17259, kDefault = 17260, kAllOff = 17261,
                         kNames = 17262, kParameters = 17263, kClose = 23;
    // Ends with 2 on Close, 4 after a Multiple calculation (the command opens it again).
    explicit CSensitivityDlg(SensitivityCircuitLink link, platform::Window* parent = nullptr);
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnControlNotify(int id, platform::Notify code) override;

    void OnCalculate();

private:
    void ReadOutputs();
    void OnParameterType(int id);
    void OnOneMultiple(int id);
    void FillNames();
    void FillParameters();
    void SyncChosen();
    void SelectAll(bool all);
    int ParameterList() const { return link_.settings->multiple ? kParameters : kParameter; }
    std::string SelectedName() const;

    SensitivityCircuitLink link_;
    bool calculating_ = false;
};

}  // namespace ob7
