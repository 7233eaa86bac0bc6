#include "ui/framework/colour_slots.h"

#include <cstdlib>
#include <string>

#include "foundation/profile.h"
#include "platform/application.h"
#include "platform/desktop.h"
#include "platform/window.h"
#include "ui/framework/draw_context.h"

namespace ob7 {

using platform::Color;
using platform::Rgb;

std::array<ColourSlot, kColourSlotCount> ColourSlotTable;
ProgramPaletteRecord ProgramPalette;

namespace {

constexpr Color kDefaultColours[kPaletteColours] = {
    Rgb(0, 0, 0), Rgb(128, 0, 0), Rgb(0, 128, 0), Rgb(128, 128, 0),
    Rgb(0, 0, 128), Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
    Rgb(128, 128, 128), Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(255, 255, 0),
    Rgb(0, 0, 255), Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255),
    Rgb(90, 145, 171), Rgb(20, 90, 107), Rgb(62, 19, 108), Rgb(205, 192, 29),
    Rgb(191, 147, 72), Rgb(172, 69, 13), Rgb(222, 12, 190), Rgb(184, 7, 145),
    Rgb(255, 125, 141), Rgb(255, 57, 107), Rgb(210, 0, 79), Rgb(196, 0, 98),
    Rgb(220, 180, 241), Rgb(243, 130, 247), Rgb(205, 92, 248), Rgb(121, 64, 191),
    Rgb(245, 253, 98), Rgb(253, 216, 68), Rgb(252, 173, 42), Rgb(254, 121, 0),
    Rgb(201, 108, 39), Rgb(248, 97, 0), Rgb(131, 98, 61), Rgb(137, 97, 86),
    Rgb(176, 255, 176), Rgb(81, 249, 152), Rgb(32, 255, 88), Rgb(128, 209, 84),
    Rgb(54, 194, 92), Rgb(0, 174, 87), Rgb(0, 159, 0), Rgb(0, 98, 0),
    Rgb(197, 197, 255), Rgb(155, 155, 255), Rgb(127, 127, 255), Rgb(99, 99, 255),
    Rgb(128, 0, 224), Rgb(128, 0, 192), Rgb(128, 0, 160), Rgb(128, 0, 128),
    Rgb(228, 228, 228), Rgb(200, 200, 200), Rgb(172, 172, 172), Rgb(144, 144, 144),
    Rgb(116, 116, 116), Rgb(88, 88, 88), Rgb(60, 60, 60), Rgb(32, 32, 32),
};

Color EntryColour(const PaletteEntry& e) { return Rgb(e.red, e.green, e.blue); }

PaletteEntry MakeEntry(Color c, uint8_t flags) {
    return PaletteEntry{static_cast<uint8_t>(platform::RedOf(c)), static_cast<uint8_t>(platform::GreenOf(c)),
                        static_cast<uint8_t>(platform::BlueOf(c)), flags};
}

void MakeSlot(ColourSlot& slot, Color colour, Color paletteColour) {
    slot.colour = colour;
    slot.paletteColour = paletteColour;
    slot.pen = platform::Pen::Solid(colour);
    slot.palettePen = platform::Pen::Solid(paletteColour);
    slot.brush = platform::Brush::Solid(colour);
    slot.paletteBrush = platform::Brush::Solid(paletteColour);
}

// Offset of the working copy while the palette page edits it.
int EditOffset() { return ProgramPalette.count == 128 ? 64 : 0; }

platform::Window* MainWindow() {
    platform::Application* app = platform::Application::Instance();
    return app ? app->MainWindow() : nullptr;
}

}  // namespace

Color DefaultPaletteColor(int index) {
    return index >= 0 && index < kPaletteColours ? kDefaultColours[index] : 0;
}

void CreateProgramPalette() {
    ProgramPalette = ProgramPaletteRecord{};
    ProgramPalette.exists = true;
    ProgramPalette.count = kPaletteColours;
    for (int i = 0; i < kPaletteColours; ++i)
        ProgramPalette.entries[i] = MakeEntry(kDefaultColours[i], i < kFirstUserColour ? 0 : 1);
    RecreatePalette(nullptr);
}

void CreateColourSlots() {
    for (int i = 0; i < kFirstUserColour; ++i) MakeSlot(ColourSlotTable[i], kDefaultColours[i], kDefaultColours[i]);
    RebuildPaletteSlots();
    CreateSystemColourSlots();
}

void RebuildPaletteSlots() {
    for (int i = kFirstUserColour; i < kPaletteColours; ++i) {
        // Without a palette the user colours keep their defaults.
        Color rgb = ProgramPalette.exists ? EntryColour(ProgramPalette.entries[i]) : kDefaultColours[i];
        MakeSlot(ColourSlotTable[i], rgb, platform::PaletteIndex(i));
    }
}

void CreateSystemColourSlots() {
    using platform::desktop::SystemColor;
    // Slots 64 to 71: window, button face, button text (twice), window frame, button
    // face, shadow and highlight.
    static constexpr SystemColor kSystem[8] = {
        SystemColor::Window, SystemColor::ButtonFace, SystemColor::ButtonText, SystemColor::ButtonText,
        SystemColor::WindowText, SystemColor::ButtonFace, SystemColor::ButtonShadow, SystemColor::ButtonHighlight};
    // Without a native application the desktop has no colours: the classic ones stand in.
    static constexpr Color kHeadless[8] = {Rgb(255, 255, 255), Rgb(192, 192, 192), Rgb(0, 0, 0), Rgb(0, 0, 0),
                                           Rgb(0, 0, 0), Rgb(192, 192, 192), Rgb(128, 128, 128),
                                           Rgb(255, 255, 255)};
    bool native = platform::Application::Instance() != nullptr;
    for (int i = 0; i < 8; ++i) {
        Color c = native ? platform::desktop::GetSystemColor(kSystem[i]) : kHeadless[i];
        MakeSlot(ColourSlotTable[64 + i], c, c);
    }
}

