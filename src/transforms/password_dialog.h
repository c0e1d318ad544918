#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace transforms {

// The password dialog of encryption; the caller sets the caption.
class PasswordDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PasswordDialog(QWidget* parent = nullptr);
    QString password() const; // the password when confirmed, else empty
    QLineEdit* passwordEdit;
    QLineEdit* confirmEdit;
    QPushButton* cancelButton; // Annuler
    QPushButton* okButton;     // OK

  protected:
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    bool m_confirmed = false;
};

} // namespace transforms
