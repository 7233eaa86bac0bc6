#pragma once
// The Preferences sheet: the pages of the program-wide settings the shell keeps (common
// options, number formats, the status bar, auto save, warnings). Pages work on the
// settings directly: Apply takes effect at once, Cancel restores what each page held
// when it opened.

#include <array>

#include "app/palettes_page.h"
#include "app/tool_bar_pages.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/dialogs.h"

#include "app/settings_profile.h"

namespace ob7 {

// The check boxes of the Common Options page: label, bit of "Operational Options".
struct OptionBitRow {
    int id;
    const char* label;
    int mask;
};
extern const OptionBitRow kOptionBits[12];

// The defaults of the Common Options page (its Default button): flags, threshold, file
// list size, warning time, grids and the option word; warnings, formats and colours
// are left alone.
void SetDefaultCommonOptions();

class CCommonOptionsPage : public CPropertyPage2 {
public:
    CCommonOptionsPage();
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnDefault() override;
    void OnControlNotify(int id, platform::Notify code) override;

private:
    void Show();
    FramePreferences saved_;
    int savedFileListSize_ = 8;
};

// The user colours 16 to 63 of the program palette, one button each; a button opens the
// colour dialog and the colour takes effect at once; Cancel puts the palette back.
class CColorPalettesPage : public CPropertyPage2 {
public:
    CColorPalettesPage();
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    // Runs the colour dialog for palette entry 16 to 63.
    void EditEntry(int index);
    std::array<platform::Color, 64> working{};

private:
    std::array<platform::Color, 64> saved_{};
};

// Five number formats, each edited in the Format dialog on a working copy.
class CFormatsPage : public CPropertyPage2 {
public:
    CFormatsPage();
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    NumberFormatSpec working[5];

private:
    void ShowNames();
    NumberFormatSpec saved_[5];
};

// The status bar's font with the Track and Time panes.
class CStatusBarPage : public CFontPage {
public:
    CStatusBarPage();
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;

private:
    FramePreferences saved_;
    FontRecord savedFont_;
};

class CPrefSavePage : public CPropertyPage2 {
public:
    CPrefSavePage();
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;

private:
    FramePreferences saved_;
};

class CPrefWarningPage : public CPropertyPage2 {
public:
    CPrefWarningPage();
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void AllOn();

private:
    FramePreferences saved_;
};

class CPreferencesSheet : public CPropertySheet2 {
public:
    CPreferencesSheet();
    CCommonOptionsPage common;
    CColorPalettesPage palettes;
    CFormatsPage formats;
    CStatusBarPage statusBar;
    CPrefSavePage autoSave;
    CPrefWarningPage warnings;
    CMainToolBarPage mainToolBar;
    CPalettesPage componentPalettes;
};

// Options/Preferences...: runs the sheet; the profile is saved and the status bar
// follows its settings however the sheet ends.
int RunPreferences();

}  // namespace ob7
