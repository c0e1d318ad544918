#include "file_names.h"

#include <cstring>

namespace platform {

namespace {

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 when invalid.
int sequenceLength(const unsigned char* p, qsizetype n) {
    const unsigned char c = p[0];
    int len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || len > n) return 0;
    for (int i = 1; i < len; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    // Overlong forms, surrogates and values past U+10FFFF are not valid.
    if (len == 2 && c < 0xC2) return 0;
    if (len == 3 && c == 0xE0 && p[1] < 0xA0) return 0;
    if (len == 3 && c == 0xED && p[1] >= 0xA0) return 0;
    if (len == 4 && c == 0xF0 && p[1] < 0x90) return 0;
    if (len == 4 && (c > 0xF4 || (c == 0xF4 && p[1] >= 0x90))) return 0;
    return len;
}

bool isEscape(char16_t u) {
    return u >= 0xDC80 && u <= 0xDCFF;
}

} // namespace

QString nameFromNative(const char* bytes, qsizetype size) {
    if (size < 0) size = qsizetype(std::strlen(bytes));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size;) {
        const int len = sequenceLength(p + i, size - i);
        if (len == 0) {
            out.append(QChar(char16_t(0xDC00 + p[i])));
            ++i;
        } else {
            out.append(QString::fromUtf8(bytes + i, len));
            i += len;
        }
    }
    return out;
}

QByteArray nativeName(const QString& name) {
    if (!hasRawBytes(name)) return name.toUtf8();
    QByteArray out;
    out.reserve(name.size() * 3);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        if (isEscape(u)) {
            out.append(char(u - 0xDC00));
        } else if (QChar::isHighSurrogate(u) && i + 1 < name.size() &&
                   QChar::isLowSurrogate(name[i + 1].unicode())) {
            out.append(name.mid(i, 2).toUtf8());
            ++i;
        } else {
            out.append(QString(QChar(u)).toUtf8());
        }
    }
    return out;
}

bool hasRawBytes(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        // A lone low surrogate in the escape range (not the second half of a pair).
        if (isEscape(u) && (i == 0 || !QChar::isHighSurrogate(name[i - 1].unicode()))) return true;
    }
    return false;
}

} // namespace platform
