#pragma once
// Text windows: a plain text file (a SPICE netlist, a model library text, numeric output,
// a report) shown in the circuit view's text area. A text page keeps its whole document
// in the text area; it saves byte for byte.

#include "circuit/views/cct_draw.h"
#include "circuit/views/text_print_pages.h"

#include <string>

namespace ob7 {

class TextFile;

constexpr int kCmdTranslateToLibrary = 18502;

class CTxtDraw : public CCTDraw {
public:
    CTxtDraw();
    int SaveToFile(const std::string& path) override;
    // Reloads the file; this view, or null after a reported failure.
    CIODraw* Revert() override;
    int TextLength() const { return textArea.GetTextLength(); }
    // File/Print: the text in its font, statements in the text colour and comments in the
    // comment colour, with the program's text header and footer on every page. The pages
    // printed; 0 when there was nothing to print or the job did not run.
    void Print() override { PrintText(); }
    int PrintText();
    // File/Print Preview outside an analysis: the preview dialog of the text's pages.
    void PrintPreview();
    TextPageColours PageColours() const;
    // File/Translate "SPICE Text File to Binary Library...": asks for the library name
    // (the title with "LBR" proposed) and writes the text's top-level models into it.
    void TranslateSpiceToLibrary();
};

class CTxtFrame : public CCTFrame {
public:
    CTxtFrame();
    CTxtDraw view;
};

// A new text window titled with the path (its view empty), or null when the window
// cannot be made. The window lives until it is closed.
CTxtFrame* CreateTextWindow(const std::string& path);

// Reads the file named by the frame title into the text area, unchanged. 0, or 15055
// after the failure was reported.
int ReloadTextFromFile(CTxtDraw& view);

// The text branch of opening a circuit file: an open window of the file is brought
// forward without reading it; otherwise a new window reads the file. Null with `code`
// set on failure (reported, then 15055, unless the flags hold 0x80).
CTxtFrame* OpenTextWindow(const std::string& name, int flags, int& code);

// Shows a text file a generator has just written (numeric output, reports): the stream
// is closed, and unless a batch run is going on the file's text window (a new one when
// none shows it) reads the file and comes to the front (activated with `activate`). The
// view, or null when nothing was written or the file could not be shown; a failed close
// is reported.
CTxtDraw* ReloadTextDocument(TextFile& written, bool activate);

// The text windows that exist (closed ones are released when the next one is made).
int TextWindowCount();

}  // namespace ob7
