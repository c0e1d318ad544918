#pragma once
// The installed applications that can be removed, with the command that
// removes them: desktop entries owned by a Debian package, a Flatpak or a Snap.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace sysinfo {

struct Application {
    QString name;    // the entry's Name[fr], else Name
    QString command; // "apt-get remove PACKAGE", "flatpak uninstall ID", "snap remove NAME"
};

struct ApplicationSources {
    QString root = QStringLiteral("/"); // /usr/share, /var/lib/dpkg, /var/lib/flatpak, snapd
    QString home;                       // ~/.local/share (empty: none)
};

// In the order of their names, French rules, without regard to case.
QList<Application> installedApplications(const ApplicationSources& sources);

// Calls each with every line of every dpkg file list in infoFolder
// ("/var/lib/dpkg/info") and the list's package. Only regular files are
// read, each up to 64 MiB.
void forEachPackagedPath(
    const QString& infoFolder,
    const std::function<void(const QString& package, QByteArrayView path)>& each);

// "name\t-> command" lines.
QStringList applicationLines(const QList<Application>& apps);

} // namespace sysinfo
