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
    Button1 = new QPushButton(QStringLiteral("Fermer"), m_bar);
    Button2 = new QPushButton(QStringLiteral("Comparer"), m_bar);
    Label1 = new QLabel(m_bar);
    for (QPushButton* b : {Button1, Button2})
        b->setAutoDefault(false);
    Edit1 = new QLineEdit(this);
    Edit2 = new QLineEdit(this);
    SpeedButton1 = new QToolButton(this);
    SpeedButton2 = new QToolButton(this);
    SpeedButton1->setText(QStringLiteral("..."));
    SpeedButton2->setText(QStringLiteral("..."));
    ListBox1 = new QListWidget(this);
    ListBox2 = new QListWidget(this);
    resize(640, 420);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button2, &QPushButton::clicked, this,
            [this] { ui::runCommand([this] { Comparer(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { browse(Edit1); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { browse(Edit2); });
}

void CompareWindow::Init(const QString& first, const QString& second) {
    Edit1->setText(first);
    Edit2->setText(second);
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
    Button1->move(w - 100, 4);
    Button2->move(8, 4);
    Label1->setGeometry(Button2->geometry().right() + 12, 4, 200, kBar - 8);
    const int half = w / 2, other = w - half;
    Edit1->setGeometry(0, kBar, half - 30, 24);
    Edit2->setGeometry(half, kBar, other - 30, 24);
    SpeedButton1->setGeometry(half - 27, kBar, 24, 24);
    SpeedButton2->setGeometry(w - 27, kBar, 24, 24);
    ListBox1->setGeometry(0, kBar + 28, half - 2, h - kBar - 28 - 35);
    ListBox2->setGeometry(half, kBar + 28, other - 2, h - kBar - 28 - 35);
}

void CompareWindow::Comparer() {
    if (Edit1->text().isEmpty() || Edit2->text().isEmpty()) {
        ui::dialogs().message(QStringLiteral("Indiquer les fichiers à comparer"));
        return;
    }
    ListBox1->clear();
    ListBox2->clear();
    const QString first = QDir(m_folder).absoluteFilePath(Edit1->text());
    const QString second = QDir(m_folder).absoluteFilePath(Edit2->text());
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
    ListBox1->addItems(left);
    ListBox2->addItems(right);
    Label1->setText(QString::number(left.size()) + QStringLiteral(" lignes différentes"));
    if (left.isEmpty()) ui::dialogs().message(QStringLiteral("Aucune différence"));
}

} // namespace tools
