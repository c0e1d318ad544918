// What every command prints: lines, escaped entries, the failure message.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

namespace cli {

bool takeOption(QStringList& args, const QString& name, QString& value) {
    const qsizetype i = args.indexOf(name);
    if (i < 0) return false;
    if (i + 1 >= args.size())
        throw std::runtime_error(
            QString(QStringLiteral("option sans valeur : ") + name).toStdString());
    value = args.takeAt(i + 1);
    args.removeAt(i);
    return true;
}

bool takeFlag(QStringList& args, const QString& name) {
    return args.removeAll(name) > 0;
}

int fail(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    return 1;
}

void appendEscaped(QByteArray& out, QByteArrayView bytes) {
    // Runs without a character to escape go in one piece; a control byte
    // never reaches the terminal as it is.
    static const char hex[] = "0123456789abcdef";
    const char* p = bytes.data();
    qsizetype from = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c >= 0x20 && c != '\\' && c != 0x7f) continue;
        out.append(p + from, i - from);
        if (c == '\t' || c == '\r' || c == '\n' || c == '\\') {
            out += c == '\t' ? "\\t" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\\\";
        } else {
            const char escape[] = {'\\', 'x', hex[c >> 4], hex[c & 15]};
            out.append(escape, 4);
        }
        from = i + 1;
    }
    out.append(p + from, bytes.size() - from);
}

void out(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
}

} // namespace cli
