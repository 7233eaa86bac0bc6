#include "circuit/views/cct_draw.h"

#include "circuit/document_files.h"
#include "circuit/node_numbering.h"
#include "circuit/protected_file.h"
#include "circuit/views/find_dialog.h"
#include "circuit/views/password_dialogs.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "ui/framework/colour_controls.h"
#include "foundation/paths.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

struct TextStateUndoEntry : UndoEntry {
    std::string text;
    int selStart = 0, selEnd = 0;
    FontRecord font;  // the text font with its colour
};

CircuitViewCommands addViewCommands = nullptr;

}  // namespace

void SetCircuitViewCommands(CircuitViewCommands add)
{
    addViewCommands = add;
}

CCTDraw::CCTDraw()
{
    drawType = kDrawSchematic;
    OnCommand(kCommandZoomIn, [this](int id) { ZoomStep(id); });
    OnCommand(kCommandZoomOut, [this](int id) { ZoomStep(id); });
    // Find, Repeat Last Find and F3 work on the text area, which is the input target of
    // every circuit view that has one. During an analysis F3 belongs to the analysis
    // window.
    OnCommand(kCmdFind, [this](int) { FindInText(*this, true); });
    OnCommand(kCmdRepeatFind, [this](int) { FindInText(*this, false); });
    OnCommand(kCmdRepeatFindKey, [this](int) {
        if (Shell.analysisKind == -1)
            FindInText(*this, false);
    });
    for (int id : {kCmdFind, kCmdRepeatFind, kCmdRepeatFindKey})
        OnUpdate(id, [](platform::CommandUI& ui) { ui.Enable(); });
    OnCommand(kCmdTextColour, [this](int) { OnTextColor(); });
    OnUpdate(kCmdTextColour, [](platform::CommandUI& ui) { ui.Enable(); });
    OnCommand(kCmdSaveAsOB5V1, [this](int) { SaveAsOlderVersion(kCircuitVersion503); });
    OnCommand(kCmdSaveAsOB5V2, [this](int) { SaveAsOlderVersion(kCircuitVersion520); });
    OnCommand(kCmdSaveAsOB6, [this](int) { SaveAsOlderVersion(kCircuitVersion60); });
    OnUpdateRange(kCmdSaveAsOB5V1, kCmdSaveAsOB6, [this](platform::CommandUI& ui) {
        ui.Enable(document && document->kind == DOC_SCHEMATIC);
    });
    OnCommand(kCmdSaveProtected, [this](int) { SaveProtectedCopyCommand(); });
    OnUpdate(kCmdSaveProtected, [this](platform::CommandUI& ui) {
        ui.Enable(document && document->kind == DOC_SCHEMATIC && Shell.analysisKind == -1);
    });
    OnCommand(kCmdReplace, [this](int) { ReplaceInText(*this); });
    OnUpdate(kCmdReplace, [this](platform::CommandUI& ui) {
        ui.Enable(textArea.IsCreated() && Shell.analysisKind == -1 && !Shell.digitalPathDialogOpen);
    });
    if (addViewCommands)
        addViewCommands(*this);
}

void CCTDraw::SetTextAreaFont(const FontRecord* font, bool redraw)
{
    if (font && document)
        document->textFont = *font;
    if (document && textArea.IsCreated())
        textArea.SetFont(document->textFont, redraw);
}

void CCTDraw::ZoomStep(int command)
{
    if (!document || !ZoomTextFont(document->textFont, command))
        return;
    SetTextAreaFont(nullptr, true);
    OnDocumentChanged();
}

CCTDraw::~CCTDraw()
{
    if (registered_ && document)
        UnregisterOpenDocument(*document);
}

bool CCTDraw::InitDocument(std::unique_ptr<CircuitDocument> doc)
{
    // A hidden open of this document takes the text as edited, not as last saved.
    SyncOpenDocumentText = [](CircuitDocument& d) {
        for (CDraw* view : ViewList())
            if (auto* cct = dynamic_cast<CCTDraw*>(view); cct && cct->document.get() == &d)
                cct->SyncTextToDocument();
    };
    if (registered_ && document)
        UnregisterOpenDocument(*document);
    document = doc ? std::move(doc) : std::make_unique<CircuitDocument>();
    document->hidden = false;
    RegisterOpenDocument(*document);
    registered_ = true;
    modified = document->modified ? 1 : 0;
    if (IsCreated() && !textArea.IsCreated() && !textArea.Create(this, 1))
        return false;
    if (textArea.IsCreated()) {
        textArea.Move(ClientRect());
        ShowDocumentText();
    }
    return true;
}

