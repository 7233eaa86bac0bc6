// Windows: the plain object, its native peer, the client widget with its backing
// image, and input injection into windows.

#include "platform/window.h"

#include <QCursor>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QIcon>
#include <QPixmap>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

#include "platform/accelerator.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "platform/qt/native.h"
#include "platform/qt/menus.h"

namespace platform {
namespace {

std::vector<Window*> createdWindows;
Window* captureWindow = nullptr;
const char* const kWindowProperty = "ob7window";

Qt::CursorShape QtCursor(Cursor c) {
    switch (c) {
    case Cursor::IBeam: return Qt::IBeamCursor;
    case Cursor::Wait: return Qt::WaitCursor;
    case Cursor::Cross: return Qt::CrossCursor;
    case Cursor::SizeAll: return Qt::SizeAllCursor;
    case Cursor::SizeWE: return Qt::SizeHorCursor;
    case Cursor::SizeNS: return Qt::SizeVerCursor;
    case Cursor::Hand: return Qt::PointingHandCursor;
    case Cursor::No: return Qt::ForbiddenCursor;
    case Cursor::Arrow: break;
    }
    return Qt::ArrowCursor;
}

int MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    int f = 0;
    if (buttons & Qt::LeftButton) f |= kLeftButton;
    if (buttons & Qt::RightButton) f |= kRightButton;
    if (buttons & Qt::MiddleButton) f |= kMiddleButton;
    if (mods & Qt::ShiftModifier) f |= kMouseShift;
    if (mods & Qt::ControlModifier) f |= kMouseCtrl;
    return f;
}

MouseAction ActionOf(QEvent::Type type, Qt::MouseButton button) {
    bool dbl = type == QEvent::MouseButtonDblClick;
    bool up = type == QEvent::MouseButtonRelease;
    switch (button) {
    case Qt::RightButton: return dbl ? MouseAction::RightDouble : up ? MouseAction::RightUp : MouseAction::RightDown;
    case Qt::MiddleButton: return up ? MouseAction::MiddleUp : MouseAction::MiddleDown;
    default: return dbl ? MouseAction::LeftDouble : up ? MouseAction::LeftUp : MouseAction::LeftDown;
    }
}

}  // namespace

// ---- conversions ---------------------------------------------------------------------

QColor ToQColor(Color c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
Color FromQColor(const QColor& c) { return Rgb(c.red(), c.green(), c.blue()); }
QString ToQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string FromQString(const QString& s) { return s.toStdString(); }

namespace {

Qt::MouseButtons QtButtons(int flags) {
    Qt::MouseButtons held;
    if (flags & kLeftButton) held |= Qt::LeftButton;
    if (flags & kRightButton) held |= Qt::RightButton;
    if (flags & kMiddleButton) held |= Qt::MiddleButton;
    return held;
}

Qt::KeyboardModifiers QtMouseModifiers(int flags) {
    Qt::KeyboardModifiers mods;
    if (flags & kMouseShift) mods |= Qt::ShiftModifier;
    if (flags & kMouseCtrl) mods |= Qt::ControlModifier;
    return mods;
}

}  // namespace

MouseEvent MouseEventFromQt(const QMouseEvent& e) {
    const MouseAction action = e.type() == QEvent::MouseMove ? MouseAction::Move : ActionOf(e.type(), e.button());
    return {action, FromQPoint(e.position().toPoint()), MouseFlags(e.buttons(), e.modifiers())};
}

void SendMouseTo(QWidget* target, MouseAction action, Point local, int flags) {
    if (!target) return;
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    switch (action) {
    case MouseAction::LeftDown: type = QEvent::MouseButtonPress; button = Qt::LeftButton; break;
    case MouseAction::LeftUp: type = QEvent::MouseButtonRelease; button = Qt::LeftButton; break;
    case MouseAction::LeftDouble: type = QEvent::MouseButtonDblClick; button = Qt::LeftButton; break;
    case MouseAction::RightDown: type = QEvent::MouseButtonPress; button = Qt::RightButton; break;
    case MouseAction::RightUp: type = QEvent::MouseButtonRelease; button = Qt::RightButton; break;
    case MouseAction::RightDouble: type = QEvent::MouseButtonDblClick; button = Qt::RightButton; break;
    case MouseAction::MiddleDown: type = QEvent::MouseButtonPress; button = Qt::MiddleButton; break;
    case MouseAction::MiddleUp: type = QEvent::MouseButtonRelease; button = Qt::MiddleButton; break;
    default: break;
    }
    Qt::MouseButtons held = QtButtons(flags);
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) held |= button;
    if (type == QEvent::MouseButtonRelease) held &= ~Qt::MouseButtons(button);
    QPointF at(local.x, local.y);
    QMouseEvent ev(type, at, target->mapToGlobal(at), button, held, QtMouseModifiers(flags));
    QCoreApplication::sendEvent(target, &ev);
}

