#pragma once
// Find files: a folder and all of its sub-folders searched for a wildcard
// pattern, depth first (a folder's own files, then each sub-folder
// completely). No widgets.

#include "platform/platform.h"

#include <QString>
#include <functional>
#include <optional>

namespace core {
class Job;
}

namespace tools {

// spec: a folder path followed by a pattern ("/data/*.txt"; a pattern with
// a folder in it starts in that sub-folder). Answers the number of files
// found; `found` gets each file, in order. The job is told each folder as
// it is searched (its item) and stops the search at the next entry. Links
// to folders, other volumes, special files, hidden folders
// and folders whose names begin with "." are not searched; folders that
// cannot be read add nothing.
// A walk stops at a folder whose server does not answer: failure then
// holds errNoAnswer.
qint64 findAllFiles(const QString& spec, const std::function<void(const QString& path)>& found,
                    core::Job& job, bool indexed = true, platform::Status* failure = nullptr);

// The walk under both finders: visit gets each file of each folder whose
// name is `wanted` (folder ends with "/"), a folder's files first, then each
// sub-folder completely. The files come with their stored attributes, and
// with size and time when `sized`; the others are never looked at.
struct Walk {
    std::function<bool(const QString& name)> wanted;
    bool sized = false;
    std::function<void(const QString& folder, const platform::DirEntry& e)> visit;
    // The same test on a name's bytes, when it can say without decoding them
    // (an ASCII name against an ASCII mask); optional.
    std::function<std::optional<bool>(const char* name, qsizetype size)> wantedBytes;
    // Through the folder index of the volume (see platform/folder_index.h)
    // where its folder times can be trusted; false walks every folder.
    bool indexed = true;
};
platform::Status walkFiles(const QString& folder, const Walk& walk, core::Job& job);

// The start of a search from the "Chemin" and "Critère" texts.
QString searchSpec(const QString& path, const QString& pattern);

} // namespace tools
