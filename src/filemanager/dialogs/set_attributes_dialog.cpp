#include "set_attributes_dialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace filemanager {

SetAttributesDialog::SetAttributesDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Fixer les attributs"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_date = new QDateEdit(QDate(2001, 2, 19), this);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    m_time = new QTimeEdit(QTime(22, 24, 54), this);
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    form->addRow(QStringLiteral("Date"), m_date);
    form->addRow(QStringLiteral("Heure"), m_time);
    layout->addLayout(form);
    layout->addWidget(m_boxes.build(this));
    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        m_confirmed = true;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SetAttributesDialog::chosen(QString& date, QString& time, bool& system, bool& hidden,
                                 bool& readOnly, bool& archive) const {
    if (!m_confirmed) {
        date.clear();
        time.clear();
        return;
    }
    date = m_date->date().toString(QStringLiteral("dd/MM/yyyy"));
    time = m_time->time().toString(QStringLiteral("HH:mm:ss"));
    system = m_boxes.system->isChecked();
    hidden = m_boxes.hidden->isChecked();
    readOnly = m_boxes.readOnly->isChecked();
    archive = m_boxes.archive->isChecked();
}

} // namespace filemanager
