// What every command prints: lines, escaped entries, the failure message.
#include "commands.h"

#include <cstdio>

namespace cli {

int fail(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    return 1;
}

void appendEscaped(QByteArray& out, QByteArrayView bytes) {
    // Runs without a character to escape go in one piece.
    const char* p = bytes.data();
    qsizetype from = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = p[i];
        if (c != '\t' && c != '\r' && c != '\n' && c != '\\') continue;
        out.append(p + from, i - from);
        out += c == '\t' ? "\\t" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\\\";
        from = i + 1;
    }
    out.append(p + from, bytes.size() - from);
}

void out(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
}

} // namespace cli
