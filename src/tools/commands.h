#pragma once
// The search and maintenance tools' commands: find files, find a string,
// compare, disk cleaner.

namespace ui {
struct CommandContext;
class CommandRegistry;
} // namespace ui

namespace tools {

void registerCommands(ui::CommandRegistry& registry);
// "Rechercher": opens the find window on the folder a tool is given and,
// when a file is chosen, shows its folder.
void findFiles(const ui::CommandContext& c);
// "Chercher chaîne": the selected files searched for a string.
void findString(const ui::CommandContext& c);
// "Comparer": the first two selected files compared line by line.
void compare(const ui::CommandContext& c);
// "Nettoyer": the disk cleaner, with the file manager's own extensions.
void clean(const ui::CommandContext& c);

} // namespace tools
