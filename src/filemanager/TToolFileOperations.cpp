// The file manager's own operations: delete, cut, copy and paste, rename,
// new folder and text, properties, attributes and letter case.
#include "TTool.h"
#include "components/TFolderTree.h"
#include "core/Job.h"
#include "dialogs/TAttrib.h"
#include "dialogs/TCasse.h"
#include "dialogs/TFixattr.h"
#include "dialogs/TRenommer.h"
#include "file_tree.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
#include "ui/ModalRunner.h"
#include "ui/errors.h"

#include <QDateTime>
#include <QDir>
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

// Escape reaches a running job through the command lock, which cancels it.
bool stopping(const TTool&, const core::Job& job) {
    return job.cancelled();
}

} // namespace

void TTool::runLoop(const std::function<void(core::Job&)>& body) {
    core::FunctionJob job(body);
    job.onProgress = [this](int percent) { setProgress(percent); };
    ProgressScope progress(*this);
    job.runInBackground();
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
    // Taken now: whatever the window shows later, these are the entries.
    const QStringList paths = pathsOf(Selection);
    runLoop([this, paths](core::Job& job) {
        Platform& p = Platform::instance();
        const TreeCallbacks tree{[&] { return stopping(*this, job); }, {}};
        for (int i = 0; i < paths.size(); ++i) {
            job.progress(int(100LL * i / paths.size()));
            const QString& path = paths[i];
            if (!p.deleteFile(path)) {
                const quint32 attrs = p.attributes(path);
                if (attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory)) {
                    if (!delTree(path, QStringLiteral("*.*"), tree)) return;
                    if (!p.removeFolder(path))
                        throw ui::InOutError(
                            p.lastError() == platform::errDirNotEmpty ? 5 : p.lastError());
                    continue;
                }
                if (attrs != 0) {
                    if (!job.ask([] { return confirmed(kReadOnlyQuestion); })) continue;
                    p.setAttributes(path, 0);
                    p.deleteFile(path);
                }
            }
            if (stopping(*this, job)) break;
        }
    });
}

void TTool::DelTree(const QString& spec) {
    QString folder, mask;
    splitSpec(spec, folder, mask);
    runLoop([&](core::Job& job) {
        delTree(folder, mask, {[&] { return stopping(*this, job); }, {}});
    });
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
    bool ask = DemanderRemplacer;
    runLoop([&](core::Job& job) {
        copyFolder(
            folder, mask, destination, ask,
            {[&] { return stopping(*this, job); },
             [&](const QString& name) { return job.ask([&] { return askReplace(name); }); }});
    });
    DemanderRemplacer = ask;
}

void TTool::CopyMove() {
    if (PressePapier.isEmpty()) return;
    Platform& p = Platform::instance();
    QString destination = VoletActif == 1 ? tree()->SelectedPath() : m_listedFolder;
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
    const QStringList sources = PressePapier;
    const int mode = ModeColler;
    bool ask = DemanderRemplacer;
    runLoop([&](core::Job& job) {
        int i = 0;
        const qint64 count = sources.size();
        const TreeCallbacks cb{
            [&] { return stopping(*this, job); },
            [&](const QString& name) { return job.ask([&] { return askReplace(name); }); },
            [&](qint64 copied, qint64 size) {
                job.progress(int((100 * i + 100 * copied / std::max<qint64>(size, 1)) / count));
            }};
        for (; i < sources.size(); ++i) {
            job.progress(int(100LL * i / sources.size()));
            const QString& source = sources[i];
            const QString name = fileName(source);
            if (name == u".." || name.isEmpty()) continue;
            const QString target = destination + name;
            if (mode == 1) {
                p.moveFile(source, target, watchOf(cb)); // a stopped move leaves the source
            } else if (mode == 2) {
                platform::DirEntry info;
                if (!p.entryOf(source, info, false)) continue; // gone since it was memorised
                if ((info.attributes & platform::faDirectory) && !info.isLink) {
                    if (p.createPath(target) &&
                        !copyFolder(source, QStringLiteral("*.*"), target + u'/', ask, cb))
                        break;
                    continue;
                }
                copyOne(source, target, name, info.isLink, ask, cb);
            }
            if (stopping(*this, job)) break;
        }
    });
    DemanderRemplacer = ask;
    LitRepert();
}

// ---- rename ----

void TTool::renameEntry(const QString& oldName, const QString& newName) {
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
    const QString path = QDir::isAbsolutePath(name) ? name : withSlash(m_listedFolder) + name;
    if (!p.createFolder(path)) throw ui::InOutError(p.lastError());
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
    const QStringList paths = pathsOf(Selection);
    runLoop([&](core::Job& job) {
        Platform& p = Platform::instance();
        for (int i = 0; i < paths.size(); ++i) {
            job.progress(int(100LL * i / paths.size()));
            platform::DirEntry e;
            const bool folder = p.entryOf(paths[i], e) && (e.attributes & platform::faDirectory);
            // The time goes first: a changed time would set the archive bit again.
            if (!folder) p.setFileTime(paths[i], when);
            p.setAttributes(paths[i], attrs);
        }
    });
    LitRepert();
}

void TTool::chCasse() {
    Remplit();
    TCasse dialog(this);
    ui::runModal(&dialog);
    const int choice = dialog.Result();
    if (choice < 0) return;
    const QString folder = withSlash(m_listedFolder);
    QStringList names = Selection;
    names.removeAll(QStringLiteral(".."));
    runLoop([&](core::Job& job) {
        Platform& p = Platform::instance();
        for (int i = 0; i < names.size(); ++i) {
            job.progress(int(100LL * i / names.size()));
            const QString changed = changeCase(names[i], choice);
            // Never over a twin of the other case.
            if (changed != names[i]) p.moveFile(folder + names[i], folder + changed);
        }
    });
    LitRepert();
}

} // namespace filemanager
