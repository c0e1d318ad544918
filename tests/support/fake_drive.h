#pragma once
// A fake platform whose drive C is a test folder, installed while it lives.

#include "support/fake_platform.h"

namespace testing_support {

struct FakeDrive {
    platform::FakePlatform fake;
    explicit FakeDrive(const QString& root) {
        fake.addDrive(u'C', {root});
        platform::Platform::setInstance(&fake);
    }
    ~FakeDrive() { platform::Platform::setInstance(nullptr); }
    FakeDrive(const FakeDrive&) = delete;
    FakeDrive& operator=(const FakeDrive&) = delete;
};

} // namespace testing_support
