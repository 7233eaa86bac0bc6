#include "app/default_properties.h"

#include "foundation/profile.h"
#include "ui/framework/colour_controls.h"

namespace ob7 {

namespace {

using platform::ControlKind;

constexpr int kSameY = 17189, kStaticGrids = 20224, kSlope = 20223;

// One format of the page: its button, its text and its slot in the working copies.
struct FormatControl {
    int button, text, slot;
    const char* label;
};
constexpr FormatControl kFormatControls[8] = {
    {19736, 19748, 0, "X Scale"},  {19737, 19749, 1, "Y Scale"},  {19738, 19750, 2, "Z Scale"},
    {19739, 19752, 3, "X Value"},  {19740, 19753, 4, "Y Value"},  {19741, 19754, 5, "Z Value"},
    {18976, 19751, 6, "Optimizer Values"}, {19756, 19755, 7, "Watch Values"},
};

int KindOf(int windowType) { return windowType == 5 ? 0 : windowType == 19 ? 1 : 2; }

// Which controls each template has: Z only for 3-D, optimizer and watch only for 2-D.
bool HasFormat(int kind, int slot) {
    if (slot == 2 || slot == 5) return kind == 2;
    if (slot >= 6) return kind == 0;
    return true;
}

platform::DialogTemplate FormatsTemplate(int windowType) {
    const int kind = KindOf(windowType);
    static constexpr int kIds[3] = {15687, 15686, 14590};
    platform::DialogTemplate t{kIds[kind], "Scales and Formats", {300, 190}, {}};
    int row = 0;
    for (const FormatControl& c : kFormatControls) {
        if (!HasFormat(kind, c.slot)) continue;
        const int y = 8 + row++ * 18;
        t.controls.push_back({ControlKind::PushButton, c.button, "Format", {8, y, 50, y + 14}});
        t.controls.push_back({ControlKind::Static, 0, c.label, {56, y + 3, 130, y + 13}});
        t.controls.push_back({ControlKind::Static, c.text, "", {134, y + 3, 292, y + 13}});
    }
    int y = 14 + row * 18;
    if (kind != 2) {
        t.controls.push_back({ControlKind::CheckBox, kSameY, "Same Y Scale", {8, y, 120, y + 11}});
        t.controls.push_back({ControlKind::CheckBox, kStaticGrids, "Static Grids", {130, y, 240, y + 11}});
        y += 18;
    }
    if (kind != 1) {
        t.controls.push_back({ControlKind::Static, 0, "Slope Calculation", {8, y + 2, 80, y + 12}});
        t.controls.push_back({ControlKind::ComboList, kSlope, "", {84, y, 170, y + 14}});
    }
    return t;
}

NumberFormatSpec* Stored(int kind, int slot) {
    if (slot < 3) return &PlotFormats.scale[kind][slot];
    if (slot < 6) return &PlotFormats.value[kind][slot - 3];
    return slot == 6 ? &Preferences.optimizeFormat : &Preferences.watchFormat;
}

}  // namespace

CDefaultsHostPage::CDefaultsHostPage(const char* caption, int type)
    : CPropertyPage2(platform::DialogTemplate{17227, caption, {360, 250}, {}}), windowType(type) {}

bool CDefaultsHostPage::OnInitDialog() {
    sheet.CreateNested(*this);
    return CPropertyPage2::OnInitDialog();
}

CPlotFormatsPage::CPlotFormatsPage(int type)
    : CPropertyPage2(FormatsTemplate(type)), windowType(type), kind_(KindOf(type)) {
    for (const FormatControl& c : kFormatControls)
        OnCommand(c.button, [this, slot = c.slot](int) {
            CNumFormatDlg dialog(this, working[slot]);
            if (dialog.DoModal() != 1) return;
            SetModified(true);
            ShowNames();
        });
}

bool CPlotFormatsPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    if (kind_ != 1) {
        for (const char* name : kScaleNames) AddString(kSlope, name);
        SetCurSel(kSlope, PlotFormats.slope[kind_ == 0 ? 0 : 1]);
    }
    for (const FormatControl& c : kFormatControls)
        if (HasFormat(kind_, c.slot)) working[c.slot] = *Stored(kind_, c.slot);
    if (kind_ != 2) {
        CheckButton(kSameY, PlotFormats.sameYScales[kind_]);
        CheckButton(kStaticGrids, PlotFormats.staticGrids[kind_]);
    }
    ShowNames();
    return true;
}

