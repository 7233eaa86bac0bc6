#pragma once
// The "Colors, Fonts, and Lines" page of the 2-D plot properties: a list of the plot's
// fixed elements, "Plot All" and one item per curve, each with a first and a second
// colour (two sets of 64 colour buttons), a line width and pattern, the rainbow option of
// stepped curves, and a font for the elements that have one (the font page's controls).

#include <string>
#include <vector>

#include "foundation/font_record.h"
#include "plots/graph_record.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/line_styles.h"

namespace ob7 {

class CAPDraw;
class CG2DPropSheet;

enum PlotColourControl : int {
    kColObjects = 20201, kColFirstLabel = 20200, kColSecondLabel = 20209, kColWidth = 20205, kColRainbow = 20206,
    kColPattern = 15683, kColPreview = 20229, kColDefault = 1348, kColFirstButtons = 19800, kColSecondButtons = 19865
};

// The looks new plots of one kind start with (the preferences' default styles): the
// first and second colour and the font of each fixed item of the page, in its order,
// the grid's width and pattern, and the styles of curves 1 to 10.
struct PlotStyleDefaults {
    static constexpr int kItems = 12;
    int first[kItems] = {}, second[kItems] = {};
    FontRecord font[kItems] = {};
    int gridWidth = 1, gridPattern = 2;
    CurveStyle curves[kCurveStyleCount];
};
// The defaults of 2-D analysis plots (kind 5) or of performance plots (any other kind).
PlotStyleDefaults DefaultPlotStyles(int kind);
// The defaults new plot views of a kind take: the built-in ones until the application
// installs its preferences.
const PlotStyleDefaults& CurrentPlotStyles(int kind);
void InstallPlotStyles(int kind, const PlotStyleDefaults& styles);

class CG2DColorPage : public CFontPage {
public:
    // The fixed items of the list, in order; 2-D analysis plots have all twelve, other
    // plots the first nine. With a view, "Plot All" and the curves follow.
    enum Item : int {
        kGeneralText, kGrid, kGraphBackground, kBaseline, kWindowBackground, kSelect, kSelectBox, kInitialObject,
        kTracker, kSelectPrimary, kSelectSecondary, kDataPointLabels
    };

    // The page of a plot's properties sheet: it edits the sheet's view and curves.
    explicit CG2DColorPage(CG2DPropSheet& sheet);
    // The page of the preferences: it edits the defaults of new plots of that kind,
    // listing "Curve 1" to "Curve 10".
    CG2DColorPage(PlotStyleDefaults& defaults, int kind);

    int kind;  // the view's draw type; 5 for 2-D analysis plots

    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnControlNotify(int id, platform::Notify code) override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    // "Default": with a view, the fixed items as a new plot has them and curve i the
    // default style i mod 10; without, the defaults take `DefaultStyles`.
    void OnDefault() override;
    // The curve items renamed from the working copies (after Apply Now).
    void Refresh();
    // OK on an analysis plot: the curve's style goes into its row.
    void WriteRow(const GraphRecord& g, CurveRowRecord& row) const;

    int FixedCount() const { return kind == kDraw2DPlot ? 12 : 9; }
    // "Plot All" (-1 without a view) and the first curve item.
    int PlotAllIndex() const { return view_ ? FixedCount() : -1; }
    int FirstCurve() const { return FixedCount() + (view_ ? 1 : 0); }

    // One entry per list item.
    struct Entries {
        std::vector<int> first, second, width, pattern, rainbow;
        std::vector<FontRecord> font;
        std::vector<bool> hasFont;
    };
    Entries entries;

protected:
    // Without a view, what "Default" resets the defaults to: the built-in ones of the kind.
    virtual PlotStyleDefaults DefaultStyles() { return DefaultPlotStyles(kind); }

private:
    void Load(Entries& e, const CAPDraw& view, const std::vector<GraphRecord>& graphs) const;
    void Load(Entries& e, const PlotStyleDefaults& d) const;
    void Apply(const Entries& e);
    void Size(Entries& e, int curves) const;
    std::vector<std::string> ItemNames() const;
    void SelectItem(int item);
    void KeepFont();
    int Selected() const;
    bool IsCurve(int item) const { return item >= FirstCurve(); }
    bool CurveLike(int item) const { return IsCurve(item) || (item >= 0 && item == PlotAllIndex()); }
    // A change made on "Plot All" goes to every curve.
    void Spread(std::vector<int>& values, int item);
    CG2DPropSheet* sheet_ = nullptr;
    CAPDraw* view_ = nullptr;
    PlotStyleDefaults* defaults_ = nullptr;
    void ConnectColourButtons();
    Entries opened_;
    std::vector<std::string> names_;
    ColourButtonSet firstSet_, secondSet_;
    StyleCombo patternCombo_;
    int shownItem_ = -1;
};

}  // namespace ob7
