// Network volumes: a share of a server of the test's own (sshd on the
// loopback address, mounted by sshfs) works as the folder it shows, and a
// server that stops answering holds no command.
#include "core/file_errors.h"
#include "filemanager/components/drive_selector.h"
#include "filemanager/components/folder_tree.h"
#include "filemanager/file_manager_view.h"
#include "platform/announced_servers.h"
#include "platform/linux_platform.h"
#include "platform/remote_call.h"
#include "platform/server_connection.h"
#include "shell/main_window.h"
#include "support/loopback_server.h"
#include "tools/find_files_window.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"
#include "viewers/picture_window.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using testing_support::TempDir;

namespace {

QStringList treeOf(const QString& root) {
    QStringList out;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        out << path.mid(root.size()) + u'=' + QString::fromUtf8(f.readAll());
    }
    out.sort();
    return out;
}

struct CliRun {
    int code = -1;
    bool crashed = false;
    QString out, err;
    qint64 ms = 0;
};

CliRun cli(const QStringList& args, int timeoutMs = 30000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAVTOOLS_NETWORK_TIMEOUT_MS"), QStringLiteral("1500"));
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral(TAVTOOLS_CLI), args);
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.ms = t.elapsed();
        return r; // still running: code -1
    }
    r.ms = t.elapsed();
    r.code = p.exitCode();
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The lines of a find with the folder's own path taken off.
QStringList found(const QString& output, const QString& root) {
    QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty()) lines.removeLast(); // the count
    for (QString& l : lines)
        l = l.mid(root.size());
    lines.sort();
    return lines;
}

// A session of the desktop's network engine of the tests' own: a D-Bus
// session bus, gvfsd and its FUSE folder under a runtime folder of the
// tests, and an ssh agent holding their keys. One for the whole run: GIO
// keeps its connection to the first session bus for the life of the
// process.
class DesktopSession {
  public:
    static DesktopSession& instance() {
        static DesktopSession session;
        return session;
    }
    void trust(const QString& key) { QProcess::execute(QStringLiteral("ssh-add"), {"-q", key}); }
    QString missing;

