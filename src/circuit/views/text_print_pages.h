#pragma once
// Printing a circuit text: the text in its font, statements in the text colour and
// comments in the comment colour, on pages with the program's text header and footer;
// and the preview of those pages.

#include "foundation/font_record.h"
#include "platform/draw_context.h"
#include "platform/window.h"

#include <functional>
#include <string>
#include <vector>

namespace ob7 {

// The colour slots of the text, its comments and the page.
struct TextPageColours {
    int text = 0, comment = 2, background = 63;
};

// How a text lies on the printer's pages.
struct TextPageLayout {
    int dpi = 0;
    platform::Size page, physical;     // printable area and sheet, printer pixels
    platform::Point margins;
    platform::Font font;               // the text font at the printer's resolution
    std::string header, footer;        // stored forms, backslash-n between lines
    int headerLines = 0, footerLines = 0;
    int perPage = 1, pages = 0;
};

// Lines end in LF or CR LF; the line end is no part of a line.
std::vector<std::string> SplitPrintLines(const std::string& text);

// The layout on the chosen printer; false when no printer (or output file) can be used.
bool LayoutTextPages(const std::vector<std::string>& lines, const std::string& title, const FontRecord& textFont,
                     TextPageLayout& layout);

// Page p (from 0) drawn into `area`: its background, the header, the text lines from
// `left` at `pitch` per line, the footer.
void DrawTextPage(platform::DrawContext& dc, const TextPageLayout& layout, const TextPageColours& colours,
                  const std::vector<std::string>& lines, const std::string& title, int p, const platform::Font& font,
                  const platform::Rect& area, int left, int pitch);

// Asks the page range and prints those pages; the pages printed, 0 when nothing was
// printed or the job did not run (its failure reported).
int PrintTextPages(platform::Window* owner, const std::string& title, const std::string& text,
                   const FontRecord& textFont, const TextPageColours& colours);

// What the preview shows and changes: the text's title, text and colours, its font (the
// Font button changes it through setFont).
struct TextPreviewSource {
    std::string title, text;
    FontRecord font;
    TextPageColours colours;
    std::function<void(const FontRecord&)> setFont;
};

// File/Print Preview of a text: the "Printer Preview" dialog (12515) page by page, with
// Print, printer Setup, Font and Header. Returns when the dialog is closed.
void ShowTextPrintPreview(platform::Window* owner, TextPreviewSource& source);

}  // namespace ob7
