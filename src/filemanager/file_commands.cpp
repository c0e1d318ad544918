#include "file_commands.h"
#include "components/drive_selector.h"
#include "components/folder_tree.h"
#include "core/job.h"
#include "dialogs/case_dialog.h"
#include "dialogs/properties_dialog.h"
#include "dialogs/rename_dialog.h"
#include "dialogs/set_attributes_dialog.h"
#include "file_manager_state.h"
#include "file_manager_view.h"
#include "file_operations.h"
#include "platform/linux_platform.h"
#include "platform/server_connection.h"
#include "ui/commands.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/job_progress.h"
#include "ui/modal_runner.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace filemanager {

using platform::Platform;

namespace {

const char* const kDeleteQuestion =
    "Attention, les fichiers ne seront pas récupérables dans la corbeille\r\nEffacer les fichiers "
    "sélectionnée ?";
const char* const kReadOnlyQuestion = "Fichier en lecture seule. Effacer quand même ?";
const char* const kOneFile = "Un fichier et un seul doit être sélectionné";

QString withSlash(const QString& folder) {
    return folder.endsWith(u'/') ? folder : QString(folder + u'/');
}

ReplaceAnswer askReplace(const QString& name) {
    ui::Button b = ui::dialogs().messageBox(
        ui::titles::warning, QStringLiteral("Remplacer le ficher ") + name + QStringLiteral(" ?"),
        ui::Icon::Warning, ui::Buttons(ui::Yes) | ui::No | ui::All);
    return b == ui::All   ? ReplaceAnswer::All
           : b == ui::Yes ? ReplaceAnswer::Yes
                          : ReplaceAnswer::No;
}

bool confirmed(const char* text) {
    return ui::dialogs().confirm(QString::fromUtf8(text), ui::Ok | ui::Cancel) == ui::Ok;
}

// The window's answers to an operation's questions.
OperationQuestions askTheUser() {
    OperationQuestions q;
    q.deleteReadOnly = [](const QString&) { return confirmed(kReadOnlyQuestion); };
    q.replace = askReplace;
    return q;
}

} // namespace

FileCommands::FileCommands(FileManagerView& view, FileManagerState& state)
    : m_view(view), m_state(state) {}

// ---- delete ----

void FileCommands::deleteSelection() {
    if (m_view.selectedRows().isEmpty()) return;
    if (!confirmed(kDeleteQuestion)) return;
    m_view.takeSelection();
    deleteTaken();
    m_view.readFolder();
}

void FileCommands::deleteTaken() {
    // Taken now: whatever the window shows later, these are the entries.
    const DeleteRequest request{m_view.pathsOf(m_state.selection())};
    OperationResult result;
    m_view.runLoop([&](core::Job& job) { result = deleteEntries(request, askTheUser(), job); });
    ui::reportFailure(result.outcome);
}

// ---- cut, copy and paste ----

void FileCommands::cutSelection() {
    if (m_view.activePane() != 2) return;
    m_view.rememberSelection();
    m_state.setPasteMode(1);
}

void FileCommands::copySelection() {
    if (m_view.activePane() != 2) return;
    m_view.rememberSelection();
    m_state.setPasteMode(2);
}

void FileCommands::pasteClipboard() {
    if (m_state.clipboard().isEmpty()) return;
    QString destination =
        m_view.activePane() == 1 ? m_view.tree()->selectedPath() : m_view.listedFolder();
    if (destination.isEmpty()) return; // a tree node that is no folder
    PasteRequest request{m_state.clipboard(), withSlash(destination),
                         PasteMode(m_state.pasteMode()), true};
    m_askReplace = true;
    const QString refusal = pasteRefusal(request);
    if (!refusal.isEmpty()) {
        ui::dialogs().message(refusal);
        return;
    }
    OperationResult result;
    if (m_state.pasteMode() == 1 || m_state.pasteMode() == 2)
        m_view.runLoop([&](core::Job& job) { result = paste(request, askTheUser(), job); });
    m_askReplace = request.askReplace;
    m_view.readFolder();
    // What could not be written is told, one box for the paste: the first
    // entries with their reason ("Accès au fichier refusé : ...").
    if (!result.errors.isEmpty()) {
        constexpr int kShown = 10;
        QStringList shown = result.errors.mid(0, kShown);
        if (result.errors.size() > kShown) shown << QStringLiteral("…");
        ui::reportFailure(core::Outcome::failed(shown.join(QStringLiteral("\r\n"))));
    }
}

// ---- rename ----

void FileCommands::renameEntry(const QString& oldName, const QString& newName) {
    if (newName == oldName || newName.isEmpty()) return;
    const QString folder = withSlash(m_view.listedFolder());
    const QFileInfo existing(folder + newName);
    if (existing.exists() && !existing.isDir()) {
        ui::dialogs().message(QStringLiteral("Fichier ") + newName +
                              QStringLiteral(" Existe déjà"));
        return;
    }
    if (newName.contains(u'/')) return; // a name, not a path: refused silently
    Platform::instance().moveFile(folder + oldName, folder + newName);
}

