#include "text_tools.h"
#include "core/ansi.h"
#include "core/byte_search.h"
#include "core/errors.h"
#include "core/job.h"
#include "file_io.h"
#include "platform/file_replacement.h"
#include "platform/platform.h"
#include "sort_keys.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cstring>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace transforms {

namespace {

// One byte of the text: written always, kept by moving on only when it stays.
inline char* extractByte(char* o, char c, bool& previousCr) {
    const quint8 b = quint8(c);
    *o = c;
    o += (b >= 32 && b <= 127) | (b == 9) | ((b == 10) & previousCr);
    previousCr = b == 13;
    return o;
}

} // namespace

QByteArray extractBlock(const QByteArray& in, bool& cr) {
    QByteArray out(in.size(), Qt::Uninitialized);
    char* o = out.data();
    const char* p = in.constData();
    const char* end = p + in.size();
    bool previousCr = cr;
#if defined(__SSE2__)
    // Runs of sixteen bytes all between 32 and 127 (most of a text) go as
    // they are; the others byte by byte.
    const __m128i space = _mm_set1_epi8(32);
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(_mm_cmplt_epi8(v, space)) == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
            o += 16;
            previousCr = false;
            continue;
        }
        for (int i = 0; i < 16; ++i)
            o = extractByte(o, p[i], previousCr);
    }
#endif
    for (; p < end; ++p)
        o = extractByte(o, *p, previousCr);
    cr = previousCr;
    out.resize(o - out.data());
    return out;
}

core::Outcome extractText(const QString& source, const QString& output, core::Job& job) {
    QFile in(source);
    if (const platform::Status opened = platform::Platform::instance().openForRead(in); !opened)
        return core::Outcome::failed(readFailure(source, opened.error()));
    // Written aside: the output may be the source itself.
    platform::FileReplacement out(output);
    if (const platform::Status opened = out.open(); !opened)
        return core::Outcome::failed(writeFailure(output, opened.error()));
    bool cr = false;
    const qint64 size = in.size();
    qint64 done = 0;
    for (;;) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty()) break;
        const QByteArray kept = extractBlock(block, cr);
        if (out.file().write(kept) != kept.size())
            return core::Outcome::failed(writeFailure(output, platform::errDiskFull));
        done += block.size();
        job.progress(size > 0 ? int(done * 100 / size) : 100);
        if (job.cancelled()) return core::Outcome::cancelled(); // the output stays as it was
    }
    if (in.error() != QFileDevice::NoError)
        return core::Outcome::failed(QStringLiteral("Ne peut pas lire le fichier %1").arg(source));
    if (const platform::Status committed = out.commit(); !committed)
        return core::Outcome::failed(writeFailure(output, committed.error()));
    return core::Outcome::done();
}

core::Outcome mergeFiles(const QStringList& names, const QString& output, core::Job& job) {
    platform::Platform& p = platform::Platform::instance();
    // Written aside: an input that is the output is read as it was.
    platform::FileReplacement out(output);
    if (const platform::Status opened = out.open(); !opened)
        return core::Outcome::failed(writeFailure(output, opened.error()));
    job.progress(0);
    for (int i = 0; i < names.size(); ++i) {
        job.progress(i * 100 / names.size());
        const quint32 attrs = names[i].isEmpty() ? 0xFFFFFFFFu : p.attributes(names[i]);
        if (attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory)) continue;
        QFile in(names[i]);
        if (const platform::Status opened = p.openForRead(in); !opened) {
            if (opened.error() == platform::errNotRegular)
                return core::Outcome::failed(readFailure(names[i], opened.error()));
            continue; // gone or unreadable: left out, as a missing name is
        }
        for (;;) {
            const QByteArray block = in.read(1 << 20);
            if (block.isEmpty()) break;
            if (out.file().write(block) != block.size())
                return core::Outcome::failed(writeFailure(output, platform::errDiskFull));
            if (job.cancelled()) return core::Outcome::cancelled();
        }
    }
    if (const platform::Status committed = out.commit(); !committed)
        return core::Outcome::failed(writeFailure(output, committed.error()));
    return core::Outcome::done();
}

