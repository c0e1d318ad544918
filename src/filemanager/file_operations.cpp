#include "file_operations.h"
#include "core/job.h"
#include "platform/entry_identity.h"
#include "platform/platform.h"

namespace filemanager {

using platform::Platform;

namespace {

QString fileName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString withSlash(const QString& folder) {
    return folder.endsWith(u'/') ? folder : QString(folder + u'/');
}

// The walks' callbacks for an operation: Escape through the job; an entry
// that fails is asked about when the caller has the question, and an
// entry given up goes into the result.
TreeCallbacks walkCallbacks(core::Job& job, const OperationQuestions& questions,
                            OperationResult& result) {
    return {job, {}, [&job, &questions, &result](const QString& path, int error) {
                const QString reason = entryFailure(error, path);
                const FailureAnswer answer =
                    questions.entryFailed ? job.ask([&] { return questions.entryFailed(reason); })
                                          : FailureAnswer::Skip;
                if (answer == FailureAnswer::Retry) return answer;
                result.notHandled << reason;
                if (error != platform::errFileExists && error != platform::errAlreadyExists)
                    result.errors << reason;
                return answer;
            }};
}

// Counts an entry handled, or tells why it was not.
void tally(OperationResult& result, const QString& path, const platform::Status& status) {
    if (status)
        ++result.handled;
    else
        result.notHandled << entryFailure(status.error(), path);
}

void finish(OperationResult& result, const core::Job& job) {
    if (job.cancelled() && result.outcome.ok())
        result.outcome = core::Outcome::stoppedLeaving(job.leftIncomplete());
}

// One entry of a delete: a file (asking before a read-only one goes) or a
// folder with its whole tree. False when the whole operation is to end.
bool deleteOne(const QString& path, const OperationQuestions& questions, core::Job& job,
               OperationResult& result) {
    Platform& p = Platform::instance();
    const platform::Status deleted = p.deleteFile(path);
    if (deleted) return ++result.handled, true;
    // Stopped, or a server that does not answer: nothing more is asked of
    // the entry (its attributes would wait for the server again).
    if (deleted.error() == platform::errCancelled || job.cancelled()) return false;
    if (deleted.error() == platform::errNoAnswer) {
        result.notHandled << entryFailure(deleted.error(), path);
        return true;
    }
    const TreeCallbacks cb = walkCallbacks(job, questions, result);
    const quint32 attrs = p.attributes(path);
    if (attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory)) {
        if (!delTree(path, QStringLiteral("*.*"), cb)) return false;
        if (const platform::Status removed = p.removeFolder(path); !removed) {
            const int code = removed.error() == platform::errDirNotEmpty ? 5 : removed.error();
            result.outcome = core::Outcome::failed(core::InOutError::textFor(code));
            return false;
        }
        return ++result.handled, true;
    }
    // Only a read-only file is asked about: another failure (a folder that
    // cannot be written) is told as it is, whatever the file's other
    // attributes (an archive bit is no reason).
    const bool readOnly = attrs & platform::faReadOnly;
    const bool confirmed = readOnly && questions.deleteReadOnly &&
                           job.ask([&] { return questions.deleteReadOnly(path); });
    if (!confirmed) {
        result.notHandled << (readOnly ? QStringLiteral("Fichier en lecture seule : ") + path
                                       : entryFailure(deleted.error(), path));
        return true;
    }
    p.setAttributes(path, 0);
    if (attempt(cb, path, [&] { return p.deleteFile(path); })) ++result.handled;
    return !job.cancelled();
}

// One source of a paste into `target`. False when a stop ended it midway;
// a source whose move or copy went through is done, whenever the stop came.
bool pasteOne(const QString& source, const QString& target, PasteRequest& request,
              const TreeCallbacks& cb, OperationResult& result) {
    Platform& p = Platform::instance();
    const int before = int(result.notHandled.size());
    const auto ended = [&] { return !cb.job.cancelled(); };
    if (request.mode == PasteMode::Move) {
        // A stopped move leaves the source.
        if (!attempt(cb, source, [&] { return p.moveFile(source, target, &cb.job); }))
            return ended();
    } else {
        platform::DirEntry info; // gone since it was memorised: a failure
        if (!attempt(cb, source, [&] { return p.entryOf(source, info, false); })) return ended();
        if ((info.attributes & platform::faDirectory) && !info.isLink) {
            if (!attempt(cb, target, [&] { return p.createPath(target); })) return ended();
            if (!copyFolder(source, QStringLiteral("*.*"), target + u'/', request.askReplace, cb))
                return false;
        } else {
            if (!copyOne(source, target, fileName(source), info.isLink, request.askReplace, cb))
                return ended();
        }
    }
    if (result.notHandled.size() == before) ++result.handled;
    return true;
}

} // namespace

