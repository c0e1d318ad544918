#include "hex_editor_view.h"
#include "code_pages.h"
#include "core/ansi.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <cmath>

namespace hexedit {

namespace {

const char* const kDigits = "0123456789ABCDEF";

QChar ansiChar(quint8 b) {
    return QChar(core::ansiToUnicode(b));
}

int ansiCode(QChar c) {
    if (c.unicode() < 256 && !(c.unicode() >= 0x80 && c.unicode() < 0xA0)) return c.unicode();
    for (int b = 0x80; b < 0xA0; ++b)
        if (ansiChar(quint8(b)) == c) return b;
    return -1;
}

} // namespace

HexEditorView::HexEditorView(QWidget* parent) : QAbstractScrollArea(parent) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(12);
    setFont(f);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    m_cursor.repaintLines = [this](qint64 a, qint64 b) { repaintLines(a, b); };
    m_cursor.layoutChanged = [this] { recomputeLayout(); };
    m_cursor.repaintByte = [this](qint64 offset) {
        // Only the byte's two digit cells and its character cell.
        const qint64 row = offset / m_cursor.bytesPerLine();
        const qint64 top = topRow();
        if (row < top || row > top + visibleRows()) return;
        const int y = int(row - top) * m_rowHeight, dx = horizontalScrollBar()->value();
        const Cell hex = m_cursor.offsetCell(offset, false),
                   chars = m_cursor.offsetCell(offset, true);
        viewport()->update(
            QRect(columnX(hex.col) - dx, y, columnX(hex.col + 2) - columnX(hex.col), m_rowHeight));
        viewport()->update(QRect(columnX(chars.col) - dx, y, m_w, m_rowHeight));
    };
    m_cursor.stateChanged = [this] {
        // Posted, so several changes in one operation make one notification.
        if (m_statePosted) return;
        m_statePosted = true;
        QTimer::singleShot(0, this, [this] {
            m_statePosted = false;
            Q_EMIT OnStateChanged();
        });
    };
    m_doc.newFile(QStringLiteral("Untitled"));
    recomputeLayout();
}

void HexEditorView::setOffsetDisplay(OffsetDisplayStyle s) {
    if (s == offsetDisplay) return;
    offsetDisplay = s;
    recomputeLayout();
}

int HexEditorView::offsetChars() {
    const qint64 last = (m_cursor.rowCount() - 1) * m_cursor.bytesPerLine();
    switch (offsetDisplay) {
    case odHex:
        return std::max(1, int(QString::number(last, 16).size())) + 3;
    case odDec:
        return int(QString::number(last).size()) + 1;
    case odOctal:
        return int(QString::number(last, 8).size()) + 1 + 3;
    default:
        return 0;
    }
}

QString HexEditorView::offsetText(qint64 p) {
    const int width = offsetChars();
    switch (offsetDisplay) {
    case odHex:
        return QStringLiteral("%1").arg(p, width - 3, 16, QChar(u'0')).toUpper() + offsetSeparator;
    case odDec:
        return QStringLiteral("%1").arg(p, width - 1, 10, QChar(u' ')) + offsetSeparator;
    case odOctal:
        return QStringLiteral("o ") +
               QString(u'0' + QString::number(p, 8)).rightJustified(width - 3, u'0') +
               offsetSeparator;
    default:
        return QStringLiteral(" ");
    }
}

int HexEditorView::columnWidth(int col) const {
    const int n = m_cursor.bytesPerLine();
    if (col == 0) return m_w * const_cast<HexEditorView*>(this)->offsetChars();
    if (col == 1) return showMarkerColumn ? m_w : 0;
    if (col >= 2 && col <= 2 * n + 1)
        return bytesPerColumn > 0 && col % (2 * bytesPerColumn) == 1 ? 2 * m_w : m_w;
    return m_w;
}

void HexEditorView::recomputeLayout() {
    QFontMetrics fm(font());
    m_w = fm.horizontalAdvance(u'w');
    m_rowHeight = fm.boundingRect(QStringLiteral("yY")).height() + 2;
    const int cols = m_cursor.columnCount();
    m_x.assign(size_t(cols + 1), 0);
    for (int c = 0; c < cols; ++c)
        m_x[size_t(c + 1)] = m_x[size_t(c)] + columnWidth(c);
    updateScrollBars();
    viewport()->update();
}

