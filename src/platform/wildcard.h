#pragma once
#include <QString>

namespace platform {

// Name matching as the file dialogs and listings know it: '*' any run, '?'
// one character, letter case ignored; "*.*" matches every name, and a mask
// ending in ".*" also matches the name without any extension.
bool matchesMask(const QString& name, const QString& mask);

} // namespace platform
