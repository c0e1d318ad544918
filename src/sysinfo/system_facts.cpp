#include "system_facts.h"

#include "platform/small_files.h"
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <fcntl.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#endif

extern char** environ;

namespace sysinfo {

namespace {

// The first line of a small file, trimmed; empty when it cannot be read.
QString firstLine(const QString& path) {
    const QByteArray text = platform::readSmallFile(path, 4096);
    return QString::fromUtf8(text.left(text.indexOf('\n') < 0 ? text.size() : text.indexOf('\n')))
        .trimmed();
}

// The lines of a small configuration file (at most 1 MiB of it).
QList<QByteArray> configLines(const QString& path) {
    return platform::readSmallFile(path, qint64(1) << 20).split('\n');
}

// KEY=value or KEY="value" from an os-release style file.
QString shellValue(const QString& path, const QString& key) {
    for (const QByteArray& bytes : configLines(path)) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (!line.startsWith(key + u'=')) continue;
        QString value = line.mid(key.size() + 1);
        if (value.size() >= 2 && (value.startsWith(u'"') || value.startsWith(u'\'')) &&
            value.endsWith(value[0]))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

// "workgroup = NAME" of the [global] section of a Samba configuration.
QString sambaWorkgroup(const QString& path) {
    bool global = false;
    static const QRegularExpression entry(QStringLiteral("^workgroup\\s*=\\s*(.*)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (const QByteArray& bytes : configLines(path)) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.startsWith(u'[')) global = line.compare(u"[global]", Qt::CaseInsensitive) == 0;
        if (!global) continue;
        const auto m = entry.match(line);
        if (m.hasMatch()) return m.captured(1).trimmed();
    }
    return {};
}

QString domainName(const QString& root) {
    const QString name = firstLine(root + QStringLiteral("/proc/sys/kernel/domainname"));
    return name == u"(none)" ? QString() : name;
}

} // namespace

SystemFacts::SystemFacts(const QString& root) {
    const QString dmi = root + QStringLiteral("/sys/class/dmi/id/");
    biosDate = firstLine(dmi + QStringLiteral("bios_date"));
    biosName = firstLine(dmi + QStringLiteral("bios_vendor"));
    biosVersion = firstLine(dmi + QStringLiteral("bios_version"));
    workgroup = sambaWorkgroup(root + QStringLiteral("/etc/samba/smb.conf"));
    if (workgroup.isEmpty()) workgroup = domainName(root);
    computerName = firstLine(root + QStringLiteral("/proc/sys/kernel/hostname"));
    if (computerName.isEmpty()) computerName = firstLine(root + QStringLiteral("/etc/hostname"));
    registeredOrganization = firstLine(root + QStringLiteral("/etc/organization"));
    const QString release = root + QStringLiteral("/etc/os-release");
    productName = shellValue(release, QStringLiteral("NAME"));
    version = shellValue(release, QStringLiteral("PRETTY_NAME"));
    versionNumber = firstLine(root + QStringLiteral("/proc/sys/kernel/osrelease"));
    macAddress = lastAdapterAddress(root);
}

QString lastAdapterAddress(const QString& root) {
    const QString folder = root + QStringLiteral("/sys/class/net");
    const QStringList adapters =
        QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    QString address;
    for (const QString& name : adapters) {
        const QString base = folder + u'/' + name + u'/';
        if (name == u"lo" || firstLine(base + QStringLiteral("type")) == u"772") continue;
        const QStringList bytes = firstLine(base + QStringLiteral("address")).split(u':');
        if (bytes.size() != 6) continue;
        QStringList written;
        for (const QString& b : bytes)
            written << QStringLiteral("%1").arg(b.toUInt(nullptr, 16), 2, 16, QChar(u'0'));
        address = written.join(u':');
    }
    return address;
}

QStringList opticalDrives(const QString& root) {
    QStringList drives;
    const QString dev = root + QStringLiteral("/dev");
    for (const QString& name :
         QDir(dev).entryList({QStringLiteral("sr*")}, QDir::System | QDir::Files, QDir::Name))
        drives << dev + u'/' + name;
    return drives;
}

bool audioCdPresent(const QStringList& devices) {
#ifdef __linux__
    for (const QString& device : devices) {
        const int fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0) continue;
        const int status = ::ioctl(fd, CDROM_DISC_STATUS, 0);
        ::close(fd);
        if (status == CDS_AUDIO || status == CDS_MIXED) return true;
    }
#else
    Q_UNUSED(devices);
#endif
    return false;
}

QStringList environmentLines() {
    QStringList lines;
    for (char** e = environ; e && *e; ++e)
        lines << QString::fromLocal8Bit(*e);
    return lines;
}

} // namespace sysinfo
