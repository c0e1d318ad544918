// Opens a dBase table in the "Fichier dBase" window offscreen and prints
// the time until its first screen is drawn and the memory it took.
// Usage: bench_dbase TABLE | bench_dbase --make TABLE RECORDS
#include "viewers/dbase_window.h"
#include "viewers/dbf_grid_model.h"

#include "resident.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <cstdio>

namespace {

// Ten fields: C, N, D and L, in a table of the given number of records.
bool makeTable(const QString& path, qint64 records) {
    const struct {
        const char* name;
        char type;
        int length;
    } fields[] = {{"NAME", 'C', 20}, {"CITY", 'C', 15}, {"AMOUNT", 'N', 10}, {"QTY", 'N', 6},
                  {"BORN", 'D', 8},  {"PAID", 'L', 1},  {"CODE", 'C', 8},    {"RATE", 'N', 8},
                  {"SEEN", 'D', 8},  {"NOTE", 'C', 30}};
    int recordLength = 1;
    for (const auto& f : fields)
        recordLength += f.length;
    const int header = 32 + 32 * 10 + 1;
    QByteArray head(header, 0);
    head[0] = 0x03;
    for (int i = 0; i < 4; ++i)
        head[4 + i] = char(quint32(records) >> (8 * i));
    head[8] = char(header & 0xFF), head[9] = char(header >> 8);
    head[10] = char(recordLength & 0xFF), head[11] = char(recordLength >> 8);
    for (int i = 0; i < 10; ++i) {
        head.replace(32 * (i + 1), int(qstrlen(fields[i].name)), fields[i].name);
        head[32 * (i + 1) + 11] = fields[i].type;
        head[32 * (i + 1) + 16] = char(fields[i].length);
    }
    head[header - 1] = 0x0D;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    f.write(head);
    QByteArray block;
    for (qint64 r = 1; r <= records; ++r) {
        const QByteArray n = QByteArray::number(r);
        block += ' ';
        block += QByteArray("Name " + n).leftJustified(20, ' ', true);
        block += QByteArray("Paris").leftJustified(15, ' ');
        block += QByteArray::number(r * 7 % 100000).rightJustified(10, ' ');
        block += QByteArray::number(r % 1000).rightJustified(6, ' ');
        block += "19991231";
        block += (r % 2) ? 'T' : 'F';
        block += QByteArray("C" + n).leftJustified(8, ' ', true);
        block += QByteArray("1.25").rightJustified(8, ' ');
        block += "20240101";
        block += QByteArray("a note about record ").leftJustified(30, ' ');
        if (block.size() > (1 << 20)) {
            f.write(block);
            block.clear();
        }
    }
    f.write(block + '\x1A');
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--make")
        return makeTable(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong()) ? 0 : 1;
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_dbase TABLE | --make TABLE RECORDS\n");
        return 2;
    }
    const long before = residentKiB();
    QElapsedTimer t;
    t.start();
    viewers::DbaseWindow window;
    window.init(QString::fromLocal8Bit(argv[1]));
    window.resize(1024, 768);
    window.show();
    // The table is read once the window is on screen: the first screen is
    // drawn when its rows are there.
    while (!window.model() && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    window.grid->viewport()->repaint();
    const double seconds = t.nsecsElapsed() / 1e9;
    std::printf("rows %d  first screen %.3f s  memory %.1f MiB\n",
                window.model() ? window.model()->gridRows() : 0, seconds,
                (residentKiB() - before) / 1024.0);
    return 0;
}
