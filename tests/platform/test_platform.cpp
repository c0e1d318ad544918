#include "core/job.h"
#include "platform/dos_datetime.h"
#include "platform/end_requests.h"
#include "platform/linux_platform.h"
#include "platform/listing_ahead.h"
#include "platform/small_files.h"
#include "platform/wildcard.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace platform;
using testing_support::TempDir;
using testing_support::WatchingJob;

namespace {

QByteArray mountLine(int id, const char* mp, const char* fs, const char* dev) {
    return QByteArray::number(id) + " 1 0:1 / " + mp + " rw,relatime - " + fs + " " + dev + " rw\n";
}

} // namespace

TEST(MountTable, LettersForRealVolumesOnly) {
    TempDir data(false), usb(false), floppy(false);
    QByteArray table = mountLine(1, "/", "ext4", "/dev/vda") +
                       mountLine(2, "/proc", "proc", "proc") +
                       mountLine(3, "/dev/shm", "tmpfs", "tmpfs") +
                       mountLine(4, "/etc/hosts", "ext4", "/dev/vda") + // a bind-mounted file
                       mountLine(5, data.path().toUtf8(), "ext4", "/dev/vdb") +
                       mountLine(6, "/sys/fs/cgroup", "cgroup2", "cgroup");
    auto vols = parseMountTable(table, floppy.path(), QString());
    ASSERT_EQ(vols.size(), 3);
    EXPECT_EQ(vols[0].letter, u'A');
    EXPECT_EQ(vols[0].mountPoint, QDir::cleanPath(floppy.path()));
    EXPECT_EQ(vols[1].letter, u'C');
    EXPECT_EQ(vols[1].mountPoint, QStringLiteral("/"));
    EXPECT_EQ(vols[2].letter, u'D');
    EXPECT_EQ(vols[2].mountPoint, data.path());
}

TEST(MountTable, EscapedMountPointsAndMissingFields) {
    QByteArray table = "garbage\n\n1 2\n" + mountLine(1, "/", "overlay", "overlay");
    auto vols = parseMountTable(table, {}, {});
    ASSERT_EQ(vols.size(), 1);
    EXPECT_EQ(vols[0].letter, u'C');
}

TEST(Wildcard, MasksAsTheFileDialogsKnowThem) {
    EXPECT_TRUE(matchesMask("anything", "*.*"));
    EXPECT_TRUE(matchesMask("..", "*.*"));
    EXPECT_TRUE(matchesMask("SETUP.EXE", "*.exe"));
    EXPECT_FALSE(matchesMask("..", "*.exe"));
    EXPECT_FALSE(matchesMask("folder", "*.exe"));
    EXPECT_TRUE(matchesMask("a1.txt", "a?.txt"));
    EXPECT_FALSE(matchesMask("a12.txt", "a?.txt"));
    EXPECT_TRUE(matchesMask("readme", "readme.*"));
    EXPECT_TRUE(matchesMask("x.tar.gz", "*.gz"));
    EXPECT_FALSE(matchesMask("x.tar.gz", "*.tar"));
}

// The byte matcher of the walks says what the text matcher says whenever it
// answers, and answers for every ASCII name and mask.
TEST(Wildcard, BytesAnswerAsTheTextMatcher) {
    std::mt19937 random(3);
    const QString letters = QStringLiteral("aAbB.txTé?*");
    const auto pick = [&](int most, bool wildcards) {
        QString out;
        for (int n = int(random() % unsigned(most)); n > 0; --n) {
            const QChar c = letters[int(random() % unsigned(letters.size() - (wildcards ? 0 : 2)))];
            out += c;
        }
        return out;
    };
    for (int round = 0; round < 20000; ++round) {
        const QString mask = pick(7, true), name = pick(9, false);
        const QByteArray bytes = name.toUtf8();
        const std::optional<bool> answer = AsciiMask(mask).matches(bytes.constData(), bytes.size());
        const bool ascii = !mask.contains(u'é') && !name.contains(u'é');
        ASSERT_TRUE(answer || !ascii) << name.toStdString() << " " << mask.toStdString();
        if (answer) {
            ASSERT_EQ(*answer, matchesMask(name, mask))
                << name.toStdString() << " " << mask.toStdString();
        }
    }
}

