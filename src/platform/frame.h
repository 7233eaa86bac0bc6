#pragma once
// The main frame (menu bar, MDI client, status bar) and its MDI child frames. Commands
// of the main frame go to the active child frame first, a child frame offers them to
// its view first, and the main frame handles what is left.

#include <memory>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform {

class Image;
class Menu;
struct Font;
class MdiChildFrame;

// Tool bars: buttons cut from a bitmap strip, docked at a side of the main frame (or
// floated by the user); their layout is saved and restored as one block of bytes.
enum class DockSide { Top, Bottom, Left, Right };
enum ToolButtonStyle : int { kToolCheck = 0x1, kToolDropDown = 0x2, kToolHidden = 0x4 };
struct ToolButton {
    int command = 0;  // 0: a separator
    int image = 0;    // index of the button's picture in the strip
    int style = 0;    // ToolButtonStyle bits
    std::string tip;  // tool tip
};
struct ToolButtonState {
    bool exists = false;
    bool enabled = false;
    bool checked = false;
};

// Where one bar of a frame lies: docked at a side (its rectangle in the frame's client
// area) or floating (its rectangle on the screen).
struct BarPlacement {
    int id = 0;
    bool visible = true;
    bool floating = false;
    DockSide side = DockSide::Top;
    Rect rect;
};

// The saved placement of a frame: how it is shown and its normal rectangle.
enum class ShowState { Normal = 1, Minimized = 2, Maximized = 3 };
struct Placement {
    ShowState show = ShowState::Normal;
    Rect normal;
};

class FrameWindow : public Window {
public:
    FrameWindow();
    ~FrameWindow() override;

    // Creates the top-level frame with its MDI client.
    bool CreateFrame(const std::string& title, const Rect& rect);

    // Show state and placement of the frame on the desktop.
    void ShowAs(ShowState state);
    ShowState State() const;
    Placement GetPlacement() const;
    void SetPlacement(const Placement& placement);

    // The menu bar; the frame keeps the pointer, the caller keeps the menu. Rebuilds
    // the native bar from the model (call again after changing top-level items).
    void SetMenu(Menu* menu);
    Menu* GetMenu() const { return menu_; }

    // MDI client.
    MdiChildFrame* ActiveChild() const;
    std::vector<MdiChildFrame*> Children() const;  // in stacking order, top first
    void Cascade();
    void Tile(bool horizontal);
    Rect MdiClientRect() const;
    // The MDI client's top left on the screen: just below the caption, menu and top bars.
    Point MdiClientOrigin() const;

    // Status bar panes: widths of their texts in pixels (the pane's border comes on top),
    // -1 for the stretching pane, 0 for a pane not shown (it keeps its index).
    void SetStatusPanes(const std::vector<int>& widths);
    // The width of a text in the status bar's font.
    int StatusTextWidth(const std::string& text) const;
    // A pane's text width as set; -1 for the stretching pane, 0 for one not shown.
    int PaneWidth(int pane) const;
    // A new text width for a shown pane of fixed width.
    void SetPaneWidth(int pane, int width);
    void SetPaneText(int pane, const std::string& text);
    std::string PaneText(int pane) const;
    void ShowStatusBar(bool shown);
    // The font of the status bar's texts; the bar's height follows it.
    void SetStatusFont(const Font& font);
    // The height of the status bar's text line in pixels, 0 without a bar.
    int StatusTextHeight() const;
    // A pane showing progress (0..100) in place of its text; -1 shows the text again.
    void SetPaneProgress(int pane, int percent);
    // A pane showing a picture drawn by the program (owner-drawn panes).
    void SetPaneImage(int pane, const Image& image);

