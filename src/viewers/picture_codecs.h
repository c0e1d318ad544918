#pragma once
// The decoders behind readPicture, on bytes in memory. Each answers false
// for bytes it cannot decode; none reads past the bytes or decodes a
// picture above kMaxPicturePixels.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace viewers::codecs {

bool jpegSize(const QByteArray& data, QSize& size);
// Scaled down by 2, 4 or 8 in the decoder while the result still covers box.
bool readJpeg(const QByteArray& data, QSize box, QImage& image);

bool gifSize(const QByteArray& data, QSize& size);
// The first frame on the logical screen, transparency kept.
bool readGif(const QByteArray& data, QImage& image);

bool bmpSize(const QByteArray& data, QSize& size);
bool readBmp(const QByteArray& data, QImage& image);

// Metafiles: the frame (EMF) or the placeable header's bounds (WMF) at 96
// dpi; drawn through SVG at `box`, or at the natural size.
bool emfSize(const QByteArray& data, QSize& size);
bool readEmf(const QByteArray& data, QSize box, QImage& image);
bool wmfSize(const QByteArray& data, QSize& size);
bool readWmf(const QByteArray& data, QSize box, QImage& image);

inline bool acceptable(QSize s) {
    return s.width() > 0 && s.height() > 0 && qint64(s.width()) * s.height() <= 100'000'000;
}

} // namespace viewers::codecs
