#pragma once
// Transfer Function: an output expression and an input source; Calculate solves the
// operating point with the source at its value and raised, and shows the small-signal
// transfer function and the input and output impedances. The dialog keeps its choices
// in the circuit's transfer-function settings.

#include <functional>
#include <string>
#include <vector>

#include "circuit/analysis_setup.h"
#include "plots/analysis_statement.h"
#include "sim/analysis/transfer_function.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

struct CircuitDocument;
struct GridText;

// What the dialog needs of its circuit.
struct TfCircuitLink {
    TransferFunctionSettings* settings = nullptr;  // recent outputs, source name, Place Text
    std::vector<std::string> sourceNames;
    bool schematic = false;  // Place Text only for a schematic
    // Compiles the circuit and fills the three fields. 0 or the first failure.
    std::function<int(const std::string& output, const std::string& source, TfResult* result)> calculate;
    // Replaces the circuit's earlier result text or places a new one (schematic only).
    std::function<void(const std::string& text)> placeText;
    std::function<void()> markModified;
    // A circuit text window: writes the .TF statement into the text on close.
    std::function<void(AnalysisStatement kind, const std::string& statement)> updateStatement;
};

// The text placed on the schematic; an empty field leaves its line out.
std::string ComposeTfText(const std::string& output, const std::string& source, const TfResult& result);
// True for a grid text that an earlier calculation placed (it begins so, ignoring case).
bool IsTfResultText(const std::string& text);
// Replaces the first unflagged grid text an earlier calculation placed, or places a new
// one at grid position (2, 13) of the page. The text that now holds the results.
GridText& PlaceTfText(CircuitDocument& doc, const std::string& text, int page = 0);
// Puts an output expression at the top of the recent list (no duplicates, ignoring case).
void AddRecentTfOutput(TransferFunctionSettings& settings, const std::string& output);

class CTransferFunctionDlg : public CDialog2 {
public:
    static constexpr int kTemplate = 17230, kOutput = 17231, kSource = 17232, kTransfer = 17233,
                         kInputImpedance = 17234, kOutputImpedance = 17235, kCalculate = 17236,
                         kPlaceText = 17237, kClose = 23;
    // Ends with 2 on Close, 4 after a failed calculation (the command opens it again).
    explicit CTransferFunctionDlg(TfCircuitLink link, platform::Window* parent = nullptr);
    bool OnInitDialog() override;
    void OnCancel() override;

    void OnCalculate();

private:
    void FillOutputs();
    TfCircuitLink link_;
};

}  // namespace ob7
