#include "desktop_entries.h"
#include "small_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

QStringList pathList(const char* variable, const QStringList& fallback) {
    const QString value = qEnvironmentVariable(variable);
    QStringList dirs = value.split(u':', Qt::SkipEmptyParts);
    return dirs.isEmpty() ? fallback : dirs;
}

// The values of `key` in the [group] of a key file, split at ";".
QStringList groupList(const QString& path, const QString& group, const QString& key) {
    bool inGroup = false;
    const QString header = u'[' + group + u']';
    for (const QByteArray& bytes : readSmallFile(path, qint64(4) << 20).split('\n')) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == header;
            continue;
        }
        const qsizetype equal = line.indexOf(u'=');
        if (inGroup && equal > 0 && line.left(equal).trimmed() == key)
            return line.mid(equal + 1).split(u';', Qt::SkipEmptyParts);
    }
    return {};
}

QStringList applicationDirs(const XdgDirs& d) {
    QStringList dirs{d.dataHome + QStringLiteral("/applications")};
    for (const QString& data : d.dataDirs)
        dirs << data + QStringLiteral("/applications");
    return dirs;
}

// Where a desktop entry of that id is installed ("kde-foo.desktop" may
// also be kde/foo.desktop).
QString desktopFile(const QString& id, const XdgDirs& d) {
    for (const QString& dir : applicationDirs(d)) {
        const QString direct = dir + u'/' + id;
        if (QFileInfo(direct).isFile()) return direct;
        const QString nested = dir + u'/' + QString(id).replace(u'-', u'/');
        if (QFileInfo(nested).isFile()) return nested;
    }
    return {};
}

QStringList mimeappsFiles(const XdgDirs& d) {
    QStringList folders{d.configHome};
    folders << d.configDirs;
    folders << d.dataHome + QStringLiteral("/applications");
    for (const QString& data : d.dataDirs)
        folders << data + QStringLiteral("/applications");
    QStringList files;
    for (const QString& folder : folders) {
        if (!d.desktop.isEmpty())
            files << folder + u'/' + d.desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    }
    return files;
}

QString firstInstalled(const QStringList& ids, const XdgDirs& d, const EntryFilter& usable) {
    for (const QString& id : ids) {
        const QString path = desktopFile(id.trimmed(), d);
        if (!path.isEmpty() && (!usable || usable(path))) return path;
    }
    return {};
}

QString chosenFor(const QString& mime, const XdgDirs& d, const EntryFilter& usable) {
    const QStringList lists = mimeappsFiles(d);
    for (const QString& group :
         {QStringLiteral("Default Applications"), QStringLiteral("Added Associations")})
        for (const QString& list : lists) {
            const QString found = firstInstalled(groupList(list, group, mime), d, usable);
            if (!found.isEmpty()) return found;
        }
    for (const QString& dir : applicationDirs(d)) {
        const QString found = firstInstalled(
            groupList(dir + QStringLiteral("/mimeinfo.cache"), QStringLiteral("MIME Cache"), mime),
            d, usable);
        if (!found.isEmpty()) return found;
    }
    return {};
}

} // namespace

XdgDirs XdgDirs::fromEnvironment() {
    XdgDirs d;
    const QString home = QDir::homePath();
    d.configHome = qEnvironmentVariable("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    d.configDirs = pathList("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
    d.dataHome = qEnvironmentVariable("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    d.dataDirs = pathList("XDG_DATA_DIRS",
                          {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    d.desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").section(u':', 0, 0).toLower();
    return d;
}

QString defaultApplicationFor(const QStringList& mimeTypes, const XdgDirs& dirs,
                              const EntryFilter& usable) {
    for (const QString& mime : mimeTypes) {
        const QString found = chosenFor(mime, dirs, usable);
        if (!found.isEmpty()) return found;
    }
    return {};
}

QString associatedApplication(const QString& file, const XdgDirs& dirs, const EntryFilter& usable) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    if (!type.isValid()) return {};
    QStringList names{type.name()};
    names << type.aliases() << type.allAncestors();
    return defaultApplicationFor(names, dirs, usable);
}

bool runsInTerminal(const QString& desktopFile) {
    return groupList(desktopFile, QStringLiteral("Desktop Entry"), QStringLiteral("Terminal"))
               .join(u';')
               .trimmed() == u"true";
}

QStringList inTerminal(const QStringList& argv, const QStringList& searchPath) {
    QStringList names{QStringLiteral("x-terminal-emulator")};
    const QString chosen = qEnvironmentVariable("TERMINAL");
    if (!chosen.isEmpty()) names << chosen;
    names << QStringList{QStringLiteral("gnome-terminal"), QStringLiteral("konsole"),
                         QStringLiteral("xfce4-terminal"), QStringLiteral("mate-terminal"),
                         QStringLiteral("lxterminal"),     QStringLiteral("qterminal"),
                         QStringLiteral("tilix"),          QStringLiteral("terminator"),
                         QStringLiteral("alacritty"),      QStringLiteral("kitty"),
                         QStringLiteral("xterm")};
    for (const QString& name : names) {
        const QString found = QStandardPaths::findExecutable(name, searchPath);
        if (found.isEmpty()) continue;
        // How each takes the program to run: the rest of its arguments.
        const QString base = QFileInfo(name).fileName();
        const QString marker = base == u"gnome-terminal"   ? QStringLiteral("--")
                               : base == u"xfce4-terminal" ? QStringLiteral("-x")
                                                           : QStringLiteral("-e");
        return QStringList{found, marker} + argv;
    }
    return {};
}

QStringList execArguments(const QString& desktopFile, const QStringList& files) {
    const QStringList exec =
        groupList(desktopFile, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
    const QStringList words = QProcess::splitCommand(exec.join(u';'));
    QStringList argv;
    bool named = false;
    for (const QString& word : words) {
        if (word == u"%f" || word == u"%u") {
            if (!files.isEmpty()) argv << files.first();
            named = true;
        } else if (word == u"%F" || word == u"%U") {
            argv << files;
            named = true;
        } else if (word == u"%k") {
            argv << desktopFile;
        } else if (word.size() == 2 && word[0] == u'%') {
            // %i, %c and the deprecated codes: nothing.
        } else {
            argv << QString(word).replace(QStringLiteral("%%"), QStringLiteral("%"));
        }
    }
    if (!named && !argv.isEmpty()) argv << files;
    return argv;
}

bool canStart(const QString& desktopFile, const QStringList& searchPath) {
    return !runsInTerminal(desktopFile) || !inTerminal({}, searchPath).isEmpty();
}

} // namespace platform
