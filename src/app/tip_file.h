#pragma once
// The tip file "tip.ob7" of the program folder and the "Tip" settings: the tip to show
// next and whether tips show at start-up. The file holds the count, a table of
// (offset, spare) pairs and each text as its length and bytes; a text's first line is
// its heading.

#include <optional>
#include <string>
#include <vector>

namespace ob7 {

class Profile;

// The "Tip" section: "Show" and "Index".
struct TipSettings {
    int show = 1;   // show the dialog at start-up
    int index = 0;  // the tip shown next
};
extern TipSettings Tip;

int SerializeTipSection(Profile& profile);

// The tip file of the program folder.
std::string TipFilePath();
// The text of tip Tip.index of the file (the index wraps and is stored back). A file
// that cannot be opened gives "Error" or "Warning", a newline and the reason; a file
// without tips gives nothing.
std::optional<std::string> LoadTipText(const std::string& path = TipFilePath());
// Writes a tip file. 0 or the error.
int WriteTipFile(const std::string& path, const std::vector<std::string>& tips);

}  // namespace ob7
