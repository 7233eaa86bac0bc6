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
constexpr int kItemHelp[] = {19128, 19125, 19127, 19126, 19156, 19113, 19146, 19188, 19186, 19187, 19190};
constexpr int kCurveHelp = 19132;

const char* const kItemNames[] = {"General Text",   "Grid",           "Graph Background",     "Baseline Color",
                                  "Window Background", "Select",      "Initial Object",       "Tracker",
                                  "Select Color Primary", "Select Color Secondary", "Plot All"};

platform::DialogTemplate ColourPageTemplate() {
    platform::DialogTemplate t{15682, "Colors, Fonts, and Lines", {320, 216}, {
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

CG2DColorPage::CG2DColorPage(CG2DPropSheet& sheet)
    : CFontPage(ColourPageTemplate(), true), sheet_(sheet), patternCombo_(*this, kColPattern, StyleComboKind::LineStyle) {
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

void CG2DColorPage::Load(Entries& e, const CAPDraw& v, const std::vector<GraphRecord>& graphs) {
    const PlotColours& c = v.colours;
    const int count = kFirstCurve + static_cast<int>(graphs.size());
    e.first.assign(count, 0);
    e.second.assign(count, 0);
    e.width.assign(count, 1);
    e.pattern.assign(count, 0);
    e.rainbow.assign(count, 0);
    e.font.assign(count, FontRecord{});
    e.hasFont.assign(count, false);
    const int colours[] = {c.text, c.grid, c.graphBackground, c.baseline, c.windowBackground, c.select,
                           v.objects.defaultFont.color, v.tagFrameColour, c.cursorBranch[0], c.cursorBranch[1]};
    for (int i = 0; i < kPlotAll; ++i) e.first[i] = colours[i];
    e.second[kTracker] = v.tagFillColour;
    e.width[kGrid] = c.gridWidth;
    e.pattern[kGrid] = c.gridPattern;
    e.font[kGeneralText] = RecordOf(v.labelFont, c.text);
    e.font[kInitialObject] = v.objects.defaultFont;
    e.font[kTracker] = RecordOf(v.tagFont, v.tagFrameColour);
    e.hasFont[kGeneralText] = e.hasFont[kInitialObject] = e.hasFont[kTracker] = true;
    for (size_t k = 0; k < graphs.size(); ++k) {
        const CurveStyle& s = graphs[k].style;
        const int i = kFirstCurve + static_cast<int>(k);
        e.first[i] = s.textColour;
        e.second[i] = s.lineColour;
        e.width[i] = s.lineWidth;
        e.pattern[i] = s.pattern;
        e.rainbow[i] = s.rainbow;
    }
    // "Plot All" shows the first curve.
    if (!graphs.empty()) {
        for (std::vector<int>* v2 : {&e.first, &e.second, &e.width, &e.pattern, &e.rainbow})
            (*v2)[kPlotAll] = (*v2)[kFirstCurve];
    }
}

void CG2DColorPage::Apply(const Entries& e) {
    CAPDraw& v = sheet_.view;
    PlotColours& c = v.colours;
    int* targets[] = {&c.text, &c.grid, &c.graphBackground, &c.baseline, &c.windowBackground, &c.select, nullptr,
                      &v.tagFrameColour, &c.cursorBranch[0], &c.cursorBranch[1]};
    for (int i = 0; i < kPlotAll; ++i)
        if (targets[i]) *targets[i] = e.first[i];
    v.tagFillColour = e.second[kTracker];
    c.gridWidth = e.width[kGrid];
    c.gridPattern = e.pattern[kGrid];
    v.labelFont = CreateFontFromRecord(e.font[kGeneralText]);
    v.tagFont = CreateFontFromRecord(e.font[kTracker]);
    v.objects.defaultFont = e.font[kInitialObject];
    v.objects.defaultFont.color = static_cast<uint8_t>(e.first[kInitialObject]);
    const int curves = std::min(static_cast<int>(e.first.size()) - kFirstCurve, v.data.plottedCount);
    for (int k = 0; k < curves; ++k) {
        CurveStyle& s = v.data.curves[k].style;
        const int i = kFirstCurve + k;
        s.textColour = e.first[i];
        s.lineColour = e.second[i];
        s.lineWidth = e.width[i];
        s.pattern = static_cast<unsigned char>(e.pattern[i]);
        s.rainbow = e.rainbow[i];
    }
}

bool CG2DColorPage::OnInitDialog() {
    CFontPage::OnInitDialog();
    for (int w = 1; w <= 7; ++w) AddString(kColWidth, std::to_string(w));
    patternCombo_.Fill(0);
    Load(entries, sheet_.view, sheet_.workGraphs);
    opened_ = entries;
    std::vector<std::string> names(kItemNames, kItemNames + kFirstCurve);
    for (const GraphRecord& g : sheet_.workGraphs) names.push_back(g.caption);
    firstSet_.Attach(*this, kColObjects, &names, &entries.first, kColFirstButtons, 0, false);
    secondSet_.Attach(*this, kColObjects, nullptr, &entries.second, kColSecondButtons, -1, false);
    SelectItem(0);
    return true;
}

void CG2DColorPage::OnDefault() {
    const CAPDraw fresh;
    std::vector<GraphRecord> graphs = sheet_.workGraphs;
    for (size_t i = 0; i < graphs.size(); ++i) graphs[i].style = DefaultCurveStyle(static_cast<int>(i % kCurveStyleCount));
    const int shown = std::max(Selected(), 0);
    shownItem_ = -1;  // the fonts shown are replaced, not kept
    Load(entries, fresh, graphs);
    SetModified(true);
    SelectItem(shown);
}

void CG2DColorPage::Refresh() {
    if (!IsCreated()) return;
    const int selected = Selected();
    KeepFont();
    ResetContent(kColObjects);
    for (int i = 0; i < kFirstCurve; ++i) AddString(kColObjects, kItemNames[i]);
    for (const GraphRecord& g : sheet_.workGraphs) AddString(kColObjects, g.caption);
    shownItem_ = -1;
    SelectItem(selected < 0 ? 0 : selected);
}

int CG2DColorPage::Selected() const { return CurSel(kColObjects); }

void CG2DColorPage::Spread(std::vector<int>& values, int item) {
    if (item != kPlotAll) return;
    for (size_t i = kFirstCurve; i < values.size(); ++i) values[i] = values[kPlotAll];
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
    const bool curveLike = IsCurve(item) || item == kPlotAll;
    const bool labelled = item == kTracker;
    SetItemText(kColFirstLabel, labelled ? "Foreground" : curveLike ? "Curve Text" : kItemNames[std::min(item, static_cast<int>(kPlotAll))]);
    SetItemText(kColSecondLabel, curveLike ? "Curve Line" : labelled ? "Background" : item == kGrid ? "Grid Options" : "");
    secondSet_.SetEnabled(curveLike || labelled);
    EnableItem(kColWidth, curveLike || item == kGrid);
    EnableItem(kColPattern, curveLike || item == kGrid);
    EnableItem(kColRainbow, curveLike && sheet_.view.drawType == kDraw2DPlot);
    SetCurSel(kColWidth, std::clamp(entries.width[item], 1, 7) - 1);
    patternCombo_.Fill(entries.pattern[item]);
    CheckButton(kColRainbow, entries.rainbow[item] ? 1 : 0);
    SetFontRecord(entries.hasFont[item] ? &entries.font[item] : nullptr);
    firstSet_.RefreshSelection();
    for (int i = 0; i < ColourButtonSet::kButtons; ++i) InvalidateItem(kColSecondButtons + i);
    InvalidateItem(kColPreview);
    if (auto* sheet = dynamic_cast<CPropertySheet2*>(Sheet())) {
        const char* prompt = FindResString(IsCurve(item) ? kCurveHelp : kItemHelp[item]);
        sheet->ShowPrompt(prompt ? prompt : "");
    }
}

void CG2DColorPage::OnControlNotify(int id, platform::Notify code) {
    using platform::Notify;
    const int item = Selected();
    auto store = [&](std::vector<int>& values, int value) {
        if (item < 0) return;
        if (item == kGrid || IsCurve(item) || item == kPlotAll) {
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
    const bool curveLike = IsCurve(item) || item == kPlotAll;
    const int background = item == kWindowBackground ? entries.first[kWindowBackground]
                                                     : entries.first[kGraphBackground];
    dc.FillRect(r, platform::Brush::Solid(PaletteEntryColorRef(background, 1)));
    if (item < 0) return;
    dc.Save();
    dc.ClipToRect(r);
    const int middle = (r.top + r.bottom) / 2;
    if (curveLike || item == kGrid) {
        const int colour = curveLike ? entries.second[item] : entries.first[item];
        dc.SetPen(platform::Pen{PatternStyle(entries.pattern[item]), entries.width[item], PaletteEntryColorRef(colour, 1)});
        dc.MoveTo({r.left + 4, middle});
        dc.LineTo({curveLike ? (r.left + r.right) / 2 : r.right - 4, middle});
        if (curveLike) {
            dc.SetTextColor(PaletteEntryColorRef(entries.first[item], 1));
            dc.SetBkOpaque(false);
            Rect text{(r.left + r.right) / 2 + 4, r.top, r.right, r.bottom};
            dc.DrawText("V(1)", text, platform::kDtVCenter | platform::kDtSingleLine);
        }
    } else if (entries.hasFont[item]) {
        FontRecord shown = entries.font[item];
        if (item == shownItem_) GetFontRecord(shown);
        if (item == kTracker) dc.FillRect(Rect{r.left + 4, r.top + 3, r.right - 4, r.bottom - 3},
                                          platform::Brush::Solid(PaletteEntryColorRef(entries.second[item], 1)));
        dc.SetFont(CreateFontFromRecord(shown));
        dc.SetTextColor(PaletteEntryColorRef(entries.first[item], 1));
        dc.SetBkOpaque(false);
        dc.DrawText(item == kTracker ? "100Meg" : "Text", r,
                    platform::kDtCenter | platform::kDtVCenter | platform::kDtSingleLine);
    } else if (item == kSelect || item == kSelectPrimary || item == kSelectSecondary || item == kBaseline) {
        dc.SetPen(platform::Pen::Solid(PaletteEntryColorRef(entries.first[item], 1)));
        dc.MoveTo({r.left + 4, middle});
        dc.LineTo({r.right - 4, middle});
    } else if (item != kWindowBackground && item != kGraphBackground) {
        dc.FillRect(Rect{r.left + 4, r.top + 4, r.right - 4, r.bottom - 4},
                    platform::Brush::Solid(PaletteEntryColorRef(entries.first[item], 1)));
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