namespace {
struct KeyPair { int qt; int vk; };
const KeyPair kKeys[] = {
    {Qt::Key_Backspace, key::kBack}, {Qt::Key_Tab, key::kTab}, {Qt::Key_Backtab, key::kTab},
    {Qt::Key_Return, key::kReturn}, {Qt::Key_Enter, key::kReturn}, {Qt::Key_Shift, key::kShift},
    {Qt::Key_Control, key::kControl}, {Qt::Key_Alt, key::kMenu}, {Qt::Key_Pause, key::kPause},
    {Qt::Key_Escape, key::kEscape}, {Qt::Key_Space, key::kSpace}, {Qt::Key_PageUp, key::kPrior},
    {Qt::Key_PageDown, key::kNext}, {Qt::Key_End, key::kEnd}, {Qt::Key_Home, key::kHome},
    {Qt::Key_Left, key::kLeft}, {Qt::Key_Up, key::kUp}, {Qt::Key_Right, key::kRight},
    {Qt::Key_Down, key::kDown}, {Qt::Key_Insert, key::kInsert}, {Qt::Key_Delete, key::kDelete},
};
}  // namespace

int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
    if ((qtKey >= 'A' && qtKey <= 'Z') || (qtKey >= '0' && qtKey <= '9')) return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return key::kF1 + (qtKey - Qt::Key_F1);
    if (modifiers & Qt::KeypadModifier) {
        if (qtKey == Qt::Key_Plus) return key::kAdd;
        if (qtKey == Qt::Key_Minus) return key::kSubtract;
    }
    for (const KeyPair& k : kKeys)
        if (k.qt == qtKey) return k.vk;
    return 0;
}

int QtKeyFromVirtual(int vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
    if (vk >= key::kF1 && vk < key::kF1 + 24) return Qt::Key_F1 + (vk - key::kF1);
    if (vk == key::kAdd) return Qt::Key_Plus;
    if (vk == key::kSubtract) return Qt::Key_Minus;
    for (const KeyPair& k : kKeys)
        if (k.vk == vk) return k.qt;
    return 0;
}

int ModifiersFromQt(Qt::KeyboardModifiers m) {
    return ((m & Qt::ShiftModifier) ? kShiftDown : 0) | ((m & Qt::ControlModifier) ? kCtrlDown : 0) |
           ((m & Qt::AltModifier) ? kAltDown : 0);
}

Qt::KeyboardModifiers QtModifiers(int m) {
    Qt::KeyboardModifiers q;
    if (m & kShiftDown) q |= Qt::ShiftModifier;
    if (m & kCtrlDown) q |= Qt::ControlModifier;
    if (m & kAltDown) q |= Qt::AltModifier;
    return q;
}

void RegisterWidget(QWidget* widget, Window* window) {
    widget->setProperty(kWindowProperty, QVariant::fromValue(reinterpret_cast<quintptr>(window)));
}

Window* WindowOfWidget(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        QVariant v = w->property(kWindowProperty);
        if (v.isValid()) return reinterpret_cast<Window*>(v.value<quintptr>());
    }
    return nullptr;
}

// ---- peer and client widget ----------------------------------------------------------

WindowPeer::~WindowPeer() {
    if (client) client->owner = nullptr;
    delete timers;  // its timers die with it
    if (widget) {
        RegisterWidget(widget, nullptr);
        widget->hide();
        widget->deleteLater();  // the peer may go away inside one of its own events
    }
}

ClientWidget::ClientWidget(Window& w, QWidget* parent) : QWidget(parent), owner(&w) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void ClientWidget::EnsureBacking() {
    QSize want = size().expandedTo(QSize(1, 1));
    if (backing.size() == want) return;
    QImage fresh(want, QImage::Format_RGB32);
    fresh.fill(Qt::white);
    if (!backing.isNull()) {
        QPainter p(&fresh);
        p.drawImage(0, 0, backing);
    }
    backing = fresh;
    InvalidateAll();
}

