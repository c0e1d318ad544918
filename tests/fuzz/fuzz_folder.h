// A folder of the target's own under the temporary folder, made at first use
// and removed when the process ends.
#pragma once

#include <QDir>
#include <QString>
#include <cstdlib>
#include <unistd.h>

inline QString fuzzFolder() {
    // Never destroyed, so the removal at exit still has its name.
    static const QString* folder = [] {
        auto* f = new QString(QDir::tempPath() + QStringLiteral("/tavfuzz-%1").arg(getpid()));
        QDir().mkpath(*f);
        std::atexit([] { QDir(fuzzFolder()).removeRecursively(); });
        return f;
    }();
    return *folder;
}
