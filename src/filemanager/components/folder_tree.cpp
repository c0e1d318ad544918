#include "folder_tree.h"
#include "platform/announced_servers.h"
#include "platform/folder_watcher.h"
#include "platform/platform.h"
#include "ui/icons.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMouseEvent>
#include <QPointer>
#include <QStandardPaths>
#include <thread>

namespace filemanager {

using platform::Platform;

namespace {

enum Role { PathRole = Qt::UserRole + 1, NameRole, KindRole, ReadRole, AddressRole };

QString desktopFolder() {
    QString d = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QDir(d).exists() ? QDir::cleanPath(d) : QDir::homePath();
}

QString childPath(const QString& parent, const QString& name) {
    return parent.endsWith(u'/') ? QString(parent + name) : QString(parent + u'/' + name);
}

// A folder's sub-folders, and whether it could be read; a network folder's
// through the platform, which never waits on a silent server.
QStringList subfoldersOf(const QString& path, bool* readable = nullptr) {
    Platform& p = Platform::instance();
    if (!p.onNetworkVolume(path)) {
        QDir dir(path);
        const QStringList names = dir.entryList(
            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System, QDir::NoSort);
        if (readable) *readable = dir.isReadable();
        return names;
    }
    std::vector<platform::DirEntry> entries;
    const platform::Status status = p.listEntries(
        path, entries, [](const platform::DirEntry&) { return Platform::Detail::Name; });
    if (readable) *readable = status.ok();
    QStringList names;
    for (const platform::DirEntry& e : entries)
        if (e.kind == platform::EntryKind::Folder && e.name != u'.' &&
            e.name != QStringLiteral(".."))
            names << e.name;
    return names;
}

// Whether a folder is there; a network folder whose server does not answer
// is taken as there, so that a silent server empties no branch.
bool folderExists(const QString& path) {
    Platform& p = Platform::instance();
    if (!p.onNetworkVolume(path)) return QDir(path).exists();
    platform::DirEntry e;
    const platform::Status s = p.entryOf(path, e);
    return s ? e.kind == platform::EntryKind::Folder : s.error() == platform::errNoAnswer;
}

} // namespace

FolderTree::FolderTree(QWidget* parent)
    : QTreeWidget(parent), m_watcher(new platform::FolderWatcher(this)),
      m_serverFinder([] { return platform::announcedServers(); }) {
    m_coalesce.setSingleShot(true);
    m_coalesce.setInterval(300);
    connect(&m_coalesce, &QTimer::timeout, this, &FolderTree::applyChanges);
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(true);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::onExpanding);
    connect(m_watcher, &platform::FolderWatcher::folderChanged, this, &FolderTree::onFolderChanged);
    connect(m_watcher, &platform::FolderWatcher::volumesChanged, this, &FolderTree::refreshDrives);
}

FolderTree::~FolderTree() = default;

QString FolderTree::nodePath(const QTreeWidgetItem* item) {
    return item ? item->data(0, PathRole).toString() : QString();
}

NodeKind FolderTree::nodeKind(const QTreeWidgetItem* item) {
    return item ? NodeKind(item->data(0, KindRole).toInt()) : NodeKind::Folder;
}

QTreeWidgetItem* FolderTree::computerNode() const {
    return topNode(NodeKind::Computer);
}

QTreeWidgetItem* FolderTree::networkNode() const {
    return topNode(NodeKind::Network);
}

QTreeWidgetItem* FolderTree::topNode(NodeKind kind) const {
    QTreeWidgetItem* root = rootNode();
    if (!root) return nullptr;
    for (int i = 0; i < root->childCount(); ++i)
        if (nodeKind(root->child(i)) == kind) return root->child(i);
    return nullptr;
}

QString FolderTree::labelFor(const QString& name) const {
    switch (m_displayMode) {
    case dmUppercase:
        return name.toUpper();
    case dmLowercase:
        return name.toLower();
    default:
        return name;
    }
}

QTreeWidgetItem* FolderTree::addNode(QTreeWidgetItem* parent, const QString& path,
                                     const QString& name, NodeKind kind) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setData(0, PathRole, path);
    item->setData(0, NameRole, name);
    item->setData(0, KindRole, int(kind));
    item->setText(0, labelFor(name));
    // Every folder offers to open; reading it finds out whether it has any.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void FolderTree::setActive(bool active) {
    if (active == m_active) return;
    m_active = active;
    if (active) {
        build();
    } else {
        m_watcher->clear();
        clear();
    }
}

