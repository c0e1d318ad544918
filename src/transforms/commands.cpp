// The file manager's commands for the file transforms.
#include "commands.h"
#include "backup/backup_dialog.h"
#include "backup/restore_dialog.h"
#include "catalogue_dialog.h"
#include "core/job.h"
#include "crypt.h"
#include "erase.h"
#include "floppy_packer.h"
#include "occupation.h"
#include "password_dialog.h"
#include "platform/platform.h"
#include "split.h"
#include "split_dialog.h"
#include "sysinfo/disk_info.h"
#include "text_tools.h"
#include "ui/commands.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/modal_runner.h"

#include <QDir>
#include <QFileInfo>

namespace transforms {

namespace {

// The output name offered by extract and merge: the last one chosen (the
// window's thread only).
QString& savedOutputName() {
    static QString name = QStringLiteral("Extract.txt");
    return name;
}

bool isFolder(const QString& path) {
    const quint32 attrs = platform::Platform::instance().attributes(path);
    return attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory);
}

bool confirmed(const QString& text) {
    return ui::dialogs().confirm(text, ui::Ok | ui::Cancel) == ui::Ok;
}

bool askFloppy() {
    for (;;) {
        if (!confirmed(QStringLiteral("Insérer une disquette dans le lesteur A"))) return false;
        if (sysinfo::DiskInfo::ready(u'A')) return true;
    }
}

} // namespace

void split(const ui::CommandContext& c) {
    const QString path = c.oneFile();
    if (path.isEmpty() || isFolder(path)) return;
    SplitDialog dialog(c.parent);
    dialog.init(path);
    ui::runModal(&dialog);
    c.refresh();
}

void join(const ui::CommandContext& c) {
    if (!c.listActive || c.selection.isEmpty()) return;
    core::Outcome o;
    c.runJob([&](core::Job& job) { o = joinFiles(c.selection, job); });
    c.refresh();
    ui::reportFailure(o);
}

void crypt(const ui::CommandContext& c, int mode) {
    if (!c.listActive) return;
    PasswordDialog dialog(c.parent);
    dialog.setWindowTitle(mode == 1 ? QStringLiteral("Crypter") : QStringLiteral("Décrypter"));
    ui::runModal(&dialog);
    QByteArray password;
    if (!passwordBytes(dialog.password(), password))
        throw core::TavError(
            QStringLiteral("Le mot de passe contient un caractère qui ne peut pas servir de clé"));
    if (password.isEmpty()) return;
    // Each file is replaced whole by its transformed copy: a stop between
    // two files leaves every file either done or untouched.
    QStringList failures;
    c.runJob([&](core::Job& job) {
        const int count = int(c.selection.size());
        for (int i = 0; i < count && !job.cancelled(); ++i) {
            job.setPart(i, count);
            const core::Outcome o = cryptFile(c.selection[i], password, job);
            // Folders in the selection are passed over without a word.
            if (o.kind == core::Outcome::Failed &&
                !(platform::Platform::instance().attributes(c.selection[i]) &
                  platform::faDirectory))
                failures << o.text;
        }
    });
    if (!failures.isEmpty()) throw core::TavError(failures.join(QStringLiteral("\r\n")));
}

void erase(const ui::CommandContext& c) {
    const QString path = c.oneFile();
    if (path.isEmpty()) return;
    if (!confirmed(QStringLiteral(
            "Attention, le fichier effacé ne pourra pas être récupéré.\r\ncontinuer ?")))
        return;
    core::Outcome o;
    c.runJob([&](core::Job& job) { o = eraseFile(path, job); });
    c.refresh();
    ui::reportFailure(o);
}

void optimise(const ui::CommandContext& c) {
    if (!askFloppy()) return;
    const PackRequest request{c.selection, platform::Platform::instance().driveRoot(u'A')};
    PackQuestions questions;
    questions.nextDisk = askFloppy;
    questions.tell = [](const QString& text) { ui::dialogs().message(text); };
    c.runJob([&](core::Job& job) { packFloppies(request, questions, job); });
}

void extract(const ui::CommandContext& c) {
    if (!c.listActive || c.selectedRows != 1 || c.selection.size() != 1) return;
    const QString source = c.selection.first();
    savedOutputName() = QStringLiteral("Extract.txt");
    const QString output =
        ui::dialogs().saveFileName(QStringLiteral("Extraire texte"), savedOutputName(), QString());
    if (output.isEmpty() || platform::Platform::instance().isFolder(output)) return;
    savedOutputName() = output;
    const QString target = QDir(c.currentFolder).absoluteFilePath(output);
    core::Outcome o;
    c.runJob([&](core::Job& job) { o = extractText(source, target, job); });
    c.refresh();
    ui::reportFailure(o);
}

