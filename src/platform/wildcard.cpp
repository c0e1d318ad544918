#include "wildcard.h"

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

std::optional<bool> matchesAsciiMask(const char* name, qsizetype size, const QByteArray& mask) {
    if (mask.isEmpty() || mask == "*.*" || mask == "*") return true;
    if (!ascii(name, size) || !ascii(mask.constData(), mask.size())) return std::nullopt;
    const char* m = mask.constData();
    if (globMatch(name, name + size, m, m + mask.size())) return true;
    if (mask.endsWith(".*") && !std::memchr(name, '.', size_t(size)))
        return globMatch(name, name + size, m, m + mask.size() - 2);
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