void ClientWidget::PaintBacking() {
    EnsureBacking();
    QRegion region = invalid;
    invalid = QRegion();
    if (!owner || region.isEmpty()) return;
    auto impl = std::make_unique<DrawContextImpl>();
    impl->Begin(&backing, DeviceKind::Display);
    impl->P().setClipRegion(region);
    painting = impl.get();
    DrawContext dc(std::move(impl));
    owner->OnEraseBackground(dc);
    if (owner) owner->OnPaint(dc);
    painting = nullptr;
}

bool ClientWidget::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && owner) {
        auto* help = static_cast<QHelpEvent*>(e);
        std::string tip = owner->OnToolTip(FromQPoint(help->pos()));
        if (tip.empty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), ToQString(tip), this);
        return true;
    }
    return QWidget::event(e);
}

void ClientWidget::paintEvent(QPaintEvent*) {
    EnsureBacking();
    PaintBacking();
    QPainter p(this);
    p.drawImage(0, 0, backing);
    if (caretShown && !caretSize.isEmpty()) {
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        p.fillRect(QRect(caretPos, caretSize), Qt::black);
    }
}

void ClientWidget::resizeEvent(QResizeEvent*) {
    EnsureBacking();
    InvalidateAll();
    if (!owner) return;
    owner->OnSize(width(), height());
    if (auto* frame = dynamic_cast<MdiChildFrame*>(owner)) frame->RecalcLayout();
}

void ClientWidget::mousePressEvent(QMouseEvent* e) {
    if (!owner) return;
    owner->OnMouse(MouseEventFromQt(*e));
}

void ClientWidget::mouseReleaseEvent(QMouseEvent* e) { mousePressEvent(e); }
void ClientWidget::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void ClientWidget::mouseMoveEvent(QMouseEvent* e) {
    if (!owner) return;
    owner->OnMouse(MouseEventFromQt(*e));
}

void ClientWidget::wheelEvent(QWheelEvent* e) {
    if (!owner) return;
    owner->OnMouse({MouseAction::Wheel, FromQPoint(e->position().toPoint()), MouseFlags(e->buttons(), e->modifiers()),
                    e->angleDelta().y()});
}

void ClientWidget::keyPressEvent(QKeyEvent* e) {
    if (!owner) return;
    Window* w = owner;
    KeyEvent ev{VirtualKeyFromQt(e->key(), e->modifiers()), ModifiersFromQt(e->modifiers()), e->isAutoRepeat()};
    if (ev.key) w->OnKeyDown(ev);
    if (!owner) return;
    for (char32_t ch : e->text().toUcs4())
        if (ch >= 32 || ch == '\r' || ch == '\b' || ch == '\t' || ch == 27) w->OnChar(ch);
}

void ClientWidget::keyReleaseEvent(QKeyEvent* e) {
    if (!owner) return;
    KeyEvent ev{VirtualKeyFromQt(e->key(), e->modifiers()), ModifiersFromQt(e->modifiers()), e->isAutoRepeat()};
    if (ev.key) owner->OnKeyUp(ev);
}

void ClientWidget::focusInEvent(QFocusEvent*) { if (owner) owner->OnSetFocus(); }
void ClientWidget::focusOutEvent(QFocusEvent*) { if (owner) owner->OnKillFocus(); }

void TimerHost::timerEvent(QTimerEvent* e) {
    if (!owner_) return;
    for (const auto& [id, qtId] : ids) {
        if (qtId == e->timerId()) {
            owner_->OnTimer(id);
            return;
        }
    }
}

void ClientWidget::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (owner) owner->OnClose();
}

void ClientWidget::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void ClientWidget::dropEvent(QDropEvent* e) { DeliverDrop(owner, e->mimeData()->urls()); }

void DeliverDrop(Window* window, const QList<QUrl>& urls) {
    std::vector<std::string> paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile()) paths.push_back(FromQString(url.toLocalFile()));
    if (window && !paths.empty()) window->OnDropFiles(paths);
}

QWidget* DropTarget(const Window& window) {
    WindowPeer* peer = window.Peer();
    if (!peer) return nullptr;
    return peer->client ? static_cast<QWidget*>(peer->client) : peer->widget.data();
}

