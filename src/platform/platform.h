#pragma once
// The stand-in for the operating-system facilities the toolbox relies on:
// drive letters, attributes, file operations with their usual semantics,
// free space, the current folder, icons and temporary names. The program
// talks to one instance; tests install a fake.

#include "core/file_errors.h"

#include <QChar>
#include <QDateTime>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class QFile;

namespace core {
class Job;
}

namespace platform {

// File attribute bits, as the tools know them.
enum Attribute : quint32 {
    faReadOnly = 1,
    faHidden = 2,
    faSysFile = 4,
    faVolumeID = 8,
    faDirectory = 16,
    faArchive = 32,
};

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

struct DiskSpace {
    quint32 sectorsPerCluster = 0;
    quint32 bytesPerSector = 0;
    quint64 freeClusters = 0;
    quint64 totalClusters = 0;
    quint64 clusterSize() const { return quint64(sectorsPerCluster) * bytesPerSector; }
    quint64 freeBytes() const { return freeClusters * clusterSize(); }
    quint64 totalBytes() const { return totalClusters * clusterSize(); }
};

// One entry of a folder as enumerated.
// What kind of thing an entry is (through a link where the link is shown as its target).
enum class EntryKind : quint8 { File, Folder, Device, Fifo, Socket };

struct DirEntry {
    QString name;
    qint64 size = 0;
    qint64 mtime = 0; // seconds since the epoch
    quint32 attributes = 0;
    bool isLink = false;      // a symbolic link: shown as its target, never walked into
    bool otherVolume = false; // a folder on which another volume is mounted
    bool regular = false;     // a plain file (through a link where the link is shown as its target)
    quint32 links = 1;        // names of the file (hard links)
    qint64 allocated = -1;    // bytes the file system gives it, -1 when it does not say
    quint64 device = 0, inode = 0; // which file it is, whatever its name
    EntryKind kind = EntryKind::File;
};

EntryKind kindOfMode(unsigned mode);

// Error codes left by a failed file operation (see core/file_errors.h).
using Error = core::FileError;
using enum core::FileError;

// What a platform operation answers: done, or the error (one of the codes
// above) that stopped it, made where the failure was seen.
class Status {
  public:
    Status() = default; // done
    static Status done() { return {}; }
    // A failure never reads as success: no code is a generic failure.
    static Status failed(int code) {
        Status s;
        s.m_error = code == errNone ? errGeneric : code;
        return s;
    }
    bool ok() const { return m_error == errNone; }
    explicit operator bool() const { return ok(); }
    int error() const { return m_error; }

  private:
    int m_error = errNone;
};

// What a platform call answers when it makes a value: the value, or the
// error (one of the codes above) that kept it from being made; never both.
template <class T> class Result {
  public:
    Result(T value) : m_value(std::move(value)) {} // NOLINT: a made value
    static Result failed(int code) { return Result(code == errNone ? errGeneric : code); }
    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    // The value; only when ok().
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    int error() const { return m_error; }
    // The error as the Status of the call that failed.
    Status status() const { return ok() ? Status::done() : Status::failed(m_error); }

  private:
    explicit Result(int code) : m_error(code) {}
    std::optional<T> m_value;
    int m_error = errNone;
};

class Platform {
  public:
    virtual ~Platform() = default;

    static Platform& instance();
    // Installs p (not owned) as the instance; nullptr restores the real one.
    static void setInstance(Platform* p);

    // Drives
    virtual QList<QChar> driveLetters() = 0;        // letters with a volume, A..Z order
    virtual QString driveRoot(QChar letter) = 0;    // mount point, empty when none
    virtual QChar driveOf(const QString& path) = 0; // letter of the volume holding path
    virtual DriveType driveType(QChar letter) = 0;
    virtual bool driveReady(QChar letter) = 0; // never blocks for long
    virtual QString driveDisplayName(QChar letter) = 0;
    virtual bool diskFreeSpace(QChar letter, DiskSpace& out) = 0;
    virtual QString volumeLabel(QChar letter) = 0;

    // Root folder of the drive holding path ("the first three characters").
    QString rootOf(const QString& path);

    // The program's own folder for its notes and settings: the folder it was
    // started from, or where the system keeps users' settings, the user's
    // configuration folder (made at the first call).
    virtual QString startFolder();