TEST(DosDateTime, RoundTripInTwoSecondSteps) {
    QDateTime t(QDate(2001, 7, 14), QTime(13, 45, 31), Qt::LocalTime);
    quint32 packed = toDosDateTime(t);
    EXPECT_EQ(packed >> 16, quint32((2001 - 1980) << 9 | 7 << 5 | 14));
    EXPECT_EQ(fromDosDateTime(packed),
              QDateTime(QDate(2001, 7, 14), QTime(13, 45, 30), Qt::LocalTime));
    EXPECT_FALSE(fromDosDateTime(0xFFFFFFFF).isValid());
}

class FileOps : public ::testing::Test {
  protected:
    TempDir dir;
    LinuxPlatform p;
};

TEST_F(FileOps, AttributesFollowModeNamesAndStoredFlags) {
    QString f = dir.write("plain.txt", "x");
    quint32 a = p.attributes(f);
    EXPECT_EQ(a & (faReadOnly | faHidden | faSysFile | faDirectory), 0u);
    EXPECT_TRUE(a & faArchive);
    EXPECT_TRUE(p.attributes(dir.write(".dot")) & faHidden);
    EXPECT_TRUE(p.attributes(dir.mkdir("d")) & faDirectory);
    EXPECT_EQ(p.attributes(dir.file("missing")), 0xFFFFFFFFu);
    ASSERT_EQ(mkfifo(dir.file("fifo").toLocal8Bit().constData(), 0644), 0);
    EXPECT_TRUE(p.attributes(dir.file("fifo")) & faSysFile);

    ASSERT_TRUE(p.setAttributes(f, faReadOnly));
    EXPECT_EQ(QFileInfo(f).permissions() &
                  (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther),
              0);
    a = p.attributes(f);
    EXPECT_TRUE(a & faReadOnly);
    ASSERT_TRUE(p.setAttributes(f, faArchive));
    EXPECT_FALSE(p.attributes(f) & faReadOnly);
}

TEST_F(FileOps, ArchiveBitClearedUntilTheFileChanges) {
    QString f = dir.write("doc.txt", "one");
    if (!p.setAttributes(f, 0) || (p.attributes(f) & faArchive))
        GTEST_SKIP() << "no extended attributes on this file system";
    EXPECT_FALSE(p.attributes(f) & faArchive);
    QFile file(f);
    file.open(QIODevice::Append);
    file.write("two");
    file.close();
    EXPECT_TRUE(p.attributes(f) & faArchive);
    ASSERT_TRUE(p.setAttributes(f, faHidden));
    EXPECT_TRUE(p.attributes(f) & faHidden);
}

TEST_F(FileOps, ReadOnlyFilesAreRefusedEvenForRoot) {
    QString f = dir.write("ro.txt", "keep");
    ASSERT_TRUE(p.setAttributes(f, faReadOnly));
    const Status refused = p.deleteFile(f);
    // The answer keeps its error whatever the thread does next.
    ASSERT_TRUE(p.createFolder(dir.file("after")));
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.error(), errAccessDenied);
    EXPECT_EQ(p.deleteFile(dir.file("missing")).error(), errFileNotFound);
    QFile w(f);
    EXPECT_FALSE(p.openForWrite(w, QIODevice::WriteOnly));
    EXPECT_FALSE(p.copyFile(dir.write("other.txt", "new"), f, false));
    EXPECT_EQ(testing_support::readAll(f), QByteArray("keep"));
    // Renaming and moving are no writing: allowed, and it stays read-only.
    ASSERT_TRUE(p.moveFile(f, dir.file("moved.txt")));
    EXPECT_TRUE(p.attributes(dir.file("moved.txt")) & faReadOnly);
}

TEST_F(FileOps, MoveNeverReplacesAndCaseOnlyRenameWorks) {
    QString a = dir.write("a.txt", "A"), b = dir.write("b.txt", "B");
    EXPECT_FALSE(p.moveFile(a, b));
    EXPECT_EQ(testing_support::readAll(b), QByteArray("B"));
    EXPECT_TRUE(p.moveFile(a, dir.file("A.TXT")));
    EXPECT_EQ(testing_support::readAll(dir.file("A.TXT")), QByteArray("A"));
    EXPECT_FALSE(QFile::exists(a));
}