void FolderTree::build() {
    clear();
    const QString desktop = desktopFolder();
    QTreeWidgetItem* root = addNode(nullptr, desktop, QStringLiteral("Bureau"), NodeKind::Desktop);
    root->setIcon(0, ui::fileIcon(desktop));
    QTreeWidgetItem* computer =
        addNode(root, QString(), QStringLiteral("Poste de travail"), NodeKind::Computer);
    computer->setIcon(0, ui::driveIcon(u'C'));
    // The shares of other computers now open, after the drives.
    QTreeWidgetItem* network =
        addNode(root, QString(), QStringLiteral("Réseau"), NodeKind::Network);
    network->setIcon(0, QIcon::fromTheme(QStringLiteral("network-workgroup"), ui::driveIcon(u'C')));
    refreshDrives();
    readChildren(root);
    root->setExpanded(true);
    computer->setExpanded(true);
}

void FolderTree::refreshDrives() {
    QTreeWidgetItem* computer = computerNode();
    if (!computer) return;
    Platform& p = Platform::instance();
    // Only the drives that came or went change: the others keep their
    // open branches.
    QStringList roots;
    for (QChar letter : p.driveLetters())
        roots << p.driveRoot(letter);
    for (int i = computer->childCount() - 1; i >= 0; --i)
        if (!roots.contains(nodePath(computer->child(i)))) {
            unwatchTree(computer->child(i));
            delete computer->takeChild(i);
        }
    int at = 0;
    for (QChar letter : p.driveLetters()) {
        const QString root = p.driveRoot(letter);
        QTreeWidgetItem* drive = at < computer->childCount() ? computer->child(at) : nullptr;
        if (!drive || nodePath(drive) != root) {
            drive = addNode(computer, root, p.driveDisplayName(letter), NodeKind::Folder);
            computer->insertChild(at, computer->takeChild(computer->indexOfChild(drive)));
            drive->setIcon(0, ui::driveIcon(letter));
        }
        ++at;
    }
    computer->setData(0, ReadRole, true);
    refreshNetwork();
    Q_EMIT drivesRefreshed();
}

void FolderTree::refreshNetwork() {
    QTreeWidgetItem* network = networkNode();
    if (!network) return;
    Platform& p = Platform::instance();
    QList<QChar> shares;
    for (QChar letter : p.driveLetters())
        if (p.driveType(letter) == platform::DriveType::Remote) shares << letter;
    QStringList roots;
    for (QChar letter : shares)
        roots << p.driveRoot(letter);
    for (int i = network->childCount() - 1; i >= 0; --i)
        if (nodeKind(network->child(i)) != NodeKind::NetworkChild &&
            !roots.contains(nodePath(network->child(i)))) {
            unwatchTree(network->child(i));
            delete network->takeChild(i);
        }
    for (int at = 0; at < shares.size(); ++at) {
        QTreeWidgetItem* share = at < network->childCount() ? network->child(at) : nullptr;
        if (!share || nodePath(share) != roots[at]) {
            share = addNode(network, roots[at], p.driveDisplayName(shares[at]), NodeKind::Folder);
            network->insertChild(at, network->takeChild(network->indexOfChild(share)));
            share->setIcon(0, ui::driveIcon(shares[at]));
        }
    }
    network->setData(0, ReadRole, true);
    if (network->childCount() == 0)
        network->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    lookForServers();
}

void FolderTree::setDisplayMode(NameDisplay mode) {
    m_displayMode = mode;
    QTreeWidgetItemIterator it(this);
    for (; *it; ++it)
        (*it)->setText(0, labelFor((*it)->data(0, NameRole).toString()));
}

void FolderTree::unwatchTree(QTreeWidgetItem* node) {
    if (node->data(0, ReadRole).toBool() && !nodePath(node).isEmpty())
        m_watcher->unwatch(nodePath(node));
    for (int i = 0; i < node->childCount(); ++i)
        unwatchTree(node->child(i));
}

void FolderTree::removeChildren(QTreeWidgetItem* node) {
    for (int i = node->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = node->child(i);
        NodeKind k = nodeKind(child);
        if (k == NodeKind::Network || k == NodeKind::Computer) continue;
        unwatchTree(child);
        delete node->takeChild(i);
    }
    node->setData(0, ReadRole, false);
}

