#pragma once
// The platform of this machine, whose calls on a network volume never hold
// their caller when the server stops answering: each runs on a thread of
// its own (remote_call.h) and answers errNoAnswer after the time-out, or
// errCancelled at once when its job or the program is asked to stop. Calls
// on local volumes are those of LinuxPlatform, unchanged.

#include "linux_platform.h"

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

  private:
    // body() on its own thread when any path is on a network volume, else here.
    Status guarded(std::initializer_list<QString> paths, core::Job* job,
                   const std::function<Status(core::Job&)>& body);
    bool remote(std::initializer_list<QString> paths);
};

} // namespace platform
