#include "applications.h"

#include "platform/small_files.h"
#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace sysinfo {

namespace {

struct DesktopEntry {
    QString name, frenchName, flatpak, snap;
    bool application = false, hidden = false;
};

DesktopEntry readEntry(const QString& path) {
    DesktopEntry e;
    bool main = false;
    for (const QByteArray& raw : platform::readSmallFile(path, qint64(1) << 20).split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            if (main) break; // only the [Desktop Entry] group counts
            main = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equal = line.indexOf('=');
        if (!main || equal < 0) continue;
        const QByteArray key = line.left(equal).trimmed();
        const QString value = QString::fromUtf8(line.mid(equal + 1).trimmed());
        if (key == "Name")
            e.name = value;
        else if (key == "Name[fr]")
            e.frenchName = value;
        else if (key == "Type")
            e.application = value == u"Application";
        else if (key == "Hidden")
            e.hidden = value == u"true";
        else if (key == "X-Flatpak")
            e.flatpak = value;
        else if (key == "X-SnapInstanceName")
            e.snap = value;
    }
    return e;
}

// The desktop entries' paths of every dpkg file list, to their package.
QHash<QString, QString> packageOwners(const QString& infoFolder) {
    QHash<QString, QString> owners;
    forEachPackagedPath(infoFolder, [&](const QString& package, QByteArrayView line) {
        if (line.endsWith(".desktop")) owners.insert(QString::fromUtf8(line), package);
    });
    return owners;
}

QStringList entriesIn(const QString& folder) {
    QStringList paths;
    QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << it.next();
    return paths;
}

void addEntry(QList<Application>& apps, const QString& path, const QString& command) {
    if (command.isEmpty()) return;
    const DesktopEntry e = readEntry(path);
    if (!e.application || e.hidden || e.name.isEmpty()) return;
    apps.append({e.frenchName.isEmpty() ? e.name : e.frenchName, command});
}

} // namespace

void forEachPackagedPath(
    const QString& infoFolder,
    const std::function<void(const QString& package, QByteArrayView path)>& each) {
    constexpr qint64 maxList = qint64(64) << 20; // far beyond any package's list
    QDirIterator it(infoFolder, {QStringLiteral("*.list")}, QDir::Files);
    QByteArray text; // one buffer for every list
    while (it.hasNext()) {
        // A link to a device or a FIFO is no file list: never read it.
        platform::readSmallFileInto(it.next(), maxList, text);
        const QString package = it.fileName().chopped(5);
        for (qsizetype from = 0; from < text.size();) {
            qsizetype end = text.indexOf('\n', from);
            if (end < 0) end = text.size();
            if (end > from) each(package, QByteArrayView(text).sliced(from, end - from));
            from = end + 1;
        }
    }
}

QList<Application> installedApplications(const ApplicationSources& s) {
    QList<Application> apps;
    const QString root = s.root.endsWith(u'/') ? s.root.chopped(1) : s.root;
    const QHash<QString, QString> owners =
        packageOwners(root + QStringLiteral("/var/lib/dpkg/info"));
    const QString system = root + QStringLiteral("/usr/share/applications");
    for (const QString& path : entriesIn(system)) {
        // dpkg records the path as installed, without our root.
        const QString installed = path.mid(root.size());
        const QString package = owners.value(installed);
        addEntry(apps, path,
                 package.isEmpty() ? QString() : QStringLiteral("apt-get remove ") + package);
    }
    QStringList flatpakFolders{root +
                               QStringLiteral("/var/lib/flatpak/exports/share/applications")};
    if (!s.home.isEmpty())
        flatpakFolders << s.home +
                              QStringLiteral("/.local/share/flatpak/exports/share/applications");
    for (const QString& folder : flatpakFolders)
        for (const QString& path : entriesIn(folder)) {
            const DesktopEntry e = readEntry(path);
            const QString id = e.flatpak.isEmpty() ? QFileInfo(path).completeBaseName() : e.flatpak;
            addEntry(apps, path, QStringLiteral("flatpak uninstall ") + id);
        }
    for (const QString& path :
         entriesIn(root + QStringLiteral("/var/lib/snapd/desktop/applications"))) {
        const DesktopEntry e = readEntry(path);
        const QString name =
            e.snap.isEmpty() ? QFileInfo(path).completeBaseName().section(u'_', 0, 0) : e.snap;
        addEntry(apps, path, QStringLiteral("snap remove ") + name);
    }
    // The user's own entries belong to no package: they cannot be removed that way.
    QCollator order{QLocale(QLocale::French, QLocale::France)};
    order.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(), [&](const Application& a, const Application& b) {
        return order.compare(a.name, b.name) < 0;
    });
    return apps;
}

QStringList applicationLines(const QList<Application>& apps) {
    QStringList lines;
    for (const Application& a : apps)
        lines << a.name + QStringLiteral("\t-> ") + a.command;
    return lines;
}

} // namespace sysinfo
