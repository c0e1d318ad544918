#include "find_files.h"
#include "core/job.h"
#include "platform/attributes.h"
#include "platform/file_names.h"
#include "platform/folder_index.h"
#include "platform/folder_reading.h"
#include "platform/listing_ahead.h"
#include "platform/platform.h"
#include "platform/wildcard.h"

#include <QDir>
#include <QFile>
#include <QtConcurrent/QtConcurrentRun>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

// Runs work(from, to) over [0, count): a large count in two halves, one on a
// thread of the pool.
void onTwoThreads(size_t count, const std::function<void(size_t, size_t)>& work) {
    if (count < 16) return work(0, count);
    QFuture<void> other = QtConcurrent::run([&] { work(count / 2, count); });
    work(0, count / 2);
    other.waitForFinished();
}

// The same walk with the folder index: each folder is looked at once (its
// lstat, taken when its parent was walked) and read only when its times
// changed; a folder's stored attributes likewise. A hit's own attributes,
// and its size when asked, are read as the walk reads them.
void walkIndexed(const QString& folder, const QByteArray& path, const struct stat& st,
                 const Walk& walk, platform::FolderIndex& index, core::Job& job) {
    if (job.cancelled()) return;
    // Deeper than a path the system takes whole: the plain walk, which
    // opens such folders a part at a time.
    if (path.size() + NAME_MAX + 2 >= PATH_MAX) {
        Lister lister(chooserFor(walk), subFolderPath);
        walkFolder(folder, walk, lister, job);
        return;
    }
    job.setItem(folder);
    std::vector<platform::FolderIndex::Entry> entries;
    if (!index.entries(path, st, entries)) return;
    struct Sub {
        QString folder;
        QByteArray path;
        struct stat st;
    };
    // The sub-folders looked at, many of them on two threads.
    std::vector<Sub> subFolders;
    for (const auto& e : entries) {
        if (e.type != DT_DIR || e.name[0] == '.') continue;
        Sub sub;
        sub.path = path;
        sub.path.append(e.name, qsizetype(std::strlen(e.name)) - 1); // without its type byte
        subFolders.push_back(std::move(sub));
    }
    std::vector<char> present(subFolders.size());
    const auto look = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            present[i] = lstat(subFolders[i].path.constData(), &subFolders[i].st) == 0 &&
                         S_ISDIR(subFolders[i].st.st_mode);
    };
    onTwoThreads(subFolders.size(), look);
    size_t kept = 0;
    for (size_t i = 0; i < subFolders.size(); ++i) {
        Sub& sub = subFolders[i];
        if (!present[i] || sub.st.st_dev != st.st_dev) continue; // gone, or another volume
        if (index.storedAttributes(sub.path, sub.st) & (platform::faHidden | platform::faSysFile))
            continue;
        sub.folder = folder + platform::nameFromNative(sub.path.mid(path.size())) + u'/';
        sub.path += '/';
        if (kept != i) subFolders[kept] = std::move(sub);
        ++kept;
    }
    subFolders.resize(kept);
    // Those the index cannot vouch for are read now, many at once.
    if (subFolders.size() >= 2) {
        std::vector<std::pair<QByteArray, struct stat>> ahead;
        ahead.reserve(subFolders.size());
        for (const Sub& sub : subFolders)
            ahead.emplace_back(sub.path, sub.st);
        index.readAhead(ahead);
    }
    // The files wanted, then what is read of each (many on two threads),
    // then each found, in the folder's order.
    struct Hit {
        DirEntry entry;
        QByteArray path;
        bool kept = false;
    };
    std::vector<Hit> hits;
    for (const auto& e : entries) {
        if (e.type == DT_DIR) continue;
        // Devices, pipes and sockets are system files: never found.
        if (e.type != DT_REG && e.type != DT_LNK) continue;
        const qsizetype length = qsizetype(std::strlen(e.name)) - 1;
        if (walk.wantedBytes)
            if (const std::optional<bool> wanted = walk.wantedBytes(e.name, length);
                wanted && !*wanted)
                continue;
        Hit hit;
        hit.entry.name = platform::nameFromNative(QByteArray(e.name, length).constData());
        hit.path = path;
        hit.path.append(e.name, length);
        if (!platform::kindFromType(AT_FDCWD, hit.path.constData(), e.type, hit.entry)) continue;
        if (hit.entry.name.startsWith(u'.')) hit.entry.attributes |= platform::faHidden;
        if ((hit.entry.attributes & platform::faSysFile) || !walk.wanted(hit.entry.name)) continue;
        hits.push_back(std::move(hit));
    }
    // Each file looked at through its open folder: no walk of its whole path.
    const int dirfd =
        hits.empty() ? -1 : open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const auto read = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            DirEntry& e = hits[i].entry;
            const char* p = hits[i].path.constData();
            const int at = dirfd >= 0 ? dirfd : AT_FDCWD;
            const char* n = dirfd >= 0 ? p + path.size() : p;
            if (walk.sized) {
                struct stat hs;
                if (fstatat(at, n, &hs, AT_SYMLINK_NOFOLLOW) != 0) continue;
                e.attributes = platform::modeAttributes(p, hs);
                if (!S_ISLNK(hs.st_mode)) e.attributes |= platform::storedAttributes(at, n, p);
                platform::takeStat(e, hs);
            } else if (!e.isLink) {
                e.attributes |= platform::storedAttributes(at, n, p);
            }
            hits[i].kept = !(e.attributes & (platform::faSysFile | platform::faVolumeID));
        }
    };
    onTwoThreads(hits.size(), read);
    if (dirfd >= 0) close(dirfd);
    for (const Hit& hit : hits) {
        if (job.cancelled()) return;
        if (hit.kept) walk.visit(folder, hit.entry);
    }
    for (const Sub& sub : subFolders) {
        if (job.cancelled()) return;
        walkIndexed(sub.folder, sub.path, sub.st, walk, index, job);
    }
}

} // namespace

