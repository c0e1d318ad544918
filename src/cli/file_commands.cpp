// The file manager's operations from the command line: the same engines as
// the window, questions answered by options, every entry left as it was
// told on standard error.
#include "commands.h"
#include "core/job.h"
#include "filemanager/file_operations.h"
#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

using namespace filemanager;

namespace {

QString absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QStringList absolute(const QStringList& paths) {
    QStringList out;
    for (const QString& p : paths)
        out << absolute(p);
    return out;
}

// Runs an operation here (no worker thread: questions are answered by the
// options) and turns its result into the exit code; a stop is said, with
// what `stopped` tells of what is where.
int runOperation(const std::function<OperationResult(core::Job&)>& operation,
                 const std::function<QString(const OperationResult&)>& stopped = {}) {
    CommandJob job;
    const OperationResult result = operation(job);
    for (const QString& entry : result.notHandled)
        fail(entry);
    if (result.outcome.kind == core::Outcome::Failed) return fail(result.outcome.text);
    if (result.outcome.kind == core::Outcome::Cancelled)
        return failed(result.outcome, stopped ? stopped(result) : QString());
    return result.notHandled.isEmpty() && result.outcome.ok() ? 0 : 1;
}

// copy and move: SOURCE... DOSSIER, as the window's paste.
int runPaste(const QStringList& input, PasteMode mode, bool replace) {
    QStringList args = input;
    if (args.size() < 2)
        return fail(mode == PasteMode::Move
                        ? QStringLiteral("utilisation : move SOURCE... DOSSIER")
                        : QStringLiteral("utilisation : copy [--replace] SOURCE... "
                                         "DOSSIER"));
    const QString destination = absolute(args.takeLast());
    platform::DirEntry folder;
    if (const platform::Status s = platform::Platform::instance().entryOf(destination, folder);
        !s || folder.kind != platform::EntryKind::Folder)
        return fail(entryFailure(s ? platform::errPathNotFound : s.error(), destination));
    PasteRequest request{absolute(args), destination, mode, !replace};
    const QString refusal = pasteRefusal(request);
    if (!refusal.isEmpty()) return fail(refusal);
    return runOperation([&](core::Job& job) { return paste(request, {}, job); },
                        [&](const OperationResult& r) {
                            if (mode != PasteMode::Move) return QString();
                            // A stopped move leaves the source it was moving whole.
                            return QStringLiteral("%1 sur %2 déplacés dans %3, le reste à sa place")
                                .arg(r.handled)
                                .arg(request.sources.size())
                                .arg(destination);
                        });
}

} // namespace

// move SOURCE... DOSSIER: files and folders into a folder, never over an
// entry of the same name; to another volume, copied then deleted.
int runMove(const QStringList& args) {
    return runPaste(args, PasteMode::Move, false);
}

// copy [--replace] SOURCE... DOSSIER: files and folders (with their trees)
// into a folder; an entry of the same name there stays unless --replace.
int runCopy(const QStringList& input) {
    QStringList args = input;
    const bool replace = takeFlag(args, QStringLiteral("--replace"));
    return runPaste(args, PasteMode::Copy, replace);
}

// delete [--force] CHEMIN...: files, and folders with their whole tree; a
// read-only file stays unless --force.
int runDelete(const QStringList& input) {
    QStringList args = input;
    const bool force = takeFlag(args, QStringLiteral("--force"));
    if (args.isEmpty()) return fail(QStringLiteral("utilisation : delete [--force] CHEMIN..."));
    OperationQuestions questions;
    questions.deleteReadOnly = [force](const QString&) { return force; };
    const DeleteRequest request{absolute(args)};
    return runOperation([&](core::Job& job) { return deleteEntries(request, questions, job); });
}

// attrib [--date JJ/MM/AAAA [--time HH:MM:SS]] [--readonly] [--hidden]
// [--system] [--archive] CHEMIN...: the attributes given, and no other, as
// the window's "Fixer"; the date (files only) when given.
int runAttrib(const QStringList& input) {
    QStringList args = input;
    QString date, time = QStringLiteral("00:00:00");
    takeOption(args, QStringLiteral("--date"), date);
    takeOption(args, QStringLiteral("--time"), time);
    AttributeRequest request;
    if (takeFlag(args, QStringLiteral("--readonly"))) request.attributes |= platform::faReadOnly;
    if (takeFlag(args, QStringLiteral("--hidden"))) request.attributes |= platform::faHidden;
    if (takeFlag(args, QStringLiteral("--system"))) request.attributes |= platform::faSysFile;
    if (takeFlag(args, QStringLiteral("--archive"))) request.attributes |= platform::faArchive;
    if (args.isEmpty())
        return fail(QStringLiteral("utilisation : attrib [--date JJ/MM/AAAA [--time HH:MM:SS]] "
                                   "[--readonly] [--hidden] [--system] [--archive] CHEMIN..."));
    if (!date.isEmpty()) {
        request.when =
            QDateTime(QDate::fromString(date, QStringLiteral("dd/MM/yyyy")),
                      QTime::fromString(time, QStringLiteral("HH:mm:ss")), Qt::LocalTime);
        if (!request.when.isValid())
            return fail(QStringLiteral("Date incorrecte : %1 %2").arg(date, time));
    }
    request.paths = absolute(args);
    return runOperation([&](core::Job& job) { return fixAttributes(request, job); });
}

} // namespace cli
