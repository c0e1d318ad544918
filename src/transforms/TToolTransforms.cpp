// The file manager's commands for the file transforms.
#include "TDecoupe.h"
#include "TSupport.h"
#include "crypt.h"
#include "erase.h"
#include "filemanager/TTool.h"
#include "occupation.h"
#include "platform/Platform.h"
#include "split.h"
#include "sysinfo/TDiskInfo.h"
#include "text_tools.h"
#include "ui/Dialogs.h"
#include "ui/ModalRunner.h"
#include "ui/errors.h"
#include "core/Job.h"
#include "filemanager/file_tree.h"

#include <QDir>
#include <QFileInfo>

namespace filemanager {

using namespace transforms;

namespace {

bool isFolder(const QString& name) { // an absolute path
    const quint32 attrs = platform::Platform::instance().attributes(name);
    return attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory);
}

// Progress and cancel of a transform, routed through the running job.
Progress progressOf(core::Job& job) {
    return {[&job](int p) { job.progress(p); }, [&job] { return job.cancelled(); }};
}

} // namespace

void TTool::Decouper1() {
    QString name;
    if (!oneSelected(name)) return;
    const QString path = pathsOf({name}).value(0);
    if (path.isEmpty() || isFolder(path)) return;
    TDecoupe dialog(this);
    dialog.Init(path);
    ui::runModal(&dialog);
    LitRepert();
}

void TTool::Recoller1() {
    if (VoletActif != 2) return;
    Remplit();
    const QStringList paths = pathsOf(Selection);
    if (paths.isEmpty()) return;
    runLoop([&](core::Job& job) { joinFiles(paths, progressOf(job)); });
    LitRepert();
}

void TTool::Crypter(int mode) {
    if (VoletActif != 2) return;
    Remplit();
    TPasse dialog(this);
    dialog.setWindowTitle(mode == 1 ? QStringLiteral("Crypter") : QStringLiteral("Décrypter"));
    ui::runModal(&dialog);
    const QByteArray password = dialog.Result().toLatin1();
    if (password.isEmpty()) return;
    const QStringList paths = pathsOf(Selection);
    // Each file is replaced whole by its transformed copy: a stop between
    // two files leaves every file either done or untouched.
    runLoop([&](core::Job& job) {
        for (int i = 0; i < paths.size() && !job.cancelled(); ++i) {
            job.progress(i * 100 / int(paths.size()));
            cryptFile(paths[i], password);
        }
    });
}

void TTool::EffIrreversible() {
    QString name;
    if (!oneSelected(name)) return;
    if (ui::dialogs().confirm(
            QStringLiteral(
                "Attention, le fichier effacé ne pourra pas être récupéré.\r\ncontinuer ?"),
            ui::Ok | ui::Cancel) != ui::Ok)
        return;
    const QString path = pathsOf({name}).value(0);
    if (path.isEmpty()) return;
    runLoop([&](core::Job& job) { eraseFile(path, progressOf(job)); });
    LitRepert();
}

bool TTool::askFloppy() {
    for (;;) {
        if (ui::dialogs().confirm(QStringLiteral("Insérer une disquette dans le lesteur A"),
                                  ui::Ok | ui::Cancel) != ui::Ok)
            return false;
        if (sysinfo::TDiskInfo::ready(u'A')) return true;
    }
}

void TTool::Optimiser() {
    platform::Platform& p = platform::Platform::instance();
    if (!askFloppy()) return;
    const QString floppy = p.driveRoot(u'A');
    // Work list: sizes right-aligned in 16 characters, a tab, the full path.
    QStringList work;
    for (const QString& path : selectedPaths()) {
        if (isFolder(path)) continue;
        work << QString::number(QFileInfo(path).size()).rightJustified(16, u' ') + u'\t' + path;
    }
    std::sort(work.begin(), work.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    runLoop([&](core::Job& job) { optimise(job, work, floppy); });
}

void TTool::optimise(core::Job& job, QStringList work, const QString& floppy) {
    platform::Platform& p = platform::Platform::instance();
    const TreeCallbacks walk{[&] { return job.cancelled(); }, {}};
    delTree(floppy, QStringLiteral("*.*"), walk);
    if (work.isEmpty()) return; // nothing to copy once the disk is empty
    auto sizeOf = [](const QString& line) { return line.left(16).trimmed().toLongLong(); };
    sysinfo::TDiskInfo disk;
    disk.setDisk(u'A');
    if (disk.DiskFree < sizeOf(work.last())) {
        job.ask([] {
            ui::dialogs().message(
                QStringLiteral("Taille de fichier supérieure à la capacité de la disquette"));
        });
        return;
    }
    const int total = int(work.size());
    qint64 remaining = disk.DiskFree;
    int copied = 0;
    while (!work.isEmpty() && !job.cancelled()) {
        job.progress(copied * 100 / total);
        int pick = -1;
        for (int i = int(work.size()) - 1; i >= 0 && pick < 0; --i)
            if (sizeOf(work[i]) <= remaining) pick = i;
        if (pick >= 0) {
            const QString line = work.takeAt(pick);
            remaining -= sizeOf(line);
            const QString path = line.mid(17);
            p.copyFile(path, floppy + u'/' + QFileInfo(path).fileName(), false);
            ++copied;
            continue;
        }
        if (!job.ask([this] { return askFloppy(); })) return;
        delTree(floppy, QStringLiteral("*.*"), walk);
        disk.setDisk(u'A');
        remaining = disk.DiskFree;
    }
}

void TTool::Extraire() {
    if (VoletActif != 2 || selectedRows().size() != 1) return;
    const QString name = selectedPaths().value(0);
    if (name.isEmpty()) return;
    m_saveName = QStringLiteral("Extract.txt");
    const QString output =
        ui::dialogs().saveFileName(QStringLiteral("Extraire texte"), m_saveName, QString());
    if (output.isEmpty() || QFileInfo(output).isDir()) return;
    m_saveName = output;
    const QString target = QDir(m_listedFolder).absoluteFilePath(output);
    runLoop([&](core::Job& job) { extractText(name, target, progressOf(job)); });
    LitRepert();
}

void TTool::Fusionner() {
    if (VoletActif != 2) return;
    Remplit();
    const QString output =
        ui::dialogs().saveFileName(QStringLiteral("Fusionner"), m_saveName, QString());
    if (output.isEmpty()) return;
    m_saveName = output;
    const QStringList paths = pathsOf(Selection);
    const QString target = QDir(m_listedFolder).absoluteFilePath(output);
    runLoop([&](core::Job& job) { mergeFiles(paths, target, progressOf(job)); });
    LitRepert();
}

void TTool::Trier() {
    QString name;
    if (!oneSelected(name)) return;
    if (ui::dialogs().confirm(QStringLiteral("Trier le fichier ") + name + QStringLiteral(" ?"),
                              ui::Ok | ui::Cancel) != ui::Ok)
        return;
    const QString path = pathsOf({name}).value(0);
    if (path.isEmpty()) return;
    runLoop([&](core::Job&) { sortLines(path); });
    LitRepert();
}

void TTool::Occupation() {
    platform::Platform& p = platform::Platform::instance();
    platform::DiskSpace space;
    p.diskFreeSpace(p.driveOf(RepCourant), space);
    const QString folder = m_listedFolder, mask = Filtre;
    transforms::Occupation o;
    runLoop([&](core::Job&) { o = occupation(folder, mask, qint64(space.clusterSize())); });
    ui::dialogs().message(o.message());
}

void TTool::Repertorier() {
    TSupport dialog(this);
    ui::runModal(&dialog);
}

} // namespace filemanager
