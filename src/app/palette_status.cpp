// What the status bar says while the pointer is over a component palette: the component
// under it (or chosen in the drop-down list), and over the bar itself the palette's name.
#include "app/main_frame.h"
#include "foundation/string_table.h"
#include "libraries/component_library.h"

namespace ob7 {

namespace {

constexpr int kPaletteText = 17927;

std::string ComponentText(const ComponentDef* def) {
    return def->memo.empty() ? def->name : def->name + ":" + def->memo;
}

}  // namespace

void CMainFrame::OnListBarHover(int id, int item) {
    const int k = id - CPaletteBar::kFirstId;
    if (k < 0 || k >= CPaletteBar::kCount || !StatusBarShown()) return;
    const CPaletteBar& palette = palettes[k];
    if (item == -2) {
        const char* text = FindResString(kPaletteText);
        SetPromptText(std::string(text ? text : "") + " " + palette.Name());
        return;
    }
    // The list box names the component under the pointer; the drop-down list its choice.
    const int shown = IsListBarInListMode(id) ? item : ListBarSelection(id);
    if (shown >= 0 && shown < static_cast<int>(palette.Parts().size()))
        SetPromptText(ComponentText(palette.Parts()[shown]));
}

}  // namespace ob7
