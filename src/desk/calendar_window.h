#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class QDate;

namespace desk {

class MonthGrid;

// The calendar window: one month as a grid, paged month by month.
class CalendarWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CalendarWindow(QWidget* parent = nullptr);
    MonthGrid* monthGrid;
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
