#include "entry_identity.h"
#include "file_names.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace platform {

namespace {
bool identity(const QByteArray& path, bool follow, dev_t& dev, ino_t& ino) {
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
    char resolved[PATH_MAX];
    if (!::realpath(nativeName(path).constData(), resolved)) return false;
    QByteArray at(resolved);
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
