#pragma once
// The document windows the program can open by file kind, handed to the main frame.

namespace ob7 {

// Text files (decks, numeric output) open in text windows.
void InstallDocumentOpeners();

}  // namespace ob7
