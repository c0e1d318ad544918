#include "file_tree.h"
#include "core/job.h"
#include "platform/entry_identity.h"
#include "platform/listing_ahead.h"
#include "platform/platform.h"
#include "platform/wildcard.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentMap>
#include <vector>

namespace filemanager {

using platform::DirEntry;
using platform::Platform;

namespace {

QString join(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}

bool isSubFolder(const DirEntry& e) {
    return (e.attributes & platform::faDirectory) && !e.isLink && !e.otherVolume &&
           e.name != u"." && e.name != u"..";
}

bool isWalkedFile(const DirEntry& e, const QString& mask) {
    if ((e.attributes & platform::faDirectory) && !e.isLink) return false;
    if (e.attributes & platform::faSysFile) return false;
    return platform::matchesMask(e.name, mask);
}

bool stopped(const TreeCallbacks& cb) {
    return cb.job.cancelled();
}

// A failure told; an Abort stops the job.
FailureAnswer tell(const TreeCallbacks& cb, const QString& path, int error) {
    const FailureAnswer answer = cb.failed ? cb.failed(path, error) : FailureAnswer::Skip;
    if (answer == FailureAnswer::Abort) cb.job.cancel();
    return answer;
}

} // namespace

bool attempt(const TreeCallbacks& cb, const QString& path,
             const std::function<platform::Status()>& step) {
    for (;;) {
        const platform::Status status = step();
        if (status) return true;
        if (status.error() == platform::errCancelled || stopped(cb)) return false;
        if (tell(cb, path, status.error()) != FailureAnswer::Retry) return false;
    }
}

void splitSpec(const QString& spec, QString& folder, QString& mask) {
    int slash = int(spec.lastIndexOf(u'/'));
    folder = slash <= 0 ? QStringLiteral("/") : spec.left(slash);
    if (slash < 0) folder = QStringLiteral(".");
    mask = spec.mid(slash + 1);
}

bool isSameOrInside(const QString& folder, const QString& path) {
    const QString f = QDir::cleanPath(folder), p = QDir::cleanPath(path);
    return p == f || p.startsWith(f == u"/" ? f : f + u'/');
}

namespace {

// Files need only their stored attributes (a system file stays; a link is
// deleted as itself); folders are looked at in full.
Platform::EntryChooser deleteChooser(const QString& mask) {
    return [mask](const DirEntry& e) {
        if ((e.attributes & platform::faDirectory) && !e.isLink) return Platform::Detail::Full;
        return isWalkedFile(e, mask) ? Platform::Detail::Flags : Platform::Detail::Skip;
    };
}

bool deleteTree(const QString& folder, const QString& mask, const TreeCallbacks& cb,
                platform::ListingAhead& lister) {
    Platform& p = Platform::instance();
    platform::ListingAhead::Listing listing = lister.take(folder);
    // Taken again, a folder is listed anew.
    bool fresh = true;
    if (!attempt(cb, folder, [&] {
            if (!std::exchange(fresh, false)) listing = lister.take(folder);
            return listing.ok ? platform::Status::done() : platform::Status::failed(listing.error);
        }))
        return !stopped(cb);
    // The next folders are read while this one's files go.
    QStringList subFolders;
    for (const DirEntry& e : listing.entries)
        if (isSubFolder(e)) subFolders << join(folder, e.name);
    for (const DirEntry& e : listing.entries) {
        if (!isWalkedFile(e, mask)) continue;
        if (stopped(cb)) return false;
        if ((e.attributes & platform::faReadOnly) && !e.isLink) {
            const QString path = join(folder, e.name);
            p.setAttributes(path, e.attributes & ~quint32(platform::faReadOnly));
            attempt(cb, path, [&] { return p.deleteFile(path); });
        } else {
            attempt(cb, join(folder, e.name),
                    [&] { return p.deleteListedFile(folder, e, listing.folderFd()); });
        }
    }
    for (int i = 0; i < subFolders.size(); ++i) {
        if (!deleteTree(subFolders[i], mask, cb, lister)) return false;
        if (!attempt(cb, subFolders[i], [&] { return p.removeFolder(subFolders[i]); })) break;
    }
    return !stopped(cb);
}

} // namespace

bool delTree(const QString& folder, const QString& mask, const TreeCallbacks& cb) {
    platform::ListingAhead lister(
        deleteChooser(mask),
        [](const QString& in, const DirEntry& e) {
            return isSubFolder(e) ? join(in, e.name) : QString();
        },
        true);
    return deleteTree(folder, mask, cb, lister);
}

bool copyOne(const QString& from, const QString& to, const QString& name, bool isLink,
             bool& askReplace, const TreeCallbacks& cb) {
    Platform& p = Platform::instance();
    auto copy = [&](bool failIfExists) {
        if (!isLink) return p.copyFile(from, to, failIfExists, &cb.job);
        if (!failIfExists && (p.attributes(to) & platform::faDirectory) == 0) p.deleteFile(to);
        return p.copyLink(from, to);
    };
    // An entry copied onto itself (its folder reached again through a link)
    // is left as it is: replacing it would delete the source. Looked at only
    // where the copy may replace, or found the name taken (on a network
    // volume, each look is a wait for the server).
    const auto sameEntry = [&] { return platform::sameEntry(from, to, false); };
    if (!askReplace && sameEntry())
        return attempt(cb, to, [] { return platform::Status::failed(platform::errSameEntry); });
    // A copy refused because the name is taken is asked about once;
    // declined, it is an entry left. Any other failure (a folder that cannot
    // be written) is no question of replacing.
    // A source that cannot be read is told by its own name, not the target's.
    bool asked = false;
    QString told = to;
    const auto blame = [&](const platform::Status& s) {
        told = s.error() == platform::errAccessDenied && !isLink && !QFileInfo(from).isReadable()
                   ? from
                   : to;
        return s;
    };
    return attempt(cb, told, [&] {
        const platform::Status first = copy(askReplace);
        const bool taken =
            first.error() == platform::errFileExists || first.error() == platform::errAlreadyExists;
        if (first || !taken) return blame(first);
        if (sameEntry()) return platform::Status::failed(platform::errSameEntry);
        if (std::exchange(asked, true)) return blame(first);
        const ReplaceAnswer answer = cb.askReplace ? cb.askReplace(name) : ReplaceAnswer::No;
        if (answer == ReplaceAnswer::No) return first;
        if (answer == ReplaceAnswer::All) askReplace = false;
        return blame(copy(false));
    });
}

namespace {

// Files up to this size are copied in one piece (no progress to tell).
constexpr qint64 kSmallFile = 16 << 20;
// From this many small files on, a folder's files are copied several at a
// time: a tree of many small files goes at the pace of the disk, not of
// one thread.
constexpr size_t kManyFiles = 32;

// The folder's small plain files copied side by side, as the walk would
// copy them first (replacing only when it no longer asks). Marks those
// that went through; the others are left to the walk, in order, with
// their questions. Nothing is told from here.
std::vector<char> copySmallFilesAtOnce(const QString& folder, const QString& mask,
                                       const QString& destination,
                                       const std::vector<DirEntry>& entries, bool askReplace,
                                       const TreeCallbacks& cb) {
    std::vector<char> copied(entries.size(), 0);
    std::vector<size_t> small;
    for (size_t i = 0; i < entries.size(); ++i)
        if (isWalkedFile(entries[i], mask) && !entries[i].isLink && entries[i].regular &&
            entries[i].size <= kSmallFile && entries[i].links <= 1)
            small.push_back(i);
    if (small.size() < kManyFiles) return copied;
    Platform& p = Platform::instance();
    QtConcurrent::blockingMap(small, [&](size_t i) {
        if (stopped(cb)) return;
        const QString& name = entries[i].name;
        copied[i] = p.copyFile(join(folder, name), join(destination, name), askReplace).ok();
    });
    return copied;
}

} // namespace

bool copyFolder(const QString& folder, const QString& mask, const QString& destination,
                bool& askReplace, const TreeCallbacks& cb) {
    Platform& p = Platform::instance();
    std::vector<DirEntry> entries;
    if (!attempt(cb, folder, [&] {
            entries.clear();
            return p.listDirectory(folder, QStringLiteral("*.*"), entries,
                                   Platform::ListMode::Walk);
        }))
        return !stopped(cb);
    const std::vector<char> done =
        copySmallFilesAtOnce(folder, mask, destination, entries, askReplace, cb);
    for (size_t i = 0; i < entries.size(); ++i) {
        const DirEntry& e = entries[i];
        if (!isWalkedFile(e, mask) || done[i]) continue;
        if (stopped(cb)) return false;
        const QString target = join(destination, e.name);
        // A later name of a file already copied becomes a name of that copy.
        if (cb.linked && e.links > 1 && e.regular && !e.isLink) {
            const auto identity = std::make_pair(e.device, e.inode);
            if (const auto seen = cb.linked->find(identity); seen != cb.linked->end()) {
                attempt(cb, target, [&] { return p.linkFile(seen->second, target); });
                continue;
            }
            cb.linked->emplace(identity, target);
        }
        copyOne(join(folder, e.name), target, e.name, e.isLink, askReplace, cb);
    }
    for (const DirEntry& e : entries) {
        if (!isSubFolder(e)) continue;
        const QString target = join(destination, e.name);
        if (!attempt(cb, target, [&] { return p.createPath(target); })) return !stopped(cb);
        if (!copyFolder(join(folder, e.name), mask, target, askReplace, cb)) return false;
    }
    // Last: the folder's entries changed its times.
    if (!stopped(cb)) p.copyFolderAttributes(folder, destination);
    return !stopped(cb);
}

} // namespace filemanager
