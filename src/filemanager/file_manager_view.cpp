#include "file_manager_view.h"
#include "components/drive_selector.h"
#include "components/folder_tree.h"
#include "core/file_errors.h"
#include "core/job.h"
#include "filter_dialog.h"
#include "platform/platform.h"
#include "settings_file.h"
#include "ui/commands.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/french.h"
#include "ui/job_progress.h"
#include "ui/modal_runner.h"

#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>
#include <thread>

namespace filemanager {

using platform::Platform;

namespace {

const char* const kSettingsFile = "TvaTools.ini";
constexpr int kHeaderHeight = 33;

QLabel* sunkenLabel(QWidget* parent, Qt::Alignment align) {
    auto* l = new QLabel(parent);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}

// Tells the window when a name starts being edited in place.
class NameDelegate : public QStyledItemDelegate {
  public:
    NameDelegate(FileManagerView* tool) : QStyledItemDelegate(tool), m_tool(tool) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        m_tool->onNameEditing();
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

  private:
    FileManagerView* m_tool;
};

} // namespace

QString statusText(qint64 count, qint64 totalBytes) {
    return QStringLiteral("%1 objets  -  %2 ko").arg(count).arg(totalBytes / 1024);
}

namespace {

// work() on a thread of its own (it may wait on a server); its value handed
// to done() on the window's thread, unless the view has gone meanwhile.
template <class Work, class Done>
void runAside(const QPointer<FileManagerView>& view, Work work, Done done) {
    std::thread([view, work = std::move(work), done = std::move(done)] {
        auto value = std::make_shared<decltype(work())>(work());
        QMetaObject::invokeMethod(
            qApp,
            [view, value, done] {
                if (view) done(std::move(*value));
            },
            Qt::QueuedConnection);
    }).detach();
}

struct Listing {
    platform::Status status;
    std::vector<platform::DirEntry> entries;
};

} // namespace

FileManagerView::FileManagerView(QWidget* parent)
    : QWidget(parent), m_model(new FileListModel(&m_icons, this)) {
    setWindowTitle(QString());
    connect(&m_state, &FileManagerState::folderChanged, this, &FileManagerView::folderChanged);
    connect(&m_state, &FileManagerState::folderChanged, this, &FileManagerView::choiceChanged);
    buildLayout();
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &FileManagerView::choiceChanged);
    m_networkPoll = new QTimer(this);
    m_networkPoll->setInterval(kNetworkPollMs);
    connect(m_networkPoll, &QTimer::timeout, this, &FileManagerView::pollNetworkFolder);
    m_networkPoll->start();
}

FileManagerView::~FileManagerView() {
    // The views read the icon cache, a member: they go first.
    delete m_splitter;
}

