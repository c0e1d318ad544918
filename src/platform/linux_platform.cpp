#include "linux_platform.h"
#include "attributes.h"
#include "core/job.h"
#include "desktop_entries.h"
#include "entry_metadata.h"
#include "file_names.h"
#include "file_replacement.h"
#include "folder_reading.h"
#include "remote_call.h"
#include "wildcard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

QString unescapeMount(const QByteArray& field) {
    // Mount points escape space, tab, newline and backslash as \ooo.
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '7') {
            out +=
                char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return QString::fromLocal8Bit(out);
}

bool isDiskFileSystem(const QByteArray& fs) {
    static const char* const known[] = {
        "ext2", "ext3",  "ext4",    "xfs",     "btrfs",   "vfat", "msdos",    "exfat",
        "ntfs", "ntfs3", "fuseblk", "iso9660", "udf",     "nfs",  "nfs4",     "cifs",
        "smb3", "zfs",   "f2fs",    "jfs",     "hfsplus", "9p",   "virtiofs", "fuse.sshfs"};
    for (const char* k : known)
        if (fs == k) return true;
    return false;
}

bool isSystemMountPoint(const QString& mp) {
    static const char* const prefixes[] = {
        "/proc",           "/sys",           "/dev", "/run", "/snap", "/boot/efi",
        "/var/lib/docker", "/mnt/sandboxing"};
    if (mp.startsWith(u"/run/media/")) return false;
    for (const char* p : prefixes) {
        QString pre = QString::fromLatin1(p);
        if (mp == pre || mp.startsWith(pre + u'/')) return true;
    }
    return false;
}

bool isRemovableDevice(const QString& device, const QString& mountPoint) {
    if (mountPoint.startsWith(u"/media/") || mountPoint.startsWith(u"/run/media/")) return true;
    if (!device.startsWith(u"/dev/")) return false;
    QString name = device.mid(5);
    // A partition's own folder has no "removable"; its disk's folder has.
    QString sys = QStringLiteral("/sys/class/block/") + name;
    for (const QString& candidate : QStringList{sys + u"/removable", sys + u"/../removable"}) {
        QFile f(candidate);
        if (f.open(QIODevice::ReadOnly)) return f.read(1) == "1";
    }
    return false;
}

QString cleanAbsolute(const QString& path) {
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                      : QDir::current().absoluteFilePath(path));
}

bool pathUnder(const QString& path, const QString& root) {
    if (root == u"/") return path.startsWith(u'/');
    return path == root || (path.startsWith(root) && path.at(root.size()) == u'/');
}

QByteArray native(const QString& path) {
    return nativeName(path);
}

constexpr off_t kCopyPiece = 16 << 20;

// How far a copy is, told to its job; false once the job is stopped.
struct Watched {
    core::Job* job;
    off_t size;
    off_t start = 0;   // where the copied range begins in the source
    qint64 before = 0; // of a larger whole: bytes done before this copy
    qint64 total = -1; // and the whole's size
    bool goOn(off_t copied) const {
        if (!job || !job->advance(before + copied, total < 0 ? size : total)) return true;
        errno = ECANCELED;
        return false;
    }
};

// Copies [from, to) of one file into the same place of another, in the
// kernel where possible, telling the watcher after each piece that leaves
// more to copy (a small file is always copied whole).
bool copyRange(int in, int out, off_t from, off_t to, const Watched& watched, off_t shift = 0) {
    loff_t inOff = from, outOff = from + shift;
    while (inOff < to) {
        const ssize_t n = copy_file_range(in, &inOff, out, &outOff,
                                          size_t(std::min<off_t>(to - inOff, kCopyPiece)), 0);
        if (n > 0) {
            if (inOff < to && !watched.goOn(inOff - watched.start)) return false;
            continue;
        }
        if (n == 0) return false; // shorter than announced
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return false;
        // Pieces of cp's size: larger reads of a network volume wait for all
        // of their piece instead of overlapping with the kernel's read-ahead.
        constexpr off_t kBufferPiece = 128 << 10;
        std::unique_ptr<char[]> buf(new char[kBufferPiece]);
        while (inOff < to) {
            const ssize_t r =
                pread(in, buf.get(), size_t(std::min<off_t>(to - inOff, kBufferPiece)), inOff);
            if (r <= 0 || pwrite(out, buf.get(), size_t(r), outOff) != r) return false;
            inOff += r;
            outOff += r;
            // Told each MiB: on a network volume each report is a sign of life.
            if (inOff < to && (inOff - from) % (1 << 20) == 0 &&
                !watched.goOn(inOff - watched.start))
                return false;
        }
    }
    return true;
}

// Copies [from, end) of an open file to `shift` bytes further on in
// another, whose end is then end + shift; holes stay holes, so a sparse
// disk image is not blown up to its full size.
bool copySparse(int in, int out, off_t from, off_t end, off_t shift, const Watched& watched,
                bool mayHaveHoles = true) {
    // A file with as many blocks as bytes has no holes to look for.
    if (!mayHaveHoles) return copyRange(in, out, from, end, watched, shift);
    off_t pos = from;
    while (pos < end) {
        const off_t data = lseek(in, pos, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) break; // only a hole remains
            return copyRange(in, out, pos, end, watched, shift) &&
                   ftruncate(out, end + shift) == 0; // no hole support
        }
        if (data >= end) break;
        off_t hole = lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > end) hole = end;
        if (!copyRange(in, out, data, hole, watched, shift)) return false;
        pos = hole;
        if (hole == end) return true; // ends with data: the size is right
    }
    return ftruncate(out, end + shift) == 0;
}

// Copies a whole open file into an empty one.
bool copyBytes(int in, int out, const struct stat& st, Watched watched) {
    const bool holes = qint64(st.st_blocks) * 512 < qint64(st.st_size);
    watched.size = st.st_size;
    return copySparse(in, out, 0, st.st_size, 0, watched, holes);
}

} // namespace

namespace {

// A file system whose files are on another computer.
bool isNetworkFileSystem(const QByteArray& fs, const QString& device) {
    static const char* const known[] = {"nfs",   "nfs4",       "cifs",        "smb3", "fuse.sshfs",
                                        "davfs", "fuse.davfs", "fuse.rclone", "afs"};
    for (const char* k : known)
        if (fs == k) return true;
    return fs == "fuse" && (device.startsWith(u"http://") || device.startsWith(u"https://"));
}

} // namespace

