#include "restore_dialog.h"
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

RestoreDialog::RestoreDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Restaure"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ui::closeBar(this, closeButton));
    auto* form = new QFormLayout;
    archiveEdit = new QLineEdit(this);
    browseButton = makeBrowseButton(this);
    auto* arch = new QHBoxLayout;
    arch->addWidget(archiveEdit);
    arch->addWidget(browseButton);
    form->addRow(QStringLiteral("Archive"), arch);
    layout->addLayout(form);
    auto* mode = new QGroupBox(QStringLiteral("Mode"), this);
    auto* grid = new QGridLayout(mode);
    const char* const names[] = {"Tout", "Ne pas remplacer", "Plus récents", "Existants",
                                 "Existants et nouveaux"};
    for (int i = 0; i < 5; ++i) {
        modes[i] = new QRadioButton(QString::fromUtf8(names[i]), mode);
        grid->addWidget(modes[i], i % 3, i / 3);
    }
    modes[0]->setChecked(true);
    layout->addWidget(mode);
    auto* path = new QGroupBox(QStringLiteral("Chemin"), this);
    auto* pathLayout = new QVBoxLayout(path);
    originalPathButton =
        new QRadioButton(QStringLiteral("Chemin d'origine (remplacer fichiers)"), path);
    otherPathButton = new QRadioButton(QStringLiteral("Autre chemin"), path);
    originalPathButton->setChecked(true);
    otherPathEdit = new QLineEdit(path);
    otherPathBrowseButton = makeBrowseButton(path);
    otherPathBrowseButton->setToolTip(QStringLiteral("Browse Data Path"));
    fullPathBox = new QCheckBox(QStringLiteral("Reconstituer arborescence"), path);
    auto* other = new QHBoxLayout;
    other->addWidget(otherPathEdit);
    other->addWidget(otherPathBrowseButton);
    pathLayout->addWidget(originalPathButton);
    pathLayout->addWidget(otherPathButton);
    pathLayout->addLayout(other);
    pathLayout->addWidget(fullPathBox);
    layout->addWidget(path);
    restoreButton = new QPushButton(QStringLiteral("Restore"), this);
    layout->addWidget(restoreButton);
    progressBar = new QProgressBar(this);
    progressBar->setAccessibleName(QStringLiteral("Progression"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    layout->addWidget(progressBar);
    pathChoiceClicked();
    archiveEdit->setFocus();
    connect(closeButton, &QPushButton::clicked, this, &RestoreDialog::reject);
    connect(originalPathButton, &QRadioButton::clicked, this, &RestoreDialog::pathChoiceClicked);
    connect(otherPathButton, &QRadioButton::clicked, this, &RestoreDialog::pathChoiceClicked);
    connect(browseButton, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { browse(); }); });
    connect(otherPathBrowseButton, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { browseOtherPath(); }); });
    connect(restoreButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { restore(); }); });
}

void RestoreDialog::pathChoiceClicked() {
    const bool other = otherPathButton->isChecked();
    otherPathEdit->setEnabled(other);
    otherPathBrowseButton->setEnabled(other);
    // Rebuilding the stored folders only means something under another folder.
    fullPathBox->setEnabled(other);
}

void RestoreDialog::browse() {
    const QString chosen = ui::dialogs().openFileName(
        QStringLiteral("Restaure"), archiveEdit->text(), QString::fromLatin1(kArchiveFilter));
    if (!chosen.isEmpty()) archiveEdit->setText(chosen);
}

void RestoreDialog::browseOtherPath() {
    const QString start = platform::Platform::instance().isFolder(otherPathEdit->text())
                              ? otherPathEdit->text()
                              : QString();
    const QString chosen = ui::dialogs().folderName(QStringLiteral("Autre chemin"), start);
    if (!chosen.isEmpty()) otherPathEdit->setText(chosen);
}

void RestoreDialog::restore() {
    if (m_running) return;
    if (!platform::Platform::instance().isFile(archiveEdit->text())) {
        ui::dialogs().message(QStringLiteral("Indiquer l'archive à restaurer"));
        return;
    }
    RestoreRequest request;
    for (int i = 0; i < 5; ++i)
        if (modes[i]->isChecked()) request.mode = RestoreMode(i);
    QString path;
    if (otherPathButton->isChecked()) {
        path = otherPathEdit->text().trimmed();
        if (path.isEmpty()) {
            ui::dialogs().message(QStringLiteral("Indiquer le nouveau chemin"));
            return;
        }
    }
    request.fullPath = fullPathBox->isEnabled() && fullPathBox->isChecked();
    request.folder = QDir(m_folder).absolutePath();
    ArchiveResult result;
    {
        ArchiveRunScope run(m_running, {closeButton, restoreButton, browseButton}, progressBar);
        request.archive = QDir(m_folder).absoluteFilePath(archiveEdit->text());
        if (!path.isEmpty()) request.restorePath = QDir(m_folder).absoluteFilePath(path);
        result = runArchive(progressBar, QStringLiteral("Insérer une disquette en "),
                            [&](core::Job& job, const ArchiveQuestions& q) {
                                return BackupArchive::restore(request, job, q);
                            });
    }
    if (result.outcome.ok())
        ui::dialogs().message(restoreDoneText(result));
    else
        ui::dialogs().message(QStringLiteral("Restore échoué ou annulé"));
}

void RestoreDialog::reject() {
    if (!m_running) QDialog::reject();
}

} // namespace transforms
