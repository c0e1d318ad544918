#pragma once
#include "platform.h"

#include <functional>

#include <QMutex>

namespace platform {

// The real stand-in: volumes from /proc/self/mountinfo, attributes from
// mode bits and extended attributes, file operations on POSIX calls.
class LinuxPlatform : public Platform {
  public:
    LinuxPlatform();
    ~LinuxPlatform() override;
    bool indexesFolders() const override { return true; }

    // $XDG_CONFIG_HOME/tavtools, by default ~/.config/tavtools.
    QString startFolder() override;

    QList<QChar> driveLetters() override;
    QString driveRoot(QChar letter) override;
    QChar driveOf(const QString& path) override;
    DriveType driveType(QChar letter) override;
    bool driveReady(QChar letter) override;
    QString driveDisplayName(QChar letter) override;
    bool diskFreeSpace(QChar letter, DiskSpace& out) override;
    QString volumeLabel(QChar letter) override;

    quint32 attributes(const QString& path) override;
    Status setAttributes(const QString& path, quint32 attrs) override;
    Status setFileTime(const QString& path, const QDateTime& when) override;
    void forgetCached(QFile& file, qint64 offset, qint64 size) override;
    void startWriting(QFile& file, qint64 offset, qint64 size) override;
    void readAhead(const QString& path) override;
    Status listEntries(const QString& folder, std::vector<DirEntry>& out,
                       const EntryChooser& choose, int* folderFd = nullptr) override;
    Status listDirectory(const QString& folder, const QString& mask, std::vector<DirEntry>& out,
                         ListMode mode = ListMode::Display) override;

    Status deleteFile(const QString& path) override;
    Status deleteListedFile(const QString& folder, const DirEntry& entry,
                            int folderFd = -1) override;
    Status moveFile(const QString& from, const QString& to, core::Job* job = nullptr) override;
    Status copyFile(const QString& from, const QString& to, bool failIfExists,
                    core::Job* job = nullptr, bool durable = false) override;

    // A copy whose progress is that of a larger whole: `before` bytes of
    // `total` were done when it started (total -1: the copy is the whole).
    // `direct`: a new file (failIfExists) of up to 1 MiB is written under
    // its own name, not beside it; for a network volume, where each step of
    // naming is a wait for the server. A failed or stopped copy is deleted;
    // one whose server stopped answering may be left incomplete.
    Status copyWithin(const QString& from, const QString& to, bool failIfExists, core::Job* job,
                      qint64 before, qint64 total, bool durable, bool direct = false);

  private:
    Status moveFolderAcross(const QByteArray& from, const QByteArray& to, core::Job* job);

  public:
    Status createFolder(const QString& path) override;
    Status createPath(const QString& path) override;
    Status openForRead(QFile& file) override;
    bool isMountPoint(const QString& path) override;
    Status entryOf(const QString& path, DirEntry& out, bool followLinks = true) override;
    Status removeFolder(const QString& path) override;
    Status openForWrite(QFile& file, int openMode) override;
    Status openOwnFile(QFile& file, DirEntry& opened) override;
    Status zeroFile(const QString& path, const DirEntry& looked, core::Job* job) override;
    Status copyLink(const QString& from, const QString& to) override;
    Status copyFolderAttributes(const QString& from, const QString& to) override;
    Status linkFile(const QString& existing, const QString& name) override;
    Status appendFile(const QString& from, QFile& to, qint64 offset = 0, qint64 size = -1,
                      core::Job* job = nullptr) override;
    Status appendOpenFile(QFile& from, QFile& to, qint64 offset = 0, qint64 size = -1,
                          core::Job* job = nullptr) override;
    QString fileSystemName(QChar letter) override;
    quint32 volumeSerial(QChar letter) override;
    bool setVolumeLabel(QChar letter, const QString& label) override;
    bool formatDrive(QChar letter, int formatId, int options) override;
    QString plainTextEditor() override;

    bool setSystemClockUtc(const QDateTime& utc) override;
    QString findExecutable(const QString& file, const QString& folder) override;
    bool launch(const QString& verb, const QString& program, const QStringList& arguments,
                const QString& folder) override;
    bool shellExecute(const QString& verb, const QString& file, const QString& params,
                      const QString& folder) override;

    struct Volume {
        QChar letter;
        QString mountPoint;
        QString device;
        QString fsType;
        bool removable = false;
        bool network = false; // its files are on another computer
        QString shareName;    // a desktop share's readable name: "partage sur serveur"
    };
    // Reads the mount table again (drives added or removed since).
    void refreshVolumes();
    QList<Volume> volumes();
    // Whether path lies on a network volume (its calls may hang).
    bool onNetworkVolume(const QString& path) override;
    // The root of the network volume path lies on; empty when it is local.
    QString networkVolumeOf(const QString& path);

  protected:
    // Statvfs with a time limit, so a dead network mount cannot hang the caller.
    bool statVolume(const QString& root, DiskSpace& out, int timeoutMs = 1500);
    Volume volumeFor(QChar letter);

  private:
    QMutex m_mutex;
    QList<Volume> m_volumes;
    bool m_loaded = false;
    // The mount table, open: the kernel tells through it that mounts came
    // or went, and the volumes are then read again.
    int m_mountsFd = -1;
};

// Parses mount table text (the format of /proc/self/mountinfo) into volumes
// with letters given; exposed for tests.
// The volumes of a mount table: the desktop's share folder (a FUSE mount
// with a folder per share) gives one volume per name sharesIn answers.
QList<LinuxPlatform::Volume>
parseMountTable(const QByteArray& mountinfo, const QString& driveA, const QString& driveB,
                const std::function<QStringList(const QString& mountPoint)>& sharesIn = {});
// "docs sur nas" for the share folder "smb-share:server=nas,share=docs".
QString shareDisplayName(const QString& folder);

} // namespace platform
