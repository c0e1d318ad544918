#pragma once
// The file manager's own commands and the toolbar's buttons.

namespace ui {
class CommandRegistry;
}

namespace filemanager {

void registerCommands(ui::CommandRegistry& registry);

} // namespace filemanager