// ---- Window --------------------------------------------------------------------------

Window::Window() = default;

Window::~Window() { Destroy(); }

bool Window::Create(Window* parent, const Rect& rect, int style, int id) {
    if (peer_) return false;
    auto* peer = new WindowPeer;
    QWidget* parentWidget = parent && parent->peer_ ? parent->peer_->ChildParent() : nullptr;
    if (style & (kHScroll | kVScroll)) {
        auto* box = new QWidget(parentWidget);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setSpacing(0);
        peer->client = new ClientWidget(*this, box);
        grid->addWidget(peer->client, 0, 0);
        for (int b = 0; b < 2; ++b) {
            if (!(style & (b == 0 ? kHScroll : kVScroll))) continue;
            auto* bar = new QScrollBar(b == 0 ? Qt::Horizontal : Qt::Vertical, box);
            bar->setFocusPolicy(Qt::NoFocus);
            peer->scroll[b] = bar;
            grid->addWidget(bar, b == 0 ? 1 : 0, b == 0 ? 0 : 1);
            auto kind = b == 0 ? ScrollBarKind::Horizontal : ScrollBarKind::Vertical;
            QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [this, bar, kind](int action) {
                ScrollCode code = ScrollCode::Position;
                switch (action) {
                case QAbstractSlider::SliderSingleStepAdd: code = ScrollCode::LineDown; break;
                case QAbstractSlider::SliderSingleStepSub: code = ScrollCode::LineUp; break;
                case QAbstractSlider::SliderPageStepAdd: code = ScrollCode::PageDown; break;
                case QAbstractSlider::SliderPageStepSub: code = ScrollCode::PageUp; break;
                case QAbstractSlider::SliderToMinimum: code = ScrollCode::Top; break;
                case QAbstractSlider::SliderToMaximum: code = ScrollCode::Bottom; break;
                case QAbstractSlider::SliderMove: code = ScrollCode::Track; break;
                default: break;
                }
                OnScroll(kind, code, bar->sliderPosition());
            });
        }
        peer->widget = box;
    } else {
        peer->client = new ClientWidget(*this, parentWidget);
        peer->widget = peer->client;
    }
    peer->widget->setGeometry(ToQRect(rect));
    AttachPeer(peer, parent, id);
    OnCreate();
    if (peer_ && (style & kVisible)) peer_->widget->show();
    return peer_ != nullptr;
}

void Window::AttachPeer(WindowPeer* peer, Window* parent, int id) {
    peer->owner = this;
    peer_ = peer;
    parent_ = parent;
    id_ = id;
    RegisterWidget(peer->widget, this);
    if (!text_.empty()) peer->widget->setWindowTitle(ToQString(text_));
    createdWindows.push_back(this);
}

void Window::Destroy() {
    if (!peer_) return;
    // Children go first, as their native windows would.
    std::vector<Window*> children;
    for (Window* w : createdWindows)
        if (w->parent_ == this) children.push_back(w);
    for (Window* child : children) child->Destroy();
    OnDestroy();
    if (captureWindow == this) ReleaseCapture();
    createdWindows.erase(std::remove(createdWindows.begin(), createdWindows.end(), this), createdWindows.end());
    WindowPeer* peer = peer_;
    peer_ = nullptr;
    delete peer;
}

QWidget* WindowPeer::ChildParent() const {
    if (client) return client;
    return widget;
}

void Window::SetText(const std::string& text) {
    text_ = text;
    if (peer_ && peer_->widget) peer_->widget->setWindowTitle(ToQString(text));
}

void Window::SetIcon(const Image& icon) {
    if (!peer_ || !peer_->widget) return;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    if (!icon.IsNull()) pixmap = QPixmap::fromImage(icon.Data().image);
    peer_->widget->setWindowIcon(QIcon(pixmap));
}

Rect Window::ClientRect() const {
    if (!peer_) return {};
    QWidget* w = peer_->client ? static_cast<QWidget*>(peer_->client) : peer_->widget.data();
    return w ? Rect{0, 0, w->width(), w->height()} : Rect{};
}

Rect Window::WindowRect() const { return peer_ && peer_->widget ? FromQRect(peer_->widget->geometry()) : Rect{}; }