int HexEditorView::visibleRows() const {
    return std::max(1, viewport()->height() / std::max(1, m_rowHeight));
}

qint64 HexEditorView::topRow() const {
    return verticalScrollBar()->value();
}

void HexEditorView::updateScrollBars() {
    const qint64 rows = m_cursor.rowCount();
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(rows - visibleRows(), 0, INT_MAX)));
    verticalScrollBar()->setPageStep(visibleRows());
    horizontalScrollBar()->setRange(0, std::max(0, m_x.back() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void HexEditorView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

void HexEditorView::scrollContentsBy(int, int) {
    viewport()->update();
}

void HexEditorView::repaintLines(qint64 first, qint64 last) {
    if (first < 0) return viewport()->update();
    const qint64 top = topRow();
    const qint64 a = std::max(first, top), b = std::min(last, top + visibleRows());
    if (a > b) return;
    viewport()->update(
        QRect(0, int(a - top) * m_rowHeight, viewport()->width(), int(b - a + 1) * m_rowHeight));
}

Cell HexEditorView::cellAt(const QPoint& pos) const {
    const int x = pos.x() + horizontalScrollBar()->value();
    int col = 0;
    while (col + 1 < int(m_x.size()) - 1 && m_x[size_t(col + 1)] <= x)
        ++col;
    return Cell{topRow() + std::max(0, pos.y()) / std::max(1, m_rowHeight), col};
}

QChar HexEditorView::displayChar(quint8 x) const {
    int shown = x;
    switch (m_doc.translation) {
    case ttDos8:
        shown = kOemToAnsi[x];
        break;
    case ttASCII:
        shown = x < 128 ? kOemToAnsi[x] : -1;
        break;
    case ttMac:
        shown = x < 128 ? x : kMacToAnsi[x];
        break;
    case ttEBCDIC:
        shown = kEbcdicToAnsi[x] ? kEbcdicToAnsi[x] : -1;
        break;
    default:
        break;
    }
    if (shown < 0 || (maskWhiteSpaces && shown < 32)) return maskChar;
    return ansiChar(quint8(shown));
}

int HexEditorView::typedValue(QChar c) const {
    const int code = ansiCode(c);
    if (code < 0) return -1;
    if (m_altEntry) return kAnsiToOem[code];
    if (code < 32) return 0;
    switch (m_doc.translation) {
    case ttDos8:
        return kAnsiToOem[code];
    case ttASCII:
        return code < 128 ? kAnsiToOem[code] : 0;
    case ttMac:
        return code < 128 ? code : kAnsiToMac[code];
    case ttEBCDIC:
        return kAnsiToEbcdic[code];
    default:
        return code;
    }
}

// ---- painting ----

void HexEditorView::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    p.setFont(font());
    p.fillRect(e->rect(), colors.background);
    p.translate(-horizontalScrollBar()->value(), 0);
    const qint64 top = topRow();
    const int firstVisible = e->rect().top() / m_rowHeight;
    const int lastVisible = e->rect().bottom() / m_rowHeight;
    const qint64 rows = m_cursor.rowCount();
    for (int i = firstVisible; i <= lastVisible && top + i < rows; ++i)
        paintLine(p, top + i, i * m_rowHeight);
}

void HexEditorView::paintLine(QPainter& p, qint64 row, int y) {
    const int n = m_cursor.bytesPerLine();
    const qint64 size = m_cursor.dataSize();
    const qint64 start = row * n;
    auto cell = [&](int col, const QString& text, const QColor& fg, const QColor& bg) {
        const QRect r(columnX(col), y, columnWidth(col), m_rowHeight);
        p.fillRect(r, bg);
        p.setPen(fg);
        p.drawText(r.adjusted(0, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    };
    if (size == 0) {
        QString first = offsetDisplay == odHex     ? QString(offsetSeparator)
                        : offsetDisplay == odDec   ? QStringLiteral("0") + offsetSeparator
                        : offsetDisplay == odOctal ? QStringLiteral("o 0") + offsetSeparator
                                                   : QStringLiteral("   ");
        cell(0, first, colors.offset, colors.background);
    } else {
        cell(0, offsetText(start), colors.offset, colors.background);
        const int marker = m_cursor.markerOn(row);
        if (showMarkerColumn && marker >= 0) {
            QFont small(QStringLiteral("Arial"));
            small.setPointSizeF(std::nearbyint(font().pointSizeF() * 0.75));
            p.setFont(small);
            cell(1, QString::number(marker), colors.positionText, colors.positionBackground);
            p.setFont(font());
        }
        int count = 0;
        const quint8* bytes = m_cursor.lineBytes(start, count);
        std::vector<quint8> line(bytes, bytes + count);
        for (int i = 0; i < count; ++i) {
            const qint64 off = start + i;
            const quint8 b = line[size_t(i)];
            const bool changed = m_doc.isChanged(off), selected = m_cursor.inSelection(off);
            const int group = bytesPerColumn > 0 ? (i / bytesPerColumn) % 2 : 0;
            const QColor hexColor = group == 0 ? colors.oddColumn : colors.evenColumn;
            for (int half = 0; half < 2; ++half) {
                const int nibble = (half == 0) != swapNibbles ? b >> 4 : b & 15;
                QColor fg = changed ? colors.changedText : hexColor;
                QColor bg = changed ? colors.changedBackground : colors.background;
                if (selected) {
                    std::swap(fg, bg);
                    if (!changed) fg = HexColors::complement(hexColor);
                }
                cell(2 + 2 * i + half, QString(QChar(kDigits[nibble])), fg, bg);
            }
            QColor fg = changed ? colors.changedText : palette().color(QPalette::Text);
            QColor bg = changed ? colors.changedBackground : colors.background;
            if (selected) std::swap(fg, bg);
            cell(2 * n + 3 + i, QString(displayChar(b)), fg, bg);
        }
    }
    if (!hasFocus()) return;
    const Cell caret = m_cursor.caret();
    const Cell other = m_cursor.counterpart(caret);
    if (other.row == row && size > 0) {
        const QRect r(columnX(other.col), y, m_w, m_rowHeight);
        if (focusFrame) {
            QPen pen(colors.cursorFrame, 1, Qt::DotLine);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        } else {
            p.setPen(colors.cursorFrame);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    if (caret.row == row) {
        QRect r(columnX(caret.col), y + 1, m_w, m_rowHeight - 2);
        CaretStyle style = autoCaretMode ? (m_doc.insertMode() ? csLeftLine : csFull) : caretStyle;
        if (style == csLeftLine) r.setWidth(2);
        if (style == csBottomLine) r = QRect(r.left(), y + m_rowHeight - 4, m_w, 2);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(r, HexColors::complement(colors.cursorFrame));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

void HexEditorView::showCaret() {
    ensureCaretVisible();
    viewport()->update();
}

void HexEditorView::ensureCaretVisible() {
    const qint64 row = m_cursor.caret().row, top = topRow();
    if (row < top)
        verticalScrollBar()->setValue(int(row));
    else if (row >= top + visibleRows())
        verticalScrollBar()->setValue(int(row - visibleRows() + 1));
    const int x = columnX(m_cursor.caret().col), h = horizontalScrollBar()->value();
    if (x < h)
        horizontalScrollBar()->setValue(x);
    else if (x + m_w > h + viewport()->width())
        horizontalScrollBar()->setValue(x + m_w - viewport()->width());
}

// ---- focus and mouse ----

void HexEditorView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void HexEditorView::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    m_cursor.setSelecting(false);
    viewport()->update();
}

void HexEditorView::moveTo(const Cell& c) {
    const bool shift = QGuiApplication::keyboardModifiers() & Qt::ShiftModifier;
    m_cursor.moveCaret(c, shift || m_buttonDown, m_buttonDown);
    ensureCaretVisible();
}

void HexEditorView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    setFocus();
    m_buttonDown = true;
    moveTo(cellAt(e->position().toPoint()));
    m_cursor.clearSelection();
    m_cursor.setSelecting(true);
}

void HexEditorView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_buttonDown = true;
    moveTo(cellAt(e->position().toPoint()));
    m_cursor.clearSelection();
}

void HexEditorView::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton)) {
        m_buttonDown = false;
        return;
    }
    m_buttonDown = true;
    const Cell c = cellAt(e->position().toPoint());
    if (!(c == m_cursor.caret())) moveTo(c);
}

// ---- keyboard ----

void HexEditorView::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat()) return;
    m_altEntry = e->key() == Qt::Key_Alt;
    m_buttonDown = false;
}

