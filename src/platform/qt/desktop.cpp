// Desktop metrics, system colours, the help window.

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTextBrowser>

#include "platform/desktop.h"
#include "platform/image.h"
#include "platform/help_viewer.h"
#include "platform/qt/native.h"

namespace platform {

namespace desktop {

Size ScreenSize() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? Size{screen->geometry().width(), screen->geometry().height()} : Size{};
}

Rect WorkArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->availableGeometry()) : Rect{};
}

int ScrollBarWidth() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }
int CaptionHeight() { return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight); }
int MenuHeight() {
    QMenuBar bar;  // the height a one-line menu bar takes
    bar.addMenu(QStringLiteral("File"));
    return bar.sizeHint().height();
}

int LogicalDpi() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(screen->logicalDotsPerInch()) : 96;
}

Color GetSystemColor(SystemColor which) {
    QPalette p = QApplication::palette();
    switch (which) {
    case SystemColor::Window: return FromQColor(p.color(QPalette::Base));
    case SystemColor::WindowText: return FromQColor(p.color(QPalette::Text));
    case SystemColor::ButtonFace: return FromQColor(p.color(QPalette::Button));
    case SystemColor::ButtonShadow: return FromQColor(p.color(QPalette::Dark));
    case SystemColor::ButtonHighlight: return FromQColor(p.color(QPalette::Light));
    case SystemColor::ButtonText: return FromQColor(p.color(QPalette::ButtonText));
    case SystemColor::Highlight: return FromQColor(p.color(QPalette::Highlight));
    case SystemColor::HighlightText: return FromQColor(p.color(QPalette::HighlightedText));
    case SystemColor::GrayText: return FromQColor(p.color(QPalette::Disabled, QPalette::Text));
    case SystemColor::ToolTip: return FromQColor(p.color(QPalette::ToolTipBase));
    case SystemColor::ToolTipText: return FromQColor(p.color(QPalette::ToolTipText));
    case SystemColor::AppWorkspace: return FromQColor(p.color(QPalette::Mid));
    }
    return 0;
}

int ModifierKeys() { return ModifiersFromQt(QGuiApplication::queryKeyboardModifiers()); }

Image StandardIcon(MessageIcon icon, int size) {
    QStyle::StandardPixmap which = icon == MessageIcon::Hand          ? QStyle::SP_MessageBoxCritical
                                   : icon == MessageIcon::Question    ? QStyle::SP_MessageBoxQuestion
                                   : icon == MessageIcon::Exclamation ? QStyle::SP_MessageBoxWarning
                                                                      : QStyle::SP_MessageBoxInformation;
    Image out(size, size, GetSystemColor(SystemColor::ButtonFace));
    QPainter painter(&out.Data().image);
    QApplication::style()->standardIcon(which).paint(&painter, QRect(0, 0, size, size));
    return out;
}

std::vector<FontFace> FontFaces() {
    std::vector<FontFace> out;
    for (const QString& family : QFontDatabase::families()) {
        FontFace face;
        face.name = FromQString(family);
        face.fixedPitch = QFontDatabase::isFixedPitch(family);
        face.scalable = QFontDatabase::isScalable(family);
        if (!face.scalable)
            for (int size : QFontDatabase::pointSizes(family)) face.bitmapSizes.push_back(size);
        out.push_back(std::move(face));
    }
    return out;
}

}  // namespace desktop

namespace help {
namespace {
QPointer<QTextBrowser> viewer;
QString title;
}  // namespace

void ShowTopic(const std::string& topicTitle, const std::string& text) {
    if (!viewer) {
        viewer = new QTextBrowser;
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->resize(480, 360);
    }
    title = ToQString(topicTitle);
    viewer->setWindowTitle(title);
    viewer->setPlainText(ToQString(text));
    viewer->show();
    viewer->raise();
}

void Close() {
    if (viewer) viewer->close();
    title.clear();
}

bool IsOpen() { return viewer && viewer->isVisible(); }
std::string CurrentTitle() { return IsOpen() ? FromQString(title) : std::string(); }
std::string CurrentText() { return IsOpen() ? FromQString(viewer->toPlainText()) : std::string(); }

}  // namespace help
}  // namespace platform
