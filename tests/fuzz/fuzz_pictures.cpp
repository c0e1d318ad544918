// The picture codecs on any bytes: the first byte chooses the format, the
// rest is the file. Size, full decode and decode for a thumbnail box; a
// JPEG at an eighth of its size is held to libjpeg's own decode. Two
// more choices put a small input behind a header that declares a large
// picture, so the fuzzer reaches what large pictures cost.
#include "../viewers/jpeg_reference.h"
#include "viewers/picture_codecs.h"

#include <QGuiApplication>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

namespace {

// At an eighth of its size a JPEG reads as libjpeg reads it, or fails
// where libjpeg fails.
void expectLibjpegsEighth(const QByteArray& bytes) {
    using jpeg_reference::Outcome;
    QImage got, expected;
    const bool decoded = viewers::codecs::readJpeg(bytes, {1, 1}, got);
    const Outcome outcome = jpeg_reference::eighth(bytes, expected);
    if (outcome == Outcome::Cmyk) return;
    if (decoded != (outcome == Outcome::Decoded) || (decoded && got != expected)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace viewers::codecs;
    if (size < 1) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    QSize natural;
    QImage image;
    constexpr qint64 kBox = 64 << 20;
    switch (data[0] % 7) {
    case 0:
        if (jpegSize(bytes, natural) && natural.width() * qint64(natural.height()) < 4'000'000)
            expectLibjpegsEighth(bytes);
        readJpeg(bytes, {158, 98}, image, 64 << 20);
        break;
    case 1:
        gifSize(bytes, natural);
        readGif(bytes, (size & 1) ? QSize(158, 98) : QSize(), image, 64 << 20);
        break;
    case 2:
        bmpSize(bytes, natural);
        readBmp(bytes, (size & 1) ? QSize(158, 98) : QSize(), image, 64 << 20);
        break;
    case 3:
        if (emfSize(bytes, natural) && natural.width() * qint64(natural.height()) < 4'000'000)
            readEmf(bytes, {158, 98}, image);
        break;
    case 4:
        if (wmfSize(bytes, natural) && natural.width() * qint64(natural.height()) < 4'000'000)
            readWmf(bytes, {158, 98}, image);
        break;
    case 5: { // a GIF screen of up to 65535 x 65535 around the input's frames
        const QByteArray gif = QByteArray("GIF89a", 6) + bytes;
        readGif(gif, {158, 98}, image, kBox);
        readGif(gif, {}, image, kBox);
        break;
    }
    case 6: { // a BMP header of any size over the input's pixels (RLE allowed)
        QByteArray bmp("BM", 2);
        bmp += QByteArray(12, '\0') + bytes;
        bmpSize(bmp, natural);
        readBmp(bmp, {158, 98}, image, kBox);
        readBmp(bmp, {}, image, kBox);
        break;
    }
    }
    return 0;
}
