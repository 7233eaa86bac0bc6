#include "app/display_fonts.h"

#include <algorithm>

#include "analysis/curve_rows.h"
#include "plots/plot_colour_page.h"

namespace ob7 {

const char* const kDisplayFontNames[kDisplayFontCount] = {
    "Status Bar Text", "Circuit Background", "Circuit Object", "Select", "Block Select", "Select Box",
    "Component", "Wire", "Node Number", "Pin", "Node Voltage", "Grid Text", "Circuit Text Area",
    "Digital Path", "Attribute Text", "Circuit Text Area Comment", "Circuit Text Area Background",
    "Title Block", "CIR Current", "CIR Power", "Digital 0", "Digital R", "Digital F", "Digital 1",
    "Digital X", "Digital Z", "Analysis Window Background", "Analysis Text", "Analysis Object",
    "G2D Select", "G2D Select Box", "Analysis Grid", "Analysis Graph Background",
    "Cursor Select Color Primary", "Cursor Select Color Secondary", "G2D Track Color Fore",
    "G2D Track Color Back", "G2D Data Point Labels Color Fore", "G2D Data Point Labels Color Back",
    "Analysis Baseline Color", "MC Window Background", "MC Font", "MCL Default Object", "MCL Select",
    "MCL Select Box", "MC Grid", "MC Graph Background", "MC Bar Front", "MC Bar Top/Side",
    "3D Window Background", "3D Font", "G3D Default Object", "G3D Select", "G3D Select Box", "3D Grid",
    "3D X Axis Plain Color", "3D Y Axis Plain Color", "3D Z Axis Plain Color", "3D Wire Grid Color",
    "Text Background", "Text Text", "Text Comment", "PFM Window Background", "PFM Text",
    "PFM Default Object", "PFM Select", "PFM Select Box", "PFM Grid", "PFM Graph Background",
    "PFM Track Color Fore", "PFM Track Color Back", "PFM Baseline Color"};

std::array<FontRecord, kDisplayFontCount> DisplayFontTable;
std::array<LineStyleSetting, kDefaultCurveStyleCount> DefaultCurveStyles;
PlotGridDefaults PlotGrids;

namespace {

// Colours of consecutive slots from `first`.
template <size_t N>
void SetColours(int first, const int (&colours)[N]) {
    for (size_t i = 0; i < N; ++i) DisplayFontTable[first + i].color = static_cast<uint8_t>(colours[i]);
}

// The default record at a fraction of the default height.
void Scale(int slot, int numerator, int denominator) {
    FontRecord& f = DisplayFontTable[slot];
    f.height = static_cast<int16_t>(f.height * numerator / denominator);
}

void ResetCurveStyles(int group) {
    for (int n = 0; n < kCurveStyleCount; ++n) {
        LineStyleSetting& s = DefaultCurveStyles[group * kCurveStyleCount + n];
        s = LineStyleSetting{};
        s.lineColor = s.textColor = static_cast<uint8_t>(kCurveStyleDefaultColours[n]);
        s.width = 1;
    }
    PlotGrids.weight[group] = 1;
    PlotGrids.pattern[group] = 2;
}

}  // namespace

void ResetPlotStyleDefaults1() {
    for (int slot = kFontFirst2D; slot < kFontFirstMonteCarlo; ++slot) DefaultFontRecord(DisplayFontTable[slot]);
    SetColours(kFontFirst2D, {15, 12, 4, 9, 4, 8, 15, 7, 9, 0, 11, 0, 11, 12});
    ResetCurveStyles(0);
}

void ResetPlotStyleDefaults2() {
    for (int slot = kFontFirstPerformance; slot < kDisplayFontCount; ++slot) DefaultFontRecord(DisplayFontTable[slot]);
    SetColours(kFontFirstPerformance, {15, 12, 4, 9, 4, 8, 15, 0, 11, 12});
    ResetCurveStyles(1);
}

namespace {

// The table slot of each item of the plot colour page, in the page's order, and of the
// second colours of the tracker and the data point labels; 2-D and performance plots.
constexpr int kItemSlot[2][PlotStyleDefaults::kItems] = {{27, 31, 32, 39, 26, 29, 30, 28, 35, 33, 34, 37},
                                                        {63, 67, 68, 71, 62, 65, 66, 64, 69, -1, -1, -1}};
constexpr int kTrackBackSlot[2] = {36, 70}, kLabelBackSlot[2] = {38, -1};

int KindOfGroup(int group) { return group == 0 ? kDraw2DPlot : kDraw2DPlot + 1; }

}  // namespace

PlotStyleDefaults PlotStylesFromTable(int group) {
    PlotStyleDefaults d = DefaultPlotStyles(KindOfGroup(group));
    for (int i = 0; i < PlotStyleDefaults::kItems; ++i) {
        if (kItemSlot[group][i] < 0) continue;
        d.font[i] = DisplayFontTable[kItemSlot[group][i]];
        d.first[i] = d.font[i].color;
    }
    d.second[CG2DColorPage::kTracker] = DisplayFontTable[kTrackBackSlot[group]].color;
    if (kLabelBackSlot[group] >= 0)
        d.second[CG2DColorPage::kDataPointLabels] = DisplayFontTable[kLabelBackSlot[group]].color;
    d.gridWidth = PlotGrids.weight[group];
    d.gridPattern = PlotGrids.pattern[group];
    for (int n = 0; n < kCurveStyleCount; ++n) {
        const LineStyleSetting& from = DefaultCurveStyles[group * kCurveStyleCount + n];
        CurveStyle& to = d.curves[n];
        to.lineColour = from.lineColor;
        to.textColour = from.textColor;
        to.lineWidth = from.width;
        to.pattern = from.pattern;
        to.rainbow = from.rainbow;
    }
    return d;
}

void StorePlotStylesInTable(int group, const PlotStyleDefaults& d) {
    for (int i = 0; i < PlotStyleDefaults::kItems; ++i) {
        const int slot = kItemSlot[group][i];
        if (slot < 0) continue;
        // Items without a font on the page keep their record; only the colour is theirs.
        if (i == CG2DColorPage::kGeneralText || i == CG2DColorPage::kInitialObject ||
            i == CG2DColorPage::kTracker || i == CG2DColorPage::kDataPointLabels)
            DisplayFontTable[slot] = d.font[i];
        DisplayFontTable[slot].color = static_cast<uint8_t>(d.first[i]);
    }
    DisplayFontTable[kTrackBackSlot[group]].color = static_cast<uint8_t>(d.second[CG2DColorPage::kTracker]);
    if (kLabelBackSlot[group] >= 0)
        DisplayFontTable[kLabelBackSlot[group]].color = static_cast<uint8_t>(d.second[CG2DColorPage::kDataPointLabels]);
    PlotGrids.weight[group] = static_cast<uint8_t>(std::clamp(d.gridWidth, 1, 20));
    PlotGrids.pattern[group] = static_cast<uint8_t>(d.gridPattern);
    for (int n = 0; n < kCurveStyleCount; ++n) {
        const CurveStyle& from = d.curves[n];
        LineStyleSetting& to = DefaultCurveStyles[group * kCurveStyleCount + n];
        to.lineColor = static_cast<uint8_t>(from.lineColour);
        to.textColor = static_cast<uint8_t>(from.textColour);
        to.width = static_cast<uint8_t>(from.lineWidth);
        to.pattern = from.pattern;
        to.rainbow = static_cast<uint8_t>(from.rainbow);
    }
}

void InstallPlotStyleDefaults() {
    for (int group = 0; group < 2; ++group) InstallPlotStyles(KindOfGroup(group), PlotStylesFromTable(group));
}

void SetDefaultDisplayFonts() {
    for (FontRecord& f : DisplayFontTable) DefaultFontRecord(f);
    // Schematic items 1 to 25.
    SetColours(1, {15, 4, 9, 41, 4, 12, 2, 13, 9, 0, 1, 4, 9, 2, 8, 15, 0, 12, 9, 0, 11, 11, 9, 7, 8});
    Scale(8, 6, 8);   // "Node Number"
    Scale(9, 2, 3);   // "Pin"
    Scale(11, 7, 8);  // "Grid Text"
    Scale(14, 7, 8);  // "Attribute Text"
    Scale(18, 6, 8);  // "CIR Current"
    Scale(19, 6, 8);  // "CIR Power"
    const uint16_t courier = static_cast<uint16_t>(FontFaceIndex("Courier New"));
    DisplayFontTable[12].face = courier;  // "Circuit Text Area"
    SetColours(kFontFirstMonteCarlo, {7, 12, 4, 9, 4, 8, 15, 15, 7, 15, 12, 4, 9, 4, 8, 15, 15, 15, 0});
    SetColours(kFontFirstText, {15, 4, 8});
    DisplayFontTable[kFontFirstText + 1].face = courier;  // "Text Text"
    ResetPlotStyleDefaults1();
    ResetPlotStyleDefaults2();
}

}  // namespace ob7
