#pragma once
// The new content of a file, written beside it and put in its place in one
// step once complete. Until then the old file stays as it was, and a crash
// leaves nothing behind: the new content lives in an unnamed temporary
// where the file system allows it (a hidden one, removed on failure,
// elsewhere), created readable by its owner only.

#include <QDateTime>
#include <QFile>
#include <QString>

namespace platform {

class FileReplacement {
  public:
    // target may be a link: the file it points to is replaced, the link kept.
    explicit FileReplacement(const QString& target);
    ~FileReplacement(); // discards what was not committed
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    bool open();
    QFile& file() { return m_file; }

    // The new file gets the attributes of a file just made (not read-only,
    // no stored flags) instead of the old one's; mode bits for the group and
    // others, owner and group are kept all the same.
    void setFreshAttributes(bool fresh) { m_fresh = fresh; }

    // Flushes, gives the new file the old one's mode, owner, group and
    // stored attributes (a new file the usual mode), the modification time
    // when given, and puts it in place of the target.
    bool commit(const QDateTime& modified = {});
    void discard();

    // The error of the last failure (see Platform's error codes).
    int error() const { return m_error; }
    const QString& target() const { return m_target; }

  private:
    bool fail(int err);
    bool takeOwnersOf(const QByteArray& target);
    bool putInPlace(const QByteArray& target);

    QString m_target;
    QByteArray m_final; // the file really replaced (a link's target)
    QByteArray m_named; // the hidden temporary's name, when it has one
    QFile m_file;
    int m_fd = -1;
    int m_error = 0;
    bool m_fresh = false;
};

} // namespace platform
