#pragma once
// A window is a plain C++ object first: it holds its text, id, rectangle, command map
// and handlers, and gets a native peer only when Create puts it on screen. Hidden
// documents, batch runs and the engine never create one and need no display.
//
// A created window keeps a backing image of its client area. Paint handlers draw into
// it, and GetDC draws into it at any other time (rubber bands, cross-hairs, curves
// drawn point by point); the screen shows the image on its next refresh.

#include <memory>
#include <string>
#include <vector>

#include "platform/command.h"
#include "platform/geometry.h"
#include "platform/input.h"

namespace platform {

class AcceleratorTable;
class DrawContext;
class Image;
class Menu;
struct WindowPeer;

enum class Cursor { Arrow, IBeam, Wait, Cross, SizeAll, SizeWE, SizeNS, Hand, No };

enum class ScrollBarKind { Horizontal, Vertical };
// Scroll requests, as a scroll bar reports them.
enum class ScrollCode { LineUp, LineDown, PageUp, PageDown, Track, Position, Top, Bottom, End };

// Window style bits used at creation.
enum WindowStyle : int {
    kVisible = 0x1,
    kBorder = 0x2,
    kHScroll = 0x4,
    kVScroll = 0x8,
};

class Window : public CommandTarget {
public:
    Window();
    // Destroys the native window; a derived window whose OnDestroy must run calls
    // Destroy in its own destructor.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Puts the window on screen as a child of parent (or top level without one).
    // False when it is already created or the native window cannot be made.
    bool Create(Window* parent, const Rect& rect, int style = kVisible, int id = 0);
    void Destroy();  // runs OnDestroy and removes the native peer; the object stays
    bool IsCreated() const { return peer_ != nullptr; }

    Window* Parent() const { return parent_; }
    int Id() const { return id_; }
    void SetId(int id) { id_ = id; }

    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }
    // The icon of the window's title bar (frames); a null image shows none.
    void SetIcon(const Image& icon);

    Rect ClientRect() const;   // (0, 0, width, height); empty without a native window
    Rect WindowRect() const;   // in the parent's client coordinates
    void Move(const Rect& rect);
    Point ClientToScreen(Point p) const;
    void Show(bool visible);
    bool IsVisible() const;
    void Enable(bool enabled);
    bool IsEnabled() const;

    // Repainting: Invalidate marks the client area (or a part of it) for the paint
    // handler, which runs on the next refresh, clipped to what was marked; Update runs
    // it now when something is marked.
    void Invalidate();
    void Invalidate(const Rect& area);
    void Update();
    // Moves the picture inside area (the whole client area when empty) by dx, dy and
    // marks what the move uncovered.
    void ScrollClient(int dx, int dy, const Rect& area = {});
    // While redraw is off, the screen keeps its picture (many changes, one repaint).
    void SetRedraw(bool on);
    // A context on the backing image for drawing outside paint; null when not created.
    std::unique_ptr<DrawContext> GetDC();
    // The window as shown, native children included.
    Image Grab() const;

    // Timers fire OnTimer with their id until killed; false without a native window.
    bool SetTimer(int id, int milliseconds);
    void KillTimer(int id);

    void SetCapture();
    static void ReleaseCapture();
    static Window* CaptureWindow();
    void SetFocus();
    bool HasFocus() const;
    static Window* FocusWindow();
    // The program's windows inside this one (child dialogs, views), at any depth.
    std::vector<Window*> ChildWindows() const;
    void SetCursor(Cursor cursor);
    // A cursor of the program's own (mode cursors): the picture with its hot spot.
    void SetCursorImage(const Image& picture, Point hotSpot);
    // The mouse pointer's place on the screen, and moving it there (cross-hairs that
    // snap to the grid).
    static Point CursorPos();
    static void SetCursorPos(Point screen);

    // A text caret drawn inverted over the client area at a client point.
    void CreateCaret(Size size);
    void SetCaretPos(Point p);
    void ShowCaret(bool shown);
    void DestroyCaret();

    // The window's own scroll bars (style kHScroll / kVScroll); 32-bit ranges.
    void SetScrollRange(ScrollBarKind bar, int minimum, int maximum, int page);
    void SetScrollPos(ScrollBarKind bar, int position);
    int ScrollPos(ScrollBarKind bar) const;

    void SetAccelerators(const AcceleratorTable* table) { accelerators_ = table; }
    const AcceleratorTable* Accelerators() const { return accelerators_; }

    // Files dropped on the window reach OnDropFiles.
    void AcceptFiles(bool accept);

    // Asks the window to close as its close box would: OnClose decides.
    void Close() { OnClose(); }

    // Shows a context menu at a screen point; the update handlers along this window's
    // command chain set the items first. Returns the chosen command (0 when dismissed);
    // it is not dispatched.
    int TrackPopupMenu(Menu& menu, Point screen);

    // Key pre-translation, from the window under input up to its top-level window:
    // the window's accelerator table turns the key into a command of this window.
    virtual bool PreTranslateKey(const KeyEvent& event);

    // Handlers of the messages; the backends call them. Defaults do nothing, except
    // that OnEraseBackground fills the client area white and OnClose destroys.
    virtual void OnCreate() {}
    virtual void OnDestroy() {}
    virtual void OnClose() { Destroy(); }
    virtual void OnSize(int width, int height) {}
    virtual void OnEraseBackground(DrawContext& dc);
    virtual void OnPaint(DrawContext& dc) {}
    virtual void OnMouse(const MouseEvent& event) {}
    virtual void OnKeyDown(const KeyEvent& event) {}
    virtual void OnKeyUp(const KeyEvent& event) {}
    virtual void OnChar(char32_t ch) {}
    virtual void OnTimer(int id) {}
    virtual void OnSetFocus() {}
    virtual void OnKillFocus() {}
    virtual void OnScroll(ScrollBarKind bar, ScrollCode code, int position) {}
    virtual void OnDropFiles(const std::vector<std::string>& paths) {}
    // The tool tip to show for a client point where the mouse rests; empty shows none.
    virtual std::string OnToolTip(Point p) { return {}; }

    WindowPeer* Peer() const { return peer_; }

protected:
    // Backends of derived kinds (frames, dialogs) install their own peer.
    void AttachPeer(WindowPeer* peer, Window* parent, int id);
    friend struct WindowPeer;

private:
    WindowPeer* peer_ = nullptr;
    Window* parent_ = nullptr;
    int id_ = 0;
    std::string text_;
    const AcceleratorTable* accelerators_ = nullptr;
};

}  // namespace platform