QString shareDisplayName(const QString& folder) {
    // "kind:key=value,key=value" as the desktop's share folders are named.
    const qsizetype colon = folder.indexOf(u':');
    if (colon <= 0) return folder;
    QMap<QString, QString> keys;
    for (const QString& pair : folder.mid(colon + 1).split(u',')) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq > 0)
            keys.insert(pair.left(eq), QUrl::fromPercentEncoding(pair.mid(eq + 1).toUtf8()));
    }
    const QString server = keys.value(QStringLiteral("server"), keys.value(QStringLiteral("host")));
    if (server.isEmpty()) return folder;
    QString share = keys.value(QStringLiteral("share"));
    if (share.isEmpty()) share = keys.value(QStringLiteral("user"));
    if (share.isEmpty()) share = folder.left(colon);
    return QStringLiteral("%1 sur %2").arg(share, server);
}

QList<LinuxPlatform::Volume>
parseMountTable(const QByteArray& mountinfo, const QString& driveA, const QString& driveB,
                const std::function<QStringList(const QString& mountPoint)>& sharesIn) {
    QList<LinuxPlatform::Volume> fixed, removable;
    LinuxPlatform::Volume rootVolume;
    for (const QByteArray& line : mountinfo.split('\n')) {
        QList<QByteArray> f = line.split(' ');
        int dash = f.indexOf("-");
        if (f.size() < 5 || dash < 0 || dash + 2 >= f.size()) continue;
        LinuxPlatform::Volume v;
        v.mountPoint = unescapeMount(f[4]);
        v.fsType = QString::fromLatin1(f[dash + 1]);
        v.device = unescapeMount(f[dash + 2]);
        if (v.mountPoint == u"/") {
            rootVolume = v;
            continue;
        }
        // The desktop's shares: one folder of its FUSE mount for each.
        if (f[dash + 1] == "fuse.gvfsd-fuse") {
            if (!sharesIn) continue;
            for (const QString& share : sharesIn(v.mountPoint)) {
                LinuxPlatform::Volume s;
                s.mountPoint = v.mountPoint + u'/' + share;
                s.fsType = QStringLiteral("gvfs");
                s.device = share;
                s.network = true;
                s.shareName = shareDisplayName(share);
                fixed.removeIf([&](const auto& o) { return o.mountPoint == s.mountPoint; });
                fixed.append(s);
            }
            continue;
        }
        v.network = isNetworkFileSystem(f[dash + 1], v.device);
        if (!v.network && (!isDiskFileSystem(f[dash + 1]) || isSystemMountPoint(v.mountPoint)))
            continue;
        // Bind-mounted single files are left out; a network mount is not
        // looked at (its server may not answer).
        if (!v.network && !QFileInfo(v.mountPoint).isDir()) continue;
        v.removable = isRemovableDevice(v.device, v.mountPoint);
        QList<LinuxPlatform::Volume>& into = v.removable ? removable : fixed;
        into.removeIf([&](const auto& o) { return o.mountPoint == v.mountPoint; });
        into.append(v);
    }
    auto byMount = [](const auto& a, const auto& b) { return a.mountPoint < b.mountPoint; };
    std::sort(fixed.begin(), fixed.end(), byMount);
    std::sort(removable.begin(), removable.end(), byMount);

    QList<LinuxPlatform::Volume> out;
    auto floppy = [&](QChar letter, const QString& env) {
        LinuxPlatform::Volume v;
        if (!env.isEmpty()) {
            v.mountPoint = QDir::cleanPath(env);
            v.fsType = QStringLiteral("vfat");
        } else if (!removable.isEmpty()) {
            v = removable.takeFirst();
        } else {
            return;
        }
        v.letter = letter;
        v.removable = true;
        out.append(v);
    };
    floppy(u'A', driveA);
    floppy(u'B', driveB);
    rootVolume.letter = u'C';
    rootVolume.mountPoint = QStringLiteral("/");
    out.append(rootVolume);
    char16_t next = u'D';
    for (auto& v : fixed + removable) {
        if (next > u'Z') break;
        v.letter = QChar(next++);
        out.append(v);
    }
    return out;
}

LinuxPlatform::LinuxPlatform() = default;

void LinuxPlatform::refreshVolumes() {
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    QByteArray table;
    if (f.open(QIODevice::ReadOnly)) table = f.readAll();
    // The share folder is listed by the desktop's own process, which answers
    // without asking the servers; still never waited for more than a second.
    const auto sharesIn = [](const QString& mountPoint) {
        RemoteRequest list;
        list.call = RemoteRequest::FolderNames;
        list.path = mountPoint;
        RemoteAnswer answer;
        QStringList shares;
        if (callRemote(list, answer, nullptr, 1000) != RemoteEnd::Done) return shares;
        for (const DirEntry& e : answer.entries)
            shares << e.name;
        shares.sort();
        return shares;
    };
    auto vols = parseMountTable(table, qEnvironmentVariable("TAVTOOLS_DRIVE_A"),
                                qEnvironmentVariable("TAVTOOLS_DRIVE_B"), sharesIn);
    QMutexLocker lock(&m_mutex);
    m_volumes = vols;
    m_loaded = true;
}

LinuxPlatform::~LinuxPlatform() {
    if (m_mountsFd >= 0) ::close(m_mountsFd);
}

QList<LinuxPlatform::Volume> LinuxPlatform::volumes() {
    {
        QMutexLocker lock(&m_mutex);
        // Opened before the table is first read: no change is missed. Each
        // change of the mount table is told once to each open file.
        if (m_mountsFd < 0) m_mountsFd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        pollfd changed{m_mountsFd, POLLPRI, 0};
        const bool moved = m_mountsFd >= 0 && ::poll(&changed, 1, 0) > 0 &&
                           (changed.revents & (POLLPRI | POLLERR));
        if (m_loaded && !moved) return m_volumes;
    }
    refreshVolumes();
    QMutexLocker lock(&m_mutex);
    return m_volumes;
}

LinuxPlatform::Volume LinuxPlatform::volumeFor(QChar letter) {
    letter = letter.toUpper();
    for (const Volume& v : volumes())
        if (v.letter == letter) return v;
    return {};
}

QList<QChar> LinuxPlatform::driveLetters() {
    QList<QChar> letters;
    for (const Volume& v : volumes())
        letters.append(v.letter);
    std::sort(letters.begin(), letters.end());
    return letters;
}

QString LinuxPlatform::driveRoot(QChar letter) {
    return volumeFor(letter).mountPoint;
}

bool LinuxPlatform::onNetworkVolume(const QString& path) {
    return !networkVolumeOf(path).isEmpty();
}

QString LinuxPlatform::networkVolumeOf(const QString& path) {
    const QString p = cleanAbsolute(path);
    const Volume* best = nullptr;
    const QList<Volume> all = volumes();
    for (const Volume& v : all)
        if (pathUnder(p, v.mountPoint) && (!best || v.mountPoint.size() > best->mountPoint.size()))
            best = &v;
    return best && best->network ? best->mountPoint : QString();
}

