// What the per-file system calls of the find and the cleaner cost alone:
// for every file of the folder's sub-folders whose name ends with the
// given text, its status (fstatat, statx) and its stored attributes, each
// kind timed over all the files, with a call that does nothing beside them.
// Usage: bench_lookups FOLDER ENDING

#include "platform/attributes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Folder {
    std::string path;
    std::vector<std::string> names;
};

bool endsWith(const char* name, const char* ending) {
    const size_t n = std::strlen(name), e = std::strlen(ending);
    return n >= e && std::strcmp(name + n - e, ending) == 0;
}

std::vector<Folder> foldersOf(const std::string& root, const char* ending) {
    std::vector<Folder> folders;
    DIR* top = opendir(root.c_str());
    if (!top) return folders;
    while (const dirent* d = readdir(top)) {
        if (d->d_name[0] == '.') continue;
        Folder f{root + '/' + d->d_name, {}};
        if (DIR* sub = opendir(f.path.c_str())) {
            while (const dirent* e = readdir(sub))
                if (e->d_type == DT_REG && endsWith(e->d_name, ending))
                    f.names.push_back(e->d_name);
            closedir(sub);
        }
        if (!f.names.empty()) folders.push_back(std::move(f));
    }
    closedir(top);
    return folders;
}

double timed(const std::vector<Folder>& folders,
             const std::function<void(int, const std::string&, const char*)>& call) {
    const auto start = std::chrono::steady_clock::now();
    for (const Folder& f : folders) {
        const int fd = open(f.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (const std::string& name : f.names)
            call(fd, f.path, name.c_str());
        close(fd);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: bench_lookups FOLDER ENDING\n", stderr);
        return 2;
    }
    const std::vector<Folder> folders = foldersOf(argv[1], argv[2]);
    size_t files = 0;
    for (const Folder& f : folders)
        files += f.names.size();
    std::string path; // the full path, where the system reads attributes only by it
    using Call = std::function<void(int, const std::string&, const char*)>;
    const std::pair<const char*, Call> kinds[] = {
        {"fstatat",
         [](int fd, const std::string&, const char* n) {
             struct stat st;
             fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW);
         }},
        {"statx (size, type)",
         [](int fd, const std::string&, const char* n) {
             struct statx sx;
             statx(fd, n, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, STATX_SIZE | STATX_TYPE, &sx);
         }},
        {"stored attributes",
         [&](int fd, const std::string& folder, const char* n) {
             path.assign(folder).append(1, '/').append(n);
             platform::storedAttributes(fd, n, path.c_str());
         }},
        {"nothing (getppid)", [](int, const std::string&, const char*) { getppid(); }},
    };
    for (const auto& [label, call] : kinds) {
        double best = 1e9;
        for (int round = 0; round < 5; ++round)
            best = std::min(best, timed(folders, call));
        std::printf("%zu files, %s: %.1f ms (best of 5)\n", files, label, best);
    }
    return 0;
}
