#include "archive_bytes.h"
#include "archive_reader.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "test_archive.h"
#include "transforms/backup/archive_io.h"
#include "transforms/backup/backup_archive.h"
#include "ui/errors.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace transforms;
using archive_test::Entry;
using archive_test::le;
using archive_test::parse;
using archive_test::segmentOf;
using archive_test::str;
using archive_test::zlib;
using testing_support::readAll;
using testing_support::TempDir;

namespace {

QByteArray randomBytes(int n, quint32 seed = 7) {
    QByteArray b(n, 0);
    QRandomGenerator g(seed);
    for (int i = 0; i < n; ++i)
        b[i] = char(g.bounded(256));
    return b;
}

struct Collected {
    QStringList errors;
};

// A component whose errors are collected instead of shown.
using Quiet = archive_test::TestArchive;

} // namespace

TEST(BackupFormat, EmptyListGivesHeaderAndEndMark) {
    TempDir dir;
    Quiet b;
    b.backupTitle = "Titre";
    ASSERT_TRUE(b.Backup({}, "empty.bck"));
    EXPECT_EQ(readAll("empty.bck"), str("Titre") + le(0) + le(0) + le(0));
    EXPECT_EQ(b.compressionRate(), 0);
}

TEST(BackupFormat, BlockBoundariesAndEmptyFile) {
    TempDir dir;
    dir.write("a/empty", "");
    dir.write("a/exact", randomBytes(16384));
    dir.write("a/plus1", randomBytes(16385, 3).replace(0, 100, QByteArray(100, 'x')));
    Quiet b;
    b.compressionLevel = clDefault;
    ASSERT_TRUE(b.Backup({dir.file("a/empty"), dir.file("a/exact"), dir.file("a/plus1")}, "t.bck"));
    archive_test::Volume head;
    QList<Entry> e = parse({readAll("t.bck")}, &head);
    ASSERT_EQ(e.size(), 3);
    EXPECT_EQ(head.count, 3);
    EXPECT_EQ(head.total, 16384 + 16385);
    EXPECT_TRUE(head.endMark);
    EXPECT_EQ(e[0].name, dir.file("a/empty").toUtf8());
    EXPECT_TRUE(e[0].segments[0].blocks.isEmpty());
    ASSERT_EQ(e[1].segments[0].blocks.size(), 1);
    EXPECT_EQ(e[1].segments[0].data(), readAll(dir.file("a/exact")));
    ASSERT_EQ(e[2].segments[0].blocks.size(), 2);
    EXPECT_EQ(e[2].segments[0].blocks[1].data.size(), 1);
    EXPECT_EQ(e[2].segments[0].data(), readAll(dir.file("a/plus1")));
}

TEST(BackupFormat, LevelNoneStoresFullBlocksRaw) {
    TempDir dir;
    dir.write("f", QByteArray(16384 + 10, 'z'));
    Quiet b;
    b.compressionLevel = clNone;
    ASSERT_TRUE(b.Backup({dir.file("f")}, "n.bck"));
    QList<Entry> e = parse({readAll("n.bck")});
    ASSERT_EQ(e[0].segments[0].blocks.size(), 2);
    EXPECT_EQ(e[0].segments[0].blocks[0].length, -16384);
    EXPECT_GT(e[0].segments[0].blocks[1].length, 0);
    // The rate counts magic, lengths and block bytes against the source size.
    const qint64 written = 4 + (4 + 16384) + (4 + e[0].segments[0].blocks[1].length);
    EXPECT_EQ(b.bytesWritten, written);
    EXPECT_EQ(b.compressionRate(), 100 - qRound(double(written) / 16394 * 100));
}

// Every level's blocks are plain zlib streams: the test's own reader
// (zlib's inflate) reads them back, the incompressible ones stored raw.
TEST(BackupFormat, EveryLevelReadByZlib) {
    TempDir dir;
    QByteArray mixed = randomBytes(200000, 5);
    mixed.replace(50000, 80000, QByteArray(80000, 'q'));
    dir.write("m", mixed);
    for (CompressionLevel level : {clFastest, clDefault, clMax, clNone}) {
        Quiet b;
        b.compressionLevel = level;
        ASSERT_TRUE(b.Backup({dir.file("m")}, "l.bck"));
        const QList<Entry> e = parse({readAll("l.bck")});
        ASSERT_EQ(e.size(), 1);
        EXPECT_EQ(e[0].segments[0].data(), mixed) << level;
        bool raw = false, packed = false;
        for (const auto& block : e[0].segments[0].blocks)
            (block.length < 0 ? raw : packed) = true;
        EXPECT_TRUE(raw) << level; // the random bytes
        if (level != clNone) {
            EXPECT_TRUE(packed) << level;
        }
    }
}

