#pragma once
// Driving the user interface from code: the demo player's input and the tests'. Input
// is injected into a window or a dialog control as if the user gave it; modal
// dialogs, message boxes, context menus and common dialogs take scripted answers, in
// the order queued, in place of the user.

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/geometry.h"
#include "platform/input.h"
#include "platform/window.h"

namespace platform {

class Dialog;
class FrameWindow;
struct Font;
struct PrintSettings;
struct FileDialogOptions;

namespace automation {

// Input, dispatched now through key pre-translation and the window's handlers.
void SendMouse(Window& window, MouseAction action, Point client, int flags = 0, int wheelDelta = 0);
void SendKey(Window& window, int key, int modifiers = 0);  // down, character, up
void SendText(Window& window, const std::string& text);
// Files dropped on the window, as from a file manager (only when it accepts files).
void DropFiles(Window& window, const std::vector<std::string>& paths);
// A request on one of the window's own scroll bars (or on a scroll-bar window), as a
// click on it would make.
void SendScroll(Window& window, ScrollBarKind bar, ScrollCode code);
// The same, queued: delivered by the next pump (or taken by PollKey).
void PostKey(Window& window, int key, int modifiers = 0);

// Input into a dialog control by id (keys to an edit, a click on a button).
void SendKeyToItem(Dialog& dialog, int id, int key, int modifiers = 0);
void SendTextToItem(Dialog& dialog, int id, const std::string& text);
void ClickItem(Dialog& dialog, int id);
// The mouse coming to rest over a dialog control, and a right click on it.
void HoverItem(Dialog& dialog, int id);
void RightClickItem(Dialog& dialog, int id);
// A mouse button pressed or released, or the mouse moved, over a dialog control at a
// point in the control's pixels; flags are the buttons held and the keys (MouseFlag).
void SendMouseToItem(Dialog& dialog, int id, MouseAction action, Point at, int flags = 0);
// The pointer coming onto a frame's status bar.
void HoverStatusBar(FrameWindow& frame);
// The user changing a system colour (desktop settings): the dialogs on screen hear of
// it through OnSysColorChange.
void SetSystemColor(desktop::SystemColor which, Color color);
// The pointer moving over a list bar: onto an item of its list box (item >= 0), onto its
// drop-down list (-1), or onto the bar outside both (-2).
void HoverListBar(FrameWindow& frame, int id, int item);

// Scripted answers. A modal dialog's script runs inside its modal loop once the dialog
// is initialised; when the script has not ended the dialog, its return value does.
void QueueModalScript(std::function<int(Dialog&)> script);
// The next message box returns this button id; its text is kept for MessageBoxTexts.
void QueueMessageBoxAnswer(int button);
const std::vector<std::string>& MessageBoxTexts();
// The next context menu returns this command (0: dismissed).
void QueuePopupMenuAnswer(int command);
// The next open or save dialog returns these paths (empty: cancelled); with a filter
// index the user first picks that file type (the dialog moves to its folder).
void QueueFileDialogAnswer(std::vector<std::string> paths, int filterIndex = -1);
// The options of the last open or save dialog run (title, filters, folder, name), as
// the user saw them.
const FileDialogOptions& LastFileDialogOptions();
// The next print or set-up dialog, colour dialog and font dialog: the function edits
// the value as the user would and returns true for OK.
void QueuePrintDialogAnswer(std::function<bool(PrintSettings&)> answer);
void QueueColorDialogAnswer(std::function<bool(Color&)> answer);
void QueueFontDialogAnswer(std::function<bool(Font&)> answer);
// Scripts and answers not yet used.
int PendingAnswers();
void ClearAnswers();

}  // namespace automation
}  // namespace platform
