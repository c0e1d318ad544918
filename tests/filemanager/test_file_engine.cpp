// The file operations as engines (no window), and the command line that
// drives the same engines.
#include "core/job.h"
#include "filemanager/file_operations.h"
#include "platform/platform.h"
#include "support/hooked_platform.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace filemanager;
using testing_support::readAll;
using testing_support::TempDir;

namespace {

template <class F> OperationResult run(F&& operation) {
    core::DirectJob job;
    return operation(job);
}

bool exists(const QString& path) {
    return QFileInfo::exists(path);
}

struct CliRun {
    int code;
    QString err;
};

CliRun cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

quint32 attributesOf(const QString& path) {
    return platform::Platform::instance().attributes(path) & 0x27;
}

} // namespace

TEST(FileEngine, DeleteAsksBeforeAReadOnlyFileAndTellsWhatItLeft) {
    TempDir dir;
    const QString locked = dir.write("locked.txt", "l");
    dir.write("tree/sub/f.txt", "f");
    platform::Platform::instance().setAttributes(locked, platform::faReadOnly);
    QStringList asked;
    OperationQuestions no;
    no.deleteReadOnly = [&](const QString& path) { return asked << path, false; };
    const DeleteRequest request{{locked, dir.file("tree")}};
    OperationResult r = run([&](core::Job& j) { return deleteEntries(request, no, j); });
    EXPECT_TRUE(r.outcome.ok());
    EXPECT_EQ(asked, QStringList{locked});
    EXPECT_EQ(r.handled, 1);
    EXPECT_EQ(r.notHandled, QStringList{QStringLiteral("Fichier en lecture seule : ") + locked});
    EXPECT_TRUE(exists(locked));
    EXPECT_FALSE(exists(dir.file("tree")));
    OperationQuestions yes;
    yes.deleteReadOnly = [](const QString&) { return true; };
    r = run([&](core::Job& j) { return deleteEntries({{locked}}, yes, j); });
    EXPECT_EQ(r.handled, 1);
    EXPECT_FALSE(exists(locked));
}

// A delete that fails for another reason than a read-only file asks
// nothing and says why, whatever the file's other attributes; one stopped
// midway ends there.
TEST(FileEngine, DeleteAsksOnlyAboutReadOnlyFiles) {
    TempDir dir;
    const QString refused = dir.write("refused.txt", "r"), silent = dir.write("silent.txt", "s");
    testing_support::HookedPlatform hooked;
    hooked.addDrive(u'C', {dir.path()});
    hooked.setAttributes(refused, platform::faArchive | platform::faHidden);
    core::DirectJob job;
    hooked.failDelete = [&](const QString& path) {
        if (path == refused) return int(platform::errAccessDenied);
        if (path == silent) return int(platform::errNoAnswer);
        job.cancel();
        return int(platform::errCancelled);
    };
    platform::Platform::setInstance(&hooked);
    QStringList asked;
    OperationQuestions q;
    q.deleteReadOnly = [&](const QString& path) { return asked << path, true; };
    const OperationResult r = deleteEntries(
        {{refused, silent, dir.write("stopped.txt", "x"), dir.file("refused.txt")}}, q, job);
    platform::Platform::setInstance(nullptr);
    EXPECT_EQ(asked, QStringList());
    EXPECT_EQ(r.notHandled, (QStringList{entryFailure(platform::errAccessDenied, refused),
                                         QStringLiteral("Le serveur ne répond pas : ") + silent}));
    EXPECT_EQ(r.outcome.kind, core::Outcome::Cancelled);
    EXPECT_EQ(r.outcome.text, QString());
}