  private:
    DesktopSession() {
        for (const char* program :
             {"/usr/libexec/gvfsd", "/usr/libexec/gvfsd-fuse", "/usr/bin/dbus-daemon",
              "/usr/bin/dbus-send", "/usr/bin/ssh-agent"})
            if (!QFile::exists(QLatin1String(program))) {
                missing = QStringLiteral("no %1 here (gvfs, gvfs-fuse, dbus)").arg(program);
                return;
            }
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit());
        QProcess bus;
        bus.start(QStringLiteral("dbus-daemon"),
                  {"--session", "--fork", "--print-address=1", "--print-pid=1"});
        bus.waitForFinished(10000);
        const QStringList said = QString::fromUtf8(bus.readAllStandardOutput()).split(u'\n');
        if (said.size() < 2) {
            missing = QStringLiteral("dbus-daemon did not start");
            return;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", said[0].trimmed().toLocal8Bit());
        m_pids << said[1].trimmed().toLongLong();
        const QString agent = m_dir.file(QStringLiteral("agent"));
        qint64 agentPid = 0;
        QProcess::startDetached(QStringLiteral("ssh-agent"), {"-D", "-a", agent}, {}, &agentPid);
        m_pids << agentPid;
        for (int i = 0; i < 100 && !QFile::exists(agent); ++i)
            QThread::msleep(20);
        qputenv("SSH_AUTH_SOCK", agent.toLocal8Bit());
        // One after the other: gvfsd-fuse started before gvfsd owns its name
        // would have the bus start another gvfsd, and one of them fails.
        startDetached({"/usr/libexec/gvfsd", "--no-fuse"});
        if (!waitUntil([] {
                QProcess ask;
                ask.start(QStringLiteral("dbus-send"),
                          {"--session", "--print-reply", "--dest=org.freedesktop.DBus",
                           "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                           "string:org.gtk.vfs.Daemon"});
                ask.waitForFinished(2000);
                return ask.readAllStandardOutput().contains("boolean true");
            })) {
            missing = QStringLiteral("gvfsd did not start");
            return;
        }
        const QString fuse = m_dir.mkdir(QStringLiteral("gvfs"));
        startDetached({"/usr/libexec/gvfsd-fuse", fuse, "-f"});
        if (!waitUntil([&] {
                QFile table(QStringLiteral("/proc/self/mountinfo"));
                return table.open(QIODevice::ReadOnly) &&
                       table.readAll().contains(QByteArray(' ' + QFile::encodeName(fuse) + ' '));
            }))
            missing = QStringLiteral("gvfsd-fuse did not mount its folder");
    }
    ~DesktopSession() {
        QProcess::execute(QStringLiteral("fusermount"), {"-u", "-z", m_dir.file("gvfs")});
        for (const qint64 pid : m_pids)
            ::kill(pid_t(pid), SIGTERM);
    }
    void startDetached(const QStringList& command) {
        qint64 pid = 0;
        QProcess::startDetached(command[0], command.mid(1), {}, &pid);
        m_pids << pid;
    }
    template <class Ready> static bool waitUntil(Ready ready) {
        for (int i = 0; i < 100; ++i) {
            if (ready()) return true;
            QThread::msleep(50);
        }
        return false;
    }
    TempDir m_dir{false};
    QList<qint64> m_pids;
};

class Network : public ::testing::Test {
  protected:
    LoopbackServer server;
    TempDir local{false};
    void SetUp() override {
        // The desktop's engine first: GIO settles at its first use whether
        // it reaches one, for the life of the process.
        DesktopSession::instance();
        // Longer than the bound on a window's answer, so that a window
        // waiting on its server cannot pass for one that answers.
        qputenv("TAVTOOLS_NETWORK_TIMEOUT_MS", "3000");
        if (!server.missing().isEmpty() || !server.mountShare())
            GTEST_SKIP() << server.missing().toStdString();
        const QString root = server.servedFolder();
        for (const char* name : {"/a/x.txt", "/a/b/y.txt", "/a/b/z.doc", "/c.txt"}) {
            const QString path = root + QLatin1String(name);
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(QByteArray("contenu de ") + name);
        }
    }
};

} // namespace

TEST_F(Network, AShareWorksAsTheFolderItShows) {
    const QString share = server.mountPoint();
    // A volume of its own, a network one.
    platform::LinuxPlatform p;
    EXPECT_TRUE(p.onNetworkVolume(share + QStringLiteral("/a")));
    EXPECT_EQ(p.driveType(p.driveOf(share)), platform::DriveType::Remote);
    EXPECT_FALSE(p.onNetworkVolume(local.path()));
    // Found as on the served folder itself.
    const CliRun there = cli({"find", share, "*.txt"});
    const CliRun here = cli({"find", server.servedFolder(), "*.txt"});
    ASSERT_EQ(there.code, 0) << there.err.toStdString();
    EXPECT_EQ(found(there.out, share), found(here.out, server.servedFolder()));
    EXPECT_EQ(found(there.out, share).size(), 3);
    // A string found in its files as in the served ones.
    const CliRun grepThere = cli({"grep", "contenu", share + "/a/x.txt", share + "/c.txt"});
    const CliRun grepHere = cli(
        {"grep", "contenu", server.servedFolder() + "/a/x.txt", server.servedFolder() + "/c.txt"});
    EXPECT_EQ(grepThere.code, 0) << grepThere.err.toStdString();
    EXPECT_EQ(QString(grepThere.out).replace(share, "~"),
              QString(grepHere.out).replace(server.servedFolder(), "~"));
    EXPECT_TRUE(grepThere.out.contains(QStringLiteral("contenu de /c.txt")))
        << grepThere.out.toStdString();
    // Copied out and in, whole.
    ASSERT_EQ(cli({"copy", share + QStringLiteral("/a"), local.path()}).code, 0);
    EXPECT_EQ(treeOf(local.file("a")), treeOf(server.servedFolder() + QStringLiteral("/a")));
    local.write("in/new.txt", "écrit par le test");
    ASSERT_EQ(cli({"copy", local.file("in"), share}).code, 0);
    EXPECT_EQ(treeOf(server.servedFolder() + QStringLiteral("/in")), treeOf(local.file("in")));
    const QString served = server.servedFolder() + QStringLiteral("/in/new.txt");
    // Its date kept, to the second (what sftp carries).
    EXPECT_EQ(QFileInfo(served).lastModified().toSecsSinceEpoch(),
              QFileInfo(local.file("in/new.txt")).lastModified().toSecsSinceEpoch());
    EXPECT_EQ(QFileInfo(served).permissions(), QFileInfo(local.file("in/new.txt")).permissions());
    // A name taken on the share keeps its file, unless replacing; either
    // way nothing is left beside it.
    local.write("in/new.txt", "seconde version");
    cli({"copy", local.file("in/new.txt"), share + QStringLiteral("/in")});
    EXPECT_EQ(treeOf(server.servedFolder() + QStringLiteral("/in")),
              QStringList{QStringLiteral("/new.txt=écrit par le test")});
    ASSERT_EQ(
        cli({"copy", "--replace", local.file("in/new.txt"), share + QStringLiteral("/in")}).code,
        0);
    EXPECT_EQ(treeOf(server.servedFolder() + QStringLiteral("/in")),
              QStringList{QStringLiteral("/new.txt=seconde version")});
    EXPECT_EQ(QDir(server.servedFolder() + QStringLiteral("/in"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              1);
    // A backup written on the share holds what one of the served folder
    // holds, and restores the same files.
    const QString archive = share + QStringLiteral("/a.tav");
    ASSERT_EQ(cli({"backup", archive, share + QStringLiteral("/a/*.*")}).code, 0);
    ASSERT_EQ(cli({"backup", local.file("a.tav"), server.servedFolder() + "/a/*.*"}).code, 0);
    QString listed = cli({"list", archive}).out;
    EXPECT_FALSE(listed.isEmpty());
    EXPECT_EQ(listed.replace(share, QStringLiteral("~")),
              cli({"list", local.file("a.tav")}).out.replace(server.servedFolder(), "~"));
    ASSERT_EQ(cli({"restore", "--to", local.mkdir("restored"), archive}).code, 0);
    EXPECT_EQ(treeOf(local.file("restored")), QStringList{"/x.txt=contenu de /a/x.txt"});
}

// What a folder holds that is hidden (written aside and left there).
QStringList hiddenIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
}

TEST_F(Network, ToolsWriteOnAShareAsInAFolder) {
    const QString share = server.mountPoint();
    const QString served = server.servedFolder() + QStringLiteral("/s");
    const QString here = local.mkdir("s");
    QByteArray data;
    for (int i = 0; i < 3000; ++i)
        data += i % 40 == 39 ? '\n' : char('a' + (i * 7) % 26);
    QDir().mkpath(served);
    for (const QString& folder : {served, here}) {
        QFile f(folder + QStringLiteral("/data.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    // Split on the share as here; split again in fewer parts, and the
    // parts beyond the new count go, there as here.
    for (const char* ko : {"1", "2"}) {
        for (const QString& folder : QStringList{share + QStringLiteral("/s"), here})
            ASSERT_EQ(cli({"split", folder + QStringLiteral("/data.txt"), ko}).code, 0)
                << folder.toStdString();
        EXPECT_EQ(treeOf(served), treeOf(here));
    }
    EXPECT_TRUE(QFile::exists(served + QStringLiteral("/data.txt002")));
    EXPECT_FALSE(QFile::exists(served + QStringLiteral("/data.txt004")));
    EXPECT_EQ(hiddenIn(served), QStringList());
    // Joined on the share, whole.
    QFile::remove(served + QStringLiteral("/data.txt"));
    ASSERT_EQ(cli({"join", share + "/s/data.txt001", share + "/s/data.txt002"}).code, 0);
    QFile joined(served + QStringLiteral("/data.txt"));
    ASSERT_TRUE(joined.open(QIODevice::ReadOnly));
    EXPECT_EQ(joined.readAll(), data);
    // A file sorted in its place keeps its mode; a date set is set.
    const QString lines = served + QStringLiteral("/lignes.txt");
    {
        QFile f(lines);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("poire\nabricot\nmelon\n");
    }
    QFile::setPermissions(lines, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ReadGroup);
    ASSERT_EQ(cli({"sort", share + QStringLiteral("/s/lignes.txt")}).code, 0);
    EXPECT_TRUE(treeOf(served).contains(QStringLiteral("/lignes.txt=abricot\nmelon\npoire\n")))
        << treeOf(served).join(u' ').toStdString();
    EXPECT_EQ(QFileInfo(lines).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadUser | QFileDevice::WriteUser |
                                                  QFileDevice::ReadGroup);
    ASSERT_EQ(cli({"attrib", "--date", "01/02/2020", share + QStringLiteral("/s/lignes.txt")}).code,
              0);
    EXPECT_EQ(QFileInfo(lines).lastModified().date(), QDate(2020, 2, 1));
    // Restored into a folder of the share; erased there.
    ASSERT_EQ(cli({"backup", local.file("s.tav"), here + QStringLiteral("/data.txt")}).code, 0);
    ASSERT_EQ(cli({"restore", "--to", share + QStringLiteral("/s/r"), local.file("s.tav")}).code,
              0);
    EXPECT_EQ(treeOf(served + QStringLiteral("/r")), treeOf(here).filter(u"/data.txt="));
    ASSERT_EQ(cli({"erase", share + QStringLiteral("/s/r/data.txt")}).code, 0);
    EXPECT_EQ(QDir(served + QStringLiteral("/r")).entryList(QDir::Files | QDir::Hidden),
              QStringList());
    EXPECT_EQ(hiddenIn(served), QStringList());
}

TEST_F(Network, AServerThatStopsAnsweringHoldsNoCommand) {
    const QString share = server.mountPoint();
    server.freezeConnections(true);
    // Each command ends with its message after the time-out (1.5 s here).
    const CliRun find = cli({"find", share, "*.txt"});
    EXPECT_EQ(find.code, 1);
    EXPECT_TRUE(find.err.startsWith(QStringLiteral("Le serveur ne répond pas")))
        << find.err.toStdString();
    EXPECT_LT(find.ms, 8000);
    const CliRun copy = cli({"copy", share + QStringLiteral("/c.txt"), local.path()});
    EXPECT_EQ(copy.code, 1);
    EXPECT_TRUE(copy.err.contains(QStringLiteral("Le serveur ne répond pas")))
        << copy.err.toStdString();
    EXPECT_LT(copy.ms, 8000);
    EXPECT_FALSE(QFile::exists(local.file("c.txt")));
    // So does a command reading a file's contents.
    const CliRun grep = cli({"grep", "contenu", share + QStringLiteral("/c.txt")});
    EXPECT_EQ(grep.code, 1);
    EXPECT_TRUE(grep.err.contains(QStringLiteral("Le serveur ne répond pas")))
        << grep.err.toStdString();
    EXPECT_LT(grep.ms, 8000);
    const CliRun split = cli({"split", share + QStringLiteral("/c.txt"), "1"});
    EXPECT_EQ(split.code, 1);
    EXPECT_TRUE(split.err.contains(QStringLiteral("Le serveur ne répond pas")))
        << split.err.toStdString();
    EXPECT_LT(split.ms, 8000);
    // A backup of the share's files fails, saying why, rather than leaving
    // out what it could not read.
    const CliRun backup = cli({"backup", local.file("s.tav"), share + QStringLiteral("/c.txt")});
    EXPECT_EQ(backup.code, 1) << backup.out.toStdString();
    EXPECT_TRUE(backup.err.contains(QStringLiteral("Le serveur ne répond pas")))
        << backup.err.toStdString();
    EXPECT_LT(backup.ms, 8000);
    const CliRun backupTree =
        cli({"backup", local.file("t.tav"), share + QStringLiteral("/a/*.* /s")});
    EXPECT_EQ(backupTree.code, 1) << backupTree.out.toStdString();
    EXPECT_TRUE(backupTree.err.contains(QStringLiteral("Le serveur ne répond pas")))
        << backupTree.err.toStdString();
    // Its output ends with it: nothing left waiting on the server keeps it open.
    QProcess shell;
    shell.start(
        QStringLiteral("sh"),
        {"-c", QStringLiteral("TAVTOOLS_NETWORK_TIMEOUT_MS=1500 '%1' find '%2' '*.txt' | cat")
                   .arg(QStringLiteral(TAVTOOLS_CLI), share)});
    EXPECT_TRUE(shell.waitForFinished(8000));
    // A request to end stops a command at once, even while a call waits.
    QProcess waiting;
    waiting.start(QStringLiteral(TAVTOOLS_CLI), {"find", share, "*.txt"});
    ASSERT_TRUE(waiting.waitForStarted());
    QThread::msleep(400);
    QElapsedTimer stopped;
    stopped.start();
    ::kill(pid_t(waiting.processId()), SIGTERM);
    EXPECT_TRUE(waiting.waitForFinished(3000));
    EXPECT_LT(stopped.elapsed(), 1500);
    // Stopped while it changes an entry, it names that entry.
    QProcess deleting;
    deleting.start(QStringLiteral(TAVTOOLS_CLI), {"delete", share + QStringLiteral("/c.txt")});
    ASSERT_TRUE(deleting.waitForStarted());
    QThread::msleep(400);
    ::kill(pid_t(deleting.processId()), SIGTERM);
    EXPECT_TRUE(deleting.waitForFinished(3000));
    EXPECT_EQ(QString::fromUtf8(deleting.readAllStandardError()).trimmed(),
              QStringLiteral("Opération interrompue : %1/c.txt peut-être incomplet").arg(share));
    // A server that stops answering while a large file is copied to it
    // leaves no half file under the file's name.
    server.freezeConnections(false);
    {
        QFile big(local.file("big.bin"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 256; ++i)
            big.write(block);
    }
    QProcess copying;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAVTOOLS_NETWORK_TIMEOUT_MS"), QStringLiteral("1500"));
    copying.setProcessEnvironment(env);
    copying.start(QStringLiteral(TAVTOOLS_CLI), {"copy", local.file("big.bin"), share});
    QThread::msleep(300);
    server.freezeConnections(true);
    EXPECT_TRUE(copying.waitForFinished(15000));
    server.freezeConnections(false);
    const QFileInfo copied(server.servedFolder() + QStringLiteral("/big.bin"));
    EXPECT_TRUE(!copied.exists() || copied.size() == 256 << 20) << copied.size();
    // So does one that stops while a tool writes its file there: the
    // command ends with its message, and the archive is whole or absent.
    QProcess archiving;
    archiving.setProcessEnvironment(env);
    archiving.start(QStringLiteral(TAVTOOLS_CLI),
                    {"backup", "--level", "none", share + "/big.tav", local.file("big.bin")});
    QElapsedTimer writing;
    writing.start();
    while (hiddenIn(server.servedFolder()).isEmpty() && writing.elapsed() < 20000 &&
           archiving.state() != QProcess::NotRunning)
        QThread::msleep(5);
    server.freezeConnections(true);
    EXPECT_TRUE(archiving.waitForFinished(15000));
    EXPECT_EQ(archiving.exitCode(), 1);
    const QString archiveError = QString::fromUtf8(archiving.readAllStandardError());
    EXPECT_TRUE(archiveError.contains(QStringLiteral("Le serveur ne répond pas")))
        << archiveError.toStdString();
    server.freezeConnections(false);
    EXPECT_FALSE(QFile::exists(server.servedFolder() + QStringLiteral("/big.tav")));
    // A write that finds the server silent ends at once.
    server.freezeConnections(true);
    const CliRun silentWrite = cli({"backup", share + "/w.tav", local.file("big.bin")});
    EXPECT_EQ(silentWrite.code, 1);
    EXPECT_TRUE(silentWrite.err.contains(QStringLiteral("Le serveur ne répond pas")))
        << silentWrite.err.toStdString();
    EXPECT_LT(silentWrite.ms, 8000);
    const CliRun erase = cli({"erase", share + QStringLiteral("/c.txt")});
    EXPECT_EQ(erase.code, 1);
    EXPECT_TRUE(erase.err.contains(QStringLiteral("Le serveur ne répond pas")))
        << erase.err.toStdString();
    EXPECT_LT(erase.ms, 8000);
    // The share's free space is asked without holding the command's end.
    const QChar letter = platform::LinuxPlatform().driveOf(share);
    const CliRun space = cli({"diskinfo", QString(letter)});
    EXPECT_NE(space.code, -1) << "still running";
    EXPECT_LT(space.ms, 8000);
    server.freezeConnections(false);
    EXPECT_TRUE(QFile::exists(server.servedFolder() + QStringLiteral("/c.txt")));
    // Awake again, everything works.
    const CliRun again = cli({"find", share, "*.txt"});
    EXPECT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_EQ(found(again.out, share).size(), 3);
}

// Whether the file manager's list shows each of these names.
auto listed(filemanager::FileManagerView& view, const QStringList& names) {
    return [&view, names] {
        QStringList shown;
        for (int r = 0; r < view.model()->rowCount(); ++r)
            shown << view.model()->row(r).name;
        for (const QString& name : names)
            if (!shown.contains(name)) return false;
        return true;
    };
}

// Waits, the events running, until done() or ms have passed.
template <class Done> bool waitFor(Done done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QTest::qWait(20);
    return done();
}

TEST_F(Network, AWindowOnASilentServerAnswersItsKeys) {
    const QString share = server.mountPoint();
    ASSERT_EQ(platform::networkTimeoutMs(), 3000);
    filemanager::FileManagerView view;
    view.resize(900, 600);
    view.show();
    // The share is a child of "Réseau", after the drives.
    QTreeWidgetItem* network = view.tree()->networkNode();
    ASSERT_TRUE(network);
    EXPECT_EQ(network->text(0), QStringLiteral("Réseau"));
    QStringList shares;
    for (int i = 0; i < network->childCount(); ++i)
        shares << filemanager::FolderTree::nodePath(network->child(i));
    EXPECT_TRUE(shares.contains(share)) << shares.join(u' ').toStdString();
    view.setFolder(share + QStringLiteral("/a"));
    ASSERT_TRUE(waitFor(listed(view, {"b", "x.txt"}), 5000));
    // The server stops answering while the window goes to another folder.
    server.freezeConnections(true);
    QElapsedTimer answered;
    answered.start();
    view.setFolder(share);
    QTest::keyClick(view.detailsView(), Qt::Key_Down);
    QCoreApplication::processEvents();
    const qint64 ms = answered.elapsed();
    std::printf("window answered in %lld ms on a silent server\n", static_cast<long long>(ms));
    EXPECT_LT(ms, 2000);
    EXPECT_TRUE(waitFor([&] { return view.listStatus()->text() == core::noAnswerText(); }, 6000))
        << view.listStatus()->text().toStdString();
    // Awake again, the folder is read as it should.
    server.freezeConnections(false);
    bool back = false;
    for (int i = 0; i < 20 && !back; ++i) {
        view.readFolder();
        back = waitFor(listed(view, {"a", "c.txt"}), 500);
    }
    EXPECT_TRUE(back);
    QTest::qWait(300); // no listing asked for is on its way
    // A share tells no changes: the list is read again while it shows it.
    QFile added(server.servedFolder() + QStringLiteral("/nouveau.txt"));
    ASSERT_TRUE(added.open(QIODevice::WriteOnly));
    added.close();
    EXPECT_TRUE(waitFor(listed(view, {"nouveau.txt"}), 8000));
}

TEST_F(Network, APictureOnASilentServerWaitsOffTheWindow) {
    const QString share = server.mountPoint();
    for (const char* name : {"/p.bmp", "/q.bmp"}) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(picture.save(server.servedFolder() + QLatin1String(name)));
    }
    viewers::PictureWindow window;
    window.init(share + QStringLiteral("/p.bmp"));
    window.load();
    ASSERT_EQ(window.pictureLabel->pixmap().size(), QSize(40, 30));
    // The server stops answering: the window waits with its events running,
    // and Escape in the progress box ends the wait, the picture staying.
    server.freezeConnections(true);
    bool ticked = false;
    QTimer::singleShot(300, [&] { ticked = true; });
    QTimer::singleShot(1300, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QProgressDialog*>(w); box && box->isVisible())
                QTest::keyClick(box, Qt::Key_Escape);
    });
    QElapsedTimer waited;
    waited.start();
    window.init(share + QStringLiteral("/q.bmp"));
    window.load();
    EXPECT_TRUE(ticked);
    EXPECT_LT(waited.elapsed(), 2500); // the time-out is 3 s
    EXPECT_EQ(window.pictureLabel->pixmap().size(), QSize(40, 30));
    EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral("p.bmp")))
        << window.windowTitle().toStdString();
    server.freezeConnections(false);
}

TEST_F(Network, ASharedFolderOpensAndClosesThroughTheDesktopEngine) {
    DesktopSession& session = DesktopSession::instance();
    if (!session.missing.isEmpty()) GTEST_SKIP() << session.missing.toStdString();
    session.trust(server.userKey());
    ASSERT_EQ(platform::desktopNetworkMissing(), QString());
    core::DirectJob job;
    platform::ConnectionQuestions questions;
    QStringList asked;
    questions.choose = [&](const QString& message, const QStringList&) {
        asked << message;
        return 0; // the server's key is trusted
    };
    const QString address = QStringLiteral("sftp://%1@127.0.0.1:%2%3")
                                .arg(qEnvironmentVariable("USER", QStringLiteral("root")))
                                .arg(server.port())
                                .arg(server.servedFolder());
    const platform::ConnectionResult opened = platform::connectServer(address, questions, job);
    ASSERT_TRUE(opened.error.isEmpty()) << opened.error.toStdString();
    ASSERT_FALSE(opened.folder.isEmpty());
    // The share is a network volume of its own, whose files are the server's.
    platform::LinuxPlatform p;
    EXPECT_TRUE(p.onNetworkVolume(opened.folder)) << opened.folder.toStdString();
    EXPECT_EQ(treeOf(opened.folder), treeOf(server.servedFolder()));
    const CliRun there = cli({"find", opened.folder, "*.txt"});
    EXPECT_EQ(found(there.out, opened.folder).size(), 3) << there.err.toStdString();
    // Closed while the server is silent: a program that holds a file open
    // there (gio, its output left unread) is named, and the share stays
    // open unless the user closes it anyway; a request in flight (a look at
    // a file) names nobody, and the share closes without a question once
    // the server has not answered within the time-out (the engine gave such
    // a close up, unsaid).
    {
        QFile big(server.servedFolder() + QStringLiteral("/big.bin"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write(QByteArray(8 << 20, 'b'));
    }
    QProcess reading; // in a process group of its own, ended whole
    reading.start(QStringLiteral("setsid"),
                  {"sh", "-c", QStringLiteral("gio cat '%1/big.bin' | sleep 60").arg(address)});
    ASSERT_TRUE(reading.waitForStarted());
    QThread::msleep(700);
    server.freezeConnections(true);
    QProcess looking;
    looking.start(QStringLiteral("gio"), {"info", address + QStringLiteral("/c.txt")});
    ASSERT_TRUE(looking.waitForStarted());
    QThread::msleep(500);
    QStringList usedBy;
    bool closeAnyway = false;
    platform::ConnectionQuestions asking;
    asking.closeInUse = [&](const QStringList& programs) {
        usedBy << programs;
        return closeAnyway;
    };
    // Off this thread, as from the window, whose loop runs GIO's own answers.
    const auto disconnect = [&] {
        platform::ConnectionResult r;
        std::atomic<bool> done{false};
        std::thread closer([&] {
            r = platform::disconnectServer(opened.folder, asking, job);
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        closer.join();
        return r;
    };
    const platform::ConnectionResult kept = disconnect();
    EXPECT_TRUE(kept.stopped && kept.error.isEmpty()) << kept.error.toStdString();
    EXPECT_TRUE(usedBy.size() == 1 && usedBy[0].startsWith(QStringLiteral("gio (")))
        << usedBy.join(u',').toStdString();
    ::kill(-pid_t(reading.processId()), SIGKILL);
    reading.waitForFinished();
    usedBy.clear();
    QElapsedTimer closing;
    closing.start();
    const platform::ConnectionResult closed = disconnect();
    EXPECT_LT(closing.elapsed(), 10000); // the time-out is 3 s
    server.freezeConnections(false);
    looking.waitForFinished();
    EXPECT_EQ(usedBy, QStringList());
    EXPECT_TRUE(closed.error.isEmpty() && !closed.stopped) << closed.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(opened.folder + QStringLiteral("/c.txt")));
    // Closed again (the share gone under a window that still shows it):
    // closed already, nothing to report.
    EXPECT_EQ(platform::disconnectServer(opened.folder, {}, job).error, QString());
}

// The whole way, from the window's menus: "Connecter un serveur..." with
// the server's address, the share under "Réseau", a folder browsed with
// the keys, a folder copied out and another in with Copier and Coller,
// files found there with Rechercher, and the share closed from its node.
TEST_F(Network, AUserConnectsBrowsesCopiesAndFindsFromTheWindow) {
    DesktopSession& session = DesktopSession::instance();
    if (!session.missing.isEmpty()) GTEST_SKIP() << session.missing.toStdString();
    session.trust(server.userKey());
    const QString served = server.servedFolder();
    local.write("in/note.txt", "écrit dans la fenêtre");
    QDir::setCurrent(local.path());
    ui::ScriptedDialogs dialogs;
    shell::MainWindow form;
    form.resize(1000, 700);
    form.show();
    QApplication::setActiveWindow(&form);
    filemanager::FileManagerView& view = *form.tool();
    const auto run = [&](const char* id) {
        QAction* entry = form.actionById(QLatin1String(id));
        EXPECT_TRUE(entry && entry->isEnabled()) << id;
        if (entry) entry->trigger();
    };
    QAction* disconnect = form.actionById(QStringLiteral("DeconnecterServeur"));
    EXPECT_FALSE(disconnect->isEnabled()); // on a folder of this computer
    dialogs.answerInput(QStringLiteral("sftp://%1@127.0.0.1:%2%3")
                            .arg(qEnvironmentVariable("USER", QStringLiteral("root")))
                            .arg(server.port())
                            .arg(served));
    dialogs.answer(ui::Yes); // the server's key is trusted
    run("ConnecterServeur");
    const QString share = view.folder();
    ASSERT_TRUE(platform::Platform::instance().onNetworkVolume(share))
        << share.toStdString() << dialogs.texts().join(u'\n').toStdString();
    ASSERT_TRUE(waitFor(listed(view, {"a", "c.txt"}), 8000));
    EXPECT_TRUE(disconnect->isEnabled());
    EXPECT_EQ(view.listDrives()->drive(), platform::Platform::instance().driveOf(share));
    EXPECT_NE(view.listDrives()->drive(), platform::Platform::instance().driveOf(local.path()));
    // Under "Réseau", the share's node holds the folder shown.
    QTreeWidgetItem* network = view.tree()->networkNode();
    ASSERT_TRUE(network);
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < network->childCount(); ++i) {
        const QString root = filemanager::FolderTree::nodePath(network->child(i));
        if (!root.isEmpty() && share.startsWith(root) && root != server.mountPoint())
            node = network->child(i);
    }
    ASSERT_TRUE(node);
    // Into "a" with Enter.
    view.showEntry(QStringLiteral("a"));
    QTest::keyClick(view.detailsView(), Qt::Key_Return);
    ASSERT_TRUE(waitFor(listed(view, {"b", "x.txt"}), 8000));
    // "b" copied out to this computer...
    view.showEntry(QStringLiteral("b"));
    run("Copier1");
    view.setFolder(local.path());
    ASSERT_TRUE(waitFor(listed(view, {"in"}), 8000));
    run("CopyMove");
    EXPECT_EQ(treeOf(local.file("b")), treeOf(served + QStringLiteral("/a/b")));
    // ...and "in" copied to the share.
    view.showEntry(QStringLiteral("in"));
    run("Copier1");
    view.setFolder(share);
    ASSERT_TRUE(waitFor(listed(view, {"a", "c.txt"}), 8000));
    run("CopyMove");
    EXPECT_EQ(treeOf(served + QStringLiteral("/in")), treeOf(local.file("in")));
    // Found there as on the served folder.
    QStringList results;
    {
        ui::ScopedModalHandler finder([&](QDialog* d) {
            auto* w = static_cast<tools::FindFilesWindow*>(d);
            w->pathEdit->setText(share);
            w->patternEdit->setText(QStringLiteral("*.txt"));
            w->search();
            for (int i = 0; i < w->resultList->count(); ++i)
                results << w->resultList->item(i)->text().mid(share.size());
            return 0;
        });
        run("Rechercher");
    }
    results.sort();
    EXPECT_EQ(results, (QStringList{"/a/b/y.txt", "/a/x.txt", "/c.txt", "/in/note.txt"}));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("4 Fichiers trouvés"));
    // A delete stopped with Escape while the silent server holds it names
    // the entry it may have left.
    server.freezeConnections(true);
    view.detailsView()->setFocus();
    view.showEntry(QStringLiteral("c.txt"));
    dialogs.answer(ui::Ok); // delete it
    QTimer::singleShot(500, [&] { QTest::keyClick(view.detailsView(), Qt::Key_Escape); });
    QElapsedTimer stopping;
    stopping.start();
    run("Efface1");
    EXPECT_LT(stopping.elapsed(), 2500);
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("Opération interrompue : %1/c.txt peut-être incomplet").arg(share))
        << dialogs.texts().join(u'\n').toStdString();
    server.freezeConnections(false);
    // Closed from its node in the tree.
    view.tree()->setFocus();
    view.tree()->setCurrentItem(node);
    QApplication::processEvents();
    EXPECT_EQ(view.chosenFolder(), filemanager::FolderTree::nodePath(node));
    run("DeconnecterServeur");
    EXPECT_FALSE(QFileInfo::exists(share + QStringLiteral("/c.txt")));
    EXPECT_FALSE(platform::Platform::instance().onNetworkVolume(view.folder()))
        << dialogs.texts().join(u'\n').toStdString();
    EXPECT_FALSE(disconnect->isEnabled()) << view.chosenFolder().toStdString();
}

// A server the network announces shows under "Réseau" and opens with a
// double click; its share is then listed.
TEST_F(Network, AnAnnouncedServerOpensFromTheTree) {
    DesktopSession& session = DesktopSession::instance();
    if (!session.missing.isEmpty()) GTEST_SKIP() << session.missing.toStdString();
    session.trust(server.userKey());
    ui::ScriptedDialogs dialogs; // the server's key is trusted
    QDir::setCurrent(local.path());
    filemanager::FileManagerView view;
    view.resize(900, 600);
    view.show();
    const QString address = QStringLiteral("sftp://%1@127.0.0.1:%2%3")
                                .arg(qEnvironmentVariable("USER", QStringLiteral("root")))
                                .arg(server.port())
                                .arg(server.servedFolder());
    view.tree()->setServerFinder([address] {
        return std::vector<platform::AnnouncedServer>{{"serveur de test", address}};
    });
    QTreeWidgetItem* network = view.tree()->networkNode();
    ASSERT_TRUE(network);
    network->setExpanded(true);
    QTreeWidgetItem* announced = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            for (int i = 0; i < network->childCount() && !announced; ++i)
                if (network->child(i)->text(0) == QStringLiteral("serveur de test"))
                    announced = network->child(i);
            return announced != nullptr;
        },
        5000));
    EXPECT_EQ(filemanager::FolderTree::nodeKind(announced), filemanager::NodeKind::NetworkChild);
    // After the shares mounted now.
    EXPECT_EQ(network->indexOfChild(announced), network->childCount() - 1);
    view.tree()->setCurrentItem(announced);
    const QRect at = view.tree()->visualItemRect(announced);
    QTest::mouseDClick(view.tree()->viewport(), Qt::LeftButton, Qt::NoModifier, at.center());
    EXPECT_TRUE(platform::Platform::instance().onNetworkVolume(view.folder()))
        << view.folder().toStdString() << dialogs.texts().join(u'\n').toStdString();
    EXPECT_TRUE(waitFor(listed(view, {"a", "c.txt"}), 8000));
    core::DirectJob job;
    platform::disconnectServer(view.folder(), {}, job);
}

