#pragma once
// The icons the file manager shows; kept on the window side so that the
// platform layer and the engines need no graphics.

#include <QChar>
#include <QIcon>
#include <QString>

namespace ui {

QIcon driveIcon(QChar letter);
QIcon fileIcon(const QString& path);
// The picture of a folder, a device, a FIFO or a socket.
enum class SpecialIcon { Folder, Device, Fifo, Socket };
QIcon specialIcon(SpecialIcon kind);
// A toolbar action's icon by its theme name (edit-cut, edit-copy,
// edit-paste, document-new, document-open, go-previous, go-next): the
// desktop theme's, else a drawn picture of the same meaning.
QIcon actionIcon(const QString& themeName);

} // namespace ui
