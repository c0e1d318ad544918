// The backup and restore dialogs: thin windows over the archive component.
#include "TBackdial.h"
#include "TRestoreDial.h"
#include "core/Job.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
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

namespace {

const char* const kFilter = "Fichiers backup (*.bck)";

// Hourglass and locked buttons for the length of a run; restored on errors too.
class RunScope {
  public:
    RunScope(bool& running, QList<QWidget*> locked, QProgressBar* bar)
        : m_running(running), m_locked(std::move(locked)), m_bar(bar) {
        m_running = true;
        for (QWidget* w : m_locked)
            w->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_bar->setValue(0);
    }
    ~RunScope() {
        m_bar->setValue(100);
        QApplication::restoreOverrideCursor();
        for (QWidget* w : m_locked)
            w->setEnabled(true);
        m_running = false;
    }

  private:
    bool& m_running;
    QList<QWidget*> m_locked;
    QProgressBar* m_bar;
};

// Runs the archive's work as a job: progress to the bar, the volume
// prompts and error boxes asked on the window's thread. A numbered archive
// error is shown in its error box; an archive that cannot be read at all
// leaves as an error for the general report, ending the command.
ArchiveResult
runArchive(QProgressBar* bar, const QString& diskPrompt,
           const std::function<ArchiveResult(core::Job&, const ArchiveQuestions&)>& work) {
    ArchiveQuestions questions;
    questions.nextVolume = [diskPrompt](int disk) {
        return ui::dialogs().messageBox(QString::fromLatin1(ui::titles::plain),
                                        diskPrompt + QString::number(disk), ui::Icon::Information,
                                        ui::Ok | ui::Cancel) == ui::Ok;
    };
    questions.report = [](const QString& text) { ui::dialogs().error(text); };
    ArchiveResult result;
    core::FunctionJob job([&](core::Job& j) { result = work(j, questions); });
    ui::runOnBar(job, bar);
    if (result.outcome.kind == core::Outcome::Failed) {
        if (result.error == 0) throw core::TavError(result.outcome.text);
        ui::dialogs().error(result.outcome.text);
    }
    return result;
}

QToolButton* browseButton(QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(QStringLiteral("..."));
    return b;
}

} // namespace

// ---- backup ----

TBackdial::TBackdial(QWidget* parent) : QDialog(parent) {
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
    connect(Button1, &QPushButton::clicked, this, &TBackdial::reject);
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { SpeedButton1Click(); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Button2Click(); }); });
}

void TBackdial::Init(const QStringList& list) {
    m_specs.clear();
    // A selected folder stands for everything below it; a file's name is
    // searched in its folder and the folders below.
    for (const QString& s : list)
        m_specs << (QFileInfo(s).isDir() ? s + QStringLiteral("/*.* /s")
                                         : s + QStringLiteral(" /s"));
}

void TBackdial::SpeedButton1Click() {
    const QString start = Edit2->text().isEmpty() ? QStringLiteral("Backup.bck") : Edit2->text();
    QString chosen =
        ui::dialogs().saveFileName(QStringLiteral("Backup"), start, QString::fromLatin1(kFilter));
    if (chosen.isEmpty()) return;
    if (QFileInfo(chosen).suffix().isEmpty()) chosen += QStringLiteral(".bck");
    Edit2->setText(chosen);
}

QString TBackdial::archiveNameFor(const QString& typed) {
    // The extension becomes "bck": the file name's part after its first dot.
    const int slash = int(typed.lastIndexOf(u'/'));
    const int dot = int(typed.indexOf(u'.', slash + 1));
    return dot < 0 ? typed : typed.left(dot + 1) + QStringLiteral("bck");
}

qint32 TBackdial::maxSizeFor(const QString& archive) {
    platform::Platform& p = platform::Platform::instance();
    const QChar drive = p.driveOf(archive);
    return drive == u'A' || drive == u'B' ? 1400000 : 0;
}

void TBackdial::Button2Click() {
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
        RunScope run(m_running, {Button1, Button2, SpeedButton1}, ProgressBar1);
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

void TBackdial::reject() {
    if (!m_running) QDialog::reject(); // never closed under a running backup
}

// ---- restore ----

TRestoreDial::TRestoreDial(QWidget* parent) : QDialog(parent) {
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
    connect(Button1, &QPushButton::clicked, this, &TRestoreDial::reject);
    connect(rbOrigpath, &QRadioButton::clicked, this, &TRestoreDial::pathChoiceClicked);
    connect(rbOtherPath, &QRadioButton::clicked, this, &TRestoreDial::pathChoiceClicked);
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { SpeedButton1Click(); }); });
    connect(RestorePathButton, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { RestorePathButtonClick(); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Button2Click(); }); });
}

void TRestoreDial::pathChoiceClicked() {
    const bool other = rbOtherPath->isChecked();
    EdPath->setEnabled(other);
    RestorePathButton->setEnabled(other);
    // Rebuilding the stored folders only means something under another folder.
    CbFullPath->setEnabled(other);
}

void TRestoreDial::SpeedButton1Click() {
    const QString chosen = ui::dialogs().openFileName(QStringLiteral("Restaure"), Edit1->text(),
                                                      QString::fromLatin1(kFilter));
    if (!chosen.isEmpty()) Edit1->setText(chosen);
}

void TRestoreDial::RestorePathButtonClick() {
    const QString start = QFileInfo(EdPath->text()).isDir() ? EdPath->text() : QString();
    const QString chosen = ui::dialogs().folderName(QStringLiteral("Autre chemin"), start);
    if (!chosen.isEmpty()) EdPath->setText(chosen);
}

void TRestoreDial::Button2Click() {
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
        RunScope run(m_running, {Button1, Button2, SpeedButton1}, ProgressBar1);
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

void TRestoreDial::reject() {
    if (!m_running) QDialog::reject();
}

} // namespace transforms
