#pragma once
// What the file manager is at, apart from the widgets that show it: the
// folder it is in and the ten last ones, the list's mask, the names taken
// from the selection, the paths kept for a paste and how, the cleaner's
// extensions. Qt Core only; the view shows it and the commands change it.

#include <QObject>
#include <QString>
#include <QStringList>

namespace filemanager {

class FileManagerState : public QObject {
    Q_OBJECT
  public:
    explicit FileManagerState(QObject* parent = nullptr);

    // The folder: absolute, changed by enter(); the process's own folder is
    // left alone.
    const QString& folder() const { return m_folder; }
    // Goes to path (absolute, or relative to the folder) without extending
    // the history; false with the platform's error when it cannot be entered.
    bool enter(const QString& path, int* error = nullptr);
    // Takes `folder` as it is, at start-up: the first place of the history.
    void start(const QString& folder);

    // The last ten folders, the last one's place and the one shown.
    QStringList history() const;
    int historyLast() const { return m_historyLast; }
    int historyPosition() const { return m_historyPos; }
    // The folder becomes the history's last place (the oldest goes past ten).
    void addToHistory();
    // The folder before or after the one shown, which becomes the one shown;
    // empty at either end.
    QString stepBack();
    QString stepForward();

    const QString& filter() const { return m_filter; }
    void setFilter(const QString& mask) { m_filter = mask; }

    // The names taken from the list's selection, ".." never among them.
    const QStringList& selection() const { return m_selection; }
    void setSelection(QStringList names);

    // The paths kept for a paste, and how it will paste them (0 nothing,
    // 1 move, 2 copy).
    const QStringList& clipboard() const { return m_clipboard; }
    int pasteMode() const { return m_pasteMode; }
    void keep(QStringList paths) { m_clipboard = std::move(paths); }
    void setPasteMode(int mode) { m_pasteMode = mode; }
    // A move pasted: the paths are gone from where they were.
    void clearClipboard() { m_clipboard.clear(); }

    // The disk cleaner's own extensions, kept by the settings file.
    const QStringList& cleanEntries() const { return m_cleanEntries; }
    void setCleanEntries(QStringList extensions) { m_cleanEntries = std::move(extensions); }

  Q_SIGNALS:
    void folderChanged(const QString& folder);

  private:
    static constexpr int kHistorySize = 10;
    QString m_folder;
    QString m_filter = QStringLiteral("*.*");
    QStringList m_selection;
    QStringList m_clipboard;
    int m_pasteMode = 0;
    QStringList m_cleanEntries;
    QString m_history[kHistorySize];
    int m_historyLast = 0;
    int m_historyPos = 0;
};

} // namespace filemanager
