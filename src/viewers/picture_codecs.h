#pragma once
// The decoders behind readPicture, on bytes in memory. Each answers false
// for bytes it cannot decode; none reads past the bytes or decodes a
// picture above kMaxPicturePixels, and none takes more than `maxBytes` for
// one picture (counted from the headers, before decoding) or more than its
// share of kDecodeBudget.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <limits>

namespace viewers::codecs {

constexpr qint64 kNoByteLimit = std::numeric_limits<qint64>::max();

bool jpegSize(const QByteArray& data, QSize& size);
// Scaled down by 2, 4 or 8 in the decoder while the result still covers box.
// A progressive picture also counts the decoder's whole-picture buffer.
bool readJpeg(const QByteArray& data, QSize box, QImage& image, qint64 maxBytes = kNoByteLimit);

bool gifSize(const QByteArray& data, QSize& size);
// The first frame on the logical screen, transparency kept. With a box, a
// screen much larger than the box is sampled down while it is decoded.
bool readGif(const QByteArray& data, QSize box, QImage& image, qint64 maxBytes = kNoByteLimit);

bool bmpSize(const QByteArray& data, QSize& size);
// With a box, a picture much larger than the box is sampled down while it
// is decoded.
bool readBmp(const QByteArray& data, QSize box, QImage& image, qint64 maxBytes = kNoByteLimit);

// Metafiles: the frame (EMF) or the placeable header's bounds (WMF) at 96
// dpi, scaled down to kMaxDrawnPixels when larger; drawn through SVG at
// `box`, or at that size.
constexpr qint64 kMaxDrawnPixels = 50'000'000;
// A metafile of more records than kMaxMetafileRecords is refused.
constexpr qsizetype kMaxMetafileRecords = 100'000;
bool emfSize(const QByteArray& data, QSize& size);
bool readEmf(const QByteArray& data, QSize box, QImage& image, qint64 maxBytes = kNoByteLimit);
bool wmfSize(const QByteArray& data, QSize& size);
bool readWmf(const QByteArray& data, QSize box, QImage& image, qint64 maxBytes = kNoByteLimit);

// The memory the decodes running at once may hold together. Each decode
// takes its charge (counted from the headers) before it allocates, and
// gives it back when done: one that finds too little left waits for the
// others; one larger than the whole budget, or than its caller's
// maxBytes, is refused.
constexpr qint64 kDecodeBudget = qint64(1) << 30;

// Waits until `bytes` are free and answers what was taken (at least 1),
// or 0 when they never can be. Code that may longjmp uses these two.
qint64 takeDecodeCharge(qint64 bytes, qint64 maxBytes);
void giveBackDecodeCharge(qint64 taken);

class DecodeCharge {
  public:
    explicit DecodeCharge(qint64 bytes, qint64 maxBytes = kNoByteLimit)
        : m_bytes(takeDecodeCharge(bytes, maxBytes)) {}
    ~DecodeCharge() { giveBackDecodeCharge(m_bytes); }
    DecodeCharge(const DecodeCharge&) = delete;
    DecodeCharge& operator=(const DecodeCharge&) = delete;
    explicit operator bool() const { return m_bytes > 0; }

  private:
    qint64 m_bytes = 0;
};

// Little-endian numbers in a file's bytes; 0 past their end.
inline quint32 u32(const QByteArray& d, qint64 at) {
    if (at < 0 || at + 4 > d.size()) return 0;
    const auto* p = reinterpret_cast<const uchar*>(d.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
inline quint16 u16(const QByteArray& d, qint64 at) {
    if (at < 0 || at + 2 > d.size()) return 0;
    const auto* p = reinterpret_cast<const uchar*>(d.constData()) + at;
    return quint16(p[0] | p[1] << 8);
}

inline bool acceptable(QSize s) {
    return s.width() > 0 && s.height() > 0 && qint64(s.width()) * s.height() <= 100'000'000;
}

// Acceptable, and its 32-bit pixels within maxBytes.
inline bool fits(QSize s, qint64 maxBytes) {
    return acceptable(s) && qint64(s.width()) * s.height() * 4 <= maxBytes;
}

} // namespace viewers::codecs
