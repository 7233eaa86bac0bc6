// Tool bars inside windows: a plain widget holding flat QToolButtons that it places
// itself, so that the buttons wrap into rows as the owner asks.

#include "platform/tool_bar.h"

#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include <memory>

#include "platform/application.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "platform/qt/menus.h"
#include "platform/qt/native.h"

namespace platform {
namespace {

MouseAction ActionOfEvent(const QMouseEvent* e) {
    const bool dbl = e->type() == QEvent::MouseButtonDblClick;
    if (e->type() == QEvent::MouseMove) return MouseAction::Move;
    if (e->button() == Qt::RightButton)
        return dbl ? MouseAction::RightDouble : e->type() == QEvent::MouseButtonRelease ? MouseAction::RightUp
                                                                                        : MouseAction::RightDown;
    return dbl ? MouseAction::LeftDouble : e->type() == QEvent::MouseButtonRelease ? MouseAction::LeftUp
                                                                                   : MouseAction::LeftDown;
}

int FlagsOfEvent(const QMouseEvent* e) {
    int f = 0;
    if (e->buttons() & Qt::LeftButton) f |= kLeftButton;
    if (e->buttons() & Qt::RightButton) f |= kRightButton;
    if (e->modifiers() & Qt::ShiftModifier) f |= kMouseShift;
    if (e->modifiers() & Qt::ControlModifier) f |= kMouseCtrl;
    return f;
}

class BarWidget final : public QWidget {
public:
    explicit BarWidget(Window& owner, QWidget* parent) : QWidget(parent), owner_(&owner) {
        setMouseTracking(true);
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Button);
    }
    void Detach() { owner_ = nullptr; }

    QSize picture{16, 16};
    std::vector<QImage> pictures;
    std::vector<QToolButton*> buttons;  // per entry; null for a separator
    std::vector<std::unique_ptr<QMenu>> menus;
    std::vector<QLine> separators;
    DockSide border = DockSide::Bottom;

