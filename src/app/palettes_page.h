#pragma once
// The Component Palettes page of the Preferences: the nine palettes' names and whether
// each is shown.

#include <array>
#include <string>

#include "app/palette_bar.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

class CPalettesPage : public CPropertyPage2 {
public:
    CPalettesPage();
    bool OnInitDialog() override;
    // Non-empty names replace the palettes' names; each palette shown as its box says.
    bool ApplyPage() override;
    // The names and wishes as they were when the page opened.
    void ResetPage() override;

private:
    std::array<std::string, CPaletteBar::kCount> savedNames_;
    std::array<int, CPaletteBar::kCount> savedWanted_{};
};

}  // namespace ob7
