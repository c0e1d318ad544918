#include "erase.h"
#include "core/errors.h"
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

// Only a plain file with one name goes: zeroing a device, a file that lives
// on under another name or at another place would spoil data that stays.
platform::DirEntry checkErasable(const QString& name) {
    platform::Platform& p = platform::Platform::instance();
    platform::DirEntry e;
    if (!p.entryOf(name, e, false)) fail(2);
    if (e.isLink) refuse(QStringLiteral("%1 est un lien symbolique").arg(name));
    if (e.attributes & platform::faDirectory) fail(5);
    if (!e.regular) refuse(QStringLiteral("%1 n'est pas un fichier ordinaire").arg(name));
    if (e.links > 1) refuse(QStringLiteral("%1 a d'autres noms (%2 liens)").arg(name).arg(e.links));
    if (p.isMountPoint(name)) refuse(QStringLiteral("%1 est un point de montage").arg(name));
    return e;
}

// The file opened is checked again through its descriptor: the name may
// have been given to another file (a link, a device) since it was looked at.
void openChecked(QFile& f, const QString& name, const platform::DirEntry& checked) {
    platform::Platform& p = platform::Platform::instance();
    if (p.attributes(name) & platform::faReadOnly) fail(5);
    platform::DirEntry opened;
    if (const platform::Status own = p.openOwnFile(f, opened); !own) {
        if (own.error() == platform::errNotRegular)
            refuse(QStringLiteral("%1 est un lien symbolique").arg(name));
        fail(5);
    }
    if (!opened.regular) refuse(QStringLiteral("%1 n'est pas un fichier ordinaire").arg(name));
    if (opened.links > 1)
        refuse(QStringLiteral("%1 a d'autres noms (%2 liens)").arg(name).arg(opened.links));
    if (opened.device != checked.device || opened.inode != checked.inode)
        refuse(QStringLiteral("%1 a changé pendant l'effacement").arg(name));
}

void eraseInPlace(const QString& name, core::Job& job) {
    platform::Platform& p = platform::Platform::instance();
    QFile f(name);
    openChecked(f, name, checkErasable(name));
    const qint64 size = f.size();
    const QByteArray zeros(1 << 20, 0);
    for (qint64 pos = 0; pos < size;) {
        const qint64 n = std::min<qint64>(zeros.size(), size - pos);
        if (!f.seek(pos) || f.write(zeros.constData(), n) != n) fail(101);
        pos += n;
        job.progress(int(pos * 100 / size));
    }
    // On the disk before the name goes.
    if (!f.flush()) fail(101);
    if (size > 0 && ::fdatasync(f.handle()) != 0) fail(101);
    f.close();
    p.setAttributes(name, platform::faArchive);
    const QDir folder = QFileInfo(name).absoluteDir();
    QString hidden = folder.filePath(QStringLiteral("___$$$.-$$"));
    for (int i = 1; QFileInfo::exists(hidden) || QFileInfo(hidden).isSymLink(); ++i)
        hidden = folder.filePath(QStringLiteral("___$$$.-$$%1").arg(i));
    if (!p.moveFile(name, hidden)) fail(5);
    if (!p.deleteFile(hidden)) fail(5);
}

} // namespace

core::Outcome eraseFile(const QString& name, core::Job& job) {
    return core::Outcome::from([&] { eraseInPlace(name, job); });
}

} // namespace transforms
