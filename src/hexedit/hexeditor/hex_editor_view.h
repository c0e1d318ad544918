#pragma once
// The hex editor control: paints offset, marker, hex and character columns
// of a HexDocument itself through its HexCursor, and turns keys and the mouse
// into the cursor's operations.

#include "hex_cursor.h"
#include "hex_document.h"

#include <QAbstractScrollArea>
#include <QColor>

namespace hexedit {

enum OffsetDisplayStyle { odHex, odDec, odOctal, odNone };
enum CaretStyle { csFull, csLeftLine, csBottomLine };

struct HexColors {
    QColor background = QColor(255, 255, 255);
    QColor offset = QColor(0, 0, 0);
    QColor oddColumn = QColor(0, 0, 255);
    QColor evenColumn = QColor(0, 0, 128);
    QColor positionBackground = QColor(128, 0, 0);
    QColor positionText = QColor(255, 255, 255);
    QColor changedBackground = QColor(255, 255, 168);
    QColor changedText = QColor(128, 0, 0);
    QColor cursorFrame = QColor(0, 0, 128);
    static QColor complement(const QColor& c) {
        return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
    }
};

class HexEditorView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit HexEditorView(QWidget* parent = nullptr);

    HexDocument& document() { return m_doc; }
    HexCursor& cursor() { return m_cursor; }

    // Display properties
    int bytesPerColumn = 2;
    OffsetDisplayStyle offsetDisplay = odHex;
    QChar offsetSeparator = u':';
    bool showMarkerColumn = true;
    bool maskWhiteSpaces = true;
    QChar maskChar = u'.';
    bool swapNibbles = false;
    CaretStyle caretStyle = csFull;
    bool autoCaretMode = true;
    bool focusFrame = true;
    HexColors colors;
    void setOffsetDisplay(OffsetDisplayStyle s);
    void setBytesPerLine(int n) { m_cursor.setBytesPerLine(n); }

    // Layout, exposed for tests and the window.
    int columnWidth(int col) const;
    int offsetChars();
    QString offsetText(qint64 offset);
    int rowHeight() const { return m_rowHeight; }
    int charWidth() const { return m_w; }
    Cell cellAt(const QPoint& viewportPos) const;
    QChar displayChar(quint8 byte) const;
    // The byte value a typed character stands for in the character area.
    int typedValue(QChar c) const;
    int visibleRows() const;
    qint64 topRow() const;
    // Scrolls the caret's line and column into view and repaints: for a
    // caret moved by the program (a match found, a position reached).
    void showCaret();

  Q_SIGNALS:
    void OnStateChanged();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool) override { return false; } // Tab moves to the counterpart cell

  private:
    void recomputeLayout();
    void updateScrollBars();
    void repaintLines(qint64 first, qint64 last);
    void ensureCaretVisible();
    bool navigate(QKeyEvent* e);
    void typeCharacter(QChar c);
    void moveTo(const Cell& c);
    int columnX(int col) const { return m_x[size_t(col)]; }
    void paintLine(class QPainter& p, qint64 row, int y);

    HexDocument m_doc;
    HexCursor m_cursor{m_doc};
    int m_w = 8;
    int m_rowHeight = 16;
    std::vector<int> m_x; // left edge of each column, then the total width
    bool m_altEntry = false;
    bool m_buttonDown = false;
    bool m_statePosted = false;
};

} // namespace hexedit