void FileManagerView::buildLayout() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setHandleWidth(1);
    m_splitter->setChildrenCollapsible(false);
    outer->addWidget(m_splitter, 1);

    auto* left = new QWidget(m_splitter);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    m_leftHeader = new QWidget(left);
    m_leftHeader->setFixedHeight(kHeaderHeight);
    m_treeDrives = new DriveSelector(m_leftHeader);
    m_treeStatus = sunkenLabel(m_leftHeader, Qt::AlignLeft);
    m_tree = new FolderTree(left);
    leftLayout->addWidget(m_leftHeader);
    leftLayout->addWidget(m_tree, 1);

    auto* right = new QWidget(m_splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    m_rightHeader = new QWidget(right);
    m_rightHeader->setFixedHeight(kHeaderHeight);
    m_listDrives = new DriveSelector(m_rightHeader);
    m_listStatus = sunkenLabel(m_rightHeader, Qt::AlignLeft);
    m_views = new QStackedWidget(right);
    m_details = new QTreeView(m_views);
    m_details->setRootIsDecorated(false);
    m_details->setUniformRowHeights(true);
    m_details->setItemsExpandable(false);
    m_details->setAllColumnsShowFocus(true);
    m_iconView = new QListView(m_views);
    m_iconView->setUniformItemSizes(true);
    m_iconView->setLayoutMode(QListView::Batched);
    m_iconView->setBatchSize(2000);
    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(m_details),
                                 static_cast<QAbstractItemView*>(m_iconView)}) {
        v->setSelectionMode(QAbstractItemView::ExtendedSelection);
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        v->installEventFilter(this);
        v->viewport()->installEventFilter(this);
    }
    m_details->setModel(m_model);
    m_iconView->setModel(m_model);
    m_iconView->setSelectionModel(m_details->selectionModel());
    m_details->header()->setStretchLastSection(false);
    for (int c = 0; c < 4; ++c)
        m_details->header()->resizeSection(c, kColumnWidths[c]);
    m_details->header()->setSectionsClickable(true);
    // A column the user sized keeps its width; the others fit each listing.
    connect(m_details->header(), &QHeaderView::sectionResized, this, [this](int c, int, int) {
        if (!m_fittingColumns && c >= 0 && c < 4) m_userSizedColumn[c] = true;
    });
    m_views->addWidget(m_details);
    m_views->addWidget(m_iconView);
    rightLayout->addWidget(m_rightHeader);
    rightLayout->addWidget(m_views, 1);
    m_splitter->addWidget(left);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(1, 1);

    m_bottomBar = new QWidget(this);
    m_bottomBar->setFixedHeight(kHeaderHeight);
    m_prompt = sunkenLabel(m_bottomBar, Qt::AlignRight);
    m_command = new QComboBox(m_bottomBar);
    m_command->setEditable(true);
    m_command->setInsertPolicy(QComboBox::NoInsert);
    m_command->installEventFilter(this);
    m_command->lineEdit()->installEventFilter(this);
    m_progress = new QProgressBar(m_bottomBar);
    m_progress->setRange(0, 100);
    m_progress->hide();
    outer->addWidget(m_bottomBar);

    nameControls();
    m_tree->installEventFilter(this);
    m_leftHeader->installEventFilter(this);
    m_rightHeader->installEventFilter(this);
    m_bottomBar->installEventFilter(this);

    connect(m_details, &QAbstractItemView::doubleClicked, this,
            [this] { ui::runCommand([this] { openSelected(); }); });
    connect(m_iconView, &QAbstractItemView::doubleClicked, this,
            [this] { ui::runCommand([this] { openSelected(); }); });
    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(m_details),
                                 static_cast<QAbstractItemView*>(m_iconView)}) {
        v->setItemDelegate(new NameDelegate(this));
        connect(v->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
                [this] { m_editing = false; });
    }
    connect(m_model, &FileListModel::nameEdited, this, [this](int row, const QString& text) {
        // Renamed once the editor has gone: the listing resets the model.
        QMetaObject::invokeMethod(
            this, [this, row, text] { ui::runCommand([&] { onNameEdited(row, text); }); },
            Qt::QueuedConnection);
    });
    connect(m_details->header(), &QHeaderView::sectionClicked, this,
            &FileManagerView::onColumnClicked);
    connect(m_tree, &FolderTree::folderActivated, this,
            [this] { ui::runCommand([this] { onTreeActivated(); }); });
    // The drive lists follow the volumes that come and go, as the tree does.
    connect(m_tree, &FolderTree::drivesRefreshed, this, [this] {
        m_treeDrives->fill();
        m_listDrives->fill();
    });
    connect(m_treeDrives, &DriveSelector::changed, this,
            [this] { ui::runCommand([this] { onTreeDriveChanged(); }); });
    connect(m_listDrives, &DriveSelector::changed, this,
            [this] { ui::runCommand([this] { onListDriveChanged(); }); });

    m_tree->setActive(true);
}

void FileManagerView::layoutBars() {
    // The left pane keeps 340 pixels; the bars follow the window's width.
    for (auto [header, combo, status] : {std::tuple{m_leftHeader, m_treeDrives, m_treeStatus},
                                         std::tuple{m_rightHeader, m_listDrives, m_listStatus}}) {
        const int w = header->width();
        combo->setGeometry(2, 5, 160, kHeaderHeight - 10);
        status->setGeometry(166, 5, std::max(0, w - 170), kHeaderHeight - 10);
    }
    const int bw = m_bottomBar->width();
    m_prompt->setGeometry(2, 5, std::max(0, bw - 400), kHeaderHeight - 10);
    m_command->setGeometry(bw - 390, 5, 381, kHeaderHeight - 10);
    m_progress->setGeometry(0, 0, bw, kHeaderHeight);
}

void FileManagerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int total = m_splitter->width();
    if (total > 340) m_splitter->setSizes({340, total - 341});
    layoutBars();
}

void FileManagerView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        prepareFirstShow();
    }
}

void FileManagerView::prepareFirstShow() {
    Platform& p = Platform::instance();
    // The folder the program was started in; from here on the file manager
    // keeps its own.
    const auto start = p.enterFolder(p.currentDirectory());
    m_state.start(start ? *start : p.currentDirectory());
    const QChar drive = p.driveOf(m_state.folder());
    m_treeDrives->setDrive(drive);
    m_listDrives->setDrive(drive);
    currentView()->setFocus();
    m_pane = 2;
    showActivePane();
    Q_EMIT listFocused();
    showFolderChange();
    readTree();
    readFolder();
    m_tree->selectPath(m_state.folder());
}

QAbstractItemView* FileManagerView::currentView() const {
    return m_style == 3 ? static_cast<QAbstractItemView*>(m_details) : m_iconView;
}

void FileManagerView::readFolder() {
    Platform& p = Platform::instance();
    const QString folder = m_state.folder();
    const QString filter = m_state.filter();
    const quint64 ticket = ++m_listingTicket; // a listing still on its way is outdated
    if (p.onNetworkVolume(folder)) {
        // A server may take its time, or stop answering: the folder is read
        // aside and shown when it comes, and the window goes on meanwhile.
        if (folder != m_listedFolder) {
            m_model->setRows({});
            m_listedFolder = folder;
        }
        m_listStatus->setText(QStringLiteral("Lecture du dossier..."));
        listAside(ticket, false);
        return;
    }
    std::vector<platform::DirEntry> entries;
    p.listDirectory(folder, filter, entries);
    showListing(folder, std::move(entries));
}

void FileManagerView::listAside(quint64 ticket, bool onlyChanges) {
    const QString folder = m_state.folder();
    const QString filter = m_state.filter();
    m_listingAside = true;
    QPointer<FileManagerView> view(this);
    runAside(
        view,
        [folder, filter] {
            Listing listing;
            listing.status = Platform::instance().listDirectory(folder, filter, listing.entries);
            return listing;
        },
        [view, ticket, folder, onlyChanges](Listing listing) {
            view->m_listingAside = false;
            if (ticket != view->m_listingTicket) return;
            if (listing.status.error() == platform::errNoAnswer)
                view->m_listStatus->setText(core::noAnswerText());
            else if (!onlyChanges || !view->showsListing(listing.entries))
                view->showListing(folder, std::move(listing.entries));
        });
}

// Whether the list shows these entries as they are: a folder polled
// unchanged keeps its rows and its selection.
bool FileManagerView::showsListing(const std::vector<platform::DirEntry>& entries) const {
    if (qsizetype(entries.size()) != m_model->rowCount()) return false;
    QHash<QString, const platform::DirEntry*> byName;
    for (const platform::DirEntry& e : entries)
        byName.insert(e.name, &e);
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const ListRow& row = m_model->row(r);
        const platform::DirEntry* e = byName.value(row.name);
        if (!e || e->mtime != row.mtime || e->attributes != row.attributes ||
            (!row.sizeText.isEmpty() && row.sizeText != QString::number(e->size)))
            return false;
    }
    return !m_listStatus->text().startsWith(core::noAnswerText());
}

// A network folder tells no changes: it is read again every few seconds
// while the window shows it.
void FileManagerView::pollNetworkFolder() {
    if (!isVisible() || m_listingAside || m_editing || m_listedFolder != m_state.folder() ||
        !Platform::instance().onNetworkVolume(m_state.folder()))
        return;
    listAside(m_listingTicket, true);
}

