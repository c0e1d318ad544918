#include "attributes.h"
#include "platform.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

const char* const kAttribName = "user.tavtools.attrib";
const char* const kArchiveName = "user.tavtools.archive";

// Reads a small extended attribute of name (relative to dirfd) into buf.
ssize_t readXattr(int dirfd, const char* name, const char* attr, char* buf, size_t size) {
    if (dirfd == AT_FDCWD) return lgetxattr(name, attr, buf, size);
    // /proc/self/fd/N/name avoids building the full path for every entry.
    char path[4096];
    int n = std::snprintf(path, sizeof path, "/proc/self/fd/%d/%s", dirfd, name);
    if (n <= 0 || size_t(n) >= sizeof path) return -1;
    return lgetxattr(path, attr, buf, size);
}

// Lists the extended attribute names of name (relative to dirfd); -1 when
// the list cannot be had (too long, or no support), in which case callers
// simply ask for each attribute.
ssize_t listXattr(int dirfd, const char* name, char* buf, size_t size) {
    if (dirfd == AT_FDCWD) return llistxattr(name, buf, size);
    char path[4096];
    int n = std::snprintf(path, sizeof path, "/proc/self/fd/%d/%s", dirfd, name);
    if (n <= 0 || size_t(n) >= sizeof path) return -1;
    return llistxattr(path, buf, size);
}

QByteArray archiveStamp(const struct stat& st) {
    return QByteArray::number(qint64(st.st_size)) + ':' +
           QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

} // namespace

quint32 modeAttributes(const char* name, const struct stat& st) {
    quint32 attrs = 0;
    const char* base = std::strrchr(name, '/');
    base = base ? base + 1 : name;
    if (S_ISDIR(st.st_mode)) attrs |= faDirectory;
    if (isReadOnlyMode(st.st_mode)) attrs |= faReadOnly;
    if (base[0] == '.' && std::strcmp(base, ".") != 0 && std::strcmp(base, "..") != 0)
        attrs |= faHidden;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) attrs |= faSysFile;
    if (S_ISLNK(st.st_mode)) attrs |= faArchive; // links carry no user attributes
    return attrs;
}

quint32 attributesOf(int dirfd, const char* name, const struct stat& st, bool withArchive) {
    quint32 attrs = modeAttributes(name, st);
    if (S_ISLNK(st.st_mode)) return attrs;

    char buf[64];
    const bool both = !S_ISDIR(st.st_mode) && withArchive;
    bool hasAttrib = true, hasArchive = true;
    if (both) {
        // One look at the names first: most files carry neither attribute.
        char names[512];
        const ssize_t len = listXattr(dirfd, name, names, sizeof names);
        if (len >= 0) {
            hasAttrib = hasArchive = false;
            for (ssize_t i = 0; i < len; i += ssize_t(std::strlen(names + i)) + 1) {
                hasAttrib |= std::strcmp(names + i, kAttribName) == 0;
                hasArchive |= std::strcmp(names + i, kArchiveName) == 0;
            }
        }
    }
    ssize_t n = hasAttrib ? readXattr(dirfd, name, kAttribName, buf, sizeof buf - 1) : -1;
    if (n > 0) {
        buf[n] = 0;
        attrs |= quint32(std::strtoul(buf, nullptr, 10)) & (faHidden | faSysFile | faArchive);
    }
    if (S_ISDIR(st.st_mode) || !withArchive) return attrs;
    n = hasArchive ? readXattr(dirfd, name, kArchiveName, buf, sizeof buf - 1) : -1;
    if (n <= 0 || archiveStamp(st) != QByteArray(buf, int(n))) attrs |= faArchive;
    return attrs;
}

namespace {

// lgetxattr relative to an open folder, where the kernel has it (6.13 and
// later): no walk of the full path for every entry.
ssize_t getXattrAt(int dirfd, const char* name, const char* path, char* buf, size_t size) {
#if defined(__linux__) && (defined(__x86_64__) || defined(__aarch64__) || defined(__riscv))
    static std::atomic<bool> missing{false};
    if (!missing.load(std::memory_order_relaxed)) {
        struct {
            quint64 value;
            quint32 size, flags;
        } args{quint64(reinterpret_cast<quintptr>(buf)), quint32(size), 0};
        const long n =
            syscall(464, dirfd, name, AT_SYMLINK_NOFOLLOW, kAttribName, &args, sizeof args);
        if (n >= 0 || errno != ENOSYS) return ssize_t(n);
        missing = true;
    }
#endif
    // A path longer than the system takes is read through the open folder.
    if (std::strlen(path) >= PATH_MAX) return readXattr(dirfd, name, kAttribName, buf, size);
    return lgetxattr(path, kAttribName, buf, size);
}

} // namespace

quint32 storedAttributes(int dirfd, const char* name, const char* path) {
    char buf[64];
    const ssize_t n = getXattrAt(dirfd, name, path, buf, sizeof buf - 1);
    if (n <= 0) return 0;
    buf[n] = 0;
    return quint32(std::strtoul(buf, nullptr, 10)) & (faHidden | faSysFile | faArchive);
}

quint32 storedAttributesOfOpen(int fd) {
    char buf[64];
    const ssize_t n = fgetxattr(fd, kAttribName, buf, sizeof buf - 1);
    if (n <= 0) return 0;
    buf[n] = 0;
    return quint32(std::strtoul(buf, nullptr, 10)) & (faHidden | faSysFile | faArchive);
}

bool applyAttributes(const QString& path, quint32 attrs) {
    const QByteArray p = path.toLocal8Bit();
    struct stat st;
    if (lstat(p.constData(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) return true;

    // Flags first: a file without write bits refuses them to its owner.
    quint32 stored = attrs & (faHidden | faSysFile);
    if (S_ISDIR(st.st_mode)) stored |= attrs & faArchive;
    if (stored) {
        QByteArray v = QByteArray::number(stored);
        setxattr(p.constData(), kAttribName, v.constData(), size_t(v.size()), 0);
    } else {
        removexattr(p.constData(), kAttribName);
    }
    if (!S_ISDIR(st.st_mode)) {
        if (attrs & faArchive) {
            removexattr(p.constData(), kArchiveName);
        } else {
            QByteArray v = archiveStamp(st);
            setxattr(p.constData(), kArchiveName, v.constData(), size_t(v.size()), 0);
        }
    }

    mode_t mode = st.st_mode & 07777;
    if (attrs & faReadOnly)
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (isReadOnlyMode(st.st_mode))
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && chmod(p.constData(), mode) != 0) return false;
    return true;
}

} // namespace platform
