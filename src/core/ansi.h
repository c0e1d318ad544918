#pragma once
// Windows-1252, the code page of the program's older files, one byte at a
// time as the system's converter reads it.

#include <QtGlobal>

namespace core {

char16_t ansiToUnicode(quint8 byte);

} // namespace core