TEST(BackupFormat, SameBytesWithOneOrSeveralThreads) {
    TempDir dir;
    QByteArray mixed = randomBytes(300000);
    mixed.replace(100000, 100000, QByteArray(100000, 'a'));
    dir.write("m", mixed);
    Quiet one, many;
    one.threads = 1;
    many.threads = 4;
    ASSERT_TRUE(one.Backup({dir.file("m")}, "one.bck"));
    ASSERT_TRUE(many.Backup({dir.file("m")}, "many.bck"));
    EXPECT_EQ(readAll("one.bck"), readAll("many.bck"));
}

TEST(BackupVolumes, LimitRuleAndEmptyFirstSegment) {
    TempDir dir;
    dir.write("s/first", randomBytes(3 * 16384, 1));
    dir.write("s/second", QByteArray(100, 'q'));
    Quiet b;
    b.compressionLevel = clNone;
    b.maxSize = 50000;
    QList<int> disks;
    b.questions.nextVolume = [&](int d) {
        disks << d;
        return true;
    };
    ASSERT_TRUE(b.Backup({dir.file("s/first"), dir.file("s/second")}, "v.bck"));
    EXPECT_EQ(disks, QList<int>({2}));
    QList<Entry> e = parse({readAll("v.bck"), readAll("v.002")});
    ASSERT_EQ(e.size(), 2);
    EXPECT_EQ(e[0].segments.size(), 1);
    EXPECT_TRUE(e[0].breaks.isEmpty());
    ASSERT_EQ(e[1].segments.size(), 2);
    EXPECT_TRUE(e[1].segments[0].blocks.isEmpty());
    EXPECT_EQ(e[1].breaks, QList<QByteArray>({"NEXT:DISK002"}));
    EXPECT_EQ(e[1].segments[1].data(), QByteArray(100, 'q'));

    TempDir out(false);
    Quiet r;
    r.volumesAtHand();
    ASSERT_TRUE(r.Restore("v.bck", out.path()));
    EXPECT_EQ(readAll(out.file("first")), readAll(dir.file("s/first")));
    EXPECT_EQ(readAll(out.file("second")), QByteArray(100, 'q'));
    EXPECT_EQ(r.filesDone, 2);
}

TEST(BackupVolumes, FloppyThresholdAndThreeVolumes) {
    TempDir dir;
    dir.write("big", randomBytes(3000000, 9));
    Quiet b;
    b.compressionLevel = clNone;
    b.maxSize = 1400000;
    b.volumesAtHand();
    ASSERT_TRUE(b.Backup({dir.file("big")}, "floppy.bck"));
    const QByteArray v1 = readAll("floppy.bck");
    EXPECT_LE(v1.size(), 1400000);
    // No block starts at or past 1383516: the last one began before it.
    const qint64 lastStart = v1.size() - 4 - (4 + 12) - (4 + 16384);
    EXPECT_LT(lastStart, 1383516);
    EXPECT_GE(lastStart + 4 + 16384, 1383516);
    EXPECT_TRUE(QFile::exists("floppy.002"));
    EXPECT_TRUE(QFile::exists("floppy.003"));
    QList<Entry> e = parse({v1, readAll("floppy.002"), readAll("floppy.003")});
    QByteArray all;
    for (const auto& s : e[0].segments)
        all += s.data();
    EXPECT_EQ(all, readAll(dir.file("big")));
}