TEST(FileEngine, PasteAsksOncePerClashUntilAllAndReportsWhatFailed) {
    TempDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        dir.write(QStringLiteral("src/") + name, "new");
    dir.write("src/d", "a file where the destination has a folder");
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        dir.write(QStringLiteral("out/") + name, "old");
    dir.mkdir("out/d");
    QStringList asked;
    OperationQuestions q;
    q.replace = [&](const QString& name) {
        asked << name;
        return name == u"a.txt" ? ReplaceAnswer::No : ReplaceAnswer::All;
    };
    QStringList sources;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d"})
        sources << dir.file(QStringLiteral("src/") + name);
    PasteRequest request{sources, dir.file("out"), PasteMode::Copy, true};
    const OperationResult r = run([&](core::Job& j) { return paste(request, q, j); });
    // "All" stops the questions about clashes; a copy that fails for another
    // reason (a folder in the way) is no question of replacing a file.
    EXPECT_EQ(asked, (QStringList{"a.txt", "b.txt"}));
    EXPECT_FALSE(request.askReplace);
    EXPECT_EQ(readAll(dir.file("out/a.txt")), QByteArray("old"));
    EXPECT_EQ(readAll(dir.file("out/b.txt")), QByteArray("new"));
    EXPECT_EQ(readAll(dir.file("out/c.txt")), QByteArray("new"));
    // a.txt declined, d cannot replace a folder: both told, the rest done.
    ASSERT_EQ(r.notHandled.size(), 2) << r.notHandled.join(u'\n').toStdString();
    EXPECT_TRUE(r.notHandled[0].endsWith(dir.file("out/a.txt")));
    EXPECT_TRUE(r.notHandled[1].endsWith(dir.file("out/d")));
    EXPECT_EQ(r.errors, QStringList{r.notHandled[1]}); // the one the window tells
    EXPECT_EQ(r.handled, 2);
}

// An entry that fails is asked about: tried again once its cause is gone,
// or the whole paste stopped; only the entry given up is in the result.
TEST(FileEngine, AFailedEntryCanBeRetriedOrStopThePaste) {
    TempDir dir;
    QStringList sources;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        sources << dir.write(QStringLiteral("src/") + name, name);
    dir.mkdir("out/a.txt"); // folders where the files go: each copy fails
    dir.mkdir("out/b.txt");
    QStringList told;
    OperationQuestions q;
    q.entryFailed = [&](const QString& reason) {
        told << reason;
        if (!reason.endsWith(dir.file("out/a.txt"))) return FailureAnswer::Abort;
        if (told.size() == 1) QDir(dir.file("out/a.txt")).removeRecursively();
        return FailureAnswer::Retry;
    };
    PasteRequest request{sources, dir.file("out"), PasteMode::Copy, true};
    const OperationResult r = run([&](core::Job& j) { return paste(request, q, j); });
    ASSERT_EQ(told.size(), 2) << told.join(u'\n').toStdString();
    EXPECT_TRUE(told[1].endsWith(dir.file("out/b.txt")));
    EXPECT_EQ(readAll(dir.file("out/a.txt")), QByteArray("a.txt"));
    EXPECT_FALSE(exists(dir.file("out/c.txt")));
    EXPECT_EQ(r.outcome.kind, core::Outcome::Cancelled);
    EXPECT_EQ(r.notHandled, QStringList{told[1]});
    EXPECT_EQ(r.handled, 1);
}

// A folder of many small files is copied several files at a time; the
// clashes are still asked about, each once, and what failed is told.
TEST(FileEngine, AFolderOfManyFilesIsCopiedWholeWithItsClashesAsked) {
    TempDir dir;
    for (int i = 0; i < 100; ++i)
        dir.write(QStringLiteral("src/tree/f%1").arg(i, 3, 10, QChar(u'0')),
                  QByteArray::number(i * 7919));
    dir.write("out/tree/f010", "old");
    dir.write("out/tree/f050", "old");
    dir.mkdir("out/tree/f070/inside");
    QStringList asked;
    OperationQuestions q;
    q.replace = [&](const QString& name) {
        asked << name;
        return name == u"f010" ? ReplaceAnswer::No : ReplaceAnswer::Yes;
    };
    PasteRequest request{{dir.file("src/tree")}, dir.file("out"), PasteMode::Copy, true};
    const OperationResult r = run([&](core::Job& j) { return paste(request, q, j); });
    asked.sort();
    EXPECT_EQ(asked, (QStringList{"f010", "f050", "f070"}));
    EXPECT_EQ(readAll(dir.file("out/tree/f010")), QByteArray("old"));
    EXPECT_EQ(readAll(dir.file("out/tree/f050")), QByteArray::number(50 * 7919));
    for (int i : {0, 1, 49, 51, 99})
        EXPECT_EQ(readAll(dir.file(QStringLiteral("out/tree/f%1").arg(i, 3, 10, QChar(u'0')))),
                  QByteArray::number(i * 7919));
    EXPECT_TRUE(QFileInfo(dir.file("out/tree/f070")).isDir());
    EXPECT_EQ(r.notHandled.size(), 2) << r.notHandled.join(u'\n').toStdString();
    EXPECT_EQ(QDir(dir.file("out/tree")).entryList(QDir::Files | QDir::Hidden).size(), 99);
}

