#include "folder_reading.h"

#include <dirent.h>
#include <fcntl.h>

namespace platform {

// What the folder tells of an entry without looking at it.
unsigned char knownType(int dirfd, const char* name, unsigned char type) {
    if (type != DT_UNKNOWN) return type;
    struct stat st;
    if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
    return S_ISDIR(st.st_mode)   ? DT_DIR
           : S_ISLNK(st.st_mode) ? DT_LNK
           : S_ISREG(st.st_mode) ? DT_REG
                                 : DT_FIFO;
}

bool kindFromType(int dirfd, const char* name, unsigned char type, DirEntry& e) {
    type = knownType(dirfd, name, type);
    if (type == DT_UNKNOWN) return false;
    e.isLink = type == DT_LNK;
    e.regular = type == DT_REG;
    e.kind = type == DT_DIR                     ? EntryKind::Folder
             : type == DT_CHR || type == DT_BLK ? EntryKind::Device
             : type == DT_FIFO                  ? EntryKind::Fifo
             : type == DT_SOCK                  ? EntryKind::Socket
                                                : EntryKind::File;
    if (type == DT_DIR) e.attributes |= faDirectory;
    if (type != DT_DIR && type != DT_REG && type != DT_LNK) e.attributes |= faSysFile;
    if (name[0] == '.') e.attributes |= faHidden;
    return true;
}

} // namespace platform
