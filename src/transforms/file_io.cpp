#include "file_io.h"
#include "core/errors.h"
#include "platform/platform.h"

namespace transforms {

using namespace platform;

namespace {

QString notAFile(const QString& name) {
    return QStringLiteral("%1 n'est pas un fichier ordinaire").arg(name);
}

} // namespace

QString readFailure(const QString& name, int platformError) {
    switch (platformError) {
    case errNotRegular:
        return notAFile(name);
    case errFileNotFound:
    case errPathNotFound:
        return core::InOutError::textFor(2) + QStringLiteral(" : ") + name;
    case errAccessDenied:
        return core::InOutError::textFor(5) + QStringLiteral(" : ") + name;
    default:
        return QStringLiteral("Ne peut pas lire le fichier %1").arg(name);
    }
}

QString writeFailure(const QString& name, int platformError) {
    switch (platformError) {
    case errNotRegular:
        return notAFile(name);
    case errDiskFull:
        return core::InOutError::textFor(101) + QStringLiteral(" : ") + name;
    case errAccessDenied:
        return core::InOutError::textFor(5) + QStringLiteral(" : ") + name;
    case errFileNotFound:
    case errPathNotFound:
        return core::InOutError::textFor(3) + QStringLiteral(" : ") + name;
    default:
        return QStringLiteral("Ne peut pas écrire %1").arg(name);
    }
}

} // namespace transforms
