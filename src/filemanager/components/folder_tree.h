#pragma once
// The folder hierarchy from the desktop: a computer node with the drives,
// sub-folders read lazily when a node is first opened, and kept up to date
// from change notification.

#include <QSet>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <vector>

namespace platform {
class FolderWatcher;
struct AnnouncedServer;
} // namespace platform

namespace filemanager {

enum class NodeKind {
    Folder = 0,
    Network = 1,
    RecycleBin = 2,
    Computer = 3,
    Desktop = 4,
    NetworkChild = 5 // a server the network announces, opened when chosen
};
enum NameDisplay { dmAsis, dmUppercase, dmLowercase };

class FolderTree : public QTreeWidget {
    Q_OBJECT
  public:
    explicit FolderTree(QWidget* parent = nullptr);
    ~FolderTree() override;

    bool active() const { return m_active; }
    void setActive(bool active);
    NameDisplay displayMode() const { return m_displayMode; }
    void setDisplayMode(NameDisplay mode);

    QString selectedPath() const;
    QTreeWidgetItem* selectPath(const QString& path);
    QTreeWidgetItem* findPath(const QString& path, bool noOpen);

    // Node record access.
    static QString nodePath(const QTreeWidgetItem* item);
    static NodeKind nodeKind(const QTreeWidgetItem* item);
    QTreeWidgetItem* rootNode() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }
    QTreeWidgetItem* computerNode() const;
    // "Réseau": the network volumes now mounted, after the drives, then the
    // servers the network announces.
    QTreeWidgetItem* networkNode() const;
    // The address of the announced server chosen; empty for any other node.
    QString selectedServer() const;
    // Where the announced servers come from (Avahi, through avahi-browse,
    // unless set); asked on a thread of its own.
    using ServerFinder = std::function<std::vector<platform::AnnouncedServer>()>;
    void setServerFinder(ServerFinder finder);

    // Re-reads a drive's node when its name changed, or always when forced.
    void refreshDrive(QChar letter, bool force);
    // Re-reads a node's children after a change inside it.
    void refreshNode(QTreeWidgetItem* node);
    // Reads the drives under the computer node again.
    void refreshDrives();
    // The checks run before a double click is passed on.
    void verifySelected();

  Q_SIGNALS:
    void folderActivated(); // a double click on a folder
    void drivesRefreshed(); // the drives' nodes follow the volumes again

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QTreeWidgetItem* topNode(NodeKind kind) const;
    void refreshNetwork();
    // The announced servers looked for aside, shown when they come.
    void lookForServers();
    void showServers(const std::vector<platform::AnnouncedServer>& servers);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& path, const QString& name,
                             NodeKind kind);
    bool readChildren(QTreeWidgetItem* node);
    void sortChildren(QTreeWidgetItem* node);
    void onExpanding(QTreeWidgetItem* node);
    void onFolderChanged(const QString& folder);
    void applyChanges();
    void applyChange(const QString& folder);
    void removeChildren(QTreeWidgetItem* node);
    void unwatchTree(QTreeWidgetItem* node);
    QString labelFor(const QString& name) const;
    void build();

    bool m_active = false;
    NameDisplay m_displayMode = dmAsis;
    platform::FolderWatcher* m_watcher;
    QSet<QString> m_pending; // folders changed since the last refresh
    QTimer m_coalesce;
    ServerFinder m_serverFinder;
    bool m_lookingForServers = false;
    quint64 m_serverLookup = 0; // the latest lookup, the only one shown
};

} // namespace filemanager
