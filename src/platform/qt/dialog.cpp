// Dialogs from templates: native controls by id, the modal loop, notifications.

#include "platform/dialog.h"

#include <QPixmap>
#include <QIcon>
#include <QAction>
#include <QToolBar>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QStylePainter>
#include <QTextCursor>
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

#include "platform/application.h"
#include "platform/automation.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "platform/qt/native.h"

namespace platform {
namespace {

constexpr int kDataRole = Qt::UserRole;
constexpr int kTreeHandleRole = Qt::UserRole + 1;

class DialogWidget final : public QDialog {
public:
    DialogWidget(Dialog& owner, QWidget* parent) : QDialog(parent), owner_(&owner) {}
    void Detach() { owner_ = nullptr; }
    void reject() override {
        if (owner_) owner_->OnCancel();
    }

protected:
    // The application's palette (the system colours) reaches every dialog as a change
    // of its own palette; top-level ones also hear of the application's, so that is
    // not taken.
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::PaletteChange && owner_) owner_->OnSysColorChange();
        QDialog::changeEvent(e);
    }

private:
    Dialog* owner_;
};

// Reports focus changes of a control, the mouse entering and leaving it, right clicks
// on it, and its mouse buttons and moves with a button held.
class FocusWatcher final : public QObject {
public:
    FocusWatcher(QObject* parent, std::function<void(bool)> onFocus, std::function<void(int)> onMouse,
                 std::function<bool(QKeyEvent*)> onKey, std::function<void(const MouseEvent&)> onPointer)
        : QObject(parent), onFocus_(std::move(onFocus)), onMouse_(std::move(onMouse)), onKey_(std::move(onKey)),
          onPointer_(std::move(onPointer)) {}

protected:
    bool eventFilter(QObject* target, QEvent* e) override {
        switch (e->type()) {
        case QEvent::KeyPress:
            if (onKey_(static_cast<QKeyEvent*>(e))) return true;
            break;
        case QEvent::FocusIn: onFocus_(true); break;
        case QEvent::FocusOut: onFocus_(false); break;
        case QEvent::Enter: onMouse_(0); break;
        case QEvent::Leave: onMouse_(1); break;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
                if (auto* w = qobject_cast<QWidget*>(target)) w->setFocus(Qt::MouseFocusReason);
                onMouse_(2);
            }
            onPointer_(MouseEventFromQt(*static_cast<QMouseEvent*>(e)));
            break;
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: onPointer_(MouseEventFromQt(*static_cast<QMouseEvent*>(e))); break;
        case QEvent::MouseMove:
            if (static_cast<QMouseEvent*>(e)->buttons() != Qt::NoButton)
                onPointer_(MouseEventFromQt(*static_cast<QMouseEvent*>(e)));
            break;
        default: break;
        }
        return false;
    }

private:
    std::function<void(bool)> onFocus_;
    std::function<void(int)> onMouse_;  // 0 entered, 1 left, 2 right button
    std::function<bool(QKeyEvent*)> onKey_;
    std::function<void(const MouseEvent&)> onPointer_;
};

// Owner-drawn list items are drawn by the dialog into an image of the item's size.
class OwnerDrawDelegate final : public QStyledItemDelegate {
public:
    OwnerDrawDelegate(QObject* parent, Dialog& dialog, int id) : QStyledItemDelegate(parent), dialog_(dialog), id_(id) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QRect r = option.rect;
        Image image(r.width(), r.height());
        {
            DrawContext dc(image);
            DrawItemInfo info;
            info.controlId = id_;
            info.item = index.row();
            info.rect = Rect{0, 0, r.width(), r.height()};
            info.selected = option.state & QStyle::State_Selected;
            info.focused = option.state & QStyle::State_HasFocus;
            info.data = index.data(kDataRole).toLongLong();
            dialog_.OnDrawItem(dc, info);
        }
        painter->drawImage(r.topLeft(), image.Data().image);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        if (int h = dialog_.OnMeasureItem(id_); h > 0) s.setHeight(h);
        return s;
    }

private:
    Dialog& dialog_;
    int id_;
};

// Check list items: the list's own check box at the left, the rest drawn by the dialog.
// A click on the box (or the space key) toggles the check through the dialog.
class CheckListDelegate final : public QStyledItemDelegate {
public:
    CheckListDelegate(QObject* parent, Dialog& dialog, int id) : QStyledItemDelegate(parent), dialog_(dialog), id_(id) {}

    static int BoxWidth(const QStyleOptionViewItem& option) { return std::min(option.rect.height(), 20); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QRect r = option.rect;
        const int box = BoxWidth(option);
        QStyleOptionViewItem check(option);
        const int side = 13;
        check.rect = QRect(r.left() + (box - side) / 2, r.top() + (r.height() - side) / 2, side, side);
        check.state = QStyle::State_Enabled;
        check.state |= index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        painter->fillRect(QRect(r.left(), r.top(), box, r.height()), option.palette.base());
        QApplication::style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, option.widget);
        if (r.width() <= box) return;
        Image image(r.width() - box, r.height());
        {
            DrawContext dc(image);
            DrawItemInfo info;
            info.controlId = id_;
            info.item = index.row();
            info.rect = Rect{0, 0, r.width() - box, r.height()};
            info.selected = option.state & QStyle::State_Selected;
            info.focused = option.state & QStyle::State_HasFocus;
            info.data = index.data(kDataRole).toLongLong();
            dialog_.OnDrawItem(dc, info);
        }
        painter->drawImage(QPoint(r.left() + box, r.top()), image.Data().image);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        if (int h = dialog_.OnMeasureItem(id_); h > 0) s.setHeight(h);
        return s;
    }

    bool editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* m = static_cast<QMouseEvent*>(event);
            if (m->button() != Qt::LeftButton || m->position().x() >= option.rect.left() + BoxWidth(option)) return false;
        } else if (event->type() == QEvent::KeyPress) {
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space) return false;
        } else {
            return false;
        }
        dialog_.ToggleItemCheck(id_, index.row());
        return true;
    }

private:
    Dialog& dialog_;
    int id_;
};

