#include "commands.h"
#include "TDbase.h"
#include "TVignettes.h"
#include "picture_reader.h"
#include "ui/ModalRunner.h"
#include "ui/commands.h"

namespace viewers {

void showTable(const QString& path, QWidget* parent) {
    TDbase window(parent);
    window.Init(path);
    ui::runModal(&window);
}

// Every picture of the list, selected or not, in list order.
void browsePictures(const ui::CommandContext& c) {
    QStringList pictures;
    if (c.listedPaths)
        for (const QString& path : c.listedPaths())
            if (isPictureName(path)) pictures << path;
    TVignettes window(c.parent);
    window.Init(pictures);
    ui::runModal(&window);
}

void registerCommands(ui::CommandRegistry& r) {
    r.addViewer(QStringLiteral(".DBF"), showTable);
    r.add({.id = "Parcourir",
           .menu = "&Affichage",
           .position = 70,
           .caption = "&Parcourir images",
           .shortcut = "F7",
           .hint = "Visualiser les images",
           .listGroup = 9,
           .run = browsePictures});
}

} // namespace viewers