namespace {

struct Line {
    qsizetype start, length;
};

QString decodeLine(const QByteArray& data, const Line& l) {
    const QByteArray bytes = QByteArray::fromRawData(data.constData() + l.start, l.length);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8.decode(bytes);
    if (!utf8.hasError()) return s;
    s.resize(bytes.size());
    char16_t* out = reinterpret_cast<char16_t*>(s.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = core::ansiToUnicode(quint8(bytes[i]));
    return s;
}

// A line's key: its first eight bytes in one number, so that most
// comparisons end there; ties go by the lines' order, as a stable sort.
struct Keyed {
    quint64 prefix;
    const char* key;
    quint32 length, index;
};

bool before(const Keyed& a, const Keyed& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    if (const int c = std::memcmp(a.key, b.key, std::min(a.length, b.length))) return c < 0;
    if (a.length != b.length) return a.length < b.length;
    return a.index < b.index;
}

// The keys of one run of lines, made and sorted by one thread.
struct Run {
    QByteArray arena;
    std::vector<Keyed> keyed;
};

void makeRun(const QByteArray& data, const std::vector<Line>& lines, size_t first, size_t last,
             Run& run, core::Job& job) {
    SortKeyMaker maker;
    std::vector<qsizetype> offsets;
    offsets.reserve(last - first);
    run.arena.reserve(qsizetype(last - first) * 96);
    run.keyed.resize(last - first);
    for (size_t i = first; i < last; ++i) {
        if ((i - first) % 4096 == 0 && job.cancelled()) return; // the caller sees the stop
        offsets.push_back(run.arena.size());
        run.keyed[i - first].length = quint32(maker.append(decodeLine(data, lines[i]), run.arena));
        run.keyed[i - first].index = quint32(i);
    }
    for (size_t k = 0; k < run.keyed.size(); ++k) {
        Keyed& e = run.keyed[k];
        e.key = run.arena.constData() + offsets[k];
        quint64 prefix = 0;
        for (quint32 b = 0; b < 8; ++b)
            prefix = prefix << 8 | (b < e.length ? quint8(e.key[b]) : 0);
        e.prefix = prefix;
    }
    std::sort(run.keyed.begin(), run.keyed.end(), before);
}

// The lines' order: keys made and sorted in runs on every core, then
// merged; empty when the job was stopped meanwhile.
std::vector<quint32> sortedOrder(const QByteArray& data, const std::vector<Line>& lines,
                                 core::Job& job) {
    const size_t parts = std::min<size_t>(std::max(2, QThread::idealThreadCount()),
                                          std::max<size_t>(1, lines.size()));
    std::vector<Run> runs(parts);
    std::vector<size_t> ids(parts);
    std::iota(ids.begin(), ids.end(), 0);
    QtConcurrent::blockingMap(ids, [&](size_t r) {
        makeRun(data, lines, lines.size() * r / parts, lines.size() * (r + 1) / parts, runs[r],
                job);
    });
    if (job.cancelled()) return {};
    job.progress(70);
    std::vector<Keyed> merged = std::move(runs[0].keyed);
    for (size_t r = 1; r < parts; ++r) {
        std::vector<Keyed> next(merged.size() + runs[r].keyed.size());
        std::merge(merged.begin(), merged.end(), runs[r].keyed.begin(), runs[r].keyed.end(),
                   next.begin(), before);
        merged = std::move(next);
    }
    std::vector<quint32> order;
    order.reserve(merged.size());
    for (const Keyed& e : merged)
        order.push_back(e.index);
    return order;
}

// False when the job was stopped: the file is left as it was.
bool sortInPlace(const QString& name, core::Job& job) {
    QFile f(name);
    platform::Platform& platform = platform::Platform::instance();
    if (const platform::Status opened = platform.openForRead(f); !opened) {
        const int err = opened.error();
        if (err == platform::errNotRegular) throw core::TavError(readFailure(name, err));
        throw core::InOutError(
            err == platform::errFileNotFound || err == platform::errPathNotFound ? 2 : 5);
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) throw core::InOutError(100);
    f.close();
    job.progress(10);
    if (job.cancelled()) return false;
    std::vector<Line> lines;
    const char* p = data.constData();
    const qsizetype n = data.size();
    // Lines are written back with the end the text uses: its first one; a
    // text without any gets CR LF.
    QByteArrayView lineEnd("\r\n");
    if (const char* first = core::findLineEnd(p, p + n))
        lineEnd = *first == '\n'                          ? QByteArrayView("\n")
                  : first + 1 < p + n && first[1] == '\n' ? QByteArrayView("\r\n")
                                                          : QByteArrayView("\r");
    for (qsizetype start = 0; start < n;) {
        qsizetype i = start;
        while (i < n && p[i] != '\r' && p[i] != '\n')
            ++i;
        lines.push_back({start, i - start});
        if (i < n && p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
        start = i + 1;
    }
    const std::vector<quint32> order = sortedOrder(data, lines, job);
    if (job.cancelled()) return false;
    job.progress(80);
    // Written aside and put in place whole, keeping the file's mode and owner.
    platform::FileReplacement replacement(name);
    if (const platform::Status opened = replacement.open(); !opened)
        throw core::TavError(writeFailure(name, opened.error()));
    QFile& out = replacement.file();
    QByteArray buf;
    buf.reserve(1 << 20);
    for (size_t k = 0; k < order.size(); ++k) {
        const Line& line = lines[order[k]];
        buf.append(data.constData() + line.start, line.length);
        buf.append(lineEnd.data(), lineEnd.size());
        if (buf.size() >= (1 << 20)) {
            if (out.write(buf) != buf.size()) throw core::InOutError(101);
            buf.clear();
            job.progress(80 + int(k * 20 / order.size()));
            if (job.cancelled()) return false; // the replacement is discarded
        }
    }
    if (out.write(buf) != buf.size()) throw core::InOutError(101);
    if (const platform::Status committed = replacement.commit(); !committed)
        throw core::TavError(writeFailure(name, committed.error()));
    return true;
}

} // namespace

core::Outcome sortLines(const QString& name, core::Job& job) {
    bool finished = false;
    const core::Outcome o = core::Outcome::from([&] { finished = sortInPlace(name, job); });
    return o.ok() && !finished ? core::Outcome::cancelled() : o;
}

} // namespace transforms
