#include "settings_program.h"

#include <QStandardPaths>

namespace sysinfo {

QStringList settingsPrograms(const QString& currentDesktop) {
    struct Desktop {
        const char* name;
        QStringList programs;
    };
    const Desktop desktops[] = {
        {"GNOME", {"gnome-control-center"}},  {"KDE", {"systemsettings", "systemsettings5"}},
        {"XFCE", {"xfce4-settings-manager"}}, {"LXQT", {"lxqt-config"}},
        {"MATE", {"mate-control-center"}},    {"X-CINNAMON", {"cinnamon-settings"}},
    };
    QStringList first, rest;
    const QStringList current = currentDesktop.toUpper().split(u':');
    for (const Desktop& d : desktops)
        (current.contains(QString::fromLatin1(d.name)) ? first : rest) << d.programs;
    return first + rest;
}

QString settingsProgram(const QStringList& path) {
    for (const QString& name : settingsPrograms(qEnvironmentVariable("XDG_CURRENT_DESKTOP"))) {
        const QString found = QStandardPaths::findExecutable(name, path);
        if (!found.isEmpty()) return found;
    }
    return {};
}

} // namespace sysinfo
