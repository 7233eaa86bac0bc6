#pragma once
// The user's documents while a demo plays: put aside when it starts (each saved under a
// temporary name beside its file and its window closed) and brought back when it ends,
// with the titles, modified flags and untitled states they had.

#include <string>
#include <vector>

namespace ob7 {

struct SavedDocument {
    std::string title;      // the frame title (the document's path)
    std::string temporary;  // the copy written for the demo
    int modified = 0;
    int kind = 0;           // 1 schematic, 2 text, 3 model library
    int hasFile = 0;
};

// Ends the active analysis, saves and closes every open document window. False when a
// document could not be written (its window stays open and the demo must not start).
bool SaveDocumentsForDemo(std::vector<SavedDocument>& saved);
// Closes the demo's own document windows, without questions.
void CloseDemoDocuments();
// Reopens every saved document as it was and deletes its temporary copy.
void RestoreDocumentsAfterDemo(std::vector<SavedDocument>& saved);

}  // namespace ob7
