// The main frame's component palettes: default places, the toggle commands, greying
// during an analysis or a demo, and a choice in a palette.

#include <cstdio>

#include "app/main_frame.h"
#include "app/tool_buttons.h"
#include "libraries/component_library.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

void CMainFrame::PlacePalettesByDefault() {
    platform::Rect reference;
    if (CDraw* view = GetTopDraw(); view && view->IsCreated()) {
        const platform::Point origin = view->ClientToScreen({0, 0});
        const platform::Rect client = view->ClientRect();
        reference = {origin.x, origin.y, origin.x + client.Width(), origin.y + client.Height()};
    } else {
        const platform::Point origin = MdiClientOrigin();
        const platform::Rect client = MdiClientRect();
        reference = {origin.x, origin.y + 28, origin.x + client.Width(), origin.y + client.Height() - 4};
    }
    constexpr int kScroll = 16, kCaption = 20;
    std::vector<platform::BarPlacement> floats;
    int x = 0;
    for (int i = 0; i < CPaletteBar::kCount; ++i) {
        CPaletteBar& palette = palettes[i];
        palette.Rebuild();
        if (!noSavedPaletteLayout) continue;
        platform::BarPlacement place;
        for (const platform::BarPlacement& bar : GetBarPlacements())
            if (bar.id == palette.Id()) place = bar;
        const int w = place.rect.Width(), h = place.rect.Height();
        const int right = reference.right - kScroll - w - 4, bottom = reference.bottom - kScroll - h - kCaption;
        platform::Point at;
        switch (i) {
        case 0: at = {reference.left, reference.top}; x = reference.left + w + 8; break;
        case 1: at = {right, reference.top}; break;
        case 2: at = {right, bottom}; break;
        case 3: at = {reference.left, bottom}; break;
        default: at = {x, reference.top}; x += w + 8; break;
        }
        place.floating = true;
        place.visible = false;
        place.rect = {at.x, at.y, at.x + w, at.y + h};
        palette.wanted = 0;
        floats.push_back(place);
    }
    if (!floats.empty()) SetBarPlacements(floats);
}

void CMainFrame::TogglePalette(int k) {
    CPaletteBar& palette = palettes[k];
    palette.wanted = palette.IsVisible() ? 0 : 1;
    palette.Show(palette.wanted != 0);
}

void CMainFrame::DisableComponentPalettes(int slot) {
    for (CPaletteBar& palette : palettes) {
        if (!palette.IsCreated() || !palette.IsVisible()) continue;
        if (IsToolBarFloating(palette.Id())) palette.Show(false);
        EnableListBar(palette.Id(), false);
        palette.disabledBy[slot] = 1;
    }
}

void CMainFrame::RestoreComponentPalettes(int slot) {
    for (CPaletteBar& palette : palettes) {
        if (!palette.IsCreated() || !palette.disabledBy[slot]) continue;
        EnableListBar(palette.Id(), true);
        if (IsToolBarFloating(palette.Id())) palette.Show(true);
        palette.disabledBy[slot] = 0;
    }
}

void CMainFrame::OnListBarSelect(int id, int index) {
    const int k = id - CPaletteBar::kFirstId;
    if (k >= 0 && k < CPaletteBar::kCount) palettes[k].OnSelect(index);
}

void CMainFrame::InstallPaletteCommands() {
    // A component command makes its component current in Component mode; a component
    // button acts as the command it is bound to.
    auto place = [](int command) {
        ComponentDef* def = ComponentOfCommand(MapComponentButtonCommand(command));
        if (!def) return;
        CurrentComponent = def;
        if (CDraw* view = GetTopDraw()) view->SetMode(kModeComponent);
    };
    OnCommandRange(kFirstComponentCommand, kLastComponentCommand, place);
    OnUpdateRange(kFirstComponentCommand, kLastComponentCommand, [](platform::CommandUI& ui) {
        // A component without a type or a shape cannot be placed.
        const ComponentDef* def = ComponentOfCommand(ui.Id());
        ui.Enable(def && def->type != 0 && def->shape && RuleEnables(UpdateRule::A));
    });
    for (int id = 14200; id <= 14219; ++id) SetHandler(id, place);
    OnCommandRange(17541, 17549, [this](int id) { TogglePalette(id - 17541); });
    OnUpdateRange(17541, 17549, [this](platform::CommandUI& ui) {
        const int k = ui.Id() - 17541;
        CPaletteBar& palette = palettes[k];
        char text[128];
        std::snprintf(text, sizeof text, "&%d:%s\tCtrl+%d", k + 1, palette.Name().c_str(), k + 1);
        ui.SetText(text);
        ui.SetCheck(palette.IsCreated() && palette.IsVisible() ? 1 : 0);
        ui.Enable(palette.IsCreated() && !palette.Parts().empty() && Shell.analysisKind == -1);
    });
}

}  // namespace ob7