// Escape while many small files are copied side by side: the copy stops
// soon, says so, and every file it made is whole.
TEST(FileEngine, EscapeStopsACopyOfManyFilesAndLeavesNoPart) {
    TempDir dir;
    for (int i = 0; i < 200; ++i)
        dir.write(QStringLiteral("src/tree/f%1").arg(i, 3, 10, QChar(u'0')), QByteArray(5000, 'x'));
    testing_support::HookedPlatform hooked;
    hooked.addDrive(u'C', {dir.path()});
    platform::Platform::setInstance(&hooked);
    std::atomic<int> copies{0};
    core::DirectJob job;
    hooked.beforeCopy = [&](const QString&) {
        if (++copies == 10) job.cancel();
    };
    PasteRequest request{{dir.file("src/tree")}, dir.file("out"), PasteMode::Copy, true};
    dir.mkdir("out");
    const OperationResult r = paste(request, {}, job);
    platform::Platform::setInstance(nullptr);
    EXPECT_EQ(r.outcome.kind, core::Outcome::Cancelled);
    const QStringList made = QDir(dir.file("out/tree")).entryList(QDir::Files | QDir::Hidden);
    EXPECT_LT(made.size(), 100);
    for (const QString& name : made)
        EXPECT_EQ(QFileInfo(dir.file("out/tree/" + name)).size(), 5000) << name.toStdString();
}

TEST(FileEngine, ACancelledPasteStopsAtTheNextEntryAndSaysSo) {
    TempDir dir;
    dir.write("src/a.txt", "a");
    dir.write("src/b.txt", "b");
    dir.write("out/a.txt", "old");
    core::Job* running = nullptr;
    OperationQuestions q;
    q.replace = [&](const QString&) {
        running->cancel(); // Escape while the question is up
        return ReplaceAnswer::No;
    };
    PasteRequest request{
        {dir.file("src/a.txt"), dir.file("src/b.txt")}, dir.file("out"), PasteMode::Copy, true};
    const OperationResult r = run([&](core::Job& j) {
        running = &j;
        return paste(request, q, j);
    });
    EXPECT_EQ(r.outcome.kind, core::Outcome::Cancelled);
    EXPECT_FALSE(exists(dir.file("out/b.txt")));
}

TEST(FileEngine, PasteRefusesItsOwnFolderAndAFolderIntoItself) {
    TempDir dir;
    dir.write("tree/sub/f.txt", "f");
    EXPECT_EQ(pasteRefusal({{dir.file("tree/sub")}, dir.file("tree"), PasteMode::Copy}),
              QStringLiteral("Destination doit être différente de la source"));
    EXPECT_EQ(pasteRefusal({{dir.file("tree")}, dir.file("tree/sub"), PasteMode::Move}),
              QStringLiteral("Un dossier ne peut pas être copié dans lui-même"));
    EXPECT_EQ(pasteRefusal({{dir.file("tree/sub")}, dir.path(), PasteMode::Copy}), QString());
}

