#pragma once
// Common dialogs: open and save file, colour and font choice.

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
};

// The chosen files (empty on cancel); a save dialog returns at most one.
std::vector<std::string> RunOpenFileDialog(Window* parent, const FileDialogOptions& options);
std::string RunSaveFileDialog(Window* parent, const FileDialogOptions& options);

// Colour and font choice; true on OK, with the value changed.
bool RunColorDialog(Window* parent, Color& color, std::vector<Color>& customColors);
bool RunFontDialog(Window* parent, Font& font);

}  // namespace platform
