#pragma once
// Scrambling a file with a password: each byte XOR a key byte that starts
// at the sum of the password's bytes and grows by one per byte. The
// transform is its own inverse.

#include "core/errors.h"
namespace core {
class Job;
}

#include <QByteArray>
#include <QString>

namespace transforms {

quint8 cryptKey(const QByteArray& password);

// Applies the running XOR to data in place, starting from key; answers the
// key for the byte after the last.
quint8 cryptBlock(char* data, qint64 size, quint8 key);

// The password's bytes in Windows-1252, the code page files were scrambled
// with; false when it holds a character that code page cannot.
bool passwordBytes(const QString& password, QByteArray& out);

// Transforms one file: the whole copy is written beside it and then takes
// the file's place in one step, keeping its mode, owner and attributes; on
// any failure or a stop the file stays as it was. Folders, missing names and
// special files are refused.
core::Outcome cryptFile(const QString& name, const QByteArray& password, core::Job& job);

} // namespace transforms
