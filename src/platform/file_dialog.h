#pragma once
// Common dialogs: open and save file, colour and font choice.

#include <functional>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace platform {

class Window;
struct Font;

struct FileFilter {
    std::string name;      // "Circuit Files"
    std::string patterns;  // "*.cir;*.mac"
};

struct FileDialogOptions {
    std::string title;
    std::vector<FileFilter> filters;
    int filterIndex = 0;
    std::string folder;        // default folder
    std::string fileName;      // initial name
    std::string defaultExtension;
    bool multiple = false;     // open: several files
    bool mustExist = true;     // open: only existing files
    bool confirmOverwrite = true;
    // When the user picks another file type: the folder to move to (empty: stay).
    std::function<std::string(int filterIndex)> folderOfFilter;
    // Save: a file type with a single pattern puts its extension on the typed name.
    bool extensionFollowsFilter = false;
};

// The chosen files (empty on cancel); a save dialog returns at most one. On OK the
// options' filterIndex holds the file type chosen last.
std::vector<std::string> RunOpenFileDialog(Window* parent, FileDialogOptions& options);
std::string RunSaveFileDialog(Window* parent, FileDialogOptions& options);
// The name with its extension replaced by that of a single pattern ("*.cir"); unchanged
// when the patterns are several or carry no extension.
std::string ReplaceExtensionForPatterns(const std::string& name, const std::string& patterns);

// Colour and font choice; true on OK, with the value changed.
bool RunColorDialog(Window* parent, Color& color, std::vector<Color>& customColors);
bool RunFontDialog(Window* parent, Font& font);

}  // namespace platform
