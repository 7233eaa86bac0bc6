#include "app/preferences.h"

#include <cstdio>
#include <cstdlib>

#include "app/display_fonts.h"
#include "app/main_frame.h"
#include "foundation/recent_list.h"
#include "platform/draw_context.h"
#include "platform/file_dialog.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

const OptionBitRow kOptionBits[12] = {
    {19701, "Sound", 0x1},
    {19704, "Floating Nodes Check", 0x10},
    {19721, "Node Snap", 0x40},
    {19706, "Select Mode", 0x80},
    {19707, "Auto Show Model", 0x100},
    {19708, "Lock Tool Bar", 0x200},
    {19709, "Print Background", 0x400},
    {19715, "Time Stamp", 0x800},
    {19716, "Date Stamp", 0x1000},
    {19710, "Rubberbanding", 0x2000},
    {19711, "Inertial Cancellation", 0x4000},
    {19705, "Text Increment", 0x8000},
};

namespace {

using platform::ControlKind;

// A check box of a page and the setting behind it.
struct FlagRow {
    int id;
    const char* label;
    int FramePreferences::*field;
};

const FlagRow kCommonFlags[11] = {
    {19714, "Component Cursor", &FramePreferences::componentCursor},
    {19722, "DC Path to Ground Check", &FramePreferences::checkDCPath},
    {19713, "Add DC Path to Ground", &FramePreferences::addDCPath},
    {19723, "Select Curve Color", &FramePreferences::selectWaveformColor},
    {19717, "Gmin Stepping", &FramePreferences::gminStepping},
    {19720, "Convergence Assist", &FramePreferences::convergenceAssist},
    {19728, "Analysis Progress Bar", &FramePreferences::progressBar},
    {19729, "Show Slider", &FramePreferences::showSlider},
    {19719, "Block Select Display Mode", &FramePreferences::blockSelect},
    {19727, "Plot On Top", &FramePreferences::analysisOnTop},
    {19718, "Automatically Add Opamp Power Supplies", &FramePreferences::addOpampSupplies},
};
constexpr int kCheckDCPath = 19722, kAddDCPath = 19713;
constexpr int kThreshold = 19724, kFileListSize = 19725, kWarningTime = 19726, kGrids = 19731, kDefault = 19730;

const FlagRow kWarnings[6] = {
    {19702, "File", &FramePreferences::fileWarning},
    {19703, "Quit", &FramePreferences::quitWarning},
    {19734, "Opamp power supplies", &FramePreferences::opampPowerWarning},
    {1347, "Add DC Path to Ground", &FramePreferences::addDCPathWarning},
    {1585, "Excessive Time Points", &FramePreferences::excessiveTimeRangeWarning},
    {1586, "Excessive Data Points", &FramePreferences::excessiveDataPointsWarning},
};

// The Format page's buttons, their texts and the formats they edit.
struct FormatRow {
    int button, text;
    const char* label;
    NumberFormatSpec FramePreferences::*format;
};
const FormatRow kFormats[5] = {
    {18421, 18431, "Numeric Output Values", &FramePreferences::operatingPointFormat},
    {18422, 18432, "Schematic Path Delays", &FramePreferences::pathDelayFormat},
    {18423, 18433, "Analysis Plot Tags", &FramePreferences::tagFormat},
    {18424, 18434, "Schematic Voltages/Current/Power", &FramePreferences::nodeVoltageFormat},
    {18425, 18435, "Formula text", &FramePreferences::formulaFormat},
};

constexpr int kTrack = 18417, kTime = 18418;

platform::DialogTemplate CommonTemplate() {
    platform::DialogTemplate t{19700, "Common Options", {350, 210}, {}};
    t.controls.push_back({ControlKind::GroupBox, 0, "Options", {6, 4, 344, 72}});
    for (int i = 0; i < 12; ++i) {
        const int column = i / 4, row = i % 4, x = 14 + column * 112, y = 16 + row * 13;
        t.controls.push_back({ControlKind::CheckBox, kOptionBits[i].id, kOptionBits[i].label, {x, y, x + 108, y + 11}});
    }
    // Four rows in three columns; the long last label has a row of its own.
    t.controls.push_back({ControlKind::GroupBox, 0, "Circuits and Analyses", {6, 76, 344, 157}});
    for (int i = 0; i < 11; ++i) {
        const int column = i < 10 ? i / 4 : 0, row = i < 10 ? i % 4 : 4;
        const int x = 14 + column * 112, y = 88 + row * 13, width = i < 10 ? 108 : 220;
        t.controls.push_back({ControlKind::CheckBox, kCommonFlags[i].id, kCommonFlags[i].label, {x, y, x + width, y + 11}});
    }
    const struct {
        int id;
        const char* label;
        int x, labelWidth, width;
    } fields[4] = {{kThreshold, "Nodes Recalculation Threshold", 6, 122, 56},
                   {kFileListSize, "File List Size", 134, 60, 30},
                   {kWarningTime, "Warning Time", 200, 60, 36},
                   {kGrids, "Auto Scale Grids", 266, 78, 30}};
    for (const auto& f : fields) {
        t.controls.push_back({ControlKind::Static, 0, f.label, {f.x, 163, f.x + f.labelWidth, 172}});
        t.controls.push_back({ControlKind::Edit, f.id, "", {f.x, 174, f.x + f.width, 186}});
    }
    t.controls.push_back({ControlKind::PushButton, kDefault, "Default", {294, 192, 344, 206}});
    return t;
}

constexpr int kFirstColourButton = 19816, kColourButtons = 48, kPaletteDefault = 19999;

platform::DialogTemplate PalettesTemplate() {
    platform::DialogTemplate t{18413, "Color Palettes", {350, 210}, {}};
    t.controls.push_back({ControlKind::GroupBox, 0, "User Colors", {6, 4, 344, 146}});
    for (int i = 0; i < kColourButtons; ++i) {
        const int x = 14 + (i % 8) * 40, y = 16 + (i / 8) * 21;
        t.controls.push_back({ControlKind::OwnerDrawButton, kFirstColourButton + i, "", {x, y, x + 36, y + 18}});
    }
    t.controls.push_back({ControlKind::PushButton, kPaletteDefault, "Default", {294, 152, 344, 166}});
    return t;
}

platform::DialogTemplate FormatTemplate() {
    platform::DialogTemplate t{18420, "Format", {350, 210}, {}};
    for (int i = 0; i < 5; ++i) {
        const int y = 10 + i * 22;
        t.controls.push_back({ControlKind::PushButton, kFormats[i].button, "Format", {8, y, 52, y + 14}});
        t.controls.push_back({ControlKind::Static, 0, kFormats[i].label, {60, y + 3, 190, y + 13}});
        t.controls.push_back({ControlKind::Static, kFormats[i].text, "", {196, y + 3, 320, y + 13}});
    }
    return t;
}

platform::DialogTemplate WarningTemplate() {
    platform::DialogTemplate t{19732, "Warnings", {350, 210}, {}};
    t.controls.push_back({ControlKind::GroupBox, 0, "Warn before", {6, 4, 344, 100}});
    for (int i = 0; i < 6; ++i)
        t.controls.push_back({ControlKind::CheckBox, kWarnings[i].id, kWarnings[i].label,
                              {14, 16 + i * 13, 200, 27 + i * 13}});
    t.controls.push_back({ControlKind::PushButton, 19733, "All on", {294, 106, 344, 120}});
    return t;
}

platform::DialogTemplate SaveTemplate() {
    return {15900, "Auto Save", {350, 210}, {
        {ControlKind::CheckBox, 15901, "Auto Save Circuits Before Running Analysis.", {10, 12, 260, 24}},
        {ControlKind::CheckBox, 15903, "Automatically Save File Every", {10, 32, 140, 44}},
        {ControlKind::Edit, 15902, "", {142, 31, 170, 44}},
        {ControlKind::Static, 0, "minutes", {174, 34, 224, 44}},
    }};
}

void RestoreFields(FramePreferences& to, const FramePreferences& from, const FlagRow* rows, int count) {
    for (int i = 0; i < count; ++i) to.*rows[i].field = from.*rows[i].field;
}

}  // namespace