void FileManagerView::showListing(const QString& folder,
                                  std::vector<platform::DirEntry>&& entries) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_icons.beginListing();

    // Names in the platform's order: alphabetical first, case between equals.
    QCollator collator(ui::frenchLocale());
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(entries.size());
    for (const auto& e : entries)
        keys.push_back(collator.sortKey(e.name));
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        int r = keys[a].compare(keys[b]);
        return r != 0 ? r < 0 : entries[a].name < entries[b].name;
    });

    qint64 total = 0;
    std::vector<ListRow> rows;
    rows.reserve(entries.size());
    for (size_t i : order) {
        platform::DirEntry& e = entries[i];
        ListRow row;
        row.name = std::move(e.name);
        row.attributes = e.attributes;
        row.attrText = attributeLetters(e.attributes);
        total += e.size;
        const quint32 word = e.attributes;
        if (word != platform::faDirectory && word != platform::faVolumeID)
            row.sizeText = QString::number(e.size);
        row.mtime = e.mtime;
        row.image = m_icons.imageFor(row.name, e.kind);
        rows.push_back(std::move(row));
    }
    m_icons.endListing();
    const qint64 count = qint64(rows.size());
    const QModelIndex current = m_details->currentIndex();
    const QString currentName = current.isValid() && folder == m_listedFolder
                                    ? m_model->row(current.row()).name
                                    : QString();
    const int currentRow = current.isValid() && folder == m_listedFolder ? current.row() : 0;
    m_model->setRows(std::move(rows));
    fitColumns();
    selectCurrent(currentName, currentRow);
    m_listStatus->setText(statusText(count, total));
    QApplication::restoreOverrideCursor();
    m_editing = false;
    m_listedFolder = folder;
}

// Columns start at their set widths and grow to their header and to the
// widest value of the first screen, names up to half the list: a name cut
// short is a name the user cannot read.
void FileManagerView::fitColumns() {
    QHeaderView* header = m_details->header();
    m_fittingColumns = true;
    for (int c = 0; c < 4; ++c) {
        if (m_userSizedColumn[c]) continue;
        int width = std::max({kColumnWidths[c], header->sectionSizeHint(c),
                              static_cast<QAbstractItemView*>(m_details)->sizeHintForColumn(c)});
        if (c == 0) width = std::min(width, std::max(kColumnWidths[0], m_details->width() / 2));
        header->resizeSection(c, width);
    }
    m_fittingColumns = false;
}

