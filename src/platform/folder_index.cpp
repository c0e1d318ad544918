#include "folder_index.h"
#include "attributes.h"
#include "file_replacement.h"
#include "folder_reading.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>
#include <cerrno>
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
bool readNames(const QByteArray& path, std::string& names, quint32& count) {
    names.clear();
    count = 0;
    const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    FolderReader reader(fd);
    FolderReader::Entry d;
    while (reader.next(d)) {
        const char* n = d.name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        const unsigned char type = knownType(fd, n, d.type);
        if (type == DT_UNKNOWN) continue; // gone meanwhile
        names.append(n);
        names.push_back(char(type));
        names.push_back('\0');
        ++count;
    }
    close(fd);
    return true;
}

} // namespace

void FolderIndex::readAhead(const std::vector<std::pair<QByteArray, struct stat>>& folders) {
    std::vector<size_t> wanted;
    for (size_t i = 0; i < folders.size(); ++i) {
        const struct stat& st = folders[i].second;
        const auto it = m_folders.find(quint64(st.st_ino));
        if (it == m_folders.end() || !it->second.listed ||
            !vouches(it->second.ctime, it->second.mtime, nanos(st.st_ctim), nanos(st.st_mtim),
                     it->second.listedAt))
            wanted.push_back(i);
    }
    if (wanted.size() < 2) return; // read as they come
    std::vector<Ahead> read(wanted.size());
    const qint64 readAt = now(); // before the readings
    const auto work = [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k)
            read[k].ok = readNames(folders[wanted[k]].first, read[k].names, read[k].count);
    };
    QFuture<void> other = QtConcurrent::run([&] { work(read.size() / 2, read.size()); });
    work(0, read.size() / 2);
    other.waitForFinished();
    for (size_t k = 0; k < read.size(); ++k) {
        const struct stat& st = folders[wanted[k]].second;
        read[k].ctime = nanos(st.st_ctim);
        read[k].mtime = nanos(st.st_mtim);
        read[k].readAt = readAt;
        m_ahead[quint64(st.st_ino)] = std::move(read[k]);
    }
}

bool FolderIndex::entries(const QByteArray& path, const struct stat& st, std::vector<Entry>& out) {
    out.clear();
    const qint64 ctime = nanos(st.st_ctim), mtime = nanos(st.st_mtim);
    Folder& f = m_folders[quint64(st.st_ino)];
    touch(f);
    if (!(f.listed && vouches(f.ctime, f.mtime, ctime, mtime, f.listedAt))) {
        std::string names;
        quint32 count = 0;
        qint64 readAt = 0;
        const auto ahead = m_ahead.find(quint64(st.st_ino));
        if (ahead != m_ahead.end() && ahead->second.ctime == ctime &&
            ahead->second.mtime == mtime) {
            if (!ahead->second.ok) {
                m_ahead.erase(ahead);
                f.listed = false;
                return false;
            }
            names = std::move(ahead->second.names);
            count = ahead->second.count;
            readAt = ahead->second.readAt;
            m_ahead.erase(ahead);
        } else {
            if (ahead != m_ahead.end()) m_ahead.erase(ahead);
            readAt = now(); // before the reading: a change during it shows next time
            if (!readNames(path, names, count)) {
                f.listed = false;
                return false;
            }
        }
        ++m_readCount;
        m_entryCount += qint64(count) - qint64(f.listed ? f.count : 0);
        if (m_entryCount > m_settings.maxEntries) m_full = true;
        f.names = std::move(names);
        f.count = count;
        f.ctime = ctime;
        f.mtime = mtime;
        f.listedAt = readAt;
        f.listed = true;
        m_changed = true;
    }
    out.reserve(f.count);
    for (const char* p = f.names.data(); p < f.names.data() + f.names.size();) {
        const size_t length = std::strlen(p); // the name and its type byte
        out.push_back(Entry{p, static_cast<unsigned char>(p[length - 1])});
        p += length + 1;
    }
    return true;
}