TEST_F(FileOps, CopyKeepsDateAndHonoursFailIfExists) {
    QString src = dir.write("src.bin", QByteArray(300000, 'z'));
    QDateTime old(QDate(1999, 12, 31), QTime(23, 59, 58));
    ASSERT_TRUE(p.setFileTime(src, old));
    ASSERT_TRUE(p.copyFile(src, dir.file("dst.bin"), true));
    EXPECT_EQ(testing_support::readAll(dir.file("dst.bin")).size(), 300000);
    EXPECT_EQ(QFileInfo(dir.file("dst.bin")).lastModified(), old);
    QString existing = dir.write("exists.bin", "old");
    EXPECT_EQ(p.copyFile(src, existing, true).error(), errFileExists);
    EXPECT_EQ(testing_support::readAll(existing), QByteArray("old"));
    EXPECT_TRUE(p.copyFile(src, existing, false));
    EXPECT_EQ(testing_support::readAll(existing).size(), 300000);
    // No temporary file is left beside the targets.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    // The mode is the source's, also the bits the umask (022 as a rule)
    // takes from new files.
    for (const mode_t mode : {mode_t(0777), mode_t(0604), mode_t(0400)}) {
        ASSERT_EQ(::chmod(QFile::encodeName(src).constData(), mode), 0);
        const QString copy = dir.file(QStringLiteral("mode%1").arg(mode, 0, 8));
        ASSERT_TRUE(p.copyFile(src, copy, true));
        struct stat st;
        ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
    }
}

TEST_F(FileOps, AStoppedCopyLeavesTheTargetAsItWasAndNothingBeside) {
    const QByteArray data(40 << 20, 'c');
    const QString src = dir.write("big.bin", data);
    const QString existing = dir.write("old.bin", "old");
    int asked = 0;
    WatchingJob stopAfterTwoPieces([&](qint64, qint64) { return ++asked == 2; });
    EXPECT_EQ(p.copyFile(src, existing, false, &stopAfterTwoPieces).error(), errCancelled);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(testing_support::readAll(existing), QByteArray("old"));
    WatchingJob stopAtOnce([](qint64, qint64) { return true; });
    EXPECT_FALSE(p.copyFile(src, dir.file("new.bin"), true, &stopAtOnce));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"big.bin", "old.bin"}));
    ASSERT_TRUE(p.copyFile(existing, dir.file("small.bin"), true, &stopAtOnce));
    EXPECT_EQ(testing_support::readAll(dir.file("small.bin")), QByteArray("old"));
    // A copy killed halfway leaves nothing either, over an existing file or not.
    for (const char* name : {"old.bin", "new.bin"}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WatchingJob killer([](qint64, qint64) { return raise(SIGKILL) != 0; });
            p.copyFile(src, dir.file(name), false, &killer);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
    }
    EXPECT_EQ(testing_support::readAll(existing), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"big.bin", "old.bin", "small.bin"}));
    QList<qint64> told;
    WatchingJob telling([&](qint64 copied, qint64 size) {
        told << copied << size;
        return false;
    });
    ASSERT_TRUE(p.copyFile(src, dir.file("new.bin"), true, &telling));
    // After each 16 MiB piece that leaves more to copy.
    EXPECT_EQ(told, QList<qint64>({16 << 20, 40 << 20, 32 << 20, 40 << 20}));
    EXPECT_TRUE(testing_support::readAll(dir.file("new.bin")) == data);
}

