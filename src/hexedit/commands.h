#pragma once
// The hex editor's command.

namespace ui {
struct CommandContext;
class CommandRegistry;
} // namespace ui

namespace hexedit {

void registerCommands(ui::CommandRegistry& registry);
void editFile(const ui::CommandContext& c);

} // namespace hexedit
