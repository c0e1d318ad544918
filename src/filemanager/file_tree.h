#pragma once
// Walks over folder trees for delete and copy. They never follow a
// symbolic link into a folder (a link is an entry of its own, deleted or
// copied as a link), never leave the volume they started on, and leave
// system files alone.

#include <QString>
#include <functional>
#include <map>

namespace core {
class Job;
}
namespace platform {
class Status;
}

namespace filemanager {

enum class ReplaceAnswer { Yes, No, All };
// What becomes of an entry that could not be handled: left as it is, tried
// again, or the whole operation stopped (its job cancelled).
enum class FailureAnswer { Skip, Retry, Abort };

// The first copy of each file that has several names, by device and inode:
// its later names within what is copied become names of that copy.
using LinkedCopies = std::map<std::pair<quint64, quint64>, QString>;

struct TreeCallbacks {
    // The job the walk runs in: Escape is checked between entries and
    // between the pieces of a large file, whose copy is its progress.
    core::Job& job;
    // "Remplacer le ficher NAME ?" for a copy that failed.
    std::function<ReplaceAnswer(const QString& name)> askReplace;
    // An entry that could not be handled, with the platform's error; unset,
    // it is skipped and the walk goes on, as the file manager always did.
    std::function<FailureAnswer(const QString& path, int error)> failed;
    // Where the copies of files of several names are kept; none: each name
    // is copied as a file of its own.
    LinkedCopies* linked = nullptr;
};

// Runs step on path until it goes through or is given up: each failure is
// told to cb.failed, whose answer may have it run again or stop the whole
// walk. A step stopped by the job is no failure. True when it went through.
bool attempt(const TreeCallbacks& cb, const QString& path,
             const std::function<platform::Status()>& step);

// Splits "folder/mask" at its last separator.
void splitSpec(const QString& spec, QString& folder, QString& mask);

// Deletes the files of folder matching mask, then every sub-folder's tree
// (every name) and the sub-folder itself; a sub-folder that cannot be
// removed ends this folder's sub-folders (told to `failed`). Answers false when
// stopped, at the next entry after the request.
bool delTree(const QString& folder, const QString& mask, const TreeCallbacks& cb);

// Copies the files of folder matching mask into destination (an existing
// folder), then each sub-folder's tree. askReplace is the paste's
// "still ask before replacing" flag. An error ends a level (told to `failed`).
bool copyFolder(const QString& folder, const QString& mask, const QString& destination,
                bool& askReplace, const TreeCallbacks& cb);

// True when path is folder itself or lies inside it.
bool isSameOrInside(const QString& folder, const QString& path);

// Copies one file (or link) into `to`, asking before replacing as the paste does.
// True when the copy went through.
bool copyOne(const QString& from, const QString& to, const QString& name, bool isLink,
             bool& askReplace, const TreeCallbacks& cb);

} // namespace filemanager
