#include "app/palette_bar.h"

#include <strings.h>

#include <cstdlib>

#include "app/main_tool_bar.h"
#include "foundation/profile.h"
#include "libraries/component_def.h"
#include "libraries/component_library.h"
#include "platform/desktop.h"
#include "platform/draw_context.h"
#include "platform/frame.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

const platform::Font& PaletteFont() {
    static const platform::Font font{.face = "Sans Serif", .height = -12, .weight = 700};
    return font;
}

std::array<std::string, CPaletteBar::kCount>& PaletteNames() {
    static std::array<std::string, CPaletteBar::kCount> names;
    return names;
}

void SetDefaultPaletteNames() {
    PaletteNames() = {"Analog", "Analog Models", "Digital", "Digital ICs", "Palette 5", "Palette 6", "Palette 7",
                      "Palette 8", "Palette 9"};
}

int GetPaletteBarName(int palette, std::string& buffer) {
    buffer = palette >= 0 && palette < CPaletteBar::kCount ? PaletteNames()[palette] : std::string();
    return static_cast<int>(buffer.size()) + 1;
}

int SerializePaletteNames(Profile& profile) {
    for (int k = 0; k < CPaletteBar::kCount; ++k)
        profile.WriteString(("Bar " + std::to_string(k)).c_str(), PaletteNames()[k].c_str());
    return profile.error;
}

bool ReadPaletteNameKey(const std::string& key, const std::string& value) {
    if (key.size() < 5 || strncasecmp(key.c_str(), "Bar ", 4) != 0) return false;
    char* end = nullptr;
    const long n = std::strtol(key.c_str() + 4, &end, 10);
    if (end == key.c_str() + 4 || *end != '\0' || n < 0 || n >= CPaletteBar::kCount) return false;
    if (!value.empty()) PaletteNames()[n] = value;
    return true;
}

const std::string& CPaletteBar::Name() const { return PaletteNames()[index_]; }

bool CPaletteBar::Create(platform::FrameWindow& frame, int index) {
    index_ = index;
    if (!frame.AddListBar(kFirstId + index, Name(), platform::DockSide::Top)) return false;
    frame.SetListBarFont(kFirstId + index, PaletteFont());
    frame_ = &frame;
    Show(false);  // until its components are known
    return true;
}

void CPaletteBar::SetCaption() {
    if (!frame_) return;
    frame_->SetToolBarTitle(Id(), Name());
    frame_->SetListBarTip(Id(), PaletteToolTip(index_, Name()));
}

bool CPaletteBar::Rebuild() {
    parts_.clear();
    if (!frame_ || ComponentLibraryTable().empty()) return true;
    for (const ComponentLibrary& library : ComponentLibraryTable())
        for (const auto& def : library.components)
            if ((def->mask & 0xF) == Number()) parts_.push_back(def.get());
    SetCaption();
    std::vector<std::string> names;
    for (const ComponentDef* def : parts_) names.push_back(def->name);
    frame_->SetListBarItems(Id(), names, platform::desktop::WorkArea().Height() / 2);
    if (parts_.empty()) wanted = 0;
    if (currentIndex >= static_cast<int>(parts_.size())) currentIndex = -1;
    frame_->SetListBarSelection(Id(), currentIndex);
    Show(wanted != 0);
    return true;
}

void CPaletteBar::OnSelect(int index) {
    if (index < 0 || index >= static_cast<int>(parts_.size())) return;
    CurrentComponent = parts_[index];
    currentIndex = index;
    if (CDraw* view = GetTopDraw()) view->SetMode(kModeComponent);
}

bool CPaletteBar::IsVisible() const { return frame_ && frame_->IsToolBarVisible(Id()); }

void CPaletteBar::Show(bool shown) {
    if (frame_) frame_->ShowToolBar(Id(), shown);
}

}  // namespace ob7
