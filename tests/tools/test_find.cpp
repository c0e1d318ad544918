// Find files: the walk's order and rules, the window, and the file
// manager moving to the chosen file's folder.
#include "core/job.h"
#include "filemanager/file_manager_view.h"
#include "platform/file_names.h"
#include "platform/folder_index.h"
#include "platform/platform.h"
#include "support/fake_drive.h"
#include "support/hooked_platform.h"
#include "support/temp_dir.h"
#include "tools/commands.h"
#include "tools/find_files.h"
#include "tools/find_files_window.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"

#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tools;
using testing_support::TempDir;

namespace {

QStringList found(const QString& spec) {
    QStringList out;
    findAllFiles(
        spec, [&](const QString& p) { out << p; }, testing_support::idle());
    return out;
}

} // namespace

TEST(FindFiles, DepthFirstAndWhatIsNotSearched) {
    TempDir dir;
    dir.write("A/1.txt");
    dir.write("A/B/2.txt");
    dir.write("A/B/C/3.txt");
    dir.write("A/.hid.txt"); // a hidden file is found
    dir.write("A/.dot/4.txt");
    dir.write("A/skip.doc");
    ASSERT_EQ(mkfifo(dir.file("A/pipe.txt").toLocal8Bit().constData(), 0600), 0);
    dir.write("elsewhere/5.txt");
    QFile::link(dir.file("elsewhere"), dir.file("A/link"));
    const QStringList a = found(dir.file("A/*.txt"));
    QStringList expected = {dir.file("A/.hid.txt"), dir.file("A/1.txt"), dir.file("A/B/2.txt"),
                            dir.file("A/B/C/3.txt")};
    QStringList sorted = a;
    EXPECT_EQ(a.indexOf(dir.file("A/1.txt")) < a.indexOf(dir.file("A/B/2.txt")), true);
    EXPECT_LT(a.indexOf(dir.file("A/B/2.txt")), a.indexOf(dir.file("A/B/C/3.txt")));
    sorted.sort();
    expected.sort();
    EXPECT_EQ(sorted, expected);
    // With or without the trailing separator, the same folder.
    EXPECT_EQ(found(searchSpec(dir.file("A"), "*.doc")), QStringList{dir.file("A/skip.doc")});
    EXPECT_EQ(found(searchSpec(dir.file("A") + "/", "*.doc")), QStringList{dir.file("A/skip.doc")});
    EXPECT_TRUE(found(dir.file("missing/*.*")).isEmpty());
}

// Names of every kind come out as they are: plain, accented, and bytes that
// are no UTF-8 at all.
TEST(FindFiles, NamesOfEveryKind) {
    TempDir dir;
    dir.write("plain.txt");
    dir.write("été/ünï.txt");
    const QByteArray raw = QFile::encodeName(dir.path()) + "/caf\xE9.txt";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    QStringList all = found(dir.file("*.txt"));
    all.sort();
    QStringList expected{dir.file("plain.txt"), dir.file("été/ünï.txt"),
                         platform::nameFromNative(raw)};
    expected.sort();
    EXPECT_EQ(all, expected);
}

// The attributes stored by the attributes dialog count as the system's own:
// a system file is not found, a hidden or system folder not entered, and the
// walk stays depth first with its folders listed ahead.
TEST(FindFiles, StoredAttributesAndManyFolders) {
    TempDir dir;
    platform::Platform& p = platform::Platform::instance();
    const QString system = dir.write("sys.txt");
    dir.write("H/in-hidden.txt");
    dir.write("S/in-system.txt");
    if (!p.setAttributes(system, platform::faSysFile) ||
        !(p.attributes(system) & platform::faSysFile))
        GTEST_SKIP() << "no extended attributes here";
    ASSERT_TRUE(p.setAttributes(dir.file("H"), platform::faDirectory | platform::faHidden));
    ASSERT_TRUE(p.setAttributes(dir.file("S"), platform::faDirectory | platform::faSysFile));
    QStringList expected;
    for (int i = 0; i < 40; ++i) {
        const QString folder = QStringLiteral("F%1").arg(i, 2, 10, QChar(u'0'));
        expected << dir.write(folder + "/a.txt") << dir.write(folder + "/deep/b.txt");
    }
    QStringList all = found(dir.file("*.txt"));
    EXPECT_FALSE(all.contains(system));
    EXPECT_FALSE(all.contains(dir.file("H/in-hidden.txt")));
    EXPECT_FALSE(all.contains(dir.file("S/in-system.txt")));
    // Each folder's files, then its sub-folders completely.
    for (int i = 0; i < 40; ++i) {
        const qsizetype a = all.indexOf(expected[2 * i]), b = all.indexOf(expected[2 * i + 1]);
        ASSERT_GE(a, 0);
        EXPECT_EQ(b, a + 1);
    }
    QStringList sorted = all;
    sorted.sort();
    expected.sort();
    EXPECT_EQ(sorted, expected);
}

