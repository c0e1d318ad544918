#include "file_io.h"
#include "core/errors.h"
#include "platform/platform.h"

namespace transforms {

using namespace platform;

QString readFailure(const QString& name, int platformError) {
    return core::fileErrorText(platformError, core::FileUse::Read, name);
}

QString writeFailure(const QString& name, int platformError) {
    return core::fileErrorText(platformError, core::FileUse::Write, name);
}

} // namespace transforms
