#include "case_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace filemanager {

CaseDialog::CaseDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Changer la casse"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* radios = new QVBoxLayout(group);
    const char* const captions[] = {"Tout en minuscules", "Tout en majuscules",
                                    "1ere lettre en majuscule"};
    for (int i = 0; i < 3; ++i) {
        m_choices[i] = new QRadioButton(QString::fromUtf8(captions[i]), group);
        radios->addWidget(m_choices[i]);
    }
    m_choices[0]->setChecked(true);
    layout->addWidget(group);
    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        m_confirmed = true;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CaseDialog::choice() const {
    if (!m_confirmed) return -1;
    for (int i = 0; i < 3; ++i)
        if (m_choices[i]->isChecked()) return i;
    return -1;
}

} // namespace filemanager
