#include "text_search.h"
#include "core/byte_search.h"
#include "core/file_errors.h"
#include "platform/platform.h"
#include "platform/small_files.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cstring>
#include <list>

namespace tools {

namespace {
constexpr qint64 kFillAheadFrom = qint64(32) << 20, kFillAheadUpTo = qint64(1) << 30;
}

core::Outcome TextFile::open(const QString& name) {
    platform::Platform& p = platform::Platform::instance();
    m_file.setFileName(name);
    if (const platform::Status opened = p.openForRead(m_file); !opened) {
        const int err = opened.error();
        if (err == platform::errCancelled) return core::Outcome::cancelled();
        if (err == platform::errNoAnswer)
            return core::Outcome::failed(core::noAnswerText() + QStringLiteral(" : ") + name);
        return core::Outcome::failed(core::InOutError::textFor(
            err == platform::errFileNotFound || err == platform::errPathNotFound ? 2 : 5));
    }
    qint64 size = m_file.size();
    const uchar* data = size > 0 && m_map.map(m_file.handle(), size) ? m_map.data() : nullptr;
    if (size > 0 && !data) {
        m_copy = m_file.readAll();
        data = reinterpret_cast<const uchar*>(m_copy.constData());
    } else if (size == 0) {
        // A size of 0 is no end of file for the kernel's files (/proc):
        // read what there is, up to 64 MiB.
        m_copy = platform::readSmallFile(name, qint64(64) << 20);
        size = m_copy.size();
        data = reinterpret_cast<const uchar*>(m_copy.constData());
    }
    // A large file's first touches shared with another thread (which a
    // file larger than the memory would only make evict pages early).
    if (m_map.data() && size >= kFillAheadFrom && size <= kFillAheadUpTo) m_map.fillAhead(size / 4);
    m_raw = QByteArrayView(reinterpret_cast<const char*>(data), size);
    m_text = {};
    m_textKnown = false;
    m_at = 0;
    return core::Outcome::done();
}

QByteArrayView TextFile::text() {
    if (!m_textKnown) {
        const void* eof =
            m_raw.isEmpty() ? nullptr : std::memchr(m_raw.data(), 26, size_t(m_raw.size()));
        m_text = m_raw.first(eof ? static_cast<const char*>(eof) - m_raw.data() : m_raw.size());
        m_textKnown = true;
    }
    return m_text;
}

bool TextFile::next(QByteArrayView& line) {
    text();
    if (m_at >= m_text.size()) return false;
    const char* start = m_text.data() + m_at;
    const qsizetype left = m_text.size() - m_at;
    const char* lineEnd = core::findLineEnd(start, start + left);
    const qsizetype length = lineEnd ? lineEnd - start : left;
    line = QByteArrayView(start, length);
    m_at += length + (lineEnd ? 1 : 0);
    if (lineEnd && *lineEnd == '\r' && m_at < m_text.size() && m_text[m_at] == '\n') ++m_at;
    return true;
}

namespace {
// The last CR or LF in [begin, end), or nullptr; looked for from the end a
// page at a time, lines being short.
const char* lastLineEnd(const char* begin, const char* end) {
    while (end > begin) {
        const char* from = end - std::min<qsizetype>(end - begin, 4096);
        const char* cr = core::lastByte(from, end, '\r');
        const char* lf = core::lastByte(from, end, '\n');
        if (cr && lf) return cr > lf ? cr : lf;
        if (cr || lf) return cr ? cr : lf;
        end = from;
    }
    return nullptr;
}
} // namespace

qint64 TextFile::skipCommonLines(TextFile& other) {
    const QByteArrayView mine = text().sliced(m_at), theirs = other.text().sliced(other.m_at);
    const qsizetype same = core::commonPrefix(mine, theirs);
    // Up to the last line end both have alike: an LF, or a CR whose next
    // byte is alike too (a line feed after it belongs to that end in both
    // texts, or in neither).
    const char* base = mine.data();
    const char* last = lastLineEnd(base, base + same);
    if (last && *last == '\r' && last + 1 == base + same) last = lastLineEnd(base, last);
    if (!last) return 0;
    const qsizetype end = last - base + 1;
    const qint64 lines = core::countLineEnds(base, base + end);
    m_at += end;
    other.m_at += end;
    return lines;
}

QString lineText(QByteArrayView line, bool cut) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8.decode(line);
    if (utf8.hasError()) {
        QStringDecoder cp1252("windows-1252");
        s = cp1252.isValid() ? QString(cp1252.decode(line)) : QString::fromLatin1(line);
    }
    if (cut && s.size() > 4096) s = s.left(4096) + QChar(0x2026);
    return s;
}

