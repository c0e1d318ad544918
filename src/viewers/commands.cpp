#include "commands.h"
#include "ui/commands.h"

namespace viewers {

void registerCommands(ui::CommandRegistry& r) {
    // In its place in the menu; does nothing until the thumbnails are built.
    r.add({"Parcourir", "&Affichage", 70, "&Parcourir images", "F7", "Visualiser les images", false,
           9});
}

} // namespace viewers
