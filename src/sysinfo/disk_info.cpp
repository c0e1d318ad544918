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
    VolumeLabel = p.volumeLabel(letter);
    FileSystem = p.fileSystemName(letter);
    SerialNumber = qint32(p.volumeSerial(letter));
    switch (p.driveType(letter)) {
    case DriveType::NoRootDir:
        DriveType = dtNoDrive;
        break;
    case DriveType::Removable:
        DriveType = dtFloppy;
        break;
    case DriveType::Fixed:
        DriveType = dtFixed;
        break;
    case DriveType::Remote:
        DriveType = dtNetwork;
        break;
    case DriveType::CdRom:
        DriveType = dtCDROM;
        break;
    case DriveType::RamDisk:
        DriveType = dtRAM;
        break;
    default:
        DriveType = dtUnknown;
        break;
    }
    platform::DiskSpace space;
    if (p.diskFreeSpace(letter, space)) {
        DiskSize = qint64(space.totalBytes());
        DiskFree = qint64(space.freeBytes());
        ClusterSize = qint64(space.clusterSize());
    } else {
        DiskSize = DiskFree = -1;
        ClusterSize = 0;
    }
}

QString DiskInfo::SerialNumberStr() const {
    const QString hex =
        QStringLiteral("%1").arg(quint32(SerialNumber), 8, 16, QChar(u'0')).toUpper();
    return hex.left(4) + u'-' + hex.mid(4);
}

bool DiskInfo::ready(QChar letter) {
    letter = letter.toUpper();
    if (letter < u'A' || letter > u'Z')
        throw core::TavError(QStringLiteral("Not a valid drive ID"));
    platform::DiskSpace space;
    return Platform::instance().diskFreeSpace(letter, space);
}

QString DiskInfo::driveTypeText(TDriveType t) {
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

bool DiskFormat::Execute() const {
    return Platform::instance().formatDrive(Drive == dtADrive ? u'A' : u'B', formatId(), options());
}

} // namespace sysinfo
