#pragma once
// Reading the small files of the system and the desktop (os-release, dmi
// facts, /proc, desktop entries, package lists) without trusting them: a
// FIFO or a device in their place never blocks nor streams for ever.

#include <QByteArray>
#include <QString>

namespace platform {

// The content of a regular file, at most cap bytes (the rest is left
// unread); empty when it is no regular file or cannot be opened. A size of
// 0 is no end of file here: /proc's files tell none.
QByteArray readSmallFile(const QString& path, qint64 cap);
// The same into `out`, whose memory serves again: many files read one
// after another take no new memory each.
void readSmallFileInto(const QString& path, qint64 cap, QByteArray& out);

} // namespace platform
