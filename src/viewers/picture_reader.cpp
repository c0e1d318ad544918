#include "picture_reader.h"
#include "picture_codecs.h"
#include "platform/platform.h"

#include <QFile>
#include <QFileInfo>

namespace viewers {

PictureKind pictureKind(const QString& name) {
    const QString four = name.right(4).toUpper();
    if (four == u".BMP") return PictureKind::Bmp;
    if (four == u".WMF") return PictureKind::Wmf;
    if (four == u".EMF") return PictureKind::Emf;
    if (four == u".JPG") return PictureKind::Jpeg;
    if (four == u".GIF") return PictureKind::Gif;
    if (name.right(5).toUpper() == u".JPEG") return PictureKind::Jpeg;
    return PictureKind::None;
}

PictureError::PictureError(const QString& path)
    : TavError(QStringLiteral("Image illisible : %1").arg(QFileInfo(path).fileName())) {}

namespace {

// The file's bytes; regular files only, and none larger than a picture of
// the largest size could be.
QByteArray contents(const QString& path) {
    QFile file(path);
    constexpr qint64 kLargest = 512ll << 20;
    if (!platform::Platform::instance().openForRead(file) || file.size() > kLargest)
        throw PictureError(path);
    QByteArray data = file.readAll();
    if (data.isEmpty()) throw PictureError(path);
    return data;
}

} // namespace

QSize pictureSize(const QString& path) {
    return PictureFile(path).size();
}

QImage readPicture(const QString& path, QSize box, qint64 maxBytes) {
    return PictureFile(path).read(box, maxBytes);
}

PictureFile::PictureFile(const QString& path)
    : m_path(path), m_kind(pictureKind(path)), m_data(contents(path)) {}

QSize PictureFile::size() const {
    const QByteArray& data = m_data;
    const QString& path = m_path;
    QSize size;
    bool ok = false;
    switch (m_kind) {
    case PictureKind::Jpeg:
        ok = codecs::jpegSize(data, size);
        break;
    case PictureKind::Gif:
        ok = codecs::gifSize(data, size);
        break;
    case PictureKind::Bmp:
        ok = codecs::bmpSize(data, size);
        break;
    case PictureKind::Emf:
        ok = codecs::emfSize(data, size);
        break;
    case PictureKind::Wmf:
        ok = codecs::wmfSize(data, size);
        break;
    case PictureKind::None:
        break;
    }
    if (!ok || !codecs::acceptable(size)) throw PictureError(path);
    return size;
}

QImage PictureFile::read(QSize box, qint64 maxBytes) const {
    const QByteArray& data = m_data;
    const QString& path = m_path;
    QImage image;
    bool ok = false;
    switch (m_kind) {
    case PictureKind::Jpeg:
        ok = codecs::readJpeg(data, box, image, maxBytes);
        break;
    case PictureKind::Gif:
        ok = codecs::readGif(data, box, image, maxBytes);
        break;
    case PictureKind::Bmp:
        ok = codecs::readBmp(data, box, image, maxBytes);
        break;
    case PictureKind::Emf:
        ok = codecs::readEmf(data, box, image, maxBytes);
        break;
    case PictureKind::Wmf:
        ok = codecs::readWmf(data, box, image, maxBytes);
        break;
    case PictureKind::None:
        break;
    }
    if (!ok || image.isNull()) throw PictureError(path);
    return image;
}

} // namespace viewers
