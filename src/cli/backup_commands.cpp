// The archive commands of tavtools-cli: volumes are written and read
// without prompting when their files are at hand.
#include "commands.h"
#include "core/job.h"
#include "platform/dos_datetime.h"
#include "platform/file_names.h"
#include "transforms/backup/archive_io.h"
#include "transforms/backup/backup_archive.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace cli {

using namespace transforms;

namespace {

// Runs an archive job here: questions are answered at once, reports go to
// standard error, and the result's failure too.
ArchiveResult runHere(const std::function<ArchiveResult(core::Job&)>& work) {
    CommandJob job;
    const ArchiveResult result = work(job);
    if (result.outcome.kind == core::Outcome::Failed) fail(result.outcome.text);
    return result;
}

} // namespace

int runBackup(const QStringList& input) {
    QStringList args = input;
    BackupRequest b;
    QString value;
    if (takeOption(args, QStringLiteral("--title"), value)) b.title = value;
    if (takeOption(args, QStringLiteral("--level"), value)) {
        const QStringList levels = {"fastest", "none", "default", "max"};
        if (!levels.contains(value)) return fail(QStringLiteral("niveau inconnu : %1").arg(value));
        b.level = CompressionLevel(levels.indexOf(value));
    }
    if (takeOption(args, QStringLiteral("--max-size"), value)) {
        bool ok = false;
        b.maxSize = value.toInt(&ok);
        if (!ok || b.maxSize < 0) return fail(QStringLiteral("taille incorrecte : %1").arg(value));
    }
    if (takeFlag(args, QStringLiteral("--incremental"))) b.mode = bmIncremental;
    b.saveFileList = takeFlag(args, QStringLiteral("--file-list"));
    if (args.isEmpty()) return fail(QStringLiteral("archive manquante"));
    b.archive = args.takeFirst();
    b.specs = args;
    b.folder = QDir::currentPath(); // the command line's names are the shell's
    ArchiveQuestions questions;
    questions.nextVolume = [](int) { return true; };
    questions.report = [](const QString& text) { fail(text); };
    const ArchiveResult r =
        runHere([&](core::Job& job) { return BackupArchive::backup(b, job, questions); });
    if (!r.outcome.ok()) return fail(QStringLiteral("Backup échoué ou annulé"));
    out(QStringLiteral("Backup terminé. Taux de compression = %1 %  (%2 fichiers)")
            .arg(r.compressionRate)
            .arg(r.filesDone));
    return 0;
}

int runRestore(const QStringList& input) {
    QStringList args = input;
    RestoreRequest b;
    QString value;
    if (takeOption(args, QStringLiteral("--mode"), value)) {
        const QStringList modes = {"all", "no-overwrite", "newer", "existing", "existing-newer"};
        if (!modes.contains(value)) return fail(QStringLiteral("mode inconnu : %1").arg(value));
        b.mode = RestoreMode(modes.indexOf(value));
    }
    takeOption(args, QStringLiteral("--to"), b.restorePath);
    b.fullPath = takeFlag(args, QStringLiteral("--full-path"));
    if (args.size() != 1) return fail(QStringLiteral("une archive et une seule"));
    const QString archive = args.first();
    b.archive = archive;
    b.folder = QDir::currentPath();
    if (!QFileInfo::exists(archive))
        return fail(QStringLiteral("Fichier introuvable : %1").arg(archive));
    ArchiveQuestions questions;
    questions.nextVolume = [archive](int disk) {
        const QString next = volumeFileName(archive, disk);
        if (QFileInfo::exists(next)) return true;
        fail(QStringLiteral("Volume manquant : %1").arg(next));
        return false;
    };
    questions.report = [](const QString& text) { fail(text); };
    questions.notRestored = [](const QString& name, const QString& cause) {
        fail(QStringLiteral("Non restauré : %1 (%2)").arg(name, cause));
    };
    const ArchiveResult r =
        runHere([&](core::Job& job) { return BackupArchive::restore(b, job, questions); });
    if (!r.outcome.ok()) return fail(QStringLiteral("Restore échoué ou annulé"));
    out(restoreDoneText(r));
    return r.filesDone < r.fileCount ? 1 : 0; // a partial restore is no success
}

int runList(const QStringList& args) {
    if (args.size() != 1) return fail(QStringLiteral("une archive et une seule"));
    for (const ArchiveEntry& e : BackupArchive::scan(args.first())) {
        const QDateTime when = platform::fromDosDateTime(quint32(e.date));
        QStringList volumes;
        for (int v : e.volumes)
            volumes << QString::number(v);
        // The name as its bytes (a name that is not UTF-8 prints as it is
        // stored), escaped as find prints names: one line an entry whatever it holds.
        QByteArray name;
        appendEscaped(name, platform::nativeName(e.name));
        std::fwrite(name.constData(), 1, size_t(name.size()), stdout);
        out(QStringLiteral("\t%2\t%3\t%4")
                .arg(when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                                    : QStringLiteral("?"))
                .arg(e.size)
                .arg(volumes.join(u',')));
    }
    return 0;
}

int runVerify(const QStringList& args) {
    if (args.size() != 1) return fail(QStringLiteral("une archive et une seule"));
    const QList<ArchiveEntry> entries = BackupArchive::scan(args.first());
    out(QStringLiteral("Archive correcte : %1 entrées").arg(entries.size()));
    return 0;
}

} // namespace cli
