#include "app/tool_bar_profile.h"

#include <strings.h>

#include <cstdlib>
#include <string>

#include "app/tool_buttons.h"

namespace ob7 {

namespace {

constexpr int32_t kVersion540 = 0x50028;

// The window type a section holds, -1 for the main frame's buttons, -2 for none.
int SectionWindowType(const std::string& section) {
    static const struct {
        const char* name;
        int type;
    } kSections[] = {{"[Main Toolbar]", -1},        {"[Cir Default ToolBar]", 1}, {"[Txt Default ToolBar]", 2},
                     {"[LBR Default ToolBar]", 3},  {"[G2D Default ToolBar]", 5}, {"[G3D Default ToolBar]", 8},
                     {"[PFM Default ToolBar]", 19}, {"[MCL Default ToolBar]", 6}};
    for (const auto& s : kSections)
        if (strcasecmp(s.name, section.c_str()) == 0) return s.type;
    return -2;
}

// The number after a key's prefix, 0 when there is none.
int KeyNumber(const std::string& key, const char* prefix) {
    size_t length = std::char_traits<char>::length(prefix);
    if (key.size() <= length || strncasecmp(key.c_str(), prefix, length) != 0) return 0;
    char* end = nullptr;
    long n = std::strtol(key.c_str() + length, &end, 10);
    return (*end == 0 && n >= 1 && n <= 20) ? static_cast<int>(n) : 0;
}

}  // namespace

int SerializeToolBarSection(Profile& profile) {
    const int type = SectionWindowType(profile.section);
    ToolButtonEntry* entries = nullptr;
    int count = 0;
    int32_t* top = nullptr;
    if (type == -1) {
        entries = FrameButtonList.entries.data();
        count = FrameButtonList.count;
    } else if (type >= 0) {
        top = GetMainToolBarTable(type, &entries, &count);
    }
    std::string entry, key, value;
    if (profile.mode == 1) {
        if (top) profile.WriteString("Pos", *top ? "Top" : "Left");
        for (int i = 0; i < count; ++i)
            if (entries[i].Row >= 0) profile.WriteOnOff(ToolButtonTable[entries[i].Row].Name, entries[i].Visible);
        return profile.error;
    }
    while (profile.NextEntry(entry)) {
        SplitKeyValue(entry.c_str(), key, value);
        if (top && strcasecmp(key.c_str(), "Pos") == 0) {
            *top = strcasecmp(value.c_str(), "Top") == 0 ? 1 : 0;
            continue;
        }
        for (int i = 0; i < count; ++i)
            if (entries[i].Row >= 0 && strcasecmp(ToolButtonTable[entries[i].Row].Name, key.c_str()) == 0) {
                entries[i].Visible = strcasecmp(value.c_str(), "On") == 0 ? 1 : 0;
                break;
            }
    }
    return 0;
}

int SerializeToolBitmaps(Profile& profile) {
    ComponentButtonData& data = ComponentButtons;
    if (profile.mode == 1) {
        profile.WriteInt("BITMAP_COLS", 16);
        profile.WriteInt("BITMAP_ROWS", 15);
        for (int n = 1; n <= 20; ++n) {
            const std::string number = std::to_string(n);
            if (!data.partNames[n - 1].empty())
                profile.WriteString(("BITMAP_NAME_" + number).c_str(), data.partNames[n - 1].c_str());
            std::string rows;
            bool any = false;
            for (int32_t row : data.glyphs[n - 1]) {
                if (!rows.empty()) rows += ',';
                rows += std::to_string(row);
                any = any || row != 0;
            }
            if (any) profile.WriteString(("BITMAP_DATA_" + number).c_str(), rows.c_str());
        }
        return profile.error;
    }
    std::string entry, key, value;
    while (profile.NextEntry(entry)) {
        SplitKeyValue(entry.c_str(), key, value);
        if (int n = KeyNumber(key, "BITMAP_NAME_")) {
            data.partNames[n - 1] = value;
        } else if (int m = KeyNumber(key, "BITMAP_DATA_")) {
            const char* p = value.c_str();
            bool skip = profile.fileVersion == kVersion540;
            for (int j = 0; j < 15 && *p;) {
                char* end = nullptr;
                long v = std::strtol(p, &end, 10);
                if (end == p) break;
                if (skip) {
                    skip = false;
                } else {
                    data.glyphs[m - 1][j++] = static_cast<int32_t>(v);
                }
                p = end;
                while (*p == ',' || *p == ' ') ++p;
            }
        }
    }
    return 0;
}

int SkipComponentPaletteSection(Profile& profile) {
    if (profile.mode == 1) return 0;
    std::string entry;
    while (profile.NextEntry(entry)) {}
    return 0;
}

}  // namespace ob7