bool FolderTree::readChildren(QTreeWidgetItem* node) {
    const QString path = nodePath(node);
    node->setData(0, ReadRole, true);
    if (path.isEmpty()) return node->childCount() > 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setUpdatesEnabled(false);
    bool readable = false;
    const QStringList names = subfoldersOf(path, &readable);
    const QIcon folderIcon = ui::fileIcon(path);
    for (const QString& name : names)
        addNode(node, childPath(path, name), name, NodeKind::Folder)->setIcon(0, folderIcon);
    sortChildren(node);
    m_watcher->watch(path);
    // Keep the button when the folder could not be read at all.
    if (names.isEmpty() && readable)
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    return !names.isEmpty();
}

void FolderTree::sortChildren(QTreeWidgetItem* node) {
    NodeKind k = nodeKind(node);
    if (k == NodeKind::Computer || k == NodeKind::Network) return;
    QList<QTreeWidgetItem*> children = node->takeChildren();
    std::stable_sort(children.begin(), children.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        auto special = [](QTreeWidgetItem* i) {
            NodeKind k = nodeKind(i);
            return k == NodeKind::Network || k == NodeKind::RecycleBin || k == NodeKind::Computer;
        };
        if (special(a) != special(b)) return special(a);
        return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
    });
    node->addChildren(children);
}

void FolderTree::onExpanding(QTreeWidgetItem* node) {
    if (nodeKind(node) == NodeKind::Network) lookForServers();
    if (node->data(0, ReadRole).toBool() || nodeKind(node) == NodeKind::NetworkChild) return;
    if (!readChildren(node)) node->setExpanded(false);
}

QTreeWidgetItem* FolderTree::findPath(const QString& path, bool noOpen) {
    if (path.isEmpty() || !rootNode()) return nullptr;
    const QString target = QDir::cleanPath(path); // absolute, as the file manager keeps it
    Platform& p = Platform::instance();
    QTreeWidgetItem* node = nullptr;
    QString built;
    const QString desktop = nodePath(rootNode());
    if (target == desktop || target.startsWith(desktop + u'/')) {
        node = rootNode();
        built = desktop;
    } else {
        QTreeWidgetItem* computer = computerNode();
        if (!computer) return nullptr;
        if (computer->childCount() == 0) refreshDrives();
        const QString root = p.driveRoot(p.driveOf(target));
        for (int i = 0; i < computer->childCount() && !node; ++i)
            if (nodePath(computer->child(i)) == root) node = computer->child(i);
        if (!node) return nullptr;
        built = root;
    }
    const QStringList parts = target.mid(built.size()).split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (!node->data(0, ReadRole).toBool() && !noOpen) readChildren(node);
        const QString want = childPath(built, part);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i)
            if (nodePath(node->child(i)) == want) next = node->child(i);
        if (!next) return noOpen ? nullptr : node;
        if (!noOpen) node->setExpanded(true);
        node = next;
        built = want;
    }
    return node;
}

QTreeWidgetItem* FolderTree::selectPath(const QString& path) {
    QTreeWidgetItem* node = findPath(path, false);
    if (!node) {
        setCurrentItem(nullptr);
        return nullptr;
    }
    setCurrentItem(node);
    scrollToItem(node);
    const QString p = nodePath(node);
    if (p.size() > 1 && !folderExists(p)) {
        verifySelected();
        return nullptr;
    }
    return node;
}

QString FolderTree::selectedServer() const {
    QTreeWidgetItem* item = currentItem();
    return nodeKind(item) == NodeKind::NetworkChild ? item->data(0, AddressRole).toString()
                                                    : QString();
}

void FolderTree::setServerFinder(ServerFinder finder) {
    m_serverFinder = std::move(finder);
    // What the former finder still finds is not shown.
    ++m_serverLookup;
    m_lookingForServers = false;
    lookForServers();
}

void FolderTree::lookForServers() {
    if (m_lookingForServers || !m_serverFinder || !networkNode()) return;
    m_lookingForServers = true;
    QPointer<FolderTree> self(this);
    std::thread([self, finder = m_serverFinder, lookup = ++m_serverLookup] {
        std::vector<platform::AnnouncedServer> found = finder();
        QMetaObject::invokeMethod(
            qApp,
            [self, lookup, found = std::move(found)] {
                if (!self || lookup != self->m_serverLookup) return;
                self->m_lookingForServers = false;
                self->showServers(found);
            },
            Qt::QueuedConnection);
    }).detach();
}

