#include "TFindStr.h"
#include "core/Job.h"
#include "search_run.h"
#include "text_search.h"
#include "ui/Dialogs.h"
#include "ui/errors.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tools {

TFindStr::TFindStr(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Rechercher chaîne"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Fermer"), this);
    Button1->setAutoDefault(false);
    top->addStretch();
    top->addWidget(Button1);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("Chaîne à rechercher"), this));
    auto* row = new QHBoxLayout;
    Edit1 = new QLineEdit(this);
    Button2 = new QPushButton(QStringLiteral("OK"), this);
    Button2->setAutoDefault(false);
    Button2->setFixedWidth(40);
    row->addWidget(Edit1);
    row->addWidget(Button2);
    layout->addLayout(row);
    ListBox1 = new QListWidget(this);
    ListBox1->setUniformItemSizes(true);
    layout->addWidget(ListBox1, 1);
    resize(560, 400);
    Edit1->installEventFilter(this);
    Edit1->setFocus();
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Chercher(); }); });
}

void TFindStr::Init(const QStringList& names, const QStringList& paths) {
    m_names = names;
    m_paths = paths.isEmpty() ? names : paths;
}

void TFindStr::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

bool TFindStr::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui::runCommand([this] { Chercher(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TFindStr::Chercher() {
    const QString needle = Edit1->text();
    if (needle.isEmpty()) {
        ui::dialogs().message(QStringLiteral("Indiquer la chaine à chercher"));
        return;
    }
    ListBox1->clear();
    core::Outcome failure;
    const SearchEnd end = runSearch(Button1, ListBox1, nullptr, [&](core::Job& job, Batch& batch) {
        for (int i = 0; i < m_paths.size() && !job.cancelled(); ++i) {
            const QString name = m_names.value(i);
            const core::Outcome o = findInFile(
                m_paths[i], needle,
                [&](const Match& m) {
                    batch.add(name + u'[' + QString::number(m.line) + u']' +
                              lineText(m.text, true));
                },
                [&job] { return job.cancelled(); });
            if (!o) { // ends the search; the entries listed so far stay
                failure = o;
                return;
            }
        }
    });
    if (end == SearchEnd::Closed) return;
    if (end == SearchEnd::Escaped) {
        reject();
        return;
    }
    if (!failure) throw core::TavError(failure.text);
}

} // namespace tools
