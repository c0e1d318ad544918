#include "password_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace transforms {

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    passwordEdit = new QLineEdit(this);
    confirmEdit = new QLineEdit(this);
    passwordEdit->setMaxLength(8);
    confirmEdit->setMaxLength(8);
    form->addRow(QStringLiteral("Mot de passe (8 car)"), passwordEdit);
    form->addRow(QStringLiteral("Confirmer passe"), confirmEdit);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    cancelButton = new QPushButton(QStringLiteral("Annuler"), this);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton->setAutoDefault(false);
    okButton->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addWidget(okButton);
    layout->addLayout(buttons);
    passwordEdit->installEventFilter(this);
    confirmEdit->installEventFilter(this);
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        m_confirmed = false;
        reject();
    });
    connect(okButton, &QPushButton::clicked, this, [this] {
        m_confirmed = true;
        accept();
    });
}

QString PasswordDialog::password() const {
    return m_confirmed ? passwordEdit->text() : QString();
}

void PasswordDialog::done(int r) {
    // Confirmed only when both fields hold the same text; Annuler and
    // Escape always close, doing nothing.
    if (r == QDialog::Rejected) m_confirmed = false;
    if (r == QDialog::Accepted && passwordEdit->text() != confirmEdit->text()) {
        QApplication::beep();
        confirmEdit->setFocus();
        return;
    }
    QDialog::done(r);
}

bool PasswordDialog::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (passwordEdit->text() != confirmEdit->text()) {
                QApplication::beep();
                confirmEdit->setFocus();
            } else {
                m_confirmed = true;
                accept();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace transforms
