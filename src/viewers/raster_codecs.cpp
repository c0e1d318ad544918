// JPEG through libjpeg(-turbo), GIF through giflib; the decodes' shared memory budget.
#include "jpeg_eighth.h"
#include "picture_codecs.h"

#include <QMutex>
#include <QWaitCondition>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <gif_lib.h>

namespace viewers::codecs {

// ---- the decodes' memory ----

namespace {
struct Budget {
    QMutex lock;
    QWaitCondition freed;
    qint64 left = kDecodeBudget;
};
Budget& budget() {
    static Budget b;
    return b;
}
} // namespace

qint64 takeDecodeCharge(qint64 bytes, qint64 maxBytes) {
    bytes = std::max<qint64>(bytes, 1);
    if (bytes > kDecodeBudget || bytes > maxBytes) return 0;
    Budget& b = budget();
    QMutexLocker locked(&b.lock);
    while (b.left < bytes)
        b.freed.wait(&b.lock);
    b.left -= bytes;
    return bytes;
}

void giveBackDecodeCharge(qint64 taken) {
    if (taken <= 0) return;
    Budget& b = budget();
    QMutexLocker locked(&b.lock);
    b.left += taken;
    b.freed.wakeAll();
}

// ---- JPEG ----

namespace {

struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jpegFailed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegFailure*>(info->err)->jump, 1);
}
void jpegQuiet(j_common_ptr, int) {}

// The largest reduction of 2, 4 or 8 whose result still covers the box.
int scaleFor(QSize natural, QSize box) {
    if (box.isEmpty()) return 1;
    for (int denom : {8, 4, 2})
        if ((natural.width() + denom - 1) / denom >= box.width() &&
            (natural.height() + denom - 1) / denom >= box.height())
            return denom;
    return 1;
}

// Adobe's CMYK (stored inverted) to RGB, in place on 4-byte pixels.
void cmykToRgb(uchar* line, int width) {
    for (int x = 0; x < width; ++x) {
        uchar* p = line + 4 * x;
        const int c = p[0], m = p[1], y = p[2], k = p[3];
        const QRgb rgb = qRgb(c * k / 255, m * k / 255, y * k / 255);
        std::memcpy(p, &rgb, 4);
    }
}

// What a progressive (or multi-scan) picture's decoder keeps for the whole
// picture: the coefficients of every block of every component.
qint64 coefficientBytes(const jpeg_decompress_struct& info) {
    if (!jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&info))) return 0;
    qint64 total = 0;
    const qint64 maxH = std::max(1, info.max_h_samp_factor),
                 maxV = std::max(1, info.max_v_samp_factor);
    for (int i = 0; i < info.num_components; ++i) {
        const jpeg_component_info& c = info.comp_info[i];
        const qint64 columns =
            (qint64(info.image_width) * c.h_samp_factor + maxH * 8 - 1) / (maxH * 8);
        const qint64 rows =
            (qint64(info.image_height) * c.v_samp_factor + maxV * 8 - 1) / (maxV * 8);
        total += (columns + c.h_samp_factor) * (rows + c.v_samp_factor) * qint64(sizeof(JBLOCK));
    }
    return total;
}

// Decodes into `image`; everything that longjmp may skip is plain C data.
bool decodeJpeg(const QByteArray& data, QSize box, QImage* image, QSize* size, qint64 maxBytes) {
    jpeg_decompress_struct info;
    JpegFailure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpegFailed;
    failure.manager.emit_message = jpegQuiet;
    volatile qint64 charged = 0; // memory taken from the budget, given back on every way out
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&info);
        giveBackDecodeCharge(charged);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    const QSize natural(int(info.image_width), int(info.image_height));
    if (size) *size = natural;
    if (!image || !acceptable(natural)) {
        jpeg_destroy_decompress(&info);
        return !image && acceptable(natural);
    }
    info.scale_num = 1;
    info.scale_denom = unsigned(scaleFor(natural, box));
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    if (info.scale_denom > 1) {
        // Scaled down, a picture loses far more than these refinements give.
        info.dct_method = JDCT_IFAST;
        info.do_fancy_upsampling = FALSE;
        info.do_block_smoothing = FALSE;
    }
    jpeg_calc_output_dimensions(&info);
    const QSize output(int(info.output_width), int(info.output_height));
    if (!acceptable(output)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // The picture, and for a progressive one every coefficient, held at once.
    charged = takeDecodeCharge(
        qint64(output.width()) * output.height() * 4 + coefficientBytes(info), maxBytes);
    if (!charged) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    if (readJpegEighth(info, *image)) {
        jpeg_destroy_decompress(&info);
        giveBackDecodeCharge(charged);
        return true;
    }
    jpeg_start_decompress(&info);
    *image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    if (image->isNull()) {
        jpeg_destroy_decompress(&info);
        giveBackDecodeCharge(charged);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
        if (cmyk) cmykToRgb(row, image->width());
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    giveBackDecodeCharge(charged);
    return true;
}

} // namespace

