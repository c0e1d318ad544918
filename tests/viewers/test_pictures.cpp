// Pictures: the codecs on small files of every format and on hostile ones,
// the slot fitting, the browser and the viewer, and the desktop's
// associations behind opening, launching and printing.
#include "filemanager/file_manager_view.h"
#include "jpeg_reference.h"
#include "picture_files.h"
#include "platform/desktop_entries.h"
#include "support/fake_drive.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"
#include "viewers/commands.h"
#include "viewers/jpeg_eighth.h"
#include "viewers/picture_codecs.h"
#include "viewers/picture_reader.h"
#include "viewers/picture_window.h"
#include "viewers/thumbnails.h"
#include "viewers/thumbnails_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QProcess>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QtConcurrent/QtConcurrentMap>
#include <atomic>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using namespace viewers;
using testing_support::TempDir;

namespace {

int gifWrite(GifFileType* gif, const GifByteType* bytes, int count) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), count);
    return count;
}

// A GIF through giflib: width x height, index 1 transparent in the first row.
QByteArray gif(int width, int height, int screenWidth = 0, int screenHeight = 0) {
    QByteArray out;
    int error = 0;
    GifFileType* g = EGifOpen(&out, gifWrite, &error);
    GifColorType colours[2] = {{255, 0, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    EGifSetGifVersion(g, true);
    EGifPutScreenDesc(g, screenWidth ? screenWidth : width, screenHeight ? screenHeight : height, 1,
                      0, map);
    const GifByteType control[4] = {1, 0, 0, 1}; // transparent index 1
    EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, control);
    EGifPutImageDesc(g, 0, 0, width, height, false, nullptr);
    QByteArray line(width, '\0');
    for (int y = 0; y < height; ++y) {
        line.fill(y == 0 ? 1 : 0);
        EGifPutLine(g, reinterpret_cast<GifPixelType*>(line.data()), width);
    }
    EGifCloseFile(g, &error);
    GifFreeMapObject(map);
    return out;
}

QString writeImage(const TempDir& dir, const QString& name, QSize size, const char* format,
                   QColor colour = Qt::darkGreen) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.file(name);
    EXPECT_TRUE(image.save(path, format));
    return path;
}

} // namespace

TEST(Pictures, NamesByTheirLastFourOrFiveCharacters) {
    for (const char* yes :
         {"a.bmp", "B.WMF", "c.Emf", "photo.JPEG", "x.jpg", "y.GIF", "photo.avi.bmp"})
        EXPECT_TRUE(isPictureName(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"PHOTO.PCX", "a.jpe", "bmp", "a.bmp.bak", "a.tiff"})
        EXPECT_FALSE(isPictureName(QString::fromLatin1(no))) << no;
}

TEST(Pictures, EachFormatDecodedToItsSize) {
    TempDir dir;
    const QString jpeg = writeImage(dir, "p.jpg", {40, 30}, "JPG");
    const QString bmp = writeImage(dir, "p.bmp", {33, 17}, "BMP");
    const QString gifPath = dir.write("p.gif", gif(12, 7));
    const QString emf = dir.write("p.emf", picture_files::emf(400, 300));
    const QString wmf = dir.write("p.wmf", picture_files::wmf(200, 100));
    const std::pair<QString, QSize> expected[] = {{jpeg, {40, 30}},
                                                  {bmp, {33, 17}},
                                                  {gifPath, {12, 7}},
                                                  {emf, {400, 300}},
                                                  {wmf, {200, 100}}};
    for (const auto& [path, size] : expected) {
        EXPECT_EQ(pictureSize(path), size) << path.toStdString();
        EXPECT_EQ(readPicture(path).size(), size) << path.toStdString();
    }
    const QImage g = readPicture(gifPath);
    EXPECT_EQ(qAlpha(g.pixel(3, 0)), 0); // transparency kept
    EXPECT_EQ(g.pixel(3, 1), qRgb(255, 0, 0));
    // Metafiles are drawn at the box they are given.
    EXPECT_EQ(readPicture(emf, {158, 98}).size(), QSize(158, 98));
    EXPECT_EQ(readPicture(wmf, {80, 40}).size(), QSize(80, 40));
}

TEST(Pictures, LargeJpegDecodedSmallerForItsBox) {
    TempDir dir;
    const QString big = writeImage(dir, "big.jpg", {4000, 3000}, "JPG");
    EXPECT_EQ(pictureSize(big), QSize(4000, 3000));
    EXPECT_EQ(readPicture(big, {158, 98}).size(), QSize(500, 375));  // scaled by 8 in the decoder
    EXPECT_EQ(readPicture(big, {600, 98}).size(), QSize(1000, 750)); // by 4: 500 would not cover
    const Thumbnail t = makeThumbnail(big);
    EXPECT_TRUE(t.shown);
    EXPECT_EQ(t.image.size(), QSize(158, 98));
}

