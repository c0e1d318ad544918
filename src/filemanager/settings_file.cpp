#include "settings_file.h"

#include <QFile>
#include <QSaveFile>

namespace filemanager {

namespace {

// Scans one line given in pieces: keeps its head and whether "clean=" was seen.
struct LineScan {
    QByteArray head; // first kMaxEntryLength + 6 bytes
    QByteArray tail; // last 5 bytes, to find the marker across pieces
    bool found = false;

    void feed(const QByteArray& piece) {
        if (head.size() < kMaxEntryLength + 6)
            head += piece.left(kMaxEntryLength + 6 - head.size());
        const QByteArray joined = tail + piece;
        if (!found) found = joined.contains("clean=");
        tail = joined.right(5);
    }
    void reset() { head.clear(), tail.clear(), found = false; }
};

} // namespace

void readCleanEntries(const QString& fileName, QStringList& into) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return;
    LineScan line;
    auto finish = [&] {
        if (line.found) {
            QByteArray entry = line.head.mid(6);
            if (entry.endsWith('\r')) entry.chop(1);
            into.append(QString::fromUtf8(entry));
        }
        line.reset();
    };
    char buf[65536];
    bool pending = false;
    for (;;) {
        qint64 n = f.read(buf, sizeof buf);
        if (n <= 0) break;
        const char* p = buf;
        const char* end = buf + n;
        while (p < end) {
            const char* nl = static_cast<const char*>(memchr(p, '\n', size_t(end - p)));
            const char* stop = nl ? nl : end;
            line.feed(QByteArray::fromRawData(p, int(stop - p)));
            pending = true;
            if (nl) {
                finish();
                pending = false;
            }
            p = nl ? nl + 1 : end;
        }
    }
    if (pending) finish();
}

bool writeCleanEntries(const QString& fileName, const QStringList& entries) {
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly)) return false;
    for (const QString& e : entries)
        f.write("clean=" + e.toUtf8() + "\r\n");
    return f.commit();
}

} // namespace filemanager
