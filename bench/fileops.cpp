// Deletes or copies a folder tree through the file manager's walks and
// prints the time taken. Usage: bench_fileops delete|copy SOURCE [DEST]
#include "core/job.h"
#include "filemanager/file_tree.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString source = QString::fromLocal8Bit(argv[2]);
    // Asks for a stop between entries, as a running job does.
    core::DirectJob job;
    filemanager::TreeCallbacks cb{job, {}, {}};
    QElapsedTimer t;
    t.start();
    if (mode == u"delete") {
        filemanager::delTree(source, QStringLiteral("*.*"), cb);
        platform::Platform::instance().removeFolder(source);
    } else {
        const QString dest = QString::fromLocal8Bit(argv[3]);
        QDir().mkpath(dest);
        bool ask = true;
        filemanager::copyFolder(source, QStringLiteral("*.*"), dest, ask, cb);
    }
    std::printf("%.3f\n", t.nsecsElapsed() / 1e9);
    return 0;
}