void walkFiles(const QString& folder, const Walk& walk, core::Job& job) {
    if (walk.indexed && Platform::instance().indexesFolders()) {
        // Only a folder of this machine's own disks, named as it is.
        QByteArray path = QFile::encodeName(QDir::cleanPath(QDir(folder).absolutePath()));
        struct stat st;
        if (!path.isEmpty() && stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            platform::FolderIndexes::Use use =
                platform::FolderIndexes::instance().use(QFile::decodeName(path), st);
            if (use.index) {
                if (!path.endsWith('/')) path += '/';
                walkIndexed(folder, path, st, walk, *use.index, job);
                platform::FolderIndexes::instance().keep(*use.index);
                return;
            }
        }
    }
    Lister lister(chooserFor(walk), subFolderPath);
    walkFolder(folder, walk, lister, job);
}

QString searchSpec(const QString& path, const QString& pattern) {
    return (path.endsWith(u'/') ? path : path + u'/') + pattern;
}

qint64 findAllFiles(const QString& spec, const std::function<void(const QString& path)>& found,
                    core::Job& job, bool indexed) {
    const qsizetype slash = spec.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral("./") : spec.left(slash + 1);
    const QString pattern = spec.mid(slash + 1);
    const bool everything = pattern == u"*.*" || pattern == u"*";
    qint64 count = 0;
    Walk walk;
    walk.wanted = [&](const QString& name) {
        return everything || platform::matchesMask(name, pattern);
    };
    const QByteArray asciiPattern = pattern.toLatin1();
    walk.wantedBytes = [&](const char* name, qsizetype size) -> std::optional<bool> {
        if (everything) return true;
        return platform::matchesAsciiMask(name, size, asciiPattern);
    };
    walk.visit = [&](const QString& in, const DirEntry& e) {
        if (found) found(in + e.name);
        ++count;
    };
    walk.indexed = indexed;
    walkFiles(folder, walk, job);
    return count;
}

} // namespace tools
