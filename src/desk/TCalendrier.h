#pragma once
// The calendar window: one month as a grid, paged month by month.

#include <QDate>
#include <QDialog>
#include <QTableWidget>

class QLabel;
class QPushButton;

namespace desk {

// The month grid: day names on the first row (week from Sunday), the days
// of the month below; the cell of its date is selected.
class TCalendar : public QTableWidget {
    Q_OBJECT
  public:
    explicit TCalendar(QWidget* parent = nullptr);
    QDate date() const { return m_date; }
    void setDate(const QDate& d);
    void PrevMonth() { changeMonth(-1); }
    void NextMonth() { changeMonth(1); }
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

class TCalendrier : public QDialog {
    Q_OBJECT
  public:
    explicit TCalendrier(QWidget* parent = nullptr);
    TCalendar* Calendar1;
    QLabel* heading;
    QPushButton* previous;
    QPushButton* next;
    QPushButton* closeButton;
    static QString headingFor(const QDate& d); // "octobre  1998"

  protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void refreshHeading();
};

} // namespace desk
