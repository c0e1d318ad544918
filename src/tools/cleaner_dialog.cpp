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
    layout->addWidget(ui::closeBar(this, Button1));
    auto* body = new QHBoxLayout;
    auto* frame = new QGroupBox(QStringLiteral("Extensions"), this);
    auto* frameLayout = new QVBoxLayout(frame);
    auto* row = new QHBoxLayout;
    Edit1 = new QLineEdit(frame);
    Edit1->setMaximumWidth(80);
    Button2 = new QPushButton(QStringLiteral("OK"), frame);
    Button2->setFixedWidth(40);
    row->addWidget(Edit1);
    row->addWidget(Button2);
    frameLayout->addLayout(row);
    ListBox1 = new QListWidget(frame);
    ListBox1->addItems(builtInExtensions());
    frameLayout->addWidget(ListBox1);
    body->addWidget(frame);
    auto* right = new QVBoxLayout;
    DriveComboBox1 = new filemanager::DriveSelector(this);
    DriveComboBox1->SetDrive(u'C');
    right->addWidget(DriveComboBox1);
    auto* buttons = new QHBoxLayout;
    Button3 = new QPushButton(QStringLiteral("Chercher"), this);
    Button4 = new QPushButton(QStringLiteral("Retirer"), this);
    Button5 = new QPushButton(QStringLiteral("Nettoyer"), this);
    Button4->setEnabled(false);
    Button5->setEnabled(false);
    for (QPushButton* b : {Button1, Button2, Button3, Button4, Button5})
        b->setAutoDefault(false);
    for (QPushButton* b : {Button3, Button4, Button5})
        buttons->addWidget(b);
    right->addLayout(buttons);
    ListBox2 = new QListWidget(this);
    ListBox2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox2->setUniformItemSizes(true);
    right->addWidget(ListBox2, 1);
    Label1 = new QLabel(this);
    right->addWidget(Label1);
    body->addLayout(right, 1);
    layout->addLayout(body, 1);
    resize(640, 420);
    ui::onEnter(Edit1, [this] { Ajoute(); });
    Edit1->setFocus();
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button2, &QPushButton::clicked, this, &CleanerDialog::Ajoute);
    connect(ListBox1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Edit1->setText(item->text()); });
    connect(Button3, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Chercher(); }); });
    connect(Button4, &QPushButton::clicked, this, &CleanerDialog::Retirer);
    connect(Button5, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Nettoyer(); }); });
}

void CleanerDialog::Init(const QStringList& saved) {
    ListBox1->addItems(saved);
}

void CleanerDialog::Result(QStringList& saved) const {
    saved.clear();
    for (int i = 4; i < ListBox1->count(); ++i)
        saved << ListBox1->item(i)->text();
}

QStringList CleanerDialog::extensions() const {
    QStringList out;
    for (int i = 0; i < ListBox1->count(); ++i)
        out << ListBox1->item(i)->text();
    return out;
}

void CleanerDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::centreOnScreen(this);
}

void CleanerDialog::Ajoute() {
    if (Edit1->text().isEmpty()) return;
    const QString entry = extensionEntry(Edit1->text());
    Edit1->setText(entry);
    QListWidgetItem* selected = ListBox1->currentItem();
    if (selected && selected->isSelected())
        selected->setText(entry);
    else
        ListBox1->addItem(entry);
}

void CleanerDialog::Chercher() {
    ListBox2->clear();
    foundCount = totalSize = 0;
    const QString root = platform::Platform::instance().driveRoot(DriveComboBox1->Drive());
    const QStringList list = extensions();
    qint64 total = 0, count = 0;
    QHash<QString, qint64> sizes; // filled by the search alone, read once it ended
    const SearchEnd end = runSearch(Button1, ListBox2, Label1, [&](core::Job& job, Batch& batch) {
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
    Label1->setText(QString::number(count) + QStringLiteral(" fichiers trouvés. ") +
                    QString::number(total) + QStringLiteral(" octets"));
    Button4->setEnabled(true);
    Button5->setEnabled(true);
}

void CleanerDialog::Retirer() {
    if (QListWidgetItem* item = ListBox2->currentItem()) delete item;
}

void CleanerDialog::Nettoyer() {
    QStringList paths;
    qint64 bytes = 0;
    for (int i = 0; i < ListBox2->count(); ++i) {
        paths << ListBox2->item(i)->text();
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
    for (int i = ListBox2->count() - 1; i >= 0; --i)
        if (gone.contains(ListBox2->item(i)->text())) delete ListBox2->takeItem(i);
    Label1->setText(QString::number(deleted.size()) + QStringLiteral(" fichiers effacé"));
}

} // namespace tools
