// Loads a file into the hex editor's document and searches it for a pattern
// that is not there; prints both times and the peak memory.
#include "core/job.h"
#include "hexedit/hexeditor/hex_document.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

// The document's jobs, run here.
bool load(hexedit::HexDocument& doc, const QString& name) {
    core::DirectJob job;
    return doc.copyIn(name, job) && doc.adoptCopy(name);
}

bool save(hexedit::HexDocument& doc, const QString& name) {
    doc.flushWork();
    core::DirectJob job;
    if (!doc.writeTo(name, job)) return false;
    doc.savedAs(name);
    return true;
}

qint64 findIn(hexedit::HexDocument& doc, QByteArray& pattern, bool folded) {
    core::DirectJob job;
    return hexedit::HexDocument::scan(
        doc.prepareFind(pattern, 0, doc.dataSize() - 1, folded, folded), job);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    hexedit::HexDocument doc;
    // save FILE: two bytes typed, then the whole file saved over itself.
    if (QByteArray(argv[1]) == "save") {
        const QString name = QString::fromLocal8Bit(argv[2]);
        doc.createBackup = false;
        if (!load(doc, name)) return 1;
        doc.changeByte(0, 'A', {});
        doc.changeByte(doc.dataSize() / 2, 'B', {});
        QElapsedTimer t;
        t.start();
        const bool saved = save(doc, name);
        std::printf("%.3f\n", t.nsecsElapsed() / 1e9);
        return saved ? 0 : 1;
    }
    QElapsedTimer t;
    t.start();
    load(doc, QString::fromLocal8Bit(argv[1]));
    const double load = t.nsecsElapsed() / 1e9;
    QByteArray pattern(argv[2]);
    t.restart();
    const qint64 exact = findIn(doc, pattern, false);
    const double find = t.nsecsElapsed() / 1e9;
    QByteArray text(argv[2]);
    t.restart();
    const qint64 folded = findIn(doc, text, true);
    const double findCase = t.nsecsElapsed() / 1e9;
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    std::printf("load %.3f find %.3f findcase %.3f found %lld %lld peak %.1f MiB\n", load, find,
                findCase, (long long)exact, (long long)folded, ru.ru_maxrss / 1024.0);
    return 0;
}