void SetDefaultCommonOptions() {
    FramePreferences& p = Preferences;
    const FramePreferences d;
    p.nodeRecalc = d.nodeRecalc;
    FileMru().SetSize(8);
    p.warningTime = d.warningTime;
    RestoreFields(p, d, kCommonFlags, 11);
    p.numberOfGrids = d.numberOfGrids;
    p.operationalOptions = d.operationalOptions;
}

CCommonOptionsPage::CCommonOptionsPage() : CPropertyPage2(CommonTemplate()) {
    OnCommand(kDefault, [this](int) { OnDefault(); });
}

bool CCommonOptionsPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    saved_ = Preferences;
    savedFileListSize_ = FileMru().Count();
    Show();
    return true;
}

void CCommonOptionsPage::Show() {
    const FramePreferences& p = Preferences;
    for (const OptionBitRow& row : kOptionBits) CheckButton(row.id, (p.operationalOptions & row.mask) ? 1 : 0);
    for (const FlagRow& row : kCommonFlags) CheckButton(row.id, p.*row.field ? 1 : 0);
    EnableItem(kAddDCPath, IsButtonChecked(kCheckDCPath));
    SetItemText(kThreshold, std::to_string(static_cast<unsigned>(p.nodeRecalc)));
    SetItemText(kFileListSize, std::to_string(FileMru().Count()));
    controls.SetDlgItemFormat(kWarningTime, "%.5g", p.warningTime);
    SetItemText(kGrids, std::to_string(p.numberOfGrids));
}