void Window::Move(const Rect& rect) {
    if (peer_ && peer_->widget) peer_->widget->setGeometry(ToQRect(rect));
}

Point Window::ClientToScreen(Point p) const {
    if (!peer_) return p;
    QWidget* w = peer_->client ? static_cast<QWidget*>(peer_->client) : peer_->widget.data();
    return w ? FromQPoint(w->mapToGlobal(ToQPoint(p))) : p;
}

void Window::Show(bool visible) {
    if (peer_ && peer_->widget) peer_->widget->setVisible(visible);
}

bool Window::IsVisible() const { return peer_ && peer_->widget && peer_->widget->isVisible(); }

void Window::Enable(bool enabled) {
    if (peer_ && peer_->widget) peer_->widget->setEnabled(enabled);
}

bool Window::IsEnabled() const { return peer_ && peer_->widget && peer_->widget->isEnabled(); }

void Window::Invalidate() {
    if (!peer_ || !peer_->client) return;
    peer_->client->InvalidateAll();
    peer_->client->update();
}

void Window::Invalidate(const Rect& area) {
    if (!peer_ || !peer_->client) return;
    peer_->client->invalid += ToQRect(area).intersected(peer_->client->rect());
    peer_->client->update();
}

void Window::Update() {
    if (!peer_ || !peer_->client) return;
    peer_->client->PaintBacking();
    peer_->client->update();
}

void Window::ScrollClient(int dx, int dy, const Rect& area) {
    if (!peer_ || !peer_->client) return;
    ClientWidget* c = peer_->client;
    c->EnsureBacking();
    QRect box = (area.IsEmpty() ? c->rect() : ToQRect(area)).intersected(c->rect());
    QImage part = c->backing.copy(box);
    {
        QPainter p(&c->backing);
        p.setClipRect(box);
        p.drawImage(box.topLeft() + QPoint(dx, dy), part);
    }
    // What was to be repainted moves along; what the move uncovered is repainted.
    QRegion inside = c->invalid.intersected(box);
    c->invalid = c->invalid.subtracted(box).united(inside.translated(dx, dy).intersected(box));
    c->invalid += QRegion(box).subtracted(QRegion(box.translated(dx, dy)));
    c->update();
}

void Window::SetRedraw(bool on) {
    if (peer_ && peer_->widget) peer_->widget->setUpdatesEnabled(on);
}

std::unique_ptr<DrawContext> Window::GetDC() {
    if (!peer_ || !peer_->client) return nullptr;
    ClientWidget* client = peer_->client;
    client->EnsureBacking();
    auto impl = std::make_unique<DrawContextImpl>();
    if (client->painting) impl->BeginBorrowed(*client->painting);
    else impl->Begin(&client->backing, DeviceKind::Display);
    QPointer<ClientWidget> guard(client);
    impl->onEnd = [guard] { if (guard) guard->update(); };
    return std::make_unique<DrawContext>(std::move(impl));
}

Image Window::Grab() const {
    Image out;
    if (!peer_ || !peer_->widget) return out;
    if (peer_->client) peer_->client->PaintBacking();
    out.Data().image = peer_->widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return out;
}

bool Window::SetTimer(int id, int milliseconds) {
    if (!peer_ || !peer_->widget) return false;
    KillTimer(id);
    if (!peer_->timers) peer_->timers = new TimerHost(*this);
    int qtId = peer_->timers->startTimer(std::max(milliseconds, 1));
    if (qtId == 0) return false;
    peer_->timers->ids[id] = qtId;
    return true;
}

void Window::KillTimer(int id) {
    if (!peer_ || !peer_->timers) return;
    auto it = peer_->timers->ids.find(id);
    if (it == peer_->timers->ids.end()) return;
    peer_->timers->killTimer(it->second);
    peer_->timers->ids.erase(it);
}

void Window::SetCapture() {
    if (!peer_ || !peer_->client) return;
    if (captureWindow && captureWindow != this) ReleaseCapture();
    captureWindow = this;
    if (peer_->client->isVisible()) peer_->client->grabMouse();
}

void Window::ReleaseCapture() {
    if (!captureWindow) return;
    if (captureWindow->peer_ && captureWindow->peer_->client) captureWindow->peer_->client->releaseMouse();
    captureWindow = nullptr;
}

Window* Window::CaptureWindow() { return captureWindow; }

