#include "app/palettes_page.h"

#include "app/main_frame.h"
#include "platform/dialog.h"

namespace ob7 {

namespace {

using platform::ControlKind;
constexpr int kNameEdit = 115, kShowBox = 1008;

platform::DialogTemplate PalettesTemplate() {
    platform::DialogTemplate t{10188, "Component Palettes", {350, 210}, {}};
    t.controls.push_back({ControlKind::Static, 0, "Palette name", {30, 6, 200, 16}});
    for (int k = 0; k < CPaletteBar::kCount; ++k) {
        const int y = 18 + k * 19;
        t.controls.push_back({ControlKind::Static, 0, std::to_string(k + 1) + ":", {10, y + 2, 26, y + 14}});
        t.controls.push_back({ControlKind::Edit, kNameEdit + k, "", {30, y, 220, y + 14}});
        t.controls.push_back({ControlKind::CheckBox, kShowBox + k, "Show", {232, y + 1, 290, y + 13}});
    }
    return t;
}

void ShowPalette(int k, int wanted) {
    if (!MainFrame) return;
    CPaletteBar& palette = MainFrame->palettes[k];
    palette.wanted = wanted;
    palette.SetCaption();
    palette.Show(wanted != 0);
}

}  // namespace

CPalettesPage::CPalettesPage() : CPropertyPage2(PalettesTemplate()) {}

bool CPalettesPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    for (int k = 0; k < CPaletteBar::kCount; ++k) {
        savedNames_[k] = PaletteNames()[k];
        SetItemText(kNameEdit + k, PaletteNames()[k]);
        const CPaletteBar* palette = MainFrame ? &MainFrame->palettes[k] : nullptr;
        savedWanted_[k] = palette ? palette->wanted : 0;
        EnableItem(kShowBox + k, palette && !palette->Parts().empty());
        CheckButton(kShowBox + k, palette && palette->IsVisible() ? 1 : 0);
    }
    return true;
}

bool CPalettesPage::ApplyPage() {
    for (int k = 0; k < CPaletteBar::kCount; ++k) {
        const std::string name = ItemText(kNameEdit + k);
        if (!name.empty()) PaletteNames()[k] = name;
        ShowPalette(k, IsButtonChecked(kShowBox + k) ? 1 : 0);
    }
    return true;
}

void CPalettesPage::ResetPage() {
    for (int k = 0; k < CPaletteBar::kCount; ++k) {
        PaletteNames()[k] = savedNames_[k];
        ShowPalette(k, savedWanted_[k]);
    }
}

}  // namespace ob7
