#pragma once
// Byte searches at memory speed: vectorised where the processor has SSE2
// (every x86-64), plain loops elsewhere.

#include <QByteArrayView>

namespace core {

// The first position at or after `from` where `needle` starts; -1 when none.
qsizetype findBytes(QByteArrayView hay, QByteArrayView needle, qsizetype from = 0);

// How many times `byte` occurs in [begin, end).
qsizetype countByte(const char* begin, const char* end, char byte);

} // namespace core
