#include "network_safe_platform.h"
#include "remote_call.h"

namespace platform {

namespace {

Status ended(RemoteEnd end) {
    return Status::failed(end == RemoteEnd::Silent ? errNoAnswer : errCancelled);
}

} // namespace

bool NetworkSafePlatform::remote(std::initializer_list<QString> paths) {
    for (const QString& path : paths)
        if (onNetworkVolume(path)) return true;
    return false;
}

// The body gets copies of what it works on and a job of its own: left
// behind, it touches nothing of its caller's.
Status NetworkSafePlatform::guarded(std::initializer_list<QString> paths, core::Job* job,
                                    const std::function<Status(core::Job&)>& body) {
    if (!remote(paths)) {
        core::DirectJob none;
        return body(job ? *job : none);
    }
    Status status = Status::done();
    const RemoteEnd end = callRemote(std::function<Status(core::Job&)>(body), status, job);
    return end == RemoteEnd::Done ? status : ended(end);
}

quint32 NetworkSafePlatform::attributes(const QString& path) {
    if (!remote({path})) return LinuxPlatform::attributes(path);
    quint32 attrs = 0xFFFFFFFF;
    callRemote(std::function<quint32(core::Job&)>(
                   [this, path](core::Job&) { return LinuxPlatform::attributes(path); }),
               attrs);
    return attrs;
}

Status NetworkSafePlatform::listEntries(const QString& folder, std::vector<DirEntry>& out,
                                        const EntryChooser& choose, int* folderFd) {
    if (!remote({folder})) return LinuxPlatform::listEntries(folder, out, choose, folderFd);
    // The chooser belongs to the caller: the listing gives every detail,
    // and the caller's chooser then leaves out what it would have skipped.
    out.clear();
    if (folderFd) *folderFd = -1;
    struct Listed {
        Status status = Status::done();
        std::vector<DirEntry> entries;
    };
    Listed listed;
    const RemoteEnd end =
        callRemote(std::function<Listed(core::Job&)>([this, folder](core::Job&) {
                       Listed l;
                       l.status = LinuxPlatform::listEntries(
                           folder, l.entries, [](const DirEntry&) { return Detail::Full; });
                       return l;
                   }),
                   listed);
    if (end != RemoteEnd::Done) return ended(end);
    for (DirEntry& e : listed.entries)
        if (choose(e) != Detail::Skip) out.push_back(std::move(e));
    return listed.status;
}

Status NetworkSafePlatform::listDirectory(const QString& folder, const QString& mask,
                                          std::vector<DirEntry>& out, ListMode mode) {
    if (!remote({folder})) return LinuxPlatform::listDirectory(folder, mask, out, mode);
    out.clear();
    struct Listed {
        Status status = Status::done();
        std::vector<DirEntry> entries;
    };
    Listed listed;
    const RemoteEnd end =
        callRemote(std::function<Listed(core::Job&)>([this, folder, mask, mode](core::Job&) {
                       Listed l;
                       l.status = LinuxPlatform::listDirectory(folder, mask, l.entries, mode);
                       return l;
                   }),
                   listed);
    if (end != RemoteEnd::Done) return ended(end);
    out = std::move(listed.entries);
    return listed.status;
}

Status NetworkSafePlatform::deleteFile(const QString& path) {
    return guarded({path}, nullptr,
                   [this, path](core::Job&) { return LinuxPlatform::deleteFile(path); });
}

Status NetworkSafePlatform::moveFile(const QString& from, const QString& to, core::Job* job) {
    return guarded({from, to}, job, [this, from, to, job](core::Job& own) {
        return LinuxPlatform::moveFile(from, to, job ? &own : nullptr);
    });
}

Status NetworkSafePlatform::copyFile(const QString& from, const QString& to, bool failIfExists,
                                     core::Job* job, bool durable) {
    return guarded({from, to}, job, [this, from, to, failIfExists, job, durable](core::Job& own) {
        return LinuxPlatform::copyFile(from, to, failIfExists, job ? &own : nullptr, durable);
    });
}

Status NetworkSafePlatform::createFolder(const QString& path) {
    return guarded({path}, nullptr,
                   [this, path](core::Job&) { return LinuxPlatform::createFolder(path); });
}

Status NetworkSafePlatform::createPath(const QString& path) {
    return guarded({path}, nullptr,
                   [this, path](core::Job&) { return LinuxPlatform::createPath(path); });
}

Status NetworkSafePlatform::entryOf(const QString& path, DirEntry& out, bool followLinks) {
    if (!remote({path})) return LinuxPlatform::entryOf(path, out, followLinks);
    struct Found {
        Status status = Status::done();
        DirEntry entry;
    };
    Found found;
    const RemoteEnd end =
        callRemote(std::function<Found(core::Job&)>([this, path, followLinks](core::Job&) {
                       Found f;
                       f.status = LinuxPlatform::entryOf(path, f.entry, followLinks);
                       return f;
                   }),
                   found);
    if (end != RemoteEnd::Done) return ended(end);
    out = std::move(found.entry);
    return found.status;
}

Status NetworkSafePlatform::removeFolder(const QString& path) {
    return guarded({path}, nullptr,
                   [this, path](core::Job&) { return LinuxPlatform::removeFolder(path); });
}

} // namespace platform
