#include "platform.h"
#include "network_safe_platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <atomic>
#include <cerrno>

namespace platform {

namespace {
// Set by tests before the threads that read it start; read from any thread.
std::atomic<Platform*> g_instance{nullptr};
} // namespace

Platform& Platform::instance() {
    if (Platform* installed = g_instance.load(std::memory_order_acquire)) return *installed;
    static NetworkSafePlatform real;
    return real;
}

void Platform::setInstance(Platform* p) {
    g_instance.store(p, std::memory_order_release);
}

bool Platform::isFile(const QString& path) {
    DirEntry e;
    return !path.isEmpty() && entryOf(path, e) && e.regular;
}

bool Platform::isFolder(const QString& path) {
    DirEntry e;
    return !path.isEmpty() && entryOf(path, e) && (e.attributes & faDirectory);
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
    if (!QDir::setCurrent(path))
        return Status::failed(QDir(path).exists() ? errAccessDenied : errPathNotFound);
    rememberDriveFolder(QDir::currentPath());
    return Status::done();
}

void Platform::rememberDriveFolder(const QString& folder) {
    const QChar letter = driveOf(folder);
    if (letter < u'A' || letter > u'Z') return;
    const std::lock_guard<std::mutex> hold(m_driveFoldersLock);
    m_driveFolders[letter.unicode() - 'A'] = folder;
}

Result<QString> Platform::enterFolder(const QString& path) {
    if (onNetworkVolume(path)) {
        // Taken as written: asking its server could hold the window; the
        // listing that follows tells whether it is there.
        const QString entered = QDir::cleanPath(path);
        rememberDriveFolder(entered);
        return entered;
    }
    const QFileInfo info(path);
    if (!info.isDir()) return Result<QString>::failed(errPathNotFound);
    if (!info.isExecutable()) return Result<QString>::failed(errAccessDenied);
    const QString real = info.canonicalFilePath();
    const QString entered = real.isEmpty() ? QDir::cleanPath(path) : real;
    rememberDriveFolder(entered);
    return entered;
}

QString Platform::driveCurrentFolder(QChar letter) {
    letter = letter.toUpper();
    if (letter < u'A' || letter > u'Z') return {};
    QString remembered;
    {
        const std::lock_guard<std::mutex> hold(m_driveFoldersLock);
        remembered = m_driveFolders[letter.unicode() - 'A'];
    }
    if (!remembered.isEmpty() && (onNetworkVolume(remembered) || QDir(remembered).exists()))
        return remembered;
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
    if (const Status listed = listDirectory(folder, QStringLiteral("*.*"), all, ListMode::Walk);
        !listed)
        return listed;
    for (DirEntry& e : all) {
        if (e.name == u"." || e.name == u"..") continue;
        DirEntry seen;
        seen.name = e.name;
        seen.isLink = e.isLink;
        seen.attributes = e.attributes & (faDirectory | faSysFile | faHidden);
        if (choose(seen) != Detail::Skip) out.push_back(std::move(e));
    }
    return Status::done();
}

} // namespace platform
