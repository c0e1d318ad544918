#include "file_manager_fixture.h"
#include "filemanager/file_list_model.h"
#include "filemanager/icon_cache.h"
#include "filemanager/scale_filtered.h"
#include "filemanager/settings_file.h"
#include "ui/errors.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <sys/stat.h>

using namespace filemanager;
using testing_support::readAll;
using testing_support::TempDir;

TEST(scaleFiltered, HermiteWeightsAreNotNormalised) {
    QImage src(32, 1, QImage::Format_RGB888);
    src.fill(QColor(200, 200, 200));
    QImage dst(16, 1, QImage::Format_RGB888);
    scaleFiltered(src, dst, hermiteFilter, 1.0);
    ASSERT_EQ(dst.size(), QSize(16, 1));
    // Weights sum to about 0.994 at the edges and 1.0035 in the middle.
    for (int x : {0, 1, 14, 15})
        EXPECT_EQ(qRed(dst.pixel(x, 0)), 199) << x;
    for (int x : {6, 7, 8, 9})
        EXPECT_EQ(qGreen(dst.pixel(x, 0)), 201) << x;
}

TEST(scaleFiltered, EmptySourceAndClamping) {
    QImage dst(16, 16, QImage::Format_RGB888);
    try {
        scaleFiltered(QImage(), dst, hermiteFilter, 1.0);
        FAIL() << "expected an error";
    } catch (const ui::TavError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Source bitmap too small"));
    }
    QImage white(32, 32, QImage::Format_RGB888);
    white.fill(Qt::white);
    scaleFiltered(white, dst, hermiteFilter, 1.0);
    EXPECT_EQ(qBlue(dst.pixel(8, 8)), 255); // 255 x 1.0035 clamps
    QImage one(1, 3, QImage::Format_RGB888);
    one.fill(Qt::black);
    QImage wide(5, 5, QImage::Format_RGB888);
    scaleFiltered(one, wide, hermiteFilter, 1.0); // narrower than the kernel: stays inside
    EXPECT_EQ(wide.size(), QSize(5, 5));
}

TEST(IconKeys, ByExtensionOrWholeName) {
    EXPECT_EQ(IconCache::keyFor("report.final.TXT"), QStringLiteral("final.txt"));
    EXPECT_EQ(IconCache::keyFor("SETUP.EXE"), QStringLiteral("setup.exe"));
    EXPECT_EQ(IconCache::keyFor("setup.exe"), QStringLiteral("setup.exe"));
    EXPECT_EQ(IconCache::keyFor("Makefile"), QString());
    EXPECT_EQ(IconCache::keyFor("app.ico"), QStringLiteral("app.ico"));
}

TEST(IconKeys, CacheEmptiedAtTheListingAfter201Keys) {
    IconCache cache;
    cache.beginListing();
    for (int i = 0; i < 201; ++i)
        cache.imageFor(QStringLiteral("f.k%1").arg(i));
    EXPECT_EQ(cache.imageFor("again.k7"), 7); // same key, no new fetch
    EXPECT_EQ(cache.fetches(), 201);
    cache.endListing();
    cache.beginListing();
    EXPECT_TRUE(cache.keys().isEmpty());
    EXPECT_EQ(cache.imageFor("x.k7"), 0);
    EXPECT_EQ(cache.fetches(), 202);
}

// Folders, files without a dot and special files each keep a picture of
// their own: a script called "install" is not shown as a folder.
TEST_F(FileManagerFixture, FoldersFilesWithoutADotAndSpecialFilesAreShownApart) {
    dir.mkdir("aaa");
    dir.write("install", "#!/bin/sh\n");
    dir.write("tmp", "ab");
    ASSERT_EQ(mkfifo(dir.file("pipe").toLocal8Bit().constData(), 0600), 0);
    open();
    const auto image = [&](const char* name) {
        return tool->model()->row(tool->rowOf(name)).image;
    };
    EXPECT_EQ(image("install"), image("tmp"));
    EXPECT_NE(image("install"), image("aaa"));
    EXPECT_NE(image("pipe"), image("aaa"));
    EXPECT_NE(image("pipe"), image("install"));
    EXPECT_EQ(tool->icons().image(image("install")).size(), QSize(16, 16));
}

