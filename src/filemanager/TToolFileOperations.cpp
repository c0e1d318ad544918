// The file manager's own operations: delete, cut, copy and paste, rename,
// new folder and text, properties, attributes and letter case.
#include "TTool.h"
#include "components/TFolderTree.h"
#include "dialogs/TAttrib.h"
#include "dialogs/TCasse.h"
#include "dialogs/TFixattr.h"
#include "dialogs/TRenommer.h"
#include "file_tree.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
#include "ui/ModalRunner.h"
#include "ui/errors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace filemanager {

using platform::Platform;

namespace {

const char* const kDeleteQuestion =
    "Attention, les fichiers ne seront pas récupérables dans la corbeille\r\nEffacer les fichiers "
    "sélectionnée ?";
const char* const kReadOnlyQuestion = "Fichier en lecture seule. Effacer quand même ?";
const char* const kSameFolder = "Destination doit être différente de la source";
const char* const kIntoItself = "Un dossier ne peut pas être copié dans lui-même";
const char* const kOneFile = "Un fichier et un seul doit être sélectionné";

QString fileName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString withSlash(const QString& folder) {
    return folder.endsWith(u'/') ? folder : QString(folder + u'/');
}

// Shows the bottom progress bar for the lifetime of a loop.
class ProgressScope {
  public:
    explicit ProgressScope(TTool& t) : m_tool(t) { m_tool.startProgress(); }
    ~ProgressScope() { m_tool.endProgress(); }

  private:
    TTool& m_tool;
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

} // namespace

void TTool::pump() {
    // Window messages go through often enough for Escape and repaints, but
    // not so often that a large tree spends its time in the event loop.
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    if (clock.elapsed() - m_lastPump < 30) return;
    m_lastPump = clock.elapsed();
    QCoreApplication::processEvents();
}

// ---- delete ----

void TTool::Efface1() {
    if (selectedRows().isEmpty()) return;
    if (!confirmed(kDeleteQuestion)) return;
    Remplit();
    Supprimer();
    LitRepert();
}

void TTool::Supprimer() {
    Platform& p = Platform::instance();
    Abandon = false;
    ProgressScope progress(*this);
    const QStringList names = Selection;
    for (int i = 0; i < names.size(); ++i) {
        setProgress(int(100LL * i / names.size()));
        const QString& name = names[i];
        if (name == u"..") continue; // never the parent folder
        if (!p.deleteFile(name)) {
            const quint32 attrs = p.attributes(name);
            if (attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory)) {
                DelTree(withSlash(QDir::current().absoluteFilePath(name)) + QStringLiteral("*.*"));
                if (!p.removeFolder(name))
                    throw ui::InOutError(p.lastError() == platform::errDirNotEmpty ? 5
                                                                                   : p.lastError());
                continue;
            }
            if (attrs != 0) {
                if (!confirmed(kReadOnlyQuestion)) continue;
                p.setAttributes(name, 0);
                p.deleteFile(name);
            }
        }
        QCoreApplication::processEvents();
        if (Abandon) break;
    }
}

void TTool::DelTree(const QString& spec) {
    QString folder, mask;
    splitSpec(spec, folder, mask);
    delTree(folder, mask, {[this] { pump(); }, {}});
}

// ---- cut, copy and paste ----

void TTool::Couper1() {
    if (VoletActif != 2) return;
    Memorise();
    ModeColler = 1;
}

void TTool::Copier1() {
    if (VoletActif != 2) return;
    Memorise();
    ModeColler = 2;
}

void TTool::CopyFolder(const QString& spec, const QString& destination) {
    QString folder, mask;
    splitSpec(spec, folder, mask);
    copyFolder(folder, mask, destination, DemanderRemplacer, {[this] { pump(); }, askReplace});
}

void TTool::CopyMove() {
    if (PressePapier.isEmpty()) return;
    Platform& p = Platform::instance();
    QString destination = VoletActif == 1 ? tree()->SelectedPath() : p.currentDirectory();
    if (destination.isEmpty()) return; // a tree node that is no folder
    destination = withSlash(destination);
    DemanderRemplacer = true;
    const QString& first = PressePapier.first();
    if (first.left(first.lastIndexOf(u'/') + 1) == destination) {
        ui::dialogs().message(QString::fromUtf8(kSameFolder));
        return;
    }
    for (const QString& source : PressePapier) {
        if ((p.attributes(source) & platform::faDirectory) && isSameOrInside(source, destination)) {
            ui::dialogs().message(QString::fromUtf8(kIntoItself));
            return;
        }
    }
    Abandon = false;
    {
        ProgressScope progress(*this);
        for (int i = 0; i < PressePapier.size(); ++i) {
            setProgress(int(100LL * i / PressePapier.size()));
            const QString source = PressePapier[i];
            const QString name = fileName(source);
            if (name == u".." || name.isEmpty()) continue;
            const QString target = destination + name;
            if (ModeColler == 1) {
                p.moveFile(source, target);
            } else if (ModeColler == 2) {
                const QFileInfo info(source);
                if (info.isDir() && !info.isSymLink()) {
                    if (QDir().mkpath(target))
                        CopyFolder(source + QStringLiteral("/*.*"), target + u'/');
                    continue;
                }
                copyOne(source, target, name, info.isSymLink(), DemanderRemplacer,
                        {[this] { pump(); }, askReplace});
            }
            QCoreApplication::processEvents();
            if (Abandon) break;
        }
    }
    LitRepert();
}