TEST(FileEngine, AttributesAndCaseGoOnPastAnEntryTheyCannotChange) {
    TempDir dir;
    const QString f = dir.write("Mixed.TXT", "x");
    dir.write("Twin.txt", "1");
    dir.write("twin.txt", "2");
    const QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::LocalTime);
    AttributeRequest attributes{{dir.file("gone"), f}, when, platform::faHidden};
    OperationResult r = run([&](core::Job& j) { return fixAttributes(attributes, j); });
    EXPECT_EQ(r.handled, 1);
    ASSERT_EQ(r.notHandled.size(), 1);
    EXPECT_TRUE(r.notHandled[0].endsWith(dir.file("gone")));
    EXPECT_EQ(attributesOf(f), quint32(platform::faHidden));
    EXPECT_EQ(QFileInfo(f).lastModified(), when);
    const CaseRequest lower{dir.path(), {"..", "Mixed.TXT", "Twin.txt"}, 0};
    r = run([&](core::Job& j) { return changeNamesCase(lower, j); });
    EXPECT_TRUE(exists(dir.file("mixed.txt")));
    EXPECT_EQ(readAll(dir.file("twin.txt")), QByteArray("2")); // never over its twin
    ASSERT_EQ(r.notHandled.size(), 1);
    EXPECT_TRUE(r.notHandled[0].startsWith(QStringLiteral("Existe déjà")));
}

