#include "circuit/views/cct_draw.h"

#include "circuit/document_files.h"
#include "foundation/paths.h"

namespace ob7 {

namespace {

struct TextStateUndoEntry : UndoEntry {
    std::string text;
    int selStart = 0, selEnd = 0;
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
    }
    CIODraw::RestoreEditState();
    if (textArea.IsCreated())
        textArea.SetFocus();
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
