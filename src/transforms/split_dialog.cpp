#include "split_dialog.h"
#include "core/job.h"
#include "platform/platform.h"
#include "split.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <limits>

namespace transforms {

SplitDialog::SplitDialog(QWidget* parent) : QDialog(parent) {
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
    connect(RadioButton1, &QRadioButton::clicked, this, &SplitDialog::choiceClicked);
    connect(RadioButton2, &QRadioButton::clicked, this, &SplitDialog::choiceClicked);
    connect(Edit1, &QLineEdit::textChanged, this, &SplitDialog::editChanged);
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Button2Click(); }); });
}

void SplitDialog::Init(const QString& name) {
    FileName = name;
    DefaultPartKo = kDefaultPartKo;
}

void SplitDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

void SplitDialog::FormShow() {
    PartSize = qint64(DefaultPartKo) * 1024;
    FileSize = QFileInfo(FileName).size();
    Label1->setText(QFileInfo(FileName).fileName());
    Label2->setText(QStringLiteral("%1 Ko").arg(FileSize / 1024));
    updateParts();
}

qint64 SplitDialog::partBytes(const QString& ko) {
    // More Ko than a size can hold: no size at all (-1), never a wrapped one.
    bool ok = false;
    const qint64 n = ko.toLongLong(&ok);
    if (!ok) return ko.isEmpty() ? 0 : -1;
    return n > std::numeric_limits<qint64>::max() / 1024 ? -1 : n * 1024;
}

void SplitDialog::updateParts() {
    if (PartSize > 0) Label3->setText(QStringLiteral("%1 parts").arg(FileSize / PartSize + 1));
}

void SplitDialog::choiceClicked() {
    Edit1->setEnabled(RadioButton2->isChecked());
    if (RadioButton1->isChecked()) {
        PartSize = qint64(DefaultPartKo) * 1024;
        updateParts();
    } else if (!Edit1->text().isEmpty()) {
        PartSize = partBytes(Edit1->text());
        if (PartSize > 0) updateParts();
    }
}

void SplitDialog::editChanged() {
    if (Edit1->text().isEmpty()) return;
    PartSize = partBytes(Edit1->text());
    if (PartSize > 0) updateParts();
}

bool SplitDialog::eventFilter(QObject* watched, QEvent* e) {
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

void SplitDialog::Button2Click() {
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

} // namespace transforms
