#include "folder_index.h"
#include "attributes.h"
#include "file_replacement.h"
#include "folder_reading.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
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
    char b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = char(v >> (8 * i));
    out.append(b, 8);
}

struct Reader {
    const char* p;
    const char* end;
    bool ok = true;
    quint64 u64() {
        if (end - p < 8) return ok = false, 0;
        quint64 v = 0;
        for (int i = 0; i < 8; ++i)
            v |= quint64(quint8(p[i])) << (8 * i);
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
bool readNames(int dirfd, const char* name, std::string& names, quint32& count) {
    names.clear();
    count = 0;
    const int fd = openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
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
    close(fd);
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
    m_namesUsed = 0;
    m_entryCount = 0;
}

void FolderIndex::look(Look& look, const Look* previous) const {
    look.m_slot = find(quint64(look.st.st_ino),
                       previous && previous->m_slot >= 0 ? previous->m_slot + 1 : -1);
}

quint32 FolderIndex::lookAttributes(int dirfd, const char* name, const char* path,
                                    Look& look) const {
    const qint64 ctime = nanos(look.st.st_ctim);
    if (look.m_slot >= 0) {
        const Folder& f = m_folders[size_t(look.m_slot)];
        if (f.attrsCtime == ctime && f.attrsReadAt - ctime >= m_settings.racyNs) {
            look.m_attrs = f.attrs;
            return f.attrs;
        }
    }
    look.m_attrsReadAt = now(); // before the reading
    look.m_attrs = platform::storedAttributes(dirfd, name, path);
    look.m_attrsRead = true;
    return look.m_attrs;
}

bool FolderIndex::lookEntries(int dirfd, const char* name, Look& look) const {
    look.m_entriesLooked = true;
    if (look.m_slot >= 0) {
        const Folder& f = m_folders[size_t(look.m_slot)];
        if (f.listed &&
            vouches(f.ctime, f.mtime, nanos(look.st.st_ctim), nanos(look.st.st_mtim), f.listedAt)) {
            look.m_names = std::string_view(m_names.constData() + f.namesAt, f.namesSize);
            look.m_count = f.count;
            look.m_listed = true;
            return true;
        }
    }
    look.m_readAt = now(); // before the reading: a change during it shows next time
    look.m_read = true;
    look.m_listed = readNames(dirfd, name, look.m_readNames, look.m_count);
    look.m_names = look.m_listed ? std::string_view(look.m_readNames) : std::string_view();
    return look.m_listed;
}

void FolderIndex::keep(Look& look) {
    const qint64 t = now();
    const bool anew = look.m_slot < 0;
    if (anew) look.m_slot = add(quint64(look.st.st_ino));
    if (look.m_slot < 0) look.m_slot = find(quint64(look.st.st_ino)); // kept by a look before
    Folder& f = m_folders[size_t(look.m_slot)];
    // A search met the folder: kept another while (marked a day at a time,
    // so that an index a search changed nothing in is not written again).
    if (anew || t - f.usedAt >= 24LL * 3600 * 1'000'000'000) {
        f.usedAt = t;
        m_changed = true;
    }
    if (look.m_attrsRead) {
        f.attrs = look.m_attrs;
        f.attrsCtime = nanos(look.st.st_ctim);
        f.attrsReadAt = look.m_attrsReadAt;
        look.m_attrsRead = false;
        m_changed = true;
    }
    if (!look.m_read) return;
    look.m_read = false;
    ++m_readCount;
    m_changed = true;
    m_entryCount -= f.listed ? f.count : 0;
    m_namesUsed -= f.listed ? f.namesSize : 0;
    f.listed = look.m_listed;
    f.count = f.listed ? look.m_count : 0;
    f.namesSize = f.listed ? quint32(look.m_readNames.size()) : 0;
    f.namesAt = m_names.size();
    m_names.append(look.m_readNames.data(), qsizetype(f.namesSize));
    m_namesUsed += f.namesSize;
    m_entryCount += f.count;
    if (m_entryCount > m_settings.maxEntries) m_full = true;
    f.ctime = nanos(look.st.st_ctim);
    f.mtime = nanos(look.st.st_mtim);
    f.listedAt = look.m_readAt;
    look.m_names = std::string_view(m_names.constData() + f.namesAt, f.namesSize);
}

void FolderIndex::endWalk() {
    // Names of folders read again pile up behind: once they take more room
    // than the names in use, the names are packed.
    if (m_names.size() - m_namesUsed <= std::max<qint64>(m_namesUsed, 1 << 20)) return;
    QByteArray packed;
    packed.reserve(m_namesUsed);
    for (Folder& f : m_folders) {
        const qint64 at = packed.size();
        packed.append(m_names.constData() + f.namesAt, f.namesSize);
        f.namesAt = at;
    }
    m_names = std::move(packed);
}

bool FolderIndex::entries(const QByteArray& path, const struct stat& st,
                          std::vector<std::string>& names) {
    names.clear();
    Look l;
    l.st = st;
    look(l);
    const bool ok = lookEntries(AT_FDCWD, path.constData(), l);
    keep(l);
    l.forEachEntry([&](const Entry& e) { names.emplace_back(e.name); });
    return ok;
}

qint64 FolderIndex::takeReadCount() {
    return std::exchange(m_readCount, 0);
}

// ---- the file ----
// "TAVIDX01", the volume, the folder count, then each folder: inode, times,
// reading times, attributes, when a search last met it, the count and the
// byte count of its names, and the names.

bool FolderIndex::save(const QString& file) const {
    QByteArray out;
    out.reserve(
        qsizetype(std::min<qint64>(m_namesUsed + qint64(m_folders.size()) * 80 + 24, 1 << 30)));
    out.append(kMagic, 8);
    put64(out, m_device);
    const qint64 oldest = now() - m_settings.forgetNs;
    qint64 kept = 0;
    for (const Folder& f : m_folders)
        kept += f.usedAt >= oldest;
    put64(out, quint64(kept));
    for (const Folder& f : m_folders) {
        if (f.usedAt < oldest) continue;
        put64(out, f.inode);
        put64(out, quint64(f.ctime));
        put64(out, quint64(f.mtime));
        put64(out, quint64(f.listedAt));
        put64(out, quint64(f.attrsCtime));
        put64(out, quint64(f.attrsReadAt));
        put64(out, f.attrs | (f.listed ? 1ull << 32 : 0));
        put64(out, quint64(f.usedAt));
        put64(out, f.count);
        put64(out, f.namesSize);
        out.append(m_names.constData() + f.namesAt, qsizetype(f.namesSize));
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    FileReplacement aside(file);
    aside.setFreshAttributes(true);
    aside.setDurable(false); // a cache: whole or absent, never flushed for its own sake
    if (!(aside.open() && aside.file().write(out) == out.size() && aside.commit())) return false;
    m_changed = false;
    return true;
}

bool FolderIndex::load(const QString& file) {
    clear();
    // Only a regular file is read (a pipe put in its place never blocks),
    // and no larger than an index of the most entries kept could be.
    const int fd = open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    QByteArray bytes;
    const qint64 largest = m_settings.maxEntries * (NAME_MAX + 3) / 4 + (64 << 20);
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= largest) {
        bytes.resize(qsizetype(st.st_size));
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += n;
        }
        if (done != bytes.size()) bytes.clear();
    }
    close(fd);
    if (bytes.isEmpty()) return false;
    return take(std::move(bytes));
}

bool FolderIndex::loadBytes(const char* data, qint64 size) {
    return take(QByteArray(data, qsizetype(size)));
}

// The file's bytes become the index's names: each folder's names stay where
// the file has them.
bool FolderIndex::take(QByteArray bytes) {
    clear();
    m_full = false;
    const char* data = bytes.constData();
    const qint64 size = bytes.size();
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
            f.namesAt = names - data;
            f.namesSize = quint32(length);
            f.count = quint32(count);
        }
        const qint64 slot = add(f.inode);
        if (slot < 0) {
            clear();
            return false;
        }
        m_folders[size_t(slot)] = f;
        m_namesUsed += f.namesSize;
        m_entryCount += qint64(f.count);
    }
    if (!in.ok || m_entryCount > m_settings.maxEntries) {
        clear();
        return false;
    }
    m_names = std::move(bytes);
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
