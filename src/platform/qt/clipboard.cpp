// The clipboard through Qt's: text, images, recorded pictures and private formats.

#include "platform/clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <map>

#include "platform/image.h"
#include "platform/picture.h"
#include "platform/qt/native.h"

namespace platform::clipboard {
namespace {

const QString kPictureFormat = QStringLiteral("application/x-ob7-picture");
QString PrivateFormat(const std::string& name) { return QStringLiteral("application/x-ob7-") + ToQString(name); }

// What this program put on the clipboard since the last Clear, by MIME type, and the
// data object that carries it (to tell whether someone else replaced it since).
struct Owned {
    std::map<QString, QByteArray> formats;
    QString text;
    bool hasText = false;
    QImage image;
    const QMimeData* placed = nullptr;
};
Owned& Mine() {
    static Owned owned;
    return owned;
}

QClipboard* Board() { return QApplication::clipboard(); }

void Publish() {
    Owned& o = Mine();
    auto* data = new QMimeData;
    if (o.hasText) data->setText(o.text);
    if (!o.image.isNull()) data->setImageData(o.image);
    for (const auto& [format, bytes] : o.formats) data->setData(format, bytes);
    Board()->setMimeData(data);
    o.placed = Board()->mimeData();
}

// Starts from what this program placed, unless the clipboard changed hands since.
Owned& Editable() {
    Owned& o = Mine();
    if (o.placed == nullptr || Board()->mimeData() != o.placed) o = Owned{};
    return o;
}

const QMimeData* Current() { return Board() ? Board()->mimeData() : nullptr; }

}  // namespace

void Clear() {
    Mine() = Owned{};
    if (Board()) Board()->clear();
}

void SetText(const std::string& text) {
    Owned& o = Editable();
    o.text = ToQString(text);
    o.hasText = true;
    Publish();
}

bool HasText() {
    const QMimeData* d = Current();
    return d && d->hasText();
}

std::string Text() {
    const QMimeData* d = Current();
    return d && d->hasText() ? FromQString(d->text()) : std::string();
}

void SetImage(const Image& image) {
    Owned& o = Editable();
    o.image = image.Data().image;
    Publish();
}

bool HasImage() {
    const QMimeData* d = Current();
    return d && d->hasImage();
}

Image GetImage() {
    Image out;
    const QMimeData* d = Current();
    if (d && d->hasImage())
        out.Data().image = qvariant_cast<QImage>(d->imageData()).convertToFormat(QImage::Format_RGB32);
    return out;
}

void SetPicture(const Picture& picture) {
    std::vector<unsigned char> bytes = picture.Bytes();
    Owned& o = Editable();
    o.formats[kPictureFormat] = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    Publish();
}

bool HasPicture() {
    const QMimeData* d = Current();
    return d && d->hasFormat(kPictureFormat);
}

Picture GetPicture() {
    Picture out;
    const QMimeData* d = Current();
    if (!d || !d->hasFormat(kPictureFormat)) return out;
    QByteArray raw = d->data(kPictureFormat);
    out.SetBytes(std::vector<unsigned char>(raw.begin(), raw.end()));
    return out;
}

void SetPrivate(const std::string& format, const std::vector<unsigned char>& bytes) {
    Owned& o = Editable();
    o.formats[PrivateFormat(format)] = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    Publish();
}

bool HasPrivate(const std::string& format) {
    const QMimeData* d = Current();
    return d && d->hasFormat(PrivateFormat(format));
}

std::vector<unsigned char> GetPrivate(const std::string& format) {
    const QMimeData* d = Current();
    if (!d || !d->hasFormat(PrivateFormat(format))) return {};
    QByteArray raw = d->data(PrivateFormat(format));
    return std::vector<unsigned char>(raw.begin(), raw.end());
}

}  // namespace platform::clipboard