// The name column grows to the longest name of the first screen, up to
// half the list; a column the user sized keeps its width.
TEST_F(FileManagerFixture, NamesReadWholeUpToHalfTheList) {
    const QString longName = QStringLiteral("compte-rendu de la réunion du 12 mars.txt");
    dir.write(longName, "x");
    dir.write(QString(300, u'n'), "x");
    open();
    QHeaderView* header = tool->detailsView()->header();
    const int nameWidth = QFontMetrics(tool->detailsView()->font()).horizontalAdvance(longName);
    EXPECT_GT(header->sectionSize(0), nameWidth);
    EXPECT_LE(header->sectionSize(0), std::max(134, tool->detailsView()->width() / 2));
    header->resizeSection(0, 150);
    tool->readFolder();
    EXPECT_EQ(header->sectionSize(0), 150);
}

TEST(SettingsFile, CleanLinesAnywhereAndAnyLength) {
    TempDir dir;
    QByteArray longLine = "clean=" + QByteArray(200000, 'x') + "\r\n";
    dir.write("TvaTools.ini", "clean=.BAK\r\nxclean=abc\r\nother=1\r\n" + QByteArray(100000, 'y') +
                                  "clean=\r\n" + longLine + "clean=.TMP");
    QStringList entries;
    readCleanEntries("TvaTools.ini", entries);
    ASSERT_EQ(entries.size(), 5);
    EXPECT_EQ(entries[0], QStringLiteral(".BAK"));
    EXPECT_EQ(entries[1], QStringLiteral("=abc"));
    EXPECT_EQ(entries[2], QString(kMaxEntryLength, 'y')); // text from the seventh character on
    EXPECT_EQ(entries[3], QString(kMaxEntryLength, 'x'));
    EXPECT_EQ(entries[4], QStringLiteral(".TMP"));
    readCleanEntries("missing.ini", entries);
    EXPECT_EQ(entries.size(), 5);
    ASSERT_TRUE(writeCleanEntries("out.ini", {".BAK", ".OLD"}));
    EXPECT_EQ(readAll("out.ini"), QByteArray("clean=.BAK\r\nclean=.OLD\r\n"));
}

TEST_F(FileManagerFixture, RootFolderHasNoParentRowAndStatusCountsAll) {
    dir.write("a.txt", QByteArray(2048, 'a'));
    dir.write("b.dat", QByteArray(1000, 'b'));
    dir.mkdir("sub");
    open();
    EXPECT_EQ(names(), QStringList({"a.txt", "b.dat", "sub"}));
    EXPECT_EQ(tool->listStatus()->text(), QStringLiteral("3 objets  -  2 ko"));
    EXPECT_EQ(cell("sub", FileListModel::ColSize), QString());
    EXPECT_EQ(cell("a.txt", FileListModel::ColSize), QStringLiteral("2048"));
    EXPECT_EQ(tool->folder(), dir.path());
    EXPECT_EQ(tool->history()[0], dir.path());
    EXPECT_EQ(tool->activePane(), 2);
}

TEST_F(FileManagerFixture, SubFolderListsParentRowAndAttributeLetters) {
    dir.mkdir("sub/inner");
    QString ro = dir.write("sub/ro.txt", "x");
    dir.write("sub/.secret", "x");
    ASSERT_TRUE(fake.setAttributes(ro, platform::faReadOnly | platform::faArchive));
    QDir::setCurrent(dir.file("sub"));
    open();
    EXPECT_EQ(names().first(), QStringLiteral(".."));
    EXPECT_EQ(cell("..", FileListModel::ColSize), QString());
    EXPECT_EQ(cell("ro.txt", FileListModel::ColAttrib), QStringLiteral("ar"));
    EXPECT_EQ(cell(".secret", FileListModel::ColAttrib), QStringLiteral("ah"));
    EXPECT_EQ(cell("ro.txt", FileListModel::ColDate), QDate::currentDate().toString("dd/MM/yyyy"));
    if (fake.setAttributes(dir.file("sub/inner"), platform::faArchive) &&
        (fake.attributes(dir.file("sub/inner")) & platform::faArchive)) {
        tool->readFolder();
        EXPECT_EQ(cell("inner", FileListModel::ColSize), QStringLiteral("0"));
    }
}

