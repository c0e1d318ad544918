#include "find_files.h"
#include "platform/Platform.h"

#include <vector>

namespace tools {

using platform::DirEntry;
using platform::Platform;

namespace {

qint64 search(const QString& folder, const QString& pattern, const FindCallbacks& cb) {
    if (cb.stop && cb.stop()) return 0;
    if (cb.folder) cb.folder(folder);
    Platform& p = Platform::instance();
    qint64 count = 0;
    std::vector<DirEntry> entries;
    if (p.listDirectory(folder, pattern, entries, Platform::ListMode::Walk)) {
        for (const DirEntry& e : entries) {
            if (cb.stop && cb.stop()) return count;
            const bool folderEntry = (e.attributes & platform::faDirectory) && !e.isLink;
            if (folderEntry || (e.attributes & (platform::faSysFile | platform::faVolumeID)))
                continue;
            if (e.name == u"." || e.name == u"..") continue;
            if (cb.found) cb.found(folder + e.name);
            ++count;
        }
    }
    if (!p.listDirectory(folder, QStringLiteral("*.*"), entries, Platform::ListMode::Walk))
        return count;
    for (const DirEntry& e : entries) {
        if (cb.stop && cb.stop()) return count;
        const bool folderEntry = (e.attributes & platform::faDirectory) && !e.isLink;
        if (!folderEntry || e.otherVolume || e.name.startsWith(u'.')) continue;
        if (e.attributes & (platform::faHidden | platform::faSysFile)) continue;
        count += search(folder + e.name + u'/', pattern, cb);
    }
    return count;
}

} // namespace

QString searchSpec(const QString& path, const QString& pattern) {
    return (path.endsWith(u'/') ? path : path + u'/') + pattern;
}

qint64 GetAllFiles(const QString& spec, const FindCallbacks& cb) {
    const qsizetype slash = spec.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral("./") : spec.left(slash + 1);
    return search(folder, spec.mid(slash + 1), cb);
}

} // namespace tools
