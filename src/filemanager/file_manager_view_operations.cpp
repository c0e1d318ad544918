// The file manager's own operations: delete, cut, copy and paste, rename,
// new folder and text, properties, attributes and letter case.
#include "components/folder_tree.h"
#include "core/job.h"
#include "dialogs/case_dialog.h"
#include "dialogs/properties_dialog.h"
#include "dialogs/rename_dialog.h"
#include "dialogs/set_attributes_dialog.h"
#include "file_manager_view.h"
#include "file_operations.h"
#include "platform/platform.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/job_progress.h"
#include "ui/modal_runner.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>

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

ReplaceAnswer askReplace(const QString& name) {
    ui::Button b = ui::dialogs().messageBox(
        ui::titles::warning, QStringLiteral("Remplacer le ficher ") + name + QStringLiteral(" ?"),
        ui::Icon::Warning, ui::Yes | ui::No | ui::All);
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

void FileManagerView::runLoop(const std::function<void(core::Job&)>& body) {
    core::FunctionJob job(body);
    ProgressScope shown(progressBar());
    ui::runOnBar(job, progressBar());
}

// ---- delete ----

void FileManagerView::deleteSelection() {
    if (selectedRows().isEmpty()) return;
    if (!confirmed(kDeleteQuestion)) return;
    takeSelection();
    deleteTaken();
    readFolder();
}

void FileManagerView::deleteTaken() {
    // Taken now: whatever the window shows later, these are the entries.
    const DeleteRequest request{pathsOf(m_state.selection())};
    OperationResult result;
    runLoop([&](core::Job& job) { result = deleteEntries(request, askTheUser(), job); });
    ui::reportFailure(result.outcome);
}

// ---- cut, copy and paste ----

void FileManagerView::cutSelection() {
    if (m_pane != 2) return;
    rememberSelection();
    m_state.setPasteMode(1);
}

void FileManagerView::copySelection() {
    if (m_pane != 2) return;
    rememberSelection();
    m_state.setPasteMode(2);
}

void FileManagerView::pasteClipboard() {
    if (m_state.clipboard().isEmpty()) return;
    QString destination = m_pane == 1 ? tree()->selectedPath() : m_listedFolder;
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
        runLoop([&](core::Job& job) { result = paste(request, askTheUser(), job); });
    m_askReplace = request.askReplace;
    readFolder();
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

void FileManagerView::renameEntry(const QString& oldName, const QString& newName) {
    if (newName == oldName || newName.isEmpty()) return;
    const QString folder = withSlash(m_listedFolder);
    const QFileInfo existing(folder + newName);
    if (existing.exists() && !existing.isDir()) {
        ui::dialogs().message(QStringLiteral("Fichier ") + newName +
                              QStringLiteral(" Existe déjà"));
        return;
    }
    if (newName.contains(u'/')) return; // a name, not a path: refused silently
    Platform::instance().moveFile(folder + oldName, folder + newName);
}

void FileManagerView::onNameEditing() {
    m_editing = true;
}

void FileManagerView::onNameEdited(int row, const QString& text) {
    if (row >= 0 && row < model()->rowCount()) {
        const QString old = model()->row(row).name;
        if (text != old) {
            renameEntry(old, text);
            m_editing = false;
            readFolder();
            return;
        }
    }
    m_editing = false;
}

void FileManagerView::renameCommand() {
    renameSelected();
}

void FileManagerView::renameSelected() {
    takeSelection();
    if (m_state.selection().isEmpty()) return;
    RenameDialog dialog([this](const QString& o, const QString& n) { renameEntry(o, n); }, this);
    dialog.init(m_state.selection());
    ui::runModal(&dialog);
    readFolder();
}

// ---- new folder, new text ----

void FileManagerView::newFolder() {
    QString name;
    if (!ui::dialogs().inputBox(QStringLiteral("Nouveau dossier"),
                                QStringLiteral("Nouveau dossier"), name) ||
        name.isEmpty())
        return;
    Platform& p = Platform::instance();
    const QString path = QDir::isAbsolutePath(name) ? name : withSlash(m_listedFolder) + name;
    if (const platform::Status made = p.createFolder(path); !made)
        throw ui::InOutError(made.error());
    readFolder();
}

void FileManagerView::newText() {
    Platform& p = Platform::instance();
    p.shellExecute(QStringLiteral("open"), p.plainTextEditor(), QString(), QString());
}

// ---- properties, attributes, case ----

bool FileManagerView::oneSelected(QString& name) {
    const QList<int> rows = selectedRows();
    if (rows.size() != 1) {
        ui::dialogs().message(QString::fromUtf8(kOneFile));
        return false;
    }
    name = model()->row(rows.first()).name;
    return true;
}

void FileManagerView::showProperties() {
    QString name;
    if (!oneSelected(name)) return;
    PropertiesDialog dialog(this);
    dialog.init(name);
    ui::runModal(&dialog);
}

void FileManagerView::setAttributes() {
    SetAttributesDialog dialog(this);
    ui::runModal(&dialog);
    QString date, time;
    bool system = false, hidden = false, readOnly = false, archive = false;
    dialog.chosen(date, time, system, hidden, readOnly, archive);
    if (date.isEmpty()) return;
    takeSelection();
    const QDateTime when(QDate::fromString(date, QStringLiteral("dd/MM/yyyy")),
                         QTime::fromString(time, QStringLiteral("HH:mm:ss")), Qt::LocalTime);
    quint32 attrs = 0;
    if (archive) attrs |= platform::faArchive;
    if (readOnly) attrs |= platform::faReadOnly;
    if (hidden) attrs |= platform::faHidden;
    if (system) attrs |= platform::faSysFile;
    const AttributeRequest request{pathsOf(m_state.selection()), when, attrs};
    runLoop([&](core::Job& job) { fixAttributes(request, job); });
    readFolder();
}

void FileManagerView::changeCase() {
    takeSelection();
    CaseDialog dialog(this);
    ui::runModal(&dialog);
    const int choice = dialog.choice();
    if (choice < 0) return;
    const CaseRequest request{m_listedFolder, m_state.selection(), choice};
    runLoop([&](core::Job& job) { changeNamesCase(request, job); });
    readFolder();
}

} // namespace filemanager
