#include "app/profile_old_layout.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/settings_profile.h"
#include "foundation/paths.h"
#include "foundation/profile.h"
#include "foundation/recent_list.h"
#include "foundation/textfile.h"
#include "sim/engine/simulation_options.h"
#include "ui/framework/title_block.h"

namespace ob7 {

namespace {

// The rest of the current line, at most size - 1 characters kept.
int ReadText(TextFile& file, std::string& text, int size) {
    std::vector<char> buffer(static_cast<size_t>(size), '\0');
    int code = Serial::String(file, buffer.data(), size);
    text = buffer.data();
    return code;
}

// Font records of the old display settings: height, style, a spare byte, colour and face.
int SkipFontRecords(TextFile& file) {
    int32_t count = 0;
    if (int code = Serial::Int(file, count)) return code;
    for (int32_t i = 0; i < count; ++i) {
        int32_t height = 0;
        uint8_t style = 0, spare = 0, colour = 0;
        std::string face;
        int code = Serial::Int(file, height);
        if (!code) code = Serial::Byte(file, style);
        if (!code) code = Serial::Byte(file, spare);
        if (!code) code = Serial::Byte(file, colour);
        if (!code) code = ReadText(file, face, 1000);
        if (code) return code;
    }
    return 0;
}

// The printer texts: the first is the header, the second the footer; more are read over.
int ReadHeaderFooter(TextFile& file) {
    int32_t count = 0;
    if (int code = Serial::Int(file, count)) return code;
    for (int32_t i = 0; i < count; ++i) {
        std::string text;
        if (int code = ReadText(file, text, 92)) return code;
        if (i == 0) PrinterSettings.header = text;
        else if (i == 1) PrinterSettings.footer = text;
    }
    return 0;
}

// Window entries of the old layout: two integers and a point each, all dropped.
int SkipWindowEntries(TextFile& file) {
    int32_t count = 0;
    if (int code = Serial::Int(file, count)) return code;
    for (int32_t i = 0; i < count; ++i) {
        int32_t a = 0, b = 0, x = 0, y = 0;
        int code = Serial::Int(file, a);
        if (!code) code = Serial::Int(file, b);
        if (!code) code = Serial::Point(file, x, y);
        if (code) return code;
    }
    return 0;
}

// The recent files, most recent first, into a list of eight.
int ReadRecentFiles(TextFile& file) {
    int32_t count = 0;
    if (int code = Serial::Int(file, count)) return code;
    CRecentList& list = FileMru();
    list.Clear();
    list.SetSize(8);
    std::vector<std::string> names;
    for (int32_t i = 0; i < std::min<int32_t>(count, 8); ++i) {
        std::string name;
        if (ReadText(file, name, 1001)) break;
        names.push_back(name);
    }
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        if (!it->empty()) list.AddToTop(it->c_str());
    return 0;
}

}  // namespace

int ReadGlobalSettingsRecord(TextFile& file) {
    int32_t count = 0;
    int code = Serial::Int(file, count);
    for (int32_t i = 0; !code && i < count; ++i) {
        std::string text;
        code = ReadText(file, text, 1001);
        if (!code && i < kOptionCount) OptionTexts[i] = text;
    }
    std::string format;
    int32_t spare = 0;
    if (!code) code = ReadText(file, format, 1001);
    if (!code) code = ReadText(file, format, 1001);
    if (!code) code = Serial::Int(file, spare);
    ParseSimulationOptions(true);
    return code;
}

int ReadOldProfileLayout(Profile& profile) {
    std::string folder;
    // An empty folder keeps the default one.
    if (ReadText(profile, folder, 1001) == 0 && !folder.empty()) SetDefaultPath(kDataPath, folder);
    if (int code = ReadGlobalSettingsRecord(profile)) return code;
    if (SkipFontRecords(profile)) return 0;
    int32_t options = 0;
    if (Serial::Int(profile, options)) return 0;
    // Inertial cancellation was always on in these versions.
    Preferences.operationalOptions = options | 0x4000;
    TakeQuestionOptionBits();
    if (ReadHeaderFooter(profile) || SkipWindowEntries(profile)) return 0;
    int32_t statusBar = 0;
    if (Serial::Int(profile, statusBar)) return 0;
    Preferences.statusBar = statusBar != 0;
    ReadRecentFiles(profile);
    return 0;
}

}  // namespace ob7
