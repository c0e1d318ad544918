#pragma once
// The editor's side of a hex document: the layout of its grid (bytes a
// line), the caret and the selection as cells and offsets, the line markers,
// and the edits made where they stand. No widgets: the editor widget holds
// one, paints what it says and feeds it keys.

#include "hex_document.h"

#include <QByteArray>
#include <functional>

namespace hexedit {

// A grid cell: column 0 the offset, 1 the markers, 2..2n+1 the hex digits,
// 2n+2 the separator, 2n+3..3n+2 the characters.
struct Cell {
    qint64 row = 0;
    int col = 2;
    bool operator==(const Cell& o) const { return row == o.row && col == o.col; }
};

class HexCursor {
  public:
    explicit HexCursor(HexDocument& document);
    HexCursor(const HexCursor&) = delete;
    HexCursor& operator=(const HexCursor&) = delete;

    HexDocument& document() { return m_doc; }
    const HexDocument& document() const { return m_doc; }

    // ---- layout ----
    int bytesPerLine() const { return m_bytesPerLine; }
    void setBytesPerLine(int n); // throws "Invalid BytesPerLine argument"
    qint64 rowCount();
    int columnCount() const { return 3 * m_bytesPerLine + 3; }
    qint64 dataSize() { return m_doc.dataSize(); }
    quint8 readByte(qint64 offset) { return m_doc.readByte(offset, m_bytesPerLine); }
    const quint8* lineBytes(qint64 lineStart, int& count) {
        return m_doc.lineBytes(lineStart, m_bytesPerLine, count);
    }

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

    // ---- edits where the caret and the selection stand ----
    void changeByte(qint64 offset, quint8 value);
    void deleteSelection();
    void deleteByte(bool before);
    void insertBuffer(const QByteArray& bytes, qint64 position);
    void appendBuffer(const QByteArray& bytes);
    void replaceSelection(QByteArray bytes);
    // The last change undone, the caret and the selection back where they were.
    void undo();

    // ---- markers ----
    void setMarker(int index, qint64 line); // throws "SetMarker : Invalid marker index"
    qint64 markerLine(int index);
    qint64 markerSlot(int index) const { return m_markers[index]; }
    // Lowest marker slot on the line, or -1.
    int markerOn(qint64 line) const;

    // ---- notifications ----
    std::function<void()> stateChanged;                          // content, selection or undo state
    std::function<void(qint64 first, qint64 last)> repaintLines; // -1, -1: everything
    std::function<void(qint64 offset)> repaintByte;              // its hex and character cells
    std::function<void()> layoutChanged;                         // rows or columns changed

  private:
    EditPosition position() const;
    void restore(const EditPosition& p);
    void reset();
    void deleteRange(Cell target);
    void extendSelection(qint64 target);
    void notify();
    void repaint(qint64 first = -1, qint64 last = -1);
    void relayout();
    qint64 lineOf(qint64 offset) const { return offset / m_bytesPerLine; }

    HexDocument& m_doc;
    Cell m_caret;
    qint64 m_selAnchor = -1, m_selStart = -1, m_selEnd = -1;
    bool m_selecting = false;
    int m_bytesPerLine = 16;
    qint64 m_markers[10];
};

} // namespace hexedit