void Window::SetFocus() {
    if (!peer_) return;
    QWidget* w = peer_->client ? static_cast<QWidget*>(peer_->client) : peer_->widget.data();
    if (!w) return;
    if (QWidget* top = w->window(); top && top->isVisible()) QApplication::setActiveWindow(top);
    w->setFocus(Qt::OtherFocusReason);
}

bool Window::HasFocus() const { return FocusWindow() == this; }

Window* Window::FocusWindow() { return WindowOfWidget(QApplication::focusWidget()); }

std::vector<Window*> Window::ChildWindows() const {
    std::vector<Window*> windows;
    if (!peer_ || !peer_->widget) return windows;
    for (QWidget* w : peer_->widget->findChildren<QWidget*>()) {
        QVariant v = w->property(kWindowProperty);
        auto* window = v.isValid() ? reinterpret_cast<Window*>(v.value<quintptr>()) : nullptr;
        if (window && window != this && std::find(windows.begin(), windows.end(), window) == windows.end())
            windows.push_back(window);
    }
    return windows;
}

void Window::SetCursor(Cursor cursor) {
    if (peer_ && peer_->client) peer_->client->setCursor(QtCursor(cursor));
}

void Window::SetCursorImage(const Image& picture, Point hotSpot) {
    if (!peer_ || !peer_->client || picture.IsNull()) return;
    peer_->client->setCursor(QCursor(QPixmap::fromImage(picture.Data().image), hotSpot.x, hotSpot.y));
}

Point Window::CursorPos() { return FromQPoint(QCursor::pos()); }

void Window::SetCursorPos(Point screen) { QCursor::setPos(ToQPoint(screen)); }

void Window::CreateCaret(Size size) {
    if (!peer_ || !peer_->client) return;
    peer_->client->caretSize = QSize(size.cx, size.cy);
    peer_->client->update();
}

void Window::SetCaretPos(Point p) {
    if (!peer_ || !peer_->client) return;
    peer_->client->caretPos = ToQPoint(p);
    peer_->client->update();
}

void Window::ShowCaret(bool shown) {
    if (!peer_ || !peer_->client) return;
    peer_->client->caretShown = shown;
    peer_->client->update();
}

void Window::DestroyCaret() {
    if (!peer_ || !peer_->client) return;
    peer_->client->caretSize = QSize();
    peer_->client->caretShown = false;
    peer_->client->update();
}

void Window::SetScrollRange(ScrollBarKind bar, int minimum, int maximum, int page) {
    if (!peer_) return;
    QScrollBar* sb = peer_->scroll[bar == ScrollBarKind::Horizontal ? 0 : 1];
    if (!sb) return;
    page = std::max(page, 0);
    sb->setRange(minimum, std::max(minimum, page > 0 ? maximum - page + 1 : maximum));
    sb->setPageStep(std::max(page, 1));
}

void Window::SetScrollPos(ScrollBarKind bar, int position) {
    if (!peer_) return;
    if (QScrollBar* sb = peer_->scroll[bar == ScrollBarKind::Horizontal ? 0 : 1]) sb->setValue(position);
}

int Window::ScrollPos(ScrollBarKind bar) const {
    if (!peer_) return 0;
    QScrollBar* sb = peer_->scroll[bar == ScrollBarKind::Horizontal ? 0 : 1];
    return sb ? sb->value() : 0;
}

void Window::AcceptFiles(bool accept) {
    if (QWidget* target = DropTarget(*this)) target->setAcceptDrops(accept);
}

bool Window::PreTranslateKey(const KeyEvent& event) {
    if (!accelerators_) return false;
    int command = accelerators_->Translate(event);
    if (command == 0) return false;
    ExecuteCommand(command);
    return true;  // a translated key is eaten even when its command is disabled
}

void Window::OnEraseBackground(DrawContext& dc) {
    Rect r = ClientRect();
    dc.FillRect(r, Brush::Solid(Rgb(255, 255, 255)));
}

int Window::TrackPopupMenu(Menu& menu, Point screen) {
    UpdateMenuModel(*this, menu);
    int answer = 0;
    if (backend::TakePopupMenuAnswer(answer)) return answer;
    if (!peer_ || !peer_->widget) return 0;
    QMenu native(peer_->widget);
    int chosen = 0;
    FillNativeMenu(native, menu, *this, [&chosen](int id) { chosen = id; }, nullptr);
    backend::EnterModal();
    native.exec(ToQPoint(screen));
    backend::LeaveModal();
    return chosen;
}