bool HexEditorView::navigate(QKeyEvent* e) {
    HexCursor& d = m_cursor;
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool ctrl = mods & Qt::ControlModifier;
    const bool ctrlOnly = mods == Qt::ControlModifier;
    const int key = e->key();
    if (mods == Qt::NoModifier && key != Qt::Key_Shift && !m_doc.insertMode()) d.clearSelection();
    const int n = d.bytesPerLine();
    const qint64 size = d.dataSize();
    const qint64 last = d.rowCount() - 1;
    const qint64 visible = visibleRows();
    Cell c = d.caret();
    const bool chars = d.caretInChars();
    const qint64 off = d.caretRawOffset();
    switch (key) {
    case Qt::Key_PageUp:
        if (ctrl) {
            c.row = topRow();
        } else {
            c.row = std::max<qint64>(0, c.row - visible + 1);
            verticalScrollBar()->setValue(int(std::max<qint64>(0, topRow() - visible + 1)));
        }
        moveTo(c);
        return true;
    case Qt::Key_PageDown:
        if (ctrl) {
            c.row = std::min(last, topRow() + visible - 1);
        } else {
            c.row = std::min(last, c.row + visible - 1);
            verticalScrollBar()->setValue(
                int(std::min(std::max<qint64>(0, d.rowCount() - visible), topRow() + visible - 1)));
        }
        moveTo(c);
        return true;
    case Qt::Key_Home:
        moveTo(d.offsetCell(ctrl ? 0 : c.row * n, chars));
        return true;
    case Qt::Key_End: {
        const qint64 target = ctrl || c.row == last ? size - 1 : c.row * n + n - 1;
        moveTo(d.offsetCell(std::max<qint64>(0, target), chars));
        return true;
    }
    case Qt::Key_Left:
        if (ctrl) return false;
        if (chars) {
            if (off > 0) moveTo(d.offsetCell(off - 1, true));
        } else if (d.caretNibble() == 1) {
            moveTo(Cell{c.row, c.col - 1});
        } else if (off > 0) {
            moveTo(d.offsetCell(off - 1, false, 1));
        }
        return true;
    case Qt::Key_Right:
        if (ctrl) {
            moveTo(Cell{c.row, 3 * n + 2});
        } else if (chars) {
            if (off + 1 < size) moveTo(d.offsetCell(off + 1, true));
        } else if (d.caretNibble() == 0) {
            moveTo(Cell{c.row, c.col + 1});
        } else if (off + 1 < size) {
            moveTo(d.offsetCell(off + 1, false));
        }
        return true;
    case Qt::Key_Up:
        if (ctrl) return false;
        if (c.row > 0) moveTo(Cell{c.row - 1, c.col});
        return true;
    case Qt::Key_Down:
        if (ctrl) return false;
        if (c.row < last) moveTo(Cell{c.row + 1, c.col});
        return true;
    case Qt::Key_T:
        if (!ctrl) return false;
        if (size > 0) moveTo(d.counterpart(c));
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (mods != Qt::NoModifier && mods != Qt::ShiftModifier) return false;
        // Tab goes from the hex pane to the characters, then on to the
        // window's next control; Shift+Tab the other way.
        const bool forward = key == Qt::Key_Tab && mods == Qt::NoModifier;
        if (size > 0 && forward != d.caretInChars())
            moveTo(d.counterpart(c));
        else
            QAbstractScrollArea::focusNextPrevChild(forward);
        return true;
    }
    case Qt::Key_Shift:
        if (mods != Qt::ShiftModifier) return false;
        if (!d.selecting()) d.clearSelection();
        d.setSelecting(true);
        return true;
    default:
        break;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9 && ctrl) {
        const int digit = key - Qt::Key_0;
        if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
            d.setMarker(digit, c.row);
            return true;
        }
        if (ctrlOnly) {
            d.clearSelection();
            const qint64 line = d.markerLine(digit);
            if (line >= 0 && line <= last) {
                moveTo(Cell{line, 2});
            } else {
                d.setMarker(digit, 1);
            }
            return true;
        }
    }
    return false;
}

