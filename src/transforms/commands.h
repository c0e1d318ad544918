#pragma once
// The file transforms' commands: what each does with the file manager's
// context, and their places in the menus.

namespace ui {
struct CommandContext;
class CommandRegistry;
} // namespace ui

namespace transforms {

void registerCommands(ui::CommandRegistry& registry);

void split(const ui::CommandContext& c);
void join(const ui::CommandContext& c);
void crypt(const ui::CommandContext& c, int mode); // 1 encrypt, 2 decrypt
void erase(const ui::CommandContext& c);
void optimise(const ui::CommandContext& c);
void extract(const ui::CommandContext& c);
void merge(const ui::CommandContext& c);
void sort(const ui::CommandContext& c);
void showOccupation(const ui::CommandContext& c);
void listMedium(const ui::CommandContext& c);
void backup(const ui::CommandContext& c);
void restore(const ui::CommandContext& c);

} // namespace transforms