TEST(BackupVolumes, PromptAnsweredWhileVolumeMissingAsksAgain) {
    TempDir dir;
    dir.write("big", randomBytes(60000, 4));
    Quiet b;
    b.compressionLevel = clNone;
    b.maxSize = 40000;
    b.volumesAtHand();
    ASSERT_TRUE(b.Backup({dir.file("big")}, "p.bck"));
    QFile::rename("p.002", "elsewhere");
    TempDir out(false);
    Quiet r;
    QList<int> asked;
    r.questions.nextVolume = [&](int d) {
        asked << d;
        if (asked.size() == 2) QFile::rename("elsewhere", "p.002");
        return true;
    };
    ASSERT_TRUE(r.Restore("p.bck", out.path()));
    EXPECT_EQ(asked, QList<int>({2, 2}));
    EXPECT_EQ(readAll(out.file("big")), readAll(dir.file("big")));
    // Cancelling at the prompt fails the restore.
    QFile::remove("p.002");
    Quiet cancel;
    cancel.questions.nextVolume = [](int) { return false; };
    EXPECT_FALSE(cancel.Restore("p.bck", out.path()));
}

TEST(BackupRestore, ModesDecideByDate) {
    TempDir dir;
    platform::Platform& p = platform::Platform::instance();
    const QString f = dir.write("doc.txt", "archived");
    p.setFileTime(f, QDateTime(QDate(2010, 6, 1), QTime(12, 0)));
    Quiet b;
    ASSERT_TRUE(b.Backup({f}, "m.bck"));
    TempDir out(false);
    auto restore = [&](RestoreMode mode) {
        Quiet r;
        r.restoreMode = mode;
        r.Restore("m.bck", out.path());
        return r.filesDone;
    };
    EXPECT_EQ(restore(rmExisting), 0);
    EXPECT_EQ(restore(rmExistingNewer), 0);
    EXPECT_EQ(restore(rmNoOverwrite), 1);
    EXPECT_EQ(restore(rmNoOverwrite), 0);
    EXPECT_EQ(QFileInfo(out.file("doc.txt")).lastModified(),
              QDateTime(QDate(2010, 6, 1), QTime(12, 0)));
    p.setFileTime(out.file("doc.txt"), QDateTime(QDate(2005, 1, 1), QTime(0, 0)));
    EXPECT_EQ(restore(rmNewer), 1);
    EXPECT_EQ(restore(rmNewer), 0); // same date now
    EXPECT_EQ(restore(rmExisting), 1);
    p.setFileTime(out.file("doc.txt"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    EXPECT_EQ(restore(rmExistingNewer), 0);
    EXPECT_EQ(restore(rmAll), 1);
}

TEST(BackupRestore, FileListEntryNeverRestoredNorCounted) {
    TempDir dir;
    dir.write("x/a.txt", "aaa");
    dir.write("x/b.txt", "bb");
    Quiet b;
    b.saveFileList = true;
    ASSERT_TRUE(b.Backup({dir.file("x/*.txt")}, "l.bck"));
    EXPECT_EQ(b.fileCount, 2);
    EXPECT_EQ(b.filesDone, 2);
    QList<Entry> e = parse({readAll("l.bck")});
    ASSERT_EQ(e.size(), 3);
    EXPECT_EQ(e[0].name, QByteArray("FILE:LIST"));
    const QByteArray list = e[0].segments[0].data();
    EXPECT_TRUE(list.contains(QByteArray(dir.file("x/a.txt").toUtf8() + '\t' +
                                         QByteArray::number(e[1].date) + "=3\r\n")));
    TempDir out(false);
    Quiet r;
    ASSERT_TRUE(r.Restore("l.bck", out.path()));
    EXPECT_EQ(r.filesDone, 2);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 2);
}

TEST(BackupRestore, AnotherPathFlattensAndFullPathRebuilds) {
    TempDir dir;
    dir.write("t/one/x.txt", "first");
    dir.write("t/two/x.txt", "second");
    Quiet b;
    ASSERT_TRUE(b.Backup({dir.file("t/x.txt /s")}, "same.bck"));
    EXPECT_EQ(b.filesDone, 2);
    TempDir out(false);
    Quiet r;
    ASSERT_TRUE(r.Restore("same.bck", out.path()));
    const ArchiveResult flat = r.last;
    // Flattened, the second x.txt never overwrites the first: it takes a free name.
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files, QDir::Name),
              QStringList({"x (2).txt", "x.txt"}));
    const QList<QByteArray> contents = {readAll(out.file("x.txt")), readAll(out.file("x (2).txt"))};
    EXPECT_TRUE(contents == QList<QByteArray>({"first", "second"}) ||
                contents == QList<QByteArray>({"second", "first"}));
    EXPECT_EQ(flat.filesDone, 2);
    EXPECT_EQ(flat.renamed, 1);
    EXPECT_EQ(restoreDoneText(flat),
              QStringLiteral("Restore terminée avec succès, 2 fichiers sur 2 restorés, dont 1 "
                             "sous un autre nom (même nom qu'un fichier déjà restauré)"));
    // A second run over the same folder replaces as its mode says (here: all).
    ASSERT_TRUE(r.Restore("same.bck", out.path()));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 2);
    Quiet full;
    full.restoreFullPath = true;
    ASSERT_TRUE(full.Restore("same.bck", out.path()));
    EXPECT_EQ(readAll(out.path() + dir.file("t/one/x.txt")), QByteArray("first"));
}

