#pragma once
// The system information commands: drive facts, format and volume label,
// and the entries of the "Système" menu.

namespace ui {
struct CommandContext;
class CommandRegistry;
} // namespace ui

namespace sysinfo {

void registerCommands(ui::CommandRegistry& registry);
void showDiskInfo(const ui::CommandContext& c);
void format(const ui::CommandContext& c);
void nameVolume(const ui::CommandContext& c);

} // namespace sysinfo
