#pragma once
// Dialogs built from our own templates (control kind, id, text, rectangle in dialog
// units, style), run modal in a nested loop or modeless, with controls addressed by id.
// Control notifications arrive by id through OnControlNotify; button clicks are
// commands of the dialog (1 OK and 2 Cancel end it by default).

#include <string>
#include <vector>

#include "platform/frame.h"
#include "platform/window.h"

namespace platform {

struct Font;

enum class ControlKind {
    Static,
    OwnerDrawStatic,  // a text (ItemText) drawn by OnDrawItem over the dialog's background
    Edit, MultiLineEdit, PushButton, DefPushButton, CheckBox, RadioButton, GroupBox,
    OwnerDrawButton,  // drawn by OnDrawItem, clicked like a push button
    ComboDropDown,  // editable text with a list
    ComboList,      // choice from the list only
    OwnerDrawCombo, // choice from the list, items and the selection field drawn by OnDrawItem
    ListBox, MultiListBox, OwnerDrawListBox,
    CheckListBox,   // owner-drawn items after a check box of the list's own
    ReportList, TreeView, TabControl, UpDown, ProgressBar,
    ScrollBar
};

// Control style bits.
enum ControlStyle : int {
    kCtlGroup = 0x1,     // starts a group of radio buttons
    kCtlReadOnly = 0x2,
    kCtlSorted = 0x4,    // list and combo boxes keep their items sorted
    kCtlDisabled = 0x8,
    kCtlHidden = 0x10,
    kCtlVertical = 0x20, // scroll bars and up-downs
    kCtlPassword = 0x40, // edits show their characters masked
};

struct ControlSpec {
    ControlKind kind = ControlKind::Static;
    int id = 0;
    std::string text;
    Rect rect;  // dialog units: x in quarters, y in eighths of the font's average cell
    int style = 0;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    Size size;  // dialog units
    std::vector<ControlSpec> controls;
};

// Notification codes delivered with a control id.
// CheckChanged: the user toggled an item's check in a check list.
enum class Notify { Clicked, Changed, SelChange, SetFocus, KillFocus, DoubleClick, ItemEdited, CheckChanged };

// Owner-drawn list items and buttons: the state passed to OnDrawItem.
struct DrawItemInfo {
    int controlId = 0;
    int item = -1;  // -1 for a button
    Rect rect;
    bool selected = false;
    bool focused = false;
    long long data = 0;
};

class Dialog : public Window {
public:
    explicit Dialog(DialogTemplate tmpl);
    ~Dialog() override;

    // Runs modal over the parent (the application's main window when null) and returns
    // the result given to EndDialog. A script queued for modal dialogs (automation.h)
    // answers in place of the user.
    int DoModal(Window* parent = nullptr);
    // Creates the dialog modeless; it lives until Destroy.
    bool CreateModeless(Window* parent = nullptr);
    // Creates the dialog as a child area of another window (a page inside a sheet or a
    // dialog), at a rectangle of the parent's client area in pixels.
    bool CreateAsChild(Window& parent, const Rect& where);
    void EndDialog(int result);
    bool IsModalRunning() const { return running_; }
    const DialogTemplate& Template() const { return template_; }
    // Adds a control at run time (colour grids, forms built from data); it appears at
    // once when the dialog is on screen.
    void AddControl(const ControlSpec& spec);

    // Handlers. OnInitDialog runs once the controls exist: true lets the first control
    // take the focus. OnCommand handles clicks (1 and 2 by default end the dialog).
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(1); }
    virtual void OnCancel() { EndDialog(2); }
    virtual void OnControlNotify(int id, Notify code) {}
    // The mouse came to rest over a control (its id) or left it (0): help lines show
    // the control's prompt.
    virtual void OnControlHover(int id) {}
    // The right button was pressed on a control, which has taken the focus.
    virtual void OnControlRightClick(int id) {}
    // The mouse on a control: a button pressed or released over it, or the mouse moved
    // while a button is held (the control then has the mouse, so moves past its edges
    // arrive too). The point is in the control's own pixels.
    virtual void OnControlMouse(int id, const MouseEvent& event) {}
    // A key pressed in a control, before the control handles it; true eats the key.
    virtual bool OnControlKey(int id, const KeyEvent& event) { return false; }
    virtual void OnDrawItem(DrawContext& dc, const DrawItemInfo& item) {}
    // The user's system colours changed (GetSystemColor gives the new ones).
    virtual void OnSysColorChange() {}
    // The height in pixels of the items of an owner-drawn list or combo box; 0 keeps
    // the style's height.
    virtual int OnMeasureItem(int controlId) { return 0; }