void FileCommands::renameSelected() {
    m_view.takeSelection();
    if (m_state.selection().isEmpty()) return;
    RenameDialog dialog([this](const QString& o, const QString& n) { renameEntry(o, n); }, &m_view);
    dialog.init(m_state.selection());
    ui::runModal(&dialog);
    m_view.readFolder();
}

// ---- new folder, new text ----

void FileCommands::newFolder() {
    QString name;
    if (!ui::dialogs().inputBox(QStringLiteral("Nouveau dossier"),
                                QStringLiteral("Nouveau dossier"), name) ||
        name.isEmpty())
        return;
    Platform& p = Platform::instance();
    const QString path =
        QDir::isAbsolutePath(name) ? name : withSlash(m_view.listedFolder()) + name;
    if (const platform::Status made = p.createFolder(path); !made)
        throw ui::InOutError(made.error());
    m_view.readFolder();
}

void FileCommands::newText() {
    Platform& p = Platform::instance();
    p.shellExecute(QStringLiteral("open"), p.plainTextEditor(), QString(), QString());
}

// ---- properties, attributes, case ----

bool FileCommands::oneSelected(QString& name) {
    const QList<int> rows = m_view.selectedRows();
    if (rows.size() != 1) {
        ui::dialogs().message(QString::fromUtf8(kOneFile));
        return false;
    }
    name = m_view.model()->row(rows.first()).name;
    return true;
}

void FileCommands::showProperties() {
    QString name;
    if (!oneSelected(name)) return;
    PropertiesDialog dialog(&m_view);
    dialog.init(name);
    ui::runModal(&dialog);
}

void FileCommands::setAttributes() {
    SetAttributesDialog dialog(&m_view);
    ui::runModal(&dialog);
    QString date, time;
    bool system = false, hidden = false, readOnly = false, archive = false;
    dialog.chosen(date, time, system, hidden, readOnly, archive);
    if (date.isEmpty()) return;
    m_view.takeSelection();
    const QDateTime when(QDate::fromString(date, QStringLiteral("dd/MM/yyyy")),
                         QTime::fromString(time, QStringLiteral("HH:mm:ss")), Qt::LocalTime);
    quint32 attrs = 0;
    if (archive) attrs |= platform::faArchive;
    if (readOnly) attrs |= platform::faReadOnly;
    if (hidden) attrs |= platform::faHidden;
    if (system) attrs |= platform::faSysFile;
    const AttributeRequest request{m_view.pathsOf(m_state.selection()), when, attrs};
    m_view.runLoop([&](core::Job& job) { fixAttributes(request, job); });
    m_view.readFolder();
}

void FileCommands::changeCase() {
    m_view.takeSelection();
    CaseDialog dialog(&m_view);
    ui::runModal(&dialog);
    const int choice = dialog.choice();
    if (choice < 0) return;
    const CaseRequest request{m_view.listedFolder(), m_state.selection(), choice};
    m_view.runLoop([&](core::Job& job) { changeNamesCase(request, job); });
    m_view.readFolder();
}

// ---- viewing and launching ----

QString viewedExtension(const QString& name) {
    // The fourth character from the end, else the fifth, when it is a ".".
    if (name.size() >= 4 && name[name.size() - 4] == u'.') return name.right(4).toUpper();
    if (name.size() >= 5 && name[name.size() - 5] == u'.') return name.right(5).toUpper();
    return {};
}

// A table goes to the program's own viewer; any other file to the program
// the desktop associates with it (nothing when there is none).
void FileCommands::view(const QString& name) {
    const QString path = m_view.pathsOf({name}).value(0, name);
    const QString extension = viewedExtension(name);
    if (!extension.isEmpty())
        if (const auto viewer = ui::commands().viewer(extension)) return viewer(path, &m_view);
    Platform& p = Platform::instance();
    const QString folder = QFileInfo(path).absolutePath();
    p.launch(QStringLiteral("open"), p.findExecutable(path, folder), {path}, folder);
}

// The associated program; an HTML page gets its file address.
void FileCommands::openWithApplication() {
    const QStringList paths = m_view.selectedPaths();
    if (m_view.selectedRows().size() != 1 || paths.size() != 1) return;
    const QString path = paths.first();
    const QString folder = QFileInfo(path).absolutePath();
    const QString argument = QFileInfo(path).fileName().toUpper().contains(u".HTM")
                                 ? QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded())
                                 : path;
    Platform& p = Platform::instance();
    p.launch(QStringLiteral("open"), p.findExecutable(path, folder), {argument}, folder);
}

// Any file, whatever its type, in the plain-text editor.
void FileCommands::openAsText() {
    const QString path = m_view.context().oneFile();
    if (path.isEmpty()) return;
    Platform& p = Platform::instance();
    p.launch(QStringLiteral("open"), p.plainTextEditor(), {path}, m_state.folder());
}

