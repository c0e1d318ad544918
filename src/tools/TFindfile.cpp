#include "TFindfile.h"
#include "core/Job.h"
#include "find_files.h"
#include "platform/Platform.h"
#include "ui/CommandLock.h"
#include "ui/Dialogs.h"
#include "ui/errors.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMutex>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tools {

TFindfile::TFindfile(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Rechercher"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Fermer"), this);
    Button1->setAutoDefault(false);
    top->addStretch();
    top->addWidget(Button1);
    layout->addLayout(top);
    auto* form = new QFormLayout;
    Edit1 = new QLineEdit(this);
    Edit2 = new QLineEdit(QStringLiteral("*.*"), this);
    form->addRow(QStringLiteral("Chemin"), Edit1);
    form->addRow(QStringLiteral("Critère"), Edit2);
    layout->addLayout(form);
    Button2 = new QPushButton(QStringLiteral("Rechercher"), this);
    Button2->setAutoDefault(false);
    layout->addWidget(Button2);
    ListBox1 = new QListWidget(this);
    ListBox1->setUniformItemSizes(true);
    layout->addWidget(ListBox1, 1);
    Label3 = new QLabel(this);
    layout->addWidget(Label3);
    resize(520, 420);
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Rechercher(); }); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] {
        if (!ListBox1->currentItem()) return;
        m_chosen = ListBox1->currentItem()->text();
        accept();
    });
}

void TFindfile::Init(const QString& path) {
    // The root of the volume that holds the folder ("C:\" on the platform of drive letters).
    Edit1->setText(path.isEmpty() ? path : platform::Platform::instance().rootOf(path));
    m_chosen.clear();
}

bool TFindfile::eventFilter(QObject* watched, QEvent* e) {
    if ((watched == Edit1 || watched == Edit2) && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui::runCommand([this] { Rechercher(); });
            return true; // swallowed
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TFindfile::Rechercher() {
    ListBox1->clear();
    const QString spec = searchSpec(Edit1->text(), Edit2->text());
    // Results reach the list in batches, the folder label a few times a
    // second: the window stays drawn however many files there are.
    QMutex lock;
    QStringList batch;
    QString folder;
    auto drain = [&] {
        QStringList take;
        QString shown;
        {
            QMutexLocker l(&lock);
            take.swap(batch);
            shown = folder;
        }
        if (!take.isEmpty()) ListBox1->addItems(take);
        Label3->setText(shown);
    };
    QTimer timer;
    timer.setInterval(100);
    connect(&timer, &QTimer::timeout, this, drain);
    qint64 count = 0;
    core::FunctionJob job([&](core::Job& j) {
        count = GetAllFiles(spec, {[&](const QString& f) {
                                       QMutexLocker l(&lock);
                                       folder = f;
                                   },
                                   [&](const QString& path) {
                                       QMutexLocker l(&lock);
                                       batch.append(path);
                                   },
                                   [&j] { return j.cancelled(); }});
    });
    // "Fermer" stops the search and closes the window.
    bool closing = false;
    ui::allowDuringJob(Button1);
    auto stopper = connect(Button1, &QPushButton::clicked, this, [&] {
        closing = true;
        job.cancel();
    });
    timer.start();
    job.runInBackground();
    timer.stop();
    disconnect(stopper);
    drain();
    if (closing) return;
    if (job.cancelled()) { // Escape: stopped, and the window closes
        reject();
        return;
    }
    ui::dialogs().message(QString::number(count) + QStringLiteral(" Fichiers trouvés"));
}

} // namespace tools
