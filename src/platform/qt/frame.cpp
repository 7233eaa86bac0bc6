// The main frame with its menu bar, MDI client and status bar, and the MDI child frames.

#include "platform/frame.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QMimeData>
#include <QIcon>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QPixmap>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QFontMetrics>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QStyle>

#include <algorithm>
#include <memory>

#include "platform/application.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "platform/qt/menus.h"
#include "platform/qt/native.h"

namespace platform {
namespace {

class MainWidget final : public QMainWindow {
public:
    explicit MainWidget(FrameWindow& owner) : owner_(&owner) {}
    void Detach() { owner_ = nullptr; }

protected:
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        if (owner_) owner_->OnClose();
    }
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (e->mimeData()->hasUrls()) e->acceptProposedAction();
    }
    void dropEvent(QDropEvent* e) override { DeliverDrop(owner_, e->mimeData()->urls()); }
    // The application's palette (the system colours) reaches the frame as a change of
    // its own palette.
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::PaletteChange && owner_) owner_->OnSysColorChange();
        QMainWindow::changeEvent(e);
    }

private:
    FrameWindow* owner_;
};

// Tells the frame when the pointer comes onto its status bar.
class StatusHover final : public QObject {
public:
    StatusHover(std::shared_ptr<FrameWindow*> owner, QObject* parent) : QObject(parent), owner_(std::move(owner)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Enter && *owner_) (*owner_)->OnStatusBarHover();
        return QObject::eventFilter(watched, e);
    }

private:
    std::shared_ptr<FrameWindow*> owner_;
};

// Tells the frame what the pointer is over in a list bar: an item of the list box, the
// list box or drop-down list elsewhere, or the bar itself.
class ListBarHover final : public QObject {
public:
    ListBarHover(std::shared_ptr<FrameWindow*> owner, int id, QToolBar* bar, QListWidget* list, QComboBox* combo)
        : QObject(bar), owner_(std::move(owner)), id_(id), bar_(bar), list_(list), combo_(combo) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if ((e->type() == QEvent::MouseMove || e->type() == QEvent::Enter) && *owner_) {
            int item = -1;
            if (watched == bar_) {
                // A move the list or drop-down list left unhandled comes on to the bar.
                if (e->type() == QEvent::MouseMove) {
                    QWidget* under = bar_->childAt(static_cast<QMouseEvent*>(e)->position().toPoint());
                    if (under && (under == list_ || under == combo_ || list_->isAncestorOf(under) ||
                                  combo_->isAncestorOf(under)))
                        return QObject::eventFilter(watched, e);
                }
                item = -2;
            } else if (watched == list_->viewport()) {
                const QPointF at = e->type() == QEvent::MouseMove ? static_cast<QMouseEvent*>(e)->position()
                                                                  : static_cast<QEnterEvent*>(e)->position();
                item = list_->indexAt(at.toPoint()).row();
            }
            (*owner_)->OnListBarHover(id_, item);
        }
        return QObject::eventFilter(watched, e);
    }

private:
    std::shared_ptr<FrameWindow*> owner_;
    int id_;
    QToolBar* bar_;
    QListWidget* list_;
    QComboBox* combo_;
};

class SubWindow final : public QMdiSubWindow {
public:
    explicit SubWindow(MdiChildFrame& owner) : owner_(&owner) {}
    void Detach() { owner_ = nullptr; }

protected:
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        if (owner_) owner_->OnClose();
    }

private:
    MdiChildFrame* owner_;
};

struct Bar {
    int order = 0;  // creation order
    QToolBar* native = nullptr;
    QImage strip;
    QSize buttonSize;
    std::vector<ToolButton> buttons;
    std::map<int, QAction*> actions;  // by command
    std::vector<std::unique_ptr<QMenu>> menus;
    QListWidget* list = nullptr;  // list bars
    QComboBox* combo = nullptr;
    QAction* listAction = nullptr;
    QAction* comboAction = nullptr;
};

struct FramePeer final : WindowPeer {
    MainWidget* main = nullptr;
    QMdiArea* mdi = nullptr;
    std::vector<QLabel*> panes;
    std::vector<QProgressBar*> progress;  // per pane, made on first use
    std::map<int, Bar> bars;
    MdiChildFrame* active = nullptr;
    // The MDI area's news reaches the frame through this; it is cleared when the peer
    // goes, because the area is deleted later and announces its closing children then.
    std::shared_ptr<FrameWindow*> owner;
    ~FramePeer() override {
        if (owner) *owner = nullptr;
        if (main) main->Detach();
    }
};

struct ChildPeer final : WindowPeer {
    SubWindow* sub = nullptr;
    FramePeer* frame = nullptr;  // outlives the child: a frame destroys its children first
    ~ChildPeer() override;
};

