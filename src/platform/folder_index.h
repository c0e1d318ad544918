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
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

class FolderIndex {
  public:
    struct Settings {
        // A folder read less than this after its last change is read again.
        qint64 racyNs = 2'000'000'000;
        // Now, in nanoseconds since the epoch (the real clock by default).
        std::function<qint64()> clockNs;
        // Beyond this many entries the index stops growing and the walk goes on without it.
        qint64 maxEntries = 10'000'000;
        // A folder no search met for this long leaves the index when it is saved
        // (a folder removed, or a tree nobody searches any more).
        qint64 forgetNs = 30LL * 24 * 3600 * 1'000'000'000;
    };
    // An entry as kept: its name (the index's bytes, valid until the folder
    // is read again) and its d_type, never DT_UNKNOWN.
    struct Entry {
        const char* name;
        unsigned char type;
    };

    explicit FolderIndex(quint64 device);
    FolderIndex(quint64 device, Settings settings);

    quint64 device() const { return m_device; }
    // The entries of the folder whose lstat is st, opened at path: from the
    // index when its times vouch for them, else read (and kept). False when
    // the folder cannot be read.
    bool entries(const QByteArray& path, const struct stat& st, std::vector<Entry>& out);
    // Reads, on two threads, those of these folders (path and lstat) whose
    // times the index cannot vouch for; entries() then takes what was read.
    void readAhead(const std::vector<std::pair<QByteArray, struct stat>>& folders);
    // The end of a walk: what was read ahead and not taken is dropped (it
    // would pass for a reading the next search could not vouch for).
    void endWalk() { m_ahead.clear(); }
    // The stored attributes of the folder whose lstat is st, at path: kept
    // while its change time vouches for them, else read again.
    quint32 storedAttributes(const QByteArray& path, const struct stat& st);

    // Folders read from the disk since the last call, and entries kept.
    qint64 takeReadCount();
    qint64 entryCount() const { return m_entryCount; }
    bool full() const { return m_full; }
    // Something changed since the index was loaded or saved.
    bool changed() const { return m_changed; }

    // The index file: written aside and renamed; a file that is damaged,
    // foreign or of another volume is left aside and answers false.
    bool save(const QString& file) const;
    bool load(const QString& file);
    // Reads an index from bytes (the file's, mapped): false, index empty,
    // for anything that is not a whole index of this volume.
    bool loadBytes(const char* data, qint64 size);

    // True when a folder's times can be trusted on the file system holding
    // path (local disks; not network, FUSE or FAT).
    static bool trustedFileSystem(const QString& path);
    // $XDG_CACHE_HOME/tavtools/folders-<volume>.idx
    static QString fileFor(quint64 device);

  private:
    struct Folder {
        qint64 ctime = 0, mtime = 0, listedAt = 0;
        qint64 attrsCtime = -1, attrsReadAt = 0;
        qint64 usedAt = 0; // the last search that met it
        quint32 attrs = 0;
        bool listed = false;
        std::string names; // each name followed by its type byte and a NUL
        quint32 count = 0;
    };
    bool vouches(qint64 ctime, qint64 mtime, qint64 seenCtime, qint64 seenMtime,
                 qint64 readAt) const;
    qint64 now() const;
    void touch(Folder& f);

    quint64 m_device;
    Settings m_settings;
    std::unordered_map<quint64, Folder> m_folders; // by inode
    struct Ahead {
        std::string names;
        quint32 count = 0;
        qint64 ctime = 0, mtime = 0, readAt = 0;
        bool ok = false;
    };
    std::unordered_map<quint64, Ahead> m_ahead; // read ahead, not taken yet
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
