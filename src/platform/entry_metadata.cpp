#include "entry_metadata.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// The attribute names and values, read through `list` and `get`, written
// through `set`; each read is bounded (a value larger than 64 KiB is left).
template <typename List, typename Get, typename Set>
void copyAttributes(List list, Get get, Set set) {
    std::vector<char> names(4096);
    ssize_t length = list(names.data(), names.size());
    if (length < 0 && errno == ERANGE) {
        const ssize_t needed = list(nullptr, 0);
        if (needed <= 0 || needed > (1 << 20)) return;
        names.resize(size_t(needed));
        length = list(names.data(), names.size());
    }
    std::vector<char> value(65536);
    for (ssize_t i = 0; i < length;) {
        const char* name = names.data() + i;
        const ssize_t n = get(name, value.data(), value.size());
        if (n >= 0) set(name, value.data(), size_t(n));
        while (i < length && names[size_t(i)] != 0)
            ++i;
        ++i;
    }
}

} // namespace

void copyMetadata(int from, int to, const struct stat& source) {
    copyAttributes([&](char* list, size_t size) { return flistxattr(from, list, size); },
                   [&](const char* name, void* value, size_t size) {
                       return fgetxattr(from, name, value, size);
                   },
                   [&](const char* name, const void* value, size_t size) {
                       return fsetxattr(to, name, value, size, 0);
                   });
    // Only what differs is set: on a network volume each change is a wait
    // for the server. The owner first: a change of owner clears the set-id
    // bits of the mode.
    struct stat now;
    const bool known = fstat(to, &now) == 0;
    if (geteuid() == 0 && (!known || now.st_uid != source.st_uid || now.st_gid != source.st_gid) &&
        fchown(to, source.st_uid, source.st_gid) != 0) {
        // A file system without owners (FAT) keeps the mover's.
    }
    if (!known || (now.st_mode & 07777) != (source.st_mode & 07777) ||
        (source.st_mode & (S_ISUID | S_ISGID)))
        fchmod(to, source.st_mode & 07777);
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    futimens(to, times);
}

void copyMetadataAt(const QByteArray& from, const QByteArray& to, const struct stat& source) {
    const char* f = from.constData();
    const char* t = to.constData();
    copyAttributes(
        [&](char* list, size_t size) { return llistxattr(f, list, size); },
        [&](const char* name, void* value, size_t size) { return lgetxattr(f, name, value, size); },
        [&](const char* name, const void* value, size_t size) {
            return lsetxattr(t, name, value, size, 0);
        });
    if (geteuid() == 0 && lchown(t, source.st_uid, source.st_gid) != 0) {
        // A file system without owners (FAT) keeps the mover's.
    }
    if (!S_ISLNK(source.st_mode)) chmod(t, source.st_mode & 07777);
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    utimensat(AT_FDCWD, t, times, AT_SYMLINK_NOFOLLOW);
}

} // namespace platform