ChildPeer::~ChildPeer() {
    if (sub) sub->Detach();
    if (frame && frame->active == owner) frame->active = nullptr;  // no activation news for it
}

FramePeer* AsFrame(WindowPeer* p) { return static_cast<FramePeer*>(p); }
ChildPeer* AsChild(WindowPeer* p) { return static_cast<ChildPeer*>(p); }

// Show state of a top-level frame or an MDI child window alike.
void ShowWidgetAs(QWidget* w, ShowState state) {
    switch (state) {
    case ShowState::Normal: w->showNormal(); break;
    case ShowState::Minimized: w->showMinimized(); break;
    case ShowState::Maximized: w->showMaximized(); break;
    }
}

ShowState WidgetShowState(const QWidget* w) {
    if (w->isMinimized()) return ShowState::Minimized;
    if (w->isMaximized()) return ShowState::Maximized;
    return ShowState::Normal;
}

// The command chain a frame's menus update and dispatch through: the application's
// when the frame is its main window.
CommandTarget& ChainOf(FrameWindow& frame) {
    Application* app = Application::Instance();
    if (app && app->MainWindow() == &frame) return *app;
    return frame;
}

MdiChildFrame* ChildOf(QMdiSubWindow* sub) {
    return sub ? dynamic_cast<MdiChildFrame*>(WindowOfWidget(sub)) : nullptr;
}

}  // namespace

// ---- FrameWindow ---------------------------------------------------------------------

FrameWindow::FrameWindow() = default;
FrameWindow::~FrameWindow() { Destroy(); }

bool FrameWindow::CreateFrame(const std::string& title, const Rect& rect) {
    if (Peer()) return false;
    auto* peer = new FramePeer;
    peer->owner = std::make_shared<FrameWindow*>(this);
    peer->main = new MainWidget(*this);
    peer->mdi = new QMdiArea(peer->main);
    peer->main->setCentralWidget(peer->mdi);
    peer->main->menuBar();  // made now, so it shows with the frame
    QStatusBar* status = peer->main->statusBar();
    status->installEventFilter(new StatusHover(peer->owner, status));
    peer->widget = peer->main;
    peer->main->setGeometry(ToQRect(rect));
    QObject::connect(peer->mdi, &QMdiArea::subWindowActivated, peer->main, [owner = peer->owner](QMdiSubWindow* sub) {
        FrameWindow* frame = *owner;
        auto* fp = frame ? AsFrame(frame->Peer()) : nullptr;
        if (!fp) return;
        MdiChildFrame* now = ChildOf(sub);
        if (now == fp->active) return;
        MdiChildFrame* before = fp->active;
        fp->active = now;
        if (before) before->OnActivate(false);
        if (now) now->OnActivate(true);
    });
    SetText(title);
    AttachPeer(peer, nullptr, 0);
    if (menu_) SetMenu(menu_);
    OnCreate();
    return Peer() != nullptr;
}

void FrameWindow::ShowAs(ShowState state) {
    auto* fp = AsFrame(Peer());
    if (!fp) return;
    ShowWidgetAs(fp->main, state);
}

ShowState FrameWindow::State() const {
    auto* fp = AsFrame(Peer());
    return fp ? WidgetShowState(fp->main) : ShowState::Normal;
}

Placement FrameWindow::GetPlacement() const {
    auto* fp = AsFrame(Peer());
    if (!fp) return {};
    QRect normal = fp->main->normalGeometry();
    if (!normal.isValid()) normal = fp->main->geometry();
    return Placement{State(), FromQRect(normal)};
}

void FrameWindow::SetPlacement(const Placement& placement) {
    auto* fp = AsFrame(Peer());
    if (!fp) return;
    fp->main->showNormal();
    if (!placement.normal.IsEmpty()) fp->main->setGeometry(ToQRect(placement.normal));
    ShowAs(placement.show);
}

