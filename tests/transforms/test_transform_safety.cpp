// The transforms never lose or expose data: outputs that are inputs,
// failed writes, special files, other names, crashes midway.
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "transforms/crypt.h"
#include "transforms/erase.h"
#include "transforms/occupation.h"
#include "transforms/split.h"
#include "transforms/text_tools.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace transforms;
using testing_support::idle;
using testing_support::readAll;
using testing_support::TempDir;

namespace {

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

int cli(const QStringList& args, int timeoutMs = 10000) {
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1; // hung
    }
    return p.exitCode();
}

// Runs work in a child process that kills itself when progress passes
// half way; answers once the child is gone.
void killedHalfway(const std::function<void(core::Job&)>& work) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        core::DirectJob job;
        job.onProgress = [](int percent) {
            if (percent >= 50) raise(SIGKILL);
        };
        work(job);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

} // namespace

TEST(TransformSafety, AnOutputThatIsAlsoAnInputIsReadAsItWas) {
    TempDir dir;
    dir.write("in", QByteArray(16385, 0));
    dir.write("o", "x");
    ASSERT_TRUE(mergeFiles({"in", "o"}, "o", idle()));
    EXPECT_EQ(readAll("o"), QByteArray(16385, 0) + "x");
    dir.write("a", "AAA");
    dir.write("b", "BB");
    ASSERT_TRUE(mergeFiles({"a", "b"}, "a", idle()));
    EXPECT_EQ(readAll("a"), QByteArray("AAABB"));
    dir.write("f", "text\x01\x02 kept");
    ASSERT_TRUE(extractText("f", "f", idle()));
    EXPECT_EQ(readAll("f"), QByteArray("text kept"));
    EXPECT_EQ(filesIn(dir.path()), QStringList({"a", "b", "f", "in", "o"}));
}

TEST(TransformSafety, WritesThatFailAreFailuresAndKeepTheOldOutput) {
    TempDir dir;
    dir.write("src", "data");
    EXPECT_FALSE(mergeFiles({"src"}, "/dev/full", idle()));
    EXPECT_FALSE(extractText("src", "/dev/full", idle()));
    EXPECT_FALSE(writeCatalogue(dir.path(), "/dev/full", "x", idle()));
    EXPECT_EQ(cli({"merge", "/dev/full", dir.file("src")}), 1);
    EXPECT_EQ(cli({"catalogue", dir.path(), "/dev/full"}), 1);
    struct stat st;
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)); // still the device
    // A catalogue of a folder that does not exist fails and keeps the old one.
    dir.write("old.txt", "old catalogue");
    EXPECT_FALSE(writeCatalogue(dir.file("nowhere"), dir.file("old.txt"), "x", idle()));
    EXPECT_EQ(readAll(dir.file("old.txt")), QByteArray("old catalogue"));
    // Stopped while its first folder is read (told to the job as its item):
    // a stop, and the old one stays.
    dir.write("sub/more", "m");
    QStringList told;
    core::DirectJob stopping;
    stopping.onItem = [&](const QString& folder) {
        told << folder;
        stopping.cancel();
    };
    EXPECT_EQ(writeCatalogue(dir.path(), dir.file("old.txt"), "x", stopping).kind,
              core::Outcome::Cancelled);
    EXPECT_EQ(told, QStringList{dir.path() + u'/'});
    EXPECT_EQ(readAll(dir.file("old.txt")), QByteArray("old catalogue"));
}

