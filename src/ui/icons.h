#pragma once
// The icons the file manager shows; kept on the window side so that the
// platform layer and the engines need no graphics.

#include <QChar>
#include <QIcon>
#include <QString>

namespace ui {

QIcon driveIcon(QChar letter);
QIcon fileIcon(const QString& path);

} // namespace ui
