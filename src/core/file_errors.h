#pragma once
// The codes a failed file operation answers, and their French texts: the
// one place a code becomes what the user reads.

#include <QString>

namespace core {

// Error codes left by a failed file operation (the usual numbering).
enum FileError : int {
    errNone = 0,
    errFileNotFound = 2,
    errPathNotFound = 3,
    errAccessDenied = 5,
    errNotReady = 21,
    errDiskFull = 112,
    errFileExists = 80,
    errDirNotEmpty = 145,
    errAlreadyExists = 183,
    errGeneric = 1117,
    errNotRegular = 2001, // a device, pipe, socket or folder where a file is wanted
    errCancelled = 2002,  // stopped at the user's request
    errSameEntry = 2003,  // the target is the source itself (the same device and inode)
    errNoAnswer = 2004,   // a network volume's server did not answer in time
    errChanged = 2005,    // the entry is no longer the file that was looked at
};

// What was being done with the file when it failed: the same code reads
// differently for a file read, a file written and an entry of a folder.
enum class FileUse { Read, Write, Entry, Restore };

// "Le serveur ne répond pas".
QString noAnswerText();

// The text of `code` for `use`, naming `name` where the text does.
QString fileErrorText(int code, FileUse use, const QString& name = {});

// The numbered input/output error (see InOutError) a folder that cannot be
// entered raises: access refused, or a name that leads nowhere.
int enterFolderErrorNumber(int code);

} // namespace core
