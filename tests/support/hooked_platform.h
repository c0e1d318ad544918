#pragma once
// A fake platform whose file operations call a hook first, on whatever
// thread runs them: tests use it to hold a job midway or to see where
// the work ran.

#include "support/fake_platform.h"

#include <functional>

namespace testing_support {

class HookedPlatform : public platform::FakePlatform {
  public:
    std::function<void(const QString& path)> beforeDelete;
    std::function<void(const QString& to)> beforeCopy;
    std::function<void(const QString& folder)> beforeList;
    // The error a delete of path answers instead of deleting (0: it deletes).
    std::function<int(const QString& path)> failDelete;

    platform::Status listEntries(const QString& folder, std::vector<platform::DirEntry>& out,
                                 const EntryChooser& choose, int* folderFd = nullptr) override {
        if (beforeList) beforeList(folder);
        return FakePlatform::listEntries(folder, out, choose, folderFd);
    }

    platform::Status deleteFile(const QString& path) override {
        if (beforeDelete) beforeDelete(path);
        if (const int error = failDelete ? failDelete(path) : 0)
            return platform::Status::failed(error);
        return FakePlatform::deleteFile(path);
    }
    platform::Status deleteListedFile(const QString& folder, const platform::DirEntry& entry,
                                      int folderFd = -1) override {
        if (beforeDelete) beforeDelete(folder + u'/' + entry.name);
        return FakePlatform::deleteListedFile(folder, entry, folderFd);
    }
    platform::Status copyFile(const QString& from, const QString& to, bool failIfExists,
                              core::Job* job = nullptr, bool durable = false) override {
        if (beforeCopy) beforeCopy(to);
        return FakePlatform::copyFile(from, to, failIfExists, job, durable);
    }
};

} // namespace testing_support
