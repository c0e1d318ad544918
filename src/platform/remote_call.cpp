#include "remote_call.h"
#include "core/job.h"
#include "end_requests.h"
#include "file_replacement.h"
#include "linux_platform.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#ifndef TAVTOOLS_REMOTE_CALLS_DIR
#define TAVTOOLS_REMOTE_CALLS_DIR "../libexec/tavtools"
#endif
#ifndef TAVTOOLS_REMOTE_CALLS_BUILD
#define TAVTOOLS_REMOTE_CALLS_BUILD ""
#endif

namespace platform {

namespace {

// A frame is its length (4 bytes, this machine's order) and its bytes; the
// first byte of a helper's frame says what it is.
constexpr char kProgress = 'P';
constexpr char kAnswer = 'A';
constexpr quint32 kLargestFrame = 1u << 30;

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QDataStream& operator<<(QDataStream& s, const DirEntry& e) {
    return s << e.name << e.size << e.mtime << e.attributes << e.isLink << e.otherVolume
             << e.regular << e.links << e.allocated << e.device << e.inode << qint32(e.kind);
}

QDataStream& operator>>(QDataStream& s, DirEntry& e) {
    qint32 kind = 0;
    s >> e.name >> e.size >> e.mtime >> e.attributes >> e.isLink >> e.otherVolume >> e.regular >>
        e.links >> e.allocated >> e.device >> e.inode >> kind;
    e.kind = EntryKind(kind);
    return s;
}

QByteArray encode(const RemoteRequest& r) {
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s << qint32(r.call) << r.path << r.target << r.mask << r.flag << r.durable << r.progress
      << r.direct << r.fresh << r.value << r.when << r.device << r.inode;
    return bytes;
}

bool decode(const QByteArray& bytes, RemoteRequest& r) {
    QDataStream s(bytes);
    qint32 call = 0;
    s >> call >> r.path >> r.target >> r.mask >> r.flag >> r.durable >> r.progress >> r.direct >>
        r.fresh >> r.value >> r.when >> r.device >> r.inode;
    r.call = RemoteRequest::Call(call);
    return s.status() == QDataStream::Ok && call >= 0 && call <= RemoteRequest::VolumeSpace;
}

QByteArray encode(const RemoteAnswer& a) {
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s.writeRawData(&kAnswer, 1);
    s << qint32(a.status.error()) << a.attributes << a.parked << a.replaced << a.numbers
      << quint64(a.entries.size());
    for (const DirEntry& e : a.entries)
        s << e;
    return bytes;
}

bool decode(const QByteArray& bytes, RemoteAnswer& a) {
    QDataStream s(bytes);
    s.skipRawData(1);
    qint32 error = 0;
    quint64 count = 0;
    s >> error >> a.attributes >> a.parked >> a.replaced >> a.numbers >> count;
    a.status = error == 0 ? Status::done() : Status::failed(error);
    a.entries.clear();
    a.entries.reserve(size_t(std::min<quint64>(count, quint64(bytes.size()) / 8)));
    for (quint64 i = 0; i < count && s.status() == QDataStream::Ok; ++i)
        s >> a.entries.emplace_back();
    return s.status() == QDataStream::Ok;
}

bool sendFrame(int fd, const QByteArray& bytes) {
    const quint32 size = quint32(bytes.size());
    QByteArray frame(reinterpret_cast<const char*>(&size), sizeof size);
    frame += bytes;
    for (qsizetype sent = 0; sent < frame.size();) {
        const ssize_t n =
            ::send(fd, frame.constData() + sent, size_t(frame.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

// The next whole frame at the start of buffer, taken off it.
bool takeFrame(QByteArray& buffer, QByteArray& frame, bool& damaged) {
    quint32 size = 0;
    if (buffer.size() < qsizetype(sizeof size)) return false;
    std::memcpy(&size, buffer.constData(), sizeof size);
    if (size == 0 || size > kLargestFrame) {
        damaged = true;
        return false;
    }
    if (buffer.size() < qsizetype(sizeof size + size)) return false;
    frame = buffer.mid(sizeof size, size);
    buffer.remove(0, sizeof size + size);
    return true;
}

// ---- the caller's side ----

struct Helper {
    pid_t pid = -1;
    int fd = -1;
};

std::mutex g_lock;
std::vector<Helper> g_idle;        // ready for a call
std::vector<pid_t> g_left;         // killed, not yet reaped
std::map<QString, pid_t> g_silent; // a volume, and the call left waiting on it
std::atomic<bool> g_inHelper{false};

QString helperProgram() {
    static const QString program = [] {
        QStringList candidates;
        if (const QString set = qEnvironmentVariable("TAVTOOLS_REMOTE_CALLS_PROGRAM");
            !set.isEmpty())
            candidates << set;
        const QString here = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
        candidates << here + QStringLiteral("/tavtools-remote-calls")
                   << here + QStringLiteral("/" TAVTOOLS_REMOTE_CALLS_DIR "/tavtools-remote-calls")
                   << QStringLiteral(TAVTOOLS_REMOTE_CALLS_BUILD);
        for (const QString& c : candidates)
            if (QFileInfo(c).isExecutable()) return c;
        return QString();
    }();
    return program;
}

void reapLeft() {
    std::erase_if(g_left, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
    std::erase_if(g_silent, [](const auto& silent) {
        return std::find(g_left.begin(), g_left.end(), silent.second) == g_left.end();
    });
}

// Whether a call on volume still waits on its silent server.
bool knownSilent(const QString& volume) {
    if (volume.isEmpty()) return false;
    std::lock_guard<std::mutex> hold(g_lock);
    reapLeft();
    return g_silent.count(volume) > 0;
}

// A helper from the idle ones, or a new one; pid -1 when none can start.
Helper takeHelper() {
    {
        std::lock_guard<std::mutex> hold(g_lock);
        reapLeft();
        if (!g_idle.empty()) {
            const Helper h = g_idle.back();
            g_idle.pop_back();
            return h;
        }
    }
    Helper h;
    const QByteArray program = QFile::encodeName(helperProgram());
    if (program.isEmpty()) return h;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return h;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    // Nothing else of the program's: a helper left waiting on a silent
    // server must not keep its output open (a shell reading it would wait
    // for the helper) nor any other file.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    // A group of its own: Ctrl+C at a terminal reaches the program, which
    // ends its calls itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    char* argv[] = {const_cast<char*>(program.constData()), nullptr};
    pid_t pid = -1;
    const int failed =
        ::posix_spawn(&pid, program.constData(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(ends[1]);
    if (failed != 0) {
        ::close(ends[0]);
        return h;
    }
    h.pid = pid;
    h.fd = ends[0];
    return h;
}

void giveBack(const Helper& h) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_idle.push_back(h);
}

// Killed and forgotten; reaped once it has ended (a helper waiting on a
// silent server ends only when the server answers or the mount goes).
void leaveBehind(const Helper& h) {
    ::kill(h.pid, SIGKILL);
    ::close(h.fd);
    std::lock_guard<std::mutex> hold(g_lock);
    if (::waitpid(h.pid, nullptr, WNOHANG) == 0) g_left.push_back(h.pid);
}

enum class Heard { Answer, Nothing, Gone };

// Reads what the helper says for up to waitMs: progress is relayed and
// counts as a sign of life.
Heard listen(const Helper& h, QByteArray& buffer, int waitMs, qint64& signOfLife, core::Job* outer,
             RemoteAnswer& answer) {
    pollfd p{h.fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, waitMs);
    if (ready < 0) return errno == EINTR ? Heard::Nothing : Heard::Gone;
    if (ready == 0) return Heard::Nothing;
    char chunk[65536];
    const ssize_t n = ::recv(h.fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n < 0) return errno == EINTR || errno == EAGAIN ? Heard::Nothing : Heard::Gone;
    if (n == 0) return Heard::Gone;
    buffer.append(chunk, n);
    signOfLife = nowMs();
    QByteArray frame;
    bool damaged = false;
    while (takeFrame(buffer, frame, damaged)) {
        if (frame.at(0) == kProgress && frame.size() == 1 + qsizetype(sizeof(qint32))) {
            qint32 percent = 0;
            std::memcpy(&percent, frame.constData() + 1, sizeof percent);
            if (outer) outer->progress(percent);
        } else if (frame.at(0) == kAnswer && decode(frame, answer)) {
            return Heard::Answer;
        } else {
            return Heard::Gone;
        }
    }
    return damaged ? Heard::Gone : Heard::Nothing;
}

// ---- the helper's side ----

std::atomic<core::Job*> g_running{nullptr};

void onStopSignal(int) {
    if (core::Job* job = g_running.load()) job->cancel();
}

bool readFull(int fd, char* to, size_t size) {
    while (size > 0) {
        const ssize_t n = ::read(fd, to, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        to += n;
        size -= size_t(n);
    }
    return true;
}

// Whether a call left behind may have left its entry half changed: not a
// read, nor a copy written aside (the target untouched until it is whole).
bool changesItsEntry(const RemoteRequest& r) {
    switch (r.call) {
    case RemoteRequest::Attributes:
    case RemoteRequest::ListEntries:
    case RemoteRequest::ListDirectory:
    case RemoteRequest::EntryOf:
    case RemoteRequest::FolderNames:
    case RemoteRequest::ReplaceFile:
    case RemoteRequest::SyncFileSystem:
    case RemoteRequest::VolumeSpace:
        return false;
    case RemoteRequest::CopyFile:
        return r.direct;
    default:
        return true;
    }
}

// The new content of r.target, read from the file r.path of this computer,
// put in place (or parked, r.flag) as FileReplacement does.
Status replaceHere(const RemoteRequest& r, RemoteAnswer& a, core::Job& job) {
    QFile in(r.path);
    if (!in.open(QIODevice::ReadOnly)) return Status::failed(errorFromErrno(errno));
    FileReplacement out(r.target);
    out.setWrittenHere();
    out.setFreshAttributes(r.fresh);
    out.setDurable(r.durable);
    if (const Status opened = out.open(); !opened) return opened;
    const qint64 size = in.size();
    QByteArray piece(128 * 1024, Qt::Uninitialized);
    qint64 done = 0, told = 0;
    for (;;) {
        const qint64 n = in.read(piece.data(), piece.size());
        if (n < 0) return Status::failed(errGeneric);
        if (n == 0) break;
        if (out.file().write(piece.constData(), n) != n)
            return Status::failed(out.file().error() == QFileDevice::ResourceError
                                      ? errDiskFull
                                      : errorFromErrno(errno ? errno : EIO));
        done += n;
        if (job.cancelled()) return Status::failed(errCancelled);
        if (done - told >= (1 << 20)) { // a sign of life each MiB
            told = done;
            job.progress(size > 0 ? int(done * 100 / size) : 100);
        }
    }
    if (!r.flag) return out.commit(r.when);
    // Parked members of a set are on the disk before the set takes its names.
    errno = 0;
    if (r.durable && (!out.file().flush() || ::fdatasync(out.file().handle()) != 0))
        return Status::failed(errorFromErrno(errno ? errno : EIO));
    if (const Status parked = out.park(); !parked) return parked;
    a.replaced = out.replacedFile();
    a.parked = out.releaseParked();
    return Status::done();
}

Status renameOver(const QString& from, const QString& to, bool durable) {
    const QByteArray target = QFile::encodeName(to);
    if (::rename(QFile::encodeName(from).constData(), target.constData()) != 0)
        return Status::failed(errorFromErrno(errno));
    if (durable) {
        const qsizetype slash = target.lastIndexOf('/');
        const int fd = ::open(slash > 0 ? target.left(slash).constData() : "/",
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) ::fsync(fd), ::close(fd);
    }
    return Status::done();
}

} // namespace

Status statusOf(RemoteEnd end, const RemoteAnswer& answer) {
    switch (end) {
    case RemoteEnd::Done:
        return answer.status;
    case RemoteEnd::Silent:
        return Status::failed(errNoAnswer);
    case RemoteEnd::Stopped:
        break;
    }
    return Status::failed(errCancelled);
}

bool makesRemoteCallsHere() {
    return g_inHelper;
}

int networkTimeoutMs() {
    static const int timeout = [] {
        bool ok = false;
        const int set = qEnvironmentVariableIntValue("TAVTOOLS_NETWORK_TIMEOUT_MS", &ok);
        return ok && set > 0 ? set : 10'000;
    }();
    return timeout;
}

void answerHere(const RemoteRequest& r, RemoteAnswer& a, core::Job& job) {
    // The platform of this machine, never one that sends its calls here.
    static LinuxPlatform local;
    LinuxPlatform& p = local;
    core::Job* progress = r.progress ? &job : nullptr;
    a = RemoteAnswer();
    switch (r.call) {
    case RemoteRequest::Attributes:
        a.attributes = p.LinuxPlatform::attributes(r.path);
        break;
    case RemoteRequest::ListEntries:
        a.status = p.LinuxPlatform::listEntries(
            r.path, a.entries, [](const DirEntry&) { return Platform::Detail::Full; });
        break;
    case RemoteRequest::ListDirectory:
        a.status = p.LinuxPlatform::listDirectory(r.path, r.mask, a.entries,
                                                  r.flag ? Platform::ListMode::Walk
                                                         : Platform::ListMode::Display);
        break;
    case RemoteRequest::DeleteFile:
        a.status = p.LinuxPlatform::deleteFile(r.path);
        break;
    case RemoteRequest::MoveFile:
        a.status = p.LinuxPlatform::moveFile(r.path, r.target, progress);
        break;
    case RemoteRequest::CopyFile:
        a.status = p.copyWithin(r.path, r.target, r.flag, progress, 0, -1, r.durable, r.direct);
        break;
    case RemoteRequest::CreateFolder:
        a.status = p.LinuxPlatform::createFolder(r.path);
        break;
    case RemoteRequest::CreatePath:
        a.status = p.LinuxPlatform::createPath(r.path);
        break;
    case RemoteRequest::EntryOf:
        a.entries.emplace_back();
        a.status = p.LinuxPlatform::entryOf(r.path, a.entries.back(), r.flag);
        break;
    case RemoteRequest::RemoveFolder:
        a.status = p.LinuxPlatform::removeFolder(r.path);
        break;
    case RemoteRequest::SetAttributes:
        a.status = p.LinuxPlatform::setAttributes(r.path, r.value);
        break;
    case RemoteRequest::SetFileTime:
        a.status = p.LinuxPlatform::setFileTime(r.path, r.when);
        break;
    case RemoteRequest::CopyLink:
        a.status = p.LinuxPlatform::copyLink(r.path, r.target);
        break;
    case RemoteRequest::CopyFolderAttributes:
        a.status = p.LinuxPlatform::copyFolderAttributes(r.path, r.target);
        break;
    case RemoteRequest::LinkFile:
        a.status = p.LinuxPlatform::linkFile(r.path, r.target);
        break;
    case RemoteRequest::ReplaceFile:
        a.status = replaceHere(r, a, job);
        break;
    case RemoteRequest::RenameOver:
        a.status = renameOver(r.path, r.target, r.durable);
        break;
    case RemoteRequest::Unlink:
        a.status = ::unlink(QFile::encodeName(r.path).constData()) == 0
                       ? Status::done()
                       : Status::failed(errorFromErrno(errno));
        break;
    case RemoteRequest::SyncFileSystem:
        a.status = FileReplacement::syncFileSystemHere(r.path) ? Status::done()
                                                               : Status::failed(errGeneric);
        break;
    case RemoteRequest::ZeroFile: {
        DirEntry looked;
        looked.device = r.device;
        looked.inode = r.inode;
        a.status = p.LinuxPlatform::zeroFile(r.path, looked, progress);
        break;
    }
    case RemoteRequest::VolumeSpace: {
        struct statvfs sv;
        if (::statvfs(QFile::encodeName(r.path).constData(), &sv) != 0) {
            a.status = Status::failed(errorFromErrno(errno));
            break;
        }
        a.numbers = {quint64(sv.f_frsize ? sv.f_frsize : sv.f_bsize), quint64(sv.f_bavail),
                     quint64(sv.f_blocks)};
        break;
    }
    case RemoteRequest::FolderNames:
        // Without the platform, which would look at the volumes this
        // listing is made for.
        for (const QString& name :
             QDir(r.path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
            DirEntry& e = a.entries.emplace_back();
            e.name = name;
            e.kind = EntryKind::Folder;
        }
        break;
    }
}

RemoteEnd callRemote(const RemoteRequest& request, RemoteAnswer& answer, core::Job* outer,
                     int timeoutMs, const QString& volume, bool relayProgress) {
    if (!outer) outer = core::Job::current();
    if (!g_inHelper && knownSilent(volume)) return RemoteEnd::Silent;
    Helper h = g_inHelper ? Helper() : takeHelper();
    if (h.pid > 0 && !sendFrame(h.fd, encode(request))) {
        // An idle helper that has gone since: a new one.
        leaveBehind(h);
        h = takeHelper();
        if (h.pid > 0 && !sendFrame(h.fd, encode(request))) {
            leaveBehind(h);
            h = Helper();
        }
    }
    if (h.pid <= 0) {
        core::DirectJob none;
        answerHere(request, answer, outer ? *outer : none);
        return RemoteEnd::Done;
    }
    const qint64 timeout = timeoutMs > 0 ? timeoutMs : networkTimeoutMs();
    qint64 signOfLife = nowMs();
    QByteArray buffer;
    for (;;) {
        switch (listen(h, buffer, 50, signOfLife, relayProgress ? outer : nullptr, answer)) {
        case Heard::Answer:
            giveBack(h);
            return RemoteEnd::Done;
        case Heard::Gone:
            leaveBehind(h);
            answer = RemoteAnswer();
            answer.status = Status::failed(errGeneric);
            return RemoteEnd::Done;
        case Heard::Nothing:
            break;
        }
        if ((outer && outer->cancelled()) || endRequested()) {
            // Asked to stop, the call cleans up after itself if it can; a
            // call that does not end at once is left behind.
            // A call that answers was done, or stopped cleanly (errCancelled);
            // one that failed on the way (a file system that gave up its
            // request) or never answered may have left its entry half changed.
            ::kill(h.pid, SIGUSR1);
            const auto leftIncomplete = [&] {
                if (outer && changesItsEntry(request))
                    outer->setLeftIncomplete(request.target.isEmpty() ? request.path
                                                                      : request.target);
            };
            const qint64 asked = nowMs();
            while (nowMs() - asked < 300) {
                const Heard heard = listen(h, buffer, 50, signOfLife, nullptr, answer);
                if (heard == Heard::Answer) {
                    giveBack(h);
                    if (answer.status.ok()) return RemoteEnd::Done;
                    if (answer.status.error() != errCancelled) leftIncomplete();
                    return RemoteEnd::Stopped;
                }
                if (heard == Heard::Gone) break;
            }
            leaveBehind(h);
            leftIncomplete();
            return RemoteEnd::Stopped;
        }
        if (nowMs() - signOfLife > timeout) {
            leaveBehind(h);
            std::lock_guard<std::mutex> hold(g_lock);
            if (!volume.isEmpty() && std::find(g_left.begin(), g_left.end(), h.pid) != g_left.end())
                g_silent[volume] = h.pid;
            return RemoteEnd::Silent;
        }
    }
}

int serveRemoteCalls(int fd) {
    g_inHelper = true;
    struct sigaction stop {};
    stop.sa_handler = onStopSignal;
    stop.sa_flags = SA_RESTART;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGUSR1, &stop, nullptr);
    for (;;) {
        quint32 size = 0;
        if (!readFull(fd, reinterpret_cast<char*>(&size), sizeof size)) return 0;
        if (size == 0 || size > kLargestFrame) return 2;
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        if (!readFull(fd, bytes.data(), size)) return 0;
        RemoteRequest request;
        if (!decode(bytes, request)) return 2;
        core::DirectJob job;
        job.onProgress = [fd](int percent) {
            QByteArray frame(1, kProgress);
            const qint32 p = percent;
            frame.append(reinterpret_cast<const char*>(&p), sizeof p);
            sendFrame(fd, frame);
        };
        g_running = &job;
        RemoteAnswer answer;
        answerHere(request, answer, job);
        g_running = nullptr;
        if (job.cancelled() && answer.status.ok() && request.progress)
            answer.status = Status::failed(errCancelled);
        if (!sendFrame(fd, encode(answer))) return 0;
    }
}

} // namespace platform
