// What every command prints: lines, escaped entries, the failure message.
#include "commands.h"

#include <cstdio>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

int failed(const core::Outcome& outcome, const QString& detail) {
    if (outcome.kind != core::Outcome::Cancelled && !outcome.text.isEmpty())
        return fail(outcome.text);
    QStringList said{QStringLiteral("Opération interrompue")};
    if (!detail.isEmpty()) said << detail;
    if (outcome.kind == core::Outcome::Cancelled && !outcome.text.isEmpty()) said << outcome.text;
    return fail(said.join(QStringLiteral(" : ")));
}

namespace {
// Once a command has begun, a request to end never kills the program: it
// stops the work, or after the work marks a job that never runs. Both live
// until the process is gone (never destroyed), so that a request during the
// exit cannot turn a finished command into one killed by the signal.
platform::StopOnEndRequest& requestsAfterTheWork() {
    static auto* done = new core::DirectJob;
    static auto* held = new platform::StopOnEndRequest(*done);
    return *held;
}
} // namespace

CommandJob::CommandJob() : m_stop((requestsAfterTheWork(), *this)) {}

namespace {

// Whether any byte needs an escape (a control byte, a backslash), or with
// highToo is not ASCII; sixteen bytes at a time where the processor has SSE2.
bool anyByteOutside(QByteArrayView bytes, bool highToo) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i control = _mm_set1_epi8(0x1f), slash = _mm_set1_epi8('\\'),
                  del = _mm_set1_epi8(0x7f);
    const int high = highToo ? 0xFFFF : 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, control), v); // v <= 0x1f
        const __m128i other = _mm_or_si128(_mm_cmpeq_epi8(v, slash), _mm_cmpeq_epi8(v, del));
        if (_mm_movemask_epi8(_mm_or_si128(low, other)) | (_mm_movemask_epi8(v) & high))
            return true;
    }
#endif
    for (; i < n; ++i)
        if (p[i] < 0x20 || p[i] == '\\' || p[i] == 0x7f || (highToo && p[i] >= 0x80)) return true;
    return false;
}

bool needsEscapes(QByteArrayView bytes) {
    return anyByteOutside(bytes, false);
}

} // namespace

bool isPlainText(QByteArrayView bytes) {
    return !anyByteOutside(bytes, true);
}

void appendEscaped(QByteArray& out, QByteArrayView bytes) {
    if (!needsEscapes(bytes)) {
        out.append(bytes.data(), bytes.size());
        return;
    }
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
