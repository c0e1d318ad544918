#include "folder_watcher.h"
#include "linux_platform.h"
#include "platform.h"

#include <QFile>

namespace platform {

namespace {
QByteArray readMountTable() {
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

FolderWatcher::FolderWatcher(QObject* parent) : QObject(parent) {
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderWatcher::folderChanged);
    // The mount table cannot be watched with inotify: a cheap poll instead.
    m_mountTable = readMountTable();
    m_mountPoll.setInterval(2000);
    connect(&m_mountPoll, &QTimer::timeout, this, &FolderWatcher::pollMounts);
    m_mountPoll.start();
}

void FolderWatcher::watch(const QString& folder) {
    // A network folder tells no changes, and looking at it may wait on its server.
    if (Platform::instance().onNetworkVolume(folder)) return;
    if (!m_watcher.directories().contains(folder)) m_watcher.addPath(folder);
}

void FolderWatcher::unwatch(const QString& folder) {
    m_watcher.removePath(folder);
}

void FolderWatcher::clear() {
    const QStringList dirs = m_watcher.directories();
    if (!dirs.isEmpty()) m_watcher.removePaths(dirs);
}

void FolderWatcher::pollMounts() {
    QByteArray table = readMountTable();
    if (table == m_mountTable) return;
    m_mountTable = table;
    if (auto* real = dynamic_cast<LinuxPlatform*>(&Platform::instance())) real->refreshVolumes();
    Q_EMIT volumesChanged();
}

} // namespace platform
