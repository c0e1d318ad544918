#pragma once
// The command table. Each tool folder registers its commands here; the
// main window builds its menus, toolbar and list group from the table.
// A command runs with a narrow context: what the file manager hands a
// tool, never the file manager itself.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <type_traits>

class QWidget;

namespace core {
class Job;
}

namespace ui {

struct CommandContext {
    QStringList selection; // the selected entries, absolute paths, ".." left out
    int selectedRows = 0;  // rows selected in the list, ".." counted
    QString currentFolder; // the folder the list shows
    QString toolFolder;    // the tree's folder if the tree had the focus last, else the current one
    QString filter;        // the list's mask
    bool listActive = false;   // the list had the focus last
    QWidget* parent = nullptr; // the file manager's own commands find it here; tools don't
    // Reads the folder again.
    std::function<void()> refresh;
    // Memorises the selection for a paste, as cut and copy do.
    std::function<void()> memorise;
    // Shows another folder in the file manager, its history left as it is
    // (find files); a folder that cannot be entered changes nothing.
    std::function<void(const QString& folder)> goTo;
    // Every file of the list (folders left out), in list order, absolute paths.
    std::function<QStringList()> listedPaths;
    // The disk cleaner's own extensions, kept by the settings file, and how
    // the cleaner hands back those it was left with.
    QStringList cleanExtensions;
    std::function<void(const QStringList& extensions)> keepCleanExtensions;
    // Runs long work as a job with the file manager's progress bar.
    std::function<void(const std::function<void(core::Job&)>&)> runJob;

    // The one selected file as an absolute path; otherwise the message
    // "Un fichier et un seul doit être sélectionné" and an empty text.
    QString oneFile() const;
};

// What a command runs. It has no empty state: a command cannot be
// registered without naming what it runs, and a null function is refused.
class CommandAction {
  public:
    using Function = std::function<void(const CommandContext&)>;
    template <typename F>
    requires std::is_invocable_v<F&, const CommandContext&> CommandAction(F f)
        : m_run(std::move(f)) {
        if (!m_run) throw std::invalid_argument("command without an action");
    }
    void operator()(const CommandContext& context) const { m_run(context); }

  private:
    Function m_run;
};

// Registered with designated initializers; `run` has no default, so an
// entry that leaves it out does not compile.
struct Command {
    QString id;       // the operation's name ("Backup1", "Crypter", ...)
    QString menu;     // "&Outils", or "&Fichier/&Nouveau" for a sub-menu
    int position = 0; // order inside the menu
    QString caption;  // as shown, accelerator included
    QString shortcut = {};
    QString hint = {}; // the status bar's text
    bool separatorAfter = false;
    int listGroup = -1;     // place among the entries enabled only with the list focused
    bool checkable = false; // one of the exclusive view entries
    bool checked = false;
    QString enables = {}; // id of a command enabled once this one has run
    // Enabled only where this holds; asked again whenever the file
    // manager's folder, or the pane or tree node it acts on, changes.
    std::function<bool(const CommandContext&)> available = {};
    CommandAction run;
};

// A toolbar button: its hint, its icon, and the command it triggers.
struct ToolButton {
    int position = 0;
    QString hint;
    QString iconTheme;
    QString command; // a command's id
    bool separatorAfter = false;
    int listGroup = -1;
    bool viaMenu = false; // goes through the menu entry, so it is off when the entry is
};

class CommandRegistry {
  public:
    static CommandRegistry& instance();

    void add(Command c);
    void add(ToolButton b);
    // A menu ("&Outils") or sub-menu ("&Affichage/&Trier liste"), with its
    // status-bar hint; a sub-menu may belong to the list group.
    void addMenu(const QString& path, int position, const QString& hint = {}, int listGroup = -1,
                 bool separatorAfter = false);

    const Command* find(const QString& id) const;
    QList<Command> commands() const { return m_commands; }
    QList<ToolButton> toolButtons() const;
    struct Menu {
        QString path;
        int position = 0;
        QString hint;
        int listGroup = -1;
        bool separatorAfter = false;
    };
    QList<Menu> menus() const { return m_menus; }
    // The entries and sub-menus of one menu, in order.
    QList<Command> entriesOf(const QString& menu) const;
    QList<Menu> subMenusOf(const QString& menu) const;

    // Viewers by extension (".DBF"), for the file manager's "Voir".
    using Viewer = std::function<void(const QString& path, QWidget* parent)>;
    void addViewer(const QString& extension, Viewer viewer) {
        m_viewers.insert(extension.toUpper(), std::move(viewer));
    }
    Viewer viewer(const QString& extension) const { return m_viewers.value(extension.toUpper()); }

  private:
    QList<Command> m_commands;
    QList<ToolButton> m_buttons;
    QList<Menu> m_menus;
    QHash<QString, Viewer> m_viewers;
};

inline CommandRegistry& commands() {
    return CommandRegistry::instance();
}

// Runs a registered command; an unknown id does nothing (a tool not built).
void runRegistered(const QString& id, const CommandContext& context);

} // namespace ui
