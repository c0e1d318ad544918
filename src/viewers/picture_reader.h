#pragma once
// Pictures by their file's extension: JPEG, GIF, BMP, WMF and EMF, each
// read for its natural size, in full, or decoded for a target box.

#include "core/errors.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <limits>

namespace viewers {

enum class PictureKind { None, Bmp, Wmf, Emf, Jpeg, Gif };

// By the last four characters (".BMP", ".WMF", ".EMF", ".JPG", ".GIF") or
// the last five (".JPEG"), in any case.
PictureKind pictureKind(const QString& name);
inline bool isPictureName(const QString& name) {
    return pictureKind(name) != PictureKind::None;
}

// A picture that cannot be read or decoded; the text names the file.
class PictureError : public core::TavError {
  public:
    explicit PictureError(const QString& path);
};

// No picture above this is decoded: its memory would be out of all measure.
constexpr qint64 kMaxPicturePixels = 100'000'000;
constexpr qint64 kNoByteLimit = std::numeric_limits<qint64>::max();

// The natural size in pixels, from the header alone (metafiles at 96 dpi).
// Throws PictureError.
QSize pictureSize(const QString& path);

// The whole picture, or with a box, a picture at least that large where the
// format can decode smaller (JPEG scaled in the decoder, a large GIF sampled
// down, metafiles drawn at the box size); others come whole. A picture that
// would take more than maxBytes to decode is refused before it is decoded.
// Throws PictureError.
QImage readPicture(const QString& path, QSize box = {}, qint64 maxBytes = kNoByteLimit);

// A picture file read once, for its size and then its picture (the two
// functions above, each of which reads the file).
class PictureFile {
  public:
    explicit PictureFile(const QString& path);                         // throws PictureError
    QSize size() const;                                                // as pictureSize
    QImage read(QSize box = {}, qint64 maxBytes = kNoByteLimit) const; // as readPicture

  private:
    QString m_path;
    PictureKind m_kind;
    QByteArray m_data;
};

} // namespace viewers
