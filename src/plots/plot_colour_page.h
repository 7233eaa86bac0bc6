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
#include "ui/framework/line_styles.h"

namespace ob7 {

class CAPDraw;
class CG2DPropSheet;

enum PlotColourControl : int {
    kColObjects = 20201, kColFirstLabel = 20200, kColSecondLabel = 20209, kColWidth = 20205, kColRainbow = 20206,
    kColPattern = 15683, kColPreview = 20229, kColDefault = 1348, kColFirstButtons = 19800, kColSecondButtons = 19865
};

class CG2DColorPage : public CFontPage {
public:
    // The fixed items of the list, in order; curves follow "Plot All".
    enum Item : int {
        kGeneralText, kGrid, kGraphBackground, kBaseline, kWindowBackground, kSelect, kInitialObject, kTracker,
        kSelectPrimary, kSelectSecondary, kPlotAll, kFirstCurve
    };

    explicit CG2DColorPage(CG2DPropSheet& sheet);
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnControlNotify(int id, platform::Notify code) override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    // "Default": the fixed items as a new plot has them, curve i the default style i mod 10.
    void OnDefault() override;
    // The curve items renamed from the working copies (after Apply Now).
    void Refresh();
    // OK on an analysis plot: the curve's style goes into its row.
    void WriteRow(const GraphRecord& g, CurveRowRecord& row) const;

    // One entry per list item.
    struct Entries {
        std::vector<int> first, second, width, pattern, rainbow;
        std::vector<FontRecord> font;
        std::vector<bool> hasFont;
    };
    Entries entries;

private:
    void Load(Entries& e, const CAPDraw& view, const std::vector<GraphRecord>& graphs);
    void Apply(const Entries& e);
    void SelectItem(int item);
    void KeepFont();
    int Selected() const;
    bool IsCurve(int item) const { return item >= kFirstCurve; }
    // A change made on "Plot All" goes to every curve.
    void Spread(std::vector<int>& values, int item);
    CG2DPropSheet& sheet_;
    Entries opened_;
    ColourButtonSet firstSet_, secondSet_;
    StyleCombo patternCombo_;
    int shownItem_ = -1;
};

}  // namespace ob7
