#include "commands.h"
#include "file_manager_view.h"
#include "platform/platform.h"
#include "ui/commands.h"

#include <type_traits>

namespace filemanager {

namespace {

using C = ui::CommandContext;

// The file manager that made the context (its parent), if a file manager did.
FileManagerView* fileManagerOf(const C& ctx) {
    return qobject_cast<FileManagerView*>(ctx.parent);
}

// Runs one of the file manager's operations: of its view (listing, order,
// navigation) or of its commands on the files.
template <class Owner> ui::CommandAction call(void (Owner::*operation)()) {
    return [operation](const C& ctx) {
        FileManagerView* tool = fileManagerOf(ctx);
        if (!tool) return;
        if constexpr (std::is_same_v<Owner, FileCommands>)
            (tool->commands().*operation)();
        else
            (tool->*operation)();
    };
}

// A command that is one of the file manager's operations.
template <class Owner>
ui::Command op(const char* id, const QString& menu, int position, const char* caption,
               const char* shortcut, const char* hint, void (Owner::*operation)(),
               int listGroup = -1, bool separatorAfter = false) {
    return {.id = QString::fromLatin1(id),
            .menu = menu,
            .position = position,
            .caption = QString::fromUtf8(caption),
            .shortcut = QString::fromLatin1(shortcut),
            .hint = QString::fromUtf8(hint),
            .separatorAfter = separatorAfter,
            .listGroup = listGroup,
            .run = call(operation)};
}

void registerFileEntries(ui::CommandRegistry& r) {
    const QString file = QStringLiteral("&Fichier"), create = QStringLiteral("&Fichier/&Nouveau");
    r.addMenu(create, 10, QStringLiteral("Nouveau fichier"), 12);
    r.add(op("Nouveau", create, 10, "Nouveau &texte", "", "Nouveau texte", &FileCommands::newText,
             20));
    r.add(op("NouveauDossier", create, 20, "Nouveau &dossier", "", "Nouveau dossier",
             &FileCommands::newFolder, 21));
    r.add(op("Ouvrirtexte", file, 20, "&Ouvrir", "Ctrl+O", "Ouvrir un fichier",
             &FileCommands::openAsText, 0, true));
    r.add(op("Modif", file, 30, "&Renommer...", "F2", "Renommer fichier",
             &FileCommands::renameSelected, 2));
    r.add(op("Fixer", file, 40, "Fixer les &attributs...", "", "Fixer les attributs",
             &FileCommands::setAttributes, 23));
    r.add(op("chCasse", file, 50, "C&hanger la casse...", "",
             "Changer les casse des noms de fichiers", &FileCommands::changeCase, 18));
    r.add(op("Imprimer", file, 120, "&Imprimer", "", "imprimer fichier",
             &FileCommands::printSelection, 26, true));
    r.add(op("Attributs", file, 150, "&Propriétés", "", "Propriétés du fichier",
             &FileCommands::showProperties, 7, true));
    // Shares of other computers, after the volume's name.
    r.add(op("ConnecterServeur", file, 142, "Connecter un ser&veur...", "",
             "Ouvrir un dossier partagé d'un autre ordinateur", &FileCommands::connectServer));
    ui::Command disconnect =
        op("DeconnecterServeur", file, 144, "Déconnecter le serveur", "",
           "Fermer le partage réseau choisi", &FileCommands::disconnectServer, -1, true);
    disconnect.available = [](const C& ctx) {
        const FileManagerView* view = fileManagerOf(ctx);
        return view && platform::Platform::instance().onNetworkVolume(view->chosenFolder());
    };
    r.add(std::move(disconnect));
}

void registerEditEntries(ui::CommandRegistry& r) {
    const QString edit = QStringLiteral("&Edition");
    r.add(op("Efface1", edit, 10, "&Supprimer", "Del", "Supprimer fichiers",
             &FileCommands::deleteSelection, 1, true));
    ui::Command cut =
        op("Couper1", edit, 20, "Co&uper", "Ctrl+X", "Couper", &FileCommands::cutSelection, 3);
    ui::Command copy =
        op("Copier1", edit, 30, "C&opier", "Ctrl+C", "Copier", &FileCommands::copySelection, 4);
    cut.enables = copy.enables = QStringLiteral("CopyMove");
    r.add(cut);
    r.add(copy);
    r.add(op("CopyMove", edit, 40, "Co&ller", "Ctrl+V", "Coller", &FileCommands::pasteClipboard, -1,
             true));
    r.add(op("SelectAll", edit, 50, "Sélectionner &tout", "Ctrl+A", "Sélectionner tout",
             &FileManagerView::selectAll, 5));
    r.add(op("Inverse", edit, 60, "&Inverser la sélection", "", "Inverser la sélection",
             &FileManagerView::invertSelection, 6, true));
}

void registerViewEntries(ui::CommandRegistry& r) {
    const QString view = QStringLiteral("&Affichage"),
                  sort = QStringLiteral("&Affichage/&Trier liste");
    r.add(op("LitRepert", view, 10, "&Actualiser", "", "Actualiser l'affichage",
             &FileManagerView::readFolder));
    const struct {
        const char *id, *caption, *hint;
        int style;
    } styles[] = {{"PetitesIcones", "&Petites icônes", "Vue petites icônes", 1},
                  {"Liste", "&Liste", "Vue liste", 2},
                  {"Details", "&Détails", "Vue détails", 3}};
    for (const auto& s : styles)
        r.add({.id = QString::fromLatin1(s.id),
               .menu = view,
               .position = 10 + 10 * s.style,
               .caption = QString::fromUtf8(s.caption),
               .hint = QString::fromUtf8(s.hint),
               .checkable = true,
               .checked = s.style == 3,
               .run = [style = s.style](const C& ctx) {
                   if (FileManagerView* tool = fileManagerOf(ctx)) tool->setListStyle(style);
               }});
    r.add(op("Filtre1", view, 50, "F&iltre...", "", "Filtre", &FileManagerView::chooseFilter));
    r.addMenu(sort, 60, QStringLiteral("Trier la liste"), -1, true);
    r.add(op("TriNom", sort, 10, "&Nom", "", "Tri par nom", &FileManagerView::sortByName));
    r.add(op("TriTaille", sort, 20, "&Taille", "", "Tri par taille", &FileManagerView::sortBySize));
    r.add(op("TriDate", sort, 30, "&Date", "", "Tri par date", &FileManagerView::sortByDate));
    r.add(op("TriExt", sort, 40, "&Extension", "", "Tri par extension",
             &FileManagerView::sortByExtension));
    r.add(op("Voir", view, 80, "&Voir fichier                             Entrée", "",
             "visualiser le fichier", &FileManagerView::openSelected, 13));
    r.add(op("LanceApp", view, 90, "&Lancer app. associée      Ctrl+Entrée", "",
             "Ouvre le fichier avec l'applicarion associée", &FileCommands::openWithApplication));
    r.add(op("OuvrirCommeTexte", view, 100, "&Ouvrir en tant que texte", "F9",
             "Ouvrir comme un fichier texte", &FileCommands::openAsText));
}

void registerToolbar(ui::CommandRegistry& r) {
    r.add(op("HistoPrec", {}, 0, "", "", "", &FileManagerView::historyBack));
    r.add(op("HistoSuiv", {}, 0, "", "", "", &FileManagerView::historyForward));
    r.add(ui::ToolButton{10, "Nouveau", "document-new", "Nouveau"});
    r.add(ui::ToolButton{20, "Ouvrir", "document-open", "Ouvrirtexte", true, 8});
    r.add(ui::ToolButton{30, "Couper", "edit-cut", "Couper1", false, -1, true});
    r.add(ui::ToolButton{40, "Copier", "edit-copy", "Copier1", false, -1, true});
    r.add(ui::ToolButton{50, "Coller", "edit-paste", "CopyMove", true});
    r.add(ui::ToolButton{60, "Précédent", "go-previous", "HistoPrec"});
    r.add(ui::ToolButton{70, "Suivant", "go-next", "HistoSuiv"});
}

} // namespace

void registerCommands(ui::CommandRegistry& r) {
    registerFileEntries(r);
    registerEditEntries(r);
    registerViewEntries(r);
    registerToolbar(r);
}

} // namespace filemanager
