#pragma once
// The pocket calculator window.

#include "PocketMachine.h"

#include <QDialog>
#include <QMap>

class QLabel;
class QPushButton;

namespace desk {

class TPocket : public QDialog {
    Q_OBJECT
  public:
    explicit TPocket(QWidget* parent = nullptr);

    // The registers outlive the window; every opening clears them.
    static PocketMachine& machine();

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
