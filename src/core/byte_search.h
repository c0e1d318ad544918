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

    // The same search with two more things done on the way: the hay ends
    // at its first `stop` byte at or after `from` (no match may hold it),
    // and the line ends from `from` up to the match are counted (as
    // countLineEnds). Where the needle's rarest byte is a letter or digit
    // (matches may be many) all three are done in one pass; otherwise the
    // end and the count are looked for only up to the match found.
    struct Tallied {
        qsizetype at = -1;   // the match, -1 without one (tally then unknown)
        qsizetype tally = 0; // line ends in [from, at)
    };
    Tallied inCountingLines(QByteArrayView hay, qsizetype from, char stop) const;

  private:
    QByteArrayView m_needle;
    qsizetype m_rare1 = 0, m_rare2 = 0;
    bool m_common = false; // its rarest byte is a letter or digit
};

// How many times `byte` occurs in [begin, end).
qsizetype countByte(const char* begin, const char* end, char byte);

// Line ends in [begin, end): a line ends at CR LF, at CR or at LF. Each
// CR counts, and each LF that does not follow a CR (an LF at `begin`
// counts: begin is taken to be a line's start or a line end's first byte).
qsizetype countLineEnds(const char* begin, const char* end);

// The first CR or LF in [begin, end), or nullptr.
const char* findLineEnd(const char* begin, const char* end);

// The last `byte` in [begin, end), or nullptr.
const char* lastByte(const char* begin, const char* end, char byte);

// How many bytes the two start with alike.
qsizetype commonPrefix(QByteArrayView a, QByteArrayView b);

} // namespace core
