#pragma once
// The main window: menus, toolbar, status bar and the routing of every
// command to the file manager or a desk utility.

#include <QHash>
#include <QMainWindow>
#include <QMap>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolButton;

namespace desk {
class NotepadWindow;
}
namespace ui {
struct Command;
struct CommandContext;
} // namespace ui
namespace filemanager {
class FileManagerView;
}

namespace shell {

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    filemanager::FileManagerView* tool() const { return m_tool; }
    desk::NotepadWindow* notepad() const { return m_notepad; }
    void setNotepad(desk::NotepadWindow* notepad) { m_notepad = notepad; }

    void enableListCommands();
    void disableListCommands();
    void uncheckListStyles();

    // Looks an entry up by its caption as stored ("&Supprimer").
    QAction* action(const QString& caption) const;
    // The menu entry of a registered command, by its id ("Backup1").
    QAction* actionById(const QString& id) const { return m_byId.value(id); }
    QList<QAction*> listGroup() const { return m_listGroup; }
    QToolButton* toolButton(const QString& hint) const;
    QLabel* hintPanel() const { return m_hintPanel; }
    QLabel* clockPanel() const { return m_clockPanel; }
    QString startFolder() const { return m_startFolder; }
    QString helpFile() const { return m_helpFile; }

    // Shows the notes window modally; the information box.
    void showNotepad();
    void showAbout();

    // Runs a registered command as its menu entry does.
    void runById(const QString& id);

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildMenus();
    void buildMenu(QMenu* menu, const QString& path);
    void buildToolbar();
    void buildStatusBar();
    void buildListGroup();
    QAction* addEntry(QMenu* menu, const ui::Command& c);
    void prepareFirstShow();
    void tick();
    void updateAvailable();

    filemanager::FileManagerView* m_tool = nullptr;
    desk::NotepadWindow* m_notepad = nullptr;
    QMdiArea* m_mdi = nullptr;
    QList<QAction*> m_actions;
    QHash<QString, QAction*> m_byId;
    QMap<int, QAction*> m_listGroupSlots; // by place; nullptr for the Ouvrir button
    QList<QAction*> m_listGroup;
    QList<QAction*> m_viewEntries;
    // The entries enabled only where their condition holds.
    std::vector<std::pair<QAction*, std::function<bool(const ui::CommandContext&)>>> m_available;
    QList<QToolButton*> m_toolButtons;
    QLabel* m_hintPanel = nullptr;
    QLabel* m_clockPanel = nullptr;
    QTimer* m_clock = nullptr;
    QString m_startFolder;
    QString m_helpFile;
    bool m_shown = false;
};

} // namespace shell
