#include "wildcard.h"

namespace platform {

namespace {

// Letter case folded, ASCII without a table look-up.
inline char16_t fold(QChar c) {
    const char16_t u = c.unicode();
    if (u < 128) return (u >= 'A' && u <= 'Z') ? char16_t(u + 32) : u;
    return c.toCaseFolded().unicode();
}

bool globMatch(const QChar* n, const QChar* nEnd, const QChar* m, const QChar* mEnd) {
    // Iterative matcher with one backtrack point for the last '*'.
    const QChar *starM = nullptr, *starN = nullptr;
    while (n != nEnd) {
        if (m != mEnd && (*m == u'?' || fold(*m) == fold(*n))) {
            ++n, ++m;
        } else if (m != mEnd && *m == u'*') {
            starM = ++m;
            starN = n;
        } else if (starM) {
            m = starM;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m != mEnd && *m == u'*')
        ++m;
    return m == mEnd;
}

} // namespace

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