TEST(Pictures, HostileFilesRaiseThePictureError) {
    TempDir dir;
    const QByteArray jpeg = [&] {
        QFile f(writeImage(dir, "ok.jpg", {64, 64}, "JPG"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QByteArray hugeBmp;
    {
        QFile f(writeImage(dir, "ok.bmp", {4, 4}, "BMP"));
        f.open(QIODevice::ReadOnly);
        hugeBmp = f.readAll();
    }
    QByteArray negative = hugeBmp;
    picture_files::add32(hugeBmp, 0); // keep the pixels; enlarge the header's size below
    hugeBmp.replace(18, 8, QByteArray("\x40\x9C\x00\x00\x40\x9C\x00\x00", 8)); // 40000 x 40000
    negative.replace(18, 4, QByteArray("\xFC\xFF\xFF\xFF", 4));                // width -4
    QByteArray wildWmf = picture_files::wmf(100, 100, 0x7FFFFFFF);
    QByteArray longestRecord = picture_files::wmf(100, 100); // named 2 GB long
    longestRecord.replace(22 + 12, 4, QByteArray("\x00\x00\x00\x40", 4));
    QByteArray wildEmf = picture_files::emf(100, 100);
    wildEmf.replace(4, 4, QByteArray("\xFF\xFF\xFF\x7F", 4)); // a header record past the end
    const std::pair<const char*, QByteArray> files[] = {
        {"garbage.jpg", "this is no picture"},
        {"header-only.jpg", jpeg.left(20)},
        {"screen.gif", gif(2, 2, 65535, 65535)},
        {"huge.bmp", hugeBmp},
        {"negative.bmp", negative},
        {"records.wmf", wildWmf},
        {"longest.wmf", longestRecord},
        {"records.emf", wildEmf},
        {"empty.gif", QByteArray()},
    };
    for (const auto& [name, bytes] : files) {
        const QString path = dir.write(QString::fromLatin1(name), bytes);
        EXPECT_THROW(readPicture(path, {158, 98}), PictureError) << name;
        const Thumbnail t = makeThumbnail(path);
        EXPECT_FALSE(t.shown) << name;
        EXPECT_EQ(t.error, QStringLiteral("Image illisible : %1").arg(QString::fromLatin1(name)));
    }
}

namespace {

// Smooth colours with noise of `grain` levels; grey when asked.
QImage photo(QSize size, int grain, bool grey, std::mt19937& random) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const auto noisy = [&](int v) {
                return std::clamp(v + int(random() % unsigned(2 * grain + 1)) - grain, 0, 255);
            };
            image.setPixel(x, y,
                           qRgb(noisy(x * 255 / size.width()), noisy(y * 255 / size.height()),
                                noisy((x * y) % 256)));
        }
    return grey ? image.convertToFormat(QImage::Format_Grayscale8) : image;
}

// The eighth-size decoder alone, from a header read as the pictures' reader
// reads it; false where it leaves the picture to libjpeg.
bool eighthAlone(const QByteArray& bytes, QImage& image) {
    jpeg_decompress_struct info;
    jpeg_reference::Failure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpeg_reference::failed;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.scale_denom = 8;
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(&info);
    const bool decoded = codecs::readJpegEighth(info, image);
    jpeg_destroy_decompress(&info);
    return decoded;
}

// What the pictures' reader gives for a box that any picture covers at an
// eighth of its size, against libjpeg's own decode.
void expectLibjpegs(const QByteArray& bytes, const std::string& what) {
    QImage expected, got;
    const auto outcome = jpeg_reference::eighth(bytes, expected);
    if (outcome == jpeg_reference::Outcome::Cmyk) return;
    const bool decoded = codecs::readJpeg(bytes, {1, 1}, got);
    ASSERT_EQ(decoded, outcome == jpeg_reference::Outcome::Decoded) << what;
    if (decoded) {
        ASSERT_EQ(got, expected) << what;
    }
}

} // namespace

// Pictures whose blocks reduce to their DC terms are read without libjpeg,
// pixel for pixel as libjpeg reads them; the others go through libjpeg.
TEST(Pictures, EighthSizeJpegsAreLibjpegs) {
    std::mt19937 random(7);
    using jpeg_reference::Layout;
    const Layout layouts[] = {
        {},
        {1},
        {50},
        {100},
        {90, 1, 1},
        {75, 1, 3, true},
        {90, 1, 0, true, true},
        {100, 1, 2, false, true},
        {90, 2},
        {60, 2, 4, true},
    };
    const QSize sizes[] = {{1, 1}, {9, 7}, {64, 48}, {333, 211}, {17, 400}};
    for (const Layout& layout : layouts)
        for (QSize size : sizes)
            for (int grain : {0, 40, 255})
                for (bool grey : {false, true}) {
                    const QImage picture = photo(size, grain, grey, random);
                    const QByteArray bytes = jpeg_reference::encode(picture, layout);
                    const std::string what = "quality " + std::to_string(layout.quality) +
                                             " sampling " + std::to_string(layout.sampling) +
                                             " restart " + std::to_string(layout.restartInterval) +
                                             (layout.rgb ? " rgb" : "") + " grain " +
                                             std::to_string(grain) + (grey ? " grey " : " ") +
                                             std::to_string(size.width());
                    QImage alone, expected;
                    ASSERT_EQ(jpeg_reference::eighth(bytes, expected),
                              jpeg_reference::Outcome::Decoded)
                        << what;
                    // Grey pictures have one component, whatever the sampling.
                    ASSERT_EQ(eighthAlone(bytes, alone), layout.sampling == 1 || grey) << what;
                    if (!alone.isNull()) {
                        ASSERT_EQ(alone, expected) << what;
                    }
                    expectLibjpegs(bytes, what);
                }
}

// Damaged pictures: bytes changed, cut or doubled at random places, markers
// included, the end marker too; the reader gives up where libjpeg does and otherwise
// gives libjpeg's pixels.
TEST(Pictures, DamagedEighthSizeJpegsAreLibjpegs) {
    std::mt19937 random(11);
    using jpeg_reference::Layout;
    for (const Layout& layout : {Layout{}, Layout{90, 1, 2}, Layout{70, 1, 1, true}}) {
        const QByteArray whole =
            jpeg_reference::encode(photo({120, 90}, 30, false, random), layout);
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = whole;
            const qsizetype at = round % 5 == 4
                                     ? bytes.size() - 1 - qsizetype(random() % 4) // the end marker
                                     : qsizetype(random() % unsigned(bytes.size()));
            switch (round % 5) {
            case 0:
                bytes[at] = char(random());
                break;
            case 1:
                bytes.truncate(at);
                break;
            case 2:
                bytes.insert(at, bytes.mid(at, 1 + qsizetype(random() % 8)));
                break;
            case 3:
                bytes[at] = char(0xFF);
                break;
            case 4:
                bytes[at] = char(0xC0 + random() % 64);
                break;
            }
            expectLibjpegs(bytes, "round " + std::to_string(round));
        }
    }
}