void HexEditorView::keyPressEvent(QKeyEvent* e) {
    HexCursor& d = m_cursor;
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    switch (e->key()) {
    case Qt::Key_Insert:
        m_doc.insertFlag = !m_doc.insertFlag;
        if (autoCaretMode) caretStyle = m_doc.insertMode() ? csLeftLine : csFull;
        m_doc.clearMarks();
        viewport()->update();
        if (d.stateChanged) d.stateChanged();
        return;
    case Qt::Key_Backspace:
        if (m_doc.insertMode()) {
            if (d.selStart() >= 0) d.deleteSelection();
            d.deleteByte(true);
            ensureCaretVisible();
            return;
        } else {
            QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
            navigate(&left);
            return;
        }
    case Qt::Key_Delete:
        if (mods == Qt::ControlModifier || (m_doc.insertMode() && d.selStart() >= 0))
            d.deleteSelection();
        else if (m_doc.insertMode())
            d.deleteByte(false);
        ensureCaretVisible();
        return;
    default:
        break;
    }
    if (navigate(e)) return;
    const QString text = e->text();
    if (!text.isEmpty() && !(mods & Qt::ControlModifier) && text[0].isPrint()) {
        typeCharacter(text[0]);
        return;
    }
    e->ignore(); // F3, F6, Escape... go to the window
}