TEST_F(FileManagerFixture, NamesOrderedAlphabeticallyThenByCase) {
    for (const char* n : {"b", "B", "a", "C", "c"})
        dir.write(n);
    open();
    EXPECT_EQ(names(), QStringList({"a", "b", "B", "c", "C"}));
}

TEST_F(FileManagerFixture, MaskAppliesToFoldersAndParentRow) {
    dir.mkdir("sub/tools.exe");
    dir.mkdir("sub/other");
    dir.write("sub/SETUP.EXE");
    dir.write("sub/readme.txt");
    QDir::setCurrent(dir.file("sub"));
    open();
    tool->setFilter("*.exe");
    tool->readFolder();
    EXPECT_EQ(names(), QStringList({"SETUP.EXE", "tools.exe"}));
}

TEST_F(FileManagerFixture, VanishedFolderListsNothing) {
    dir.mkdir("gone");
    QDir::setCurrent(dir.file("gone"));
    open();
    QDir(dir.file("gone")).removeRecursively();
    tool->readFolder();
    EXPECT_EQ(tool->model()->rowCount(), 0);
    EXPECT_EQ(tool->listStatus()->text(), QStringLiteral("0 objets  -  0 ko"));
}

TEST_F(FileManagerFixture, SelectionHandedAsNamesAndFullPaths) {
    dir.mkdir("sub");
    dir.write("sub/x.txt");
    dir.write("sub/y.txt");
    QDir::setCurrent(dir.file("sub"));
    open();
    tool->selectAll();
    tool->takeSelection();
    EXPECT_EQ(tool->selection(), QStringList({"x.txt", "y.txt"}));
    tool->rememberSelection();
    EXPECT_EQ(tool->clipboard(), QStringList({dir.file("sub/x.txt"), dir.file("sub/y.txt")}));
    tool->invertSelection(); // only ".." selected now: nothing to hand over
    tool->takeSelection();
    EXPECT_TRUE(tool->selection().isEmpty());
    tool->rememberSelection();
    EXPECT_TRUE(tool->clipboard().isEmpty());
}

TEST_F(FileManagerFixture, SettingsLoadedAndSavedInTheCurrentFolder) {
    dir.write("TvaTools.ini", "clean=.BAK\r\n");
    open();
    tool->loadSettings();
    EXPECT_EQ(tool->cleanEntries(), QStringList({".BAK"}));
    tool->setCleanEntries(tool->cleanEntries() + QStringList{".OLD"});
    tool->saveSettings();
    EXPECT_EQ(readAll(dir.file("TvaTools.ini")), QByteArray("clean=.BAK\r\nclean=.OLD\r\n"));
}

TEST_F(FileManagerFixture, SelectAllOfALargeFolderIsReadInLinearTime) {
    dir.mkdir("many");
    for (int i = 0; i < 20000; ++i) {
        QFile f(dir.file(QStringLiteral("many/f%1").arg(i)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir::setCurrent(dir.file("many"));
    open();
    QElapsedTimer t;
    t.start();
    tool->selectAll();
    tool->takeSelection();
    tool->rememberSelection();
    EXPECT_EQ(tool->selection().size(), 20000);
    EXPECT_FALSE(tool->selection().contains(".."));
    EXPECT_EQ(tool->clipboard().size(), 20000);
    EXPECT_LT(t.elapsed(), 1000); // quadratic reading took tens of seconds
}
