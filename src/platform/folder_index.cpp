#include "folder_index.h"
#include "attributes.h"
#include "core/guarded_mapping.h"
#include "file_replacement.h"
#include "folder_reading.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtEndian>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <time.h>

namespace platform {

namespace {

constexpr char kMagic[8] = {'T', 'A', 'V', 'I', 'D', 'X', '0', '1'};

qint64 nanos(const struct timespec& t) {
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Little-endian numbers in the index file.
void put64(QByteArray& out, quint64 v) {
    const quint64 little = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&little), 8);
}

struct Reader {
    const char* p;
    const char* end;
    bool ok = true;
    quint64 u64() {
        if (end - p < 8) return ok = false, 0;
        const quint64 v = qFromLittleEndian<quint64>(p);
        p += 8;
        return v;
    }
    const char* bytes(quint64 n) {
        if (quint64(end - p) < n) return ok = false, nullptr;
        const char* at = p;
        p += n;
        return at;
    }
};

} // namespace

FolderIndex::FolderIndex(quint64 device) : FolderIndex(device, Settings()) {}

FolderIndex::FolderIndex(quint64 device, Settings settings)
    : m_device(device), m_settings(std::move(settings)) {}

FolderIndex::~FolderIndex() = default;

qint64 FolderIndex::now() const {
    if (m_settings.clockNs) return m_settings.clockNs();
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return nanos(t);
}

// The times seen are those kept, and the keeping came well after them.
bool FolderIndex::vouches(qint64 ctime, qint64 mtime, qint64 seenCtime, qint64 seenMtime,
                          qint64 readAt) const {
    return ctime == seenCtime && mtime == seenMtime &&
           readAt - std::max(seenCtime, seenMtime) >= m_settings.racyNs;
}

namespace {

// A folder's names and types, as the index keeps them; false when it cannot
// be read. Touches nothing but the folder: any thread may call it.
bool readNames(int fd, std::string& names, quint32& count) {
    names.clear();
    count = 0;
    if (lseek(fd, 0, SEEK_SET) != 0) return false;
    FolderReader reader(fd);
    FolderReader::Entry d;
    while (reader.next(d)) {
        const char* n = d.name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        const unsigned char type = knownType(fd, n, d.type);
        if (!FolderIndex::knownKind(type)) continue; // gone meanwhile
        names.append(n);
        names.push_back(char(type));
        names.push_back('\0');
        ++count;
    }
    return true;
}

quint64 spread(quint64 inode) {
    return inode * 0x9E3779B97F4A7C15ull;
}

} // namespace

bool FolderIndex::knownKind(unsigned char type) {
    switch (type) {
    case DT_FIFO:
    case DT_CHR:
    case DT_DIR:
    case DT_BLK:
    case DT_REG:
    case DT_LNK:
    case DT_SOCK:
        return true;
    default:
        return false;
    }
}

qint64 FolderIndex::find(quint64 inode, qint64 guess) const {
    if (guess >= 0 && size_t(guess) < m_folders.size() && m_folders[size_t(guess)].inode == inode)
        return guess;
    if (m_table.empty()) return -1;
    const size_t mask = m_table.size() - 1;
    for (size_t at = size_t(spread(inode) >> 32) & mask;; at = (at + 1) & mask) {
        const Place& p = m_table[at];
        if (p.slot == 0) return -1;
        if (p.inode == inode) return qint64(p.slot) - 1;
    }
}

// Room in the table for this many folders at most half full.
void FolderIndex::reserveTable(size_t folders) {
    size_t size = 64;
    while (size < folders * 2)
        size *= 2;
    if (size <= m_table.size()) return;
    std::vector<Place> table(size);
    const size_t mask = table.size() - 1;
    for (const Place& p : m_table) {
        if (p.slot == 0) continue;
        size_t at = size_t(spread(p.inode) >> 32) & mask;
        while (table[at].slot != 0)
            at = (at + 1) & mask;
        table[at] = p;
    }
    m_table = std::move(table);
}