QChar LinuxPlatform::driveOf(const QString& path) {
    const QString p = cleanAbsolute(path);
    QChar best = u'C';
    int bestLen = -1;
    for (const Volume& v : volumes()) {
        if (pathUnder(p, v.mountPoint) && v.mountPoint.size() > bestLen) {
            best = v.letter;
            bestLen = int(v.mountPoint.size());
        }
    }
    return best;
}

DriveType LinuxPlatform::driveType(QChar letter) {
    Volume v = volumeFor(letter);
    if (v.mountPoint.isEmpty()) return DriveType::NoRootDir;
    if (v.removable) return DriveType::Removable;
    if (v.network) return DriveType::Remote;
    if (v.fsType == u"iso9660" || v.fsType == u"udf") return DriveType::CdRom;
    if (v.fsType == u"tmpfs" || v.fsType == u"ramfs") return DriveType::RamDisk;
    return DriveType::Fixed;
}

bool LinuxPlatform::statVolume(const QString& root, DiskSpace& out, int timeoutMs) {
    // A network volume's is asked of a helper process: a thread held by a
    // silent server would keep the program from ending.
    if (const QString volume = makesRemoteCallsHere() ? QString() : networkVolumeOf(root);
        !volume.isEmpty()) {
        RemoteRequest r;
        r.call = RemoteRequest::VolumeSpace;
        r.path = root;
        RemoteAnswer a;
        if (callRemote(r, a, nullptr, timeoutMs, volume) != RemoteEnd::Done || !a.status ||
            a.numbers.size() != 3)
            return false;
        out.bytesPerSector = quint32(a.numbers[0]);
        out.sectorsPerCluster = 1;
        out.freeClusters = a.numbers[1];
        out.totalClusters = a.numbers[2];
        return true;
    }
    // The call runs on its own thread: a local disk that stopped answering
    // holds that thread only.
    struct Shared {
        std::mutex m;
        std::condition_variable cv;
        bool done = false, ok = false;
        struct statvfs sv {};
    };
    auto shared = std::make_shared<Shared>();
    QByteArray p = native(root);
    std::thread([shared, p] {
        struct statvfs sv;
        bool ok = statvfs(p.constData(), &sv) == 0;
        std::lock_guard lock(shared->m);
        shared->sv = sv;
        shared->ok = ok;
        shared->done = true;
        shared->cv.notify_all();
    }).detach();
    std::unique_lock lock(shared->m);
    if (!shared->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return shared->done; }) ||
        !shared->ok)
        return false;
    out.bytesPerSector = quint32(shared->sv.f_frsize ? shared->sv.f_frsize : shared->sv.f_bsize);
    out.sectorsPerCluster = 1;
    out.freeClusters = shared->sv.f_bavail;
    out.totalClusters = shared->sv.f_blocks;
    return true;
}

bool LinuxPlatform::driveReady(QChar letter) {
    QString root = driveRoot(letter);
    DiskSpace ds;
    if (root.isEmpty() || !statVolume(root, ds)) return false;
    // A network volume that answered its statvfs is there; its folder is
    // not looked at again (each look may wait on the server).
    return volumeFor(letter).network || QFileInfo(root).isDir();
}

bool LinuxPlatform::diskFreeSpace(QChar letter, DiskSpace& out) {
    QString root = driveRoot(letter);
    return !root.isEmpty() && statVolume(root, out);
}

QString LinuxPlatform::volumeLabel(QChar letter) {
    Volume v = volumeFor(letter);
    if (v.device.isEmpty()) return {};
    QDir labels(QStringLiteral("/dev/disk/by-label"));
    const QString device = QFileInfo(v.device).canonicalFilePath();
    for (const QFileInfo& fi :
         labels.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (!device.isEmpty() && fi.canonicalFilePath() == device) {
            // Labels escape unusual bytes as \xNN.
            QString name = fi.fileName();
            name.replace(QStringLiteral("\\x20"), QStringLiteral(" "));
            return name;
        }
    }
    return {};
}

QString LinuxPlatform::driveDisplayName(QChar letter) {
    Volume v = volumeFor(letter);
    QString label = volumeLabel(letter);
    if (label.isEmpty()) {
        switch (driveType(letter)) {
        case DriveType::Removable:
            label = QStringLiteral("Disque amovible");
            break;
        case DriveType::Remote:
            label = v.shareName.isEmpty() ? QFileInfo(v.mountPoint).fileName() : v.shareName;
            break;
        case DriveType::CdRom:
            label = QStringLiteral("CD-ROM");
            break;
        default:
            label = v.mountPoint == u"/" ? QStringLiteral("Disque local")
                                         : QFileInfo(v.mountPoint).fileName();
        }
    }
    return QStringLiteral("%1 (%2:)").arg(label, letter.toUpper());
}

quint32 LinuxPlatform::attributes(const QString& path) {
    QByteArray p = native(path);
    struct stat st;
    if (lstat(p.constData(), &st) != 0) return 0xFFFFFFFFu;
    return attributesOf(AT_FDCWD, p.constData(), st);
}

Status LinuxPlatform::setAttributes(const QString& path, quint32 attrs) {
    if (!applyAttributes(path, attrs)) {
        return Status::failed(errorFromErrno(errno));
    }
    return Status::done();
}

Status LinuxPlatform::setFileTime(const QString& path, const QDateTime& when) {
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(when.toSecsSinceEpoch());
    times[1].tv_nsec = 0;
    if (utimensat(AT_FDCWD, native(path).constData(), times, 0) != 0) {
        return Status::failed(errorFromErrno(errno));
    }
    return Status::done();
}

namespace {

// Opens a folder at any depth: a path longer than the system takes is
// opened a part at a time, each part relative to the folder before it.
int openDeepFolder(const QByteArray& path) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (path.size() < PATH_MAX) return open(path.constData(), kFlags);
    int at = AT_FDCWD;
    qsizetype from = 0;
    while (path.size() - from >= PATH_MAX) {
        const qsizetype cut = path.lastIndexOf('/', from + PATH_MAX - 2);
        if (cut <= from) { // one name longer than any file system allows
            if (at != AT_FDCWD) close(at);
            errno = ENAMETOOLONG;
            return -1;
        }
        const QByteArray part = path.mid(from, cut - from);
        const int next = openat(at, part.constData(), kFlags);
        const int saved = errno;
        if (at != AT_FDCWD) close(at);
        if (next < 0) {
            errno = saved;
            return -1;
        }
        at = next;
        from = cut + 1;
    }
    const int fd = openat(at, path.mid(from).constData(), kFlags);
    const int saved = errno;
    close(at);
    errno = saved;
    return fd;
}

// A folder open for reading its entries; null (errno set) when it cannot be.
DIR* openFolder(const QByteArray& path) {
    const int fd = openDeepFolder(path);
    if (fd < 0) return nullptr;
    DIR* dir = fdopendir(fd);
    if (!dir) close(fd);
    return dir;
}

} // namespace