TEST(FindFiles, TheWindowAndTheFileManagerMovingThere) {
    TempDir dir;
    testing_support::FakeDrive drive(dir.path());
    ui::ScriptedDialogs dialogs;
    registerCommands(ui::commands());
    dir.write("Data/Letters/x.txt");
    dir.write("Temp/x/y.doc");
    QDir::setCurrent(dir.file("Data/Letters"));
    {
        FindFilesWindow w;
        w.init(dir.file("Data/Letters"));
        EXPECT_EQ(w.pathEdit->text(), dir.path()); // the root of the volume
        w.pathEdit->setText(dir.file("Temp"));
        QTest::keyClick(w.patternEdit, Qt::Key_Return); // Enter runs the search
        ASSERT_EQ(w.resultList->count(), 1);
        EXPECT_EQ(w.resultList->item(0)->text(), dir.file("Temp/x/y.doc"));
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("1 Fichiers trouvés"));
    }
    {
        filemanager::FileManagerView tool;
        tool.show();
        const int history = tool.historyLast();
        ui::ScopedModalHandler h([&](QDialog* d) {
            auto* w = static_cast<FindFilesWindow*>(d);
            w->pathEdit->setText(dir.file("Temp"));
            w->search();
            w->resultList->setCurrentRow(0);
            emit w->resultList->itemDoubleClicked(w->resultList->item(0));
            return int(w->result());
        });
        ui::runRegistered(QStringLiteral("Rechercher"), tool.context());
        EXPECT_EQ(tool.folder(), dir.file("Temp/x"));
        EXPECT_EQ(tool.historyLast(), history); // the history is not extended
    }
}

TEST(FindFiles, CommandLinePrintsThePathsThenTheCount) {
    TempDir dir;
    dir.write("t/a.txt");
    dir.write("t/s/b.txt");
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), {"find", dir.file("t"), "*.txt"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()),
              dir.file("t/a.txt") + "\n" + dir.file("t/s/b.txt") + "\n2 Fichiers trouvés\n");
}