// Small files that declare huge pictures: a thumbnail takes what its box
// needs, never more than kThumbnailBytes; the viewer still reads them whole.
TEST(Pictures, ThumbnailsStayWithinTheirMemory) {
    TempDir dir;
    const QString screen = dir.write("screen.gif", gif(10, 10, 10000, 10000));
    const QImage sampled = readPicture(screen, {158, 98}, kThumbnailBytes);
    EXPECT_GE(sampled.width(), 158);
    EXPECT_LE(sampled.width(), 4 * 158);
    EXPECT_TRUE(makeThumbnail(screen).shown);
    EXPECT_THROW(readPicture(screen, {}, 256 << 20), PictureError); // 400 MB whole

    QImage photo(3000, 3000, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    const QString progressive = dir.file("progressive.jpg");
    QImageWriter writer(progressive, "jpeg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(photo));
    const QString baseline = writeImage(dir, "baseline.jpg", {3000, 3000}, "JPG");
    // The progressive decoder keeps every block's coefficients (about 27 MB).
    EXPECT_THROW(readPicture(progressive, {158, 98}, 16 << 20), PictureError);
    EXPECT_EQ(readPicture(progressive, {158, 98}, 64 << 20).size(), QSize(375, 375));
    EXPECT_EQ(readPicture(baseline, {158, 98}, 16 << 20).size(), QSize(375, 375));

    // Too many records to draw; a tall one whose natural size is too large
    // for a small budget.
    const QString records = dir.write("records.emf", picture_files::emf(300, 200, 100'001));
    EXPECT_THROW(pictureSize(records), PictureError);
    EXPECT_EQ(readPicture(dir.write("fine.emf", picture_files::emf(300, 200, 1000))).size(),
              QSize(300, 200));
    const QString tall = dir.write("tall.emf", picture_files::emf(150, 200'000));
    EXPECT_THROW(readPicture(tall, {}, 64 << 20), PictureError);
    EXPECT_EQ(readPicture(tall, {150, 20}).size(), QSize(150, 20));
    // A canvas beyond what is drawn at all is drawn scaled down, as a vector can be.
    const QString huge = dir.write("huge.emf", picture_files::emf(20'000, 10'000));
    const QSize drawn = pictureSize(huge);
    EXPECT_LE(qint64(drawn.width()) * drawn.height(), 50'000'000);
    EXPECT_NEAR(double(drawn.width()) / drawn.height(), 2.0, 0.01);
    EXPECT_TRUE(makeThumbnail(huge).shown);
}

// Pictures as cameras, phones and other programs write them, made at test
// time by Pillow and ImageMagick; BMPs read pixel for pixel as Pillow reads them.
TEST(Pictures, FilesOtherProgramsMade) {
    TempDir dir;
    const QString script = QStringLiteral(R"PY(
import struct, subprocess, sys
from PIL import Image
out = sys.argv[1]
def photo(w, h):
    r = Image.linear_gradient("L").resize((w, h))
    g = Image.radial_gradient("L").resize((w, h))
    b = Image.effect_noise((w // 8, h // 8), 60).resize((w, h))
    return Image.merge("RGB", (r, g, b))
photo(4000, 3000).save(out + "/p444.jpg", quality=90, progressive=True, subsampling=0)
photo(6000, 4000).save(out + "/p420.jpg", quality=85, progressive=True, subsampling=2)
photo(5000, 3500).save(out + "/big.bmp")
small = photo(61, 37)
forms = {"one": small.convert("1"), "grey": small.convert("L"),
         "pal": small.quantize(200), "rgb": small, "rgba": small.convert("RGBA")}
for name, im in forms.items():
    im.save(out + "/" + name + ".bmp")
    im.convert("RGBA").save(out + "/" + name + ".png")
# Rows stored top-down: the palette file's rows reversed, its height negative.
d = bytearray(open(out + "/pal.bmp", "rb").read())
off, = struct.unpack_from("<I", d, 10)
w, h = struct.unpack_from("<ii", d, 18)
stride = (w + 3) & ~3
rows = [d[off + i * stride: off + (i + 1) * stride] for i in range(h)]
d[off:] = b"".join(reversed(rows))
struct.pack_into("<i", d, 22, -h)
open(out + "/topdown.bmp", "wb").write(d)
forms["pal"].convert("RGBA").save(out + "/topdown.png")
# OS/2's first header with a palette of five entries of three bytes.
five = small.quantize(5)
pal = five.getpalette()[:15]
stride = ((61 * 4 + 31) // 32) * 4
px = five.load()
data = b""
for y in reversed(range(37)):
    row = bytearray(stride)
    for x in range(61):
        row[x // 2] |= px[x, y] << (0 if x % 2 else 4)
    data += bytes(row)
palette = b"".join(bytes((pal[3 * i + 2], pal[3 * i + 1], pal[3 * i])) for i in range(5))
off = 14 + 12 + len(palette)
open(out + "/os2.bmp", "wb").write(b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) +
    struct.pack("<IHHHH", 12, 61, 37, 1, 4) + palette + data)
five.convert("RGBA").save(out + "/os2.png")
subprocess.run(["convert", out + "/rgb.png", "-alpha", "off", "-colors", "64", "-compress", "RLE",
                "BMP3:" + out + "/rle.bmp"], check=True)
assert struct.unpack_from("<I", open(out + "/rle.bmp", "rb").read(), 30)[0] == 1  # RLE8
Image.open(out + "/rle.bmp").convert("RGBA").save(out + "/rle.png")
)PY");
    QProcess maker;
    maker.start(QStringLiteral("/usr/bin/python3"), {"-c", script, dir.path()});
    ASSERT_TRUE(maker.waitForFinished(120000));
    ASSERT_EQ(maker.exitCode(), 0) << maker.readAllStandardError().toStdString();

    for (const char* name : {"one", "grey", "pal", "rgb", "rgba", "topdown", "os2", "rle"}) {
        const QImage ours = readPicture(dir.file(QString::fromLatin1(name) + ".bmp"));
        const QImage theirs(dir.file(QString::fromLatin1(name) + ".png"));
        ASSERT_FALSE(theirs.isNull()) << name;
        EXPECT_EQ(ours.convertToFormat(QImage::Format_ARGB32),
                  theirs.convertToFormat(QImage::Format_ARGB32))
            << name;
    }
    // Progressive 12 and 24 megapixel photos, and a 17.5 megapixel BMP: each
    // makes its thumbnail, all at once, and opens whole in the viewer.
    const QStringList large = {dir.file("p444.jpg"), dir.file("p420.jpg"), dir.file("big.bmp")};
    const QList<Thumbnail> made = QtConcurrent::blockingMapped(large, makeThumbnail);
    for (const Thumbnail& t : made)
        EXPECT_TRUE(t.shown) << t.path.toStdString() << " " << t.error.toStdString();
    EXPECT_EQ(readPicture(dir.file("p444.jpg")).size(), QSize(4000, 3000));
    EXPECT_EQ(readPicture(dir.file("big.bmp")).size(), QSize(5000, 3500));
}

// Decodes share one memory budget: a decode that finds too little left
// waits for the others instead of being refused; one larger than the whole
// budget is refused at once.
TEST(Pictures, DecodesWaitForTheirShareOfMemory) {
    using viewers::codecs::DecodeCharge;
    using viewers::codecs::kDecodeBudget;
    EXPECT_FALSE(DecodeCharge(kDecodeBudget + 1));
    EXPECT_FALSE(DecodeCharge(1000, 999));
    auto first = std::make_unique<DecodeCharge>(kDecodeBudget * 3 / 4);
    ASSERT_TRUE(*first);
    std::atomic<bool> granted = false;
    std::thread second([&] {
        const DecodeCharge charge(kDecodeBudget / 2);
        granted = bool(charge);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(granted);
    first.reset();
    second.join();
    EXPECT_TRUE(granted);
}

// Metafiles with texts (kept in tests/viewers/pictures: Debian's tools write
// none), Windows-1252 and Symbol bytes among them: each draws its text, and
// several drawn at once on the pool, as the browser draws them, all come.
TEST(Pictures, MetafileTextsDrawnAlsoManyAtOnce) {
    const QString folder = QStringLiteral(TAVTOOLS_TEST_PICTURES);
    const QStringList files = {folder + "/cp1252_text.wmf", folder + "/symbol_text.wmf",
                               folder + "/unicode_text.emf"};
    for (const QString& path : files) {
        const QImage image = readPicture(path);
        ASSERT_EQ(image.size(), QSize(300, 100)) << path.toStdString();
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(inked, 200) << path.toStdString();
    }
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << files;
    for (const Thumbnail& t : QtConcurrent::blockingMapped(many, makeThumbnail))
        EXPECT_TRUE(t.shown) << t.path.toStdString() << " " << t.error.toStdString();
}

TEST(Thumbnails, TheBoxesOfTheSlot) {
    const Fit small = fitInSlot({100, 50});
    EXPECT_FALSE(small.stretch);
    EXPECT_EQ(small.box, QRect(1, 1, 158, 114));
    const Fit lying = fitInSlot({400, 300});
    EXPECT_TRUE(lying.stretch);
    EXPECT_EQ(lying.box, QRect(1, 8, 158, 98));
    const Fit upright = fitInSlot({300, 600});
    EXPECT_EQ(upright.box, QRect(40, 1, 80, 114));
    EXPECT_FALSE(fitInSlot({100, 500}).stretch);        // narrow enough: natural size, cut off
    EXPECT_EQ(fitInSlot({1000, 625}).box.height(), 81); // 81.25
    EXPECT_EQ(fitInSlot({1000, 500}).box.height(), 65);
    EXPECT_EQ(fitInSlot({1600, 1000}).box.width(), 158); // lying: width stays
}

TEST(Thumbnails, PanelDrawsTheCentredPicture) {
    TempDir dir;
    const Thumbnail t = makeThumbnail(writeImage(dir, "small.bmp", {100, 50}, "BMP", Qt::red));
    const QImage panel = renderPanel(t, Qt::white);
    EXPECT_EQ(panel.size(), QSize(160, 130));
    EXPECT_EQ(panel.pixel(80, 58), qRgb(255, 0, 0));      // centre of the box
    EXPECT_EQ(panel.pixel(20, 58), qRgb(255, 255, 255));  // left of the 100-pixel picture
    EXPECT_EQ(panel.pixel(80, 120), qRgb(255, 255, 255)); // the caption strip
}

// ---- the browser and the viewer ----

namespace {

QStringList pictures(const TempDir& dir, int count) {
    QStringList paths;
    for (int i = 1; i <= count; ++i)
        paths << writeImage(dir, QStringLiteral("p%1.bmp").arg(i, 2, 10, QChar(u'0')), {20 + i, 20},
                            "BMP");
    return paths;
}

void showPage(ThumbnailsWindow& browser) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.pageComplete(); }, 10000));
}

} // namespace

TEST(Browser, PagesOfTwelveTheLastShowingTheLastTwelve) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    const QStringList list = pictures(dir, 13);
    ThumbnailsWindow browser;
    browser.init(list);
    browser.show();
    QApplication::setActiveWindow(&browser);
    showPage(browser);
    EXPECT_EQ(browser.caption(1)->text(), QStringLiteral("p01.bmp"));
    EXPECT_EQ(browser.caption(12)->text(), QStringLiteral("p12.bmp"));
    EXPECT_TRUE(browser.picture(12)->hasPicture());
    QTest::keyClick(&browser, Qt::Key_PageDown);
    showPage(browser);
    EXPECT_EQ(browser.pageStart(), 1);
    EXPECT_EQ(browser.caption(1)->text(), QStringLiteral("p02.bmp"));
    EXPECT_EQ(browser.caption(12)->text(), QStringLiteral("p13.bmp"));
    QTest::keyClick(&browser, Qt::Key_PageUp);
    EXPECT_EQ(browser.pageStart(), 0);
    browser.showLastPage();
    EXPECT_EQ(browser.pageStart(), 1);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

// Escape closes the browser and stops its pictures: none is started after,
// and none is placed in the closed window.
TEST(Browser, EscapeStopsThePicturesBeingMade) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    QStringList list;
    for (int i = 0; i < 24; ++i) // large enough to be still on their way
        list << writeImage(dir, QStringLiteral("big%1.jpg").arg(i, 2, 10, QChar('0')), {3000, 2000},
                           "JPG");
    ThumbnailsWindow browser;
    browser.init(list);
    browser.show();
    QApplication::setActiveWindow(&browser);
    ASSERT_TRUE(browser.busy());
    QTest::keyClick(&browser, Qt::Key_Escape);
    EXPECT_FALSE(browser.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browser.busy(); }, 10000));
    QTest::qWait(50);
    EXPECT_FALSE(browser.pageComplete()); // stopped before the page was made
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

// Without a mouse: the first slot has the focus, the arrows move it from
// slot to slot, Enter opens the viewer, Tab reaches the page buttons.
TEST(Browser, SlotsTakeTheFocusAndEnterOpensTheViewer) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    QStringList opened;
    ui::ScopedModalHandler handler([&](QDialog* d) { return opened << d->windowTitle(), 0; });
    ThumbnailsWindow browser;
    browser.init(pictures(dir, 6));
    browser.show();
    QApplication::setActiveWindow(&browser);
    showPage(browser);
    EXPECT_TRUE(browser.picture(1)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_TRUE(browser.picture(2)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(browser.picture(6)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(browser.chosen(), 5);
    QStringList reached;
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->accessibleName();
    }
    EXPECT_TRUE(reached.contains(QStringLiteral("Page suivante")));
}

TEST(Browser, OnePictureEmptyBrowserAndEmptySlots) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    int viewers = 0;
    ui::ScopedModalHandler handler([&](QDialog*) { return ++viewers, 0; });
    ThumbnailsWindow one;
    one.init(pictures(dir, 1));
    one.show();
    showPage(one);
    EXPECT_TRUE(one.picture(1)->hasPicture());
    EXPECT_FALSE(one.picture(2)->hasPicture());
    QTest::mouseDClick(one.picture(2), Qt::LeftButton); // beyond the list: nothing
    EXPECT_EQ(viewers, 0);
    QTest::mouseDClick(one.picture(1), Qt::LeftButton);
    EXPECT_EQ(viewers, 1);
    EXPECT_EQ(one.chosen(), 0);

    ThumbnailsWindow empty;
    empty.init({});
    empty.show();
    showPage(empty);
    for (int k = 1; k <= 12; ++k)
        EXPECT_FALSE(empty.picture(k)->hasPicture());
    empty.showNextPage();
    EXPECT_EQ(empty.pageStart(), 0);
}

TEST(Browser, AviNamesAndUnreadablePicturesLeaveOnlyTheirOwnSlotEmpty) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    QStringList list = pictures(dir, 3);
    list.insert(1, writeImage(dir, "photo.avi.bmp", {30, 30}, "BMP"));
    list.insert(2, dir.write("corrupt.jpg", "not a jpeg at all"));
    ThumbnailsWindow browser;
    browser.init(list);
    browser.show();
    showPage(browser);
    EXPECT_TRUE(browser.picture(1)->hasPicture());
    EXPECT_FALSE(browser.picture(2)->hasPicture()); // listed, never shown
    EXPECT_TRUE(browser.caption(2)->text().isEmpty());
    EXPECT_FALSE(browser.picture(3)->hasPicture());
    EXPECT_EQ(browser.caption(3)->text(), QStringLiteral("corrupt.jpg")); // caption kept
    EXPECT_TRUE(browser.picture(4)->hasPicture());                        // the rest still filled
    EXPECT_TRUE(browser.picture(5)->hasPicture());
    ASSERT_EQ(dialogs.shown.size(), 1); // reported once, after the page
    EXPECT_EQ(dialogs.texts().first(), QStringLiteral("Image illisible : corrupt.jpg."));
    browser.repaint();
    EXPECT_EQ(dialogs.shown.size(), 1);
}

TEST(Viewer, NaturalSizeAndStepsWithoutWrapping) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    const QStringList list = pictures(dir, 3);
    PictureWindow viewer;
    viewer.init(list[2]);
    viewer.setList(list);
    viewer.show();
    QApplication::setActiveWindow(&viewer);
    EXPECT_EQ(viewer.pictureLabel->size(), QSize(23, 20));
    EXPECT_EQ(viewer.size(), QSize(23 + 25, 20 + 40));
    QTest::keyClick(&viewer, Qt::Key_PageDown); // the last: nothing
    EXPECT_EQ(viewer.current(), list[2]);
    QTest::keyClick(static_cast<QWidget*>(viewer.scrollArea),
                    Qt::Key_PageUp); // seen by the window first
    EXPECT_EQ(viewer.current(), list[1]);
    QTest::keyClick(&viewer, Qt::Key_PageUp);
    QTest::keyClick(&viewer, Qt::Key_PageUp); // the first: nothing
    EXPECT_EQ(viewer.current(), list[0]);
    EXPECT_EQ(viewer.pictureLabel->size(), QSize(21, 20));

    const QString large = writeImage(dir, "large.bmp", {900, 700}, "BMP");
    viewer.init(large);
    viewer.load();
    EXPECT_EQ(viewer.size(), QSize(640, 500)); // scrolls
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

// ---- the desktop's associations ----

namespace {

void desktopEntry(const TempDir& dir, const QString& name, const QString& exec) {
    dir.write(QStringLiteral("data/applications/") + name,
              QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n")
                  .arg(name, exec)
                  .toUtf8());
}

} // namespace

TEST(Associations, TheDesktopsChoiceForTextPagesAndPictures) {
    TempDir dir;
    desktopEntry(dir, "editor.desktop", "editor --new %F");
    desktopEntry(dir, "browser.desktop", "browser %u");
    desktopEntry(dir, "viewer.desktop", "viewer");
    desktopEntry(dir, "claimed.desktop", "claimed %f");
    dir.write("config/mimeapps.list",
              "[Default Applications]\ntext/plain=missing.desktop;editor.desktop;\n"
              "text/html=browser.desktop\n");
    dir.write("data/applications/mimeinfo.cache",
              "[MIME Cache]\nimage/png=viewer.desktop;claimed.desktop;\n");
    platform::XdgDirs dirs;
    dirs.configHome = dir.file("config");
    dirs.dataHome = dir.file("data");
    const QString app = dir.file("data/applications/");
    EXPECT_EQ(platform::associatedApplication(dir.file("notes.txt"), dirs), app + "editor.desktop");
    EXPECT_EQ(platform::associatedApplication(dir.file("page.html"), dirs),
              app + "browser.desktop");
    EXPECT_EQ(platform::associatedApplication(dir.file("image.png"), dirs), app + "viewer.desktop");
    // A C source is a kind of text: its ancestor's application.
    EXPECT_EQ(platform::associatedApplication(dir.file("main.c"), dirs), app + "editor.desktop");
    EXPECT_TRUE(platform::associatedApplication(dir.file("x.tar"), dirs).isEmpty());
    EXPECT_EQ(platform::execArguments(app + "editor.desktop", {"/a b.txt"}),
              QStringList({"editor", "--new", "/a b.txt"}));
    EXPECT_EQ(platform::execArguments(app + "viewer.desktop", {"/p.png"}),
              QStringList({"viewer", "/p.png"}));
}

// A program that needs a terminal runs inside one; with no terminal to
// run it in, the next application for the file's type is taken.
TEST(Associations, TerminalProgramsRunInATerminalOrGiveWay) {
    TempDir dir;
    dir.write("data/applications/vim.desktop",
              "[Desktop Entry]\nType=Application\nName=Vim\nExec=vim %F\nTerminal=true\n");
    desktopEntry(dir, "editor.desktop", "editor %F");
    dir.write("config/mimeapps.list", "[Default Applications]\ntext/plain=vim.desktop\n"
                                      "[Added Associations]\ntext/plain=editor.desktop\n");
    platform::XdgDirs dirs;
    dirs.configHome = dir.file("config");
    dirs.dataHome = dir.file("data");
    const QString app = dir.file("data/applications/");
    EXPECT_TRUE(platform::runsInTerminal(app + "vim.desktop"));
    EXPECT_FALSE(platform::runsInTerminal(app + "editor.desktop"));
    const QString noTerminal = dir.mkdir("empty-bin");
    const auto usableIn = [](const QString& bin) {
        return [bin](const QString& entry) { return platform::canStart(entry, {bin}); };
    };
    EXPECT_EQ(platform::associatedApplication(dir.file("notes.txt"), dirs, usableIn(noTerminal)),
              app + "editor.desktop");
    const QString bin = dir.mkdir("bin");
    dir.write("bin/xterm", "#!/bin/sh\n");
    QFile(dir.file("bin/xterm")).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
    qunsetenv("TERMINAL");
    EXPECT_EQ(platform::associatedApplication(dir.file("notes.txt"), dirs, usableIn(bin)),
              app + "vim.desktop");
    EXPECT_EQ(platform::inTerminal({"vim", "/a b.txt"}, {bin}),
              QStringList({dir.file("bin/xterm"), "-e", "vim", "/a b.txt"}));
    EXPECT_TRUE(platform::inTerminal({"vim"}, {noTerminal}).isEmpty());
}

namespace {

struct ToolOnFakeDrive {
    TempDir dir;
    testing_support::FakeDrive drive{dir.path()};
    ui::ScriptedDialogs dialogs;
    std::unique_ptr<filemanager::FileManagerView> tool;
    void open(const QString& folder) {
        if (!tool) {
            QDir::setCurrent(folder);
            tool = std::make_unique<filemanager::FileManagerView>();
            tool->show();
        }
        tool->setFolder(folder);
    }
    void select(const QStringList& names) {
        tool->detailsView()->clearSelection();
        for (const QString& n : names)
            tool->selectRow(tool->rowOf(n));
        tool->setActivePane(2);
    }
};

} // namespace

TEST(Launching, FileAddressTextEditorAndPrinting) {
    ToolOnFakeDrive t;
    auto& fake = t.drive.fake;
    fake.associations[".html"] = "browser.desktop";
    fake.associations[".txt"] = "editor.desktop";
    t.dir.write("web site/été.html", "<html/>");
    t.dir.write("notes.txt", "x");
    t.dir.write("tool.exe", "MZ");
    t.open(t.dir.file("web site"));
    t.select({"été.html"});
    t.tool->commands().openWithApplication();
    ASSERT_EQ(fake.launches.size(), 1);
    EXPECT_EQ(fake.launches[0].file, QStringLiteral("browser.desktop"));
    EXPECT_EQ(fake.launches[0].arguments.value(0),
              QStringLiteral("file://") + t.dir.file("web%20site/%C3%A9t%C3%A9.html"));

    t.open(t.dir.path());
    t.select({"notes.txt"});
    t.tool->commands().openWithApplication();
    EXPECT_EQ(fake.launches.last().arguments, QStringList{t.dir.file("notes.txt")});
    t.tool->commands().view("notes.txt"); // Enter on a file: its associated program
    EXPECT_EQ(fake.launches.last().file, QStringLiteral("editor.desktop"));
    t.select({"tool.exe"});
    t.tool->commands().openAsText(); // F9 on a program: as text
    EXPECT_EQ(fake.launches.last().file, QStringLiteral("notepad"));
    EXPECT_EQ(fake.launches.last().arguments, QStringList{t.dir.file("tool.exe")});

    const qsizetype before = fake.launches.size();
    t.tool->setActivePane(1); // the tree had the focus: nothing at all
    t.tool->commands().printSelection();
    EXPECT_EQ(fake.launches.size(), before);
    EXPECT_TRUE(t.dialogs.shown.isEmpty());
    t.tool->setActivePane(2);
    t.tool->commands().printSelection();
    EXPECT_EQ(fake.launches.last().verb, QStringLiteral("print"));
    t.select({});
    t.tool->commands().openAsText();
    EXPECT_EQ(t.dialogs.texts().last(),
              QStringLiteral("Un fichier et un seul doit être sélectionné"));
}

TEST(Launching, BrowsingPassesEveryListedPictureInListOrder) {
    ToolOnFakeDrive t;
    registerCommands(ui::commands());
    for (const char* name : {"b.JPEG", "a.gif", "c.pcx", "d.bmp.bak", "e.Bmp"})
        t.dir.write(QString::fromLatin1(name), "x");
    t.dir.mkdir("folder.jpg");
    QStringList shown;
    ui::ScopedModalHandler handler([&](QDialog* d) {
        shown = static_cast<ThumbnailsWindow*>(d)->list();
        return 0;
    });
    t.open(t.dir.path());
    t.select({"c.pcx"}); // the selection does not matter
    ui::runRegistered(QStringLiteral("Parcourir"), t.tool->context());
    EXPECT_EQ(shown, QStringList({t.dir.file("a.gif"), t.dir.file("b.JPEG"), t.dir.file("e.Bmp")}));
    t.tool->setFilter(QStringLiteral("*.gif"));
    t.tool->readFolder();
    ui::runRegistered(QStringLiteral("Parcourir"), t.tool->context());
    EXPECT_EQ(shown, QStringList({t.dir.file("a.gif")}));
}

TEST(ThumbnailsCli, PanelsAndOneLinePerFile) {
    TempDir dir;
    const QString big = writeImage(dir, "wide.bmp", {400, 300}, "BMP", Qt::blue);
    const QString small = writeImage(dir, "small.jpg", {100, 50}, "JPG");
    const QString bad = dir.write("bad.gif", "GIF89a broken");
    const QString avi = writeImage(dir, "clip.avi.bmp", {30, 30}, "BMP");
    const QString folder = dir.mkdir("folder.jpg");
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI),
            {"thumbnails", dir.file("out"), big, small, bad, avi, dir.file("gone.jpg"), folder});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1); // some failed, the others still done
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
    EXPECT_EQ(lines.value(0), QStringLiteral("wide.bmp\t400x300\t1,8 158x98\tok"));
    EXPECT_EQ(lines.value(1), QStringLiteral("small.jpg\t100x50\t1,1 158x114\tok"));
    EXPECT_EQ(lines.value(2), QStringLiteral("bad.gif\t-\t-\tImage illisible : bad.gif"));
    EXPECT_EQ(lines.value(3), QStringLiteral("clip.avi.bmp\t-\t-\tok"));
    EXPECT_TRUE(lines.value(4).startsWith(QStringLiteral("gone.jpg\t-\t-\tFichier introuvable")));
    EXPECT_EQ(lines.value(5),
              QStringLiteral("folder.jpg\t-\t-\t%1 n'est pas un fichier ordinaire").arg(folder));
    const QImage panel(dir.file("out/wide.bmp.png"));
    ASSERT_EQ(panel.size(), QSize(160, 130));
    EXPECT_EQ(panel.pixel(80, 50), qRgb(0, 0, 255)); // inside the 158 x 98 box
    EXPECT_NE(panel.pixel(80, 4), qRgb(0, 0, 255));  // above it
    EXPECT_FALSE(QFile::exists(dir.file("out/bad.gif.png")));
}

// The command line starts a graphical application only for metafiles: its
// panels, with or without one, are the ones drawn here, as saved files.
TEST(ThumbnailsCli, PanelsAreTheWindowsWithOrWithoutMetafiles) {
    TempDir dir;
    const QString jpeg = writeImage(dir, "photo.jpg", {640, 480}, "JPG");
    const QString emf = dir.write("p.emf", picture_files::emf(400, 300));
    for (const QStringList& files : {QStringList{jpeg}, QStringList{jpeg, emf}}) {
        const QString out = dir.file(QStringLiteral("out%1").arg(files.size()));
        QProcess p;
        p.start(QStringLiteral(TAVTOOLS_CLI), QStringList{"thumbnails", out} + files);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0);
        for (const QString& file : files) {
            const QString saved = out + u'/' + QFileInfo(file).fileName() + QStringLiteral(".png");
            const QImage expected = renderPanel(makeThumbnail(file));
            const QImage panel(saved);
            EXPECT_EQ(panel.dotsPerMeterX(), expected.dotsPerMeterX()) << saved.toStdString();
            EXPECT_EQ(panel.convertToFormat(expected.format()), expected) << saved.toStdString();
        }
    }
}
