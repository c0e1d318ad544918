#include "network_safe_platform.h"
#include "remote_call.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

RemoteRequest request(RemoteRequest::Call call, const QString& path, const QString& target = {}) {
    RemoteRequest r;
    r.call = call;
    r.path = path;
    r.target = target;
    return r;
}

} // namespace

QString NetworkSafePlatform::remote(std::initializer_list<QString> paths) {
    for (const QString& path : paths)
        if (QString volume = networkVolumeOf(path); !volume.isEmpty()) return volume;
    return {};
}

Status NetworkSafePlatform::call(const RemoteRequest& r, RemoteAnswer& answer,
                                 const QString& volume, core::Job* job, bool relayProgress) {
    return statusOf(callRemote(r, answer, job, 0, volume, relayProgress), answer);
}

quint32 NetworkSafePlatform::attributes(const QString& path) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::attributes(path);
    RemoteAnswer answer;
    return call(request(RemoteRequest::Attributes, path), answer, volume) ? answer.attributes
                                                                          : 0xFFFFFFFF;
}

Status NetworkSafePlatform::listEntries(const QString& folder, std::vector<DirEntry>& out,
                                        const EntryChooser& choose, int* folderFd) {
    const QString volume = remote({folder});
    if (volume.isEmpty()) return LinuxPlatform::listEntries(folder, out, choose, folderFd);
    // The chooser belongs to the caller: the listing gives every detail,
    // and the caller's chooser then leaves out what it would have skipped.
    out.clear();
    if (folderFd) *folderFd = -1;
    RemoteAnswer answer;
    const Status status = call(request(RemoteRequest::ListEntries, folder), answer, volume);
    for (DirEntry& e : answer.entries)
        if (choose(e) != Detail::Skip) out.push_back(std::move(e));
    return status;
}

Status NetworkSafePlatform::listDirectory(const QString& folder, const QString& mask,
                                          std::vector<DirEntry>& out, ListMode mode) {
    const QString volume = remote({folder});
    if (volume.isEmpty()) return LinuxPlatform::listDirectory(folder, mask, out, mode);
    RemoteRequest r = request(RemoteRequest::ListDirectory, folder);
    r.mask = mask;
    r.flag = mode == ListMode::Walk;
    RemoteAnswer answer;
    const Status status = call(r, answer, volume);
    out = std::move(answer.entries);
    return status;
}

Status NetworkSafePlatform::deleteFile(const QString& path) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::deleteFile(path);
    RemoteAnswer answer;
    return call(request(RemoteRequest::DeleteFile, path), answer, volume);
}

Status NetworkSafePlatform::moveFile(const QString& from, const QString& to, core::Job* job) {
    const QString volume = remote({from, to});
    if (volume.isEmpty()) return LinuxPlatform::moveFile(from, to, job);
    RemoteRequest r = request(RemoteRequest::MoveFile, from, to);
    r.progress = job != nullptr;
    RemoteAnswer answer;
    return call(r, answer, volume, job);
}

Status NetworkSafePlatform::copyFile(const QString& from, const QString& to, bool failIfExists,
                                     core::Job* job, bool durable) {
    const QString volume = remote({from, to});
    if (volume.isEmpty()) return LinuxPlatform::copyFile(from, to, failIfExists, job, durable);
    RemoteRequest r = request(RemoteRequest::CopyFile, from, to);
    r.flag = failIfExists;
    r.durable = durable;
    // A new file on a share is written under its name: naming it once whole
    // would be two or three more waits for the server.
    r.direct = failIfExists && !networkVolumeOf(to).isEmpty();
    r.progress = job != nullptr;
    RemoteAnswer answer;
    return call(r, answer, volume, job);
}

Status NetworkSafePlatform::createFolder(const QString& path) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::createFolder(path);
    RemoteAnswer answer;
    return call(request(RemoteRequest::CreateFolder, path), answer, volume);
}

Status NetworkSafePlatform::createPath(const QString& path) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::createPath(path);
    RemoteAnswer answer;
    return call(request(RemoteRequest::CreatePath, path), answer, volume);
}

Status NetworkSafePlatform::entryOf(const QString& path, DirEntry& out, bool followLinks) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::entryOf(path, out, followLinks);
    RemoteRequest r = request(RemoteRequest::EntryOf, path);
    r.flag = followLinks;
    RemoteAnswer answer;
    const Status status = call(r, answer, volume);
    if (!answer.entries.empty()) out = std::move(answer.entries.front());
    return status;
}

