#pragma once
// The desktop's associations: the default application of a file's MIME
// type (mimeapps.list, then the applications' own claims in mimeinfo.cache)
// and the command line a desktop entry gives for files.

#include <QString>
#include <QStringList>

namespace platform {

struct XdgDirs {
    QString configHome;
    QStringList configDirs;
    QString dataHome;
    QStringList dataDirs;
    QString desktop; // XDG_CURRENT_DESKTOP's first name, lower case
    static XdgDirs fromEnvironment();
};

// The desktop entry (full path) chosen for a MIME type or, failing that,
// for one of its ancestors; empty when there is none.
QString defaultApplicationFor(const QStringList& mimeTypes, const XdgDirs& dirs);

// The same for a file, its type found by name and content.
QString associatedApplication(const QString& file,
                              const XdgDirs& dirs = XdgDirs::fromEnvironment());

// The entry's Exec line with its field codes given the files: program
// first; the files appended when the line names none.
QStringList execArguments(const QString& desktopFile, const QStringList& files);

} // namespace platform
