#pragma once
// The Stepping dialog: the 20 step variables of the current analysis, one tab each, and
// the choice between nested and simultaneous stepping. The lists offer what the circuit
// can step; OK writes the working copy back.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "circuit/analysis_setup.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

// What the circuit offers to step: the names of a parameter type (SF_COMPONENT, SF_MODEL
// or SF_SYMBOLIC; models as "type name") and the parameters of a named entry.
struct StepChoices {
    std::function<std::vector<std::string>(int type)> names;
    std::function<std::vector<std::string>(int type, const std::string& name)> parameters;
};

struct CircuitChoices;
// The lists of a compiled circuit: parts offer "Value" (SPICE sources their own
// parameters), models "TYPE name" with their parameters, symbols nothing further.
StepChoices MakeStepChoices(CircuitChoices choices);

enum SteppingControl : int {
    kStepName = 18101, kStepParam = 18102, kStepFrom = 18103, kStepTo = 18104, kStepValue = 18105,
    kStepLinearButton = 18106, kStepLogButton = 18107, kStepListButton = 18108, kStepComponent = 18109, kStepModel = 18110,
    kStepSymbolic = 18111, kStepYes = 18113, kStepNo = 18114, kStepSimultaneous = 18115, kStepNested = 18116,
    kStepTabs = 18117, kStepToLabel = 18118, kStepFromLabel = 18119, kStepValueLabel = 18120,
    kStepHelpLine = 59393,
};

class CSteppingDlg : public CDialog2 {
public:
    CSteppingDlg(AnalysisSetup& setup, StepChoices choices, int firstPage = 0, platform::Window* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;
    void OnControlNotify(int id, platform::Notify code) override;
    void OnControlHover(int id) override;

    int Page() const { return page_; }
    // OK marks the circuit changed through this.
    std::function<void()> documentChanged;
    // The title of a tab: "%d:%s" with the variable's name.
    std::string TabTitle(int page) const;

private:
    void LoadPage(int page);
    void SavePage();
    void ApplyListRule();
    void FillNames(const std::string& selected);
    void FillParameters(const std::string& text, bool refresh);
    void KeepValidSelection(int id);
    void Retitle();
    int TypeBits() const;

    AnalysisSetup& setup_;
    StepChoices choices_;
    std::array<StepRecord, kStepRecords> work_;
    int page_ = 0;
    bool opening_ = false;
};

// The tab the Stepping dialog opens on: 0 when an analysis is entered, the variable in
// error after a stepping error.
void SetSteppingDialogPage(int page);
int SteppingDialogPage();

// Runs the dialog over the set-up of the analysis (closing the Analysis Limits dialog
// first), on the page SteppingDialogPage names. Returns the dialog's result; -1 when no analysis is active (kind outside 0-2).
int ShowSteppingDialog(AnalysisSetup& setup, int kind, StepChoices choices, std::function<void()> documentChanged);

class CG2DFrame;
// The analysis window's Stepping command runs the dialog over the set-up of its analysis.
void ConnectSteppingDialog(CG2DFrame& frame, std::function<AnalysisSetup&(int kind)> setupOf,
                           std::function<StepChoices()> choicesOf, std::function<void()> documentChanged);

}  // namespace ob7