namespace {

// Where line number n starts and ends around position at, counting the
// line ends met since the previous match.
struct LineCursor {
    QByteArrayView text;
    qsizetype counted = 0; // line ends counted up to here
    qint64 line = 1;
    void advanceTo(qsizetype at) {
        line += core::countLineEnds(text.data() + counted, text.data() + at);
        counted = at;
    }
};

// A form of the needle with its next match, kept while the search has not
// passed it: a form found far ahead is not looked for again at each line.
struct Form {
    explicit Form(QByteArray b) : bytes(std::move(b)), pattern(bytes) {}
    const QByteArray bytes;
    const core::BytePattern pattern;
    qsizetype next = -2; // -2 not looked for yet, -1 none left
    qsizetype nextFrom(QByteArrayView text, qsizetype from) {
        if (next == -1 || next >= from) return next;
        next = from >= text.size() ? -1 : pattern.in(text, from);
        return next;
    }
};

// The line [start, end) whole, or kExcerptBytes of it around the match at
// `at`, cut between characters and marked "…" on each cut side.
QByteArray excerpt(QByteArrayView text, qsizetype start, qsizetype at, qsizetype end) {
    if (end - start <= kExcerptBytes) return text.sliced(start, end - start).toByteArray();
    const QByteArray mark("\xE2\x80\xA6"); // …
    const qsizetype room = kExcerptBytes - 2 * mark.size();
    qsizetype from = std::max(start, at - room / 4);
    qsizetype to = std::min(end, from + room);
    from = std::max(start, to - room);
    const auto continuation = [&](qsizetype i) { return (uchar(text[i]) & 0xC0) == 0x80; };
    for (int k = 0; k < 3 && from > start && from < to && continuation(from); ++k)
        ++from;
    for (int k = 0; k < 3 && to < end && to > from && continuation(to); ++k)
        --to;
    QByteArray out;
    out.reserve(to - from + 2 * mark.size());
    if (from > start) out += mark;
    out += text.sliced(from, to - from);
    if (to < end) out += mark;
    return out;
}

} // namespace

// A file cut short while it was read: the read error, and its name.
QString shrankText(const QString& name) {
    return core::InOutError::textFor(100) + QStringLiteral(" : ") + name;
}

