#pragma once
// File names as the kernel holds them (bytes) and as the program shows and
// passes them (text). Names are UTF-8 here; a byte that is no part of valid
// UTF-8 becomes the code unit 0xDC00 + byte and goes back to the same byte,
// so every name survives the round trip and can be found again.

#include <QByteArray>
#include <QString>

namespace platform {

QString nameFromNative(const char* bytes, qsizetype size = -1);
inline QString nameFromNative(const QByteArray& bytes) {
    return nameFromNative(bytes.constData(), bytes.size());
}
QByteArray nativeName(const QString& name);

// True when the name holds bytes that are not valid UTF-8 (a name that
// Qt's own file classes cannot open).
bool hasRawBytes(const QString& name);

} // namespace platform
