#pragma once
// The franc and euro converter window.

#include "euro_machine.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace desk {

class EuroConverterWindow : public QDialog {
    Q_OBJECT
  public:
    explicit EuroConverterWindow(QWidget* parent = nullptr);

    EuroMachine machine;
    QLabel* entryDisplay;
    QLabel* resultDisplay;
    QLineEdit* rateField;
    QRadioButton* frToEuro;
    QRadioButton* euroToFr;
    QToolButton* rateUp;
    QToolButton* rateDown;
    QPushButton* equalsButton;
    QPushButton* closeButton;
    QPushButton* digitButton(int d) const { return m_digits[d]; }
    QPushButton* commaButton() const { return m_comma; }

  protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

  private:
    void refresh();
    QPushButton* m_digits[10];
    QPushButton* m_comma;
};

} // namespace desk
