#pragma once
// The hex editor's document: the bytes (HexStorage, a working copy of the
// file) with changed-byte marks, search and a packed change history on top.
// No widgets, no caret: the editor's HexCursor stands on it.

#include "hex_storage.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace core {
class Job;
}

namespace hexedit {

enum TranslationType { ttAnsi, ttDos8, ttASCII, ttMac, ttEBCDIC };

// Where the editor stood before a change: the caret's byte (which may be
// the one past the end), its area and digit, and the selection. The change
// history keeps it with each change and gives it back on undo.
struct EditPosition {
    qint64 caret = 0;
    bool charArea = false;
    int nibble = 0; // the caret's digit in the hex area
    qint64 selStart = -1, selEnd = -1, selAnchor = -1;
};

// The bytes and their change history. The caret, the selection and the
// layout are the editor's (HexCursor); each change takes the position the
// editor was at, and undo gives it back.
class HexDocument {
  public:
    HexDocument();
    ~HexDocument();
    HexDocument(const HexDocument&) = delete;
    HexDocument& operator=(const HexDocument&) = delete;

    // ---- modes ----
    bool allowInsertMode() const { return m_allowInsert && !m_noSizeChange; }
    void setAllowInsertMode(bool on) { m_allowInsert = on; }
    bool noSizeChange() const { return m_noSizeChange; }
    void setNoSizeChange(bool on);
    bool insertMode() const { return insertFlag && allowInsertMode(); }
    TranslationType translation = ttAnsi;
    bool createBackup = true;
    QString backupExtension = QStringLiteral(".bak");
    bool insertFlag = false;
    QString fileName = QStringLiteral("---");
    bool modified = false;

    // ---- data ----
    QString workingFileName() const { return m_bytes.workName(); }
    qint64 dataSize();
    // A byte, read through a window of `width` bytes around it.
    quint8 readByte(qint64 offset, int width = 16);
    // Bytes of the line of `width` bytes starting at offset.
    const quint8* lineBytes(qint64 lineStart, int width, int& count);

    // ---- load, new, save: the halves of the jobs that run them ----
    // The copy of the file beside the working copy, which touches no widget
    // and may run on the job's worker thread (its progress and Escape through
    // the job); then, on the document's thread, that copy taken as the
    // document.
    bool copyIn(const QString& name, core::Job& job);
    bool adoptCopy(const QString& name);
    void newFile(const QString& name);
    // The writing, which may run on the job's worker thread, reads the
    // working copy by its name: flushWork() first, on the document's thread;
    // then there what a written file changes (name, history, marks).
    void flushWork() { m_bytes.flush(); }
    bool writeTo(const QString& name, core::Job& job);
    void savedAs(const QString& name);

    // ---- changes, each recorded with the position before it; false when
    // the mode refuses it ----
    bool changeByte(qint64 offset, quint8 value, const EditPosition& before);
    // Bytes a to b (excluded) removed; the marks from a on go first when
    // asked, even when the removal is refused.
    bool removeBytes(qint64 a, qint64 b, const EditPosition& before, bool dropMarksFirst);
    bool insertBytes(qint64 position, const QByteArray& bytes, const EditPosition& before);
    bool appendBytes(const QByteArray& bytes, const EditPosition& before);
    bool replaceBytes(qint64 start, qint64 count, const QByteArray& bytes,
                      const EditPosition& before);

    bool isChanged(qint64 offset) const { return !insertMode() && m_marks.count(offset); }
    void clearMarks() { m_marks.clear(); }

    // ---- search: prepared on the document's thread, then the scan, which
    // reads the working copy through a handle of its own and may run on the
    // job's worker thread (the bytes scanned are its progress; stopped, the
    // scan answers -1). The first match at or after first that ends at or
    // before last, or -1; the pattern is translated and lower-cased in place
    // as asked. ----
    struct Search {
        QString workName;
        QByteArray pattern;
        qint64 first = 0, last = -1;
        bool ignoreCase = false;
    };
    Search prepareFind(QByteArray& pattern, qint64 first, qint64 last, bool ignoreCase,
                       bool translate);
    static qint64 scan(const Search& search, core::Job& job);

    // ---- undo ----
    bool canUndo() const { return m_canUndo; }
    QString undoDescription() const { return m_undoText; }
    int undoCount() const { return m_undoCount; }
    const QByteArray& undoStream() const { return m_undo; }
    // The last change undone; the position the editor was at before it, or
    // nothing when there was no change to undo.
    std::optional<EditPosition> undo();
    void emptyUndo();

    // ---- notifications ----
    std::function<void()> stateChanged; // content, marks or undo state
    std::function<void()> replaced;     // another file, or a new one
    std::function<void()> marksCleared; // saved: no byte shows as changed
    std::function<void(qint64 offset)> byteChanged;

  private:
    enum ChangeType { ctByte = 0, ctRemove = 1, ctInsert = 2, ctReplace = 3, ctAppend = 4 };
    bool gate(ChangeType type, qint64 position, qint64 oldLength, qint64 count,
              const EditPosition& before);
    void pushUndo(ChangeType type, qint64 position, qint64 oldLength, qint64 count,
                  const EditPosition& before);
    EditPosition recordedPosition(const QByteArray& record, qint64 recordStart);
    void truncateMarks(qint64 p);
    void notify();

    HexStorage m_bytes;
    bool m_allowInsert = false;
    bool m_noSizeChange = false;
    std::set<qint64> m_marks;
    QByteArray m_undo;
    std::vector<std::array<qint32, 5>> m_undoHigh; // high halves of offsets past 2 GiB
    int m_undoCount = 0;
    bool m_canUndo = false;
    QString m_undoText = QStringLiteral("No Undo");
};

} // namespace hexedit