TEST(BackupFileList, RecursionDepthFirstSkippingArchiveAndHiddenFolders) {
    TempDir dir;
    dir.write("r/top.txt");
    dir.write("r/b/deep.txt");
    dir.write("r/.git/ignored.txt");
    dir.write("r/b/other.dat");
    Quiet b;
    b.folder = dir.path(); // relative specs are taken there
    QStringList list = b.buildFileList({"r/*.txt /s", "r/top.txt"}, "r/top.txt.bck");
    EXPECT_EQ(list, QStringList({dir.file("r/b/deep.txt"), dir.file("r/top.txt")}));
    EXPECT_TRUE(b.buildFileList({"r/top.txt"}, "r/top.txt").isEmpty());
    EXPECT_TRUE(b.buildFileList({"r/b"}, "x.bck").isEmpty()); // a folder's name matches no file
}

TEST(BackupFileList, IncrementalTakesArchiveBitAndClearsIt) {
    TempDir dir;
    platform::Platform& p = platform::Platform::instance();
    const QString a = dir.write("i/a"), c = dir.write("i/c");
    if (!p.setAttributes(c, 0) || (p.attributes(c) & platform::faArchive))
        GTEST_SKIP() << "no xattrs";
    Quiet b;
    // A total backup takes every file and leaves their archive attribute.
    ASSERT_TRUE(b.Backup({dir.file("i/*")}, "all.bck"));
    EXPECT_EQ(b.filesDone, 2);
    EXPECT_TRUE(p.attributes(a) & platform::faArchive);
    // An incremental one takes the files that have it, and clears it.
    b.backupMode = bmIncremental;
    ASSERT_TRUE(b.Backup({dir.file("i/*")}, "inc.bck"));
    EXPECT_EQ(b.filesDone, 1);
    EXPECT_FALSE(p.attributes(a) & platform::faArchive);
    ASSERT_TRUE(b.Backup({dir.file("i/*")}, "none.bck"));
    EXPECT_EQ(b.filesDone, 0);
}

TEST(BackupErrors, FullDiskIsErrorFour) {
    if (!QFileInfo::exists("/dev/full")) GTEST_SKIP();
    TempDir dir;
    dir.write("f", randomBytes(100000));
    Quiet b;
    EXPECT_FALSE(b.Backup({dir.file("f")}, "/dev/full"));
    EXPECT_EQ(b.last.error, 4);
    EXPECT_EQ(b.errors, QStringList({"Ne peut pas écrire dans archive"}));
}