void FrameWindow::SetMenu(Menu* menu) {
    menu_ = menu;
    auto* fp = AsFrame(Peer());
    if (!fp) return;
    QMenuBar* bar = fp->main->menuBar();
    bar->clear();
    for (QMenu* old : bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
    if (!menu) return;
    CommandTarget& chain = ChainOf(*this);
    auto chosen = [&chain](int id) {
        if (Application* app = Application::Instance(); app && &chain == app) app->PostCommand(id);
        else chain.ExecuteCommand(id);
    };
    auto hover = [this](int id) { OnMenuSelect(id); };
    auto before = [this](Menu& popup, int position) { OnInitMenuPopup(popup, position); };
    for (int i = 0; i < menu->Count(); ++i) {
        Menu::Item& item = menu->At(i);
        if (item.flags & kMenuSeparator) continue;
        if (item.popup) {
            QMenu* native = bar->addMenu(ToQString(item.text));
            Menu* model = item.popup.get();
            QObject::connect(native, &QMenu::aboutToShow, native, [=, &chain] {
                before(*model, i);
                UpdateMenuModel(chain, *model);
                FillNativeMenu(*native, *model, chain, chosen, hover, before);
            });
            QObject::connect(native, &QMenu::aboutToHide, native, [this] { OnMenuSelect(0); });
            FillNativeMenu(*native, *model, chain, chosen, hover, before);
        } else {
            QAction* action = bar->addAction(ToQString(item.text));
            int id = item.id;
            QObject::connect(action, &QAction::triggered, bar, [chosen, id] { chosen(id); });
        }
    }
}

void FrameWindow::UpdateMenuItems(Menu& popup) { UpdateMenuModel(ChainOf(*this), popup); }

CommandTarget* FrameWindow::CommandDelegate() { return ActiveChild(); }

MdiChildFrame* FrameWindow::ActiveChild() const {
    auto* fp = AsFrame(Peer());
    return fp ? ChildOf(fp->mdi->currentSubWindow()) : nullptr;
}

std::vector<MdiChildFrame*> FrameWindow::Children() const {
    std::vector<MdiChildFrame*> out;
    auto* fp = AsFrame(Peer());
    if (!fp) return out;
    QList<QMdiSubWindow*> list = fp->mdi->subWindowList(QMdiArea::StackingOrder);
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (MdiChildFrame* child = ChildOf(*it)) out.push_back(child);
    return out;
}

void FrameWindow::Cascade() {
    auto* fp = AsFrame(Peer());
    if (!fp) return;
    std::vector<MdiChildFrame*> shown;
    for (MdiChildFrame* child : Children())
        if (child->State() != ShowState::Minimized) shown.push_back(child);
    // Bottom of the stack first, each one a title bar further down and right.
    std::reverse(shown.begin(), shown.end());
    QRect area = fp->mdi->viewport()->rect();
    int step = fp->main->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
    QSize size(area.width() * 2 / 3, area.height() * 2 / 3);
    for (size_t i = 0; i < shown.size(); ++i) {
        shown[i]->ShowAs(ShowState::Normal);
        int offset = static_cast<int>(i) * step;
        AsChild(shown[i]->Peer())->sub->setGeometry(QRect(QPoint(offset, offset), size));
        AsChild(shown[i]->Peer())->sub->raise();
    }
}

void FrameWindow::Tile(bool horizontal) {
    auto* fp = AsFrame(Peer());
    if (!fp) return;
    std::vector<MdiChildFrame*> shown;
    for (MdiChildFrame* child : Children())
        if (child->State() != ShowState::Minimized) shown.push_back(child);
    if (shown.empty()) return;
    QRect area = fp->mdi->viewport()->rect();
    int n = static_cast<int>(shown.size());
    for (int i = 0; i < n; ++i) {
        MdiChildFrame* child = shown[i];
        child->ShowAs(ShowState::Normal);
        // Horizontal tiling stacks wide windows; vertical tiling puts them side by side.
        QRect r = horizontal ? QRect(0, area.height() * i / n, area.width(), area.height() / n)
                             : QRect(area.width() * i / n, 0, area.width() / n, area.height());
        AsChild(child->Peer())->sub->setGeometry(r);
    }
}

Rect FrameWindow::MdiClientRect() const {
    auto* fp = AsFrame(Peer());
    return fp ? FromQRect(fp->mdi->viewport()->rect()) : Rect{};
}

Point FrameWindow::MdiClientOrigin() const {
    auto* fp = AsFrame(Peer());
    if (!fp) return {};
    const QPoint p = fp->mdi->mapToGlobal(QPoint(0, 0));
    return {p.x(), p.y()};
}

namespace automation {

void HoverStatusBar(FrameWindow& frame) {
    auto* fp = AsFrame(frame.Peer());
    if (!fp) return;
    QStatusBar* bar = fp->main->statusBar();
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(bar->mapToGlobal(QPoint(1, 1))));
    QCoreApplication::sendEvent(bar, &enter);
}

}  // namespace automation

namespace {

// A pane's text keeps this distance from its left and right borders.
constexpr int kPaneInset = 2;

int PaneOuterWidth(const QLabel& label, int textWidth) { return textWidth + 2 * (label.frameWidth() + kPaneInset); }

}  // namespace

