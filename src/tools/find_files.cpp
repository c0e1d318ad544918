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
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
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

// Stops at the first folder whose server does not answer, and says so.
platform::Status walkFolder(const QString& folder, const Walk& walk, Lister& lister,
                            core::Job& job) {
    if (job.cancelled()) return platform::Status::done();
    job.setItem(folder);
    const Lister::Listing listing = lister.take(folder);
    if (!listing.ok)
        return listing.error == platform::errNoAnswer ? platform::Status::failed(listing.error)
                                                      : platform::Status::done();
    QStringList subFolders;
    for (const DirEntry& e : listing.entries)
        if (entered(e)) subFolders << subFolderPath(folder, e);
    for (const DirEntry& e : listing.entries) {
        if (job.cancelled()) return platform::Status::done();
        const bool folderEntry = (e.attributes & platform::faDirectory) && !e.isLink;
        if (folderEntry || (e.attributes & (platform::faSysFile | platform::faVolumeID))) continue;
        walk.visit(folder, e);
    }
    for (int i = 0; i < subFolders.size(); ++i) {
        if (job.cancelled()) return platform::Status::done();
        if (const platform::Status s = walkFolder(subFolders[i], walk, lister, job); !s) return s;
    }
    return platform::Status::done();
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
    bool read = false;            // its entries read from the disk
    std::vector<QByteArray> subs; // its sub-folders' names, dot names left out
    std::vector<DirEntry> hits;   // its files found, in its order
};

// A folder opened for a while, closed at the end of its scope.
struct OpenFolder {
    int fd = -1;
    OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder() { close(); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
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
        lookAt(root, AT_FDCWD, path.constData(), true, false, true);
        if (root.present) m_index.keepLater(root.look);
        enter(root);
    }

  private:
    // On any thread, while the index does not change.
    // A folder whose parent was read from the disk (a tree the index has not
    // met yet) is opened at once: its stat is taken from it, and what the
    // index cannot vouch for is read through it.
    void lookAt(IndexedFolder& f, int parentFd, const char* name, bool root, bool parentRead,
                bool alone, const platform::FolderIndex::Look* previous = nullptr) const {
        OpenFolder open;
        if (!root && parentRead) {
            open.fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
            if (open.fd >= 0 && fstat(open.fd, &f.look.st) != 0) open.close();
        }
        if (!root && open.fd < 0 && fstatat(parentFd, name, &f.look.st, AT_SYMLINK_NOFOLLOW) != 0)
            return; // gone
        if (!S_ISDIR(f.look.st.st_mode) || f.look.st.st_dev != m_device)
            return; // not a folder, or another volume
        f.present = true;
        m_index.look(f.look, previous);
        // A folder the index cannot vouch for is opened once: its attributes,
        // its entries and its files are read through it.
        if (open.fd < 0 && !m_index.vouchesFor(f.look)) {
            open.fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
            struct stat now;
            if (open.fd >= 0 && fstat(open.fd, &now) != 0) open.close();
            if (open.fd >= 0 && now.st_ino != f.look.st.st_ino) {
                if (now.st_dev != m_device) return; // replaced meanwhile by another volume's
                f.look.st = now;                    // replaced meanwhile: that one is looked at
                m_index.look(f.look);
            }
        }
        if (!root && (m_index.lookAttributes(open.fd, parentFd, name, f.path.constData(), f.look) &
                      (platform::faHidden | platform::faSysFile)))
            return;
        f.entered = true;
        // Deeper than a path the system takes whole: the plain walk, which
        // opens such folders a part at a time.
        if (f.path.size() + NAME_MAX + 2 >= PATH_MAX) {
            f.plain = true;
            return;
        }
        const bool listed = m_index.lookEntries(open.fd, parentFd, name, f.look);
        f.read = f.look.read();
        if (!listed) return;
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
        if (f.hits.empty()) return;
        if (open.fd < 0)
            open.fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        readHits(f, open.fd, hitNames, root || alone);
    }

    // Each file found looked at through its open folder: no walk of its whole path.
    // On two threads where the folder is looked at alone (else the level's
    // runs already keep both busy).
    void readHits(IndexedFolder& f, int fd, const std::vector<QByteArray>& names,
                  bool alone) const {
        std::vector<char> kept(f.hits.size());
        const auto read = [&](size_t from, size_t to) {
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
        };
        if (alone)
            onTwoThreads(f.hits.size(), read);
        else
            read(0, f.hits.size());
        size_t k = 0;
        for (size_t i = 0; i < f.hits.size(); ++i)
            if (kept[i]) {
                if (k != i) f.hits[k] = std::move(f.hits[i]);
                ++k;
            }
        f.hits.resize(k);
    }

    // The sub-folders of one folder, looked at in runs of a few on the
    // pool's threads and on the walk's, ahead of the walk; the walk takes
    // each run in order as soon as it is looked at. Shared with the pool's
    // tasks, which may start after the walk has taken every run.
    struct Level {
        std::vector<IndexedFolder> subs;
        std::vector<QByteArray> names;
        const IndexedWalk* walk = nullptr;
        bool read = false; // the folder was read from the disk
        int fd = -1;       // the folder, open, or -1 (then each by its whole path)
        size_t runs = 0;
        std::atomic<size_t> next{0};
        std::unique_ptr<std::atomic<int>[]> done;
        ~Level() {
            if (fd >= 0) close(fd);
        }
    };
    static constexpr size_t kRun = 32;