bool jpegSize(const QByteArray& data, QSize& size) {
    return decodeJpeg(data, {}, nullptr, &size, kNoByteLimit);
}

bool readJpeg(const QByteArray& data, QSize box, QImage& image, qint64 maxBytes) {
    return decodeJpeg(data, box, &image, nullptr, maxBytes);
}

// ---- GIF ----

namespace {

struct GifSource {
    const QByteArray* data;
    qsizetype at = 0;
};

int gifRead(GifFileType* gif, GifByteType* out, int count) {
    auto* s = static_cast<GifSource*>(gif->UserData);
    const qsizetype n = std::min<qsizetype>(count, s->data->size() - s->at);
    if (n <= 0) return 0;
    std::memcpy(out, s->data->constData() + s->at, size_t(n));
    s->at += n;
    return int(n);
}

struct GifFile {
    GifFileType* gif = nullptr;
    GifSource source;
    explicit GifFile(const QByteArray& data) : source{&data} {
        int error = 0;
        gif = DGifOpen(&source, gifRead, &error);
    }
    ~GifFile() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

// The rows of a frame in the order they are stored.
QList<int> frameRows(int height, bool interlaced) {
    QList<int> rows;
    rows.reserve(height);
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows << y;
        return rows;
    }
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            rows << y;
    return rows;
}

// The frame's pixels on the canvas, one pixel of `step` x `step` kept.
bool readFrame(GifFileType* gif, int transparent, int step, QImage& canvas) {
    if (DGifGetImageDesc(gif) == GIF_ERROR) return false;
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map || !acceptable(QSize(d.Width, d.Height))) return false;
    QByteArray line(d.Width, '\0');
    for (int y : frameRows(d.Height, d.Interlace)) {
        auto* pixels = reinterpret_cast<GifPixelType*>(line.data());
        if (DGifGetLine(gif, pixels, d.Width) == GIF_ERROR) return false;
        const int screenRow = d.Top + y, row = screenRow / step;
        if (screenRow % step || row >= canvas.height()) continue;
        auto* out = reinterpret_cast<QRgb*>(canvas.scanLine(row));
        for (int x = (step - d.Left % step) % step; x < d.Width; x += step) {
            const int column = (d.Left + x) / step, index = pixels[x];
            if (column < 0 || column >= canvas.width() || index == transparent ||
                index >= map->ColorCount)
                continue;
            const GifColorType c = map->Colors[index];
            out[column] = qRgb(c.Red, c.Green, c.Blue);
        }
    }
    return true;
}

} // namespace

bool gifSize(const QByteArray& data, QSize& size) {
    GifFile file(data);
    if (!file.gif) return false;
    size = QSize(file.gif->SWidth, file.gif->SHeight);
    return acceptable(size);
}

// One screen pixel of step x step kept: with a box, as many as leave the
// canvas twice the box; always few enough to stay within maxBytes.
int gifStep(QSize screen, QSize box, qint64 maxBytes) {
    int step = 1;
    if (!box.isEmpty())
        step = std::max(
            1, std::min(screen.width() / (2 * box.width()), screen.height() / (2 * box.height())));
    const auto canvas = [&](int s) {
        return QSize((screen.width() + s - 1) / s, (screen.height() + s - 1) / s);
    };
    while (!fits(canvas(step), maxBytes) && step < std::max(screen.width(), screen.height()))
        ++step;
    return step;
}

bool readGif(const QByteArray& data, QSize box, QImage& image, qint64 maxBytes) {
    GifFile file(data);
    if (!file.gif) return false;
    GifFileType* gif = file.gif;
    const QSize screen(gif->SWidth, gif->SHeight);
    if (!acceptable(screen)) return false;
    // Without a box the whole screen is the picture: it must fit as it is.
    const int step = box.isEmpty() ? 1 : gifStep(screen, box, maxBytes);
    const QSize canvas((screen.width() + step - 1) / step, (screen.height() + step - 1) / step);
    if (!fits(canvas, maxBytes)) return false;
    const DecodeCharge charge(qint64(canvas.width()) * canvas.height() * 4, maxBytes);
    if (!charge) return false;
    image = QImage(canvas, QImage::Format_ARGB32);
    if (image.isNull()) return false;
    image.fill(Qt::transparent);
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return readFrame(gif, transparent, step, image);
        if (type == TERMINATE_RECORD_TYPE) return false; // no frame at all
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 1))
            transparent = block[4];
        while (block)
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
}

} // namespace viewers::codecs