// A new folder's place; -1 when the index holds the inode already.
qint64 FolderIndex::add(quint64 inode) {
    if ((m_folders.size() + 1) * 2 > m_table.size()) reserveTable(m_folders.size() * 2 + 1);
    const size_t mask = m_table.size() - 1;
    size_t at = size_t(spread(inode) >> 32) & mask;
    for (; m_table[at].slot != 0; at = (at + 1) & mask)
        if (m_table[at].inode == inode) return -1;
    m_folders.push_back(Folder{});
    m_folders.back().inode = inode;
    m_table[at] = Place{inode, quint32(m_folders.size())};
    return qint64(m_folders.size()) - 1;
}

void FolderIndex::clear() {
    m_folders.clear();
    m_table.clear();
    m_names.clear();
    m_file.reset();
    m_fileCopy.clear();
    m_fileBytes = nullptr;
    m_fileSize = 0;
    m_namesUsed = 0;
    m_namesStale = 0;
    m_entryCount = 0;
}

void FolderIndex::look(Look& look, const Look* previous) const {
    look.m_slot = find(quint64(look.st.st_ino),
                       previous && previous->m_slot >= 0 ? previous->m_slot + 1 : -1);
}

bool FolderIndex::vouchesAttributes(const Folder& f, const struct stat& st) const {
    const qint64 ctime = nanos(st.st_ctim);
    return f.attrsCtime == ctime && f.attrsReadAt - ctime >= m_settings.racyNs;
}

bool FolderIndex::vouchesEntries(const Folder& f, const struct stat& st) const {
    return f.listed && vouches(f.ctime, f.mtime, nanos(st.st_ctim), nanos(st.st_mtim), f.listedAt);
}

bool FolderIndex::vouchesFor(const Look& look) const {
    if (look.m_slot < 0) return false;
    const Folder& f = m_folders[size_t(look.m_slot)];
    return vouchesAttributes(f, look.st) && vouchesEntries(f, look.st);
}

quint32 FolderIndex::lookAttributes(int folder, int dirfd, const char* name, const char* path,
                                    Look& look) const {
    if (look.m_slot >= 0) {
        const Folder& f = m_folders[size_t(look.m_slot)];
        if (vouchesAttributes(f, look.st)) {
            look.m_attrs = f.attrs;
            return f.attrs;
        }
    }
    look.m_attrsReadAt = now(); // before the reading
    look.m_attrs = folder >= 0 ? platform::storedAttributesOfOpen(folder)
                               : platform::storedAttributes(dirfd, name, path);
    look.m_attrsRead = true;
    return look.m_attrs;
}

bool FolderIndex::lookEntries(int folder, int dirfd, const char* name, Look& look) const {
    look.m_entriesLooked = true;
    if (look.m_slot >= 0) {
        const Folder& f = m_folders[size_t(look.m_slot)];
        if (vouchesEntries(f, look.st)) {
            look.m_names = std::string_view(namesOf(f), f.namesSize);
            look.m_count = f.count;
            look.m_listed = true;
            return true;
        }
    }
    look.m_readAt = now(); // before the reading: a change during it shows next time
    look.m_read = true;
    const int fd =
        folder >= 0 ? folder : openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    look.m_listed = fd >= 0 && readNames(fd, look.m_readNames, look.m_count);
    if (fd >= 0 && folder < 0) close(fd);
    look.m_names = look.m_listed ? std::string_view(look.m_readNames) : std::string_view();
    return look.m_listed;
}

