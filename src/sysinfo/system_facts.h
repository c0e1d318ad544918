#pragma once
// Facts about the machine and the system, read once from the files the
// system keeps them in, under a root folder ("/" for this machine).
// A missing source gives an empty text, never an error.

#include <QString>
#include <QStringList>

namespace sysinfo {

class SystemFacts {
  public:
    explicit SystemFacts(const QString& root = QStringLiteral("/"));

    QString biosDate, biosName, biosVersion;
    QString workgroup, computerName, comment;
    QString registeredOwner, registeredOrganization;
    QString productName, version, versionNumber;
    QString macAddress;
};

// The address of the last network adapter (loopback left out), "%2.2x:" form.
QString lastAdapterAddress(const QString& root);

// True when an optical drive among `devices` holds an audio disc.
bool audioCdPresent(const QStringList& devices);
// The optical drives of the machine (root/dev/sr*).
QStringList opticalDrives(const QString& root = QStringLiteral("/"));

// The process's environment, NAME=value, in the order the system gives it.
QStringList environmentLines();

} // namespace sysinfo