// The list read again keeps a current row that is also selected, so the
// keyboard acts on what the focus frame shows: the same name when it is
// still there, else the row at the same place.
void FileManagerView::selectCurrent(const QString& name, int row) {
    const int count = m_model->rowCount();
    if (count == 0) return;
    const int byName = name.isEmpty() ? -1 : rowOf(name);
    row = byName >= 0 ? byName : std::clamp(row, 0, count - 1);
    m_details->selectionModel()->setCurrentIndex(
        m_model->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FileManagerView::readTree() {
    Platform& p = Platform::instance();
    const QString root = p.rootOf(m_state.folder());
    const auto count = [](const QString& folder) {
        std::vector<platform::DirEntry> entries;
        const platform::Status status =
            Platform::instance().listDirectory(folder, QStringLiteral("*.*"), entries);
        if (status.error() == platform::errNoAnswer) return core::noAnswerText();
        qint64 count = 0, total = 0;
        for (const auto& e : entries) {
            if (e.attributes & (platform::faHidden | platform::faSysFile | platform::faVolumeID))
                continue;
            ++count;
            total += e.size;
        }
        return statusText(count, total);
    };
    const quint64 ticket = ++m_treeTicket;
    if (!p.onNetworkVolume(root)) {
        m_treeStatus->setText(count(root));
        return;
    }
    // Read aside, as the list of a network folder.
    m_treeStatus->clear();
    QPointer<FileManagerView> view(this);
    runAside(
        view, [root, count] { return count(root); },
        [view, ticket](const QString& text) {
            if (ticket == view->m_treeTicket) view->m_treeStatus->setText(text);
        });
}

QList<int> FileManagerView::selectedRows() const {
    // Range by range: linear in the rows selected, however they were selected.
    std::vector<char> picked(size_t(m_model->rowCount()), 0);
    for (const QItemSelectionRange& range : m_details->selectionModel()->selection())
        for (int r = range.top(); r <= range.bottom(); ++r)
            if (r >= 0 && size_t(r) < picked.size()) picked[size_t(r)] = 1;
    QList<int> rows;
    for (size_t r = 0; r < picked.size(); ++r)
        if (picked[r]) rows.append(int(r));
    return rows;
}

void FileManagerView::selectRow(int row, bool selected) {
    QModelIndex index = m_model->index(row, 0);
    m_details->selectionModel()->select(
        index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                   QItemSelectionModel::Rows);
}

void FileManagerView::showEntry(const QString& name) {
    const int row = rowOf(name);
    if (row < 0) return;
    selectCurrent(name, row);
    currentView()->scrollTo(m_model->index(row, 0));
    currentView()->setFocus();
}

int FileManagerView::rowOf(const QString& name) const {
    for (int r = 0; r < m_model->rowCount(); ++r)
        if (m_model->row(r).name == name) return r;
    return -1;
}

void FileManagerView::takeSelection() {
    // ".." is never an entry to act on, whatever the selection holds.
    QStringList names;
    for (int r : selectedRows())
        names.append(m_model->row(r).name);
    m_state.setSelection(std::move(names));
}

QStringList FileManagerView::pathsOf(const QStringList& names) const {
    const QString folder =
        m_listedFolder.endsWith(u'/') ? m_listedFolder : QString(m_listedFolder + u'/');
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names)
        if (name != u"..") paths.append(QDir::isAbsolutePath(name) ? name : folder + name);
    return paths;
}

QStringList FileManagerView::selectedPaths() const {
    QStringList names;
    for (int r : selectedRows())
        names.append(m_model->row(r).name);
    return pathsOf(names);
}

void FileManagerView::rememberSelection() {
    m_state.keep(selectedPaths());
}

void FileManagerView::selectAll() {
    // One range on each side of "..": selecting row by row makes every
    // later reading of the selection quadratic.
    const int n = m_model->rowCount();
    const int parent = rowOf(QStringLiteral(".."));
    QItemSelection all;
    auto span = [&](int first, int last) {
        if (first <= last)
            all.select(m_model->index(first, 0),
                       m_model->index(last, FileListModel::ColumnCount - 1));
    };
    span(0, parent < 0 ? n - 1 : parent - 1);
    if (parent >= 0) span(parent + 1, n - 1);
    m_details->selectionModel()->select(all, QItemSelectionModel::Select);
}

void FileManagerView::invertSelection() {
    if (m_model->rowCount() == 0) return;
    QItemSelection all(m_model->index(0, 0),
                       m_model->index(m_model->rowCount() - 1, FileListModel::ColumnCount - 1));
    m_details->selectionModel()->select(all, QItemSelectionModel::Toggle);
}

void FileManagerView::loadSettings(const QString& folder) {
    const QString name = QString::fromLatin1(kSettingsFile);
    QStringList entries;
    readCleanEntries(folder.isEmpty() ? name : folder + u'/' + name, entries);
    m_state.setCleanEntries(std::move(entries));
}

void FileManagerView::saveSettings() {
    writeCleanEntries(QString::fromLatin1(kSettingsFile), m_state.cleanEntries());
}

// ---- ordering and filter ----

void FileManagerView::setListStyle(int style) {
    if (style < 1 || style > 3) return;
    const bool hadFocus = currentView()->hasFocus();
    m_style = style;
    if (style == 3) {
        m_views->setCurrentWidget(m_details);
    } else {
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setFlow(style == 1 ? QListView::LeftToRight : QListView::TopToBottom);
        m_iconView->setWrapping(true);
        m_iconView->setResizeMode(QListView::Adjust);
        m_views->setCurrentWidget(m_iconView);
    }
    if (hadFocus) currentView()->setFocus();
}

QString FileManagerView::rowRecord(int row, SortKey key) const {
    const QString name = m_model->text(row, FileListModel::ColName);
    const QString size = m_model->text(row, FileListModel::ColSize);
    const QString date = m_model->text(row, FileListModel::ColDate);
    QString k;
    switch (key) {
    case SortKey::Name:
        k = name;
        break;
    case SortKey::Size:
        k = QString(15, u' ') + size, k = k.mid(std::max<qsizetype>(0, size.size() - 1));
        break;
    case SortKey::Date:
        k = date.mid(6, 4) + date.mid(3, 2) + date.mid(0, 2);
        break;
    case SortKey::Ext: {
        int dot = int(name.indexOf(u'.'));
        k = dot < 0 ? QString() : name.mid(dot + 1);
        break;
    }
    }
    return k + u'\t' + name + u'\t' + size + u'\t' + date + u'\t' +
           m_model->text(row, FileListModel::ColAttrib) + u'\t' +
           QString::number(m_model->row(row).image);
}

void FileManagerView::sortBy(SortKey key) {
    // New rows: the selection goes, the order lasts until the next listing.
    m_model->setRows(sortedRows(*m_model, key));
}

void FileManagerView::sortByName() {
    sortBy(SortKey::Name);
}
void FileManagerView::sortBySize() {
    sortBy(SortKey::Size);
}
void FileManagerView::sortByDate() {
    sortBy(SortKey::Date);
}
void FileManagerView::sortByExtension() {
    sortBy(SortKey::Ext);
}

void FileManagerView::onColumnClicked(int column) {
    switch (column) {
    case FileListModel::ColName:
        sortByName();
        break;
    case FileListModel::ColSize:
        sortBySize();
        break;
    case FileListModel::ColDate:
        sortByDate();
        break;
    default:
        break;
    }
}

void FileManagerView::chooseFilter() {
    FilterDialog dialog(this);
    dialog.init(m_state.filter());
    ui::runModal(&dialog);
    const QString result = dialog.mask();
    if (result.isEmpty()) return;
    m_state.setFilter(result);
    readFolder();
}

// ---- navigation and history ----

bool FileManagerView::enter(const QString& path, int* error) {
    return m_state.enter(path, error);
}

void FileManagerView::changeDirectory(const QString& path) {
    int error = 0;
    if (!enter(path, &error)) throw ui::InOutError(core::enterFolderErrorNumber(error));
}

void FileManagerView::setFolder(const QString& folder) {
    changeDirectory(folder);
    showFolderChange();
    readFolder();
}

void FileManagerView::setFilter(const QString& mask) {
    m_state.setFilter(mask);
}

QString FileManagerView::chosenFolder() const {
    return m_pane == 1 ? m_tree->selectedPath() : m_state.folder();
}

void FileManagerView::setActivePane(int pane) {
    m_pane = pane;
    showActivePane();
}

void FileManagerView::showFolderChange() {
    QString shown = m_state.folder(); // as spelled: case names another folder here
    while (shown.size() > 1 && shown.endsWith(u'/'))
        shown.chop(1);
    m_prompt->setText(shown + u'>');
}

void FileManagerView::addToHistory() {
    m_state.addToHistory();
}

void FileManagerView::historyBack() {
    const QString before = m_state.stepBack();
    if (before.isEmpty()) return;
    changeDirectory(before);
    readFolder();
    showFolderChange();
}

void FileManagerView::historyForward() {
    const QString after = m_state.stepForward();
    if (after.isEmpty()) return;
    changeDirectory(after);
    readFolder();
    showFolderChange();
}

bool FileManagerView::driveReady(QChar letter) {
    letter = letter.toUpper();
    if (letter < u'A' || letter > u'Z') throw ui::TavError(QStringLiteral("Not a valid drive ID"));
    platform::DiskSpace space;
    return Platform::instance().diskFreeSpace(letter, space);
}

void FileManagerView::onListDriveChanged() {
    Platform& p = Platform::instance();
    const QChar letter = m_listDrives->drive();
    if (!driveReady(letter)) {
        ui::dialogs().message(QStringLiteral("Le lecteur n'est pas prêt"));
        m_listDrives->setDrive(p.driveOf(m_state.folder()));
        return;
    }
    changeDirectory(p.driveCurrentFolder(letter));
    addToHistory();
    showFolderChange();
    readFolder();
}

void FileManagerView::onTreeDriveChanged() {
    Platform& p = Platform::instance();
    const QChar letter = m_treeDrives->drive();
    if (!driveReady(letter)) {
        ui::dialogs().message(QStringLiteral("Le lecteur n'est pas prêt"));
        m_treeDrives->setDrive(p.driveOf(m_state.folder()));
        return;
    }
    changeDirectory(p.driveCurrentFolder(letter));
    addToHistory();
    m_tree->selectPath(m_state.folder());
    readTree();
    // The list is read again so it shows the folder its operations act on.
    readFolder();
    showFolderChange();
}

void FileManagerView::onTreeActivated() {
    // An announced server opens, and the list shows its share.
    if (const QString server = m_tree->selectedServer(); !server.isEmpty()) {
        m_commands.connectTo(server);
        return;
    }
    Platform& p = Platform::instance();
    const QString path = m_tree->selectedPath();
    if (path.isEmpty()) return;
    changeDirectory(path);
    if (p.driveRoot(p.driveOf(path)) == QDir::cleanPath(path)) {
        m_treeDrives->setDrive(p.driveOf(path));
        m_listDrives->setDrive(p.driveOf(path));
    }
    showFolderChange();
    addToHistory();
    readFolder();
}

void FileManagerView::openSelected() {
    const QList<int> rows = selectedRows();
    if (rows.size() != 1) return;
    const ListRow& row = m_model->row(rows.first());
    const QString name = row.name;
    const QString path = QDir(m_listedFolder).absoluteFilePath(name);
    const quint32 attrs = Platform::instance().attributes(path);
    if (attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory) ||
        (row.attributes & platform::faDirectory)) {
        changeDirectory(path);
        readFolder();
        showFolderChange();
        addToHistory();
        return;
    }
    m_commands.view(name);
}