quint32 FolderIndex::storedAttributes(const QByteArray& path, const struct stat& st) {
    Folder& f = m_folders[quint64(st.st_ino)];
    touch(f);
    const qint64 ctime = nanos(st.st_ctim);
    if (f.attrsCtime == ctime && f.attrsReadAt - ctime >= m_settings.racyNs) return f.attrs;
    f.attrsReadAt = now();
    f.attrs = platform::storedAttributes(AT_FDCWD, path.constData(), path.constData());
    f.attrsCtime = ctime;
    m_changed = true;
    return f.attrs;
}

// A search met the folder: kept another while (marked a day at a time, so
// that an index a search changed nothing in is not written again).
void FolderIndex::touch(Folder& f) {
    const qint64 t = now();
    if (t - f.usedAt < 24LL * 3600 * 1'000'000'000) return;
    f.usedAt = t;
    m_changed = true;
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
    out.reserve(int(std::min<qint64>(m_entryCount * 24 + qint64(m_folders.size()) * 80, 1 << 30)));
    out.append(kMagic, 8);
    put64(out, m_device);
    const qint64 oldest = now() - m_settings.forgetNs;
    qint64 kept = 0;
    for (const auto& [inode, f] : m_folders)
        kept += f.usedAt >= oldest;
    put64(out, quint64(kept));
    for (const auto& [inode, f] : m_folders) {
        if (f.usedAt < oldest) continue;
        put64(out, inode);
        put64(out, quint64(f.ctime));
        put64(out, quint64(f.mtime));
        put64(out, quint64(f.listedAt));
        put64(out, quint64(f.attrsCtime));
        put64(out, quint64(f.attrsReadAt));
        put64(out, f.attrs | (f.listed ? 1ull << 32 : 0));
        put64(out, quint64(f.usedAt));
        put64(out, f.count);
        put64(out, f.names.size());
        out.append(f.names.data(), qsizetype(f.names.size()));
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
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    // Only a regular file is read, mapped.
    struct stat st;
    if (fstat(f.handle(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (f.size() == 0) return false;
    const uchar* data = f.map(0, f.size());
    if (!data) return false;
    return loadBytes(reinterpret_cast<const char*>(data), f.size());
}

bool FolderIndex::loadBytes(const char* data, qint64 size) {
    m_folders.clear();
    m_entryCount = 0;
    m_full = false;
    Reader in{data, data + size};
    const char* magic = in.bytes(8);
    if (!magic || std::memcmp(magic, kMagic, 8) != 0 || in.u64() != m_device) return false;
    const quint64 folders = in.u64();
    // Each folder takes 80 bytes at least: a count beyond the file is a lie.
    if (!in.ok || folders > quint64(size) / 80) return false;
    m_folders.reserve(size_t(folders) + size_t(folders) / 8);
    for (quint64 i = 0; i < folders; ++i) {
        const quint64 inode = in.u64();
        Folder f;
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
        if (!in.ok || count > length / 2) {
            m_folders.clear();
            m_entryCount = 0;
            return false;
        }
        // Every name is whole: bytes, its type, a NUL; count of them.
        quint64 seen = 0;
        for (quint64 k = 0; k < length;) {
            const void* nul = std::memchr(names + k, 0, length - k);
            const quint64 end = nul ? quint64(static_cast<const char*>(nul) - names) : length;
            if (!nul || end - k < 2) {
                m_folders.clear();
                m_entryCount = 0;
                return false;
            }
            ++seen;
            k = end + 1;
        }
        if (seen != count) {
            m_folders.clear();
            m_entryCount = 0;
            return false;
        }
        f.names.assign(names, length);
        f.count = quint32(count);
        m_entryCount += qint64(count);
        m_folders[inode] = std::move(f);
    }
    if (m_entryCount > m_settings.maxEntries) {
        m_folders.clear();
        m_entryCount = 0;
        return false;
    }
    m_changed = false;
    return in.ok;
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