void CCTDraw::SyncTextToDocument()
{
    if (document && textArea.IsCreated())
        document->text = textArea.GetText();
}

void CCTDraw::ShowDocumentText()
{
    if (!document || !textArea.IsCreated())
        return;
    textArea.SetFont(document->textFont, false);
    textArea.SetText(document->text);
    ClearUndoList();
}

std::unique_ptr<UndoEntry> CCTDraw::NewUndoEntry()
{
    return std::make_unique<TextStateUndoEntry>();
}

UndoEntry* CCTDraw::BeginEditUndo(const std::string& label)
{
    UndoEntry* entry = CIODraw::BeginEditUndo(label);
    if (auto* state = dynamic_cast<TextStateUndoEntry*>(entry); state && textArea.IsCreated()) {
        state->text = textArea.GetText();
        textArea.GetSel(state->selStart, state->selEnd);
        if (document)
            state->font = document->textFont;
    }
    return entry;
}

void CCTDraw::RestoreEditState()
{
    auto* state = dynamic_cast<TextStateUndoEntry*>(CurrentUndo());
    if (state && textArea.IsCreated()) {
        std::string text = textArea.GetText();
        int start = 0, end = 0;
        textArea.GetSel(start, end);
        textArea.SetText(state->text);
        textArea.SetSel(state->selStart, state->selEnd);
        state->text = std::move(text);
        state->selStart = start;
        state->selEnd = end;
        if (document) {
            std::swap(state->font, document->textFont);
            SetTextAreaFont(nullptr, true);
        }
    }
    CIODraw::RestoreEditState();
    if (textArea.IsCreated())
        textArea.SetFocus();
}

void CCTDraw::OnTextColor()
{
    if (!document)
        return;
    uint8_t colour = document->textFont.color;
    if (RunColourSheet(this, colour)) {
        BeginEditUndo("Color Change");
        document->textFont.color = colour;
        SetTextAreaFont(nullptr, true);
        // The colour is kept with the circuit's text.
        OnDocumentChanged();
    }
    if (textArea.IsCreated())
        textArea.SetFocus();
}

int CCTDraw::SaveAsOlderVersion(int32_t version)
{
    if (!document)
        return 0;
    std::string name;
    if (BrowseSaveName(name) != 1)
        return kMsgReported;
    SyncTextToDocument();
    // The document stays what it was: its path, version and modified state.
    const bool wasModified = document->modified;
    const int32_t wasVersion = document->fileVersion;
    if (version <= kCircuitVersion503)
        NumberSchematicNodes(*document, false);
    int code = SaveCircuitFile(*document, name, version);
    document->modified = wasModified;
    document->fileVersion = wasVersion;
    if (code) {
        ReportMessage("E", code);
        return code;
    }
    if (version <= kCircuitVersion520)
        AddRecentFile(name);
    return 0;
}

void CCTDraw::SaveProtectedCopyCommand()
{
    const std::string password = AskNewPasswordTwice();
    if (password.empty())
        return;
    if (Save() != 0)
        return;
    std::string name;
    if (BrowseSaveName(name) != 1 || SaveFile(name) != 0)
        return;
    if (int code = SaveProtectedCopy(name, password)) {
        // The plain circuit file stays as it was written.
        ReportMessage("ME", "File:", name.c_str(), code);
    }
}

int CCTDraw::SaveToFile(const std::string& path)
{
    if (!document)
        return 0;
    SyncTextToDocument();
    int code = SaveCircuitDocument(*document, path);
    if (code == 0)
        modified = 0;
    return code;
}

CIODraw* CCTDraw::Revert()
{
    const std::string path = GetFrameTitle();
    auto doc = std::make_unique<CircuitDocument>();
    doc->path = path;
    if (LoadCircuitDocument(*doc, path, 0) != 0)
        return nullptr;
    InitDocument(std::move(doc));
    untitled = 0;
    modified = 0;
    AddRecentFile(path);
    ClearUndoList();
    SetMode(kModeSelect);
    return this;
}

void CCTDraw::OnDocumentChanged()
{
    SetModified(1);
    changedMark = 1;
    if (document) {
        document->modified = true;
        for (int32_t& changed : document->changedSinceRun)
            changed = 1;
    }
}

void CCTDraw::OnSize(int width, int height)
{
    if (textArea.IsCreated())
        textArea.Move(platform::Rect{0, 0, width + 1, height + 1});
}

void CCTDraw::OnSetFocus()
{
    if (textArea.IsCreated())
        textArea.SetFocus();
}

}  // namespace ob7
