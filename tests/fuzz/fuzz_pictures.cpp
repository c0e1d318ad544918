// The picture codecs on any bytes: the first byte chooses the format, the
// rest is the file. Size, full decode and decode for a thumbnail box.
#include "viewers/picture_codecs.h"

#include <QGuiApplication>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace viewers::codecs;
    if (size < 1) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    QSize natural;
    QImage image;
    switch (data[0] % 5) {
    case 0:
        jpegSize(bytes, natural);
        readJpeg(bytes, {158, 98}, image);
        break;
    case 1:
        gifSize(bytes, natural);
        readGif(bytes, image);
        break;
    case 2:
        bmpSize(bytes, natural);
        readBmp(bytes, image);
        break;
    case 3:
        if (emfSize(bytes, natural) && natural.width() * qint64(natural.height()) < 4'000'000)
            readEmf(bytes, {158, 98}, image);
        break;
    case 4:
        if (wmfSize(bytes, natural) && natural.width() * qint64(natural.height()) < 4'000'000)
            readWmf(bytes, {158, 98}, image);
        break;
    }
    return 0;
}
