#include "find_text_window.h"
#include "core/job.h"
#include "platform/platform.h"
#include "search_run.h"
#include "text_search.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/window_parts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tools {

FindTextWindow::FindTextWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Rechercher chaîne"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ui::closeBar(this, closeButton));
    layout->addWidget(new QLabel(QStringLiteral("Chaîne à rechercher"), this));
    auto* row = new QHBoxLayout;
    textEdit = new QLineEdit(this);
    searchButton = new QPushButton(QStringLiteral("OK"), this);
    searchButton->setAutoDefault(false);
    searchButton->setFixedWidth(40);
    row->addWidget(textEdit);
    row->addWidget(searchButton);
    layout->addLayout(row);
    resultList = new QListWidget(this);
    resultList->setUniformItemSizes(true);
    layout->addWidget(resultList, 1);
    resize(560, 400);
    ui::onEnter(textEdit, [this] { ui::runCommand([this] { search(); }); });
    textEdit->setFocus();
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(searchButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { search(); }); });
}

void FindTextWindow::init(const QStringList& names, const QStringList& paths) {
    m_names = names;
    m_paths = paths.isEmpty() ? names : paths;
}

void FindTextWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::centreOnScreen(this);
}

void FindTextWindow::search() {
    const QString needle = textEdit->text();
    if (needle.isEmpty()) {
        ui::dialogs().message(QStringLiteral("Indiquer la chaine à chercher"));
        return;
    }
    resultList->clear();
    core::Outcome failure;
    const SearchEnd end =
        runSearch(closeButton, resultList, nullptr, [&](core::Job& job, Batch& batch) {
            platform::Platform& p = platform::Platform::instance();
            for (int i = 0; i < m_paths.size() && !job.cancelled(); ++i) {
                const QString name = m_names.value(i);
                // The next file is read from the disk while this one is searched.
                if (i + 1 < m_paths.size()) p.readAhead(m_paths[i + 1]);
                const core::Outcome o = findInFile(
                    m_paths[i], needle,
                    [&](const Match& m) {
                        batch.add(name + u'[' + QString::number(m.line) + u']' +
                                  lineText(m.text, true));
                    },
                    job);
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
