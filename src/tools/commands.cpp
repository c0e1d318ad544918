#include "commands.h"
#include "TFindfile.h"
#include "ui/ModalRunner.h"
#include "ui/commands.h"

namespace tools {

void findFiles(const ui::CommandContext& c) {
    TFindfile dialog(c.parent);
    dialog.Init(c.toolFolder.isEmpty() ? c.currentFolder : c.toolFolder);
    ui::runModal(&dialog);
    const QString chosen = dialog.Result();
    if (chosen.isEmpty() || !c.goTo) return;
    c.goTo(chosen.left(chosen.lastIndexOf(u'/') + 1));
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
    // In their places in the menus; each does nothing until its tool is built.
    r.add({"Comparer", "&Fichier", 70, "&Comparer...", {}, "Comparer fichiers"});
    r.add({"Chercher",
           "&Edition",
           70,
           "&Chercher chaîne...",
           {},
           "Chercher chaîne dans fichiers sélectionnés",
           false,
           22});
    r.add({"Nettoyer", "&Outils", 20, "&Nettoyer disque...", {}, "Nettoyer le disque"});
}

} // namespace tools