Status LinuxPlatform::listDirectory(const QString& folder, const QString& mask,
                                    std::vector<DirEntry>& out, ListMode mode) {
    out.clear();
    const QString abs = cleanAbsolute(folder);
    DIR* dir = openFolder(native(abs));
    if (!dir) {
        return Status::failed(errorFromErrno(errno));
    }
    const int fd = dirfd(dir);
    // A volume's root folder has no parent entry, as on the platforms with drive letters.
    const bool isRoot = driveRoot(driveOf(abs)) == abs;
    const bool everything = mask.isEmpty() || mask == u"*.*" || mask == u"*";
    struct stat self;
    fstat(fd, &self);
    QByteArray path = native(abs);
    if (!path.endsWith('/')) path += '/';
    const qsizetype base = path.size();
    while (dirent* d = readdir(dir)) {
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0 && isRoot))) continue;
        DirEntry e;
        e.name = nameFromNative(n);
        if (!everything && !matchesMask(e.name, mask)) continue;
        struct stat st;
        if (fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        e.isLink = S_ISLNK(st.st_mode);
        e.otherVolume = S_ISDIR(st.st_mode) && st.st_dev != self.st_dev;
        struct stat target;
        // A link shows what it points to, but walks know it is a link.
        const bool walk = mode == ListMode::Walk;
        const struct stat& shown =
            (e.isLink && !walk && fstatat(fd, n, &target, 0) == 0) ? target : st;
        path.resize(base);
        path.append(n);
        e.attributes = path.size() < PATH_MAX ? attributesOf(AT_FDCWD, path.constData(), st, !walk)
                                              : attributesOf(fd, n, st, !walk);
        if (S_ISDIR(shown.st_mode)) e.attributes |= faDirectory;
        e.regular = S_ISREG(shown.st_mode);
        e.kind = kindOfMode(shown.st_mode);
        takeStat(e, shown);
        out.push_back(std::move(e));
    }
    closedir(dir);
    return Status::done();
}

EntryKind kindOfMode(unsigned mode) {
    if (S_ISDIR(mode)) return EntryKind::Folder;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return EntryKind::Device;
    if (S_ISFIFO(mode)) return EntryKind::Fifo;
    if (S_ISSOCK(mode)) return EntryKind::Socket;
    return EntryKind::File;
}

namespace {

// The name in `name`, in its own buffer when the name is plain ASCII (the
// usual case: no allocation for an entry that is passed over).
void reuseName(QString& name, const char* n) {
    const size_t length = std::strlen(n);
    for (size_t i = 0; i < length; ++i)
        if (quint8(n[i]) >= 0x80) {
            name = nameFromNative(n);
            return;
        }
    name.resize(qsizetype(length));
    QChar* out = name.data();
    for (size_t i = 0; i < length; ++i)
        out[i] = QLatin1Char(n[i]);
}

} // namespace

void LinuxPlatform::forgetCached(QFile& file, qint64 offset, qint64 size) {
    if (file.handle() >= 0)
        posix_fadvise(file.handle(), off_t(offset), off_t(size), POSIX_FADV_DONTNEED);
}

void LinuxPlatform::readAhead(const QString& path) {
    // Without blocking on a FIFO; the system reads a regular file's bytes
    // into its cache in the background.
    const int fd = open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    close(fd);
}

void LinuxPlatform::startWriting(QFile& file, qint64 offset, qint64 size) {
    if (file.handle() < 0 || !file.flush()) return;
    // Only starts the writes; the pages stay cached and valid.
    sync_file_range(file.handle(), off_t(offset), off_t(size), SYNC_FILE_RANGE_WRITE);
}

Status LinuxPlatform::listEntries(const QString& folder, std::vector<DirEntry>& out,
                                  const EntryChooser& choose, int* folderFd) {
    out.clear();
    if (folderFd) *folderFd = -1;
    QByteArray path = native(cleanAbsolute(folder));
    const int fd = openDeepFolder(path);
    if (fd < 0) {
        return Status::failed(errorFromErrno(errno));
    }
    // The folder's own device, looked at once a sub-folder needs it.
    struct stat self;
    bool selfKnown = false;
    if (!path.endsWith('/')) path += '/';
    const qsizetype base = path.size();
    DirEntry seen; // one name buffer for the entries passed over
    const auto reader = std::make_unique<FolderReader>(fd);
    FolderReader::Entry d;
    while (reader->next(d)) {
        const char* n = d.name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        QString name = std::move(seen.name);
        seen = DirEntry();
        seen.name = std::move(name);
        reuseName(seen.name, n);
        if (!kindFromType(fd, n, d.type, seen)) continue;
        const Detail detail = choose(seen);
        if (detail == Detail::Skip) continue;
        DirEntry e = seen;
        if (detail == Detail::Flags && !e.isLink) {
            path.resize(base);
            path.append(n);
            e.attributes |= storedAttributes(fd, n, path.constData());
        } else if (detail == Detail::Full) {
            struct stat st;
            if (fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            path.resize(base);
            path.append(n);
            e.attributes = modeAttributes(n, st);
            if (!S_ISLNK(st.st_mode)) e.attributes |= storedAttributes(fd, n, path.constData());
            if (S_ISDIR(st.st_mode) && !selfKnown) selfKnown = fstat(fd, &self) == 0;
            e.otherVolume = S_ISDIR(st.st_mode) && selfKnown && st.st_dev != self.st_dev;
            takeStat(e, st);
        }
        out.push_back(std::move(e));
    }
    if (folderFd)
        *folderFd = fd; // stays open for the caller
    else
        close(fd);
    return Status::done();
}

QString LinuxPlatform::startFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = QDir::cleanPath(base + QStringLiteral("/tavtools"));
    QDir().mkpath(folder);
    return folder;
}