void FolderIndex::keepLater(Look& look) {
    const qint64 t = now();
    const Folder* f = look.m_slot >= 0 ? &m_folders[size_t(look.m_slot)] : nullptr;
    // A search met the folder: kept another while (marked a day at a time,
    // so that an index a search changed nothing in is not written again).
    const bool met = !f || t - f->usedAt >= 24LL * 3600 * 1'000'000'000;
    if (!met && !look.m_attrsRead && !look.m_read) return;
    Pending p;
    p.slot = look.m_slot;
    p.inode = quint64(look.st.st_ino);
    p.ctime = nanos(look.st.st_ctim);
    p.mtime = nanos(look.st.st_mtim);
    p.metAt = met ? t : -1;
    p.attrsRead = std::exchange(look.m_attrsRead, false);
    p.attrs = look.m_attrs;
    p.attrsReadAt = look.m_attrsReadAt;
    p.read = std::exchange(look.m_read, false);
    p.listed = look.m_listed;
    p.readAt = look.m_readAt;
    p.count = look.m_count;
    if (p.read && p.listed) {
        // Beyond the most entries kept, the names are not kept either.
        m_pendingEntries += p.count;
        if (m_entryCount + m_pendingEntries > m_settings.maxEntries) m_full = true;
        if (!m_full) p.names = std::move(look.m_readNames);
    }
    look.m_names = {};
    m_pending.push_back(std::move(p));
}

void FolderIndex::keepPending() {
    for (Pending& p : m_pending) {
        qint64 slot = p.slot >= 0 ? p.slot : find(p.inode);
        if (slot < 0) slot = add(p.inode);
        Folder& f = m_folders[size_t(slot)];
        m_changed = true;
        if (p.metAt >= 0) f.usedAt = p.metAt;
        if (p.attrsRead) {
            f.attrs = p.attrs;
            f.attrsCtime = p.ctime;
            f.attrsReadAt = p.attrsReadAt;
        }
        if (!p.read) continue;
        ++m_readCount;
        m_entryCount -= f.listed ? f.count : 0;
        m_namesUsed -= f.listed ? f.namesSize : 0;
        m_namesStale += f.listed ? f.namesSize : 0;
        f.listed = p.listed && !m_full;
        f.count = f.listed ? p.count : 0;
        f.namesSize = f.listed ? quint32(p.names.size()) : 0;
        f.namesAt = m_names.size();
        f.inFile = false;
        m_names.append(p.names.data(), qsizetype(f.namesSize));
        m_namesUsed += f.namesSize;
        m_entryCount += f.count;
        f.ctime = p.ctime;
        f.mtime = p.mtime;
        f.listedAt = p.readAt;
    }
    m_pending.clear();
    m_pending.shrink_to_fit();
    m_pendingEntries = 0;
    if (m_entryCount > m_settings.maxEntries) m_full = true;
}

const char* FolderIndex::namesOf(const Folder& f) const {
    return (f.inFile ? m_fileBytes : m_names.constData()) + f.namesAt;
}

void FolderIndex::endWalk() {
    keepPending();
    // The file shrank under its mapping (another program cut it): what was
    // read of it is not to be trusted, and the next search builds anew.
    if (m_file && m_file->changed()) {
        clear();
        m_changed = false;
        return;
    }
    // The names of folders read again leave their old ones behind: once
    // those take more room than the names in use, the names are packed.
    if (m_namesStale <= std::max<qint64>(m_namesUsed, 1 << 20)) return;
    m_namesStale = 0;
    QByteArray packed;
    packed.reserve(m_namesUsed);
    for (Folder& f : m_folders) {
        const qint64 at = packed.size();
        packed.append(namesOf(f), f.namesSize);
        f.namesAt = at;
        f.inFile = false;
    }
    m_names = std::move(packed);
    m_file.reset();
    m_fileCopy.clear();
    m_fileBytes = nullptr;
    m_fileSize = 0;
}

bool FolderIndex::entries(const QByteArray& path, const struct stat& st,
                          std::vector<std::string>& names) {
    names.clear();
    Look l;
    l.st = st;
    look(l);
    const bool ok = lookEntries(-1, AT_FDCWD, path.constData(), l);
    l.forEachEntry([&](const Entry& e) { names.emplace_back(e.name); });
    keepLater(l);
    keepPending();
    return ok;
}

