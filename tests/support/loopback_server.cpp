#include "loopback_server.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool run(const QString& program, const QStringList& args, int ms = 20000) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(ms) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The processes whose parent is pid, from /proc.
QList<qint64> childrenOf(qint64 pid) {
    QList<qint64> out;
    for (QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
         it.hasNext();) {
        it.next();
        bool number = false;
        const qint64 child = it.fileName().toLongLong(&number);
        if (!number) continue;
        QFile stat(it.filePath() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid) out << child;
    }
    return out;
}

// A port of 127.0.0.1 nobody listens on now.
int freeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

// Who runs the test: the server lets that user in with the test's key.
QString userName() {
    const passwd* pw = getpwuid(getuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QStringLiteral("root");
}

} // namespace

LoopbackServer::LoopbackServer() {
    const QString sshd = QStringLiteral("/usr/sbin/sshd");
    if (!QFile::exists(sshd) ||
        QStandardPaths::findExecutable(QStringLiteral("ssh-keygen")).isEmpty()) {
        m_missing = QStringLiteral("no sshd here (openssh-server)");
        return;
    }
    m_port = freeLoopbackPort();
    if (m_port == 0) {
        m_missing = QStringLiteral("no free port on 127.0.0.1");
        return;
    }
    const QString keys = m_dir.mkdir(QStringLiteral("keys"));
    for (const char* key : {"host", "user"})
        if (!run(QStringLiteral("ssh-keygen"),
                 {"-q", "-t", "ed25519", "-N", "", "-f", keys + u'/' + QLatin1String(key)})) {
            m_missing = QStringLiteral("ssh-keygen failed");
            return;
        }
    QFile::copy(keys + QStringLiteral("/user.pub"), keys + QStringLiteral("/authorized_keys"));
    m_dir.mkdir(QStringLiteral("served"));
    QDir().mkpath(QStringLiteral("/run/sshd")); // the privilege separation folder sshd wants
    const QString config = m_dir.write(
        QStringLiteral("sshd_config"),
        QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2/host\n"
                       "AuthorizedKeysFile %2/authorized_keys\nPasswordAuthentication no\n"
                       "PermitRootLogin prohibit-password\nStrictModes no\nUsePAM no\n"
                       "PidFile %3/sshd.pid\nSubsystem sftp internal-sftp\n")
            .arg(m_port)
            .arg(keys, m_dir.path())
            .toUtf8());
    if (!run(sshd, {"-f", config, "-E", m_dir.file(QStringLiteral("sshd.log"))})) {
        m_missing = QStringLiteral("sshd did not start");
        return;
    }
    for (int i = 0; i < 100 && m_pid == 0; ++i) {
        QFile pid(m_dir.file(QStringLiteral("sshd.pid")));
        if (pid.open(QIODevice::ReadOnly)) m_pid = pid.readAll().trimmed().toLongLong();
        if (m_pid == 0) QThread::msleep(20);
    }
    if (m_pid == 0) m_missing = QStringLiteral("sshd wrote no process number");
}

LoopbackServer::~LoopbackServer() {
    freezeConnections(false);
    if (m_mounted) run(QStringLiteral("fusermount"), {"-u", "-z", mountPoint()});
    if (m_pid > 0) ::kill(pid_t(m_pid), SIGTERM);
}

QString LoopbackServer::userKey() const {
    return m_dir.file(QStringLiteral("keys/user"));
}

QString LoopbackServer::servedFolder() const {
    return m_dir.file(QStringLiteral("served"));
}

QString LoopbackServer::mountPoint() const {
    return m_dir.file(QStringLiteral("share"));
}

bool LoopbackServer::mountShare() {
    if (!m_missing.isEmpty()) return false;
    if (QStandardPaths::findExecutable(QStringLiteral("sshfs")).isEmpty() ||
        !QFile::exists(QStringLiteral("/dev/fuse"))) {
        m_missing = QStringLiteral("no sshfs or no FUSE here");
        return false;
    }
    QDir().mkpath(mountPoint());
    m_mounted = run(QStringLiteral("sshfs"),
                    {"-p", QString::number(m_port), "-o",
                     QStringLiteral("IdentityFile=%1,StrictHostKeyChecking=no,"
                                    "UserKnownHostsFile=/dev/null,dir_cache=no,cache=no")
                         .arg(userKey()),
                     userName() + QStringLiteral("@127.0.0.1:") + servedFolder(), mountPoint()});
    if (!m_mounted) m_missing = QStringLiteral("sshfs could not mount the share");
    return m_mounted;
}

void LoopbackServer::freezeConnections(bool frozen) {
    if (m_pid <= 0) return;
    // Each connection is a child of the listener, with children of its own.
    QList<qint64> all;
    QList<qint64> next = childrenOf(m_pid);
    while (!next.isEmpty()) {
        const qint64 pid = next.takeFirst();
        all << pid;
        next << childrenOf(pid);
    }
    for (const qint64 pid : all)
        ::kill(pid_t(pid), frozen ? SIGSTOP : SIGCONT);
    // Thawed again after a while whatever becomes of the test: a program
    // that waits on the frozen server then fails its test instead of
    // holding the whole run.
    if (frozen && !all.isEmpty()) {
        QStringList pids;
        for (const qint64 pid : all)
            pids << QString::number(pid);
        QProcess::startDetached(
            QStringLiteral("sh"),
            {"-c", QStringLiteral("exec </dev/null >/dev/null 2>&1; sleep 40; kill -CONT %1")
                       .arg(pids.join(u' '))});
    }
}
