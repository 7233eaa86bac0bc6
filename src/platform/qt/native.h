#pragma once
// Shared pieces of the Qt backend: the native peer of a window and conversions between
// our values and Qt's. Only files in this folder include it.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <map>
#include <vector>

#include "platform/draw_context.h"
#include "platform/image.h"
#include "platform/input.h"
#include "platform/picture.h"
#include "platform/window.h"

class QMouseEvent;
class QScrollBar;

namespace platform {

struct ImageData {
    QImage image;
};

struct PictureData {
    QPicture picture;
};

struct Region::Data {
    QRegion region;
};

class ClientWidget;

// Receives the timers of one window, whatever kind of widget the window has.
class TimerHost final : public QObject {
public:
    explicit TimerHost(Window& owner) : owner_(&owner) {}
    void Detach() { owner_ = nullptr; }
    std::map<int, int> ids;  // our id -> Qt timer id

protected:
    void timerEvent(QTimerEvent* e) override;

private:
    Window* owner_;
};

// The native side of a created window: its outermost widget (what moves and shows)
// and the client widget that holds the backing image and receives input.
struct WindowPeer {
    Window* owner = nullptr;
    QPointer<QWidget> widget;
    ClientWidget* client = nullptr;
    QScrollBar* scroll[2] = {nullptr, nullptr};
    TimerHost* timers = nullptr;  // made with the first timer
    QRect normalGeometry;         // of MDI children, while maximised or minimised

    virtual ~WindowPeer();
    QWidget* ChildParent() const;  // where child windows go
};

// The client area of a window: backing image, paint, input, caret, drops.
class ClientWidget : public QWidget {
public:
    ClientWidget(Window& owner, QWidget* parent);

    Window* owner;  // null once the window is destroyed
    QImage backing;
    QRegion invalid;  // what the paint handler must draw again
    DrawContextImpl* painting = nullptr;  // while the paint handler runs
    QSize caretSize;
    QPoint caretPos;
    bool caretShown = false;

    void EnsureBacking();  // the backing image has the widget's size
    void InvalidateAll() { invalid = QRegion(rect()); }
    void PaintBacking();   // runs erase + paint handlers over the invalid region

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void keyReleaseEvent(QKeyEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dropEvent(QDropEvent*) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab is a key here
};

struct DrawContextImpl {
    DeviceKind kind = DeviceKind::Memory;
    QPaintDevice* device = nullptr;
    QImage* image = nullptr;  // when the device is an image (pixel reads)
    QPainter own;
    QPainter* borrowed = nullptr;  // another context's, while that one paints the device
    QPainter& P() { return borrowed ? *borrowed : own; }
    Pen pen;
    Brush brush;
    Font font;
    Color textColor = 0;
    Color bkColor = Rgb(255, 255, 255);
    bool bkOpaque = true;
    int textAlign = 0;
    RasterOp rop = RasterOp::Copy;
    bool smooth = false;
    std::vector<Color> palette;
    QPoint windowOrg, viewportOrg;
    QSize windowExt{1, 1}, viewportExt{1, 1};
    QPoint position;
    int dpiX = 96, dpiY = 96;
    bool monochrome = false;  // a black-and-white printer
    std::function<void()> onEnd;  // a window's refresh after drawing outside paint

    struct Saved {
        Pen pen; Brush brush; Font font; Color textColor, bkColor; bool bkOpaque; int textAlign;
        RasterOp rop; QPoint windowOrg, viewportOrg; QSize windowExt, viewportExt;
    };
    std::vector<Saved> saved;

    // Starts painting on a device.
    bool Begin(QPaintDevice* target, DeviceKind deviceKind);
    // Draws through the painter of a context already painting the same device (a
    // device takes one painter at a time); its state comes back afterwards.
    void BeginBorrowed(DrawContextImpl& active);
    ~DrawContextImpl();
};

// Conversions.
QColor ToQColor(Color c);
Color FromQColor(const QColor& c);
inline QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
inline Rect FromQRect(const QRect& r) { return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
inline QPoint ToQPoint(Point p) { return QPoint(p.x, p.y); }
inline Point FromQPoint(const QPoint& p) { return Point{p.x(), p.y()}; }
QString ToQString(const std::string& s);
std::string FromQString(const QString& s);
QFont ToQFont(const Font& font);

// Keys: Qt key + modifiers <-> virtual-key code + Modifier bits.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
int QtKeyFromVirtual(int key);
int ModifiersFromQt(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers QtModifiers(int modifiers);

// Mouse events: Qt's as ours, and one sent to a widget now as the user's (the flags
// are the buttons held and the keys).
MouseEvent MouseEventFromQt(const QMouseEvent& e);
void SendMouseTo(QWidget* target, MouseAction action, Point local, int flags);

// Files dropped on a window: the local paths reach its OnDropFiles.
void DeliverDrop(Window* window, const QList<QUrl>& urls);
// The widget that takes drops for a window: its client area, else its outer widget.
QWidget* DropTarget(const Window& window);

// The window a widget belongs to (itself or its nearest ancestor with a window).
Window* WindowOfWidget(QWidget* widget);
void RegisterWidget(QWidget* widget, Window* window);

// Key presses and typed text sent to a widget now.
void SendKeyTo(QWidget* target, int qtKey, Qt::KeyboardModifiers mods, const QString& text);
void SendTextTo(QWidget* target, const std::string& text);

// Application hooks used by the other parts of the backend.
namespace backend {
// True when the key press was taken by pre-translation or by PollKey.
bool PreTranslate(QWidget* target, const KeyEvent& event);
void EnterModal();
void LeaveModal();
// Scripted answers, consumed in order; false when none of the kind is queued.
bool TakeModalScript(std::function<int(class Dialog&)>& script);
bool TakeMessageBoxAnswer(const std::string& text, int& button);
bool TakePopupMenuAnswer(int& command);
bool TakeFileDialogAnswer(std::vector<std::string>& paths, int& filterIndex);
bool TakePrintDialogAnswer(std::function<bool(struct PrintSettings&)>& answer);
bool TakeColorDialogAnswer(std::function<bool(Color&)>& answer);
bool TakeFontDialogAnswer(std::function<bool(Font&)>& answer);
}  // namespace backend

}  // namespace platform