namespace {

// Where a match's line starts: after the last line end before it (not
// before `from`), a line feed right after a carriage return belonging to
// the line end.
qsizetype lineStartOf(QByteArrayView text, qsizetype from, qsizetype at) {
    const char* base = text.data();
    const char* lineStart = base + at;
    while (lineStart > base + from && lineStart[-1] != '\r' && lineStart[-1] != '\n')
        --lineStart;
    qsizetype startAt = lineStart - base;
    if (startAt > 0 && base[startAt] == '\n' && base[startAt - 1] == '\r') ++startAt;
    return startAt;
}

// One form of the needle: the search, the line ends before each match and
// the end mark (byte 26) are all looked for in the same pass.
void findOneForm(QByteArrayView all, const QByteArray& needle,
                 const std::function<void(const Match&)>& found, core::Job& job) {
    const core::BytePattern pattern(needle);
    qint64 line = 1; // of `from`
    qsizetype from = 0, end = all.size();
    while (!job.cancelled() && from < end) {
        // No match (or only past the end mark): nothing more to list.
        const core::BytePattern::Tallied r = pattern.inCountingLines(all.first(end), from, 26);
        if (r.at < 0) break;
        line += r.tally; // no line end between the line's start and the match
        const QByteArrayView text = all.first(end);
        const qsizetype startAt = lineStartOf(text, from, r.at);
        const char* cr = core::findLineEnd(text.data() + r.at, text.data() + end);
        qsizetype lineEnd = cr ? cr - text.data() : end;
        // The end mark inside the match's line ends the text there.
        if (const void* eof = std::memchr(text.data() + r.at, 26, size_t(lineEnd - r.at)))
            end = lineEnd = static_cast<const char*>(eof) - text.data();
        found({line, excerpt(all.first(end), startAt, r.at, lineEnd)});
        from = lineEnd;
    }
}

// Both forms of the needle: the next match of either, the end mark (byte
// 26) and the line ends looked for only up to where the matches need them.
void findForms(QByteArrayView all, std::list<Form>& forms,
               const std::function<void(const Match&)>& found, core::Job& job) {
    qsizetype end = all.size(), checked = 0;
    const auto endBefore = [&](qsizetype upTo) {
        upTo = std::min(upTo, end);
        if (upTo <= checked) return;
        const void* eof = std::memchr(all.data() + checked, 26, size_t(upTo - checked));
        if (eof) end = static_cast<const char*>(eof) - all.data();
        checked = eof ? end : upTo;
    };
    LineCursor cursor{all};
    qsizetype from = 0;
    // The next match of any form, its line listed once; the search goes on
    // after that line's end. Absent strings cost one pass at memory speed.
    while (!job.cancelled()) {
        const QByteArrayView text = all.first(end);
        qsizetype at = -1, length = 0;
        for (Form& f : forms) {
            const qsizetype hit = f.bytes.isEmpty() ? -1 : f.nextFrom(text, from);
            if (hit >= 0 && (at < 0 || hit < at)) at = hit, length = f.bytes.size();
        }
        if (at < 0) break;
        endBefore(at + length);
        if (at + length > end) break; // past the end of the text
        const char* base = text.data();
        const qsizetype startAt = lineStartOf(text, from, at);
        const char* cr = core::findLineEnd(base + at, base + end);
        const qsizetype lineEnd = cr ? cr - base : end;
        endBefore(lineEnd);
        const qsizetype endAt = std::min(lineEnd, end);
        cursor.advanceTo(startAt);
        found({cursor.line, excerpt(text, startAt, at, endAt)});
        from = endAt;
    }
}

} // namespace

core::Outcome findInFile(const QString& name, const QString& needle,
                         const std::function<void(const Match&)>& found, core::Job& job) {
    TextFile file;
    if (core::Outcome o = file.open(name); !o) return o;
    std::list<Form> forms; // stays in place: each pattern looks at its own bytes
    forms.emplace_back(needle.toUtf8());
    QStringEncoder cp1252("windows-1252");
    const QByteArray other = cp1252.encode(needle);
    if (!cp1252.hasError() && other != forms.front().bytes) forms.emplace_back(other);
    const QByteArrayView all = file.raw();
    if (forms.size() == 1 && !forms.front().bytes.isEmpty())
        findOneForm(all, forms.front().bytes, found, job);
    else
        findForms(all, forms, found, job);
    if (file.changed()) return core::Outcome::failed(shrankText(name));
    return core::Outcome::done();
}

core::Outcome compareFiles(const QString& first, const QString& second,
                           const std::function<void(const Difference&)>& differ, core::Job& job) {
    TextFile a, b;
    if (core::Outcome o = a.open(first); !o) return o;
    if (core::Outcome o = b.open(second); !o) return o;
    qint64 line = 0;
    // At least one pair is read: two empty texts compare an empty line with another.
    for (bool firstPair = true;; firstPair = false) {
        line += a.skipCommonLines(b);
        QByteArrayView left, right;
        const bool hasLeft = a.next(left), hasRight = b.next(right);
        if (!hasLeft && !hasRight && !firstPair) break;
        ++line;
        if (left != right) differ({line, left.toByteArray(), right.toByteArray()});
        if (job.cancelled()) break;
    }
    if (a.changed()) return core::Outcome::failed(shrankText(first));
    if (b.changed()) return core::Outcome::failed(shrankText(second));
    return core::Outcome::done();
}

} // namespace tools
