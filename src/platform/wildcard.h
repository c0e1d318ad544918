#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// Name matching as the file dialogs and listings know it: '*' any run, '?'
// one character, letter case ignored; "*.*" matches every name, and a mask
// ending in ".*" also matches the name without any extension.
bool matchesMask(const QString& name, const QString& mask);

// The same for a name of ASCII bytes against an ASCII mask (the walks test
// names as the system gives them): true or false, or nothing when the name
// or the mask is not ASCII and matchesMask must say.
std::optional<bool> matchesAsciiMask(const char* name, qsizetype size, const QByteArray& mask);

} // namespace platform
