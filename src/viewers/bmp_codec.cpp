// BMP: Windows headers (40, 52, 56, 108 and 124 bytes) and OS/2 ones (12,
// 16 to 64 bytes); bottom-up or top-down rows; 1, 4, 8, 16, 24 and 32 bits
// a pixel; RLE8, RLE4 and bit fields. The palette holds what lies between
// the header and the pixels, however short; every offset and count is
// checked against the bytes.
#include "picture_codecs.h"

#include <QList>
#include <algorithm>
#include <bit>

namespace viewers::codecs {

namespace {

constexpr quint32 kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
constexpr qint64 kFileHeader = 14;

// One colour channel of a pixel by its mask, stretched to 0..255.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    quint32 top = 0; // the largest value the mask holds
    explicit Channel(quint32 m = 0) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        top = m >> shift;
    }
    int of(quint32 v) const {
        return top ? int((quint64((v & mask) >> shift) * 255 + top / 2) / top) : 0;
    }
};

struct Bmp {
    int width = 0, height = 0;
    bool topDown = false;
    int bits = 0;
    quint32 compression = kRgb;
    qint64 pixels = 0; // where the pixel data starts
    QList<QRgb> palette;
    Channel red, green, blue, alpha;
};

bool parse(const QByteArray& d, Bmp& b) {
    if (d.size() < kFileHeader + 12 || d[0] != 'B' || d[1] != 'M') return false;
    const qint64 info = u32(d, 14), offBits = u32(d, 10);
    if (info < 12 || info > d.size() - kFileHeader) return false;
    qint64 width = 0, height = 0;
    const bool os2v1 = info == 12;
    // OS/2's second header: 16 to 64 bytes, other than Windows' sizes.
    const bool os2v2 = info >= 16 && info <= 64 && info != 40 && info != 52 && info != 56;
    quint32 colours = 0;
    if (os2v1) {
        width = u16(d, 18);
        height = u16(d, 20);
        b.bits = u16(d, 24);
    } else {
        width = qint32(u32(d, 18));
        height = qint32(u32(d, 22));
        b.bits = u16(d, 28);
        if (info >= 20) b.compression = u32(d, 30);
        if (info >= 36) colours = u32(d, 46);
    }
    // OS/2's compressions 3 and 4 are Huffman and RLE24, read by no one.
    if (os2v2 && (b.compression == 3 || b.compression == 4)) return false;
    b.topDown = height < 0;
    height = std::abs(height);
    if (width <= 0 || height <= 0 || width > (1 << 30) || height > (1 << 30)) return false;
    b.width = int(width);
    b.height = int(height);
    if (!acceptable(QSize(b.width, b.height))) return false;
    switch (b.compression) {
    case kRgb:
        if (b.bits != 1 && b.bits != 4 && b.bits != 8 && b.bits != 16 && b.bits != 24 &&
            b.bits != 32)
            return false;
        break;
    case kRle8:
        if (b.bits != 8 || b.topDown) return false;
        break;
    case kRle4:
        if (b.bits != 4 || b.topDown) return false;
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (b.bits != 16 && b.bits != 32) return false;
        break;
    default:
        return false;
    }
    qint64 after = kFileHeader + info; // the palette, or the masks of a 40-byte header
    if (b.compression == kBitFields || b.compression == kAlphaBitFields) {
        const qint64 masks = info >= 52 ? kFileHeader + 40 : after;
        b.red = Channel(u32(d, masks));
        b.green = Channel(u32(d, masks + 4));
        b.blue = Channel(u32(d, masks + 8));
        if (info >= 56 || b.compression == kAlphaBitFields) b.alpha = Channel(u32(d, masks + 12));
        if (info < 52) after += b.compression == kAlphaBitFields ? 16 : 12;
    } else if (b.bits == 16) {
        b.red = Channel(0x7C00), b.green = Channel(0x03E0), b.blue = Channel(0x001F);
    } else if (b.bits == 32) {
        b.red = Channel(0xFF0000), b.green = Channel(0xFF00), b.blue = Channel(0xFF);
        if (info >= 56) b.alpha = Channel(u32(d, kFileHeader + 52));
    }
    // The pixels where the file header says, when that is past the headers;
    // the palette is what lies between, however few entries that makes.
    const bool offsetSound = offBits >= after && offBits < d.size();
    if (b.bits <= 8) {
        const qint64 entry = os2v1 ? 3 : 4;
        qint64 count = colours && colours < (1u << b.bits) ? colours : (1 << b.bits);
        const qint64 room = (offsetSound ? offBits : d.size()) - after;
        count = std::clamp<qint64>(room / entry, 0, count);
        if (count == 0) return false;
        b.palette.reserve(count);
        const auto* p = reinterpret_cast<const uchar*>(d.constData()) + after;
        for (qint64 i = 0; i < count; ++i, p += entry)
            b.palette << qRgb(p[2], p[1], p[0]);
        after += count * entry;
    }
    b.pixels = offsetSound ? offBits : after;
    return b.pixels < d.size();
}

// Writes the decoded pixels into an image sampled one pixel of step x step.
class Sampler {
  public:
    Sampler(const Bmp& b, int step, QImage& image) : m_b(b), m_step(step), m_image(image) {}
    // Row y of the picture (from the top), or nullptr when not sampled.
    QRgb* row(int y) const {
        if (y < 0 || y >= m_b.height || y % m_step) return nullptr;
        return reinterpret_cast<QRgb*>(m_image.scanLine(y / m_step));
    }
    void set(QRgb* out, int x, QRgb colour) const {
        if (out && x >= 0 && x < m_b.width && x % m_step == 0) out[x / m_step] = colour;
    }
    int step() const { return m_step; }

