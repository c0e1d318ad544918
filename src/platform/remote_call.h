#pragma once
// A call on a network volume, made by a helper process (the program
// tavtools-remote-calls): a server that stops answering never holds its
// caller. A call the kernel makes wait for a server cannot be interrupted,
// not even by SIGKILL, and a process with such a thread cannot end; in a
// process of its own, the call can be left behind and the program still
// ends when asked.
//
// The caller waits while the call goes on (each progress report is a sign
// of life and starts the time-out again); it leaves the helper behind when
// the server stays silent for the time-out, and stops the call at once
// when its job, or the program, is asked to stop. Idle helpers are kept for
// the next calls; a helper left behind is killed, and ends when its server
// answers at last.

#include "platform.h"

#include <vector>

namespace platform {

enum class RemoteEnd { Done, Silent, Stopped };

// The silence after which a server is taken for dead, in milliseconds:
// TAVTOOLS_NETWORK_TIMEOUT_MS, else 10 seconds.
int networkTimeoutMs();

// What a helper is asked: one call of the platform, with its arguments.
struct RemoteRequest {
    enum Call : qint32 {
        Attributes,
        ListEntries, // every detail of every entry
        ListDirectory,
        DeleteFile,
        MoveFile,
        CopyFile,
        CreateFolder,
        CreatePath,
        EntryOf,
        RemoveFolder,
        FolderNames, // the names of the sub-folders, and nothing else
        SetAttributes,
        SetFileTime,
        CopyLink,
        CopyFolderAttributes,
        LinkFile,
        // The new content of target (path: a file of this computer) put in
        // its place as FileReplacement does, or parked beside it (flag).
        ReplaceFile,
        RenameOver, // rename() that may replace, then the folder to the disk (durable)
        Unlink,     // the name removed, whatever the file's attributes
        SyncFileSystem,
        ZeroFile,    // zeros over the file of device and inode
        VolumeSpace, // the volume's block size, free blocks and blocks
    };
    Call call = Attributes;
    QString path, target, mask;
    bool flag = false;             // failIfExists, followLinks, ListMode::Walk
    bool durable = false;          // copyFile's
    bool progress = false;         // moveFile and copyFile report their progress
    bool direct = false;           // copyFile writes a new file under its own name
    bool fresh = false;            // ReplaceFile's new file gets fresh attributes
    quint32 value = 0;             // SetAttributes' attributes
    QDateTime when;                // SetFileTime's time, ReplaceFile's modification time
    quint64 device = 0, inode = 0; // ZeroFile's file
};

// What it answers.
struct RemoteAnswer {
    Status status;
    quint32 attributes = 0xFFFFFFFF;
    std::vector<DirEntry> entries;
    // ReplaceFile parked: the hidden name of the new content, and the file
    // it will replace (a link's target).
    QString parked, replaced;
    QList<quint64> numbers; // VolumeSpace's
};

// Makes the call in a helper and waits as said above, relaying its progress
// to `outer` (or to the job running on this thread); a timeoutMs above 0
// replaces the network time-out. Where no helper can be started, the call
// is made here. Once a call on `volume` (a network volume's root) was left
// waiting on its silent server, the next ones answer Silent at once, until
// that call has ended.
RemoteEnd callRemote(const RemoteRequest& request, RemoteAnswer& answer, core::Job* outer = nullptr,
                     int timeoutMs = 0, const QString& volume = QString(),
                     bool relayProgress = true);

// The answer's status, or why there is none: errNoAnswer when the server
// stayed silent, errCancelled when the call was stopped.
Status statusOf(RemoteEnd end, const RemoteAnswer& answer);

// The call made on this thread, by the platform of this machine.
void answerHere(const RemoteRequest& request, RemoteAnswer& answer, core::Job& job);

// Whether this process is a helper, which makes every call itself.
bool makesRemoteCallsHere();

// The helper's side: answers the requests read on socket fd until it is
// closed; the exit code of the helper.
int serveRemoteCalls(int fd);

} // namespace platform
