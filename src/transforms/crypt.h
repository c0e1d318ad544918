#pragma once
// Scrambling a file with a password: each byte XOR a key byte that starts
// at the sum of the password's bytes and grows by one per byte. The
// transform is its own inverse.

#include "transform_progress.h"

#include <QByteArray>
#include <QString>

namespace transforms {

quint8 cryptKey(const QByteArray& password);

// Applies the running XOR to data in place, starting from key; answers the
// key for the byte after the last.
quint8 cryptBlock(char* data, qint64 size, quint8 key);

// Transforms one file: the whole copy is written beside it under a free
// temporary name and then takes the file's place in one step; on any
// failure the file stays as it was. Folders and missing names are skipped
// (false).
bool cryptFile(const QString& name, const QByteArray& password, const Progress& progress = {});

} // namespace transforms
