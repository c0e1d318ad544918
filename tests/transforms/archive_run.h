#pragma once
// The archive's jobs run on the test's thread: the questions are the
// test's own, reports and numbered failures are collected, and an archive
// that cannot be read is raised as the window's general report would get it.

#include "core/job.h"
#include "transforms/backup/backup_archive.h"

#include <QStringList>

namespace archive_test {

struct TestArchive : transforms::BackupArchive {
    transforms::ArchiveQuestions questions;
    std::function<void(int percent)> onProgress;
    QStringList errors; // reports on the way, then a numbered failure
    transforms::ArchiveResult last;
    core::Job* running = nullptr; // during a run: Escape is running->cancel()

    TestArchive() { threads = 2; }

    bool Backup(const QStringList& specs, const QString& archive) {
        return runJob([&](core::Job& j, const transforms::ArchiveQuestions& q) {
            return backup(specs, archive, j, q);
        });
    }
    bool Restore(const QString& archive, const QString& path) {
        return runJob([&](core::Job& j, const transforms::ArchiveQuestions& q) {
            return restore(archive, path, j, q);
        });
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
        if (last.outcome.kind == core::Outcome::Failed) {
            if (last.error == 0) throw core::TavError(last.outcome.text);
            errors << last.outcome.text;
        }
        return last.outcome.ok();
    }
};

} // namespace archive_test
