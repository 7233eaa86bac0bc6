// The docking layout of the main frame's bars in the framework profile, one section a
// bar: the six tool bars as "Tool-Bar%d", the palettes as "Component-Bar%d", any other
// bar as "General-Bar%d", and the counts in "General-Summary".

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/main_frame.h"
#include "app/settings_profile.h"
#include "app/tool_buttons.h"
#include "platform/desktop.h"

namespace ob7 {

namespace {

constexpr int kPaletteFirst = 14950, kPaletteCount = 9;
const char* const kSides[] = {"Top", "Bottom", "Left", "Right"};

std::string Section(const char* prefix, int n) { return std::string(prefix) + "-Bar" + std::to_string(n); }

void WriteBar(const std::string& section, const platform::BarPlacement& bar) {
    const char* s = section.c_str();
    WriteFrameworkProfileString(s, "BarID", std::to_string(bar.id));
    WriteFrameworkProfileString(s, "Visible", bar.visible ? "1" : "0");
    WriteFrameworkProfileString(s, "Floating", bar.floating ? "1" : "0");
    WriteFrameworkProfileString(s, "DockSide", kSides[static_cast<int>(bar.side)]);
    WriteFrameworkProfileString(s, "XPos", std::to_string(bar.rect.left));
    WriteFrameworkProfileString(s, "YPos", std::to_string(bar.rect.top));
    WriteFrameworkProfileString(s, "Width", std::to_string(bar.rect.Width()));
    WriteFrameworkProfileString(s, "Height", std::to_string(bar.rect.Height()));
}

int ReadInt(const std::string& section, const char* key, int fallback) {
    const std::string text = ReadFrameworkProfileString(section.c_str(), key);
    return text.empty() ? fallback : std::atoi(text.c_str());
}

// A saved bar; id 0 when the section names none.
platform::BarPlacement ReadBar(const std::string& section) {
    platform::BarPlacement bar;
    bar.id = ReadInt(section, "BarID", 0);
    bar.visible = ReadInt(section, "Visible", 1) != 0;
    bar.floating = ReadInt(section, "Floating", 0) != 0;
    const std::string side = ReadFrameworkProfileString(section.c_str(), "DockSide");
    for (int i = 0; i < 4; ++i)
        if (strcasecmp(side.c_str(), kSides[i]) == 0) bar.side = static_cast<platform::DockSide>(i);
    const int x = ReadInt(section, "XPos", 0), y = ReadInt(section, "YPos", 0);
    bar.rect = {x, y, x + ReadInt(section, "Width", 0), y + ReadInt(section, "Height", 0)};
    return bar;
}

}  // namespace

void CMainFrame::SaveBarLayout() const {
    int general = 0, tools = 0, paletteBars = 0;
    for (const platform::BarPlacement& bar : GetBarPlacements()) {
        if (bar.id >= kFrameToolBarFirst && bar.id < kFrameToolBarFirst + kFrameToolBarCount) {
            WriteBar(Section("Tool", bar.id - kFrameToolBarFirst), bar);
            ++tools;
        } else if (bar.id >= kPaletteFirst && bar.id < kPaletteFirst + kPaletteCount) {
            WriteBar(Section("Component", bar.id - kPaletteFirst), bar);
            ++paletteBars;
        } else {
            WriteBar(Section("General", general++), bar);
        }
    }
    const platform::Size screen = platform::desktop::ScreenSize();
    WriteFrameworkProfileString("General-Summary", "Bars", std::to_string(general));
    WriteFrameworkProfileString("General-Summary", "ToolBars", std::to_string(tools));
    WriteFrameworkProfileString("General-Summary", "CompBars", std::to_string(paletteBars));
    WriteFrameworkProfileString("General-Summary", "ScreenCX", std::to_string(screen.cx));
    WriteFrameworkProfileString("General-Summary", "ScreenCY", std::to_string(screen.cy));
}

bool CMainFrame::RestoreBarLayout() {
    const int general = ReadInt("General-Summary", "Bars", -1);
    const int tools = std::min(ReadInt("General-Summary", "ToolBars", 0), kFrameToolBarCount);
    const int paletteBars = std::min(ReadInt("General-Summary", "CompBars", 0), kPaletteCount);
    std::vector<platform::BarPlacement> bars;
    auto keep = [&bars](const platform::BarPlacement& bar) {
        if (bar.id != 0) bars.push_back(bar);
    };
    for (int i = 0; i < general; ++i) keep(ReadBar(Section("General", i)));
    for (int i = 0; i < tools; ++i) keep(ReadBar(Section("Tool", i)));
    for (int i = 0; i < paletteBars; ++i) keep(ReadBar(Section("Component", i)));
    const bool saved = general >= 0;
    if (saved) SetBarPlacements(bars);
    // A saved layout may show bars the user no longer wants.
    for (int group = 0; group < kFrameToolBarCount; ++group)
        if (IsToolBarVisible(kFrameToolBarFirst + group) && !toolBarWanted_[group])
            ShowToolBar(kFrameToolBarFirst + group, false);
    for (CPaletteBar& palette : palettes)
        if (palette.IsVisible() && !palette.wanted) palette.Show(false);
    ShowStatusBar(statusShown_);
    return saved;
}

}  // namespace ob7
