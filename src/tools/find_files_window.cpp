#include "find_files_window.h"
#include "core/job.h"
#include "find_files.h"
#include "platform/platform.h"
#include "search_run.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/window_parts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tools {

FindFilesWindow::FindFilesWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Rechercher"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ui::closeBar(this, Button1));
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
    for (QLineEdit* edit : {Edit1, Edit2})
        ui::onEnter(edit, [this] { ui::runCommand([this] { Rechercher(); }); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Rechercher(); }); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] {
        if (!ListBox1->currentItem()) return;
        m_chosen = ListBox1->currentItem()->text();
        accept();
    });
}

void FindFilesWindow::Init(const QString& path) {
    // The root of the volume that holds the folder ("C:\" on the platform of drive letters).
    Edit1->setText(path.isEmpty() ? path : platform::Platform::instance().rootOf(path));
    m_chosen.clear();
}

void FindFilesWindow::Rechercher() {
    ListBox1->clear();
    const QString spec = searchSpec(Edit1->text(), Edit2->text());
    qint64 count = 0;
    const SearchEnd end = runSearch(Button1, ListBox1, Label3, [&](core::Job& job, Batch& batch) {
        count = GetAllFiles(
            spec, [&](const QString& path) { batch.add(path); }, job);
    });
    if (end == SearchEnd::Closed) return;
    if (end == SearchEnd::Escaped) { // stopped, and the window closes
        reject();
        return;
    }
    ui::dialogs().message(QString::number(count) + QStringLiteral(" Fichiers trouvés"));
}

} // namespace tools
