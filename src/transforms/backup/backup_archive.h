#pragma once
// The backup archive component: writes files into one compressed archive,
// possibly spread over several volumes, and restores them. No widgets: each
// run is a job, and the host answers its questions.

#include "core/errors.h"

#include <QIODevice>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QFile;
class QThreadPool;
namespace core {
class Job;
}

namespace transforms {

enum TBackupMode { bmAll, bmIncremental };
enum TRestoreMode { rmAll, rmNoOverwrite, rmNewer, rmExisting, rmExistingNewer };
enum TCompressionLevel { clFastest, clNone, clDefault, clMax };

// What a scan of an archive finds for one entry.
struct ArchiveEntry {
    QString name;
    qint32 date = 0;
    qint64 size = 0;
    QList<int> volumes;
};

class VolumeReader;
class VolumeWriter;

// What a backup or restore answers: done, cancelled (the user stopped it or
// declined a volume), or failed with its French text. `error` is the
// archive's error number (1 to 11) when one ended the run; 0 with a failure
// means the archive could not be read at all.
struct ArchiveResult {
    core::Outcome outcome;
    int error = 0;
    qint32 fileCount = 0;
    qint32 filesDone = 0;
    // Restored into one folder without their paths: files of the same name
    // from different folders, each after the first under a free name.
    qint32 renamed = 0;
    qint64 totalSize = 0;
    qint64 bytesWritten = 0;
    int compressionRate = 0;
};

// "Restore terminée avec succès, N fichiers sur M restorés", and how many
// took a free name when some did.
QString restoreDoneText(const ArchiveResult& result);

// The questions a run asks, each through job.ask on the thread that
// started it. Unset: a volume prompt stops the run, a report is dropped.
struct ArchiveQuestions {
    // "Insert volume `disk`": true to go on.
    std::function<bool(int disk)> nextVolume;
    // An error met on the way that does not end the run (a stored name
    // refused); shown as it happens.
    std::function<void(const QString& text)> report;
    // Each file of the archive that a restore leaves as it was, with why.
    // Called on the worker, as it happens: it must not touch windows.
    std::function<void(const QString& name, const QString& cause)> notRestored;
};

class BackupArchive {
  public:
    BackupArchive();
    ~BackupArchive();

    // Settings and events
    QString Version() const { return QStringLiteral("5.10"); }
    void setVersion(const QString&) {}
    QString BackupTitle;
    TBackupMode BackupMode() const { return m_backupMode; }
    void setBackupMode(TBackupMode mode);
    TCompressionLevel CompressionLevel = clFastest;
    TRestoreMode RestoreMode = rmAll;
    qint32 MaxSize = 0;
    bool SetArchiveFlag = false;
    bool RestoreFullPath = false;
    bool SaveFileID = false;
    // The folder relative specs and stored names without a root are taken
    // in (absolute). Empty: names stay as given.
    QString Folder;

    // Hooks of a restore, called on the worker: a file about to be restored
    // (clearing doRestore skips it) and a file restored.
    std::function<void(QString& fileName, qint32 fa, bool& doRestore)> OnRestoreFile;
    std::function<void(QString& fileName, QFile& stream)> OnFileRestored;

    // Run-time state
    qint32 FileCount = 0;
    qint32 FilesDone = 0;
    qint64 TotalSize = 0;
    qint64 BytesDone = 0;
    qint64 BytesWritten = 0;
    QString CurrentFile;
    QIODevice* RestoreStream = nullptr;
    QIODevice* BackupStream = nullptr;

    // The runs, as jobs: progress and Escape through the job, questions
    // through job.ask, the outcome and the counts in the result.
    ArchiveResult backup(const QStringList& fileSpecs, const QString& archiveName, core::Job& job,
                         const ArchiveQuestions& questions = {});
    ArchiveResult restore(const QString& archiveName, const QString& restorePath, core::Job& job,
                          const ArchiveQuestions& questions = {});
    int CompressionRate() const;
    static QString errorText(int code);

    // Reads the whole archive, inflating every block; throws core::TavError on
    // the first fault. Volumes must be at hand beside the first one.
    QList<ArchiveEntry> Scan(const QString& archiveName);

    // The file list a backup would take (exposed for tests and the front end).
    QStringList buildFileList(const QStringList& fileSpecs, const QString& archiveName) const;

    // Worker threads used to compress and inflate blocks (1 = none).
    int threads = 0;

  private:
    bool runBackup(const QStringList& fileSpecs, const QString& archiveName);
    bool runRestore(const QString& archiveName, const QString& restorePath);
    ArchiveResult run(core::Job& job, const ArchiveQuestions& questions,
                      const std::function<bool()>& work);
    void report(const QString& text);
    struct Source;
    bool writeEntries(const QStringList& files, VolumeWriter& out, const QString& archive,
                      int& volume);
    bool writeSegment(Source& src, VolumeWriter& out);
    bool nextVolume(VolumeWriter& out, const QString& archive, int& volume);
    void addSpec(QString spec, const QString& archive, QStringList& list,
                 QSet<QString>& seen) const;
    void progress(const QString& file);
    bool askDisk(int disk);
    void readHeader(VolumeReader& in);                // title skipped; total size and count kept
    bool readName(VolumeReader& in, QByteArray& raw); // false at the end mark
    static int continuationVolume(const QByteArray& breakName, int current);
    bool openNextVolume(VolumeReader& in, QString& archive, int& current,
                        const QByteArray& breakName);
    struct Pending;
    QString inFolder(const QString& name) const;
    static bool isVolumeOf(const QString& candidate, const QString& archive);
    static QString causeOf(int platformError);
    QString m_writeCause; // why a restored file could not be written
    void notRestored(const QString& name, const QString& cause);
    bool wanted(const QString& target, qint32 date) const;
    void startFile(Pending& pending, const QString& target, qint32 date);
    void endFile(Pending& pending);
    // Restored files written whole and waiting for their names: flushed to
    // the disk together, then each renamed over its target.
    std::vector<std::unique_ptr<Pending>> m_completed;
    QSet<QString> m_restoredTargets; // this run's targets, when names may meet
    qint32 m_renamed = 0;
    QString m_restoreRoot;
    void commitCompleted();
    void restoreEntry(VolumeReader& in, const QByteArray& raw, const QString& path,
                      Pending& pending);
    enum class SegmentMode { Extract, Skip };
    void readSegment(VolumeReader& in, QFile* target, SegmentMode mode, qint64* counted = nullptr);
    static bool onRemovableMedium(const QString& archive);
    bool restoreTarget(const QString& stored, const QString& restorePath, QString& target,
                       QString& refusal) const;
    QThreadPool* pool();

    core::Job* m_job = nullptr; // the job running, during a run
    ArchiveQuestions m_questions;
    bool m_continue = false;
    int m_error = 0;
    QString m_errorDetail;
    TBackupMode m_backupMode = bmAll;
    std::unique_ptr<QThreadPool> m_pool;
};

} // namespace transforms
