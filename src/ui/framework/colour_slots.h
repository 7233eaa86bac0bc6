#pragma once
// Colour slots: every drawing names its colours by a small index and finds the colour,
// pen and brush of that index here. 0 to 15 are fixed basic colours, 16 to 63 user
// colours that live in the program palette, 64 to 71 follow the system colours, and
// 74 stands for no colour.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "foundation/profile.h"
#include "platform/draw_context.h"
#include "platform/geometry.h"

namespace platform {
class Window;
}

namespace ob7 {

class Profile;
class CDrawContext;

constexpr int kColourSlotCount = 72;
constexpr int kPaletteColours = 64;
constexpr int kFirstUserColour = 16;

struct ColourSlot {
    platform::Color colour = 0;         // RGB
    platform::Color paletteColour = 0;  // palette-index form for 16..63, else the RGB value
    platform::Pen pen, palettePen;
    platform::Brush brush, paletteBrush;
};

extern std::array<ColourSlot, kColourSlotCount> ColourSlotTable;

// One entry of the program palette.
struct PaletteEntry {
    uint8_t red = 0, green = 0, blue = 0;
    uint8_t flags = 0;  // 1: reserved (user colours, may change)
};

// The logical palette: 64 entries in force, or 128 while the palette is being edited
// (entries 64 to 127 then hold the working copy).
struct ProgramPaletteRecord {
    bool exists = false;
    int count = 0;
    std::array<PaletteEntry, 128> entries{};
};
extern ProgramPaletteRecord ProgramPalette;

// Start-up and shut-down, in this order: palette, slots ... slots, palette.
void CreateProgramPalette();
void CreateColourSlots();
void RebuildPaletteSlots();
void CreateSystemColourSlots();
void DeleteColourSlots();
void DeleteProgramPalette();

// The default colour of index 0 to 63 (black for any other index).
platform::Color DefaultPaletteColor(int index);
// The slot of an index, or slot 0 for an index without one (no colour draws nothing:
// see SlotPen and SlotBrush).
const ColourSlot& Slot(int index);
// The pen and brush of a slot in the form the context needs; a null pen or brush for 74.
platform::Pen SlotPen(const CDrawContext& context, int index);
platform::Brush SlotBrush(const CDrawContext& context, int index);

// Palette colours are resolved on palette devices through the palette selected here.
void SelectAndRealizePalette(CDrawContext& context);
platform::Color GetColourFromSlot(const CDrawContext& context, int index);
// The colour of palette entry index (the working copy while editing) as RGB, or in the
// palette-index form.
platform::Color PaletteEntryColorRef(int index, int rgbForm);
// Repaints the window (the main window when null) with the palette as it now stands.
void RecreatePalette(platform::Window* window);
// The 64 colours in force, as the drawing contexts resolve palette indexes.
std::array<platform::Color, kPaletteColours> PaletteColours();

// Editing by the preferences' palette page.
void PaletteBeginEdit(platform::Window* window, std::array<platform::Color, kPaletteColours>& saved);
void SetPaletteEntryColor(int index, platform::Color rgb, platform::Window* window);
void PaletteApplyEdit();
void PaletteSetEntries(const std::array<platform::Color, kPaletteColours>& saved);
bool PaletteEditing();

// The "Palettes" section of the settings profile.
int WritePaletteSection(Profile& profile);
// Keys that are not colours go to other, when given.
void ReadPaletteSection(Profile& profile,
                        const std::function<void(const std::string& key, const std::string& value)>& other = nullptr);

}  // namespace ob7
