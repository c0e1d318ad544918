#include "occupation.h"
#include "platform/Platform.h"
#include "core/errors.h"

#include <vector>

namespace transforms {

using platform::DirEntry;
using platform::Platform;

QString Occupation::message() const {
    return QStringLiteral("%1 Ko dans %2 fichiers\r\nEspace réellement occupé : %3 Ko")
        .arg(total / 1024)
        .arg(count)
        .arg(occupied / 1024);
}

Occupation occupation(const QString& folder, const QString& mask, qint64 clusterSize) {
    Occupation o;
    std::vector<DirEntry> entries;
    Platform::instance().listDirectory(folder, mask, entries);
    DirEntry self;
    self.name = QStringLiteral(".");
    self.attributes = platform::faDirectory;
    entries.push_back(self); // the folder's own entry counts too
    const qint64 c = std::max<qint64>(1, clusterSize);
    for (const DirEntry& e : entries) {
        const qint64 s = (e.attributes & platform::faDirectory) ? 0 : e.size;
        o.total += s;
        ++o.count;
        o.occupied += (s / c + 1) * c; // the smallest i >= 1 with s < i * c
    }
    return o;
}

namespace {

qint64 walk(const QString& folder, const std::function<bool(const QString&)>& line,
            const std::function<void(const QString&)>& showFolder) {
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    if (showFolder) showFolder(prefix);
    std::vector<DirEntry> entries;
    if (!Platform::instance().listDirectory(folder, QStringLiteral("*.*"), entries,
                                            Platform::ListMode::Walk))
        return 0;
    qint64 count = 0;
    for (const DirEntry& e : entries) {
        const bool isFolder = (e.attributes & platform::faDirectory) && !e.isLink;
        if (isFolder || (e.attributes & platform::faSysFile) || e.name == u"..") continue;
        if (!line(prefix + e.name)) throw core::InOutError(101);
        ++count;
    }
    for (const DirEntry& e : entries) {
        const bool isFolder = (e.attributes & platform::faDirectory) && !e.isLink;
        if (!isFolder || e.otherVolume || e.name.startsWith(u'.')) continue;
        if (e.attributes & (platform::faHidden | platform::faSysFile)) continue;
        count += walk(prefix + e.name, line, showFolder);
    }
    return count;
}

} // namespace

Catalogue catalogue(const QString& root, const std::function<bool(const QString&)>& line,
                    const std::function<void(const QString&)>& showFolder) {
    Catalogue c;
    c.outcome = core::Outcome::from([&] { c.files = walk(root, line, showFolder); });
    return c;
}

} // namespace transforms