// A folder move to another volume that is stopped or cannot finish leaves
// the source whole and removes what it copied; it never replaces.
TEST_F(FileOps, AFolderMoveToAnotherVolumeIsAllOrNothing) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/tavtest-XXXXXX"));
    if (!shm.isValid()) GTEST_SKIP() << "no second volume";
    for (int i = 0; i < 20; ++i)
        dir.write(QStringLiteral("tree/f%1.bin").arg(i), QByteArray(1 << 20, char('a' + i)));
    const QString tree = dir.file("tree"), target = shm.filePath("tree");
    int calls = 0;
    WatchingJob stopAfterFive([&](qint64, qint64) { return ++calls > 5; });
    EXPECT_EQ(p.moveFile(tree, target, &stopAfterFive).error(), errCancelled);
    EXPECT_EQ(QDir(tree).entryList(QDir::Files).size(), 20);
    EXPECT_FALSE(QFileInfo::exists(target));
    // A socket cannot be copied: refused before anything is copied.
    const QString fifoFree = dir.mkdir("special");
    ASSERT_EQ(::mknod(QFile::encodeName(fifoFree + "/sock").constData(), S_IFSOCK | 0600, 0), 0);
    EXPECT_FALSE(p.moveFile(fifoFree, shm.filePath("special")));
    EXPECT_TRUE(QFileInfo::exists(fifoFree + "/sock"));
    EXPECT_FALSE(QFileInfo::exists(shm.filePath("special")));
    // A volume mounted inside the tree: refused, so nothing of it is deleted.
    const QString mountPoint = dir.mkdir("holder/mounted");
    if (geteuid() == 0 &&
        ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=1m") == 0) {
        dir.write("holder/mounted/precious", "p");
        EXPECT_FALSE(p.moveFile(dir.file("holder"), shm.filePath("holder")));
        EXPECT_EQ(testing_support::readAll(dir.file("holder/mounted/precious")), "p");
        EXPECT_FALSE(QFileInfo::exists(shm.filePath("holder")));
        ::umount(QFile::encodeName(mountPoint).constData());
    }
    // Never over a folder of that name.
    dir.write("clash/x", "x");
    QDir().mkpath(shm.filePath("clash"));
    EXPECT_EQ(p.moveFile(dir.file("clash"), shm.filePath("clash")).error(), errFileExists);
    EXPECT_TRUE(QFileInfo::exists(dir.file("clash/x")));
    qint64 last = 0, total = 0;
    WatchingJob watching([&](qint64 done, qint64 size) {
        last = done, total = size;
        return false;
    });
    // Nested folders go whole; a link to a folder outside goes as a link,
    // and what it leads to stays.
    dir.write("tree/sub/deeper/g.txt", "g");
    dir.write("outside/kept.txt", "k");
    ASSERT_TRUE(QFile::link(dir.file("outside"), dir.file("tree/sub/link")));
    ASSERT_TRUE(p.moveFile(tree, target, &watching));
    EXPECT_EQ(total, (20 << 20) + 1);
    EXPECT_GT(last, 0);
    EXPECT_FALSE(QFileInfo::exists(tree));
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 20);
    EXPECT_EQ(testing_support::readAll(target + "/sub/deeper/g.txt"), "g");
    EXPECT_EQ(QFileInfo(target + "/sub/link").symLinkTarget(), dir.file("outside"));
    EXPECT_EQ(testing_support::readAll(dir.file("outside/kept.txt")), "k");
}

// A folder of many small files is copied several at a time: whole when it
// goes through; stopped, or short of room on the other volume, the source
// stays whole and nothing of the copy is left.
TEST_F(FileOps, AMoveOfManySmallFilesIsAllOrNothingToo) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/tavtest-XXXXXX"));
    if (!shm.isValid()) GTEST_SKIP() << "no second volume";
    const auto content = [](int i) -> QByteArray {
        return QByteArray(16 << 10, char('a' + i % 26)) + QByteArray::number(i);
    };
    for (int i = 0; i < 100; ++i)
        dir.write(QStringLiteral("many/f%1.txt").arg(i), content(i));
    const struct timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(dir.file("many/f7.txt")).constData(), old, 0),
              0);
    const QString many = dir.file("many");
    const auto sourceWhole = [&] {
        for (int i = 0; i < 100; ++i)
            if (testing_support::readAll(QStringLiteral("%1/f%2.txt").arg(many).arg(i)) !=
                content(i))
                return false;
        return true;
    };
    // Stopped at the first look at the job, while the helper thread copies:
    // any number of files copied by then (a later look may never come when
    // the helper copies them all first), and none of them left.
    WatchingJob stopAtOnce([](qint64, qint64) { return true; });
    EXPECT_EQ(p.moveFile(many, shm.filePath("many"), &stopAtOnce).error(), errCancelled);
    EXPECT_TRUE(sourceWhole());
    EXPECT_FALSE(QFileInfo::exists(shm.filePath("many")));

    const QString small = QDir(shm.path()).filePath("small");
    QDir().mkpath(small);
    if (geteuid() == 0 &&
        ::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=512k") == 0) {
        EXPECT_FALSE(p.moveFile(many, small + "/many"));
        EXPECT_TRUE(sourceWhole());
        EXPECT_FALSE(QFileInfo::exists(small + "/many"));
        ::umount(QFile::encodeName(small).constData());
    }

    WatchingJob goOn([](qint64, qint64) { return false; });
    ASSERT_TRUE(p.moveFile(many, shm.filePath("many"), &goOn));
    EXPECT_FALSE(QFileInfo::exists(many));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(testing_support::readAll(shm.filePath(QStringLiteral("many/f%1.txt").arg(i))),
                  content(i));
    EXPECT_EQ(QFileInfo(shm.filePath("many/f7.txt")).lastModified().toSecsSinceEpoch(),
              1'000'000'000);
}

