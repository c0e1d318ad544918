#pragma once
// The folder index of one volume: for every folder a walk met, its identity
// (inode), its change and modification times, the stored attributes it had
// and its entries (name and type) as the folder was last read. A walk stats
// each folder and takes its entries from the index while the folder's times
// vouch for them: a folder whose times changed, or were within a few
// seconds of when it was read (a change in the same clock tick would not
// show), is read again. Kept in memory while the program runs and in a file
// of the user's cache between runs.

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace core {
class GuardedMapping;
}

namespace platform {

class FolderIndex {
  public:
    struct Settings {
        // A folder read less than this after its last change is read again.
        qint64 racyNs = 2'000'000'000;
        // Now, in nanoseconds since the epoch (the real clock by default);
        // called from any thread.
        std::function<qint64()> clockNs;
        // Beyond this many entries the index stops growing and the walk goes on without it.
        qint64 maxEntries = 10'000'000;
        // A folder no search met for this long leaves the index when it is saved
        // (a folder removed, or a tree nobody searches any more).
        qint64 forgetNs = 30LL * 24 * 3600 * 1'000'000'000;
    };
    // An entry as kept: its name and its d_type, never DT_UNKNOWN.
    struct Entry {
        std::string_view name;
        unsigned char type;
    };

    // One folder as a walk looks at it. Its lstat is set by the walk; the
    // index then finds what it knows (look), its stored attributes and its
    // entries, read from the disk when the index cannot vouch for them.
    // Those run on any thread, many at once, while the index does not
    // change; keep() then records on the walk's thread what was read.
    class Look {
      public:
        struct stat st = {};
        // The entries found by lookEntries(): valid until the index changes.
        // Each name is followed by its type byte and a NUL; one that is not
        // a step in a path or not of a known type is left out.
        template <typename F> void forEachEntry(F&& f) const {
            for (size_t at = 0; at < m_names.size();) {
                const size_t end = m_names.find('\0', at);
                if (end == std::string_view::npos) return;
                const size_t next = std::exchange(at, end + 1);
                if (end - next < 2) continue;
                const Entry e{m_names.substr(next, end - next - 1),
                              static_cast<unsigned char>(m_names[end - 1])};
                if (!knownKind(e.type) || e.name == "." || e.name == "..") continue;
                f(e);
            }
        }
        quint32 entryCount() const { return m_count; }
        // The entries were read from the disk, not taken from the index.
        bool read() const { return m_read; }

      private:
        friend class FolderIndex;
        qint64 m_slot = -1; // the folder in the index, or none
        bool m_attrsRead = false;
        quint32 m_attrs = 0;
        qint64 m_attrsReadAt = 0;
        bool m_entriesLooked = false, m_listed = false, m_read = false;
        qint64 m_readAt = 0;
        std::string_view m_names; // the index's bytes, or m_readNames
        std::string m_readNames;
        quint32 m_count = 0;
    };

    explicit FolderIndex(quint64 device);
    FolderIndex(quint64 device, Settings settings);
    ~FolderIndex();
    FolderIndex(const FolderIndex&) = delete;
    FolderIndex& operator=(const FolderIndex&) = delete;

    quint64 device() const { return m_device; }

    // What the index knows of the folder whose lstat is look.st; a walk that
    // meets folders in the order it met them before names the one looked at
    // before this one (its sibling), which saves a search in the index.
    void look(Look& look, const Look* previous = nullptr) const;
    // Whether the index vouches for the folder's stored attributes and entries:
    // else the walk opens it (folder) for the looks that follow.
    bool vouchesFor(const Look& look) const;
    // The folder's stored attributes: kept while its change time vouches
    // for them, else read from the open folder, or from `name` in dirfd
    // (path is its full path).
    quint32 lookAttributes(int folder, int dirfd, const char* name, const char* path,
                           Look& look) const;
    // The folder's entries: kept while its times vouch for them, else read
    // from the open folder, or from `name` in dirfd. False when the folder
    // cannot be read.
    bool lookEntries(int folder, int dirfd, const char* name, Look& look) const;
    // Notes what was read for the look, and that a search met the folder,
    // on the walk's thread; the index takes them in when no look runs any
    // more (keepPending), at the end of the walk.
    void keepLater(Look& look);
    void keepPending();

    // The entries of the folder whose lstat is st, at path (one look, kept).
    bool entries(const QByteArray& path, const struct stat& st, std::vector<std::string>& names);

