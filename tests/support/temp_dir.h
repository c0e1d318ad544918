#pragma once
// Test helpers: a temporary start folder that is the current directory
// for the test's lifetime, and small file makers.

#include "core/job.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>

namespace testing_support {

class TempDir {
  public:
    // With enter, the folder becomes the current directory until destruction.
    explicit TempDir(bool enter = true);
    ~TempDir();

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Writes a file (creating folders on the way); returns its full path.
    QString write(const QString& name, const QByteArray& content = {}) const;
    QString mkdir(const QString& name) const;

  private:
    QTemporaryDir m_dir;
    QString m_previous;
    bool m_entered;
};

QByteArray readAll(const QString& path);

// A job nobody stops and nobody watches, for engines called directly.
inline core::Job& idle() {
    static core::DirectJob job;
    return job;
}

// A job that shows `told` each amount reported to it and is stopped when
// told answers true.
class WatchingJob : public core::DirectJob {
  public:
    explicit WatchingJob(std::function<bool(qint64 done, qint64 total)> told) {
        onProgress = [this, told = std::move(told)](int) {
            if (told(amountDone(), amountTotal())) cancel();
        };
    }
};

} // namespace testing_support
