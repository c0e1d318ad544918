#pragma once
// Change notification: folders created, removed or renamed inside watched
// folders, and volumes mounted or unmounted.

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace platform {

class FolderWatcher : public QObject {
    Q_OBJECT
  public:
    explicit FolderWatcher(QObject* parent = nullptr);

    void watch(const QString& folder);
    void unwatch(const QString& folder);
    void clear();
    QStringList watched() const { return m_watcher.directories(); }

  Q_SIGNALS:
    void folderChanged(const QString& folder);
    void volumesChanged();

  private:
    void pollMounts();
    QFileSystemWatcher m_watcher;
    QTimer m_mountPoll;
    QByteArray m_mountTable;
};

} // namespace platform