void CPlotFormatsPage::ShowNames() {
    for (const FormatControl& c : kFormatControls)
        if (HasFormat(kind_, c.slot)) SetItemText(c.text, working[c.slot].StyleName());
}

bool CPlotFormatsPage::ApplyPage() {
    for (const FormatControl& c : kFormatControls)
        if (HasFormat(kind_, c.slot)) *Stored(kind_, c.slot) = working[c.slot];
    if (kind_ != 2) {
        PlotFormats.sameYScales[kind_] = IsButtonChecked(kSameY);
        PlotFormats.staticGrids[kind_] = IsButtonChecked(kStaticGrids);
    }
    if (kind_ != 1 && CurSel(kSlope) >= 0) PlotFormats.slope[kind_ == 0 ? 0 : 1] = CurSel(kSlope);
    PassPlotFormatsOn();
    return true;
}

CDefaultPlotColorPage::CDefaultPlotColorPage(int windowType)
    : CG2DColorPage(styles_, windowType), group_(windowType == 5 ? 0 : 1) {}

bool CDefaultPlotColorPage::OnInitDialog() {
    styles_ = opened_ = PlotStylesFromTable(group_);
    openedFonts_ = DisplayFontTable;
    return CG2DColorPage::OnInitDialog();
}

PlotStyleDefaults CDefaultPlotColorPage::DefaultStyles() {
    if (group_ == 0) ResetPlotStyleDefaults1();
    else ResetPlotStyleDefaults2();
    return PlotStylesFromTable(group_);
}

bool CDefaultPlotColorPage::ApplyPage() {
    CG2DColorPage::ApplyPage();
    StorePlotStylesInTable(group_, styles_);
    PassPlotFormatsOn();
    return true;
}

void CDefaultPlotColorPage::ResetPage() {
    // Default may have reset the whole group, fonts of items the page does not show included.
    const int first = group_ == 0 ? kFontFirst2D : kFontFirstPerformance;
    const int end = group_ == 0 ? kFontFirstMonteCarlo : kDisplayFontCount;
    for (int slot = first; slot < end; ++slot) DisplayFontTable[slot] = openedFonts_[slot];
    StorePlotStylesInTable(group_, opened_);
    PassPlotFormatsOn();
}

CDefaultFontPage::CDefaultFontPage(int slot) { SetFontRecord(&DisplayFontTable[slot], 0x40000); }

CPreferencesDefaultSheet::CPreferencesDefaultSheet()
    : CPropertySheet2("Default Properties For New Circuits"), titleBlock(PrinterSettings.title) {
    schematics.sheet.AddPage(titleBlock);
    analysisPlots.sheet.AddPage(formats2d);
    analysisPlots.sheet.AddPage(colours2d);
    plots3d.sheet.AddPage(font3d);
    plots3d.sheet.AddPage(formats3d);
    monteCarlo.sheet.AddPage(fontMonteCarlo);
    performancePlots.sheet.AddPage(formatsPerformance);
    performancePlots.sheet.AddPage(coloursPerformance);
    struct Bar { CDefaultsHostPage& host; CToolBarPage& page; };
    for (Bar bar : {Bar{schematics, schematicsToolBar}, Bar{spiceFiles, spiceFilesToolBar},
                    Bar{analysisPlots, analysisPlotsToolBar}, Bar{plots3d, plots3dToolBar},
                    Bar{monteCarlo, monteCarloToolBar}, Bar{performancePlots, performancePlotsToolBar}}) {
        bar.page.BindToWindowType(bar.host.windowType, "Tool Bar");
        bar.host.sheet.AddPage(bar.page);
        AddPage(bar.host);
    }
}

bool CPreferencesDefaultSheet::OnInitDialog() {
    CPropertySheet2::OnInitDialog();
    ShowItem(kApply, false);
    return true;
}

int RunDefaultProperties() {
    CPreferencesDefaultSheet sheet;
    const int result = sheet.DoModal();
    SaveProfile();
    return result;
}

}  // namespace ob7
