#pragma once
// Facts about one drive, read when its letter is set; and the format call.

#include <QString>

namespace sysinfo {

enum TDriveType { dtUnknown, dtNoDrive, dtFloppy, dtFixed, dtNetwork, dtCDROM, dtRAM };

class DiskInfo {
  public:
    DiskInfo() { setDisk(u'C'); }

    QChar Disk() const { return m_disk; }
    void setDisk(QChar letter); // a character outside A..Z changes nothing

    QString VolumeLabel;
    QString FileSystem;
    qint32 SerialNumber = 0;
    QString SerialNumberStr() const; // "2566-17D3"
    TDriveType DriveType = dtUnknown;
    // Byte counts; -1 when the drive cannot be read. Wider than the
    // original 32 bits, so large disks show their real size.
    qint64 DiskSize = -1;
    qint64 DiskFree = -1;
    qint64 ClusterSize = 0;

    // Throws core::TavError("Not a valid drive ID") outside A..Z.
    static bool ready(QChar letter);
    static QString driveTypeText(TDriveType t);

  private:
    QChar m_disk;
};

enum TCapacity { capDefault, capHigh, capLow };
enum TFmtType { fmtQuick, fmtFull, fmtBoot };
enum TFormatDrive { dtADrive, dtBDrive };

// Starts the platform's format dialog with the identifier and options of
// the NT family (identifier 0, options 1 for a quick format).
struct DiskFormat {
    TCapacity Capacity = capDefault;
    TFmtType FormatType = fmtQuick;
    TFormatDrive Drive = dtADrive;
    int formatId() const { return 0; }
    int options() const { return FormatType == fmtQuick ? 1 : 0; }
    bool Execute() const;
};

} // namespace sysinfo
