#pragma once
#include "platform/linux_platform.h"

#include <QMap>

namespace platform {

// Drives of chosen sizes on ordinary folders, a recording clock; file
// operations stay real (tests run them in temporary folders).
class FakePlatform : public LinuxPlatform {
  public:
    // Its drives are folders of the tests: walks read them through it.
    bool indexesFolders() const override { return false; }
    struct Drive {
        QString root;
        DriveType type = DriveType::Fixed;
        bool ready = true;
        QString label;
        DiskSpace space{8, 512, 100000, 200000};
        QString fileSystem = QStringLiteral("FAT32");
        quint32 serial = 0;
    };

    void addDrive(QChar letter, const Drive& drive) { m_drives[letter.toUpper()] = drive; }
    void removeDrive(QChar letter) { m_drives.remove(letter.toUpper()); }
    Drive& drive(QChar letter) { return m_drives[letter.toUpper()]; }

    QList<QChar> driveLetters() override { return m_drives.keys(); }
    QString driveRoot(QChar letter) override;
    // The folder the test started the program from.
    QString startFolder() override { return currentDirectory(); }
    QChar driveOf(const QString& path) override;
    DriveType driveType(QChar letter) override;
    bool driveReady(QChar letter) override;
    QString driveDisplayName(QChar letter) override;
    bool diskFreeSpace(QChar letter, DiskSpace& out) override;
    QString volumeLabel(QChar letter) override;
    bool setSystemClockUtc(const QDateTime& utc) override;

    bool shellExecute(const QString& verb, const QString& file, const QString& params,
                      const QString& folder) override {
        launches.append({verb, file, params, folder});
        return true;
    }

    // Associations by lower-case extension (".txt" -> "editor.desktop").
    QMap<QString, QString> associations;
    QString findExecutable(const QString& file, const QString&) override {
        const qsizetype dot = file.lastIndexOf(u'.');
        return dot < 0 ? QString() : associations.value(file.mid(dot).toLower());
    }
    bool launch(const QString& verb, const QString& program, const QStringList& arguments,
                const QString& folder) override {
        launches.append({verb, program, arguments.join(u' '), folder, arguments});
        return !program.isEmpty() || verb == u"print";
    }

    QString fileSystemName(QChar letter) override { return drive(letter).fileSystem; }
    quint32 volumeSerial(QChar letter) override { return drive(letter).serial; }
    bool setVolumeLabel(QChar letter, const QString& label) override {
        labelWrites.append({letter, label});
        return true;
    }
    bool formatDrive(QChar letter, int formatId, int options) override {
        formats.append({letter, formatId, options});
        return hasDiskUtility;
    }
    bool hasDiskUtility = true;
    struct LabelWrite {
        QChar letter;
        QString label;
    };
    struct Format {
        QChar letter;
        int id, options;
    };
    QList<LabelWrite> labelWrites;
    QList<Format> formats;

    QString plainTextEditor() override { return QStringLiteral("notepad"); }

    struct Launch {
        QString verb, file, params, folder;
        QStringList arguments;
    };
    QList<QDateTime> clockWrites;
    QList<Launch> launches;

  private:
    QMap<QChar, Drive> m_drives;
};

} // namespace platform