// Folders deeper than the longest path the system takes are walked too:
// find, clean (listing and deleting) and catalogue reach the bottom.
TEST(FindFiles, FoldersDeeperThanThePathLimit) {
    TempDir dir;
    const QString name(100, u'd');
    int fd = open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 50 && fd >= 0; ++level) { // about 5,000 characters
        mkdirat(fd, QFile::encodeName(name).constData(), 0755);
        const int next = openat(fd, QFile::encodeName(name).constData(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    for (const char* file : {"bottom.txt", "old.tmp"})
        close(openat(fd, file, O_WRONLY | O_CREAT, 0644));
    close(fd);
    const auto run = [&](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(TAVTOOLS_CLI), args);
        EXPECT_TRUE(p.waitForFinished(30000));
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QString bottom = dir.path() + QString(u'/' + name).repeated(50) + u'/';
    EXPECT_EQ(run({"find", dir.path(), "*.txt"}), bottom + "bottom.txt\n1 Fichiers trouvés\n");
    EXPECT_TRUE(run({"clean", "--delete", dir.path(), "tmp"}).endsWith("1 fichiers effacé\n"));
    EXPECT_TRUE(run({"clean", dir.path(), "tmp"}).startsWith("0 fichiers"));
    EXPECT_EQ(run({"catalogue", dir.path(), dir.file("cat.txt")}), "1 Fichiers trouvés\n");
    // Removed with the fds the test made it with: QDir cannot reach so deep.
    QProcess::execute(QStringLiteral("rm"), {"-rf", dir.file(name)});
}

// "Fermer" stops a running search and closes the window; long folder names
// shown meanwhile neither widen the window nor move the button.
TEST(FindFiles, FermerStopsARunningSearchAndNothingMoves) {
    TempDir dir;
    const QString longName = QString(200, u'x');
    dir.write(longName + "/" + longName + "/a.txt");
    dir.write("z/b.txt");
    testing_support::HookedPlatform hooked;
    hooked.addDrive(u'C', {dir.path()});
    platform::Platform::setInstance(&hooked);
    ui::ScriptedDialogs dialogs;
    std::atomic<bool> release{false};
    std::atomic<int> listed{0};
    hooked.beforeList = [&](const QString&) {
        if (++listed >= 3)
            while (!release)
                QThread::msleep(2);
    };
    FindFilesWindow window;
    window.init(dir.path());
    window.pathEdit->setText(dir.path());
    window.patternEdit->setText("*.txt");
    window.show();
    QApplication::processEvents();
    const QRect before = window.geometry();
    const QPoint fermer = window.closeButton->mapTo(&window, window.closeButton->rect().center());
    QRect during;
    QPoint fermerDuring;
    QTimer click;
    click.setInterval(150);
    QObject::connect(&click, &QTimer::timeout, [&] {
        if (window.folderLabel->text().isEmpty()) return;
        click.stop();
        during = window.geometry();
        fermerDuring = window.closeButton->mapTo(&window, window.closeButton->rect().center());
        QTest::mouseClick(window.closeButton, Qt::LeftButton);
        release = true;
    });
    int clicks = 0;
    QObject::connect(window.closeButton, &QPushButton::clicked, [&] { ++clicks; });
    click.start();
    QTest::mouseClick(window.searchButton, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(release);
    EXPECT_EQ(during.size(), before.size());
    EXPECT_EQ(fermerDuring, fermer);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(dialogs.shown.isEmpty()); // no "Fichiers trouvés": it was stopped
    platform::Platform::setInstance(nullptr);
}

// One name, one line: line ends, backslashes and control bytes in names are
// escaped, so no name can pass for two nor reach the terminal as codes.
TEST(FindFiles, CommandLineEscapesNames) {
    TempDir dir;
    dir.write("a\nb.txt");
    dir.write("c\x1b[31m.txt");
    dir.write("d\\e.txt");
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), {"find", dir.path(), "*.txt"});
    ASSERT_TRUE(p.waitForFinished(30000));
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
    lines.removeAll(QString());
    QStringList names;
    for (const QString& l : lines.mid(0, 3))
        names << l.mid(dir.path().size() + 1);
    names.sort();
    EXPECT_EQ(names, QStringList({"a\\nb.txt", "c\\x1b[31m.txt", "d\\\\e.txt"}));
    EXPECT_EQ(lines.value(3), QStringLiteral("3 Fichiers trouvés"));
}

// ---- the folder index ----

namespace {

QStringList found(const QString& folder, const QString& pattern, bool indexed) {
    QStringList paths;
    core::DirectJob job;
    findAllFiles(
        searchSpec(folder, pattern), [&](const QString& p) { paths << p; }, job, indexed);
    return paths;
}

// Everything under root, folders with a "/" at the end.
QStringList treeOf(const QString& root) {
    QStringList all;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        all << (it.fileInfo().isDir() ? p + u'/' : p);
    }
    all.sort();
    return all;
}

} // namespace