QString entryFailure(int error, const QString& path) {
    return core::fileErrorText(error, core::FileUse::Entry, path);
}

OperationResult deleteEntries(const DeleteRequest& request, const OperationQuestions& questions,
                              core::Job& job) {
    OperationResult result;
    const QStringList& paths = request.paths;
    for (int i = 0; i < paths.size() && !job.cancelled(); ++i) {
        job.progress(int(100LL * i / paths.size()));
        if (!deleteOne(paths[i], questions, job, result)) break;
    }
    finish(result, job);
    return result;
}

QString pasteRefusal(const PasteRequest& request) {
    if (request.sources.isEmpty()) return {};
    const QString destination = withSlash(request.destination);
    // The same folder and "inside itself" are told by device and inode: a
    // link to the source's folder, or to one of its own sub-folders, is it.
    const QString& first = request.sources.first();
    const QString firstFolder = first.left(first.lastIndexOf(u'/') + 1);
    if (firstFolder == destination || platform::sameEntry(firstFolder, destination, true))
        return QStringLiteral("Destination doit être différente de la source");
    Platform& p = Platform::instance();
    for (const QString& source : request.sources)
        if ((p.attributes(source) & platform::faDirectory) &&
            (isSameOrInside(source, destination) || platform::entryWithin(source, destination)))
            return QStringLiteral("Un dossier ne peut pas être copié dans lui-même");
    return {};
}

OperationResult paste(PasteRequest& request, const OperationQuestions& questions, core::Job& job) {
    OperationResult result;
    const QString destination = withSlash(request.destination);
    const QStringList& sources = request.sources;
    const qint64 count = sources.size();
    int i = 0;
    TreeCallbacks cb = walkCallbacks(job, questions, result);
    LinkedCopies linked; // names of one file stay names of one file, across the sources
    cb.linked = &linked;
    cb.askReplace = [&](const QString& name) {
        return questions.replace ? job.ask([&] { return questions.replace(name); })
                                 : ReplaceAnswer::No;
    };
    // Stopped between sources or in the middle of one, the paste is told
    // stopped; a stop that comes as the last source completes changes nothing.
    bool stopped = false;
    for (; i < sources.size() && !stopped; ++i) {
        if (job.cancelled()) {
            stopped = true;
            break;
        }
        job.setPart(i, int(count)); // a large file's copy moves within its share
        job.progress(0);
        const QString name = fileName(sources[i]);
        if (name == u".." || name.isEmpty()) continue;
        stopped = !pasteOne(sources[i], destination + name, request, cb, result);
    }
    if (stopped && result.outcome.ok())
        result.outcome = core::Outcome::stoppedLeaving(job.leftIncomplete());
    return result;
}

OperationResult fixAttributes(const AttributeRequest& request, core::Job& job) {
    OperationResult result;
    Platform& p = Platform::instance();
    const QStringList& paths = request.paths;
    for (int i = 0; i < paths.size() && !job.cancelled(); ++i) {
        job.progress(int(100LL * i / paths.size()));
        platform::DirEntry e;
        if (const platform::Status found = p.entryOf(paths[i], e); !found) {
            tally(result, paths[i], found);
            continue;
        }
        // The time goes first: a changed time would set the archive bit again.
        const bool folder = e.attributes & platform::faDirectory;
        const platform::Status timed = folder || !request.when.isValid()
                                           ? platform::Status::done()
                                           : p.setFileTime(paths[i], request.when);
        const platform::Status set = p.setAttributes(paths[i], request.attributes);
        tally(result, paths[i], timed ? set : timed);
    }
    finish(result, job);
    return result;
}

QString changeCase(const QString& name, int choice) {
    switch (choice) {
    case 0:
        return name.toLower();
    case 1:
        return name.toUpper();
    case 2:
        return name.left(1).toUpper() + name.mid(1).toLower();
    default:
        return name;
    }
}

OperationResult changeNamesCase(const CaseRequest& request, core::Job& job) {
    OperationResult result;
    Platform& p = Platform::instance();
    const QString folder = withSlash(request.folder);
    const QStringList& names = request.names;
    for (int i = 0; i < names.size() && !job.cancelled(); ++i) {
        job.progress(int(100LL * i / names.size()));
        if (names[i] == u"..") continue;
        const QString changed = changeCase(names[i], request.choice);
        // Never over a twin of the other case.
        tally(result, folder + names[i],
              changed == names[i] ? platform::Status::done()
                                  : p.moveFile(folder + names[i], folder + changed));
    }
    finish(result, job);
    return result;
}

} // namespace filemanager
