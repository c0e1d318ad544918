#include "commands.h"
#include "TDbase.h"
#include "ui/ModalRunner.h"
#include "ui/commands.h"

namespace viewers {

void showTable(const QString& path, QWidget* parent) {
    TDbase window(parent);
    window.Init(path);
    ui::runModal(&window);
}

void registerCommands(ui::CommandRegistry& r) {
    r.addViewer(QStringLiteral(".DBF"), showTable);
    // In its place in the menu; does nothing until the thumbnails are built.
    r.add({"Parcourir", "&Affichage", 70, "&Parcourir images", "F7", "Visualiser les images", false,
           9});
}

} // namespace viewers