// The command line: the same engines, questions answered by options.
TEST(FileEngineCli, CopyDeleteAndAttribWithTheirExitCodes) {
    TempDir dir;
    dir.write("tree/sub/f.txt", "new");
    dir.write("a.txt", "new");
    dir.write("out/a.txt", "old");
    CliRun r = cli({"copy", dir.file("tree"), dir.file("a.txt"), dir.file("out")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Existe déjà : ") + dir.file("out/a.txt")))
        << r.err.toStdString();
    EXPECT_EQ(readAll(dir.file("out/tree/sub/f.txt")), QByteArray("new"));
    EXPECT_EQ(readAll(dir.file("out/a.txt")), QByteArray("old"));
    EXPECT_EQ(cli({"copy", "--replace", dir.file("a.txt"), dir.file("out")}).code, 0);
    EXPECT_EQ(readAll(dir.file("out/a.txt")), QByteArray("new"));
    EXPECT_EQ(cli({"copy", dir.file("tree"), dir.file("tree/sub")}).err.trimmed(),
              QStringLiteral("Un dossier ne peut pas être copié dans lui-même"));

    r = cli(
        {"attrib", "--date", "03/02/2001", "--time", "04:05:06", "--readonly", dir.file("a.txt")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(attributesOf(dir.file("a.txt")), quint32(platform::faReadOnly));
    EXPECT_EQ(QFileInfo(dir.file("a.txt")).lastModified(),
              QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::LocalTime));
    EXPECT_EQ(cli({"attrib", "--date", "31/02/2001", dir.file("a.txt")}).code, 1);

    r = cli({"delete", dir.file("a.txt"), dir.file("out")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Fichier en lecture seule")))
        << r.err.toStdString();
    EXPECT_TRUE(exists(dir.file("a.txt")));
    EXPECT_FALSE(exists(dir.file("out")));
    EXPECT_EQ(cli({"delete", "--force", dir.file("a.txt")}).code, 0);
    EXPECT_FALSE(exists(dir.file("a.txt")));
    EXPECT_EQ(cli({"delete"}).code, 1);
}

// "The same" and "inside itself" by device and inode: a link leading to the
// source's folder or into the source never gets a copy over the source.
TEST(FileEngineCli, ACopyReachingItsSourceThroughALinkLeavesItWhole) {
    TempDir dir;
    dir.write("other/o.txt", "o");
    dir.write("top/t.txt", "t");
    dir.write("x/A/a.txt", "a");
    dir.mkdir("x/A/sub");
    ASSERT_TRUE(QFile::link("t.txt", dir.file("top/lnk")));
    ASSERT_TRUE(QFile::link("a.txt", dir.file("x/A/la")));
    ASSERT_TRUE(QFile::link(dir.file("x"), dir.file("y")));
    ASSERT_TRUE(QFile::link(dir.file("x/A/sub"), dir.file("z")));
    // The link copied onto itself (its folder is the destination) stays.
    CliRun r =
        cli({"copy", "--replace", dir.file("other/o.txt"), dir.file("top/lnk"), dir.file("top")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("Destination doit être différente de la source : ") +
                                   dir.file("top/lnk"));
    EXPECT_EQ(QFile::symLinkTarget(dir.file("top/lnk")), dir.file("top/t.txt"));
    EXPECT_EQ(readAll(dir.file("top/o.txt")), QByteArray("o"));
    // A folder copied into a link to its own folder, or to its own sub-folder.
    EXPECT_EQ(cli({"copy", "--replace", dir.file("x/A"), dir.file("y")}).err.trimmed(),
              QStringLiteral("Destination doit être différente de la source"));
    EXPECT_EQ(QFile::symLinkTarget(dir.file("x/A/la")), dir.file("x/A/a.txt"));
    EXPECT_EQ(cli({"copy", dir.file("x/A"), dir.file("z")}).err.trimmed(),
              QStringLiteral("Un dossier ne peut pas être copié dans lui-même"));
    EXPECT_TRUE(QDir(dir.file("x/A/sub")).isEmpty());
}

// A source that cannot be read is told by its own name, not its target's.
// (The administrator reads everything: the copy then runs as nobody.)
TEST(FileEngineCli, AnUnreadableSourceIsToldByItsOwnName) {
    QTemporaryDir dir(QStringLiteral("/var/tmp/tavunread-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    const QString src = dir.filePath("src"), dst = dir.filePath("dst");
    QDir().mkpath(src);
    QDir().mkpath(dst);
    for (const char* name : {"f30", "ok"}) {
        QFile f(src + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QFile::setPermissions(src + "/f30", {});
    QProcess p;
    if (geteuid() == 0) {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
        for (const QString& path : QStringList{dir.path(), src, src + "/f30", src + "/ok", dst})
            ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        p.start(QStringLiteral("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                            QStringLiteral(TAVTOOLS_CLI), "copy", src, dst});
    } else {
        p.start(QStringLiteral(TAVTOOLS_CLI), {"copy", src, dst});
    }
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()).trimmed(),
              QStringLiteral("Accès au fichier refusé : ") + src + "/f30");
    EXPECT_TRUE(QFile::exists(dst + "/src/ok"));
}

// Ctrl+C during a folder's move to another volume stops it as Escape would:
// the source stays whole and nothing is left on the other volume.
TEST(FileEngineCli, AnInterruptedMoveLeavesTheSourceWhole) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/tavtest-XXXXXX"));
    if (!shm.isValid()) GTEST_SKIP() << "no second volume";
    TempDir target;
    // Stopped as soon as its first folder is copied: enough files, and the
    // move at the lowest priority, for the stop to come well before its end
    // even on a machine busy with other tests.
    constexpr int kFiles = 20000;
    const QString tree = shm.filePath("tree");
    for (int i = 0; i < kFiles; ++i) {
        const QString folder = tree + QStringLiteral("/d%1").arg(i / 100);
        if (i % 100 == 0) QDir().mkpath(folder);
        QFile f(folder + QStringLiteral("/f%1.txt").arg(i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QProcess move;
    move.start(QStringLiteral("nice"),
               {"-n", "19", QStringLiteral(TAVTOOLS_CLI), "move", tree, target.path()});
    ASSERT_TRUE(move.waitForStarted());
    QDeadlineTimer deadline(20000);
    while (!exists(target.file("tree/d0")) && !deadline.hasExpired())
        QThread::usleep(200);
    ::kill(pid_t(move.processId()), SIGINT);
    ASSERT_TRUE(move.waitForFinished(60000));
    EXPECT_EQ(move.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(move.exitCode(), 1);
    // Said, with what is where.
    const QString said = QString::fromUtf8(move.readAllStandardError()).trimmed();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Opération interrompue : 0 sur 1 déplacés dans ") +
                                target.path()))
        << said.toStdString();
    EXPECT_TRUE(said.endsWith(QStringLiteral(", le reste à sa place"))) << said.toStdString();
    EXPECT_TRUE(QDir(target.path()).isEmpty());
    int left = 0;
    for (QDirIterator it(tree, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++left;
    EXPECT_EQ(left, kFiles);
}
