#pragma once

#include <QDate>
#include <QTableWidget>

namespace desk {

// The month grid: day names on the first row (week from Sunday), the days
// of the month below; the cell of its date is selected.
class MonthGrid : public QTableWidget {
    Q_OBJECT
  public:
    explicit MonthGrid(QWidget* parent = nullptr);
    QDate date() const { return m_date; }
    void setDate(const QDate& d);
    void previousMonth() { changeMonth(-1); }
    void nextMonth() { changeMonth(1); }
    // The cell of a day of the shown month.
    QPoint cellOf(int day) const;

  Q_SIGNALS:
    void changed();

  private:
    void changeMonth(int delta);
    void fill();
    void cellChosen(int row, int column);
    QDate m_date;
    bool m_filling = false;
};

// Keeps the day where possible: 31/01 + 1 month gives the last of February.
QDate addMonthKeepingDay(const QDate& d, int delta);

} // namespace desk
