#include "find_files.h"
#include "core/job.h"
#include "platform/listing_ahead.h"
#include "platform/platform.h"
#include "platform/wildcard.h"

#include <vector>

namespace tools {

using platform::DirEntry;
using platform::Platform;

namespace {

using Detail = Platform::Detail;

using Lister = platform::ListingAhead;

// Only the folders and the wanted files are looked at closer.
Platform::EntryChooser chooserFor(const Walk& walk) {
    return [&walk](const DirEntry& e) {
        if ((e.attributes & platform::faDirectory) && !e.isLink)
            return e.name.startsWith(u'.') ? Detail::Skip : Detail::Full;
        if ((e.attributes & platform::faSysFile) || !walk.wanted(e.name)) return Detail::Skip;
        return walk.sized ? Detail::Full : Detail::Flags;
    };
}

bool entered(const DirEntry& e) {
    const bool folder = (e.attributes & platform::faDirectory) && !e.isLink;
    return folder && !e.otherVolume && !(e.attributes & (platform::faHidden | platform::faSysFile));
}

QString subFolderPath(const QString& folder, const DirEntry& e) {
    return entered(e) ? folder + e.name + u'/' : QString();
}

void walkFolder(const QString& folder, const Walk& walk, Lister& lister, core::Job& job) {
    if (job.cancelled()) return;
    job.setItem(folder);
    const Lister::Listing listing = lister.take(folder);
    if (!listing.ok) return;
    QStringList subFolders;
    for (const DirEntry& e : listing.entries)
        if (entered(e)) subFolders << subFolderPath(folder, e);
    for (const DirEntry& e : listing.entries) {
        if (job.cancelled()) return;
        const bool folderEntry = (e.attributes & platform::faDirectory) && !e.isLink;
        if (folderEntry || (e.attributes & (platform::faSysFile | platform::faVolumeID))) continue;
        walk.visit(folder, e);
    }
    for (int i = 0; i < subFolders.size(); ++i) {
        if (job.cancelled()) return;
        walkFolder(subFolders[i], walk, lister, job);
    }
}

} // namespace

void walkFiles(const QString& folder, const Walk& walk, core::Job& job) {
    Lister lister(chooserFor(walk), subFolderPath);
    walkFolder(folder, walk, lister, job);
}

QString searchSpec(const QString& path, const QString& pattern) {
    return (path.endsWith(u'/') ? path : path + u'/') + pattern;
}

qint64 findAllFiles(const QString& spec, const std::function<void(const QString& path)>& found,
                    core::Job& job) {
    const qsizetype slash = spec.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral("./") : spec.left(slash + 1);
    const QString pattern = spec.mid(slash + 1);
    const bool everything = pattern == u"*.*" || pattern == u"*";
    qint64 count = 0;
    Walk walk;
    walk.wanted = [&](const QString& name) {
        return everything || platform::matchesMask(name, pattern);
    };
    walk.visit = [&](const QString& in, const DirEntry& e) {
        if (found) found(in + e.name);
        ++count;
    };
    walkFiles(folder, walk, job);
    return count;
}

} // namespace tools
