// Metafiles: EMF through libemf2svg, WMF through libwmf's SVG device; both
// drawn with Qt's SVG renderer. The records are walked first: a file whose
// records do not chain up to its end is refused before any library sees it.
#include "picture_codecs.h"

#include <QMutex>
#include <QPainter>
#include <QStringDecoder>
#include <QSvgRenderer>
#include <cmath>
#include <cstdlib>

#include <emf2svg.h>
extern "C" {
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

// The EMF converter ends each conversion that matched a font with
// fontconfig's FcFini, which tears down the configuration and caches that
// Qt (drawing any text, on any thread) holds: with two pictures drawn at
// once the program aborts. Fontconfig's state lives as long as the program
// here; this definition stands in for the library's for every caller.
extern "C" void FcFini(void) {}

namespace viewers::codecs {

namespace {

// The converters keep state of their own and reach FreeType and
// fontconfig: one metafile is converted and drawn at a time.
QMutex& metafileLock() {
    static QMutex lock;
    return lock;
}

qint32 i32(const QByteArray& d, qsizetype at) {
    return qint32(u32(d, at));
}
qint16 i16(const QByteArray& d, qsizetype at) {
    return qint16(u16(d, at));
}

// A drawing's size in pixels: a vector larger than kMaxDrawnPixels is drawn
// scaled down to it, its proportions kept.
QSize pixelsOf(double width, double height) {
    if (!(width > 0 && height > 0 && width < 1e9 && height < 1e9)) return {};
    if (const double area = width * height; area > double(kMaxDrawnPixels)) {
        const double scale = std::sqrt(double(kMaxDrawnPixels) / area);
        width *= scale;
        height *= scale;
    }
    if (width >= 1e6 || height >= 1e6) return {};
    return QSize(std::max(1, int(std::floor(width + 0.5))),
                 std::max(1, int(std::floor(height + 0.5))));
}

// Draws an SVG text at `size` on a transparent picture.
bool drawSvg(const QByteArray& svg, QSize size, QImage& image) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid() || !acceptable(size)) return false;
    image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return false;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return true;
}

// ---- EMF ----

constexpr quint32 kEmfHeader = 1, kEmfEnd = 14, kEmfSignature = 0x464D4520;

bool emfRecordsChain(const QByteArray& d) {
    if (u32(d, 0) != kEmfHeader || u32(d, 40) != kEmfSignature) return false;
    qsizetype at = 0;
    for (qsizetype count = 0; at + 8 <= d.size(); ++count) {
        const quint32 type = u32(d, at), size = u32(d, at + 4);
        if (size < 8 || size % 4 || size > quint32(d.size() - at)) return false;
        if (type == kEmfEnd) return true;
        if (count >= kMaxMetafileRecords) return false;
        at += size;
    }
    return at == d.size();
}

} // namespace

bool emfSize(const QByteArray& d, QSize& size) {
    if (!emfRecordsChain(d)) return false;
    // The frame, in hundredths of a millimetre; else the bounds in pixels.
    const double mm = 96.0 / 2540.0;
    size = pixelsOf((double(i32(d, 32)) - i32(d, 24)) * mm, (double(i32(d, 36)) - i32(d, 28)) * mm);
    if (size.isEmpty())
        size = pixelsOf(double(i32(d, 16)) - i32(d, 8) + 1, double(i32(d, 20)) - i32(d, 12) + 1);
    return acceptable(size);
}

bool readEmf(const QByteArray& d, QSize box, QImage& image, qint64 maxBytes) {
    QSize natural;
    if (!emfSize(d, natural)) return false;
    const QSize size = box.isEmpty() ? natural : box;
    if (!fits(size, maxBytes)) return false;
    const DecodeCharge charge(qint64(size.width()) * size.height() * 4 + d.size() * 8, maxBytes);
    if (!charge) return false;
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("");
    options.svgDelimiter = true;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    const QMutexLocker locked(&metafileLock());
    QByteArray copy = d; // the converter wants writable bytes
    char* out = nullptr;
    size_t length = 0;
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &out, &length, &options);
    const QByteArray svg = out ? QByteArray(out, qsizetype(length)) : QByteArray();
    std::free(out);
    return ok && drawSvg(svg, size, image);
}

// ---- WMF ----

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;

// The offset of the standard header, after the placeable one if any.
qsizetype wmfHeader(const QByteArray& d) {
    return u32(d, 0) == kPlaceableKey ? 22 : 0;
}

bool wmfRecordsChain(const QByteArray& d) {
    const qsizetype header = wmfHeader(d);
    const quint16 type = u16(d, header), words = u16(d, header + 2);
    if ((type != 1 && type != 2) || words != 9) return false;
    // The reader allocates the longest record the header names: none is
    // longer than the file.
    if (u32(d, header + 12) > quint32(d.size() / 2)) return false;
    qsizetype at = header + 18;
    for (qsizetype count = 0; at + 6 <= d.size(); ++count) {
        const quint32 size = u32(d, at);
        const quint16 function = u16(d, at + 4);
        if (size < 3 || size > quint32((d.size() - at) / 2)) return false;
        if (function == 0) return true;
        if (count >= kMaxMetafileRecords) return false;
        at += qsizetype(size) * 2;
    }
    return false;
}