// Avahi's answers, as avahi-browse prints them resolved: each server once
// (IPv4 first), with the address that opens it; other lines passed over.
TEST(AnnouncedServers, AvahiAnswersBecomeAddresses) {
    const QByteArray browsed =
        "+;eth0;IPv4;nas;_sftp-ssh._tcp;local\n"
        "=;eth0;IPv6;nas;_sftp-ssh._tcp;local;nas.local;fe80::1;22;\n"
        "=;eth0;IPv4;nas;_sftp-ssh._tcp;local;nas.local;192.168.1.5;22;\n"
        "=;eth0;IPv4;Bureau\\032de\\032Marie;_smb._tcp;local;pc.local;192.168.1.7;445;\n"
        "=;eth0;IPv6;dav;_webdav._tcp;local;dav.local;2001:db8::5;8080;\"u=x\" \"path=/docs\"\n"
        "=;eth0;IPv4;imprimante;_ipp._tcp;local;p.local;192.168.1.9;631;\n"
        "=;eth0;IPv4;faux;_smb._tcp;local;f.local;192.168.1.8;99999;\n"
        "=;eth0;IPv4;tronqué\n";
    const std::vector<platform::AnnouncedServer> servers = platform::parseAnnouncedServers(browsed);
    QStringList seen;
    for (const auto& s : servers)
        seen << s.name + u' ' + s.address;
    EXPECT_EQ(seen, (QStringList{"Bureau de Marie (SMB) smb://192.168.1.7/",
                                 "dav (WebDAV) dav://[2001:db8::5]:8080/docs",
                                 "nas (SFTP) sftp://192.168.1.5/"}));
}