// List items whose tab characters align at the list's tab stops (pixels).
class TabStopDelegate final : public QStyledItemDelegate {
public:
    TabStopDelegate(QObject* parent, std::vector<int> stops) : QStyledItemDelegate(parent), stops_(std::move(stops)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        QString text = o.text;
        o.text.clear();
        o.widget->style()->drawControl(QStyle::CE_ItemViewItem, &o, painter, o.widget);
        QRect r = o.widget->style()->subElementRect(QStyle::SE_ItemViewItemText, &o, o.widget);
        painter->save();
        painter->setPen(o.palette.color(o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const QStringList parts = text.split('\t');
        for (int i = 0; i < parts.size(); ++i) {
            int x = i == 0 ? 0 : i - 1 < static_cast<int>(stops_.size()) ? stops_[i - 1] : stops_.back() * i;
            painter->drawText(r.adjusted(x + 2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, parts[i]);
        }
        painter->restore();
    }

private:
    std::vector<int> stops_;
};

// A combo box whose items and selection field the dialog draws (line styles, fills).
class OwnerDrawComboBox final : public QComboBox {
public:
    OwnerDrawComboBox(QWidget* parent, Dialog& dialog, int id) : QComboBox(parent), dialog_(dialog), id_(id) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        if (field.isEmpty()) return;
        Image image(field.width(), field.height(), FromQColor(palette().color(QPalette::Base)));
        {
            DrawContext dc(image);
            DrawItemInfo info;
            info.controlId = id_;
            info.item = currentIndex();
            info.rect = Rect{0, 0, field.width(), field.height()};
            info.focused = hasFocus();
            info.data = currentIndex() >= 0 ? itemData(currentIndex(), kDataRole).toLongLong() : 0;
            dialog_.OnDrawItem(dc, info);
        }
        painter.drawImage(field.topLeft(), image.Data().image);
    }

private:
    Dialog& dialog_;
    int id_;
};

// A text the dialog draws itself (help lines whose prompts wrap), over the dialog's
// background.
class OwnerDrawStatic final : public QLabel {
public:
    OwnerDrawStatic(QWidget* parent, Dialog& dialog, int id) : QLabel(parent), dialog_(dialog), id_(id) {}

protected:
    void paintEvent(QPaintEvent*) override {
        Image image(width(), height(), FromQColor(palette().color(backgroundRole())));
        {
            DrawContext dc(image);
            DrawItemInfo info;
            info.controlId = id_;
            info.rect = Rect{0, 0, width(), height()};
            dialog_.OnDrawItem(dc, info);
        }
        QPainter painter(this);
        painter.drawImage(0, 0, image.Data().image);
    }

private:
    Dialog& dialog_;
    int id_;
};

// A button the dialog draws itself (colour swatches and the like).
class OwnerDrawButton final : public QPushButton {
public:
    OwnerDrawButton(QWidget* parent, Dialog& dialog, int id) : QPushButton(parent), dialog_(dialog), id_(id) {}

protected:
    void paintEvent(QPaintEvent*) override {
        Image image(width(), height());
        {
            DrawContext dc(image);
            DrawItemInfo info;
            info.controlId = id_;
            info.rect = Rect{0, 0, width(), height()};
            info.selected = isDown();
            info.focused = hasFocus();
            dialog_.OnDrawItem(dc, info);
        }
        QPainter painter(this);
        painter.drawImage(0, 0, image.Data().image);
    }

private:
    Dialog& dialog_;
    int id_;
};

struct DialogPeer final : WindowPeer {
    DialogWidget* dlg = nullptr;
    std::map<int, QWidget*> items;
    std::map<int, ControlKind> kinds;
    std::map<int, QTreeWidgetItem*> treeItems;
    int nextTreeHandle = 1;
    QEventLoop* loop = nullptr;
    QButtonGroup* radioGroup = nullptr;  // of the radio buttons made last
    ControlKind previousKind = ControlKind::Static;
    // The controls' callbacks reach the dialog through this; it is cleared when the peer
    // goes, because the controls are deleted later and may still see events until then.
    std::shared_ptr<Dialog*> owner;
    ~DialogPeer() override {
        if (owner) *owner = nullptr;
        if (dlg) dlg->Detach();
        if (loop) loop->quit();
    }
};

DialogPeer* PeerOf(const Dialog& d) { return static_cast<DialogPeer*>(d.Peer()); }

template <class T>
T* Item(const Dialog& d, int id) {
    DialogPeer* p = PeerOf(d);
    if (!p) return nullptr;
    auto it = p->items.find(id);
    return it == p->items.end() ? nullptr : qobject_cast<T*>(it->second);
}

int SortedPosition(const QStringList& texts, const QString& text) {
    auto it = std::upper_bound(texts.begin(), texts.end(), text,
                               [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return static_cast<int>(it - texts.begin());
}

QStringList ListTexts(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

QStringList ComboTexts(QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
}

}  // namespace

Dialog::Dialog(DialogTemplate tmpl) : template_(std::move(tmpl)) { SetText(template_.caption); }
Dialog::~Dialog() { Destroy(); }

Rect Dialog::MapDialogRect(const Rect& u) const {
    QFont font = QApplication::font();
    if (DialogPeer* p = PeerOf(*this)) font = p->dlg->font();
    QFontMetrics fm(font);
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int baseX = std::max(1, (fm.horizontalAdvance(alphabet) / 26 + 1) / 2);
    int baseY = std::max(1, fm.height());
    auto x = [&](int v) { return v * baseX / 4; };
    auto y = [&](int v) { return v * baseY / 8; };
    return Rect{x(u.left), y(u.top), x(u.right), y(u.bottom)};
}

bool Dialog::Build(Window* parent) {
    if (IsCreated()) return false;
    auto* peer = new DialogPeer;
    peer->owner = std::make_shared<Dialog*>(this);
    QWidget* parentWidget = parent && parent->Peer() ? parent->Peer()->widget.data() : nullptr;
    peer->dlg = new DialogWidget(*this, parentWidget);
    peer->widget = peer->dlg;
    QDialog* dlg = peer->dlg;
    dlg->setWindowTitle(ToQString(template_.caption));
    AttachPeer(peer, parent, template_.id);

    Rect size = MapDialogRect(Rect{0, 0, template_.size.cx, template_.size.cy});
    dlg->resize(size.Width(), size.Height());
    for (const ControlSpec& spec : template_.controls) CreateControl(spec);
    // A label's mnemonic moves the focus to the control that follows it, so the label
    // shows its '&' as an underline instead of the character.
    const auto& controls = template_.controls;
    for (size_t i = 0; i + 1 < controls.size(); ++i) {
        if (controls[i].kind != ControlKind::Static || controls[i].text.find('&') == std::string::npos) continue;
        auto* label = qobject_cast<QLabel*>(peer->items.count(controls[i].id) ? peer->items[controls[i].id] : nullptr);
        QWidget* next = peer->items.count(controls[i + 1].id) ? peer->items[controls[i + 1].id] : nullptr;
        if (label && next) label->setBuddy(next);
    }
    return true;
}

void Dialog::AddControl(const ControlSpec& spec) {
    template_.controls.push_back(spec);
    if (!IsCreated()) return;
    CreateControl(spec);
    if (QWidget* w = Item<QWidget>(*this, spec.id); w && !(spec.style & kCtlHidden)) w->show();
}

void Dialog::CreateControl(const ControlSpec& spec) {
    DialogPeer* peer = PeerOf(*this);
    QDialog* dlg = peer->dlg;
    QButtonGroup*& radioGroup = peer->radioGroup;
    ControlKind& previous = peer->previousKind;
    {
        int id = spec.id;
        QWidget* w = nullptr;
        QString text = ToQString(spec.text);
        std::shared_ptr<Dialog*> owner = peer->owner;
        auto notify = [owner, id](Notify code) {
            if (Dialog* d = *owner) d->OnControlNotify(id, code);
        };
        switch (spec.kind) {
        case ControlKind::Static: {
            // A label given room for more than one line breaks its text at words, as
            // a static text of a dialog does.
            auto* l = new QLabel(text, dlg);
            l->setWordWrap(spec.rect.bottom - spec.rect.top >= 16);
            w = l;
            break;
        }
        case ControlKind::OwnerDrawStatic: w = new OwnerDrawStatic(dlg, *this, id); break;
        case ControlKind::Edit: {
            auto* e = new QLineEdit(text, dlg);
            e->setReadOnly(spec.style & kCtlReadOnly);
            if (spec.style & kCtlPassword) e->setEchoMode(QLineEdit::Password);
            QObject::connect(e, &QLineEdit::textChanged, e, [notify] { notify(Notify::Changed); });
            w = e;
            break;
        }
        case ControlKind::MultiLineEdit: {
            auto* e = new QPlainTextEdit(text, dlg);
            e->setReadOnly(spec.style & kCtlReadOnly);
            e->setTabChangesFocus(true);
            QObject::connect(e, &QPlainTextEdit::textChanged, e, [notify] { notify(Notify::Changed); });
            w = e;
            break;
        }
        case ControlKind::PushButton:
        case ControlKind::DefPushButton: {
            auto* b = new QPushButton(text, dlg);
            b->setAutoDefault(false);
            b->setDefault(spec.kind == ControlKind::DefPushButton);
            w = b;
            break;
        }
        case ControlKind::OwnerDrawButton: w = new OwnerDrawButton(dlg, *this, id); break;
        case ControlKind::CheckBox: w = new QCheckBox(text, dlg); break;
        case ControlKind::RadioButton: {
            auto* b = new QRadioButton(text, dlg);
            if (!radioGroup || previous != ControlKind::RadioButton || (spec.style & kCtlGroup)) {
                radioGroup = new QButtonGroup(dlg);
                radioGroup->setExclusive(true);
            }
            radioGroup->addButton(b);
            w = b;
            break;
        }
        case ControlKind::GroupBox: w = new QGroupBox(text, dlg); break;
        case ControlKind::OwnerDrawCombo: {
            auto* c = new OwnerDrawComboBox(dlg, *this, id);
            c->setItemDelegate(new OwnerDrawDelegate(c, *this, id));
            QObject::connect(c, &QComboBox::currentIndexChanged, c, [notify] { notify(Notify::SelChange); });
            w = c;
            break;
        }
        case ControlKind::ComboDropDown:
        case ControlKind::ComboList: {
            auto* c = new QComboBox(dlg);
            c->setEditable(spec.kind == ControlKind::ComboDropDown);
            c->setInsertPolicy(QComboBox::NoInsert);
            QObject::connect(c, &QComboBox::currentIndexChanged, c, [notify] { notify(Notify::SelChange); });
            if (c->isEditable())
                QObject::connect(c, &QComboBox::editTextChanged, c, [notify] { notify(Notify::Changed); });
            w = c;
            break;
        }
        case ControlKind::ListBox:
        case ControlKind::MultiListBox:
        case ControlKind::OwnerDrawListBox:
        case ControlKind::CheckListBox: {
            auto* l = new QListWidget(dlg);
            if (spec.kind == ControlKind::CheckListBox) l->setItemDelegate(new CheckListDelegate(l, *this, id));
            l->setSelectionMode(spec.kind == ControlKind::MultiListBox ? QAbstractItemView::MultiSelection
                                                                       : QAbstractItemView::SingleSelection);
            if (spec.kind == ControlKind::OwnerDrawListBox) l->setItemDelegate(new OwnerDrawDelegate(l, *this, id));
            QObject::connect(l, &QListWidget::currentRowChanged, l, [notify] { notify(Notify::SelChange); });
            QObject::connect(l, &QListWidget::itemDoubleClicked, l, [notify] { notify(Notify::DoubleClick); });
            w = l;
            break;
        }
        case ControlKind::ReportList: {
            auto* t = new QTableWidget(dlg);
            t->verticalHeader()->hide();
            t->setSelectionBehavior(QAbstractItemView::SelectRows);
            t->setSelectionMode(QAbstractItemView::SingleSelection);
            t->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
            QObject::connect(t, &QTableWidget::cellChanged, t, [notify] { notify(Notify::ItemEdited); });
            QObject::connect(t, &QTableWidget::currentCellChanged, t, [notify](int row, int, int oldRow, int) {
                if (row != oldRow) notify(Notify::SelChange);
            });
            w = t;
            break;
        }
        case ControlKind::TreeView: {
            auto* t = new QTreeWidget(dlg);
            t->setHeaderHidden(true);
            QObject::connect(t, &QTreeWidget::currentItemChanged, t, [notify] { notify(Notify::SelChange); });
            w = t;
            break;
        }
        case ControlKind::TabControl: {
            auto* t = new QTabBar(dlg);
            QObject::connect(t, &QTabBar::currentChanged, t, [notify] { notify(Notify::SelChange); });
            w = t;
            break;
        }
        case ControlKind::UpDown: {
            auto* s = new QSpinBox(dlg);
            QObject::connect(s, &QSpinBox::valueChanged, s, [notify] { notify(Notify::Changed); });
            w = s;
            break;
        }
        case ControlKind::ProgressBar: w = new QProgressBar(dlg); break;
        case ControlKind::ScrollBar: {
            auto* s = new QScrollBar((spec.style & kCtlVertical) ? Qt::Vertical : Qt::Horizontal, dlg);
            QObject::connect(s, &QScrollBar::valueChanged, s, [notify] { notify(Notify::Changed); });
            w = s;
            break;
        }
        }
        previous = spec.kind;
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            QObject::connect(button, &QAbstractButton::clicked, button, [owner, id] {
                Dialog* d = *owner;
                if (!d) return;
                if (id == 1) d->OnOK();
                else if (id == 2) d->OnCancel();
                else if (!d->RouteCommand(id)) d->OnControlNotify(id, Notify::Clicked);
            });
        }
        w->installEventFilter(new FocusWatcher(
            w, [notify](bool in) { notify(in ? Notify::SetFocus : Notify::KillFocus); },
            [owner, id](int what) {
                Dialog* d = *owner;
                if (!d) return;
                if (what == 0) d->OnControlHover(id);
                else if (what == 1) d->OnControlHover(0);
                else d->OnControlRightClick(id);
            },
            [owner, id](QKeyEvent* k) {
                Dialog* d = *owner;
                KeyEvent ev{VirtualKeyFromQt(k->key(), k->modifiers()), ModifiersFromQt(k->modifiers()),
                            k->isAutoRepeat()};
                return d && ev.key && d->OnControlKey(id, ev);
            },
            [owner, id](const MouseEvent& event) {
                if (Dialog* d = *owner) d->OnControlMouse(id, event);
            }));
        w->setGeometry(ToQRect(MapDialogRect(spec.rect)));
        w->setEnabled(!(spec.style & kCtlDisabled));
        if (spec.style & kCtlHidden) w->hide();
        peer->items[id] = w;
        peer->kinds[id] = spec.kind;
    }
}

int Dialog::DoModal(Window* parent) {
    if (!parent && Application::Instance()) parent = Application::Instance()->MainWindow();
    if (!Build(parent)) return -1;
    DialogPeer* peer = PeerOf(*this);
    peer->dlg->setWindowModality(Qt::ApplicationModal);
    ended_ = false;
    result_ = 0;
    running_ = true;
    peer->dlg->show();
    if (OnInitDialog() && !ended_) FocusFirstControl();
    backend::EnterModal();
    std::function<int(Dialog&)> script;
    if (!ended_ && backend::TakeModalScript(script)) {
        QTimer::singleShot(0, peer->dlg, [this, script] {
            int answer = script(*this);
            if (!ended_) EndDialog(answer);
        });
    }
    QEventLoop loop;
    if (!ended_ && PeerOf(*this)) {
        PeerOf(*this)->loop = &loop;
        loop.exec();
    }
    backend::LeaveModal();
    running_ = false;
    Destroy();
    return result_;
}

bool Dialog::CreateModeless(Window* parent) {
    if (!parent && Application::Instance()) parent = Application::Instance()->MainWindow();
    if (!Build(parent)) return false;
    ended_ = false;
    PeerOf(*this)->dlg->show();
    if (OnInitDialog() && PeerOf(*this)) FocusFirstControl();
    return true;
}

bool Dialog::CreateAsChild(Window& parent, const Rect& where) {
    if (!parent.Peer() || !Build(&parent)) return false;
    DialogPeer* peer = PeerOf(*this);
    peer->dlg->setWindowFlags(Qt::Widget);
    peer->dlg->setGeometry(ToQRect(where));
    ended_ = false;
    peer->dlg->show();
    OnInitDialog();
    return true;
}

void Dialog::FocusFirstControl() {
    for (const ControlSpec& spec : template_.controls) {
        auto* w = Item<QWidget>(*this, spec.id);
        if (w && w->isEnabled() && !w->isHidden() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void Dialog::EndDialog(int result) {
    result_ = result;
    ended_ = true;
    DialogPeer* peer = PeerOf(*this);
    if (!peer) return;
    if (running_) {
        peer->dlg->hide();
        if (peer->loop) peer->loop->quit();
    } else {
        Destroy();
    }
}

// ---- controls by id ------------------------------------------------------------------

bool Dialog::HasItem(int id) const { return PeerOf(*this) && PeerOf(*this)->items.count(id); }

void Dialog::SetItemText(int id, const std::string& text) {
    QString s = ToQString(text);
    if (auto* e = Item<QLineEdit>(*this, id)) e->setText(s);
    else if (auto* m = Item<QPlainTextEdit>(*this, id)) m->setPlainText(s);
    else if (auto* l = Item<QLabel>(*this, id)) l->setText(s);
    else if (auto* b = Item<QAbstractButton>(*this, id)) b->setText(s);
    else if (auto* g = Item<QGroupBox>(*this, id)) g->setTitle(s);
    else if (auto* c = Item<QComboBox>(*this, id); c && c->isEditable()) c->setEditText(s);
    else if (auto* sp = Item<QSpinBox>(*this, id)) sp->setValue(s.toInt());
}

std::string Dialog::ItemText(int id) const {
    if (auto* e = Item<QLineEdit>(*this, id)) return FromQString(e->text());
    if (auto* m = Item<QPlainTextEdit>(*this, id)) return FromQString(m->toPlainText());
    if (auto* l = Item<QLabel>(*this, id)) return FromQString(l->text());
    if (auto* b = Item<QAbstractButton>(*this, id)) return FromQString(b->text());
    if (auto* g = Item<QGroupBox>(*this, id)) return FromQString(g->title());
    if (auto* c = Item<QComboBox>(*this, id)) return FromQString(c->currentText());
    if (auto* sp = Item<QSpinBox>(*this, id)) return std::to_string(sp->value());
    return {};
}

void Dialog::EnableItem(int id, bool enabled) {
    if (auto* w = Item<QWidget>(*this, id)) w->setEnabled(enabled);
}
bool Dialog::IsItemEnabled(int id) const {
    auto* w = Item<QWidget>(*this, id);
    return w && w->isEnabled();
}
namespace {
QAction* ToolAction(const Dialog& d, int barId, int command) {
    auto* bar = Item<QToolBar>(d, barId);
    if (!bar) return nullptr;
    for (QAction* a : bar->actions())
        if (a->data().toInt() == command && command != 0) return a;
    return nullptr;
}
}  // namespace

bool Dialog::AddToolBar(int id, const Image& strip, Size buttonSize, const std::vector<ToolButton>& buttons,
                        const Rect& where) {
    DialogPeer* peer = PeerOf(*this);
    if (!peer || peer->items.count(id)) return false;
    auto* bar = new QToolBar(peer->dlg);
    bar->setIconSize(QSize(buttonSize.cx, buttonSize.cy));
    std::shared_ptr<Dialog*> owner = peer->owner;
    for (const ToolButton& b : buttons) {
        if (b.command == 0) {
            bar->addSeparator();
            continue;
        }
        QImage picture = strip.Data().image.copy(QRect(QPoint(b.image * buttonSize.cx, 0), QSize(buttonSize.cx, buttonSize.cy)));
        QAction* action = bar->addAction(QIcon(QPixmap::fromImage(picture)), ToQString(b.tip));
        action->setData(b.command);
        action->setCheckable(b.style & kToolCheck);
        int command = b.command;
        QObject::connect(action, &QAction::triggered, bar, [owner, command] {
            if (Dialog* d = *owner) d->RouteCommand(command);
        });
    }
    bar->setGeometry(ToQRect(MapDialogRect(where)));
    bar->show();
    peer->items[id] = bar;
    return true;
}

void Dialog::CheckToolButton(int barId, int command, bool checked) {
    if (QAction* a = ToolAction(*this, barId, command)) a->setChecked(checked);
}

bool Dialog::IsToolButtonChecked(int barId, int command) const {
    QAction* a = ToolAction(*this, barId, command);
    return a && a->isChecked();
}

bool Dialog::PressDialogToolButton(int barId, int command) {
    QAction* a = ToolAction(*this, barId, command);
    if (!a || !a->isEnabled()) return false;
    a->trigger();
    return true;
}

void Dialog::SetTabStops(int id, const std::vector<int>& stops) {
    std::vector<int> pixels;
    for (int s : stops) pixels.push_back(MapDialogRect(Rect{0, 0, s, 0}).Width());
    if (auto* m = Item<QPlainTextEdit>(*this, id)) {
        if (!pixels.empty()) m->setTabStopDistance(pixels.front());
    } else if (auto* l = Item<QListWidget>(*this, id); l && !pixels.empty()) {
        l->setItemDelegate(new TabStopDelegate(l, pixels));
    }
}

Rect Dialog::ItemRect(int id) const {
    auto* w = Item<QWidget>(*this, id);
    if (!w) return Rect{};
    QRect g = w->geometry();
    return Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void Dialog::MoveItem(int id, const Rect& r) {
    if (auto* w = Item<QWidget>(*this, id)) w->setGeometry(r.left, r.top, r.Width(), r.Height());
}

void Dialog::InvalidateItem(int id) {
    if (auto* w = Item<QWidget>(*this, id)) w->update();
}
void Dialog::ShowItem(int id, bool shown) {
    if (auto* w = Item<QWidget>(*this, id)) w->setVisible(shown);
}
bool Dialog::IsItemVisible(int id) const {
    auto* w = Item<QWidget>(*this, id);
    return w && !w->isHidden();
}
void Dialog::FocusItem(int id) {
    if (auto* w = Item<QWidget>(*this, id)) w->setFocus(Qt::OtherFocusReason);
}

int Dialog::FocusedItem() const {
    DialogPeer* p = PeerOf(*this);
    if (!p) return 0;
    QWidget* focus = p->dlg->focusWidget();
    for (const auto& [id, w] : p->items)
        if (focus && (w == focus || w->isAncestorOf(focus))) return id;
    return 0;
}

void Dialog::SetEditSel(int id, int start, int end) {
    if (auto* e = Item<QLineEdit>(*this, id)) {
        int n = static_cast<int>(e->text().size());
        start = std::clamp(start, 0, n);
        end = end < 0 ? n : std::clamp(end, 0, n);
        e->setSelection(start, end - start);
    } else if (auto* m = Item<QPlainTextEdit>(*this, id)) {
        QTextCursor c = m->textCursor();
        int n = m->document()->characterCount() - 1;
        c.setPosition(std::clamp(start, 0, n));
        c.setPosition(end < 0 ? n : std::clamp(end, 0, n), QTextCursor::KeepAnchor);
        m->setTextCursor(c);
    }
}

bool Dialog::EditSel(int id, int& start, int& end) const {
    if (auto* e = Item<QLineEdit>(*this, id)) {
        start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
        end = e->hasSelectedText() ? e->selectionEnd() : e->cursorPosition();
        return true;
    }
    if (auto* m = Item<QPlainTextEdit>(*this, id)) {
        start = m->textCursor().selectionStart();
        end = m->textCursor().selectionEnd();
        return true;
    }
    return false;
}

void Dialog::ReplaceEditSel(int id, const std::string& text) {
    if (auto* e = Item<QLineEdit>(*this, id)) e->insert(ToQString(text));
    else if (auto* m = Item<QPlainTextEdit>(*this, id)) m->insertPlainText(ToQString(text));
}

bool Dialog::CanUndoEdit(int id) const {
    if (auto* e = Item<QLineEdit>(*this, id)) return e->isUndoAvailable();
    if (auto* m = Item<QPlainTextEdit>(*this, id)) return m->document()->isUndoAvailable();
    return false;
}

void Dialog::ScrollEditCaret(int id) {
    // A one-line edit keeps its caret in view by itself.
    if (auto* m = Item<QPlainTextEdit>(*this, id)) m->ensureCursorVisible();
}

void Dialog::SetEditLimit(int id, int maxChars) {
    if (auto* e = Item<QLineEdit>(*this, id)) e->setMaxLength(maxChars > 0 ? maxChars : 32767);
}

void Dialog::SetItemColors(int id, Color text, Color background) {
    auto* w = Item<QWidget>(*this, id);
    if (!w) return;
    QPalette p = w->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, ToQColor(text));
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        p.setColor(role, ToQColor(background));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void Dialog::SetItemFont(int id, const Font& font) {
    if (auto* w = Item<QWidget>(*this, id)) w->setFont(ToQFont(font));
}

void Dialog::CheckButton(int id, int state) {
    if (auto* b = Item<QAbstractButton>(*this, id)) {
        QSignalBlocker block(b);
        b->setChecked(state != 0);
    }
}

int Dialog::IsButtonChecked(int id) const {
    auto* b = Item<QAbstractButton>(*this, id);
    return b && b->isChecked() ? 1 : 0;
}

void Dialog::CheckRadioButton(int first, int last, int checked) {
    for (int id = first; id <= last; ++id) {
        auto* b = Item<QAbstractButton>(*this, id);
        if (!b) continue;
        QButtonGroup* group = b->group();
        bool exclusive = group && group->exclusive();
        if (group) group->setExclusive(false);  // lets every button of the range be cleared
        b->setChecked(id == checked);
        if (group) group->setExclusive(exclusive);
    }
}

// ---- lists, combos, tabs -------------------------------------------------------------

int Dialog::AddString(int id, const std::string& text) { return InsertString(id, -1, text); }

int Dialog::InsertString(int id, int index, const std::string& text) {
    QString s = ToQString(text);
    DialogPeer* p = PeerOf(*this);
    bool sorted = false;
    if (p)
        for (const ControlSpec& spec : template_.controls)
            if (spec.id == id) sorted = spec.style & kCtlSorted;
    if (auto* l = Item<QListWidget>(*this, id)) {
        QSignalBlocker block(l);
        int at = sorted && index < 0 ? SortedPosition(ListTexts(l), s) : (index < 0 || index > l->count() ? l->count() : index);
        l->insertItem(at, s);
        if (dynamic_cast<CheckListDelegate*>(l->itemDelegate())) {
            l->item(at)->setFlags(l->item(at)->flags() | Qt::ItemIsUserCheckable);
            l->item(at)->setCheckState(Qt::Unchecked);
        }
        return at;
    }
    if (auto* c = Item<QComboBox>(*this, id)) {
        QSignalBlocker block(c);
        int at = sorted && index < 0 ? SortedPosition(ComboTexts(c), s) : (index < 0 || index > c->count() ? c->count() : index);
        c->insertItem(at, s);
        if (c->count() == 1) c->setCurrentIndex(-1);  // adding selects nothing
        return at;
    }
    if (auto* t = Item<QTabBar>(*this, id)) {
        QSignalBlocker block(t);
        return t->insertTab(index < 0 ? t->count() : index, s);
    }
    return -1;
}

bool Dialog::DeleteString(int id, int index) {
    if (auto* l = Item<QListWidget>(*this, id); l && index >= 0 && index < l->count()) {
        QSignalBlocker block(l);
        delete l->takeItem(index);
        return true;
    }
    if (auto* c = Item<QComboBox>(*this, id); c && index >= 0 && index < c->count()) {
        QSignalBlocker block(c);
        c->removeItem(index);
        return true;
    }
    if (auto* t = Item<QTabBar>(*this, id); t && index >= 0 && index < t->count()) {
        QSignalBlocker block(t);
        t->removeTab(index);
        return true;
    }
    return false;
}

void Dialog::ResetContent(int id) {
    if (auto* l = Item<QListWidget>(*this, id)) {
        QSignalBlocker block(l);
        l->clear();
    } else if (auto* c = Item<QComboBox>(*this, id)) {
        QSignalBlocker block(c);
        c->clear();
    } else if (auto* t = Item<QTableWidget>(*this, id)) {
        QSignalBlocker block(t);
        t->setRowCount(0);
    }
}

bool Dialog::SetItemCheck(int id, int index, bool checked) {
    auto* l = Item<QListWidget>(*this, id);
    if (!l || index < 0 || index >= l->count()) return false;
    QSignalBlocker block(l);
    l->item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return true;
}

int Dialog::ItemCheck(int id, int index) const {
    auto* l = Item<QListWidget>(*this, id);
    if (!l || index < 0 || index >= l->count()) return -1;
    return l->item(index)->checkState() == Qt::Checked ? 1 : 0;
}

bool Dialog::ToggleItemCheck(int id, int index) {
    auto* l = Item<QListWidget>(*this, id);
    if (!l || index < 0 || index >= l->count()) return false;
    SetItemCheck(id, index, ItemCheck(id, index) == 0);
    l->setCurrentRow(index);  // notifies the selection change first
    OnControlNotify(id, Notify::CheckChanged);
    return true;
}

int Dialog::ItemCount(int id) const {
    if (auto* l = Item<QListWidget>(*this, id)) return l->count();
    if (auto* c = Item<QComboBox>(*this, id)) return c->count();
    if (auto* t = Item<QTabBar>(*this, id)) return t->count();
    if (auto* r = Item<QTableWidget>(*this, id)) return r->rowCount();
    return -1;
}

std::string Dialog::ItemString(int id, int index) const {
    if (auto* l = Item<QListWidget>(*this, id); l && index >= 0 && index < l->count())
        return FromQString(l->item(index)->text());
    if (auto* c = Item<QComboBox>(*this, id); c && index >= 0 && index < c->count()) return FromQString(c->itemText(index));
    if (auto* t = Item<QTabBar>(*this, id); t && index >= 0 && index < t->count()) return FromQString(t->tabText(index));
    return {};
}

bool Dialog::SetItemData(int id, int index, long long data) {
    if (auto* l = Item<QListWidget>(*this, id); l && index >= 0 && index < l->count()) {
        l->item(index)->setData(kDataRole, data);
        return true;
    }
    if (auto* c = Item<QComboBox>(*this, id); c && index >= 0 && index < c->count()) {
        c->setItemData(index, data, kDataRole);
        return true;
    }
    if (auto* t = Item<QTabBar>(*this, id); t && index >= 0 && index < t->count()) {
        t->setTabData(index, data);
        return true;
    }
    return false;
}

long long Dialog::ItemData(int id, int index) const {
    if (auto* l = Item<QListWidget>(*this, id); l && index >= 0 && index < l->count())
        return l->item(index)->data(kDataRole).toLongLong();
    if (auto* c = Item<QComboBox>(*this, id); c && index >= 0 && index < c->count())
        return c->itemData(index, kDataRole).toLongLong();
    if (auto* t = Item<QTabBar>(*this, id); t && index >= 0 && index < t->count()) return t->tabData(index).toLongLong();
    return -1;
}

bool Dialog::SetCurSel(int id, int index) {
    if (auto* l = Item<QListWidget>(*this, id)) {
        if (index >= l->count()) return false;
        QSignalBlocker block(l);
        if (index < 0) {
            l->clearSelection();
            l->setCurrentRow(-1);
        } else {
            l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        }
        return true;
    }
    if (auto* c = Item<QComboBox>(*this, id)) {
        if (index >= c->count()) return false;
        QSignalBlocker block(c);
        c->setCurrentIndex(index);
        return true;
    }
    if (auto* t = Item<QTabBar>(*this, id)) {
        if (index < 0 || index >= t->count()) return false;
        QSignalBlocker block(t);
        t->setCurrentIndex(index);
        return true;
    }
    if (auto* r = Item<QTableWidget>(*this, id)) {
        if (index >= r->rowCount()) return false;
        QSignalBlocker block(r);
        r->setCurrentCell(index, 0);
        return true;
    }
    return false;
}

int Dialog::CurSel(int id) const {
    if (auto* l = Item<QListWidget>(*this, id)) {
        if (l->selectionMode() == QAbstractItemView::MultiSelection) return l->currentRow();
        return l->currentItem() && l->currentItem()->isSelected() ? l->currentRow() : -1;
    }
    if (auto* c = Item<QComboBox>(*this, id)) return c->currentIndex();
    if (auto* t = Item<QTabBar>(*this, id)) return t->currentIndex();
    if (auto* r = Item<QTableWidget>(*this, id)) return r->currentRow();
    return -1;
}

int Dialog::FindStringExact(int id, const std::string& text) const {
    QString s = ToQString(text);
    int n = ItemCount(id);
    for (int i = 0; i < n; ++i)
        if (ToQString(ItemString(id, i)).compare(s, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int Dialog::SelectString(int id, const std::string& prefix) {
    QString s = ToQString(prefix);
    int n = ItemCount(id);
    for (int i = 0; i < n; ++i) {
        if (ToQString(ItemString(id, i)).startsWith(s, Qt::CaseInsensitive)) {
            SetCurSel(id, i);
            return i;
        }
    }
    return -1;
}

bool Dialog::SetSel(int id, int index, bool selected) {
    auto* l = Item<QListWidget>(*this, id);
    if (!l) return false;
    QSignalBlocker block(l);
    if (index < 0) {
        for (int i = 0; i < l->count(); ++i) l->item(i)->setSelected(selected);
        return true;
    }
    if (index >= l->count()) return false;
    l->item(index)->setSelected(selected);
    return true;
}

std::vector<int> Dialog::SelectedItems(int id) const {
    std::vector<int> out;
    if (auto* l = Item<QListWidget>(*this, id))
        for (int i = 0; i < l->count(); ++i)
            if (l->item(i)->isSelected()) out.push_back(i);
    return out;
}

// ---- report lists and trees ----------------------------------------------------------

int Dialog::InsertColumn(int id, int column, const std::string& title, int width) {
    auto* t = Item<QTableWidget>(*this, id);
    if (!t) return -1;
    int at = column < 0 || column > t->columnCount() ? t->columnCount() : column;
    t->insertColumn(at);
    t->setHorizontalHeaderItem(at, new QTableWidgetItem(ToQString(title)));
    if (width > 0) t->setColumnWidth(at, width);
    return at;
}

int Dialog::InsertRow(int id, int row, const std::string& text) {
    auto* t = Item<QTableWidget>(*this, id);
    if (!t) return -1;
    QSignalBlocker block(t);
    int at = row < 0 || row > t->rowCount() ? t->rowCount() : row;
    t->insertRow(at);
    t->setItem(at, 0, new QTableWidgetItem(ToQString(text)));
    return at;
}

bool Dialog::SetCellText(int id, int row, int column, const std::string& text) {
    auto* t = Item<QTableWidget>(*this, id);
    if (!t || row < 0 || row >= t->rowCount() || column < 0 || column >= t->columnCount()) return false;
    QSignalBlocker block(t);
    if (QTableWidgetItem* item = t->item(row, column)) item->setText(ToQString(text));
    else t->setItem(row, column, new QTableWidgetItem(ToQString(text)));
    return true;
}

std::string Dialog::CellText(int id, int row, int column) const {
    auto* t = Item<QTableWidget>(*this, id);
    if (!t) return {};
    QTableWidgetItem* item = t->item(row, column);
    return item ? FromQString(item->text()) : std::string();
}

bool Dialog::SetCellEditable(int id, int row, int column, bool editable) {
    auto* t = Item<QTableWidget>(*this, id);
    if (!t || row < 0 || row >= t->rowCount() || column < 0 || column >= t->columnCount()) return false;
    QSignalBlocker block(t);
    QTableWidgetItem* item = t->item(row, column);
    if (!item) t->setItem(row, column, item = new QTableWidgetItem);
    item->setFlags(editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
    return true;
}

int Dialog::RowCount(int id) const {
    auto* t = Item<QTableWidget>(*this, id);
    return t ? t->rowCount() : -1;
}

bool Dialog::EditCell(int id, int row, int column) {
    auto* t = Item<QTableWidget>(*this, id);
    if (!t || row < 0 || row >= t->rowCount() || column < 0 || column >= t->columnCount()) return false;
    if (!t->item(row, column)) {
        QSignalBlocker block(t);
        t->setItem(row, column, new QTableWidgetItem);
    }
    t->setCurrentCell(row, column);
    t->editItem(t->item(row, column));
    return true;
}

int Dialog::InsertTreeItem(int id, int parent, const std::string& text) {
    auto* t = Item<QTreeWidget>(*this, id);
    DialogPeer* p = PeerOf(*this);
    if (!t) return 0;
    QTreeWidgetItem* item = nullptr;
    if (parent == 0) {
        item = new QTreeWidgetItem(t, QStringList(ToQString(text)));
    } else {
        auto it = p->treeItems.find(parent);
        if (it == p->treeItems.end()) return 0;
        item = new QTreeWidgetItem(it->second, QStringList(ToQString(text)));
    }
    int handle = p->nextTreeHandle++;
    item->setData(0, kTreeHandleRole, handle);
    p->treeItems[handle] = item;
    return handle;
}

bool Dialog::SelectTreeItem(int id, int item) {
    auto* t = Item<QTreeWidget>(*this, id);
    DialogPeer* p = PeerOf(*this);
    if (!t) return false;
    auto it = p->treeItems.find(item);
    if (it == p->treeItems.end()) return false;
    t->setCurrentItem(it->second);
    return true;
}

int Dialog::SelectedTreeItem(int id) const {
    auto* t = Item<QTreeWidget>(*this, id);
    if (!t || !t->currentItem()) return 0;
    return t->currentItem()->data(0, kTreeHandleRole).toInt();
}

std::string Dialog::TreeItemText(int id, int item) const {
    DialogPeer* p = PeerOf(*this);
    if (!Item<QTreeWidget>(*this, id)) return {};
    auto it = p->treeItems.find(item);
    return it == p->treeItems.end() ? std::string() : FromQString(it->second->text(0));
}

bool Dialog::SetTreeItemData(int id, int item, long long data) {
    DialogPeer* p = PeerOf(*this);
    if (!Item<QTreeWidget>(*this, id)) return false;
    auto it = p->treeItems.find(item);
    if (it == p->treeItems.end()) return false;
    it->second->setData(0, kDataRole, QVariant::fromValue(data));
    return true;
}

long long Dialog::TreeItemData(int id, int item) const {
    DialogPeer* p = PeerOf(*this);
    if (!Item<QTreeWidget>(*this, id)) return 0;
    auto it = p->treeItems.find(item);
    return it == p->treeItems.end() ? 0 : it->second->data(0, kDataRole).toLongLong();
}

bool Dialog::ExpandTreeItem(int id, int item, bool expand) {
    DialogPeer* p = PeerOf(*this);
    if (!Item<QTreeWidget>(*this, id)) return false;
    auto it = p->treeItems.find(item);
    if (it == p->treeItems.end()) return false;
    it->second->setExpanded(expand);
    return true;
}

bool Dialog::DeleteTreeItem(int id, int item) {
    DialogPeer* p = PeerOf(*this);
    if (!Item<QTreeWidget>(*this, id)) return false;
    auto it = p->treeItems.find(item);
    if (it == p->treeItems.end()) return false;
    // Forget the handles of the item and everything below it before it goes.
    QTreeWidgetItem* root = it->second;
    std::vector<QTreeWidgetItem*> stack{root};
    while (!stack.empty()) {
        QTreeWidgetItem* node = stack.back();
        stack.pop_back();
        p->treeItems.erase(node->data(0, kTreeHandleRole).toInt());
        for (int i = 0; i < node->childCount(); ++i) stack.push_back(node->child(i));
    }
    delete root;
    return true;
}

std::vector<int> Dialog::TreeChildren(int id, int item) const {
    std::vector<int> out;
    auto* t = Item<QTreeWidget>(*this, id);
    DialogPeer* p = PeerOf(*this);
    if (!t) return out;
    if (item == 0) {
        for (int i = 0; i < t->topLevelItemCount(); ++i) out.push_back(t->topLevelItem(i)->data(0, kTreeHandleRole).toInt());
        return out;
    }
    auto it = p->treeItems.find(item);
    if (it == p->treeItems.end()) return out;
    for (int i = 0; i < it->second->childCount(); ++i) out.push_back(it->second->child(i)->data(0, kTreeHandleRole).toInt());
    return out;
}

// ---- ranges --------------------------------------------------------------------------

void Dialog::SetRange(int id, int minimum, int maximum) {
    if (auto* s = Item<QSpinBox>(*this, id)) s->setRange(minimum, maximum);
    else if (auto* b = Item<QProgressBar>(*this, id)) b->setRange(minimum, maximum);
    else if (auto* sb = Item<QScrollBar>(*this, id)) sb->setRange(minimum, maximum);
}

void Dialog::SetPageStep(int id, int step) {
    if (auto* sb = Item<QScrollBar>(*this, id)) sb->setPageStep(step);
}

void Dialog::SetPos(int id, int position) {
    if (auto* s = Item<QSpinBox>(*this, id)) {
        QSignalBlocker block(s);
        s->setValue(position);
    } else if (auto* b = Item<QProgressBar>(*this, id)) {
        b->setValue(position);
    } else if (auto* sb = Item<QScrollBar>(*this, id)) {
        QSignalBlocker block(sb);
        sb->setValue(position);
    }
}

int Dialog::Pos(int id) const {
    if (auto* s = Item<QSpinBox>(*this, id)) return s->value();
    if (auto* b = Item<QProgressBar>(*this, id)) return b->value();
    if (auto* sb = Item<QScrollBar>(*this, id)) return sb->value();
    return 0;
}

// ---- automation of controls ----------------------------------------------------------

namespace {

// Keys for a control go to the part of it that has the focus: the text of a combo box,
// the in-place editor of a report list.
QWidget* InputTargetOf(QWidget* control) {
    if (qobject_cast<QAbstractItemView*>(control))
        for (QLineEdit* editor : control->findChildren<QLineEdit*>())
            if (editor->isVisible()) return editor;
    QWidget* focus = control->focusWidget();
    if (focus && focus != control && control->isAncestorOf(focus)) return focus;
    if (auto* c = qobject_cast<QComboBox*>(control); c && c->lineEdit()) return c->lineEdit();
    return control;
}

}  // namespace

namespace automation {

void SendKeyToItem(Dialog& dialog, int id, int key, int modifiers) {
    auto* w = Item<QWidget>(dialog, id);
    if (!w) return;
    QWidget* target = InputTargetOf(w);
    Qt::KeyboardModifiers mods = QtModifiers(modifiers);
    QString text;
    if (!(modifiers & (kCtrlDown | kAltDown))) {
        if (key >= 'A' && key <= 'Z') text = QString(QChar((modifiers & kShiftDown) ? key : key + 32));
        else if ((key >= '0' && key <= '9') || key == key::kSpace) text = QString(QChar(key));
    }
    SendKeyTo(target, QtKeyFromVirtual(key), mods, text);
}

void SendTextToItem(Dialog& dialog, int id, const std::string& text) {
    auto* w = Item<QWidget>(dialog, id);
    if (!w) return;
    SendTextTo(InputTargetOf(w), text);
}

void ClickItem(Dialog& dialog, int id) {
    if (auto* b = Item<QAbstractButton>(dialog, id)) b->click();
}

void HoverItem(Dialog& dialog, int id) {
    if (auto* w = Item<QWidget>(dialog, id)) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(w->mapToGlobal(QPoint(1, 1))));
        QCoreApplication::sendEvent(w, &enter);
    }
}

void RightClickItem(Dialog& dialog, int id) {
    if (auto* w = Item<QWidget>(dialog, id)) {
        QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    }
}

void SendMouseToItem(Dialog& dialog, int id, MouseAction action, Point at, int flags) {
    SendMouseTo(Item<QWidget>(dialog, id), action, at, flags);
}

}  // namespace automation
}  // namespace platform
