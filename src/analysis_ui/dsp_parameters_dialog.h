#pragma once
// The DSP Parameters dialog: the window (upper and lower limit) and the number of data
// points the DSP functions of a transient or AC analysis use, and whether they are used
// at all. The run checks the point count when it starts.

#include <functional>
#include <string>

#include "circuit/analysis_setup.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

enum DspParametersControl : int {
    kDspUpperLabel = 101, kDspLowerLabel = 102, kDspPointsLabel = 103,
    kDspOn = 113, kDspOff = 114, kDspUpper = 115, kDspLower = 116, kDspPoints = 117,
};

constexpr int kCmdDspParameters = 17142;

class CDspParametersDlg : public CDialog2 {
public:
    // kind: 0 transient, 1 AC. rangeText: the analysis' range limit ("upper,lower"), the
    // default of empty limits.
    CDspParametersDlg(DspSettings& settings, int kind, std::string rangeText, platform::Window* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    // OK marks the circuit changed through this.
    std::function<void()> documentChanged;

private:
    DspSettings& settings_;
    int kind_;
    std::string range_;
};

// Runs the dialog over the DSP parameters of the analysis. Returns the dialog's result;
// -1 when no analysis with DSP functions is active (kind other than transient or AC).
int ShowDspParameters(DspSettings& settings, int kind, const std::string& rangeText,
                      std::function<void()> documentChanged);

class CG2DFrame;
// The analysis window's DSP Parameters command runs the dialog over the settings the
// owner gives (null: the command is greyed); rangeOf gives the analysis' range limit.
void ConnectDspParameters(CG2DFrame& frame, std::function<DspSettings*()> settingsOf,
                          std::function<std::string()> rangeOf, std::function<void()> documentChanged);

}  // namespace ob7
