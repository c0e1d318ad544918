#pragma once
// The servers the local network announces (Avahi's DNS-SD) for SFTP, SMB
// and WebDAV, asked of avahi-browse: a program, so that a daemon that does
// not answer is left behind at a time limit, and none is needed where
// Avahi is not installed.

#include <QByteArray>
#include <QString>
#include <vector>

namespace platform {

struct AnnouncedServer {
    QString name;    // as announced, with its kind: "nas (SFTP)"
    QString address; // what opens it: sftp://192.168.1.5/, smb://..., dav://...
};

// The servers of avahi-browse's parsable, resolved output ("=;" lines),
// each address once, IPv4 first; others lines are passed over.
std::vector<AnnouncedServer> parseAnnouncedServers(const QByteArray& browsed);

// The servers announced now; none where Avahi or its browser is missing,
// or nothing is announced within limitMs.
std::vector<AnnouncedServer> announcedServers(int limitMs = 3000);

} // namespace platform
