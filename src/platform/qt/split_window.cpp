// Split windows over QSplitter: child windows created with the split window as parent
// become its panes.

#include <QList>
#include <QSplitter>

#include "platform/qt/native.h"
#include "platform/split_window.h"

namespace platform {

namespace {
QSplitter* SplitterOf(const Window& w) {
    return w.Peer() ? qobject_cast<QSplitter*>(w.Peer()->widget.data()) : nullptr;
}
}  // namespace

bool SplitWindow::CreateSplit(Window* parent, const Rect& rect, bool vertical, int id) {
    if (IsCreated()) return false;
    auto* peer = new WindowPeer;
    QWidget* parentWidget = parent && parent->Peer() ? parent->Peer()->ChildParent() : nullptr;
    auto* splitter = new QSplitter(vertical ? Qt::Vertical : Qt::Horizontal, parentWidget);
    splitter->setChildrenCollapsible(false);
    QObject::connect(splitter, &QSplitter::splitterMoved, splitter, [this] { OnSplitMoved(); });
    peer->widget = splitter;
    peer->widget->setGeometry(ToQRect(rect));
    peer->widget->show();
    AttachPeer(peer, parent, id);
    OnCreate();
    return true;
}

int SplitWindow::PaneCount() const {
    QSplitter* s = SplitterOf(*this);
    return s ? s->count() : 0;
}

std::vector<int> SplitWindow::PaneSizes() const {
    std::vector<int> out;
    if (QSplitter* s = SplitterOf(*this))
        for (int size : s->sizes()) out.push_back(size);
    return out;
}

void SplitWindow::SetPaneSizes(const std::vector<int>& sizes) {
    QSplitter* s = SplitterOf(*this);
    if (!s) return;
    QList<int> list;
    for (int size : sizes) list << size;
    s->setSizes(list);
}

}  // namespace platform
