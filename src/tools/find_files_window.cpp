#include "find_files_window.h"
#include "core/file_errors.h"
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
    layout->addWidget(ui::closeBar(this, closeButton));
    auto* form = new QFormLayout;
    pathEdit = new QLineEdit(this);
    patternEdit = new QLineEdit(QStringLiteral("*.*"), this);
    form->addRow(QStringLiteral("Chemin"), pathEdit);
    form->addRow(QStringLiteral("Critère"), patternEdit);
    layout->addLayout(form);
    searchButton = new QPushButton(QStringLiteral("Rechercher"), this);
    searchButton->setAutoDefault(false);
    layout->addWidget(searchButton);
    resultList = new QListWidget(this);
    resultList->setUniformItemSizes(true);
    layout->addWidget(resultList, 1);
    folderLabel = new QLabel(this);
    layout->addWidget(folderLabel);
    resize(520, 420);
    for (QLineEdit* edit : {pathEdit, patternEdit})
        ui::onEnter(edit, [this] { ui::runCommand([this] { search(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(searchButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { search(); }); });
    connect(resultList, &QListWidget::itemDoubleClicked, this, [this] {
        if (!resultList->currentItem()) return;
        m_chosen = resultList->currentItem()->text();
        accept();
    });
}

void FindFilesWindow::init(const QString& path) {
    // The root of the volume that holds the folder ("C:\" on the platform of drive letters).
    pathEdit->setText(path.isEmpty() ? path : platform::Platform::instance().rootOf(path));
    m_chosen.clear();
}

void FindFilesWindow::search() {
    resultList->clear();
    const QString spec = searchSpec(pathEdit->text(), patternEdit->text());
    qint64 count = 0;
    platform::Status walked;
    const SearchEnd end =
        runSearch(closeButton, resultList, folderLabel, [&](core::Job& job, Batch& batch) {
            count = findAllFiles(
                spec, [&](const QString& path) { batch.add(path); }, job, true, &walked);
        });
    if (end == SearchEnd::Closed) return;
    if (end == SearchEnd::Escaped) { // stopped, and the window closes
        reject();
        return;
    }
    if (!walked) {
        ui::dialogs().message(
            core::fileErrorText(walked.error(), core::FileUse::Entry, pathEdit->text()));
        return;
    }
    ui::dialogs().message(QString::number(count) + QStringLiteral(" Fichiers trouvés"));
}

} // namespace tools
