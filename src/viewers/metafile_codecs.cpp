// Metafiles: EMF through libemf2svg, WMF through libwmf's SVG device; both
// drawn with Qt's SVG renderer. The records are walked first: a file whose
// records do not chain up to its end is refused before any library sees it.
#include "picture_codecs.h"

#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <cstdlib>

#include <emf2svg.h>
extern "C" {
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace viewers::codecs {

namespace {

quint32 u32(const QByteArray& d, qsizetype at) {
    if (at < 0 || at + 4 > d.size()) return 0;
    const auto* p = reinterpret_cast<const uchar*>(d.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 u16(const QByteArray& d, qsizetype at) {
    if (at < 0 || at + 2 > d.size()) return 0;
    const auto* p = reinterpret_cast<const uchar*>(d.constData()) + at;
    return quint16(p[0] | p[1] << 8);
}
qint32 i32(const QByteArray& d, qsizetype at) {
    return qint32(u32(d, at));
}
qint16 i16(const QByteArray& d, qsizetype at) {
    return qint16(u16(d, at));
}

QSize pixelsOf(double width, double height) {
    if (!(width > 0 && height > 0 && width < 1e6 && height < 1e6)) return {};
    return QSize(std::max(1, int(std::lround(width))), std::max(1, int(std::lround(height))));
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
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("");
    options.svgDelimiter = true;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
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
        if (natural) *natural = QSize(int(width), int(height));
        if (size.isEmpty()) size = QSize(int(width), int(height));
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
                svg = QByteArray(text, qsizetype(length));
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
    return wmfToSvg(d, QSize(1, 1), svg, &size) && acceptable(size);
}

bool readWmf(const QByteArray& d, QSize box, QImage& image, qint64 maxBytes) {
    QSize natural;
    if (!wmfSize(d, natural)) return false;
    const QSize size = box.isEmpty() ? natural : box;
    if (!fits(size, maxBytes)) return false;
    QByteArray svg;
    return wmfToSvg(d, size, svg, nullptr) && drawSvg(svg, size, image);
}

} // namespace viewers::codecs