TEST_F(FileOps, AStoppedMoveToAnotherVolumeKeepsTheSource) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/tavtest-XXXXXX"));
    if (!shm.isValid()) GTEST_SKIP() << "no second volume";
    const QByteArray data(20 << 20, 'm');
    const QString src = dir.write("moved.bin", data);
    WatchingJob stopAtOnce([](qint64, qint64) { return true; });
    EXPECT_EQ(p.moveFile(src, shm.filePath("moved.bin"), &stopAtOnce).error(), errCancelled);
    EXPECT_TRUE(testing_support::readAll(src) == data);
    EXPECT_TRUE(QDir(shm.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    WatchingJob goOn([](qint64, qint64) { return false; });
    ASSERT_TRUE(p.moveFile(src, shm.filePath("moved.bin"), &goOn));
    EXPECT_FALSE(QFile::exists(src));
    EXPECT_TRUE(testing_support::readAll(shm.filePath("moved.bin")) == data);
}

TEST_F(FileOps, CopyOfASparseFileKeepsItsBytesAndHoles) {
    QString src = dir.file("sparse.img");
    {
        QFile f(src);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("head");
        f.seek(50 << 20);
        f.write("middle");
        f.resize((100 << 20) + 3);
    }
    ASSERT_TRUE(p.copyFile(src, dir.file("copy.img"), true));
    const QByteArray a = testing_support::readAll(src),
                     b = testing_support::readAll(dir.file("copy.img"));
    EXPECT_EQ(b.size(), (100 << 20) + 3);
    EXPECT_TRUE(a == b);
    struct stat st;
    ASSERT_EQ(stat(dir.file("copy.img").toLocal8Bit().constData(), &st), 0);
    EXPECT_LT(qint64(st.st_blocks) * 512, 10 << 20); // the holes were not written
}

TEST_F(FileOps, FoldersAndListing) {
    EXPECT_TRUE(p.createFolder(dir.file("f")));
    dir.write("f/inner.txt");
    EXPECT_EQ(p.removeFolder(dir.file("f")).error(), errDirNotEmpty);
    ASSERT_EQ(symlink("/", dir.file("link").toLocal8Bit().constData()), 0);
    std::vector<DirEntry> entries;
    ASSERT_TRUE(p.listDirectory(dir.path(), "*.*", entries));
    QStringList names;
    for (const auto& e : entries) {
        names << e.name;
        if (e.name == u"link") {
            EXPECT_TRUE(e.isLink);
            EXPECT_TRUE(e.attributes & faDirectory);
        }
    }
    names.sort();
    EXPECT_EQ(names, QStringList({"..", "f", "link"}));
    EXPECT_FALSE(p.listDirectory(dir.file("nowhere"), "*.*", entries));
}

// Small files read whole or up to the cap, the kernel's files (which tell
// a size of 0) too, a FIFO never waited for; a buffer read into again holds
// the new file only.
TEST_F(FileOps, SmallFilesAreReadWholeOrCut) {
    const QByteArray big = QByteArray("0123456789").repeated(20'000);
    const QString bigFile = dir.write("big", big);
    EXPECT_EQ(readSmallFile(bigFile, 1 << 20), big);
    EXPECT_EQ(readSmallFile(bigFile, 100'001), big.left(100'001));
    EXPECT_EQ(readSmallFile(dir.write("empty", ""), 100), QByteArray());
    EXPECT_TRUE(readSmallFile(QStringLiteral("/proc/self/status"), 1 << 20).contains("Name:"));
    const QString fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(readSmallFile(fifo, 100), QByteArray());
    QByteArray buffer;
    readSmallFileInto(bigFile, 1 << 20, buffer);
    readSmallFileInto(dir.write("small", "abc"), 1 << 20, buffer);
    EXPECT_EQ(buffer, QByteArray("abc"));
    readSmallFileInto(dir.file("missing"), 1 << 20, buffer);
    EXPECT_EQ(buffer, QByteArray());
}

// A read ahead is a hint: a FIFO without a writer, a folder or a missing
// file neither hold it nor fail anything.
TEST_F(FileOps, ReadingAheadNeverWaits) {
    const QString fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path : {fifo, dir.path(), dir.file("missing"), dir.write("f", "bytes")})
        p.readAhead(path);
    EXPECT_EQ(testing_support::readAll(dir.file("f")), QByteArray("bytes"));
}

// Folders listed ahead as their parent names them, taken while the workers
// list them, some before any worker got to them, some never named, one
// taken twice: each listing is the folder's own, whole.
TEST_F(FileOps, ListingsAheadAreEachFoldersOwn) {
    QStringList folders;
    for (int f = 0; f < 60; ++f) {
        const QString folder = QStringLiteral("d%1/").arg(f);
        for (int i = 0; i < f % 7 * 3; ++i)
            dir.write(folder + QStringLiteral("f%1.txt").arg(i));
        dir.mkdir(folder + QStringLiteral("sub"));
        folders << dir.file(folder);
    }
    folders << dir.file("nowhere/");
    const auto names = [](const ListingAhead::Listing& l) {
        QStringList n;
        for (const DirEntry& e : l.entries)
            n << e.name;
        n.sort();
        return n;
    };
    for (int round = 0; round < 20; ++round) {
        // The top folder names the first 40, which are listed ahead; the
        // others are taken unknown.
        ListingAhead lister([](const DirEntry&) { return Platform::Detail::Full; },
                            [&](const QString& in, const DirEntry& e) {
                                const QString path = in + e.name + u'/';
                                return folders.indexOf(path) < 40 ? path : QString();
                            });
        EXPECT_TRUE(lister.take(dir.path() + u'/').ok);
        for (int i = 0; i < folders.size(); ++i) {
            const ListingAhead::Listing l = lister.take(folders[i]);
            if (i == 60) {
                EXPECT_FALSE(l.ok);
                continue;
            }
            ASSERT_TRUE(l.ok) << i;
            EXPECT_EQ(l.entries.size(), size_t(i % 7 * 3 + 1)) << i;
            if (i == 5) {
                EXPECT_EQ(names(lister.take(folders[i])), names(l));
            }
        }
    }
}

// A walk that keeps its folders open (a delete) and falls far behind its
// workers: they pause before the process runs out of descriptors, and
// every folder is listed whole.
TEST_F(FileOps, ListingsAheadNeverHoldTooManyFoldersOpen) {
    const int count = 1200;
    for (int f = 0; f < count; ++f)
        dir.mkdir(QStringLiteral("d%1").arg(f));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_cur, 512);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    int listed = 0;
    {
        ListingAhead lister([](const DirEntry&) { return Platform::Detail::Full; },
                            [](const QString& in, const DirEntry& e) { return in + e.name; }, true);
        const ListingAhead::Listing top = lister.take(dir.path() + u'/');
        ASSERT_TRUE(top.ok);
        usleep(300'000); // the workers go as far ahead as they may
        for (const DirEntry& e : top.entries)
            listed += lister.take(dir.path() + u'/' + e.name).ok ? 1 : 0;
    }
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(listed, count);
}

TEST(FakeDrives, DriveOfAndCurrentFolderPerDrive) {
    TempDir c(false), a(false);
    QDir(c.path()).mkdir("sub");
    FakePlatform fake;
    fake.addDrive(u'C', {c.path()});
    fake.addDrive(u'A', {a.path(), DriveType::Removable, false});
    EXPECT_EQ(fake.driveOf(c.path() + "/sub"), u'C');
    EXPECT_EQ(fake.driveOf(a.path()), u'A');
    EXPECT_FALSE(fake.driveReady(u'A'));
    EXPECT_EQ(fake.driveType(u'Q'), DriveType::NoRootDir);
    QString previous = QDir::currentPath();
    ASSERT_TRUE(fake.setCurrentDirectory(c.path() + "/sub"));
    ASSERT_TRUE(fake.setCurrentDirectory(a.path()));
    EXPECT_EQ(fake.driveCurrentFolder(u'c'), c.path() + "/sub");
    EXPECT_EQ(fake.rootOf(c.path() + "/sub"), c.path());
    QDir::setCurrent(previous);
}

TEST(RealDrives, RootIsDriveCAndReadinessAnswers) {
    LinuxPlatform p;
    EXPECT_EQ(p.driveOf("/"), u'C');
    EXPECT_TRUE(p.driveLetters().contains(u'C'));
    EXPECT_TRUE(p.driveReady(u'C'));
    EXPECT_FALSE(p.driveReady(u'Z'));
    DiskSpace ds;
    ASSERT_TRUE(p.diskFreeSpace(u'C', ds));
    EXPECT_GT(ds.clusterSize(), 0u);
    EXPECT_TRUE(p.driveDisplayName(u'C').endsWith("(C:)"));
}

// Notes and settings live in the user's configuration folder, made at the
// first call, wherever the program was started from.
TEST(RealDrives, StartFolderIsTheUsersConfigurationFolder) {
    TempDir dir;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME"), savedHome = qgetenv("HOME");
    LinuxPlatform p;
    qputenv("XDG_CONFIG_HOME", dir.file("config").toLocal8Bit());
    EXPECT_EQ(p.startFolder(), dir.file("config/tavtools"));
    EXPECT_TRUE(QFileInfo(dir.file("config/tavtools")).isDir());
    // Unset or relative: the default under the home folder.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    qputenv("HOME", dir.file("home").toLocal8Bit());
    EXPECT_EQ(p.startFolder(), dir.file("home/.config/tavtools"));
    EXPECT_TRUE(QFileInfo(dir.file("home/.config/tavtools")).isDir());
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("HOME", savedHome);
}

TEST(TempNames, UniqueAndCreated) {
    TempDir dir(false);
    LinuxPlatform p;
    QString a = p.tempFileName(dir.path(), "FID"), b = p.tempFileName(dir.path(), "FID");
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("FID"));
}