void FolderTree::showServers(const std::vector<platform::AnnouncedServer>& servers) {
    QTreeWidgetItem* network = networkNode();
    if (!network) return;
    // The servers follow the shares, in the order found.
    for (int i = network->childCount() - 1; i >= 0; --i)
        if (nodeKind(network->child(i)) == NodeKind::NetworkChild) delete network->takeChild(i);
    for (const platform::AnnouncedServer& server : servers) {
        QTreeWidgetItem* node = addNode(network, QString(), server.name, NodeKind::NetworkChild);
        node->setData(0, AddressRole, server.address);
        node->setToolTip(0, server.address);
        node->setIcon(0, QIcon::fromTheme(QStringLiteral("network-server")));
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    }
    network->setChildIndicatorPolicy(network->childCount()
                                         ? QTreeWidgetItem::ShowIndicator
                                         : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QString FolderTree::selectedPath() const {
    QTreeWidgetItem* item = currentItem();
    if (!item) return {};
    NodeKind k = nodeKind(item);
    if (k != NodeKind::Folder && k != NodeKind::Desktop) return {};
    return nodePath(item);
}

void FolderTree::refreshDrive(QChar letter, bool force) {
    QTreeWidgetItem* computer = computerNode();
    if (!computer) return;
    Platform& p = Platform::instance();
    const QString root = p.driveRoot(letter);
    for (int i = 0; i < computer->childCount(); ++i) {
        QTreeWidgetItem* drive = computer->child(i);
        if (nodePath(drive) != root) continue;
        const QString name = p.driveDisplayName(letter);
        if (name != drive->data(0, NameRole).toString() || force) {
            removeChildren(drive);
            drive->setExpanded(false);
            drive->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
            drive->setData(0, NameRole, name);
            drive->setText(0, labelFor(name));
        }
        return;
    }
}

void FolderTree::verifySelected() {
    QTreeWidgetItem* item = currentItem();
    if (!item || nodeKind(item) == NodeKind::NetworkChild) return;
    const QString p = nodePath(item);
    Platform& platform = Platform::instance();
    if (p.isEmpty() || platform.driveRoot(platform.driveOf(p)) == p) {
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        return;
    }
    if (!folderExists(p)) refreshDrive(platform.driveOf(p), true);
}

void FolderTree::refreshNode(QTreeWidgetItem* node) {
    if (!node) return;
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if (!node->data(0, ReadRole).toBool()) return; // read when it is opened
    // The children are merged: folders that went are removed, new ones put
    // in their places; the others keep their branches, the view its scroll
    // position and the selection its folder.
    const QString path = nodePath(node);
    const QStringList names = subfoldersOf(path);
    QSet<QString> present(names.begin(), names.end());
    QSet<QString> shown;
    for (int i = node->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = node->child(i);
        if (nodeKind(child) != NodeKind::Folder) continue;
        const QString name = child->data(0, NameRole).toString();
        if (present.contains(name)) {
            shown.insert(name);
            continue;
        }
        unwatchTree(child);
        delete node->takeChild(i);
    }
    const QIcon folderIcon = ui::fileIcon(path);
    for (const QString& name : names) {
        if (shown.contains(name)) continue;
        QTreeWidgetItem* added = addNode(node, childPath(path, name), name, NodeKind::Folder);
        added->setIcon(0, folderIcon);
        node->takeChild(node->indexOfChild(added));
        int at = 0;
        while (at < node->childCount() &&
               (nodeKind(node->child(at)) != NodeKind::Folder ||
                node->child(at)->text(0).compare(added->text(0), Qt::CaseInsensitive) < 0))
            ++at;
        node->insertChild(at, added);
    }
    if (node->childCount() == 0)
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void FolderTree::onFolderChanged(const QString& folder) {
    // Changes come in bursts: each folder is read again at most once every 300 ms.
    m_pending.insert(folder);
    if (!m_coalesce.isActive()) m_coalesce.start();
}

void FolderTree::applyChanges() {
    const QSet<QString> folders = std::exchange(m_pending, {});
    for (const QString& folder : folders)
        applyChange(folder);
}

void FolderTree::applyChange(const QString& folder) {
    QTreeWidgetItem* node = findPath(folder, true);
    if (!node) {
        m_watcher->unwatch(folder);
        return;
    }
    if (!folderExists(folder)) {
        // The folder itself went away: its parent is read again.
        refreshNode(node->parent());
        return;
    }
    refreshNode(node);
}

void FolderTree::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    verifySelected();
    Q_EMIT folderActivated();
}

} // namespace filemanager