// ---- jobs and names typed in the list ----

namespace {

// Shows the bottom progress bar for the lifetime of a loop.
class ProgressScope {
  public:
    explicit ProgressScope(QProgressBar* bar) : m_bar(bar) {
        m_bar->show();
        m_bar->raise();
    }
    ~ProgressScope() { m_bar->hide(); }

  private:
    QProgressBar* m_bar;
};

} // namespace

void FileManagerView::runLoop(const std::function<void(core::Job&)>& body) {
    core::FunctionJob job(body);
    ProgressScope shown(progressBar());
    ui::runOnBar(job, progressBar());
}

void FileManagerView::onNameEditing() {
    m_editing = true;
}

void FileManagerView::onNameEdited(int row, const QString& text) {
    if (row >= 0 && row < model()->rowCount()) {
        const QString old = model()->row(row).name;
        if (text != old) {
            m_commands.renameEntry(old, text);
            m_editing = false;
            readFolder();
            return;
        }
    }
    m_editing = false;
}

// ---- commands ----

ui::CommandContext FileManagerView::context() {
    ui::CommandContext c;
    c.selection = selectedPaths();
    c.selectedRows = int(selectedRows().size());
    c.currentFolder = m_listedFolder.isEmpty() ? m_state.folder() : m_listedFolder;
    c.toolFolder = m_pane == 1 ? m_tree->selectedPath() : c.currentFolder;
    c.filter = m_state.filter();
    c.listActive = m_pane == 2;
    c.parent = this;
    c.refresh = [this] { readFolder(); };
    c.memorise = [this] { rememberSelection(); };
    c.goTo = [this](const QString& folder) {
        if (!enter(folder)) return;
        showFolderChange();
        readFolder();
    };
    c.runJob = [this](const std::function<void(core::Job&)>& body) { runLoop(body); };
    c.cleanExtensions = m_state.cleanEntries();
    c.keepCleanExtensions = [this](const QStringList& extensions) {
        m_state.setCleanEntries(extensions);
    };
    c.listedPaths = [this] {
        QStringList names;
        for (int r = 0; r < m_model->rowCount(); ++r) {
            const ListRow& row = m_model->row(r);
            if (!(row.attributes & platform::faDirectory)) names << row.name;
        }
        return pathsOf(names);
    };
    return c;
}