    // Takes the next run of the level, if one is left; any thread. Static:
    // a pool's task may start after the walk is gone, and then finds none.
    static bool lookAtRun(Level& level) {
        const size_t run = level.next.fetch_add(1);
        if (run >= level.runs) return false;
        const IndexedWalk& walk = *level.walk;
        const bool alone = level.runs == 1;
        const platform::FolderIndex::Look* previous = nullptr;
        const size_t end = std::min(level.subs.size(), (run + 1) * kRun);
        for (size_t i = run * kRun; i < end && !walk.m_job.cancelled(); ++i) {
            IndexedFolder& sub = level.subs[i];
            if (level.fd >= 0)
                walk.lookAt(sub, level.fd, level.names[i].constData(), false, level.read, alone,
                            previous);
            else
                walk.lookAt(sub, AT_FDCWD, sub.path.chopped(1).constData(), false, level.read,
                            alone, previous);
            if (sub.present) previous = &sub.look;
        }
        level.done[run].store(1, std::memory_order_release);
        level.done[run].notify_all();
        return true;
    }

    // On the walk's thread: the folder's files, then its sub-folders in order.
    void enter(IndexedFolder& f) {
        if (m_job.cancelled()) return;
        if (f.plain) {
            Lister lister(chooserFor(m_walk), subFolderPath);
            walkFolder(f.folder, m_walk, lister, m_job); // a local disk: every server answers
            return;
        }
        if (m_job.onItem) m_job.setItem(f.folder);
        if (!f.listed) return;
        for (const DirEntry& e : f.hits) {
            if (m_job.cancelled()) return;
            m_walk.visit(f.folder, e);
        }
        if (f.subs.empty()) return;
        auto level = std::make_shared<Level>();
        level->names = std::move(f.subs);
        level->subs.resize(level->names.size());
        for (size_t i = 0; i < level->subs.size(); ++i) {
            QByteArray& path = level->subs[i].path;
            path.reserve(f.path.size() + level->names[i].size() + 1);
            path.append(f.path).append(level->names[i]).append('/');
        }
        level->fd = open(f.path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        level->walk = this;
        level->read = f.read;
        level->runs = (level->subs.size() + kRun - 1) / kRun;
        level->done = std::make_unique<std::atomic<int>[]>(level->runs);
        // A thread of the pool helps where there is more than one run.
        if (level->runs > 1)
            QThreadPool::globalInstance()->start([level] {
                while (lookAtRun(*level)) {
                }
            });
        for (size_t i = 0; i < level->subs.size(); ++i) {
            const size_t run = i / kRun;
            if (i % kRun == 0) {
                // While the run is not looked at, the walk looks at the next
                // one left (this one, when the helper has not taken it yet).
                while (level->done[run].load(std::memory_order_acquire) == 0)
                    if (!lookAtRun(*level)) level->done[run].wait(0, std::memory_order_acquire);
            }
            if (m_job.cancelled()) break;
            IndexedFolder& sub = level->subs[i];
            if (sub.present) m_index.keepLater(sub.look);
            if (sub.entered) {
                // Named as the walk names it only where the name is used.
                if (!sub.hits.empty() || !sub.subs.empty() || sub.plain || m_job.onItem)
                    sub.folder = f.folder + platform::nameFromNative(level->names[i]) + u'/';
                enter(sub);
            }
            sub = IndexedFolder();
        }
        // Runs not taken yet never will be; those taken end before the walk
        // goes on (they read the index).
        const size_t taken = std::min(level->next.exchange(level->runs), level->runs);
        for (size_t run = 0; run < taken; ++run)
            level->done[run].wait(0, std::memory_order_acquire);
    }

    const Walk& m_walk;
    platform::FolderIndex& m_index;
    core::Job& m_job;
    const dev_t m_device;
};

} // namespace

platform::Status walkFiles(const QString& folder, const Walk& walk, core::Job& job) {
    // Never on a network volume: its folder times cannot be trusted, and
    // even a stat of its folder may wait on its server.
    if (walk.indexed && Platform::instance().indexesFolders() &&
        !Platform::instance().onNetworkVolume(folder)) {
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
                return platform::Status::done();
            }
        }
    }
    Lister lister(chooserFor(walk), subFolderPath);
    return walkFolder(folder, walk, lister, job);
}

QString searchSpec(const QString& path, const QString& pattern) {
    return (path.endsWith(u'/') ? path : path + u'/') + pattern;
}

qint64 findAllFiles(const QString& spec, const std::function<void(const QString& path)>& found,
                    core::Job& job, bool indexed, platform::Status* failure) {
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
    const platform::Status walked = walkFiles(folder, walk, job);
    if (failure) *failure = walked;
    return count;
}

} // namespace tools
