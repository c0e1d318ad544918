#include "properties_dialog.h"
#include "filemanager/file_list_model.h"
#include "platform/platform.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace filemanager {

using namespace platform;

PropertiesDialog::PropertiesDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Propriétés du fichier"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setReadOnly(true);
    m_date = new QLineEdit(this);
    m_size = new QLineEdit(this);
    form->addRow(QStringLiteral("Nom"), m_name);
    form->addRow(QStringLiteral("Date"), m_date);
    form->addRow(QStringLiteral("Taille"), m_size);
    layout->addLayout(form);
    layout->addWidget(m_boxes.build(this));
    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void PropertiesDialog::init(const QString& name) {
    Platform& p = Platform::instance();
    QFileInfo fi(name);
    m_name->setText(fi.fileName());
    m_date->setText(dateText(fi.lastModified().toSecsSinceEpoch()));
    m_size->setText(QString::number(fi.isDir() ? 0 : fi.size()) + QStringLiteral(" octets"));
    const quint32 a = p.attributes(name);
    const bool known = a != 0xFFFFFFFFu;
    m_boxes.archive->setChecked(known && (a & faArchive));
    m_boxes.readOnly->setChecked(known && (a & faReadOnly));
    m_boxes.hidden->setChecked(known && (a & faHidden));
    m_boxes.system->setChecked(known && (a & faSysFile));
}

} // namespace filemanager
