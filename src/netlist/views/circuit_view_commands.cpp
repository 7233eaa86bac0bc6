#include "netlist/views/circuit_view_commands.h"

#include "circuit/views/cct_draw.h"
#include "netlist/analysis_statements.h"
#include "netlist/netlist_text_page.h"
#include "netlist/param_statements.h"
#include "netlist/text_help_topics.h"
#include "netlist/text_page_ops.h"
#include "netlist/views/refresh_models_dialog.h"
#include "platform/help_viewer.h"
#include "ui/framework/shell_state.h"

#include <algorithm>
#include <memory>

namespace ob7 {

namespace {

bool AnalysisActive() { return Shell.analysisKind != -1; }

// The view's text area as the netlist's text page: every change goes through the editor.
class EditorTextPage : public NetlistTextPage {
public:
    explicit EditorTextPage(CCTDraw& view) : view_(view), text_(view.textArea.GetText()) {}
    std::string Title() const override { return view_.GetFrameTitle(); }
    const std::string& Text() const override { return text_; }
    void Replace(size_t begin, size_t end, const std::string& text) override {
        end = std::min(std::max(end, begin), text_.size());
        view_.textArea.SetSel(static_cast<int>(begin), static_cast<int>(end));
        view_.textArea.ReplaceSel(text);
        text_ = view_.textArea.GetText();
    }

private:
    CCTDraw& view_;
    std::string text_;
};

// What a text window answers the netlist reader.
class ViewServices : public NetlistCircuitServices {
public:
    explicit ViewServices(CCTDraw& view) : view_(view) {}
    std::string Title() const override { return view_.GetFrameTitle(); }
    bool IsSchematic() const override { return false; }
    bool IsModified() const override { return view_.modified != 0; }
    int AnalysisKind() const override { return Shell.analysisKind; }
    void* ReportOwner() const override { return &view_; }
    int ApplyParamStatement(NetlistCircuitTables& tables, const std::string& text, int scope, const std::string&,
                            int line) override {
        return ob7::ApplyParamStatement(tables, text, scope, StatementOrigin{nullptr, line}, 5);
    }
    void CheckModelParameterLimits(NetlistCircuitTables&, int, const ModelParams&) override {}

private:
    CCTDraw& view_;
};

}  // namespace

void AddCircuitViewCommands(CCTDraw& view) {
    view.OnCommand(kCmdRefreshModels, [&view](int) { RefreshViewModels(view); });
    // A schematic's refresh needs its statement collection, which text windows do not.
    view.OnUpdate(kCmdRefreshModels, [&view](platform::CommandUI& ui) {
        ui.Enable(view.drawType == kDrawText && !AnalysisActive() && !Shell.digitalPathDialogOpen);
    });
    view.OnCommand(kCmdTextContextHelp, [&view](int) { OnTextContextHelp(view); });
}

void InstallCircuitViewCommands() { SetCircuitViewCommands(&AddCircuitViewCommands); }

int RefreshViewModels(CCTDraw& view) {
    if (view.drawType != kDrawText || !view.textArea.IsCreated()) return 0;
    ViewServices services(view);
    EditorTextPage page(view);
    const std::string before = page.Text();
    NetlistCircuit circuit(services, page);
    // One undo step holds the text as it was; the editor records none of its own.
    bool changing = false;
    const int code = OnRefreshModels(circuit, &view, [&] {
        view.BeginEditUndo("Refresh Models");
        ++view.undoLock;
        changing = true;
    });
    if (changing) {
        --view.undoLock;
        view.SyncTextToDocument();
        if (page.Text() != before) view.OnDocumentChanged();
    }
    view.textArea.SetFocus();
    return code;
}

int WriteViewAnalysisStatements(CCTDraw& view, int kind, const AnalysisSetup& setup, const AnalysisSetup* asRead) {
    if (Shell.batchMode || view.drawType != kDrawText || !view.textArea.IsCreated()) return 0;
    if (asRead && *asRead == setup) return 0;
    int start = 0, end = 0;
    view.textArea.GetSel(start, end);
    const int caretLine = view.textArea.LineFromChar(start);
    view.BeginEditUndo("Analysis limits change");
    ++view.undoLock;
    ViewServices services(view);
    EditorTextPage page(view);
    NetlistCircuit circuit(services, page);
    NetlistAnalysisSetup before = circuit.analysis;
    if (asRead) SetNetlistAnalysis(before, kind, *asRead);
    SetNetlistAnalysis(circuit.analysis, kind, setup);
    const int code = WriteAnalysisStatements(circuit, kind, 80, asRead ? &before : nullptr);
    --view.undoLock;
    const int caret = view.textArea.LineIndex(std::min(caretLine, view.textArea.GetLineCount() - 1));
    view.textArea.SetSel(caret, caret);
    view.SyncTextToDocument();
    view.OnDocumentChanged();
    view.textArea.SetFocus();
    return code;
}

void OnTextContextHelp(CCTDraw& view) {
    if (!view.textArea.IsCreated()) return;
    int start = 0, end = 0;
    view.textArea.GetSel(start, end);
    std::string line = view.textArea.GetLine(view.textArea.LineFromChar(start));
    if (line.size() > 2048) line.resize(2048);
    ShowDotCommandHelp(view, line);
}

void ShowDotCommandHelp(CCTDraw& view, const std::string& text) {
    const bool schematic = view.drawType == kDrawSchematic;
    const bool inputTarget = !schematic || view.textArea.HasFocus();
    const int context = DotCommandHelpContext(text, schematic, inputTarget);
    if (!context) return;
    if (const TextHelpTopic* topic = FindTextHelpTopic(context)) platform::help::ShowTopic(topic->title, topic->text);
}

}  // namespace ob7
