#include "analysis_ui/curve_file_menus.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <strings.h>

#include "foundation/paths.h"

namespace ob7 {

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::vector<std::string> WaveformMenuLabels(const std::string& text) {
    std::vector<std::string> labels;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (strcasecmp(line.c_str(), "[Waveform]") == 0) break;
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        if (strcasecmp(Trim(line.substr(0, equals)).c_str(), "WaveformMenu") != 0) continue;
        const std::string label = Trim(line.substr(equals + 1));
        if (!label.empty()) labels.push_back(label);
    }
    return labels;
}

std::vector<CurveFileMenu> FindCurveFileMenus() {
    namespace fs = std::filesystem;
    std::vector<CurveFileMenu> menus;
    const std::string& list = GetDefaultPath(kDataPath);
    const char* position = list.c_str();
    std::string folder;
    while ((position = NextPathListEntry(position, folder)) != nullptr) {
        if (folder.empty()) continue;
        std::error_code error;
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(NormalizeSeparators(folder), error)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file(error) && strcasecmp(extension.c_str(), ".usr") == 0) files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& path : files) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            CurveFileMenu menu;
            menu.labels = WaveformMenuLabels(text.str());
            if (menu.labels.empty()) continue;
            const std::string name = path.filename().string();
            menu.file = name.substr(0, name.find('.'));
            menus.push_back(std::move(menu));
        }
    }
    return menus;
}

}  // namespace ob7