    // The end of a walk: what it noted is taken in, and the names of folders
    // read again give their room back.
    void endWalk();
    // Folders read from the disk since the last call, and entries kept.
    qint64 takeReadCount();
    qint64 entryCount() const { return m_entryCount; }
    // The entries of every folder as a walk takes them (those a damaged
    // index holds beside them left out).
    qint64 usableEntryCount() const;
    bool full() const { return m_full; }
    // Something changed since the index was loaded or saved.
    bool changed() const { return m_changed; }

    // The index file: written aside and renamed; a file that is damaged,
    // foreign or of another volume is left aside and answers false.
    bool save(const QString& file) const;
    bool load(const QString& file);
    // Reads an index from bytes (the file's): false, index empty, for
    // anything that is not a whole index of this volume.
    bool loadBytes(const char* data, qint64 size);

    // True when a folder's times can be trusted on the file system holding
    // path (local disks; not network, FUSE or FAT).
    static bool trustedFileSystem(const QString& path);
    // $XDG_CACHE_HOME/tavtools/folders-<volume>.idx
    static QString fileFor(quint64 device);

    // A d_type the index keeps.
    static bool knownKind(unsigned char type);

  private:
    struct Folder {
        quint64 inode = 0;
        qint64 ctime = 0, mtime = 0, listedAt = 0;
        qint64 attrsCtime = -1, attrsReadAt = 0;
        qint64 usedAt = 0;  // the last search that met it
        qint64 namesAt = 0; // where its names are: each followed by its type byte and a NUL
        quint32 namesSize = 0, count = 0;
        quint32 attrs = 0;
        bool listed = false;
        bool inFile = false; // its names are the file's, else in m_names
    };
    bool vouches(qint64 ctime, qint64 mtime, qint64 seenCtime, qint64 seenMtime,
                 qint64 readAt) const;
    bool vouchesAttributes(const Folder& f, const struct stat& st) const;
    bool vouchesEntries(const Folder& f, const struct stat& st) const;
    qint64 now() const;
    qint64 find(quint64 inode, qint64 guess = -1) const;
    qint64 add(quint64 inode);
    void reserveTable(size_t folders);
    void clear();
    bool take(const char* data, qint64 size);
    const char* namesOf(const Folder& f) const;

    struct Pending {
        qint64 slot = -1;
        quint64 inode = 0;
        qint64 ctime = 0, mtime = 0, metAt = -1;
        bool attrsRead = false, read = false, listed = false;
        quint32 attrs = 0, count = 0;
        qint64 attrsReadAt = 0, readAt = 0;
        std::string names;
    };
    std::vector<Pending> m_pending;
    qint64 m_pendingEntries = 0;

    quint64 m_device;
    Settings m_settings;
    std::vector<Folder> m_folders;
    struct Place {
        quint64 inode = 0;
        quint32 slot = 0; // the folder's place in m_folders + 1, or 0 for none
    };
    std::vector<Place> m_table; // open addressing by inode
    // The index file as loaded (mapped, or read into m_fileCopy), which holds
    // the names of the folders not read since; the names read since in
    // m_names, beside room no folder uses any more.
    std::unique_ptr<core::GuardedMapping> m_file;
    QByteArray m_fileCopy;
    const char* m_fileBytes = nullptr;
    qint64 m_fileSize = 0;
    QByteArray m_names;
    qint64 m_namesUsed = 0, m_namesStale = 0;
    qint64 m_entryCount = 0;
    qint64 m_readCount = 0;
    bool m_full = false;
    mutable bool m_changed = false;
};

// The indexes of the volumes searched by this program, loaded from the cache
// on first use and saved after each search; shared by every search, one at a
// time for each volume.
class FolderIndexes {
  public:
    static FolderIndexes& instance();
    // The index of the volume holding root, locked for the caller; null when
    // the volume's folder times cannot be trusted.
    struct Use {
        FolderIndex* index = nullptr;
        std::unique_lock<std::mutex> lock;
    };
    Use use(const QString& root, const struct stat& rootStat);
    // Saves the index after a search.
    void keep(FolderIndex& index);
    // Forgets every index in memory, and makes the next ones with these
    // settings (tests).
    void reset(FolderIndex::Settings settings);

  private:
    std::mutex m_lock;
    FolderIndex::Settings m_settings;
    struct Slot {
        std::mutex lock;
        std::unique_ptr<FolderIndex> index;
    };
    std::unordered_map<quint64, std::unique_ptr<Slot>> m_slots;
};

} // namespace platform
