#pragma once
// The help line under a dialog or property sheet: a bar at the bottom that shows the
// prompt of the control under the mouse. With two or more lines the bar is drawn by
// the dialog (DrawItemTextTransparent), so long prompts wrap onto the next line.

#include <string>

#include "platform/draw_context.h"
#include "platform/geometry.h"

namespace platform {
class Dialog;
struct DrawItemInfo;
}  // namespace platform

namespace ob7 {

// The font of status bars and help lines (the status-bar font setting); the main frame
// sets it whenever the setting is applied.
void SetStatusLineFont(const platform::Font& font);
const platform::Font& StatusLineFont();

class CStatusLine {
public:
    static constexpr int kBarId = 59393;
    // The bar's own borders and insets (pixels) that enter its height.
    static constexpr int kSystemBorder = 1, kBarBorder = 1, kTopInset = 2, kBottomInset = 0;

    CStatusLine() = default;
    CStatusLine(const CStatusLine&) = delete;
    CStatusLine& operator=(const CStatusLine&) = delete;

    // Shows the bar at the bottom of the parent, making it on first use; with grow the
    // parent grows by the bar's height.
    void Show(platform::Dialog& parent, int lines, bool grow);
    // One line, the parent grown.
    void CreateHelpLine(platform::Dialog& parent) { Show(parent, 1, true); }
    // Hides the bar; the parent shrinks by its height.
    void Hide();
    bool IsShown() const { return shown_ != 0 && parent_ != nullptr; }
    int Lines() const { return lines_; }

    // The string-table text of the id (only its first line on a one-line bar).
    void SetPromptById(int id);
    void SetText(const std::string& text);
    // The first line of the control's prompt (the Help button 9 has 18009).
    void ShowControlHelp(int controlId);
    std::string Text() const;

    // While frozen the texts stay as they are.
    void SetFrozen(bool frozen) { frozen_ = frozen ? 1 : 0; }
    bool IsFrozen() const { return frozen_ != 0; }

    // The bar's size for the layout: as wide as the parent allows, as high as its lines.
    platform::Size CalcFixedLayout() const;

private:
    void GrowParentForBar(int dy);
    void PlaceBar();

    platform::Dialog* parent_ = nullptr;
    int shown_ = 0;
    int barHeight_ = 0;
    int lines_ = 1;
    int frozen_ = 0;
    platform::Font font_;
};

// An owner-drawn pane's text in the status-line font, over the pane's background,
// without "&" prefixes and broken at words so that two-line prompts wrap.
void DrawItemTextTransparent(platform::DrawContext& dc, const platform::Rect& rect, const std::string& text);

}  // namespace ob7
