#pragma once
// The clock window: shows the time and date, and sets the system clock.

#include "clock_fields.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;

namespace desk {

class ClockWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ClockWindow(QWidget* parent = nullptr);

    bool editing() const { return m_editing; }
    void setClock();
    void spin(bool up);
    void tick();

    QLabel* timeDisplay;
    QLabel* dateDisplay;
    QRadioButton* fields[5]; // Hr, Mn, Jo, Mo, An
    QToolButton* up;
    QToolButton* down;
    QPushButton* setButton;
    QPushButton* closeButton;
    QTimer* timer;

  protected:
    bool event(QEvent* e) override;

  private:
    ClockField chosen() const;
    bool m_editing = false;
};

} // namespace desk
