#include "disk_info.h"
#include "core/errors.h"
#include "platform/platform.h"

namespace sysinfo {

using platform::DriveType;
using platform::Platform;

void DiskInfo::setDisk(QChar letter) {
    letter = letter.toUpper();
    if (letter < u'A' || letter > u'Z') return;
    m_disk = letter;
    Platform& p = Platform::instance();
    volumeLabel = p.volumeLabel(letter);
    fileSystem = p.fileSystemName(letter);
    serialNumber = qint32(p.volumeSerial(letter));
    switch (p.driveType(letter)) {
    case DriveType::NoRootDir:
        driveType = dtNoDrive;
        break;
    case DriveType::Removable:
        driveType = dtFloppy;
        break;
    case DriveType::Fixed:
        driveType = dtFixed;
        break;
    case DriveType::Remote:
        driveType = dtNetwork;
        break;
    case DriveType::CdRom:
        driveType = dtCDROM;
        break;
    case DriveType::RamDisk:
        driveType = dtRAM;
        break;
    default:
        driveType = dtUnknown;
        break;
    }
    platform::DiskSpace space;
    if (p.diskFreeSpace(letter, space)) {
        diskSize = qint64(space.totalBytes());
        diskFree = qint64(space.freeBytes());
        clusterSize = qint64(space.clusterSize());
    } else {
        diskSize = diskFree = -1;
        clusterSize = 0;
    }
}

QString DiskInfo::serialNumberText() const {
    const QString hex =
        QStringLiteral("%1").arg(quint32(serialNumber), 8, 16, QChar(u'0')).toUpper();
    return hex.left(4) + u'-' + hex.mid(4);
}

bool DiskInfo::ready(QChar letter) {
    letter = letter.toUpper();
    if (letter < u'A' || letter > u'Z')
        throw core::TavError(QStringLiteral("Not a valid drive ID"));
    platform::DiskSpace space;
    return Platform::instance().diskFreeSpace(letter, space);
}

QString DiskInfo::driveTypeText(DriveKind t) {
    switch (t) {
    case dtFloppy:
        return QStringLiteral("Disquette");
    case dtFixed:
        return QStringLiteral("Disque fixe");
    case dtNetwork:
        return QStringLiteral("Disque réseau");
    case dtCDROM:
        return QStringLiteral("Cd-Rom");
    case dtRAM:
        return QStringLiteral("Disque virtuel");
    default:
        return {};
    }
}

bool DiskFormat::execute() const {
    return Platform::instance().formatDrive(drive == dtADrive ? u'A' : u'B', formatId(), options());
}

} // namespace sysinfo
