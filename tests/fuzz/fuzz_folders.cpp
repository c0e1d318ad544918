// The folder index file read from any bytes: refused whole or taken whole,
// and what is taken lists its folders' entries without reading past them.
#include "platform/folder_index.h"

#include <cstdint>
#include <cstdlib>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    platform::FolderIndex index(0x803);
    const bool taken = index.loadBytes(reinterpret_cast<const char*>(bytes), qint64(size));
    if (!taken && index.entryCount() != 0) std::abort(); // refused means empty
    if (taken && index.entryCount() > qint64(size)) std::abort();
    // Every name a walk would take lies within the bytes given.
    if (taken && index.usableEntryCount() > qint64(size) / 2) std::abort();
    return 0;
}
