// Lists a folder through the file manager's readFolder, no window shown,
// and prints the time taken and the memory the listing holds.
#include "filemanager/file_manager_view.h"

#include "resident.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_listing FOLDER [RUNS]\n");
        return 2;
    }
    QDir::setCurrent(QString::fromLocal8Bit(argv[1]));
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    filemanager::FileManagerView tool;
    const long before = residentKiB();
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        tool.readFolder();
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    // Select all and read the selection, as every command does.
    QElapsedTimer t;
    t.start();
    tool.selectAll();
    tool.takeSelection();
    const double select = t.nsecsElapsed() / 1e9;
    std::printf("rows %d  best %.3f s  listing memory %.1f MiB  select all %.3f s (%lld)\n",
                tool.model()->rowCount(), best, (residentKiB() - before) / 1024.0, select,
                qlonglong(tool.selection().size()));
    return 0;
}
