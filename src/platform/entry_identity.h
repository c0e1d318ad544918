#pragma once
// Whether two names lead to the same entry, told by device and inode (never
// by the names' text: links, bind mounts and "a/../b" all lead somewhere).

#include <QString>

namespace platform {

// Both names lead to one entry; with `follow` a link is its target, else
// the link itself. False when either cannot be looked at.
bool sameEntry(const QString& a, const QString& b, bool follow);

// `path`, its links followed, is `folder` itself or lies somewhere below it:
// each folder from path up to the root is compared with folder.
bool entryWithin(const QString& folder, const QString& path);

} // namespace platform
