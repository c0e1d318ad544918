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
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    closeButton->setAutoDefault(false);
    layout->addWidget(closeButton, 0, Qt::AlignRight);
    nameLabel = new QLabel(this);
    sizeLabel = new QLabel(this);
    layout->addWidget(nameLabel);
    layout->addWidget(sizeLabel);
    auto* group = new QGroupBox(QStringLiteral("Découpage"), this);
    auto* g = new QVBoxLayout(group);
    floppyButton = new QRadioButton(QStringLiteral("Disquette 1.44 Mo"), group);
    customButton = new QRadioButton(QStringLiteral("Taille personnalisée"), group);
    floppyButton->setChecked(true);
    auto* custom = new QHBoxLayout;
    customSizeEdit = new QLineEdit(group);
    customSizeEdit->setEnabled(false);
    customSizeEdit->installEventFilter(this);
    custom->addWidget(customSizeEdit);
    custom->addWidget(new QLabel(QStringLiteral("Ko"), group));
    g->addWidget(floppyButton);
    g->addWidget(customButton);
    g->addLayout(custom);
    layout->addWidget(group);
    partsLabel = new QLabel(QStringLiteral("Parts"), this);
    layout->addWidget(partsLabel);
    progressBar = new QProgressBar(this);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    layout->addWidget(progressBar);
    splitButton = new QPushButton(QStringLiteral("Découper"), this);
    splitButton->setDefault(true);
    layout->addWidget(splitButton);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(floppyButton, &QRadioButton::clicked, this, &SplitDialog::choiceClicked);
    connect(customButton, &QRadioButton::clicked, this, &SplitDialog::choiceClicked);
    connect(customSizeEdit, &QLineEdit::textChanged, this, &SplitDialog::editChanged);
    connect(splitButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { split(); }); });
}

void SplitDialog::init(const QString& name) {
    fileName = name;
    defaultPartKo = kDefaultPartKo;
}

void SplitDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    prepare();
}

void SplitDialog::prepare() {
    partSize = qint64(defaultPartKo) * 1024;
    platform::DirEntry entry;
    fileSize = platform::Platform::instance().entryOf(fileName, entry) ? entry.size : 0;
    nameLabel->setText(QFileInfo(fileName).fileName());
    sizeLabel->setText(QStringLiteral("%1 Ko").arg(fileSize / 1024));
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
    if (partSize > 0) partsLabel->setText(QStringLiteral("%1 parts").arg(fileSize / partSize + 1));
}

void SplitDialog::choiceClicked() {
    customSizeEdit->setEnabled(customButton->isChecked());
    if (floppyButton->isChecked()) {
        partSize = qint64(defaultPartKo) * 1024;
        updateParts();
    } else if (!customSizeEdit->text().isEmpty()) {
        partSize = partBytes(customSizeEdit->text());
        if (partSize > 0) updateParts();
    }
}

void SplitDialog::editChanged() {
    if (customSizeEdit->text().isEmpty()) return;
    partSize = partBytes(customSizeEdit->text());
    if (partSize > 0) updateParts();
}

bool SplitDialog::eventFilter(QObject* watched, QEvent* e) {
    if (watched == customSizeEdit && e->type() == QEvent::KeyPress) {
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

void SplitDialog::split() {
    if (partSize < 0) {
        ui::dialogs().message(QStringLiteral("Taille trop grande"));
        return;
    }
    splitButton->setEnabled(false);
    SplitResult r{SplitEnd::Failed};
    {
        struct Enable {
            QPushButton* b;
            ~Enable() { b->setEnabled(true); }
        } enable{splitButton};
        core::FunctionJob job([&](core::Job& j) { r = splitFile(fileName, partSize, j); });
        ui::runOnBar(job, progressBar);
    }
    progressBar->setValue(0);
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
