#include "plots/plot_colour_page.h"

#include <algorithm>

#include "foundation/string_table.h"

#include "plots/plot_properties.h"
#include "plots/plot_view.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/fonts.h"

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::Rect;

constexpr int kFontTemplate = 15685;
constexpr int kItemHelp[] = {19128, 19125, 19127, 19126, 19156, 19113, 19122, 19146, 19188, 19186, 19187, 19189};
constexpr int kPlotAllHelp = 19190;
constexpr int kCurveHelp = 19132;

const char* const kItemNames[] = {"General Text",      "Grid",   "Graph Background", "Baseline Color",
                                  "Window Background", "Select", "Select Box",       "Initial Object",
                                  "Tracker",           "Select Color Primary", "Select Color Secondary",
                                  "Data Point Labels"};
using Item = CG2DColorPage::Item;
// The items with a font (its colour is the first colour) and those with a second colour.
bool HasFont(int item) {
    return item == Item::kGeneralText || item == Item::kInitialObject || item == Item::kTracker ||
           item == Item::kDataPointLabels;
}
bool Labelled(int item) { return item == Item::kTracker || item == Item::kDataPointLabels; }

platform::DialogTemplate ColourPageTemplate() {
    platform::DialogTemplate t{15682, "Colors, Fonts, and Lines", {336, 216}, {
        {ControlKind::Static, 100, "Objects", Rect{6, 6, 100, 16}},
        {ControlKind::ListBox, kColObjects, "", Rect{6, 18, 102, 192}},
        {ControlKind::Static, kColFirstLabel, "", Rect{108, 6, 204, 16}},
        {ControlKind::OwnerDrawButton, kColFirstButtons, "", Rect{108, 18, 120, 28}},
        {ControlKind::Static, kColSecondLabel, "", Rect{212, 6, 308, 16}},
        {ControlKind::OwnerDrawButton, kColSecondButtons, "", Rect{212, 18, 224, 28}},
        {ControlKind::Static, 101, "Width", Rect{108, 102, 150, 112}},
        {ControlKind::ComboList, kColWidth, "", Rect{108, 114, 150, 128}},
        {ControlKind::Static, 102, "Pattern", Rect{156, 102, 226, 112}},
        {ControlKind::OwnerDrawCombo, kColPattern, "", Rect{156, 114, 226, 128}},
        {ControlKind::CheckBox, kColRainbow, "Rainbow", Rect{232, 102, 308, 112}},
        {ControlKind::OwnerDrawButton, kColPreview, "", Rect{232, 114, 308, 132}},
        {ControlKind::PushButton, kColDefault, "Default", Rect{6, 196, 60, 210}},
    }};
    // The font page's controls below them.
    if (const platform::DialogTemplate* font = FindDialogTemplate(kFontTemplate))
        for (platform::ControlSpec c : font->controls) {
            c.rect = Rect{c.rect.left + 102, c.rect.top + 130, c.rect.right + 102, c.rect.bottom + 130};
            t.controls.push_back(c);
        }
    return t;
}

FontRecord RecordOf(const platform::Font& font, int colour) {
    FontRecord r{};
    FontToRecord(font, r);
    r.color = static_cast<uint8_t>(colour);
    return r;
}

}  // namespace

PlotStyleDefaults DefaultPlotStyles(int kind) {
    PlotStyleDefaults d;
    // General Text .. Data Point Labels; the performance plots have no cursor-branch or
    // label items.
    const bool plot2d = kind == kDraw2DPlot;
    const int first[] = {12, 8, 15, 12, 15, 9, 4, 4, 0, 7, 9, 0};
    for (int i = 0; i < PlotStyleDefaults::kItems; ++i) {
        d.first[i] = plot2d || i < 9 ? first[i] : 0;
        DefaultFontRecord(d.font[i]);
        d.font[i].color = static_cast<uint8_t>(d.first[i]);
    }
    d.second[Item::kTracker] = 11;
    d.second[Item::kDataPointLabels] = plot2d ? 11 : 0;
    for (int i = 0; i < kCurveStyleCount; ++i) d.curves[i] = DefaultCurveStyle(i);
    return d;
}

