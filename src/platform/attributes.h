#pragma once
// Attribute bits on a POSIX file system: read-only from the write bits,
// hidden from dot names, system for special files, and the rest kept in
// extended attributes where the file system has them.

#include <QString>
#include <sys/stat.h>

namespace platform {

// Attributes of an entry named `name` inside the open folder `dirfd`, whose
// lstat is `st`. Pass AT_FDCWD and a full path for a single file.
// Without withArchive the archive bit is left out (walks have no use for it).
quint32 attributesOf(int dirfd, const char* name, const struct stat& st, bool withArchive = true);

// The bits the mode and the name give: folder, read-only, hidden (a dot
// name), system (a special file); links also archive.
quint32 modeAttributes(const char* name, const struct stat& st);

// The hidden, system and archive bits stored with the entry `name` of the
// open folder `dirfd`, whose full path is `path` (not a link).
quint32 storedAttributes(int dirfd, const char* name, const char* path);

// The same for an open file or folder.
quint32 storedAttributesOfOpen(int fd);

// Sets the attribute bits of path; false when the file does not exist or
// its mode cannot be changed. Extended attributes missing on the file
// system are ignored silently.
bool applyAttributes(const QString& path, quint32 attrs);

// True when the write bits are all clear (the read-only attribute).
inline bool isReadOnlyMode(mode_t mode) {
    return !S_ISLNK(mode) && (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

} // namespace platform
