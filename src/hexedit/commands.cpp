#include "commands.h"
#include "hex_editor_window.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"

namespace hexedit {

void editFile(const ui::CommandContext& c) {
    const QString path = c.oneFile();
    if (path.isEmpty()) return;
    HexEditorWindow window(c.parent);
    window.init(path);
    ui::runModal(&window);
}

void registerCommands(ui::CommandRegistry& r) {
    r.add({.id = "EditHex",
           .menu = "&Outils",
           .position = 10,
           .caption = "Editeur &hexa",
           .hint = "Editeur hexadécimal",
           .listGroup = 10,
           .run = editFile});
}

} // namespace hexedit
