#include "held_files.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform {

namespace {

int openQuietly(const QByteArray& path) {
    // Never through a link, never blocking on a FIFO put in the file's place.
    return open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool holdFile(int fd) {
    // Shared: a holder may open the same file a second time and hold it
    // again before letting the first go, and it stays held throughout.
    while (flock(fd, LOCK_SH | LOCK_NB) != 0)
        if (errno != EINTR) return false;
    return true;
}

bool isHeld(const QString& path) {
    const int fd = openQuietly(QFile::encodeName(path));
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

bool removeIfAbandoned(const QString& path, int minAge) {
    const QByteArray p = QFile::encodeName(path);
    const int fd = openQuietly(p);
    if (fd < 0) return false;
    struct stat st, now;
    bool removed = false;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
        st.st_mtime <= time(nullptr) - minAge && flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Still the file looked at: another program may have removed it and
        // made a new one of the same name meanwhile.
        removed =
            lstat(p.constData(), &now) == 0 && sameFile(st, now) && unlink(p.constData()) == 0;
    }
    close(fd);
    return removed;
}

} // namespace platform
