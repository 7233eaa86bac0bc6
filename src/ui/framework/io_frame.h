#pragma once
// CIOFrame and CIODraw: the frame and view bases of every window that shows a file.
// They add the modified flag, the untitled state, File Save, Save As and Revert, the
// save question on close and quit, the search for a window that already shows a file,
// and the names of new untitled documents. Reading and writing stay with the views.

#include <functional>
#include <string>

#include "ui/framework/draw_window.h"

namespace ob7 {

class CIODraw;

enum IOCommand : int { kCmdSaveAs = 57604, kCmdRevert = 12506 };

class CIOFrame : public CMDIFrame {
public:
    CIODraw* View() const;
    // Asks to save a modified document; Cancel keeps the window open.
    void OnClose() override;
};

class CIODraw : public CDraw {
public:
    CIODraw();

    CIOFrame* ioFrame = nullptr;
    int untitled = 1;
    int changedMark = 0;  // set when a schematic or text becomes modified; the netlist reader clears it
    int locked = 0;       // read from a protected file without its password
    int modified = 0;

    // Writes the document; 0 or a message code. Clearing the modified flag after a
    // successful write is the view's.
    virtual int SaveToFile(const std::string& path) { return 0; }
    // Reloads the document from its file; the view that now shows it, or null.
    virtual CIODraw* Revert() { return nullptr; }

    int IsModified() const { return modified; }
    int SetModified(int value);
    // Saves under the path, or under the frame title when the path is empty.
    int SaveFile(const std::string& path = {});
    // File/Save: an untitled document asks for a name first (15055 when cancelled).
    int Save();
    // 1 with a chosen name, 2 when the dialog ended without one.
    int BrowseSaveName(std::string& name);
    // The save question; -1 nothing asked, 2 Cancel, 6 Yes, 7 No, 32 Yes to All, 33 No to All.
    int QuerySaveChanges(bool several);
    // One step of the quit over all documents; 1 stops the quit.
    int QueryCloseAll(int& answer, int modifiedCount);

    void OnFileSave();
    void OnFileSaveAs();
    void OnFileRevert();
    bool SaveEnabled() const;
};

// The frame of an open window of a file, or null (the caller opens it); on failure the
// code is reported (unless flag 0x80) and null returned.
CIOFrame* LocateDocumentToOpen(std::string& path, const std::string& name, int flags, int kind, int& code);
// Hidden documents (loaded without a window for the compiler) that the active circuit's
// scope holds: the frame of the one with this file, or null. The compiler installs it;
// LocateDocumentToOpen asks it under flag 0x2000 when no open window has the file.
using HiddenDocumentLookup = std::function<CIOFrame*(const std::string& path)>;
void SetHiddenDocumentLookup(HiddenDocumentLookup lookup);

// The next untitled name of a kind (1 schematic, 2 SPICE text, 3 model library) in its
// default folder.
int UntitledDocumentName(std::string& name, int kind);
void ResetUntitledCounters();

// The open schematic, text or library window of a file, or null.
CIODraw* FindOpenDocumentByPath(const std::string& path);
// Refuses (13510, 15055) a name another window has open; 0 otherwise.
int CheckNameNotOpen(CIOFrame* own, const std::string& name);
// A window that has the file open reloads it; false when none has.
bool ReloadOpenDocumentByPath(const std::string& path);
// Text streams read the live text of open documents (the text in their editor) in place
// of the file; installed at start-up.
void InstallOpenDocumentTextSource();

}  // namespace ob7
