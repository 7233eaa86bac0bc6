#pragma once
// The stored curves the expression menus offer: the user-source files (".USR") of the
// data folders with the waveform labels their menu blocks list.

#include <string>
#include <vector>

namespace ob7 {

// A file's name up to its first "." and the labels of its waveforms.
struct CurveFileMenu {
    std::string file;
    std::vector<std::string> labels;
};

// The "WaveformMenu" entries of a file's [Main]/[Menu] part, read up to the first
// "[Waveform]"; none for a text without them.
std::vector<std::string> WaveformMenuLabels(const std::string& text);

// Every "*.USR" file of the default data folders, folder by folder in list order and by
// name within a folder, that lists at least one waveform.
std::vector<CurveFileMenu> FindCurveFileMenus();

}  // namespace ob7