    // Controls by id. Functions on a missing id or a control of another kind do nothing
    // and return false, -1 or an empty text.
    bool HasItem(int id) const;
    void SetItemText(int id, const std::string& text);
    std::string ItemText(int id) const;
    void EnableItem(int id, bool enabled);
    bool IsItemEnabled(int id) const;
    void ShowItem(int id, bool shown);
    bool IsItemVisible(int id) const;
    void FocusItem(int id);
    int FocusedItem() const;  // id of the control with the focus, 0 for none
    void SetEditLimit(int id, int maxChars);
    // Edit controls: the selection in characters (end -1: to the end of the text), the
    // selection replaced by a text (one undoable step), whether an undo is possible, and
    // the caret scrolled into view.
    void SetEditSel(int id, int start, int end);
    bool EditSel(int id, int& start, int& end) const;
    void ReplaceEditSel(int id, const std::string& text);
    bool CanUndoEdit(int id) const;
    void ScrollEditCaret(int id);
    // Repaints one control (owner-drawn buttons and lists after their state changed).
    void InvalidateItem(int id);
    // Colours and font of one control (coloured fields, the font of a sample text).
    void SetItemColors(int id, Color text, Color background);
    void SetItemFont(int id, const Font& font);
    void CheckButton(int id, int state);  // 0, 1
    int IsButtonChecked(int id) const;
    void CheckRadioButton(int first, int last, int checked);

    // List boxes and combo boxes (and the tab control's tabs).
    int AddString(int id, const std::string& text);
    int InsertString(int id, int index, const std::string& text);
    bool DeleteString(int id, int index);
    void ResetContent(int id);
    int ItemCount(int id) const;
    std::string ItemString(int id, int index) const;
    bool SetItemData(int id, int index, long long data);
    long long ItemData(int id, int index) const;
    bool SetCurSel(int id, int index);  // -1 clears
    int CurSel(int id) const;
    int FindStringExact(int id, const std::string& text) const;
    int SelectString(int id, const std::string& prefix);  // first item starting with it
    bool SetSel(int id, int index, bool selected);  // multiple-selection lists
    std::vector<int> SelectedItems(int id) const;
    // Check lists: an item's check (-1 for a missing item); setting it notifies nothing.
    bool SetItemCheck(int id, int index, bool checked);
    int ItemCheck(int id, int index) const;
    // Toggles an item's check as the user's click does: selects the item and notifies
    // CheckChanged. False for a missing item.
    bool ToggleItemCheck(int id, int index);

    // Report list views: columns, rows and cells; cells can be edited in place.
    int InsertColumn(int id, int column, const std::string& title, int width);
    int InsertRow(int id, int row, const std::string& text);
    bool SetCellText(int id, int row, int column, const std::string& text);
    std::string CellText(int id, int row, int column) const;
    bool EditCell(int id, int row, int column);  // opens the in-place editor
    // Cells are editable in place unless switched off here.
    bool SetCellEditable(int id, int row, int column, bool editable);
    int RowCount(int id) const;

    // Tree views: items are handles (0 is the root).
    int InsertTreeItem(int id, int parent, const std::string& text);
    bool SelectTreeItem(int id, int item);
    int SelectedTreeItem(int id) const;
    std::string TreeItemText(int id, int item) const;
    bool SetTreeItemData(int id, int item, long long data);
    long long TreeItemData(int id, int item) const;  // 0 for a missing item
    bool ExpandTreeItem(int id, int item, bool expand);
    // Removes an item with its children; false when there is none.
    bool DeleteTreeItem(int id, int item);
    // The children of an item (0: the top level), in order.
    std::vector<int> TreeChildren(int id, int item) const;

    // Up-downs, progress bars, scroll bars.
    void SetRange(int id, int minimum, int maximum);
    // The step of a scroll bar's page up and page down.
    void SetPageStep(int id, int step);
    void SetPos(int id, int position);
    int Pos(int id) const;

    // Tab stops of a list box or multi-line edit, in dialog units from its left edge:
    // the texts' tab characters align there.
    void SetTabStops(int id, const std::vector<int>& stops);

    // A tool bar inside the dialog (at a rectangle in dialog units): buttons cut from a
    // strip of pictures, buttonSize each; a pressed button is a command of the dialog.
    bool AddToolBar(int id, const Image& strip, Size buttonSize, const std::vector<ToolButton>& buttons,
                    const Rect& where);
    void CheckToolButton(int barId, int command, bool checked);
    bool IsToolButtonChecked(int barId, int command) const;
    // Presses a button as the user would; false when the bar has no such button.
    bool PressDialogToolButton(int barId, int command);

    // A control's rectangle in the dialog's client coordinates (pixels); empty when the
    // dialog has no such control.
    Rect ItemRect(int id) const;
    // Moves and sizes a control (pixels, client coordinates).
    void MoveItem(int id, const Rect& r);

    // Converts a dialog-unit rectangle to pixels for this dialog's font.
    Rect MapDialogRect(const Rect& units) const;

protected:
    // Derived dialogs that lay themselves out (sheets) change their template before
    // they are created.
    DialogTemplate& MutableTemplate() { return template_; }

private:
    bool Build(Window* parent);
    void CreateControl(const ControlSpec& spec);
    void FocusFirstControl();
    DialogTemplate template_;
    bool running_ = false;
    bool ended_ = false;
    int result_ = 0;
};

}  // namespace platform
