#pragma once
// The viewers' commands: thumbnails and pictures, dBase tables.

namespace ui {
class CommandRegistry;
}

namespace viewers {

void registerCommands(ui::CommandRegistry& registry);

} // namespace viewers