void FrameWindow::SetStatusPanes(const std::vector<int>& widths) {
    auto* fp = AsFrame(Peer());
    if (!fp) return;
    QStatusBar* bar = fp->main->statusBar();
    for (QLabel* label : fp->panes) {
        bar->removeWidget(label);
        delete label;
    }
    fp->panes.clear();
    fp->progress.clear();  // the bars went with their panes
    for (int width : widths) {
        auto* label = new QLabel(bar);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setIndent(kPaneInset);
        if (width >= 0) label->setFixedWidth(PaneOuterWidth(*label, width));
        bar->addWidget(label, width < 0 ? 1 : 0);
        // A pane of width 0 is absent: it keeps its place in the numbering only.
        if (width == 0) label->hide();
        fp->panes.push_back(label);
    }
}

int FrameWindow::StatusTextWidth(const std::string& text) const {
    auto* fp = AsFrame(Peer());
    return fp ? QFontMetrics(fp->main->statusBar()->font()).horizontalAdvance(ToQString(text)) : 0;
}

int FrameWindow::PaneWidth(int pane) const {
    auto* fp = AsFrame(Peer());
    if (!fp || pane < 0 || pane >= static_cast<int>(fp->panes.size())) return 0;
    QLabel* label = fp->panes[pane];
    if (label->isHidden()) return 0;
    if (label->maximumWidth() == QWIDGETSIZE_MAX) return -1;  // the stretching pane
    return label->maximumWidth() - PaneOuterWidth(*label, 0);
}

void FrameWindow::SetPaneWidth(int pane, int width) {
    auto* fp = AsFrame(Peer());
    if (!fp || pane < 0 || pane >= static_cast<int>(fp->panes.size()) || width <= 0) return;
    QLabel* label = fp->panes[pane];
    if (label->isHidden()) return;
    label->setFixedWidth(PaneOuterWidth(*label, width));
    // A progress bar inside follows its pane.
    if (pane < static_cast<int>(fp->progress.size()) && fp->progress[pane]) fp->progress[pane]->setGeometry(label->contentsRect());
}

void FrameWindow::SetPaneText(int pane, const std::string& text) {
    auto* fp = AsFrame(Peer());
    if (fp && pane >= 0 && pane < static_cast<int>(fp->panes.size())) fp->panes[pane]->setText(ToQString(text));
}

std::string FrameWindow::PaneText(int pane) const {
    auto* fp = AsFrame(Peer());
    if (fp && pane >= 0 && pane < static_cast<int>(fp->panes.size())) return FromQString(fp->panes[pane]->text());
    return {};
}

void FrameWindow::ShowStatusBar(bool shown) {
    if (auto* fp = AsFrame(Peer())) fp->main->statusBar()->setVisible(shown);
}

void FrameWindow::SetStatusFont(const Font& font) {
    if (auto* fp = AsFrame(Peer())) fp->main->statusBar()->setFont(ToQFont(font));
}

int FrameWindow::StatusTextHeight() const {
    auto* fp = AsFrame(Peer());
    return fp ? QFontMetrics(fp->main->statusBar()->font()).height() : 0;
}

void FrameWindow::SetPaneProgress(int pane, int percent) {
    auto* fp = AsFrame(Peer());
    if (!fp || pane < 0 || pane >= static_cast<int>(fp->panes.size())) return;
    fp->progress.resize(fp->panes.size(), nullptr);
    QProgressBar*& bar = fp->progress[pane];
    QLabel* label = fp->panes[pane];
    if (percent < 0) {
        if (bar) bar->hide();
        return;
    }
    if (!bar) {
        bar = new QProgressBar(label);
        bar->setRange(0, 100);
        bar->setTextVisible(false);
    }
    bar->setGeometry(label->contentsRect());
    bar->setValue(std::min(percent, 100));
    bar->show();
}

void FrameWindow::SetPaneImage(int pane, const Image& image) {
    auto* fp = AsFrame(Peer());
    if (fp && pane >= 0 && pane < static_cast<int>(fp->panes.size()))
        fp->panes[pane]->setPixmap(QPixmap::fromImage(image.Data().image));
}

namespace {

Qt::ToolBarArea AreaOf(DockSide side) {
    switch (side) {
    case DockSide::Bottom: return Qt::BottomToolBarArea;
    case DockSide::Left: return Qt::LeftToolBarArea;
    case DockSide::Right: return Qt::RightToolBarArea;
    case DockSide::Top: break;
    }
    return Qt::TopToolBarArea;
}

// A list bar shows its list box while it floats or stands upright, else its combo box.
void ShowListOrCombo(Bar& bar) {
    if (!bar.list) return;
    const bool listMode = bar.native->isFloating() || bar.native->orientation() == Qt::Vertical;
    bar.listAction->setVisible(listMode);
    bar.comboAction->setVisible(!listMode);
}

Bar* FindBar(const FrameWindow& frame, int id) {
    auto* fp = AsFrame(frame.Peer());
    if (!fp) return nullptr;
    auto it = fp->bars.find(id);
    return it == fp->bars.end() ? nullptr : &it->second;
}

// A new, empty bar of the frame in the order bars were added; null when the id is taken.
Bar* NewBar(FramePeer* fp, int id, const std::string& title) {
    if (!fp || fp->bars.count(id)) return nullptr;
    const int order = static_cast<int>(fp->bars.size());
    Bar& bar = fp->bars[id];
    bar.order = order;
    bar.native = new QToolBar(ToQString(title), fp->main);
    bar.native->setObjectName(QStringLiteral("bar%1").arg(id));  // the key of the saved layout
    return &bar;
}

}  // namespace

