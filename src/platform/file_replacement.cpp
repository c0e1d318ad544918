#include "file_replacement.h"
#include "file_names.h"
#include "linux_platform.h"
#include "platform.h"
#include "remote_call.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSet>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <linux/fs.h>
#include <map>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// The mode a new file gets: 0666 less the process's mask, read without
// changing it (umask() would, for every thread at once).
mode_t newFileMode() {
    mode_t mask = 022;
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
        std::fclose(f);
    }
    return 0666 & ~mask;
}

// A file system without modes (a FAT floppy or key) refuses them: no failure.
bool modeSet(int result) {
    return result == 0 || errno == EPERM || errno == EOPNOTSUPP || errno == ENOTSUP;
}

QByteArray hiddenName(const QByteArray& folder) {
    return folder + (folder.endsWith('/') ? "" : "/") + ".tavnew-" +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// Links the unnamed file under name (EEXIST when it is taken).
bool linkUnnamed(int fd, const QByteArray& name) {
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    int r = linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW);
    if (r != 0 && errno == ENOENT) r = linkat(fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH);
    return r == 0;
}

} // namespace

int renameNoReplace(const char* from, const char* to) {
#ifdef SYS_renameat2
    long r = syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    if (r == 0 || (errno != EINVAL && errno != ENOSYS)) return int(r);
#endif
    // File system without the flag: a hard link cannot replace either.
    struct stat st;
    if (lstat(from, &st) == 0 && S_ISREG(st.st_mode) && link(from, to) == 0) return unlink(from);
    if (errno == EEXIST) return -1;
    if (lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return rename(from, to);
}

int openAside(const QByteArray& folder, QByteArray& named, unsigned mode) {
    named.clear();
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_t(mode));
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    for (int tries = 0; tries < 100; ++tries) {
        named = hiddenName(folder);
        fd = ::open(named.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(mode));
        if (fd >= 0 || errno != EEXIST) break;
    }
    if (fd < 0) named.clear();
    return fd;
}

namespace {
// Gives the unnamed file a new hidden name in folder (put in `name`).
bool linkHidden(int fd, const QByteArray& folder, QByteArray& name) {
    for (int tries = 0; tries < 100; ++tries) {
        name = hiddenName(folder);
        if (linkUnnamed(fd, name)) return true;
        if (errno != EEXIST) break;
    }
    name.clear();
    return false;
}
} // namespace

bool nameAside(int fd, QByteArray& named, const QByteArray& target, bool replace) {
    if (!named.isEmpty()) {
        const int r = replace ? rename(named.constData(), target.constData())
                              : renameNoReplace(named.constData(), target.constData());
        if (r != 0) return false;
        named.clear();
        return true;
    }
    if (!replace) return linkUnnamed(fd, target);
    // The unnamed file gets a hidden name beside the target, then the
    // target's name in one step.
    QByteArray name;
    if (!linkHidden(fd, folderOf(target), name)) return false;
    if (rename(name.constData(), target.constData()) != 0) {
        const int err = errno;
        unlink(name.constData());
        errno = err;
        return false;
    }
    return true;
}

FileReplacement::FileReplacement(const QString& target) : m_target(target) {}

FileReplacement::~FileReplacement() {
    discard();
}

namespace {
// A failure seen through errno.
Status failedWith(int err) {
    return Status::failed(errorFromErrno(err));
}

// The network volume of path, whose calls a helper makes; empty when this
// process writes there itself.
QString networkVolumeFor(const QString& path) {
    if (path.isEmpty() || makesRemoteCallsHere()) return {};
    auto* here = dynamic_cast<LinuxPlatform*>(&Platform::instance());
    return here ? here->networkVolumeOf(path) : QString();
}

QByteArray tempFolder() {
    return QFile::encodeName(QDir::tempPath());
}

Status callOn(const QString& volume, RemoteRequest::Call call, const QString& path,
              const QString& target = {}, bool durable = false) {
    RemoteRequest r;
    r.call = call;
    r.path = path;
    r.target = target;
    r.durable = durable;
    RemoteAnswer answer;
    return statusOf(callRemote(r, answer, nullptr, 0, volume, false), answer);
}

bool lostAnswer(const Status& s) {
    return s.error() == errNoAnswer || s.error() == errCancelled;
}

} // namespace