// Adobe's Symbol encoding from 0x20 up, as Unicode (0 where it has nothing).
constexpr char16_t kSymbol[224] = {
    // 0x20
    u' ', u'!', 0x2200, u'#', 0x2203, u'%', u'&', 0x220B, u'(', u')', 0x2217, u'+', u',', 0x2212,
    u'.', u'/', u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u':', u';', u'<', u'=',
    u'>', u'?',
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A,
    0x039B, 0x039C, 0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    0x039E, 0x03A8, 0x0396, u'[', 0x2234, u']', 0x22A5, u'_',
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA,
    0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    0x03BE, 0x03C8, 0x03B6, u'{', u'|', u'}', 0x223C, 0,
    // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193, 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284,
    0x2282, 0x2286, 0x2208, 0x2209, 0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3,
    0x23A7, 0x23A8, 0x23A9, 0x23AA, 0, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0};

// libwmf's SVG device writes each text's bytes as they stand in the font's
// code page, unescaped: the texts become UTF-8 (Symbol's by its own table,
// the others' as Windows-1252) with &, < and > escaped, so that the SVG
// reader takes them.
QByteArray textsAsUtf8(const QByteArray& svg) {
    static const QByteArray open("<text"), close("</text>");
    QStringDecoder cp1252("windows-1252");
    QByteArray out;
    out.reserve(svg.size() + svg.size() / 8);
    qsizetype at = 0;
    for (;;) {
        const qsizetype tag = svg.indexOf(open, at);
        const qsizetype content = tag < 0 ? -1 : svg.indexOf('>', tag);
        const qsizetype end = content < 0 ? -1 : svg.indexOf(close, content);
        if (end < 0) break;
        static const QByteArray symbolFamily("font-family:Symbol");
        const bool symbol = svg.sliced(tag, content - tag).contains(symbolFamily);
        // Symbol's characters, once Unicode, are drawn by a font that has them.
        out += symbol ? svg.sliced(at, content + 1 - at).replace(symbolFamily, "font-family:serif")
                      : svg.sliced(at, content + 1 - at);
        QString text;
        for (qsizetype i = content + 1; i < end; ++i) {
            const uchar c = uchar(svg[i]);
            const char16_t mapped = symbol && c >= 0x20 ? kSymbol[c - 0x20] : 0;
            if (mapped) {
                text += QChar(mapped);
            } else if (c >= 0x80) {
                const char byte = char(c);
                text += cp1252.isValid() ? QString(cp1252.decode(QByteArrayView(&byte, 1)))
                                         : QString(QChar(c));
            } else {
                text += QChar(c);
            }
        }
        text.replace(u'&', QStringLiteral("&amp;"))
            .replace(u'<', QStringLiteral("&lt;"))
            .replace(u'>', QStringLiteral("&gt;"));
        out += text.toUtf8();
        at = end;
    }
    out += svg.sliced(at);
    return out;
}

// libwmf's SVG device: the picture as an SVG text of `size` (the natural
// size when empty, answered in `natural`).
bool wmfToSvg(const QByteArray& d, QSize size, QByteArray& svg, QSize* natural) {
    wmfAPI* api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        return false;
    }
    QByteArray copy = d;
    bool ok = false;
    wmfD_Rect bounds;
    wmf_svg_t* device = WMF_SVG_GetData(api);
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(copy.data()), long(copy.size())) ==
            wmf_E_None &&
        wmf_scan(api, 0, &bounds) == wmf_E_None) {
        unsigned int width = 0, height = 0;
        wmf_display_size(api, &width, &height, 96, 96);
        const QSize drawn = pixelsOf(width, height);
        if (natural) *natural = drawn;
        if (size.isEmpty()) size = drawn;
        if (acceptable(size)) {
            device->bbox = bounds;
            device->width = unsigned(size.width());
            device->height = unsigned(size.height());
            device->out = wmf_stream_create(api, nullptr);
            if (device->out && wmf_play(api, 0, &bounds) == wmf_E_None) {
                char* text = nullptr;
                unsigned long length = 0;
                wmf_stream_destroy(api, device->out, &text, &length);
                device->out = nullptr;
                svg = textsAsUtf8(QByteArray(text, qsizetype(length)));
                ok = !svg.isEmpty();
            }
        }
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return ok;
}

} // namespace

bool wmfSize(const QByteArray& d, QSize& size) {
    if (!wmfRecordsChain(d)) return false;
    if (wmfHeader(d) > 0) {
        const double inch = u16(d, 14);
        if (inch <= 0) return false;
        const double w = std::abs(double(i16(d, 10)) - i16(d, 6)),
                     h = std::abs(double(i16(d, 12)) - i16(d, 8));
        size = pixelsOf(w * 96 / inch, h * 96 / inch);
        return acceptable(size);
    }
    QByteArray svg;
    const QMutexLocker locked(&metafileLock());
    return wmfToSvg(d, QSize(1, 1), svg, &size) && acceptable(size);
}

bool readWmf(const QByteArray& d, QSize box, QImage& image, qint64 maxBytes) {
    QSize natural;
    if (!wmfSize(d, natural)) return false;
    const QSize size = box.isEmpty() ? natural : box;
    if (!fits(size, maxBytes)) return false;
    const DecodeCharge charge(qint64(size.width()) * size.height() * 4 + d.size() * 8, maxBytes);
    if (!charge) return false;
    QByteArray svg;
    const QMutexLocker locked(&metafileLock());
    return wmfToSvg(d, size, svg, nullptr) && drawSvg(svg, size, image);
}

} // namespace viewers::codecs