    // The process's folder: what it was started in, and where it ends.
    virtual QString currentDirectory();
    virtual Status setCurrentDirectory(const QString& path);
    // Checks that the folder can be entered and remembers it as its drive's
    // last folder; answers its canonical path. The process stays where it is.
    Result<QString> enterFolder(const QString& path);
    // The folder last entered on a drive (still there), else its root.
    virtual QString driveCurrentFolder(QChar letter);

    // Attributes
    virtual quint32 attributes(const QString& path) = 0; // 0xFFFFFFFF when missing
    virtual Status setAttributes(const QString& path, quint32 attrs) = 0;
    virtual Status setFileTime(const QString& path, const QDateTime& when) = 0;

    // Enumeration of a folder (every kind of entry but "." ), mask applied to names.
    // A walk lists links as themselves and leaves the archive bit out.
    enum class ListMode { Display, Walk };
    virtual Status listDirectory(const QString& folder, const QString& mask,
                                 std::vector<DirEntry>& out, ListMode mode = ListMode::Display) = 0;

    // A walk's listing that only looks closer where the walk needs it. Each
    // entry ("." and ".." left out) is first seen by `choose` with its name
    // and what the folder itself tells: a link (isLink), a folder
    // (faDirectory), a special file (faSysFile), a dot name (faHidden).
    // The answer drops it, keeps it so, adds its stored attributes, or adds
    // everything a walk listing gives (size, time, volume, read-only...).
    enum class Detail { Skip, Name, Flags, Full };
    using EntryChooser = std::function<Detail(const DirEntry& seen)>;
    // With folderFd, the listed folder stays open for the caller (-1 when it
    // cannot), who closes it.
    virtual Status listEntries(const QString& folder, std::vector<DirEntry>& out,
                               const EntryChooser& choose, int* folderFd = nullptr);

    // File operations with their usual semantics; each answers its Status.
    virtual Status deleteFile(const QString& path) = 0;
    // Deletes an entry just listed in folder: the listing already says it is
    // no folder and not read-only, so no second look is needed. With the
    // listed folder still open (folderFd), the entry is taken in that very
    // folder, whatever has become of its path.
    virtual Status deleteListedFile(const QString& folder, const DirEntry& entry,
                                    int folderFd = -1) = 0;
    // Copies report to the job they run in (when given one) after each
    // piece of 16 MiB that leaves more to copy, and stop when it is
    // cancelled (errCancelled).
    // Never replaces; to another volume it copies (as copyFile) and
    // deletes the original only once the copy is whole.
    virtual Status moveFile(const QString& from, const QString& to, core::Job* job = nullptr) = 0;
    // A copy is written aside and takes the target's name once whole; a
    // stopped copy ends with nothing left behind. A durable copy is flushed
    // to the disk before it takes the name.
    virtual Status copyFile(const QString& from, const QString& to, bool failIfExists,
                            core::Job* job = nullptr, bool durable = false) = 0;
    virtual Status createFolder(const QString& path) = 0;
    // Creates the folder and every missing parent; true when it exists.
    virtual Status createPath(const QString& path) = 0;
    // Opens a regular file for reading (never waits on a pipe or device:
    // those fail with errNotRegular); any name the listings give can be opened.
    virtual Status openForRead(QFile& file) = 0;
    // True when another file system (or a bind mount) is mounted on path.
    virtual bool isMountPoint(const QString& path) = 0;
    // Size, time and attributes of one entry (of a link's target when
    // followLinks); false when it is missing.
    virtual Status entryOf(const QString& path, DirEntry& out, bool followLinks = true) = 0;
    virtual Status removeFolder(const QString& path) = 0;
    // Whether path is a plain file, or a folder (links followed), as
    // entryOf tells: a network volume's silent server answers false after
    // its time-out, never holding the caller longer.
    bool isFile(const QString& path);
    bool isFolder(const QString& path);
    // Opens for writing unless the file is read-only; flags as QIODevice.
    virtual Status openForWrite(QFile& file, int openMode) = 0;
    // Opens the file itself for reading and writing, never through a link
    // nor blocking on a FIFO, and tells what was opened (kind, names,
    // device and inode) from the open descriptor: a check made on it holds
    // for what is written, whatever happens to the name meanwhile.
    virtual Status openOwnFile(QFile& file, DirEntry& opened) = 0;
    // Writes zeros over the whole of the file, opened as openOwnFile opens
    // it, and waits until they are on the disk; the job is told the share
    // written. The file opened must be the plain file `looked` (the same
    // device and inode), with no other name: errNotRegular for a link or
    // another kind of file, errChanged otherwise.
    virtual Status zeroFile(const QString& path, const DirEntry& looked, core::Job* job) = 0;
    // Tells the system that this part of an open file will not be read
    // again (its cached pages may go); nothing where it cannot.
    virtual void forgetCached(QFile& file, qint64 offset, qint64 size);
    // Starts writing this part of an open file to its disk now, without
    // waiting for it; a file written through in one go then has little
    // left to write when it is closed or put in another's place.
    virtual void startWriting(QFile& file, qint64 offset, qint64 size);
    // Starts reading a file that the caller reads next, while it works on
    // another: its bytes are then in memory when it gets there. Nothing
    // where it cannot; never waits for the disk.
    virtual void readAhead(const QString& path);
    // Appends size bytes of file `from` starting at offset (all of it with
    // size -1) to the open file `to`, in the kernel where it can, its holes
    // kept as holes; false on a failed or short read or write. The job is
    // told the bytes appended so far, as a copy's is.
    virtual Status appendFile(const QString& from, QFile& to, qint64 offset = 0, qint64 size = -1,
                              core::Job* job = nullptr) = 0;
    // The same from a file open for reading (openForRead), read by its
    // position, not moved.
    virtual Status appendOpenFile(QFile& from, QFile& to, qint64 offset = 0, qint64 size = -1,
                                  core::Job* job = nullptr) = 0;
    // Makes `to` a symbolic link with the same target as the link `from`,
    // its times (and owner, for the administrator) kept; never replaces.
    virtual Status copyLink(const QString& from, const QString& to) = 0;
    // Gives the folder `to` what cp -a keeps of folder `from`: attributes
    // (ACLs among them), owner (for the administrator), mode and times.
    // Called once the folder's entries are copied (they change its times).
    virtual Status copyFolderAttributes(const QString& from, const QString& to) = 0;
    // Gives the file `existing` another name (a hard link); never replaces.
    virtual Status linkFile(const QString& existing, const QString& name) = 0;

