#include "wildcard.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Letter case folded, ASCII without a table look-up.
inline char16_t fold(QChar c) {
    const char16_t u = c.unicode();
    if (u < 128) return (u >= 'A' && u <= 'Z') ? char16_t(u + 32) : u;
    return c.toCaseFolded().unicode();
}

inline char fold(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// Iterative matcher with one backtrack point for the last '*', on QChars or
// on ASCII bytes.
template <class C> bool globMatch(const C* n, const C* nEnd, const C* m, const C* mEnd) {
    const C *starM = nullptr, *starN = nullptr;
    while (n != nEnd) {
        if (m != mEnd && (*m == C('?') || fold(*m) == fold(*n))) {
            ++n, ++m;
        } else if (m != mEnd && *m == C('*')) {
            starM = ++m;
            starN = n;
        } else if (starM) {
            m = starM;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m != mEnd && *m == C('*'))
        ++m;
    return m == mEnd;
}

bool ascii(const char* p, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i)
        if (quint8(p[i]) >= 0x80) return false;
    return true;
}

} // namespace

AsciiMask::AsciiMask(const QString& mask)
    : m_all(mask.isEmpty() || mask == u"*.*" || mask == u"*") {
    for (const QChar c : mask)
        m_ascii = m_ascii && c.unicode() < 128;
    if (!m_ascii) return;
    for (const QChar c : mask)
        m_mask += fold(char(c.unicode()));
    // The letters after the last wildcard end every name matched: tested
    // first, they turn most names away without the matcher.
    const qsizetype wildcard = std::max(m_mask.lastIndexOf('*'), m_mask.lastIndexOf('?'));
    if (wildcard >= 0) m_ending = m_mask.mid(wildcard + 1);
}

std::optional<bool> AsciiMask::matches(const char* name, qsizetype size) const {
    if (m_all) return true;
    if (!m_ascii) return std::nullopt;
    // A name shorter in bytes is shorter in characters; the ending's bytes,
    // when ASCII, are its last characters.
    const qsizetype ending = m_ending.size();
    if (ending > 0) {
        if (size < ending) return false;
        const char* tail = name + size - ending;
        for (qsizetype i = 0; i < ending; ++i)
            if (quint8(tail[i]) < 0x80 && fold(tail[i]) != m_ending[i]) return false;
    }
    if (!ascii(name, size)) return std::nullopt;
    const char* m = m_mask.constData();
    if (globMatch(name, name + size, m, m + m_mask.size())) return true;
    if (m_mask.endsWith(".*") && !std::memchr(name, '.', size_t(size)))
        return globMatch(name, name + size, m, m + m_mask.size() - 2);
    return false;
}

bool matchesMask(const QString& name, const QString& mask) {
    if (mask.isEmpty() || mask == u"*.*" || mask == u"*") return true;
    const QChar* n = name.constData();
    if (globMatch(n, n + name.size(), mask.constData(), mask.constData() + mask.size()))
        return true;
    if (mask.endsWith(u".*") && !name.contains(u'.')) {
        return globMatch(n, n + name.size(), mask.constData(), mask.constData() + mask.size() - 2);
    }
    return false;
}

} // namespace platform
