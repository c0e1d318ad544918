#include "month_grid.h"
#include "ui/french.h"

#include <QHeaderView>

namespace desk {

QDate addMonthKeepingDay(const QDate& d, int delta) {
    const int day = d.day();
    const QDate edge =
        delta > 0 ? QDate(d.year(), d.month(), d.daysInMonth()) : QDate(d.year(), d.month(), 1);
    const QDate other = edge.addDays(delta);
    return QDate(other.year(), other.month(), std::min(day, other.daysInMonth()));
}

MonthGrid::MonthGrid(QWidget* parent) : QTableWidget(7, 7, parent), m_date(QDate::currentDate()) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setStyleSheet(QStringLiteral("QTableWidget { background: lime; }"));
    fill();
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int r, int c) { cellChosen(r, c); });
}

QPoint MonthGrid::cellOf(int day) const {
    const int first = QDate(m_date.year(), m_date.month(), 1).dayOfWeek() % 7; // Sunday first
    const int index = first + day - 1;
    return QPoint(index % 7, 1 + index / 7);
}

void MonthGrid::fill() {
    m_filling = true;
    clearContents();
    for (int c = 0; c < 7; ++c) {
        auto* item = new QTableWidgetItem(ui::dayShortName(c == 0 ? 7 : c));
        item->setTextAlignment(Qt::AlignCenter);
        item->setFlags(Qt::ItemIsEnabled);
        setItem(0, c, item);
    }
    for (int day = 1; day <= m_date.daysInMonth(); ++day) {
        const QPoint cell = cellOf(day);
        auto* item = new QTableWidgetItem(QString::number(day));
        item->setTextAlignment(Qt::AlignCenter);
        setItem(cell.y(), cell.x(), item);
    }
    const QPoint selected = cellOf(m_date.day());
    setCurrentCell(selected.y(), selected.x());
    m_filling = false;
}

void MonthGrid::setDate(const QDate& d) {
    if (!d.isValid()) return;
    m_date = d;
    fill();
    Q_EMIT changed();
}

void MonthGrid::changeMonth(int delta) {
    setDate(addMonthKeepingDay(m_date, delta));
}

void MonthGrid::cellChosen(int row, int column) {
    if (m_filling) return;
    QTableWidgetItem* it = row > 0 ? item(row, column) : nullptr;
    if (!it || it->text().isEmpty()) {
        // An empty cell or a day name: the selection stays on the date.
        const QPoint selected = cellOf(m_date.day());
        m_filling = true;
        setCurrentCell(selected.y(), selected.x());
        m_filling = false;
        return;
    }
    m_date = QDate(m_date.year(), m_date.month(), it->text().toInt());
    Q_EMIT changed();
}

} // namespace desk
