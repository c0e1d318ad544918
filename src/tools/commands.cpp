#include "commands.h"
#include "TFilecomp.h"
#include "TFindStr.h"
#include "TFindfile.h"
#include "TNettoie.h"

#include "ui/ModalRunner.h"
#include "ui/commands.h"
#include <QFileInfo>

namespace tools {

void findFiles(const ui::CommandContext& c) {
    TFindfile dialog(c.parent);
    dialog.Init(c.toolFolder.isEmpty() ? c.currentFolder : c.toolFolder);
    ui::runModal(&dialog);
    const QString chosen = dialog.Result();
    if (chosen.isEmpty() || !c.goTo) return;
    c.goTo(chosen.left(chosen.lastIndexOf(u'/') + 1));
}

void findString(const ui::CommandContext& c) {
    QStringList names;
    for (const QString& path : c.selection)
        names << QFileInfo(path).fileName();
    TFindStr dialog(c.parent);
    dialog.Init(names, c.selection);
    ui::runModal(&dialog);
}

void compare(const ui::CommandContext& c) {
    // The first selected row from the top and the next one below it.
    TFilecomp window(c.parent);
    window.Init(c.selection.value(0), c.selection.value(1));
    ui::runModal(&window);
}

void clean(const ui::CommandContext& c) {
    TNettoie dialog(c.parent);
    if (c.cleanList) dialog.Init(*c.cleanList);
    ui::runModal(&dialog);
    if (c.cleanList) dialog.Result(*c.cleanList);
}

void registerCommands(ui::CommandRegistry& r) {
    r.add({"Rechercher",
           "&Fichier",
           60,
           "Re&chercher...",
           {},
           "Rechercher fichiers",
           false,
           -1,
           false,
           false,
           {},
           findFiles});
    r.add({"Comparer", "&Fichier", 70, "&Comparer...", {}, "Comparer fichiers"});
    r.add({"Chercher",
           "&Edition",
           70,
           "&Chercher chaîne...",
           {},
           "Chercher chaîne dans fichiers sélectionnés",
           false,
           22});
    r.add({"Nettoyer",
           "&Outils",
           20,
           "&Nettoyer disque...",
           {},
           "Nettoyer le disque",
           false,
           -1,
           false,
           false,
           {},
           clean});
}

} // namespace tools
