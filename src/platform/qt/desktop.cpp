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

namespace {

// The palette entry of each system colour (grey text is the disabled text).
std::pair<QPalette::ColorGroup, QPalette::ColorRole> EntryOf(SystemColor which) {
    switch (which) {
    case SystemColor::Window: return {QPalette::Active, QPalette::Base};
    case SystemColor::WindowText: return {QPalette::Active, QPalette::Text};
    case SystemColor::ButtonFace: return {QPalette::Active, QPalette::Button};
    case SystemColor::ButtonShadow: return {QPalette::Active, QPalette::Dark};
    case SystemColor::ButtonHighlight: return {QPalette::Active, QPalette::Light};
    case SystemColor::ButtonText: return {QPalette::Active, QPalette::ButtonText};
    case SystemColor::Highlight: return {QPalette::Active, QPalette::Highlight};
    case SystemColor::HighlightText: return {QPalette::Active, QPalette::HighlightedText};
    case SystemColor::GrayText: return {QPalette::Disabled, QPalette::Text};
    case SystemColor::ToolTip: return {QPalette::Active, QPalette::ToolTipBase};
    case SystemColor::ToolTipText: return {QPalette::Active, QPalette::ToolTipText};
    case SystemColor::AppWorkspace: return {QPalette::Active, QPalette::Mid};
    }
    return {QPalette::Active, QPalette::Base};
}

}  // namespace

Color GetSystemColor(SystemColor which) {
    const auto [group, role] = EntryOf(which);
    return FromQColor(QApplication::palette().color(group, role));
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

namespace automation {

void SetSystemColor(desktop::SystemColor which, Color color) {
    QPalette palette = QApplication::palette();
    const auto [group, role] = desktop::EntryOf(which);
    if (group == QPalette::Disabled) palette.setColor(group, role, ToQColor(color));
    else palette.setColor(role, ToQColor(color));
    QApplication::setPalette(palette);
    QCoreApplication::sendPostedEvents();
}

}  // namespace automation

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
