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

// One folder of the walk with the folder index: looked at on any thread
// (its lstat, taken through its parent's open folder; what the index knows
// of it; its entries; its files found and read), then walked on the walk's
// thread in the folders' order. A folder is read from the disk only when
// its times changed; its stored attributes likewise. A hit's own
// attributes, and its size when asked, are read as the walk reads them.
struct IndexedFolder {
    QString folder;  // as the walk names it, ending in '/'
    QByteArray path; // ending in '/'
    platform::FolderIndex::Look look;
    bool present = false;         // a folder of the volume: the index keeps its look
    bool entered = false;         // neither hidden nor system
    bool listed = false;          // its entries known
    bool plain = false;           // too deep for a whole path: walked without the index
    std::vector<QByteArray> subs; // its sub-folders' names, dot names left out
    std::vector<DirEntry> hits;   // its files found, in its order
};

class IndexedWalk {
  public:
    IndexedWalk(const Walk& walk, platform::FolderIndex& index, core::Job& job, dev_t device)
        : m_walk(walk), m_index(index), m_job(job), m_device(device) {}

    void walkFrom(const QString& folder, const QByteArray& path, const struct stat& st) {
        IndexedFolder root;
        root.folder = folder;
        root.path = path;
        root.look.st = st;
        lookAt(root, AT_FDCWD, path.constData(), true);
        if (root.present) m_index.keep(root.look);
        enter(root);
    }

  private:
    // On any thread, while the index does not change.
    void lookAt(IndexedFolder& f, int parentFd, const char* name, bool root,
                const platform::FolderIndex::Look* previous = nullptr) const {
        if (!root && (fstatat(parentFd, name, &f.look.st, AT_SYMLINK_NOFOLLOW) != 0 ||
                      !S_ISDIR(f.look.st.st_mode) || f.look.st.st_dev != m_device))
            return; // gone, or another volume
        f.present = true;
        m_index.look(f.look, previous);
        if (!root && (m_index.lookAttributes(parentFd, name, f.path.constData(), f.look) &
                      (platform::faHidden | platform::faSysFile)))
            return;
        f.entered = true;
        // Deeper than a path the system takes whole: the plain walk, which
        // opens such folders a part at a time.
        if (f.path.size() + NAME_MAX + 2 >= PATH_MAX) {
            f.plain = true;
            return;
        }
        if (!m_index.lookEntries(parentFd, name, f.look)) return;
        f.listed = true;
        std::vector<QByteArray> hitNames;
        f.look.forEachEntry([&](const platform::FolderIndex::Entry& e) {
            if (e.type == DT_DIR) {
                if (e.name[0] != '.') f.subs.emplace_back(e.name.data(), qsizetype(e.name.size()));
                return;
            }
            // Devices, pipes and sockets are system files: never found.
            if (e.type != DT_REG && e.type != DT_LNK) return;
            if (m_walk.wantedBytes)
                if (const std::optional<bool> wanted =
                        m_walk.wantedBytes(e.name.data(), qsizetype(e.name.size()));
                    wanted && !*wanted)
                    return;
            QByteArray bytes(e.name.data(), qsizetype(e.name.size()));
            DirEntry hit;
            hit.name = platform::nameFromNative(bytes.constData());
            if (!platform::kindFromType(AT_FDCWD, bytes.constData(), e.type, hit)) return;
            if ((hit.attributes & platform::faSysFile) || !m_walk.wanted(hit.name)) return;
            f.hits.push_back(std::move(hit));
            hitNames.push_back(std::move(bytes));
        });
        if (!f.hits.empty()) readHits(f, parentFd, name, hitNames);
    }

    // Each file found looked at through its open folder: no walk of its whole path.
    void readHits(IndexedFolder& f, int parentFd, const char* name,
                  const std::vector<QByteArray>& names) const {
        const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        std::vector<char> kept(f.hits.size());
        onTwoThreads(f.hits.size(), [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) {
                DirEntry& e = f.hits[i];
                const QByteArray path = f.path + names[i];
                const int at = fd >= 0 ? fd : AT_FDCWD;
                const char* n = fd >= 0 ? names[i].constData() : path.constData();
                if (m_walk.sized) {
                    struct stat hs;
                    if (fstatat(at, n, &hs, AT_SYMLINK_NOFOLLOW) != 0) continue;
                    e.attributes = platform::modeAttributes(n, hs);
                    if (!S_ISLNK(hs.st_mode))
                        e.attributes |= platform::storedAttributes(at, n, path.constData());
                    platform::takeStat(e, hs);
                } else if (!e.isLink) {
                    e.attributes |= platform::storedAttributes(at, n, path.constData());
                }
                kept[i] = !(e.attributes & (platform::faSysFile | platform::faVolumeID));
            }
        });
        if (fd >= 0) close(fd);
        size_t k = 0;
        for (size_t i = 0; i < f.hits.size(); ++i)
            if (kept[i]) {
                if (k != i) f.hits[k] = std::move(f.hits[i]);
                ++k;
            }
        f.hits.resize(k);
    }

    // On the walk's thread: the folder's files, then its sub-folders, looked
    // at together (many on two threads) and walked in order.
    void enter(IndexedFolder& f) {
        if (m_job.cancelled()) return;
        if (f.plain) {
            Lister lister(chooserFor(m_walk), subFolderPath);
            walkFolder(f.folder, m_walk, lister, m_job);
            return;
        }
        m_job.setItem(f.folder);
        if (!f.listed) return;
        for (const DirEntry& e : f.hits) {
            if (m_job.cancelled()) return;
            m_walk.visit(f.folder, e);
        }
        if (f.subs.empty()) return;
        std::vector<IndexedFolder> subs(f.subs.size());
        const int fd = open(f.path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        onTwoThreads(subs.size(), [&](size_t from, size_t to) {
            const platform::FolderIndex::Look* previous = nullptr;
            for (size_t i = from; i < to && !m_job.cancelled(); ++i) {
                IndexedFolder& sub = subs[i];
                const QByteArray& name = f.subs[i];
                sub.path = f.path + name + '/';
                sub.folder = f.folder + platform::nameFromNative(name) + u'/';
                // Through the open folder, or by its whole path when it could not be opened.
                if (fd >= 0)
                    lookAt(sub, fd, name.constData(), false, previous);
                else
                    lookAt(sub, AT_FDCWD, sub.path.chopped(1).constData(), false, previous);
                if (sub.present) previous = &sub.look;
            }
        });
        if (fd >= 0) close(fd);
        f.subs = {};
        for (IndexedFolder& sub : subs)
            if (sub.present) m_index.keep(sub.look);
        for (IndexedFolder& sub : subs) {
            if (m_job.cancelled()) return;
            if (sub.entered) enter(sub);
            sub = IndexedFolder();
        }
    }

    const Walk& m_walk;
    platform::FolderIndex& m_index;
    core::Job& m_job;
    const dev_t m_device;
};

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
                IndexedWalk(walk, *use.index, job, st.st_dev).walkFrom(folder, path, st);
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
    const platform::AsciiMask asciiPattern(pattern);
    walk.wantedBytes = [&](const char* name, qsizetype size) {
        return asciiPattern.matches(name, size);
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