Status LinuxPlatform::deleteFile(const QString& path) {
    const QByteArray p = native(path);
    // A path longer than the system takes: through its folder, opened in parts.
    const qsizetype slash = p.lastIndexOf('/');
    const bool deep = p.size() >= PATH_MAX && slash > 0;
    const int folder = deep ? openDeepFolder(p.left(slash)) : AT_FDCWD;
    const QByteArray name = deep ? p.mid(slash + 1) : p;
    struct stat st;
    int error = 0;
    if ((deep && folder < 0) || fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        error = errorFromErrno(errno);
    else if (S_ISDIR(st.st_mode) || isReadOnlyMode(st.st_mode))
        error = errAccessDenied;
    else if (unlinkat(folder, name.constData(), 0) != 0)
        error = errorFromErrno(errno);
    if (folder >= 0) close(folder);
    return error ? Status::failed(error) : Status::done();
}

Status LinuxPlatform::deleteListedFile(const QString& folder, const DirEntry& entry, int folderFd) {
    const QString path =
        folder.endsWith(u'/') ? QString(folder + entry.name) : QString(folder + u'/' + entry.name);
    if (((entry.attributes & faDirectory) && !entry.isLink) || (entry.attributes & faReadOnly))
        return deleteFile(path);
    const int done = folderFd >= 0 ? unlinkat(folderFd, native(entry.name).constData(), 0)
                                   : unlink(native(path).constData());
    if (done != 0) {
        return Status::failed(errorFromErrno(errno));
    }
    return Status::done();
}

namespace {

// A folder moved to another volume: the whole tree copied with its modes
// and dates, then the original deleted. Nothing is deleted before the copy
// is whole, and a copy that fails or is stopped is removed.
class TreeMove {
  public:
    TreeMove(LinuxPlatform& platform, core::Job* job) : m_platform(platform), m_job(job) {}

    int error = 0;

    // Counts the bytes to copy and checks that every folder of the tree can
    // be emptied afterwards (else the original could not be deleted whole).
    // A folder on a volume of its own inside the tree (a mount point) is
    // refused: its contents would be deleted from that other volume.
    bool survey(const QByteArray& folder, dev_t device) {
        if (access(folder.constData(), W_OK | X_OK) != 0) return fail(errAccessDenied);
        return forEach(folder, [&](const QByteArray& path, const struct stat& st) {
            if (S_ISDIR(st.st_mode))
                return st.st_dev == device ? survey(path, device) : fail(errAccessDenied);
            if (S_ISREG(st.st_mode))
                m_total += qint64(st.st_size);
            else if (!S_ISLNK(st.st_mode) && !S_ISFIFO(st.st_mode))
                return fail(errAccessDenied);
            return true;
        });
    }

    bool copy(const QByteArray& from, const QByteArray& to, const struct stat& self) {
        if (mkdir(to.constData(), 0700) != 0) return fail(errorFromErrno(errno));
        // The folder's small plain files first, several at a time; the other
        // entries in the listing's order, each folder after them.
        std::vector<Listed> small, others;
        if (!forEach(from, [&](const QByteArray& path, const struct stat& st) {
                // A file of several names goes in order: its later names are links.
                (S_ISREG(st.st_mode) && st.st_size <= kSmallFile && st.st_nlink == 1 ? small
                                                                                     : others)
                    .push_back({path, st});
                return true;
            }))
            return fail(errorFromErrno(errno));
        if (!copySmallFiles(small, to)) return false;
        small = {};
        for (const Listed& e : others) {
            if (m_job && m_job->advance(m_done, m_total)) return fail(errCancelled);
            if (!copyEntry(e.path, inside(to, e.path), e.st)) return false;
        }
        // Last, as its entries change its times: what mv keeps of a folder.
        copyMetadataAt(from, to, self);
        return true;
    }

    static bool remove(const QByteArray& path) {
        struct stat st;
        if (lstat(path.constData(), &st) != 0) return errno == ENOENT;
        if (!S_ISDIR(st.st_mode)) return unlink(path.constData()) == 0;
        return empty(path) && rmdir(path.constData()) == 0;
    }

  private:
    // Files up to this size are copied without progress of their own; from
    // kManyFiles of them in a folder on, two at a time.
    static constexpr qint64 kSmallFile = 16 << 20;
    static constexpr size_t kManyFiles = 32;

    struct Listed {
        QByteArray path;
        struct stat st;
    };

    LinuxPlatform& m_platform;
    core::Job* m_job;
    qint64 m_total = 0, m_done = 0;
    std::map<std::pair<dev_t, ino_t>, QByteArray> m_linked; // first copy of each file of many names

    // The entry of that path's name in folder `to`.
    static QByteArray inside(const QByteArray& to, const QByteArray& path) {
        return to + '/' + path.mid(path.lastIndexOf('/') + 1);
    }

    // The progress and the stop are the calling thread's; a helper takes
    // files from the same list until the list ends or a copy fails.
    bool copySmallFiles(const std::vector<Listed>& files, const QByteArray& to) {
        std::atomic<size_t> next{0};
        std::atomic<int> failure{0};
        std::atomic<qint64> copied{0};
        const auto work = [&](bool calling) {
            for (size_t i; failure.load() == 0 && (i = next++) < files.size();) {
                // The helper sees a stop asked from elsewhere as soon as the
                // calling thread does.
                if (m_job && (calling ? m_job->advance(m_done + copied.load(), m_total)
                                      : m_job->cancelled())) {
                    failure = errCancelled;
                    break;
                }
                const QByteArray& path = files[i].path;
                if (const Status done = m_platform.copyWithin(QFile::decodeName(path),
                                                              QFile::decodeName(inside(to, path)),
                                                              true, nullptr, 0, 0, false);
                    !done) {
                    int none = 0;
                    failure.compare_exchange_strong(none,
                                                    done.error() ? done.error() : errAccessDenied);
                    break;
                }
                copied += qint64(files[i].st.st_size);
            }
        };
        std::thread helper;
        if (files.size() >= kManyFiles) helper = std::thread(work, false);
        work(true);
        if (helper.joinable()) helper.join();
        // One more look once the helper is done: a stop asked while it
        // copied the last files is a stop, not a copy gone through.
        if (failure.load() == 0 && m_job && m_job->advance(m_done + copied.load(), m_total))
            failure = errCancelled;
        m_done += copied.load();
        return failure.load() == 0 || fail(failure.load());
    }

    bool fail(int code) {
        if (error == 0) error = code;
        return false;
    }

    // Deletes a folder's contents, each entry by the type its listing tells
    // (looked at only where the file system does not tell) and by its name
    // in the open folder.
    static bool empty(const QByteArray& folder) {
        DIR* dir = opendir(folder.constData());
        if (!dir) return false;
        const int fd = dirfd(dir);
        bool ok = true;
        while (dirent* d = readdir(dir)) {
            const char* n = d->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
            bool isFolder = d->d_type == DT_DIR;
            struct stat st;
            if (d->d_type == DT_UNKNOWN && fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0)
                isFolder = S_ISDIR(st.st_mode);
            if (isFolder ? !empty(folder + '/' + n) || unlinkat(fd, n, AT_REMOVEDIR) != 0
                         : unlinkat(fd, n, 0) != 0) {
                ok = false;
                break;
            }
        }
        closedir(dir);
        return ok;
    }

    // Each entry with what lstat tells of it, looked at through the open
    // folder (one name to resolve, not the whole path).
    template <typename F> static bool forEach(const QByteArray& folder, F&& visit) {
        DIR* dir = opendir(folder.constData());
        if (!dir) return false;
        bool ok = true;
        while (dirent* d = readdir(dir)) {
            const char* n = d->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
            const QByteArray path = folder + '/' + n;
            struct stat st;
            if (fstatat(dirfd(dir), n, &st, AT_SYMLINK_NOFOLLOW) != 0 || !visit(path, st)) {
                ok = false;
                break;
            }
        }
        closedir(dir);
        return ok;
    }

    bool copyEntry(const QByteArray& from, const QByteArray& to, const struct stat& st) {
        if (S_ISDIR(st.st_mode)) return copy(from, to, st);
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = readlink(from.constData(), target, sizeof target - 1);
            if (n < 0 || (target[n] = 0, symlink(target, to.constData())) != 0)
                return fail(errorFromErrno(errno));
            copyMetadataAt(from, to, st);
            return true;
        }
        if (S_ISFIFO(st.st_mode)) {
            if (mkfifo(to.constData(), st.st_mode & 07777) != 0) return fail(errorFromErrno(errno));
            copyMetadataAt(from, to, st);
            return true;
        }
        // Names of one file within the tree stay names of one file.
        const std::pair<dev_t, ino_t> identity{st.st_dev, st.st_ino};
        if (st.st_nlink > 1) {
            if (const auto seen = m_linked.find(identity); seen != m_linked.end())
                return link(seen->second.constData(), to.constData()) == 0 ||
                       fail(errorFromErrno(errno));
            m_linked.emplace(identity, to);
        }
        if (const Status copied =
                m_platform.copyWithin(QFile::decodeName(from), QFile::decodeName(to), true, m_job,
                                      m_done, m_total, false);
            !copied)
            return fail(copied.error());
        m_done += qint64(st.st_size);
        return true;
    }
};

} // namespace