TEST(TransformSafety, EraseTakesPlainFilesWithOneNameOnly) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").toLocal8Bit().constData(), 0600), 0);
    EXPECT_FALSE(eraseFile(dir.file("fifo"), idle()));
    EXPECT_TRUE(QFileInfo(dir.file("fifo")).exists());
    dir.write("h1", "keep");
    ASSERT_EQ(
        ::link(dir.file("h1").toLocal8Bit().constData(), dir.file("h2").toLocal8Bit().constData()),
        0);
    const core::Outcome linked = eraseFile(dir.file("h1"), idle());
    EXPECT_FALSE(linked);
    EXPECT_TRUE(linked.text.contains("autres noms")) << linked.text.toStdString();
    EXPECT_EQ(readAll(dir.file("h2")), QByteArray("keep"));
    if (geteuid() == 0 &&
        mknod(dir.file("null").toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_FALSE(eraseFile(dir.file("null"), idle()));
        EXPECT_TRUE(QFileInfo::exists(dir.file("null")));
    }
    dir.write("real", "bound");
    dir.write("spot", "");
    if (mount(dir.file("real").toLocal8Bit().constData(),
              dir.file("spot").toLocal8Bit().constData(), nullptr, MS_BIND, nullptr) == 0) {
        EXPECT_FALSE(eraseFile(dir.file("spot"), idle()));
        umount(dir.file("spot").toLocal8Bit().constData());
        EXPECT_EQ(readAll(dir.file("real")), QByteArray("bound"));
    }
}

