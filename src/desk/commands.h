#pragma once
// The desk utilities' commands (the notepad, a window of the main
// window's own, is registered by the shell).

namespace ui {
class CommandRegistry;
}

namespace desk {

void registerCommands(ui::CommandRegistry& registry);

} // namespace desk
