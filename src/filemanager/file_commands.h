#pragma once
// The file manager's own commands on its files: delete, cut, copy and
// paste, rename, new folder and text, properties, attributes and letter
// case, viewing and launching. Each takes what it acts on from the state
// and the view, asks through the Dialogs service and runs its engine as a
// job on the view's progress bar.

#include <QString>

namespace filemanager {

class FileManagerState;
class FileManagerView;

class FileCommands {
  public:
    FileCommands(FileManagerView& view, FileManagerState& state);
    FileCommands(const FileCommands&) = delete;
    FileCommands& operator=(const FileCommands&) = delete;

    // Delete: after a confirmation, the selected rows; deleteTaken() the
    // names taken from the selection before.
    void deleteSelection();
    void deleteTaken();
    // The list's selection kept for a paste that moves or copies it.
    void cutSelection();
    void copySelection();
    // Into the list's folder, or the tree's when the tree has the focus.
    void pasteClipboard();
    void renameSelected();
    // A name typed in place of another in the list's folder.
    void renameEntry(const QString& oldName, const QString& newName);
    void newFolder();
    void newText();
    void showProperties();
    void setAttributes();
    void changeCase();
    // A share of another computer opened, and shown; the share of the
    // current folder (or of the tree's, when the tree has the focus) closed.
    void connectServer();
    // Opens the share at address (an announced server's, say) and shows it.
    void connectTo(const QString& address);
    void disconnectServer();

    // A table in the program's viewer, any other file in its program.
    void view(const QString& name);
    void openAsText();
    void printSelection();
    void openWithApplication();

    // Exactly one row selected: its name; otherwise the message, and false.
    bool oneSelected(QString& name);

  private:
    FileManagerView& m_view;
    FileManagerState& m_state;
    bool m_askReplace = true; // a paste asks before it replaces, until "Tous"
};

// The extension "Voir" goes by: the last four or five characters when they
// start with a ".", in upper case ("data.dbf.bak" has none).
QString viewedExtension(const QString& name);

} // namespace filemanager