qint64 FolderIndex::usableEntryCount() const {
    qint64 count = 0;
    for (const Folder& f : m_folders) {
        if (!f.listed) continue;
        Look l;
        l.m_names = std::string_view(namesOf(f), f.namesSize);
        l.forEachEntry([&](const Entry&) { ++count; });
    }
    return count;
}

qint64 FolderIndex::takeReadCount() {
    return std::exchange(m_readCount, 0);
}

// ---- the file ----
// "TAVIDX01", the volume, the folder count, then each folder: inode, times,
// reading times, attributes, when a search last met it, the count and the
// byte count of its names, and the names.

bool FolderIndex::save(const QString& file) const {
    QDir().mkpath(QFileInfo(file).absolutePath());
    FileReplacement aside(file);
    aside.setFreshAttributes(true);
    aside.setDurable(false); // a cache: whole or absent, never flushed for its own sake
    if (!aside.open()) return false;
    // Written a megabyte at a time.
    QByteArray out;
    out.reserve(1 << 20);
    bool ok = true;
    const auto flush = [&](qsizetype above) {
        if (out.size() <= above) return;
        ok = ok && aside.file().write(out) == out.size();
        out.clear();
    };
    out.append(kMagic, 8);
    put64(out, m_device);
    const qint64 oldest = now() - m_settings.forgetNs;
    qint64 kept = 0;
    for (const Folder& f : m_folders)
        kept += f.usedAt >= oldest;
    put64(out, quint64(kept));
    for (const Folder& f : m_folders) {
        if (f.usedAt < oldest) continue;
        const quint64 header[10] = {f.inode,
                                    quint64(f.ctime),
                                    quint64(f.mtime),
                                    quint64(f.listedAt),
                                    quint64(f.attrsCtime),
                                    quint64(f.attrsReadAt),
                                    f.attrs | (f.listed ? 1ull << 32 : 0),
                                    quint64(f.usedAt),
                                    f.count,
                                    f.namesSize};
        for (const quint64 v : header)
            put64(out, v);
        out.append(namesOf(f), qsizetype(f.namesSize));
        flush(1 << 20);
    }
    flush(0);
    if (!(ok && aside.commit())) return false;
    m_changed = false;
    return true;
}

bool FolderIndex::load(const QString& file) {
    clear();
    // Only a regular file is read (a pipe put in its place never blocks),
    // and no larger than an index of the most entries kept could be. It is
    // mapped, guarded against another program cutting it, or else read.
    const int fd = open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    const qint64 largest = m_settings.maxEntries * (NAME_MAX + 3) / 4 + (64 << 20);
    const char* data = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= largest) {
        m_file = std::make_unique<core::GuardedMapping>();
        if (m_file->map(fd, st.st_size, 0, true)) {
            data = reinterpret_cast<const char*>(m_file->data());
        } else {
            m_file.reset();
            m_fileCopy.resize(qsizetype(st.st_size));
            qint64 done = 0;
            while (done < m_fileCopy.size()) {
                const ssize_t n =
                    read(fd, m_fileCopy.data() + done, size_t(m_fileCopy.size() - done));
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                done += n;
            }
            if (done == m_fileCopy.size()) data = m_fileCopy.constData();
        }
    }
    close(fd);
    if (!data) {
        clear();
        return false;
    }
    return take(data, st.st_size);
}

bool FolderIndex::loadBytes(const char* data, qint64 size) {
    clear();
    m_fileCopy = QByteArray(data, qsizetype(size));
    return take(m_fileCopy.constData(), size);
}

