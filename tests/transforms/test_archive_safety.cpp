// Restores never harm a good file: damaged data, a crash midway and
// broken volume chains leave the existing files as they were.
#include "archive_bytes.h"
#include "support/temp_dir.h"
#include "test_archive.h"
#include "transforms/backup/archive_io.h"
#include "transforms/backup/backup_archive.h"
#include "ui/errors.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace transforms;
using namespace archive_test;
using testing_support::readAll;
using testing_support::TempDir;

namespace {

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Restores into the archive's own paths; answers the error text raised, or
// the component's error code as text.
QString restore(const QString& archive, int* filesDone = nullptr) {
    archive_test::TestArchive r;
    r.volumesAtHand();
    try {
        const bool ok = r.Restore(archive, QString());
        if (filesDone) *filesDone = r.last.filesDone;
        return ok ? QString() : QString::number(r.last.error);
    } catch (const ui::TavError& e) {
        return e.text();
    }
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

TEST(ArchiveSafety, DamagedDataLeavesTheExistingFileWhole) {
    TempDir dir;
    const QString victim = dir.file("victim");
    const QByteArray intact(100000, 'i');
    put(victim, intact);
    const QDateTime before = QFileInfo(victim).lastModified();
    QByteArray damaged = zlib(QByteArray(16384, 'n'));
    damaged[6] = char(damaged[6] ^ 0x5A);
    const QByteArray name = str(victim.toUtf8()) + le(0x2A210000);
    put("bad.bck", header() + name + QByteArray("EC2\0", 4) + block(QByteArray(16384, 'n')) +
                       le(qint32(damaged.size())) + damaged + le(0) + le(0));
    EXPECT_EQ(restore("bad.bck"), QStringLiteral("6"));
    EXPECT_EQ(readAll(victim), intact);
    EXPECT_EQ(QFileInfo(victim).lastModified(), before);
    EXPECT_EQ(filesIn(dir.path()), QStringList({"bad.bck", "victim"}));

    // Good data replaces it, dated from the archive.
    put("good.bck", header() + name + segmentOf("new content") + le(0));
    int done = 0;
    EXPECT_EQ(restore("good.bck", &done), QString());
    EXPECT_EQ(done, 1);
    EXPECT_EQ(readAll(victim), QByteArray("new content"));
    EXPECT_EQ(QFileInfo(victim).lastModified().date(), QDate(2001, 1, 1));
    EXPECT_EQ(filesIn(dir.path()), QStringList({"bad.bck", "good.bck", "victim"}));
}

TEST(ArchiveSafety, RestoreKilledMidwayLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const QString target = dir.file("big.bin");
    QByteArray data;
    for (int i = 0; i < 64; ++i)
        data += QByteArray(16384, char('a' + i % 26));
    put(target, data);
    {
        archive_test::TestArchive b;
        b.threads = 1;
        ASSERT_TRUE(b.Backup({target}, dir.file("k.bck")));
    }
    const QByteArray old(data.size(), 'o');
    put(target, old);
    // A child process restores over it and is killed before the end.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        archive_test::TestArchive r;
        r.threads = 1; // no worker threads in a forked child
        // Killed with the new content written whole, before it takes the name.
        r.questions.fileRestored = [](const QString&, QFile&) { raise(SIGKILL); };
        r.Restore(dir.file("k.bck"), QString());
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(readAll(target), old);
    EXPECT_EQ(filesIn(dir.path()), QStringList({"big.bin", "k.bck"}));
}

TEST(ArchiveSafety, VolumeChainsThatLoopOrGoBackAreDamaged) {
    TempDir dir;
    // The self-looping chain as reported.
    put("a.bck", QByteArray::fromBase64("AAAAAAIAAAABAAAABQAAAGEudHh0AAAAAEVDMgAAAAAADAAAAE5FWFQ6"
                                        "RElTSzAwMg=="));
    put("a.002", QByteArray::fromBase64("RUMyAAoAAAB4nMvIBAABOwDSAAAAAAwAAABORVhUOkRJU0swMDI="));
    EXPECT_EQ(restore("a.bck"), QStringLiteral("Archive illisible"));
    EXPECT_LT(QFileInfo(dir.file("a.txt")).size(), 1000);
    archive_test::TestArchive scan;
    EXPECT_THROW(scan.scan("a.bck"), ui::TavError);
    // Volume 3 going back to volume 2, and a chain past 999.
    const QByteArray seg = QByteArray("EC2\0", 4) + block("x") + le(0);
    put("b.bck", header() + str("b.txt") + le(0) + seg + str("NEXT:DISK002"));
    put("b.002", seg + str("NEXT:DISK003"));
    put("b.003", seg + str("NEXT:DISK002"));
    EXPECT_EQ(restore("b.bck"), QStringLiteral("Archive illisible"));
    EXPECT_THROW(scan.scan("b.bck"), ui::TavError);
    put("b.003", seg + str("NEXT:DISK1000"));
    EXPECT_EQ(restore("b.bck"), QStringLiteral("Archive illisible"));
}

TEST(ArchiveSafety, BlocksThatBelongToNoFileAreDamaged) {
    TempDir dir;
    put("o.bck", header(10, 0) + str("NEXT:DISK002"));
    put("o.002", segmentOf("orphan data") + le(0));
    EXPECT_EQ(restore("o.bck"), QStringLiteral("Archive illisible"));
    EXPECT_EQ(filesIn(dir.path()), QStringList({"o.002", "o.bck"}));
}

TEST(ArchiveSafety, ABackupNeverReadsItsOwnVolumes) {
    TempDir dir;
    QByteArray noise(60000, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    dir.write("t/data.bin", noise);
    for (int run = 0; run < 2; ++run) {
        archive_test::TestArchive b;
        b.volumesAtHand();
        b.compressionLevel = clNone;
        b.maxSize = 20000;
        ASSERT_TRUE(b.Backup({dir.file("t/*")}, dir.file("t/v.bck")));
        EXPECT_EQ(b.fileCount, 1) << "run " << run;
    }
    int done = 0;
    QFile::remove(dir.file("t/data.bin"));
    EXPECT_EQ(restore(dir.file("t/v.bck"), &done), QString());
    EXPECT_EQ(done, 1);
    EXPECT_EQ(readAll(dir.file("t/data.bin")), noise);
}

TEST(ArchiveSafety, VolumeSizesThatCannotHoldABlockAreRefused) {
    TempDir dir;
    put("f", QByteArray(50000, 'f'));
    archive_test::TestArchive b;
    b.volumesAtHand();
    b.maxSize = kMinVolumeSize - 1;
    EXPECT_FALSE(b.Backup({dir.file("f")}, "s.bck"));
    EXPECT_EQ(b.errors,
              QStringList({QStringLiteral("Taille de volume trop petite : %1 octets au moins")
                               .arg(kMinVolumeSize)}));
    EXPECT_FALSE(QFile::exists("s.bck"));
    b.maxSize = kMinVolumeSize;
    b.compressionLevel = clNone;
    EXPECT_TRUE(b.Backup({dir.file("f")}, "s.bck"));
    EXPECT_TRUE(QFile::exists("s.004"));
}

TEST(ArchiveSafety, ABackslashIsPartOfALinuxName) {
    TempDir dir;
    const QString odd = dir.write("c\\d.txt", "backslash");
    const QString plain = dir.write("d.txt", "plain");
    archive_test::TestArchive b;
    ASSERT_TRUE(b.Backup({odd}, "n.bck"));
    QFile::remove(odd);
    EXPECT_EQ(restore("n.bck"), QString());
    EXPECT_EQ(readAll(odd), QByteArray("backslash"));
    EXPECT_EQ(readAll(plain), QByteArray("plain"));
    TempDir out(false);
    archive_test::TestArchive full;
    full.restoreFullPath = true;
    ASSERT_TRUE(full.Restore(dir.file("n.bck"), out.path()));
    EXPECT_TRUE(QFile::exists(out.path() + dir.path() + "/c\\d.txt"));
    // Names from the platform with drive letters still split on both.
    put("w.bck", header(2, 2) + str("c:\\docs\\a.txt") + le(0) + segmentOf("a") +
                     str("c:/docs/b.txt") + le(0) + segmentOf("b") + le(0));
    TempDir other(false);
    archive_test::TestArchive win;
    win.restoreFullPath = true;
    ASSERT_TRUE(win.Restore(dir.file("w.bck"), other.path()));
    EXPECT_EQ(readAll(other.file("docs/a.txt")), QByteArray("a"));
    EXPECT_EQ(readAll(other.file("docs/b.txt")), QByteArray("b"));
}

TEST(ArchiveSafety, EachFileNotRestoredIsToldWithItsCause) {
    TempDir dir;
    const QString a = dir.write("src/a.txt", "a");
    const QString b = dir.write("src/b.txt", "b");
    archive_test::TestArchive backup;
    ASSERT_TRUE(backup.Backup({dir.file("src/*")}, "p.bck"));
    // Restoring under a file instead of a folder: nothing can be written.
    put("plainfile", "x");
    archive_test::TestArchive r;
    QStringList told;
    r.questions.notRestored = [&](const QString& name, const QString& cause) {
        told << QFileInfo(name).fileName() + " " + cause;
    };
    r.Restore("p.bck", dir.file("plainfile"));
    EXPECT_EQ(r.last.filesDone, 0);
    told.sort();
    EXPECT_EQ(told, QStringList(
                        {"a.txt dossier impossible à créer", "b.txt dossier impossible à créer"}));
}

TEST(ArchiveSafety, NamesThatAreNotUtf8RoundTripByteForByte) {
    TempDir dir;
    dir.mkdir("src");
    const QByteArray raw = QFile::encodeName(dir.file("src")) + "/e\xff.txt";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "d", 1), 1);
    ::close(fd);
    archive_test::TestArchive b;
    ASSERT_TRUE(b.Backup({dir.file("src/*")}, "n.bck"));
    EXPECT_EQ(b.filesDone, 1);
    EXPECT_TRUE(readAll("n.bck").contains("/e\xff.txt"));
    ASSERT_EQ(::unlink(raw.constData()), 0);
    int done = 0;
    EXPECT_EQ(restore("n.bck", &done), QString());
    EXPECT_EQ(done, 1);
    struct stat st;
    ASSERT_EQ(::stat(raw.constData(), &st), 0);
    EXPECT_EQ(st.st_size, 1);
}
