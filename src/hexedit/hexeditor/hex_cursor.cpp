#include "hex_cursor.h"
#include "core/errors.h"

#include <algorithm>

namespace hexedit {

HexCursor::HexCursor(HexDocument& document) : m_doc(document) {
    for (qint64& m : m_markers)
        m = -1;
    m_doc.stateChanged = [this] { notify(); };
    m_doc.replaced = [this] { reset(); };
    m_doc.marksCleared = [this] { repaint(); };
    m_doc.byteChanged = [this](qint64 offset) {
        if (repaintByte)
            repaintByte(offset);
        else
            repaint(lineOf(offset), lineOf(offset));
    };
}

// ---- notifications ----

void HexCursor::notify() {
    if (stateChanged) stateChanged();
}

void HexCursor::repaint(qint64 first, qint64 last) {
    if (repaintLines) repaintLines(first, last);
}

void HexCursor::relayout() {
    if (layoutChanged) layoutChanged();
}

// Another file, or a new one: the caret at its start, nothing selected.
void HexCursor::reset() {
    m_selecting = false;
    m_selAnchor = m_selStart = m_selEnd = -1;
    relayout();
    m_caret = Cell{0, 2};
    repaint();
}

// ---- layout ----

qint64 HexCursor::rowCount() {
    const qint64 size = dataSize();
    return std::max<qint64>(1, (size + m_bytesPerLine - 1) / m_bytesPerLine);
}

void HexCursor::setBytesPerLine(int n) {
    if (n < 1 || n > 256) throw core::TavError(QStringLiteral("Invalid BytesPerLine argument"));
    if (n == m_bytesPerLine) return;
    const qint64 off = caretRawOffset();
    const bool chars = caretInChars();
    const int nibble = caretNibble();
    m_bytesPerLine = n;
    m_caret = offsetCell(off, chars, nibble);
    relayout();
    repaint();
}

// ---- cells ----

qint64 HexCursor::cellOffset(const Cell& c) const {
    const int n = m_bytesPerLine;
    qint64 off =
        isCharColumn(c.col) ? c.row * n + (c.col - 2 * n - 3) : c.row * n + (c.col - 2) / 2;
    return off < 0 ? 0 : off;
}

Cell HexCursor::offsetCell(qint64 offset, bool charArea, int nibble) const {
    if (offset < 0) return Cell{0, 2};
    const int n = m_bytesPerLine;
    const int within = int(offset % n);
    return Cell{offset / n, charArea ? 2 * n + 3 + within : 2 + 2 * within + nibble};
}

Cell HexCursor::counterpart(const Cell& c) const {
    const qint64 off = cellOffset(c);
    return offsetCell(off, !isCharColumn(c.col));
}

qint64 HexCursor::caretOffset() {
    return std::clamp<qint64>(caretRawOffset(), 0, std::max<qint64>(0, dataSize() - 1));
}

EditPosition HexCursor::position() const {
    EditPosition p;
    p.caret = caretRawOffset();
    p.charArea = caretInChars();
    p.nibble = p.charArea ? 0 : caretNibble();
    p.selStart = m_selStart;
    p.selEnd = m_selEnd;
    p.selAnchor = m_selAnchor;
    return p;
}

void HexCursor::restore(const EditPosition& p) {
    m_caret = dataSize() == 0 ? Cell{0, 2} : offsetCell(p.caret, p.charArea, p.nibble);
    m_selStart = p.selStart;
    m_selEnd = p.selEnd;
    m_selAnchor = p.selAnchor;
}

void HexCursor::placeCaret(qint64 offset, bool charArea) {
    const qint64 before = m_caret.row;
    m_caret = offsetCell(offset, charArea);
    repaint(std::min(before, m_caret.row), std::max(before, m_caret.row));
}

void HexCursor::clearSelection() {
    if (m_selStart >= 0) repaint(lineOf(m_selStart), lineOf(m_selEnd));
    m_selAnchor = m_selStart = m_selEnd = -1;
    m_selecting = false;
}

void HexCursor::extendSelection(qint64 t) {
    const qint64 oldFirst = m_selStart, oldLast = m_selEnd;
    if (m_selStart < 0) m_selAnchor = caretOffset();
    m_selStart = std::min(m_selAnchor, t);
    m_selEnd = std::max(m_selAnchor, t);
    if (m_doc.insertMode() && t != m_selAnchor)
        (t > m_selAnchor ? m_selEnd : m_selStart) = t > m_selAnchor ? t - 1 : t + 1;
    const qint64 a = oldFirst >= 0 ? std::min(oldFirst, m_selStart) : m_selStart;
    const qint64 b = oldLast >= 0 ? std::max(oldLast, m_selEnd) : m_selEnd;
    repaint(lineOf(a), lineOf(b));
    notify();
}

bool HexCursor::moveCaret(const Cell& target, bool shiftOrButton, bool buttonDown) {
    const qint64 size = dataSize();
    if (size == 0) return target == Cell{0, 2};
    if (!shiftOrButton) clearSelection();
    if (target.col < 2 || target.col >= columnCount() || target.row < 0) return false;
    if (cellOffset(target) >= size) {
        placeCaret(size - 1, caretInChars());
        return false;
    }
    if (target.col == separatorColumn()) {
        if (buttonDown) moveCaret(Cell{target.row, target.col - 1}, shiftOrButton, false);
        return false;
    }
    if (m_selecting)
        extendSelection(cellOffset(target));
    else if (m_selStart >= 0)
        clearSelection();
    const qint64 before = m_caret.row;
    m_caret = target;
    repaint(std::min(before, m_caret.row), std::max(before, m_caret.row));
    return true;
}

void HexCursor::setSelStart(qint64 p) {
    if (p < 0 || p >= dataSize()) throw core::TavError(QStringLiteral("Invalid SelStart"));
    clearSelection();
    placeCaret(p, caretInChars());
}

void HexCursor::setSelEnd(qint64 p) {
    if (p < 0 || p >= dataSize()) throw core::TavError(QStringLiteral("Invalid SelEnd"));
    clearSelection();
    m_selAnchor = caretOffset();
    m_selStart = std::min(m_selAnchor, p);
    m_selEnd = std::max(m_selAnchor, p);
    repaint(lineOf(m_selStart), lineOf(m_selEnd));
    notify();
}

bool HexCursor::seek(qint64 offset, int origin, bool failOutside) {
    const qint64 size = dataSize();
    qint64 target = 0;
    switch (origin) {
    case 0:
        target = offset;
        break;
    case 1:
        target = caretOffset() + offset;
        break;
    case 2:
        target = size - 1 + offset;
        break;
    default:
        target = caretOffset();
        break;
    }
    if (size <= 0) return false;
    if (target < 0 || target >= size) {
        if (failOutside) return false;
        target = std::clamp<qint64>(target, 0, size - 1);
    }
    setSelStart(target);
    return true;
}

// ---- edits ----

void HexCursor::changeByte(qint64 offset, quint8 value) {
    m_doc.changeByte(offset, value, position());
}

// After a removal: the caret on target, or on the last byte when target is
// past the end now; nothing selected.
void HexCursor::deleteRange(Cell target) {
    const qint64 size = dataSize();
    const bool chars = isCharColumn(target.col);
    if (cellOffset(target) >= size)
        m_caret = offsetCell(std::max<qint64>(0, size - 1), chars);
    else
        m_caret = target;
    relayout();
    m_selAnchor = m_selStart = m_selEnd = -1;
    m_selecting = false;
    repaint();
}

void HexCursor::deleteSelection() {
    qint64 a, b;
    Cell target;
    if (m_selStart >= 0) {
        a = m_selStart;
        b = m_selEnd + 1;
        target = offsetCell(a, caretInChars());
    } else {
        a = caretOffset();
        b = a + 1;
        target = m_caret;
    }
    if (!m_doc.removeBytes(a, b, position(), true)) return;
    deleteRange(target);
}

void HexCursor::deleteByte(bool before) {
    const qint64 o = caretRawOffset();
    if (before) {
        if (o <= 0 || o > dataSize()) return;
        if (!m_doc.removeBytes(o - 1, o, position(), false)) return;
        deleteRange(m_caret);
        seek(o - 1, 0, true);
    } else {
        if (o >= dataSize()) return;
        if (!m_doc.removeBytes(o, o + 1, position(), false)) return;
        deleteRange(m_caret);
    }
}

void HexCursor::insertBuffer(const QByteArray& bytes, qint64 p) {
    if (!m_doc.insertBytes(p, bytes, position())) return;
    relayout();
    if (p == caretRawOffset()) {
        m_selAnchor = m_selStart = p;
        m_selEnd = p + bytes.size() - 1;
        notify();
    }
    repaint();
}

void HexCursor::appendBuffer(const QByteArray& bytes) {
    const qint64 old = dataSize();
    if (!m_doc.appendBytes(bytes, position())) return;
    relayout();
    m_caret = offsetCell(old, caretInChars());
    m_selAnchor = m_selStart = old;
    m_selEnd = old + bytes.size() - 1;
    repaint();
}

void HexCursor::replaceSelection(QByteArray bytes) {
    if (m_selStart < 0) return insertBuffer(bytes, caretRawOffset());
    if (m_doc.noSizeChange()) {
        if (bytes.size() > selCount()) bytes.truncate(selCount());
        if (bytes.size() < selCount()) m_selEnd = m_selStart + bytes.size() - 1;
    }
    if (bytes.isEmpty()) return;
    const qint64 start = m_selStart, count = selCount();
    if (!m_doc.replaceBytes(start, count, bytes, position())) return;
    relayout();
    if (caretRawOffset() == start && start < dataSize()) {
        m_selAnchor = m_selStart = start;
        m_selEnd = start + bytes.size() - 1;
    } else {
        m_selAnchor = m_selStart = m_selEnd = -1;
    }
    repaint();
}

void HexCursor::undo() {
    const std::optional<EditPosition> before = m_doc.undo();
    if (!before) return;
    restore(*before);
    relayout();
    repaint();
    notify();
}

// ---- markers ----

void HexCursor::setMarker(int index, qint64 line) {
    if (index < 0 || index > 9)
        throw core::TavError(QStringLiteral("SetMarker : Invalid marker index"));
    if (m_markers[index] == line) return;
    m_markers[index] = line;
    repaint();
}

qint64 HexCursor::markerLine(int index) {
    if (index < 0 || index > 9) return m_caret.row;
    return m_markers[index] < 0 ? m_caret.row : m_markers[index];
}

int HexCursor::markerOn(qint64 line) const {
    for (int i = 0; i < 10; ++i)
        if (m_markers[i] == line) return i;
    return -1;
}

} // namespace hexedit
