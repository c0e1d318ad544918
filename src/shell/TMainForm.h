#pragma once
// The main window: menus, toolbar, status bar and the routing of every
// command to the file manager or a desk utility.

#include <QMainWindow>
#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolButton;

namespace desk {
class TBlocnotes;
}
namespace filemanager {
class TTool;
}

namespace shell {

class TMainForm : public QMainWindow {
    Q_OBJECT
  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    filemanager::TTool* tool() const { return m_tool; }
    desk::TBlocnotes* notepad() const { return m_notepad; }
    void setNotepad(desk::TBlocnotes* notepad) { m_notepad = notepad; }

    void Valide();
    void Invalide();
    void Decoche();

    // Looks an entry up by its caption as stored ("&Supprimer").
    QAction* action(const QString& caption) const;
    QList<QAction*> listGroup() const { return m_listGroup; }
    QToolButton* toolButton(const QString& hint) const;
    QLabel* hintPanel() const { return m_hintPanel; }
    QLabel* clockPanel() const { return m_clockPanel; }
    QString startFolder() const { return m_startFolder; }
    QString helpFile() const { return m_helpFile; }

    // Shows the notes window, or another desk utility, modally.
    void showNotepad();
    void showAbout();
    // Creates a desk utility's window, shows it modally and destroys it.
    template <class Window> void showModal() {
        Window w(this);
        runModalWindow(&w);
    }

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Entry {
        const char* caption;
        const char* shortcut;
        const char* hint;
        bool listGroup;
        std::function<void()> run;
        bool separatorAfter = false;
    };
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    QMenu* addMenu(QMenu* into, const QList<Entry>& entries);
    QAction* addEntry(QMenu* menu, const Entry& e);
    void FormShow();
    void runModalWindow(class QDialog* dialog);
    void tick();

    filemanager::TTool* m_tool = nullptr;
    desk::TBlocnotes* m_notepad = nullptr;
    QMdiArea* m_mdi = nullptr;
    QList<QAction*> m_actions;
    QList<QAction*> m_listGroup;
    QList<QAction*> m_viewEntries;
    QList<QToolButton*> m_toolButtons;
    QLabel* m_hintPanel = nullptr;
    QLabel* m_clockPanel = nullptr;
    QTimer* m_clock = nullptr;
    QString m_startFolder;
    QString m_helpFile;
    bool m_shown = false;
};

} // namespace shell
