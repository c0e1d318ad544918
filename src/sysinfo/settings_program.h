#pragma once
// The desktop's settings program, started by "Panneau de configuration".

#include <QString>
#include <QStringList>

namespace sysinfo {

// The usual settings programs, the current desktop's first.
QStringList settingsPrograms(const QString& currentDesktop);
// The first of them found in `path` (the PATH's folders; the process's by
// default); empty when there is none.
QString settingsProgram(const QStringList& path = {});

} // namespace sysinfo