bool FrameWindow::AddToolBar(int id, const std::string& title, const Image& strip, Size buttonSize,
                             const std::vector<ToolButton>& buttons, DockSide side) {
    auto* fp = AsFrame(Peer());
    Bar* made = NewBar(fp, id, title);
    if (!made) return false;
    Bar& bar = *made;
    bar.native->setIconSize(QSize(buttonSize.cx, buttonSize.cy));
    bar.strip = strip.Data().image;
    bar.buttonSize = QSize(buttonSize.cx, buttonSize.cy);
    fp->main->addToolBar(AreaOf(side), bar.native);
    bar.native->show();  // a bar added to a frame already on screen stays hidden otherwise
    SetToolBarButtons(id, buttons);
    return true;
}

void FrameWindow::SetToolBarButtons(int id, const std::vector<ToolButton>& buttons) {
    Bar* bar = FindBar(*this, id);
    if (!bar) return;
    bar->native->clear();
    bar->actions.clear();
    bar->menus.clear();
    bar->buttons = buttons;
    for (const ToolButton& b : buttons) {
        if (b.command == 0) {
            bar->native->addSeparator();
            continue;
        }
        QImage picture = bar->strip.copy(QRect(QPoint(b.image * bar->buttonSize.width(), 0), bar->buttonSize));
        QAction* action = bar->native->addAction(QIcon(QPixmap::fromImage(picture)), ToQString(b.tip));
        action->setToolTip(ToQString(b.tip));
        action->setCheckable(b.style & kToolCheck);
        int command = b.command;
        QObject::connect(action, &QAction::triggered, bar->native, [this, id, command] { PressToolButton(id, command); });
        QObject::connect(action, &QAction::hovered, bar->native, [this, command] { OnMenuSelect(command); });
        if (b.style & kToolDropDown) {
            auto menu = std::make_unique<QMenu>();
            QMenu* native = menu.get();
            QObject::connect(native, &QMenu::aboutToShow, native, [this, id, command, native] {
                native->clear();
                if (Menu* model = ToolDropDownMenu(id, command)) {
                    CommandTarget& chain = ChainOf(*this);
                    UpdateMenuModel(chain, *model);
                    FillNativeMenu(*native, *model, chain, [&chain](int chosen) { chain.ExecuteCommand(chosen); }, nullptr);
                }
            });
            action->setMenu(native);
            if (auto* button = qobject_cast<QToolButton*>(bar->native->widgetForAction(action)))
                button->setPopupMode(QToolButton::MenuButtonPopup);
            bar->menus.push_back(std::move(menu));
        }
        bar->actions[command] = action;
    }
}

void FrameWindow::SetToolBarStrip(int id, const Image& strip) {
    Bar* bar = FindBar(*this, id);
    if (!bar) return;
    bar->strip = strip.Data().image;
    std::vector<ToolButton> buttons = bar->buttons;
    SetToolBarButtons(id, buttons);
}

Image FrameWindow::ToolBarStrip(int id) const {
    Image out;
    if (const Bar* bar = FindBar(*this, id)) out.Data().image = bar->strip;
    return out;
}

void FrameWindow::ShowToolBar(int id, bool shown) {
    if (Bar* bar = FindBar(*this, id)) bar->native->setVisible(shown);
}

void FrameWindow::SetToolBarTitle(int id, const std::string& title) {
    if (Bar* bar = FindBar(*this, id)) bar->native->setWindowTitle(ToQString(title));
}

bool FrameWindow::IsToolBarVisible(int id) const {
    Bar* bar = FindBar(*this, id);
    return bar && !bar->native->isHidden();
}

void FrameWindow::DockToolBar(int id, DockSide side) {
    Bar* bar = FindBar(*this, id);
    if (!bar) return;
    if (bar->native->isFloating()) {
        bar->native->setWindowFlags(Qt::Widget);
        bar->native->setParent(AsFrame(Peer())->main);
        bar->native->show();
    }
    AsFrame(Peer())->main->addToolBar(AreaOf(side), bar->native);
    ShowListOrCombo(*bar);
}

