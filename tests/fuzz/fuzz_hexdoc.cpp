// The hex document's edits, undo and save, driven by any bytes and checked
// after each step against a plain byte vector.
#include "core/job.h"
#include "data_provider.h"
#include "fuzz_folder.h"
#include "hexedit/hexeditor/hex_cursor.h"
#include "hexedit/hexeditor/hex_document.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

QString path(const char* name) {
    return fuzzFolder() + QLatin1Char('/') + QString::fromLatin1(name);
}

void check(bool ok, int line = __builtin_LINE()) {
    if (ok) return;
    std::fprintf(stderr, "check failed at line %d\n", line);
    std::abort();
}

void compare(hexedit::HexCursor& doc, const Bytes& model) {
    check(doc.dataSize() == qint64(model.size()));
    for (size_t i = 0; i < model.size(); ++i)
        check(doc.readByte(qint64(i)) == model[i]);
}

QByteArray toBytes(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

// Selects [a, b] of a non-empty document.
void select(hexedit::HexCursor& doc, qint64 a, qint64 b) {
    doc.setSelStart(a);
    doc.setSelEnd(b);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    DataProvider in(bytes, size);
    Bytes model = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 300));
    {
        QFile f(path("in"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(toBytes(model));
    }
    hexedit::HexDocument doc;
    hexedit::HexCursor cursor(doc);
    doc.createBackup = false;
    doc.setAllowInsertMode(true);
    doc.insertFlag = true;
    core::DirectJob job;
    if (!doc.copyIn(path("in"), job) || !doc.adoptCopy(path("in"))) return 0;
    std::deque<Bytes> undo; // the contents before each recorded change, latest last
    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        const int count = doc.undoCount();
        const QByteArray stream = doc.undoStream();
        const Bytes before = model;
        const qint64 n = qint64(model.size());
        const qint64 a = n ? in.ConsumeIntegralInRange<qint64>(0, n - 1) : 0;
        const qint64 b = n ? in.ConsumeIntegralInRange<qint64>(a, n - 1) : 0;
        const Bytes data = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 40));
        const int op = in.ConsumeIntegralInRange<int>(0, 6);
        if (std::getenv("TAV_FUZZ_TRACE"))
            std::fprintf(stderr, "op %d a %lld b %lld n %lld data %zu undo %d\n", op, (long long)a,
                         (long long)b, (long long)n, data.size(), doc.undoCount());
        switch (op) {
        case 0:
            if (n == 0) break;
            cursor.changeByte(a, data.empty() ? 0 : data[0]);
            model[size_t(a)] = data.empty() ? 0 : data[0];
            break;
        case 1:
            if (data.empty()) break;
            cursor.insertBuffer(toBytes(data), a);
            model.insert(model.begin() + a, data.begin(), data.end());
            break;
        case 2:
            if (data.empty()) break;
            cursor.appendBuffer(toBytes(data));
            model.insert(model.end(), data.begin(), data.end());
            break;
        case 3:
            if (n == 0) break;
            select(cursor, a, b);
            cursor.deleteSelection();
            model.erase(model.begin() + a, model.begin() + b + 1);
            break;
        case 4:
            if (n == 0 || data.empty()) break;
            select(cursor, a, b);
            cursor.replaceSelection(toBytes(data));
            model.erase(model.begin() + a, model.begin() + b + 1);
            model.insert(model.begin() + a, data.begin(), data.end());
            break;
        case 5:
            if (undo.empty()) {
                cursor.undo();
                check(doc.undoCount() == 0);
                break;
            }
            cursor.undo();
            model = undo.back();
            undo.pop_back();
            break;
        default: {
            doc.flushWork();
            check(doc.writeTo(path("out"), job));
            doc.savedAs(path("out"));
            QFile f(path("out"));
            check(f.open(QIODevice::ReadOnly) && f.readAll() == toBytes(model));
            break;
        }
        }
        // A change that was recorded can be undone to exactly what was before.
        const bool recorded =
            doc.undoCount() > count || (count == 100 && doc.undoStream() != stream);
        if (recorded) { // a record even for a change to the same bytes
            undo.push_back(before);
            if (undo.size() > 100) undo.pop_front();
        }
        check(recorded || model == before || doc.undoCount() < count);
        if (doc.undoCount() == 0) undo.clear(); // a save starts a new history
        compare(cursor, model);
    }
    return 0;
}