void merge(const ui::CommandContext& c) {
    if (!c.listActive) return;
    const QString output =
        ui::dialogs().saveFileName(QStringLiteral("Fusionner"), savedOutputName(), QString());
    if (output.isEmpty()) return;
    savedOutputName() = output;
    const QString target = QDir(c.currentFolder).absoluteFilePath(output);
    core::Outcome o;
    c.runJob([&](core::Job& job) { o = mergeFiles(c.selection, target, job); });
    c.refresh();
    ui::reportFailure(o);
}

void sort(const ui::CommandContext& c) {
    const QString path = c.oneFile();
    if (path.isEmpty()) return;
    if (!confirmed(QStringLiteral("Trier le fichier ") + QFileInfo(path).fileName() +
                   QStringLiteral(" ?")))
        return;
    core::Outcome o;
    c.runJob([&](core::Job& job) { o = sortLines(path, job); });
    c.refresh();
    ui::reportFailure(o);
}

void showOccupation(const ui::CommandContext& c) {
    platform::Platform& p = platform::Platform::instance();
    platform::DiskSpace space;
    p.diskFreeSpace(p.driveOf(c.currentFolder), space);
    Occupation o;
    core::Outcome read;
    c.runJob([&](core::Job&) {
        read = occupation(c.currentFolder, c.filter, qint64(space.clusterSize()), o);
    });
    if (!read.ok()) throw core::TavError(read.text);
    ui::dialogs().message(o.message());
}

void listMedium(const ui::CommandContext& c) {
    CatalogueDialog dialog(c.parent);
    dialog.setFolder(c.currentFolder);
    ui::runModal(&dialog);
}

void backup(const ui::CommandContext& c) {
    c.memorise(); // the backup's entries are also what a paste would take
    BackupDialog dialog(c.parent);
    dialog.setFolder(c.currentFolder);
    dialog.init(c.selection);
    ui::runModal(&dialog);
}

void restore(const ui::CommandContext& c) {
    RestoreDialog dialog(c.parent);
    dialog.setFolder(c.currentFolder);
    ui::runModal(&dialog);
    c.refresh();
}

void registerCommands(ui::CommandRegistry& r) {
    using C = ui::CommandContext;
    const QString file = QStringLiteral("&Fichier"), tools = QStringLiteral("&Outils");
    r.add({.id = "Trier",
           .menu = file,
           .position = 80,
           .caption = "&Trier",
           .hint = "Trier le fichier texte",
           .listGroup = 11,
           .run = sort});
    r.add({.id = "Fusionner",
           .menu = file,
           .position = 90,
           .caption = "F&usionner...",
           .hint = "Fusionner des fichiers",
           .listGroup = 17,
           .run = merge});
    r.add({.id = "Occupation",
           .menu = file,
           .position = 100,
           .caption = "Occup&ation fichiers",
           .hint = "Place réellement occupée par les fichiers",
           .separatorAfter = true,
           .run = showOccupation});
    r.add({.id = "Extraire",
           .menu = tools,
           .position = 30,
           .caption = "Extraire &texte...",
           .hint = "Extrait le texte d'un fichier",
           .listGroup = 19,
           .run = extract});
    r.add({.id = "Optimiser",
           .menu = tools,
           .position = 40,
           .caption = "Opti&miser disquettes",
           .hint = "Copie optimisant le remplissage des disquettes",
           .listGroup = 24,
           .run = optimise});
    r.add({.id = "EffIrreversible",
           .menu = tools,
           .position = 50,
           .caption = "&Effacement irréversible",
           .hint = "Effacer le fichier sans possibilité de récupérer",
           .listGroup = 25,
           .run = erase});
    r.add({.id = "Repertorier",
           .menu = tools,
           .position = 60,
           .caption = "Répertorier &support...",
           .hint = "Répertorier disquette/cd rom...",
           .separatorAfter = true,
           .run = listMedium});
    r.add({.id = "Crypter",
           .menu = tools,
           .position = 70,
           .caption = "&Crypter...",
           .hint = "Crypter fichiers",
           .listGroup = 15,
           .run = [](const C& c) { crypt(c, 1); }});
    r.add({.id = "Decrypter",
           .menu = tools,
           .position = 80,
           .caption = "&Décrypter...",
           .hint = "Décrypter fichiers",
           .separatorAfter = true,
           .listGroup = 16,
           .run = [](const C& c) { crypt(c, 2); }});
    r.add({.id = "Backup1",
           .menu = tools,
           .position = 90,
           .caption = "&Backup...",
           .hint = "Sauvegardfer fichiers",
           .run = backup});
    r.add({.id = "Restore1",
           .menu = tools,
           .position = 100,
           .caption = "&Restore...",
           .hint = "Restaurer fichiers",
           .separatorAfter = true,
           .run = restore});
    r.add({.id = "Decouper1",
           .menu = tools,
           .position = 110,
           .caption = "Déc&ouper...",
           .hint = "Decouper un fichier",
           .run = split});
    r.add({.id = "Recoller1",
           .menu = tools,
           .position = 120,
           .caption = "Reco&nstituer",
           .hint = "Reconstituer fichier",
           .run = join});
}

} // namespace transforms
