#include "find_files.h"
#include "platform/Platform.h"
#include "platform/wildcard.h"

#include <vector>

namespace tools {

using platform::DirEntry;
using platform::Platform;

namespace {} // namespace

void walkFiles(const QString& folder, const QString& pattern,
               const std::function<void(const QString& folder, const DirEntry& e)>& visit,
               const std::function<void(const QString& folder)>& onFolder,
               const std::function<bool()>& stop) {
    if (stop && stop()) return;
    if (onFolder) onFolder(folder);
    // One listing serves both the files (matched here) and the sub-folders.
    std::vector<DirEntry> entries;
    if (!Platform::instance().listDirectory(folder, QStringLiteral("*.*"), entries,
                                            Platform::ListMode::Walk))
        return;
    const bool everything = pattern == u"*.*" || pattern == u"*";
    for (const DirEntry& e : entries) {
        if (stop && stop()) return;
        const bool folderEntry = (e.attributes & platform::faDirectory) && !e.isLink;
        if (folderEntry || (e.attributes & (platform::faSysFile | platform::faVolumeID))) continue;
        if (e.name == u"." || e.name == u"..") continue;
        if (!everything && !platform::matchesMask(e.name, pattern)) continue;
        visit(folder, e);
    }
    for (const DirEntry& e : entries) {
        if (stop && stop()) return;
        const bool folderEntry = (e.attributes & platform::faDirectory) && !e.isLink;
        if (!folderEntry || e.otherVolume || e.name.startsWith(u'.')) continue;
        if (e.attributes & (platform::faHidden | platform::faSysFile)) continue;
        walkFiles(folder + e.name + u'/', pattern, visit, onFolder, stop);
    }
}

QString searchSpec(const QString& path, const QString& pattern) {
    return (path.endsWith(u'/') ? path : path + u'/') + pattern;
}

qint64 GetAllFiles(const QString& spec, const FindCallbacks& cb) {
    const qsizetype slash = spec.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral("./") : spec.left(slash + 1);
    qint64 count = 0;
    walkFiles(
        folder, spec.mid(slash + 1),
        [&](const QString& in, const DirEntry& e) {
            if (cb.found) cb.found(in + e.name);
            ++count;
        },
        cb.folder, cb.stop);
    return count;
}

} // namespace tools
