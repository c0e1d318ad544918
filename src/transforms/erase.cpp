#include "erase.h"
#include "core/errors.h"
#include "core/file_errors.h"
#include "core/job.h"
#include "platform/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace transforms {

namespace {
[[noreturn]] void fail(int code) {
    throw core::InOutError(code);
}

[[noreturn]] void refuse(const QString& why) {
    throw core::TavError(QStringLiteral("Effacement refusé : ") + why);
}

[[noreturn]] void silent(const QString& name) {
    throw core::TavError(core::noAnswerText() + QStringLiteral(" : ") + name);
}

// Only a plain file with one name goes: zeroing a device, a file that lives
// on under another name or at another place would spoil data that stays.
platform::DirEntry checkErasable(const QString& name) {
    platform::Platform& p = platform::Platform::instance();
    platform::DirEntry e;
    if (const platform::Status looked = p.entryOf(name, e, false); !looked) {
        if (looked.error() == platform::errNoAnswer) silent(name);
        fail(2);
    }
    if (e.isLink) refuse(QStringLiteral("%1 est un lien symbolique").arg(name));
    if (e.attributes & platform::faDirectory) fail(5);
    if (!e.regular) refuse(QStringLiteral("%1 n'est pas un fichier ordinaire").arg(name));
    if (e.links > 1) refuse(QStringLiteral("%1 a d'autres noms (%2 liens)").arg(name).arg(e.links));
    if (p.isMountPoint(name)) refuse(QStringLiteral("%1 est un point de montage").arg(name));
    return e;
}

void eraseInPlace(const QString& name, core::Job& job) {
    platform::Platform& p = platform::Platform::instance();
    const platform::DirEntry looked = checkErasable(name);
    if (p.attributes(name) & platform::faReadOnly) fail(5);
    // Zeros over the whole file, on the disk before the name goes.
    if (const platform::Status zeroed = p.zeroFile(name, looked, &job); !zeroed) {
        switch (zeroed.error()) {
        case platform::errNotRegular:
            refuse(QStringLiteral("%1 n'est pas un fichier ordinaire").arg(name));
        case platform::errChanged:
            refuse(QStringLiteral("%1 a changé pendant l'effacement").arg(name));
        case platform::errDiskFull:
            fail(101);
        case platform::errNoAnswer:
            silent(name);
        default:
            fail(5);
        }
    }
    p.setAttributes(name, platform::faArchive);
    const QDir folder = QFileInfo(name).absoluteDir();
    QString hidden = folder.filePath(QStringLiteral("___$$$.-$$"));
    for (int i = 1; p.attributes(hidden) != 0xFFFFFFFFu; ++i)
        hidden = folder.filePath(QStringLiteral("___$$$.-$$%1").arg(i));
    if (!p.moveFile(name, hidden)) fail(5);
    if (!p.deleteFile(hidden)) fail(5);
}

} // namespace

core::Outcome eraseFile(const QString& name, core::Job& job) {
    return core::Outcome::from([&] { eraseInPlace(name, job); });
}

} // namespace transforms
