#include "app/analysis_dialog_links.h"

#include <algorithm>
#include <memory>

#include "analysis/text_circuit_analysis.h"
#include "analysis/text_circuit_sensitivity.h"
#include "analysis/text_circuit_transfer.h"
#include "app/main_frame.h"
#include "circuit/circuit_document.h"
#include "circuit/views/cct_draw.h"
#include "circuit/views/text_window.h"
#include "plots/analysis_statement.h"
#include "plots/sensitivity_dialog.h"
#include "plots/transfer_function_dialog.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

constexpr int kTransientKind = 0;

// The circuit text view of a window, its text taken into the document; null for any
// other window.
CCTDraw* TextCircuitView(CMDIFrame* window) {
    auto* view = window ? dynamic_cast<CCTDraw*>(window->draw) : nullptr;
    if (!view || !view->document || view->document->kind != DOC_TEXT || view->drawType != kDrawText) return nullptr;
    view->SyncTextToDocument();
    return view;
}

// The window's text as a deck, compiled once to see that it can be; null after the
// compile reported its failure.
std::shared_ptr<TextCircuitAnalysis> CompiledDeck(CCTDraw& view) {
    auto deck = std::make_shared<TextCircuitAnalysis>();
    deck->OpenText(view.document->path, view.document->text);
    if (deck->Compile(kTransientKind) != 0) return nullptr;
    return deck;
}

// Replaces the statement of the kind in the view's text; nothing in batch mode or when
// the text would not change.
void WriteStatement(CCTDraw& view, AnalysisStatement kind, const std::string& statement) {
    if (Shell.batchMode || !view.textArea.IsCreated()) return;
    const std::string text = view.textArea.GetText();
    const std::string changed = ReplaceAnalysisStatement(text, kind, statement);
    if (changed == text) return;
    int start = 0, end = 0;
    view.textArea.GetSel(start, end);
    const int caretLine = view.textArea.LineFromChar(start);
    view.BeginEditUndo(kind == AnalysisStatement::Tf ? ".TF Update" : ".Sens Update");
    ++view.undoLock;
    view.textArea.SelectAll();
    view.textArea.ReplaceSel(changed);
    --view.undoLock;
    const int caret = view.textArea.LineIndex(std::min(caretLine, view.textArea.GetLineCount() - 1));
    view.textArea.SetSel(caret, caret);
    view.SyncTextToDocument();
    view.OnDocumentChanged();
    view.document->MarkModified();
}

// Opens the report in a text window, the left half of the main window's client area, with
// the circuit's window in the right half, both on top. A window still showing an earlier
// report closes first, so the new text is read.
void OpenReportBeside(CMDIFrame* circuit, const std::string& path) {
    if (!MainFrame) return;
    for (platform::MdiChildFrame* child : MainFrame->Children()) {
        auto* frame = dynamic_cast<CMDIFrame*>(child);
        auto* view = frame ? dynamic_cast<CCTDraw*>(frame->draw) : nullptr;
        if (frame != circuit && view && view->document && view->document->path == path) frame->Destroy();
    }
    int code = 0;
    CTxtFrame* report = OpenTextWindow(path, 0, code);
    if (!report) return;
    const platform::Rect area = MainFrame->MdiClientRect();
    const int middle = area.left + area.Width() / 2;
    circuit->SetPlacement({platform::ShowState::Normal, {middle, area.top, area.right, area.bottom}});
    report->SetPlacement({platform::ShowState::Normal, {area.left, area.top, middle, area.bottom}});
    circuit->Activate();
    report->Activate();
}

}  // namespace

bool TextWindowTfLink(CMDIFrame* window, TfCircuitLink* link) {
    CCTDraw* view = TextCircuitView(window);
    if (!view) return false;
    std::shared_ptr<TextCircuitAnalysis> deck = CompiledDeck(*view);
    if (!deck) return false;
    CircuitDocument* doc = view->document.get();
    link->settings = &doc->transfer;
    link->sourceNames = TextCircuitSourceNames(*deck);
    link->schematic = false;
    link->calculate = [deck](const std::string& output, const std::string& source, TfResult* result) {
        return TextCircuitTransferFunction(*deck, output, source, result);
    };
    link->markModified = [doc] { doc->MarkModified(); };
    link->updateStatement = [view](AnalysisStatement kind, const std::string& statement) {
        WriteStatement(*view, kind, statement);
    };
    return true;
}

bool TextWindowSensitivityLink(CMDIFrame* window, SensitivityCircuitLink* link) {
    CCTDraw* view = TextCircuitView(window);
    if (!view) return false;
    std::shared_ptr<TextCircuitAnalysis> deck = CompiledDeck(*view);
    if (!deck) return false;
    CircuitDocument* doc = view->document.get();
    // Variables of an earlier circuit that this one lacks are dropped as the dialog opens.
    DropInvalidSensVariables(*deck, doc->sensitivity.variables);
    link->settings = &doc->sensitivity;
    link->circuitPath = doc->path;
    link->names = [deck](int32_t kind) { return TextCircuitSensitivityNames(*deck, kind); };
    link->parameters = [deck](int32_t kind, const std::string& name, bool all) {
        return TextCircuitSensitivityParameters(*deck, kind, name, all);
    };
    link->calculate = [deck](const std::vector<SensitivityChoice>& variables,
                             const std::string (&outputs)[kSensitivityOutputs], std::vector<SensitivityRow>* rows) {
        return TextCircuitSensitivity(*deck, variables, outputs, rows);
    };
    link->openReport = [window](const std::string& path) { OpenReportBeside(window, path); };
    link->markModified = [doc] { doc->MarkModified(); };
    link->updateStatement = [view](AnalysisStatement kind, const std::string& statement) {
        WriteStatement(*view, kind, statement);
    };
    return true;
}

void InstallAnalysisDialogLinks() {
    DialogLinks().transfer = TextWindowTfLink;
    DialogLinks().sensitivity = TextWindowSensitivityLink;
}

}  // namespace ob7
