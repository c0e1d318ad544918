#pragma once
// The hex editor's document: the bytes (HexStorage, a working copy of the
// file) with the caret and selection as cells and offsets, changed-byte
// marks, line markers, search and a packed undo stack on top. No widgets:
// the editor widget paints it and feeds it keys.

#include "hex_storage.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <set>
#include <vector>

namespace core {
class Job;
}

namespace hexedit {

enum TranslationType { ttAnsi, ttDos8, ttASCII, ttMac, ttEBCDIC };

// A grid cell: column 0 the offset, 1 the markers, 2..2n+1 the hex digits,
// 2n+2 the separator, 2n+3..3n+2 the characters.
struct Cell {
    qint64 row = 0;
    int col = 2;
    bool operator==(const Cell& o) const { return row == o.row && col == o.col; }
};

class HexDocument {
  public:
    HexDocument();
    ~HexDocument();
    HexDocument(const HexDocument&) = delete;
    HexDocument& operator=(const HexDocument&) = delete;

    // ---- layout and modes ----
    int bytesPerLine() const { return m_bytesPerLine; }
    void setBytesPerLine(int n); // throws "Invalid BytesPerLine argument"
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
    quint8 readByte(qint64 offset);
    // Bytes of the line starting at offset, through the read window.
    const quint8* lineBytes(qint64 lineStart, int& count);
    qint64 rowCount();
    int columnCount() const { return 3 * m_bytesPerLine + 3; }

    bool loadFromFile(const QString& name);
    // The load in two steps, for a load run as a job: the copy of the file
    // beside the working copy, which touches no widget and may run on the
    // job's worker thread (its progress and Escape through the job), then
    // on the document's thread that copy taken as the document.
    bool copyIn(const QString& name, core::Job& job);
    bool adoptCopy(const QString& name);
    void newFile(const QString& name);
    bool saveToFile(const QString& name);
    // The save in two steps, for a save run as a job: the writing, which
    // touches no widget and may run on the job's worker thread (progress
    // and Escape through the job), then on the document's thread what a
    // written file changes (name, history, marks). writeTo reads the
    // working copy by its name: flushWork() first, on the document's thread.
    void flushWork() { m_bytes.flush(); }
    bool writeTo(const QString& name, core::Job& job);
    void savedAs(const QString& name);

    // ---- caret and selection ----
    const Cell& caret() const { return m_caret; }
    // The selected bytes, first to last; -1, -1 without a selection.
    qint64 selStart() const { return m_selStart; }
    qint64 selEnd() const { return m_selEnd; }
    bool hasSelection() const { return m_selStart >= 0; }
    // While a selection is being drawn (mouse or shift), moves extend it.
    bool selecting() const { return m_selecting; }
    void setSelecting(bool on) { m_selecting = on; }
    qint64 selCount() const { return m_selStart < 0 ? 0 : m_selEnd - m_selStart + 1; }
    bool inSelection(qint64 offset) const {
        return m_selStart >= 0 && offset >= m_selStart && offset <= m_selEnd;
    }
    qint64 cellOffset(const Cell& c) const;
    Cell offsetCell(qint64 offset, bool charArea, int nibble = 0) const;
    bool isCharColumn(int col) const { return col >= 2 * m_bytesPerLine + 3; }
    bool isHexColumn(int col) const { return col >= 2 && col <= 2 * m_bytesPerLine + 1; }
    int separatorColumn() const { return 2 * m_bytesPerLine + 2; }
    Cell counterpart(const Cell& c) const;
    qint64 caretRawOffset() const { return cellOffset(m_caret); }
    qint64 caretOffset();
    bool caretInChars() const { return isCharColumn(m_caret.col); }
    int caretNibble() const { return isHexColumn(m_caret.col) ? (m_caret.col - 2) % 2 : 0; }

    void setSelStart(qint64 p); // throws "Invalid SelStart"
    void setSelEnd(qint64 p);   // throws "Invalid SelEnd"
    bool seek(qint64 offset, int origin, bool failOutside);
    void clearSelection();
    // The cell-selection check: answers whether the move to target was taken.
    bool moveCaret(const Cell& target, bool shiftOrButton, bool buttonDown);
    // Puts the caret on a byte in an area without the check (first cell).
    void placeCaret(qint64 offset, bool charArea);

    // ---- changes ----
    void changeByte(qint64 offset, quint8 value);
    void deleteSelection();
    void deleteByte(bool before);
    void insertBuffer(const QByteArray& bytes, qint64 position);
    void appendBuffer(const QByteArray& bytes);
    void replaceSelection(QByteArray bytes);

    bool isChanged(qint64 offset) const { return !insertMode() && m_marks.count(offset); }
    void clearMarks() { m_marks.clear(); }

    // ---- markers ----
    void setMarker(int index, qint64 line); // throws "SetMarker : Invalid marker index"
    qint64 markerLine(int index);
    qint64 markerSlot(int index) const { return m_markers[index]; }
    // Lowest marker slot on the line, or -1.
    int markerOn(qint64 line) const;

    // ---- search ----
    // First match at or after first that ends at or before last, or -1.
    // The pattern is translated and lower-cased in place as asked.
    qint64 find(QByteArray& pattern, qint64 first, qint64 last, bool ignoreCase, bool translate);
    // The search in two steps, for a search run as a job: on the document's
    // thread, the pattern made ready (translated, lower-cased) and the bounds
    // checked; then the scan, which reads the working copy through a handle
    // of its own and may run on the job's worker thread (the bytes scanned
    // are its progress; stopped, the scan answers -1).
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
    void undo();
    void emptyUndo();

    // ---- notifications ----
    std::function<void()> stateChanged;                          // content, selection or undo state
    std::function<void(qint64 first, qint64 last)> repaintLines; // -1, -1: everything
    std::function<void(qint64 offset)> repaintByte;              // its hex and character cells
    std::function<void()> layoutChanged;                         // rows or columns changed

  private:
    enum ChangeType { ctByte = 0, ctRemove = 1, ctInsert = 2, ctReplace = 3, ctAppend = 4 };
    bool gate(ChangeType type, qint64 position, qint64 oldLength, qint64 count);
    void pushUndo(ChangeType type, qint64 position, qint64 oldLength, qint64 count);
    void restoreState(const QByteArray& record, qint64 recordStart);
    void deleteRange(qint64 a, qint64 b, Cell target, bool truncate);
    void truncateMarks(qint64 p);
    void extendSelection(qint64 target);
    void notify();
    void repaint(qint64 first = -1, qint64 last = -1);
    void relayout();
    qint64 lineOf(qint64 offset) const { return offset / m_bytesPerLine; }

    HexStorage m_bytes;
    Cell m_caret;
    qint64 m_selAnchor = -1, m_selStart = -1, m_selEnd = -1;
    bool m_selecting = false;
    int m_bytesPerLine = 16;
    bool m_allowInsert = false;
    bool m_noSizeChange = false;
    std::set<qint64> m_marks;
    qint64 m_markers[10];
    QByteArray m_undo;
    std::vector<std::array<qint32, 5>> m_undoHigh; // high halves of offsets past 2 GiB
    int m_undoCount = 0;
    bool m_canUndo = false;
    QString m_undoText = QStringLiteral("No Undo");
};

} // namespace hexedit
