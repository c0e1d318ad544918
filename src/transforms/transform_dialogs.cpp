// The windows of the file transforms: split, password and catalogue.
#include "TDecoupe.h"
#include "TSupport.h"
#include "core/Job.h"
#include "filemanager/components/TDriveCombo.h"
#include "occupation.h"
#include "platform/Platform.h"
#include "split.h"
#include "sysinfo/TDiskInfo.h"
#include "ui/Dialogs.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

namespace transforms {

// ---- split ----

TDecoupe::TDecoupe(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Decouper fichier"));
    auto* layout = new QVBoxLayout(this);
    Button1 = new QPushButton(QStringLiteral("Fermer"), this);
    Button1->setAutoDefault(false);
    layout->addWidget(Button1, 0, Qt::AlignRight);
    Label1 = new QLabel(this);
    Label2 = new QLabel(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    auto* group = new QGroupBox(QStringLiteral("Découpage"), this);
    auto* g = new QVBoxLayout(group);
    RadioButton1 = new QRadioButton(QStringLiteral("Disquette 1.44 Mo"), group);
    RadioButton2 = new QRadioButton(QStringLiteral("Taille personnalisée"), group);
    RadioButton1->setChecked(true);
    auto* custom = new QHBoxLayout;
    Edit1 = new QLineEdit(group);
    Edit1->setEnabled(false);
    Edit1->installEventFilter(this);
    custom->addWidget(Edit1);
    custom->addWidget(new QLabel(QStringLiteral("Ko"), group));
    g->addWidget(RadioButton1);
    g->addWidget(RadioButton2);
    g->addLayout(custom);
    layout->addWidget(group);
    Label3 = new QLabel(QStringLiteral("Parts"), this);
    layout->addWidget(Label3);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    layout->addWidget(ProgressBar1);
    Button2 = new QPushButton(QStringLiteral("Découper"), this);
    Button2->setDefault(true);
    layout->addWidget(Button2);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(RadioButton1, &QRadioButton::clicked, this, &TDecoupe::choiceClicked);
    connect(RadioButton2, &QRadioButton::clicked, this, &TDecoupe::choiceClicked);
    connect(Edit1, &QLineEdit::textChanged, this, &TDecoupe::editChanged);
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Button2Click(); }); });
}

void TDecoupe::Init(const QString& name) {
    FileName = name;
    DefaultPartKo = kDefaultPartKo;
}

void TDecoupe::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

void TDecoupe::FormShow() {
    PartSize = qint64(DefaultPartKo) * 1024;
    FileSize = QFileInfo(FileName).size();
    Label1->setText(QFileInfo(FileName).fileName());
    Label2->setText(QStringLiteral("%1 Ko").arg(FileSize / 1024));
    updateParts();
}

qint64 TDecoupe::partBytes(const QString& ko) {
    // More Ko than a size can hold: no size at all (-1), never a wrapped one.
    bool ok = false;
    const qint64 n = ko.toLongLong(&ok);
    if (!ok) return ko.isEmpty() ? 0 : -1;
    return n > std::numeric_limits<qint64>::max() / 1024 ? -1 : n * 1024;
}

void TDecoupe::updateParts() {
    if (PartSize > 0) Label3->setText(QStringLiteral("%1 parts").arg(FileSize / PartSize + 1));
}

void TDecoupe::choiceClicked() {
    Edit1->setEnabled(RadioButton2->isChecked());
    if (RadioButton1->isChecked()) {
        PartSize = qint64(DefaultPartKo) * 1024;
        updateParts();
    } else if (!Edit1->text().isEmpty()) {
        PartSize = partBytes(Edit1->text());
        if (PartSize > 0) updateParts();
    }
}

void TDecoupe::editChanged() {
    if (Edit1->text().isEmpty()) return;
    PartSize = partBytes(Edit1->text());
    if (PartSize > 0) updateParts();
}

