#include "compare_window.h"
#include "core/job.h"
#include "text_search.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/window_parts.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

namespace tools {

namespace {
constexpr int kBar = 33;
}

CompareWindow::CompareWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Comparer fichiers"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    m_bar = new QWidget(this);
    closeButton = new QPushButton(QStringLiteral("Fermer"), m_bar);
    compareButton = new QPushButton(QStringLiteral("Comparer"), m_bar);
    countLabel = new QLabel(m_bar);
    for (QPushButton* b : {closeButton, compareButton})
        b->setAutoDefault(false);
    firstEdit = new QLineEdit(this);
    secondEdit = new QLineEdit(this);
    firstBrowseButton = new QToolButton(this);
    secondBrowseButton = new QToolButton(this);
    firstBrowseButton->setText(QStringLiteral("..."));
    secondBrowseButton->setText(QStringLiteral("..."));
    firstList = new QListWidget(this);
    secondList = new QListWidget(this);
    resize(640, 420);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(compareButton, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { compare(); }); });
    connect(firstBrowseButton, &QToolButton::clicked, this, [this] { browse(firstEdit); });
    connect(secondBrowseButton, &QToolButton::clicked, this, [this] { browse(secondEdit); });
}

void CompareWindow::init(const QString& first, const QString& second) {
    firstEdit->setText(first);
    secondEdit->setText(second);
}

void CompareWindow::browse(QLineEdit* into) {
    const QString chosen = ui::dialogs().openFileName(QString(), QString(), QString());
    if (!chosen.isEmpty()) into->setText(chosen);
}

void CompareWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::centreOnScreen(this);
}

void CompareWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    const int w = width(), h = height();
    m_bar->setGeometry(0, 0, w, kBar);
    closeButton->move(w - 100, 4);
    compareButton->move(8, 4);
    countLabel->setGeometry(compareButton->geometry().right() + 12, 4, 200, kBar - 8);
    const int half = w / 2, other = w - half;
    firstEdit->setGeometry(0, kBar, half - 30, 24);
    secondEdit->setGeometry(half, kBar, other - 30, 24);
    firstBrowseButton->setGeometry(half - 27, kBar, 24, 24);
    secondBrowseButton->setGeometry(w - 27, kBar, 24, 24);
    firstList->setGeometry(0, kBar + 28, half - 2, h - kBar - 28 - 35);
    secondList->setGeometry(half, kBar + 28, other - 2, h - kBar - 28 - 35);
}

void CompareWindow::compare() {
    if (firstEdit->text().isEmpty() || secondEdit->text().isEmpty()) {
        ui::dialogs().message(QStringLiteral("Indiquer les fichiers à comparer"));
        return;
    }
    firstList->clear();
    secondList->clear();
    const QString first = QDir(m_folder).absoluteFilePath(firstEdit->text());
    const QString second = QDir(m_folder).absoluteFilePath(secondEdit->text());
    QStringList left, right;
    core::Outcome opened;
    core::FunctionJob job([&](core::Job& j) {
        opened = compareFiles(
            first, second,
            [&](const Difference& d) {
                left << lineText(d.left, true);
                right << lineText(d.right, true);
            },
            j);
    });
    job.runInBackground();
    if (!opened) { // a file that cannot be opened: a beep and nothing else
        ++beeps;
        QApplication::beep();
        return;
    }
    firstList->addItems(left);
    secondList->addItems(right);
    countLabel->setText(QString::number(left.size()) + QStringLiteral(" lignes différentes"));
    if (left.isEmpty()) ui::dialogs().message(QStringLiteral("Aucune différence"));
}

} // namespace tools