namespace {

// How a child process running `body` ended: its exit code, or minus the
// signal that ended it.
int endOfChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

} // namespace

// Without an event loop: a request to end stops the latest running job
// (the one before it comes back when it ends), a second request ends the
// program at once, and with no job running the first one does.
TEST(EndRequests, StopTheRunningJobThenEndTheProgram) {
    EXPECT_EQ(endOfChild([] {
                  platform::stopJobsOnEndRequest();
                  core::DirectJob outer, inner;
                  const platform::StopOnEndRequest stopOuter(outer);
                  {
                      const platform::StopOnEndRequest stopInner(inner);
                      raise(SIGINT);
                      if (!inner.cancelled() || outer.cancelled()) return 3;
                  }
                  raise(SIGTERM); // the handler is gone after the first request
                  return 4;
              }),
              -SIGTERM);
    EXPECT_EQ(endOfChild([] {
                  platform::stopJobsOnEndRequest();
                  core::DirectJob job;
                  { const platform::StopOnEndRequest stop(job); }
                  raise(SIGHUP);
                  return 5;
              }),
              -SIGHUP);
}

// A failure is a value made where it was seen: it never reads as success,
// and a value and an error are never held together.
TEST(ErrorsAsValues, StatusAndResultCarryTheirOwnError) {
    EXPECT_TRUE(Status().ok());
    EXPECT_EQ(Status::failed(errDiskFull).error(), errDiskFull);
    EXPECT_EQ(Status::failed(errNone).error(), errGeneric);
    const Result<QString> made(QStringLiteral("/x"));
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(*made, QStringLiteral("/x"));
    EXPECT_EQ(made.error(), errNone);
    const Result<QString> refused = Result<QString>::failed(errAccessDenied);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), errAccessDenied);
    EXPECT_EQ(refused.status().error(), errAccessDenied);
    // Each thread's failures are its own answers: two threads failing
    // differently at once never see each other's code.
    TempDir dir;
    LinuxPlatform p;
    std::atomic<int> wrong{0};
    auto fail = [&](const QString& path, int expected) {
        for (int i = 0; i < 2000; ++i)
            if (p.deleteFile(path).error() != expected) ++wrong;
    };
    dir.mkdir("folder");
    std::thread a(fail, dir.file("missing"), int(errFileNotFound));
    std::thread b(fail, dir.file("folder"), int(errAccessDenied));
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}
