#include "backup_dialog.h"
#include "archive_run_scope.h"
#include "core/job.h"
#include "platform/platform.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/job_progress.h"
#include "ui/window_parts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace transforms {

BackupDialog::BackupDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Backup"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ui::closeBar(this, closeButton));
    auto* form = new QFormLayout;
    titleEdit = new QLineEdit(this);
    destinationEdit = new QLineEdit(this);
    browseButton = makeBrowseButton(this);
    auto* dest = new QHBoxLayout;
    dest->addWidget(destinationEdit);
    dest->addWidget(browseButton);
    form->addRow(QStringLiteral("Titre"), titleEdit);
    form->addRow(QStringLiteral("Destination"), dest);
    destinationEdit->setAccessibleName(QStringLiteral("Destination"));
    layout->addLayout(form);
    auto* groups = new QHBoxLayout;
    auto* mode = new QGroupBox(QStringLiteral("Mode"), this);
    auto* modeLayout = new QVBoxLayout(mode);
    modeTotal = new QRadioButton(QStringLiteral("Total"), mode);
    modeIncremental = new QRadioButton(QStringLiteral("Incrémental"), mode);
    modeTotal->setChecked(true);
    modeLayout->addWidget(modeTotal);
    modeLayout->addWidget(modeIncremental);
    auto* comp = new QGroupBox(QStringLiteral("Compression"), this);
    auto* compLayout = new QVBoxLayout(comp);
    const char* const levels[] = {"Rapide", "Défaut", "Maximum", "Aucune"};
    for (int i = 0; i < 4; ++i) {
        compression[i] = new QRadioButton(QString::fromUtf8(levels[i]), comp);
        compLayout->addWidget(compression[i]);
    }
    compression[0]->setChecked(true);
    groups->addWidget(mode);
    groups->addWidget(comp);
    layout->addLayout(groups);
    saveDetailsBox = new QCheckBox(QStringLiteral("Sauver détails"), this);
    layout->addWidget(saveDetailsBox);
    backupButton = new QPushButton(QStringLiteral("Backup"), this);
    layout->addWidget(backupButton);
    progressBar = new QProgressBar(this);
    progressBar->setAccessibleName(QStringLiteral("Progression"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    layout->addWidget(progressBar);
    titleEdit->setFocus();
    connect(closeButton, &QPushButton::clicked, this, &BackupDialog::reject);
    connect(browseButton, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { browse(); }); });
    connect(backupButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { backup(); }); });
}

void BackupDialog::init(const QStringList& list) {
    m_specs.clear();
    // A selected folder stands for everything below it; a file's name is
    // searched in its folder and the folders below.
    for (const QString& s : list)
        m_specs << (platform::Platform::instance().isFolder(s) ? s + QStringLiteral("/*.* /s")
                                                               : s + QStringLiteral(" /s"));
}

void BackupDialog::browse() {
    const QString start =
        destinationEdit->text().isEmpty() ? QStringLiteral("Backup.bck") : destinationEdit->text();
    QString chosen = ui::dialogs().saveFileName(QStringLiteral("Backup"), start,
                                                QString::fromLatin1(kArchiveFilter));
    if (chosen.isEmpty()) return;
    if (QFileInfo(chosen).suffix().isEmpty()) chosen += QStringLiteral(".bck");
    destinationEdit->setText(chosen);
}

QString BackupDialog::archiveNameFor(const QString& typed) {
    // The extension becomes "bck": the file name's part after its first dot.
    const int slash = int(typed.lastIndexOf(u'/'));
    const int dot = int(typed.indexOf(u'.', slash + 1));
    return dot < 0 ? typed : typed.left(dot + 1) + QStringLiteral("bck");
}

qint32 BackupDialog::maxSizeFor(const QString& archive) {
    platform::Platform& p = platform::Platform::instance();
    const QChar drive = p.driveOf(archive);
    return drive == u'A' || drive == u'B' ? 1400000 : 0;
}

void BackupDialog::backup() {
    if (m_running || destinationEdit->text().isEmpty()) return;
    const QString archivePath =
        QDir(m_folder).absoluteFilePath(archiveNameFor(destinationEdit->text()));
    BackupRequest request;
    request.specs = m_specs;
    request.archive = archivePath;
    request.maxSize = maxSizeFor(archivePath);
    request.folder = QDir(m_folder).absolutePath();
    request.title = titleEdit->text();
    request.mode = modeIncremental->isChecked() ? bmIncremental : bmAll;
    const CompressionLevel levels[] = {clFastest, clDefault, clMax, clNone};
    for (int i = 0; i < 4; ++i)
        if (compression[i]->isChecked()) request.level = levels[i];
    request.saveFileList = saveDetailsBox->isChecked();
    m_lastArchive = archivePath;
    ArchiveResult result;
    {
        ArchiveRunScope run(m_running, {closeButton, backupButton, browseButton}, progressBar);
        result = runArchive(progressBar, QStringLiteral("Insérer une disquete "),
                            [&](core::Job& job, const ArchiveQuestions& q) {
                                return BackupArchive::backup(request, job, q);
                            });
    }
    if (result.outcome.ok())
        ui::dialogs().message(QStringLiteral("Backup terminé. Taux de compression = %1 %")
                                  .arg(result.compressionRate));
    else
        ui::dialogs().message(QStringLiteral("Backup échoué ou annulé"));
}

void BackupDialog::reject() {
    if (!m_running) QDialog::reject(); // never closed under a running backup
}

} // namespace transforms