// Files and folders made, removed, renamed within and across folders,
// hidden, a folder replaced by another of the same name, changes in the
// same clock tick as the search before: after each round the indexed find
// gives exactly the plain walk's paths, in its order.
TEST(FolderIndex, RandomChangesBetweenSearchesGiveTheWalksPaths) {
    TempDir dir;
    const QString root = dir.mkdir("root");
    platform::FolderIndex::Settings settings;
    settings.racyNs = 30'000'000; // beyond the file system's clock tick
    platform::FolderIndexes::instance().reset(settings);
    QRandomGenerator g(7);
    const QStringList names = {"a.txt", "rapport.txt", "b.dat", ".cache.txt", "note a.txt",
                               "x",     "sub",         "docs",  ".hidden"};
    auto pick = [&](const QStringList& from) { return from[int(g.bounded(from.size()))]; };
    for (int round = 0; round < 300; ++round) {
        for (int change = 0; change < 3; ++change) {
            const QStringList tree = treeOf(root);
            QStringList folders = {root + u'/'}, files;
            for (const QString& p : tree)
                (p.endsWith(u'/') ? folders : files) << p;
            const QString where = pick(folders);
            switch (g.bounded(7)) {
            case 0:
            case 1: { // a file made
                QFile f(where + pick(names));
                if (f.open(QIODevice::WriteOnly)) f.write("x");
                break;
            }
            case 2: // a folder made
                QDir().mkpath(where + pick(names) + QString::number(g.bounded(3)));
                break;
            case 3: // a file or a folder removed
                if (!files.isEmpty() && g.bounded(2))
                    QFile::remove(pick(files));
                else if (folders.size() > 1)
                    QDir(pick(folders.mid(1))).removeRecursively();
                break;
            case 4: { // renamed within or across folders
                const QString from = pick(files + folders.mid(1));
                if (from.isEmpty()) break;
                const QString to = where + pick(names) + QString::number(g.bounded(5));
                if (!to.startsWith(from))
                    ::rename(QFile::encodeName(QDir::cleanPath(from)), QFile::encodeName(to));
                break;
            }
            case 5: { // a folder replaced by another of the same name
                if (folders.size() < 2) break;
                const QString folder = QDir::cleanPath(pick(folders.mid(1)));
                QDir(folder).removeRecursively();
                QDir().mkpath(folder);
                QFile f(folder + QStringLiteral("/rapport.txt"));
                if (f.open(QIODevice::WriteOnly)) f.write("new");
                break;
            }
            default: // hidden or shown by its stored attribute
                if (folders.size() > 1)
                    platform::Platform::instance().setAttributes(
                        QDir::cleanPath(pick(folders.mid(1))),
                        g.bounded(2) ? quint32(platform::faHidden) : 0u);
            }
        }
        for (const char* pattern : {"*.*", "*a*.txt"})
            ASSERT_EQ(found(root, pattern, true), found(root, pattern, false))
                << "round " << round << " " << pattern;
        // The cleaner's walk, sizes and attributes read, likewise.
        const auto sized = [&](bool indexed) {
            QStringList seen;
            Walk walk;
            walk.sized = true;
            walk.indexed = indexed;
            walk.wanted = [](const QString& name) { return name.endsWith(u".txt"); };
            walk.visit = [&](const QString& in, const platform::DirEntry& e) {
                seen << QStringLiteral("%1%2 %3 %4").arg(in, e.name).arg(e.size).arg(e.attributes);
            };
            core::DirectJob job;
            walkFiles(root + u'/', walk, job);
            return seen;
        };
        ASSERT_EQ(sized(true), sized(false)) << "round " << round;
        if (round % 60 == 59) QThread::msleep(40); // folders older than the racy window
    }
    // Once the folders are old enough, a search reads none of them again.
    QThread::msleep(40);
    found(root, "*.*", true);
    struct stat st;
    ASSERT_EQ(stat(QFile::encodeName(root).constData(), &st), 0);
    platform::FolderIndexes::Use use = platform::FolderIndexes::instance().use(root, st);
    ASSERT_TRUE(use.index);
    use.index->takeReadCount();
    use.lock.unlock();
    const QStringList again = found(root, "*.*", true);
    use = platform::FolderIndexes::instance().use(root, st);
    EXPECT_EQ(use.index->takeReadCount(), 0);
    use.lock.unlock();
    EXPECT_EQ(again, found(root, "*.*", false));
    platform::FolderIndexes::instance().reset({});
}

