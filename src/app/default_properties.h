#pragma once
// Options/Default Properties For New Circuits...: what every new window of a kind starts
// with. One top-level page per kind of window hosts a nested sheet of that kind's pages;
// windows opened after OK take the values, open windows keep theirs.

#include <array>
#include <memory>
#include <vector>

#include "ui/framework/dialogs.h"
#include "ui/framework/title_block.h"

#include "app/display_fonts.h"
#include "app/settings_profile.h"
#include "app/tool_bar_pages.h"
#include "plots/plot_colour_page.h"

namespace ob7 {

// A top-level page that shows the nested sheet of one window type; applied and
// cancelled with its sheet.
class CDefaultsHostPage : public CPropertyPage2 {
public:
    CDefaultsHostPage(const char* caption, int windowType);
    bool OnInitDialog() override;
    int windowType;
    CPropertySheet2 sheet{""};
};

// "Scales and Formats" of new 2-D (window type 5), performance (19) and 3-D (8) plots.
class CPlotFormatsPage : public CPropertyPage2 {
public:
    explicit CPlotFormatsPage(int windowType);
    bool OnInitDialog() override;
    bool ApplyPage() override;
    int windowType;
    // Working copies: scale X, Y, Z, value X, Y, Z, then the optimizer and watch formats.
    NumberFormatSpec working[8];

private:
    void ShowNames();
    int kind_;  // 0 2-D, 1 performance, 2 3-D
};

// "Colors, Fonts, and Lines" of new 2-D (window type 5) or performance (19) plots: the
// plot items of the display table with their curve styles and grid. Default resets the
// kind's group of the table at once; Cancel puts back what the group held at opening.
class CDefaultPlotColorPage : public CG2DColorPage {
public:
    explicit CDefaultPlotColorPage(int windowType);
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;

protected:
    PlotStyleDefaults DefaultStyles() override;

private:
    int group_;  // 0 2-D, 1 performance
    PlotStyleDefaults styles_;
    PlotStyleDefaults opened_;
    std::array<FontRecord, kDisplayFontCount> openedFonts_{};
};

// A "Font" page on one item of the display table (the 3-D and Monte Carlo window fonts).
class CDefaultFontPage : public CFontPage {
public:
    explicit CDefaultFontPage(int slot);
};

class CPreferencesDefaultSheet : public CPropertySheet2 {
public:
    CPreferencesDefaultSheet();
    bool OnInitDialog() override;
    CDefaultsHostPage schematics{"Schematics", 1};
    CDefaultsHostPage spiceFiles{"SPICE Files", 2};
    CDefaultsHostPage analysisPlots{"Analysis Plots", 5};
    CDefaultsHostPage plots3d{"3D Plots", 8};
    CDefaultsHostPage monteCarlo{"Monte Carlo Histograms", 6};
    CDefaultsHostPage performancePlots{"Performance Plots", 19};
    TitleBlockPage titleBlock;
    CPlotFormatsPage formats2d{5}, formats3d{8}, formatsPerformance{19};
    CDefaultPlotColorPage colours2d{5}, coloursPerformance{19};
    CDefaultFontPage font3d{kFont3D}, fontMonteCarlo{kFontMonteCarlo};
    // The last page of each nested sheet: the window type's tool bar.
    CToolBarPage schematicsToolBar, spiceFilesToolBar, analysisPlotsToolBar, plots3dToolBar, monteCarloToolBar,
        performancePlotsToolBar;
};

// The command: runs the sheet and saves the profile however it ends.
int RunDefaultProperties();

}  // namespace ob7
