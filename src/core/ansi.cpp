#include "ansi.h"

#include <QString>
#include <QStringDecoder>
#include <array>

namespace core {

char16_t ansiToUnicode(quint8 byte) {
    // Made once: opening the converter costs more than a line's decoding.
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        QStringDecoder ansi("windows-1252");
        for (int b = 0; b < 256; ++b) {
            const char one = char(b);
            const QString s =
                ansi.isValid() ? QString(ansi.decode(QByteArrayView(&one, 1))) : QString(QChar(b));
            t[size_t(b)] = s.size() == 1 ? s[0].unicode() : char16_t(b);
        }
        return t;
    }();
    return table[byte];
}

} // namespace core