void CCommonOptionsPage::OnControlNotify(int id, platform::Notify code) {
    if (code != platform::Notify::Clicked) return;
    if (id == kCheckDCPath) EnableItem(kAddDCPath, IsButtonChecked(kCheckDCPath));
    for (const FlagRow& row : kCommonFlags)
        if (row.id == id) SetModified(true);
    for (const OptionBitRow& row : kOptionBits)
        if (row.id == id) SetModified(true);
}

bool CCommonOptionsPage::ApplyPage() {
    FramePreferences& p = Preferences;
    const int progressBar = p.progressBar;
    for (const OptionBitRow& row : kOptionBits)
        p.operationalOptions = IsButtonChecked(row.id) ? (p.operationalOptions | row.mask) : (p.operationalOptions & ~row.mask);
    for (const FlagRow& row : kCommonFlags) p.*row.field = IsButtonChecked(row.id);
    // A run in progress shows or loses its progress bar at once.
    if (MainFrame && Shell.runInProgress && p.progressBar != progressBar) {
        if (!p.progressBar) MainFrame->HideProgress();
        else if (!MainFrame->ProgressShown()) MainFrame->ShowProgress(100);
    }
    p.nodeRecalc = static_cast<int>(std::strtoul(ItemText(kThreshold).c_str(), nullptr, 10));
    int size = std::atoi(ItemText(kFileListSize).c_str());
    if (size > 0 && size <= 16) FileMru().SetSize(size);
    // Values out of range are not kept; the field shows the kept one again.
    controls.ReadDoubleInRange(kWarningTime, p.warningTime, 0, 20);
    controls.ReadIntInRange(kGrids, p.numberOfGrids, 2, 100);
    return true;
}

void CCommonOptionsPage::ResetPage() {
    FramePreferences& p = Preferences;
    RestoreFields(p, saved_, kCommonFlags, 11);
    p.operationalOptions = saved_.operationalOptions;
    p.nodeRecalc = saved_.nodeRecalc;
    p.warningTime = saved_.warningTime;
    p.numberOfGrids = saved_.numberOfGrids;
    FileMru().SetSize(savedFileListSize_);
}

void CCommonOptionsPage::OnDefault() {
    SetDefaultCommonOptions();
    Show();
    SetModified(true);
}

CColorPalettesPage::CColorPalettesPage() : CPropertyPage2(PalettesTemplate()) {
    for (int i = 0; i < kColourButtons; ++i)
        OnCommand(kFirstColourButton + i, [this](int id) { EditEntry(id - 19800); });
    OnCommand(kPaletteDefault, [this](int) {
        for (int index = 16; index < 64; ++index) {
            working[index] = DefaultPaletteColor(index);
            SetPaletteEntryColor(index, working[index], this);
        }
        for (int i = 0; i < kColourButtons; ++i) InvalidateItem(kFirstColourButton + i);
        SetModified(true);
    });
}

bool CColorPalettesPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    working = PaletteColours();
    PaletteBeginEdit(this, saved_);
    return true;
}

void CColorPalettesPage::EditEntry(int index) {
    if (index < 16 || index >= 64) return;
    platform::Color colour = working[index];
    std::vector<platform::Color> custom(Preferences.customColours.begin(), Preferences.customColours.end());
    if (!platform::RunColorDialog(this, colour, custom)) return;
    for (size_t i = 0; i < custom.size() && i < Preferences.customColours.size(); ++i) Preferences.customColours[i] = custom[i];
    working[index] = colour;
    SetPaletteEntryColor(index, colour, this);
    InvalidateItem(index + 19800);
    SetModified(true);
}

void CColorPalettesPage::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    const int index = item.controlId - 19800;
    if (index < 16 || index >= 64) return;
    dc.FillRect(item.rect, platform::Brush::Solid(platform::Rgb(64, 64, 64)));
    dc.FillRect({item.rect.left + 2, item.rect.top + 2, item.rect.right - 2, item.rect.bottom - 2},
                platform::Brush::Solid(working[index]));
}

bool CColorPalettesPage::ApplyPage() {
    PaletteApplyEdit();
    return true;
}

void CColorPalettesPage::ResetPage() { PaletteSetEntries(saved_); }

CFormatsPage::CFormatsPage() : CPropertyPage2(FormatTemplate()) {
    for (int i = 0; i < 5; ++i)
        OnCommand(kFormats[i].button, [this, i](int) {
            CNumFormatDlg dialog(this, working[i]);
            if (dialog.DoModal() != 1) return;
            SetModified(true);
            ShowNames();
        });
}

