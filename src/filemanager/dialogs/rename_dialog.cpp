#include "rename_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace filemanager {

RenameDialog::RenameDialog(Renamer renamer, QWidget* parent)
    : QDialog(parent), m_renamer(std::move(renamer)) {
    setWindowTitle(QStringLiteral("Renommer"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_old = new QLineEdit(this);
    m_old->setReadOnly(true);
    m_new = new QLineEdit(this);
    form->addRow(QStringLiteral("Ancien nom"), m_old);
    form->addRow(QStringLiteral("Nouveau nom"), m_new);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &RenameDialog::confirm);
    connect(m_new, &QLineEdit::returnPressed, this, &RenameDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(360, sizeHint().height());
}

void RenameDialog::init(const QStringList& names) {
    m_names = names;
    m_index = 0;
    showCurrent();
}

void RenameDialog::showCurrent() {
    const QString name = m_names.value(m_index);
    m_old->setText(name);
    m_new->setText(name);
    m_new->setFocus();
}

void RenameDialog::confirm() {
    if (m_index >= m_names.size()) return accept();
    if (m_old->text() != m_new->text()) m_renamer(m_old->text(), m_new->text());
    if (++m_index >= m_names.size()) return accept();
    showCurrent();
}

} // namespace filemanager