TEST(TransformSafety, ReplacementsKeepModeAndPasswordsAreWindows1252) {
    TempDir dir;
    dir.write("secret", "private data");
    ASSERT_EQ(::chmod(dir.file("secret").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(cryptFile(dir.file("secret"), "pw", idle()));
    struct stat st;
    ASSERT_EQ(::stat(dir.file("secret").toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    dir.write("lines", "b\r\na\r\n");
    ASSERT_EQ(::chmod(dir.file("lines").toLocal8Bit().constData(), 0640), 0);
    ASSERT_TRUE(sortLines(dir.file("lines"), idle()));
    ASSERT_EQ(::stat(dir.file("lines").toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    QByteArray bytes;
    ASSERT_TRUE(passwordBytes(QStringLiteral("€"), bytes));
    EXPECT_EQ(cryptKey(bytes), 0x80);
    ASSERT_TRUE(passwordBytes(QStringLiteral("œ"), bytes));
    EXPECT_EQ(cryptKey(bytes), 0x9C);
    EXPECT_FALSE(passwordBytes(QStringLiteral("日本"), bytes));
}

TEST(TransformSafety, CrashesMidwayLeaveTheOldFileAndNoTemporary) {
    TempDir dir;
    const QByteArray data(8 << 20, 'd');
    dir.write("big", data);
    killedHalfway([&](core::Job& job) { cryptFile(dir.file("big"), "pw", job); });
    EXPECT_EQ(readAll(dir.file("big")), data);
    dir.write("j.001", QByteArray(4 << 20, '1'));
    dir.write("j.002", QByteArray(4 << 20, '2'));
    dir.write("j.", "old output");
    killedHalfway([&](core::Job& job) { joinFiles({dir.file("j.001"), dir.file("j.002")}, job); });
    EXPECT_EQ(readAll(dir.file("j.")), QByteArray("old output"));
    EXPECT_EQ(filesIn(dir.path()), QStringList({"big", "j.", "j.001", "j.002"}));
}

TEST(TransformSafety, AStoppedEncryptionLeavesTheFileAsItWas) {
    TempDir dir;
    const QByteArray data = QByteArray(5 << 20, 'e');
    dir.write("big", data);
    QList<int> seen;
    core::DirectJob job; // Escape once half is done
    job.onProgress = [&](int percent) {
        seen << percent;
        if (percent >= 50) job.cancel();
    };
    const core::Outcome o = cryptFile(dir.file("big"), "pw", job);
    EXPECT_EQ(o.kind, core::Outcome::Cancelled);
    EXPECT_EQ(seen, QList<int>({20, 40, 60})); // one report per MiB read
    EXPECT_EQ(readAll(dir.file("big")), data);
    EXPECT_EQ(filesIn(dir.path()), QStringList({"big"}));
}

// A split is one set: stopped, it leaves nothing of its own and the parts
// of an earlier split exactly as they were; complete, it also takes away
// the earlier parts beyond its count.
TEST(TransformSafety, AStoppedSplitLeavesTheOlderPartsAsTheyWere) {
    TempDir dir;
    const QByteArray data(20 * 8192, 's');
    dir.write("f", data);
    const std::vector<qint64> plan = splitPlan(data.size(), 3 * 8192);
    ASSERT_GE(plan.size(), 5u);
    for (int n = 1; n <= 12; ++n)
        dir.write(partName("f", n), "older part " + QByteArray::number(n));
    core::DirectJob job; // Escape once some parts are written
    job.onProgress = [&](int percent) {
        if (percent >= 40) job.cancel();
    };
    const SplitResult r = splitFile(dir.file("f"), 3 * 8192, job);
    EXPECT_EQ(r.end, SplitEnd::Cancelled);
    EXPECT_EQ(r.outcome().kind, core::Outcome::Cancelled);
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(readAll(partName(dir.file("f"), n)), "older part " + QByteArray::number(n));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 13); // nothing else
    // Complete: the new parts, and none of the older ones beyond them.
    const SplitResult done = splitFile(dir.file("f"), 3 * 8192, idle());
    ASSERT_EQ(done.end, SplitEnd::Done);
    EXPECT_EQ(done.parts, int(plan.size()));
    QByteArray joined;
    for (int n = 1; n <= done.parts; ++n)
        joined += readAll(partName(dir.file("f"), n));
    EXPECT_EQ(joined, data);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1 + done.parts);
    EXPECT_EQ(SplitResult{SplitEnd::TooManyParts}.outcome().text,
              QStringLiteral("Découpage refusé : plus de 999 parts"));
}

TEST(TransformSafety, AStoppedTransformLeavesItsOutputAsItWas) {
    TempDir dir;
    QByteArray text;
    for (int i = 0; text.size() < (3 << 20); ++i)
        text += QByteArray::number(i * 7919 % 100003) + "\r\n";
    dir.write("lines", text);
    dir.write("out", "old output");
    dir.write("j.001", QByteArray(2 << 20, '1'));
    dir.write("j.002", QByteArray(2 << 20, '2'));
    dir.write("j.", "old joined");
    core::DirectJob stopAtOnce;
    stopAtOnce.cancel();
    EXPECT_EQ(sortLines(dir.file("lines"), stopAtOnce).kind, core::Outcome::Cancelled);
    EXPECT_EQ(extractText(dir.file("lines"), dir.file("out"), stopAtOnce).kind,
              core::Outcome::Cancelled);
    EXPECT_EQ(mergeFiles({dir.file("lines"), dir.file("j.001")}, dir.file("out"), stopAtOnce).kind,
              core::Outcome::Cancelled);
    EXPECT_EQ(joinFiles({dir.file("j.001"), dir.file("j.002")}, stopAtOnce).kind,
              core::Outcome::Cancelled);
    EXPECT_EQ(readAll(dir.file("lines")), text);
    EXPECT_EQ(readAll(dir.file("out")), QByteArray("old output"));
    EXPECT_EQ(readAll(dir.file("j.")), QByteArray("old joined"));
    EXPECT_EQ(filesIn(dir.path()), QStringList({"j.", "j.001", "j.002", "lines", "out"}));
}

TEST(TransformSafety, PipesAreRefusedWithoutWaiting) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("p.001").toLocal8Bit().constData(), 0600), 0);
    dir.write("p.000", "first part");
    dir.write("p.", "old output");
    const QString fifo = dir.file("p.001");
    EXPECT_EQ(cli({"crypt", "pw", fifo}), 1);
    EXPECT_EQ(cli({"sort", fifo}), 1);
    EXPECT_EQ(cli({"extract", fifo, dir.file("out.txt")}), 1);
    EXPECT_EQ(cli({"merge", dir.file("m.txt"), fifo}), 1);
    // The join refuses its pipe part and keeps the older output.
    EXPECT_EQ(cli({"join", dir.file("p.000"), fifo}), 1);
    EXPECT_EQ(readAll(dir.file("p.")), QByteArray("old output"));
    EXPECT_EQ(cli({"split", dir.file("p.000"), "abc"}), 1);
}

namespace {
// Gives the name to another thing between the erase's look and its open.
struct SwappingPlatform : platform::FakePlatform {
    std::function<void(const QString&)> beforeOpen;
    platform::Status openOwnFile(QFile& file, platform::DirEntry& opened) override {
        if (beforeOpen) beforeOpen(file.fileName());
        return FakePlatform::openOwnFile(file, opened);
    }
};
} // namespace

// What is zeroed is what was checked: a name turned into a link to another
// file, or given to another file, after the check is refused untouched.
TEST(TransformSafety, EraseZeroesOnlyTheFileItChecked) {
    TempDir dir;
    SwappingPlatform swapping;
    platform::Platform::setInstance(&swapping);
    dir.write("victim", "precious");
    for (const bool toLink : {true, false}) {
        SCOPED_TRACE(toLink ? "link" : "other file");
        dir.write("target", "to erase");
        swapping.beforeOpen = [&](const QString& name) {
            QFile::remove(name + ".old");
            QFile::rename(name, name + ".old"); // still in use: its inode stays its own
            if (toLink)
                QFile::link(dir.file("victim"), name);
            else
                dir.write("target", "another file");
        };
        EXPECT_FALSE(eraseFile(dir.file("target"), idle()));
        EXPECT_EQ(readAll(dir.file("victim")), QByteArray("precious"));
        if (!toLink) {
            EXPECT_EQ(readAll(dir.file("target")), QByteArray("another file"));
        }
        QFile::remove(dir.file("target"));
    }
    swapping.beforeOpen = {};
    dir.write("plain", "zeroed then gone");
    EXPECT_TRUE(eraseFile(dir.file("plain"), idle()));
    EXPECT_FALSE(QFileInfo::exists(dir.file("plain")));
    platform::Platform::setInstance(nullptr);
}

namespace {
// A 1 MiB file system on a folder for the length of a test (root only;
// where mounting is refused, mounted stays false).
struct SmallVolume {
    QString path;
    bool mounted = false;
    explicit SmallVolume(const QString& folder) : path(folder) {
        mounted = geteuid() == 0 &&
                  mount("tmpfs", path.toLocal8Bit().constData(), "tmpfs", 0, "size=1m") == 0;
    }
    ~SmallVolume() {
        if (mounted) umount(path.toLocal8Bit().constData());
    }
};
} // namespace

// A join that fills the disk says the disk is full (not that a part cannot
// be read) and leaves nothing beside the parts.
TEST(TransformSafety, JoinOnAFullDiskSaysSo) {
    TempDir dir;
    SmallVolume small(dir.mkdir("small"));
    if (!small.mounted) GTEST_SKIP() << "no small file system can be mounted here";
    const QString volume = small.path;
    dir.write("small/big.001", QByteArray(400 * 1024, 'a'));
    dir.write("small/big.002", QByteArray(400 * 1024, 'b'));
    const core::Outcome o =
        joinFiles({dir.file("small/big.001"), dir.file("small/big.002")}, idle());
    const QStringList left = QDir(volume).entryList(QDir::Files | QDir::Hidden);
    EXPECT_FALSE(o);
    EXPECT_TRUE(o.text.contains(QStringLiteral("Disque plein"))) << o.text.toStdString();
    EXPECT_EQ(left, QStringList({"big.001", "big.002"}));
}

// A restore that fills the disk says the file could not be written, and
// why; the file it was writing is not left half made.
TEST(TransformSafety, RestoreOnAFullDiskSaysSo) {
    TempDir dir;
    SmallVolume small(dir.mkdir("small"));
    if (!small.mounted) GTEST_SKIP() << "no small file system can be mounted here";
    QByteArray noise(3 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    dir.write("big.bin", noise);
    ASSERT_EQ(cli({"backup", dir.file("saved.bck"), dir.file("big.bin")}), 0);
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), {"restore", "--to", small.path, dir.file("saved.bck")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString said = QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(said.contains(QStringLiteral("Disque plein"))) << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("Ne peut pas lire"))) << said.toStdString();
    EXPECT_TRUE(QDir(small.path).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// A split that fills the disk says so, and the parts that were there stay
// as they were: nothing new is left beside them.
TEST(TransformSafety, SplitOnAFullDiskKeepsEachPartWhole) {
    TempDir dir;
    SmallVolume small(dir.mkdir("small"));
    if (!small.mounted) GTEST_SKIP() << "no small file system can be mounted here";
    const QString volume = small.path;
    QByteArray content(600 * 1024, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char(i * 7 / 1024);
    dir.write("small/big", content);
    for (int n = 1; n <= 3; ++n)
        dir.write(QStringLiteral("small/big%1").arg(n, 3, 10, QChar(u'0')), "old part");
    const SplitResult r = splitFile(dir.file("small/big"), 200 * 1024, idle());
    QList<QByteArray> parts;
    for (int n = 1; n <= 3; ++n)
        parts << readAll(dir.file(QStringLiteral("small/big%1").arg(n, 3, 10, QChar(u'0'))));
    const QStringList left = QDir(volume).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(r.end, SplitEnd::DiskFull);
    EXPECT_EQ(r.outcome().text, QStringLiteral("Disque plein"));
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(parts[n], "old part") << n;
    EXPECT_EQ(left, QStringList({"big", "big001", "big002", "big003"}));
}

// A backup that fails (the disk fills) or is killed leaves the archive of
// that name as it was: the new one takes the name only when complete.
TEST(TransformSafety, AFailedOrKilledBackupKeepsTheOlderArchive) {
    TempDir dir;
    SmallVolume small(dir.mkdir("small"));
    if (!small.mounted) GTEST_SKIP() << "no small file system can be mounted here";
    const QString volume = small.path;
    dir.write("big.bin", QByteArray(3 * 1024 * 1024, 'x'));
    dir.write("small.txt", "a small file");
    ASSERT_EQ(cli({"backup", dir.file("small/a.tav"), dir.file("small.txt")}), 0);
    const QByteArray older = readAll(dir.file("small/a.tav"));
    EXPECT_EQ(cli({"backup", "--level", "none", dir.file("small/a.tav"), dir.file("big.bin")}), 1);
    EXPECT_EQ(readAll(dir.file("small/a.tav")), older);
    EXPECT_EQ(QDir(volume).entryList(QDir::Files | QDir::Hidden), QStringList({"a.tav"}));

    // Killed midway over an existing archive: still the older one.
    dir.write("huge.bin", QByteArray(256 * 1024 * 1024, 'y'));
    ASSERT_EQ(cli({"backup", dir.file("saved.bck"), dir.file("small.txt")}), 0);
    const QByteArray saved = readAll(dir.file("saved.bck"));
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI),
            {"backup", "--level", "max", dir.file("saved.bck"), dir.file("huge.bin")});
    ASSERT_TRUE(p.waitForStarted());
    QThread::msleep(150);
    ::kill(pid_t(p.processId()), SIGKILL);
    p.waitForFinished();
    EXPECT_EQ(readAll(dir.file("saved.bck")), saved);
}

namespace {
// Folders that are there but may not be read (as for a user without the right).
struct RefusingPlatform : platform::FakePlatform {
    platform::Status listDirectory(const QString&, const QString&, std::vector<platform::DirEntry>&,
                                   ListMode) override {
        return platform::Status::failed(platform::errAccessDenied);
    }
};
} // namespace

TEST(TransformSafety, OccupationOfAFolderThatMayNotBeReadSaysSo) {
    TempDir dir;
    RefusingPlatform refusing;
    platform::Platform::setInstance(&refusing);
    Occupation o;
    const core::Outcome r = occupation(dir.path(), "*.*", 4096, o);
    platform::Platform::setInstance(nullptr);
    EXPECT_EQ(r.text, QStringLiteral("Accès au fichier refusé : ") + dir.path());
    EXPECT_TRUE(occupation(dir.file("missing"), "*.*", 4096, o)
                    .text.startsWith(QStringLiteral("Nom de fichier incorrect")));
}

namespace {
// The restored tree's files and contents.
QMap<QString, QByteArray> treeOf(const QString& root) {
    QMap<QString, QByteArray> out;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        out.insert(path.mid(root.size()), readAll(path));
    }
    return out;
}
} // namespace