DockSide FrameWindow::ToolBarSide(int id) const {
    Bar* bar = FindBar(*this, id);
    if (!bar) return DockSide::Top;
    switch (AsFrame(Peer())->main->toolBarArea(bar->native)) {
    case Qt::BottomToolBarArea: return DockSide::Bottom;
    case Qt::LeftToolBarArea: return DockSide::Left;
    case Qt::RightToolBarArea: return DockSide::Right;
    default: return DockSide::Top;
    }
}

std::vector<unsigned char> FrameWindow::SaveBarState() const {
    auto* fp = AsFrame(Peer());
    if (!fp) return {};
    QByteArray state = fp->main->saveState();
    return std::vector<unsigned char>(state.begin(), state.end());
}

bool FrameWindow::RestoreBarState(const std::vector<unsigned char>& state) {
    auto* fp = AsFrame(Peer());
    if (!fp) return false;
    return fp->main->restoreState(QByteArray(reinterpret_cast<const char*>(state.data()), static_cast<qsizetype>(state.size())));
}

std::vector<BarPlacement> FrameWindow::GetBarPlacements() const {
    std::vector<BarPlacement> out;
    auto* fp = AsFrame(Peer());
    if (!fp) return out;
    std::vector<std::pair<int, int>> order;
    for (const auto& [id, bar] : fp->bars) order.emplace_back(bar.order, id);
    std::sort(order.begin(), order.end());
    for (auto [position, id] : order) {
        QToolBar* native = fp->bars.at(id).native;
        BarPlacement p;
        p.id = id;
        p.visible = !native->isHidden();
        p.floating = native->isFloating();
        p.side = ToolBarSide(id);
        QRect r = native->geometry();
        if (p.floating) r.moveTopLeft(native->mapToGlobal(QPoint(0, 0)));
        p.rect = FromQRect(r);
        out.push_back(p);
    }
    return out;
}

void FrameWindow::SetBarPlacements(const std::vector<BarPlacement>& bars) {
    auto* fp = AsFrame(Peer());
    if (!fp) return;
    // Docked bars side by side: rows by their distance from the frame's edge, each row
    // in order along the edge.
    std::vector<const BarPlacement*> docked;
    for (const BarPlacement& p : bars)
        if (fp->bars.count(p.id) && !p.floating) docked.push_back(&p);
    auto across = [](const BarPlacement& p) {
        return p.side == DockSide::Top || p.side == DockSide::Bottom ? p.rect.top : p.rect.left;
    };
    auto along = [](const BarPlacement& p) {
        return p.side == DockSide::Top || p.side == DockSide::Bottom ? p.rect.left : p.rect.top;
    };
    std::stable_sort(docked.begin(), docked.end(), [&](const BarPlacement* a, const BarPlacement* b) {
        if (a->side != b->side) return a->side < b->side;
        if (across(*a) != across(*b)) return across(*a) < across(*b);
        return along(*a) < along(*b);
    });
    const BarPlacement* previous = nullptr;
    for (const BarPlacement* p : docked) {
        QToolBar* native = fp->bars.at(p->id).native;
        if (native->isFloating()) {
            native->setWindowFlags(Qt::Widget);
            native->setParent(fp->main);
        }
        fp->main->removeToolBar(native);
        if (previous && previous->side == p->side && across(*previous) != across(*p))
            fp->main->addToolBarBreak(AreaOf(p->side));
        fp->main->addToolBar(AreaOf(p->side), native);
        ShowListOrCombo(fp->bars.at(p->id));
        native->setVisible(p->visible);
        previous = p;
    }
    for (const BarPlacement& p : bars) {
        if (!fp->bars.count(p.id) || !p.floating) continue;
        QToolBar* native = fp->bars.at(p.id).native;
        fp->main->removeToolBar(native);
        native->setParent(fp->main, Qt::Tool | Qt::FramelessWindowHint);
        native->setGeometry(ToQRect(p.rect));
        ShowListOrCombo(fp->bars.at(p.id));
        native->setVisible(p.visible);
    }
}

