#include "small_files.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

QByteArray readSmallFile(const QString& path, qint64 cap) {
    // Opened without blocking, so that a FIFO with no writer cannot hold us;
    // then only a regular file is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    QByteArray out;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const qint64 expected = st.st_size > 0 ? std::min<qint64>(st.st_size, cap) : 4096;
        out.reserve(qsizetype(std::min<qint64>(expected, cap)));
        char buffer[65536];
        while (out.size() < cap) {
            const qint64 want = std::min<qint64>(qint64(sizeof buffer), cap - out.size());
            const ssize_t n = ::read(fd, buffer, size_t(want));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            out.append(buffer, qsizetype(n));
        }
    }
    ::close(fd);
    return out;
}

} // namespace platform