TEST(BackupErrors, HostileArchivesFailCleanly) {
    TempDir dir;
    const QByteArray head = str("") + le(10) + le(1);
    const QByteArray name = str("/tmp/x") + le(0);
    auto run = [&](const QByteArray& bytes, QString* raised = nullptr) {
        QFile f("h.bck");
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        f.close();
        Quiet r;
        TempDir out(false);
        try {
            bool ok = r.Restore("h.bck", out.path());
            EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files).size() <= 1);
            return ok ? 0 : r.last.error;
        } catch (const ui::TavError& e) {
            if (raised) *raised = e.text();
            return -1;
        }
    };
    QString raised;
    EXPECT_EQ(run(head.left(6), &raised), -1);
    EXPECT_EQ(raised, QStringLiteral("Archive illisible"));
    EXPECT_EQ(run(head + name + "EC3" + QByteArray(1, 0) + le(0) + le(0)),
              1); // magic while extracting
    EXPECT_EQ(run(head + name + QByteArray("EC2\0", 4) + le(0x7FFFFFFF)), 1);
    EXPECT_EQ(run(head + name + QByteArray("EC2\0", 4) + le(qint32(0x80000000))), 1);
    EXPECT_EQ(run(head + name + QByteArray("EC2\0", 4) + le(100) + "short"), 1);
    EXPECT_EQ(run(head + le(0x7FFFFFF0) + "abc", &raised), -1);
    EXPECT_EQ(run(head + le(-5), &raised), -1);
    const QByteArray bomb = zlib(QByteArray(20000, 0));
    EXPECT_EQ(
        run(head + name + QByteArray("EC2\0", 4) + le(qint32(bomb.size())) + bomb + le(0) + le(0)),
        6);
    QByteArray garbage = zlib(QByteArray(100, 'g'));
    garbage[5] = char(garbage[5] ^ 0x55);
    EXPECT_EQ(run(head + name + QByteArray("EC2\0", 4) + le(qint32(garbage.size())) + garbage +
                  le(0) + le(0)),
              6);
    EXPECT_EQ(run(str(QByteArray(100, 't')).left(50), &raised), -1);
    // A volume break naming a volume that is not a number.
    EXPECT_EQ(run(head + name + QByteArray("EC2\0", 4) + le(0) + str("NEXT:DISKabc"), &raised), -1);
}

TEST(BackupSafety, NamesNeverLeadOutsideTheRestoreFolder) {
    TempDir dir;
    TempDir out(false);
    const QByteArray evil = str("") + le(10) + le(3) + str("/tmp/../../etc/evil") + le(0) +
                            segmentOf("bad") + str("c:\\docs\\..\\..\\evil2") + le(0) +
                            segmentOf("bad") + str("/tmp/good.txt") + le(0) + segmentOf("good") +
                            le(0);
    QFile f("evil.bck");
    f.open(QIODevice::WriteOnly);
    f.write(evil);
    f.close();
    Quiet r;
    r.restoreFullPath = true;
    ASSERT_TRUE(r.Restore("evil.bck", out.path()));
    EXPECT_EQ(r.filesDone, 1);
    EXPECT_EQ(r.errors.size(), 2);
    EXPECT_EQ(readAll(out.file("tmp/good.txt")), QByteArray("good"));
    EXPECT_FALSE(QFile::exists(out.file("../etc/evil")));
    // A link already in place is never written through.
    TempDir victim(false);
    victim.write("good.txt", "untouched");
    QDir(out.path()).removeRecursively();
    QDir().mkpath(out.path());
    ASSERT_EQ(symlink(victim.file("good.txt").toLocal8Bit().constData(),
                      out.file("good.txt").toLocal8Bit().constData()),
              0);
    Quiet flat;
    flat.Restore("evil.bck", out.path());
    EXPECT_EQ(readAll(victim.file("good.txt")), QByteArray("untouched"));
}

