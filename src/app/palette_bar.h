#pragma once
// The nine component palettes of the main frame: each lists by name the components of
// the loaded libraries assigned to it; choosing one makes it the current component and
// puts the active drawing window into Component mode.

#include <array>
#include <string>
#include <vector>

namespace platform {
class FrameWindow;
struct Font;
}

namespace ob7 {

class Profile;
struct ComponentDef;

class CPaletteBar {
public:
    static constexpr int kFirstId = 14950;
    static constexpr int kCount = 9;

    // Creates the bar in the frame, docked at the top; false when it cannot be made.
    bool Create(platform::FrameWindow& frame, int index);
    bool IsCreated() const { return frame_ != nullptr; }
    void Forget() { frame_ = nullptr; }
    // Collects the palette's components in library order and refills its lists; a
    // palette without components is not wanted.
    bool Rebuild();
    // The bar's caption from its name.
    void SetCaption();
    // A chosen entry: the current component, and Component mode in the active window.
    void OnSelect(int index);
    int Id() const { return kFirstId + index_; }
    int Number() const { return index_ + 1; }
    const std::string& Name() const;
    const std::vector<ComponentDef*>& Parts() const { return parts_; }
    bool IsVisible() const;
    void Show(bool shown);

    int wanted = 1;
    std::array<int, 2> disabledBy{};  // 0 by an analysis, 1 by a demo
    int currentIndex = -1;

private:
    platform::FrameWindow* frame_ = nullptr;
    int index_ = 0;
    std::vector<ComponentDef*> parts_;
};

// The palettes' font: bold 12-pixel characters of the Swiss-family face.
const platform::Font& PaletteFont();

// The palettes' names, kept by the settings profile.
std::array<std::string, CPaletteBar::kCount>& PaletteNames();
void SetDefaultPaletteNames();
// The name of a palette into the buffer; its length + 1.
int GetPaletteBarName(int palette, std::string& buffer);
// Writes the nine names as the keys "Bar 0" .. "Bar 8" of the "Palettes" section.
int SerializePaletteNames(Profile& profile);
// The "Bar %d" keys of the "Palettes" section: a key beginning with "Bar " and a number
// 0..8 with a non-empty value names that palette. True when the key was one.
bool ReadPaletteNameKey(const std::string& key, const std::string& value);

}  // namespace ob7
