#include "entry_identity.h"
#include "file_names.h"
#include "platform.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace platform {

namespace {
bool identity(const QByteArray& path, bool follow, dev_t& dev, ino_t& ino) {
    // On a network volume, asked through the platform, which never waits
    // on a silent server.
    Platform& p = Platform::instance();
    if (const QString name = QFile::decodeName(path); p.onNetworkVolume(name)) {
        DirEntry e;
        if (!p.entryOf(name, e, follow)) return false;
        dev = dev_t(e.device);
        ino = ino_t(e.inode);
        return true;
    }
    struct stat st;
    if ((follow ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st)) != 0)
        return false;
    dev = st.st_dev;
    ino = st.st_ino;
    return true;
}
} // namespace

bool sameEntry(const QString& a, const QString& b, bool follow) {
    dev_t da, db;
    ino_t ia, ib;
    return identity(nativeName(a), follow, da, ia) && identity(nativeName(b), follow, db, ib) &&
           da == db && ia == ib;
}

bool entryWithin(const QString& folder, const QString& path) {
    dev_t fd;
    ino_t fi;
    if (!identity(nativeName(folder), true, fd, fi)) return false;
    // A network path is taken as written: resolving it could wait on its server.
    QByteArray at;
    if (Platform::instance().onNetworkVolume(path)) {
        at = nativeName(QDir::cleanPath(QDir(path).absolutePath()));
    } else {
        char resolved[PATH_MAX];
        if (!::realpath(nativeName(path).constData(), resolved)) return false;
        at = resolved;
    }
    for (;;) {
        dev_t d;
        ino_t i;
        if (identity(at, true, d, i) && d == fd && i == fi) return true;
        if (at == "/" || at.isEmpty()) return false;
        const qsizetype slash = at.lastIndexOf('/');
        at = slash <= 0 ? QByteArray("/") : at.left(slash);
    }
}

} // namespace platform
