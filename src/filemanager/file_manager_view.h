#pragma once
// The file-manager window: the folder tree, the list of the current
// folder, the drive selectors and the bottom bar. It hands the current
// folder and the selection to the tools.

#include "file_commands.h"
#include "file_list_model.h"
#include "file_manager_state.h"
#include "icon_cache.h"
#include "list_order.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QAbstractItemView;
class QComboBox;
class QLabel;
class QListView;
class QProgressBar;
class QSplitter;
class QStackedWidget;
class QTimer;
class QTreeView;

namespace core {
class Job;
}
namespace platform {
struct DirEntry;
}
namespace ui {
struct CommandContext;
}

namespace filemanager {

class DriveSelector;
class FolderTree;

class FileManagerView : public QWidget {
    Q_OBJECT
  public:
    explicit FileManagerView(QWidget* parent = nullptr);
    ~FileManagerView() override;

    // The folder the file manager is in: absolute, changed by navigation and
    // by setFolder; the process's own folder is left alone.
    const QString& folder() const { return m_state.folder(); }
    // Goes to folder (absolute, or relative to the current one) and lists
    // it, without extending the history; an error when it cannot be entered.
    void setFolder(const QString& folder);
    const QString& filter() const { return m_state.filter(); }
    void setFilter(const QString& mask);
    // The names takeSelection took from the list's selection; the paths rememberSelection
    // took for a paste, and how it will paste them (1 move, 2 copy).
    const QStringList& selection() const { return m_state.selection(); }
    const QStringList& clipboard() const { return m_state.clipboard(); }
    int pasteMode() const { return m_state.pasteMode(); }
    const QStringList& cleanEntries() const { return m_state.cleanEntries(); }
    void setCleanEntries(const QStringList& extensions) { m_state.setCleanEntries(extensions); }
    // 1 the tree, 2 the list: the pane the commands act on.
    int activePane() const { return m_pane; }
    // The folder a command on a whole folder acts on: the tree's node when
    // the tree is the active pane, else the list's folder.
    QString chosenFolder() const;
    void setActivePane(int pane);
    bool editing() const { return m_editing; }
    // The last ten folders, the last one's place and the one shown.
    QStringList history() const { return m_state.history(); }
    int historyLast() const { return m_state.historyLast(); }
    int historyPosition() const { return m_state.historyPosition(); }
    // What the file manager is at, without its widgets.
    FileManagerState& state() { return m_state; }

    const IconCache& icons() const { return m_icons; }

    // Listing and selection
    void readFolder();
    void takeSelection();
    void rememberSelection();
    void selectAll();
    void invertSelection();
    // The settings file in `folder`, or in the current folder.
    void loadSettings(const QString& folder = {});
    void saveSettings();
    void prepareFirstShow();

    // Ordering and filter
    void setListStyle(int style);
    int listStyle() const { return m_style; }
    void sortByName();
    void sortBySize();
    void sortByDate();
    void sortByExtension();
    void onColumnClicked(int column);
    void chooseFilter();
    using SortKey = filemanager::SortKey;
    QString rowRecord(int row, SortKey key) const;

    // Navigation and history
    void addToHistory();
    void historyBack();
    void historyForward();
    void onTreeActivated();
    void openSelected();
    static bool driveReady(QChar letter);

    // A name edited in place in the list.
    void onNameEditing();
    void onNameEdited(int row, const QString& text);

    // The commands on the files: delete, paste, rename, launch...
    FileCommands& commands() { return m_commands; }

    // What a command receives: the selection as absolute paths taken now,
    // the folders, refresh, progress and the parent window.
    ui::CommandContext context();

    // The folder the list shows, and the absolute paths of names of it
    // ("..", never an entry to act on, left out).
    const QString& listedFolder() const { return m_listedFolder; }
    QStringList pathsOf(const QStringList& names) const;
    QStringList selectedPaths() const;
    // Runs a loop as a job on a worker thread with the bottom progress bar;
    // the window stays drawn and Escape stops it. Errors come back here.
    void runLoop(const std::function<void(core::Job&)>& body);

    // Widgets, for the shell and tests.
    FileListModel* model() const { return m_model; }
    QTreeView* detailsView() const { return m_details; }
    FolderTree* tree() const { return m_tree; }
    DriveSelector* listDrives() const { return m_listDrives; }
    QLabel* listStatus() const { return m_listStatus; }
    QLabel* prompt() const { return m_prompt; }
    QComboBox* commandBox() const { return m_command; }
    QProgressBar* progressBar() const { return m_progress; }
    QList<int> selectedRows() const;
    void selectRow(int row, bool selected = true);
    // The list's entry of that name alone selected, current and in view, the
    // list taking the keyboard; nothing when there is none.
    void showEntry(const QString& name);
    int rowOf(const QString& name) const;

  Q_SIGNALS:
    void folderChanged(const QString& folder);
    void listFocused();   // the shell enables its list group
    void treeFocused();   // the shell disables it
    void choiceChanged(); // the folder, pane or tree node chosen changed

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // The rows of folder's entries, its current row kept, and its status.
    void showListing(const QString& folder, std::vector<platform::DirEntry>&& entries);
    // The current folder listed on a thread, shown when ticket is still the
    // latest; with onlyChanges, only when it differs from the list.
    void listAside(quint64 ticket, bool onlyChanges);
    bool showsListing(const std::vector<platform::DirEntry>& entries) const;
    void pollNetworkFolder();
    void readTree();
    void showFolderChange();
    void onTreeDriveChanged();
    void onListDriveChanged();
    void runCommandLine();
    QAbstractItemView* currentView() const;
    void buildLayout();
    void sortBy(SortKey key);
    // Enters path (relative to the current folder); false with the error.
    bool enter(const QString& path, int* error = nullptr);
    void changeDirectory(const QString& path);
    void layoutBars();
    void selectCurrent(const QString& name, int row);
    void showActivePane();
    void nameControls();

  private:
    bool listKeyPress(QKeyEvent* e);

    IconCache m_icons;
    FileListModel* m_model;
    QSplitter* m_splitter = nullptr;
    QWidget* m_leftHeader = nullptr;
    QWidget* m_rightHeader = nullptr;
    QWidget* m_bottomBar = nullptr;
    FolderTree* m_tree = nullptr;
    DriveSelector* m_treeDrives = nullptr;
    DriveSelector* m_listDrives = nullptr;
    QLabel* m_treeStatus = nullptr;
    QLabel* m_listStatus = nullptr;
    QStackedWidget* m_views = nullptr;
    QTreeView* m_details = nullptr;
    QListView* m_iconView = nullptr;
    QLabel* m_prompt = nullptr;
    QComboBox* m_command = nullptr;
    QProgressBar* m_progress = nullptr;
    int m_style = 3;
    bool m_shown = false;
    QString m_listedFolder;      // the folder the list's names belong to
    quint64 m_listingTicket = 0; // the latest listing asked for: only it is shown
    quint64 m_treeTicket = 0;
    bool m_listingAside = false; // a listing made on a thread is on its way
    QTimer* m_networkPoll = nullptr;
    static constexpr int kNetworkPollMs = 5000;

    FileManagerState m_state;
    FileCommands m_commands{*this, m_state};
    int m_pane = 0;
    bool m_editing = false;
    static constexpr int kColumnWidths[4] = {134, 100, 100, 50};
    bool m_userSizedColumn[4] = {};
    bool m_fittingColumns = false;
    void fitColumns();
};

// "12 objets  -  340 ko"
QString statusText(qint64 count, qint64 totalBytes);

} // namespace filemanager