TEST(BackupWindowsArchives, SeparatorsDrivesAndCodePage) {
    TempDir dir;
    platform::FakePlatform fake;
    fake.addDrive(u'C', {dir.mkdir("cdrive")});
    platform::Platform::setInstance(&fake);
    const QByteArray cp1252Name = "c:\\docs\\lettre \xe9t\xe9.txt";
    const QByteArray archive = str("Sauvegarde \xe9t\xe9") + le(9) + le(3) + str(cp1252Name) +
                               le(0) + segmentOf("lettre") + str("d:/x/y.txt") + le(0) +
                               segmentOf("why") + str("c:/mixed\\sep/z.txt") + le(0) +
                               segmentOf("zed") + le(0);
    QFile f("win.bck");
    f.open(QIODevice::WriteOnly);
    f.write(archive);
    f.close();
    TempDir out(false);
    Quiet flat;
    ASSERT_TRUE(flat.Restore("win.bck", out.path()));
    EXPECT_EQ(readAll(out.file("lettre été.txt")), QByteArray("lettre"));
    EXPECT_EQ(readAll(out.file("y.txt")), QByteArray("why"));
    EXPECT_EQ(readAll(out.file("z.txt")), QByteArray("zed"));
    Quiet full;
    full.restoreFullPath = true;
    ASSERT_TRUE(full.Restore("win.bck", out.path()));
    EXPECT_EQ(readAll(out.file("docs/lettre été.txt")), QByteArray("lettre"));
    EXPECT_EQ(readAll(out.file("mixed/sep/z.txt")), QByteArray("zed"));
    // To the original paths: C is a volume, D is not.
    Quiet orig;
    EXPECT_TRUE(orig.Restore("win.bck", QString()));
    EXPECT_EQ(readAll(dir.file("cdrive/docs/lettre été.txt")), QByteArray("lettre"));
    EXPECT_EQ(readAll(dir.file("cdrive/mixed/sep/z.txt")), QByteArray("zed"));
    EXPECT_EQ(orig.filesDone, 2);
    ASSERT_EQ(orig.errors.size(), 1);
    EXPECT_TRUE(orig.errors[0].contains("d:/x/y.txt"));
    Quiet scan;
    QList<ArchiveEntry> entries = scan.scan("win.bck");
    EXPECT_EQ(entries[0].name, QStringLiteral("c:\\docs\\lettre été.txt"));
    platform::Platform::setInstance(nullptr);
}

TEST(BackupWindowsArchives, Utf8NamesRoundTrip) {
    TempDir dir;
    const QString f = dir.write("Été/Ça va.txt", "ok");
    Quiet b;
    ASSERT_TRUE(b.Backup({f}, "u.bck"));
    EXPECT_EQ(parse({readAll("u.bck")})[0].name, f.toUtf8());
    QFile::remove(f);
    Quiet r;
    ASSERT_TRUE(r.Restore("u.bck", QString()));
    EXPECT_EQ(readAll(f), QByteArray("ok"));
}

TEST(BackupProgress, CancelLeavesNoEndMark) {
    TempDir dir;
    dir.write("f", randomBytes(200000));
    Quiet b;
    b.compressionLevel = clNone;
    b.maxSize = 60000;
    QList<int> percents;
    b.onProgress = [&](int percent) { percents << percent; };
    // Escape while the second volume is asked for: the run stops at its next block.
    b.questions.nextVolume = [&](int) {
        b.running->cancel();
        return true;
    };
    EXPECT_FALSE(b.Backup({dir.file("f")}, "c.bck"));
    EXPECT_EQ(b.last.outcome.kind, core::Outcome::Cancelled);
    EXPECT_TRUE(b.errors.isEmpty()); // a stop is no error
    EXPECT_EQ(percents.value(0), 0);
    EXPECT_EQ(percents.last(), 100);
    archive_test::Volume head;
    EXPECT_THROW(parse({readAll("c.bck"), readAll("c.002")}, &head), std::runtime_error);
}

TEST(BackupErrors, DamagedCopiesOfAnArchiveNeverCrashOrEscape) {
    TempDir dir;
    dir.write("src/a.txt", QByteArray(40000, 'a'));
    dir.write("src/b.bin", randomBytes(30000, 5));
    Quiet b;
    ASSERT_TRUE(b.Backup({dir.file("src/* /s")}, "good.bck"));
    const QByteArray good = readAll("good.bck");
    QRandomGenerator g(1234);
    TempDir out(false);
    for (int round = 0; round < 300; ++round) {
        QByteArray bad = good;
        const int flips = 1 + int(g.bounded(4));
        for (int i = 0; i < flips; ++i)
            bad[int(g.bounded(int(bad.size())))] = char(g.bounded(256));
        if (round % 10 == 0) bad.truncate(int(g.bounded(int(bad.size()))));
        QFile f("bad.bck");
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bad);
        f.close();
        Quiet r;
        r.restoreFullPath = round % 2 == 0;
        try {
            r.Restore("bad.bck", out.path());
        } catch (const ui::TavError&) {
        }
        Quiet s;
        try {
            s.scan("bad.bck");
        } catch (const ui::TavError&) {
        }
    }
    // Whatever was restored stayed below the target folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"bad.bck", "good.bck"}));
}
