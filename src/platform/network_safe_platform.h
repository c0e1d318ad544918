#pragma once
// The platform of this machine, whose calls on a network volume never hold
// their caller when the server stops answering: each is made by a helper
// process (remote_call.h) and answers errNoAnswer after the time-out, or
// errCancelled at once when its job or the program is asked to stop. Calls
// on local volumes are those of LinuxPlatform, unchanged.

#include "linux_platform.h"
#include "remote_call.h"

namespace platform {

class NetworkSafePlatform final : public LinuxPlatform {
  public:
    quint32 attributes(const QString& path) override;
    Status listEntries(const QString& folder, std::vector<DirEntry>& out,
                       const EntryChooser& choose, int* folderFd = nullptr) override;
    Status listDirectory(const QString& folder, const QString& mask, std::vector<DirEntry>& out,
                         ListMode mode = ListMode::Display) override;
    Status deleteFile(const QString& path) override;
    Status moveFile(const QString& from, const QString& to, core::Job* job = nullptr) override;
    Status copyFile(const QString& from, const QString& to, bool failIfExists,
                    core::Job* job = nullptr, bool durable = false) override;
    Status createFolder(const QString& path) override;
    Status createPath(const QString& path) override;
    Status entryOf(const QString& path, DirEntry& out, bool followLinks = true) override;
    Status removeFolder(const QString& path) override;
    Status setAttributes(const QString& path, quint32 attrs) override;
    Status setFileTime(const QString& path, const QDateTime& when) override;
    Status copyLink(const QString& from, const QString& to) override;
    Status copyFolderAttributes(const QString& from, const QString& to) override;
    Status linkFile(const QString& existing, const QString& name) override;
    Status zeroFile(const QString& path, const DirEntry& looked, core::Job* job) override;
    // A network file is appended from the copy openForRead makes of it.
    Status appendFile(const QString& from, QFile& to, qint64 offset = 0, qint64 size = -1,
                      core::Job* job = nullptr) override;
    // A file of a network volume is read through a copy the helper makes on
    // this computer: a server that stops answering then holds the helper,
    // never the reader, which gets errNoAnswer at the time-out, or
    // errCancelled when its job is stopped. The copy is made where the
    // temporary folder keeps kRoomLeft bytes free beside it; a file too
    // large for that is read where it is.
    Status openForRead(QFile& file) override;
    // Nothing read ahead on a network volume: the copy reads it anyway.
    void readAhead(const QString& path) override;
    static constexpr qint64 kRoomLeft = qint64(1) << 30;

  private:
    // The call made by a helper process for a path on `volume`, as its status.
    Status call(const RemoteRequest& request, RemoteAnswer& answer, const QString& volume,
                core::Job* job = nullptr, bool relayProgress = true);
    // The network volume of the first of paths on one; empty when all are local.
    QString remote(std::initializer_list<QString> paths);
};

} // namespace platform
