#include "commands.h"
#include "cleaner_dialog.h"
#include "compare_window.h"
#include "find_files_window.h"
#include "find_text_window.h"

#include "ui/commands.h"
#include "ui/modal_runner.h"
#include <QFileInfo>

namespace tools {

void findFiles(const ui::CommandContext& c) {
    FindFilesWindow dialog(c.parent);
    dialog.init(c.toolFolder.isEmpty() ? c.currentFolder : c.toolFolder);
    ui::runModal(&dialog);
    const QString chosen = dialog.chosenPath();
    if (chosen.isEmpty() || !c.goTo) return;
    c.goTo(chosen.left(chosen.lastIndexOf(u'/') + 1));
}

void findString(const ui::CommandContext& c) {
    QStringList names;
    for (const QString& path : c.selection)
        names << QFileInfo(path).fileName();
    FindTextWindow dialog(c.parent);
    dialog.init(names, c.selection);
    ui::runModal(&dialog);
}

void compare(const ui::CommandContext& c) {
    // The first selected row from the top and the next one below it.
    CompareWindow window(c.parent);
    window.setFolder(c.currentFolder);
    window.init(c.selection.value(0), c.selection.value(1));
    ui::runModal(&window);
}

void clean(const ui::CommandContext& c) {
    CleanerDialog dialog(c.parent);
    dialog.init(c.cleanExtensions);
    ui::runModal(&dialog);
    if (!c.keepCleanExtensions) return;
    QStringList kept;
    dialog.saveExtensions(kept);
    c.keepCleanExtensions(kept);
}

void registerCommands(ui::CommandRegistry& r) {
    r.add({.id = "Rechercher",
           .menu = "&Fichier",
           .position = 60,
           .caption = "Re&chercher...",
           .hint = "Rechercher fichiers",
           .run = findFiles});
    r.add({.id = "Comparer",
           .menu = "&Fichier",
           .position = 70,
           .caption = "&Comparer...",
           .hint = "Comparer fichiers",
           .run = compare});
    r.add({.id = "Chercher",
           .menu = "&Edition",
           .position = 70,
           .caption = "&Chercher chaîne...",
           .hint = "Chercher chaîne dans fichiers sélectionnés",
           .listGroup = 22,
           .run = findString});
    r.add({.id = "Nettoyer",
           .menu = "&Outils",
           .position = 20,
           .caption = "&Nettoyer disque...",
           .hint = "Nettoyer le disque",
           .run = clean});
}

} // namespace tools
