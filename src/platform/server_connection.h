#pragma once
// Shares of other computers opened and closed through the desktop's own
// network engine (GVfs, reached through GIO): the share then shows as a
// folder of the desktop's FUSE mount, a network volume like any other.

#include <QString>
#include <QStringList>
#include <functional>

namespace core {
class Job;
}

namespace platform {

// What the server asks while a share is opened; each answers false when
// the user gives up.
struct ConnectionQuestions {
    // The name, domain and password asked for (`ask*` tell which are asked);
    // `remember` answers whether the password is kept for the session.
    std::function<bool(const QString& message, bool askUser, bool askDomain, bool askPassword,
                       QString& user, QString& domain, QString& password, bool& remember)>
        credentials;
    // One of the choices (a host key to trust, say): its index, -1 to give up.
    std::function<int(const QString& message, const QStringList& choices)> choose;
    // Whether a share still used by programs (their names) is closed anyway.
    std::function<bool(const QStringList& programs)> closeInUse;
};

struct ConnectionResult {
    QString folder; // where the share shows, when it is open
    QString error;  // why not, in the user's words; empty when it worked
    bool stopped = false;
};

// Why the desktop's network engine cannot open shares here, in the user's
// words (not installed, or no desktop session to run it); empty when it can.
QString desktopNetworkMissing();

// Opens the share at address (sftp://user@host/path, smb://host/share,
// dav://host/path); the job stops it.
ConnectionResult connectServer(const QString& address, const ConnectionQuestions& questions,
                               core::Job& job);

// Closes the share that folder lies on; questions.closeInUse is asked when
// programs still use it.
ConnectionResult disconnectServer(const QString& folder, const ConnectionQuestions& questions,
                                  core::Job& job);

} // namespace platform