// ---- injected input ------------------------------------------------------------------

namespace {

QWidget* InputTarget(Window& window) {
    WindowPeer* peer = window.Peer();
    if (!peer) return nullptr;
    if (peer->client) return peer->client;
    if (!peer->widget) return nullptr;
    QWidget* focus = peer->widget->focusWidget();
    return focus ? focus : peer->widget.data();
}

QString KeyText(int key, int modifiers) {
    if (modifiers & (kCtrlDown | kAltDown)) return {};
    if (key >= 'A' && key <= 'Z') return QString(QChar((modifiers & kShiftDown) ? key : key + 32));
    if ((key >= '0' && key <= '9') || key == key::kSpace) return QString(QChar(key));
    if (key == key::kReturn) return QStringLiteral("\r");
    if (key == key::kEscape) return QString(QChar(27));
    // As a keyboard gives them: Backspace and Tab carry their control characters.
    if (key == key::kBack) return QString(QChar(8));
    if (key == key::kTab) return QString(QChar(9));
    return {};
}

}  // namespace

void SendKeyTo(QWidget* target, int qtKey, Qt::KeyboardModifiers mods, const QString& text) {
    if (!target) return;
    QKeyEvent down(QEvent::KeyPress, qtKey, mods, text);
    QCoreApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, qtKey, mods, text);
    QCoreApplication::sendEvent(target, &up);
}

void SendTextTo(QWidget* target, const std::string& text) {
    for (QChar ch : ToQString(text)) {
        int qtKey = ch.isLetter() ? ch.toUpper().unicode() : ch.unicode();
        SendKeyTo(target, qtKey, ch.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(ch));
    }
}

namespace automation {

void SendMouse(Window& window, MouseAction action, Point client, int flags, int wheelDelta) {
    QWidget* target = InputTarget(window);
    if (!target) return;
    if (action != MouseAction::Wheel) {
        SendMouseTo(target, action, client, flags);
        return;
    }
    QPointF local(client.x, client.y);
    QWheelEvent ev(local, target->mapToGlobal(local), QPoint(), QPoint(0, wheelDelta), QtButtons(flags),
                   QtMouseModifiers(flags), Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &ev);
}

void SendKey(Window& window, int key, int modifiers) {
    Qt::KeyboardModifiers mods = QtModifiers(modifiers);
    if (key == key::kAdd || key == key::kSubtract) mods |= Qt::KeypadModifier;
    SendKeyTo(InputTarget(window), QtKeyFromVirtual(key), mods, KeyText(key, modifiers));
}

void SendText(Window& window, const std::string& text) { SendTextTo(InputTarget(window), text); }

void DropFiles(Window& window, const std::vector<std::string>& paths) {
    QWidget* target = DropTarget(window);
    if (!target || !target->acceptDrops()) return;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(ToQString(path));
    DeliverDrop(&window, urls);
}

void SendScroll(Window& window, ScrollBarKind bar, ScrollCode code) {
    WindowPeer* peer = window.Peer();
    QScrollBar* sb = peer ? peer->scroll[bar == ScrollBarKind::Horizontal ? 0 : 1] : nullptr;
    if (!sb && peer) sb = qobject_cast<QScrollBar*>(peer->widget.data());  // a scroll-bar window
    if (!sb) return;
    switch (code) {
    case ScrollCode::LineUp: sb->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case ScrollCode::LineDown: sb->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case ScrollCode::PageUp: sb->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case ScrollCode::PageDown: sb->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case ScrollCode::Top: sb->triggerAction(QAbstractSlider::SliderToMinimum); break;
    case ScrollCode::Bottom: sb->triggerAction(QAbstractSlider::SliderToMaximum); break;
    default: sb->triggerAction(QAbstractSlider::SliderMove); break;
    }
}

void PostKey(Window& window, int key, int modifiers) {
    QWidget* target = InputTarget(window);
    if (!target) return;
    Qt::KeyboardModifiers mods = QtModifiers(modifiers);
    int qtKey = QtKeyFromVirtual(key);
    QString text = KeyText(key, modifiers);
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, qtKey, mods, text));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, qtKey, mods, text));
}

}  // namespace automation
}  // namespace platform