Status FileReplacement::open() {
    discard();
    m_volume = m_here ? QString() : networkVolumeFor(m_target);
    if (!m_volume.isEmpty()) return openStaged();
    m_final = nativeName(m_target);
    struct stat st;
    if (lstat(m_final.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!realpath(m_final.constData(), resolved)) return failedWith(errno);
        m_final = resolved;
    }
    // Only a file is replaced: never a device, a pipe or a folder.
    if (stat(m_final.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return Status::failed(errNotRegular);
    }
    m_fd = openAside(folderOf(m_final), m_named);
    if (m_fd < 0) return failedWith(errno);
    if (!m_file.open(m_fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        discard();
        return failedWith(EIO);
    }
    return Status::done();
}

Status FileReplacement::openStaged() {
    // Only a file is replaced; a server that does not answer is found now,
    // not once the content is written.
    m_final = nativeName(m_target);
    DirEntry entry;
    const Status looked = Platform::instance().entryOf(m_target, entry);
    if (looked && !entry.regular) return Status::failed(errNotRegular);
    if (!looked && looked.error() != errFileNotFound) return looked;
    m_fd = openAside(tempFolder(), m_staged);
    if (m_fd < 0) return failedWith(errno);
    if (!m_file.open(m_fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        discard();
        return failedWith(EIO);
    }
    return Status::done();
}

Status FileReplacement::sendStaged(bool park, const QDateTime& modified) {
    if (m_fd < 0) return failedWith(EBADF);
    errno = 0;
    if (!m_file.flush()) return failedWith(errno ? errno : ENOSPC);
    // The helper reads the content by its name.
    if (m_staged.isEmpty() && !linkHidden(m_fd, tempFolder(), m_staged)) return failedWith(errno);
    RemoteRequest r;
    r.call = RemoteRequest::ReplaceFile;
    r.path = QFile::decodeName(m_staged);
    r.target = m_target;
    r.flag = park;
    r.durable = m_durable || park;
    r.fresh = m_fresh;
    r.when = modified;
    RemoteAnswer answer;
    const Status sent = statusOf(callRemote(r, answer, nullptr, 0, m_volume, false), answer);
    m_file.close();
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_staged.constData());
    m_staged.clear();
    if (!sent) return sent;
    if (park) {
        m_named = QFile::encodeName(answer.parked);
        m_final = QFile::encodeName(answer.replaced);
        m_parked = true;
    }
    return Status::done();
}

QString FileReplacement::replacedFile() const {
    return QFile::decodeName(m_final);
}

QString FileReplacement::releaseParked() {
    const QString named = QFile::decodeName(m_named);
    m_named.clear();
    m_parked = false;
    return named;
}

bool FileReplacement::takeOwnersOf(const QByteArray& target) {
    struct stat st;
    if (stat(target.constData(), &st) != 0) return modeSet(fchmod(m_fd, newFileMode()));
    // The owner first: a change of owner may clear the set-id bits of the mode.
    if (fchown(m_fd, st.st_uid, st.st_gid) != 0 && errno != EPERM) return false;
    const mode_t mode = (st.st_mode & 07777) | (m_fresh ? S_IWUSR : 0);
    if (!modeSet(fchmod(m_fd, mode))) return false;
    if (m_fresh) return true;
    char names[4096];
    const ssize_t length = listxattr(target.constData(), names, sizeof names);
    for (ssize_t i = 0; i < length; i += ssize_t(strlen(names + i)) + 1) {
        if (strncmp(names + i, "user.tavtools.", 14) != 0) continue;
        char value[256];
        const ssize_t n = getxattr(target.constData(), names + i, value, sizeof value);
        if (n >= 0) fsetxattr(m_fd, names + i, value, size_t(n), 0);
    }
    return true;
}

namespace {

void syncFolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool FileReplacement::putInPlace(const QByteArray& target) {
    return nameAside(m_fd, m_named, target, true);
}

Status FileReplacement::park() {
    if (!m_volume.isEmpty()) return sendStaged(true, {});
    if (m_fd < 0) return failedWith(EBADF);
    errno = 0;
    if (!m_file.flush()) return failedWith(errno ? errno : ENOSPC);
    if (!takeOwnersOf(m_final)) return failedWith(errno);
    // An unnamed file gets a hidden name: it outlives its descriptor.
    if (m_named.isEmpty() && !linkHidden(m_fd, folderOf(m_final), m_named))
        return failedWith(errno);
    m_file.close();
    ::close(m_fd);
    m_fd = -1;
    m_parked = true;
    return Status::done();
}

Status FileReplacement::commitSet(const std::vector<std::unique_ptr<FileReplacement>>& members,
                                  const std::function<QString(int)>& nameOf, int most) {
    if (members.empty()) return Status::done();
    for (const auto& m : members)
        if (!m->m_parked) return failedWith(EBADF);
    if (!members.front()->m_volume.isEmpty()) return commitRemoteSet(members, nameOf, most);
    QList<QByteArray> older; // the older set's members beyond the new count
    for (int n = int(members.size()) + 1; n <= most; ++n) {
        const QByteArray name = nativeName(nameOf(n));
        struct stat st;
        if (lstat(name.constData(), &st) == 0) older << name;
    }
    // Where an older set is replaced, the new content is on the disk before
    // any name changes; a set that replaces nothing is left to the system's
    // own writing, as any new file is.
    bool replaces = !older.isEmpty();
    for (const auto& m : members) {
        struct stat st;
        replaces = replaces || lstat(m->m_final.constData(), &st) == 0;
    }
    const QString folder = QFile::decodeName(folderOf(members.front()->m_final));
    if (replaces && !syncFileSystemOf(folder)) return failedWith(errno ? errno : EIO);
    if (unlink(members.front()->m_final.constData()) != 0 && errno != ENOENT)
        return failedWith(errno);
    for (const QByteArray& name : older)
        if (unlink(name.constData()) != 0 && errno != ENOENT) return failedWith(errno);
    for (auto it = members.rbegin(); it != members.rend(); ++it) {
        FileReplacement& m = **it;
        if (rename(m.m_named.constData(), m.m_final.constData()) != 0) return failedWith(errno);
        m.m_named.clear();
        m.m_parked = false;
    }
    if (replaces) syncFileSystemOf(folder);
    return Status::done();
}

Status
FileReplacement::commitRemoteSet(const std::vector<std::unique_ptr<FileReplacement>>& members,
                                 const std::function<QString(int)>& nameOf, int most) {
    // The same steps as on this computer, each made by the helper; the
    // parked members are on the server's disk already. The folders are
    // listed once, not looked at for every name a set may have.
    const QString volume = members.front()->m_volume;
    std::map<QString, QSet<QString>> listed;
    QStringList older;
    for (int n = int(members.size()) + 1; n <= most; ++n) {
        const QString name = nameOf(n);
        const qsizetype slash = name.lastIndexOf(u'/');
        const QString folder = slash > 0 ? name.left(slash) : QStringLiteral("/");
        auto found = listed.find(folder);
        if (found == listed.end()) {
            std::vector<DirEntry> entries;
            const Status read = Platform::instance().listEntries(
                folder, entries, [](const DirEntry&) { return Platform::Detail::Name; });
            if (lostAnswer(read)) return read;
            QSet<QString> names;
            for (const DirEntry& e : entries)
                names.insert(e.name);
            found = listed.emplace(folder, std::move(names)).first;
        }
        if (found->second.contains(name.mid(slash + 1))) older << name;
    }
    const QString first = QFile::decodeName(members.front()->m_final);
    if (const Status gone = callOn(volume, RemoteRequest::Unlink, first);
        !gone && gone.error() != errFileNotFound)
        return gone;
    for (const QString& name : older)
        if (const Status gone = callOn(volume, RemoteRequest::Unlink, name);
            !gone && gone.error() != errFileNotFound)
            return gone;
    for (auto it = members.rbegin(); it != members.rend(); ++it) {
        FileReplacement& m = **it;
        const bool last = it + 1 == members.rend();
        if (const Status named =
                callOn(volume, RemoteRequest::RenameOver, QFile::decodeName(m.m_named),
                       QFile::decodeName(m.m_final), last);
            !named)
            return named;
        m.m_named.clear();
        m.m_parked = false;
    }
    return Status::done();
}

Status FileReplacement::commit(const QDateTime& modified) {
    if (!m_volume.isEmpty()) {
        if (!m_parked) return sendStaged(false, modified);
        const Status named = callOn(m_volume, RemoteRequest::RenameOver, QFile::decodeName(m_named),
                                    QFile::decodeName(m_final), m_durable);
        if (!named) return named;
        m_named.clear();
        m_parked = false;
        return Status::done();
    }
    if (m_parked) { // complete already: only its name is to come
        if (rename(m_named.constData(), m_final.constData()) != 0) return failedWith(errno);
        m_named.clear();
        m_parked = false;
        if (m_durable) syncFolderOf(m_final);
        return Status::done();
    }
    if (m_fd < 0) return failedWith(EBADF);
    errno = 0;
    if (!m_file.flush()) return failedWith(errno ? errno : ENOSPC);
    if (!takeOwnersOf(m_final)) return failedWith(errno);
    if (modified.isValid()) {
        struct timespec times[2];
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = time_t(modified.toSecsSinceEpoch());
        times[1].tv_nsec = 0;
        if (futimens(m_fd, times) != 0) return failedWith(errno);
    }
    // Durable: the new content is on the disk before it takes the name, and
    // the name is on the disk before the replacement is told done.
    if (m_durable && ::fdatasync(m_fd) != 0) return failedWith(errno);
    if (!putInPlace(m_final)) return failedWith(errno);
    if (m_durable) syncFolderOf(m_final);
    m_file.close();
    ::close(m_fd);
    m_fd = -1;
    return Status::done();
}

bool FileReplacement::syncFileSystemOf(const QString& path) {
    if (const QString volume = networkVolumeFor(path); !volume.isEmpty())
        return callOn(volume, RemoteRequest::SyncFileSystem, path).ok();
    return syncFileSystemHere(path);
}

bool FileReplacement::syncFileSystemHere(const QString& path) {
    if (path.isEmpty()) { // files anywhere: every file system
        ::sync();
        return true;
    }
    const int fd = ::open(nativeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

void FileReplacement::discard() {
    m_parked = false;
    if (m_file.isOpen()) m_file.close();
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_staged.isEmpty()) unlink(m_staged.constData());
    m_staged.clear();
    if (!m_named.isEmpty()) {
        if (m_volume.isEmpty())
            unlink(m_named.constData());
        else // a server that stopped answering is not waited for again
            callOn(m_volume, RemoteRequest::Unlink, QFile::decodeName(m_named));
    }
    m_named.clear();
}

} // namespace platform
