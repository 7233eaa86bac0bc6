#pragma once
// The display items: 72 fonts with their colours from which new windows take their
// looks (item 0 is the status bar's font), and the default line styles of the curves
// of new 2-D and performance plots, with the grid line of each.

#include <array>

#include "foundation/font_record.h"
#include "foundation/profile.h"
#include "plots/plot_colour_page.h"

namespace ob7 {

inline constexpr int kDisplayFontCount = 72;
// The items' names, which are their keys in the settings profile, in slot order.
extern const char* const kDisplayFontNames[kDisplayFontCount];
extern std::array<FontRecord, kDisplayFontCount> DisplayFontTable;
// Slots of the table the program reads by name.
enum DisplayFontSlot : int {
    kFontStatusBar = 0, kFontCircuitBackground = 1, kFontFirst2D = 26, kFontFirstMonteCarlo = 40, kFontMonteCarlo = 41,
    kFont3D = 50, kFontFirstText = 59, kFontFirstPerformance = 62
};

inline constexpr int kDefaultCurveStyleCount = 20;  // "G2D Waveform 1..10", "PFM Waveform 1..10"
extern std::array<LineStyleSetting, kDefaultCurveStyleCount> DefaultCurveStyles;
// Grid line width (1..20) and pattern of new 2-D [0] and performance [1] plots.
struct PlotGridDefaults {
    uint8_t weight[2] = {1, 1};
    uint8_t pattern[2] = {2, 2};
};
extern PlotGridDefaults PlotGrids;

// Every item the default font record, then the colours, sizes and faces of each kind of
// window, the curve styles and the grids.
void SetDefaultDisplayFonts();
// The 2-D plot items with their ten curve styles and grid; the same for performance plots.
void ResetPlotStyleDefaults1();
void ResetPlotStyleDefaults2();
// The plot items, curve styles and grid of 2-D [group 0] or performance [1] plots as the
// plot colour page edits them, and back into the table.
PlotStyleDefaults PlotStylesFromTable(int group);
void StorePlotStylesInTable(int group, const PlotStyleDefaults& styles);
// Hands the plot items, curve styles and grids to the plots, which new plot views take.
void InstallPlotStyleDefaults();

}  // namespace ob7
