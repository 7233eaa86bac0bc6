#pragma once
// CCTDraw and CCTFrame: the circuit view, which owns its CircuitDocument and shows the
// document's text area in the program's text editor, and its frame. Text windows and
// the schematic editor build on them.

#include "circuit/circuit_document.h"
#include "ui/framework/io_frame.h"
#include "ui/framework/txt_edit.h"

#include <memory>
#include <string>

namespace ob7 {

constexpr int kCmdSaveProtected = 18508;
constexpr int kCmdTextColour = 17450, kCmdTextFont = 17452;
// File/Translate: the schematic in an older version (5.03 old layout, 5.20, 6.0).
constexpr int kCmdSaveAsOB5V1 = 18503, kCmdSaveAsOB5V2 = 18504, kCmdSaveAsOB6 = 18505;

class CCTFrame : public CIOFrame {
public:
    CCTFrame() { kind = kDrawSchematic; }
};

class CCTDraw;

// Commands that layers above the circuit documents give every circuit view (Refresh
// Models, context help of the text); set once at start-up, before views are made.
using CircuitViewCommands = void (*)(CCTDraw& view);
void SetCircuitViewCommands(CircuitViewCommands add);

class CCTDraw : public CIODraw {
public:
    CCTDraw();
    ~CCTDraw() override;

    std::unique_ptr<CircuitDocument> document;
    CTxtEdit textArea;

    // Takes the document (a new empty one when null), registers it as open and puts its
    // text and font into the text area, which is created when the view has a window.
    bool InitDocument(std::unique_ptr<CircuitDocument> doc);
    // The text area's text becomes the document's text.
    void SyncTextToDocument();
    // The document's text is shown again (after a reload); the undo list is emptied.
    void ShowDocumentText();

    // An edit-undo step keeps the text area's text, selection and font: undoing it swaps
    // them back (and redoing swaps again).
    UndoEntry* BeginEditUndo(const std::string& label) override;
    // The editor's Upper Case and Lower Case: one undo step keeping the whole text.
    void BeginWholeTextUndo(const std::string& label) override
    {
        if (!undoLock)
            BeginEditUndo(label);
    }
    void RestoreEditState() override;
    std::unique_ptr<UndoEntry> NewUndoEntry() override;

    // Stores the font record when one is given and hands the font to the text area.
    void SetTextAreaFont(const FontRecord* font, bool redraw);
    // Zoom-In (17504) and Zoom-Out (17505) of the text area's font; the document becomes
    // modified when the size changed.
    void ZoomStep(int command);

    // Edit/Change/Color (17450): the colour sheet for the text colour; a change is one
    // "Color Change" undo step and makes the document modified.
    void OnTextColor();

    // File/Translate to an older version: a name is asked and the circuit written there
    // in that version; the window keeps its title and modified state. 0, the failure's
    // code (reported), or 15055 when no name was given.
    int SaveAsOlderVersion(int32_t version);

    // Ctrl+Alt+S (18508) of a schematic: asks a password twice, saves the circuit, asks a
    // name, saves it there and rewrites that file as a protected copy.
    void SaveProtectedCopyCommand();

    int SaveToFile(const std::string& path) override;
    // Reads the circuit file again (a failure is reported); this view, or null.
    CIODraw* Revert() override;
    void OnDocumentChanged() override;
    // The text area draws its statements in the text font's colour and its comments in
    // the document's comment colour.
    int EditorTextColour() const override { return document ? document->textFont.color : 0; }
    void SetEditorTextColour(int slot) override
    {
        if (document)
            document->textFont.color = static_cast<uint8_t>(slot);
    }
    int EditorCommentColour() const override { return document ? document->commentColour : 2; }
    CTxtEdit* TextEditor() override { return textArea.IsCreated() ? &textArea : nullptr; }
    void Cut(int) override { textArea.Cut(); }
    void Copy() override { textArea.Copy(); }
    void Paste() override { textArea.Paste(); }
    void Clear() override { textArea.DeleteSelOrChar(); }
    void SelectAll() override { textArea.SelectAll(); }
    void OnSize(int width, int height) override;
    void OnSetFocus() override;

private:
    bool registered_ = false;
};

}  // namespace ob7