Status LinuxPlatform::moveFolderAcross(const QByteArray& from, const QByteArray& to,
                                       core::Job* job) {
    struct stat self;
    TreeMove move(*this, job);
    const QByteArray parent = from.left(std::max<qsizetype>(1, from.lastIndexOf('/')));
    if (lstat(from.constData(), &self) != 0 || access(parent.constData(), W_OK | X_OK) != 0 ||
        !move.survey(from, self.st_dev)) {
        return Status::failed(move.error ? move.error : errAccessDenied);
    }
    struct stat there;
    if (lstat(to.constData(), &there) == 0) { // never replaces
        return Status::failed(errFileExists);
    }
    if (!move.copy(from, to, self)) {
        TreeMove::remove(to); // the part of the tree made so far
        return Status::failed(move.error ? move.error : errorFromErrno(errno));
    }
    // The copy is on the disk before the first entry of the original goes:
    // a power cut in between leaves both, never neither.
    if (!FileReplacement::syncFileSystemOf(QFile::decodeName(to))) {
        TreeMove::remove(to);
        return Status::failed(errorFromErrno(errno));
    }
    // Stopped while the copy went to the disk (which can take seconds on a
    // busy one): the original is still whole, and stays so.
    if (job && job->cancelled()) {
        TreeMove::remove(to);
        return Status::failed(errCancelled);
    }
    if (!TreeMove::remove(from)) {
        return Status::failed(errorFromErrno(errno));
    }
    return Status::done();
}

Status LinuxPlatform::moveFile(const QString& from, const QString& to, core::Job* job) {
    QByteArray f = native(from), t = native(to);
    struct stat st;
    if (lstat(f.constData(), &st) != 0) {
        return Status::failed(errorFromErrno(errno));
    }
    // A read-only file can be renamed and moved (it stays read-only); only
    // writing and deleting it are refused.
    if (renameNoReplace(f.constData(), t.constData()) == 0) return Status::done();
    if (errno == EXDEV && S_ISDIR(st.st_mode)) return moveFolderAcross(f, t, job);
    if (errno != EXDEV) {
        return Status::failed(errorFromErrno(errno));
    }
    if (isReadOnlyMode(st.st_mode)) { // another volume: its original could not be deleted
        return Status::failed(errAccessDenied);
    }
    // Another volume: copy, and delete the original only once the copy is whole.
    if (S_ISLNK(st.st_mode)) {
        char target[4096];
        ssize_t n = readlink(f.constData(), target, sizeof target - 1);
        if (n < 0 || (target[n] = 0, symlink(target, t.constData())) != 0) {
            return Status::failed(errorFromErrno(errno));
        }
        if (unlink(f.constData()) != 0) return Status::failed(errorFromErrno(errno));
        return Status::done();
    }
    // Durable: the copy is on the disk before the original goes.
    if (const Status copied = copyFile(from, to, true, job, true); !copied) return copied;
    if (unlink(f.constData()) != 0) {
        return Status::failed(errorFromErrno(errno));
    }
    return Status::done();
}

Status LinuxPlatform::copyFile(const QString& from, const QString& to, bool failIfExists,
                               core::Job* job, bool durable) {
    return copyWithin(from, to, failIfExists, job, 0, -1, durable);
}

Status LinuxPlatform::copyWithin(const QString& from, const QString& to, bool failIfExists,
                                 core::Job* job, qint64 before, qint64 total, bool durable,
                                 bool direct) {
    QByteArray f = native(from), t = native(to);
    int in = open(f.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return Status::failed(errorFromErrno(errno));
    }
    // Read ahead further (a network volume's reads wait for its server).
    posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    struct stat src;
    if (fstat(in, &src) != 0) {
        const int error = errorFromErrno(errno);
        close(in);
        return Status::failed(error);
    }
    // Where a copy never replaces, a small file's name is checked when the
    // copy takes it (the naming never replaces): one look less per file of
    // a tree. A large file is not copied for nothing.
    struct stat dst;
    const bool lookFirst = !failIfExists || src.st_size > (1 << 20);
    if (lookFirst && lstat(t.constData(), &dst) == 0) {
        if (failIfExists) {
            close(in);
            return Status::failed(errFileExists);
        }
        if (S_ISDIR(dst.st_mode) || isReadOnlyMode(dst.st_mode)) {
            close(in);
            return Status::failed(errAccessDenied);
        }
    }
    // Written beside the target, unnamed where the file system allows, and
    // given the target's name in one step once whole: a failed, stopped or
    // killed copy leaves neither a truncated file under the name nor a
    // temporary beside it. A new small file written directly takes its name
    // first (never replacing) and is deleted if the copy fails or stops; a
    // large one, whose copy a silent server could leave half done, is still
    // written aside (the naming is little beside its bytes).
    QByteArray named;
    const mode_t mode = src.st_mode & 07777;
    direct = direct && failIfExists && src.st_size <= (1 << 20);
    const int out = direct
                        ? open(t.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0777)
                        : openAside(native(QFileInfo(to).absolutePath()), named, mode & 0777);
    if (out < 0) {
        const int error = errno == EEXIST ? errFileExists : errorFromErrno(errno);
        close(in);
        return Status::failed(error);
    }
    bool ok = copyBytes(in, out, src, Watched{job, 0, 0, before, total});
    int err = errno;
    // What cp -a keeps: attributes, owner (for the administrator), mode, times.
    if (ok) copyMetadata(in, out, src);
    close(in);
    if (ok) {
        if (durable && fdatasync(out) != 0) ok = false, err = errno;
        if (ok && !direct && !nameAside(out, named, t, !failIfExists)) ok = false, err = errno;
    }
    if (close(out) != 0 && ok && direct) ok = false, err = errno; // a server's late refusal
    if (!named.isEmpty()) unlink(named.constData());
    if (!ok && direct) unlink(t.constData());
    if (!ok) return Status::failed(err == EEXIST ? errFileExists : errorFromErrno(err));
    return Status::done();
}

