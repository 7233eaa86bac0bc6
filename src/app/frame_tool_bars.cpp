// The main frame's six tool bars, one per button group: their buttons from the frame
// button list, which of them and which bars are shown, and the Main Tool Bar commands.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/main_frame.h"
#include "app/main_tool_bar.h"
#include "app/settings_profile.h"
#include "app/tool_buttons.h"
#include "app/tool_icons.h"
#include "platform/image.h"
#include "ui/framework/colour_slots.h"

namespace ob7 {

namespace {

constexpr const char* kBarCaptions[kFrameToolBarCount] = {"File", "Edit", "Component", "Windows", "Options",
                                                          "Analysis"};

}  // namespace

platform::Image MakeComponentBarBitmap(const std::array<std::array<int32_t, 15>, 20>& glyphs, int cell,
                                       platform::Color face, platform::Color ink) {
    platform::Image strip(cell * 20, cell, face);
    const int dx = std::max(0, (cell - 16) / 2), dy = std::max(0, (cell - 15) / 2);
    for (int k = 0; k < 20; ++k)
        for (int j = 0; j < 15; ++j)
            for (int i = 0; i < 16; ++i)
                if (glyphs[k][j] & (1 << i)) strip.SetPixel(cell * k + dx + i, dy + j, ink);
    return strip;
}

platform::Color ToolButtonFace() { return Slot(69).colour; }

platform::Image ComponentBarStrip(int cell) {
    return MakeComponentBarBitmap(ComponentButtons.glyphs, cell, ToolButtonFace(), Slot(66).colour);
}

namespace {

// A frame bar's own strip: one picture per button of the group, in list order; the
// Component bar draws its glyphs instead.
platform::Image FrameBarStrip(int group, const std::vector<ToolIcon>& icons, int size) {
    if (group == kGroupComponent) return ComponentBarStrip(size);
    std::vector<ToolIcon> pictures;
    auto generic = std::find_if(icons.begin(), icons.end(), [](const ToolIcon& c) { return c.command == 0; });
    for (int i = 0; i < FrameButtonList.count; ++i) {
        const ToolButtonEntry& entry = FrameButtonList.entries[i];
        if (entry.Group != group) continue;
        auto own = std::find_if(icons.begin(), icons.end(), [&](const ToolIcon& c) { return c.command == entry.Command; });
        pictures.push_back(own != icons.end() ? *own : generic != icons.end() ? *generic : ToolIcon{});
    }
    return DrawIconStrip(pictures, size, ToolButtonFace());
}

}  // namespace

bool CMainFrame::CreateToolBars(int size) {
    std::vector<ToolIcon> icons = ReadToolIcons(ToolIconPath());
    if (icons.empty()) return false;
    buttonSize_ = size;
    const platform::Size cell{size, size};
    for (int group = 0; group < kFrameToolBarCount; ++group) {
        const platform::Image strip = FrameBarStrip(group, icons, size);
        if (!AddToolBar(kFrameToolBarFirst + group, kBarCaptions[group], strip, cell, {}, platform::DockSide::Top))
            return false;
        // A bar saved before keeps the user's wish to see it.
        const std::string section = "Tool-Bar" + std::to_string(group);
        const std::string visible = ReadFrameworkProfileString(section.c_str(), "Visible");
        const bool saved = std::atoi(ReadFrameworkProfileString(section.c_str(), "BarID").c_str()) != 0;
        toolBarWanted_[group] = saved && !visible.empty() ? (std::atoi(visible.c_str()) != 0) : 1;
    }
    for (int k = 0; k < CPaletteBar::kCount; ++k) {
        if (!palettes[k].Create(*this, k)) return false;
        const std::string section = "Component-Bar" + std::to_string(k);
        const std::string visible = ReadFrameworkProfileString(section.c_str(), "Visible");
        palettes[k].wanted = visible.empty() || std::atoi(visible.c_str()) != 0;
        if (ReadFrameworkProfileString(section.c_str(), "BarID").empty()) noSavedPaletteLayout = true;
    }
    UpdateToolBars(0);
    DockToolBarsInRow();
    InstallPaletteCommands();
    return true;
}

void CMainFrame::OnSysColorChange() {
    CreateSystemColourSlots();
    RefreshComponentBar();
    // The other bars' pictures stand on the old button face until drawn again.
    if (std::vector<ToolIcon> icons = ReadToolIcons(ToolIconPath()); !icons.empty())
        for (int group = 0; group < kFrameToolBarCount; ++group)
            if (group != kGroupComponent)
                SetToolBarStrip(kFrameToolBarFirst + group, FrameBarStrip(group, icons, buttonSize_));
    ReloadDrawToolBarStrips();
}

void CMainFrame::RefreshComponentBar() {
    SetToolBarStrip(kFrameToolBarFirst + kGroupComponent, ComponentBarStrip(buttonSize_));
    UpdateToolBars(0);
}

void CMainFrame::UpdateToolBars(int recalc) {
    for (int group = 0; group < kFrameToolBarCount; ++group) {
        // The visible buttons of the group; a separator only where a visible button
        // lies between it and the next one, never at the end.
        std::vector<platform::ToolButton> buttons;
        int picture = 0;
        bool pendingSeparator = false;
        for (int i = 0; i < FrameButtonList.count; ++i) {
            const ToolButtonEntry& entry = FrameButtonList.entries[i];
            if (entry.Group != group || entry.Row < 0) continue;
            const ToolButtonInfo& row = ToolButtonTable[entry.Row];
            const int image = group == kGroupComponent ? row.BitmapId : picture;
            ++picture;
            if (!entry.Visible) continue;
            if (pendingSeparator && !buttons.empty()) buttons.push_back(platform::ToolButton{});
            pendingSeparator = false;
            buttons.push_back({entry.Command, image, 0, ToolTipText(entry.Command)});
            if (row.Flags & kToolSeparatorAfter) pendingSeparator = true;
        }
        const int id = kFrameToolBarFirst + group;
        SetToolBarButtons(id, buttons);
        // A bar left without buttons is no longer wanted.
        toolBarWanted_[group] = toolBarWanted_[group] && !buttons.empty();
        ShowToolBar(id, toolBarWanted_[group] != 0);
    }
    if (recalc) platform::FrameWindow::UpdateToolBars();
}

void CMainFrame::DockToolBarsInRow() {
    for (int group = 0; group < kFrameToolBarCount; ++group) DockToolBar(kFrameToolBarFirst + group, platform::DockSide::Top);
}

void CMainFrame::RememberToolBarVisibility() {
    for (int group = 0; group < kFrameToolBarCount; ++group)
        toolBarWanted_[group] = IsToolBarVisible(kFrameToolBarFirst + group) ? 1 : 0;
}

bool CMainFrame::AnyToolBarVisible() const {
    for (int group = 0; group < kFrameToolBarCount; ++group)
        if (IsToolBarVisible(kFrameToolBarFirst + group)) return true;
    return false;
}

void CMainFrame::OnMainToolBarCommand() {
    const bool hide = AnyToolBarVisible();
    for (int group = 0; group < kFrameToolBarCount; ++group) {
        toolBarWanted_[group] = hide ? 0 : 1;
        if (hide) ShowToolBar(kFrameToolBarFirst + group, false);
    }
    if (!hide) UpdateToolBars(1);
}

void CMainFrame::OnDefaultMainToolBar() {
    SetToolButtonDefaults(-1, FrameButtonList.entries.data(), FrameButtonList.count, 1, &ComponentButtons.partNames,
                          DefaultButtonMask());
    toolBarWanted_.fill(1);
    UpdateToolBars(0);
    DockToolBarsInRow();
}

}  // namespace ob7
