#pragma once
// Byte searches at memory speed: vectorised where the processor has SSE2
// (every x86-64), plain loops elsewhere.

#include <QByteArrayView>

namespace core {

// The first position at or after `from` where `needle` starts; -1 when none.
qsizetype findBytes(QByteArrayView hay, QByteArrayView needle, qsizetype from = 0);

// A needle looked at once (its rarest bytes chosen) for many searches.
// The needle's bytes must outlive it.
class BytePattern {
  public:
    explicit BytePattern(QByteArrayView needle);
    // As findBytes.
    qsizetype in(QByteArrayView hay, qsizetype from = 0) const;

  private:
    QByteArrayView m_needle;
    qsizetype m_rare1 = 0, m_rare2 = 0;
    bool m_common = false; // its rarest byte is a letter or digit
};

// How many times `byte` occurs in [begin, end).
qsizetype countByte(const char* begin, const char* end, char byte);

} // namespace core
