#include "filter_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace filemanager {

FilterDialog::FilterDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Filtre"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Filtre de sélection (ex : *.exe ou *.*"), this));
    m_edit = new QLineEdit(this);
    layout->addWidget(m_edit);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    auto confirm = [this] {
        m_confirmed = true;
        accept();
    };
    connect(ok, &QPushButton::clicked, this, confirm);
    connect(m_edit, &QLineEdit::returnPressed, this, confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FilterDialog::init(const QString& mask) {
    m_edit->setText(mask);
    m_confirmed = false;
}

QString FilterDialog::mask() const {
    return m_confirmed ? m_edit->text() : QString();
}

} // namespace filemanager
