#pragma once
// The new content of a file, written beside it and put in its place in one
// step once complete. Until then the old file stays as it was, and a crash
// leaves nothing behind: the new content lives in an unnamed temporary
// where the file system allows it (a hidden one, removed on failure,
// elsewhere), created readable by its owner only.

#include "platform.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

// rename() that never replaces an existing target (EEXIST), also where the
// file system lacks the flag for it.
int renameNoReplace(const char* from, const char* to);

// An unnamed file open for writing in folder (nothing is left of it if the
// program dies), or, where the file system has none, a new hidden file
// whose name is put in `named`; -1 with errno on failure. It is made with
// the permission bits `mode`, less the process's umask.
int openAside(const QByteArray& folder, QByteArray& named, unsigned mode = 0600);

// Gives the file of openAside its final name in one step: over an existing
// target when replace, else failing with EEXIST if there is one. false with
// errno; a hidden name is left for the caller to remove.
bool nameAside(int fd, QByteArray& named, const QByteArray& target, bool replace);

class FileReplacement {
  public:
    // target may be a link: the file it points to is replaced, the link kept.
    explicit FileReplacement(const QString& target);
    ~FileReplacement(); // discards what was not committed
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    Status open();
    QFile& file() { return m_file; }

    // The new file gets the attributes of a file just made (not read-only,
    // no stored flags) instead of the old one's; mode bits for the group and
    // others, owner and group are kept all the same.
    void setFreshAttributes(bool fresh) { m_fresh = fresh; }
    // By default a commit waits until the content and the name are on the
    // disk. Work that replaces many files turns that off and makes them all
    // durable at once at its end (syncFileSystemOf).
    void setDurable(bool durable) { m_durable = durable; }

    // Flushes, gives the new file the old one's mode, owner, group and
    // stored attributes (a new file the usual mode), the modification time
    // when given, and puts it in place of the target.
    Status commit(const QDateTime& modified = {});
    void discard();

    // The content is complete but does not take its name yet: flushed,
    // given the old file's owners and mode, kept under a hidden name beside
    // the target and closed (a set of many members holds no descriptor for
    // each). commit() then only names it; discard() or the destructor
    // removes it.
    Status park();

    // Members of one set (backup volumes, split parts), each parked, take
    // their names together: their content goes to the disk first; then the
    // older set's first member goes, and the older set's members beyond
    // the new count (`nameOf(n)` names member n, from 1, up to `most`); the
    // new members take their names from the last to the first, the first
    // last, and the names go to the disk. An interruption in between leaves
    // a set without its first member, never old and new members that pass
    // for one set.
    static Status commitSet(const std::vector<std::unique_ptr<FileReplacement>>& members,
                            const std::function<QString(int)>& nameOf, int most);

    // Waits until everything written on the file system holding path is on
    // the disk (every file system for an empty path); false when it cannot.
    // On a network volume, through the helper that makes its calls.
    static bool syncFileSystemOf(const QString& path);
    // The same, made by this process whatever the volume.
    static bool syncFileSystemHere(const QString& path);
    const QString& target() const { return m_target; }

    // A target on a network volume is written on this computer first, and
    // put in place (or parked) by a helper process (remote_call.h): a server
    // that stops answering holds that helper, never the writer, whose
    // commit or park then answers errNoAnswer, or errCancelled when its job
    // is stopped. The helper itself writes here, whatever the volume.
    void setWrittenHere() { m_here = true; }
    // The file a commit replaces (a link's target), known once parked.
    QString replacedFile() const;
    // A parked file let go: its hidden name, for another to name or remove.
    QString releaseParked();

  private:
    bool takeOwnersOf(const QByteArray& target);
    bool putInPlace(const QByteArray& target);
    Status openStaged();
    Status sendStaged(bool park, const QDateTime& modified);
    static Status commitRemoteSet(const std::vector<std::unique_ptr<FileReplacement>>& members,
                                  const std::function<QString(int)>& nameOf, int most);

    QString m_target;
    QByteArray m_final; // the file really replaced (a link's target)
    QByteArray m_named; // the hidden temporary's name, when it has one
    QFile m_file;
    int m_fd = -1;
    bool m_fresh = false;
    bool m_durable = true;
    bool m_parked = false;
    bool m_here = false;
    // The network volume of the target, whose helper puts the content in
    // place; empty when it is written here. m_named is then the parked
    // file's hidden name on that volume.
    QString m_volume;
    QByteArray m_staged; // the content's name here, once it needs one
};

} // namespace platform