    // Mouse input over a button reaches the owner first.
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (owner_ && (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonPress ||
                       e->type() == QEvent::MouseButtonDblClick)) {
            auto* me = static_cast<QMouseEvent*>(e);
            QPoint p = static_cast<QWidget*>(watched)->mapTo(this, me->position().toPoint());
            owner_->OnMouse({ActionOfEvent(me), FromQPoint(p), FlagsOfEvent(me)});
        }
        return false;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QColor dark = palette().color(QPalette::Mid), light = palette().color(QPalette::Light);
        for (const QLine& line : separators) {
            p.setPen(dark);
            p.drawLine(line);
            p.setPen(light);
            p.drawLine(line.translated(line.dx() == 0 ? 1 : 0, line.dy() == 0 ? 1 : 0));
        }
        p.setPen(dark);
        QRect r = rect();
        switch (border) {
        case DockSide::Bottom: p.drawLine(r.bottomLeft(), r.bottomRight()); break;
        case DockSide::Right: p.drawLine(r.topRight(), r.bottomRight()); break;
        case DockSide::Top: p.drawLine(r.topLeft(), r.topRight()); break;
        case DockSide::Left: p.drawLine(r.topLeft(), r.bottomLeft()); break;
        }
    }
    void mousePressEvent(QMouseEvent* e) override { Forward(e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { Forward(e); }
    void mouseMoveEvent(QMouseEvent* e) override { Forward(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { Forward(e); }

private:
    void Forward(QMouseEvent* e) {
        if (owner_) owner_->OnMouse({ActionOfEvent(e), FromQPoint(e->position().toPoint()), FlagsOfEvent(e)});
    }
    Window* owner_;
};

struct BarPeer final : WindowPeer {
    BarWidget* bar = nullptr;
    ~BarPeer() override {
        if (bar) bar->Detach();
    }
};

BarWidget* BarOf(const Window& w) {
    auto* peer = static_cast<BarPeer*>(w.Peer());
    return peer ? peer->bar : nullptr;
}

QToolButton* ButtonOf(const ChildToolBar& bar, int command) {
    BarWidget* w = BarOf(bar);
    if (!w || command == 0) return nullptr;
    const auto& list = bar.Buttons();
    for (size_t i = 0; i < list.size() && i < w->buttons.size(); ++i)
        if (list[i].command == command && w->buttons[i]) return w->buttons[i];
    return nullptr;
}

}  // namespace

bool ChildToolBar::CreateBar(Window* parent, int id, Size pictureSize) {
    if (IsCreated()) return false;
    auto* peer = new BarPeer;
    QWidget* parentWidget = parent && parent->Peer() ? parent->Peer()->ChildParent() : nullptr;
    peer->bar = new BarWidget(*this, parentWidget);
    peer->bar->picture = QSize(pictureSize.cx, pictureSize.cy);
    peer->widget = peer->bar;
    AttachPeer(peer, parent, id);
    OnCreate();
    if (!Peer()) return false;
    peer->bar->show();
    return true;
}

int ChildToolBar::AddStrip(const Image& strip) {
    BarWidget* w = BarOf(*this);
    if (!w || w->picture.width() <= 0) return 0;
    const int first = static_cast<int>(w->pictures.size());
    const QImage& image = strip.Data().image;
    for (int x = 0; x + w->picture.width() <= image.width(); x += w->picture.width())
        w->pictures.push_back(image.copy(QRect(QPoint(x, 0), w->picture)));
    return first;
}

void ChildToolBar::ClearStrips() {
    if (BarWidget* w = BarOf(*this)) w->pictures.clear();
}

int ChildToolBar::PictureCount() const {
    BarWidget* w = BarOf(*this);
    return w ? static_cast<int>(w->pictures.size()) : 0;
}

Image ChildToolBar::Picture(int index) const {
    Image out;
    BarWidget* w = BarOf(*this);
    if (w && index >= 0 && index < static_cast<int>(w->pictures.size())) out.Data().image = w->pictures[index];
    return out;
}

void ChildToolBar::SetButtons(const std::vector<ToolButton>& buttons) {
    buttons_ = buttons;
    BarWidget* w = BarOf(*this);
    if (!w) return;
    for (QToolButton* b : w->buttons) delete b;
    w->buttons.clear();
    w->menus.clear();
    for (const ToolButton& entry : buttons_) {
        if (entry.command == 0) {
            w->buttons.push_back(nullptr);
            continue;
        }
        auto* b = new QToolButton(w);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setIconSize(w->picture);
        if (entry.image >= 0 && entry.image < static_cast<int>(w->pictures.size()))
            b->setIcon(QIcon(QPixmap::fromImage(w->pictures[entry.image])));
        b->setToolTip(ToQString(entry.tip));
        b->setCheckable(entry.style & kToolCheck);
        b->setMouseTracking(true);
        b->installEventFilter(w);
        const int command = entry.command;
        QObject::connect(b, &QToolButton::clicked, w, [this, command] { PressButton(command); });
        if (entry.style & kToolDropDown) {
            auto menu = std::make_unique<QMenu>();
            QMenu* native = menu.get();
            QObject::connect(native, &QMenu::aboutToShow, native, [this, command, native] {
                native->clear();
                if (Menu* model = DropDownMenu(command)) {
                    CommandTarget& chain = Parent() ? static_cast<CommandTarget&>(*Parent()) : *this;
                    UpdateMenuModel(chain, *model);
                    FillNativeMenu(*native, *model, chain, [this](int chosen) { OnButton(chosen); }, nullptr);
                }
            });
            b->setMenu(native);
            b->setPopupMode(QToolButton::MenuButtonPopup);
            w->menus.push_back(std::move(menu));
        }
        b->setVisible(!(entry.style & kToolHidden));
        w->buttons.push_back(b);
    }
}

void ChildToolBar::SetBorderSide(DockSide side) {
    if (BarWidget* w = BarOf(*this)) {
        w->border = side;
        w->update();
    }
}

Size ChildToolBar::ButtonSize() const {
    BarWidget* w = BarOf(*this);
    if (!w) return {};
    QToolButton probe;
    probe.setAutoRaise(true);
    probe.setIconSize(w->picture);
    probe.setIcon(QIcon(QPixmap(w->picture)));
    QSize s = probe.sizeHint();
    return {s.width(), s.height()};
}

Size ChildToolBar::Wrap(int wrapWidth) {
    BarWidget* w = BarOf(*this);
    if (!w) return {};
    const Size plain = ButtonSize();
    const int rowHeight = plain.cy;
    const int width = std::max(wrapWidth - 2 * kBorder, 1);
    w->separators.clear();
    int x = 0, y = 0, right = 0;
    bool any = false;
    int trailingSeparator = -1;  // a separator ending the row so far
    for (size_t i = 0; i < buttons_.size() && i < w->buttons.size(); ++i) {
        const ToolButton& entry = buttons_[i];
        if (entry.style & kToolHidden) continue;
        if (entry.command == 0) {
            if (!any || trailingSeparator >= 0) continue;
            if (x == 0 || x + kSeparatorWidth > width) {
                // A gap between rows.
                if (x != 0) y += rowHeight;
                x = 0;
                w->separators.push_back(QLine(kBorder, kBorder + y + kSeparatorWidth / 2,
                                              kBorder + width - 1, kBorder + y + kSeparatorWidth / 2));
                y += kSeparatorWidth;
                continue;
            }
            trailingSeparator = static_cast<int>(w->separators.size());
            w->separators.push_back(QLine(kBorder + x + kSeparatorWidth / 2, kBorder + y + 2,
                                          kBorder + x + kSeparatorWidth / 2, kBorder + y + rowHeight - 3));
            x += kSeparatorWidth;
            continue;
        }
        QToolButton* b = w->buttons[i];
        const int bw = std::max(b->sizeHint().width(), plain.cx);
        if (x > 0 && x + bw > width) {
            if (trailingSeparator >= 0) w->separators.erase(w->separators.begin() + trailingSeparator);
            x = 0;
            y += rowHeight;
        }
        trailingSeparator = -1;
        b->setGeometry(kBorder + x, kBorder + y, bw, rowHeight);
        x += bw;
        right = std::max(right, x);
        any = true;
    }
    if (trailingSeparator >= 0) w->separators.erase(w->separators.begin() + trailingSeparator);
    w->update();
    if (!any) return {};
    return {right + 2 * kBorder, y + rowHeight + 2 * kBorder};
}

int ChildToolBar::ButtonAt(Point p) const {
    BarWidget* w = BarOf(*this);
    if (!w) return 0;
    for (size_t i = 0; i < buttons_.size() && i < w->buttons.size(); ++i)
        if (QToolButton* b = w->buttons[i]; b && !b->isHidden() && b->geometry().contains(ToQPoint(p)))
            return buttons_[i].command;
    return 0;
}

Rect ChildToolBar::ButtonRect(int command) const {
    QToolButton* b = ButtonOf(*this, command);
    return b && !b->isHidden() ? FromQRect(b->geometry()) : Rect{};
}

void ChildToolBar::EnableButton(int command, bool enabled) {
    if (QToolButton* b = ButtonOf(*this, command)) b->setEnabled(enabled);
}

void ChildToolBar::CheckButton(int command, bool checked) {
    if (QToolButton* b = ButtonOf(*this, command); b && b->isCheckable()) b->setChecked(checked);
}

ToolButtonState ChildToolBar::ButtonState(int command) const {
    QToolButton* b = ButtonOf(*this, command);
    if (!b) return {};
    return ToolButtonState{true, b->isEnabled(), b->isChecked()};
}

void ChildToolBar::UpdateButtons() {
    Application* app = Application::Instance();
    for (const ToolButton& entry : buttons_) {
        QToolButton* b = ButtonOf(*this, entry.command);
        if (!b) continue;
        CommandUI ui(entry.command);
        bool handled = Parent() && Parent()->RouteUpdate(ui);
        if (!handled && app) {
            ui = CommandUI(entry.command);
            handled = app->RouteUpdate(ui);
        }
        b->setEnabled(handled && ui.Enabled());
        if (b->isCheckable()) b->setChecked(handled && ui.Checked());
    }
}

bool ChildToolBar::PressButton(int command) {
    QToolButton* b = ButtonOf(*this, command);
    if (!b || !b->isEnabled() || b->isHidden()) return false;
    OnButton(command);
    return true;
}

void ChildToolBar::OnButton(int command) {
    if (Parent()) {
        CommandUI ui(command);
        if (Parent()->RouteUpdate(ui)) {
            if (ui.Enabled()) Parent()->RouteCommand(command);
            return;
        }
    }
    if (Application* app = Application::Instance()) app->ExecuteCommand(command);
}

}  // namespace platform
