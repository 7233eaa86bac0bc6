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

    // An edit-undo step keeps the text area's text and selection: undoing it swaps them
    // back (and redoing swaps again).
    UndoEntry* BeginEditUndo(const std::string& label) override;
    void RestoreEditState() override;
    std::unique_ptr<UndoEntry> NewUndoEntry() override;

    // Stores the font record when one is given and hands the font to the text area.
    void SetTextAreaFont(const FontRecord* font, bool redraw);
    // Zoom-In (17504) and Zoom-Out (17505) of the text area's font; the document becomes
    // modified when the size changed.
    void ZoomStep(int command);

    int SaveToFile(const std::string& path) override;
    // Reads the circuit file again (a failure is reported); this view, or null.
    CIODraw* Revert() override;
    void OnDocumentChanged() override;
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
