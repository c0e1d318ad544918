#pragma once
// Reading a folder's entries as the system gives them: names and types in
// large blocks, a type turned into what a listing tells of an entry, and a
// stat into its sizes and identity. For the listings of the platform and
// the folder index.

#include "platform.h"

#include <cstring>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

// A folder's entries read from the kernel in large batches: a folder of a
// few hundred names costs one or two calls, and no stdio stream is made.
class FolderReader {
  public:
    explicit FolderReader(int fd) : m_fd(fd) {}
    struct Entry {
        const char* name;
        unsigned char type;
    };
    // False at the end of the folder, or when it cannot be read further.
    bool next(Entry& e) {
        if (m_pos >= m_length) {
            const long n = syscall(SYS_getdents64, m_fd, m_buffer, sizeof m_buffer);
            if (n <= 0) return false;
            m_length = n;
            m_pos = 0;
        }
        // The kernel's record: inode (8), offset (8), length (2), type (1), name.
        const char* record = m_buffer + m_pos;
        unsigned short length;
        std::memcpy(&length, record + 16, sizeof length);
        m_pos += length;
        e.type = static_cast<unsigned char>(record[18]);
        e.name = record + 19;
        return true;
    }

  private:
    int m_fd;
    long m_length = 0, m_pos = 0;
    alignas(8) char m_buffer[32 << 10];
};

// Size, time, links, space and identity as a listing gives them.
inline void takeStat(DirEntry& e, const struct stat& st) {
    e.size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    e.mtime = qint64(st.st_mtim.tv_sec);
    e.links = quint32(st.st_nlink);
    e.allocated = qint64(st.st_blocks) * 512;
    e.device = quint64(st.st_dev);
    e.inode = quint64(st.st_ino);
}

// An entry's d_type, looked up in dirfd when the folder's listing left it
// DT_UNKNOWN; DT_UNKNOWN when the entry is gone.
unsigned char knownType(int dirfd, const char* name, unsigned char type);

// What an entry's type (a dirent d_type; DT_UNKNOWN looked up in dirfd)
// tells of it: link, regular, kind, and the folder, system and hidden
// bits. False when the entry is gone.
bool kindFromType(int dirfd, const char* name, unsigned char type, DirEntry& e);

} // namespace platform