void DeleteColourSlots() { ColourSlotTable = {}; }

void DeleteProgramPalette() { ProgramPalette = ProgramPaletteRecord{}; }

const ColourSlot& Slot(int index) {
    return index >= 0 && index < kColourSlotCount ? ColourSlotTable[index] : ColourSlotTable[0];
}

platform::Pen SlotPen(const CDrawContext& context, int index) {
    if (index == kNoColor) return platform::Pen::Null();
    const ColourSlot& s = Slot(index);
    return context.paletteDevice ? s.palettePen : s.pen;
}

platform::Brush SlotBrush(const CDrawContext& context, int index) {
    if (index == kNoColor) return platform::Brush::Null();
    const ColourSlot& s = Slot(index);
    return context.paletteDevice ? s.paletteBrush : s.brush;
}

std::array<Color, kPaletteColours> PaletteColours() {
    std::array<Color, kPaletteColours> out{};
    for (int i = 0; i < kPaletteColours; ++i)
        out[i] = ProgramPalette.exists ? EntryColour(ProgramPalette.entries[i + EditOffset()]) : kDefaultColours[i];
    return out;
}

void SelectAndRealizePalette(CDrawContext& context) {
    if (!context.paletteDevice || !ProgramPalette.exists || !context.Dc()) return;
    auto colours = PaletteColours();
    context.Dc()->SetPalette(std::vector<Color>(colours.begin(), colours.end()));
}

Color GetColourFromSlot(const CDrawContext& context, int index) {
    const ColourSlot& s = Slot(index);
    return context.paletteDevice ? s.paletteColour : s.colour;
}

Color PaletteEntryColorRef(int index, int rgbForm) {
    if (index < 0 || index >= kPaletteColours) index = 0;
    int entry = index + EditOffset();
    if (rgbForm) return EntryColour(ProgramPalette.entries[entry]);
    return platform::PaletteIndex(entry);
}

void RecreatePalette(platform::Window* window) {
    if (!window) window = MainWindow();
    if (window && window->IsCreated()) window->Invalidate();
}

bool PaletteEditing() { return ProgramPalette.count == 128; }

void PaletteBeginEdit(platform::Window* window, std::array<Color, kPaletteColours>& saved) {
    if (!ProgramPalette.exists) return;
    ProgramPalette.count = 128;
    for (int i = 0; i < kPaletteColours; ++i) {
        ProgramPalette.entries[i + 64] = ProgramPalette.entries[i];
        saved[i] = EntryColour(ProgramPalette.entries[i]);
    }
    RecreatePalette(window);
}

void SetPaletteEntryColor(int index, Color rgb, platform::Window* window) {
    if (index < kFirstUserColour || index >= kPaletteColours || !ProgramPalette.exists) return;
    ProgramPalette.entries[index + EditOffset()] = MakeEntry(rgb, 1);
    RecreatePalette(window);
}

void PaletteApplyEdit() {
    if (!PaletteEditing()) return;
    for (int i = 0; i < kPaletteColours; ++i) ProgramPalette.entries[i] = ProgramPalette.entries[i + 64];
    ProgramPalette.count = kPaletteColours;
    RebuildPaletteSlots();
    RecreatePalette(nullptr);
}

void PaletteSetEntries(const std::array<Color, kPaletteColours>& saved) {
    if (!ProgramPalette.exists) return;
    for (int i = 0; i < kPaletteColours; ++i)
        ProgramPalette.entries[i] = MakeEntry(saved[i], i < kFirstUserColour ? 0 : 1);
    ProgramPalette.count = kPaletteColours;
    RebuildPaletteSlots();
    RecreatePalette(nullptr);
}

int WritePaletteSection(Profile& profile) {
    for (int i = 0; i < kPaletteColours; ++i) {
        std::string key = "PALETTE_" + std::to_string(i);
        profile.WriteInt(key.c_str(), static_cast<int>(EntryColour(ProgramPalette.entries[i])));
    }
    return profile.error;
}

void ReadPaletteSection(Profile& profile, const std::function<void(const std::string&, const std::string&)>& other) {
    std::string entry;
    while (profile.NextEntry(entry)) {
        const std::string whole = entry;
        if (entry.size() > 50) entry.resize(50);
        std::string key, value;
        SplitKeyValue(entry.c_str(), key, value);  // key upper-cased
        if (key.compare(0, 8, "PALETTE_") != 0 || key.size() == 8) {
            // Keys of other owners sharing the section get the whole entry.
            if (other) {
                SplitKeyValue(whole.c_str(), key, value);
                other(key, value.substr(0, 255));
            }
            continue;
        }
        char* end = nullptr;
        long number = std::strtol(key.c_str() + 8, &end, 10);
        if (*end != '\0' || number < kFirstUserColour || number >= kPaletteColours) continue;
        char* valueEnd = nullptr;
        long rgb = std::strtol(value.c_str(), &valueEnd, 10);
        if (value.empty() || *valueEnd != '\0') continue;
        ProgramPalette.entries[number] = MakeEntry(static_cast<Color>(rgb) & 0xFFFFFFu, 1);
    }
    RecreatePalette(nullptr);
    RebuildPaletteSlots();
}

}  // namespace ob7