Status LinuxPlatform::createFolder(const QString& path) {
    if (mkdir(native(path).constData(), 0777) != 0) {
        return Status::failed(errorFromErrno(errno));
    }
    return Status::done();
}

Status LinuxPlatform::createPath(const QString& path) {
    const QByteArray p = native(cleanAbsolute(path));
    for (qsizetype i = 1; i <= p.size(); ++i) {
        if (i < p.size() && p[i] != '/') continue;
        const QByteArray part = p.left(i);
        struct stat st;
        if (stat(part.constData(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        // A folder made meanwhile is fine; a file of that name is not.
        if (mkdir(part.constData(), 0777) != 0 &&
            (errno != EEXIST || stat(part.constData(), &st) != 0 || !S_ISDIR(st.st_mode))) {
            return Status::failed(errno == EEXIST || errno == 0 ? errAccessDenied
                                                                : errorFromErrno(errno));
        }
    }
    return Status::done();
}

Status LinuxPlatform::openForRead(QFile& file) {
    // Without waiting: a pipe with no writer would block the open for ever.
    const int fd = open(native(file.fileName()).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return Status::failed(errorFromErrno(errno));
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Status::failed(errNotRegular);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        close(fd);
        return Status::failed(errGeneric);
    }
    return Status::done();
}

bool LinuxPlatform::isMountPoint(const QString& path) {
    const QString abs = cleanAbsolute(path);
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4 && unescapeMount(fields[4]) == abs) return true;
    }
    return false;
}

Status LinuxPlatform::zeroFile(const QString& path, const DirEntry& looked, core::Job* job) {
    QFile f(path);
    DirEntry opened;
    if (const Status own = openOwnFile(f, opened); !own) return own;
    // Checked again through the descriptor: the name may have been given
    // to another file (a link, a device) since it was looked at.
    if (!opened.regular) return Status::failed(errNotRegular);
    if (opened.links > 1 || opened.device != looked.device || opened.inode != looked.inode)
        return Status::failed(errChanged);
    const qint64 size = f.size();
    const QByteArray zeros(1 << 20, 0);
    for (qint64 pos = 0; pos < size;) {
        const qint64 n = std::min<qint64>(zeros.size(), size - pos);
        if (!f.seek(pos) || f.write(zeros.constData(), n) != n) return Status::failed(errDiskFull);
        pos += n;
        if (job) job->progress(int(pos * 100 / size));
    }
    if (!f.flush() || (size > 0 && ::fdatasync(f.handle()) != 0))
        return Status::failed(errDiskFull);
    return Status::done();
}

Status LinuxPlatform::entryOf(const QString& path, DirEntry& out, bool followLinks) {
    const QByteArray p = native(path);
    struct stat st;
    if (lstat(p.constData(), &st) != 0) {
        return Status::failed(errorFromErrno(errno));
    }
    out = DirEntry{};
    out.name = path.mid(path.lastIndexOf(u'/') + 1);
    out.isLink = S_ISLNK(st.st_mode);
    struct stat target;
    const struct stat& shown =
        (out.isLink && followLinks && stat(p.constData(), &target) == 0) ? target : st;
    out.attributes = attributesOf(AT_FDCWD, p.constData(), st, true);
    if (S_ISDIR(shown.st_mode)) out.attributes |= faDirectory;
    out.regular = S_ISREG(shown.st_mode);
    out.kind = kindOfMode(shown.st_mode);
    out.links = quint32(shown.st_nlink);
    out.allocated = qint64(shown.st_blocks) * 512;
    out.device = quint64(shown.st_dev);
    out.inode = quint64(shown.st_ino);
    out.size = S_ISDIR(shown.st_mode) ? 0 : qint64(shown.st_size);
    out.mtime = qint64(shown.st_mtim.tv_sec);
    return Status::done();
}

Status LinuxPlatform::removeFolder(const QString& path) {
    if (rmdir(native(path).constData()) != 0) {
        return Status::failed(errorFromErrno(errno));
    }
    return Status::done();
}

Status LinuxPlatform::openForWrite(QFile& file, int openMode) {
    struct stat st;
    if (lstat(native(file.fileName()).constData(), &st) == 0 && isReadOnlyMode(st.st_mode)) {
        return Status::failed(errAccessDenied);
    }
    if (!file.open(QIODevice::OpenMode(openMode))) {
        return Status::failed(file.error() == QFileDevice::OpenError ? errAccessDenied
                                                                     : errGeneric);
    }
    return Status::done();
}

Status LinuxPlatform::openOwnFile(QFile& file, DirEntry& opened) {
    const int fd =
        ::open(native(file.fileName()).constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return Status::failed(errno == ELOOP ? errNotRegular : errorFromErrno(errno));
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        const int error = errorFromErrno(errno);
        ::close(fd);
        return Status::failed(error);
    }
    opened = DirEntry{};
    opened.name = file.fileName().mid(file.fileName().lastIndexOf(u'/') + 1);
    opened.regular = S_ISREG(st.st_mode);
    opened.kind = kindOfMode(st.st_mode);
    opened.links = quint32(st.st_nlink);
    opened.size = qint64(st.st_size);
    opened.device = quint64(st.st_dev);
    opened.inode = quint64(st.st_ino);
    return Status::done();
}

bool LinuxPlatform::setSystemClockUtc(const QDateTime& utc) {
    struct timespec ts;
    ts.tv_sec = time_t(utc.toSecsSinceEpoch());
    ts.tv_nsec = 0;
    return clock_settime(CLOCK_REALTIME, &ts) == 0;
}

bool LinuxPlatform::shellExecute(const QString& verb, const QString& file, const QString& params,
                                 const QString& folder) {
    const QStringList args = QProcess::splitCommand(params);
    QString program = file;
    if (!file.contains(u'/'))
        program = QStandardPaths::findExecutable(file);
    else if (!QFileInfo(file).isAbsolute())
        program = QDir(folder).absoluteFilePath(file);
    const QFileInfo fi(program);
    if (verb == u"print") {
        QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
        return !lp.isEmpty() &&
               QProcess::startDetached(lp, {QDir(folder).absoluteFilePath(file)}, folder);
    }
    if (!program.isEmpty() && fi.isFile() && fi.isExecutable())
        return QProcess::startDetached(program, args, folder);
    // A document: the desktop's application for its kind of file.
    QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return false;
    return QProcess::startDetached(opener, {QDir(folder).absoluteFilePath(file)}, folder);
}

// A program that needs a terminal is chosen only when there is one to run it in.
QString LinuxPlatform::findExecutable(const QString& file, const QString& folder) {
    return associatedApplication(QDir(folder).absoluteFilePath(file), XdgDirs::fromEnvironment(),
                                 [](const QString& entry) { return canStart(entry); });
}

bool LinuxPlatform::launch(const QString& verb, const QString& program,
                           const QStringList& arguments, const QString& folder) {
    if (verb == u"print") {
        const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
        if (lp.isEmpty()) return false;
        QProcess job;
        job.setProgram(lp);
        job.setArguments(arguments);
        job.setWorkingDirectory(folder);
        job.setStandardOutputFile(QProcess::nullDevice());
        job.setStandardErrorFile(QProcess::nullDevice());
        return job.startDetached();
    }
    if (program.isEmpty()) return false;
    const bool entry = program.endsWith(QStringLiteral(".desktop"));
    QStringList argv = entry ? execArguments(program, arguments) : QStringList{program} + arguments;
    if (entry && runsInTerminal(program)) argv = inTerminal(argv);
    if (argv.isEmpty()) return false;
    const QString executable = argv.takeFirst();
    return QProcess::startDetached(executable, argv, folder);
}

Status LinuxPlatform::copyLink(const QString& from, const QString& to) {
    char target[4096];
    ssize_t n = readlink(native(from).constData(), target, sizeof target - 1);
    if (n < 0) {
        return Status::failed(errorFromErrno(errno));
    }
    target[n] = 0;
    if (symlink(target, native(to).constData()) != 0) {
        return Status::failed(errno == EEXIST ? errFileExists : errorFromErrno(errno));
    }
    struct stat st; // the link's own times and owner
    if (lstat(native(from).constData(), &st) == 0) copyMetadataAt(native(from), native(to), st);
    return Status::done();
}

Status LinuxPlatform::copyFolderAttributes(const QString& from, const QString& to) {
    struct stat st;
    if (lstat(native(from).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return Status::failed(errorFromErrno(errno ? errno : ENOTDIR));
    }
    copyMetadataAt(native(from), native(to), st);
    return Status::done();
}

Status LinuxPlatform::linkFile(const QString& existing, const QString& name) {
    if (link(native(existing).constData(), native(name).constData()) != 0) {
        return Status::failed(errno == EEXIST ? errFileExists : errorFromErrno(errno));
    }
    return Status::done();
}

QString LinuxPlatform::plainTextEditor() {
    static const char* const editors[] = {"gnome-text-editor", "gedit", "kate",  "kwrite",
                                          "mousepad",          "xed",   "pluma", "featherpad",
                                          "leafpad",           "xedit"};
    for (const char* e : editors)
        if (!QStandardPaths::findExecutable(QString::fromLatin1(e)).isEmpty())
            return QString::fromLatin1(e);
    return QStringLiteral("xdg-open");
}

Status LinuxPlatform::appendFile(const QString& from, QFile& to, qint64 offset, qint64 size,
                                 core::Job* job) {
    QFile in(from);
    const int fd = open(native(from).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Status::failed(errorFromErrno(errno));
    }
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        close(fd);
        return Status::failed(errGeneric);
    }
    return appendOpenFile(in, to, offset, size, job);
}

Status LinuxPlatform::appendOpenFile(QFile& from, QFile& to, qint64 offset, qint64 size,
                                     core::Job* job) {
    const int in = from.handle();
    if (in < 0) return Status::failed(errGeneric);
    if (!to.flush()) {
        return Status::failed(errGeneric);
    }
    struct stat st;
    fstat(in, &st);
    if (size < 0) size = std::max<qint64>(0, qint64(st.st_size) - offset);
    const int out = to.handle();
    const off_t outStart = lseek(out, 0, SEEK_END);
    int error = errNone;
    if (offset + size > qint64(st.st_size)) { // the file is shorter than announced
        error = errGeneric;
    } else {
        Watched watched{job, off_t(size), off_t(offset)};
        errno = 0;
        const bool holes = qint64(st.st_blocks) * 512 < qint64(st.st_size);
        const bool ok = copySparse(in, out, off_t(offset), off_t(offset + size),
                                   outStart - off_t(offset), watched, holes);
        // A full disk says so; a stop is a stop.
        if (!ok)
            error = errno == ECANCELED ? errCancelled : errno ? errorFromErrno(errno) : errGeneric;
    }
    to.seek(to.size());
    return error ? Status::failed(error) : Status::done();
}

QString LinuxPlatform::fileSystemName(QChar letter) {
    return volumeFor(letter).fsType.toUpper();
}

quint32 LinuxPlatform::volumeSerial(QChar letter) {
    // The volume's UUID as blkid tells it: "2566-17D3" for FAT, the first
    // eight hexadecimal digits for other file systems.
    const Volume v = volumeFor(letter);
    const QString blkid = QStandardPaths::findExecutable(QStringLiteral("blkid"));
    if (blkid.isEmpty() || !v.device.startsWith(u"/dev/")) return 0;
    QProcess p;
    p.start(blkid, {QStringLiteral("-o"), QStringLiteral("value"), QStringLiteral("-s"),
                    QStringLiteral("UUID"), v.device});
    if (!p.waitForFinished(2000)) {
        p.kill();
        return 0;
    }
    QString uuid = QString::fromLatin1(p.readAllStandardOutput()).trimmed().remove(u'-');
    return uuid.left(8).toUInt(nullptr, 16);
}

bool LinuxPlatform::setVolumeLabel(QChar letter, const QString& label) {
    const Volume v = volumeFor(letter);
    const QString tool = QStandardPaths::findExecutable(v.fsType == u"vfat" || v.fsType == u"msdos"
                                                            ? QStringLiteral("fatlabel")
                                                            : QStringLiteral("e2label"));
    if (tool.isEmpty() || !v.device.startsWith(u"/dev/")) return false;
    return QProcess::startDetached(tool, {v.device, label});
}

bool LinuxPlatform::formatDrive(QChar letter, int, int) {
    Q_UNUSED(letter);
    for (const char* utility : {"gnome-disks", "kdepartitionmanager", "gparted"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(utility));
        if (!path.isEmpty()) return QProcess::startDetached(path, {});
    }
    return false;
}

} // namespace platform
