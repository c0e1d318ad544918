#include "small_files.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

QByteArray readSmallFile(const QString& path, qint64 cap) {
    QByteArray out;
    readSmallFileInto(path, cap, out);
    return out;
}

void readSmallFileInto(const QString& path, qint64 cap, QByteArray& out) {
    out.resize(0); // the buffer stays for the next file
    // Opened without blocking, so that a FIFO with no writer cannot hold us;
    // then only a regular file is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const qint64 told = st.st_size;
        // One read for a file whose size is told (a byte more to see its
        // end); /proc's files, which tell none, in 64 KiB steps.
        qint64 have = 0;
        while (have < cap) {
            const qint64 want = std::min(cap - have, std::max<qint64>(told + 1 - have, 65536));
            out.resize(qsizetype(have + want));
            const ssize_t n = ::read(fd, out.data() + have, size_t(want));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            have += n;
            if (told > 0 && n < want && have >= told) break; // short at its told end
        }
        out.resize(qsizetype(have));
    }
    ::close(fd);
}

} // namespace platform