namespace {
// [0] 2-D analysis plots, [1] performance plots.
PlotStyleDefaults& StyleStore(int kind) {
    static PlotStyleDefaults store[2] = {DefaultPlotStyles(kDraw2DPlot), DefaultPlotStyles(kDraw2DPlot + 1)};
    return store[kind == kDraw2DPlot ? 0 : 1];
}
}  // namespace

const PlotStyleDefaults& CurrentPlotStyles(int kind) { return StyleStore(kind); }

void InstallPlotStyles(int kind, const PlotStyleDefaults& styles) { StyleStore(kind) = styles; }

CG2DColorPage::CG2DColorPage(CG2DPropSheet& sheet)
    : CFontPage(ColourPageTemplate(), true), kind(sheet.view.drawType), sheet_(&sheet), view_(&sheet.view),
      patternCombo_(*this, kColPattern, StyleComboKind::LineStyle) {
    ConnectColourButtons();
}

CG2DColorPage::CG2DColorPage(PlotStyleDefaults& defaults, int k)
    : CFontPage(ColourPageTemplate(), true), kind(k), defaults_(&defaults),
      patternCombo_(*this, kColPattern, StyleComboKind::LineStyle) {
    ConnectColourButtons();
}

void CG2DColorPage::ConnectColourButtons() {
    OnCommandRange(kColFirstButtons, kColFirstButtons + ColourButtonSet::kButtons - 1, [this](int id) {
        if (!firstSet_.Click(id)) return;
        Spread(entries.first, Selected());
        SetModified(true);
        InvalidateItem(kColPreview);
    });
    OnCommandRange(kColSecondButtons, kColSecondButtons + ColourButtonSet::kButtons - 1, [this](int id) {
        if (!secondSet_.Click(id)) return;
        Spread(entries.second, Selected());
        SetModified(true);
        InvalidateItem(kColPreview);
    });
}

void CG2DColorPage::Size(Entries& e, int curves) const {
    const int count = FirstCurve() + curves;
    e.first.assign(count, 0);
    e.second.assign(count, 0);
    e.width.assign(count, 1);
    e.pattern.assign(count, 0);
    e.rainbow.assign(count, 0);
    e.font.assign(count, FontRecord{});
    e.hasFont.assign(count, false);
    for (int i = 0; i < FixedCount(); ++i) e.hasFont[i] = HasFont(i);
}

void CG2DColorPage::Load(Entries& e, const CAPDraw& v, const std::vector<GraphRecord>& graphs) const {
    const PlotColours& c = v.colours;
    Size(e, static_cast<int>(graphs.size()));
    const int colours[] = {c.text, c.grid, c.graphBackground, c.baseline, c.windowBackground, v.selectionColour,
                           c.selectBox, v.objects.defaultFont.color, v.tagFrameColour, c.cursorBranch[0],
                           c.cursorBranch[1], v.pointLabelFont.color};
    for (int i = 0; i < FixedCount(); ++i) e.first[i] = colours[i];
    e.second[kTracker] = v.tagFillColour;
    if (FixedCount() > kDataPointLabels) e.second[kDataPointLabels] = v.pointLabelBackground;
    e.width[kGrid] = c.gridWidth;
    e.pattern[kGrid] = c.gridPattern;
    e.font[kGeneralText] = RecordOf(v.labelFont, c.text);
    e.font[kInitialObject] = v.objects.defaultFont;
    e.font[kTracker] = RecordOf(v.tagFont, v.tagFrameColour);
    if (FixedCount() > kDataPointLabels) e.font[kDataPointLabels] = v.pointLabelFont;
    for (size_t k = 0; k < graphs.size(); ++k) {
        const CurveStyle& s = graphs[k].style;
        const int i = FirstCurve() + static_cast<int>(k);
        e.first[i] = s.textColour;
        e.second[i] = s.lineColour;
        e.width[i] = s.lineWidth;
        e.pattern[i] = s.pattern;
        e.rainbow[i] = s.rainbow;
    }
    // "Plot All" shows the first curve.
    if (!graphs.empty())
        for (std::vector<int>* values : {&e.first, &e.second, &e.width, &e.pattern, &e.rainbow})
            (*values)[PlotAllIndex()] = (*values)[FirstCurve()];
}

