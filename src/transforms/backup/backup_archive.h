#pragma once
// The backup archive: writes files into one compressed archive,
// possibly spread over several volumes, and restores them. No widgets: each
// run is a job, and the host answers its questions.

#include "core/errors.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QFile;
class QThreadPool;
namespace core {
class Job;
}

namespace transforms {

enum BackupMode { bmAll, bmIncremental };
enum RestoreMode { rmAll, rmNoOverwrite, rmNewer, rmExisting, rmExistingNewer };
enum CompressionLevel { clFastest, clNone, clDefault, clMax };

// What a scan of an archive finds for one entry.
struct ArchiveEntry {
    QString name;
    qint32 date = 0;
    qint64 size = 0;
    QList<int> volumes;
};

class VolumeReader;
class VolumeWriter;

// What a backup stores, where and how.
struct BackupRequest {
    // Files, or masks such as "folder/*.txt"; " /s" after a mask takes the
    // sub-folders too.
    QStringList specs;
    QString archive; // the first volume's name
    QString title;
    // Incremental: the files whose archive attribute is set, which the
    // backup then clears.
    BackupMode mode = bmAll;
    CompressionLevel level = clFastest;
    qint32 maxSize = 0;        // bytes a volume; 0 for one volume of any size
    bool saveFileList = false; // the stored names, as the archive's first file
    // The folder relative specs are taken in (absolute); empty: as given.
    QString folder;
    int threads = 0; // blocks compressed at once; 0: one a processor
};

// What a restore takes out of an archive, and where to.
struct RestoreRequest {
    QString archive;
    QString restorePath; // empty: each file to its stored path
    RestoreMode mode = rmAll;
    bool fullPath = false; // under restorePath, the stored folders rebuilt
    // The folder stored names without a root are taken in; empty: as given.
    QString folder;
    int threads = 0; // blocks inflated at once; 0: one a processor
};

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
    // A restored file, whole, just before it takes its name; on the worker.
    std::function<void(const QString& name, QFile& content)> fileRestored;
};

// The runs of the archive. Each call is one run, on its own state.
class BackupArchive {
  public:
    static QString version() { return QStringLiteral("5.10"); }
    // The runs, as jobs: progress and Escape through the job, questions
    // through job.ask, the outcome and the counts in the result.
    static ArchiveResult backup(const BackupRequest& request, core::Job& job,
                                const ArchiveQuestions& questions = {});
    static ArchiveResult restore(const RestoreRequest& request, core::Job& job,
                                 const ArchiveQuestions& questions = {});
    // Reads the whole archive, inflating every block; throws core::TavError
    // on the first fault. Volumes must be at hand beside the first one.
    static QList<ArchiveEntry> scan(const QString& archiveName, int threads = 0);
    // The files a backup would take, in its order.
    static QStringList fileList(const BackupRequest& request);
    // The text of the archive's error number (1 to 11).
    static QString errorText(int code);

  private:
    explicit BackupArchive(int threads, QString folder);
    ~BackupArchive();
    BackupArchive(const BackupArchive&) = delete;
    BackupArchive& operator=(const BackupArchive&) = delete;

    QList<ArchiveEntry> scanVolumes(const QString& archiveName);
    int compressionRate() const;
    QStringList buildFileList(const QStringList& fileSpecs, const QString& archiveName) const;
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
    // The first folder of the specs whose server did not answer, if any:
    // a backup never leaves out silently what it could not look at.
    mutable QString m_unanswered;
    // Ends the run on a path whose server does not answer; false.
    bool stopUnanswered(const QString& path);
    // Ends the run on a failed write of the archive, saying why where a
    // server did not answer; a write stopped with its job is a stop.
    void stopWriting(const VolumeWriter& out);
    void progress();
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
    // How the run ended early: the archive's error number (0 when the user
    // stopped it) and what it concerned. Empty while the run goes on; each
    // run starts without one and hands it over in its result.
    struct RunEnd {
        int error = 0;
        QString detail;
    };
    std::optional<RunEnd> m_end;
    bool going() const { return !m_end; }
    int errorCode() const { return m_end ? m_end->error : 0; }
    bool failed() const { return errorCode() != 0; }
    // Ends the run; a number replaces the one before, a stop keeps it.
    void stop(int error) {
        if (!m_end) m_end = RunEnd{};
        if (error != 0) m_end->error = error;
    }
    std::unique_ptr<QThreadPool> m_pool;

    // The run's settings.
    const int m_threads;
    const QString m_folder;
    QString m_title;
    CompressionLevel m_level = clFastest;
    qint32 m_maxSize = 0;
    bool m_incremental = false; // only the files with their archive attribute
    bool m_saveFileList = false;
    RestoreMode m_restoreMode = rmAll;
    bool m_fullPath = false;

    // Its counts, for the result.
    qint32 m_fileCount = 0;
    qint32 m_filesDone = 0;
    qint64 m_totalSize = 0;
    qint64 m_bytesDone = 0;
    qint64 m_bytesWritten = 0;
};

} // namespace transforms
