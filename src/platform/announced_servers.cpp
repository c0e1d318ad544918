#include "announced_servers.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <memory>

namespace platform {

namespace {

struct Service {
    const char* type;
    const char* scheme;
    const char* kind;
    int defaultPort;
};

constexpr Service kServices[] = {
    {"_sftp-ssh._tcp", "sftp", "SFTP", 22},
    {"_smb._tcp", "smb", "SMB", 445},
    {"_webdav._tcp", "dav", "WebDAV", 80},
    {"_webdavs._tcp", "davs", "WebDAV", 443},
};

// avahi-browse writes a byte outside letters and digits as \DDD (decimal)
// in names, and a backslash or a dot it keeps as \\ and \. .
QString unescaped(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 >= field.size()) {
            out += field[i];
            continue;
        }
        if (i + 3 < field.size() && std::isdigit(uchar(field[i + 1])) &&
            std::isdigit(uchar(field[i + 2])) && std::isdigit(uchar(field[i + 3]))) {
            const int code = field.mid(i + 1, 3).toInt();
            if (code < 256) {
                out += char(code);
                i += 3;
                continue;
            }
        }
        out += field[++i];
    }
    return QString::fromUtf8(out);
}

// The value of key in a TXT record as avahi-browse prints it: "k=v" "k2=v2".
QString txtValue(const QByteArray& txt, const QByteArray& key) {
    for (QByteArray part : txt.split('"')) {
        part = part.trimmed();
        if (part.startsWith(QByteArray(key + '=')))
            return QString::fromUtf8(part.mid(key.size() + 1));
    }
    return {};
}

} // namespace

std::vector<AnnouncedServer> parseAnnouncedServers(const QByteArray& browsed) {
    struct Found {
        AnnouncedServer server;
        bool ipv4;
    };
    std::vector<Found> found;
    for (const QByteArray& line : browsed.split('\n')) {
        // =;interface;protocol;name;type;domain;host;address;port;txt
        const QList<QByteArray> f = line.split(';');
        if (f.size() < 9 || f[0] != "=") continue;
        const Service* service = nullptr;
        for (const Service& s : kServices)
            if (f[4] == s.type) service = &s;
        if (!service) continue;
        const bool ipv4 = f[2] == "IPv4";
        QString host = QString::fromLatin1(f[7]);
        bool portOk = false;
        const int port = f[8].toInt(&portOk);
        if (host.isEmpty() || !portOk || port <= 0 || port > 65535) continue;
        // A link-local IPv6 address needs its interface, which an address
        // cannot carry to every program: such a server is reached by IPv4.
        if (!ipv4) {
            if (host.startsWith(u"fe80", Qt::CaseInsensitive)) continue;
            host = u'[' + host + u']';
        }
        QUrl url;
        url.setScheme(QLatin1String(service->scheme));
        url.setHost(host, QUrl::TolerantMode);
        if (port != service->defaultPort) url.setPort(port);
        QString path = f.size() > 9 ? txtValue(f.mid(9).join(';'), "path") : QString();
        if (!path.startsWith(u'/')) path.prepend(u'/');
        url.setPath(path);
        if (!url.isValid() || url.host().isEmpty()) continue;
        const QString name =
            QStringLiteral("%1 (%2)").arg(unescaped(f[3]), QLatin1String(service->kind));
        found.push_back({{name, url.toString()}, ipv4});
    }
    // Each server once (by name), by its IPv4 address where it has one.
    std::stable_partition(found.begin(), found.end(), [](const Found& f) { return f.ipv4; });
    std::vector<AnnouncedServer> servers;
    for (const Found& f : found)
        if (std::none_of(servers.begin(), servers.end(),
                         [&](const AnnouncedServer& s) { return s.name == f.server.name; }))
            servers.push_back(f.server);
    std::sort(servers.begin(), servers.end(),
              [](const AnnouncedServer& a, const AnnouncedServer& b) {
                  return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
              });
    return servers;
}

std::vector<AnnouncedServer> announcedServers(int limitMs) {
    const QString browser = QStandardPaths::findExecutable(QStringLiteral("avahi-browse"));
    if (browser.isEmpty()) return {};
    // One browser per kind of service, all at once.
    std::vector<std::unique_ptr<QProcess>> browsers;
    for (const Service& s : kServices) {
        auto& p = browsers.emplace_back(std::make_unique<QProcess>());
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(browser, {QStringLiteral("--parsable"), QStringLiteral("--resolve"),
                           QStringLiteral("--terminate"), QStringLiteral("--no-db-lookup"),
                           QLatin1String(s.type)});
    }
    const QDeadlineTimer deadline(limitMs);
    QByteArray browsed;
    for (auto& p : browsers) {
        if (!p->waitForFinished(int(std::max<qint64>(0, deadline.remainingTime())))) {
            p->kill();
            p->waitForFinished(1000);
        }
        browsed += p->readAllStandardOutput();
    }
    return parseAnnouncedServers(browsed);
}

} // namespace platform