void CG2DColorPage::Load(Entries& e, const PlotStyleDefaults& d) const {
    Size(e, kCurveStyleCount);
    for (int i = 0; i < FixedCount(); ++i) {
        e.first[i] = d.first[i];
        e.second[i] = d.second[i];
        e.font[i] = d.font[i];
    }
    e.width[kGrid] = d.gridWidth;
    e.pattern[kGrid] = d.gridPattern;
    for (int k = 0; k < kCurveStyleCount; ++k) {
        const int i = FirstCurve() + k;
        e.first[i] = d.curves[k].textColour;
        e.second[i] = d.curves[k].lineColour;
        e.width[i] = d.curves[k].lineWidth;
        e.pattern[i] = d.curves[k].pattern;
        e.rainbow[i] = d.curves[k].rainbow;
    }
}

void CG2DColorPage::Apply(const Entries& e) {
    auto curveStyle = [&](CurveStyle& s, int i) {
        s.textColour = e.first[i];
        s.lineColour = e.second[i];
        s.lineWidth = e.width[i];
        s.pattern = static_cast<unsigned char>(e.pattern[i]);
        s.rainbow = e.rainbow[i];
    };
    if (!view_) {
        for (int i = 0; i < FixedCount(); ++i) {
            defaults_->first[i] = e.first[i];
            defaults_->second[i] = e.second[i];
            defaults_->font[i] = e.font[i];
            if (HasFont(i)) defaults_->font[i].color = static_cast<uint8_t>(e.first[i]);
        }
        defaults_->gridWidth = e.width[kGrid];
        defaults_->gridPattern = e.pattern[kGrid];
        for (int k = 0; k < kCurveStyleCount; ++k) curveStyle(defaults_->curves[k], FirstCurve() + k);
        return;
    }
    CAPDraw& v = *view_;
    PlotColours& c = v.colours;
    int* targets[] = {&c.text, &c.grid, &c.graphBackground, &c.baseline, &c.windowBackground, &v.selectionColour,
                      &c.selectBox, nullptr, &v.tagFrameColour, &c.cursorBranch[0], &c.cursorBranch[1], nullptr};
    for (int i = 0; i < FixedCount(); ++i)
        if (targets[i]) *targets[i] = e.first[i];
    v.tagFillColour = e.second[kTracker];
    c.gridWidth = e.width[kGrid];
    c.gridPattern = e.pattern[kGrid];
    v.labelFont = CreateFontFromRecord(e.font[kGeneralText]);
    v.tagFont = CreateFontFromRecord(e.font[kTracker]);
    v.objects.defaultFont = e.font[kInitialObject];
    v.objects.defaultFont.color = static_cast<uint8_t>(e.first[kInitialObject]);
    if (FixedCount() > kDataPointLabels) {
        v.pointLabelFont = e.font[kDataPointLabels];
        v.pointLabelFont.color = static_cast<uint8_t>(e.first[kDataPointLabels]);
        v.pointLabelBackground = e.second[kDataPointLabels];
    }
    const int curves = std::min(static_cast<int>(e.first.size()) - FirstCurve(), v.data.plottedCount);
    for (int k = 0; k < curves; ++k) curveStyle(v.data.curves[k].style, FirstCurve() + k);
}

std::vector<std::string> CG2DColorPage::ItemNames() const {
    std::vector<std::string> names(kItemNames, kItemNames + FixedCount());
    if (!view_) {
        for (int k = 1; k <= kCurveStyleCount; ++k) names.push_back("Curve " + std::to_string(k));
        return names;
    }
    names.push_back("Plot All");
    for (const GraphRecord& g : sheet_->workGraphs) names.push_back(g.caption);
    return names;
}

bool CG2DColorPage::OnInitDialog() {
    CFontPage::OnInitDialog();
    for (int w = 1; w <= 7; ++w) AddString(kColWidth, std::to_string(w));
    patternCombo_.Fill(0);
    if (view_) Load(entries, *view_, sheet_->workGraphs);
    else Load(entries, *defaults_);
    opened_ = entries;
    names_ = ItemNames();
    firstSet_.Attach(*this, kColObjects, &names_, &entries.first, kColFirstButtons, 0, false);
    secondSet_.Attach(*this, kColObjects, nullptr, &entries.second, kColSecondButtons, -1, false);
    SelectItem(0);
    return true;
}

