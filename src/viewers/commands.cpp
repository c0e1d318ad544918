#include "commands.h"
#include "dbase_window.h"
#include "picture_reader.h"
#include "thumbnails_window.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"

namespace viewers {

void showTable(const QString& path, QWidget* parent) {
    DbaseWindow window(parent);
    window.init(path);
    ui::runModal(&window);
}

// Every picture of the list, selected or not, in list order.
void browsePictures(const ui::CommandContext& c) {
    QStringList pictures;
    if (c.listedPaths)
        for (const QString& path : c.listedPaths())
            if (isPictureName(path)) pictures << path;
    ThumbnailsWindow window(c.parent);
    window.init(pictures);
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