  private:
    const Bmp& m_b;
    int m_step;
    QImage& m_image;
};

QRgb paletteColour(const Bmp& b, int index) {
    return index < b.palette.size() ? b.palette[index] : qRgb(0, 0, 0);
}

bool readRows(const QByteArray& d, const Bmp& b, const Sampler& s, bool& anyAlpha) {
    const qint64 stride = (qint64(b.width) * b.bits + 31) / 32 * 4;
    // Every row whole; the last one's padding may be missing.
    if (d.size() - b.pixels < stride * (b.height - 1) + (qint64(b.width) * b.bits + 7) / 8)
        return false;
    const auto* base = reinterpret_cast<const uchar*>(d.constData()) + b.pixels;
    for (int y = 0; y < b.height; y += s.step()) {
        QRgb* out = s.row(y);
        const uchar* line = base + stride * (b.topDown ? y : b.height - 1 - y);
        for (int x = 0; x < b.width; x += s.step()) {
            QRgb c;
            switch (b.bits) {
            case 1:
                c = paletteColour(b, (line[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                c = paletteColour(b, (line[x >> 1] >> (x & 1 ? 0 : 4)) & 15);
                break;
            case 8:
                c = paletteColour(b, line[x]);
                break;
            case 24: {
                const uchar* p = line + 3 * qint64(x);
                c = qRgb(p[2], p[1], p[0]);
                break;
            }
            default: {
                const uchar* p = line + (b.bits / 8) * qint64(x);
                const quint32 v = b.bits == 16 ? quint32(p[0] | p[1] << 8)
                                               : quint32(p[0]) | quint32(p[1]) << 8 |
                                                     quint32(p[2]) << 16 | quint32(p[3]) << 24;
                const int a = b.alpha.mask ? b.alpha.of(v) : 255;
                anyAlpha = anyAlpha || a > 0;
                c = qRgba(b.red.of(v), b.green.of(v), b.blue.of(v), a);
            }
            }
            s.set(out, x, c);
        }
    }
    return true;
}

// RLE8 and RLE4, bottom-up; pixels the codes pass over keep the first
// palette colour. The codes end at end of bitmap or of the bytes.
bool readRle(const QByteArray& d, const Bmp& b, const Sampler& s) {
    const auto* p = reinterpret_cast<const uchar*>(d.constData());
    const qint64 end = d.size();
    qint64 at = b.pixels;
    const bool four = b.compression == kRle4;
    int x = 0, y = 0; // y counted from the bottom
    QRgb* out = s.row(b.height - 1);
    const auto moveTo = [&](int nx, int ny) {
        x = nx;
        if (ny != y) out = s.row(b.height - 1 - ny);
        y = ny;
    };
    while (at + 2 <= end && y < b.height) {
        const int count = p[at], code = p[at + 1];
        at += 2;
        if (count > 0) { // a run
            for (int i = 0; i < count; ++i, ++x)
                s.set(out, x, paletteColour(b, four ? (i & 1 ? code & 15 : code >> 4) : code));
            continue;
        }
        if (code == 0) {
            moveTo(0, y + 1);
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (at + 2 > end) break;
            moveTo(x + p[at], y + p[at + 1]);
            at += 2;
        } else { // `code` pixels as they are, padded to a 16-bit boundary
            const qint64 bytes = four ? (code + 1) / 2 : code;
            if (at + bytes > end) return false;
            for (int i = 0; i < code; ++i, ++x) {
                const uchar v = p[at + (four ? i / 2 : i)];
                s.set(out, x, paletteColour(b, four ? (i & 1 ? v & 15 : v >> 4) : v));
            }
            at += bytes + (bytes & 1);
        }
    }
    return true;
}

} // namespace

bool bmpSize(const QByteArray& data, QSize& size) {
    Bmp b;
    if (!parse(data, b)) return false;
    size = QSize(b.width, b.height);
    return true;
}

bool readBmp(const QByteArray& data, QSize box, QImage& image, qint64 maxBytes) {
    Bmp b;
    if (!parse(data, b)) return false;
    // With a box, one pixel of step x step kept, leaving at least twice the box.
    int step = 1;
    if (!box.isEmpty())
        step = std::max(1, std::min(b.width / (2 * box.width()), b.height / (2 * box.height())));
    const QSize size((b.width + step - 1) / step, (b.height + step - 1) / step);
    if (!fits(size, maxBytes)) return false;
    const DecodeCharge charge(qint64(size.width()) * size.height() * 4, maxBytes);
    if (!charge) return false;
    const bool hasAlpha = b.alpha.mask != 0;
    image = QImage(size, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return false;
    const Sampler sampler(b, step, image);
    bool anyAlpha = false;
    if (b.compression == kRle8 || b.compression == kRle4) {
        image.fill(paletteColour(b, 0));
        return readRle(data, b, sampler);
    }
    if (!readRows(data, b, sampler, anyAlpha)) return false;
    // An alpha channel that is zero everywhere was never written: opaque.
    if (hasAlpha && !anyAlpha) image = image.convertToFormat(QImage::Format_RGB32);
    return true;
}

} // namespace viewers::codecs