void CG2DColorPage::OnDefault() {
    const int shown = std::max(Selected(), 0);
    shownItem_ = -1;  // the fonts shown are replaced, not kept
    if (!view_) {
        *defaults_ = DefaultStyles();
        Load(entries, *defaults_);
    } else {
        const CAPDraw fresh;
        std::vector<GraphRecord> graphs = sheet_->workGraphs;
        for (size_t i = 0; i < graphs.size(); ++i)
            graphs[i].style = DefaultCurveStyle(static_cast<int>(i % kCurveStyleCount));
        Load(entries, fresh, graphs);
    }
    SetModified(true);
    SelectItem(shown);
}

void CG2DColorPage::Refresh() {
    if (!IsCreated()) return;
    const int selected = Selected();
    KeepFont();
    ResetContent(kColObjects);
    names_ = ItemNames();
    for (const std::string& name : names_) AddString(kColObjects, name);
    shownItem_ = -1;
    SelectItem(selected < 0 ? 0 : selected);
}

int CG2DColorPage::Selected() const { return CurSel(kColObjects); }

void CG2DColorPage::Spread(std::vector<int>& values, int item) {
    if (item < 0 || item != PlotAllIndex()) return;
    for (size_t i = FirstCurve(); i < values.size(); ++i) values[i] = values[item];
}

// The font controls hold the shown item's font until another item is chosen.
void CG2DColorPage::KeepFont() {
    if (shownItem_ >= 0 && shownItem_ < static_cast<int>(entries.font.size()) && entries.hasFont[shownItem_])
        GetFontRecord(entries.font[shownItem_]);
}

void CG2DColorPage::SelectItem(int item) {
    KeepFont();
    if (item >= static_cast<int>(entries.first.size())) item = 0;
    SetCurSel(kColObjects, item);
    shownItem_ = item;
    const bool curveLike = CurveLike(item);
    const bool labelled = Labelled(item);
    SetItemText(kColFirstLabel, labelled ? "Foreground" : curveLike ? "Curve Text" : kItemNames[item]);
    SetItemText(kColSecondLabel, curveLike ? "Curve Line" : labelled ? "Background" : item == kGrid ? "Grid Options" : "");
    secondSet_.SetEnabled(curveLike || labelled);
    EnableItem(kColWidth, curveLike || item == kGrid);
    EnableItem(kColPattern, curveLike || item == kGrid);
    EnableItem(kColRainbow, curveLike && kind == kDraw2DPlot);
    SetCurSel(kColWidth, std::clamp(entries.width[item], 1, 7) - 1);
    patternCombo_.Fill(entries.pattern[item]);
    CheckButton(kColRainbow, entries.rainbow[item] ? 1 : 0);
    SetFontRecord(entries.hasFont[item] ? &entries.font[item] : nullptr);
    firstSet_.RefreshSelection();
    for (int i = 0; i < ColourButtonSet::kButtons; ++i) InvalidateItem(kColSecondButtons + i);
    InvalidateItem(kColPreview);
    if (auto* sheet = dynamic_cast<CPropertySheet2*>(Sheet())) {
        const int help = IsCurve(item) ? kCurveHelp : item == PlotAllIndex() ? kPlotAllHelp : kItemHelp[item];
        const char* prompt = FindResString(help);
        sheet->ShowPrompt(prompt ? prompt : "");
    }
}

void CG2DColorPage::OnControlNotify(int id, platform::Notify code) {
    using platform::Notify;
    const int item = Selected();
    auto store = [&](std::vector<int>& values, int value) {
        if (item < 0) return;
        if (item == kGrid || CurveLike(item)) {
            if (values[item] == value) return;
            values[item] = value;
            Spread(values, item);
            SetModified(true);
            InvalidateItem(kColPreview);
        }
    };
    if (id == kColObjects && code == Notify::SelChange) {
        SelectItem(item);
    } else if (id == kColWidth && code == Notify::SelChange) {
        store(entries.width, CurSel(kColWidth) + 1);
    } else if (id == kColPattern && code == Notify::SelChange) {
        store(entries.pattern, std::max(patternCombo_.GetSelData(), 0));
    } else if (id == kColRainbow && code == Notify::Clicked) {
        store(entries.rainbow, IsButtonChecked(kColRainbow) ? 1 : 0);
    } else {
        CFontPage::OnControlNotify(id, code);
    }
}

