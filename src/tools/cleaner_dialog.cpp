#include "cleaner_dialog.h"
#include "cleaner.h"
#include "core/job.h"
#include "filemanager/components/drive_selector.h"
#include "platform/platform.h"
#include "search_run.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/window_parts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace tools {

CleanerDialog::CleanerDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Nettoyer"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ui::closeBar(this, closeButton));
    auto* body = new QHBoxLayout;
    auto* frame = new QGroupBox(QStringLiteral("Extensions"), this);
    auto* frameLayout = new QVBoxLayout(frame);
    auto* row = new QHBoxLayout;
    extensionEdit = new QLineEdit(frame);
    extensionEdit->setMaximumWidth(80);
    addButton = new QPushButton(QStringLiteral("OK"), frame);
    addButton->setFixedWidth(40);
    row->addWidget(extensionEdit);
    row->addWidget(addButton);
    frameLayout->addLayout(row);
    extensionList = new QListWidget(frame);
    extensionList->addItems(builtInExtensions());
    frameLayout->addWidget(extensionList);
    body->addWidget(frame);
    auto* right = new QVBoxLayout;
    drives = new filemanager::DriveSelector(this);
    drives->setDrive(u'C');
    right->addWidget(drives);
    auto* buttons = new QHBoxLayout;
    searchButton = new QPushButton(QStringLiteral("Chercher"), this);
    removeButton = new QPushButton(QStringLiteral("Retirer"), this);
    cleanButton = new QPushButton(QStringLiteral("Nettoyer"), this);
    removeButton->setEnabled(false);
    cleanButton->setEnabled(false);
    for (QPushButton* b : {closeButton, addButton, searchButton, removeButton, cleanButton})
        b->setAutoDefault(false);
    for (QPushButton* b : {searchButton, removeButton, cleanButton})
        buttons->addWidget(b);
    right->addLayout(buttons);
    foundList = new QListWidget(this);
    foundList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    foundList->setUniformItemSizes(true);
    right->addWidget(foundList, 1);
    statusLabel = new QLabel(this);
    right->addWidget(statusLabel);
    body->addLayout(right, 1);
    layout->addLayout(body, 1);
    resize(640, 420);
    ui::onEnter(extensionEdit, [this] { addExtension(); });
    extensionEdit->setFocus();
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(addButton, &QPushButton::clicked, this, &CleanerDialog::addExtension);
    connect(extensionList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { extensionEdit->setText(item->text()); });
    connect(searchButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { search(); }); });
    connect(removeButton, &QPushButton::clicked, this, &CleanerDialog::removeFound);
    connect(cleanButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { clean(); }); });
}

void CleanerDialog::init(const QStringList& saved) {
    extensionList->addItems(saved);
}

void CleanerDialog::saveExtensions(QStringList& saved) const {
    saved.clear();
    for (int i = 4; i < extensionList->count(); ++i)
        saved << extensionList->item(i)->text();
}

QStringList CleanerDialog::extensions() const {
    QStringList out;
    for (int i = 0; i < extensionList->count(); ++i)
        out << extensionList->item(i)->text();
    return out;
}

void CleanerDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::centreOnScreen(this);
}

void CleanerDialog::addExtension() {
    if (extensionEdit->text().isEmpty()) return;
    const QString entry = extensionEntry(extensionEdit->text());
    extensionEdit->setText(entry);
    QListWidgetItem* selected = extensionList->currentItem();
    if (selected && selected->isSelected())
        selected->setText(entry);
    else
        extensionList->addItem(entry);
}

void CleanerDialog::search() {
    foundList->clear();
    foundCount = totalSize = 0;
    const QString root = platform::Platform::instance().driveRoot(drives->drive());
    const QStringList list = extensions();
    qint64 total = 0, count = 0;
    QHash<QString, qint64> sizes; // filled by the search alone, read once it ended
    const SearchEnd end =
        runSearch(closeButton, foundList, statusLabel, [&](core::Job& job, Batch& batch) {
            if (root.isEmpty()) return;
            // What installed packages need is never a leftover, whatever its extension.
            const KeptFiles kept = packagedFilesLater(list);
            count = findToClean(
                root, list,
                [&](const CleanerHit& hit) {
                    sizes.insert(hit.path, hit.size);
                    batch.add(hit.path);
                },
                total, job, kept);
        });
    m_sizes = std::move(sizes);
    if (end == SearchEnd::Closed) return;
    if (end == SearchEnd::Escaped) {
        reject();
        return;
    }
    foundCount = count;
    totalSize = total;
    statusLabel->setText(QString::number(count) + QStringLiteral(" fichiers trouvés. ") +
                         QString::number(total) + QStringLiteral(" octets"));
    removeButton->setEnabled(true);
    cleanButton->setEnabled(true);
}

void CleanerDialog::removeFound() {
    if (QListWidgetItem* item = foundList->currentItem()) delete item;
}

void CleanerDialog::clean() {
    QStringList paths;
    qint64 bytes = 0;
    for (int i = 0; i < foundList->count(); ++i) {
        paths << foundList->item(i)->text();
        bytes += m_sizes.value(paths.last());
    }
    if (paths.isEmpty()) return;
    // Files deleted for good, found all over a drive: asked once, as the
    // file manager's delete asks; anything but OK deletes nothing.
    const QString question =
        QStringLiteral("Attention, les fichiers ne seront pas récupérables dans la corbeille\r\n"
                       "Effacer les %1 fichiers trouvés (%2 octets) ?")
            .arg(paths.size())
            .arg(bytes);
    if (ui::dialogs().confirm(question, ui::Ok | ui::Cancel) != ui::Ok) return;
    QStringList deleted;
    core::FunctionJob job([&](core::Job&) { deleted = deleteAll(paths); });
    job.runInBackground();
    // The files that went leave the list; those that could not be deleted stay.
    const QSet<QString> gone(deleted.begin(), deleted.end());
    for (int i = foundList->count() - 1; i >= 0; --i)
        if (gone.contains(foundList->item(i)->text())) delete foundList->takeItem(i);
    statusLabel->setText(QString::number(deleted.size()) + QStringLiteral(" fichiers effacé"));
}

} // namespace tools