    // Temporary files
    virtual QString tempPath();
    // A new, unused name in folder made of prefix and a unique part; the file is created.
    virtual QString tempFileName(const QString& folder, const QString& prefix);

    // Volume facts: file system name and serial number (0 when unknown).
    virtual QString fileSystemName(QChar letter) = 0;
    virtual quint32 volumeSerial(QChar letter) = 0;
    // Asks for a new label; callers do not use the answer.
    virtual bool setVolumeLabel(QChar letter, const QString& label) = 0;
    // Opens the desktop's disk utility to format a drive.
    virtual bool formatDrive(QChar letter, int formatId, int options) = 0;

    // Whether the walks of find and the cleaner may take folders' entries
    // from the folder index (platform/folder_index.h): the system's own
    // listing only, never a platform standing in for it.
    virtual bool indexesFolders() const { return false; }
    // Whether path lies on a network volume, whose server may stop answering.
    virtual bool onNetworkVolume(const QString& path) {
        Q_UNUSED(path);
        return false;
    }

    // Clock
    virtual bool setSystemClockUtc(const QDateTime& utc) = 0;

    // Shell: "open" (or another verb) a program or document with parameters,
    // in a working folder. Answers false when nothing could be started.
    // The plain-text editor started by "new text" (a program name).
    virtual QString plainTextEditor() = 0;
    virtual bool shellExecute(const QString& verb, const QString& file, const QString& params,
                              const QString& folder) = 0;
    // The program the desktop associates with a file (the desktop entry of
    // the default application of its type); empty when there is none.
    virtual QString findExecutable(const QString& file, const QString& folder) = 0;
    // Runs a verb on a program with its arguments, detached, in a folder:
    // "open" starts it (a desktop entry through its command line), "print"
    // hands the arguments to the print system. False when nothing started.
    virtual bool launch(const QString& verb, const QString& program, const QStringList& arguments,
                        const QString& folder) = 0;

  private:
    void rememberDriveFolder(const QString& folder);

    // The folder last entered on each drive, A to Z; read and written by
    // any thread, under its lock.
    std::mutex m_driveFoldersLock;
    QString m_driveFolders[26];
};

// Maps an errno value to the error codes above.
int errorFromErrno(int err);

} // namespace platform