void FileManagerView::runCommandLine() {
    const QString text = m_command->currentText();
    m_command->setEditText(QString());
    m_command->insertItem(0, text);
    m_command->setCurrentIndex(-1);
    const int space = int(text.indexOf(u' '));
    const QString program = space < 0 ? text : text.left(space);
    const QString params = space < 0 ? QString() : text.mid(space + 1);
    Platform& p = Platform::instance();
    p.shellExecute(QStringLiteral("open"), program, params, m_state.folder());
}

// ---- keyboard and focus ----

bool FileManagerView::listKeyPress(QKeyEvent* e) {
    const bool anySelected = m_details->selectionModel()->hasSelection();
    if (m_editing || !anySelected) return false;
    const auto mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (e->key() == Qt::Key_Delete && mods == Qt::NoModifier)
        return ui::runCommand([this] { m_commands.deleteSelection(); }), true;
    if (e->key() == Qt::Key_F2 && mods == Qt::NoModifier)
        return ui::runCommand([this] { m_commands.renameSelected(); }), true;
    if (enter && mods == Qt::ControlModifier)
        return ui::runCommand([this] { m_commands.openWithApplication(); }), true;
    if (enter && mods == Qt::NoModifier) return ui::runCommand([this] { openSelected(); }), true;
    return false;
}

