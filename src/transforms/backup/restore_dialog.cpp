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

RestoreDialog::RestoreDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Restaure"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ui::closeBar(this, Button1));
    auto* form = new QFormLayout;
    Edit1 = new QLineEdit(this);
    SpeedButton1 = browseButton(this);
    auto* arch = new QHBoxLayout;
    arch->addWidget(Edit1);
    arch->addWidget(SpeedButton1);
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
    rbOrigpath = new QRadioButton(QStringLiteral("Chemin d'origine (remplacer fichiers)"), path);
    rbOtherPath = new QRadioButton(QStringLiteral("Autre chemin"), path);
    rbOrigpath->setChecked(true);
    EdPath = new QLineEdit(path);
    RestorePathButton = browseButton(path);
    RestorePathButton->setToolTip(QStringLiteral("Browse Data Path"));
    CbFullPath = new QCheckBox(QStringLiteral("Reconstituer arborescence"), path);
    auto* other = new QHBoxLayout;
    other->addWidget(EdPath);
    other->addWidget(RestorePathButton);
    pathLayout->addWidget(rbOrigpath);
    pathLayout->addWidget(rbOtherPath);
    pathLayout->addLayout(other);
    pathLayout->addWidget(CbFullPath);
    layout->addWidget(path);
    Button2 = new QPushButton(QStringLiteral("Restore"), this);
    layout->addWidget(Button2);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setAccessibleName(QStringLiteral("Progression"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    layout->addWidget(ProgressBar1);
    pathChoiceClicked();
    Edit1->setFocus();
    connect(Button1, &QPushButton::clicked, this, &RestoreDialog::reject);
    connect(rbOrigpath, &QRadioButton::clicked, this, &RestoreDialog::pathChoiceClicked);
    connect(rbOtherPath, &QRadioButton::clicked, this, &RestoreDialog::pathChoiceClicked);
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { SpeedButton1Click(); }); });
    connect(RestorePathButton, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { RestorePathButtonClick(); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Button2Click(); }); });
}

void RestoreDialog::pathChoiceClicked() {
    const bool other = rbOtherPath->isChecked();
    EdPath->setEnabled(other);
    RestorePathButton->setEnabled(other);
    // Rebuilding the stored folders only means something under another folder.
    CbFullPath->setEnabled(other);
}

void RestoreDialog::SpeedButton1Click() {
    const QString chosen = ui::dialogs().openFileName(QStringLiteral("Restaure"), Edit1->text(),
                                                      QString::fromLatin1(kArchiveFilter));
    if (!chosen.isEmpty()) Edit1->setText(chosen);
}

void RestoreDialog::RestorePathButtonClick() {
    const QString start = QFileInfo(EdPath->text()).isDir() ? EdPath->text() : QString();
    const QString chosen = ui::dialogs().folderName(QStringLiteral("Autre chemin"), start);
    if (!chosen.isEmpty()) EdPath->setText(chosen);
}

void RestoreDialog::Button2Click() {
    if (m_running) return;
    if (!QFileInfo(Edit1->text()).isFile()) {
        ui::dialogs().message(QStringLiteral("Indiquer l'archive à restaurer"));
        return;
    }
    for (int i = 0; i < 5; ++i)
        if (modes[i]->isChecked()) BackupFile1.RestoreMode = TRestoreMode(i);
    QString path;
    if (rbOtherPath->isChecked()) {
        path = EdPath->text().trimmed();
        if (path.isEmpty()) {
            ui::dialogs().message(QStringLiteral("Indiquer le nouveau chemin"));
            return;
        }
    }
    BackupFile1.RestoreFullPath = CbFullPath->isEnabled() && CbFullPath->isChecked();
    BackupFile1.Folder = QDir(m_folder).absolutePath();
    ArchiveResult result;
    {
        ArchiveRunScope run(m_running, {Button1, Button2, SpeedButton1}, ProgressBar1);
        const QString archive = QDir(m_folder).absoluteFilePath(Edit1->text());
        if (!path.isEmpty()) path = QDir(m_folder).absoluteFilePath(path);
        result = runArchive(ProgressBar1, QStringLiteral("Insérer une disquette en "),
                            [&](core::Job& job, const ArchiveQuestions& q) {
                                return BackupFile1.restore(archive, path, job, q);
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
