#pragma once
// The tool bar of each drawing window: the buttons of its window type along the top or
// the left of its frame, wrapping as the frame's size needs, and what the status bar
// and the tool tips tell about the program's bars.

#include <string>
#include <utility>
#include <vector>

#include "app/tool_buttons.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

// The common base of the program's tool bars inside windows.
class CProgramToolBar : public CDrawToolBar {
public:
    // The mouse is over the bar at a client point: the status bar tells what lies there.
    virtual void ShowCursorStatus(platform::Point p) = 0;
    // Moves show the status; presses first commit an in-place attribute edit of the
    // active schematic.
    void OnMouse(const platform::MouseEvent& event) override;
};

class CMainToolBar : public CProgramToolBar {
public:
    static constexpr int kToolBarId = 0xE800;
    static constexpr int kPictureSize = 16;

    // The bar of a drawing window; null for an owner that is not one.
    explicit CMainToolBar(CDraw* view = nullptr) : view_(view) {}

    // Copies the entries into the bar's own list.
    bool SetButtonTable(const ToolButtonEntry* entries, int count);
    // A list for owners that are not drawing windows: entry i sends commands[i] and shows
    // the picture of pictureCommands[i] (of commands[i] when null); all visible.
    bool SetButtonList(const int* commands, const int* pictureCommands, int count);
    // Creates or refills the bar in its parent (nothing is made in a batch run); false
    // without a list.
    bool LoadButtons(platform::Window* parent) override;
    // Visits every button once and changes nothing.
    void TouchButtons();
    // The system colours changed: every strip the bar holds is drawn again on the new
    // button face.
    void OnSysColorChange();

    // The size the bar needs in a parent client area of the given size: along the top
    // as many rows as the width needs; along the left one column, widened a button at a
    // time (at most 8 times) until it is lower than the parent or wider than it.
    platform::Size CalcLayout(platform::Size parentClient);
    platform::Rect PlaceInParent(const platform::Rect& client) override;
    // Re-lays out the parent after a change of the bar.
    void RecalcParentLayout();
    void ShowCursorStatus(platform::Point p) override;
    // A double click outside the buttons moves the bar to the other side.
    void OnMouse(const platform::MouseEvent& event) override;
    platform::Menu* DropDownMenu(int command) override;

    std::vector<ToolButtonEntry>& List() { return list_; }
    int32_t top = 1;               // 1 along the top, 0 along the left
    int32_t parentSizesItself = 0; // a re-layout sends the parent a size change instead
    platform::Window* ParentWindow() const { return parent_; }

private:
    // The picture offset of a strip in the bar, adding it on first use.
    int PictureOffset(int bitmapId);
    CDraw* view_;
    std::vector<std::pair<int, int>> strips_;  // bitmap id, first picture (at most 20)
    std::vector<ToolButtonEntry> list_;
    platform::Window* parent_ = nullptr;
    platform::Menu dropDown_;
};

// The tool tip of a button or control id: a component button's part name, otherwise the
// part of the id's text after its first newline (none without one); at most 79 characters.
std::string ToolTipText(int id);
// The tool tip over the list of palette k (0..8).
std::string PaletteToolTip(int k, const std::string& name);
// The top of the main frame's MDI client area in the window's client coordinates.
int GetMDIClientTop(const platform::Window& window);
// The pictures of a bitmap strip: each table row of that strip drawn at its picture
// index, size pixels square.
platform::Image ToolStripImage(int bitmapId, int size);
// Makes the drawing windows' own bars from the window types' lists.
void InstallDrawToolBars();
// The idle update of the drawing windows' bars: their buttons' enabled and checked states.
void UpdateDrawToolBars();
// Every drawing window's bar reloads its strips after a system colour change.
void ReloadDrawToolBarStrips();
// The face colour of the program's tool-bar pictures: the system button face.
platform::Color ToolButtonFace();
// The Component bar's strip, cell pixels square, in the system button colours.
platform::Image ComponentBarStrip(int cell);

}  // namespace ob7
