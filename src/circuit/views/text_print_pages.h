#pragma once
// Printing a circuit text: the text in its font, statements in the text colour and
// comments in the comment colour, on pages with the program's text header and footer.

#include "foundation/font_record.h"
#include "platform/window.h"

#include <string>

namespace ob7 {

// Prints the whole text, every page; the pages printed, 0 when nothing was printed or
// the job did not run (its failure reported).
int PrintTextPages(platform::Window* owner, const std::string& title, const std::string& text,
                   const FontRecord& textFont, int textColourSlot, int commentColourSlot, int backgroundSlot);

}  // namespace ob7