bool FrameWindow::AddListBar(int id, const std::string& title, DockSide side) {
    auto* fp = AsFrame(Peer());
    Bar* made = NewBar(fp, id, title);
    if (!made) return false;
    Bar& bar = *made;
    bar.list = new QListWidget;
    bar.list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Focus by tab or window activation would make the first row current, which counts
    // as the user's choice: the list takes the focus only when clicked.
    bar.list->setFocusPolicy(Qt::ClickFocus);
    bar.combo = new QComboBox;
    bar.listAction = bar.native->addWidget(bar.list);
    bar.comboAction = bar.native->addWidget(bar.combo);
    QToolBar* native = bar.native;
    QObject::connect(bar.list, &QListWidget::currentRowChanged, native, [this, id](int row) {
        if (Bar* b = FindBar(*this, id)) {
            QSignalBlocker block(b->combo);
            b->combo->setCurrentIndex(row);
        }
        if (row >= 0) OnListBarSelect(id, row);
    });
    QObject::connect(bar.combo, &QComboBox::activated, native, [this, id](int row) {
        if (Bar* b = FindBar(*this, id)) {
            QSignalBlocker block(b->list);
            b->list->setCurrentRow(row);
        }
        OnListBarSelect(id, row);
    });
    auto relayout = [this, id] {
        if (Bar* b = FindBar(*this, id)) ShowListOrCombo(*b);
    };
    QObject::connect(native, &QToolBar::orientationChanged, native, relayout);
    QObject::connect(native, &QToolBar::topLevelChanged, native, relayout);
    auto* hover = new ListBarHover(fp->owner, id, native, bar.list, bar.combo);
    for (QWidget* watched : {static_cast<QWidget*>(native), bar.list->viewport(), static_cast<QWidget*>(bar.combo)}) {
        watched->setMouseTracking(true);
        watched->installEventFilter(hover);
    }
    fp->main->addToolBar(AreaOf(side), native);
    ShowListOrCombo(bar);
    native->show();
    return true;
}

namespace automation {

void HoverListBar(FrameWindow& frame, int id, int item) {
    Bar* bar = FindBar(frame, id);
    if (!bar || !bar->list) return;
    QWidget* target = bar->native;
    QPoint at(1, 1);
    if (item >= 0) {
        target = bar->list->viewport();
        at = bar->list->visualItemRect(bar->list->item(item)).center();
    } else if (item == -1) {
        target = bar->combo;
    }
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
}

}  // namespace automation

void FrameWindow::SetListBarItems(int id, const std::vector<std::string>& items, int maxHeight) {
    Bar* bar = FindBar(*this, id);
    if (!bar || !bar->list) return;
    QSignalBlocker a(bar->list), b(bar->combo);
    bar->list->clear();
    bar->combo->clear();
    int widest = 0;
    const QFontMetrics metrics(bar->list->font());
    for (const std::string& item : items) {
        bar->list->addItem(ToQString(item));
        bar->combo->addItem(ToQString(item));
        widest = std::max(widest, metrics.horizontalAdvance(ToQString(item)));
    }
    const int itemHeight = std::max(1, bar->list->sizeHintForRow(0) > 0 ? bar->list->sizeHintForRow(0) : metrics.height());
    const int rows = std::max(1, maxHeight / itemHeight);
    const int shown = std::max(1, std::min(rows, static_cast<int>(items.size())));
    const bool scrolls = static_cast<int>(items.size()) > rows;
    const int scrollWidth = bar->list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    bar->list->setFixedSize(widest + 12 + (scrolls ? scrollWidth + 4 : 0), itemHeight * shown + (scrolls ? 8 : 6));
    bar->combo->setMinimumWidth(widest + scrollWidth + 8);
    bar->combo->setMaxVisibleItems(std::max(1, rows));
}

void FrameWindow::SetListBarSelection(int id, int index) {
    Bar* bar = FindBar(*this, id);
    if (!bar || !bar->list) return;
    QSignalBlocker a(bar->list), b(bar->combo);
    bar->list->setCurrentRow(index);
    bar->combo->setCurrentIndex(index);
}

int FrameWindow::ListBarSelection(int id) const {
    Bar* bar = FindBar(*this, id);
    if (!bar || !bar->list) return -1;
    return bar->listAction->isVisible() ? bar->list->currentRow() : bar->combo->currentIndex();
}

bool FrameWindow::IsListBarInListMode(int id) const {
    Bar* bar = FindBar(*this, id);
    return bar && bar->list && bar->listAction->isVisible();
}

void FrameWindow::EnableListBar(int id, bool enabled) {
    Bar* bar = FindBar(*this, id);
    if (!bar || !bar->list) return;
    bar->list->setEnabled(enabled);
    bar->combo->setEnabled(enabled);
}

void FrameWindow::SetListBarTip(int id, const std::string& tip) {
    Bar* bar = FindBar(*this, id);
    if (!bar || !bar->list) return;
    bar->list->setToolTip(ToQString(tip));
    bar->combo->setToolTip(ToQString(tip));
}

void FrameWindow::SetListBarFont(int id, const Font& font) {
    Bar* bar = FindBar(*this, id);
    if (!bar || !bar->list) return;
    QFont qfont = ToQFont(font);
    qfont.setStyleStrategy(QFont::PreferDefault);  // names read better smoothed
    bar->list->setFont(qfont);
    bar->combo->setFont(qfont);
}

int FrameWindow::ListBarFontHeight(int id) const {
    Bar* bar = FindBar(*this, id);
    return bar && bar->list ? bar->list->font().pixelSize() : 0;
}

