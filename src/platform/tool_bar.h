#pragma once
// A tool bar inside a window (a document window's own bar): flat buttons with pictures
// cut from strips, laid out left to right in rows that wrap at a given width. The bar
// does not place itself; its owner moves it and the window's other children.

#include <functional>
#include <vector>

#include "platform/frame.h"
#include "platform/window.h"

namespace platform {

class Image;
class Menu;

class ChildToolBar : public Window {
public:
    static constexpr int kSeparatorWidth = 5;
    static constexpr int kBorder = 3;

    // Creates the bar as a child of parent; its pictures are pictureSize each.
    bool CreateBar(Window* parent, int id, Size pictureSize);
    // Adds a strip of pictures side by side; the index its first picture gets.
    int AddStrip(const Image& strip);
    // Forgets every picture (the buttons keep their indexes until set again).
    void ClearStrips();
    int PictureCount() const;
    // Picture index as the bar holds it (empty for an index it does not have).
    Image Picture(int index) const;

    // The buttons in order: separators (command 0) are kSeparatorWidth wide, buttons
    // with kToolHidden take no place.
    void SetButtons(const std::vector<ToolButton>& buttons);
    const std::vector<ToolButton>& Buttons() const { return buttons_; }
    // The side the bar's border line is drawn on (the side away from its edge).
    void SetBorderSide(DockSide side);

    // Lays the shown buttons out in rows no wider than wrapWidth (at least one button a
    // row, a separator that does not fit becomes a gap between rows, none is left at a
    // row's end); the size the bar then needs, borders included. Empty without buttons.
    Size Wrap(int wrapWidth);
    // The size of one plain button.
    Size ButtonSize() const;
    // The command of the button at a client point, 0 over none.
    int ButtonAt(Point p) const;
    // The button's place in the bar, empty when it is hidden or missing.
    Rect ButtonRect(int command) const;

    void EnableButton(int command, bool enabled);
    void CheckButton(int command, bool checked);
    ToolButtonState ButtonState(int command) const;
    // Runs the update handlers of every button: the parent's chain decides, and when
    // nothing there knows the command, the application's.
    void UpdateButtons();
    // Presses a button as the user would: an enabled button's command goes to OnButton.
    bool PressButton(int command);

    // A button was pressed; by default its command goes to the parent's chain and, when
    // nothing there handles it, to the application's.
    virtual void OnButton(int command);
    // The menu of a drop-down button's arrow; null shows none.
    virtual Menu* DropDownMenu(int command) { return nullptr; }
    // Mouse input over the bar and over its buttons arrives in OnMouse, in bar
    // coordinates, before the button itself reacts.

private:
    std::vector<ToolButton> buttons_;
};

}  // namespace platform