// The file's bytes (mapped or read) hold the folders' names, where the
// file has them.
bool FolderIndex::take(const char* data, qint64 size) {
    m_folders.clear();
    m_table.clear();
    m_full = false;
    Reader in{data, data + size};
    const char* magic = in.bytes(8);
    if (!magic || std::memcmp(magic, kMagic, 8) != 0 || in.u64() != m_device) return false;
    const quint64 folders = in.u64();
    // Each folder takes 80 bytes at least: a count beyond the file is a lie.
    if (!in.ok || folders > quint64(size) / 80) return false;
    m_folders.reserve(size_t(folders));
    reserveTable(size_t(folders));
    for (quint64 i = 0; i < folders; ++i) {
        Folder f;
        f.inode = in.u64();
        f.ctime = qint64(in.u64());
        f.mtime = qint64(in.u64());
        f.listedAt = qint64(in.u64());
        f.attrsCtime = qint64(in.u64());
        f.attrsReadAt = qint64(in.u64());
        const quint64 flags = in.u64();
        f.usedAt = qint64(in.u64());
        f.attrs = quint32(flags) & (faHidden | faSysFile | faArchive);
        f.listed = (flags >> 32) & 1;
        const quint64 count = in.u64();
        const quint64 length = in.u64();
        const char* names = in.bytes(length);
        // The names end with a NUL and hold no slash (each name is read
        // whole, and checked, as the walk takes it); no folder twice.
        if (!in.ok || count > length / 2 || length > 0xFFFFFFFFull ||
            (length > 0 && names[length - 1] != 0) || std::memchr(names, '/', length)) {
            clear();
            return false;
        }
        if (f.listed) {
            f.inFile = true;
            f.namesAt = names - data;
            f.namesSize = quint32(length);
            f.count = quint32(count);
        }
        m_folders.push_back(f);
        m_namesUsed += f.namesSize;
        m_entryCount += qint64(f.count);
    }
    if (!in.ok || m_entryCount > m_settings.maxEntries) {
        clear();
        return false;
    }
    // The table made once the folders are read, each place asked for from
    // memory a few folders ahead of its filling; no folder twice.
    const size_t mask = m_table.size() - 1;
    constexpr size_t kAhead = 16;
    for (size_t i = 0; i < m_folders.size(); ++i) {
        if (i + kAhead < m_folders.size())
            __builtin_prefetch(&m_table[size_t(spread(m_folders[i + kAhead].inode) >> 32) & mask]);
        size_t at = size_t(spread(m_folders[i].inode) >> 32) & mask;
        for (; m_table[at].slot != 0; at = (at + 1) & mask)
            if (m_table[at].inode == m_folders[i].inode) {
                clear();
                return false;
            }
        m_table[at] = Place{m_folders[i].inode, quint32(i + 1)};
    }
    m_fileBytes = data;
    m_fileSize = size;
    m_changed = false;
    return true;
}

bool FolderIndex::trustedFileSystem(const QString& path) {
    struct statfs fs;
    if (statfs(QFile::encodeName(path).constData(), &fs) != 0) return false;
    switch (quint32(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2, ext3 and ext4
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

QString FolderIndex::fileFor(quint64 device) {
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty()) cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/tavtools/folders-%1.idx").arg(device, 0, 16);
}

// ---- the indexes of this program ----

FolderIndexes& FolderIndexes::instance() {
    static FolderIndexes indexes;
    return indexes;
}

FolderIndexes::Use FolderIndexes::use(const QString& root, const struct stat& rootStat) {
    if (!FolderIndex::trustedFileSystem(root)) return {};
    const quint64 device = quint64(rootStat.st_dev);
    Slot* slot = nullptr;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        std::unique_ptr<Slot>& s = m_slots[device];
        if (!s) s = std::make_unique<Slot>();
        slot = s.get();
    }
    Use use;
    use.lock = std::unique_lock<std::mutex>(slot->lock);
    if (!slot->index) {
        FolderIndex::Settings settings;
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            settings = m_settings;
        }
        slot->index = std::make_unique<FolderIndex>(device, settings);
        slot->index->load(FolderIndex::fileFor(device)); // damaged or missing: built anew
    }
    if (slot->index->full()) return {};
    use.index = slot->index.get();
    return use;
}

void FolderIndexes::keep(FolderIndex& index) {
    index.endWalk();
    if (!index.full() && index.changed()) index.save(FolderIndex::fileFor(index.device()));
}

void FolderIndexes::reset(FolderIndex::Settings settings) {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_slots.clear();
    m_settings = std::move(settings);
}

} // namespace platform
