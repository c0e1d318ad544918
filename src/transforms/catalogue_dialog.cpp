#include "catalogue_dialog.h"
#include "core/job.h"
#include "filemanager/components/drive_selector.h"
#include "occupation.h"
#include "platform/platform.h"
#include "sysinfo/disk_info.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/job_progress.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace transforms {

CatalogueDialog::CatalogueDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Répertorier support"));
    auto* layout = new QVBoxLayout(this);
    Button1 = new QPushButton(QStringLiteral("Fermer"), this);
    Button1->setAutoDefault(false);
    layout->addWidget(Button1, 0, Qt::AlignRight);
    auto* form = new QFormLayout;
    drives = new filemanager::DriveSelector(this);
    drives->SetDrive(u'C');
    Edit1 = new QLineEdit(QStringLiteral("Support.txt"), this);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setText(QStringLiteral("..."));
    auto* dest = new QHBoxLayout;
    dest->addWidget(Edit1);
    dest->addWidget(SpeedButton1);
    Edit2 = new QLineEdit(this);
    form->addRow(QStringLiteral("Support"), drives);
    form->addRow(QStringLiteral("Destination"), dest);
    form->addRow(QStringLiteral("Nom support"), Edit2);
    layout->addLayout(form);
    Label4 = new QLabel(this);
    layout->addWidget(Label4);
    Button2 = new QPushButton(QStringLiteral("Démarrer"), this);
    layout->addWidget(Button2);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(drives, &filemanager::DriveSelector::OnChange, this, &CatalogueDialog::driveChosen);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] {
        const QString chosen = ui::dialogs().saveFileName(
            QStringLiteral("Destination"), Edit1->text(), QStringLiteral("Fichier texte (*.txt)"));
        if (!chosen.isEmpty())
            Edit1->setText(chosen.endsWith(u".txt") ? chosen : chosen + QStringLiteral(".txt"));
    });
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Button2Click(); }); });
}

void CatalogueDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Edit2->setText(platform::Platform::instance().volumeLabel(drives->Drive()));
}

void CatalogueDialog::driveChosen() {
    const QString label = platform::Platform::instance().volumeLabel(drives->Drive());
    Edit2->setText(label);
    if (!label.isEmpty()) Edit1->setText(label + QStringLiteral(".txt"));
}

void CatalogueDialog::Button2Click() {
    platform::Platform& p = platform::Platform::instance();
    const QString output = QDir(m_folder).absoluteFilePath(Edit1->text());
    const QString name = Edit2->text();
    const QString root = p.driveRoot(drives->Drive());
    qint64 files = 0;
    core::Outcome written;
    core::FunctionJob job(
        [&](core::Job& j) { written = writeCatalogue(root, output, name, j, &files); });
    job.onItem = [l = Label4](const QString& folder) { l->setText(folder); };
    job.runInBackground();
    if (written.kind == core::Outcome::Cancelled) return;
    if (!written.ok()) throw core::TavError(written.text);
    ui::dialogs().message(QStringLiteral("%1 Fichiers trouvés").arg(files));
}

} // namespace transforms
