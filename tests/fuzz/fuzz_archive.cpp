// The archive reader on any bytes: the input is cut into volumes at each
// "\nVOLUME\n", listed, verified and restored under a folder holding
// planted links to a sentinel folder that must never change.
#include "core/job.h"
#include "fuzz_folder.h"
#include "transforms/backup/archive_io.h"
#include "transforms/backup/backup_archive.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace {

const QByteArray kVolumeMark("\nVOLUME\n");

QString base() {
    return fuzzFolder();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

// Every file below the sentinel with its content.
QByteArray sentinelState() {
    QByteArray state;
    QDirIterator it(base() + QStringLiteral("/sentinel"),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QFile f(p);
        state += p.toUtf8() + '\0';
        if (f.open(QIODevice::ReadOnly)) state += f.readAll();
    }
    return state;
}

void prepare(const QByteArray& data) {
    QDir(base() + QStringLiteral("/vol")).removeRecursively();
    QDir(base() + QStringLiteral("/out")).removeRecursively();
    QDir().mkpath(base() + QStringLiteral("/vol"));
    QDir().mkpath(base() + QStringLiteral("/out"));
    const QString out = base() + QStringLiteral("/out/");
    // Links the names of a damaged archive might try to pass through.
    for (const char* name : {"tmp", "escape", "a"})
        QFile::link(base() + QStringLiteral("/sentinel"), out + QString::fromLatin1(name));
    QFile::link(base() + QStringLiteral("/sentinel/keep"), out + QStringLiteral("f"));
    qsizetype from = 0;
    for (int volume = 1; volume <= 999; ++volume) {
        const qsizetype mark = data.indexOf(kVolumeMark, from);
        const QByteArray part = data.mid(from, mark < 0 ? -1 : mark - from);
        write(transforms::volumeFileName(base() + QStringLiteral("/vol/a.bck"), volume), part);
        if (mark < 0) break;
        from = mark + kVolumeMark.size();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    QDir().mkpath(base() + QStringLiteral("/sentinel"));
    write(base() + QStringLiteral("/sentinel/keep"), "k");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArray data(reinterpret_cast<const char*>(bytes), qsizetype(size));
    static const QByteArray before = sentinelState();
    prepare(data);
    const QString archive = base() + QStringLiteral("/vol/a.bck");
    try {
        transforms::BackupArchive::scan(archive, 1);
    } catch (const std::exception&) {
    }
    for (bool fullPath : {true, false}) {
        transforms::RestoreRequest r;
        r.archive = archive;
        r.restorePath = base() + QStringLiteral("/out");
        r.threads = 1;
        r.fullPath = fullPath;
        transforms::ArchiveQuestions questions;
        questions.nextVolume = [&](int disk) {
            return QFile::exists(transforms::volumeFileName(archive, disk));
        };
        core::DirectJob job;
        transforms::BackupArchive::restore(r, job, questions);
    }
    if (sentinelState() != before) std::abort(); // a restore wrote through a link
    return 0;
}
