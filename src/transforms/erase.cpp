#include "erase.h"
#include "platform/Platform.h"
#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace transforms {

namespace {
[[noreturn]] void fail(int code) {
    throw core::InOutError(code);
}

void eraseInPlace(const QString& name, const Progress& progress) {
    platform::Platform& p = platform::Platform::instance();
    QFile f(name);
    // A link is refused: zeroing through it would spoil a file that stays in place.
    if (QFileInfo(name).isDir() || QFileInfo(name).isSymLink()) fail(5);
    if (!QFileInfo::exists(name)) fail(2);
    if (!p.openForWrite(f, QIODevice::ReadWrite)) fail(5);
    const qint64 size = f.size();
    const QByteArray zeros(1 << 20, 0);
    for (qint64 pos = 0; pos < size;) {
        const qint64 n = std::min<qint64>(zeros.size(), size - pos);
        if (!f.seek(pos) || f.write(zeros.constData(), n) != n) fail(101);
        pos += n;
        progress(int(pos * 100 / size));
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

core::Outcome eraseFile(const QString& name, const Progress& progress) {
    return core::Outcome::from([&] { eraseInPlace(name, progress); });
}

} // namespace transforms
