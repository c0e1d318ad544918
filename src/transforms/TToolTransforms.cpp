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

#include <QCoreApplication>
#include <QFileInfo>

namespace filemanager {

using namespace transforms;

namespace {

bool isFolder(const QString& name) {
    const quint32 attrs = platform::Platform::instance().attributes(name);
    return attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory);
}

// The bottom progress bar for a loop over the selection.
struct BarScope {
    TTool& tool;
    explicit BarScope(TTool& t) : tool(t) { tool.startProgress(); }
    ~BarScope() { tool.endProgress(); }
    Progress progress() {
        return {[this](int p) {
                    tool.setProgress(p);
                    QCoreApplication::processEvents();
                },
                {}};
    }
};

} // namespace

void TTool::Decouper1() {
    QString name;
    if (!oneSelected(name) || isFolder(name)) return;
    TDecoupe dialog(this);
    dialog.Init(name);
    ui::runModal(&dialog);
    LitRepert();
}

void TTool::Recoller1() {
    if (VoletActif != 2) return;
    Remplit();
    if (Selection.isEmpty()) return;
    {
        BarScope bar(*this);
        joinFiles(Selection, bar.progress());
    }
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
    BarScope bar(*this);
    for (int i = 0; i < Selection.size(); ++i) {
        setProgress(i * 100 / Selection.size());
        cryptFile(Selection[i], password);
        QCoreApplication::processEvents();
    }
}

void TTool::EffIrreversible() {
    QString name;
    if (!oneSelected(name)) return;
    if (ui::dialogs().confirm(
            QStringLiteral(
                "Attention, le fichier effacé ne pourra pas être récupéré.\r\ncontinuer ?"),
            ui::Ok | ui::Cancel) != ui::Ok)
        return;
    eraseFile(name);
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
    DelTree(floppy + QStringLiteral("/*.*"));
    // Work list: sizes right-aligned in 16 characters, a tab, the name.
    QStringList work;
    for (int r : selectedRows()) {
        const ListRow& row = model()->row(r);
        if (isFolder(row.name)) continue;
        work << QString::number(QFileInfo(row.name).size()).rightJustified(16, u' ') + u'\t' +
                    row.name;
    }
    std::sort(work.begin(), work.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    if (work.isEmpty()) return; // nothing to copy once the disk is empty
    auto sizeOf = [](const QString& line) { return line.left(16).trimmed().toLongLong(); };
    sysinfo::TDiskInfo disk;
    disk.setDisk(u'A');
    if (disk.DiskFree < sizeOf(work.last())) {
        ui::dialogs().message(
            QStringLiteral("Taille de fichier supérieure à la capacité de la disquette"));
        return;
    }
    const QString source = p.currentDirectory();
    const int total = int(work.size());
    BarScope bar(*this);
    qint64 remaining = disk.DiskFree;
    int copied = 0;
    while (!work.isEmpty()) {
        setProgress(copied * 100 / total);
        int pick = -1;
        for (int i = int(work.size()) - 1; i >= 0 && pick < 0; --i)
            if (sizeOf(work[i]) <= remaining) pick = i;
        if (pick >= 0) {
            const QString line = work.takeAt(pick);
            remaining -= sizeOf(line);
            const QString name = line.mid(17);
            p.copyFile(source + u'/' + name, floppy + u'/' + name, false);
            ++copied;
            QCoreApplication::processEvents();
            continue;
        }
        if (!askFloppy()) return;
        DelTree(floppy + QStringLiteral("/*.*"));
        disk.setDisk(u'A');
        remaining = disk.DiskFree;
    }
}

void TTool::Extraire() {
    if (VoletActif != 2 || selectedRows().size() != 1) return;
    const QString name = model()->row(selectedRows().first()).name;
    m_saveName = QStringLiteral("Extract.txt");
    const QString output =
        ui::dialogs().saveFileName(QStringLiteral("Extraire texte"), m_saveName, QString());
    if (output.isEmpty() || QFileInfo(output).isDir()) return;
    m_saveName = output;
    extractText(name, output);
    LitRepert();
}

void TTool::Fusionner() {
    if (VoletActif != 2) return;
    Remplit();
    const QString output =
        ui::dialogs().saveFileName(QStringLiteral("Fusionner"), m_saveName, QString());
    if (output.isEmpty()) return;
    m_saveName = output;
    {
        BarScope bar(*this);
        mergeFiles(Selection, output, bar.progress());
    }
    LitRepert();
}

void TTool::Trier() {
    QString name;
    if (!oneSelected(name)) return;
    if (ui::dialogs().confirm(QStringLiteral("Trier le fichier ") + name + QStringLiteral(" ?"),
                              ui::Ok | ui::Cancel) != ui::Ok)
        return;
    sortLines(name);
    LitRepert();
}

void TTool::Occupation() {
    platform::Platform& p = platform::Platform::instance();
    platform::DiskSpace space;
    p.diskFreeSpace(p.driveOf(RepCourant), space);
    const transforms::Occupation o =
        occupation(p.currentDirectory(), Filtre, qint64(space.clusterSize()));
    ui::dialogs().message(o.message());
}

void TTool::Repertorier() {
    TSupport dialog(this);
    ui::runModal(&dialog);
}

} // namespace filemanager
