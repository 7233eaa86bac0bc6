#include "app/preferences.h"

#include <cstdlib>

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

platform::DialogTemplate CommonTemplate() {
    platform::DialogTemplate t{19700, "Common Options", {230, 150}, {}};
    t.controls.push_back({ControlKind::GroupBox, 0, "Options", {6, 6, 224, 118}});
    for (int i = 0; i < 12; ++i) {
        int column = i / 6, row = i % 6;
        t.controls.push_back({ControlKind::CheckBox, kOptionBits[i].id, kOptionBits[i].label,
                              {14 + column * 106, 18 + row * 16, 116 + column * 106, 30 + row * 16}});
    }
    return t;
}

// The Warnings page's check boxes and the settings behind them.
struct WarningRow {
    int id;
    const char* label;
    int FramePreferences::*field;
};
const WarningRow kWarnings[6] = {
    {19702, "File", &FramePreferences::fileWarning},
    {19703, "Quit", &FramePreferences::quitWarning},
    {19734, "Opamp power supplies", &FramePreferences::opampPowerWarning},
    {1347, "Add DC Path to Ground", &FramePreferences::addDCPathWarning},
    {1585, "Excessive Time Points", &FramePreferences::excessiveTimeRangeWarning},
    {1586, "Excessive Data Points", &FramePreferences::excessiveDataPointsWarning},
};

platform::DialogTemplate WarningTemplate() {
    platform::DialogTemplate t{19732, "Warnings", {230, 150}, {}};
    t.controls.push_back({ControlKind::GroupBox, 0, "Warn before", {6, 6, 224, 118}});
    for (int i = 0; i < 6; ++i)
        t.controls.push_back({ControlKind::CheckBox, kWarnings[i].id, kWarnings[i].label,
                              {14, 18 + i * 16, 200, 30 + i * 16}});
    t.controls.push_back({ControlKind::PushButton, 19733, "All on", {170, 124, 224, 138}});
    return t;
}

platform::DialogTemplate SaveTemplate() {
    return {15900, "Auto Save", {230, 150}, {
        {ControlKind::CheckBox, 15901, "Auto Save Circuits Before Running Analysis.", {10, 12, 224, 24}},
        {ControlKind::CheckBox, 15903, "Automatically Save File Every", {10, 32, 140, 44}},
        {ControlKind::Edit, 15902, "", {142, 31, 170, 44}},
        {ControlKind::Static, 0, "minutes", {174, 34, 224, 44}},
    }};
}

}  // namespace

CCommonOptionsPage::CCommonOptionsPage() : CPropertyPage2(CommonTemplate()) {}

bool CCommonOptionsPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    saved_ = Preferences.operationalOptions;
    for (const OptionBitRow& row : kOptionBits) CheckButton(row.id, (Preferences.operationalOptions & row.mask) ? 1 : 0);
    return true;
}

bool CCommonOptionsPage::OnApply() {
    int options = Preferences.operationalOptions;
    for (const OptionBitRow& row : kOptionBits) options = IsButtonChecked(row.id) ? (options | row.mask) : (options & ~row.mask);
    Preferences.operationalOptions = options;
    return true;
}

void CCommonOptionsPage::OnReset() { Preferences.operationalOptions = saved_; }

CPrefSavePage::CPrefSavePage() : CPropertyPage2(SaveTemplate()) {}

bool CPrefSavePage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    saved_ = Preferences;
    CheckButton(15901, Preferences.autoSave);
    CheckButton(15903, Preferences.autoSaveEvery);
    SetItemText(15902, std::to_string(Preferences.autoSaveMin));
    return true;
}

bool CPrefSavePage::OnApply() {
    Preferences.autoSave = IsButtonChecked(15901);
    Preferences.autoSaveEvery = IsButtonChecked(15903);
    int minutes = std::atoi(ItemText(15902).c_str());
    if (minutes > 0) Preferences.autoSaveMin = minutes;
    return true;
}

void CPrefSavePage::OnReset() {
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
    for (const WarningRow& row : kWarnings) CheckButton(row.id, Preferences.*row.field ? 1 : 0);
    return true;
}

void CPrefWarningPage::AllOn() {
    for (const WarningRow& row : kWarnings) CheckButton(row.id, 1);
    SetModified(true);
}

bool CPrefWarningPage::OnApply() {
    for (const WarningRow& row : kWarnings) Preferences.*row.field = IsButtonChecked(row.id);
    return true;
}

void CPrefWarningPage::OnReset() {
    for (const WarningRow& row : kWarnings) Preferences.*row.field = saved_.*row.field;
}

CPreferencesSheet::CPreferencesSheet() : CPropertySheet2("Preferences") {
    AddPage(common);
    AddPage(autoSave);
    AddPage(warnings);
}

int RunPreferences() {
    CPreferencesSheet sheet;
    int result = sheet.DoModal();
    if (result == 1) SaveProfile();
    return result;
}

}  // namespace ob7
