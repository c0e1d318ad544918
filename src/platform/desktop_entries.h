#pragma once
// The desktop's associations: the default application of a file's MIME
// type (mimeapps.list, then the applications' own claims in mimeinfo.cache)
// and the command line a desktop entry gives for files.

#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

struct XdgDirs {
    QString configHome;
    QStringList configDirs;
    QString dataHome;
    QStringList dataDirs;
    QString desktop; // XDG_CURRENT_DESKTOP's first name, lower case
    static XdgDirs fromEnvironment();
};

// Whether a desktop entry can be started here; the default takes every one.
using EntryFilter = std::function<bool(const QString& desktopFile)>;

// The desktop entry (full path) chosen for a MIME type or, failing that,
// for one of its ancestors; empty when there is none. Entries the filter
// refuses are passed over for the next candidate.
QString defaultApplicationFor(const QStringList& mimeTypes, const XdgDirs& dirs,
                              const EntryFilter& usable = {});

// The same for a file, its type found by name and content.
QString associatedApplication(const QString& file, const XdgDirs& dirs = XdgDirs::fromEnvironment(),
                              const EntryFilter& usable = {});

// An entry with Terminal=true: a program that needs a terminal around it.
bool runsInTerminal(const QString& desktopFile);

// The command line that runs argv inside the desktop's terminal emulator
// (x-terminal-emulator, then $TERMINAL, then the usual ones), looked for
// in searchPath (empty: PATH); empty when there is none.
QStringList inTerminal(const QStringList& argv, const QStringList& searchPath = {});

// Whether an entry can be started here: one that needs a terminal only
// when there is a terminal emulator to run it in.
bool canStart(const QString& desktopFile, const QStringList& searchPath = {});

// The entry's Exec line with its field codes given the files: program
// first; the files appended when the line names none.
QStringList execArguments(const QString& desktopFile, const QStringList& files);

} // namespace platform