    // Tool bars by id. The strip holds the pictures side by side, buttonSize each.
    bool AddToolBar(int id, const std::string& title, const Image& strip, Size buttonSize,
                    const std::vector<ToolButton>& buttons, DockSide side);
    void SetToolBarButtons(int id, const std::vector<ToolButton>& buttons);
    // Gives a bar a new picture strip; its buttons take their pictures from it.
    void SetToolBarStrip(int id, const Image& strip);
    // The strip a bar has now (empty for an unknown bar).
    Image ToolBarStrip(int id) const;
    void ShowToolBar(int id, bool shown);
    // The caption a bar shows while it floats.
    void SetToolBarTitle(int id, const std::string& title);
    bool IsToolBarVisible(int id) const;
    void DockToolBar(int id, DockSide side);
    DockSide ToolBarSide(int id) const;
    std::vector<unsigned char> SaveBarState() const;
    // Every bar's place, in the order the bars were added.
    std::vector<BarPlacement> GetBarPlacements() const;
    // Puts the named bars back: docked ones on their sides in rows and order by their
    // rectangles, floating ones at theirs; shown or hidden. Other bars keep their place.
    void SetBarPlacements(const std::vector<BarPlacement>& bars);
    bool IsToolBarFloating(int id) const;
    bool RestoreBarState(const std::vector<unsigned char>& state);
    // Runs the update handlers for every tool button (the idle update of the bars).
    void UpdateToolBars();
    ToolButtonState GetToolButtonState(int id, int command) const;
    // Presses a button as the user would: an enabled command is dispatched.
    bool PressToolButton(int id, int command);
    // A shown button's place in the frame's client coordinates (the coordinates mouse
    // input to the frame uses); empty when it is hidden or missing.
    Rect ToolButtonRect(int id, int command) const;
    // The menu of a drop-down button's arrow; null shows none.
    virtual Menu* ToolDropDownMenu(int barId, int command) { return nullptr; }

    // List bars (the component palettes): a list of names shown as a list box while the
    // bar floats or is docked on the left or right, and as a drop-down list while it is
    // docked at the top or bottom; both keep one selection. A list box higher than
    // maxHeight pixels scrolls.
    bool AddListBar(int id, const std::string& title, DockSide side);
    void SetListBarItems(int id, const std::vector<std::string>& items, int maxHeight);
    void SetListBarSelection(int id, int index);
    int ListBarSelection(int id) const;
    // True while the list box is shown (not the drop-down list).
    bool IsListBarInListMode(int id) const;
    void EnableListBar(int id, bool enabled);
    void SetListBarTip(int id, const std::string& tip);
    // The font of both the list box and the drop-down list; its pixel height back.
    void SetListBarFont(int id, const Font& font);
    int ListBarFontHeight(int id) const;
    // The user chose an item of a list bar.
    virtual void OnListBarSelect(int id, int index) {}
    // The pointer moves over a list bar: over an item of the list box (its index), over
    // the list box or the drop-down list but no item (-1), or over the bar itself (-2).
    virtual void OnListBarHover(int id, int item) {}

    // Called while a menu item is highlighted (0 when the highlight leaves items), so
    // that the frame can show its prompt.
    virtual void OnMenuSelect(int id) {}
    // The system colours changed (pictures drawn in them need redrawing).
    virtual void OnSysColorChange() {}
    // The pointer came onto the status bar.
    virtual void OnStatusBarHover() {}
    // Called before a pop-up of the menu bar opens, ahead of the update handlers, so
    // dynamic menus can be rebuilt.
    virtual void OnInitMenuPopup(Menu& popup, int position) {}

    // Runs the update handlers for every item of a pop-up (the idle update of menus).
    void UpdateMenuItems(Menu& popup);

protected:
    CommandTarget* CommandDelegate() override;

private:
    friend class MdiChildFrame;
    Menu* menu_ = nullptr;
};

class MdiChildFrame : public Window {
public:
    MdiChildFrame();
    ~MdiChildFrame() override;

    // Creates the child inside the main frame's MDI client; an empty rectangle lets the
    // client choose.
    bool CreateChild(FrameWindow& main, const std::string& title, const Rect& rect = {});

    // The view fills the frame's client area and is offered commands first.
    void SetView(Window* view);
    Window* View() const { return view_; }

    void Activate();
    bool IsActive() const;
    void ShowAs(ShowState state);
    ShowState State() const;
    Placement GetPlacement() const;
    void SetPlacement(const Placement& placement);

    // Activation changes (the MDI activate message).
    virtual void OnActivate(bool active) {}

    // Places the frame's own bars inside the client area and returns what is left for
    // the view; by default the view has it all.
    virtual Rect ViewArea(const Rect& client) { return client; }
    // Re-positions the bars and the view (after a size change or a change of the bars).
    void RecalcLayout();

    FrameWindow* MainFrame() const { return main_; }

protected:
    CommandTarget* CommandDelegate() override { return view_; }

private:
    FrameWindow* main_ = nullptr;
    Window* view_ = nullptr;
};

}  // namespace platform