void HexEditorView::typeCharacter(QChar ch) {
    HexCursor& d = m_cursor;
    const qint64 o = d.caretRawOffset();
    const qint64 size = d.dataSize();
    const bool insert = m_doc.insertMode();
    if (o >= size && !insert) return;
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    if (d.caretInChars()) {
        const int value = typedValue(ch);
        if (value < 0 || (value < 32 && !m_altEntry)) return;
        m_altEntry = false;
        if (!insert) {
            d.clearSelection();
            d.changeByte(o, quint8(value));
        } else if (d.selStart() >= 0) {
            d.replaceSelection(QByteArray(1, char(value)));
        } else if (size == 0) {
            d.appendBuffer(QByteArray(1, char(value)));
        } else {
            d.insertBuffer(QByteArray(1, char(value)), o);
        }
        navigate(&right);
        return;
    }
    const int v = QStringLiteral("0123456789ABCDEF").indexOf(ch.toUpper());
    if (v < 0 || !d.isHexColumn(d.caret().col)) return;
    if (!insert) d.clearSelection();
    const quint8 old = o < size ? d.readByte(o) : 0;
    const bool highCell = (d.caretNibble() == 0) != swapNibbles;
    const bool highNibble = highCell || d.selStart() >= 0;
    const quint8 fresh = highNibble ? quint8(v * 16 + (old % 16)) : quint8((old & 0xF0) + v);
    if (!insert) {
        d.changeByte(o, fresh);
        navigate(&right);
        return;
    }
    if (d.caretNibble() == 1 && d.selStart() < 0) {
        d.changeByte(o, fresh);
        if (o == size - 1) {
            d.appendBuffer(QByteArray(1, 0));
            return;
        }
        navigate(&right);
        return;
    }
    const quint8 half = swapNibbles ? quint8(v) : quint8(v * 16);
    if (size == 0)
        d.appendBuffer(QByteArray(1, char(half)));
    else if (d.selStart() >= 0)
        d.replaceSelection(QByteArray(1, char(half)));
    else
        d.insertBuffer(QByteArray(1, char(half)), o);
    navigate(&right);
}

} // namespace hexedit
