#include "TFolderTree.h"
#include "platform/FolderWatcher.h"
#include "platform/Platform.h"
#include "ui/icons.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QStandardPaths>

namespace filemanager {

using platform::Platform;

namespace {

enum Role { PathRole = Qt::UserRole + 1, NameRole, KindRole, ReadRole };

QString cleaned(const QString& path) {
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                      : QDir::current().absoluteFilePath(path));
}

QString desktopFolder() {
    QString d = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QDir(d).exists() ? QDir::cleanPath(d) : QDir::homePath();
}

QString childPath(const QString& parent, const QString& name) {
    return parent.endsWith(u'/') ? QString(parent + name) : QString(parent + u'/' + name);
}

} // namespace

TFolderTree::TFolderTree(QWidget* parent)
    : QTreeWidget(parent), m_watcher(new platform::FolderWatcher(this)) {
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(true);
    connect(this, &QTreeWidget::itemExpanded, this, &TFolderTree::onExpanding);
    connect(m_watcher, &platform::FolderWatcher::folderChanged, this,
            &TFolderTree::onFolderChanged);
    connect(m_watcher, &platform::FolderWatcher::volumesChanged, this, &TFolderTree::refreshDrives);
}

TFolderTree::~TFolderTree() = default;

QString TFolderTree::nodePath(const QTreeWidgetItem* item) {
    return item ? item->data(0, PathRole).toString() : QString();
}

NodeKind TFolderTree::nodeKind(const QTreeWidgetItem* item) {
    return item ? NodeKind(item->data(0, KindRole).toInt()) : NodeKind::Folder;
}

QTreeWidgetItem* TFolderTree::computerNode() const {
    QTreeWidgetItem* root = rootNode();
    if (!root) return nullptr;
    for (int i = 0; i < root->childCount(); ++i)
        if (nodeKind(root->child(i)) == NodeKind::Computer) return root->child(i);
    return nullptr;
}

QString TFolderTree::labelFor(const QString& name) const {
    switch (m_displayMode) {
    case dmUppercase:
        return name.toUpper();
    case dmLowercase:
        return name.toLower();
    default:
        return name;
    }
}

QTreeWidgetItem* TFolderTree::addNode(QTreeWidgetItem* parent, const QString& path,
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

void TFolderTree::setActive(bool active) {
    if (active == m_active) return;
    m_active = active;
    if (active) {
        build();
    } else {
        m_watcher->clear();
        clear();
    }
}

void TFolderTree::build() {
    clear();
    const QString desktop = desktopFolder();
    QTreeWidgetItem* root = addNode(nullptr, desktop, QStringLiteral("Bureau"), NodeKind::Desktop);
    root->setIcon(0, ui::fileIcon(desktop));
    QTreeWidgetItem* computer =
        addNode(root, QString(), QStringLiteral("Poste de travail"), NodeKind::Computer);
    computer->setIcon(0, ui::driveIcon(u'C'));
    refreshDrives();
    readChildren(root);
    root->setExpanded(true);
    computer->setExpanded(true);
}

void TFolderTree::refreshDrives() {
    QTreeWidgetItem* computer = computerNode();
    if (!computer) return;
    Platform& p = Platform::instance();
    removeChildren(computer);
    for (QChar letter : p.driveLetters()) {
        QTreeWidgetItem* drive =
            addNode(computer, p.driveRoot(letter), p.driveDisplayName(letter), NodeKind::Folder);
        drive->setIcon(0, ui::driveIcon(letter));
    }
    computer->setData(0, ReadRole, true);
}

void TFolderTree::setDisplayMode(TDisplayMode mode) {
    m_displayMode = mode;
    QTreeWidgetItemIterator it(this);
    for (; *it; ++it)
        (*it)->setText(0, labelFor((*it)->data(0, NameRole).toString()));
}

void TFolderTree::unwatchTree(QTreeWidgetItem* node) {
    if (node->data(0, ReadRole).toBool() && !nodePath(node).isEmpty())
        m_watcher->unwatch(nodePath(node));
    for (int i = 0; i < node->childCount(); ++i)
        unwatchTree(node->child(i));
}

void TFolderTree::removeChildren(QTreeWidgetItem* node) {
    for (int i = node->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = node->child(i);
        NodeKind k = nodeKind(child);
        if (k == NodeKind::Network || k == NodeKind::Computer) continue;
        unwatchTree(child);
        delete node->takeChild(i);
    }
    node->setData(0, ReadRole, false);
}

bool TFolderTree::readChildren(QTreeWidgetItem* node) {
    const QString path = nodePath(node);
    node->setData(0, ReadRole, true);
    if (path.isEmpty()) return node->childCount() > 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setUpdatesEnabled(false);
    QDir dir(path);
    const QStringList names = dir.entryList(
        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System, QDir::NoSort);
    const bool readable = dir.isReadable();
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

void TFolderTree::sortChildren(QTreeWidgetItem* node) {
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

void TFolderTree::onExpanding(QTreeWidgetItem* node) {
    if (node->data(0, ReadRole).toBool()) return;
    if (!readChildren(node)) node->setExpanded(false);
}

QTreeWidgetItem* TFolderTree::FindPath(const QString& path, bool noOpen) {
    if (path.isEmpty() || !rootNode()) return nullptr;
    const QString target = cleaned(path);
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

QTreeWidgetItem* TFolderTree::SelectPath(const QString& path) {
    QTreeWidgetItem* node = FindPath(path, false);
    if (!node) {
        setCurrentItem(nullptr);
        return nullptr;
    }
    setCurrentItem(node);
    scrollToItem(node);
    const QString p = nodePath(node);
    if (p.size() > 1 && !QDir(p).exists()) {
        verifySelected();
        return nullptr;
    }
    return node;
}

QString TFolderTree::SelectedPath() const {
    QTreeWidgetItem* item = currentItem();
    if (!item) return {};
    NodeKind k = nodeKind(item);
    if (k != NodeKind::Folder && k != NodeKind::Desktop) return {};
    return nodePath(item);
}

void TFolderTree::refreshDrive(QChar letter, bool force) {
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

void TFolderTree::verifySelected() {
    QTreeWidgetItem* item = currentItem();
    if (!item) return;
    const QString p = nodePath(item);
    Platform& platform = Platform::instance();
    if (p.isEmpty() || platform.driveRoot(platform.driveOf(p)) == p) {
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        return;
    }
    if (!QDir(p).exists()) refreshDrive(platform.driveOf(p), true);
}

void TFolderTree::refreshNode(QTreeWidgetItem* node) {
    if (!node) return;
    // The selection stays on its folder when that folder is still there.
    QTreeWidgetItem* current = currentItem();
    bool inside = false;
    for (QTreeWidgetItem* i = current; i && !inside; i = i->parent())
        inside = i->parent() == node;
    const QString selected = inside ? nodePath(current) : QString();
    const bool wasOpen = node->isExpanded();
    if (wasOpen) node->setExpanded(false);
    removeChildren(node);
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    readChildren(node);
    if (wasOpen && node->childCount() > 0) node->setExpanded(true);
    if (!selected.isEmpty() && QDir(selected).exists()) SelectPath(selected);
}

void TFolderTree::onFolderChanged(const QString& folder) {
    QTreeWidgetItem* node = FindPath(folder, true);
    if (!node) {
        m_watcher->unwatch(folder);
        return;
    }
    if (!QDir(folder).exists()) {
        // The folder itself went away: its parent is read again.
        refreshNode(node->parent());
        return;
    }
    refreshNode(node);
}

void TFolderTree::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    verifySelected();
    Q_EMIT OnDblClick();
}

} // namespace filemanager