// The pane the user works in shows its selection in the highlight colour,
// the other one in the inactive colour, so that it is plain which one the
// commands act on.
// Names a screen reader reads, and tests find controls by.
void FileManagerView::nameControls() {
    m_treeDrives->setAccessibleName(QStringLiteral("Lecteur de l'arborescence"));
    m_tree->setAccessibleName(QStringLiteral("Arborescence des dossiers"));
    m_listDrives->setAccessibleName(QStringLiteral("Lecteur de la liste"));
    m_details->setAccessibleName(QStringLiteral("Liste des fichiers"));
    m_iconView->setAccessibleName(QStringLiteral("Liste des fichiers"));
    m_prompt->setAccessibleName(QStringLiteral("Dossier courant"));
    m_command->setAccessibleName(QStringLiteral("Ligne de commande"));
    m_progress->setAccessibleName(QStringLiteral("Progression"));
    m_treeStatus->setAccessibleName(QStringLiteral("Contenu du disque"));
    m_listStatus->setAccessibleName(QStringLiteral("Contenu du dossier"));
}

void FileManagerView::showActivePane() {
    const QPalette normal = palette();
    QPalette inactive = normal;
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        inactive.setColor(group, QPalette::Highlight,
                          normal.color(QPalette::Disabled, QPalette::Mid));
        inactive.setColor(group, QPalette::HighlightedText,
                          normal.color(QPalette::Active, QPalette::Text));
    }
    m_tree->setPalette(m_pane == 1 ? normal : inactive);
    m_details->setPalette(m_pane == 1 ? inactive : normal);
    m_iconView->setPalette(m_pane == 1 ? inactive : normal);
    Q_EMIT choiceChanged();
}

bool FileManagerView::eventFilter(QObject* watched, QEvent* event) {
    const bool isList = watched == m_details || watched == m_iconView;
    if (event->type() == QEvent::FocusIn) {
        if (isList) {
            m_pane = 2;
            showActivePane();
            Q_EMIT listFocused();
        } else if (watched == m_tree) {
            m_pane = 1;
            showActivePane();
            Q_EMIT treeFocused();
        }
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isList) return listKeyPress(key);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == m_tree && enter &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // Enter in the tree opens its folder, as a double click does,
            // and the keyboard goes on in the list: the file commands then
            // act on its entries, as they do once the list is clicked.
            ui::runCommand([this] { onTreeActivated(); });
            if (!m_tree->selectedPath().isEmpty()) currentView()->setFocus();
            return true;
        }
        // The box itself has the focus and hands keys to its line without
        // passing them through filters: both are watched.
        if ((watched == m_command || watched == m_command->lineEdit()) &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            ui::runCommand([this] { runCommandLine(); });
            return true;
        }
    } else if (event->type() == QEvent::Resize &&
               (watched == m_leftHeader || watched == m_rightHeader || watched == m_bottomBar)) {
        layoutBars();
    }
    return QWidget::eventFilter(watched, event);
}

// ---- progress ----

} // namespace filemanager
