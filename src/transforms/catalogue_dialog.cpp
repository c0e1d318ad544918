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
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    closeButton->setAutoDefault(false);
    layout->addWidget(closeButton, 0, Qt::AlignRight);
    auto* form = new QFormLayout;
    drives = new filemanager::DriveSelector(this);
    drives->setDrive(u'C');
    destinationEdit = new QLineEdit(QStringLiteral("Support.txt"), this);
    browseButton = new QToolButton(this);
    browseButton->setText(QStringLiteral("..."));
    auto* dest = new QHBoxLayout;
    dest->addWidget(destinationEdit);
    dest->addWidget(browseButton);
    mediumNameEdit = new QLineEdit(this);
    form->addRow(QStringLiteral("Support"), drives);
    form->addRow(QStringLiteral("Destination"), dest);
    form->addRow(QStringLiteral("Nom support"), mediumNameEdit);
    layout->addLayout(form);
    statusLabel = new QLabel(this);
    layout->addWidget(statusLabel);
    startButton = new QPushButton(QStringLiteral("Démarrer"), this);
    layout->addWidget(startButton);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(drives, &filemanager::DriveSelector::changed, this, &CatalogueDialog::driveChosen);
    connect(browseButton, &QToolButton::clicked, this, [this] {
        const QString chosen =
            ui::dialogs().saveFileName(QStringLiteral("Destination"), destinationEdit->text(),
                                       QStringLiteral("Fichier texte (*.txt)"));
        if (!chosen.isEmpty())
            destinationEdit->setText(chosen.endsWith(u".txt") ? chosen
                                                              : chosen + QStringLiteral(".txt"));
    });
    connect(startButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { start(); }); });
}

void CatalogueDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    mediumNameEdit->setText(platform::Platform::instance().volumeLabel(drives->drive()));
}

void CatalogueDialog::driveChosen() {
    const QString label = platform::Platform::instance().volumeLabel(drives->drive());
    mediumNameEdit->setText(label);
    if (!label.isEmpty()) destinationEdit->setText(label + QStringLiteral(".txt"));
}

void CatalogueDialog::start() {
    platform::Platform& p = platform::Platform::instance();
    const QString output = QDir(m_folder).absoluteFilePath(destinationEdit->text());
    const QString name = mediumNameEdit->text();
    const QString root = p.driveRoot(drives->drive());
    qint64 files = 0;
    core::Outcome written;
    core::FunctionJob job(
        [&](core::Job& j) { written = writeCatalogue(root, output, name, j, &files); });
    job.onItem = [l = statusLabel](const QString& folder) { l->setText(folder); };
    job.runInBackground();
    if (written.kind == core::Outcome::Cancelled) return;
    if (!written.ok()) throw core::TavError(written.text);
    ui::dialogs().message(QStringLiteral("%1 Fichiers trouvés").arg(files));
}

} // namespace transforms
