#pragma once
// What a copy keeps of an entry besides its content, as `cp -a` and `mv`
// keep it: extended attributes (the stored hidden, system and read-only
// marks and ACLs among them), the owner (for the administrator; anyone
// else stays the owner of what they copy), the mode and the times. A part
// the target's file system refuses is left out, as those tools do.

#include <QByteArray>
#include <sys/stat.h>

namespace platform {

// From the open source file to the open target file.
void copyMetadata(int from, int to, const struct stat& source);

// By name, a link itself never followed (a folder, a link, a pipe).
void copyMetadataAt(const QByteArray& from, const QByteArray& to, const struct stat& source);

} // namespace platform
