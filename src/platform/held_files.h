#pragma once
// Working files kept in a shared folder (the temporary one) while a program
// runs. Each is held while it is open; what a program that was killed left
// behind is held by no one, and the next program removes it.

#include <QString>

namespace platform {

// Marks the open file as held for as long as this descriptor (or the last
// copy of it) stays open. Several holders may share one file.
bool holdFile(int fd);

// Whether a running program holds the file (false when it does not exist).
bool isHeld(const QString& path);

// Removes the file when it is a regular file of this user, unchanged for at
// least minAge seconds (a file just made is held a moment later) and held
// by no one. true when it was removed.
bool removeIfAbandoned(const QString& path, int minAge);

} // namespace platform
