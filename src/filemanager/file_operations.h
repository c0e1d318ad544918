#pragma once
// The file manager's operations as jobs: delete, paste (copy or move),
// attributes and letter case. Each takes a request of absolute paths and
// answers a result; progress and Escape go through the job, questions
// through job.ask. The window and tavtools-cli both drive them.

#include "core/errors.h"
#include "file_tree.h"

#include <QDateTime>
#include <QStringList>
#include <functional>

namespace core {
class Job;
}

namespace filemanager {

// What an operation answers: its outcome, the entries it handled, and the
// entries it left as they were, each as "reason : path". The window keeps
// quiet about those (the file manager's rule); the command line prints them.
struct OperationResult {
    core::Outcome outcome;
    int handled = 0;
    QStringList notHandled;
    // Those of notHandled left by an error, not because their name was
    // taken (which a paste asks about): what the window reports.
    QStringList errors;
};

// The questions an operation may ask; each runs through job.ask. Unset, the
// cautious answer is taken: the entry stays as it is.
struct OperationQuestions {
    // "Fichier en lecture seule. Effacer quand même ?"
    std::function<bool(const QString& path)> deleteReadOnly;
    // "Remplacer le ficher NAME ?"
    std::function<ReplaceAnswer(const QString& name)> replace;
    // An entry that could not be handled ("reason : path"): skipped (into
    // the result), tried again, or the operation stopped.
    std::function<FailureAnswer(const QString& reason)> entryFailed;
};

struct DeleteRequest {
    QStringList paths; // files and folders, each deleted with its whole tree
};
OperationResult deleteEntries(const DeleteRequest& request, const OperationQuestions& questions,
                              core::Job& job);

enum class PasteMode { Move = 1, Copy = 2 };

struct PasteRequest {
    QStringList sources;
    QString destination; // an existing folder
    PasteMode mode = PasteMode::Copy;
    bool askReplace = true; // cleared by an "all" answer
};
// The message refusing a paste before it starts ("Destination doit être
// différente de la source", "Un dossier ne peut pas être copié dans
// lui-même"), or an empty text.
QString pasteRefusal(const PasteRequest& request);
OperationResult paste(PasteRequest& request, const OperationQuestions& questions, core::Job& job);

struct AttributeRequest {
    QStringList paths;
    QDateTime when;         // the files' new time; invalid leaves it
    quint32 attributes = 0; // replaces the four stored attributes
};
OperationResult fixAttributes(const AttributeRequest& request, core::Job& job);

struct CaseRequest {
    QString folder;
    QStringList names;
    int choice = 0; // 0 lower case, 1 upper case, 2 first letter only
};
OperationResult changeNamesCase(const CaseRequest& request, core::Job& job);

// The name in the chosen case: 0 lower, 1 upper, 2 first letter only.
QString changeCase(const QString& name, int choice);

// "reason : path" for a platform error left by an entry.
QString entryFailure(int error, const QString& path);

} // namespace filemanager
