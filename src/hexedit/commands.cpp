#include "commands.h"
#include "THexEdit.h"
#include "ui/ModalRunner.h"
#include "ui/commands.h"

namespace hexedit {

void editFile(const ui::CommandContext& c) {
    const QString path = c.oneFile();
    if (path.isEmpty()) return;
    THexEdit window(c.parent);
    window.Init(path);
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
