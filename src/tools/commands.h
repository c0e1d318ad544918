#pragma once
// The search and maintenance tools' commands: find files, find a string,
// compare, disk cleaner.

namespace ui {
class CommandRegistry;
}

namespace tools {

void registerCommands(ui::CommandRegistry& registry);

} // namespace tools
