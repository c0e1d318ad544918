#include "commands.h"
#include "ui/commands.h"

namespace tools {

void registerCommands(ui::CommandRegistry& r) {
    // In their places in the menus; each does nothing until its tool is built.
    r.add({"Rechercher", "&Fichier", 60, "Re&chercher...", {}, "Rechercher fichiers"});
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