bool CFormatsPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    for (int i = 0; i < 5; ++i) working[i] = saved_[i] = Preferences.*kFormats[i].format;
    ShowNames();
    return true;
}

void CFormatsPage::ShowNames() {
    for (int i = 0; i < 5; ++i) SetItemText(kFormats[i].text, working[i].StyleName());
}

bool CFormatsPage::ApplyPage() {
    for (int i = 0; i < 5; ++i) Preferences.*kFormats[i].format = working[i];
    return true;
}

void CFormatsPage::ResetPage() {
    for (int i = 0; i < 5; ++i) Preferences.*kFormats[i].format = saved_[i];
}

CStatusBarPage::CStatusBarPage() : CFontPage(false) {
    platform::DialogTemplate& t = MutableTemplate();
    t.id = 18416;
    t.caption = "Status Bar";
    t.controls.push_back({ControlKind::GroupBox, 0, "Panes", {6, 88, 108, 124}});
    t.controls.push_back({ControlKind::CheckBox, kTrack, "Track", {14, 99, 100, 110}});
    t.controls.push_back({ControlKind::CheckBox, kTime, "Time", {14, 111, 100, 122}});
    SetFontRecord(&DisplayFontTable[kFontStatusBar]);
}

bool CStatusBarPage::OnInitDialog() {
    saved_ = Preferences;
    savedFont_ = DisplayFontTable[kFontStatusBar];
    SetFontRecord(&DisplayFontTable[kFontStatusBar]);
    CFontPage::OnInitDialog();
    CheckButton(kTrack, Preferences.statusBarTrack);
    CheckButton(kTime, Preferences.statusBarShowTime);
    return true;
}

bool CStatusBarPage::ApplyPage() {
    CFontPage::ApplyPage();
    Preferences.statusBarTrack = IsButtonChecked(kTrack);
    Preferences.statusBarShowTime = IsButtonChecked(kTime);
    if (MainFrame) MainFrame->ApplyStatusBarSettings();
    return true;
}

void CStatusBarPage::ResetPage() {
    CFontPage::ResetPage();
    DisplayFontTable[kFontStatusBar] = savedFont_;
    Preferences.statusBarTrack = saved_.statusBarTrack;
    Preferences.statusBarShowTime = saved_.statusBarShowTime;
    if (MainFrame) MainFrame->ApplyStatusBarSettings();
}

CPrefSavePage::CPrefSavePage() : CPropertyPage2(SaveTemplate()) {}

bool CPrefSavePage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    saved_ = Preferences;
    CheckButton(15901, Preferences.autoSave);
    CheckButton(15903, Preferences.autoSaveEvery);
    SetItemText(15902, std::to_string(Preferences.autoSaveMin));
    return true;
}

bool CPrefSavePage::ApplyPage() {
    Preferences.autoSave = IsButtonChecked(15901);
    Preferences.autoSaveEvery = IsButtonChecked(15903);
    int minutes = std::atoi(ItemText(15902).c_str());
    if (minutes > 0) Preferences.autoSaveMin = minutes;
    return true;
}

void CPrefSavePage::ResetPage() {
    Preferences.autoSave = saved_.autoSave;
    Preferences.autoSaveEvery = saved_.autoSaveEvery;
    Preferences.autoSaveMin = saved_.autoSaveMin;
}

CPrefWarningPage::CPrefWarningPage() : CPropertyPage2(WarningTemplate()) {
    OnCommand(19733, [this](int) { AllOn(); });
}

bool CPrefWarningPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    saved_ = Preferences;
    for (const FlagRow& row : kWarnings) CheckButton(row.id, Preferences.*row.field ? 1 : 0);
    return true;
}

void CPrefWarningPage::AllOn() {
    for (const FlagRow& row : kWarnings) CheckButton(row.id, 1);
    SetModified(true);
}

bool CPrefWarningPage::ApplyPage() {
    for (const FlagRow& row : kWarnings) Preferences.*row.field = IsButtonChecked(row.id);
    return true;
}

void CPrefWarningPage::ResetPage() { RestoreFields(Preferences, saved_, kWarnings, 6); }

CPreferencesSheet::CPreferencesSheet() : CPropertySheet2("Preferences") {
    AddPage(common);
    AddPage(palettes);
    AddPage(formats);
    AddPage(statusBar);
    AddPage(autoSave);
    AddPage(warnings);
    AddPage(mainToolBar);
    AddPage(componentPalettes);
}

int RunPreferences() {
    CPreferencesSheet sheet;
    int result = sheet.DoModal();
    SaveProfile();
    if (MainFrame) MainFrame->ApplyStatusBarSettings();
    return result;
}

}  // namespace ob7