Status NetworkSafePlatform::removeFolder(const QString& path) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::removeFolder(path);
    RemoteAnswer answer;
    return call(request(RemoteRequest::RemoveFolder, path), answer, volume);
}

Status NetworkSafePlatform::setAttributes(const QString& path, quint32 attrs) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::setAttributes(path, attrs);
    RemoteRequest r = request(RemoteRequest::SetAttributes, path);
    r.value = attrs;
    RemoteAnswer answer;
    return call(r, answer, volume);
}

Status NetworkSafePlatform::setFileTime(const QString& path, const QDateTime& when) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::setFileTime(path, when);
    RemoteRequest r = request(RemoteRequest::SetFileTime, path);
    r.when = when;
    RemoteAnswer answer;
    return call(r, answer, volume);
}

Status NetworkSafePlatform::copyLink(const QString& from, const QString& to) {
    const QString volume = remote({from, to});
    if (volume.isEmpty()) return LinuxPlatform::copyLink(from, to);
    RemoteAnswer answer;
    return call(request(RemoteRequest::CopyLink, from, to), answer, volume);
}

Status NetworkSafePlatform::copyFolderAttributes(const QString& from, const QString& to) {
    const QString volume = remote({from, to});
    if (volume.isEmpty()) return LinuxPlatform::copyFolderAttributes(from, to);
    RemoteAnswer answer;
    return call(request(RemoteRequest::CopyFolderAttributes, from, to), answer, volume);
}

Status NetworkSafePlatform::linkFile(const QString& existing, const QString& name) {
    const QString volume = remote({existing, name});
    if (volume.isEmpty()) return LinuxPlatform::linkFile(existing, name);
    RemoteAnswer answer;
    return call(request(RemoteRequest::LinkFile, existing, name), answer, volume);
}

Status NetworkSafePlatform::zeroFile(const QString& path, const DirEntry& looked, core::Job* job) {
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::zeroFile(path, looked, job);
    RemoteRequest r = request(RemoteRequest::ZeroFile, path);
    r.device = looked.device;
    r.inode = looked.inode;
    r.progress = job != nullptr;
    RemoteAnswer answer;
    return call(r, answer, volume, job);
}

Status NetworkSafePlatform::appendFile(const QString& from, QFile& to, qint64 offset, qint64 size,
                                       core::Job* job) {
    if (remote({from}).isEmpty()) return LinuxPlatform::appendFile(from, to, offset, size, job);
    QFile in(from);
    if (const Status opened = openForRead(in); !opened) return opened;
    return appendOpenFile(in, to, offset, size, job);
}

Status NetworkSafePlatform::openForRead(QFile& file) {
    const QString path = file.fileName();
    const QString volume = remote({path});
    if (volume.isEmpty()) return LinuxPlatform::openForRead(file);
    DirEntry entry;
    if (const Status looked = entryOf(path, entry); !looked) return looked;
    if (!entry.regular) return Status::failed(errNotRegular);
    // Too large to copy here first: read where it is, as any local file.
    const QByteArray temp = QFile::encodeName(QDir::tempPath());
    struct statvfs room;
    if (::statvfs(temp.constData(), &room) != 0 ||
        qint64(room.f_bavail) * qint64(room.f_frsize) - entry.size < kRoomLeft)
        return LinuxPlatform::openForRead(file);
    QByteArray local = temp + "/tavtools-read-XXXXXX";
    const int named = ::mkstemp(local.data());
    if (named < 0) return Status::failed(errorFromErrno(errno));
    ::close(named);
    ::unlink(local.constData()); // the copy takes the name, never replacing
    RemoteRequest r = request(RemoteRequest::CopyFile, path, QFile::decodeName(local));
    r.flag = true;
    r.progress = true; // signs of life, not the reader's progress
    RemoteAnswer answer;
    if (const Status copied = call(r, answer, volume, nullptr, false); !copied) {
        ::unlink(local.constData());
        return copied;
    }
    // Open, then unnamed: the copy goes when the reader closes it.
    const int fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC);
    const int error = errno;
    ::unlink(local.constData());
    if (fd < 0) return Status::failed(errorFromErrno(error));
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Status::failed(errGeneric);
    }
    return Status::done();
}

void NetworkSafePlatform::readAhead(const QString& path) {
    if (networkVolumeOf(path).isEmpty()) LinuxPlatform::readAhead(path);
}

} // namespace platform
