#pragma once
// The archive's jobs run on the test's thread: the questions are the
// test's own, reports and numbered failures are collected, and an archive
// that cannot be read is raised as the window's general report would get it.

#include "core/job.h"
#include "transforms/backup/backup_archive.h"

#include <QStringList>

namespace archive_test {

struct TestArchive {
    // The settings the next run takes.
    QString backupTitle;
    transforms::CompressionLevel compressionLevel = transforms::clFastest;
    qint32 maxSize = 0;
    transforms::BackupMode backupMode = transforms::bmAll;
    bool saveFileList = false;
    transforms::RestoreMode restoreMode = transforms::rmAll;
    bool restoreFullPath = false;
    QString folder;
    int threads = 2;

    transforms::ArchiveQuestions questions;
    std::function<void(int percent)> onProgress;
    QStringList errors; // reports on the way, then a numbered failure
    transforms::ArchiveResult last;
    core::Job* running = nullptr; // during a run: Escape is running->cancel()

    // The last run's counts.
    qint32 fileCount = 0;
    qint32 filesDone = 0;
    qint64 bytesWritten = 0;
    int compressionRate() const { return last.compressionRate; }

    transforms::BackupRequest backupRequest(const QStringList& specs,
                                            const QString& archive) const {
        transforms::BackupRequest r;
        r.specs = specs;
        r.archive = archive;
        r.title = backupTitle;
        r.mode = backupMode;
        r.level = compressionLevel;
        r.maxSize = maxSize;
        r.saveFileList = saveFileList;
        r.folder = folder;
        r.threads = threads;
        return r;
    }
    bool Backup(const QStringList& specs, const QString& archive) {
        return runJob([&](core::Job& j, const transforms::ArchiveQuestions& q) {
            return transforms::BackupArchive::backup(backupRequest(specs, archive), j, q);
        });
    }
    bool Restore(const QString& archive, const QString& path) {
        transforms::RestoreRequest r;
        r.archive = archive;
        r.restorePath = path;
        r.mode = restoreMode;
        r.fullPath = restoreFullPath;
        r.folder = folder;
        r.threads = threads;
        return runJob([&](core::Job& j, const transforms::ArchiveQuestions& q) {
            return transforms::BackupArchive::restore(r, j, q);
        });
    }
    QStringList buildFileList(const QStringList& specs, const QString& archive) const {
        return transforms::BackupArchive::fileList(backupRequest(specs, archive));
    }
    QList<transforms::ArchiveEntry> scan(const QString& archive) const {
        return transforms::BackupArchive::scan(archive, threads);
    }
    void volumesAtHand() {
        questions.nextVolume = [](int) { return true; };
    }

  private:
    template <class F> bool runJob(F&& work) {
        transforms::ArchiveQuestions q = questions;
        q.report = [this](const QString& text) { errors << text; };
        core::DirectJob job;
        job.onProgress = onProgress;
        running = &job;
        last = work(job, q);
        running = nullptr;
        fileCount = last.fileCount;
        filesDone = last.filesDone;
        bytesWritten = last.bytesWritten;
        if (last.outcome.kind == core::Outcome::Failed) {
            if (last.error == 0) throw core::TavError(last.outcome.text);
            errors << last.outcome.text;
        }
        return last.outcome.ok();
    }
};

} // namespace archive_test
