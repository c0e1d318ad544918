#pragma once
// Facts about one drive, read when its letter is set; and the format call.

#include <QString>

namespace sysinfo {

enum DriveKind { dtUnknown, dtNoDrive, dtFloppy, dtFixed, dtNetwork, dtCDROM, dtRAM };

class DiskInfo {
  public:
    DiskInfo() { setDisk(u'C'); }

    QChar disk() const { return m_disk; }
    void setDisk(QChar letter); // a character outside A..Z changes nothing

    QString volumeLabel;
    QString fileSystem;
    qint32 serialNumber = 0;
    QString serialNumberText() const; // "2566-17D3"
    DriveKind driveType = dtUnknown;
    // Byte counts; -1 when the drive cannot be read. 64 bits wide, so
    // large disks show their real size.
    qint64 diskSize = -1;
    qint64 diskFree = -1;
    qint64 clusterSize = 0;

    // Throws core::TavError("Not a valid drive ID") outside A..Z.
    static bool ready(QChar letter);
    static QString driveTypeText(DriveKind t);

  private:
    QChar m_disk;
};

enum Capacity { capDefault, capHigh, capLow };
enum FormatType { fmtQuick, fmtFull, fmtBoot };
enum FormatDrive { dtADrive, dtBDrive };

// Starts the platform's format dialog with the identifier and options of
// the NT family (identifier 0, options 1 for a quick format).
struct DiskFormat {
    Capacity capacity = capDefault;
    FormatType formatType = fmtQuick;
    FormatDrive drive = dtADrive;
    int formatId() const { return 0; }
    int options() const { return formatType == fmtQuick ? 1 : 0; }
    bool execute() const;
};

} // namespace sysinfo
