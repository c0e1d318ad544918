#include "text_tools.h"
#include "platform/Platform.h"
#include "core/errors.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentMap>
#include <numeric>

namespace transforms {

QByteArray extractBlock(const QByteArray& in, bool& cr) {
    QByteArray out(in.size(), Qt::Uninitialized);
    char* o = out.data();
    bool previousCr = cr;
    for (char c : in) {
        const quint8 b = quint8(c);
        // Written always, kept by moving on only when the byte stays.
        *o = c;
        o += (b >= 32 && b <= 127) | (b == 9) | ((b == 10) & previousCr);
        previousCr = b == 13;
    }
    cr = previousCr;
    out.resize(o - out.data());
    return out;
}

bool extractText(const QString& source, const QString& output, const Progress& progress) {
    QFile in(source), out(output);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool cr = false;
    const qint64 size = in.size();
    qint64 done = 0;
    for (;;) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty()) break;
        const QByteArray kept = extractBlock(block, cr);
        if (out.write(kept) != kept.size()) return false;
        done += block.size();
        progress(size > 0 ? int(done * 100 / size) : 100);
    }
    return true;
}

bool mergeFiles(const QStringList& names, const QString& output, const Progress& progress) {
    platform::Platform& p = platform::Platform::instance();
    QFile out(output);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    progress(0);
    for (int i = 0; i < names.size(); ++i) {
        progress(i * 100 / names.size());
        const quint32 attrs = names[i].isEmpty() ? 0xFFFFFFFFu : p.attributes(names[i]);
        if (attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory)) continue;
        QFile in(names[i]);
        if (!in.open(QIODevice::ReadOnly)) continue;
        for (;;) {
            const QByteArray block = in.read(1 << 20);
            if (block.isEmpty()) break;
            if (out.write(block) != block.size()) return false;
        }
    }
    return true;
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
    QStringDecoder ansi("windows-1252");
    return ansi.isValid() ? QString(ansi.decode(bytes)) : QString::fromLatin1(bytes);
}

void sortInPlace(const QString& name) {
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) throw core::InOutError(QFileInfo::exists(name) ? 5 : 2);
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) throw core::InOutError(100);
    f.close();
    std::vector<Line> lines;
    const char* p = data.constData();
    const qsizetype n = data.size();
    for (qsizetype start = 0; start < n;) {
        qsizetype i = start;
        while (i < n && p[i] != '\r' && p[i] != '\n')
            ++i;
        lines.push_back({start, i - start});
        if (i < n && p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
        start = i + 1;
    }
    // Sort keys are made on both cores; the comparison is then a memcmp.
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys(lines.size(), collator.sortKey(QString()));
    std::vector<size_t> order(lines.size());
    std::iota(order.begin(), order.end(), 0);
    const QCollator& shared = collator; // read-only once made, so both threads may use it
    if (!lines.empty()) keys[0] = shared.sortKey(decodeLine(data, lines[0]));
    QtConcurrent::blockingMap(
        order, [&](size_t i) { keys[i] = shared.sortKey(decodeLine(data, lines[i])); });
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return keys[a].compare(keys[b]) < 0; });
    // Written aside and put in place whole, keeping the file's permissions.
    QSaveFile out(name);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) throw core::InOutError(5);
    QByteArray buf;
    buf.reserve(1 << 20);
    for (size_t i : order) {
        buf.append(data.constData() + lines[i].start, lines[i].length);
        buf.append("\r\n", 2);
        if (buf.size() >= (1 << 20)) {
            if (out.write(buf) != buf.size()) throw core::InOutError(101);
            buf.clear();
        }
    }
    if (out.write(buf) != buf.size() || !out.commit()) throw core::InOutError(101);
}

} // namespace

core::Outcome sortLines(const QString& name) {
    return core::Outcome::from([&] { sortInPlace(name); });
}

} // namespace transforms