void CG2DColorPage::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& info) {
    if (firstSet_.DrawItem(dc, info)) return;
    if (secondSet_.DrawItem(dc, info)) return;
    if (patternCombo_.DrawItem(dc, info)) return;
    if (info.controlId != kColPreview) return CFontPage::OnDrawItem(dc, info);
    const int item = Selected();
    Rect r = info.rect;
    const bool curveLike = CurveLike(item);
    const int background = item == kWindowBackground ? entries.first[kWindowBackground]
                                                     : entries.first[kGraphBackground];
    dc.FillRect(r, platform::Brush::Solid(PaletteEntryColorRef(background, 1)));
    if (item < 0) return;
    dc.Save();
    dc.ClipToRect(r);
    const int middle = (r.top + r.bottom) / 2;
    auto colour = [](int slot) { return PaletteEntryColorRef(slot, 1); };
    if (curveLike || item == kGrid) {
        const int line = curveLike ? entries.second[item] : entries.first[item];
        dc.SetPen(platform::Pen{PatternStyle(entries.pattern[item]), entries.width[item], colour(line)});
        dc.MoveTo({r.left + 4, middle});
        dc.LineTo({curveLike ? (r.left + r.right) / 2 : r.right - 4, middle});
        if (curveLike) {
            dc.SetTextColor(colour(entries.first[item]));
            dc.SetBkOpaque(false);
            Rect text{(r.left + r.right) / 2 + 4, r.top, r.right, r.bottom};
            dc.DrawText("V(1)", text, platform::kDtVCenter | platform::kDtSingleLine);
        }
    } else if (entries.hasFont[item]) {
        FontRecord shown = entries.font[item];
        if (item == shownItem_) GetFontRecord(shown);
        if (Labelled(item)) {
            const Rect box{r.left + 4, r.top + 3, r.right - 4, r.bottom - 3};
            dc.FillRect(box, platform::Brush::Solid(colour(entries.second[item])));
            // A data point label points at its point with a small circle.
            if (item == kDataPointLabels) {
                dc.SetPen(platform::Pen::Solid(colour(entries.first[item])));
                dc.SetBrush(platform::Brush::Null());
                dc.Ellipse(Rect{box.left + 2, middle - 3, box.left + 9, middle + 4});
            }
        }
        dc.SetFont(CreateFontFromRecord(shown));
        dc.SetTextColor(colour(entries.first[item]));
        dc.SetBkOpaque(false);
        dc.DrawText(Labelled(item) ? "100Meg" : "Text", r,
                    platform::kDtCenter | platform::kDtVCenter | platform::kDtSingleLine);
    } else if (item == kSelectBox) {
        dc.SetPen(platform::Pen::Solid(colour(entries.first[item])));
        dc.SetBrush(platform::Brush::Null());
        dc.Rectangle(Rect{r.left + 10, r.top + 10, r.right - 10, r.bottom - 10});
    } else if (item == kSelect || item == kSelectPrimary || item == kSelectSecondary || item == kBaseline) {
        dc.SetPen(platform::Pen::Solid(colour(entries.first[item])));
        dc.MoveTo({r.left + 4, middle});
        dc.LineTo({r.right - 4, middle});
    }
    dc.Restore();
}

bool CG2DColorPage::ApplyPage() {
    KeepFont();
    Apply(entries);
    return true;
}

void CG2DColorPage::ResetPage() { Apply(opened_); }

void CG2DColorPage::WriteRow(const GraphRecord& g, CurveRowRecord& row) const {
    row.textColour = g.style.textColour;
    row.lineColour = g.style.lineColour;
    row.lineWidth = g.style.lineWidth;
    row.pattern = g.style.pattern;
    row.rainbow = g.style.rainbow;
}

}  // namespace ob7