// Twenty backups and twenty splits stopped (SIGTERM) at random moments over
// an older set in the same folder: the older set restores exactly as before, or the new
// one is whole; never a mix, and nothing of a stopped run stays.
TEST(TransformSafety, StoppedBackupsAndSplitsNeverLeaveAMixedSet) {
    std::mt19937 random(5);
    const auto fill = [&](TempDir& dir, char version) {
        for (int i = 0; i < 24; ++i) {
            QByteArray content(300 * 1024 + i * 1000, '\0');
            for (qsizetype k = 0; k < content.size(); k += 64)
                content[k] = char(random());
            content[0] = version;
            dir.write(QStringLiteral("master/f%1.bin").arg(i), content);
        }
    };
    int backupsStopped = 0, splitsStopped = 0;
    for (int round = 0; round < 20; ++round) {
        TempDir dir;
        fill(dir, 'o');
        const QString archive = dir.file("arc.bak");
        ASSERT_EQ(cli({"backup", "--level", "none", "--max-size", "1000000", archive,
                       dir.file("master/*.bin")}),
                  0);
        const QStringList olderVolumes = filesIn(dir.path());
        ASSERT_GT(olderVolumes.size(), 6);
        ASSERT_EQ(cli({"restore", "--to", dir.mkdir("old"), archive}), 0);
        const QMap<QString, QByteArray> older = treeOf(dir.file("old"));
        fill(dir, 'n');
        QProcess p;
        p.start(QStringLiteral(TAVTOOLS_CLI), {"backup", "--level", "none", "--max-size", "1500000",
                                               archive, dir.file("master/*.bin")});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(random() % 60);
        ::kill(pid_t(p.processId()), SIGTERM);
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(cli({"verify", archive}), 0) << "round " << round;
        ASSERT_EQ(cli({"restore", "--to", dir.mkdir("now"), archive}), 0);
        const QMap<QString, QByteArray> now = treeOf(dir.file("now"));
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            ++backupsStopped;
            EXPECT_EQ(now, older) << "round " << round;
            EXPECT_EQ(filesIn(dir.path()), olderVolumes) << "round " << round;
        } else {
            QMap<QString, QByteArray> fresh;
            for (const QString& name : filesIn(dir.file("master")))
                fresh.insert(u'/' + name, readAll(dir.file("master/" + name)));
            EXPECT_EQ(now, fresh) << "round " << round;
        }

        // The same for a split over older parts.
        const QString big = dir.write("big", QByteArray(24 << 20, char('a' + round)));
        ASSERT_EQ(cli({"split", big, "100"}), 0);
        const QStringList olderParts = filesIn(dir.path());
        const QByteArray before = readAll(partName(big, 1));
        dir.write("big", QByteArray(20 << 20, char('A' + round)));
        p.start(QStringLiteral(TAVTOOLS_CLI), {"split", big, "75"});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(random() % 40);
        ::kill(pid_t(p.processId()), SIGTERM);
        ASSERT_TRUE(p.waitForFinished(30000));
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            ++splitsStopped;
            EXPECT_EQ(filesIn(dir.path()), olderParts) << "round " << round;
            EXPECT_EQ(readAll(partName(big, 1)), before);
            // Stopped once it ran (not killed before it listened): it says so.
            if (p.exitStatus() == QProcess::NormalExit) {
                EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError())
                                .startsWith(QStringLiteral("Opération interrompue")));
            }
        } else {
            QByteArray joined;
            for (int n = 1; QFileInfo::exists(partName(big, n)); ++n)
                joined += readAll(partName(big, n));
            EXPECT_EQ(joined, readAll(big)) << "round " << round;
        }
    }
    // Both ends were met: stopped runs and whole ones.
    std::printf("stopped: %d of 20 backups, %d of 20 splits\n", backupsStopped, splitsStopped);
    EXPECT_GT(backupsStopped, 0);
    EXPECT_GT(splitsStopped, 0);
}