// Only when the list had the focus last.
void FileCommands::printSelection() {
    if (m_view.activePane() != 2) return;
    const QString path = m_view.context().oneFile();
    if (path.isEmpty()) return;
    Platform& p = Platform::instance();
    const QString folder = m_state.folder();
    p.launch(QStringLiteral("print"), p.findExecutable(path, folder), {path}, folder);
}

// ---- network shares ----

namespace {

const QString kConnectTitle = QStringLiteral("Connecter un serveur");

// The server's questions, asked in the window's own boxes.
platform::ConnectionQuestions askedInBoxes(core::Job& job) {
    platform::ConnectionQuestions q;
    q.credentials = [&job](const QString& message, bool askUser, bool askDomain, bool askPassword,
                           QString& user, QString& domain, QString& password, bool& remember) {
        return job.ask([&] {
            ui::Dialogs& d = ui::dialogs();
            const QString about = message.isEmpty() ? QString() : message + u'\n';
            if (askUser && !d.inputBox(kConnectTitle, about + QStringLiteral("Utilisateur"), user))
                return false;
            if (askDomain && !d.inputBox(kConnectTitle, about + QStringLiteral("Domaine"), domain))
                return false;
            if (askPassword &&
                !d.passwordBox(kConnectTitle, about + QStringLiteral("Mot de passe"), password))
                return false;
            remember = askPassword &&
                       d.confirm(QStringLiteral("Retenir le mot de passe jusqu'à la fin de la "
                                                "session ?"),
                                 ui::Buttons(ui::Yes) | ui::No) == ui::Yes;
            return true;
        });
    };
    // A question of the server (a host key to trust): its first choice goes
    // on, the others give up.
    q.choose = [&job](const QString& message, const QStringList& choices) {
        return job.ask([&] {
            if (choices.isEmpty()) return -1;
            return ui::dialogs().messageBox(
                       kConnectTitle, message + QStringLiteral("\n\nContinuer ?"),
                       ui::Icon::Question, ui::Buttons(ui::Yes) | ui::No) == ui::Yes
                       ? 0
                       : -1;
        });
    };
    q.closeInUse = [&job](const QStringList& programs) {
        return job.ask([&] {
            return ui::dialogs().messageBox(
                       QStringLiteral("Déconnecter le serveur"),
                       QStringLiteral("Le partage est encore utilisé par : %1.\n\nDéconnecter "
                                      "quand même ?")
                           .arg(programs.join(QStringLiteral(", "))),
                       ui::Icon::Question, ui::Buttons(ui::Yes) | ui::No, ui::No) == ui::Yes;
        });
    };
    return q;
}

void refreshVolumes() {
    if (auto* real = dynamic_cast<platform::LinuxPlatform*>(&Platform::instance()))
        real->refreshVolumes();
}

} // namespace

void FileCommands::connectServer() {
    if (const QString missing = platform::desktopNetworkMissing(); !missing.isEmpty()) {
        ui::dialogs().message(missing);
        return;
    }
    QString address = QStringLiteral("sftp://");
    if (!ui::dialogs().inputBox(kConnectTitle,
                                QStringLiteral("Adresse du serveur (sftp://utilisateur@serveur/"
                                               "dossier, smb://serveur/partage, "
                                               "dav://serveur/dossier)"),
                                address) ||
        address.trimmed().isEmpty())
        return;
    connectTo(address);
}

void FileCommands::connectTo(const QString& address) {
    platform::ConnectionResult result;
    m_view.runLoop(
        [&](core::Job& job) { result = platform::connectServer(address, askedInBoxes(job), job); });
    if (result.stopped) return;
    if (!result.error.isEmpty()) {
        ui::dialogs().message(
            QStringLiteral("Connexion impossible à %1 : %2").arg(address.trimmed(), result.error));
        return;
    }
    refreshVolumes();
    m_view.tree()->refreshDrives();
    m_view.setFolder(result.folder);
    // The list's drive is the share's own letter.
    m_view.listDrives()->setDrive(Platform::instance().driveOf(result.folder));
    m_view.addToHistory();
}

void FileCommands::disconnectServer() {
    const QString folder = m_view.chosenFolder();
    if (folder.isEmpty() || !Platform::instance().onNetworkVolume(folder)) {
        ui::dialogs().message(QStringLiteral("Le dossier choisi n'est pas sur un partage réseau"));
        return;
    }
    platform::ConnectionResult result;
    m_view.runLoop([&](core::Job& job) {
        result = platform::disconnectServer(folder, askedInBoxes(job), job);
    });
    if (result.stopped) return;
    if (!result.error.isEmpty()) {
        ui::dialogs().message(QStringLiteral("Déconnexion impossible : %1").arg(result.error));
        return;
    }
    refreshVolumes();
    m_view.tree()->refreshDrives();
    // The list, and the tree, leave the share for the program's own folder.
    m_view.setFolder(Platform::instance().startFolder());
    m_view.tree()->selectPath(m_view.folder());
    m_view.addToHistory();
}

} // namespace filemanager
