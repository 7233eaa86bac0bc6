#pragma once
// The circuits of a batch run: every circuit file opens as a hidden document, and each
// analysis of a command line runs through the run cycle and leaves its numeric output
// file beside the circuit. Text circuits (SPICE decks) run; schematic circuit files are
// refused with a message until their documents can be opened without a window.

#include <functional>
#include <memory>
#include <string>

#include "app/batch_run.h"
#include "circuit/circuit_document.h"
#include "ui/framework/title_block.h"

namespace ob7 {

class AnalysisRun;
class TextCircuitAnalysis;

class DocumentBatchHost : public BatchCircuitHost {
public:
    DocumentBatchHost();
    ~DocumentBatchHost() override;
    std::string OpenCircuitPath() override;
    int OpenCircuit(const std::string& path, int kind) override;
    void CloseCircuit() override;
    int RunAnalysis(int kind, int runMode, BatchRunResult& result) override;
    // Nothing prints without a printer: a batch run has none.
    void PrintCircuit() override {}
    void PrintPlot() override {}
    bool PollEscape() override;

    // The open circuit and its last run.
    TextCircuitAnalysis& Circuit() { return *circuit_; }
    // The header of every numeric output file.
    StringTriple numericOutputHeader{kDefaultNumericOutputHeader};
    // Called with every run once its hooks are in place (a caller adds its own).
    std::function<void(AnalysisRun& run)> prepareRun;
    // Called after every analysis with its result, while its run is still open.
    std::function<void(int kind, int result, TextCircuitAnalysis& circuit)> afterRun;

private:
    std::unique_ptr<TextCircuitAnalysis> circuit_;
};

// True when the file's text starts like a schematic circuit file rather than a deck.
bool IsSchematicCircuitText(const std::string& text);

}  // namespace ob7
