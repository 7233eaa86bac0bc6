#pragma once
// The Preferences sheet: the pages of the program-wide settings the shell keeps (common
// option bits, auto save, warnings). Pages work on the settings directly: Apply takes
// effect at once, Cancel restores what each page held when it opened.

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

class CCommonOptionsPage : public CPropertyPage2 {
public:
    CCommonOptionsPage();
    bool OnInitDialog() override;
    bool OnApply() override;
    void OnReset() override;

private:
    int saved_ = 0;
};

class CPrefSavePage : public CPropertyPage2 {
public:
    CPrefSavePage();
    bool OnInitDialog() override;
    bool OnApply() override;
    void OnReset() override;

private:
    FramePreferences saved_;
};

class CPrefWarningPage : public CPropertyPage2 {
public:
    CPrefWarningPage();
    bool OnInitDialog() override;
    bool OnApply() override;
    void OnReset() override;
    void AllOn();

private:
    FramePreferences saved_;
};

class CPreferencesSheet : public CPropertySheet2 {
public:
    CPreferencesSheet();
    CCommonOptionsPage common;
    CPrefSavePage autoSave;
    CPrefWarningPage warnings;
};

// Options/Preferences...: runs the sheet; OK saves the profile.
int RunPreferences();

}  // namespace ob7
