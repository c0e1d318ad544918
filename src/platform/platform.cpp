#include "platform.h"
#include "linux_platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

namespace platform {

namespace {
Platform* g_instance = nullptr;
}

thread_local int Platform::t_lastError = 0;

Status::Status(bool ok) : m_error(ok ? errNone : Platform::t_lastError) {
    if (!ok && m_error == errNone) m_error = errGeneric; // a failure never reads as success
}

Platform& Platform::instance() {
    if (g_instance) return *g_instance;
    static LinuxPlatform real;
    return real;
}

void Platform::setInstance(Platform* p) {
    g_instance = p;
}

QString Platform::rootOf(const QString& path) {
    QChar letter = driveOf(path);
    QString root = driveRoot(letter);
    return root.isEmpty() ? QStringLiteral("/") : root;
}

QString Platform::startFolder() {
    return currentDirectory();
}

QString Platform::currentDirectory() {
    return QDir::currentPath();
}

Status Platform::setCurrentDirectory(const QString& path) {
    if (!QDir::setCurrent(path)) {
        setLastError(QDir(path).exists() ? errAccessDenied : errPathNotFound);
        return false;
    }
    QChar letter = driveOf(QDir::currentPath());
    if (letter >= u'A' && letter <= u'Z')
        m_driveFolders[letter.unicode() - 'A'] = QDir::currentPath();
    return true;
}

Result<QString> Platform::enterFolder(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir()) return Result<QString>::failed(errPathNotFound);
    if (!info.isExecutable()) return Result<QString>::failed(errAccessDenied);
    const QString real = info.canonicalFilePath();
    const QString entered = real.isEmpty() ? QDir::cleanPath(path) : real;
    const QChar letter = driveOf(entered);
    if (letter >= u'A' && letter <= u'Z') m_driveFolders[letter.unicode() - 'A'] = entered;
    return {entered};
}

QString Platform::driveCurrentFolder(QChar letter) {
    letter = letter.toUpper();
    if (letter < u'A' || letter > u'Z') return {};
    const QString& remembered = m_driveFolders[letter.unicode() - 'A'];
    if (!remembered.isEmpty() && QDir(remembered).exists()) return remembered;
    return driveRoot(letter);
}

QString Platform::tempPath() {
    return QDir::tempPath();
}

QString Platform::tempFileName(const QString& folder, const QString& prefix) {
    QString dir = folder.isEmpty() ? tempPath() : folder;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        QString name = QStringLiteral("%1/%2%3.tmp")
                           .arg(dir, prefix)
                           .arg(QRandomGenerator::global()->bounded(0x10000), 4, 16, QChar('0'));
        QFile f(name);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return name;
    }
    return {};
}

int errorFromErrno(int err) {
    switch (err) {
    case 0:
        return errNone;
    case ENOENT:
        return errFileNotFound;
    case ENOTDIR:
        return errPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
        return errAccessDenied;
    case EEXIST:
        return errAlreadyExists;
    case ENOTEMPTY:
        return errDirNotEmpty;
    case ENOSPC:
    case EDQUOT:
        return errDiskFull;
    case ECANCELED:
        return errCancelled;
    default:
        return errGeneric;
    }
}

} // namespace platform

namespace platform {

void Platform::forgetCached(QFile&, qint64, qint64) {}

void Platform::startWriting(QFile&, qint64, qint64) {}

void Platform::readAhead(const QString&) {}

// Without a quicker way: the full walk listing, then the choice.
Status Platform::listEntries(const QString& folder, std::vector<DirEntry>& out,
                             const EntryChooser& choose, int* folderFd) {
    if (folderFd) *folderFd = -1;
    std::vector<DirEntry> all;
    out.clear();
    if (!listDirectory(folder, QStringLiteral("*.*"), all, ListMode::Walk)) return false;
    for (DirEntry& e : all) {
        if (e.name == u"." || e.name == u"..") continue;
        DirEntry seen;
        seen.name = e.name;
        seen.isLink = e.isLink;
        seen.attributes = e.attributes & (faDirectory | faSysFile | faHidden);
        if (choose(seen) != Detail::Skip) out.push_back(std::move(e));
    }
    return true;
}

} // namespace platform
