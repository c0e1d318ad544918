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
    layout->addWidget(ui::closeBar(this, Button1));
    auto* form = new QFormLayout;
    Edit1 = new QLineEdit(this);
    Edit2 = new QLineEdit(this);
    SpeedButton1 = browseButton(this);
    auto* dest = new QHBoxLayout;
    dest->addWidget(Edit2);
    dest->addWidget(SpeedButton1);
    form->addRow(QStringLiteral("Titre"), Edit1);
    form->addRow(QStringLiteral("Destination"), dest);
    Edit2->setAccessibleName(QStringLiteral("Destination"));
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
    CheckBox1 = new QCheckBox(QStringLiteral("Sauver détails"), this);
    layout->addWidget(CheckBox1);
    Button2 = new QPushButton(QStringLiteral("Backup"), this);
    layout->addWidget(Button2);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setAccessibleName(QStringLiteral("Progression"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    layout->addWidget(ProgressBar1);
    Edit1->setFocus();
    connect(Button1, &QPushButton::clicked, this, &BackupDialog::reject);
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { SpeedButton1Click(); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Button2Click(); }); });
}

void BackupDialog::Init(const QStringList& list) {
    m_specs.clear();
    // A selected folder stands for everything below it; a file's name is
    // searched in its folder and the folders below.
    for (const QString& s : list)
        m_specs << (QFileInfo(s).isDir() ? s + QStringLiteral("/*.* /s")
                                         : s + QStringLiteral(" /s"));
}

void BackupDialog::SpeedButton1Click() {
    const QString start = Edit2->text().isEmpty() ? QStringLiteral("Backup.bck") : Edit2->text();
    QString chosen = ui::dialogs().saveFileName(QStringLiteral("Backup"), start,
                                                QString::fromLatin1(kArchiveFilter));
    if (chosen.isEmpty()) return;
    if (QFileInfo(chosen).suffix().isEmpty()) chosen += QStringLiteral(".bck");
    Edit2->setText(chosen);
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

void BackupDialog::Button2Click() {
    if (m_running || Edit2->text().isEmpty()) return;
    const QString archive = QDir(m_folder).absoluteFilePath(archiveNameFor(Edit2->text()));
    BackupFile1.MaxSize = maxSizeFor(archive);
    BackupFile1.Folder = QDir(m_folder).absolutePath();
    BackupFile1.BackupTitle = Edit1->text();
    BackupFile1.setBackupMode(modeIncremental->isChecked() ? bmIncremental : bmAll);
    const TCompressionLevel levels[] = {clFastest, clDefault, clMax, clNone};
    for (int i = 0; i < 4; ++i)
        if (compression[i]->isChecked()) BackupFile1.CompressionLevel = levels[i];
    BackupFile1.SaveFileID = CheckBox1->isChecked();
    m_lastArchive = archive;
    ArchiveResult result;
    {
        ArchiveRunScope run(m_running, {Button1, Button2, SpeedButton1}, ProgressBar1);
        result = runArchive(ProgressBar1, QStringLiteral("Insérer une disquete "),
                            [&](core::Job& job, const ArchiveQuestions& q) {
                                return BackupFile1.backup(m_specs, archive, job, q);
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