bool FrameWindow::IsToolBarFloating(int id) const {
    Bar* bar = FindBar(*this, id);
    return bar && bar->native->isFloating();
}

void FrameWindow::UpdateToolBars() {
    auto* fp = AsFrame(Peer());
    if (!fp) return;
    CommandTarget& chain = ChainOf(*this);
    for (auto& [id, bar] : fp->bars) {
        for (auto& [command, action] : bar.actions) {
            CommandUI ui(command);
            bool handled = chain.RouteUpdate(ui);
            action->setEnabled(handled && ui.Enabled());
            if (action->isCheckable()) action->setChecked(handled && ui.Checked());
        }
    }
}

ToolButtonState FrameWindow::GetToolButtonState(int id, int command) const {
    Bar* bar = FindBar(*this, id);
    if (!bar || !bar->actions.count(command)) return {};
    QAction* action = bar->actions.at(command);
    return ToolButtonState{true, action->isEnabled(), action->isChecked()};
}

bool FrameWindow::PressToolButton(int id, int command) {
    Bar* bar = FindBar(*this, id);
    if (!bar || !bar->actions.count(command)) return false;
    return ChainOf(*this).ExecuteCommand(command);
}

Rect FrameWindow::ToolButtonRect(int id, int command) const {
    Bar* bar = FindBar(*this, id);
    auto* fp = AsFrame(Peer());
    if (!bar || !fp || !bar->actions.count(command) || !bar->native->isVisible()) return {};
    QWidget* button = bar->native->widgetForAction(bar->actions.at(command));
    QWidget* base = fp->client ? fp->client : fp->widget.data();
    if (!button || !button->isVisible() || !base) return {};
    const QPoint topLeft = base->mapFromGlobal(button->mapToGlobal(QPoint(0, 0)));
    return FromQRect(QRect(topLeft, button->size()));
}

// ---- MdiChildFrame -------------------------------------------------------------------

MdiChildFrame::MdiChildFrame() = default;
MdiChildFrame::~MdiChildFrame() { Destroy(); }

bool MdiChildFrame::CreateChild(FrameWindow& main, const std::string& title, const Rect& rect) {
    auto* fp = AsFrame(main.Peer());
    if (Peer() || !fp) return false;
    main_ = &main;
    auto* peer = new ChildPeer;
    peer->frame = fp;
    peer->sub = new SubWindow(*this);
    peer->client = new ClientWidget(*this, nullptr);
    peer->sub->setWidget(peer->client);
    peer->sub->setAttribute(Qt::WA_DeleteOnClose, false);
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    peer->sub->setWindowIcon(QIcon(blank));  // until the program sets its own
    fp->mdi->addSubWindow(peer->sub);
    peer->widget = peer->sub;
    if (!rect.IsEmpty()) peer->sub->setGeometry(ToQRect(rect));
    SetText(title);
    AttachPeer(peer, &main, 0);
    OnCreate();
    if (!Peer()) return false;
    peer->sub->show();
    return true;
}

void MdiChildFrame::SetView(Window* view) {
    view_ = view;
    RecalcLayout();
}

void MdiChildFrame::RecalcLayout() {
    if (!Peer()) return;
    const Rect area = ViewArea(ClientRect());
    if (view_ && view_->IsCreated()) view_->Move(area);
}

void MdiChildFrame::Activate() {
    auto* cp = AsChild(Peer());
    if (!cp || !main_ || !main_->Peer()) return;
    AsFrame(main_->Peer())->mdi->setActiveSubWindow(cp->sub);
}

bool MdiChildFrame::IsActive() const { return main_ && main_->ActiveChild() == this; }

void MdiChildFrame::ShowAs(ShowState state) {
    auto* cp = AsChild(Peer());
    if (!cp) return;
    if (State() == ShowState::Normal && state != ShowState::Normal) cp->normalGeometry = cp->sub->geometry();
    ShowWidgetAs(cp->sub, state);
}

ShowState MdiChildFrame::State() const {
    auto* cp = AsChild(Peer());
    return cp ? WidgetShowState(cp->sub) : ShowState::Normal;
}

Placement MdiChildFrame::GetPlacement() const {
    Placement p;
    auto* cp = AsChild(Peer());
    if (!cp) return p;
    p.show = State();
    p.normal = FromQRect(p.show == ShowState::Normal ? cp->sub->geometry() : cp->normalGeometry);
    return p;
}

void MdiChildFrame::SetPlacement(const Placement& placement) {
    auto* cp = AsChild(Peer());
    if (!cp) return;
    cp->sub->showNormal();
    if (!placement.normal.IsEmpty()) cp->sub->setGeometry(ToQRect(placement.normal));
    ShowAs(placement.show);
    Activate();
}

}  // namespace platform
