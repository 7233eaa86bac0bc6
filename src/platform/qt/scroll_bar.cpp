// Scroll-bar child windows over QScrollBar.

#include <QScrollBar>

#include "platform/qt/native.h"
#include "platform/scroll_bar.h"

namespace platform {

namespace {
QScrollBar* BarOf(const Window& w) { return w.Peer() ? qobject_cast<QScrollBar*>(w.Peer()->widget.data()) : nullptr; }
}  // namespace

bool ScrollBarWindow::CreateBar(Window* parent, const Rect& rect, ScrollBarKind kind, int id) {
    if (IsCreated()) return false;
    kind_ = kind;
    auto* peer = new WindowPeer;
    QWidget* parentWidget = parent && parent->Peer() ? parent->Peer()->ChildParent() : nullptr;
    auto* bar = new QScrollBar(kind == ScrollBarKind::Horizontal ? Qt::Horizontal : Qt::Vertical, parentWidget);
    bar->setFocusPolicy(Qt::NoFocus);
    QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [this, bar](int action) {
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
        if (onScroll) onScroll(code, bar->sliderPosition());
        else if (Parent()) Parent()->OnScroll(kind_, code, bar->sliderPosition());
    });
    peer->widget = bar;
    bar->setGeometry(ToQRect(rect));
    bar->show();
    AttachPeer(peer, parent, id);
    OnCreate();
    return true;
}

void ScrollBarWindow::SetRange(int minimum, int maximum, int page) {
    if (QScrollBar* b = BarOf(*this)) {
        page = std::max(page, 0);
        b->setRange(minimum, std::max(minimum, page > 0 ? maximum - page + 1 : maximum));
        b->setPageStep(std::max(page, 1));
    }
}

void ScrollBarWindow::SetPos(int position) {
    if (QScrollBar* b = BarOf(*this)) b->setValue(position);
}

int ScrollBarWindow::Pos() const {
    QScrollBar* b = BarOf(*this);
    return b ? b->value() : 0;
}

}  // namespace platform
