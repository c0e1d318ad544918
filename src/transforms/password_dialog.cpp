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
    Edit1 = new QLineEdit(this);
    Edit2 = new QLineEdit(this);
    Edit1->setMaxLength(8);
    Edit2->setMaxLength(8);
    form->addRow(QStringLiteral("Mot de passe (8 car)"), Edit1);
    form->addRow(QStringLiteral("Confirmer passe"), Edit2);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Annuler"), this);
    Button2 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, [this] {
        m_confirmed = false;
        reject();
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        m_confirmed = true;
        accept();
    });
}

QString PasswordDialog::Result() const {
    return m_confirmed ? Edit1->text() : QString();
}

void PasswordDialog::done(int r) {
    // Confirmed only when both fields hold the same text; Annuler and
    // Escape always close, doing nothing.
    if (r == QDialog::Rejected) m_confirmed = false;
    if (r == QDialog::Accepted && Edit1->text() != Edit2->text()) {
        QApplication::beep();
        Edit2->setFocus();
        return;
    }
    QDialog::done(r);
}

bool PasswordDialog::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (Edit1->text() != Edit2->text()) {
                QApplication::beep();
                Edit2->setFocus();
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