// ---- rename ----

void TTool::renameEntry(const QString& oldName, const QString& newName) {
    if (newName == oldName || newName.isEmpty()) return;
    const QFileInfo existing(newName);
    if (existing.exists() && !existing.isDir()) {
        ui::dialogs().message(QStringLiteral("Fichier ") + newName +
                              QStringLiteral(" Existe déjà"));
        return;
    }
    if (newName.contains(u'/')) return; // a name, not a path: refused silently
    Platform::instance().moveFile(oldName, newName);
}

void TTool::ListView1Editing() {
    EnEdition = true;
}

void TTool::ListView1Edited(int row, const QString& text) {
    if (row >= 0 && row < model()->rowCount()) {
        const QString old = model()->row(row).name;
        if (text != old) {
            renameEntry(old, text);
            EnEdition = false;
            LitRepert();
            return;
        }
    }
    EnEdition = false;
}

void TTool::Modif() {
    Renomme();
}

void TTool::Renomme() {
    Remplit();
    if (Selection.isEmpty()) return;
    TRenommer dialog([this](const QString& o, const QString& n) { renameEntry(o, n); }, this);
    dialog.Init(Selection);
    ui::runModal(&dialog);
    LitRepert();
}

// ---- new folder, new text ----

void TTool::NouveauDossier() {
    QString name;
    if (!ui::dialogs().inputBox(QStringLiteral("Nouveau dossier"),
                                QStringLiteral("Nouveau dossier"), name) ||
        name.isEmpty())
        return;
    Platform& p = Platform::instance();
    if (!p.createFolder(name)) throw ui::InOutError(p.lastError());
    LitRepert();
}

void TTool::Nouveau() {
    Platform& p = Platform::instance();
    p.shellExecute(QStringLiteral("open"), p.plainTextEditor(), QString(), QString());
}

// ---- properties, attributes, case ----

bool TTool::oneSelected(QString& name) {
    const QList<int> rows = selectedRows();
    if (rows.size() != 1) {
        ui::dialogs().message(QString::fromUtf8(kOneFile));
        return false;
    }
    name = model()->row(rows.first()).name;
    return true;
}

void TTool::Attributs() {
    QString name;
    if (!oneSelected(name)) return;
    TAttrib dialog(this);
    dialog.Init(name);
    ui::runModal(&dialog);
}

void TTool::Fixer() {
    TFixattr dialog(this);
    ui::runModal(&dialog);
    QString date, time;
    bool system = false, hidden = false, readOnly = false, archive = false;
    dialog.Result(date, time, system, hidden, readOnly, archive);
    if (date.isEmpty()) return;
    Remplit();
    const QDateTime when(QDate::fromString(date, QStringLiteral("dd/MM/yyyy")),
                         QTime::fromString(time, QStringLiteral("HH:mm:ss")), Qt::LocalTime);
    quint32 attrs = 0;
    if (archive) attrs |= platform::faArchive;
    if (readOnly) attrs |= platform::faReadOnly;
    if (hidden) attrs |= platform::faHidden;
    if (system) attrs |= platform::faSysFile;
    Platform& p = Platform::instance();
    for (const QString& name : Selection) {
        if (name == u"..") continue;
        const bool folder = QFileInfo(name).isDir();
        // The time goes first: a changed time would set the archive bit again.
        if (!folder) p.setFileTime(name, when);
        p.setAttributes(name, attrs);
    }
    LitRepert();
}

void TTool::chCasse() {
    Remplit();
    TCasse dialog(this);
    ui::runModal(&dialog);
    const int choice = dialog.Result();
    if (choice < 0) return;
    Platform& p = Platform::instance();
    for (const QString& name : Selection) {
        if (name == u"..") continue;
        const QString changed = changeCase(name, choice);
        if (changed != name) p.moveFile(name, changed); // never over a twin of the other case
    }
    LitRepert();
}

} // namespace filemanager
