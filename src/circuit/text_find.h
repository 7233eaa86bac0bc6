#pragma once
// Find and replace in the text of a circuit document (a text page's netlist, or the
// text area of a schematic), the selection of a whole logical netlist line, and the one
// record through which the compiler and the find commands leave the place of a hit.

#include "circuit/circuit_document.h"
#include "foundation/recent_list.h"

#include <cstddef>
#include <string>

namespace ob7 {

struct TextSelection {
    size_t start = 0, end = 0;
};

constexpr int kFindFound = 6;
constexpr int kFindNotFound = 2;
constexpr size_t kMaxSearchText = 255;

// The program-wide search state.
struct TextSearchState {
    std::string search;
    std::string replacement;
    bool wholeWord = false;
};
extern TextSearchState TextSearch;

// The last search and replacement texts, 10 each, kept in the settings profile under
// these section names.
inline constexpr char kSearchHistorySection[] = "Last Used Text Area Search Text";
inline constexpr char kReplaceHistorySection[] = "Last Used Text Area Replace Text";
extern CRecentList SearchHistory;   // keys "SEARCHTEXT_"
extern CRecentList ReplaceHistory;  // keys "REPLACETEXT_"
int SerializeSearchHistory(Profile& profile);
int SerializeReplaceHistory(Profile& profile);

// Find and Replace take the selected text, when there is one, as the search text (at
// most 255 characters).
void TakeSelectionAsSearchText(const std::string& text, const TextSelection& selection);

// The dialogs' texts become the current ones and go to the top of their histories.
void RememberSearchTexts(const std::string& search, const std::string* replacement);

// The first match of `search` at or after `from`, compared without regard to case; with
// `wholeWord` a match counts only between non-identifier characters (the ends of the text
// count as such). npos when there is none.
size_t FindTextMatch(const std::string& text, size_t from, const std::string& search, bool wholeWord);

// Finds the next match after the selection (or, when replacing, from the selection's
// start, so that a selected match is replaced first), wrapping to the top; selects it.
// With a replacement a match at the selection is replaced and the next one selected.
// kFindFound or kFindNotFound (with reportNotFound, 15049 is reported).
int FindNextInText(std::string& text, TextSelection& selection, const std::string& search,
                   const std::string* replacement, bool wholeWord, bool reportNotFound);

// Replaces every match (matches do not overlap); returns the count.
int ReplaceAllInText(std::string& text, const std::string& search, const std::string& replacement, bool wholeWord);

// The Replace dialog's status line after Replace All.
std::string ReplaceAllStatusText(int count);

// The logical netlist line around a line (counted from 0): back over the lines that the
// following '+' lines continue, forward over continuation lines, skipping comment lines.
TextSelection SelectLogicalLine(const std::string& text, int line);

// The place of the last hit, left by the compiler and the find commands for the view to
// show.
enum FindResultKind : int { FR_NONE = 0, FR_OBJECT = 1, FR_GRID_TEXT = 2, FR_TEXT = 3 };
struct FindResultRecord {
    int kind = FR_NONE;
    const CircuitObject* object = nullptr;
    const GridText* gridText = nullptr;
    int32_t position = 0;          // a text line, or a character index with caretOnly
    CircuitDocument* document = nullptr;
    std::string path;              // the file to open when no document is given
    int documentKind = 0;
    bool caretOnly = false;
    bool inActivePane = false;
    void Clear() { *this = FindResultRecord(); }
};
extern FindResultRecord FindResult;

}  // namespace ob7