bool TDecoupe::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const QString t = k->text();
        // Enter goes through: the dialog gives it to "Découper", its default button.
        const bool allowed = (t.size() == 1 && t[0] >= u'0' && t[0] <= u'9') ||
                             k->key() == Qt::Key_Backspace || k->key() == Qt::Key_Tab ||
                             k->key() == Qt::Key_Backtab || k->key() == Qt::Key_Return ||
                             k->key() == Qt::Key_Enter || k->key() == Qt::Key_Escape;
        if (!allowed && !t.isEmpty()) return true; // discarded
    }
    return QDialog::eventFilter(watched, e);
}

void TDecoupe::Button2Click() {
    if (PartSize < 0) {
        ui::dialogs().message(QStringLiteral("Taille trop grande"));
        return;
    }
    Button2->setEnabled(false);
    SplitResult r{SplitEnd::Failed};
    {
        struct Enable {
            QPushButton* b;
            ~Enable() { b->setEnabled(true); }
        } enable{Button2};
        core::FunctionJob job([&](core::Job& j) { r = splitFile(FileName, PartSize, j); });
        ui::runOnBar(job, ProgressBar1);
    }
    ProgressBar1->setValue(0);
    // A refusal is told in a message, a full disk in an error box; another
    // failure or a stop ends as a split does.
    switch (r.end) {
    case SplitEnd::TooSmall:
    case SplitEnd::TooManyParts:
        ui::dialogs().message(r.outcome().text);
        break;
    case SplitEnd::DiskFull:
        ui::dialogs().error(r.outcome().text);
        break;
    default:
        ui::dialogs().message(QStringLiteral("Découpage terminé"));
        break;
    }
}

// ---- password ----

TPasse::TPasse(QWidget* parent) : QDialog(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    Edit1 = new QLineEdit(this);
    Edit2 = new QLineEdit(this);
    Edit1->setMaxLength(8);
    Edit2->setMaxLength(8);
    form->addRow(QStringLiteral("Mot de passe (8 car)"), Edit1);
    form->addRow(QStringLiteral("Confirmer passe"), Edit2);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Annuler"), this);
    Button2 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, [this] {
        m_confirmed = false;
        reject();
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        m_confirmed = true;
        accept();
    });
}

QString TPasse::Result() const {
    return m_confirmed ? Edit1->text() : QString();
}

void TPasse::done(int r) {
    // Confirmed only when both fields hold the same text; Annuler and
    // Escape always close, doing nothing.
    if (r == QDialog::Rejected) m_confirmed = false;
    if (r == QDialog::Accepted && Edit1->text() != Edit2->text()) {
        QApplication::beep();
        Edit2->setFocus();
        return;
    }
    QDialog::done(r);
}

bool TPasse::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (Edit1->text() != Edit2->text()) {
                QApplication::beep();
                Edit2->setFocus();
            } else {
                m_confirmed = true;
                accept();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

// ---- catalogue ----

TSupport::TSupport(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Répertorier support"));
    auto* layout = new QVBoxLayout(this);
    Button1 = new QPushButton(QStringLiteral("Fermer"), this);
    Button1->setAutoDefault(false);
    layout->addWidget(Button1, 0, Qt::AlignRight);
    auto* form = new QFormLayout;
    drives = new filemanager::TDriveCombo(this);
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
    connect(drives, &filemanager::TDriveCombo::OnChange, this, &TSupport::driveChosen);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] {
        const QString chosen = ui::dialogs().saveFileName(
            QStringLiteral("Destination"), Edit1->text(), QStringLiteral("Fichier texte (*.txt)"));
        if (!chosen.isEmpty())
            Edit1->setText(chosen.endsWith(u".txt") ? chosen : chosen + QStringLiteral(".txt"));
    });
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Button2Click(); }); });
}

void TSupport::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Edit2->setText(platform::Platform::instance().volumeLabel(drives->Drive()));
}

void TSupport::driveChosen() {
    const QString label = platform::Platform::instance().volumeLabel(drives->Drive());
    Edit2->setText(label);
    if (!label.isEmpty()) Edit1->setText(label + QStringLiteral(".txt"));
}

void TSupport::Button2Click() {
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
