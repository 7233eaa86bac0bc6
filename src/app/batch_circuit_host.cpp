#include "app/batch_circuit_host.h"

#include <strings.h>

#include <fstream>

#include "analysis/text_circuit_analysis.h"
#include "circuit/document_files.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "netlist/netlist_circuit.h"
#include "platform/system_services.h"
#include "ui/framework/title_block.h"

namespace ob7 {

namespace {

constexpr int kMsgCircuitsUnavailable = 14094;

}  // namespace

bool IsSchematicCircuitText(const std::string& text) {
    const size_t end = text.find_first_of("\r\n");
    const std::string first = text.substr(0, end);
    if (strncasecmp(first.c_str(), "[Main]", 6) == 0) return true;
    // Older files: a version line, then the program's marker line.
    const size_t next = text.find_first_not_of("\r\n", end == std::string::npos ? text.size() : end);
    if (next == std::string::npos) return false;
    const std::string second = text.substr(next, text.find_first_of("\r\n", next) - next);
    return strncasecmp(second.c_str(), "Ombrelic ", 9) == 0;
}

DocumentBatchHost::DocumentBatchHost() : circuit_(std::make_unique<TextCircuitAnalysis>()) {}
DocumentBatchHost::~DocumentBatchHost() = default;

std::string DocumentBatchHost::OpenCircuitPath() { return circuit_->Path(); }
void DocumentBatchHost::CloseCircuit() { circuit_->Close(); }

int DocumentBatchHost::OpenCircuit(const std::string& path, int kind) {
    if (kind < 0 || CheckFileExists(path) != 0) {
        SetPendingMessageText(path.c_str());
        ReportMessage("E", kMsgFileNotFound);
        return kMsgFileNotFound;
    }
    std::ifstream in(path, std::ios::binary);
    std::string head(512, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    if (IsSchematicCircuitText(head)) {
        ReportMessage("E", kMsgCircuitsUnavailable, path.c_str());
        return kMsgCircuitsUnavailable;
    }
    // The deck opens as a hidden text document: a window that edits it gives its text as
    // it stands, so the file is never read twice.
    int code = 0;
    std::unique_ptr<CircuitDocument> doc = OpenCircuitDocument(path, DOC_TEXT, kLoadHidden, &code);
    if (!doc) return code;
    circuit_->OpenText(path, std::move(doc->text));
    return 0;
}

int DocumentBatchHost::RunAnalysis(int kind, int runMode, BatchRunResult& result) {
    // The command line's /S (2) saves the run's points, /R (1) retrieves them.
    circuit_->commandLineDataMode = runMode;
    circuit_->prepareRun = [this, kind](AnalysisRun& run) {
        run.pollAbort = [this] { return PollEscape(); };
        run.numericOutput.writeHeader = [this, kind](TextFile& file, int width) {
            static const char* const kTitles[] = {"Transient Analysis", "AC Analysis", "DC Analysis"};
            return WriteAnalysisHeader(numericOutputHeader, file, width, kTitles[kind], circuit_->Path());
        };
        if (prepareRun) prepareRun(run);
    };
    const int code = circuit_->RunAnalysis(kind);
    result.analogNodes = circuit_->Circuit() ? static_cast<unsigned>(circuit_->Circuit()->analogNodeCount) : 0;
    result.totalIterations = static_cast<unsigned long>(circuit_->Iterations());
    result.rejectedSolutions = static_cast<unsigned long>(circuit_->RejectedSteps());
    result.totalSolutions = static_cast<unsigned long>(circuit_->AcceptedPoints());
    result.runSeconds = circuit_->LastRun() ? circuit_->LastRun()->runSeconds : 0.0;
    if (afterRun) afterRun(kind, code, *circuit_);
    return code;
}

bool DocumentBatchHost::PollEscape() { return platform::Services().PollKey() == 27; }

}  // namespace ob7
