#pragma once
// The viewers' commands: thumbnails and pictures, dBase tables.

#include <QString>

class QWidget;

namespace ui {
class CommandRegistry;
}

namespace viewers {

void registerCommands(ui::CommandRegistry& registry);
// Opens the dBase table window on a table, modally.
void showTable(const QString& path, QWidget* parent);

} // namespace viewers
