#pragma once
// The pocket calculator window.

#include "calculator_machine.h"

#include <QDialog>
#include <QMap>

class QLabel;
class QPushButton;

namespace desk {

class CalculatorWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CalculatorWindow(QWidget* parent = nullptr);

    // The registers outlive the window; every opening clears them.
    static CalculatorMachine& machine();

    QPushButton* button(const QString& caption) const { return m_buttons.value(caption); }
    QLabel* displayLabel() const { return m_display; }
    // Runs the action of a button by its caption, through the error report.
    void press(const QString& caption);

  protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void refresh();
    QLabel* m_display;
    QMap<QString, QPushButton*> m_buttons;
};

} // namespace desk
