#pragma once
// The bytes of a hex document: a working copy of the file in the temporary
// folder, edited in place and read through a 64 KiB window. It knows no
// caret, selection or history; the document puts those on top.

#include <QFile>
#include <QString>
#include <vector>

namespace core {
class Job;
}

namespace hexedit {

class HexStorage {
  public:
    HexStorage();
    ~HexStorage();
    HexStorage(const HexStorage&) = delete;
    HexStorage& operator=(const HexStorage&) = delete;

    const QString& workName() const { return m_workName; }
    qint64 size();

    // The byte at offset, and the bytes of a span starting there (at most
    // `span`, fewer at the end), through the read window.
    quint8 byteAt(qint64 offset, qint64 span);
    const quint8* bytesAt(qint64 offset, qint64 span, int& count);

    bool read(qint64 offset, char* data, qint64 size);
    // Writes in place; the read window follows.
    bool write(qint64 offset, const char* data, qint64 size);
    void remove(qint64 first, qint64 end);           // moves the tail down
    void insert(qint64 at, const QByteArray& bytes); // moves the tail up
    void resize(qint64 size);
    void flush() { m_work.flush(); }
    // Forgets the read window and the cached size (after the file changed).
    void invalidate();

    // A load in two steps: the copy of a file beside the working copy (no
    // widget: may run on the job's worker thread, its progress and Escape
    // through the job), then that copy taken as the working copy.
    bool copyIn(const QString& name, core::Job& job);
    bool adoptCopy();

  private:
    void ensureWindow(qint64 offset, qint64 span);
    void openWork();

    QString m_workName;
    QFile m_work;
    qint64 m_size = -1; // cached size, -1 when to be read again
    std::vector<quint8> m_window;
    qint64 m_windowStart = -1;
    qint64 m_windowLength = 0;
};

} // namespace hexedit