// A folder is read again while its last change is within the racy window
// of its reading; kept after that; the file keeps it between runs, and a
// damaged or foreign file is refused whole.
TEST(FolderIndex, TheTimesVouchTheFileKeepsADamagedFileIsRefused) {
    TempDir dir;
    dir.write("f/a.txt");
    dir.write("f/b.txt");
    const QByteArray path = QFile::encodeName(dir.file("f"));
    struct stat st;
    ASSERT_EQ(lstat(path.constData(), &st), 0);
    const qint64 changed = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    qint64 now = changed; // read in the same tick as the change
    platform::FolderIndex::Settings settings;
    settings.clockNs = [&] { return now; };
    platform::FolderIndex index(quint64(st.st_dev), settings);
    std::vector<std::string> entries;
    ASSERT_TRUE(index.entries(path, st, entries));
    ASSERT_TRUE(index.entries(path, st, entries));
    EXPECT_EQ(index.takeReadCount(), 2); // racy: read again
    now = changed + 5'000'000'000;
    ASSERT_TRUE(index.entries(path, st, entries));
    ASSERT_TRUE(index.entries(path, st, entries));
    EXPECT_EQ(index.takeReadCount(), 1); // read once, then kept
    QStringList names;
    for (const std::string& e : entries)
        names << QString::fromStdString(e);
    names.sort();
    EXPECT_EQ(names, QStringList({"a.txt", "b.txt"}));

    const QString file = dir.file("cache/index.idx");
    ASSERT_TRUE(index.save(file));
    platform::FolderIndex loaded(quint64(st.st_dev), settings);
    ASSERT_TRUE(loaded.load(file));
    ASSERT_TRUE(loaded.entries(path, st, entries));
    EXPECT_EQ(loaded.takeReadCount(), 0);
    EXPECT_EQ(entries.size(), 2u);
    platform::FolderIndex foreign(quint64(st.st_dev) + 1, settings);
    EXPECT_FALSE(foreign.load(file));
    // A folder no search met for a long time leaves the index when it is saved.
    now += 40LL * 24 * 3600 * 1'000'000'000;
    ASSERT_TRUE(loaded.save(file));
    ASSERT_TRUE(loaded.load(file));
    EXPECT_EQ(loaded.entryCount(), 0);
    now -= 40LL * 24 * 3600 * 1'000'000'000;
    // A name that is more than one step would lead a walk out of its folder.
    ASSERT_TRUE(index.save(file));
    QFile whole(file);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QByteArray bytes = whole.readAll();
    whole.close();
    ASSERT_TRUE(loaded.loadBytes(bytes.constData(), bytes.size()));
    EXPECT_EQ(loaded.usableEntryCount(), 2);
    bytes.replace("a.txt", "a/txt");
    EXPECT_FALSE(loaded.loadBytes(bytes.constData(), bytes.size()));
    bytes.replace(QByteArray("a/txt"),
                  QByteArray("..\0\0\0", 5)); // a name with no type, then empty ones: left out
    ASSERT_TRUE(loaded.loadBytes(bytes.constData(), bytes.size()));
    EXPECT_EQ(loaded.usableEntryCount(), 1);
    QFile cut(file);
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
    cut.resize(cut.size() - 3);
    cut.close();
    EXPECT_FALSE(loaded.load(file));
    EXPECT_EQ(loaded.entryCount(), 0);
    // A damaged index in the cache is rebuilt; the search is the walk's.
    const QString cached = platform::FolderIndex::fileFor(quint64(st.st_dev));
    QDir().mkpath(QFileInfo(cached).absolutePath());
    QFile::remove(cached);
    ASSERT_TRUE(QFile::copy(file, cached));
    platform::FolderIndexes::instance().reset({});
    EXPECT_EQ(found(dir.path(), "*.txt", true), found(dir.path(), "*.txt", false));
    EXPECT_EQ(found(dir.path(), "*.txt", true).size(), 2);
}
