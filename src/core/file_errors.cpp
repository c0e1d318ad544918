#include "file_errors.h"
#include "errors.h"

namespace core {

namespace {

QString notAFile(const QString& name) {
    return QStringLiteral("%1 n'est pas un fichier ordinaire").arg(name);
}

QString named(int number, const QString& name) {
    return InOutError::textFor(number) + QStringLiteral(" : ") + name;
}

} // namespace

QString noAnswerText() {
    return QStringLiteral("Le serveur ne répond pas");
}

QString fileErrorText(int code, FileUse use, const QString& name) {
    if (code == errNoAnswer)
        return name.isEmpty() ? noAnswerText() : noAnswerText() + QStringLiteral(" : ") + name;
    switch (use) {
    case FileUse::Read:
        switch (code) {
        case errNotRegular:
            return notAFile(name);
        case errFileNotFound:
        case errPathNotFound:
            return named(2, name);
        case errAccessDenied:
            return named(5, name);
        default:
            return QStringLiteral("Ne peut pas lire le fichier %1").arg(name);
        }
    case FileUse::Write:
        switch (code) {
        case errNotRegular:
            return notAFile(name);
        case errDiskFull:
            return named(101, name);
        case errAccessDenied:
            return named(5, name);
        case errFileNotFound:
        case errPathNotFound:
            return named(3, name);
        default:
            return QStringLiteral("Ne peut pas écrire %1").arg(name);
        }
    case FileUse::Entry:
        switch (code) {
        case errFileExists:
        case errAlreadyExists:
            return QStringLiteral("Existe déjà : ") + name;
        case errDiskFull:
            return named(101, name);
        case errFileNotFound:
        case errPathNotFound:
            return named(3, name);
        case errSameEntry:
            return QStringLiteral("Destination doit être différente de la source : ") + name;
        default:
            return named(5, name);
        }
    case FileUse::Restore:
        switch (code) {
        case errDiskFull:
            return InOutError::textFor(101);
        case errFileNotFound:
        case errPathNotFound:
            return InOutError::textFor(3);
        case errAccessDenied:
            return InOutError::textFor(5);
        default:
            return InOutError::textFor(code);
        }
    }
    return InOutError::textFor(code);
}

int enterFolderErrorNumber(int code) {
    return code == errAccessDenied ? 5 : 3;
}

} // namespace core
